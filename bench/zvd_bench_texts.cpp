// zvd benchmarks: texts. BM_DrawPass10kTexts paints 10,000 text items of 12 characters at mixed
// angles through the drawing pass; BM_RawQPainter10kTexts draws the same strings with QPainter in
// the same fonts, at the same places and angles; BM_DrawPassDimensions paints N line-length
// dimensions (dimension line, extension lines, value text each), counted per text drawn.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

namespace {

constexpr int kTexts = 10000;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr short kCell = 16;  // text height: world units at zoom 1, so pixels
const wchar_t* const kFaces[] = {L"DejaVu Sans", L"DejaVu Serif"};

struct Placed {
    std::wstring text;
    int face;
    double x, y, angle;
};

// The same texts for every run and both benchmarks: 12 characters each; a third level, a third
// turned by 30 degrees, a third upright.
const std::vector<Placed>& texts() {
    static const std::vector<Placed> all = [] {
        std::mt19937 rng(2024);
        std::uniform_real_distribution<double> x(0, kWidth), y(0, kHeight);
        const double angles[] = {0.0, 0.5235987755982988, 1.5707963267948966};
        std::vector<Placed> v;
        v.reserve(kTexts);
        for (int i = 0; i < kTexts; ++i) {
            wchar_t label[16];
            swprintf(label, 16, L"Item %07d", i);
            v.push_back({label, i % 2, x(rng), y(rng), angles[i % 3]});
        }
        return v;
    }();
    return all;
}

void BM_DrawPass10kTexts(benchmark::State& state) {
    ensureTextSupport();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = createRasterDC(&image);
    SetBkMode(dc, TRANSPARENT);
    ZCoordTrans ct;
    ct.setDPoint(zgp::CVec2<int>(0, kHeight));
    ZVectorDrawing drawing;
    drawing.setBackColor(0xFFFFFF);
    for (const Placed& p : texts()) {
        auto* t = new ZVDText;
        t->setText(p.text);
        t->setFontName(kFaces[p.face]);
        t->setHeight(kCell);
        t->setHorzAlignment(haLeft);
        t->setVertAlignment(vaTop);
        t->setInsertPt(zgp::CVec2<double>(p.x, p.y));
        t->setAngle(static_cast<float>(p.angle));
        t->setColor(0x202020);
        drawing.add(t);
    }
    const zgp::CBox2<int> view(0, 0, kWidth, kHeight);
    drawing.draw(dc, ct, view);  // the first paint builds the cached boxes and fonts
    for (auto _ : state) {
        drawing.draw(dc, ct, view);
        benchmark::DoNotOptimize(image.constBits());
    }
    destroyDC(dc);
    state.SetItemsProcessed(state.iterations() * kTexts);
}
BENCHMARK(BM_DrawPass10kTexts)->Unit(benchmark::kMillisecond);

// The fonts as the device makes them of a 16-pixel cell: the pixel size whose ascent plus descent
// fills the cell.
QFont rawFont(const wchar_t* face) {
    QFont font(QString::fromWCharArray(face));
    int size = kCell;
    for (font.setPixelSize(size); size > 1; font.setPixelSize(--size)) {
        const QFontMetrics m(font);
        if (m.ascent() + m.descent() <= kCell) break;
    }
    return font;
}

void BM_RawQPainter10kTexts(benchmark::State& state) {
    ensureTextSupport();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QFont fonts[] = {rawFont(kFaces[0]), rawFont(kFaces[1])};
    const int ascent[] = {QFontMetrics(fonts[0]).ascent(), QFontMetrics(fonts[1]).ascent()};
    std::vector<QString> strings;
    for (const Placed& p : texts()) strings.push_back(QString::fromStdWString(p.text));
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        painter.setPen(QColor(0x20, 0x20, 0x20));
        for (size_t i = 0; i < strings.size(); ++i) {
            const Placed& p = texts()[i];
            painter.save();
            painter.translate(p.x, kHeight - p.y);
            painter.rotate(-p.angle * 57.29577951308232);
            painter.setFont(fonts[p.face]);
            painter.drawText(QPointF(0, ascent[p.face]), strings[i]);
            painter.restore();
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kTexts);
}
BENCHMARK(BM_RawQPainter10kTexts)->Unit(benchmark::kMillisecond);

void BM_DrawPassDimensions(benchmark::State& state) {
    ensureTextSupport();
    const int n = static_cast<int>(state.range(0));
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = createRasterDC(&image);
    SetBkMode(dc, TRANSPARENT);
    ZCoordTrans ct;
    ct.setZoomFactor(0.5);  // dimension texts are 48 units high: 24 pixels
    ct.setDPoint(zgp::CVec2<int>(0, kHeight));
    ZVectorDrawing drawing;
    drawing.setBackColor(0xFFFFFF);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> x(0, 2 * kWidth - 400), y(0, 2 * kHeight - 200), len(100, 300);
    for (int i = 0; i < n; ++i) {
        const zgp::CVec2<double> s(x(rng), y(rng));
        const double l = len(rng);
        auto* line = new ZVDLine;
        line->set(s, zgp::CVec2<double>(s.x + l, s.y + (i % 3) * 40.0));
        drawing.add(line);
        ZVDConstraintParams p;
        p.entityID1 = line->iD();
        p.dimParams[0] = i % 3;  // aligned, along x, along y
        p.constraintPos[0] = zgp::CVec2<double>(s.x + l / 2, s.y + 60);
        auto* dim = new ZVDConstraintDimension;
        drawing.add(dim);
        dim->initialize(p, cdtLineLength);
        dim->modifyData(p, true);
    }
    const zgp::CBox2<int> view(0, 0, kWidth, kHeight);
    drawing.draw(dc, ct, view);
    for (auto _ : state) {
        drawing.draw(dc, ct, view);
        benchmark::DoNotOptimize(image.constBits());
    }
    destroyDC(dc);
    state.SetItemsProcessed(state.iterations() * n);  // one text per dimension
}
BENCHMARK(BM_DrawPassDimensions)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
