// zvd: little-endian scalar reads and writes on binary std streams, shared by the vdcommon sources.
// Internal to the library; the helpers never throw and report failure through the stream state.
#pragma once

#include <cstdint>
#include <cstring>
#include <istream>
#include <ostream>
#include <streambuf>
#include <string>
#include <type_traits>

namespace vdcommon {
namespace detail {

// printf into a std::string under the "C" numeric locale (a "." whatever the host's locale),
// growing to whatever the values need ("%.20lf" of 1e300 is long).
__attribute__((format(printf, 1, 2))) std::string cFormat(const char* fmt, ...);

// Byte order of the stored form is little-endian; swap on a big-endian host.
template <class T>
inline void toLittleEndian(unsigned char (&bytes)[sizeof(T)]) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    for (size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
#else
    (void)bytes;
#endif
}

template <class T>
inline void writeLE(std::ostream& out, T value) {
    static_assert(std::is_arithmetic<T>::value, "scalars only");
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    toLittleEndian<T>(bytes);
    out.write(reinterpret_cast<const char*>(bytes), sizeof(T));
}

// in.read(out, n) as the binary loaders use it, answering whether all n bytes arrived. A good,
// untied stream that throws nothing is read straight from its buffer: loaders read field by
// field, and istream::read's sentry per scalar costs more than the copy. The stream state ends
// as read() leaves it (eofbit and failbit on a short read, badbit when the buffer throws); only
// gcount() is not updated, and no loader asks it after a scalar.
inline bool readBytes(std::istream& in, char* out, std::streamsize n) {
    std::streambuf* buf = in.rdbuf();
    if (!buf || !in.good() || in.tie() || in.exceptions() != std::ios::goodbit) return bool(in.read(out, n));
    std::streamsize got = 0;
    try {
        got = buf->sgetn(out, n);
    } catch (...) {
        in.setstate(std::ios::badbit);  // no exception mask: only records the failure
        return false;
    }
    if (got == n) return true;
    in.setstate(std::ios::eofbit | std::ios::failbit);
    return false;
}

// False when the stream could not deliver sizeof(T) bytes (value then unchanged).
template <class T>
inline bool readLE(std::istream& in, T& value) {
    static_assert(std::is_arithmetic<T>::value, "scalars only");
    unsigned char bytes[sizeof(T)];
    if (!readBytes(in, reinterpret_cast<char*>(bytes), sizeof(T))) return false;
    toLittleEndian<T>(bytes);
    std::memcpy(&value, bytes, sizeof(T));
    return true;
}

}  // namespace detail
}  // namespace vdcommon
