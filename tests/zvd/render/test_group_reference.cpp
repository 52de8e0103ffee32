// zvd tests: reference picture of a composite and a poly-composite, unselected and selected.
#include <gtest/gtest.h>

#include <QImage>

#include "render/reference_image.h"
#include "zvd/entities/zvdpolycomposite.h"

using reftest::styled;
using reftest::V;
using zgp::CArc2d;

namespace {

const int kWidth = 400;
const int kHeight = 300;

ZVDLine* line(V s, V e, int colour) { return styled(reftest::line(s, e), colour, 1); }

// A house outline: a chain of four lines and an arc roof, as a poly-composite at (x, y).
ZVDPolyComposite* house(double x, double y) {
    auto* chain = new ZVDPolyComposite;
    chain->add(line(V(x, y + 60), V(x, y), 0x000000));
    chain->add(line(V(x, y), V(x + 100, y), 0x000000));
    chain->add(line(V(x + 100, y), V(x + 100, y + 60), 0x000000));
    auto* roof = new ZVDArc();
    roof->set(V(x + 100, y + 60), V(x, y + 60), CArc2d::CCW_SMALL, 60);
    roof->setColor(0x008000);
    roof->setLineWidth(3);
    chain->add(roof);
    return chain;
}

// A target: two circles and a cross, as a plain composite centred at c.
ZVDComposite* target(V c) {
    auto* group = new ZVDComposite;
    for (double r : {40.0, 20.0}) {
        auto* k = new ZVDCircle();
        k->setCenterPt(c);
        k->setRadius(r);
        k->setColor(0xA00000);
        group->add(k);
    }
    group->add(line(c - V(50, 0), c + V(50, 0), 0x0080FF));
    group->add(line(c - V(0, 50), c + V(0, 50), 0x0080FF));
    return group;
}

// World units are pixels with y up from the bottom edge. Left column unselected, right selected.
QImage renderGroups() {
    return reftest::renderDrawing(kWidth, kHeight, [](ZVectorDrawing& drawing) {
        ZVDEntity* items[] = {house(30, 170), house(230, 170), target(V(80, 70)), target(V(280, 70))};
        for (ZVDEntity* item : items) drawing.add(item);
        drawing.selSet()->add(items[1], false);
        drawing.selSet()->add(items[3], false);
    });
}

}  // namespace

TEST(GroupReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderGroups(), QStringLiteral("groups.png"));
}
