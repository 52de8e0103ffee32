// zvd tool: argument parsing, messages, names and colours, and loading a drawing file.
// The loader answers only true or false, so the file is probed first to tell the user why it failed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>

#include <QColor>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QXmlStreamReader>

#include "cli.h"
#include "zvd/document/zvectordrawing.h"

namespace zvdcli {

namespace {

const char kSignature[] = "ZelvaroneVectorDrawing";
const size_t kSignatureLength = sizeof(kSignature) - 1;  // 22, also the stream's length byte

const char* const kTypeNames[] = {"point",
                                  "text",
                                  "line",
                                  "arc",
                                  "hatch",
                                  "circle",
                                  "polyline",
                                  "ellipse",
                                  "polygon",
                                  "spline",
                                  "block-reference",
                                  "composite",
                                  "poly-composite",
                                  "grid",
                                  "grid-line",
                                  "constraint",
                                  "constraint-dimension",
                                  "dimension-line",
                                  "dimension-arc",
                                  "dimension-text"};
const int kTypeCount = static_cast<int>(sizeof(kTypeNames) / sizeof(kTypeNames[0]));

std::string errnoText() { return std::strerror(errno); }

// Qt's messages end in a full stop; ours sit inside parentheses.
std::string trimStop(QString text) {
    while (text.endsWith('.')) text.chop(1);
    return text.toStdString();
}

// The root element decides whether an XML file is a drawing; a document that breaks off or is
// malformed before its root is not one either.
void probeXml(const std::string& path, FileProbe& probe) {
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        probe.kind = FileProbe::unreadable;
        probe.reason = file.errorString().toStdString();
        return;
    }
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) continue;
        if (reader.name() == QLatin1String(kSignature)) {
            probe.kind = FileProbe::xml;
            probe.version = reader.attributes().value(QLatin1String("Version")).toString().toStdString();
        } else {
            probe.kind = FileProbe::notDrawing;
            probe.reason = "an XML document with root <" + reader.name().toString().toStdString() + ">";
        }
        return;
    }
    probe.kind = FileProbe::notDrawing;
    probe.reason = reader.hasError() ? "XML error: " + trimStop(reader.errorString()) : "no root element";
}

// Where a drawing document stops being well-formed, as " (line L, column C: why)"; empty when
// the XML itself is sound (the drawing's content was then what the loader refused).
std::string xmlErrorDetail(const std::string& path) {
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly)) return std::string();
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) reader.readNext();
    if (!reader.hasError()) return std::string();
    return " (line " + std::to_string(reader.lineNumber()) + ", column " + std::to_string(reader.columnNumber()) +
           ": " + trimStop(reader.errorString()) + ")";
}

}  // namespace

bool ParsedArgs::has(const std::string& option) const { return flags.count(option) > 0 || values.count(option) > 0; }

std::string ParsedArgs::value(const std::string& option, const std::string& fallback) const {
    auto it = values.find(option);
    return it == values.end() || it->second.empty() ? fallback : it->second.back();
}

ParsedArgs parseArgs(const std::vector<std::string>& args, const ArgTable& table) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::string inlineValue;
        bool hasInlineValue = false;
        const size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
            hasInlineValue = true;
        }
        if (table.flags.count(name)) {
            if (hasInlineValue) throw UsageError{"option " + name + " takes no value"};
            parsed.flags.insert(name);
        } else if (table.valued.count(name)) {
            if (!hasInlineValue) {
                if (i + 1 >= args.size()) throw UsageError{"option " + name + " needs a value"};
                inlineValue = args[++i];
            }
            parsed.values[name].push_back(inlineValue);
        } else {
            throw UsageError{"unknown option " + name};
        }
    }
    return parsed;
}

int fileError(const std::string& file, const std::string& what) {
    std::cerr << "zvd: " << file << ": " << what << std::endl;
    return exitFailure;
}

int checkWritable(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return fileError(path, "cannot write (it is a directory)");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return fileError(path, "cannot write (" + errnoText() + ")");
    ::close(fd);
    return exitOk;
}

FileProbe probeFile(const std::string& path) {
    FileProbe probe;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        probe.reason = errnoText();
        return probe;
    }
    if (S_ISDIR(info.st_mode)) {
        probe.reason = "it is a directory";
        return probe;
    }
    // The loaders measure and rewind their input, which pipes and devices cannot do.
    if (!S_ISREG(info.st_mode)) {
        probe.reason = "not a regular file";
        return probe;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        probe.reason = errnoText();
        return probe;
    }
    // Enough for the signature and the longest version string a short string can hold.
    char head[1 + kSignatureLength + 1 + 255];
    in.read(head, sizeof head);
    const size_t n = static_cast<size_t>(in.gcount());
    if (in.bad()) {
        probe.reason = errnoText();
        return probe;
    }
    if (n >= 5 && std::memcmp(head, "<?xml", 5) == 0) {
        probeXml(path, probe);
        return probe;
    }
    if (n >= 1 + kSignatureLength && static_cast<unsigned char>(head[0]) == kSignatureLength &&
        std::memcmp(head + 1, kSignature, kSignatureLength) == 0) {
        probe.kind = FileProbe::binary;
        const size_t at = 1 + kSignatureLength;
        if (n > at) {
            const size_t length = static_cast<unsigned char>(head[at]);
            if (n >= at + 1 + length) probe.version.assign(head + at + 1, length);
        }
        return probe;
    }
    probe.kind = FileProbe::notDrawing;
    probe.reason = n == 0 ? "the file is empty" : "";
    return probe;
}

int loadDrawing(const std::string& path, ZVectorDrawing& drawing, FileProbe& probe) {
    probe = probeFile(path);
    switch (probe.kind) {
    case FileProbe::unreadable:
        return fileError(path, "cannot open (" + probe.reason + ")");
    case FileProbe::notDrawing:
        return fileError(path, probe.reason.empty() ? "not a drawing" : "not a drawing (" + probe.reason + ")");
    default:
        break;
    }
    std::fstream stream(path, std::ios::in | std::ios::binary);
    if (!stream) return fileError(path, "cannot open (" + errnoText() + ")");
    bool loaded = false;
    std::string thrown;
    try {
        EnVDSaveFormat found = vdsfBinary;
        loaded = drawing.loadFromStream(&stream, &found);
    } catch (const std::exception& e) {
        thrown = e.what();
    } catch (...) {
        thrown = "unknown error";
    }
    if (loaded) return exitOk;
    std::string detail;
    if (!thrown.empty())
        detail = " (" + thrown + ")";
    else if (probe.kind == FileProbe::xml)
        detail = xmlErrorDetail(path);
    return fileError(path, "damaged stream" + detail);
}

std::string itemTypeName(int type) {
    if (type >= 0 && type < kTypeCount) return kTypeNames[type];
    return "type " + std::to_string(type);
}

int itemTypeFromName(const std::string& name) {
    for (int type = 0; type < kTypeCount; ++type)
        if (name == kTypeNames[type]) return type;
    return -1;
}

std::string colorToHex(int colorref) {
    // Negative values stand for a system colour chosen by the device.
    if (colorref < 0) return "system";
    const unsigned value = static_cast<unsigned>(colorref);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    return text;
}

bool parseColor(const std::string& text, int& colorref) {
    const QColor color(QString::fromStdString(text));
    // Output has no transparency: the device paints an opaque background.
    if (!color.isValid() || color.alpha() != 255) return false;
    colorref = color.red() | (color.green() << 8) | (color.blue() << 16);
    return true;
}

std::string formatNumber(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest).toStdString();
}

std::string extensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::wstring toLibraryPath(const std::string& path) { return QFile::decodeName(path.c_str()).toStdWString(); }

static int writeBinary(ZVectorDrawing& drawing, const std::string& path, bool selectedOnly) {
    std::fstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out) return fileError(path, std::string("cannot write (") + std::strerror(errno) + ")");
    const bool saved = drawing.saveToStream(&out, vdsfBinary, selectedOnly);
    out.flush();
    if (!saved || !out) return fileError(path, "cannot write");
    return exitOk;
}

static int writeXml(ZVectorDrawing& drawing, const std::string& path, bool selectedOnly) {
    // The XML writer does not report a file it cannot open, so find that out first.
    if (int status = checkWritable(path)) return status;
    const bool saved = drawing.saveToFile(toLibraryPath(path), vdsfXML, selectedOnly);
    struct stat info;
    if (!saved || ::stat(path.c_str(), &info) != 0 || info.st_size == 0) return fileError(path, "cannot write");
    return exitOk;
}

int writeDrawing(ZVectorDrawing& drawing, const std::string& path, EnVDSaveFormat format, bool selectedOnly) {
    return format == vdsfXML ? writeXml(drawing, path, selectedOnly) : writeBinary(drawing, path, selectedOnly);
}

}  // namespace zvdcli
