// zvd benchmarks: the drawing document at scale — adding items one by one, finding them by
// identifier, and clearing. Each must grow as n log n at most, so 2n costs about twice n.
#include <benchmark/benchmark.h>

#include <random>

#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdentity.h"

namespace {

// The smallest concrete item: a point-sized box, no drawing, no persistence of its own.
class BenchItem : public ZVDEntity {
public:
    ZVDCoordData* createCoordData() override { return new ZVDCoordData(); }
    void setCoordData(ZVDCoordData&) override {}
    bool hitSelect(const zgp::CVec2<double>&, const zgp::CVec2<double>&, double) override { return false; }
    bool hitTest(const zgp::CVec2<double>&, double) override { return false; }
    ZVDEntity* transform(zgp::CMatrix3<double>*) override { return new BenchItem(); }
    int gripCount() override { return 0; }
    zgp::CVec2<double> grip(int) override { return {}; }
    ZVDGripType gripType(int) override { return 0; }
    bool dragGrip(int, const zgp::CVec2<double>&) override { return false; }
    int displayLevel() const override { return 1; }
    EnVDIType itemType() const override { return vdiPoint; }

protected:
    void buildOutRect(zgp::CBox2<double>& box) override { box = zgp::CBox2<double>(0, 0, 0, 0); }
    void doDrawElastic(HDC, const ZCoordTrans&) override {}
    void doDrawNormal(HDC, const ZCoordTrans&) override {}
    void doDrawSelected(HDC, const ZCoordTrans&) override {}
};

void BM_DocumentAddClear(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ZVectorDrawing drawing;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) drawing.add(new BenchItem());
        drawing.clear();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DocumentAddClear)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_DocumentFind(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ZVectorDrawing drawing;
    for (int i = 0; i < n; ++i) drawing.add(new BenchItem());
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pick(0, n - 1);
    for (auto _ : state) benchmark::DoNotOptimize(drawing.find(pick(random)));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DocumentFind)->Arg(100000)->Arg(1000000);

}  // namespace

BENCHMARK_MAIN();
