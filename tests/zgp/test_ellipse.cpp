// CEllipse2d: nearest points, length, construction, editing, transforms and bounds.
#include <gtest/gtest.h>

#include <memory>

#include "kernel_test_support.h"

using namespace zgp_test;
using Vec = V;

namespace {

double Uni(std::mt19937& rng, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

CEllipse2d RandomEllipse(std::mt19937& rng, bool full = false) {
    const double a = Uni(rng, 0.1, 20.0), b = a * std::pow(10.0, Uni(rng, -3.0, 0.3));
    const double start = Uni(rng, -kPi, kPi), end = full ? start : Uni(rng, -kPi, kPi);
    CEllipse2d e;
    e.Set(Vec(Uni(rng, -50, 50), Uni(rng, -50, 50)), Vec(Uni(rng, -1, 1), Uni(rng, -1, 1)), a, b, start, end,
          rng() % 2 ? 1 : -1);
    return e;
}

// The point at eccentric angle phi, from the ellipse's own data, independent of GetPoint.
Vec PointAtPhi(const CEllipse2d& e, double phi) {
    const Vec u = e.Axis(), v = u.Perp();
    return e.CenterPt() + u * (e.MajorRadius() * std::cos(phi)) + v * (e.MinorRadius() * std::sin(phi));
}

double BruteNearestDist(const CEllipse2d& e, const Vec& p) {
    const double phi0 = e.GetAngle(e.StartT()), sweep = e.RotateAngle();
    return BruteMin([&](double f) { return PointAtPhi(e, phi0 + sweep * f).DistanceTo(p); }, 0.0, 1.0, 10000);
}

Vec RandomProbe(std::mt19937& rng, const CEllipse2d& e) {
    const double a = e.MajorRadius(), b = e.MinorRadius(), r = std::max(a, b);
    double x = Uni(rng, -1.5 * a, 1.5 * a), y = Uni(rng, -1.5 * b, 1.5 * b);
    const int kind = rng() % 6;
    if (kind == 0) x *= 0.2, y *= 0.02;
    if (kind == 1) y = 0.0;
    if (kind == 2) x = 0.0;
    if (kind == 3) x = Uni(rng, -10 * r, 10 * r), y = Uni(rng, -10 * r, 10 * r);
    return e.CenterPt() + e.Axis() * x + e.Axis().Perp() * y;
}

}  // namespace

TEST(EllipseNearest, MatchesBruteForceOnRandomArcs) {
    std::mt19937 rng(1234);
    for (int i = 0; i < 2000; ++i) {
        const CEllipse2d e = RandomEllipse(rng, i % 4 == 0);
        const Vec p = RandomProbe(rng, e);
        const double t = e.GetNearestT(p, 0.0);
        ASSERT_TRUE(e.Range().Contains(t)) << i;
        const double brute = BruteNearestDist(e, p);
        ASSERT_LE(e.GetPoint(t).DistanceTo(p), brute * (1 + 1e-9) + 1e-12 * e.MajorRadius()) << i;
    }
}

TEST(EllipseNearest, DegenerateShapesAndTies) {
    // A segment run back along its lower half-turn: only the phi < 0 root of each foot point is inside.
    CEllipse2d seg(Vec(1, 1), Vec(0, 1), 2.0, 0.0, CInterval<double>(2 * kPi, 4 * kPi), 1);
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        const Vec p(Uni(rng, -3, 5), Uni(rng, -3, 5));
        EXPECT_NEAR(seg.GetPoint(seg.GetNearestT(p, 0)).DistanceTo(p), BruteNearestDist(seg, p), 1e-9);
    }
    CEllipse2d circle, full;
    circle.Set(Vec(2, 3), Vec(1, 1), 4.0, 4.0, 0.5, 2.0, 1);
    EXPECT_EQ(circle.GetNearestT(Vec(2, 3), 0), circle.StartT());  // every point equally near: the first
    full.Set(Vec(0, 0), Vec(1, 0), 3.0, 1.0, 0.0, 0.0, 1);
    EXPECT_NEAR(full.GetNearestT(Vec(0, 0), 0), 3.0 * kPi / 2, 1e-12);  // minor vertices tie: the first
    EXPECT_EQ(full.GetNearestT(Vec(NAN, 0), 0), full.StartT());
    const CEllipse2d empty, point(Vec(4, 5), Vec(1, 0), 0.0, 2.0, CInterval<double>(1, 1), 1);
    EXPECT_EQ(empty.GetNearestT(Vec(3, 3), 0), 0.0);
    EXPECT_EQ(point.GetPoint(point.GetNearestT(Vec(0, 0), 0)), Vec(4, 5));
}

TEST(EllipseLength, MatchesSimpson) {
    std::mt19937 rng(99);
    for (int i = 0; i < 200; ++i) {
        CEllipse2d e = RandomEllipse(rng, i % 5 == 0);
        const double a = e.MajorRadius(), b = e.MinorRadius(), phi0 = e.GetAngle(e.StartT()), sw = e.RotateAngle();
        const int n = 100000;  // Simpson on |dP/dphi| = sqrt(a^2 sin^2 + b^2 cos^2)
        double sum = 0;
        for (int k = 0; k <= n; ++k) {
            const double phi = phi0 + sw * k / n;
            sum += (k == 0 || k == n ? 1 : k % 2 ? 4 : 2) * std::hypot(a * std::sin(phi), b * std::cos(phi));
        }
        EXPECT_NEAR(e.Length(), sum * std::abs(sw) / n / 3, 1e-9 * e.Length()) << i;
    }
}

TEST(EllipseSet, CentralAnglesGiveEndPointsAndSense) {
    std::mt19937 rng(5);
    for (int i = 0; i < 1000; ++i) {
        const Vec c(Uni(rng, -9, 9), Uni(rng, -9, 9)), ax = Vec(Uni(rng, -1, 1), Uni(rng, -1, 1)).Normalized();
        const double s0 = Uni(rng, -7, 7), s1 = Uni(rng, -7, 7);
        const int sense = i % 2 ? 1 : -1;
        CEllipse2d e;
        ASSERT_TRUE(e.Set(c, ax, Uni(rng, 0.1, 9), Uni(rng, 0.1, 9), s0, s1, sense) && e.StartT() <= e.EndT());
        const Vec p0 = e.StartPoint() - c, p1 = e.EndPoint() - c;
        for (const auto& [d, p] : {std::make_pair(ax.Rotated(s0), p0), std::make_pair(ax.Rotated(s1), p1)})
            EXPECT_TRUE(std::abs(d.Cross(p)) <= 1e-9 * p.Length() && d.Dot(p) > 0) << i;  // on the ray of its angle
        // Travel turns with the sense: just after the start the point lies on the sense side.
        EXPECT_GT(sense * p0.Cross(e.GetPoint(e.StartT() + 1e-3 * (e.EndT() - e.StartT())) - c), 0);
    }
    CEllipse2d e;
    ASSERT_TRUE(e.Set(Vec(1, 1), Vec(1, 0), 3, 2, 2.0, 2.0 + 2 * kPi, -1) && e.IsClosed());
    const std::string before = e.AsString();
    EXPECT_FALSE(e.Set(Vec(0, 0), Vec(0, 0), 3, 2, 0.0, 1.0, 1) || e.Set(Vec(0, 0), Vec(1, 0), 0.0, 2, 0.0, 1.0, 1) ||
                 e.Set(Vec(0, 0), Vec(1, 0), 2.0, 1.0, CInterval<double>(0, 2 * kPi * 2.0 + 1e-3), 1));
    EXPECT_EQ(e.AsString(), before);
}

TEST(EllipseEdit, DerivativesReverseTrimAndExtend) {
    std::mt19937 rng(11);
    for (int i = 0; i < 300; ++i) {
        CEllipse2d e = RandomEllipse(rng), r = e, x = e;
        const double t = Uni(rng, e.StartT(), e.EndT()), h = 1e-5 * e.MajorRadius();
        const Vec fd1 = (e.GetPoint(t + h) - e.GetPoint(t - h)) / (2 * h);
        const Vec fd2 = (e.GetDeriv1(t + h) - e.GetDeriv1(t - h)) / (2 * h);
        EXPECT_LT((fd1 - e.GetDeriv1(t)).Length(), 1e-6 * (1 + e.GetDeriv1(t).Length()));
        EXPECT_LT((fd2 - e.GetDeriv2(t)).Length(), 1e-5 * (1 + e.GetDeriv2(t).Length()));
        r.Reverse();
        EXPECT_TRUE(r.GetPoint(-t).DistanceTo(e.GetPoint(t)) < 1e-9 * e.MajorRadius() && r.Sense() == -e.Sense());
        // Extending by L adds L of length; more than a full turn closes; shortening past the end fails.
        const double len = e.Length(), full = 2 * kPi * e.MajorRadius();
        ASSERT_TRUE(x.Extend(0.1 * len, 0.2 * len));
        if (x.RotateAngle() * x.Sense() < 2 * kPi - 1e-9) {
            EXPECT_NEAR(x.Length(), 1.3 * len, 1e-8 * len);
        }
        ASSERT_TRUE(x.Extend(1e9, 0) && x.IsClosed());
        x = e;
        EXPECT_TRUE(!x.Extend(-0.6 * len, -0.6 * len) && x.Range() == e.Range());
        EXPECT_FALSE(x.SetStartT(e.EndT() + 1) || x.SetEndT(e.StartT() + full * 1.01));
        EXPECT_TRUE(x.SetEndT(e.StartT() + full));
    }
}

// Affine maps keep eccentric angles, weight-positive maps a NURBS curve's parameters: fractions match.
TEST(EllipseTransform, ImagesKeepTheParametrisationOrNothingChanges) {
    std::mt19937 rng(21);
    std::mt19937_64 rng64(22);
    for (int i = 0; i < 1000; ++i) {
        CRefPtr<CCurve2d> c(i % 2 ? RandomCurve(rng64, GT_NURBS) : new CEllipse2d(RandomEllipse(rng, i % 10 == 0)));
        double r[6];
        for (double& x : r) x = Uni(rng, -2, 2);
        CMatrix3<double> m3(r[0], r[1], 0, r[2], r[3], 0, 4 * r[4], 4 * r[5], 1);
        if (i % 4 == 1) m3[0][2] = 0.01 * r[4], m3[1][2] = 0.01 * r[5];  // perspective for NURBS, w > 0 on the curve
        if (i % 7 == 0) m3 = CMatrix3<double>::Mirror(Vec(1, 2), Vec(3, -1)) * CMatrix3<double>::Rotation(0.3);
        const double det = m3[0][0] * m3[1][1] - m3[0][1] * m3[1][0];
        if (std::abs(det) < 0.1) continue;
        CRefPtr<CCurve2d> g(c->Clone());
        ASSERT_TRUE(g->Transform(CMatrix4<double>::FromMatrix3(m3))) << i;
        if (auto* e = dynamic_cast<CEllipse2d*>(c.Get())) {
            EXPECT_EQ(static_cast<CEllipse2d*>(g.Get())->Sense(), det > 0 ? e->Sense() : -e->Sense());
        }
        for (int k = 0; k <= 8; ++k) {
            const Vec img = m3.TransformPoint(c->GetPoint(c->StartT() + k / 8.0 * (c->EndT() - c->StartT())));
            const Vec mapped = g->GetPoint(g->StartT() + k / 8.0 * (g->EndT() - g->StartT()));
            ASSERT_LT(mapped.DistanceTo(img), 1e-9 * (1 + img.Length())) << i;
        }
    }
    const CEllipse2d fixed(Vec(0, 0), Vec(1, 0), 2, 1, CInterval<double>(0, 4 * kPi), 1);
    CRefPtr<CCurve2d> ell(fixed.Clone()), nurbs(fixed.NurbsCurve());
    CMatrix4<double> persp;  // w > 0 on the curve: refused by the ellipse only
    persp[0][3] = 0.1;
    const CMatrix4<double> horizon = CMatrix4<double>::FromMatrix3(CMatrix3<double>(1, 0, 1, 0, 1, 0, 0, 0, 0.2));
    const CMatrix4<double> flat = CMatrix4<double>::FromMatrix3(CMatrix3<double>::Scaling(2, 0));
    const std::string before[2] = {ell->AsString(), nurbs->AsString()};
    EXPECT_FALSE(ell->Transform(persp) || ell->Transform(horizon) || ell->Transform(flat));
    EXPECT_FALSE(nurbs->Transform(horizon) || nurbs->Transform(flat));  // w = x + 0.2 changes sign
    EXPECT_TRUE(ell->AsString() == before[0] && nurbs->AsString() == before[1]);
}

TEST(EllipseBox, ContainsAndTouchesDenseSamples) {
    std::mt19937 rng(41);
    for (int i = 0; i < 300; ++i) {
        const CEllipse2d e = RandomEllipse(rng, i % 4 == 0);
        const CBox2<double> box = e.Box();
        CBox2<double> samples;
        const double phi0 = e.GetAngle(e.StartT());
        for (int k = 0; k <= 20000; ++k) samples.Add(PointAtPhi(e, phi0 + e.RotateAngle() * k / 2e4));
        ASSERT_TRUE(box.Contains(samples, 1e-9)) << i;
        ASSERT_TRUE(samples.Contains(box, 1e-6 * e.MajorRadius())) << i;
    }
    const CEllipse2d point(Vec(4, 5), Vec(1, 0), 0.0, 2.0, CInterval<double>(1, 1), 1);
    EXPECT_EQ(point.Box(), CBox2<double>(4, 5, 4, 5));
    std::unique_ptr<CNurbsCurve2d> n(CEllipse2d().NurbsCurve());
    EXPECT_EQ(n->GetPoint(n->StartT()), Vec(0, 0));
}
