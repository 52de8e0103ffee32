// zvd: the binary drawing stream: header, drawing section, layer, block and item sections, the
// reading of every older version back to "1.0", and the arc test of the oldest streams.
#include <cstdint>
#include <iostream>
#include <memory>
#include <vector>

#include "persistence/zvdarctest.h"
#include "persistence/zvdbinstream.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/foundation/vdcommon.h"

using vdcommon::detail::writeLE;
using zvdbin::readOrThrow;
using zvdbin::throwMalformed;

// ---- framing pieces ----

namespace zvdbin {

const char* const kMalformedStreamText = "非法矢量图流格式";
const wchar_t* const kSignature = L"ZelvaroneVectorDrawing";

MalformedStream::MalformedStream() : std::runtime_error(kMalformedStreamText) {}

void throwMalformed() { throw MalformedStream(); }

void skipOrThrow(std::istream& in, int64_t n) {
    // ignore() takes a std::streamsize; step in bounded pieces so any count is safe.
    const int64_t piece = int64_t(1) << 30;
    while (n > 0) {
        const int64_t step = n < piece ? n : piece;
        in.ignore(static_cast<std::streamsize>(step));
        if (in.gcount() != step) throwMalformed();
        n -= step;
    }
}

int64_t commonHeadBytes(const ZVDFormatVersion& f) {
    // Type byte and identifier, the block fields, then layer identifier and colour.
    return 1 + 4 + (f.hasBlockFields() ? 4 + 4 : 0) + 4 + 4;
}

int64_t commonTailBytes(const ZVDFormatVersion& f) {
    return (f.hasRelationID() ? 4 : 0) + (f.hasEnableType() ? 4 : 0) + (f.hasCurrentScale() ? 8 : 0);
}

int64_t curveFieldBytes(const ZVDFormatVersion& f) {
    // Line width (int16) and line style (byte), then the marks: one mark as position (byte),
    // size (int16) and style (byte), or two sizes (int16 each) and two styles (byte each).
    int64_t n = 2 + 1 + (f.singleCurveMark() ? 1 + 2 + 1 : 2 + 2 + 1 + 1);
    if (f.hasCurveChainIds() && !f.singleCurveMark()) n += 4 + 4;
    return n;
}

}  // namespace zvdbin

namespace {

// Reads a string with a 4-byte length in the format's character set.
std::wstring readText(std::iostream& s, const ZVDFormatVersion& format) {
    std::wstring text =
        format.ansiStrings() ? vdcommon::loadAnsiStringFromStream(s, 4) : vdcommon::loadUtf8StringFromStream(s, 4);
    if (s.fail()) throwMalformed();
    return text;
}

}  // namespace

// ---- saving ----

bool ZVectorDrawing::saveToBinStream(std::iostream* stream, bool selectedOnly) {
    if (!stream) return false;
    try {
        std::iostream& s = *stream;
        vdcommon::saveUtf8StringToStream(zvdbin::kSignature, s, 1);
        vdcommon::saveUtf8StringToStream(version(), s, 1);
        writeLE<int32_t>(s, m_backColor);
        writeLE<int32_t>(s, m_drawingWidth);
        writeLE<int32_t>(s, m_drawingHeight);
        vdcommon::saveUtf8StringToStream(m_remark, s, 4);
        vdcommon::saveUtf8StringToStream(m_extData, s, 4);
        m_layers->saveToStream(stream);
        m_blockDefinitions->saveToStream(stream);

        const int n = selectedOnly ? m_selSet->count() : m_root->count();
        writeLE<int32_t>(s, n);
        // Constraints refer to other items by identifier: they go last so that a reader meets
        // the items they bind before the constraints themselves.
        std::vector<ZVDEntity*> constraints;
        for (int i = 0; i < n; ++i) {
            ZVDEntity* item = selectedOnly ? m_selSet->item(i) : m_root->items(i);
            if (vdcommon::isConstraint(item))
                constraints.push_back(item);
            else
                item->saveToStream(stream);
        }
        for (ZVDEntity* item : constraints) item->saveToStream(stream);
        return !s.fail();
    } catch (...) {
        return false;  // the stream holds what was written before the failure
    }
}

// ---- loading ----

bool ZVectorDrawing::loadFromBinStream(std::iostream* stream) {
    // Reports made while loading reach the observers; repaints wait for the end of the load.
    m_updateNesting = 1;
    bool ok = false;
    try {
        clearForLoad();
        m_maxID = 0;
        m_changeCount = 0;
        if (!stream) throwMalformed();
        std::iostream& s = *stream;
        if (readOrThrow<uint8_t>(s) != zvdbin::kSignatureLength) throwMalformed();
        std::string signature(zvdbin::kSignatureLength, '\0');
        if (!s.read(&signature[0], zvdbin::kSignatureLength)) throwMalformed();
        if (vdcommon::stringToWstring(signature) != zvdbin::kSignature) throwMalformed();
        const std::wstring version = vdcommon::loadAnsiStringFromStream(s, 1);
        if (s.fail()) throwMalformed();
        setVersion(version);
        doLoadFromBinStream(stream);
        ok = true;
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        try {
            clearForLoad();
        } catch (...) {}
        m_maxID = 0;
    }
    setVersion(ZVDFormatVersion::current().text());
    m_changeCount = 0;
    endUpdate();
    return ok;
}

void ZVectorDrawing::doLoadFromBinStream(std::iostream* stream) {
    std::iostream& s = *stream;
    const ZVDFormatVersion& format = m_format;

    m_backColor = readOrThrow<int32_t>(s);
    m_drawingWidth = readOrThrow<int32_t>(s);
    m_drawingHeight = readOrThrow<int32_t>(s);
    m_remark = readText(s, format);
    m_extData = format.hasExtData() ? readText(s, format) : std::wstring();
    if (!m_layers->loadFromStream(stream)) throwMalformed();
    if (format.hasStreamBlocks() && !m_blockDefinitions->loadFromStream(stream)) throwMalformed();

    const int32_t n = readOrThrow<int32_t>(s);
    if (n < 0) throwMalformed();
    // The count is not trusted for memory: the list grows only as records actually parse, so
    // a hostile count ends at the end of the stream. Items read so far are deleted on failure.
    std::vector<std::unique_ptr<ZVDEntity>> loaded;
    for (int32_t i = 0; i < n; ++i) {
        int type = s.peek();
        if (type == std::char_traits<char>::eof()) throwMalformed();
        const bool arcAsLine = format.arcsMayBeLines() && type == vdiArc && invalidArcItem(stream);
        if (arcAsLine) type = vdiLine;
        std::unique_ptr<ZVDEntity> item(ZVDEntity::createItem(type));
        if (!item) throwMalformed();  // records carry no length: nothing after it can be framed
        item->setOwner(this);
        if (!item->loadFromStream(stream)) throwMalformed();
        if (arcAsLine) zvdbin::skipOrThrow(s, zvdbin::kArcTailBytes);
        loaded.push_back(std::move(item));
    }

    std::vector<ZVDEntity*> items;
    items.reserve(loaded.size());
    for (auto& item : loaded) items.push_back(item.release());
    add(nullptr, items);
}

bool ZVectorDrawing::invalidArcItem(std::iostream* stream) {
    if (!stream) return false;
    std::iostream& s = *stream;
    const std::streampos start = s.tellg();
    if (start == std::streampos(-1)) return false;
    bool readable = false;
    zgp::CVec2<double> p1, p2;
    double radius = 0;
    int arcType = 0;
    try {
        // Step over the common fields (the extension data's length decides how far) and the
        // curve fields before the geometry.
        zvdbin::skipOrThrow(s, zvdbin::commonHeadBytes(m_format));
        if (m_format.hasExtData()) {
            const int32_t length = readOrThrow<int32_t>(s);
            if (length > 0) zvdbin::skipOrThrow(s, length);
        }
        zvdbin::skipOrThrow(s, zvdbin::commonTailBytes(m_format) + zvdbin::curveFieldBytes(m_format));
        p1.x = readOrThrow<double>(s);
        p1.y = readOrThrow<double>(s);
        p2.x = readOrThrow<double>(s);
        p2.y = readOrThrow<double>(s);
        radius = readOrThrow<double>(s);
        arcType = readOrThrow<uint8_t>(s);
        readable = true;
    } catch (...) {
        readable = false;  // a cut record: the record's own reader reports it
    }
    s.clear();
    s.seekg(start);
    if (!readable) return false;

    return !zvdpersist::buildsArc(p1, p2, radius, arcType);
}
