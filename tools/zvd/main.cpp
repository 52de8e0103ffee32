// zvd tool: the command line — subcommand dispatch, help and version, and the last line of
// defence that turns any unexpected failure into a message and exit status 1.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "cli.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/foundation/vdcommon.h"

#if defined(__SANITIZE_ADDRESS__)
// Text support keeps Qt's font database, and with it fontconfig's caches, until the process ends;
// fontconfig never frees them, which LeakSanitizer would report after every render. The runtime finds this hook
// by name, so it must stay visible although the build hides symbols by default.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif

namespace {

const char kSynopsis[] =
    "usage: zvd info FILE [--json]\n"
    "       zvd convert IN OUT [--to xml|binary] [--selected [--layer NAME] [--type TYPE] [--ids LIST]]\n"
    "       zvd render IN -o OUT.png|OUT.svg|OUT.pdf [--size WxH] [--background COLOR]\n"
    "       zvd solve IN [-o OUT] [--driven]\n"
    "       zvd --help | --version\n";

const char kDetails[] =
    "\n"
    "Commands:\n"
    "  info     Show a drawing's format, version, size and background colour, its layers and\n"
    "           block definitions, how many items of each type it holds, and its full range.\n"
    "           --json prints the same as a JSON object.\n"
    "  convert  Load IN (XML or binary) and save it as OUT: XML when OUT ends in .xml, binary\n"
    "           otherwise, or as --to says. --selected saves only the top-level items picked by\n"
    "           --layer NAME, --type TYPE (line, arc, circle, ...) and --ids LIST (e.g. 3,5-9);\n"
    "           each option may repeat, and an item must pass every kind given. Layers and\n"
    "           block definitions are always saved whole.\n"
    "  render   Load IN, fit its full range into a WxH picture (default 1024x768) and draw it.\n"
    "           The type follows OUT's extension. --background paints the page in COLOR\n"
    "           (#RRGGBB, #RGB or a name such as white) instead of the drawing's own colour.\n"
    "  solve    Load IN and solve its geometric constraints. Solved: the bound items move and,\n"
    "           with -o OUT, the drawing is saved (XML when OUT ends in .xml, else binary).\n"
    "           Not solved: the solver's message and the constraints it names are printed and\n"
    "           nothing is written. --driven lets dimensions follow the geometry instead of\n"
    "           driving it.\n"
    "\n"
    "Colours print as #RRGGBB. Exit status: 0 done, 1 a file could not be read or written\n"
    "(the message names the file: cannot open, not a drawing, damaged stream, cannot write),\n"
    "2 a wrong command line, 3 constraints that could not be solved.\n";

// The library's platform layer may warn on stderr (fonts, runtime directories); the tool's
// stderr carries only its own one-line messages.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << "zvd: " << message.toStdString() << std::endl;
}

int usage(const std::string& problem) {
    std::cerr << "zvd: " << problem << '\n' << kSynopsis << "Run 'zvd --help' for details." << std::endl;
    return zvdcli::exitUsage;
}

int dispatch(const std::vector<std::string>& args) {
    if (args.empty()) return usage("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kSynopsis << kDetails;
        return zvdcli::exitOk;
    }
    if (command == "--version") {
        std::cout << "zvd " << vdcommon::libraryVersion() << " (drawing format "
                  << QString::fromStdWString(ZVectorDrawing().version()).toStdString() << ")\n";
        return zvdcli::exitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
        if (arg == "--help" || arg == "-h") {
            std::cout << kSynopsis << kDetails;
            return zvdcli::exitOk;
        }
    }
    try {
        if (command == "info") return zvdcli::runInfo(rest);
        if (command == "convert") return zvdcli::runConvert(rest);
        if (command == "render") return zvdcli::runRender(rest);
        if (command == "solve") return zvdcli::runSolve(rest);
    } catch (const zvdcli::UsageError& e) {
        return usage(e.message);
    }
    return usage("unknown command \"" + command + "\"");
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietQtMessages);
    try {
        return dispatch(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        std::cerr << "zvd: out of memory" << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "zvd: internal error: " << e.what() << std::endl;
    } catch (...) {
        std::cerr << "zvd: internal error" << std::endl;
    }
    return zvdcli::exitFailure;
}
