// zvd benchmarks: the cost of the GDI layer per call against raw QPainter on the same lines.
// BM_GdiLines issues the create/select/draw/restore/delete sequence a primitive issues for each line;
// BM_PrimitiveLines draws the same lines through ZDrawFunc2d::drawLine (world coordinates, zoom 1).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include <QImage>
#include <QPainter>

#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"
#include "zvd/render/zdrawfunc2d.h"

namespace {

constexpr int kLines = 100000;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Segment {
    int x1, y1, x2, y2;
};

// The same lines for every run and both benchmarks.
const std::vector<Segment>& lines() {
    static const std::vector<Segment> segments = [] {
        std::mt19937 rng(12345);
        std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1);
        std::vector<Segment> s(kLines);
        for (Segment& seg : s) seg = {x(rng), y(rng), x(rng), y(rng)};
        return s;
    }();
    return segments;
}

void BM_RawQPainterLines(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    const std::vector<Segment>& segs = lines();
    for (auto _ : state) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor(0, 0, 255), 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        for (const Segment& s : segs) p.drawLine(s.x1, s.y1, s.x2, s.y2);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_RawQPainterLines)->Unit(benchmark::kMillisecond);

void BM_GdiLines(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = createRasterDC(&image);
    const std::vector<Segment>& segs = lines();
    const LOGBRUSH brush = {BS_SOLID, 0xFF0000, 0};
    for (auto _ : state) {
        for (const Segment& s : segs) {
            HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER | PS_SOLID, 3, &brush, 0, nullptr);
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, s.x1, s.y1, nullptr);
            LineTo(dc, s.x2, s.y2);
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    destroyDC(dc);
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_GdiLines)->Unit(benchmark::kMillisecond);

void BM_PrimitiveLines(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = createRasterDC(&image);
    ZCoordTrans ct;  // zoom 1, world origin at the device origin, y up: world (x, -y) is pixel (x, y)
    const std::vector<Segment>& segs = lines();
    for (auto _ : state) {
        for (const Segment& s : segs)
            ZDrawFunc2d::drawLine(dc, &ct, zgp::CVec2<double>(s.x1, -s.y1), zgp::CVec2<double>(s.x2, -s.y2), 3.0, 0.0,
                                  psSolid, 0xFF0000, vdcommon::dmNormal, bsSolid, 0, psSolid, 0xFFFFFF, 1);
        benchmark::DoNotOptimize(image.constBits());
    }
    destroyDC(dc);
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_PrimitiveLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
