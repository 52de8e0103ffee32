// Failed solves: nothing moves; GetConflicts names the smallest conflicting set, with a summary.
#include <string>

#include "solver_test_support.h"

using namespace zcs_test;

namespace {

struct Failure {
    EnSolveResult result;
    std::wstring message;
    std::vector<zcs::IConstraint*> conflicts;
};

Failure SolveFailing(TestSketch& s) {
    ZlSolver2dFactory f;
    Failure out;
    out.result = s.Solve(f);
    out.message = L"(untouched)";
    f.GetSolver2d()->GetConflicts(out.message, out.conflicts);
    return out;
}

std::vector<zcs::IConstraint*> Objects(std::initializer_list<TestConstraint*> list) {
    return std::vector<zcs::IConstraint*>(list.begin(), list.end());
}

void ExpectFailure(TestSketch& s, EnSolveResult result, const std::vector<zcs::IConstraint*>& conflicts,
                   const std::wstring& message) {
    const Failure f = SolveFailing(s);
    EXPECT_EQ(f.result, result);
    EXPECT_EQ(f.conflicts, conflicts);
    EXPECT_EQ(f.message, message);
}

TEST(Conflicts, TwoLengthsOnOneLine) {
    TestSketch s;
    auto* l = s.Line({0, 0}, {6, 1});
    auto* m = s.Line({6.5, 1.5}, {9, 4});
    const std::string before = l->AsString() + m->AsString();
    s.Add(ectHorizontal, 0, {Ref(l)});
    auto* five = s.Add(ectDistance, 5, {Ref(l)});
    s.Add(ectCoincident, 0, {Ref(l, edrEnd), Ref(m, edrStart)});
    s.Add(ectDistance, 4, {Ref(m)});
    auto* seven = s.Add(ectDistance, 7, {Ref(l)});
    const Failure first = SolveFailing(s);
    EXPECT_EQ(first.result, esrConflict);
    EXPECT_EQ(first.conflicts, Objects({five, seven}));
    EXPECT_EQ(first.message, L"2 constraints conflict: 2 lengths.");
    EXPECT_EQ(l->AsString() + m->AsString(), before);
    ExpectFailure(s, esrConflict, first.conflicts, first.message);  // the same answer every time
    seven->SetValue(5);
    ExpectFailure(s, esrSolved, {}, L"");  // none after a success
}

// A staircase held at one end and measured 1% longer than it is: one first-order dependency among
// its equations; the held point plays no part.
TEST(Conflicts, LongStaircase) {
    TestSketch s;
    std::vector<CLine2d*> lines;
    std::vector<zcs::IConstraint*> expected;
    Vec p(0, 0);
    for (int i = 0; i < 40; ++i) {
        const Vec q = p + (i % 2 ? Vec(0, 3) : Vec(4, 0)) + Vec(0.1 * std::sin(i), 0.1 * std::cos(i));
        lines.push_back(s.Line(p + Vec(0.05, -0.05), q));
        p = q;
    }
    s.Add(ectFixed, 0, {Ref(lines[0], edrStart)});
    for (int i = 0; i < 40; ++i) {
        expected.push_back(s.Add(i % 2 ? ectVertical : ectHorizontal, 0, {Ref(lines[i])}));
        expected.push_back(s.Add(ectDistance, i % 2 ? 3 : 4, {Ref(lines[i])}));
        if (i) s.Add(ectCoincident, 0, {Ref(lines[i - 1], edrEnd), Ref(lines[i], edrStart)});
    }
    expected.push_back(s.Add(ectDistance, 1.01 * 20 * 5, {Ref(lines[0], edrStart), Ref(lines[39], edrEnd)}));
    ExpectFailure(s, esrConflict, expected,
                  L"81 constraints conflict: 20 horizontal, 40 lengths, 20 vertical, 1 distance.");
}

TEST(Conflicts, OnlyTheConflictNotTheRedundancyNearIt) {
    TestSketch s;
    auto* a = s.Line({0, 0}, {4, 0.2});
    auto* b = s.Line({4, 0.3}, {4.5, 3});
    auto* c = s.Line({4.4, 3.1}, {0.2, 0.1});
    auto* circle = s.Circle({2, 1.5}, 1);
    s.Add(ectCoincident, 0, {Ref(a, edrEnd), Ref(b, edrStart)});
    s.Add(ectCoincident, 0, {Ref(b, edrEnd), Ref(c, edrStart)});
    s.Add(ectCoincident, 0, {Ref(c, edrEnd), Ref(a, edrStart)});
    s.Add(ectRadius, 0.5, {Ref(circle)});
    s.Add(ectDiameter, 1, {Ref(circle)});  // redundant, consistent
    s.Add(ectTangent, 0, {Ref(a), Ref(circle)});
    auto* la = s.Add(ectDistance, 1, {Ref(a)});
    auto* lb = s.Add(ectDistance, 1, {Ref(b)});
    auto* lc = s.Add(ectDistance, 5, {Ref(c)});  // no triangle has sides 1, 1 and 5
    ExpectFailure(s, esrConflict, Objects({la, lb, lc}), L"3 constraints conflict: 3 lengths.");
}

TEST(Conflicts, NothingMovesWhenAnyPartFails) {
    TestSketch s;
    auto* good = s.Line({0, 0}, {10, 1});
    auto* bad = s.Line({20, 0}, {30, 1});
    const std::string before = good->AsString() + bad->AsString();
    s.Add(ectHorizontal, 0, {Ref(good)});
    auto* a = s.Add(ectRadius, 1, {Ref(s.Circle({50, 0}, 1))});
    auto* p = s.Add(ectParallel, 0, {Ref(bad), Ref(good)});
    auto* q = s.Add(ectPerpendicular, 0, {Ref(bad), Ref(good)});
    ExpectFailure(s, esrConflict, Objects({p, q}), L"2 constraints conflict: 1 parallel, 1 perpendicular.");
    EXPECT_EQ(good->AsString() + bad->AsString(), before);
    (void)a;
}

// Coincidences are the sketch's joints and are named only when nothing else explains a conflict.
TEST(Conflicts, JointsAndHeldGeometry) {
    TestSketch s;
    auto* a = s.Line({0, 0}, {5, 0});
    auto* b = s.Line({6, 1}, {9, 4});
    s.Hold(a);
    s.Hold(b);
    auto* join = s.Add(ectCoincident, 0, {Ref(a, edrEnd), Ref(b, edrStart)});
    ExpectFailure(s, esrConflict, Objects({join}), L"1 constraint cannot hold: 1 coincidence.");
}

TEST(Conflicts, ConstraintsThatDoNotFitTheirGeometry) {
    TestSketch s;
    auto* a = s.Line({0, 0}, {5, 0});
    auto* b = s.Line({0, 1}, {5, 2});
    auto* c = s.Circle({0, 5}, 1);
    const std::string before = a->AsString();
    s.Add(ectHorizontal, 0, {Ref(a)});
    auto* lines = s.Add(ectTangent, 0, {Ref(a), Ref(b)});
    auto* sweep = s.Add(ectAngle, 1, {Ref(c)});  // a circle has no sweep to set
    auto* negative = s.Add(ectRadius, -1, {Ref(c)});
    ExpectFailure(s, esrInvalid, Objects({lines, sweep, negative}),
                  L"3 constraints do not fit the geometry referenced: 1 tangency, 1 angle, 1 radius.");
    EXPECT_EQ(a->AsString(), before);
}

}  // namespace
