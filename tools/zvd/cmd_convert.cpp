// zvd tool: `zvd convert IN OUT [--to xml|binary] [--selected ...]` — load a drawing and save it
// in the chosen format, whole or only the items picked by --layer, --type and --ids.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

#include <QString>

#include "cli.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdentity.h"

namespace zvdcli {

namespace {

// Which top-level items --selected saves: an item is picked when it passes every kind of test
// given (layer, type, identifier), each kind passing when any of its values matches.
struct Picker {
    std::set<std::wstring> layers;
    std::set<int> types;
    std::vector<std::pair<int, int>> idRanges;

    bool empty() const { return layers.empty() && types.empty() && idRanges.empty(); }

    bool picks(ZVDEntity* item) const {
        if (!layers.empty() && (!item->layer() || !layers.count(item->layer()->name()))) return false;
        if (!types.empty() && !types.count(item->itemType())) return false;
        if (idRanges.empty()) return true;
        for (const auto& range : idRanges)
            if (item->iD() >= range.first && item->iD() <= range.second) return true;
        return false;
    }
};

int parseId(const std::string& text) {
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size()) throw UsageError{"--ids: \"" + text + "\" is not an identifier"};
    return value;
}

// "3,5-9,12": single identifiers and inclusive ranges.
void parseIds(const std::string& text, std::vector<std::pair<int, int>>& ranges) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string part = text.substr(start, comma - start);
        // A '-' after the first character separates a range (a leading one is a sign).
        const size_t dash = part.find('-', 1);
        if (dash == std::string::npos) {
            const int id = parseId(part);
            ranges.emplace_back(id, id);
        } else {
            const int low = parseId(part.substr(0, dash));
            const int high = parseId(part.substr(dash + 1));
            if (high < low) throw UsageError{"--ids: empty range \"" + part + "\""};
            ranges.emplace_back(low, high);
        }
        start = comma + 1;
    }
}

Picker makePicker(const ParsedArgs& parsed) {
    Picker picker;
    auto valuesOf = [&](const char* option) {
        auto it = parsed.values.find(option);
        return it == parsed.values.end() ? std::vector<std::string>() : it->second;
    };
    for (const std::string& name : valuesOf("--layer"))
        picker.layers.insert(QString::fromStdString(name).toStdWString());
    for (const std::string& name : valuesOf("--type")) {
        const int type = itemTypeFromName(name);
        if (type < 0) throw UsageError{"--type: unknown item type \"" + name + "\""};
        picker.types.insert(type);
    }
    for (const std::string& text : valuesOf("--ids")) parseIds(text, picker.idRanges);
    return picker;
}

}  // namespace

int runConvert(const std::vector<std::string>& args) {
    ArgTable table;
    table.flags = {"--selected"};
    table.valued = {"--to", "--layer", "--type", "--ids"};
    const ParsedArgs parsed = parseArgs(args, table);
    if (parsed.positional.size() != 2) throw UsageError{"convert needs IN and OUT"};
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];

    EnVDSaveFormat format = extensionOf(out) == "xml" ? vdsfXML : vdsfBinary;
    if (parsed.has("--to")) {
        const std::string to = parsed.value("--to");
        if (to == "xml")
            format = vdsfXML;
        else if (to == "binary")
            format = vdsfBinary;
        else
            throw UsageError{"--to takes xml or binary, not \"" + to + "\""};
    }
    const bool selectedOnly = parsed.has("--selected");
    const Picker picker = makePicker(parsed);
    // A file carries no selection, so --selected needs to be told which items to save.
    if (selectedOnly && picker.empty()) throw UsageError{"--selected needs --layer, --type or --ids"};
    if (!selectedOnly && !picker.empty()) throw UsageError{"--layer, --type and --ids choose items for --selected"};

    ZVectorDrawing drawing;
    FileProbe probe;
    if (int status = loadDrawing(in, drawing, probe)) return status;

    if (selectedOnly) {
        for (const std::wstring& name : picker.layers) {
            if (!drawing.layers()->itemByName(name))
                return fileError(in, "no layer named \"" + QString::fromStdWString(name).toStdString() + "\"");
        }
        for (int i = 0; i < drawing.count(); ++i) {
            ZVDEntity* item = drawing.item(i);
            if (item && picker.picks(item)) drawing.selSet()->add(item, false);
        }
    }
    return writeDrawing(drawing, out, format, selectedOnly);
}

}  // namespace zvdcli
