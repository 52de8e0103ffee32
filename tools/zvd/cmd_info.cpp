// zvd tool: `zvd info FILE [--json]` — what a drawing file holds: format, version, size and
// colour, layers, block definitions, item counts by type and the full range.
#include <iostream>
#include <map>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "cli.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdentity.h"

namespace zvdcli {

namespace {

// Everything the report shows, gathered once for both output forms.
struct Summary {
    std::string file;
    std::string format;
    std::string version;
    int width = 0;
    int height = 0;
    int backColor = 0;
    struct Layer {
        int id;
        std::string name;
        int color;
        bool visible;
        bool current;
        int items;
    };
    std::vector<Layer> layers;
    int itemsWithoutLayer = 0;
    struct Block {
        int id;
        std::string name;
        int items;
        double originX, originY;
    };
    std::vector<Block> blocks;
    int topLevel = 0;
    int nested = 0;
    std::map<int, int> byType;  // top-level items per type number
    bool hasRange = false;
    zgp::CBox2<double> range;
};

std::string utf8(const std::wstring& text) { return QString::fromStdWString(text).toStdString(); }

int countNested(ZVDEntity* item) {
    int n = 0;
    for (int i = 0; i < item->count(); ++i) {
        if (ZVDEntity* child = item->items(i)) n += 1 + countNested(child);
    }
    return n;
}

Summary summarise(const std::string& path, const FileProbe& probe, ZVectorDrawing& drawing) {
    Summary s;
    s.file = path;
    s.format = probe.kind == FileProbe::xml ? "xml" : "binary";
    s.version = probe.version;
    s.width = drawing.drawingWidth();
    s.height = drawing.drawingHeight();
    s.backColor = drawing.backColor();

    std::map<const ZVDLayer*, int> perLayer;
    s.topLevel = drawing.count();
    for (int i = 0; i < s.topLevel; ++i) {
        ZVDEntity* item = drawing.item(i);
        if (!item) continue;
        ++s.byType[item->itemType()];
        s.nested += countNested(item);
        if (item->layer())
            ++perLayer[item->layer()];
        else
            ++s.itemsWithoutLayer;
    }

    ZVDLayerTable* layers = drawing.layers();
    for (int i = 0; i < layers->count(); ++i) {
        const ZVDLayer* layer = layers->item(i);
        s.layers.push_back({layer->iD(), utf8(layer->name()), layer->color(), layer->visible(),
                            layer == layers->curLayer(), perLayer[layer]});
    }
    ZVDBlockDefinitionTable* blocks = drawing.blockDefinitionTable();
    for (int i = 0; i < blocks->count(); ++i) {
        const ZVDBlockDefinition* block = blocks->item(i);
        s.blocks.push_back({block->iD(), utf8(block->name()), block->count(), block->origin().x, block->origin().y});
    }

    // fullRange answers the zero box when no item has a box; only items make a range.
    s.range = drawing.fullRange();
    s.hasRange = s.topLevel > 0 && !s.range.IsEmpty();
    return s;
}

std::string sizeText(int width, int height) {
    if (width <= 0 && height <= 0) return "unbounded";
    auto side = [](int v) { return v <= 0 ? std::string("unbounded") : std::to_string(v); };
    return side(width) + " x " + side(height);
}

// Left-aligned in a column of width, always followed by at least two spaces.
std::string padded(std::string text, size_t width) {
    text.append(text.size() + 2 <= width ? width - text.size() : 2, ' ');
    return text;
}

void printText(const Summary& s) {
    const size_t w = 19;
    std::cout << padded("file", w) << s.file << '\n';
    std::cout << padded("format", w) << s.format << '\n';
    std::cout << padded("version", w) << (s.version.empty() ? "(missing)" : s.version) << '\n';
    std::cout << padded("drawing size", w) << sizeText(s.width, s.height) << '\n';
    std::cout << padded("background", w) << colorToHex(s.backColor) << '\n';
    std::cout << padded("layers", w) << s.layers.size() << '\n';
    for (const Summary::Layer& l : s.layers) {
        std::string flags = l.visible ? "visible" : "hidden";
        if (l.current) flags += ", current";
        std::cout << "  " << padded(std::to_string(l.id) + " \"" + l.name + "\"", w - 2) << colorToHex(l.color) << "  "
                  << flags << ", " << l.items << (l.items == 1 ? " item" : " items") << '\n';
    }
    std::cout << padded("block definitions", w) << s.blocks.size() << '\n';
    for (const Summary::Block& b : s.blocks) {
        std::cout << "  " << padded(std::to_string(b.id) + " \"" + b.name + "\"", w - 2) << b.items
                  << (b.items == 1 ? " item" : " items") << ", origin (" << formatNumber(b.originX) << ", "
                  << formatNumber(b.originY) << ")\n";
    }
    std::cout << padded("items", w) << s.topLevel << '\n';
    for (const auto& entry : s.byType)
        std::cout << "  " << padded(itemTypeName(entry.first), w - 2) << entry.second << '\n';
    if (s.nested > 0) std::cout << padded("nested items", w) << s.nested << '\n';
    if (s.itemsWithoutLayer > 0) std::cout << padded("without layer", w) << s.itemsWithoutLayer << '\n';
    std::cout << padded("full range", w);
    if (!s.hasRange) {
        std::cout << "(none)\n";
    } else {
        const zgp::CBox2<double>& r = s.range;
        std::cout << '(' << formatNumber(r.min.x) << ", " << formatNumber(r.min.y) << ") - (" << formatNumber(r.max.x)
                  << ", " << formatNumber(r.max.y) << "), " << formatNumber(r.Width()) << " x "
                  << formatNumber(r.Height()) << '\n';
    }
}

void printJson(const Summary& s) {
    QJsonObject root;
    root["file"] = QString::fromStdString(s.file);
    root["format"] = QString::fromStdString(s.format);
    root["version"] = QString::fromStdString(s.version);
    root["drawingWidth"] = s.width;
    root["drawingHeight"] = s.height;
    root["backColor"] = s.backColor;
    root["background"] = QString::fromStdString(colorToHex(s.backColor));

    QJsonArray layers;
    for (const Summary::Layer& l : s.layers) {
        QJsonObject o;
        o["id"] = l.id;
        o["name"] = QString::fromStdString(l.name);
        o["color"] = l.color;
        o["visible"] = l.visible;
        o["current"] = l.current;
        o["items"] = l.items;
        layers.append(o);
    }
    root["layers"] = layers;

    QJsonArray blocks;
    for (const Summary::Block& b : s.blocks) {
        QJsonObject o;
        o["id"] = b.id;
        o["name"] = QString::fromStdString(b.name);
        o["items"] = b.items;
        o["origin"] = QJsonArray{b.originX, b.originY};
        blocks.append(o);
    }
    root["blockDefinitions"] = blocks;

    QJsonObject byType;
    for (const auto& entry : s.byType) byType[QString::fromStdString(itemTypeName(entry.first))] = entry.second;
    QJsonObject items;
    items["total"] = s.topLevel;
    items["nested"] = s.nested;
    items["withoutLayer"] = s.itemsWithoutLayer;
    items["byType"] = byType;
    root["items"] = items;

    if (s.hasRange) {
        QJsonObject range;
        range["minX"] = s.range.min.x;
        range["minY"] = s.range.min.y;
        range["maxX"] = s.range.max.x;
        range["maxY"] = s.range.max.y;
        root["fullRange"] = range;
    } else {
        root["fullRange"] = QJsonValue::Null;
    }
    std::cout << QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

int runInfo(const std::vector<std::string>& args) {
    ArgTable table;
    table.flags = {"--json"};
    const ParsedArgs parsed = parseArgs(args, table);
    if (parsed.positional.size() != 1) throw UsageError{"info needs exactly one FILE"};
    const std::string& path = parsed.positional[0];

    ZVectorDrawing drawing;
    FileProbe probe;
    if (int status = loadDrawing(path, drawing, probe)) return status;
    const Summary summary = summarise(path, probe, drawing);
    if (parsed.has("--json"))
        printJson(summary);
    else
        printText(summary);
    std::cout.flush();
    return std::cout ? exitOk : exitFailure;
}

}  // namespace zvdcli
