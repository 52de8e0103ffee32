// zvd: the framing pieces of the binary drawing stream shared by its reader and writer (internal).
// Readers here throw MalformedStream, which the drawing's loader catches; nothing leaves the library.
#pragma once

#include <cstdint>
#include <iostream>
#include <stdexcept>
#include <string>

#include "foundation/vdcommon_stream.h"

class ZVectorDrawing;

namespace zvdbin {

// The text every malformed-stream failure carries (UTF-8).
extern const char* const kMalformedStreamText;
// "ZelvaroneVectorDrawing": the stream's signature, the XML root's name.
extern const wchar_t* const kSignature;
// Bytes of the signature after its length byte.
const int kSignatureLength = 22;
// An arc record of a stream below version 3.3 holds this many bytes after what a line record
// holds: the radius (double) and the arc type (1 byte).
const int kArcTailBytes = 9;

class MalformedStream : public std::runtime_error {
public:
    MalformedStream();
};

[[noreturn]] void throwMalformed();

// One little-endian scalar, or MalformedStream when the stream runs out.
template <class T>
T readOrThrow(std::istream& in) {
    T value{};
    if (!vdcommon::detail::readLE(in, value)) throwMalformed();
    return value;
}

// Steps over n bytes without storing them; MalformedStream when fewer are left. A hostile n
// costs nothing: the bytes are skipped, never buffered.
void skipOrThrow(std::istream& in, int64_t n);

// Which record fields a stream of the drawing's current format version holds, decided once per
// load with the same comparisons (tolerance 0.001) the item readers use.
struct StreamLayout {
    explicit StreamLayout(const ZVectorDrawing& drawing);

    bool noExtData;      // exactly "1.0": no extension-data strings at all
    bool ansiStrings;    // below 1.9: remark and extension data in the ANSI code page
    bool blockFields;    // above 1.45: items carry blockTypeID and blockID
    bool relationField;  // 1.6 and later: items carry relationID
    bool enableField;    // above 1.7: items carry enableType
    bool scaleField;     // above 1.9: items carry currentScale
    bool oldMarks;       // exactly "1.0" or "1.1": curves store one mark (position, size, style)
    bool curveLinks;     // 2.1 and later: curves carry the next and previous item identifiers
    bool testArcs;       // below 3.0: arc records may not build an arc and are then lines
    bool blockSection;   // 3.1 and later: the block-definition section is present

    // An item record's common fields are a fixed head, the extension-data string (unless
    // noExtData) and a fixed tail; these are the head's and the tail's sizes in bytes.
    int64_t commonHeadBytes() const;
    int64_t commonTailBytes() const;
    // Bytes of a curve record's own fields that come before its geometry.
    int64_t curveFieldBytes() const;
};

}  // namespace zvdbin
