// zvd: the framing pieces of the binary drawing stream shared by its reader and writer (internal).
// Readers here throw MalformedStream, which the drawing's loader catches; nothing leaves the library.
#pragma once

#include <cstdint>
#include <iostream>
#include <stdexcept>
#include <string>

#include "foundation/vdcommon_stream.h"

class ZVDFormatVersion;

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

// Byte counts for stepping over the start of an item record of a stream in format f without
// reading it. An item record's common fields are a fixed head, the extension-data string (when
// f has one) and a fixed tail.
int64_t commonHeadBytes(const ZVDFormatVersion& f);
int64_t commonTailBytes(const ZVDFormatVersion& f);
// A curve record's own fields before its geometry.
int64_t curveFieldBytes(const ZVDFormatVersion& f);

}  // namespace zvdbin
