// Failed solves: nothing moves; GetConflicts names the smallest conflicting set, with a summary.
#include <string>

#include "sketch.h"
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
    EXPECT_EQ(first.message,
              L"2 constraints cannot hold together: 2 lengths. Without any one of them the others can hold.");
    EXPECT_EQ(l->AsString() + m->AsString(), before);
    ExpectFailure(s, esrConflict, first.conflicts, first.message);  // the same answer every time
    seven->SetValue(5);
    ExpectFailure(s, esrSolved, {}, L"");  // none after a success
}

// Irreducibility, checked with fresh solvers from the starting geometry: the set cannot hold
// together with the sketch's joints (coincidences of two points, which a conflict takes as
// given), and without any one member it can.
void ExpectIrreducible(TestSketch& s, const std::vector<zcs::IConstraint*>& set) {
    std::vector<zcs::IConstraint*> joints;
    std::vector<const ZlDimRefGeometry*> refs;
    for (auto& c : s.Constraints()) {
        refs.clear();
        c->GetReferenceGeometries(refs);
        if (c->GetType() == ectCoincident && refs[0]->GetRefType() != edrCurve && refs[1]->GetRefType() != edrCurve)
            joints.push_back(c.get());
    }
    auto withJoints = [&](std::vector<zcs::IConstraint*> v) {
        v.insert(v.end(), joints.begin(), joints.end());
        return v;
    };
    EXPECT_NE(s.SolveOnly(withJoints(set)), esrSolved);
    for (size_t i = 0; i < set.size(); ++i) {
        std::vector<zcs::IConstraint*> rest = set;
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i));
        EXPECT_EQ(s.SolveOnly(withJoints(rest)), esrSolved) << "without member " << i;
    }
}

// A staircase of n segments, alternately 4 long horizontal and 3 long vertical, joined end to
// end from a perturbed start, its first point held, and its ends measured `stretch` times
// farther apart than it reaches. Appends its horizontal and length constraints to `sides`.
TestConstraint* Staircase(TestSketch& s, int n, double stretch, std::vector<zcs::IConstraint*>& sides) {
    std::vector<CLine2d*> lines;
    Vec p(0, 0), reach(0, 0);
    for (int i = 0; i < n; ++i) {
        const Vec step = i % 2 ? Vec(0, 3) : Vec(4, 0);
        const Vec q = p + step + Vec(0.1 * std::sin(i), 0.1 * std::cos(i));
        lines.push_back(s.Line(p + Vec(0.05, -0.05), q));
        p = q;
        reach = reach + step;
    }
    s.Add(ectFixed, 0, {Ref(lines[0], edrStart)});
    for (int i = 0; i < n; ++i) {
        sides.push_back(s.Add(i % 2 ? ectVertical : ectHorizontal, 0, {Ref(lines[i])}));
        sides.push_back(s.Add(ectDistance, i % 2 ? 3 : 4, {Ref(lines[i])}));
        if (i) s.Add(ectCoincident, 0, {Ref(lines[i - 1], edrEnd), Ref(lines[i], edrStart)});
    }
    return s.Add(ectDistance, stretch * reach.Length(), {Ref(lines[0], edrStart), Ref(lines[n - 1], edrEnd)});
}

// 40 segments reach (80, 60), 100 away; 101 is asked. With one horizontal segment free to turn
// the chain reaches |(76, 60)| + 4 = 100.83, still short; with a second horizontal one
// |(72, 60)| + 8 = 101.72, with a vertical one as well |(76, 57)| + 7 = 102, and without a length
// or the distance anything goes. So the first horizontal constraint can go (members, all about
// as strained, are tried in the order added) and every other one is needed. The held point plays
// no part.
TEST(Conflicts, LongStaircase) {
    TestSketch s;
    std::vector<zcs::IConstraint*> expected;
    TestConstraint* distance = Staircase(s, 40, 1.01, expected);
    expected.erase(expected.begin());  // the first horizontal
    expected.push_back(distance);
    const Failure f = SolveFailing(s);
    EXPECT_EQ(f.result, esrConflict);
    EXPECT_EQ(f.conflicts, expected);
    EXPECT_EQ(f.message,
              L"80 constraints cannot hold together: 40 lengths, 20 vertical, 19 horizontal, 1 distance. "
              L"Without any one of them the others can hold.");
    ExpectFailure(s, esrConflict, f.conflicts, f.message);  // the same answer every time
    ExpectIrreducible(s, f.conflicts);
}

// Past 200 constraints in question the set is not cut by solves: every member of the one
// dependency among the equations is named, and the message says so.
TEST(Conflicts, StaircaseTooLongToTryEachRemoval) {
    TestSketch s;
    std::vector<zcs::IConstraint*> expected;
    TestConstraint* distance = Staircase(s, 101, 1.01, expected);
    expected.push_back(distance);
    ExpectFailure(s, esrConflict, expected,
                  L"203 constraints cannot hold together: 51 horizontal, 101 lengths, 50 vertical, 1 distance. "
                  L"Too many to try each one's removal; each is needed to first order.");
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
    const Failure f = SolveFailing(s);
    EXPECT_EQ(f.result, esrConflict);
    EXPECT_EQ(f.conflicts, Objects({la, lb, lc}));
    EXPECT_EQ(f.message,
              L"3 constraints cannot hold together: 3 lengths. Without any one of them the others can hold.");
    ExpectIrreducible(s, f.conflicts);
}

// A triangle with sides 1, 1 and 5 hung from the end of a 30- or 300-segment staircase that
// holds: only the three sides are named, though where the solve stops the staircase carries some
// of the strain too (the longer one is poorly conditioned: a damping that suits the triangle
// would leave it there).
TEST(Conflicts, SmallConflictAtTheEndOfALongChain) {
    for (int n : {30, 300}) {
        SCOPED_TRACE(testing::Message() << "chain of " << n);
        TestSketch s;
        std::vector<CLine2d*> chain;
        Vec p(0, 0);
        for (int i = 0; i < n; ++i) {
            const Vec q = p + (i % 2 ? Vec(0.1, 3) : Vec(4, -0.1));
            chain.push_back(s.Line(p, q));
            if (i) s.Add(ectCoincident, 0, {Ref(chain[i - 1], edrEnd), Ref(chain[i], edrStart)});
            s.Add(i % 2 ? ectVertical : ectHorizontal, 0, {Ref(chain[i])});
            s.Add(ectDistance, i % 2 ? 3 : 4, {Ref(chain[i])});
            p = q;
        }
        s.Add(ectFixed, 0, {Ref(chain[0], edrStart)});
        CLine2d* t[3] = {s.Line(p, p + Vec(1.1, 0.2)), s.Line(p + Vec(1.2, 0.1), p + Vec(0.6, 1)),
                         s.Line(p + Vec(0.5, 1.1), p + Vec(0.1, 0.1))};
        s.Add(ectCoincident, 0, {Ref(chain.back(), edrEnd), Ref(t[0], edrStart)});
        std::vector<zcs::IConstraint*> sides;
        for (int i = 0; i < 3; ++i) {
            s.Add(ectCoincident, 0, {Ref(t[i], edrEnd), Ref(t[(i + 1) % 3], edrStart)});
            sides.push_back(s.Add(ectDistance, i == 2 ? 5 : 1, {Ref(t[i])}));
        }
        const Failure f = SolveFailing(s);
        EXPECT_EQ(f.result, esrConflict);
        EXPECT_EQ(f.conflicts, sides);
        ExpectIrreducible(s, f.conflicts);
    }
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
    ExpectFailure(
        s, esrConflict, Objects({p, q}),
        L"2 constraints cannot hold together: 1 parallel, 1 perpendicular. Without any one of them the others "
        L"can hold.");
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

// Where a solve stopped short with no conflict shown, the report lists what is still unmet
// there, by residual against the part's tolerance, and claims no conflict.
TEST(Conflicts, UnmetWhereTheSolveStopped) {
    TestSketch t;
    auto* l = t.Line({0, 0}, {3, 1});
    t.Add(ectFixed, 0, {Ref(l, edrStart)});         // met where it stands
    t.Add(ectHorizontal, 0, {Ref(l)});              // 1 off
    t.Add(ectDistance, 3, {Ref(l)});                // sqrt(10) - 3 off
    t.Add(ectDistance, std::sqrt(10.0), {Ref(l)});  // met
    zcs::detail::Input in;
    for (auto& c : t.Constraints()) in.cons.push_back(c.get());
    zcs::detail::Sketch s;
    zcs::detail::BuildSketch(in, s);
    ASSERT_EQ(s.parts.size(), 1u);
    const std::vector<int> unmet = zcs::detail::UnmetConstraints(s, s.parts[0], s.model.P0);
    EXPECT_EQ(unmet, (std::vector<int>{1, 2}));
    EXPECT_EQ(zcs::detail::UnmetMessage(s.model, unmet),
              L"no solution found from this start; 2 constraints still unmet: 1 horizontal, 1 length.");
}

}  // namespace
