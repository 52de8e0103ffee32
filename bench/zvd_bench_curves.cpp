// zvd benchmarks: the drawing pass over 100,000 line items against raw QPainter drawing the same
// segments with the same pen, and the cost of one line item's hit test.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include <QImage>
#include <QPainter>

#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdline.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

using V = zgp::CVec2<double>;

namespace {

constexpr int kLines = 100000;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kColour = 0xFF0000;  // COLORREF: blue

struct Segment {
    int x1, y1, x2, y2;
};

// Device segments inside the image, the same for every run and both drawing benchmarks.
const std::vector<Segment>& segments() {
    static const std::vector<Segment> s = [] {
        std::mt19937 rng(12345);
        std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1);
        std::vector<Segment> out(kLines);
        for (Segment& seg : out) seg = {x(rng), y(rng), x(rng), y(rng)};
        return out;
    }();
    return s;
}

// Line items one world unit wide, so at zoom 1 the pass strokes them with a one-pixel cosmetic pen.
void BM_DrawPass100kLines(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = createRasterDC(&image);
    ZCoordTrans ct;  // zoom 1; world (x, y) is pixel (x, kHeight - y)
    ct.setDPoint(zgp::CVec2<int>(0, kHeight));
    ZVectorDrawing drawing;
    drawing.setBackColor(0xFFFFFF);
    for (const Segment& s : segments()) {
        auto* line = new ZVDLine();
        line->set(V(s.x1, kHeight - s.y1), V(s.x2, kHeight - s.y2));
        line->setColor(kColour);
        drawing.add(line);
    }
    const zgp::CBox2<int> view(0, 0, kWidth, kHeight);
    drawing.draw(dc, ct, view);  // builds the cached boxes once, as a host's first paint does
    for (auto _ : state) {
        drawing.draw(dc, ct, view);
        benchmark::DoNotOptimize(image.constBits());
    }
    destroyDC(dc);
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_DrawPass100kLines)->Unit(benchmark::kMillisecond);

// The pen the raster device makes of a one-pixel solid GDI pen: cosmetic, flat caps, no antialiasing.
void BM_RawQPainter100kLines(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    const std::vector<Segment>& segs = segments();
    for (auto _ : state) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor(0, 0, 255), 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        for (const Segment& s : segs) p.drawLine(s.x1, s.y1, s.x2, s.y2);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_RawQPainter100kLines)->Unit(benchmark::kMillisecond);

// One hit test of a sloping line, one unit wide, with a tolerance of one unit. The hit lies 0.45
// units off the line; the miss lies inside the line's box but 6.7 units away from it.
void lineHitTest(benchmark::State& state, V point, bool expected) {
    ZVDLine line;
    line.set(V(0, 0), V(100, 50));
    if (line.hitTest(point, 1.0) != expected) {
        state.SkipWithError("unexpected hit test answer");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(line.hitTest(point, 1.0));
    state.SetItemsProcessed(state.iterations());
}

void BM_LineHitTest(benchmark::State& state) { lineHitTest(state, V(50, 25.5), true); }
BENCHMARK(BM_LineHitTest);

void BM_LineHitTestMiss(benchmark::State& state) { lineHitTest(state, V(50, 40), false); }
BENCHMARK(BM_LineHitTestMiss);

}  // namespace

BENCHMARK_MAIN();
