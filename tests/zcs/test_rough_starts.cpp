// Rough starts: sketches drawn far from their dimensions solve, fillets staying inside their
// corners; sketches that have a solution never answer a conflict, nor do unreachable ones.
#include <random>
#include <string>

#include "../../bench/zcs_rough_sketches.h"
#include "solver_test_support.h"

using namespace zcs_test;
using zcs_rough::StairCorners;
using zcs_rough::StairDirection;

namespace {

double SolveAndResidual(TestSketch& s, EnSolveResult& result) {
    ZlSolver2dFactory f;
    result = s.Solve(f);
    return f.GetSolver2d()->GetResidual();
}

// Seeds whose start has arcs of nearly a full turn (10/34, 20/9, 50/21) or of nearly no sweep
// (10/35, 50/16, 50/21); the first again at both ends of the scale range. The answer is the
// staircase hung from the held point, every fillet a quarter circle inside its corner.
TEST(RoughStarts, FilletedStaircases) {
    for (const auto& [n, seed, L] : {std::tuple<int, unsigned, double>{10, 34, 10},
                                     {10, 35, 10},
                                     {20, 9, 10},
                                     {50, 16, 10},
                                     {50, 21, 10},
                                     {10, 34, 1e5},
                                     {10, 34, 1e-4}}) {
        SCOPED_TRACE(testing::Message() << "n " << n << " seed " << seed << " L " << L);
        TestSketch s;
        const zcs_rough::Fillets f = zcs_rough::BuildRoughFillets(s, n, seed, L);
        const Vec held = f.lines[0]->StartPoint();
        const std::vector<Vec> k = StairCorners(n, L);
        const double r = 0.2 * L, size = k.back().Length(), tol = 1e-9 * size;
        EnSolveResult result;
        EXPECT_LE(SolveAndResidual(s, result), 1e-10 * size);
        ASSERT_EQ(result, esrSolved);
        for (int i = 0; i < n; ++i) {
            const Vec d0 = StairDirection(i), d1 = StairDirection(i + 1);
            EXPECT_NEAR(f.lines[i]->StartPoint().DistanceTo(held + k[i] + d0 * (i > 0 ? r : 0.0)), 0, tol);
            EXPECT_NEAR(f.lines[i]->EndPoint().DistanceTo(held + k[i + 1] - d0 * (i + 1 < n ? r : 0.0)), 0, tol);
            if (i + 1 == n) break;
            const CArc2d* arc = f.arcs[i];
            const double turn = Cross(d0, d1);
            EXPECT_NEAR(arc->CenterPt().DistanceTo(held + k[i + 1] - d0 * r + d0.Perp() * (turn * r)), 0, tol);
            EXPECT_NEAR(arc->Radius(), r, tol);
            EXPECT_NEAR(arc->RotateAngle(), turn * kPi / 2, 1e-9);
            EXPECT_NEAR(arc->StartPoint().DistanceTo(f.lines[i]->EndPoint()), 0, tol);
            EXPECT_NEAR(arc->EndPoint().DistanceTo(f.lines[i + 1]->StartPoint()), 0, tol);
        }
        EXPECT_EQ(zcs_rough::CountFlippedFillets(f), 0);
    }
}

TEST(RoughStarts, HandDrawnChains) {
    for (const auto& [n, seed] : {std::pair<int, unsigned>{10, 3}, {100, 5}, {1000, 7}}) {
        TestSketch s;
        const std::vector<CLine2d*> lines = zcs_rough::BuildRoughChain(s, n, seed, 10.0);
        const Vec held = lines[0]->StartPoint();
        const std::vector<Vec> k = StairCorners(n, 10.0);
        const double size = k.back().Length();
        EnSolveResult result;
        EXPECT_LE(SolveAndResidual(s, result), 1e-10 * size);
        ASSERT_EQ(result, esrSolved) << n;
        double worst = 0;
        for (int i = 0; i < n; ++i)
            worst = std::max({worst, lines[i]->StartPoint().DistanceTo(held + k[i]),
                              lines[i]->EndPoint().DistanceTo(held + k[i + 1])});
        EXPECT_LE(worst, 1e-9 * size) << n;
    }
}

// A sketch built first and measured: a polyline (open or closed) with tangent fillets at some
// corners, joined end to end, with some lengths, angles, radii, a point-to-point and a
// point-to-line distance taken from it; then every point moved by up to `rough` of the lines'
// typical length and the arcs rebuilt through their moved ends.
void BuildSatisfiable(TestSketch& s, unsigned seed, double rough) {
    std::mt19937 rng(seed);
    auto U = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    auto moved = [&](Vec p) { return p + Vec{U(-rough, rough), U(-rough, rough)} * 10.0; };
    const bool closed = U(0, 1) < 0.5;
    const int n = 3 + static_cast<int>(rng() % 4);  // lines
    std::vector<Vec> v{Vec(0, 0)};
    for (double heading = 0; static_cast<int>(v.size()) < n + (closed ? 0 : 1);
         heading += (U(0, 1) < 0.5 ? 1 : -1) * U(0.35, 2.6))
        v.push_back(closed
                        ? Vec(std::cos(kPi * 2 * v.size() / n), std::sin(kPi * 2 * v.size() / n)) * 10.0 * U(0.8, 1.2)
                        : v.back() + Vec(std::cos(heading), std::sin(heading)) * 10.0 * U(0.6, 1.4));
    auto at = [&](int i) { return v[i % v.size()]; };
    std::vector<Vec> a(n), b(n);
    std::vector<double> radius(n, 0.0);  // of the fillet at the end of line i, 0 for none
    for (int i = 0; i < n; ++i) a[i] = at(i), b[i] = at(i + 1);
    for (int i = 0; i + 1 < n + closed; ++i) {
        const Vec d0 = (at(i + 1) - at(i)).Normalized(), d1 = (at(i + 2) - at(i + 1)).Normalized();
        const double turn = std::atan2(Cross(d0, d1), d0.Dot(d1)), r = U(0, 1) < 0.5 ? 1.0 : 1.5;
        const double t = r * std::tan(std::abs(turn) / 2);
        if (U(0, 1) < 0.4 || std::abs(turn) < 0.2 ||
            t > 0.3 * std::min(b[i].DistanceTo(a[i]), at(i + 2).DistanceTo(at(i + 1))))
            continue;
        b[i] = at(i + 1) - d0 * t, a[(i + 1) % n] = at(i + 1) + d1 * t, radius[i] = r;
    }
    std::vector<CLine2d*> lines;
    for (int i = 0; i < n; ++i) {
        const Vec from = moved(a[i]);
        lines.push_back(s.Line(from, moved(b[i])));
    }
    for (int i = 0; i + 1 < n + closed; ++i) {
        CLine2d* next = lines[(i + 1) % n];
        if (radius[i] == 0) {
            s.Add(ectCoincident, 0, {Ref(lines[i], edrEnd), Ref(next, edrStart)});
            continue;
        }
        const Vec d0 = (b[i] - a[i]).Normalized();
        const int turn = Cross(d0, a[(i + 1) % n] - b[i]) > 0 ? 1 : -1;
        const Vec c = moved(b[i] + d0.Perp() * (turn * radius[i])), from = moved(b[i]);
        CArc2d* arc = zcs_rough::ArcThrough(s, c, from, moved(a[(i + 1) % n]), turn);
        s.Add(ectCoincident, 0, {Ref(lines[i], edrEnd), Ref(arc, edrStart)});
        s.Add(ectCoincident, 0, {Ref(arc, edrEnd), Ref(next, edrStart)});
        s.Add(ectTangent, 0, {Ref(lines[i]), Ref(arc)});
        s.Add(ectTangent, 0, {Ref(arc), Ref(next)});
        if (U(0, 1) < 0.5) s.Add(ectRadius, radius[i], {Ref(arc)});
    }
    if (U(0, 1) < 0.7) s.Add(ectFixed, 0, {Ref(lines[0], edrStart)});
    for (int i = 0; i < n; ++i) {
        if (U(0, 1) < 0.6) s.Add(ectDistance, a[i].DistanceTo(b[i]), {Ref(lines[i])});
        const int j = (i + 1) % n;
        if ((j > i || closed) && U(0, 1) < 0.4)
            s.Add(ectAngle, Reduce((b[j] - a[j]).Angle() - (b[i] - a[i]).Angle()), {Ref(lines[i]), Ref(lines[j])});
    }
    const int i = static_cast<int>(rng() % n), j = static_cast<int>(rng() % n);
    if (U(0, 1) < 0.5) s.Add(ectDistance, a[i].DistanceTo(b[j]), {Ref(lines[i], edrStart), Ref(lines[j], edrEnd)});
    const double off = std::abs(CLine2d(a[j], b[j]).SignedDistance(a[i]));
    if (n > 3 && j != i && (j + 1) % n != i && off > 1.0)
        s.Add(ectDistance, off, {Ref(lines[i], edrStart), Ref(lines[j])});
}

// The largest error of the point distances (coincidences among them), lengths and radii,
// measured on the curves.
double WorstError(TestSketch& s) {
    double worst = 0;
    for (auto& c : s.Constraints()) {
        std::vector<const ZlDimRefGeometry*> r;
        c->GetReferenceGeometries(r);
        auto curve = [&](int k) { return static_cast<CCurve2d*>(r[k]->GetRefGeometry()); };
        auto point = [&](int k) {
            return curve(k)->GetPoint(r[k]->GetRefType() == edrStart ? curve(k)->StartT() : curve(k)->EndT());
        };
        if (r.size() == 2 && r[0]->GetRefType() != edrCurve && r[1]->GetRefType() != edrCurve)
            worst = std::max(worst, std::abs(point(0).DistanceTo(point(1)) - c->GetValue()));
        else if (r.size() == 1 && (c->GetType() == ectDistance || c->GetType() == ectRadius))
            worst = std::max(worst, std::abs((c->GetType() == ectRadius ? static_cast<CArc2d*>(curve(0))->Radius()
                                                                        : curve(0)->Length()) -
                                             c->GetValue()));
    }
    return worst;
}

TEST(RoughStarts, SatisfiableSketchesNeverConflict) {
    int solved = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        TestSketch s;
        BuildSatisfiable(s, seed, 0.15);
        const EnSolveResult result = s.Solve();
        ASSERT_NE(result, esrConflict) << "seed " << seed;
        if (result != esrSolved) continue;
        ++solved;
        EXPECT_LE(WorstError(s), 1e-9) << "seed " << seed;
    }
    EXPECT_GE(solved, 285);
}

// Each sketch has a solution, but only on the other side of a held line from where it is drawn:
// a point at a distance from the line, joined to a held point beyond it; a circle tangent to the
// line, centred on a held point beyond it. The solver keeps the side the start shows, so it finds
// nothing from this start; that is no conflict, and nothing moves.
TEST(RoughStarts, UnreachableFromTheStartIsNotAConflict) {
    for (int circle = 0; circle < 2; ++circle) {
        TestSketch s;
        auto* base = s.Line({0, 0}, {10, 0});
        auto* anchor = s.Line({-5, -2}, {3, -2});
        CCurve2d* moving = circle ? static_cast<CCurve2d*>(s.Circle({3, 1.5}, 1.5)) : s.Line({3, 0.5}, {6, 4});
        s.Hold(base);
        s.Hold(anchor);
        if (circle) {
            s.Add(ectTangent, 0, {Ref(base), Ref(moving)});
            s.Add(ectCoincident, 0, {Ref(moving, edrCenter), Ref(anchor, edrEnd)});
        } else {
            s.Add(ectDistance, 2, {Ref(moving, edrStart), Ref(base)});
            s.Add(ectCoincident, 0, {Ref(moving, edrStart), Ref(anchor, edrEnd)});
        }
        const std::string before = moving->AsString();
        EXPECT_EQ(s.Solve(), esrNotConverged) << circle;
        EXPECT_EQ(moving->AsString(), before);
    }
}

}  // namespace
