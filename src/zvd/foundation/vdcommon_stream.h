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

// in.read(out, n) as the binary loaders use it, answering how many bytes arrived. A good,
// untied stream that throws nothing is read straight from its buffer: loaders read field by
// field, and istream::read's sentry per request costs more than the copy. The stream state
// ends as read() leaves it (eofbit and failbit on a short read, badbit when the buffer
// throws); only gcount() is not updated, and no loader asks it after these reads.
inline std::streamsize readUpTo(std::istream& in, char* out, std::streamsize n) {
    std::streambuf* buf = in.rdbuf();
    if (!buf || !in.good() || in.tie() || in.exceptions() != std::ios::goodbit) {
        in.read(out, n);
        return in.gcount();
    }
    std::streamsize got = 0;
    try {
        got = buf->sgetn(out, n);
    } catch (...) {
        in.setstate(std::ios::badbit);  // no exception mask: only records the failure
        return 0;
    }
    if (got != n) in.setstate(std::ios::eofbit | std::ios::failbit);
    return got;
}

// Reads a count of `width` bytes (1, 2 or 4; 4 is signed) and then that many bytes into `bytes`.
// False when nothing should be decoded: an unsupported width, a zero or negative count, or a
// stream that ran out (the stream is then failed). The buffer grows only as data actually
// arrives, 64 KiB at a time, so a hostile count costs no more memory than the stream holds.
bool readCountedBytes(std::istream& in, unsigned char width, std::string& bytes);

// Whether all n bytes arrived (see readUpTo).
inline bool readBytes(std::istream& in, char* out, std::streamsize n) { return readUpTo(in, out, n) == n; }

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

// A run of consecutive fixed-size fields of a record (at most 96 bytes), fetched from the
// stream in one request and handed out in order by take(). A field is given only when all its
// bytes arrived, so a record cut short yields exactly the fields that reading them one by one
// would have yielded, with the stream failed as those reads would leave it. Callers take every
// field of the run unless one fails. A stream that throws on failure is read field by field,
// so that it throws where the single reads would.
class FieldRun {
public:
    FieldRun(std::istream& in, size_t size) : m_in(in) {
        if (size == 0) return;  // nothing to fetch; no request, as no single read would be made
        if (size > sizeof(m_bytes) || in.exceptions() != std::ios::goodbit) {
            m_direct = true;
            return;
        }
        m_size = static_cast<size_t>(readUpTo(in, reinterpret_cast<char*>(m_bytes), std::streamsize(size)));
    }
    FieldRun(const FieldRun&) = delete;
    FieldRun& operator=(const FieldRun&) = delete;

    // The next field, or false (value unchanged) when its bytes did not all arrive.
    template <class T>
    bool take(T& value) {
        static_assert(std::is_arithmetic<T>::value, "scalars only");
        if (m_direct) return readLE(m_in, value);
        if (m_size - m_pos < sizeof(T)) {
            m_pos = m_size;
            return false;
        }
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, m_bytes + m_pos, sizeof(T));
        m_pos += sizeof(T);
        toLittleEndian<T>(bytes);
        std::memcpy(&value, bytes, sizeof(T));
        return true;
    }

private:
    std::istream& m_in;
    unsigned char m_bytes[96];
    size_t m_size = 0;
    size_t m_pos = 0;
    bool m_direct = false;
};

}  // namespace detail
}  // namespace vdcommon
