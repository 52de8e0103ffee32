// Tests of the kernel's value types (vectors, boxes, matrices) and of counted pointers.
// Matrices are checked against independently composed transforms on random points.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "zgp/zgp.h"

using namespace zgp;

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
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_GT(b.min.x, b.max.x);
    b.Add(CBox2<double>());  // adding an empty box changes nothing
    EXPECT_TRUE(b.IsEmpty());
    b.Add(CVec2<double>(1, 2));
    EXPECT_FALSE(b.IsEmpty());
    EXPECT_EQ(b.Width(), 0.0);
    b.Add(CVec2<double>(-3, 5));
    EXPECT_EQ(b, CBox2<double>(-3, 2, 1, 5));
    EXPECT_TRUE(b.Overlaps(CBox2<double>(1, 5, 9, 9)));  // corner contact overlaps
    EXPECT_FALSE(b.Overlaps(CBox2<double>(1.001, 5, 9, 9)));
    EXPECT_TRUE(b.Overlaps(CBox2<double>(1.001, 5, 9, 9), 0.01));  // within slack
    EXPECT_FALSE(b.Overlaps(CBox2<double>()));
    EXPECT_TRUE(b.Contains(CBox2<double>(-1, 3, 0, 4)));
    CBox2<int> bi;
    EXPECT_TRUE(bi.IsEmpty());
}

TEST(Values, MatrixComposesAsRowVectors) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-10, 10);
    for (int i = 0; i < 500; ++i) {
        CVec2<double> p(u(rng), u(rng)), c(u(rng), u(rng)), d(u(rng), u(rng));
        double a = u(rng);
        // rotate about c, then translate by d
        CMatrix3<double> m = CMatrix3<double>::Rotation(c, a) * CMatrix3<double>::Translation(d);
        CVec2<double> expect = p.RotatedAbout(c, a) + d;
        CVec2<double> got = m.TransformPoint(p);
        EXPECT_NEAR(got.x, expect.x, 1e-12 * 100);
        EXPECT_NEAR(got.y, expect.y, 1e-12 * 100);
        // translation sits in the third row
        EXPECT_DOUBLE_EQ(CMatrix3<double>::Translation(d)[2][0], d.x);
        // inverse undoes the map
        CMatrix3<double> inv = m;
        ASSERT_TRUE(inv.Invert());
        CVec2<double> back = inv.TransformPoint(got);
        EXPECT_NEAR(back.x, p.x, 1e-9);
        EXPECT_NEAR(back.y, p.y, 1e-9);
    }
    CMatrix3<double> singular(1, 2, 0, 2, 4, 0, 0, 0, 1);
    CMatrix3<double> keep = singular;
    EXPECT_FALSE(singular.Invert());
    EXPECT_EQ(singular, keep);
}

TEST(Values, MirrorReflectsAcrossLineAndIsInvolution) {
    CVec2<double> a(1, 1), b(3, 3);  // the line y = x
    CMatrix3<double> m = CMatrix3<double>::Mirror(a, b);
    CVec2<double> q = m.TransformPoint(CVec2<double>(5, 2));
    EXPECT_NEAR(q.x, 2, 1e-12);
    EXPECT_NEAR(q.y, 5, 1e-12);
    EXPECT_LT(m.Determinant(), 0);
    CVec2<double> r = (m * m).TransformPoint(CVec2<double>(-7, 4));
    EXPECT_NEAR(r.x, -7, 1e-12);
    EXPECT_NEAR(r.y, 4, 1e-12);
    EXPECT_TRUE(CMatrix3<double>::Mirror(a, a).IsIdentity());
}

TEST(Values, Matrix4WideningLayout) {
    CMatrix3<double> m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    CMatrix4<double> w = CMatrix4<double>::FromMatrix3(m);
    const double expect[4][4] = {{1, 2, 0, 3}, {4, 5, 0, 6}, {0, 0, 1, 0}, {7, 8, 0, 9}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(w[i][j], expect[i][j]) << i << "," << j;
    EXPECT_EQ(w.ToMatrix3(), m);
    EXPECT_FALSE(w.IsAffine2d());
    EXPECT_TRUE(CMatrix4<double>::FromMatrix3(CMatrix3<double>::Rotation(0.3)).IsAffine2d());
}

TEST(Values, FuzzyEqualityFallsBackToRelativeTolerance) {
    EXPECT_TRUE(IsEqual(1.0, 1.0 + 5e-13, 0.0));
    EXPECT_FALSE(IsEqual(1.0, 1.0 + 5e-12, 0.0));
    EXPECT_TRUE(IsEqual(1e6, 1e6 + 5e-7, 0.0));  // relative part dominates for large values
    EXPECT_TRUE(IsZero(0.5e-6, g_DistEpsilon));
    EXPECT_FALSE(IsZero(2e-6, g_DistEpsilon));
}

TEST(Values, RefPtrAdoptsSharesAndReleases) {
    Probe::live = 0;
    {
        CRefPtr<Probe> a(new Probe);  // adopts the creator's reference
        EXPECT_EQ(a->RefCount(), 1);
        {
            CRefPtr<Probe> b = a;  // copy adds one
            EXPECT_EQ(a->RefCount(), 2);
            CRefPtr<Probe> c = CRefPtr<Probe>::Share(a.Get());
            EXPECT_EQ(a->RefCount(), 3);
        }
        EXPECT_EQ(a->RefCount(), 1);
        Probe* raw = a.Release();
        EXPECT_FALSE(a);
        EXPECT_EQ(Probe::live, 1);
        raw->Free();
    }
    EXPECT_EQ(Probe::live, 0);
    Probe* p = new Probe;
    p->Ref();
    p->Unref();
    EXPECT_EQ(Probe::live, 1);
    p->Unref();
    EXPECT_EQ(Probe::live, 0);
}
