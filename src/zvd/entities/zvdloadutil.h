// zvd: small helpers shared by the library's stream loaders (internal header).
// Loaders report a malformed record by leaving the stream failed; they never throw.
#pragma once

#include <cstdint>
#include <ios>
#include <ostream>
#include <string>

#include "foundation/vdcommon_stream.h"
#include "zvd/foundation/vdcommon.h"

namespace zvdload {

// Sets failbit without letting a stream that has exceptions enabled throw out of a loader.
inline void markStreamFailed(std::ios& stream) {
    try {
        stream.setstate(std::ios::failbit);
    } catch (...) {}
}

// A name in the ANSI code page behind a 1-byte length (layer and block-definition records).
// Longer names lose whole characters from the end until they fit in 255 bytes, so that the
// length byte stays true and no multi-byte character is split (a split one would read back as
// a different character and change the name on every save).
inline void writeAnsiShortString(std::ostream& stream, const std::wstring& text) {
    std::string bytes = vdcommon::ws2s(text);
    if (bytes.size() > 255) {
        std::wstring cut = text.substr(0, 255);  // no character encodes to less than one byte
        while ((bytes = vdcommon::ws2s(cut)).size() > 255) cut.pop_back();
    }
    vdcommon::detail::writeLE<uint8_t>(stream, static_cast<uint8_t>(bytes.size()));
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The longest head of s whose UTF-8 form fits in maxBytes: what a string behind a length field of
// that size can carry without the field wrapping.
inline std::wstring fittingUtf8(const std::wstring& s, size_t maxBytes) {
    size_t bytes = 0, n = 0;
    for (; n < s.size(); ++n) {
        const auto c = static_cast<uint32_t>(s[n]);
        const size_t len = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + len > maxBytes) break;
        bytes += len;
    }
    return s.substr(0, n);
}

// Containers may nest containers (composites, constraint dimensions holding dimensions); a loader
// refuses input nested deeper than this so that hostile files cannot exhaust the stack. One
// count per thread covers every kind of container.
constexpr int kMaxLoadDepth = 256;
inline thread_local int t_loadDepth = 0;

struct DepthGuard {
    DepthGuard() { ++t_loadDepth; }
    ~DepthGuard() { --t_loadDepth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool tooDeep() const { return t_loadDepth > kMaxLoadDepth; }
};

}  // namespace zvdload
