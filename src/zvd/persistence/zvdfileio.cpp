// zvd: the drawing's saving and loading entry points: files and streams, recognition of the XML
// and binary formats, copying a drawing through a stream, and the refresh after loading.
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include <QFile>
#include <QFileInfo>
#include <QString>

#include "zvd/document/zvectordrawing.h"

namespace {

// File names reach the C++ streams in the file system's own encoding.
std::string nativePath(const std::wstring& path) {
    return QFile::encodeName(QString::fromStdWString(path)).toStdString();
}

// Loaders report failure by their answer, so a host stream that throws on failure is switched
// to quiet mode for the load and gets its exception mask back afterwards. Restoring the mask on
// a failed stream throws at once; that throw is swallowed, the mask is set either way.
class QuietStream {
public:
    explicit QuietStream(std::ios& stream) : m_stream(stream), m_mask(stream.exceptions()) {
        m_stream.exceptions(std::ios::goodbit);
    }
    ~QuietStream() {
        try {
            m_stream.exceptions(m_mask);
        } catch (...) {}
    }
    QuietStream(const QuietStream&) = delete;
    QuietStream& operator=(const QuietStream&) = delete;

private:
    std::ios& m_stream;
    std::ios::iostate m_mask;
};

const char kXmlMark[] = "<?xml";
const int kXmlMarkLength = 5;

}  // namespace

// ---- saving ----

bool ZVectorDrawing::saveToFile(const std::wstring& path, EnVDSaveFormat format, bool selectedOnly) {
    if (format == vdsfXML) {
        // Create or truncate first, so that a file that cannot be written is reported here.
        QFile file(QString::fromStdWString(path));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        file.close();
        return saveToXMLFile(path, selectedOnly);
    }
    std::fstream file(nativePath(path), std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file.is_open()) return false;
    bool ok = saveToBinStream(&file, selectedOnly);
    file.close();
    return ok && !file.fail();
}

bool ZVectorDrawing::saveToStream(std::iostream* stream, EnVDSaveFormat format, bool selectedOnly) {
    if (!stream || format == vdsfXML) return false;
    QuietStream quiet(*stream);
    return saveToBinStream(stream, selectedOnly);
}

// ---- loading ----

bool ZVectorDrawing::loadFromFile(const std::wstring& path) { return loadFromFile(path, nullptr); }

bool ZVectorDrawing::loadFromFile(const std::wstring& path, EnVDSaveFormat* foundFormat) {
    // A missing file (or a directory) leaves the drawing as it is.
    const QFileInfo info(QString::fromStdWString(path));
    if (!info.exists() || info.isDir()) return false;
    std::fstream file(nativePath(path), std::ios::in | std::ios::binary);
    if (!file.is_open()) return false;
    return loadFromStream(&file, foundFormat);
}

bool ZVectorDrawing::loadFromStream(std::iostream* stream) { return loadFromStream(stream, nullptr); }

bool ZVectorDrawing::loadFromStream(std::iostream* stream, EnVDSaveFormat* foundFormat) {
    if (!stream) return false;
    QuietStream quiet(*stream);
    // The format is told by the first five bytes; both loaders start from the beginning.
    stream->clear();
    stream->seekg(0, std::ios::beg);
    char head[kXmlMarkLength] = {};
    stream->read(head, kXmlMarkLength);
    const bool xml = stream->gcount() == kXmlMarkLength && std::memcmp(head, kXmlMark, kXmlMarkLength) == 0;
    stream->clear();
    stream->seekg(0, std::ios::beg);
    if (foundFormat) *foundFormat = xml ? vdsfXML : vdsfBinary;

    bool ok = false;
    try {
        ok = xml ? loadFromXMLStream(stream) : loadFromBinStream(stream);
    } catch (...) {
        ok = false;  // both loaders catch their own failures; this is a last guard
    }
    refreshDimensionConstraints();
    refreshConstraints();
    return ok;
}

// ---- copying ----

void ZVectorDrawing::assign(ZVectorDrawing* other) {
    if (!other || other == this) return;
    try {
        std::stringstream buffer(std::ios::in | std::ios::out | std::ios::binary);
        other->saveToBinStream(&buffer, false);
        buffer.seekg(0, std::ios::beg);
        loadFromBinStream(&buffer);
    } catch (...) {
        // The drawing stays as the load left it.
    }
}

