// CCurve2dMindist on bounded and extended curves against dense sampling, and degenerate input.
#include <gtest/gtest.h>

#include "kernel_test_support.h"

using namespace zgp_test;

namespace {

double BruteDistance(const CCurve2d& c, bool extended, const V& p) {
    double lo = c.StartT(), hi = c.EndT();
    if (extended && c.Type() == GT_LINE) lo = -200.0, hi = 200.0;
    if (auto a = dynamic_cast<const CArc2d*>(&c); extended && a) hi = lo + 2 * kPi * a->Radius();
    if (auto e = dynamic_cast<const CEllipse2d*>(&c); extended && e) hi = lo + 2 * kPi * e->MajorRadius();
    return BruteMin([&](double t) { return c.GetPoint(t).DistanceTo(p); }, lo, hi, 4000);
}

}  // namespace

TEST(MindistRandom, AgreesWithDenseSamplingForEveryKind) {
    std::mt19937_64 rng(4242);
    for (bool extended : {false, true})
        for (int kind : {GT_LINE, GT_ARC, GT_ELLIPSE, GT_NURBS}) {
            int failures = 0;
            for (int i = 0; i < 120; ++i) {
                CRefPtr<CCurve2d> c(RandomCurve(rng, kind));
                CCurve2dMindist md(c.Get(), extended);
                for (int q = 0; q < 3; ++q) {
                    const V p = RandPt(rng, 15);
                    md.SetQueryPoint(p);
                    const double brute = BruteDistance(*c, extended, p);
                    const bool ok = std::abs(md.GetDistance() - brute) <= 1e-7 &&
                                    std::abs(p.DistanceTo(md.GetPoint()) - md.GetDistance()) <= 1e-12 &&
                                    c->GetPoint(md.GetParam()).DistanceTo(md.GetPoint()) <= 1e-9 &&
                                    (extended || c->Range().Contains(md.GetParam()));
                    if (!ok && failures++ == 0)
                        ADD_FAILURE() << "kind " << kind << (extended ? " extended" : "") << ": " << c->AsString()
                                      << " query (" << p.x << ", " << p.y << ") distance " << md.GetDistance()
                                      << " brute " << brute;
                }
            }
            EXPECT_EQ(failures, 0) << "kind " << kind << (extended ? " extended" : "");
        }
}

// On an extension the parameter nearest the stored range is given: 200 degrees is 110 past the end
// of the quarter arc but 160 before its start; 230 degrees is nearer the start.
TEST(MindistExtended, ParameterIsTheOneNearestTheStoredRange) {
    const CArc2d quarter(V(0, 0), 2.0, CInterval<double>(0, kPi), 1);  // t = 2 * angle
    const CLine2d line(V(1, 1), V(3, 1));
    const CEllipse2d ell(V(0, 0), V(0, 1), 3, 1, CInterval<double>(0, 3 * kPi / 2), -1);  // clockwise
    const double deg = kPi / 180;
    struct Case {
        const CCurve2d* c;
        bool extended;
        V q;
        double t, dist;
    } cases[] = {{&quarter, true, V(3, 0).Rotated(45 * deg), 90 * deg, 1},
                 {&quarter, true, V(3, 0).Rotated(100 * deg), 200 * deg, 1},
                 {&quarter, true, V(3, 0).Rotated(-10 * deg), -20 * deg, 1},
                 {&quarter, true, V(3, 0).Rotated(200 * deg), 400 * deg, 1},
                 {&quarter, true, V(3, 0).Rotated(230 * deg), -260 * deg, 1},
                 {&quarter, false, V(3, -1), 0, std::hypot(1.0, 1.0)},
                 {&line, true, V(-4, 5), -5, 4}};
    for (const Case& k : cases) {
        CCurve2dMindist md(k.c, k.extended);
        md.SetQueryPoint(k.q);
        EXPECT_NEAR(md.GetParam(), k.t, 1e-12) << k.q.x << ", " << k.q.y;
        EXPECT_NEAR(md.GetDistance(), k.dist, 1e-12);
    }
    CCurve2dMindist me(&ell, true);  // the point of the full ellipse below the arc lies past its end
    me.SetQueryPoint(V(0, -5));
    EXPECT_TRUE(std::abs(me.GetPoint().y + 3.0) < 1e-12 && std::abs(me.GetDistance() - 2.0) < 1e-12);
}

TEST(MindistDegenerate, AnswersAreDefined) {
    CLine2d dot(V(2, 2), V(2, 2));
    CArc2d zeroArc(V(1, 1), 0.0, CInterval<double>(0, 0), 1), circle(V(0, 0), 2.0, CInterval<double>(0, 4 * kPi), 1);
    CEllipse2d ellipse(V(0, 0), V(1, 0), 3, 2, CInterval<double>(0, 6 * kPi), 1);
    CNurbsCurve2d collapsed(3, 5);  // every control point at the origin
    const CCurve2d* curves[] = {nullptr, &dot, &zeroArc, &circle, &ellipse, &collapsed};
    for (const CCurve2d* c : curves)
        for (bool extended : {false, true})
            for (const V& q : {V(0, 0), V(4, 5), V(NAN, 1)}) {  // the origin: every point of the conics equally near
                CCurve2dMindist md(c, extended);
                md.SetQueryPoint(q);
                EXPECT_TRUE(std::isfinite(md.GetParam()) && Finite(md.GetPoint()) && !std::isnan(md.GetDistance()));
                EXPECT_TRUE(c || std::isinf(md.GetDistance()));
                if (c && Finite(q)) {
                    EXPECT_NEAR(md.GetDistance(), c->GetPoint(md.GetParam()).DistanceTo(q), 1e-12);
                }
            }
}
