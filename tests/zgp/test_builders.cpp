// Curve and loop builders and curve discretisation, against brute-force sampling.
#include <gtest/gtest.h>

#include "kernel_test_support.h"

using namespace zgp_test;

namespace {

struct Rng {
    std::mt19937_64 gen;
    explicit Rng(unsigned seed) : gen(seed) {}
    double U(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); }
    V P(double r) { return V(U(-r, r), U(-r, r)); }
    int I(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }
};

// Lines, arcs and ellipse arcs of at most 3/4 turn, and x-monotone (never self-crossing) NURBS.
CCurve2d* RandomCurve(Rng& r, int kind) {
    const int sense = r.I(0, 1) ? 1 : -1;
    if (kind % 4 == 0) return new CLine2d(r.P(20), r.P(20));
    if (kind % 4 == 1) {
        const double rad = r.U(1, 10), a0 = r.U(-kPi, kPi), sweep = r.U(0.3, 1.5 * kPi);
        return new CArc2d(r.P(20), rad, CInterval<double>(a0 * rad, (a0 + sweep) * rad), sense);
    }
    if (kind % 4 == 2) {
        const double a = r.U(2, 10), b = r.U(1, a), s0 = r.U(-10, 10);
        return new CEllipse2d(r.P(20), V(r.U(-1, 1), r.U(0.1, 1)), a, b,
                              CInterval<double>(s0, s0 + r.U(0.5, 1.5 * kPi) * a), sense);
    }
    const int deg = r.I(2, 3), n = r.I(deg + 1, 7);
    auto* c = new CNurbsCurve2d(deg, n);
    for (int i = 0; i < n; ++i) c->SetCtrlPt(i, V(3.0 * i + r.U(0, 2), r.U(-3, 3)), r.U(0.5, 2));
    return c;
}

double MinCurvatureRadius(const CCurve2d& c) {
    double best = INFINITY;
    for (int i = 0; i <= 2000; ++i) {
        const double t = c.StartT() + (c.EndT() - c.StartT()) * i / 2000;
        const V d1 = c.GetDeriv1(t);
        const double k = std::fabs(d1.Cross(c.GetDeriv2(t)));
        if (k > 0) best = std::min(best, std::pow(d1.Length(), 3) / k);
    }
    return best;
}

CMatrix3<double> RandomMap(Rng& r, int kind) {  // 0 similarity, 1 affine, 2 perspective
    const double s = r.U(0.5, 2);
    CMatrix3<double> m = CMatrix3<double>::Rotation(r.U(-kPi, kPi)) * CMatrix3<double>::Scaling(s, r.I(0, 1) ? s : -s);
    if (kind >= 1) m = m * CMatrix3<double>(r.U(0.5, 2), r.U(-0.8, 0.8), 0, r.U(-0.8, 0.8), 1, 0, 0, 0, 1);
    m = m * CMatrix3<double>::Translation(r.P(10));
    if (kind == 2) {
        m[0][2] = r.U(-0.01, 0.01);
        m[1][2] = r.U(-0.01, 0.01);
    }
    return m;
}

}  // namespace

TEST(BuilderCurve, ArcsFromThreePointsOrFromTwoPointsAndRadius) {
    Rng r(11);
    for (int it = 0; it < 200; ++it) {
        const V p1 = r.P(50), p2 = r.P(50), p3 = r.P(50);
        CRefPtr<CCurve2d> c(ZCurve2dBuilder::CreateCurve(p1, p3, p2, 1e-6, 1e-6));
        ASSERT_TRUE(c);
        EXPECT_LT(c->StartPoint().DistanceTo(p1) + c->EndPoint().DistanceTo(p2), 1e-7);
        double t = 0;
        EXPECT_LT(BruteDistance(*c, p3, 400, &t), 1e-6 * (1 + static_cast<CArc2d*>(c.Get())->Radius()));
        EXPECT_TRUE(t > c->StartT() && t < c->EndT());
    }
    const V a(0, 0), b(10, 0);
    EXPECT_FALSE(ZCurve2dBuilder::CreateCurve(a, b, 5 - 2e-6, 1, 1e-6, 1e-6));
    CRefPtr<CCurve2d> raised(ZCurve2dBuilder::CreateCurve(a, b, 5 - 5e-7, 1, 1e-6, 1e-6));
    ASSERT_TRUE(raised);  // counter-clockwise half circle below the chord
    EXPECT_LT(raised->GetPoint(raised->Range().Middle()).DistanceTo(V(5, -5)), 1e-6);
    EXPECT_FALSE(ZCurve2dBuilder::CreateCurve(a, a + V(5e-7, 0), 1, 1, 1e-6, 1e-6));
    EXPECT_FALSE(ZCurve2dBuilder::CreateCurve(a, b, 8, 0, 1e-6, 1e-6));
    EXPECT_FALSE(ZCurve2dBuilder::CreateCurve(a, b, NAN, 1, 1e-6, 1e-6));
    EXPECT_FALSE(ZCurve2dBuilder::CreateCurve(a, V(5, 5e-7), b, 1e-6, 1e-6));
    EXPECT_FALSE(ZCurve2dBuilder::CreateCurve(a, V(5, 5), a, 1e-6, 1e-6));
}

TEST(BuilderEllipse, AxisFormSwapsRadiiAndConicFormRecoversTheEllipse) {
    Rng r(13);
    for (int it = 0; it < 200; ++it) {
        const V c = r.P(50), u = V(1, 0).Rotated(r.U(-kPi, kPi)), v = u.Perp();
        const double a = r.U(2, 20), b = r.U(0.5, 0.98 * a), s = r.U(-3, 3), e = r.U(-3, 3);
        // The same ellipse seen from its other axis: eccentric angles a quarter turn smaller.
        CRefPtr<CEllipse2d> ref(ZCurve2dBuilder::CreateEllipse(c, u, a, b, s, e, -1, 1e-6));
        CRefPtr<CEllipse2d> swapped(ZCurve2dBuilder::CreateEllipse(c, v, b, a, s - kPi / 2, e - kPi / 2, -1, 1e-6));
        ASSERT_TRUE(ref && swapped);
        EXPECT_DOUBLE_EQ(swapped->MajorRadius(), a);
        EXPECT_LT(swapped->StartPoint().DistanceTo(ref->StartPoint()) + swapped->EndPoint().DistanceTo(ref->EndPoint()),
                  1e-9);
        // X^2 / a^2 + Y^2 / b^2 = 1 with X = (p - c).u, Y = (p - c).v, expanded, times k.
        const double ia = 1 / (a * a), ib = 1 / (b * b), k = r.U(0.1, 100) * (r.I(0, 1) ? 1 : -1);
        const double A = u.x * u.x * ia + v.x * v.x * ib, B = 2 * (u.x * u.y * ia + v.x * v.y * ib),
                     C = u.y * u.y * ia + v.y * v.y * ib;
        const double conic[6] = {k * A,
                                 k * B,
                                 k * C,
                                 k * (-2 * A * c.x - B * c.y),
                                 k * (-2 * C * c.y - B * c.x),
                                 k * (A * c.x * c.x + B * c.x * c.y + C * c.y * c.y - 1)};
        CRefPtr<CEllipse2d> fit(ZCurve2dBuilder::CreateEllipse(conic, 1e-6));
        ASSERT_TRUE(fit);
        EXPECT_LT(fit->CenterPt().DistanceTo(c), 1e-8 * (1 + a));
        EXPECT_NEAR(fit->MajorRadius(), a, 1e-8 * a);
        EXPECT_NEAR(fit->MinorRadius(), b, 1e-8 * a);
        EXPECT_LT(std::fabs(fit->Axis().Cross(u)), 1e-6);
        EXPECT_TRUE(fit->Sense() == 1 && fit->IsClosed());
        EXPECT_LT(fit->StartPoint().DistanceTo(c + fit->Axis() * a), 1e-8 * (1 + a));
    }
    EXPECT_FALSE(ZCurve2dBuilder::CreateEllipse(V(), V(1, 0), 1, 1e-7, 0, 1, 1, 1e-6));
    EXPECT_FALSE(ZCurve2dBuilder::CreateEllipse(V(), V(0, 0), 2, 1, 0, 1, 1, 1e-6));
    const double notEllipses[][6] = {{1, 0, -1, 0, 0, -1}, {1, 0, 0, 0, -1, 0}, {1, 0, 1, 0, 0, 1},
                                     {1, 0, 1, 0, 0, 0},   {0, 0, 0, 0, 0, 0},  {1, 0, 1, 0, 0, NAN}};
    for (const auto& q : notEllipses) EXPECT_FALSE(ZCurve2dBuilder::CreateEllipse(q, 1e-6));
}

TEST(BuilderTransform, ImagesMatchMappedPointsForEveryKindAndMap) {
    Rng r(15);
    const int expected[4][3] = {{GT_LINE, GT_LINE, GT_LINE},
                                {GT_ARC, GT_ELLIPSE, GT_NURBS},
                                {GT_ELLIPSE, GT_ELLIPSE, GT_NURBS},
                                {GT_NURBS, GT_NURBS, GT_NURBS}};
    for (int it = 0; it < 120; ++it) {
        const int kind = it % 4, mapKind = (it / 4) % 3;
        CRefPtr<CCurve2d> in(RandomCurve(r, kind));
        const CMatrix3<double> m = RandomMap(r, mapKind);
        CMatrix3<double> inv = m;
        ASSERT_TRUE(inv.Invert());
        CRefPtr<CCurve2d> out(ZCurve2dBuilder::TransformCurve(in.Get(), CMatrix4<double>::FromMatrix3(m), 1e-6));
        ASSERT_TRUE(out) << kind << " " << mapKind;
        EXPECT_EQ(out->Type(), expected[kind][mapKind]) << kind << " " << mapKind;
        EXPECT_LT(m.TransformPoint(in->StartPoint()).DistanceTo(out->StartPoint()), 1e-7);
        EXPECT_LT(m.TransformPoint(in->EndPoint()).DistanceTo(out->EndPoint()), 1e-7);
        for (int k = 1; k < 16; ++k) {  // both ways, so neither curve may hold extra pieces
            const double f = k / 16.0;
            EXPECT_LT(
                BruteDistance(*out, m.TransformPoint(in->GetPoint(in->StartT() + (in->EndT() - in->StartT()) * f))),
                1e-7);
            EXPECT_LT(BruteDistance(
                          *in, inv.TransformPoint(out->GetPoint(out->StartT() + (out->EndT() - out->StartT()) * f))),
                      1e-7);
        }
    }
    CArc2d arc(V(0, 0), 1, CInterval<double>(0, 2), 1);
    CLine2d line(V(-10, 0), V(10, 0));
    using M = CMatrix3<double>;
    const auto image = [](const CCurve2d& c, const M& m) {
        return ZCurve2dBuilder::TransformCurve(&c, CMatrix4<double>::FromMatrix3(m), 1e-6);
    };
    EXPECT_FALSE(image(arc, M(1, 2, 0, 2, 4, 0, 0, 0, 1)));             // singular
    EXPECT_FALSE(image(line, M(1e-8, 0, 0, 0, 1e-8, 0, 0, 0, 1)));      // collapses to a point
    EXPECT_FALSE(image(line, M(1, 0, 0.5, 0, 1, 0, 0, 0, 1)));          // reaches the horizon
    CRefPtr<CCurve2d> moved(image(arc, M(2, 0, 0, 0, 2, 0, 4, 6, 2)));  // weight 2, still a similarity
    ASSERT_TRUE(moved && moved->Type() == GT_ARC);
    EXPECT_LT(moved->StartPoint().DistanceTo(V(3, 3)), 1e-12);
}

TEST(BuilderLoop, OutlinesHoldTheBandAndNothingFarther) {
    Rng r(16);
    for (int it = 0; it < 60; ++it) {
        CRefPtr<CCurve2d> c(RandomCurve(r, it));
        const double limit = std::min(3.0, 0.4 * MinCurvatureRadius(*c));
        if (limit < 0.1) continue;
        const double left = it % 5 == 0 ? 0 : r.U(0.1, limit), right = it % 5 == 1 ? 0 : r.U(0.1, limit);
        CRefPtr<CLoop> loop(ZLoopBuilder::CreateLoop(c.Get(), left, right));
        ASSERT_TRUE(loop);
        const int n = loop->CoedgeCount();
        for (int i = 0; i < n; ++i)
            EXPECT_LT(loop->GetCurve(i)->EndPoint().DistanceTo(loop->GetCurve((i + 1) % n)->StartPoint()), 1e-9);
        const std::vector<V> poly = Polygonise(*loop, 600);
        EXPECT_GT(ShoelaceArea(poly), 0);
        for (int k = 0; k < 60; ++k) {
            const double t = c->StartT() + (c->EndT() - c->StartT()) * r.U(0.02, 0.98);
            const V side = c->GetDeriv1(t).Normalized().Perp();
            EXPECT_EQ(BruteClassify(poly, c->GetPoint(t) + side * (-right + (left + right) * r.U(0.05, 0.95)), 0.0),
                      IN);
            const V q = c->GetPoint(t) + r.P(2 * std::max(left, right));
            if (BruteDistance(*c, q) > 1.02 * std::max(left, right)) {
                EXPECT_EQ(BruteClassify(poly, q, 0.0), OUT);
            }
        }
    }
}

TEST(BuilderLoop, ExactSidesCollapsedArcsAndOffsetChordError) {
    CEllipse2d e(V(1, 2), V(1, 1), 8, 3, CInterval<double>(0, 8 * 4), 1);
    const double w = 0.5;
    CRefPtr<CLoop> band(ZLoopBuilder::CreateLoop(&e, 0, w));  // outwards only
    ASSERT_TRUE(band);
    int onOffset = 0;
    for (int i = 0; i < band->CoedgeCount(); ++i) {
        const CCurve2d* s = band->GetCurve(i);
        if (s->Type() != GT_LINE || BruteDistance(e, s->StartPoint()) < w / 2 ||
            BruteDistance(e, s->EndPoint()) < w / 2)
            continue;  // the ellipse itself or a cap
        ++onOffset;
        EXPECT_NEAR(BruteDistance(e, s->StartPoint()), w, 1e-9);
        EXPECT_LT(w - BruteDistance(e, s->GetPoint(s->Range().Middle())), 1e-3 * w);
    }
    EXPECT_GT(onOffset, 10);

    CArc2d arc(V(3, 4), 2, CInterval<double>(0, 2 * 4), 1);       // counter-clockwise: inside is left
    CRefPtr<CLoop> sector(ZLoopBuilder::CreateLoop(&arc, 5, 1));  // inner side collapses
    ASSERT_TRUE(sector);
    EXPECT_EQ(sector->CoedgeCount(), 3);                                     // outer arc and two radii
    EXPECT_NEAR(ShoelaceArea(Polygonise(*sector, 600)), 0.5 * 9 * 4, 1e-3);  // radius 3, angle 4

    CLine2d point(V(1, 1), V(1, 1));
    EXPECT_FALSE(ZLoopBuilder::CreateRect(CBox2<double>()));
    EXPECT_FALSE(ZLoopBuilder::CreateLoop(&arc, 0, -1));
    EXPECT_FALSE(ZLoopBuilder::CreateLoop(&arc, 1, -2));
    EXPECT_FALSE(ZLoopBuilder::CreateLoop(&point, 1, 1));
    EXPECT_FALSE(ZLoopBuilder::CreateLoop(nullptr, 1, 1));
}

TEST(Discrete, ChainsRespectTheBoundsAndLieOnTheCurve) {
    Rng r(17);
    for (int it = 0; it < 60; ++it) {
        CRefPtr<CCurve2d> c(RandomCurve(r, it));
        const double maxLen = r.U(0.3, 5), maxAngle = r.U(0.05, 0.6);
        std::vector<V> pts{V(99, 99)};
        ASSERT_TRUE(Curve2dDiscrete(c.Get(), pts, maxLen, maxAngle, true, false));
        ASSERT_GE(pts.size(), 3u);
        EXPECT_EQ(pts[0], V(99, 99));  // appended, not replaced
        EXPECT_LT(pts[1].DistanceTo(c->StartPoint()) + pts.back().DistanceTo(c->EndPoint()), 1e-12);
        double prevT = c->StartT(), prevAngle = c->GetDeriv1(prevT).Angle();
        for (size_t i = 2; i < pts.size(); ++i) {
            EXPECT_LE(pts[i].DistanceTo(pts[i - 1]), maxLen * (1 + 1e-12));
            double t = 0;
            EXPECT_LT(BruteDistance(*c, pts[i], 400, &t), 1e-9);
            EXPECT_GE(t, prevT - 1e-9);
            const double angle = c->GetDeriv1(t).Angle();
            EXPECT_LE(std::fabs(std::remainder(angle - prevAngle, 2 * kPi)), maxAngle + 1e-6);
            prevT = t;
            prevAngle = angle;
        }
    }
    CLine2d line(V(0, 0), V(10, 0));
    std::vector<V> a, b, c;
    ASSERT_TRUE(Curve2dDiscrete(&line, a, 0, 0, false, false) && Curve2dDiscrete(&line, b, 3, 0, true, true));
    EXPECT_TRUE(a == std::vector<V>{V(10, 0)} && b.size() == 4u);  // end only; four pieces, end left out
    ASSERT_TRUE(Curve2dDiscrete(&line, c, 1e-9, 0, true, false));
    EXPECT_EQ(c.size(), 100000u);
    EXPECT_FALSE(Curve2dDiscrete(nullptr, a, 1, 1, true, false));
}

TEST(Discrete, MeshMeetsChordHeightAngleAndLength) {
    Rng r(18);
    for (int it = 0; it < 60; ++it) {
        CRefPtr<CCurve2d> c(RandomCurve(r, it));
        const CMeshParameter mesh(r.U(1e-3, 0.05), r.U(0.1, 0.8), it % 3 ? 0.0 : r.U(1, 4));
        std::vector<float> xyz{1, 2, 3};
        const int n = mesh.GetLines(c.Get(), xyz);
        ASSERT_EQ(xyz.size(), 3u * n);
        double t0 = c->StartT(), angle0 = c->GetDeriv1(t0).Angle();
        for (int i = 1; i < n; ++i) {
            const V a(xyz[3 * i - 3], xyz[3 * i - 2]), b(xyz[3 * i], xyz[3 * i + 1]);
            EXPECT_EQ(xyz[3 * i + 2], 0.0f);
            EXPECT_LE(a.DistanceTo(b), mesh.MaxLen() > 0 ? mesh.MaxLen() * (1 + 1e-5) : INFINITY);
            double t1 = 0, sag = 0;
            BruteDistance(*c, b, 400, &t1);
            for (int k = 1; k < 20; ++k)
                sag = std::max(sag, std::fabs((b - a).Normalized().Cross(c->GetPoint(t0 + (t1 - t0) * k / 20) - a)));
            EXPECT_LE(sag, 1.25 * mesh.DistTol() + 1e-5);  // three samples per piece decide, hence 1.25
            const double angle1 = c->GetDeriv1(t1).Angle();
            EXPECT_LE(std::fabs(std::remainder(angle1 - angle0, 2 * kPi)), mesh.AngleTol() + 1e-4);
            t0 = t1;
            angle0 = angle1;
        }
    }
    std::vector<float> xyz{1};
    EXPECT_EQ(CMeshParameter(0.1, 0.1, 0).GetLines(nullptr, xyz), 0);
    EXPECT_TRUE(xyz.empty());
}
