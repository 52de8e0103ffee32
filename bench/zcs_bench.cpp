// Benchmarks of the constraint solver on chain-like sketches, each solved from a perturbed
// start: staircases of lines, the same with tangent fillets, chains of tangent circles, and
// the staircases drawn roughly, far from their dimensions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "zcs/zcs.h"
#include "zcs_rough_sketches.h"
#include "zgp/zgp.h"

namespace {

using zgp::CArc2d;
using zgp::CCurve2d;
using zgp::CLine2d;
using Vec = zgp::CVec2<double>;
constexpr double kPi = 3.14159265358979323846;

class Constraint : public zcs::IConstraint {
public:
    Constraint(EnConstraintType t, double v, std::vector<ZlDimRefGeometry> r) : m_t(t), m_v(v), m_r(std::move(r)) {}
    double GetValue() const override { return m_v; }
    EnConstraintType GetType() override { return m_t; }
    void GetReferenceGeometries(std::vector<const ZlDimRefGeometry*>& out) const override {
        for (const auto& r : m_r) out.push_back(&r);
    }

private:
    EnConstraintType m_t;
    double m_v;
    std::vector<ZlDimRefGeometry> m_r;
};

ZlDimRefGeometry R(CCurve2d* c, EnDimRefType t = edrCurve) { return ZlDimRefGeometry(c, t); }

// A sketch whose curves can be put back to their perturbed start before every solve.
struct Sketch {
    std::vector<CCurve2d*> curves;
    std::vector<std::string> start;  // each curve's text form at the perturbed start
    std::vector<std::unique_ptr<Constraint>> cons;
    ~Sketch() {
        for (auto* c : curves) c->Free();
    }
    void Add(EnConstraintType t, double v, std::vector<ZlDimRefGeometry> r) {
        cons.emplace_back(new Constraint(t, v, std::move(r)));
    }
    CLine2d* Line(Vec a, Vec b) {
        auto* l = new CLine2d(a, b);
        curves.push_back(l);
        return l;
    }
    CArc2d* Arc(Vec c, double r, double a0, double a1, int sense) {  // from angle a0 to a1
        const double lo = sense * r * a0, hi = sense * r * a1;
        auto* arc = new CArc2d(c, r, zgp::CInterval<double>(std::min(lo, hi), std::max(lo, hi)), sense);
        curves.push_back(arc);
        return arc;
    }
    void Snapshot() {
        start.clear();
        for (auto* c : curves) start.push_back(c->AsString());
    }
    void Restore() {
        for (size_t i = 0; i < curves.size(); ++i) {
            zgp::CGeometry* g = zgp::CGeometry::LoadFromStr(start[i]);
            if (curves[i]->Type() == zgp::GT_LINE)
                *static_cast<CLine2d*>(curves[i]) = *static_cast<CLine2d*>(g);
            else
                *static_cast<CArc2d*>(curves[i]) = *static_cast<CArc2d*>(g);
            g->Free();
        }
    }
    EnSolveResult Solve() {
        ZlSolver2dFactory f;
        zcs::ISolver2d* s = f.GetSolver2d();
        for (auto* c : curves) s->AddGeometry(c);
        for (auto& c : cons) s->AddConstraint(c.get());
        return s->Solve();
    }
};

double SegmentLength(int i) { return 10.0 + (i % 7); }
Vec Direction(int i) { return i % 2 == 0 ? Vec(1, 0) : Vec(0, 1); }

// The corners of the exact staircase: segment i runs from corner i to corner i + 1.
std::vector<Vec> Corners(int n) {
    std::vector<Vec> k{Vec(0, 0)};
    for (int i = 0; i < n; ++i) k.push_back(k.back() + Direction(i) * SegmentLength(i));
    return k;
}

void Perturb(CLine2d* l, std::mt19937& rng, double amount) {
    std::uniform_real_distribution<double> u(-amount, amount);
    l->Set(l->StartPoint() + Vec(u(rng), u(rng)), l->EndPoint() + Vec(u(rng), u(rng)));
}

// N segments joined end to end, alternately horizontal and vertical, each with its length,
// the first point held by a fixed constraint.
void BuildChain(Sketch& s, int n, double extraDistance) {
    std::mt19937 rng(7);
    const std::vector<Vec> k = Corners(n);
    for (int i = 0; i < n; ++i) {
        auto* l = new CLine2d(k[i], k[i + 1]);
        Perturb(l, rng, 0.3);
        s.curves.push_back(l);
    }
    auto line = [&](int i) { return s.curves[i]; };
    s.Add(ectFixed, 0, {R(line(0), edrStart)});
    for (int i = 0; i < n; ++i) {
        s.Add(i % 2 == 0 ? ectHorizontal : ectVertical, 0, {R(line(i))});
        s.Add(ectDistance, SegmentLength(i), {R(line(i))});
        if (i + 1 < n) s.Add(ectCoincident, 0, {R(line(i), edrEnd), R(line(i + 1), edrStart)});
    }
    // A first-to-last distance the chain cannot reach: the solve must fail.
    if (extraDistance > 0)
        s.Add(ectDistance, k.front().DistanceTo(k.back()) + extraDistance,
              {R(line(0), edrStart), R(line(n - 1), edrEnd)});
    s.Snapshot();
}

// The staircase with a quarter-circle fillet of radius 2 at every corner: two coincidences and
// two tangencies per fillet, the fillets' radii equal along the chain, one diameter.
void BuildFillets(Sketch& s, int n) {
    std::mt19937 rng(11);
    const double r = 2.0;
    const std::vector<Vec> k = Corners(n);
    std::vector<CCurve2d*> lines, arcs;
    for (int i = 0; i < n; ++i) {
        const Vec d = Direction(i);
        const Vec a = k[i] + d * (i > 0 ? r : 0.0), b = k[i + 1] - d * (i + 1 < n ? r : 0.0);
        auto* l = new CLine2d(a, b);
        Perturb(l, rng, 0.2);
        lines.push_back(l);
        s.curves.push_back(l);
    }
    std::uniform_real_distribution<double> u(-0.2, 0.2);
    for (int i = 0; i + 1 < n; ++i) {
        const Vec d0 = Direction(i), d1 = Direction(i + 1);
        const int turn = d0.Cross(d1) > 0 ? 1 : -1;
        const Vec normal = d0.Perp() * turn;
        const Vec centre = k[i + 1] - d0 * r + normal * r + Vec(u(rng), u(rng));
        const double a0 = (-normal).Angle(), a1 = a0 + turn * kPi / 2;
        const double rr = r * (1.0 + u(rng) * 0.2);
        auto* arc = new CArc2d(
            centre, rr,
            zgp::CInterval<double>(std::min(turn * rr * a0, turn * rr * a1), std::max(turn * rr * a0, turn * rr * a1)),
            turn);
        arcs.push_back(arc);
        s.curves.push_back(arc);
    }
    s.Add(ectFixed, 0, {R(lines[0], edrStart)});
    for (int i = 0; i < n; ++i) {
        const double trims = (i > 0 ? r : 0.0) + (i + 1 < n ? r : 0.0);
        s.Add(i % 2 == 0 ? ectHorizontal : ectVertical, 0, {R(lines[i])});
        s.Add(ectDistance, SegmentLength(i) - trims, {R(lines[i])});
    }
    for (int i = 0; i + 1 < n; ++i) {
        s.Add(ectCoincident, 0, {R(lines[i], edrEnd), R(arcs[i], edrStart)});
        s.Add(ectCoincident, 0, {R(arcs[i], edrEnd), R(lines[i + 1], edrStart)});
        s.Add(ectTangent, 0, {R(lines[i]), R(arcs[i])});
        s.Add(ectTangent, 0, {R(arcs[i]), R(lines[i + 1])});
        if (i > 0) s.Add(ectEqual, 0, {R(arcs[i - 1]), R(arcs[i])});
    }
    if (!arcs.empty()) s.Add(ectDiameter, 2 * r, {R(arcs[0])});
    s.Snapshot();
}

// N equal circles, each tangent to the next, centres on one horizontal line, the first fixed.
void BuildCircleChain(Sketch& s, int n) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-0.2, 0.2);
    for (int i = 0; i < n; ++i) {
        auto* c = new CArc2d();
        c->Set(Vec(4.0 * i + (i ? u(rng) : 0.0), i ? u(rng) : 0.0), 2.0 + (i ? u(rng) : 0.0), 0.0, 0.0);
        s.curves.push_back(c);
    }
    s.Add(ectFixed, 0, {R(s.curves[0])});
    for (int i = 1; i < n; ++i) {
        s.Add(ectEqual, 0, {R(s.curves[i - 1]), R(s.curves[i])});
        s.Add(ectTangent, 0, {R(s.curves[i - 1]), R(s.curves[i])});
        s.Add(ectHorizontal, 0, {R(s.curves[i - 1], edrCenter), R(s.curves[i], edrCenter)});
    }
    s.Snapshot();
}

void Run(benchmark::State& state, Sketch& s, EnSolveResult expected) {
    for (auto _ : state) {
        s.Restore();
        if (s.Solve() != expected) {
            state.SkipWithError("unexpected solve result");
            break;
        }
    }
}

void BM_SolveChain(benchmark::State& state) {
    Sketch s;
    BuildChain(s, static_cast<int>(state.range(0)), 0.0);
    Run(state, s, esrSolved);
}
BENCHMARK(BM_SolveChain)->Arg(10)->Arg(50)->Arg(100)->Arg(1000)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same chain with a first-to-last distance 1% longer than it reaches: Solve must fail.
void BM_SolveConflictChain(benchmark::State& state) {
    Sketch s;
    BuildChain(s, static_cast<int>(state.range(0)), 0.01 * Corners(static_cast<int>(state.range(0))).back().Length());
    Run(state, s, esrConflict);
}
BENCHMARK(BM_SolveConflictChain)->Arg(50)->Arg(100)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// Solve, which must fail with esrConflict, and GetConflicts: the whole answer a host waits
// for when a constraint it added cannot hold. Counts the constraints named.
void RunConflicts(benchmark::State& state, Sketch& s) {
    size_t found = 0;
    for (auto _ : state) {
        s.Restore();
        ZlSolver2dFactory f;
        zcs::ISolver2d* solver = f.GetSolver2d();
        for (auto* c : s.curves) solver->AddGeometry(c);
        for (auto& c : s.cons) solver->AddConstraint(c.get());
        if (solver->Solve() != esrConflict) {
            state.SkipWithError("unexpected solve result");
            break;
        }
        std::wstring message;
        std::vector<zcs::IConstraint*> conflicts;
        solver->GetConflicts(message, conflicts);
        found = conflicts.size();
    }
    state.counters["set"] = static_cast<double>(found);
}

// The chain measured 1% longer than it reaches. Up to 99 segments every constraint in question
// is tried (the set named is irreducible); from 100 on there are more than 200 and the set is
// the first-order one.
void BM_ConflictChain(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Sketch s;
    BuildChain(s, n, 0.01 * Corners(n).back().Length());
    RunConflicts(state, s);
}
BENCHMARK(BM_ConflictChain)->Arg(10)->Arg(50)->Arg(99)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// A small conflict in a larger sketch: a triangle whose sides (1, 1 and 5) no triangle has,
// hung from the far end of an N-segment staircase that holds. Only the three sides are named.
void BM_ConflictAtChainEnd(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Sketch s;
    BuildChain(s, n, 0.0);
    const Vec end = Corners(n).back();
    std::vector<CCurve2d*> t{new CLine2d(end, end + Vec(1.1, 0.2)), new CLine2d(end + Vec(1.2, 0.1), end + Vec(0.6, 1)),
                             new CLine2d(end + Vec(0.5, 1.1), end + Vec(0.1, 0.1))};
    for (int i = 0; i < 3; ++i) {
        s.curves.push_back(t[i]);
        s.Add(ectCoincident, 0, {R(t[i], edrEnd), R(t[(i + 1) % 3], edrStart)});
    }
    s.Add(ectCoincident, 0, {R(s.curves[n - 1], edrEnd), R(t[0], edrStart)});
    s.Add(ectDistance, 1, {R(t[0])});
    s.Add(ectDistance, 1, {R(t[1])});
    s.Add(ectDistance, 5, {R(t[2])});
    s.Snapshot();
    RunConflicts(state, s);
}
BENCHMARK(BM_ConflictAtChainEnd)->Arg(10)->Arg(47)->Unit(benchmark::kMillisecond);

// Each curve's remaining freedom on the solved staircase (every segment fully constrained):
// its time should grow about linearly with N.
void BM_CurveFreedomChain(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Sketch s;
    BuildChain(s, n, 0.0);
    if (s.Solve() != esrSolved) state.SkipWithError("the chain does not solve");
    int loose = 0;
    for (auto _ : state) {
        ZlSolver2dFactory f;
        zcs::ISolver2d* solver = f.GetSolver2d();
        for (auto* c : s.curves) solver->AddGeometry(c);
        for (auto& c : s.cons) solver->AddConstraint(c.get());
        std::vector<std::pair<zgp::CGeometry*, int>> freedom;
        solver->GetCurveFreedom(freedom);
        loose = 0;
        for (const auto& cf : freedom) loose += cf.second;
    }
    state.counters["free"] = loose;
}
BENCHMARK(BM_CurveFreedomChain)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SolveFillets(benchmark::State& state) {
    Sketch s;
    BuildFillets(s, static_cast<int>(state.range(0)));
    Run(state, s, esrSolved);
}
BENCHMARK(BM_SolveFillets)->Arg(10)->Arg(25)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_SolveCircleChain(benchmark::State& state) {
    Sketch s;
    BuildCircleChain(s, static_cast<int>(state.range(0)));
    Run(state, s, esrSolved);
}
BENCHMARK(BM_SolveCircleChain)->Arg(10)->Arg(50)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// Rough sketches of one family for a fixed cycle of seeds: each iteration solves the next one
// from its rough start. Counters over the cycle: "solved", the share of sketches solved, and
// "flipped", the fillets per sketch that came out flipped (see CountFlippedFillets).
constexpr unsigned kRoughSeeds = 20;

struct RoughSketch {
    Sketch sketch;
    zcs_rough::Fillets fillets;
};

void RunRough(benchmark::State& state, std::vector<std::unique_ptr<RoughSketch>>& sketches) {
    double solved = 0, flipped = 0;
    for (auto& r : sketches) {
        if (r->sketch.Solve() == esrSolved) {
            solved += 1;
            flipped += zcs_rough::CountFlippedFillets(r->fillets);
        }
        r->sketch.Restore();
    }
    size_t next = 0;
    for (auto _ : state) {
        RoughSketch& r = *sketches[next];
        next = (next + 1) % sketches.size();
        r.sketch.Restore();
        benchmark::DoNotOptimize(r.sketch.Solve());
    }
    state.counters["solved"] = solved / static_cast<double>(sketches.size());
    if (!sketches.front()->fillets.arcs.empty())
        state.counters["flipped"] = flipped / static_cast<double>(sketches.size());
}

void BM_SolveFilletsRough(benchmark::State& state) {
    std::vector<std::unique_ptr<RoughSketch>> sketches;
    for (unsigned seed = 1; seed <= kRoughSeeds; ++seed) {
        sketches.emplace_back(new RoughSketch);
        RoughSketch& r = *sketches.back();
        r.fillets = zcs_rough::BuildRoughFillets(r.sketch, static_cast<int>(state.range(0)), seed, 10.0);
        r.sketch.Snapshot();
    }
    RunRough(state, sketches);
}
BENCHMARK(BM_SolveFilletsRough)->Arg(10)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_SolveChainRough(benchmark::State& state) {
    std::vector<std::unique_ptr<RoughSketch>> sketches;
    for (unsigned seed = 1; seed <= kRoughSeeds; ++seed) {
        sketches.emplace_back(new RoughSketch);
        zcs_rough::BuildRoughChain(sketches.back()->sketch, static_cast<int>(state.range(0)), seed, 10.0);
        sketches.back()->sketch.Snapshot();
    }
    RunRough(state, sketches);
}
BENCHMARK(BM_SolveChainRough)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
