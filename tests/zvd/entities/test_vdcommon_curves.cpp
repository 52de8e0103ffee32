// zvd tests: the vdcommon curve helpers: arc types of bulges, polar lines, shrinking, extending
// and intersecting curves, parallelism and stretching an arc by one end.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "zgp/arc2d.h"
#include "zgp/line2d.h"
#include "zgp/tolerance.h"
#include "zvd/entities/vdcommon_curves.h"

using zgp::CArc2d;
using zgp::CCurve2d;
using zgp::CLine2d;
using zgp::CRefPtr;
using V = zgp::CVec2<double>;

namespace {

constexpr double kPi = 3.14159265358979323846;

void expectNear(const V& a, const V& b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
}

// The arc about c of radius r from angle a0 to a1, counter-clockwise (sense 1) or clockwise.
CRefPtr<CArc2d> arc(V c, double r, double a0, double a1, int sense) {
    CRefPtr<CArc2d> a(new CArc2d());
    a->Set(c, c + V(std::cos(a0), std::sin(a0)) * r, c + V(std::cos(a1), std::sin(a1)) * r, sense);
    return a;
}

V midPoint(const CCurve2d& c) { return c.GetPoint((c.StartT() + c.EndT()) / 2); }

}  // namespace

TEST(VdCommonCurves, ArcTypesAndPolarLines) {
    const double eps = zgp::g_DistEpsilon;
    const double bulges[] = {-0.5 * eps, -2 * eps, 1.0, 1.0 + 2 * eps, -1.0 - 0.5 * eps, -1.0 - 2 * eps};
    const int types[] = {1, 2, 1, 3, 2, 4};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(vdcommon::getArcType(bulges[i]), types[i]) << bulges[i];
    // Away from the half turn, the type of a kernel arc's bulge is the arc's own type.
    for (double sweep : {0.3, 3.0, 3.3, 6.0})
        for (int sense : {1, -1}) {
            CRefPtr<CArc2d> a = arc(V(1, 2), 3.0, 0.4, 0.4 + sense * sweep, sense);
            EXPECT_EQ(vdcommon::getArcType(a->GetBulge()), a->GetArcType()) << sweep << " " << sense;
        }
    // A negative length runs backwards: the end is origin + length * direction either way.
    CRefPtr<CLine2d> l(vdcommon::getPolarLine(V(1, 1), kPi / 3, 4.0)), back(vdcommon::getPolarLine(V(0, 0), 0, -3));
    expectNear(l->EndPoint(), V(3, 1 + 4.0 * std::sin(kPi / 3)));
    expectNear(back->EndPoint(), V(-3, 0));
}

TEST(VdCommonCurves, ShrinkCutsLinesAndArcsAlongThemselves) {
    CLine2d line(V(0, 0), V(6, 8));
    vdcommon::xLinePortShrink(&line, 1.0, 2.0);
    expectNear(line.StartPoint(), V(0.6, 0.8));
    expectNear(line.EndPoint(), V(4.8, 6.4));
    vdcommon::xLinePortShrink(&line, 4.0, 3.5);  // longer than the line: left alone
    expectNear(line.StartPoint(), V(0.6, 0.8));
    for (int sense : {1, -1}) {
        CRefPtr<CArc2d> a = arc(V(1, 1), 10, 0.0, sense * kPi / 2, sense);
        vdcommon::xLinePortShrink(a.Get(), 1.0, 2.0);
        EXPECT_NEAR(a->Length(), 10 * kPi / 2 - 3.0, 1e-9);
        EXPECT_EQ(a->Sense(), sense);
        expectNear(a->StartPoint(), V(1, 1) + V(std::cos(sense * 0.1), std::sin(sense * 0.1)) * 10);
    }
}

TEST(VdCommonCurves, ExtendIntersectAndParallel) {
    CLine2d line(V(0, 0), V(1, 0));
    vdcommon::ExtentCurve(&line, zgp::CBox2<double>(0, 0, 3, 5));
    expectNear(line.StartPoint(), V(-5, 0));
    expectNear(line.EndPoint(), V(6, 0));
    CRefPtr<CArc2d> quarter = arc(V(0, 0), 2, 0, kPi / 2, 1);
    vdcommon::ExtentCurve(quarter.Get(), zgp::CBox2<double>());
    EXPECT_TRUE(quarter->IsClosed());

    // Carriers crossing at (5, 0), beyond the end of the first segment.
    CLine2d a(V(0, 0), V(2, 0)), b(V(5, -1), V(5, 1));
    std::vector<zgp::CCurvCurvIntPt> out(3);
    EXPECT_EQ(vdcommon::Intersect(&a, false, &b, false, out), 0);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(vdcommon::Intersect(&a, true, &b, false, out), 1);
    expectNear(out[0].point, V(5, 0));
    expectNear(a.EndPoint(), V(2, 0));  // the caller's curve is not extended

    CLine2d opposite(V(3, 5), V(0, 5)), tilted(V(0, 0), V(10, 0.01));
    EXPECT_FALSE(vdcommon::IsParallel(&a, &opposite, 1e-6, 1e-6));
    EXPECT_FALSE(vdcommon::IsParallel(&a, &tilted, 1e-6, 1e-6));
    EXPECT_TRUE(vdcommon::IsParallel(&a, &tilted, 0.01, 1e-6));
    CRefPtr<CArc2d> c1 = arc(V(0, 0), 2, 0, 1, 1), c2 = arc(V(0, 1e-7), 5, 2, 3, -1), c3 = arc(V(0, 1e-3), 5, 0, 1, 1);
    EXPECT_TRUE(vdcommon::IsParallel(c1.Get(), c2.Get(), 1e-6, 1e-6));
    EXPECT_FALSE(vdcommon::IsParallel(c1.Get(), c3.Get(), 1e-6, 1e-6));
    EXPECT_FALSE(vdcommon::IsParallel(&a, c1.Get(), 1, 1));
}

TEST(VdCommonCurves, StretchArcKeepsHeightAndBulgeSide) {
    // Upper half circle of radius 5 from (5, 0) to (-5, 0): height 5, right of its chord.
    CRefPtr<CArc2d> half = arc(V(0, 0), 5, 0, kPi, 1);
    CRefPtr<CCurve2d> moved(vdcommon::stretchArc(half.Get(), V(5, 0), V(1, 0)));
    ASSERT_TRUE(moved);
    expectNear(moved->StartPoint(), V(6, 0));
    expectNear(moved->EndPoint(), V(-5, 0));
    expectNear(midPoint(*moved), V(0.5, 5));
    // A clockwise arc bulging left, and refused drags onto the other end: see the arc grip tests.
    EXPECT_EQ(vdcommon::stretchArc(half.Get(), V(0, 5), V(1, 0)), nullptr);  // not an end
    CLine2d line(V(0, 0), V(1, 0));
    EXPECT_EQ(vdcommon::stretchArc(&line, V(0, 0), V(1, 1)), nullptr);
}
