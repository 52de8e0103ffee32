// zvd tool: `zvd solve IN [-o OUT] [--driven]` — solve a drawing's constraints, say what
// happened, and on success save the solved drawing.
#include <iostream>

#include <QString>

#include "cli.h"
#include "zvd/constraints/zvdconstraint.h"
#include "zvd/document/zvectordrawing.h"

namespace zvdcli {

namespace {

const char* const kKindNames[] = {
    "point on curve", "coincident",      "same line",      "parallel",        "perpendicular",
    "tangent",        "concentric",      "horizontal",     "vertical",        "equal",
    "pinned",         "line length",     "point distance", "point to curve distance",
    "line distance",  "arc angle",       "line angle",     "radius",          "diameter",
    "ellipse radius", "multi-distance"};

std::string kindName(const ZVDConstraint* c) {
    if (!c->data()) return "no kind";
    const int kind = c->dataType();
    return kind >= 0 && kind <= cdtMultiDistance ? kKindNames[kind] : "kind " + std::to_string(kind);
}

}  // namespace

// Exit 0 when solved (and OUT written when asked), 3 when the constraints could not be solved:
// the solver's message and the constraints it names go to stdout, OUT is not written.
int runSolve(const std::vector<std::string>& args) {
    ArgTable table;
    table.flags = {"--driven"};
    table.valued = {"-o", "--output"};
    const ParsedArgs parsed = parseArgs(args, table);
    if (parsed.positional.size() != 1) throw UsageError{"solve needs IN"};
    const std::string& in = parsed.positional[0];
    const std::string out = parsed.has("-o") ? parsed.value("-o") : parsed.value("--output");

    ZVectorDrawing drawing;
    FileProbe probe;
    if (int status = loadDrawing(in, drawing, probe)) return status;

    std::vector<ZVDConstraint*> all;
    const int count = drawing.getAllConstraints(all);
    std::wstring message;
    std::vector<ZVDConstraint*> conflicts;
    const EnSolveResult result = drawing.calculateConstraints(!parsed.has("--driven"), message, conflicts);
    if (result != esrSolved) {
        std::cout << "not solved (result " << int(result) << "): " << QString::fromStdWString(message).toStdString()
                  << "\n";
        for (const ZVDConstraint* c : conflicts)
            std::cout << "  constraint " << c->iD() << " (" << kindName(c) << ")\n";
        return exitNotSolved;
    }
    std::cout << "solved: " << count << " constraint" << (count == 1 ? "" : "s") << "\n";
    if (out.empty()) return exitOk;
    const EnVDSaveFormat format = extensionOf(out) == "xml" ? vdsfXML : vdsfBinary;
    return writeDrawing(drawing, out, format, false);
}

}  // namespace zvdcli
