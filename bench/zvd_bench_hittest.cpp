// zvd benchmarks: picking, repainting a zoomed-in view and moving one item in drawings of up to a
// million mixed items, and the spatial index's memory per item.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

#include <QImage>

#include "document/zvdspatialindex.h"
#include "zgp/arc2d.h"
#include "zgp/loop.h"
#include "zgp/line2d.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdpolyline.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"

namespace {

using V = zgp::CVec2<double>;

// Items are about 10 units across, one per 20 x 20 cell on average.
double side(int items) { return 20.0 * std::sqrt(static_cast<double>(items)); }

ZVDEntity* mixedItem(int i, V p, std::mt19937& rng) {
    std::uniform_real_distribution<double> d(-5, 5);
    switch (i % 5) {
    case 0: {
        auto* line = new ZVDLine;
        line->set(p, p + V(d(rng), d(rng)));
        return line;
    }
    case 1: {
        auto* arc = new ZVDArc;
        arc->set(p, p + V(6, d(rng)), zgp::CArc2d::CCW_SMALL, 5);
        return arc;
    }
    case 2: {
        auto* circle = new ZVDCircle;
        circle->setCenterPt(p);
        circle->setRadius(1 + std::fabs(d(rng)));
        return circle;
    }
    case 3: {
        zgp::CLoop loop;
        V at = p;
        for (int k = 0; k < 3; ++k) {
            const V next = at + V(d(rng), d(rng));
            loop.AddCurve(new zgp::CLine2d(at, next), false);
            at = next;
        }
        auto* polyline = new ZVDPolyline;
        polyline->setPolyline(loop);
        return polyline;
    }
    default: {
        auto* text = new ZVDText;
        text->setText(L"pick");
        text->setInsertPt(p);
        return text;
    }
    }
}

// Items spread uniformly over a square of side(items); those whose position falls in keep (when
// given) only.
std::unique_ptr<ZVectorDrawing> makeDrawing(int items, const zgp::CBox2<double>* keep = nullptr) {
    auto drawing = std::make_unique<ZVectorDrawing>();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, side(items));
    std::vector<ZVDEntity*> batch;
    for (int i = 0; i < items; ++i) {
        const V p(u(rng), u(rng));
        ZVDEntity* item = mixedItem(i, p, rng);
        if (keep && !keep->Overlaps(item->outRect())) {
            delete item;
            continue;
        }
        batch.push_back(item);
    }
    drawing->add(nullptr, batch);
    return drawing;
}

ZVectorDrawing& drawing(int items) {
    static std::map<int, std::unique_ptr<ZVectorDrawing>> drawings;
    auto& d = drawings[items];
    if (!d) d = makeDrawing(items);
    return *d;
}

void BM_HitTestPoint(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ZVectorDrawing& d = drawing(n);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0, side(n));
    std::vector<V> points(4096);
    for (V& p : points) p = V(u(rng), u(rng));
    std::set<EnVDIType> all;
    d.hitTest(points[0], 1.0, all);  // the first question builds the index
    size_t i = 0, hits = 0;
    for (auto _ : state) hits += d.hitTest(points[i++ % points.size()], 1.0, all) != nullptr;
    state.counters["hit share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HitTestPoint)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// A 1000 x 1000 pixel view over a tenth of the width and height: about 1 % of the drawing.
constexpr int kView = 1000;
zgp::CBox2<double> viewWorld(int items) {
    const double s = side(items);
    return zgp::CBox2<double>(0.45 * s, 0.45 * s, 0.55 * s, 0.55 * s);
}

void drawPass(benchmark::State& state, ZVectorDrawing& d, const zgp::CBox2<double>& world) {
    QImage image(kView, kView, QImage::Format_RGB32);
    HDC dc = createRasterDC(&image);
    ZCoordTrans trans;
    trans.zoomAll(kView, kView, world);
    const zgp::CBox2<int> rect(0, 0, kView, kView);
    d.draw(dc, trans, rect);  // boxes, fonts and the index are built before timing
    for (auto _ : state) d.draw(dc, trans, rect);
    destroyDC(dc);
}

void BM_DrawPassZoomed(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    drawPass(state, drawing(n), viewWorld(n));
}
BENCHMARK(BM_DrawPassZoomed)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The same view over a drawing made of only the items visible in it.
void BM_DrawPassVisibleOnly(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const zgp::CBox2<double> world = viewWorld(n);
    static std::unique_ptr<ZVectorDrawing> visible = makeDrawing(n, &world);
    state.counters["items"] = visible->count();
    drawPass(state, *visible, world);
}
BENCHMARK(BM_DrawPassVisibleOnly)->Arg(1000000)->Unit(benchmark::kMillisecond);

// One item moved back and forth in a 1 M-item drawing, each move followed by a point test far
// from every item, which files the moved item again before it answers.
void BM_IndexUpdate(benchmark::State& state) {
    ZVectorDrawing& d = drawing(1000000);
    std::set<EnVDIType> all;
    const V away(-1e6, -1e6);
    d.hitTest(away, 1.0, all);
    ZVDEntity* item = d.item(d.count() / 2);
    double step = 3;
    for (auto _ : state) {
        item->move(V(step, step));
        benchmark::DoNotOptimize(d.hitTest(away, 1.0, all));
        step = -step;
    }
}
BENCHMARK(BM_IndexUpdate)->Unit(benchmark::kMicrosecond);

// Bytes in use from the heap and from mmap (where large arrays go).
size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// Heap bytes per item of an index over the 1 M items (its own, beside the drawing's).
void BM_IndexMemory(benchmark::State& state) {
    ZVectorDrawing& d = drawing(1000000);
    for (auto _ : state) {
        const size_t before = heapInUse();
        auto index = std::make_unique<ZVDSpatialIndex>();
        for (int i = 0; i < d.count(); ++i) index->insert(d.item(i));
        index->refresh();
        const size_t after = heapInUse();
        state.counters["bytes/item"] = static_cast<double>(after - before) / d.count();
    }
}
BENCHMARK(BM_IndexMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
