// Value types (boxes, matrices, fuzzy comparison) and counted pointers.
#include <gtest/gtest.h>

#include "kernel_test_support.h"

using namespace zgp_test;

namespace {

struct Probe : IBase {
    static int live;
    Probe() { ++live; }
    ~Probe() override { --live; }
};
int Probe::live = 0;

}  // namespace

TEST(Values, BoxEmptyAddAndOverlap) {
    CBox2<double> b;
    EXPECT_TRUE(b.IsEmpty() && b.min.x > b.max.x && CBox2<int>().IsEmpty());
    b.Add(CBox2<double>());  // adding an empty box changes nothing
    EXPECT_TRUE(b.IsEmpty());
    b.Add(V(1, 2));
    EXPECT_TRUE(!b.IsEmpty() && b.Width() == 0.0);
    b.Add(V(-3, 5));
    EXPECT_EQ(b, CBox2<double>(-3, 2, 1, 5));
    EXPECT_TRUE(b.Overlaps(CBox2<double>(1, 5, 9, 9)));  // corner contact overlaps
    EXPECT_FALSE(b.Overlaps(CBox2<double>(1.001, 5, 9, 9)) || b.Overlaps(CBox2<double>()));
    EXPECT_TRUE(b.Overlaps(CBox2<double>(1.001, 5, 9, 9), 0.01));  // within slack
    EXPECT_TRUE(b.Contains(CBox2<double>(-1, 3, 0, 4)));
}

TEST(Values, MatricesComposeAsRowVectors) {
    std::mt19937_64 rng(11);
    using M = CMatrix3<double>;
    for (int i = 0; i < 500; ++i) {
        const V p = RandPt(rng, 10), c = RandPt(rng, 10), d = RandPt(rng, 10);
        const double a = Uni(rng, -10, 10);
        const M m = M::Rotation(c, a) * M::Translation(d);  // rotate about c, then translate by d
        M inv = m;
        ASSERT_TRUE(inv.Invert());
        EXPECT_TRUE(m.TransformPoint(p).IsEqual(p.RotatedAbout(c, a) + d, 1e-10));
        EXPECT_TRUE(inv.TransformPoint(m.TransformPoint(p)).IsEqual(p, 1e-9));
    }
    M singular(1, 2, 0, 2, 4, 0, 0, 0, 1);
    EXPECT_TRUE(!singular.Invert() && singular == M(1, 2, 0, 2, 4, 0, 0, 0, 1));
    const M mirror = M::Mirror(V(1, 1), V(3, 3));  // in y = x: an involution with negative determinant
    EXPECT_TRUE(mirror.TransformPoint(V(5, 2)).IsEqual(V(2, 5), 1e-12) && mirror.Determinant() < 0);
    EXPECT_TRUE((mirror * mirror).TransformPoint(V(-7, 4)).IsEqual(V(-7, 4), 1e-12));
    EXPECT_TRUE(M::Mirror(V(1, 1), V(1, 1)).IsIdentity());
    // Widening puts the 2D perspective column and translation row around an identity z.
    const M m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const CMatrix4<double> w = CMatrix4<double>::FromMatrix3(m);
    const double expect[4][4] = {{1, 2, 0, 3}, {4, 5, 0, 6}, {0, 0, 1, 0}, {7, 8, 0, 9}};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(w[i / 4][i % 4], expect[i / 4][i % 4]) << i;
    EXPECT_TRUE(w.ToMatrix3() == m && !w.IsAffine2d() && CMatrix4<double>::FromMatrix3(M::Rotation(0.3)).IsAffine2d());
}

TEST(Values, FuzzyEqualityFallsBackToRelativeTolerance) {
    EXPECT_TRUE(IsEqual(1.0, 1.0 + 5e-13, 0.0) && !IsEqual(1.0, 1.0 + 5e-12, 0.0));
    EXPECT_TRUE(IsEqual(1e6, 1e6 + 5e-7, 0.0));  // relative part dominates for large values
    EXPECT_TRUE(IsZero(0.5e-6, g_DistEpsilon) && !IsZero(2e-6, g_DistEpsilon));
}

TEST(Values, RefPtrAdoptsSharesAndReleases) {
    Probe::live = 0;
    CRefPtr<Probe> a(new Probe);  // adopts the creator's reference
    {
        CRefPtr<Probe> b = a, c = CRefPtr<Probe>::Share(a.Get());  // each adds one
        EXPECT_EQ(a->RefCount(), 3);
    }
    Probe* raw = a.Release();
    EXPECT_TRUE(!a && raw->RefCount() == 1 && Probe::live == 1);
    raw->Ref();
    raw->Unref();
    EXPECT_EQ(Probe::live, 1);
    raw->Free();
    EXPECT_EQ(Probe::live, 0);
}
