// zvd tests: reference picture of polylines with arcs and of splines, marked, normal and selected.
#include <gtest/gtest.h>

#include <QImage>

#include "render/reference_image.h"
#include "zgp/line2d.h"
#include "zvd/entities/zvdpolyline.h"
#include "zvd/entities/zvdspline.h"

using namespace reftest;
using zgp::CArc2d;

namespace {

const int kWidth = 640;
const int kHeight = 520;

struct Pt {
    double x, y, w;
};

// A line along, an arc of the given type and radius over a chord of 60, and a line up, from (x, y).
ZVDPolyline* hook(double x, double y, CArc2d::ArcType type, double radius) {
    zgp::CRefPtr<zgp::CLoop> loop(new zgp::CLoop());
    loop->AddCurve(new zgp::CLine2d(V(x, y), V(x + 80, y)), false);
    loop->AddCurve(new CArc2d(V(x + 80, y), V(x + 140, y), radius, type), false);
    loop->AddCurve(new zgp::CLine2d(V(x + 140, y), V(x + 140, y + 60)), false);
    auto* p = new ZVDPolyline();
    p->setPolyline(*loop);
    return p;
}

ZVDSpline* spline(int degree, const std::vector<Pt>& points, double x, double y) {
    zgp::CRefPtr<zgp::CNurbsCurve2d> c(new zgp::CNurbsCurve2d(degree, int(points.size())));
    for (size_t i = 0; i < points.size(); ++i) c->SetCtrlPt(int(i), V(x + points[i].x, y + points[i].y), points[i].w);
    auto* s = new ZVDSpline();
    s->set(c.Get());
    return s;
}

const std::vector<Pt> kWave2 = {{0, 0, 1}, {40, 120, 1}, {100, -20, 1}, {160, 100, 1}};
const std::vector<Pt> kWave3 = {{0, 0, 1}, {30, 110, 1}, {90, 110, 1}, {110, 0, 1}, {170, 60, 1}};
// A quarter circle of radius 80 (centre (80, 0)) as a rational quadratic.
const std::vector<Pt> kRational = {{0, 0, 1}, {0, 80, 0.70710678118654757}, {80, 80, 1}};

void buildScene(ZVectorDrawing& d) {
    // Row 1, plain polylines: small arcs both ways, a large one, and a selected one.
    add(d, styled(hook(20, 430, CArc2d::CCW_SMALL, 30), 0x000000, 1));
    add(d, styled(hook(220, 410, CArc2d::CW_SMALL, 40), 0x008000, 3));
    add(d, styled(hook(420, 430, CArc2d::CCW_LARGE, 35), 0x0000C0, 1), true);
    // Row 2, marked polylines: arrow and dot, tick and hook, and a selected one with arrows.
    add(d, styled(hook(20, 300, CArc2d::CW_LARGE, 35), 0x800080, 1, psSolid, {msArrow, 12, msDot, 8}));
    add(d, styled(hook(220, 300, CArc2d::CCW_SMALL, 30), 0x806000, 2, psSolid, {msTick, 10, msHook, 10}));
    add(d, styled(hook(420, 300, CArc2d::CW_SMALL, 45), 0x000000, 1, psSolid, {msArrow, 12, msArrow, 12}), true);
    // Row 3, splines: degree 2, degree 3, rational; then the same marked, the last two selected.
    add(d, styled(spline(2, kWave2, 20, 140), 0x000000, 1));
    add(d, styled(spline(3, kWave3, 230, 140), 0x008000, 2));
    add(d, styled(spline(2, kRational, 480, 140), 0xC00000, 1));
    add(d, styled(spline(3, kWave3, 20, 15), 0x0000C0, 1, psSolid, {msArrow, 12, msDot, 8}), false);
    add(d, styled(spline(2, kWave2, 230, 15), 0x000000, 1), true);
    add(d, styled(spline(2, kRational, 480, 15), 0x806000, 2, psSolid, {msSlash, 10, msArrow, 12}), true);
}

QImage renderScene() {
    return reftest::renderDrawing(kWidth, kHeight, [](ZVectorDrawing& d) {
        d.setDrawingWidth(630);
        d.setDrawingHeight(510);
        buildScene(d);
    });
}

}  // namespace

TEST(PolylineReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderScene(), QStringLiteral("polylines.png"));
}
