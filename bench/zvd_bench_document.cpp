// zvd benchmarks: the drawing document at scale — adding items one by one, finding them by
// identifier, clearing, and solving a sketch. Each must grow as n log n at most.
#include <benchmark/benchmark.h>

#include <random>

#include "zvd/constraints/zvdconstraint.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdline.h"
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

// A staircase of n lines joined end to start, alternately horizontal and vertical, each with a
// length; every run changes all lengths (10 <-> 11), so every solve moves every line. Measures
// the drawing's side of a solve (collecting, backing up, reporting, rebuilding marks) with the
// solver's work.
void BM_SketchSolve(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ZVectorDrawing drawing;
    std::vector<ZVDLine*> lines;
    for (int i = 0; i < n; ++i) {
        auto* l = new ZVDLine;
        const double x = 10.0 * ((i + 1) / 2), y = 10.0 * (i / 2);
        l->set({x, y}, i % 2 == 0 ? zgp::CVec2<double>(x + 10, y) : zgp::CVec2<double>(x, y + 10));
        drawing.add(l);
        lines.push_back(l);
    }
    std::vector<ZVDConstraint*> lengths;
    auto bind = [&](ZVDConstraintDataType kind, ZVDLine* a, EnDimRefType ra, ZVDLine* b, EnDimRefType rb, double v) {
        ZVDConstraintParams p;
        p.entityID1 = a->iD();
        p.refType1 = ra;
        p.entityID2 = b ? b->iD() : -1;
        p.refType2 = rb;
        p.value = v;
        auto* c = new ZVDConstraint;
        drawing.add(c);
        c->initialize(p, kind);
        return c;
    };
    bind(cdtPinned, lines[0], edrStart, nullptr, edrCurve, 0);
    for (int i = 0; i < n; ++i) {
        bind(i % 2 == 0 ? cdtHorizon : cdtVertical, lines[i], edrCurve, nullptr, edrCurve, 0);
        lengths.push_back(bind(cdtLineLength, lines[i], edrCurve, nullptr, edrCurve, 10));
        if (i > 0) bind(cdtCoincident, lines[i - 1], edrEnd, lines[i], edrStart, 0);
    }
    std::wstring message;
    std::vector<ZVDConstraint*> conflicts;
    double length = 10;
    for (auto _ : state) {
        length = length == 10 ? 11 : 10;
        for (ZVDConstraint* c : lengths) c->setConstraintValue(length);
        if (drawing.calculateConstraints(true, message, conflicts) != esrSolved) state.SkipWithError("not solved");
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SketchSolve)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
