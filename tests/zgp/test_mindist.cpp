// Tests of CCurve2dMindist: nearest points of random curves of every kind against dense sampling,
// on the bounded curves and on their extensions, and defined answers for degenerate input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "zgp/zgp.h"

using namespace zgp;
using V = CVec2<double>;

namespace {

constexpr double kPi = 3.14159265358979323846;

double Uni(std::mt19937_64& rng, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
V RandPt(std::mt19937_64& rng, double r) { return V(Uni(rng, -r, r), Uni(rng, -r, r)); }

CCurve2d* RandomCurve(std::mt19937_64& rng, int kind) {
    const int sense = Uni(rng, 0, 1) < 0.5 ? 1 : -1;
    const double t0 = Uni(rng, -10, 10);
    if (kind == GT_LINE) return new CLine2d(RandPt(rng, 10), RandPt(rng, 10));
    if (kind == GT_ARC) {
        const double r = Uni(rng, 0.5, 8);
        return new CArc2d(RandPt(rng, 6), r, CInterval<double>(t0, t0 + Uni(rng, 0.2, 2 * kPi) * r), sense);
    }
    if (kind == GT_ELLIPSE) {
        const double a = Uni(rng, 0.5, 8), b = Uni(rng, 0.2, 8);
        return new CEllipse2d(RandPt(rng, 6), V(1, 0).Rotated(Uni(rng, -kPi, kPi)), a, b,
                              CInterval<double>(t0, t0 + Uni(rng, 0.2, 2 * kPi) * a), sense);
    }
    const int deg = 1 + static_cast<int>(Uni(rng, 0, 3.99)), count = deg + 1 + static_cast<int>(Uni(rng, 0, 4.99));
    auto* n = new CNurbsCurve2d(deg, count);
    for (int i = 0; i < count; ++i) n->SetCtrlPt(i, RandPt(rng, 10), Uni(rng, 0.5, 2.0));
    return n;
}

// The stretch of parameters searched by brute force: the curve's range, or for its extension a
// long stretch of a line or one whole turn of a conic.
CInterval<double> BruteRange(const CCurve2d& c, bool extended) {
    if (!extended) return c.Range();
    if (c.Type() == GT_LINE) return {-200.0, 200.0};
    if (auto a = dynamic_cast<const CArc2d*>(&c)) return {c.StartT(), c.StartT() + 2 * kPi * a->Radius()};
    if (auto e = dynamic_cast<const CEllipse2d*>(&c)) return {c.StartT(), c.StartT() + 2 * kPi * e->MajorRadius()};
    return c.Range();
}

// Dense sampling, then golden-section search between the neighbours of the best sample.
double BruteDistance(const CCurve2d& c, const CInterval<double>& range, const V& p) {
    const int n = 4000;
    auto dist = [&](double t) { return c.GetPoint(t).DistanceTo(p); };
    int best = 0;
    double bestDist = dist(range.low);
    for (int i = 1; i <= n; ++i) {
        const double d = dist(range.low + range.Length() * i / n);
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    double lo = range.low + range.Length() * std::max(best - 1, 0) / n;
    double hi = range.low + range.Length() * std::min(best + 1, n) / n;
    for (int it = 0; it < 100; ++it) {
        const double m1 = lo + (hi - lo) * 0.381966, m2 = hi - (hi - lo) * 0.381966;
        const bool left = dist(m1) < dist(m2);
        (left ? hi : lo) = left ? m2 : m1;
    }
    return std::min(dist(0.5 * (lo + hi)), bestDist);
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
                    const double brute = BruteDistance(*c, BruteRange(*c, extended), p);
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

TEST(MindistExtended, ParameterIsTheOneNearestTheStoredRange) {
    CArc2d quarter;
    quarter.Set(V(0, 0), 2.0, 0.0, kPi / 2);  // t = 2 * angle, range [0, pi]
    CCurve2dMindist md(&quarter, true);
    const double deg = kPi / 180;
    for (double angle : {45.0, 100.0, -10.0, 200.0, 230.0}) {
        md.SetQueryPoint(V(3 * std::cos(angle * deg), 3 * std::sin(angle * deg)));
        // 200 degrees is 110 past the end but 160 before the start; 230 is nearer the start.
        const double expect = (angle == 230.0 ? angle - 360.0 : angle) * deg * 2;
        EXPECT_NEAR(md.GetParam(), expect, 1e-12) << angle;
        EXPECT_NEAR(md.GetDistance(), 1.0, 1e-12);
    }
    CCurve2dMindist bounded(&quarter, false);
    bounded.SetQueryPoint(V(3, -1));
    EXPECT_DOUBLE_EQ(bounded.GetParam(), 0.0);

    CLine2d line(V(1, 1), V(3, 1));
    CCurve2dMindist ml(&line, true);
    ml.SetQueryPoint(V(-4, 5));
    EXPECT_DOUBLE_EQ(ml.GetParam(), -5.0);
    EXPECT_DOUBLE_EQ(ml.GetDistance(), 4.0);

    // A clockwise ellipse arc: the point of the full ellipse below it is found past its end.
    CEllipse2d ell(V(0, 0), V(0, 1), 3, 1, CInterval<double>(0, 3 * kPi / 2), -1);
    CCurve2dMindist me(&ell, true);
    me.SetQueryPoint(V(0, -5));
    EXPECT_NEAR(me.GetPoint().y, -3.0, 1e-12);
    EXPECT_NEAR(me.GetDistance(), 2.0, 1e-12);
}

TEST(MindistDegenerate, AnswersAreDefined) {
    auto finite = [](const CCurve2dMindist& m) {
        return std::isfinite(m.GetParam()) && std::isfinite(m.GetPoint().x) && std::isfinite(m.GetPoint().y) &&
               !std::isnan(m.GetDistance());
    };
    CCurve2dMindist none(nullptr, true);
    none.SetQueryPoint(V(1, 2));
    EXPECT_TRUE(finite(none));
    EXPECT_TRUE(std::isinf(none.GetDistance()));

    CLine2d dot(V(2, 2), V(2, 2));
    CArc2d zeroArc(V(1, 1), 0.0, CInterval<double>(0, 0), 1);
    CArc2d circle(V(0, 0), 2.0, CInterval<double>(0, 4 * kPi), 1);
    CEllipse2d ellipse(V(0, 0), V(1, 0), 3, 2, CInterval<double>(0, 6 * kPi), 1);
    CNurbsCurve2d collapsed(3, 5);  // every control point at the origin
    const CCurve2d* curves[] = {&dot, &zeroArc, &circle, &ellipse, &collapsed};
    for (const CCurve2d* c : curves)
        for (bool extended : {false, true}) {
            CCurve2dMindist md(c, extended);
            md.SetQueryPoint(V(0, 0));  // the centre of the conics: every point equally near
            EXPECT_TRUE(finite(md)) << c->AsString();
            EXPECT_NEAR(md.GetDistance(), c->GetPoint(md.GetParam()).Length(), 1e-12);
            md.SetQueryPoint(V(std::nan(""), 1));
            EXPECT_TRUE(finite(md));
        }
    CCurve2dMindist mz(&zeroArc, true);
    mz.SetQueryPoint(V(4, 5));
    EXPECT_DOUBLE_EQ(mz.GetDistance(), 5.0);
}
