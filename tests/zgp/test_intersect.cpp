// CCurvCurvIntersector: random pairs against polyline brute force, then the hard cases one by one.
#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <stdexcept>
#include <string>

#include "kernel_test_support.h"

using namespace zgp_test;
using Pts = std::vector<CCurvCurvIntPt>;

namespace {

CCurve2d* Extended(const CCurve2d& c) {
    if (auto l = dynamic_cast<const CLine2d*>(&c)) return new CLine2d(l->Origin(), l->Direction(), {-80.0, 80.0});
    if (auto a = dynamic_cast<const CArc2d*>(&c))
        return new CArc2d(a->CenterPt(), a->Radius(), {a->StartT(), a->StartT() + 2 * kPi * a->Radius()}, a->Sense());
    if (auto e = dynamic_cast<const CEllipse2d*>(&c))
        return new CEllipse2d(e->CenterPt(), e->Axis(), e->MajorRadius(), e->MinorRadius(),
                              {e->StartT(), e->StartT() + 2 * kPi * e->MajorRadius()}, e->Sense());
    return c.Clone();
}

struct SBrute {
    V p;
    double t1, t2, sinAngle;
};

bool Refine(const CCurve2d& a, const CCurve2d& b, double& t1, double& t2) {
    for (int it = 0; it < 60; ++it) {
        const V f = a.GetPoint(t1) - b.GetPoint(t2), da = a.GetDeriv1(t1), db = b.GetDeriv1(t2);
        if (f.Length() < 1e-13) return true;
        const double det = db.Cross(da);
        if (std::abs(det) < 1e-300) return false;
        t1 = std::clamp(t1 + (f.x * db.y - db.x * f.y) / det, a.StartT(), a.EndT());
        t2 = std::clamp(t2 + (f.x * da.y - da.x * f.y) / det, b.StartT(), b.EndT());
    }
    return (a.GetPoint(t1) - b.GetPoint(t2)).Length() < 1e-10;
}

std::vector<SBrute> BruteForce(const CCurve2d& a, const CCurve2d& b) {
    const int n = 2048, chunk = 32;  // 2048 pieces, boxed 32 at a time
    struct Samples {
        std::vector<double> t;
        std::vector<V> p;
        std::vector<CBox2<double>> box = std::vector<CBox2<double>>(n / chunk);
    } sa, sb;
    for (auto [c, s] : {std::make_pair(&a, &sa), std::make_pair(&b, &sb)})
        for (int i = 0; i <= n; ++i) {
            s->t.push_back(c->StartT() + (c->EndT() - c->StartT()) * i / n);
            s->p.push_back(c->GetPoint(s->t.back()));
            if (i < n) s->box[i / chunk].Add(s->p.back());
            if (i > 0) s->box[(i - 1) / chunk].Add(s->p.back());
        }
    std::vector<SBrute> found;
    for (int ca = 0; ca < n / chunk; ++ca)
        for (int cb = 0; cb < n / chunk; ++cb) {
            if (!sa.box[ca].Overlaps(sb.box[cb], 1e-9)) continue;
            for (int i = ca * chunk; i < (ca + 1) * chunk; ++i)
                for (int j = cb * chunk; j < (cb + 1) * chunk; ++j) {
                    const V e1 = sa.p[i + 1] - sa.p[i], e2 = sb.p[j + 1] - sb.p[j], w = sb.p[j] - sa.p[i];
                    const double cr = e1.Cross(e2), s = w.Cross(e2) / cr, r = w.Cross(e1) / cr;
                    if (cr == 0.0 || s < 0 || s > 1 || r < 0 || r > 1) continue;
                    double t1 = sa.t[i] + s * (sa.t[i + 1] - sa.t[i]), t2 = sb.t[j] + r * (sb.t[j + 1] - sb.t[j]);
                    if (!Refine(a, b, t1, t2)) continue;
                    const V p = a.GetPoint(t1);
                    if (std::any_of(found.begin(), found.end(),
                                    [&](const SBrute& f) { return f.p.DistanceTo(p) < 1e-7; }))
                        continue;
                    found.push_back(
                        {p, t1, t2, std::abs(a.GetDeriv1(t1).Normalized().Cross(b.GetDeriv1(t2).Normalized()))});
                }
        }
    return found;
}

std::string CheckPair(const CCurve2d& a, const CCurve2d& b, bool ext) {
    CCurvCurvIntersector isect;
    Pts res;
    const int count = ext ? isect.IntersectEx(a, b, res) : isect.Intersect(a, b, res);
    std::ostringstream why;
    if (count != static_cast<int>(res.size())) why << "count differs from output size; ";
    for (size_t i = 0; i < res.size(); ++i) {
        const CCurvCurvIntPt& r = res[i];
        // Points exact up to rounding, except where the tolerance was used (touches, clamped ends).
        const bool atEnd = r.t1 == a.StartT() || r.t1 == a.EndT() || r.t2 == b.StartT() || r.t2 == b.EndT();
        const double eps = (r.kind == 0 && !atEnd) ? 1e-9 * 20 : 2e-6;
        if (a.GetPoint(r.t1).DistanceTo(r.point) > eps || b.GetPoint(r.t2).DistanceTo(r.point) > eps)
            why << "point " << i << " off its parameters; ";
        if (!ext && (!a.Range().Contains(r.t1) || !b.Range().Contains(r.t2))) why << "parameter out of range; ";
        if (i > 0 && res[i - 1].t1 > r.t1) why << "not sorted; ";
        for (size_t j = 0; j < i; ++j)
            if (r.kind != 2 && res[j].kind != 2 && res[j].point.DistanceTo(r.point) <= g_DistEpsilon)
                why << "duplicate; ";
    }
    CRefPtr<CCurve2d> ea(ext ? Extended(a) : a.Clone()), eb(ext ? Extended(b) : b.Clone());
    const std::vector<SBrute> brute = BruteForce(*ea, *eb);
    for (const SBrute& f : brute) {
        // Near-tangent crossings and clusters are ambiguous for the polyline method.
        if (f.sinAngle < 0.02) continue;
        if (std::count_if(brute.begin(), brute.end(), [&](const SBrute& g) { return g.p.DistanceTo(f.p) < 1e-4; }) > 1)
            continue;
        if (std::none_of(res.begin(), res.end(),
                         [&](const CCurvCurvIntPt& r) { return r.point.DistanceTo(f.p) < 1e-7; }))
            why << "missed (" << f.p.x << ", " << f.p.y << "); ";
    }
    if (why.str().empty()) return "";
    return why.str() + "\n  a = " + a.AsString() + "\n  b = " + b.AsString();
}

void RandomPairs(bool ext, int perPair, unsigned seed) {
    std::mt19937_64 rng(seed);
    const int kinds[] = {GT_LINE, GT_ARC, GT_ELLIPSE, GT_NURBS};
    for (int ka : kinds)
        for (int kb : kinds) {
            int failures = 0;
            std::string first;
            for (int i = 0; i < perPair; ++i) {
                CRefPtr<CCurve2d> a(RandomCurve(rng, ka)), b(RandomCurve(rng, kb));
                const std::string why = CheckPair(*a, *b, ext);
                if (!why.empty() && failures++ == 0) first = why;
            }
            EXPECT_EQ(failures, 0) << "kinds " << ka << "/" << kb << ": " << first;
        }
}

Pts Meet(const CCurve2d& a, const CCurve2d& b, bool ext = false) {
    Pts out;
    CCurvCurvIntersector isect;
    ext ? isect.IntersectEx(a, b, out) : isect.Intersect(a, b, out);
    return out;
}

std::vector<int> Kinds(const Pts& r) {
    std::vector<int> k;
    for (const CCurvCurvIntPt& p : r) k.push_back(p.kind);
    return k;
}
using K = std::vector<int>;

CArc2d Circle(V c, double r) { return CArc2d(c, r, CInterval<double>(0, 2 * kPi * r), 1); }
CArc2d ArcDeg(V c, double r, double a0, double a1) {
    CArc2d arc;
    arc.Set(c, r, a0 * kPi / 180, a1 * kPi / 180);
    return arc;
}

}  // namespace

TEST(IntersectRandom, BoundedPairsAgreeWithBruteForce) { RandomPairs(false, 120, 20240601); }
TEST(IntersectRandom, ExtendedPairsAgreeWithBruteForce) { RandomPairs(true, 40, 777); }

// A tangent line or outside circle at a random point of a curved arc, exactly or within tol: one touch.
TEST(IntersectRandom, ConstructedTangenciesAreSingleTouches) {
    std::mt19937_64 rng(31337);
    int tried = 0;
    for (int i = 0; tried < 600 && i < 5000; ++i) {
        const int kinds[3] = {GT_ARC, GT_ELLIPSE, GT_NURBS};
        CRefPtr<CCurve2d> a(RandomCurve(rng, kinds[i % 3]));
        const double t = a->StartT() + (a->EndT() - a->StartT()) * Uni(rng, 0.05, 0.95);
        const V p = a->GetPoint(t), d1 = a->GetDeriv1(t), d2 = a->GetDeriv2(t);
        const double speed = d1.Length(), curvature = d1.Cross(d2) / (speed * speed * speed);
        if (!(std::abs(curvature) > 0.05)) continue;  // nearly straight: a tangent line may cross
        ++tried;
        const V out = d1.Perp().Normalized() * (curvature > 0 ? -1.0 : 1.0);  // away from the centre of curvature
        const double gap = Uni(rng, 0, 1) < 0.3 ? 0.0 : Uni(rng, 0, 5e-7), r = Uni(rng, 0.2, 3);
        const V along = d1 / speed * 4.0;
        CRefPtr<CCurve2d> b(i % 2 ? static_cast<CCurve2d*>(new CLine2d(p + out * gap - along, p + out * gap + along))
                                  : static_cast<CCurve2d*>(new CArc2d(Circle(p + out * (r + gap), r))));
        const Pts res = Meet(*a, *b);
        const auto near = std::count_if(res.begin(), res.end(), [&](const CCurvCurvIntPt& q) {
            return q.point.DistanceTo(p) < 1e-3 && std::abs(q.t1 - t) < 1e-3 * (a->EndT() - a->StartT());
        });
        const auto touch =
            std::find_if(res.begin(), res.end(), [&](const CCurvCurvIntPt& q) { return q.point.DistanceTo(p) < 1e-5; });
        ASSERT_TRUE(near == 1 && touch != res.end() && touch->kind == 1) << a->AsString() << "\n" << b->AsString();
    }
    EXPECT_EQ(tried, 600);
}

// Overlap pairs of two pieces of one curve cover exactly the samples of the first on the second.
TEST(IntersectRandom, OverlapsOfOneCurveMatchSampling) {
    std::mt19937_64 rng(2718);
    for (int i = 0; i < 300; ++i) {
        const V c = RandPt(rng, 5), axis = V(1, 0).Rotated(Uni(rng, -kPi, kPi));
        const double a = Uni(rng, 1, 6), b = Uni(rng, 1, 6);
        auto piece = [&]() -> CCurve2d* {
            const int sense = Uni(rng, 0, 1) < 0.5 ? 1 : -1;
            const double t0 = Uni(rng, -20, 20), sweep = Uni(rng, 0, 1) < 0.2 ? 2 * kPi : Uni(rng, 0.3, 2 * kPi);
            if (i % 3 == 0) return new CArc2d(c, a, CInterval<double>(t0, t0 + sweep * a), sense);
            if (i % 3 == 1) return new CEllipse2d(c, axis, a, b, CInterval<double>(t0, t0 + sweep * a), sense);
            return new CLine2d(c + axis * Uni(rng, -5, 5), c + axis * Uni(rng, -5, 5));
        };
        CRefPtr<CCurve2d> first(piece()), second(piece());
        if (i % 2) second.Reset(second->NurbsCurve());
        const Pts res = Meet(*first, *second);
        std::vector<std::pair<double, double>> spans;
        for (size_t k = 0; k + 1 < res.size(); ++k)
            if (res[k].kind == 2 && res[k + 1].kind == 2) spans.push_back({res[k].t1, res[k + 1].t1}), ++k;
        CCurve2dMindist onSecond(second.Get());
        const double step = (first->EndT() - first->StartT()) / 600;
        for (int k = 0; k <= 600; ++k) {
            const double t = first->StartT() + step * k;
            onSecond.SetQueryPoint(first->GetPoint(t));
            const bool on = onSecond.GetDistance() < 1e-9;
            bool inside = false, nearEnd = false;
            for (const auto& [s0, s1] : spans) {
                inside = inside || (t > s0 + 1.5 * step && t < s1 - 1.5 * step);
                nearEnd = nearEnd || std::abs(t - s0) <= 1.5 * step || std::abs(t - s1) <= 1.5 * step;
            }
            // A lone sample on the second curve is an end touching it, not an overlap.
            if (nearEnd || (on && spans.empty() && !res.empty())) continue;
            ASSERT_EQ(on, inside) << "t = " << t << "\n" << first->AsString() << "\n" << second->AsString();
        }
    }
}

TEST(IntersectLines, CrossingTouchingAndParallel) {
    Pts r = Meet(CLine2d(V(0, 0), V(4, 4)), CLine2d(V(0, 4), V(4, 0)));
    ASSERT_EQ(Kinds(r), K{0});
    EXPECT_NEAR(r[0].t1, std::sqrt(8.0), 1e-12);
    // T junction: an end on the other's interior, and an end just short by less than the tolerance.
    EXPECT_EQ(Meet(CLine2d(V(0, 0), V(0, 2)), CLine2d(V(-1, 2), V(1, 2))).size(), 1u);
    r = Meet(CLine2d(V(0, 0), V(0, 2 - 5e-7)), CLine2d(V(-1, 2), V(1, 2)));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0].t1, 2 - 5e-7);
    EXPECT_TRUE(Meet(CLine2d(V(0, 0), V(0, 2 - 1e-5)), CLine2d(V(-1, 2), V(1, 2))).empty());
    // Shallow crossing just past an end: the end lies within the tolerance of the other line.
    r = Meet(CLine2d(V(0, 0), V(10, 0)), CLine2d(V(0, -1.05e-5), V(20, 9.5e-6)));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0].t1, 10.0);
    EXPECT_TRUE(Meet(CLine2d(V(0, 0), V(4, 0)), CLine2d(V(0, 1), V(4, 1))).empty());
    r = Meet(CLine2d(V(0, 0), V(1, 0)), CLine2d(V(5, 1), V(5, 2)), true);  // extensions cross far away
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(std::abs(r[0].t1 - 5.0) < 1e-12 && std::abs(r[0].t2 + 1.0) < 1e-12);
}

TEST(IntersectLines, CollinearOverlapAndEndToEnd) {
    Pts r = Meet(CLine2d(V(0, 0), V(4, 0)), CLine2d(V(6, 0), V(2, 0)));
    ASSERT_EQ(Kinds(r), (K{2, 2}));
    EXPECT_TRUE(std::abs(r[0].t1 - 2) < 1e-12 && std::abs(r[0].t2 - 4) < 1e-12);
    EXPECT_TRUE(std::abs(r[1].t1 - 4) < 1e-12 && std::abs(r[1].t2 - 2) < 1e-12);
    EXPECT_EQ(Kinds(Meet(CLine2d(V(0, 0), V(4, 0)), CLine2d(V(4, 0), V(9, 0)))), K{1});
    EXPECT_TRUE(Meet(CLine2d(V(0, 0), V(4, 0)), CLine2d(V(5, 0), V(9, 0))).empty());
    EXPECT_EQ(Meet(CLine2d(V(0, 0), V(4, 0)), CLine2d(V(5, 0), V(9, 0)), true).size(), 2u);
    Pts reused(5);  // the output is replaced, not appended to
    EXPECT_EQ(CCurvCurvIntersector().Intersect(CLine2d(V(0, 0), V(4, 0)), CLine2d(V(1, 0), V(3, 0)), reused), 2);
    EXPECT_EQ(reused.size(), 2u);
}

TEST(IntersectLineArc, SecantNearMissAndArcEnds) {
    const CArc2d circle = Circle(V(0, 0), 2);
    EXPECT_EQ(Meet(CLine2d(V(-5, 1), V(5, 1)), circle).size(), 2u);
    EXPECT_TRUE(Meet(CLine2d(V(-5, 2.01), V(5, 2.01)), circle).empty());
    EXPECT_EQ(Meet(CLine2d(V(1, -5), V(1, 5)), ArcDeg(V(0, 0), 2, 0, 180)).size(), 1u);
    const CArc2d quarter = ArcDeg(V(0, 0), 1, 0, 90);  // ends at (0, 1), t = pi / 2
    // The crossing lies 5e-7 past the end: reported at the end.
    Pts r = Meet(CLine2d(V(-5e-7, 0), V(-5e-7, 3)), quarter);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0].t2, kPi / 2);
    // A shallow line passing 4e-7 above the end crosses the circle 4e-5 past it: the end touches.
    r = Meet(quarter, CLine2d(V(-1, 1 + 4e-7 - 0.01), V(1, 1 + 4e-7 + 0.01)));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0].t1, kPi / 2);
    EXPECT_TRUE(Meet(quarter, CLine2d(V(-1, 1 + 4e-6 - 0.01), V(1, 1 + 4e-6 + 0.01))).empty());
}

TEST(IntersectArcs, TangentCirclesTouchOnce) {
    const CArc2d c1 = Circle(V(0, 0), 2);
    for (const CArc2d& c2 : {Circle(V(5, 0), 3), Circle(V(1, 0), 1), Circle(V(-1, 0), 3), Circle(V(5 + 4e-7, 0), 3)}) {
        const Pts r = Meet(c1, c2);
        ASSERT_EQ(Kinds(r), K{1}) << c2.AsString();
        EXPECT_LT(r[0].point.DistanceTo(V(std::copysign(2.0, r[0].point.x), 0)), 1e-6);
    }
    EXPECT_EQ(Meet(c1, Circle(V(3, 0), 2)).size(), 2u);
    EXPECT_TRUE(Meet(c1, Circle(V(5.01, 0), 3)).empty() && Meet(c1, Circle(V(0.5, 0), 1)).empty());
}

TEST(IntersectArcs, CoincidentArcsOverlap) {
    Pts r = Meet(ArcDeg(V(1, 1), 2, 0, 90), ArcDeg(V(1, 1), 2, 45, 180));
    ASSERT_EQ(Kinds(r), (K{2, 2}));
    EXPECT_TRUE(std::abs(r[0].t1 - kPi / 2) < 1e-9 && std::abs(r[0].t2 - kPi / 2) < 1e-9);  // 45 degrees at r 2
    EXPECT_TRUE(std::abs(r[1].t1 - kPi) < 1e-9 && std::abs(r[1].t2 - kPi) < 1e-9);
    CArc2d cw = ArcDeg(V(1, 1), 2, 45, 180);
    cw.Reverse();
    EXPECT_EQ(Meet(ArcDeg(V(1, 1), 2, 0, 90), cw).size(), 2u);
    EXPECT_TRUE(Meet(ArcDeg(V(1, 1), 2, 0, 90), ArcDeg(V(1, 1), 2, 100, 180)).empty());
    EXPECT_EQ(Kinds(Meet(ArcDeg(V(1, 1), 2, 0, 90), ArcDeg(V(1, 1), 2, 90, 180))), K{1});  // end to end
    // An arc over the seam of a full circle: each stretch of t1 comes as its own pair.
    r = Meet(Circle(V(0, 0), 1), ArcDeg(V(0, 0), 1, -30, 30));
    ASSERT_EQ(r.size(), 4u);
    const double seam[4] = {0.0, kPi / 6, 2 * kPi - kPi / 6, 2 * kPi};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(r[i].t1, seam[i], 1e-9);
    EXPECT_EQ(Kinds(Meet(Circle(V(0, 0), 1), Circle(V(0, 0), 1))), (K{2, 2}));
    // Extended, any two arcs of one circle overlap over one whole turn of the first.
    r = Meet(ArcDeg(V(1, 1), 2, 0, 90), ArcDeg(V(1, 1), 2, 100, 180), true);
    ASSERT_EQ(Kinds(r), (K{2, 2}));
    EXPECT_TRUE(std::abs(r[0].t1) < 1e-12 && std::abs(r[1].t1 - 4 * kPi) < 1e-12);
}

TEST(IntersectConics, EllipseOverlapAndTangency) {
    const CEllipse2d e1(V(0, 0), V(1, 1), 4, 2, CInterval<double>(0, kPi * 4), 1);
    const CEllipse2d e2(V(0, 0), V(1, 1), 4, 2, CInterval<double>(kPi * 2, kPi * 6), 1);
    Pts r = Meet(e1, e2);
    ASSERT_EQ(Kinds(r), (K{2, 2}));
    EXPECT_TRUE(std::abs(r[0].t1 - kPi * 2) < 1e-9 && std::abs(r[1].t1 - kPi * 4) < 1e-9);
    EXPECT_EQ(Kinds(Meet(*CRefPtr<CNurbsCurve2d>(e1.NurbsCurve()), e2)), (K{2, 2}));
    // A circle inside the ellipse touching both ends of its minor axis.
    const CEllipse2d flat(V(0, 0), V(1, 0), 4, 2, CInterval<double>(0, 8 * kPi), 1);
    EXPECT_EQ(Kinds(Meet(flat, Circle(V(0, 0), 2))), (K{1, 1}));
    // A clockwise ellipse missing the first by less than the tolerance touches its top.
    r = Meet(flat, CEllipse2d(V(0, 3 + 5e-7), V(1, 0), 2, 1, CInterval<double>(0, 4 * kPi), -1));
    ASSERT_EQ(Kinds(r), K{1});
    EXPECT_NEAR(r[0].t1, 2 * kPi, 1e-5);
}

TEST(IntersectNurbs, NearTouchOfTwoSplines) {
    CRefPtr<CNurbsCurve2d> circle(Circle(V(0, 0), 2).NurbsCurve()), other(Circle(V(3 + 4e-7, 0), 1).NurbsCurve());
    const Pts r = Meet(*circle, *other);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].kind, 1);
    EXPECT_NEAR(r[0].point.x, 2.0, 1e-5);
    EXPECT_TRUE(Meet(*circle, CLine2d(V(-3, 2.001), V(3, 2.001))).empty());
}

TEST(IntersectNurbs, SharedInteriorSpanIsOneOverlap) {
    // Cubic B-splines sharing their four middle control points share the span [1/3, 2/3], no end on the other.
    CNurbsCurve2d a(3, 6), b(3, 6);
    const V pa[6] = {V(-5, 3), V(-3, -1), V(-1, 2), V(1, -2), V(3, 1), V(5, -3)};
    const V pb[6] = {V(-5, -4), V(-3, -1), V(-1, 2), V(1, -2), V(3, 1), V(4, 6)};
    for (int i = 0; i < 6; ++i) {
        a.SetCtrlPt(i, pa[i]);
        b.SetCtrlPt(i, pb[i]);
    }
    const Pts r = Meet(a, b);
    ASSERT_EQ(Kinds(r), (K{2, 2}));
    // The stretch reaches a little past the shared span, as far as the curves stay within 1e-6.
    EXPECT_TRUE(r[0].t1 < 1.0 / 3 && r[0].t1 > 1.0 / 3 - 0.01) << r[0].t1;
    EXPECT_TRUE(r[1].t1 > 2.0 / 3 && r[1].t1 < 2.0 / 3 + 0.01) << r[1].t1;
}

TEST(IntersectDegenerate, PointLikeCurvesAndBrokenData) {
    const CLine2d dot(V(1, 0), V(1, 0));
    const CArc2d zeroArc(V(0, 2), 0.0, CInterval<double>(0, 0), 1);
    const CLine2d line(V(-3, 0), V(3, 0));
    Pts r = Meet(dot, line);
    ASSERT_EQ(Kinds(r), K{1});
    EXPECT_NEAR(r[0].t2, 4.0, 1e-12);
    EXPECT_TRUE(Meet(zeroArc, line).empty());
    r = Meet(Circle(V(0, 0), 2), zeroArc);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(std::isfinite(r[0].t1) && std::isfinite(r[0].t2));
    EXPECT_EQ(Meet(dot, CLine2d(V(1, 0), V(1, 0))).size(), 1u);
    // Broken data (the centre setter does not check) finds nothing rather than NaN points.
    for (double bad : {std::nan(""), HUGE_VAL}) {
        CArc2d arc(V(0, 0), 1, CInterval<double>(0, 1), 1);
        arc.SetCenterPt(V(bad, 0));
        CEllipse2d ell(V(0, 0), V(1, 0), 2, 1, CInterval<double>(0, 4), 1);
        ell.SetCenterPt(V(0, bad));
        EXPECT_TRUE(Meet(arc, line).empty());
        EXPECT_TRUE(Meet(line, ell, true).empty());
        EXPECT_TRUE(Meet(arc, ell).empty());
        EXPECT_TRUE(Meet(CNurbsCurve2d(2, 4), arc, true).empty());
    }
}

// An unknown curve kind that throws: out of memory is "nothing found", any other exception reaches the caller.
struct Fault : std::logic_error {
    Fault() : std::logic_error("fault") {}
};
template <class Error>
struct ThrowingCurve : CLine2d {
    ThrowingCurve() : CLine2d(V(-1, -1), V(1, 1)) {}
    int Type() const override { return 99; }
    V GetPoint(double) const override { throw Error(); }
};

TEST(IntersectDegenerate, OnlyAllocationFailureIsAbsorbed) {
    CCurvCurvIntersector isect;
    Pts out(3);
    EXPECT_EQ(isect.Intersect(ThrowingCurve<std::bad_alloc>(), Circle(V(0, 0), 1), out), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_THROW(isect.Intersect(ThrowingCurve<Fault>(), Circle(V(0, 0), 1), out), std::logic_error);
}
