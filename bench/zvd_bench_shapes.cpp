// zvd benchmarks: the drawing pass over 100,000 polylines against raw QPainter drawing the same
// flattened paths, loading a binary stream that mixes every curve kind and group, and point hit
// tests on a large filled polygon.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include "zgp/arc2d.h"
#include "zgp/discrete.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zgp/nurbscurve2d.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdellipse.h"
#include "zvd/entities/zvdhatch.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdpolycomposite.h"
#include "zvd/entities/zvdpolygon.h"
#include "zvd/entities/zvdpolyline.h"
#include "zvd/entities/zvdspline.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

using V = zgp::CVec2<double>;

namespace {

constexpr int kPolylines = 100000;
constexpr int kSegments = 20;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kPi = 3.14159265358979323846;

// Chains of 20 segments wandering from a random start, every fourth segment a half-bulging arc;
// world units are pixels (y up), so the pass at zoom 1 draws them as they are.
const std::vector<zgp::CRefPtr<zgp::CLoop>>& chains() {
    static const std::vector<zgp::CRefPtr<zgp::CLoop>> all = [] {
        std::mt19937 rng(4242);
        std::uniform_real_distribution<double> x(40, kWidth - 40), y(40, kHeight - 40), step(-12, 12);
        std::vector<zgp::CRefPtr<zgp::CLoop>> out;
        out.reserve(kPolylines);
        for (int i = 0; i < kPolylines; ++i) {
            zgp::CRefPtr<zgp::CLoop> loop(new zgp::CLoop());
            V p(x(rng), y(rng));
            for (int k = 0; k < kSegments; ++k) {
                V q = p + V(step(rng), step(rng));
                if (q.DistanceTo(p) < 2) q = p + V(3, 1);
                q.x = std::clamp(q.x, 1.0, kWidth - 2.0);
                q.y = std::clamp(q.y, 1.0, kHeight - 2.0);
                zgp::CCurve2d* c = k % 4 == 3 ? static_cast<zgp::CCurve2d*>(new zgp::CArc2d(p, q, p.DistanceTo(q), 1))
                                              : new zgp::CLine2d(p, q);
                loop->AddCurve(c, false);
                p = q;
            }
            out.push_back(loop);
        }
        return out;
    }();
    return all;
}

// The device points the pass makes of a chain: each segment's start, an arc's inner points at the
// pass's flattening (36 to 360 segments a turn by pixel radius), and the last end.
QPolygon flattened(const zgp::CLoop& loop) {
    QPolygon out;
    const int screen = GetSystemMetrics(SM_CYSCREEN);
    auto device = [](const V& p) { return QPoint(int(std::lround(p.x)), int(std::lround(kHeight - p.y))); };
    for (int i = 0; i < loop.CoedgeCount(); ++i) {
        const zgp::CCurve2d* c = loop.GetCurve(i);
        out << device(c->StartPoint());
        if (c->Type() != zgp::GT_ARC) continue;
        const int r = int(std::lround(static_cast<const zgp::CArc2d*>(c)->Radius()));
        if (r <= 0) continue;
        const long long n = std::min(360LL, std::max(36LL, screen > 0 ? 144LL * r / screen : 36LL));
        const double seg = 2.0 * r * kPi / double(n);
        std::vector<V> pts;
        zgp::Curve2dDiscrete(c, pts, seg, seg / r, false, false);
        for (const V& p : pts) out << device(p);
    }
    out << device(loop.GetCurve(loop.CoedgeCount() - 1)->EndPoint());
    return out;
}

void BM_DrawPass100kPolylines(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = createRasterDC(&image);
    ZCoordTrans ct;
    ct.setDPoint(zgp::CVec2<int>(0, kHeight));
    ZVectorDrawing drawing;
    drawing.setBackColor(0xFFFFFF);
    for (const auto& loop : chains()) {
        auto* item = new ZVDPolyline();
        item->setPolyline(*loop);
        item->setColor(0xFF0000);
        drawing.add(item);
    }
    const zgp::CBox2<int> view(0, 0, kWidth, kHeight);
    drawing.draw(dc, ct, view);  // the first paint builds the cached boxes
    for (auto _ : state) {
        drawing.draw(dc, ct, view);
        benchmark::DoNotOptimize(image.constBits());
    }
    destroyDC(dc);
    state.SetItemsProcessed(state.iterations() * kPolylines);
}
BENCHMARK(BM_DrawPass100kPolylines)->Unit(benchmark::kMillisecond);

// Raw QPainter over the flattened chains with the pen the raster device makes of a one-pixel
// solid GDI pen (cosmetic, flat caps, no antialiasing); drawPath draws one chain.
template <class DrawPath>
void rawPainterPass(benchmark::State& state, DrawPath drawPath) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    std::vector<QPolygon> paths;
    paths.reserve(kPolylines);
    for (const auto& loop : chains()) paths.push_back(flattened(*loop));
    for (auto _ : state) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor(0, 0, 255), 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        for (const QPolygon& path : paths) drawPath(p, path);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kPolylines);
}

void BM_RawQPainter100kPolylines(benchmark::State& state) {
    rawPainterPass(state, [](QPainter& p, const QPolygon& path) { p.drawPolyline(path); });
}
BENCHMARK(BM_RawQPainter100kPolylines)->Unit(benchmark::kMillisecond);

// The same segments, one drawLine call each: how the device keeps GDI's one-pixel rules (each
// line its own start pixel in, end pixel out), so this is the floor of the pass's cost in Qt.
void BM_RawQPainter100kPolylineSegments(benchmark::State& state) {
    rawPainterPass(state, [](QPainter& p, const QPolygon& path) {
        for (int i = 1; i < path.size(); ++i) p.drawLine(QLineF(path[i - 1], path[i]));
    });
}
BENCHMARK(BM_RawQPainter100kPolylineSegments)->Unit(benchmark::kMillisecond);

// One item of each kind in turn: line, arc, circle, ellipse arc, polyline of 4 segments, cubic
// spline, and a composite holding a poly-composite of two lines.
ZVDEntity* mixedItem(int i) {
    const V at(13.0 * (i % 500), 13.0 * (i / 500));
    switch (i % 7) {
    case 0: {
        auto* l = new ZVDLine();
        l->set(at, at + V(7, 3));
        return l;
    }
    case 1: {
        auto* a = new ZVDArc();
        a->set(at, at + V(6, 1.5), zgp::CArc2d::CCW_SMALL, 4.75);
        return a;
    }
    case 2: {
        auto* c = new ZVDCircle();
        c->setCenterPt(at + V(5, 5));
        c->setRadius(2.5);
        return c;
    }
    case 3: {
        auto* e = new ZVDEllipse();
        e->set(at + V(5, 5), V(1, 0.5), 5, 2, 0.25, 4.5, 1);
        return e;
    }
    case 4: {
        zgp::CLoop loop;
        loop.AddCurve(new zgp::CLine2d(at, at + V(4, 0)), false);
        loop.AddCurve(new zgp::CArc2d(at + V(4, 0), at + V(8, 0), 2, 1), false);
        loop.AddCurve(new zgp::CLine2d(at + V(8, 0), at + V(8, 5)), false);
        loop.AddCurve(new zgp::CLine2d(at + V(8, 5), at + V(2, 7)), false);
        auto* p = new ZVDPolyline();
        p->setPolyline(loop);
        return p;
    }
    case 5: {
        zgp::CRefPtr<zgp::CNurbsCurve2d> curve(new zgp::CNurbsCurve2d(3, 4));
        const double knots[] = {0, 0, 0, 0, 1, 1, 1, 1};
        for (int k = 0; k < 8; ++k) curve->SetKnot(k, knots[k]);
        for (int k = 0; k < 4; ++k) curve->SetCtrlPt(k, at + V(3.0 * k, k % 2 ? 4 : 0), 1.0);
        auto* s = new ZVDSpline();
        s->set(curve.Get());
        return s;
    }
    default: {
        auto* chain = new ZVDPolyComposite();
        auto* a = new ZVDLine();
        a->set(at, at + V(5, 0));
        auto* b = new ZVDLine();
        b->set(at + V(5, 0), at + V(5, 5));
        chain->add(a);
        chain->add(b);
        auto* group = new ZVDComposite();
        group->add(chain);
        return group;
    }
    }
}

void BM_LoadBinaryMixed(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::string bytes;
    {
        ZVectorDrawing source;
        for (int i = 0; i < n; ++i) source.add(mixedItem(i));
        std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
        source.saveToStream(&out, vdsfBinary, false);
        bytes = out.str();
    }
    for (auto _ : state) {
        ZVectorDrawing drawing;
        std::stringstream in(bytes, std::ios::in | std::ios::out | std::ios::binary);
        if (!drawing.loadFromStream(&in)) state.SkipWithError("the mixed stream did not load");
        benchmark::DoNotOptimize(drawing.count());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_LoadBinaryMixed)->Arg(200000)->Unit(benchmark::kMillisecond);

// A filled polygon of 1000 curves, lines and arcs in turn, round a star of radii 100 and 90:
// point hit tests at random places of its box (about half inside, some near the outline).
void BM_PolygonHitTest(benchmark::State& state) {
    const int n = 1000;
    const double kTwoPi = 6.283185307179586;
    std::vector<V> vertices;
    for (int i = 0; i < n; ++i) {
        const double a = kTwoPi * i / n, r = i % 2 ? 90.0 : 100.0;
        vertices.emplace_back(r * std::cos(a), r * std::sin(a));
    }
    auto* loop = new zgp::CLoop();
    for (int i = 0; i < n; ++i) {
        const V& a = vertices[size_t(i)];
        const V& b = vertices[size_t((i + 1) % n)];
        if (i % 2)
            loop->AddCurve(new zgp::CArc2d(a, b, a.DistanceTo(b), 1), false);
        else
            loop->AddCurve(new zgp::CLine2d(a, b), false);
    }
    auto* polygon = new zgp::CPolygon();
    polygon->AddLoop(loop, true);
    ZVDPolygon item;
    item.setPolygon(polygon);
    item.setFillStyle(bsSolid);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-105.0, 105.0);
    std::vector<V> queries(4096);
    for (V& q : queries) q = V(coord(rng), coord(rng));
    size_t next = 0, hits = 0;
    for (auto _ : state) {
        hits += item.hitTest(queries[next], 0.01);
        next = (next + 1) % queries.size();
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PolygonHitTest);

// 1000 areas of 40 straight edges (irregular stars) spread over the picture; the pass draws them
// selected, so that each shows its pattern (a cross-hatch) as the fill style says.
std::vector<std::vector<zgp::CVec2<double>>> starOutlines() {
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> cx(60, kWidth - 60), cy(60, kHeight - 60), r(0.6, 1.0);
    std::vector<std::vector<zgp::CVec2<double>>> all(1000);
    for (auto& pts : all) {
        const double x = cx(rng), y = cy(rng);
        for (int i = 0; i < 40; ++i) {
            const double a = i * 6.283185307179586 / 40, radius = 50 * r(rng);
            pts.emplace_back(x + radius * std::cos(a), y + radius * std::sin(a));
        }
    }
    return all;
}

void BM_DrawPassHatches(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = createRasterDC(&image);
    ZCoordTrans ct;
    ct.setDPoint(zgp::CVec2<int>(0, kHeight));
    ZVectorDrawing drawing;
    drawing.setBackColor(0xFFFFFF);
    for (const auto& pts : starOutlines()) {
        zgp::CLoop loop;
        for (size_t i = 0; i < pts.size(); ++i)
            loop.AddCurve(new zgp::CLine2d(pts[i], pts[(i + 1) % pts.size()]), false);
        auto* h = new ZVDHatch;
        h->setXPoly(loop);
        h->setFillStyle(bsCross);
        drawing.add(h);
        drawing.selSet()->add(h, false);
    }
    const zgp::CBox2<int> view(0, 0, kWidth, kHeight);
    drawing.draw(dc, ct, view);
    for (auto _ : state) {
        drawing.draw(dc, ct, view);
        benchmark::DoNotOptimize(image.constBits());
    }
    destroyDC(dc);
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DrawPassHatches)->Arg(1000)->Unit(benchmark::kMillisecond);

// The same outlines in device pixels, filled by QPainter with Qt's cross pattern pinned to the
// device (as a hatch brush is).
void BM_RawQPainterHatches(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    std::vector<QPolygon> polygons;
    for (const auto& pts : starOutlines()) {
        QPolygon p;
        for (const auto& v : pts) p << QPoint(int(std::lround(v.x)), int(std::lround(kHeight - v.y)));
        polygons.push_back(p);
    }
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(QColor(0, 0, 255), Qt::CrossPattern));
        for (const QPolygon& p : polygons) painter.drawPolygon(p);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_RawQPainterHatches)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
