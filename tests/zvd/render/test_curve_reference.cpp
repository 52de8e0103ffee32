// zvd tests: reference picture of lines, arcs and circles painted by the drawing pass.
#include <gtest/gtest.h>

#include <QImage>

#include "render/reference_image.h"

using namespace reftest;
using zgp::CArc2d;

namespace {

const int kWidth = 800;
const int kHeight = 600;

void buildScene(ZVectorDrawing& d) {
    // Marks 1..5 at both ends of lines: thin and black, negative sizes in green, selected (red,
    // dotted), and on rising lines with a different style at each end.
    for (int s = msArrow; s <= msTick; ++s) {
        const double y = 590 - 30 * s;
        add(d, styled(line(V(30, y), V(210, y)), 0x000000, 1, psSolid, {s, 12, s, 12}));
        add(d, styled(line(V(260, y), V(440, y)), 0x008000, 2, psSolid, {s, -12, s, -12}));
        add(d, styled(line(V(490, y), V(670, y)), 0xC00000, 1, psSolid, {s, 12, s, 12}), true);
        add(d, styled(line(V(705, y - 10), V(775, y + 8)), 0x0080FF, 1, psSolid, {s, 10, s % 5 + 1, 10}));
    }
    // Pen styles 0..6, one pixel and three pixels wide; two of the wide ones selected.
    for (int k = psSolid; k <= psInsideFrame; ++k) {
        const double y = 400 - 15 * k;
        add(d, styled(line(V(30, y), V(370, y)), 0x800080, 1, k));
        add(d, styled(line(V(410, y), V(775, y)), 0x404040, 3, k), k == psDash || k == psDashDotDot);
    }
    // Arcs with marks: counter-clockwise under their chord, clockwise large over it (two selected).
    for (int s = msArrow; s <= msTick; ++s) {
        const double x = 30 + 150 * (s - 1);
        add(d, styled(arc(V(x, 230), V(x + 80, 230), CArc2d::CCW_SMALL, 50), 0x0000A0, 1, psSolid, {s, 12, s, 12}));
        add(d, styled(arc(V(x + 20, 140), V(x + 90, 130), CArc2d::CW_LARGE, 38), 0x806000, 2, psSolid, {s, 10, s, 10}),
            s == msDot || s == msHook);
    }
    // Circles in every pen style, a marked one and a selected one.
    for (int k = psSolid; k <= psInsideFrame; ++k) add(d, styled(circle(V(50 + 90 * k, 60), 35), 0x000080, 1 + k % 2, k));
    add(d, styled(circle(V(695, 60), 30), 0x008080, 1, psSolid, {msArrow, 12, msDot, 8}));
    add(d, styled(circle(V(765, 60), 22), 0x000000, 1), true);
    // A selected line crossing a wide unselected one: the selection is painted on top.
    add(d, styled(line(V(410, 280), V(775, 280)), 0x00C0C0, 9));
    add(d, styled(line(V(590, 265), V(600, 295)), 0x000000, 3), true);
}

QImage renderScene() {
    return reftest::renderDrawing(kWidth, kHeight, [](ZVectorDrawing& d) {
        d.setDrawingWidth(790);
        d.setDrawingHeight(590);
        buildScene(d);
    });
}

}  // namespace

TEST(CurveReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderScene(), QStringLiteral("curves.png"));
}
