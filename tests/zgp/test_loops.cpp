// CLoop and CPolygon: ownership, closing, signed area, transforms, nesting and hole orientation.
#include <gtest/gtest.h>

#include "kernel_test_support.h"

using namespace zgp_test;
using Vec = V;

namespace {

CLoop* Square(double x0, double y0, double size, bool ccw = true) {
    CLoop* l = Rect(x0, y0, x0 + size, y0 + size);
    if (!ccw) l->Reverse();
    return l;
}

double DenseArea(const CLoop& l) { return ShoelaceArea(Polygonise(l, 4000)); }

}  // namespace

TEST(LoopRefs, FlagsDecideOwnershipAndCopiesAreDeep) {
    CRefPtr<CLine2d> shared(new CLine2d(Vec(0, 0), Vec(1, 0))), handed(new CLine2d(Vec(1, 0), Vec(1, 1)));
    CRefPtr<CLoop> kept(Square(2, 0, 1));
    handed->Ref();  // the loop below takes this one over
    {
        CLoop loop;
        EXPECT_TRUE(loop.AddCurve(shared.Get(), true) && loop.AddCurve(handed.Get(), false));
        EXPECT_TRUE(loop.InsertCurve(0, shared.Get(), true));  // the same curve twice: two references
        EXPECT_FALSE(loop.AddCurve(nullptr, true) || loop.InsertCurve(4, shared.Get(), true) || loop.DeleteCoedge(3));
        EXPECT_TRUE(shared->RefCount() == 3 && handed->RefCount() == 2);
        EXPECT_TRUE(loop.DeleteCoedge(0) && shared->RefCount() == 2);
        CLoop copy(loop);
        copy = copy;
        EXPECT_TRUE(copy.GetCurve(0) != shared.Get() && shared->RefCount() == 2);
        CPolygon poly;
        CLoop* owned = Square(0, 0, 1);
        EXPECT_TRUE(poly.AddLoop(owned) && poly.AddLoop(kept.Get(), false) && owned->RefCount() == 1);
        EXPECT_TRUE(poly.AddCurve(shared.Get(), 1, true) && kept->RefCount() == 2 && shared->RefCount() == 3);
        EXPECT_FALSE(poly.AddLoop(nullptr) || poly.AddCurve(shared.Get(), 2, true));
        const CPolygon pcopy(poly);
        EXPECT_TRUE(pcopy.GetLoop(1) != kept.Get() && pcopy.GetLoop(1)->CoedgeCount() == 5);
        EXPECT_TRUE(poly.DeleteLoop(1) && kept->RefCount() == 1);
    }
    EXPECT_TRUE(shared->RefCount() == 2 && handed->RefCount() == 1);  // `kept` still holds `shared`
}

TEST(LoopClose, MakeClosedAddsTheChordOnlyWhenOpen) {
    CLoop open;
    open.MakeClosed();
    EXPECT_EQ(open.CoedgeCount(), 0);
    open.AddCurve(new CLine2d(Vec(0, 0), Vec(4, 0)), false);
    open.AddCurve(new CArc2d(Vec(4, 0), Vec(4, 4), 2.0, CArc2d::CCW_SMALL), false);
    const double areaBefore = open.Area();  // already counts the chord
    EXPECT_FALSE(open.IsClosed());
    for (int twice = 0; twice < 2; ++twice) {
        open.MakeClosed();
        ASSERT_EQ(open.CoedgeCount(), 3);
        EXPECT_TRUE(open.IsClosed() && open.GetCurve(2)->Type() == GT_LINE);
        EXPECT_TRUE(open.GetCurve(2)->EndPoint().IsEqual(Vec(0, 0), 1e-9));
        EXPECT_NEAR(open.Area(), areaBefore, 1e-9);
    }
    EXPECT_TRUE(CRefPtr<CLoop>(CircleLoop(Vec(1, 1), 2.0))->IsClosed());
}

TEST(LoopArea, RandomMixedLoopsMatchDensePolygon) {
    std::mt19937 rng(20240611);
    for (int trial = 0; trial < 60; ++trial) {
        CRefPtr<CLoop> l(RandomLoop(rng));
        const double dense = DenseArea(*l), tol = 1e-5 * std::fabs(dense);
        EXPECT_NEAR(l->Area(), dense, tol) << "trial " << trial;
        l->Reverse();
        EXPECT_NEAR(l->Area(), -dense, tol);
        // Collapsed coedges add nothing, and never make the area non-finite.
        l->AddCurve(new CArc2d(), false);
        l->AddCurve(new CEllipse2d(), false);
        EXPECT_NEAR(l->Area(), -dense, tol);
        l->DeleteCoedge(trial % (l->CoedgeCount() - 2));  // open: closed by straight gaps
        EXPECT_NEAR(l->Area(), DenseArea(*l), tol) << "open trial " << trial;
    }
    EXPECT_EQ(CLoop().Area(), 0.0);
}

TEST(LoopTransform, AreaFollowsTheDeterminantAndFailureChangesNothing) {
    std::mt19937 rng(77);
    CRefPtr<CLoop> l(RandomLoop(rng));
    const double area = l->Area(), tol = 1e-7 * std::fabs(area), x0 = l->Box().min.x;
    l->Move(Vec(3, -2));
    EXPECT_NEAR(l->Box().min.x, x0 + 3, 1e-9);
    l->Rotate(Vec(1, 1), 0.7);
    EXPECT_NEAR(l->Area(), area, tol);
    CMatrix3<double> shear(1, 0, 0, 0.6, 1.3, 0, 2, 1, 1);  // determinant 1.3: arcs become ellipses
    ASSERT_TRUE(l->Transform(CMatrix4<double>::FromMatrix3(shear)) && l->IsClosed());
    EXPECT_NEAR(l->Area(), 1.3 * area, tol);
    ASSERT_TRUE(l->Transform(CMatrix4<double>::FromMatrix3(CMatrix3<double>::Mirror(Vec(0, 0), Vec(1, 1)))));
    EXPECT_NEAR(l->Area(), -1.3 * area, tol);
    const std::string before = l->AsString();
    EXPECT_FALSE(l->Transform(CMatrix4<double>::FromMatrix3(CMatrix3<double>::Scaling(1, 0))));
    EXPECT_EQ(l->AsString(), before);

    CPolygon poly;
    poly.AddLoop(Square(0, 0, 4));
    poly.AddLoop(Square(1, 1, 2, false));
    ASSERT_TRUE(poly.Transform(CMatrix4<double>::FromMatrix3(CMatrix3<double>::Scaling(2, 3))));
    EXPECT_NEAR(poly.Area(), 72.0, 1e-9);
    CLoop* outer = poly.GetLoop(0);
    EXPECT_FALSE(poly.Transform(CMatrix4<double>::FromMatrix3(CMatrix3<double>::Scaling(0, 1))));
    EXPECT_TRUE(poly.GetLoop(0) == outer && poly.Box().max.y == 12.0);
}

TEST(PolygonNesting, DepthsOrientationAndArea) {
    CPolygon poly;
    poly.AddLoop(Square(0, 0, 10));        // outer
    poly.AddLoop(Square(1, 1, 8, false));  // hole
    poly.AddLoop(Square(2, 2, 2));         // island in the hole
    poly.AddLoop(Square(20, 0, 1));        // a separate outer
    poly.AddLoop(new CLoop);               // empty: ignored
    const int expected[] = {0, 1, 2, 0, 0, -1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(poly.LoopDepth(i), expected[i]) << i;
    EXPECT_TRUE(poly.IsLoopDirCorrect());
    EXPECT_NEAR(poly.Area(), 100 - 64 + 4 + 1, 1e-9);
    poly.Reverse();  // every loop now runs the wrong way
    EXPECT_FALSE(poly.IsLoopDirCorrect());
    poly.Reverse();
    poly.GetLoop(2)->Move(Vec(30, 0));  // edited in place: depths stay stale until the states are reset
    EXPECT_EQ(poly.LoopDepth(2), 2);
    poly.ResetAllStates();
    EXPECT_TRUE(poly.LoopDepth(2) == 0 && poly.IsLoopDirCorrect());

    CPolygon touching;  // a clockwise hole sharing the corner (0, 0), and a counter-clockwise circle hole
    touching.AddLoop(PolyLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    touching.AddLoop(PolyLoop({{0, 0}, {3, 6}, {6, 3}}));
    CLoop* circle = CircleLoop(Vec(7, 7), 1.5);
    touching.AddLoop(circle);
    EXPECT_TRUE(touching.LoopDepth(0) == 0 && touching.LoopDepth(1) == 1 && touching.LoopDepth(2) == 1);
    EXPECT_FALSE(touching.IsLoopDirCorrect());
    circle->Reverse();
    EXPECT_TRUE(touching.IsLoopDirCorrect());
}
