// Benchmarks of the geometry kernel's hot queries: intersection, nearest point, point in loop.
// Run with `make bench`; each reports items per second (one item = one query).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "zgp/zgp.h"

using namespace zgp;

namespace {

std::vector<CVec2<double>> RandomPoints(size_t n, double lo, double hi, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(lo, hi);
    std::vector<CVec2<double>> pts(n);
    for (auto& p : pts) p = CVec2<double>(u(rng), u(rng));
    return pts;
}

void BM_LineLineIntersect(benchmark::State& state) {
    const size_t n = 1024;
    auto pts = RandomPoints(4 * n, -100.0, 100.0, 1);
    std::vector<CLine2d> lines;
    lines.reserve(2 * n);
    for (size_t i = 0; i < 2 * n; ++i) lines.emplace_back(pts[2 * i], pts[2 * i + 1]);
    CCurvCurvIntersector isect;
    std::vector<CCurvCurvIntPt> out;
    out.reserve(4);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(isect.Intersect(lines[i], lines[i + n], out));
        i = (i + 1) & (n - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LineLineIntersect);

void BM_ArcNearestPoint(benchmark::State& state) {
    CArc2d arc;
    arc.Set(CVec2<double>(3.0, -2.0), 7.5, 0.3, 4.1);
    auto pts = RandomPoints(1024, -20.0, 20.0, 2);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(arc.GetNearestT(pts[i], g_DistEpsilon));
        i = (i + 1) & 1023;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ArcNearestPoint);

// A cubic with 20 control points along a wavy path.
CNurbsCurve2d MakeWavyCubic() {
    CNurbsCurve2d c(3, 20);
    for (int i = 0; i < 20; ++i) c.SetCtrlPt(i, CVec2<double>(i * 5.0, 10.0 * std::sin(i * 0.9)), 1.0 + 0.05 * (i % 3));
    return c;
}

void BM_NurbsNearestPoint(benchmark::State& state) {
    CNurbsCurve2d c = MakeWavyCubic();
    auto pts = RandomPoints(1024, -10.0, 100.0, 3);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(c.GetNearestT(pts[i], g_DistEpsilon));
        i = (i + 1) & 1023;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NurbsNearestPoint);

// A closed star-shaped loop of 1000 line edges around the origin.
CLoop MakeStarLoop(int edges) {
    std::vector<CVec2<double>> v(edges);
    for (int k = 0; k < edges; ++k) {
        double a = 2.0 * M_PI * k / edges;
        double r = 50.0 + 20.0 * std::sin(7.0 * a) + ((k % 2) ? 5.0 : 0.0);
        v[k] = CVec2<double>(r * std::cos(a), r * std::sin(a));
    }
    CLoop loop;
    for (int k = 0; k < edges; ++k) loop.AddCurve(new CLine2d(v[k], v[(k + 1) % edges]), false);
    return loop;
}

void BM_PointInPolygon1000(benchmark::State& state) {
    CLoop loop = MakeStarLoop(1000);
    CPositionJudge judge;
    auto pts = RandomPoints(1024, -80.0, 80.0, 4);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(judge.GetPointCoedgeListPosition(pts[i], &loop, g_DistEpsilon));
        i = (i + 1) & 1023;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PointInPolygon1000);

}  // namespace

BENCHMARK_MAIN();
