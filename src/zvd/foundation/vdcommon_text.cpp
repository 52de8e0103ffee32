// zvd: vdcommon numbers, text helpers, version strings, font styles and the wvsprintf-style format.
// Everything here is locale-independent: only ASCII letters, digits and blanks carry meaning.
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <string>

#include "zvd/foundation/vdcommon.h"

namespace vdcommon {

namespace {

// The blanks C's isspace knows in the "C" locale.
bool isCBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r'; }
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
wchar_t lowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; }
wchar_t upperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; }

// Reads [blanks][sign]digits from the start of s, the way atoi/strtol do. The string is scanned
// as code points: for every ASCII-compatible ANSI codec this gives the same answer as narrowing
// first, since no non-ASCII character encodes to a sequence starting with a blank, sign or digit.
// A zero character ends the text, as it would end the narrowed C string.
struct ParsedInt {
    long long value = 0;  // clamped to +/- (LLONG_MAX / 10) once it is far out of any range used
    bool digits = false;  // at least one digit was read
    size_t end = 0;       // index just past the last character read
};

ParsedInt parseLeadingInt(const std::wstring& s) {
    ParsedInt r;
    size_t i = 0, n = s.size();
    while (i < n && isCBlank(s[i])) ++i;
    bool negative = false;
    if (i < n && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
    const long long cap = LLONG_MAX / 10;
    while (i < n && isDigit(s[i])) {
        r.digits = true;
        if (r.value < cap) r.value = r.value * 10 + (s[i] - L'0');
        ++i;
    }
    if (negative) r.value = -r.value;
    r.end = r.digits ? i : 0;
    return r;
}

}  // namespace

std::wstring intToStr(int value) { return std::to_wstring(value); }

int strToInt(const std::wstring& s) {
    ParsedInt p = parseLeadingInt(s);
    if (p.value > INT_MAX) return INT_MAX;
    if (p.value < INT_MIN) return INT_MIN;
    return static_cast<int>(p.value);
}

bool isInteger(const std::wstring& s) {
    std::wstring text = s.substr(0, s.find(L'\0'));
    ParsedInt p = parseLeadingInt(text);
    // A 32-bit long, as in the format's home platform, so that a value that passes fits strToInt.
    return p.digits && p.end == text.size() && p.value >= INT32_MIN && p.value <= INT32_MAX;
}

int round(double x) {
    if (std::isnan(x)) return 0;
    double r = x > 0 ? x + 0.5 : x - 0.5;
    if (r >= 2147483648.0) return INT_MAX;
    if (r <= -2147483649.0) return INT_MIN;
    return static_cast<int>(r);  // truncation toward zero completes half-away-from-zero
}

// ---------------------------------------------------------------------------------------------
// format: a wvsprintfW of our own (see the header for the rules).

namespace {

const size_t kFormatLimit = 1024;  // characters the Windows output buffer can hold
const size_t kResultLimit = 255;   // characters handed back to callers

struct Conversion {
    bool left = false;
    bool hexPrefix = false;
    bool zeroPad = false;
    size_t width = 0;
    size_t precision = 0;  // 0 when absent, given as 0 or as a bare "."
    char size = 0;         // 0, 'h', 'l' (also 'w') or 'I' (I64)
};

class FormatOutput {
public:
    void put(wchar_t c) {
        if (m_text.size() < kFormatLimit) m_text.push_back(c);
    }
    void put(const std::wstring& s) {
        for (wchar_t c : s) put(c);
    }
    void repeat(wchar_t c, size_t n) {
        for (size_t i = 0; i < n && m_text.size() < kFormatLimit; ++i) m_text.push_back(c);
    }
    bool full() const { return m_text.size() >= kFormatLimit; }
    std::wstring result() const { return m_text.substr(0, kResultLimit); }

    // Places head (sign or 0x) and body in the field the conversion asks for. Zero padding goes
    // between head and body so that "-0042" and "0x00ff" come out right.
    void field(const Conversion& conv, const std::wstring& head, const std::wstring& body) {
        size_t len = head.size() + body.size();
        size_t pad = conv.width > len ? conv.width - len : 0;
        if (conv.left) {
            put(head);
            put(body);
            repeat(L' ', pad);
        } else if (conv.zeroPad) {
            put(head);
            repeat(L'0', pad);
            put(body);
        } else {
            repeat(L' ', pad);
            put(head);
            put(body);
        }
    }

private:
    std::wstring m_text;
};

std::wstring digitsOf(unsigned long long v, unsigned base, bool upper, size_t minDigits) {
    const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring d;
    do {
        d.insert(d.begin(), set[v % base]);
        v /= base;
    } while (v);
    if (d.size() < minDigits) d.insert(0, minDigits - d.size(), L'0');
    return d;
}

size_t readCount(const wchar_t*& p) {
    size_t n = 0;
    while (isDigit(*p)) {
        if (n <= kFormatLimit) n = n * 10 + size_t(*p - L'0');  // beyond the limit it no longer matters
        ++p;
    }
    return n;
}

// Emits one integer conversion; `type` is d, i, u, x, X or p.
void formatInteger(FormatOutput& out, const Conversion& conv, wchar_t type, va_list* ap) {
    bool isSigned = type == L'd' || type == L'i';
    bool hex = type == L'x' || type == L'X' || type == L'p';
    bool upper = type == L'X' || type == L'p';
    long long sv = 0;
    unsigned long long uv = 0;
    if (type == L'p') {
        uv = reinterpret_cast<uintptr_t>(va_arg(*ap, void*));
    } else if (conv.size == 'I') {
        if (isSigned)
            sv = va_arg(*ap, long long);
        else
            uv = va_arg(*ap, unsigned long long);
    } else if (conv.size == 'l') {
        // Windows' long is 32 bits: print the low 32 bits of whatever integer was passed.
        long v = va_arg(*ap, long);
        if (isSigned)
            sv = static_cast<int32_t>(static_cast<uint32_t>(v));
        else
            uv = static_cast<uint32_t>(v);
    } else if (conv.size == 'h') {
        int v = va_arg(*ap, int);
        if (isSigned)
            sv = static_cast<short>(v);
        else
            uv = static_cast<unsigned short>(v);
    } else {
        if (isSigned)
            sv = va_arg(*ap, int);
        else
            uv = va_arg(*ap, unsigned int);
    }
    std::wstring head;
    if (isSigned) {
        if (sv < 0) {
            head = L"-";
            uv = 0ULL - static_cast<unsigned long long>(sv);
        } else {
            uv = static_cast<unsigned long long>(sv);
        }
    }
    if (hex && conv.hexPrefix) head += upper ? L"0X" : L"0x";
    size_t minDigits = conv.precision > 0 ? conv.precision : 1;
    if (type == L'p' && minDigits < 2 * sizeof(void*)) minDigits = 2 * sizeof(void*);
    out.field(conv, head, digitsOf(uv, hex ? 16 : 10, upper, minDigits));
}

void formatText(FormatOutput& out, const Conversion& conv, std::wstring text) {
    if (conv.precision > 0 && text.size() > conv.precision) text.resize(conv.precision);
    out.field(conv, std::wstring(), text);
}

}  // namespace

std::wstring format(const wchar_t* fmt, ...) {
    if (!fmt) return std::wstring();
    FormatOutput out;
    va_list ap;
    va_start(ap, fmt);
    const wchar_t* p = fmt;
    while (*p && !out.full()) {
        if (*p != L'%') {
            out.put(*p++);
            continue;
        }
        ++p;
        Conversion conv;
        for (;; ++p) {
            if (*p == L'-')
                conv.left = true;
            else if (*p == L'#')
                conv.hexPrefix = true;
            else if (*p == L'0')
                conv.zeroPad = true;
            else
                break;
        }
        if (conv.left) conv.zeroPad = false;
        conv.width = readCount(p);
        if (*p == L'.') {
            ++p;
            conv.precision = readCount(p);
        }
        if (*p == L'h') {
            conv.size = 'h';
            ++p;
        } else if (*p == L'l' || *p == L'w') {
            conv.size = 'l';
            ++p;
        } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            conv.size = 'I';
            p += 3;
        }
        wchar_t type = *p;
        if (!type) break;  // a conversion cut off by the end of the format prints nothing
        ++p;
        switch (type) {
        case L'd':
        case L'i':
        case L'u':
        case L'x':
        case L'X':
        case L'p':
            formatInteger(out, conv, type, &ap);
            break;
        case L'c':
        case L'C': {
            bool narrow = conv.size == 'h' || (conv.size == 0 && type == L'C');
            std::wstring ch;
            if (narrow) {
                char c = static_cast<char>(va_arg(ap, int));
                if (c) ch = charToWstring(std::string(1, c).c_str());
            } else {
                wchar_t c = static_cast<wchar_t>(va_arg(ap, wint_t));
                if (c) ch.assign(1, c);
            }
            if (!ch.empty()) formatText(out, conv, ch);  // a zero character is dropped entirely
            break;
        }
        case L's':
        case L'S': {
            bool narrow = conv.size == 'h' || (conv.size == 0 && type == L'S');
            std::wstring text;
            if (narrow) {
                const char* s = va_arg(ap, const char*);
                text = s ? charToWstring(s) : std::wstring(L"(null)");
            } else {
                const wchar_t* s = va_arg(ap, const wchar_t*);
                text = s ? std::wstring(s) : std::wstring(L"(null)");
            }
            formatText(out, conv, text);
            break;
        }
        default:
            out.put(type);  // "%%" and every meaningless character: copied as it stands
            break;
        }
    }
    va_end(ap);
    return out.result();
}

// ---------------------------------------------------------------------------------------------

bool sameText(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

int indexOfStringArray(const std::wstring& s, const std::wstring* array, int n) {
    if (!array) return -1;
    for (int i = 0; i < n; ++i)
        if (sameText(s, array[i])) return i;
    return -1;
}

std::wstring trim(const std::wstring& s) {
    size_t first = s.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    size_t last = s.find_last_not_of(L' ');
    return s.substr(first, last - first + 1);
}

std::wstring upperCase(const std::wstring& s) {
    std::wstring r(s);
    for (wchar_t& c : r) c = upperAscii(c);
    return r;
}

void parseVersion(const std::wstring& v, int& major, int& minor) {
    size_t dot = v.find(L'.');
    major = strToInt(v.substr(0, dot));
    // Without a dot the "part after it" is the whole string (npos + 1 == 0).
    minor = strToInt(dot == std::wstring::npos ? v : v.substr(dot + 1));
}

int compareVersion(const std::wstring& a, const std::wstring& b) {
    int amaj = 0, amin = 0, bmaj = 0, bmin = 0;
    parseVersion(a, amaj, amin);
    parseVersion(b, bmaj, bmin);
    if (amaj != bmaj) return amaj < bmaj ? -1 : 1;
    if (amin != bmin) return amin < bmin ? -1 : 1;
    return 0;
}

void inflateRect(zgp::CBox2<int>& box, int dx, int dy) {
    box.min.x -= dx;
    box.min.y -= dy;
    box.max.x += dx;
    box.max.y += dy;
}

// ---------------------------------------------------------------------------------------------

FontStyles intToFontStyle(int value) {
    switch (value) {
    case 1:
        return FontStyles{fsBold};
    case 2:
        return FontStyles{fsItalic};
    case 3:
        return FontStyles{fsBold, fsItalic};
    default:
        return FontStyles();
    }
}

int fontStyleToInt(const FontStyles& styles) {
    if (styles == FontStyles{fsBold}) return 1;
    if (styles == FontStyles{fsItalic}) return 2;
    if (styles == FontStyles{fsBold, fsItalic}) return 3;
    return 0;
}

}  // namespace vdcommon
