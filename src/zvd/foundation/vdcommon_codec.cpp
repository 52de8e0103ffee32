// zvd: vdcommon character-set conversions (ANSI codec and UTF-8) and the length-prefixed stream strings.
// The ANSI codec is a host setting; UTF-8 conversions do not depend on it.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>

#include <QByteArray>
#include <QString>
#include <QTextCodec>

#include "vdcommon_stream.h"
#include "zvd/foundation/vdcommon.h"

namespace vdcommon {

namespace {

QTextCodec* defaultAnsiCodec() {
    // GB18030 covers code page 936; should this Qt lack it, fall back on the locale's codec and
    // finally on Latin-1, which every Qt build has.
    QTextCodec* c = QTextCodec::codecForName("GB18030");
    if (!c) c = QTextCodec::codecForLocale();
    if (!c) c = QTextCodec::codecForName("ISO-8859-1");
    return c;
}

std::atomic<QTextCodec*> g_ansiCodec{nullptr};

QTextCodec* ansiCodec() {
    QTextCodec* c = g_ansiCodec.load(std::memory_order_acquire);
    if (!c) {
        c = defaultAnsiCodec();
        QTextCodec* expected = nullptr;
        if (!g_ansiCodec.compare_exchange_strong(expected, c)) c = expected;
    }
    return c;
}

QString fromWide(const std::wstring& s) { return QString::fromStdWString(s); }

std::string toAnsi(const QString& s) {
    QTextCodec* c = ansiCodec();
    QByteArray bytes = c ? c->fromUnicode(s) : s.toLatin1();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QString fromAnsi(const char* data, size_t size) {
    QTextCodec* c = ansiCodec();
    int n = static_cast<int>(std::min<size_t>(size, size_t(INT32_MAX)));
    return c ? c->toUnicode(data, n) : QString::fromLatin1(data, n);
}

template <class Char>
Char* newArrayOf(const std::basic_string<Char>& s) {
    Char* r = new Char[s.size() + 1];
    std::copy(s.begin(), s.end(), r);
    r[s.size()] = Char(0);
    return r;
}

}  // namespace

bool setAnsiCodePage(const char* codecName) {
    if (!codecName || !*codecName) return false;
    QTextCodec* c = QTextCodec::codecForName(codecName);
    if (!c) return false;
    g_ansiCodec.store(c, std::memory_order_release);
    return true;
}

std::string ansiCodePage() {
    QTextCodec* c = ansiCodec();
    return c ? c->name().toStdString() : std::string("ISO-8859-1");
}

// ---- ANSI ----

std::string ws2s(const std::wstring& s) { return toAnsi(fromWide(s)); }

std::string wstringToString(const std::wstring& s) { return ws2s(s); }

std::wstring stringToWstring(const std::string& s) { return fromAnsi(s.data(), s.size()).toStdWString(); }

std::wstring charToWstring(const char* s) {
    if (!s) return std::wstring();
    return fromAnsi(s, std::strlen(s)).toStdWString();
}

char* wcharToChar(const wchar_t* s) { return newArrayOf(ws2s(s ? std::wstring(s) : std::wstring())); }

wchar_t* charToWchar(const char* s) { return newArrayOf(charToWstring(s)); }

const char* stringToChar(const std::string& s) { return s.c_str(); }

const wchar_t* wstringToWchar(const std::wstring& s) { return s.c_str(); }

char* wstringToChar(const std::wstring& s) { return wcharToChar(s.c_str()); }

wchar_t* stringToWchar(const std::string& s) { return charToWchar(s.c_str()); }

// ---- UTF-8 ----

std::string unicodeToUTF_8(const wchar_t* s) {
    if (!s) return std::string();
    QByteArray bytes = QString::fromStdWString(std::wstring(s)).toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::wstring uTF_8ToUnicode(const char* s) {
    if (!s) return std::wstring();
    return QString::fromUtf8(s, static_cast<int>(std::min<size_t>(std::strlen(s), INT32_MAX))).toStdWString();
}

// ---- stream strings ----

void saveUtf8StringToStream(const std::wstring& s, std::ostream& stream, unsigned char width) {
    if (width != 1 && width != 2 && width != 4) return;
    QByteArray bytes = fromWide(s).toUtf8();
    uint32_t count = static_cast<uint32_t>(bytes.size());
    // Narrow widths keep only the low bits of the count; callers keep such strings short.
    if (width == 1)
        detail::writeLE(stream, static_cast<uint8_t>(count));
    else if (width == 2)
        detail::writeLE(stream, static_cast<uint16_t>(count));
    else
        detail::writeLE(stream, count);
    stream.write(bytes.constData(), bytes.size());
}

namespace detail {

bool readCountedBytes(std::istream& stream, unsigned char width, std::string& bytes) {
    try {
        int64_t count = 0;
        if (width == 1) {
            uint8_t n = 0;
            if (!detail::readLE(stream, n)) return false;
            count = n;
        } else if (width == 2) {
            uint16_t n = 0;
            if (!detail::readLE(stream, n)) return false;
            count = n;
        } else if (width == 4) {
            int32_t n = 0;
            if (!detail::readLE(stream, n)) return false;
            count = n;
        } else {
            return false;
        }
        // A negative 4-byte count stands for the empty string, as a count of 0 does; older
        // files hold such records, and reading goes on after them.
        if (count <= 0) return false;
        const int64_t chunk = 64 * 1024;
        while (int64_t(bytes.size()) < count) {
            size_t want = size_t(std::min(chunk, count - int64_t(bytes.size())));
            size_t had = bytes.size();
            bytes.resize(had + want);
            stream.read(&bytes[had], std::streamsize(want));
            if (size_t(stream.gcount()) != want) {
                stream.setstate(std::ios::failbit);
                return false;
            }
        }
        return true;
    } catch (...) {
        // A stream with exceptions enabled has already recorded its failure; after a failed
        // allocation mark it here. Either way the string is empty.
        try {
            stream.setstate(std::ios::failbit);
        } catch (...) {}
        return false;
    }
}

}  // namespace detail

std::wstring loadUtf8StringFromStream(std::istream& stream, unsigned char width) {
    std::string bytes;
    if (!detail::readCountedBytes(stream, width, bytes)) return std::wstring();
    return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size())).toStdWString();
}

std::wstring loadAnsiStringFromStream(std::istream& stream, unsigned char width) {
    std::string bytes;
    if (!detail::readCountedBytes(stream, width, bytes)) return std::wstring();
    return fromAnsi(bytes.data(), bytes.size()).toStdWString();
}

}  // namespace vdcommon
