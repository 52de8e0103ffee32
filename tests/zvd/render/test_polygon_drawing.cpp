// zvd tests: a polygon paints nothing of its own (hosts show areas through hatches): a drawing with
// filled and hollow polygons, a hole and a selected polygon with selected curves looks exactly
// like the same drawing without them.
#include <gtest/gtest.h>

#include <QImage>

#include "render/reference_image.h"
#include "zvd/entities/zvdpolygon.h"

using reftest::V;

namespace {

// The square of half side r about c; a hole runs clockwise.
zgp::CLoop* square(V c, double r, bool clockwise) {
    auto* loop = new zgp::CLoop;
    const double s = clockwise ? -1 : 1;
    for (V q : {V(-r, -r), V(s * r, -s * r), V(r, r), V(-s * r, s * r)})
        loop->AddCurve(new zgp::CLine2d(c + q, c + q.Perp() * s), false);
    return loop;
}

ZVDPolygon* polygon(std::initializer_list<zgp::CLoop*> loops, EnBrushStyle fill) {
    auto* shape = new zgp::CPolygon;
    for (zgp::CLoop* loop : loops) shape->AddLoop(loop, true);
    auto* item = new ZVDPolygon;
    item->setPolygon(shape);
    item->setFillStyle(fill);
    return item;
}

QImage render(bool withPolygons) {
    return reftest::renderDrawing(160, 120, [&](ZVectorDrawing& d) {
        d.add(reftest::line(V(10, 60), V(150, 60)));
        if (!withPolygons) return;
        d.add(polygon({square(V(40, 60), 25, false)}, bsSolid));
        d.add(polygon({square(V(110, 60), 30, false), square(V(110, 60), 10, true)}, bsDiagCross));
        ZVDPolygon* chosen = polygon({square(V(80, 30), 15, false)}, bsClear);
        reftest::add(d, chosen, true);
        chosen->setCurveSelectedState(1, true);
        chosen->setCurveSelectedState(2, true);
    });
}

}  // namespace

TEST(PolygonDrawing, PolygonsAddNothingToThePicture) {
    const QImage without = render(false);
    EXPECT_NE(without.pixel(80, 60), without.pixel(80, 100));  // the line is there
    EXPECT_EQ(render(true), without);
}
