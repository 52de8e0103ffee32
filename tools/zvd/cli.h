// zvd tool: declarations shared by the subcommands — exit codes, argument parsing, messages,
// and loading a drawing file with a precise account of why it could not be read.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "zvd/persistence/zxmlattrnames.h"

class ZVectorDrawing;

namespace zvdcli {

// Exit statuses: 0 done, 1 a file could not be read or written, 2 the command line is wrong,
// 3 the drawing's constraints could not be solved.
enum ExitCode { exitOk = 0, exitFailure = 1, exitUsage = 2, exitNotSolved = 3 };

// Thrown by argument parsing and option checks; main turns it into a usage message and exit 2.
struct UsageError {
    std::string message;
};

// Options a subcommand accepts: flags stand alone, valued options take the next argument (or
// "--name=value"). Anything else beginning with '-' is a usage error; "--" ends the options.
struct ArgTable {
    std::set<std::string> flags;
    std::set<std::string> valued;
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::set<std::string> flags;
    // Every value given, in command-line order, per option.
    std::map<std::string, std::vector<std::string>> values;

    bool has(const std::string& option) const;
    // The last value given for option, or fallback.
    std::string value(const std::string& option, const std::string& fallback = std::string()) const;
};

ParsedArgs parseArgs(const std::vector<std::string>& args, const ArgTable& table);

// Prints "zvd: <file>: <what>" as one line on stderr and answers exitFailure.
int fileError(const std::string& file, const std::string& what);
// Creates or truncates path to learn early whether it can be written; on failure prints
// "cannot write (why)" and answers exitFailure.
int checkWritable(const std::string& path);

// What the first bytes of a file say about it, without loading it.
struct FileProbe {
    enum Kind { unreadable, notDrawing, xml, binary };
    Kind kind = unreadable;
    // The format version stored in the file's header ("3.4", "1.1", ...); may be empty when the
    // header is cut short.
    std::string version;
    // Why the file is unreadable or not a drawing, for the message.
    std::string reason;
};

FileProbe probeFile(const std::string& path);

// Loads path into drawing. On failure prints the one-line message ("cannot open", "not a drawing"
// or "damaged stream") and answers exitFailure; the probe is filled in either case.
int loadDrawing(const std::string& path, ZVectorDrawing& drawing, FileProbe& probe);

// Names of the item types as the tool prints and accepts them ("line", "block reference", ...);
// numbers the library does not know print as "type N".
std::string itemTypeName(int type);
// The type number of a name accepted on the command line ("line", "block-reference"), or -1.
int itemTypeFromName(const std::string& name);

// Colours: the library's 0x00BBGGRR values shown as "#RRGGBB".
std::string colorToHex(int colorref);
// "#RRGGBB", "#RGB" or a colour name ("white", "navy", ...); false when not a colour.
bool parseColor(const std::string& text, int& colorref);

// Shortest text that reads back as the same double.
std::string formatNumber(double value);

// Lower-cased extension of a path without the dot ("" when none).
std::string extensionOf(const std::string& path);

// Paths as the library takes them.
std::wstring toLibraryPath(const std::string& path);

// Saves drawing as path in the format (the whole drawing, or the selection set's items);
// prints the reason and answers exitFailure when the file cannot be written.
int writeDrawing(ZVectorDrawing& drawing, const std::string& path, EnVDSaveFormat format, bool selectedOnly);

int runInfo(const std::vector<std::string>& args);
int runConvert(const std::vector<std::string>& args);
int runRender(const std::vector<std::string>& args);
int runSolve(const std::vector<std::string>& args);

}  // namespace zvdcli
