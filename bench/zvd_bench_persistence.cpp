// zvd benchmarks: saving and loading drawings of mixed lines, arcs and circles in both formats,
// and Qt's bare DOM parse of the same XML bytes as the yardstick for the XML loader.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>

#include <QByteArray>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

#include "zgp/arc2d.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"

namespace {

using P = zgp::CVec2<double>;

// Lines, arcs and circles in turn on a grid, with varied colours, widths and styles so that
// every attribute is written with realistic text.
std::unique_ptr<ZVectorDrawing> makeDrawing(int items) {
    auto drawing = std::make_unique<ZVectorDrawing>();
    for (int i = 0; i < items; ++i) {
        const P at(12.5 * (i % 400), 12.5 * (i / 400));
        ZVDCurve* item = nullptr;
        switch (i % 3) {
        case 0: {
            auto* line = new ZVDLine();
            line->set(at, at + P(7.25 + (i % 7), 3.125));
            item = line;
            break;
        }
        case 1: {
            auto* arc = new ZVDArc();
            arc->set(at, at + P(6, 1.5), (i & 4) ? zgp::CArc2d::CW_SMALL : zgp::CArc2d::CCW_SMALL, 4.75);
            item = arc;
            break;
        }
        default: {
            auto* circle = new ZVDCircle();
            circle->setCenterPt(at + P(5.5, 5.25));
            circle->setRadius(1.5 + (i % 5));
            item = circle;
            break;
        }
        }
        item->setColor((i * 2654435761u) & 0xFFFFFF);
        item->setLineWidth(static_cast<short>(1 + i % 3));
        item->setLineStyle(static_cast<EnPenStyle>(i % 5));
        drawing->add(item);
    }
    return drawing;
}

// Drawings and their saved bytes, built once per item count.
struct Sample {
    std::unique_ptr<ZVectorDrawing> drawing;
    std::string binary;
    std::string xml;
};

QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

std::string scratchPath(const char* name) { return scratch().filePath(name).toStdString(); }

const Sample& sample(int items) {
    static std::map<int, Sample> samples;
    auto found = samples.find(items);
    if (found != samples.end()) return found->second;
    Sample& s = samples[items];
    s.drawing = makeDrawing(items);
    std::stringstream stream(std::ios::in | std::ios::out | std::ios::binary);
    s.drawing->saveToStream(&stream, vdsfBinary, false);
    s.binary = stream.str();
    const std::string path = scratchPath("sample.xml");
    s.drawing->saveToFile(QString::fromStdString(path).toStdWString(), vdsfXML, false);
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::ReadOnly)) s.xml = file.readAll().toStdString();
    return s;
}

void BM_SaveBinary(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Sample& s = sample(n);
    // One stream, rewound each time: its buffer keeps the capacity of the first save, so the
    // time is the writer's, not that of growing and faulting in a fresh buffer.
    std::stringstream stream(std::ios::in | std::ios::out | std::ios::binary);
    for (auto _ : state) {
        stream.seekp(0);
        s.drawing->saveToStream(&stream, vdsfBinary, false);
        benchmark::DoNotOptimize(stream);
    }
    if (static_cast<size_t>(stream.tellp()) != s.binary.size()) state.SkipWithError("the stream has the wrong size");
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["bytes"] = static_cast<double>(s.binary.size());
}

void BM_SaveXml(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Sample& s = sample(n);
    const std::wstring path = QString::fromStdString(scratchPath("save.xml")).toStdWString();
    for (auto _ : state) s.drawing->saveToFile(path, vdsfXML, false);
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["bytes"] = static_cast<double>(s.xml.size());
}

// Loads bytes through the format-recognising entry point. Making the stream and the empty
// drawing, and destroying the loaded drawing, are left out of the time.
void loadBench(benchmark::State& state, const std::string& bytes) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto stream = std::make_unique<std::stringstream>(bytes, std::ios::in | std::ios::out | std::ios::binary);
        auto drawing = std::make_unique<ZVectorDrawing>();
        state.ResumeTiming();
        const bool loaded = drawing->loadFromStream(stream.get());
        state.PauseTiming();
        if (!loaded || drawing->count() != n) state.SkipWithError("the drawing did not load whole");
        drawing.reset();
        stream.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_LoadBinary(benchmark::State& state) { loadBench(state, sample(static_cast<int>(state.range(0))).binary); }

void BM_LoadXml(benchmark::State& state) { loadBench(state, sample(static_cast<int>(state.range(0))).xml); }

// QDomDocument::setContent alone, namespace-aware as the loader parses, on the same bytes.
void BM_DomParseXml(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const QByteArray bytes = QByteArray::fromStdString(sample(n).xml);
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<QDomDocument>();
        state.ResumeTiming();
        if (!document->setContent(bytes, true)) state.SkipWithError("the document did not parse");
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_SaveBinary)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBinary)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveXml)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadXml)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DomParseXml)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
