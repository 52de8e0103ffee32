// zvd tests: vdcommon numbers, text, format, charsets, stream strings, matrices and polygons (file layouts).
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <sstream>
#include <string>

#include <QStringList>

#include "zgp/zgp.h"
#include "zvd/foundation/vdcommon.h"

using namespace vdcommon;
using zgp::CVec2;

// operator new records the largest single request while a LargestAllocation is open.
namespace {
std::atomic<bool> g_trackAllocations{false};
std::atomic<size_t> g_largestAllocation{0};

struct LargestAllocation {
    LargestAllocation() {
        g_largestAllocation = 0;
        g_trackAllocations = true;
    }
    ~LargestAllocation() { g_trackAllocations = false; }
    size_t bytes() const { return g_largestAllocation; }
};
}  // namespace

void* operator new(std::size_t n) {
    if (g_trackAllocations.load(std::memory_order_relaxed)) {
        size_t seen = g_largestAllocation.load();
        while (n > seen && !g_largestAllocation.compare_exchange_weak(seen, n)) {}
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
// The nothrow forms too (std::stable_sort's buffer comes from them and goes back through the
// sized delete above), so that every allocation of the test program pairs malloc with free.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

std::stringstream binaryStream(const std::string& bytes = std::string()) {
    return std::stringstream(bytes, std::ios::in | std::ios::out | std::ios::binary);
}
template <class T>
std::string raw(std::initializer_list<T> values) {
    std::string r;
    for (T v : values) r.append(reinterpret_cast<const char*>(&v), sizeof v);
    return r;
}
std::string ints(std::initializer_list<int32_t> v) { return raw(v); }
std::string reals(std::initializer_list<double> v) { return raw(v); }

struct AnsiCodecGuard {
    ~AnsiCodecGuard() { setAnsiCodePage("GB18030"); }
};

}  // namespace

TEST(VdCommonNumbers, AtoiRulesRoundingAndSaturation) {
    EXPECT_EQ(intToStr(INT_MIN), L"-2147483648");
    // clang-format off
    const std::pair<const wchar_t*, int> ints[] = {{L"  42abc", 42}, {L"", 0}, {L"\t-7x", -7}, {L"+ 5", 0}, {L"abc", 0},
        {L"99999999999999999999999", INT_MAX}, {L"-99999999999999999999999", INT_MIN}};
    // clang-format on
    for (const auto& c : ints) EXPECT_EQ(strToInt(c.first), c.second) << c.first;
    for (const wchar_t* yes : {L"-7", L" 15", L"2147483647"}) EXPECT_TRUE(isInteger(yes)) << yes;
    for (const wchar_t* no : {L"12a", L"", L"  ", L"-", L"12 ", L"2147483648"}) EXPECT_FALSE(isInteger(no)) << no;

    const std::pair<double, int> rounds[] = {{2.5, 3}, {-2.5, -3},      {2.4999, 2},     {-0.4, 0},
                                             {NAN, 0}, {1e20, INT_MAX}, {-1e20, INT_MIN}};
    for (const auto& c : rounds) EXPECT_EQ(vdcommon::round(c.first), c.second) << c.first;
}

TEST(VdCommonText, CaseTrimLookupVersionsAndStyles) {
    EXPECT_TRUE(sameText(L"Layer", L"LAYER"));
    EXPECT_FALSE(sameText(L"\u00c4", L"\u00e4"));  // only ASCII letters are folded
    EXPECT_EQ(upperCase(L"ab1\u00e9z"), L"AB1\u00e9Z");
    EXPECT_EQ(trim(L"  a b\t "), L"a b\t");
    const std::wstring names[] = {L"alpha", L"Beta", L"BETA", L"gamma"};
    EXPECT_EQ(indexOfStringArray(L"beta", names, 4), 1);
    EXPECT_EQ(indexOfStringArray(L"gamma", names, 3), -1);  // only the first n entries count
    EXPECT_EQ(indexOfStringArray(L"alpha", nullptr, 4), -1);

    EXPECT_EQ(compareVersion(L"3.10", L"3.4"), 1);
    EXPECT_EQ(compareVersion(L"2.9", L"10.x"), -1);
    EXPECT_EQ(compareVersion(L"3", L"3.3"), 0);  // no dot: the minor is read from the whole text

    zgp::CBox2<int> box(0, 0, 10, 10);
    inflateRect(box, 2, -3);
    EXPECT_EQ(box, zgp::CBox2<int>(-2, 3, 12, 7));

    for (int v = 1; v <= 3; ++v) EXPECT_EQ(fontStyleToInt(intToFontStyle(v)), v);
    EXPECT_TRUE(intToFontStyle(4).empty());
    EXPECT_EQ(fontStyleToInt({fsBold, fsUnderline}), 0);
}

TEST(VdCommonFormat, IntegersFlagsWidthAndPrecision) {
    EXPECT_EQ(format(L"[%5d][%-5d][%05d][%-05d]", 42, 42, -42, 3), L"[   42][42   ][-0042][3    ]");
    EXPECT_EQ(format(L"%.3d %.0d %.d %i", 7, 0, 0, -1), L"007 0 0 -1");
    EXPECT_EQ(format(L"%#x %#X %x %#06x", 255, 255, 0xABCu, 1), L"0xff 0XFF abc 0x0001");
    EXPECT_EQ(format(L"%u %hd %hu", -1, 65535, 65535), L"4294967295 -1 65535");
    EXPECT_EQ(format(L"%lx %ld", -1L, -3L), L"ffffffff -3");  // long is 32 bits in this format
    EXPECT_EQ(format(L"%I64d %I64X", -9000000000LL, 0x123456789ULL), L"-9000000000 123456789");
    EXPECT_EQ(format(L"%p", static_cast<void*>(nullptr)), L"0000000000000000");
}

TEST(VdCommonFormat, CharactersStringsLiteralsAndLimits) {
    AnsiCodecGuard guard;
    EXPECT_EQ(format(L"%s-%ls-%ws", L"a", L"b", L"c"), L"a-b-c");
    EXPECT_EQ(format(L"%S|%hs", "\xc4\xe3", "x"), L"\u4f60|x");  // narrow strings go through GB18030
    EXPECT_EQ(format(L"[%.2s][%4s][%-4s][%.0s]", L"abcd", L"ab", L"ab", L"ab"), L"[ab][  ab][ab  ][ab]");
    EXPECT_EQ(format(L"[%c][%3c][%C][%lc]", L'x', L'y', 'z', L'\u00e9'), L"[x][  y][z][\u00e9]");
    EXPECT_EQ(format(L"[%5c]", 0), L"[]");  // a zero character is dropped, padding included
    EXPECT_EQ(format(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)");
    EXPECT_EQ(format(L"100%% %z %"), L"100% z ");

    std::wstring longText(2000, L'q');
    EXPECT_EQ(format(L"%s", longText.c_str()), longText.substr(0, 255));
    EXPECT_EQ(format(L"%300d", 1).size(), 255u);
    EXPECT_EQ(format(L"%99999999999999999999d", 5).size(), 255u);  // absurd widths stay bounded
}

TEST(VdCommonCharsets, AnsiCodecDefaultHostChoiceAndUtf8) {
    AnsiCodecGuard guard;
    EXPECT_EQ(ws2s(L"\u4f60\u597d"), "\xc4\xe3\xba\xc3");
    EXPECT_EQ(stringToWstring("\xc4\xe3\xba\xc3"), L"\u4f60\u597d");
    EXPECT_EQ(stringToWstring(wstringToString(L"\U0001F600")), L"\U0001F600");  // GB18030 covers Unicode
    char* narrow = wcharToChar(L"a\u4f60");
    EXPECT_STREQ(narrow, "a\xc4\xe3");
    delete[] narrow;
    wchar_t* wide = stringToWchar(std::string("b\xba\xc3"));
    EXPECT_STREQ(wide, L"b\u597d");
    delete[] wide;

    EXPECT_FALSE(setAnsiCodePage("no-such-codec"));
    EXPECT_EQ(ansiCodePage(), "GB18030");
    ASSERT_TRUE(setAnsiCodePage("windows-1252"));
    EXPECT_EQ(ws2s(L"caf\u00e9"), "caf\xe9");
    EXPECT_EQ(charToWstring("\xe9"), L"\u00e9");
    EXPECT_EQ(unicodeToUTF_8(L"\u00e9\U0001F600"), "\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_EQ(uTF_8ToUnicode("\xc3\xa9\xf0\x9f\x98\x80"), L"\u00e9\U0001F600");
    EXPECT_EQ(uTF_8ToUnicode("a\xff"), L"a\ufffd");
    EXPECT_EQ(unicodeToUTF_8(nullptr), "");
}

TEST(VdCommonStreamStrings, LayoutAndRoundTripForEachWidth) {
    auto s4 = binaryStream(), s3 = binaryStream(), s300 = binaryStream();
    saveUtf8StringToStream(L"abc", s4, 4);
    saveUtf8StringToStream(L"abc", s3, 3);                     // an unsupported width writes nothing
    saveUtf8StringToStream(std::wstring(300, L'a'), s300, 1);  // the count's low byte, then all bytes
    EXPECT_EQ(s4.str(), ints({3}) + "abc");
    EXPECT_EQ(s3.str(), "");
    EXPECT_EQ(s300.str(), "\x2c" + std::string(300, 'a'));
    const std::wstring text = L"Ebene \u4f60 \U0001F600";
    for (unsigned char width : {1, 2, 4}) {
        auto s = binaryStream();
        saveUtf8StringToStream(text, s, width);
        s << ints({77});
        EXPECT_EQ(loadUtf8StringFromStream(s, width), text) << int(width);
        int32_t after = 0;
        s.read(reinterpret_cast<char*>(&after), 4);
        EXPECT_EQ(after, 77) << "the reader must consume exactly the string";
    }
}

TEST(VdCommonStreamStrings, OddCountsWidthsAndTruncation) {
    auto bad = binaryStream(ints({3}) + "abc");
    EXPECT_EQ(loadUtf8StringFromStream(bad, 3), L"");
    EXPECT_EQ(bad.tellg(), 0) << "an unsupported width reads nothing";
    auto negative = binaryStream(ints({-1}) + "abc");
    EXPECT_EQ(loadUtf8StringFromStream(negative, 4), L"");
    EXPECT_FALSE(negative.fail()) << "a negative count is the empty string, not damage";
    EXPECT_EQ(negative.tellg(), 4) << "and nothing after the count is read";

    auto truncated = binaryStream(ints({5}) + "ab");
    EXPECT_EQ(loadUtf8StringFromStream(truncated, 4), L"");
    EXPECT_TRUE(truncated.fail());
    {
        auto hostile = binaryStream(ints({INT32_MAX}) + "just a few bytes");
        LargestAllocation largest;
        EXPECT_EQ(loadAnsiStringFromStream(hostile, 4), L"");
        EXPECT_LT(largest.bytes(), 1u << 20);
        EXPECT_TRUE(hostile.fail());
    }
    auto throwing = binaryStream(ints({9}) + "ab");
    throwing.exceptions(std::ios::failbit | std::ios::eofbit);
    EXPECT_NO_THROW(EXPECT_EQ(loadUtf8StringFromStream(throwing, 4), L""));
    EXPECT_TRUE(throwing.fail());

    AnsiCodecGuard guard;
    auto ansi = binaryStream(std::string("\x04\xc4\xe3\xba\xc3", 5));
    EXPECT_EQ(loadAnsiStringFromStream(ansi, 1), L"\u4f60\u597d");
}

TEST(VdCommonMatrix, TextAndStreamForms) {
    zgp::CMatrix3<double> identity;
    EXPECT_EQ(matrixToString(&identity), QString("1,0,0,0,1,0,0,0,1"));
    zgp::CMatrix3<double> m(0.1234567, -2, 1e-7, 0, 1, 0, 123456789, 0.5, 1);
    EXPECT_EQ(matrixToString(&m), QString("0.123457,-2,1e-07,0,1,0,1.23457e+08,0.5,1"));

    std::unique_ptr<zgp::CMatrix3<double>> back(stringToMatrix("1,2,3,4,5,6,7,8.5,x"));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, zgp::CMatrix3<double>(1, 2, 3, 4, 5, 6, 7, 8.5, 0));  // unreadable reads as 0
    EXPECT_EQ(stringToMatrix("1,0,0,0,1,0,0,0,1,"), nullptr);              // a trailing comma makes ten parts

    m = zgp::CMatrix3<double>(1, 2, 3, 4, 5, 6, 7, 8, 0.1);
    auto s = binaryStream();
    saveMatrixToStream(&m, s);
    ASSERT_EQ(s.str().size(), 72u);
    EXPECT_EQ(s.str().substr(0, 8), std::string("\x00\x00\x00\x00\x00\x00\xf0\x3f", 8));  // 1.0 as stored
    zgp::CMatrix3<double> loaded(0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_TRUE(loadMatrixFromStream(&loaded, s));
    EXPECT_EQ(loaded, m);

    auto shortStream = binaryStream(s.str().substr(0, 71));
    zgp::CMatrix3<double> untouched;
    EXPECT_FALSE(loadMatrixFromStream(&untouched, shortStream));
    EXPECT_TRUE(untouched.IsIdentity());
}

namespace {

using zgp::CPolygon;
using PolygonPtr = zgp::CRefPtr<CPolygon>;

// Two loops: a line and a clockwise arc; then a counter-clockwise elliptical arc and a quadratic
// rational NURBS curve whose values are exact in six significant digits.
PolygonPtr samplePolygon() {
    PolygonPtr p(new CPolygon);
    p->AddLoop(new zgp::CLoop, true);
    p->AddLoop(new zgp::CLoop, true);
    p->AddCurve(new zgp::CLine2d(CVec2<double>(0.25, -1), CVec2<double>(3, 4.5)), 0, false);
    p->AddCurve(new zgp::CArc2d(CVec2<double>(1, 2), 3, zgp::CInterval<double>(0.5, 4), 2), 0, false);
    p->AddCurve(
        new zgp::CEllipse2d(CVec2<double>(-1, 1), CVec2<double>(0, 1), 3, 1.5, zgp::CInterval<double>(-1, 2), 1), 1,
        false);
    auto* n = new zgp::CNurbsCurve2d(2, 3);
    for (int i = 0; i < 3; ++i) n->SetCtrlPt(i, CVec2<double>(i * 1.125, i == 1 ? 2 : 0), i == 1 ? 0.5 : 1);
    p->AddCurve(n, 1, false);
    return p;
}

PolygonPtr linePolygon() {
    PolygonPtr p(new CPolygon);
    p->AddLoop(new zgp::CLoop, true);
    p->AddCurve(new zgp::CLine2d(CVec2<double>(0, 0), CVec2<double>(1, 0)), 0, false);
    return p;
}

// Every field of every curve shows in the text form, so equal texts mean equal polygons.
QString textOf(const CPolygon& p) { return polygonToString(&p); }

int curveCount(const CPolygon& p) {
    int n = 0;
    for (int i = 0; i < p.LoopCount(); ++i) n += p.GetLoop(i)->CoedgeCount();
    return n;
}

}  // namespace

TEST(VdCommonPolygonText, RecordLayout) {
    const QString zero = "0.00000000000000000000", one = "1.00000000000000000000";
    EXPECT_EQ(polygonToString(linePolygon().Get()), "1," + zero + "," + zero + "," + one + "," + zero + ";|");
    EXPECT_EQ(polygonToString(nullptr), "");

    QString text = polygonToString(samplePolygon().Get());
    QStringList loops = text.split('|');
    ASSERT_EQ(loops.size(), 3);
    QStringList records = loops[0].split(';') + loops[1].split(';');
    ASSERT_EQ(records.size(), 6);
    EXPECT_TRUE(records[1].startsWith("2, 3.00000000000000000000, 0.50000000000000000000,4.0"));
    EXPECT_TRUE(records[1].endsWith(",1.00000000000000000000,2.00000000000000000000,2"));
    EXPECT_TRUE(records[3].startsWith("4, -1.00000000000000000000,1.0"));
    EXPECT_TRUE(records[3].endsWith(",1"));
    EXPECT_EQ(records[4], "3, 2,3,0,0,1,1.125,2,0.5,2.25,0,1,6,0,0,0,1,1,1");
}

TEST(VdCommonPolygonText, DecimalPointIgnoresProcessLocale) {
    std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    QString text = polygonToString(samplePolygon().Get());
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_TRUE(text.startsWith("1,0.25000000000000000000,-1.00000000000000000000,3.0"));
}

TEST(VdCommonPolygonText, RoundTripAndLenientReading) {
    PolygonPtr original = samplePolygon();
    PolygonPtr back(stringToPolygon(polygonToString(original.Get())));
    EXPECT_EQ(textOf(*back), textOf(*original));
    EXPECT_EQ(PolygonPtr(stringToPolygon(""))->LoopCount(), 0);

    // The empty record after ";;" ends the loop; the empty loop after "||" ends the polygon.
    PolygonPtr cut(stringToPolygon("1,0,0,1,0;;1,0,0,2,0;|1,0,0,0,1;||1,5,5,6,6;|"));
    ASSERT_EQ(cut->LoopCount(), 2);
    EXPECT_EQ(cut->GetLoop(0)->CoedgeCount(), 1);

    PolygonPtr sloppy(stringToPolygon("1, 2,abc,3;9,1,2;|"));  // missing and unreadable fields are 0
    ASSERT_EQ(curveCount(*sloppy), 1);
    const zgp::CCurve2d* c = sloppy->GetLoop(0)->GetCurve(0);
    EXPECT_EQ(c->StartPoint(), CVec2<double>(2, 0));
    EXPECT_EQ(c->EndPoint(), CVec2<double>(3, 0));

    PolygonPtr nan(stringToPolygon("2, nan, 0,inf,0,0,1;|"));  // non-finite numbers read as 0 too
    ASSERT_EQ(curveCount(*nan), 1);
    EXPECT_EQ(nan->GetLoop(0)->GetCurve(0)->EndT(), 0.0);
}

TEST(VdCommonPolygonText, NurbsClaimsBeyondTheTextAreRefused) {
    LargestAllocation largest;
    for (const char* text :
         {"3, 2,1000000000,0,0,1|", "3, 2,3,0,0,1,1,1,1,2,0,1,999999999,0;|",
          "3, 2000000000,3,0,0,1,1,1,1,2,0,1,6,0,0,0,1,1,1;|", "3, 0,2,0,0,1,1,1,1,4,0,0,1,1;|", "3, 2,-5;|"}) {
        PolygonPtr p(stringToPolygon(text));
        ASSERT_TRUE(p) << text;
        EXPECT_EQ(curveCount(*p), 0) << text;
    }
    EXPECT_LT(largest.bytes(), 1u << 20);
    PolygonPtr ok(stringToPolygon("3, 1,2,0,0,1,4,0,1,4,0,0,1,1;|"));
    ASSERT_EQ(curveCount(*ok), 1);
    EXPECT_EQ(ok->GetLoop(0)->GetCurve(0)->EndPoint(), CVec2<double>(4, 0));
}

TEST(VdCommonPolygonStream, LayoutAndRoundTrip) {
    auto s = binaryStream();
    savePolygonToStream(linePolygon().Get(), s);
    EXPECT_EQ(s.str(), ints({1, 1, 1}) + reals({0, 0, 1, 0}));

    PolygonPtr original = samplePolygon();
    auto full = binaryStream();
    savePolygonToStream(original.Get(), full);
    full << ints({1234});
    PolygonPtr back(new CPolygon);
    ASSERT_TRUE(loadPolygonFromStream(back.Get(), full));
    EXPECT_EQ(textOf(*back), textOf(*original));
    int32_t after = 0;
    full.read(reinterpret_cast<char*>(&after), 4);
    EXPECT_EQ(after, 1234);

    auto again = binaryStream(full.str());  // loading appends to the loops already there
    ASSERT_TRUE(loadPolygonFromStream(back.Get(), again));
    EXPECT_EQ(back->LoopCount(), 4);
}

TEST(VdCommonPolygonStream, EveryTruncationFailsAndEmptiesThePolygon) {
    auto s = binaryStream();
    savePolygonToStream(samplePolygon().Get(), s);
    const std::string bytes = s.str();
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        auto part = binaryStream(bytes.substr(0, cut));
        PolygonPtr p = samplePolygon();
        EXPECT_FALSE(loadPolygonFromStream(p.Get(), part)) << "cut at " << cut;
        EXPECT_EQ(p->LoopCount(), 0) << "cut at " << cut;
    }
}

TEST(VdCommonPolygonStream, HostileAndMalformedRecords) {
    auto load = [](const std::string& bytes) {
        auto s = binaryStream(bytes);
        PolygonPtr p(new CPolygon);
        bool ok = loadPolygonFromStream(p.Get(), s);
        return std::make_pair(ok, curveCount(*p));
    };
    {
        LargestAllocation largest;
        EXPECT_FALSE(load(ints({INT32_MAX})).first);                                             // loops
        EXPECT_FALSE(load(ints({1, INT32_MAX, 1})).first);                                       // curves
        EXPECT_FALSE(load(ints({1, 1, 3, 2, INT32_MAX}) + reals({0, 0, 1})).first);              // control points
        EXPECT_FALSE(load(ints({1, 1, 3, INT32_MAX - 1, INT32_MAX}) + reals({0, 0, 1})).first);  // degree
        EXPECT_FALSE(load(ints({1, 1, 3, 1, 2}) + reals({0, 0, 1, 1, 0, 1}) + ints({INT32_MAX})).first);  // knots
        EXPECT_LT(largest.bytes(), 1u << 20);
    }

    EXPECT_FALSE(load(ints({-1})).first);
    EXPECT_FALSE(load(ints({1, -2})).first);
    EXPECT_FALSE(load(ints({1, 1, 1}) + reals({0, NAN, 1, 1})).first);
    EXPECT_FALSE(load(ints({1, 1, 2}) + reals({-1, 0, 1, 0, 0}) + ints({1})).first);          // negative radius
    EXPECT_FALSE(load(ints({1, 1, 2}) + reals({1, 2, 1, 0, 0}) + ints({1})).first);           // reversed range
    EXPECT_FALSE(load(ints({1, 1, 4}) + reals({0, 0, 0, 0, 1, 1, 0, 1}) + ints({1})).first);  // no axis
    // NURBS: degree 2 needs three points; weights must be positive; knots = count + degree + 1.
    const std::string line = ints({1}) + reals({0, 0, 1, 1});
    EXPECT_FALSE(load(ints({1, 1, 3, 2, 2}) + reals({0, 0, 1, 1, 0, 1}) + ints({5}) + reals({0, 0, 0, 1, 1})).first);
    EXPECT_FALSE(load(ints({1, 1, 3, 1, 2}) + reals({0, 0, 0, 1, 0, 1}) + ints({4}) + reals({0, 0, 1, 1})).first);
    EXPECT_FALSE(load(ints({1, 1, 3, 1, 2}) + reals({0, 0, 1, 1, 0, 1}) + ints({5}) + reals({0, 0, 1, 1, 1})).first);
    EXPECT_EQ(load(ints({1, 2, 3, 1, 2}) + reals({0, 0, 1, 1, 0, 1}) + ints({4}) + reals({0, 0, 1, 1}) + line),
              std::make_pair(true, 2));

    // A kind the reader does not know carries no data: the next curve follows at once.
    EXPECT_EQ(load(ints({1, 2, 9}) + line), std::make_pair(true, 1));
    EXPECT_EQ(load(ints({1, 1, 2}) + reals({0, 0, 0, 5, 5}) + ints({0})), std::make_pair(true, 1));

    auto throwing = binaryStream(ints({2, 1}));
    throwing.exceptions(std::ios::failbit | std::ios::eofbit);
    PolygonPtr p(new CPolygon);
    EXPECT_NO_THROW(EXPECT_FALSE(loadPolygonFromStream(p.Get(), throwing)));
    EXPECT_EQ(p->LoopCount(), 0);
}
