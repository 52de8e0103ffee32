// Least movement, stable branches, redundancy, degrees of freedom, scale and independent parts.
#include <string>

#include "solver_test_support.h"

using namespace zcs_test;

namespace {

std::string State(const CCurve2d* c) { return c->AsString(); }

struct Fillet {
    CLine2d* a;
    CArc2d* arc;
    CLine2d* b;
};
// A perturbed fillet, scaled by k: two lines and an arc joined end to end, tangent at the joints.
Fillet AddFillet(TestSketch& s, double k = 1) {
    const Fillet f{s.Line(Vec(0, 0.3) * k, Vec(8.2, -0.2) * k), s.Arc(Vec(7.6, 2.3) * k, 1.7 * k, -kPi / 2 + 0.2, 0.1),
                   s.Line(Vec(10.1, 1.6) * k, Vec(10.3, 9) * k)};
    s.Add(ectCoincident, 0, {Ref(f.a, edrEnd), Ref(f.arc, edrStart)});
    s.Add(ectCoincident, 0, {Ref(f.arc, edrEnd), Ref(f.b, edrStart)});
    s.Add(ectTangent, 0, {Ref(f.a), Ref(f.arc)});
    s.Add(ectTangent, 0, {Ref(f.arc), Ref(f.b)});
    return f;
}

TEST(SolverBehaviour, LeastMovement) {
    TestSketch s;
    auto* l = s.Line({0, -10}, {10, -9});  // made horizontal: ends meet at the middle height, x untouched
    s.Add(ectHorizontal, 0, {Ref(l)});
    // Curves that no constraint needs to move stay bit for bit, in the same part or not.
    auto* a = s.Line({0, 0}, {10, 1});
    auto* b = s.Line({10.5, 1.5}, {14, 7});
    auto* loose = s.Arc({3, 3}, 2, 0.5, 2.0);
    auto* e = s.Ellipse({-5, 0}, 0.3, 3, 1);
    const std::string bEnd = State(b), arc = State(loose), ell = State(e);
    const Vec farEnd = b->EndPoint();
    s.Add(ectHorizontal, 0, {Ref(a)});
    s.Add(ectCoincident, 0, {Ref(a, edrEnd), Ref(b, edrStart)});
    ASSERT_EQ(s.Solve(), esrSolved);
    EXPECT_LT(l->StartPoint().DistanceTo(Vec(0, -9.5)) + l->EndPoint().DistanceTo(Vec(10, -9.5)), 1e-12);
    EXPECT_TRUE(State(loose) == arc && State(e) == ell && State(b) != bEnd);
    EXPECT_NEAR(b->EndPoint().DistanceTo(farEnd), 0.0, 1e-12);  // only b's start had to follow
}

TEST(SolverBehaviour, SolvedSketchStaysPut) {
    TestSketch s;
    const auto [a, arc, b] = AddFillet(s);
    auto* e = s.Ellipse({2, 6}, 0.2, 3, 1.5);
    s.Add(ectHorizontal, 0, {Ref(a)});
    s.Add(ectTangent, 0, {Ref(b), Ref(e)});
    s.Add(ectPointOnCurve, 0, {Ref(a, edrStart), Ref(e)});
    ASSERT_EQ(s.Solve(), esrSolved);
    const std::string before = State(a) + State(arc) + State(b) + State(e);
    for (int again = 0; again < 2; ++again) {
        ASSERT_EQ(s.Solve(), esrSolved);
        EXPECT_EQ(s.iterations, 0);
        EXPECT_EQ(State(a) + State(arc) + State(b) + State(e), before);
    }
}

TEST(SolverBehaviour, StaysOnTheBranchItStartsOn) {
    {  // a perturbed fillet: the centre stays inside the corner, no line turns round
        TestSketch s;
        const auto [a, arc, b] = AddFillet(s);
        s.Add(ectHorizontal, 0, {Ref(a)});
        s.Add(ectVertical, 0, {Ref(b)});
        s.Add(ectRadius, 2, {Ref(arc)});
        ASSERT_EQ(s.Solve(), esrSolved);
        EXPECT_TRUE(SideOf(a, arc->CenterPt()) > 0 && SideOf(b, arc->CenterPt()) > 0 && arc->RotateAngle() > 0);
        EXPECT_TRUE(a->EndPoint().x > a->StartPoint().x && b->EndPoint().y > b->StartPoint().y);
        EXPECT_NEAR(std::abs(arc->RotateAngle()), kPi / 2, 1e-9);
        EXPECT_NEAR(arc->StartPoint().DistanceTo(a->EndPoint()), 0.0, 1e-10);
    }
    {  // a large change of one dimension follows on from the start: 60 to 30 degrees,
       // a length doubled, a circle's radius quadrupled
        TestSketch s;
        auto* base = s.Line({0, 0}, {10, 0});
        auto* arm = s.Line({0, 0}, {3, 5.2});
        auto* circle = s.Circle({20, 0}, 1);
        s.Hold(base);
        s.Add(ectCoincident, 0, {Ref(base, edrStart), Ref(arm, edrStart)});
        s.Add(ectDistance, 6, {Ref(arm)});
        auto* angle = s.Add(ectAngle, kPi / 3, {Ref(base), Ref(arm)});
        auto* radius = s.Add(ectRadius, 1, {Ref(circle)});
        ASSERT_EQ(s.Solve(), esrSolved);
        angle->SetValue(kPi / 6);
        radius->SetValue(4);
        ASSERT_EQ(s.Solve(), esrSolved);
        EXPECT_NEAR(Angle(arm), kPi / 6, 1e-10);
        EXPECT_TRUE(std::abs(arm->Length() - 6) < 1e-10 && arm->StartPoint().Length() < 1e-10);
        EXPECT_TRUE(circle->IsClosed() && std::abs(circle->Radius() - 4) < 1e-10);
        auto* len = s.Constraints()[1].get();
        len->SetValue(12);
        const Vec dir = arm->EndPoint() - arm->StartPoint();
        ASSERT_EQ(s.Solve(), esrSolved);
        EXPECT_NEAR(arm->Length(), 12, 1e-10);
        EXPECT_NEAR(Cross(dir.Normalized(), (arm->EndPoint() - arm->StartPoint()).Normalized()), 0, 1e-10);
        EXPECT_GT(dir.Dot(arm->EndPoint() - arm->StartPoint()), 0);
    }
}

TEST(SolverBehaviour, RedundancyAndDegreesOfFreedom) {
    auto dof = [](TestSketch& s, std::vector<zcs::IConstraint*>* redundant = nullptr) {
        ZlSolver2dFactory f;
        EXPECT_EQ(s.Solve(f), esrSolved);
        if (redundant) f.GetSolver2d()->GetRedundantConstraints(*redundant);
        return f.GetSolver2d()->GetDegreesOfFreedom();
    };
    TestSketch s;
    auto* l = s.Line({0, 0}, {10, 1});
    EXPECT_EQ(dof(s), 4);
    s.Add(ectHorizontal, 0, {Ref(l)});
    EXPECT_EQ(dof(s), 3);
    s.Add(ectDistance, 10, {Ref(l)});
    EXPECT_EQ(dof(s), 2);
    s.Add(ectFixed, 0, {Ref(l, edrStart)});
    EXPECT_EQ(dof(s), 0);
    auto* again = s.Add(ectHorizontal, 0, {Ref(l)});  // consistent repeats: redundant, no freedom taken
    auto* c = s.Circle({0, -5}, 1);
    s.Add(ectRadius, 5, {Ref(c)});
    auto* diameter = s.Add(ectDiameter, 10, {Ref(c)});
    std::vector<zcs::IConstraint*> redundant;
    EXPECT_EQ(dof(s, &redundant), 2);
    EXPECT_EQ(redundant, (std::vector<zcs::IConstraint*>{again, diameter}));
    EXPECT_NEAR(c->Radius(), 5, 1e-12);
    auto* arc = s.Arc({0, 5}, 2, 0, 1);
    auto* e = s.Ellipse({10, 10}, 0, 3, 2);
    s.Nurbs({{0, 0}, {1, 1}, {2, 0}, {3, 1}});
    EXPECT_EQ(dof(s), 2 + 5 + 5 + 8);
    s.Add(ectPointOnCurve, 0, {Ref(arc, edrEnd), Ref(e)});  // one equation, the contact point free
    EXPECT_EQ(dof(s), 2 + 5 + 5 + 8 - 1);
    s.Add(ectTangent, 0, {Ref(arc), Ref(e)});
    s.Add(ectCoincident, 0, {Ref(arc, edrEnd), Ref(e)});  // tangent there: one more
    EXPECT_EQ(dof(s), 2 + 5 + 5 + 8 - 2);
}

TEST(SolverBehaviour, ScaleDoesNotMatter) {
    std::vector<std::vector<Vec>> shapes;
    std::vector<int> iterations;
    for (double k : {1e-4, 1.0, 1e4}) {
        TestSketch s;
        const auto [a, arc, b] = AddFillet(s, k);
        auto* e = s.Ellipse(Vec(3, 6) * k, 0.3, 2.5 * k, 1.2 * k);
        s.Add(ectTangent, 0, {Ref(b), Ref(e)});
        s.Add(ectDistance, 1.5 * k, {Ref(a, edrStart), Ref(e)});
        s.Add(ectAngle, 0.1, {Ref(a), Ref(b)});
        ZlSolver2dFactory f;
        ASSERT_EQ(s.Solve(f), esrSolved);
        EXPECT_LE(f.GetSolver2d()->GetResidual(), 1e-12 * k);
        iterations.push_back(f.GetSolver2d()->GetIterationCount());
        shapes.push_back(
            {a->StartPoint() / k, a->EndPoint() / k, arc->CenterPt() / k, b->EndPoint() / k, e->CenterPt() / k});
    }
    EXPECT_EQ(iterations[0], iterations[1]);
    EXPECT_EQ(iterations[2], iterations[1]);
    for (size_t i = 0; i < shapes[1].size(); ++i) {
        EXPECT_NEAR(shapes[0][i].DistanceTo(shapes[1][i]), 0, 1e-9);
        EXPECT_NEAR(shapes[2][i].DistanceTo(shapes[1][i]), 0, 1e-9);
    }
}

TEST(SolverBehaviour, HeldCurvesPartsAndRepeats) {
    TestSketch s;
    auto* held = s.Line({0, 0}, {5, 0});
    auto* l = s.Line({5.5, 0.5}, {9, 3});
    auto* other = s.Line({20, 20}, {25, 21});
    l->SetExact(l->StartPoint() - l->Direction() * 3.0, l->Direction(), zgp::CInterval<double>(3.0, 3.0 + l->Length()));
    const std::string heldState = State(held), otherState = State(other);
    s.Hold(held);
    s.Add(ectCoincident, 0, {Ref(held, edrEnd), Ref(l, edrStart)});
    s.Add(ectDistance, 5, {Ref(other)});
    ZlSolver2dFactory f;
    zcs::ISolver2d* solver = f.GetSolver2d();
    for (int i = 0; i < 3; ++i) {  // the same curve and constraint any number of times
        solver->AddGeometry(l);
        solver->AddConstraint(s.Constraints()[0].get());
    }
    ASSERT_EQ(s.Solve(f), esrSolved);
    EXPECT_TRUE(State(held) == heldState && State(other) != otherState);
    EXPECT_NEAR(l->StartPoint().DistanceTo(Vec(5, 0)), 0, 1e-12);
    EXPECT_EQ(l->StartT(), 3.0);  // a line keeps its parametrisation
    EXPECT_NEAR(other->Length(), 5, 1e-12);
    std::vector<zcs::IConstraint*> redundant;
    solver->GetRedundantConstraints(redundant);
    EXPECT_TRUE(redundant.empty());
}

TEST(SolverBehaviour, ConstraintsMayGoBeforeTheSolver) {
    ZlSolver2dFactory f;
    {
        TestSketch s;
        auto* l = s.Line({0, 0}, {10, 1});
        s.Add(ectHorizontal, 0, {Ref(l)});
        s.Add(ectDistance, 7, {Ref(l)});
        s.Add(ectDistance, 8, {Ref(l)});
        EXPECT_EQ(s.Solve(f), esrConflict);
        std::wstring message;
        std::vector<zcs::IConstraint*> conflicts;
        f.GetSolver2d()->GetConflicts(message, conflicts);
        EXPECT_EQ(conflicts.size(), 2u);
        s.Constraints().clear();  // the host deletes its constraint objects first
    }
}  // then the factory: the solver must not touch them

}  // namespace
