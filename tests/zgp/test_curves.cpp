// Base objects, the generic curve numerics, lines and arcs, against independent computations.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "kernel_test_support.h"

using namespace zgp_test;
using Vec = V;

namespace {

class FuncCurve : public CCurve2d {
public:
    using Fn = std::function<Vec(double, int)>;
    FuncCurve(Fn f, double lo, double hi) : m_f(std::move(f)), m_lo(lo), m_hi(hi) {}
    int Type() const override { return 99; }
    FuncCurve* Clone() const override { return new FuncCurve(*this); }
    CBox2<double> Box() const override { return CBox2<double>(StartPoint(), EndPoint()); }
    void Move(const Vec&) override {}
    void Rotate(const Vec&, double) override {}
    bool Transform(const CMatrix4<double>&) override { return false; }
    std::string AsString() const override { return std::string(); }
    double StartT() const override { return m_lo; }
    double EndT() const override { return m_hi; }
    bool SetStartT(double) override { return false; }
    bool SetEndT(double) override { return false; }
    Vec GetPoint(double t) const override { return m_f(t, 0); }
    Vec GetDeriv1(double t) const override { return m_f(t, 1); }
    Vec GetDeriv2(double t) const override { return m_f(t, 2); }
    int Monotonicity() const override { return 0; }
    void Reverse() override {}
    CNurbsCurve2d* NurbsCurve() const override { return nullptr; }

private:
    Fn m_f;
    double m_lo, m_hi;
};

using Coeffs = std::array<double, 4>;  // c0 + c1 t + c2 t^2 + c3 t^3

FuncCurve Cubic(Coeffs ax, Coeffs ay, double lo, double hi) {
    auto f = [ax, ay](double t, int d) {
        auto eval = [&](const Coeffs& a) {
            double r = 0.0;
            for (int i = 3; i >= d; --i) r = r * t + a[i] * (d == 0 ? 1 : d == 1 ? i : i * (i - 1));
            return r;
        };
        return Vec(eval(ax), eval(ay));
    };
    return FuncCurve(f, lo, hi);
}

FuncCurve Spiral(double w, double hi) {
    auto f = [w](double t, int d) {
        const double c = std::cos(w * t), s = std::sin(w * t);
        if (d == 0) return Vec(c, s) * t;
        if (d == 1) return Vec(c - w * t * s, s + w * t * c);
        return Vec(-2 * w * s - w * w * t * c, 2 * w * c - w * w * t * s);
    };
    return FuncCurve(f, 1.0, hi);
}

CArc2d RandomArc(std::mt19937_64& rng) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const Vec c(200.0 * u(rng) - 100.0, 200.0 * u(rng) - 100.0);
    const double r = std::pow(10.0, 4.0 * u(rng) - 2.0), a0 = 20.0 * u(rng) - 10.0;
    const double sweep = u(rng) < 0.1 ? 2 * kPi : 2 * kPi * u(rng);
    const int sense = u(rng) < 0.5 ? 1 : -1;
    return CArc2d(c, r, CInterval<double>(sense * r * a0, sense * r * a0 + r * sweep), sense);
}

CMatrix4<double> RandomSimilarity(std::mt19937_64& rng, bool reflect) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double k = 0.2 + 3 * u(rng);
    return CMatrix4<double>::FromMatrix3(CMatrix3<double>::Rotation(2 * kPi * u(rng)) *
                                         CMatrix3<double>::Scaling(k, reflect ? -k : k) *
                                         CMatrix3<double>::Translation(Vec(50 * u(rng) - 25, 50 * u(rng) - 25)));
}

template <int N>
struct Kind : IBase {
    int GetObjectType() const override { return N; }
};
template <int N>
IBase* Make() { return new Kind<N>; }

}  // namespace

TEST(BaseObjects, BoundedArchiveReadsAndFactoryRegistration) {
    ZDbArchive out;
    out.Write(int32_t(-7));
    out.Write(2.5);
    ZDbArchive in(out.Bytes()), shortOne(std::vector<uint8_t>{1, 2, 3});
    int32_t i = 0;
    double d = 0, more = 1.0;
    uint8_t byte = 0;
    EXPECT_TRUE(out.IsStoring() && !in.IsStoring() && in.Read(i) && in.Read(d) && i == -7 && d == 2.5);
    EXPECT_FALSE(in.Read(more));  // past the end: fails and zero-fills
    EXPECT_TRUE(more == 0.0 && in.Failed());
    EXPECT_FALSE(shortOne.Read(i) || shortOne.Read(byte));  // sticky: nothing after a misread is trusted
    ZObjectFactory<int> f;
    EXPECT_FALSE(f.Register(1, nullptr) || ZRegHelper<int>(nullptr, 3, &Make<1>).Registered() ||
                 ZRegHelper<int>(&f, 3, nullptr).Registered());
    ASSERT_TRUE(f.Register(1, &Make<1>) && f.Register(1, &Make<2>) && f.Count() == 1u);  // replaced
    CRefPtr<IBase> b(f.CreateObject(1));
    EXPECT_TRUE(b && b->GetObjectType() == 2 && b->RefCount() == 1 && f.CreateObject(42) == nullptr);
    EXPECT_TRUE(ZRegHelper<int>(&f, 3, &Make<1>).Registered() && f.IsRegistered(3));
    IBase base;
    EXPECT_TRUE(base.Serialize(out) && base.GetObjectType() == 0);
}

TEST(CurvesGeneric, LengthMatchesClosedForms) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 0; i < 300; ++i) {  // parabolas (t, a t^2) of widely varying bend
        const double a = std::pow(10.0, 3.0 * u(rng) - 1.5) * (u(rng) < 0.5 ? -1 : 1);
        const double lo = -5 * u(rng), hi = 5 * u(rng);
        auto F = [a](double t) { return 0.5 * t * std::sqrt(1 + 4 * a * a * t * t) + std::asinh(2 * a * t) / (4 * a); };
        const FuncCurve p = Cubic({0, 1, 0, 0}, {0, 0, a, 0}, lo, hi);
        const double exact = F(hi) - F(lo);
        EXPECT_NEAR(p.Length(), exact, 1e-12 * exact) << "a=" << a;
        EXPECT_NEAR(p.LengthBetween(hi, lo), -exact, 1e-12 * exact);
    }
    // A cusp at t = 0 (speed |t| sqrt(4 + 9 t^2)), away from any natural subdivision point.
    const FuncCurve cusp = Cubic({0, 0, 1, 0}, {0, 0, 0, 1}, -1.0, 2.0);
    const double exact = (std::pow(13.0, 1.5) - 8.0) / 27.0 + (std::pow(40.0, 1.5) - 8.0) / 27.0;
    EXPECT_NEAR(cusp.Length(), exact, 1e-10 * exact);
    EXPECT_TRUE(cusp.LengthBetween(0.3, 0.3) == 0.0 && cusp.LengthBetween(NAN, 1.0) == 0.0);
}

TEST(CurvesGeneric, PointAtLengthInvertsLength) {
    std::mt19937_64 rng(12);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int i = 0; i < 300; ++i) {
        const FuncCurve c = Cubic({u(rng), u(rng), u(rng), u(rng)}, {u(rng), u(rng), u(rng), u(rng)}, -2.0, 2.0);
        const double total = c.Length(), t0 = 2 * u(rng), f = u(rng);
        const double want = f < 0 ? c.LengthBetween(-2.0, t0) * f : c.LengthBetween(t0, 2.0) * f;
        double t = 0;
        ASSERT_TRUE(c.PointAtLength(t0, want, t, 0.0));
        EXPECT_NEAR(c.LengthBetween(t0, t), want, 1e-10 * total);
        const double tp = 2 * u(rng);
        EXPECT_NEAR(c.LengthAtPoint(c.GetPoint(tp)), c.LengthBetween(-2.0, tp), 1e-8 * total);
        EXPECT_FALSE(c.PointAtLength(t0, total + 1.0, t, 1e-9));  // past an end: false, clamped
        EXPECT_EQ(t, 2.0);
        EXPECT_FALSE(c.PointAtLength(t0, -total - 1.0, t, 1e-9));
        EXPECT_EQ(t, -2.0);
    }
}

TEST(CurvesGeneric, NearestMatchesBruteForce) {
    std::mt19937_64 rng(13);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    auto check = [](const CCurve2d& c, const Vec& p, double scale, int samples) {
        const double t = c.GetNearestT(p, 0.0);
        ASSERT_TRUE(c.Range().Contains(t));
        const double brute = BruteDistance(c, p, samples);
        EXPECT_LE(c.GetPoint(t).DistanceTo(p), brute + 1e-9 * (brute + scale));
    };
    for (int i = 0; i < 250; ++i) {  // cubics: points near (competing branches) and far
        const double k = std::pow(10.0, 2 * u(rng));
        const FuncCurve c = Cubic({k * u(rng), k * u(rng), k * u(rng), k * u(rng)},
                                  {k * u(rng), k * u(rng), k * u(rng), k * u(rng)}, -2.0, 2.0);
        for (int j = 0; j < 4; ++j)
            check(c, c.GetPoint(2 * u(rng)) + Vec(u(rng), u(rng)) * ((j < 2 ? 0.3 : 10.0) * k), k, 2000);
    }
    for (int i = 0; i < 40; ++i) {  // spirals of 4 to 24 turns need more than the base sampling
        const FuncCurve c = Spiral(2 * kPi * (1.0 + u(rng) / 2), 12.0 + 4.0 * u(rng));
        for (int j = 0; j < 5; ++j) check(c, Vec(u(rng), u(rng)) * 14.0, 1.0, 10000);
    }
}

TEST(CurvesGeneric, TangentsAtVanishingDerivativesAndPointCurves) {
    // Cusp (t^2, t^3): P' = 0 at t = 0; leaving along +P'', arriving along -P''.
    EXPECT_EQ(Cubic({0, 0, 1, 0}, {0, 0, 0, 1}, 0.0, 1.0).TangentAt(0.0), Vec(1, 0));
    EXPECT_EQ(Cubic({0, 0, 1, 0}, {0, 0, 0, 1}, -1.0, 0.0).TangentAt(0.0), Vec(-1, 0));
    // (t^3, 0): P' and P'' both vanish at 0, the direction of travel is still +x at both ends.
    EXPECT_NEAR(Cubic({0, 0, 0, 1}, {}, -1.0, 0.0).TangentAt(0.0).x, 1.0, 1e-9);
    EXPECT_NEAR(Cubic({0, 0, 0, 1}, {}, 0.0, 1.0).TangentAt(0.0).x, 1.0, 1e-9);
    FuncCurve point = Cubic({3, 0, 0, 0}, {4, 0, 0, 0}, 0.0, 1.0);
    EXPECT_EQ(point.TangentAt(0.5), Vec());
    EXPECT_TRUE(point.IsDegenerate() && !point.IsClosed());
    EXPECT_EQ(point.GetNearestT(Vec(0, 0), 0.0), 0.0);  // all equally near: the first
    EXPECT_FALSE(point.Extend(1.0, 1.0) || point.Offset(1.0));
    const FuncCurve loop = Cubic({0, 1, -1, 0}, {0, 0, 1, -1}, 0.0, 1.0);  // back at its start at t = 1
    EXPECT_TRUE(loop.IsClosed() && !loop.IsDegenerate());
    EXPECT_EQ(loop.GetNearestT(Vec(NAN, 0), 0.0), 0.0);
}

TEST(LineProperties, NearestWalksReverseAndOffset) {
    std::mt19937_64 rng(21);
    std::uniform_real_distribution<double> u(-100.0, 100.0);
    for (int i = 0; i < 2000; ++i) {
        const CLine2d line(Vec(u(rng), u(rng)), Vec(u(rng), u(rng)));
        const Vec p(u(rng), u(rng));
        const double t = line.GetNearestT(p, 0.0), brute = BruteDistance(line, p, 200);
        EXPECT_NEAR(line.GetPoint(t).DistanceTo(p), brute, 1e-9 * (1 + brute));
        EXPECT_NEAR(line.LengthAtPoint(p), t - line.StartT(), 1e-12);
        double walked = 0;
        const double step = u(rng) * 0.01 * line.Length();
        EXPECT_EQ(line.PointAtLength(t, step, walked, 0.0), line.Range().Contains(t + step));
        EXPECT_EQ(walked, line.Range().Clamp(t + step));
        EXPECT_EQ(line.CalPtPosition(p, 0.0), line.SignedDistance(p) > 0 ? 1 : -1);
        CLine2d r = line, o = line;
        r.Reverse();
        EXPECT_TRUE(r.GetPoint(-t).IsEqual(line.GetPoint(t), 1e-12) && r.StartPoint() == line.EndPoint());
        ASSERT_TRUE(o.Offset(step));
        EXPECT_NEAR(line.SignedDistance(o.GetPoint(t)), step, 1e-9);  // positive offsets go left
    }
    CLine2d l(Vec(0, 0), Vec(10, 0));
    double t = 0;
    EXPECT_TRUE(l.PointAtLength(9.0, 1.0 + 1e-7, t, 1e-6) && t == 10.0);  // within tol past the end
    EXPECT_EQ(l.CalPtPosition(Vec(5, 0.5e-6), g_DistEpsilon), 0);
    ASSERT_TRUE(l.Extend(1.0, 2.0));
    EXPECT_EQ(l.Range(), CInterval<double>(-1, 12));
    EXPECT_FALSE(l.Extend(-7.0, -7.0));  // the ends would cross
    EXPECT_FALSE(l.SetStartT(13.0) || l.SetEndT(NAN));
}

TEST(LineProperties, TransformsRefuseDegenerateImagesAndArcsNonSimilarities) {
    using M = CMatrix3<double>;
    CLine2d l(Vec(1, 2), Vec(3, 2));
    CArc2d arc(Vec(1, 2), 3.0, CInterval<double>(0, 4), 1);
    const std::pair<CCurve2d*, M> refused[] = {{&l, M::Scaling(1, 0)},
                                               {&l, M(1, 0, 1, 0, 1, 0, 0, 0, -2)},  // w = x - 2 vanishes between the ends
                                               {&arc, M(1, 0, 0, 0.5, 1, 0, 0, 0, 1)},
                                               {&arc, M::Scaling(0, 0)},
                                               {&arc, M::Scaling(1, 1.001)}};
    for (const auto& r : refused) EXPECT_FALSE(r.first->Transform(CMatrix4<double>::FromMatrix3(r.second)));
    EXPECT_TRUE(l.StartPoint() == Vec(1, 2) && l.EndPoint() == Vec(3, 2));
    EXPECT_TRUE(arc.Range() == CInterval<double>(0, 4) && arc.CenterPt() == Vec(1, 2));
}

TEST(LineProperties, DegenerateInputAndNurbsForm) {
    const CLine2d z(Vec(3, 3), Vec(3, 3)), bad(Vec(NAN, 0), Vec(1, 1));
    EXPECT_TRUE(z.Direction() == Vec(1, 0) && z.IsDegenerate() && !z.IsClosed());
    EXPECT_TRUE(z.GetNearestT(Vec(7, 9), 0.0) == 0.0 && z.GetNearestT(Vec(NAN, NAN), 0.0) == 0.0);
    EXPECT_TRUE(Finite(bad.GetPoint(0)) && Finite(bad.TangentAt(0)));
    EXPECT_EQ(CLine2d(Vec(0, 0), Vec(0, 0), CInterval<double>(5, 2)).Range(), CInterval<double>(2, 5));
    const CLine2d l(Vec(1, 0), Vec(0, 1), CInterval<double>(2, 7));
    CRefPtr<CNurbsCurve2d> n(l.NurbsCurve());
    ASSERT_TRUE(n->Degree() == 1 && n->CtrlPtCount() == 2);
    EXPECT_EQ(n->Knots(), (std::vector<double>{2, 2, 7, 7}));
    EXPECT_TRUE(n->CtrlPt(0) == Vec(1, 2) && n->CtrlPt(1) == Vec(1, 7));
    for (double t : {2.0, 3.5, 7.0}) EXPECT_TRUE(n->GetPoint(t).IsEqual(l.GetPoint(t), 1e-12));  // same parameter
    EXPECT_EQ(CRefPtr<CNurbsCurve2d>(z.NurbsCurve())->Knots(), (std::vector<double>{0, 0, 1, 1}));
}

TEST(ArcSetForms, ChordRadiusTypeAndBulge) {
    std::mt19937_64 rng(31);
    std::uniform_real_distribution<double> u(-50.0, 50.0);
    for (int i = 0; i < 4000; ++i) {
        const Vec a(u(rng), u(rng)), b(u(rng), u(rng));
        const double r = 0.5 * a.DistanceTo(b) * (1.0 + std::pow(10.0, (u(rng) + 50) / 25 - 3));
        const int type = 1 + i % 4;
        CArc2d arc;
        ASSERT_TRUE(arc.Set(a, b, r, type));
        EXPECT_EQ(arc.GetArcType(), type);
        EXPECT_NEAR(arc.Radius(), r, 1e-12 * r);
        EXPECT_TRUE(arc.StartPoint().IsEqual(a, 1e-9) && arc.EndPoint().IsEqual(b, 1e-9)) << i;
        const double bulge = arc.GetBulge();
        EXPECT_EQ(bulge > 1 ? 3 : bulge > 0 ? 1 : bulge > -1 ? 2 : 4, type);
        CArc2d viaCentre;
        ASSERT_TRUE(viaCentre.Set(arc.CenterPt(), a, b, arc.Sense()));
        EXPECT_NEAR(viaCentre.RotateAngle(), arc.RotateAngle(), 1e-7);
    }
    CArc2d arc;
    EXPECT_FALSE(arc.Set(Vec(0, 0), Vec(2, 0), 0.9, 1));        // radius too short
    EXPECT_TRUE(arc.Set(Vec(0, 0), Vec(2, 0), 1.0 - 5e-7, 1));  // short by less: raised to half the chord
    EXPECT_TRUE(arc.Radius() == 1.0 && arc.CenterPt().IsEqual(Vec(1, 0), 1e-12));
    EXPECT_FALSE(arc.Set(Vec(0, 0), Vec(0, 0), 1.0, 1) || arc.Set(Vec(0, 0), Vec(1, 0), 1.0, 5));
    EXPECT_EQ(arc.Radius(), 1.0);  // unchanged by failures
}

TEST(ArcSetForms, CentreAndAngleForms) {
    CArc2d arc;
    ASSERT_TRUE(arc.Set(Vec(1, 1), Vec(3, 1), Vec(1, 5), -1));  // clockwise three quarters, end projected
    EXPECT_NEAR(arc.RotateAngle(), -1.5 * kPi, 1e-12);
    EXPECT_TRUE(arc.Radius() == 2.0 && arc.EndPoint().IsEqual(Vec(1, 3), 1e-12));
    ASSERT_TRUE(arc.Set(Vec(1, 1), Vec(3, 1), Vec(3, 1 + 1e-7), 1));
    EXPECT_TRUE(arc.IsClosed());
    ASSERT_TRUE(arc.Set(Vec(1, 1), Vec(3, 1), Vec(5, 1), 1));  // end on the start's ray
    EXPECT_TRUE(arc.IsClosed());
    EXPECT_FALSE(arc.Set(Vec(1, 1), Vec(1, 1), Vec(5, 1), 1));
    ASSERT_TRUE(arc.Set(Vec(0, 0), 2.0, 1.0, 1.0));
    EXPECT_TRUE(arc.IsClosed() && std::abs(arc.Length() - 4 * kPi) < 1e-12);
    ASSERT_TRUE(arc.Set(Vec(0, 0), 2.0, 1.0, 0.5));  // end raised by a turn
    EXPECT_NEAR(arc.RotateAngle(), 2 * kPi - 0.5, 1e-12);
    EXPECT_EQ(arc.StartAngle(), 1.0);
    ASSERT_TRUE(arc.Set(Vec(0, 0), 2.0, 0.0, 7.0));  // end lowered by a turn
    EXPECT_NEAR(arc.RotateAngle(), 7.0 - 2 * kPi, 1e-12);
    EXPECT_FALSE(arc.Set(Vec(0, 0), -1.0, 0.0, 1.0) || arc.Set(Vec(0, 0), 1.0, CInterval<double>(0, 7), 1) ||
                 arc.Set(Vec(0, 0), 1.0, CInterval<double>(2, 1), 1));
    EXPECT_EQ(CArc2d(Vec(0, 0), 1.0, CInterval<double>(0, 1), CArc2d::CW_LARGE).Sense(), -1);
}

TEST(ArcQueries, BoxParamAtAngleAndWalks) {
    std::mt19937_64 rng(33);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 0; i < 1000; ++i) {
        const CArc2d arc = RandomArc(rng);
        CBox2<double> sampled;
        for (int k = 0; k <= 5000; ++k) sampled.Add(arc.GetPoint(arc.StartT() + arc.Length() * k / 5000));
        const double tol = 1e-9 * arc.Radius() + 1e-12 * arc.CenterPt().Length();
        EXPECT_TRUE(arc.Box().Contains(sampled, tol));
        EXPECT_TRUE(sampled.Contains(arc.Box(), 1e-6 * arc.Radius() + tol));  // tight up to sampling
        const double tm = arc.StartT() + u(rng) * arc.Length();
        const double turns = std::floor(8 * u(rng) - 4);
        EXPECT_NEAR(arc.ParamAtAngle(arc.AngleAt(tm) + 2 * kPi * turns), tm, 1e-9 * (1 + std::abs(tm)));
        double t = 0;
        EXPECT_TRUE(arc.PointAtLength(arc.StartT(), tm - arc.StartT(), t, 0.0));
        EXPECT_DOUBLE_EQ(t, tm);
        EXPECT_FALSE(arc.PointAtLength(tm, arc.Length() + 1.0, t, 0.0));
        EXPECT_EQ(t, arc.EndT());
    }
    CArc2d q;  // outside the sweep: the parameter just past the nearer end
    ASSERT_TRUE(q.Set(Vec(0, 0), 1.0, 0.0, kPi / 2));
    EXPECT_NEAR(q.ParamAtAngle(kPi / 2 + 0.2), kPi / 2 + 0.2, 1e-12);
    EXPECT_NEAR(q.ParamAtAngle(-0.2), -0.2, 1e-12);
}

TEST(ArcEditing, OffsetReverseExtendAndTrim) {
    std::mt19937_64 rng(35);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int i = 0; i < 1000; ++i) {
        const CArc2d arc = RandomArc(rng);
        const double d = u(rng) * arc.Radius() * 0.9, tol = 1e-9 * (arc.Radius() + arc.CenterPt().Length());
        CArc2d o = arc, r = arc;
        ASSERT_TRUE(o.Offset(d));
        r.Reverse();
        for (double f : {0.0, 0.5, 1.0}) {
            const double t = arc.StartT() + f * arc.Length();
            const Vec left = arc.GetPoint(t) + arc.TangentAt(t).Perp() * d;
            EXPECT_TRUE(o.GetPoint(o.StartT() + f * o.Length()).IsEqual(left, tol)) << i;
            EXPECT_TRUE(r.GetPoint(-t).IsEqual(arc.GetPoint(t), tol)) << i;
        }
    }
    CArc2d arc(Vec(0, 0), 1.0, CInterval<double>(0, kPi), 1);
    EXPECT_FALSE(arc.Offset(1.5));                                 // the radius would become negative
    ASSERT_TRUE(arc.Offset(-1.0));                                 // right of a counter-clockwise arc is outward
    EXPECT_TRUE(arc.Radius() == 2.0 && arc.RotateAngle() == kPi);  // angles kept, range scaled
    ASSERT_TRUE(arc.Extend(0.5, 0.5));
    EXPECT_NEAR(arc.Length(), 2 * kPi + 1.0, 1e-12);
    EXPECT_FALSE(arc.Extend(2 * kPi, 0.0));  // past a full turn
    ASSERT_TRUE(arc.Extend(2 * kPi - 1.0, 0.0));
    EXPECT_TRUE(arc.IsClosed());
    EXPECT_FALSE(arc.SetEndT(arc.EndT() + 1e-3) || arc.SetStartT(arc.EndT() + 1.0));
    EXPECT_TRUE(arc.SetStartT(arc.EndT() - 1.0));
}

TEST(ArcDegenerate, ZeroRadiusAndBadInputStayFinite) {
    std::mt19937_64 rng(37);
    CArc2d empty, point(Vec(2, 3), 0.0, CInterval<double>(1, 5), 1);
    CArc2d shrunk(Vec(0, 0), 1.0, CInterval<double>(0, 2), -1);
    ASSERT_TRUE(shrunk.SetRadius(0.0));
    for (const CArc2d* a : {&empty, &point, &shrunk}) {
        EXPECT_TRUE(a->Length() == 0.0 && a->IsDegenerate() && !a->IsClosed() && a->Monotonicity() == 2);
        EXPECT_TRUE(a->TangentAt(a->StartT()) == Vec() && a->GetBulge() == 0.0);
        EXPECT_TRUE(Finite(a->GetPoint(0.7)) && Finite(a->GetDeriv1(0.7)) && Finite(a->GetDeriv2(0.7)));
        EXPECT_TRUE(std::isfinite(a->GetNearestT(Vec(4, 4), 0.0) + a->ParamAtAngle(1.0) + a->StartAngle()));
        EXPECT_TRUE(Finite(a->Box().min) && Finite(a->Box().max));
        CArc2d c = *a;
        EXPECT_TRUE(c.Transform(RandomSimilarity(rng, true)) && Finite(c.StartPoint()) && c.Length() == 0.0);
        CRefPtr<CNurbsCurve2d> n(a->NurbsCurve());
        for (int k = 0; k < n->CtrlPtCount(); ++k) EXPECT_TRUE(Finite(n->CtrlPt(k)));
        EXPECT_LT(n->Knots().front(), n->Knots().back());
    }
    CArc2d arc;
    EXPECT_FALSE(arc.Set(Vec(NAN, 0), 1.0, 0.0, 1.0) || arc.Set(Vec(0, 0), Vec(INFINITY, 0), 1.0, 1));
    EXPECT_FALSE(arc.SetRadius(-1.0));
    EXPECT_EQ(arc.GetNearestT(Vec(NAN, 1), 0.0), arc.StartT());
}
