// Value types (boxes, matrices, fuzzy comparison) and counted pointers.
#include <gtest/gtest.h>

#include "kernel_test_support.h"

using namespace zgp_test;

namespace {

// A probe object that counts live instances, to observe when references free it.
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
    for (int i = 0; i < 500; ++i) {
        const V p = RandPt(rng, 10), c = RandPt(rng, 10), d = RandPt(rng, 10);
        const double a = Uni(rng, -10, 10);
        // rotate about c, then translate by d
        const CMatrix3<double> m = CMatrix3<double>::Rotation(c, a) * CMatrix3<double>::Translation(d);
        const V got = m.TransformPoint(p);
        EXPECT_TRUE(got.IsEqual(p.RotatedAbout(c, a) + d, 1e-10));
        CMatrix3<double> inv = m;
        ASSERT_TRUE(inv.Invert());
        EXPECT_TRUE(inv.TransformPoint(got).IsEqual(p, 1e-9));
    }
    CMatrix3<double> singular(1, 2, 0, 2, 4, 0, 0, 0, 1);
    const CMatrix3<double> keep = singular;
    EXPECT_FALSE(singular.Invert());
    EXPECT_EQ(singular, keep);
    // Mirror in the line y = x: an involution with negative determinant.
    const CMatrix3<double> mirror = CMatrix3<double>::Mirror(V(1, 1), V(3, 3));
    EXPECT_TRUE(mirror.TransformPoint(V(5, 2)).IsEqual(V(2, 5), 1e-12) && mirror.Determinant() < 0);
    EXPECT_TRUE((mirror * mirror).TransformPoint(V(-7, 4)).IsEqual(V(-7, 4), 1e-12));
    EXPECT_TRUE(CMatrix3<double>::Mirror(V(1, 1), V(1, 1)).IsIdentity());
    // Widening puts the 2D perspective column and translation row around an identity z.
    const CMatrix3<double> m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const CMatrix4<double> w = CMatrix4<double>::FromMatrix3(m);
    const double expect[4][4] = {{1, 2, 0, 3}, {4, 5, 0, 6}, {0, 0, 1, 0}, {7, 8, 0, 9}};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(w[i / 4][i % 4], expect[i / 4][i % 4]) << i;
    EXPECT_TRUE(w.ToMatrix3() == m && !w.IsAffine2d());
    EXPECT_TRUE(CMatrix4<double>::FromMatrix3(CMatrix3<double>::Rotation(0.3)).IsAffine2d());
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
