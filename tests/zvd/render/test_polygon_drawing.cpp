// zvd tests: a polygon paints nothing of its own (hosts show areas through hatches): a drawing with
// filled and hollow polygons, a hole and a selected polygon with selected curves looks exactly
// like the same drawing without them, normal and elastic.
#include <gtest/gtest.h>

#include <memory>

#include <QImage>

#include "render/reference_image.h"
#include "zvd/entities/zvdpolygon.h"

using reftest::V;

namespace {

zgp::CLoop* square(V c, double r, bool clockwise) {
    auto* loop = new zgp::CLoop;
    const V q[4] = {c + V(-r, -r), c + V(r, -r), c + V(r, r), c + V(-r, r)};
    for (int k = 0; k < 4; ++k) {
        const int a = clockwise ? 4 - k : k, b = clockwise ? 3 - k : k + 1;
        loop->AddCurve(new zgp::CLine2d(q[a % 4], q[b % 4]), false);
    }
    return loop;
}

ZVDPolygon* polygon(std::initializer_list<zgp::CLoop*> loops, EnBrushStyle fill) {
    auto* shape = new zgp::CPolygon;
    for (zgp::CLoop* loop : loops) shape->AddLoop(loop, true);
    auto* item = new ZVDPolygon;
    item->setPolygon(shape);
    item->setFillStyle(fill);
    item->setColor(0x0000FF);
    return item;
}

QImage render(bool withPolygons) {
    return reftest::renderDrawing(160, 120, [&](ZVectorDrawing& d) {
        d.add(reftest::line(V(10, 60), V(150, 60)));
        if (!withPolygons) return;
        d.add(polygon({square(V(40, 60), 25, false)}, bsSolid));
        d.add(polygon({square(V(110, 60), 30, false), square(V(110, 60), 10, true)}, bsDiagCross));
        ZVDPolygon* chosen = polygon({square(V(80, 30), 15, false)}, bsClear);
        d.add(chosen);
        d.selSet()->add(chosen, false);
        chosen->setCurveSelectedState(1, true);
        chosen->setCurveSelectedState(2, true);
    });
}

}  // namespace

TEST(PolygonDrawing, PolygonsAddNothingToThePicture) {
    const QImage without = render(false);
    EXPECT_NE(without.pixel(80, 60), without.pixel(80, 100));  // the line is there
    EXPECT_EQ(render(true), without);

    // Dragged (elastic) as a host draws an item under the cursor.
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(0xFFD0D0D0);
    const QImage blank = image;
    HDC dc = createRasterDC(&image);
    ZCoordTrans ct;
    std::unique_ptr<ZVDPolygon> dragged(polygon({square(V(40, 60), 25, false)}, bsSolid));
    dragged->draw(dc, ct, true, -1);
    destroyDC(dc);
    EXPECT_EQ(image, blank);
}
