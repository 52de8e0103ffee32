// zvd: vdcommon, the text and number encodings that both drawing file formats are built from.
// Numbers, strings, character sets, versions, font styles, matrices and polygons to text/stream and back.
#pragma once

#include <iosfwd>
#include <set>
#include <string>

#include <QString>

#include "zgp/box2.h"
#include "zgp/loop.h"
#include "zgp/matrix.h"
#include "zvd/foundation/zvdexport.h"

// Font styles of a text item. They live in the global namespace with the library's other
// En... enumerations; the numbers are fixed because fontStyleToInt/intToFontStyle store them.
enum EnFontStyle { fsBold = 0, fsItalic, fsUnderline, fsStrikeOut };
using FontStyles = std::set<EnFontStyle>;

// Character sets on this platform
// -------------------------------
// std::wstring holds wchar_t, which is 32 bits here: every element is one Unicode code point
// (UTF-32), not a UTF-16 code unit. Conversions go through QString (fromStdWString /
// toStdWString), so characters outside the Basic Multilingual Plane survive every round trip.
//
// "ANSI" byte strings (older binary streams, the narrow %S/%hs arguments of format) are decoded
// and encoded with a host-selected Qt text codec, GB18030 unless the host chooses another with
// setAnsiCodePage. UTF-8 conversions never depend on that setting.
//
// Streams are std::iostream objects opened in binary mode. Integers are written little-endian in
// their own width, doubles as 8-byte IEEE values.
class ZVDEntity;

namespace vdcommon {

// The library's own version ("0.1"), the project version it was built as. The drawing format
// version it writes is ZVDFormatVersion::current().
ZVD_EXPORT const char* libraryVersion();

// ---- item kinds ----

// True for a constraint (item type 15) or a constraint dimension (16); false for null.
ZVD_EXPORT bool isConstraint(const ZVDEntity* item);
// True for a constraint dimension (item type 16).
ZVD_EXPORT bool isConstraintDim(const ZVDEntity* item);

// ---- numbers and text ----

// Decimal, "-" for negatives, no padding.
ZVD_EXPORT std::wstring intToStr(int value);
// Read like C atoi: leading white space skipped, optional sign, digits up to the first other
// character; 0 when there are none. Values beyond the int range saturate at INT_MIN / INT_MAX.
ZVD_EXPORT int strToInt(const std::wstring& s);
// True when s is not empty and is, as a whole, a base-10 integer in the range of a 32-bit long
// (optional leading white space and sign, then digits, nothing after). Whatever passes fits an int.
ZVD_EXPORT bool isInteger(const std::wstring& s);
// Half away from zero: round(2.5) == 3, round(-2.5) == -3. Values beyond the int range saturate;
// NaN gives 0.
ZVD_EXPORT int round(double x);

// Formats like the Windows function wvsprintfW and answers at most 255 characters.
//
// A conversion is %[-][#][0][width][.precision][prefix]type (flags may come in any order):
//   -          left-justify in the field, padding with blanks on the right (overrides 0)
//   #          prefix hexadecimal conversions with 0x / 0X (also for the value 0)
//   0          pad on the left with zeros up to the width (after any sign or 0x prefix;
//              strings and characters are zero-padded too)
//   width      minimum number of characters; never truncates
//   .precision numbers: minimum number of digits, padded with leading zeros; 0, a bare "." or
//              no precision at all mean 1. Strings and characters: a precision above 0 is
//              the maximum number of characters copied (0 or none: no limit).
//   types      c      a wchar_t (passed as wint_t/int); a zero character is dropped entirely
//              C, hc, hC   a char (passed as int), decoded with the ANSI codec
//              lc, lC a wchar_t
//              s      a const wchar_t*;  S, hs, hS  a const char* in the ANSI codec;
//              ls, lS, ws  a const wchar_t*;  a null pointer prints "(null)"
//              d, i   int;   u   unsigned int;   x, X   unsigned int in lower/upper-case hex
//              hd, hi, hu, hx, hX   the int argument taken as (unsigned) short
//              ld, li, lu, lx, lX   a long of which the low 32 bits are printed, as Windows' long
//                                   is 32 bits (pass an int or a long)
//              I64d, I64i, I64u, I64x, I64X   a 64-bit integer (long long)
//              p      a pointer: upper-case hex, zero-padded to 16 digits
//   No floating point, no "*" width, no "+" or " " flags. "%%" gives "%"; any other character
//   that cannot start or end a conversion is copied as it stands ("%z" gives "z"); a "%" cut
//   off by the end of the format prints nothing.
// Output stops at 1024 characters (the limit of the Windows buffer); the answer is then cut to
// its first 255 characters.
ZVD_EXPORT std::wstring format(const wchar_t* fmt, ...);

// Equal after lower-casing the ASCII letters of both strings.
ZVD_EXPORT bool sameText(const std::wstring& a, const std::wstring& b);
// Index of the first of the n entries that is sameText with s; -1 when none matches, n < 1 or
// the array is null.
ZVD_EXPORT int indexOfStringArray(const std::wstring& s, const std::wstring* array, int n);
// Removes leading and trailing U+0020 characters only (tabs and other blanks stay).
ZVD_EXPORT std::wstring trim(const std::wstring& s);
// Upper-cases the ASCII letters; everything else stays as it is.
ZVD_EXPORT std::wstring upperCase(const std::wstring& s);

// Major: the number before the first "."; minor: the number after it; each read like strToInt.
// Without a "." the minor number is read from the whole string, so "3" parses as 3.3.
ZVD_EXPORT void parseVersion(const std::wstring& v, int& major, int& minor);
// Compares majors, then minors, as numbers ("3.10" is above "3.4"): -1, 0 or 1.
ZVD_EXPORT int compareVersion(const std::wstring& a, const std::wstring& b);
// Moves the minimum corner by (-dx, -dy) and the maximum corner by (+dx, +dy).
ZVD_EXPORT void inflateRect(zgp::CBox2<int>& box, int dx, int dy);

// ---- character sets ----

// Selects the Qt codec used as the "ANSI code page" (e.g. "GB18030", "GBK", "windows-1252",
// "UTF-8"). False, and the current codec kept, when Qt knows no codec of that name.
// The default is GB18030, a superset of code page 936. This is a process-wide host setting.
ZVD_EXPORT bool setAnsiCodePage(const char* codecName);
// Name of the codec in use, as Qt reports it.
ZVD_EXPORT std::string ansiCodePage();

// Wide string to/from the ANSI codec. Characters the codec cannot encode become "?".
ZVD_EXPORT std::string ws2s(const std::wstring& s);
ZVD_EXPORT std::string wstringToString(const std::wstring& s);
ZVD_EXPORT std::wstring stringToWstring(const std::string& s);
// A null pointer gives the empty string.
ZVD_EXPORT std::wstring charToWstring(const char* s);

// The same conversions into a new zero-terminated array that the caller frees with delete[].
// A null argument gives a new empty string.
ZVD_EXPORT char* wcharToChar(const wchar_t* s);
ZVD_EXPORT wchar_t* charToWchar(const char* s);
// The string's own characters (valid while the string lives and is not changed).
ZVD_EXPORT const char* stringToChar(const std::string& s);
ZVD_EXPORT const wchar_t* wstringToWchar(const std::wstring& s);
// Converted copies in a new array (through wcharToChar / charToWchar); the caller uses delete[].
ZVD_EXPORT char* wstringToChar(const std::wstring& s);
ZVD_EXPORT wchar_t* stringToWchar(const std::string& s);

// Code points to/from UTF-8, stopping at the terminating zero. Malformed UTF-8 decodes to
// U+FFFD. A null pointer gives the empty string.
ZVD_EXPORT std::string unicodeToUTF_8(const wchar_t* s);
ZVD_EXPORT std::wstring uTF_8ToUnicode(const char* s);

// ---- font styles ----

// 1 {fsBold}, 2 {fsItalic}, 3 {fsBold, fsItalic}; anything else the empty set.
ZVD_EXPORT FontStyles intToFontStyle(int value);
// The inverse for exactly those three sets; every other set (anything with underline or
// strike-out, the empty set) gives 0.
ZVD_EXPORT int fontStyleToInt(const FontStyles& styles);

// ---- matrices ----

// The nine values in row order, each as QString::arg(double) writes it (format "g", 6
// significant digits), joined by ",": the identity is "1,0,0,0,1,0,0,0,1". Null gives "".
ZVD_EXPORT QString matrixToString(const zgp::CMatrix3<double>* matrix);
// Splits at ","; exactly nine parts are required, each read with QString::toDouble (unreadable
// parts read as 0). A new matrix that the caller deletes, or null for any other part count.
ZVD_EXPORT zgp::CMatrix3<double>* stringToMatrix(const QString& text);
// Nine doubles in row order (a null matrix writes the identity, keeping the record's size).
ZVD_EXPORT void saveMatrixToStream(const zgp::CMatrix3<double>* matrix, std::ostream& stream);
// False, with the matrix unchanged, when nine doubles cannot be read (the stream then fails).
// A null matrix: the nine doubles are read and dropped, and the answer is false.
ZVD_EXPORT bool loadMatrixFromStream(zgp::CMatrix3<double>* matrix, std::istream& stream);

// ---- polygons ----

// Text form: every curve is one record followed by ";", every loop ends with "|" (a loop without
// curves is left out).
//   line     1,sx,sy,ex,ey                     (reals as C "%.20lf")
//   arc      2, radius, start,end,cx,cy,type    (type: the kernel's arc type 1..4)
//   ellipse  4, cx,cy,axisx,axisy,a,b,start,end,dir   (dir 1 counter-clockwise, 2 clockwise)
//   NURBS    3, degree,count then ",x,y,w" per control point, ",knotcount", ",knot" per knot
//            (reals as QString::arg writes them, 6 significant digits)
// Reals are always written with "." whatever the process locale. Null gives "".
ZVD_EXPORT QString polygonToString(const zgp::CPolygon* polygon);
// Reads the text form into a new polygon that the caller releases (never null). Loops and
// records end at the first empty part. Unreadable or non-finite numbers read as 0; a record of
// an unknown type, or a NURBS record whose degree and counts do not fit the fields it actually
// holds, adds no curve.
ZVD_EXPORT zgp::CPolygon* stringToPolygon(const QString& text);

// Stream form: loop count (int32), then per loop its curve count (int32) and per curve its
// kind (int32) and data: line sx sy ex ey; arc radius start end cx cy (doubles) type (int32);
// ellipse cx cy axisx axisy a b start end (doubles) dir (int32); NURBS degree, count (int32),
// x y w per control point, knot count (int32), knots (doubles). A curve of another kind writes
// its own kind number followed by the data of its NURBS form. A null polygon writes 0 loops.
ZVD_EXPORT void savePolygonToStream(const zgp::CPolygon* polygon, std::ostream& stream);
// Appends the loops read from the stream to the polygon. Counts are trusted only as far as the
// stream holds data. False on truncated or malformed data (negative counts, non-finite values,
// negative radii, reversed parameter ranges, an inconsistent NURBS record); the polygon is then
// left empty. A kind number it does not know is skipped without reading data. With a null
// polygon the record is read and dropped, and the answer is false.
ZVD_EXPORT bool loadPolygonFromStream(zgp::CPolygon* polygon, std::istream& stream);

// ---- stream strings ----

// UTF-8 bytes preceded by their count as an unsigned integer of `width` bytes (1, 2 or 4); no
// terminator. Any other width writes nothing. With width 1 or 2 only the low bits of the count
// are written (all bytes still follow), so callers keep such strings under 256 / 65536 bytes.
ZVD_EXPORT void saveUtf8StringToStream(const std::wstring& s, std::ostream& stream, unsigned char width);
// Reads the framing above and decodes UTF-8. A zero count gives "" and reads nothing more;
// another width gives "" and reads nothing. A negative 4-byte count (a length beyond 2 GiB) or a
// count larger than what the stream holds gives "" with the stream failed; memory is never reserved beyond the bytes
// actually read. Never throws.
ZVD_EXPORT std::wstring loadUtf8StringFromStream(std::istream& stream, unsigned char width);
// The same framing, the bytes decoded with the ANSI codec (what older streams stored).
ZVD_EXPORT std::wstring loadAnsiStringFromStream(std::istream& stream, unsigned char width);

}  // namespace vdcommon
