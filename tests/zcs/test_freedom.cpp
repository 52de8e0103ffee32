// Per-curve freedom: each curve's remaining degrees of freedom, counted by hand on small sketches
// and on a staircase whose last segment alone is left loose.
#include <map>

#include "solver_test_support.h"

using namespace zcs_test;

namespace {

// Solves the sketch (so that it sits on its constraints) and answers each curve's freedom.
std::map<const zgp::CGeometry*, int> Freedom(TestSketch& s) {
    ZlSolver2dFactory f;
    EXPECT_EQ(s.Solve(f), esrSolved);
    std::vector<std::pair<zgp::CGeometry*, int>> out;
    f.GetSolver2d()->GetCurveFreedom(out);
    std::map<const zgp::CGeometry*, int> byCurve;
    for (const auto& [curve, free] : out) EXPECT_TRUE(byCurve.emplace(curve, free).second) << "listed twice";
    return byCurve;
}

TEST(CurveFreedom, HandCountedSketches) {
    TestSketch s;
    // A line held at its start: its end may go anywhere (2); a line nothing binds keeps all 4.
    auto* pinned = s.Line({0, 0}, {3, 1});
    auto* loose = s.Line({5, 5}, {6, 7});
    s.Add(ectFixed, 0, {Ref(pinned, edrStart)});
    // Horizontal, a length and a held start leave nothing (the horizontal given twice changes
    // nothing: freedom counts independent conditions, not constraints).
    auto* full = s.Line({0, 10}, {4, 10.5});
    s.Add(ectFixed, 0, {Ref(full, edrStart)});
    s.Add(ectHorizontal, 0, {Ref(full)});
    s.Add(ectHorizontal, 0, {Ref(full)});
    s.Add(ectDistance, 4, {Ref(full)});
    // A circle with only its radius: the centre moves (2).
    auto* circle = s.Circle({20, 0}, 1.5);
    s.Add(ectRadius, 2, {Ref(circle)});
    // An arc with its centre and radius held: both ends still slide round it (2).
    auto* arc = s.Arc({30, 0}, 2, 0.2, 1.4);
    s.Add(ectFixed, 0, {Ref(arc, edrCenter)});
    s.Add(ectRadius, 2, {Ref(arc)});
    // Coupled: b's length follows a's, a has its start held and lies horizontal. Every motion
    // of b is allowed (a's length follows), a keeps only its length (1).
    auto* a = s.Line({0, 20}, {5, 20});
    auto* b = s.Line({0, 25}, {3, 29});
    s.Add(ectFixed, 0, {Ref(a, edrStart)});
    s.Add(ectHorizontal, 0, {Ref(a)});
    s.Add(ectEqual, 0, {Ref(a), Ref(b)});
    // An ellipse through a held point: one condition on it (its contact parameter slides), 4 left;
    // a NURBS curve with its start on that point keeps all but those 2 (8 - 2).
    auto* e = s.Ellipse({50, 0}, 0.3, 3, 1);
    auto* pin = s.Line({53, 0.9}, {55, 2});
    s.Add(ectFixed, 0, {Ref(pin, edrStart)});
    s.Add(ectPointOnCurve, 0, {Ref(pin, edrStart), Ref(e)});
    auto* spline = s.Nurbs({{60, 0}, {61, 1}, {62, 0}, {63, 1}});
    s.Add(ectCoincident, 0, {Ref(spline, edrStart), Ref(pin, edrStart)});
    // A curve held whole has none.
    auto* held = s.Line({40, 0}, {41, 1});
    s.Hold(held);

    const auto f = Freedom(s);
    EXPECT_EQ(f.size(), 11u);
    EXPECT_EQ(f.at(e), 4);
    EXPECT_EQ(f.at(pin), 2);
    EXPECT_EQ(f.at(spline), 6);
    EXPECT_EQ(f.at(pinned), 2);
    EXPECT_EQ(f.at(loose), 4);
    EXPECT_EQ(f.at(full), 0);
    EXPECT_EQ(f.at(circle), 2);
    EXPECT_EQ(f.at(arc), 2);
    EXPECT_EQ(f.at(a), 1);
    EXPECT_EQ(f.at(b), 4);
    EXPECT_EQ(f.at(held), 0);
}

// A staircase held at its first point, every segment horizontal or vertical with its length,
// except the last: that one keeps its end free (2), or only its length (1) once it is made
// vertical; every other segment is fully constrained. Long enough that the shares of the free
// motions in the chain's null space are far from the first segments.
TEST(CurveFreedom, StaircaseWithALooseEnd) {
    for (const bool lastVertical : {false, true}) {
        TestSketch s;
        std::vector<CLine2d*> lines;
        Vec p(0, 0);
        const int n = 300;
        for (int i = 0; i < n; ++i) {
            const Vec q = p + (i % 2 ? Vec(0.1, 3) : Vec(4, -0.1));
            lines.push_back(s.Line(p, q));
            p = q;
        }
        s.Add(ectFixed, 0, {Ref(lines[0], edrStart)});
        for (int i = 0; i < n; ++i) {
            if (i) s.Add(ectCoincident, 0, {Ref(lines[i - 1], edrEnd), Ref(lines[i], edrStart)});
            if (i + 1 == n) {
                if (lastVertical) s.Add(ectVertical, 0, {Ref(lines[i])});
                break;
            }
            s.Add(i % 2 ? ectVertical : ectHorizontal, 0, {Ref(lines[i])});
            s.Add(ectDistance, i % 2 ? 3 : 4, {Ref(lines[i])});
        }
        const auto f = Freedom(s);
        for (int i = 0; i + 1 < n; ++i) EXPECT_EQ(f.at(lines[i]), 0) << "segment " << i;
        EXPECT_EQ(f.at(lines.back()), lastVertical ? 1 : 2);
    }
}

}  // namespace
