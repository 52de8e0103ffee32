// zvd tests: raster operations, text, and the GDI layer's answers to bad handles and arguments.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontInfo>

#include <tuple>

#include "platform/gdi_test_util.h"
#include "platform/zvdgdiobjects.h"

using namespace gditest;

// fontconfig's caches live as long as the process; LeakSanitizer finds this hook by name.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {

std::vector<std::pair<const char*, std::function<void(HDC)>>> scenes() {
    static LOGBRUSH hatched = {BS_HATCHED, 0x3366CC, HS_CROSS};
    static POINT wide[] = {{5, 5}, {80, 20}, {20, 60}, {90, 70}}, dashed[] = {{5, 70}, {60, 10}, {95, 75}, {10, 40}},
                 tri[] = {{10, 10}, {90, 15}, {50, 75}}, bez[] = {{5, 70}, {30, -20}, {70, 120}, {95, 10}};
    const DWORD geometric = PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER;
    return {
        {"line",
         [](HDC dc) { withObjects(dc, CreatePen(PS_SOLID, 1, 0x123456), nullptr, [&] { line(dc, 3, 3, 90, 57); }); }},
        {"wide path",
         [](HDC dc) {
             withObjects(dc, geometricPen(PS_SOLID, 7, 0x00A0FF), nullptr,
                         [&] { BeginPath(dc), Polyline(dc, wide, 4), EndPath(dc), StrokePath(dc); });
         }},
        {"dashed polyline",
         [](HDC dc) {
             withObjects(dc, CreatePen(PS_DASHDOT, 1, 0xFF00FF), nullptr, [&] { Polyline(dc, dashed, 4); });
         }},
        {"hatched polygon",
         [](HDC dc) {
             withObjects(dc, CreatePen(PS_SOLID, 1, 0xC0FFEE), CreateBrushIndirect(&hatched),
                         [&] { Polygon(dc, tri, 3); });
         }},
        {"filled ellipse",
         [](HDC dc) {
             withObjects(dc, CreatePen(PS_SOLID, 3, 0x00FF00), CreateSolidBrush(0x808080),
                         [&] { Ellipse(dc, 15, 8, 85, 70); });
         }},
        {"hatched dashed arc",
         [=](HDC dc) {
             withObjects(dc, ExtCreatePen(geometric | PS_DASH, 2, &hatched, 0, nullptr), nullptr,
                         [&] { Arc(dc, 5, 5, 95, 75, 95, 40, 50, 75); });
         }},
        {"bezier",
         [](HDC dc) { withObjects(dc, CreatePen(PS_SOLID, 1, 0xC0FFEE), nullptr, [&] { PolyBezier(dc, bez, 4); }); }},
        {"rectangle",
         [](HDC dc) {
             withObjects(dc, CreatePen(PS_DOT, 1, 0x0000FF), CreateHatchBrush(HS_FDIAGONAL, 0xFF0000),
                         [&] { Rectangle(dc, 4, 4, 60, 50); });
         }},
        {"pixels",
         [](HDC dc) {
             for (int i = 0; i < 40; ++i) SetPixel(dc, 2 * i + 5, i + 10, 0x00FF80);
         }},
        {"text",
         [](HDC dc) {
             LOGFONTW lf = font(-18, L"DejaVu Sans", 300);
             withObjects(dc, CreateFontIndirectW(&lf), nullptr, [&] {
                 SetTextColor(dc, 0x2080FF);
                 EXPECT_TRUE(TextOutW(dc, 10, 40, L"Rubber band", 11));
             });
         }},
    };
}

}  // namespace

class GdiRasterRop : public ::testing::TestWithParam<int> {};

TEST_P(GdiRasterRop, DrawingTwiceRestoresTheImageForBothBackgroundModes) {
    for (int bkMode : {TRANSPARENT, OPAQUE}) {
        for (const auto& s : scenes()) {
            QImage image = busy(100, 80);
            const QImage original = image.copy();
            HDC dc = createRasterDC(&image);
            SetROP2(dc, GetParam());
            SetBkMode(dc, bkMode);
            SetBkColor(dc, 0x404040);
            s.second(dc);
            EXPECT_EQ(differing(image, original) == 0, GetParam() == R2_NOP) << s.first << " mode " << bkMode;
            s.second(dc);
            destroyDC(dc);
            EXPECT_EQ(differing(image, original), 0) << s.first << " mode " << bkMode;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(InvertingModes, GdiRasterRop, ::testing::Values(R2_XORPEN, R2_NOT, R2_NOTXORPEN, R2_NOP));

TEST(GdiRasterRopModes, XorTouchesEachPixelOfAShapeOnce) {
    // Over black, XOR shows the pen's or brush's colour; their XOR or black means a pixel drawn twice.
    POINT tri[] = {{10, 10}, {90, 20}, {40, 70}};
    const std::function<void(HDC)> shapes[] = {[](HDC dc) { Rectangle(dc, 10, 10, 60, 50); },
                                               [](HDC dc) { Ellipse(dc, 10, 10, 80, 60); },
                                               [&](HDC dc) { Polygon(dc, tri, 3); }};
    for (const auto& shape : shapes) {
        QImage image = blank(100, 80, 0);
        HDC dc = createRasterDC(&image);
        SetROP2(dc, R2_XORPEN);
        withObjects(dc, CreatePen(PS_SOLID, 1, 0x0000FF), CreateSolidBrush(0x00FF00), [&] { shape(dc); });
        destroyDC(dc);
        int pen = 0, brush = 0, other = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x) {
                const COLORREF c = at(image, x, y);
                (c == 0x0000FF ? pen : c == 0x00FF00 ? brush : other) += c != 0;
            }
        EXPECT_GT(pen, 50);
        EXPECT_GT(brush, 500);
        EXPECT_EQ(other, 0);
    }
}

TEST(GdiRasterRopModes, InvertingModesLeaveTheGapsOfAHatchAlone) {
    // Only the hatch lines are inverted, the gaps left alone, in OPAQUE as in TRANSPARENT mode.
    const struct {
        int rop, bkMode;
        COLORREF colour;
    } cases[] = {{R2_XORPEN, OPAQUE, 0xFFFFFF}, {R2_NOT, TRANSPARENT, 0x123456}, {R2_NOTXORPEN, TRANSPARENT, 0x000000}};
    for (const auto& c : cases) {
        QImage image = busy(40, 40);
        const QImage original = image.copy();
        HDC dc = createRasterDC(&image);
        SetROP2(dc, c.rop);
        SetBkMode(dc, c.bkMode);
        SetBkColor(dc, 0);
        withObjects(dc, GetStockObject(NULL_PEN), CreateHatchBrush(HS_HORIZONTAL, c.colour),
                    [&] { Rectangle(dc, 0, 0, 40, 40); });
        destroyDC(dc);
        int inverted = 0, kept = 0;
        for (int y = 0; y < 38; ++y)
            for (int x = 0; x < 38; ++x) {
                inverted += at(image, x, y) == (~at(original, x, y) & 0xFFFFFF);
                kept += at(image, x, y) == at(original, x, y);
            }
        EXPECT_EQ(inverted + kept, 38 * 38) << c.rop;
        EXPECT_EQ(inverted % 38, 0) << c.rop;  // whole rows, one in eight
        EXPECT_TRUE(inverted / 38 == 4 || inverted / 38 == 5) << c.rop;
    }
}

namespace {

// Each font selected replaces (and deletes) the one before; deleting the stock font is a no-op.
struct TextFixture : ::testing::Test {
    QImage image = blank(200, 120);
    HDC dc = createRasterDC(&image);
    void TearDown() override { DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT))), destroyDC(dc); }
    void use(const LOGFONTW& lf) { DeleteObject(SelectObject(dc, CreateFontIndirectW(&lf))); }
};

}  // namespace

using GdiRasterText = TextFixture;

TEST_F(GdiRasterText, TextHangsFromItsAnchorAndOpaqueModeFillsTheCell) {
    use(font(-30));
    SetBkMode(dc, TRANSPARENT);
    SIZE size = {};
    ASSERT_TRUE(GetTextExtentPoint32W(dc, L"HHH", 3, &size));
    ASSERT_TRUE(TextOutW(dc, 40, 50, L"HHH", 3));
    const Box b = inked(image);
    EXPECT_TRUE(b.minX >= 40 && b.minX <= 45) << b.minX;
    EXPECT_GT(b.minY, 50);  // the cell's top holds the internal leading
    EXPECT_LT(b.minY, 50 + size.cy / 3);
    EXPECT_LE(b.maxX, 40 + size.cx);
    EXPECT_LT(b.maxY, 50 + size.cy);

    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, 0x00FF00);
    TextOutW(dc, 100, 0, L"HHH", 3);
    EXPECT_EQ(at(image, 100, 0), 0x00FF00u);
    EXPECT_EQ(at(image, 100 + size.cx - 1, size.cy - 1), 0x00FF00u);
    EXPECT_EQ(at(image, 100 + size.cx, 0), 0xFFFFFFu);
}

TEST_F(GdiRasterText, PositiveHeightIsTheCellNegativeTheCharacterHeight) {
    SIZE cell = {}, em = {};
    use(font(30));
    GetTextExtentPoint32W(dc, L"x", 1, &cell);
    use(font(-30));
    GetTextExtentPoint32W(dc, L"x", 1, &em);
    EXPECT_TRUE(cell.cy >= 28 && cell.cy <= 30) << cell.cy;
    EXPECT_GT(em.cy, 32);  // DejaVu's cell is about 1.17 em
}

TEST_F(GdiRasterText, EscapementTurnsTheTextCounterClockwise) {
    use(font(-16, L"DejaVu Sans", 900));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 50, 110, L"HHHHHH", 6);
    const Box b = inked(image);
    EXPECT_GT(b.maxY - b.minY, 2 * (b.maxX - b.minX));  // runs upward
    EXPECT_LE(b.maxY, 110);
    EXPECT_GE(b.minX, 50);  // the cell's top is now on the left
}

TEST_F(GdiRasterText, SongFaceNamesResolveToTheInstalledCjkSerif) {
    zvdgdi::FontDesc d;
    d.lf = font(-16, L"宋体");
    ASSERT_NE(zvdgdi::resolveFont(d), nullptr);
    EXPECT_EQ(QFontInfo(zvdgdi::resolveFont(d)->font).family(), QStringLiteral("Noto Serif CJK SC"));
    d.lf = font(-16, L"SimSun");
    EXPECT_EQ(QFontInfo(zvdgdi::resolveFont(d)->font).family(), QStringLiteral("Noto Serif CJK SC"));
}

namespace {

// Runs in a fresh process: a host with a plain QCoreApplication gets clean failures from text calls.
[[noreturn]] void textUnderCoreApplication() {
    int argc = 1;
    char name[] = "host";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QImage image = blank(50, 50);
    HDC dc = createRasterDC(&image);
    SIZE size = {7, 7};
    const bool ok = !TextOutW(dc, 1, 1, L"a", 1) && !GetTextExtentPoint32W(dc, L"a", 1, &size) && size.cx == 0 &&
                    size.cy == 0 && LineTo(dc, 5, 5) && !ensureTextSupport();
    std::exit(ok ? 0 : 1);
}

}  // namespace

TEST(GdiRasterTextHost, PlainCoreApplicationMakesTextCallsFailCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(textUnderCoreApplication(), ::testing::ExitedWithCode(0), "");
}

TEST(GdiRasterHandles, BadDeviceContextsAreAnsweredNotFollowed) {
    QImage image = blank(10, 10);
    HDC gone = createRasterDC(&image);
    destroyDC(gone);
    for (HDC bad : {HDC(nullptr), gone, reinterpret_cast<HDC>(&image)}) {
        POINT p[] = {{0, 0}, {5, 5}};
        SIZE s;
        EXPECT_FALSE(LineTo(bad, 1, 1) || MoveToEx(bad, 1, 1, nullptr) || Polyline(bad, p, 2) ||
                     Rectangle(bad, 0, 0, 5, 5) || TextOutW(bad, 0, 0, L"a", 1) ||
                     GetTextExtentPoint32W(bad, L"a", 1, &s) || destroyDC(bad));
        EXPECT_EQ(std::make_tuple(SelectObject(bad, GetStockObject(BLACK_PEN)), SetROP2(bad, R2_XORPEN),
                                  SetBkColor(bad, 0), SetPixel(bad, 1, 1, 0), GetDeviceCaps(bad, LOGPIXELSY)),
                  std::make_tuple(HGDIOBJ(nullptr), 0, CLR_INVALID, CLR_INVALID, 0));
    }
    EXPECT_EQ(createRasterDC(nullptr), nullptr);
    QImage null;
    EXPECT_EQ(createRasterDC(&null), nullptr);
}

TEST(GdiRasterHandles, ObjectHandlesFollowGdiRules) {
    QImage image = blank(10, 10);
    HDC dc = createRasterDC(&image);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HGDIOBJ stockPen = SelectObject(dc, pen);
    EXPECT_EQ(stockPen, GetStockObject(BLACK_PEN));
    EXPECT_FALSE(DeleteObject(pen));  // still selected
    EXPECT_EQ(SelectObject(dc, stockPen), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(dc, pen), nullptr);  // deleted
    HPEN reused = CreatePen(PS_SOLID, 1, 0);    // may take the same slot, never the same handle
    EXPECT_NE(reused, pen);
    EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(std::uintptr_t(0x12345))), nullptr);
    EXPECT_TRUE(DeleteObject(GetStockObject(NULL_BRUSH)));
    EXPECT_NE(SelectObject(dc, GetStockObject(NULL_BRUSH)), nullptr);  // stock objects survive
    LOGBRUSH lb = {BS_SOLID, 0, 0};
    EXPECT_FALSE(CreatePen(9, 1, 0) || CreateHatchBrush(6, 0) || CreateBrushIndirect(nullptr) ||
                 CreateFontIndirectW(nullptr) || ExtCreatePen(PS_COSMETIC | PS_SOLID, 3, &lb, 0, nullptr) ||
                 ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, nullptr, 0, nullptr));
    EXPECT_EQ(SetROP2(dc, 17), 0);
    EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
    POINT p[] = {{0, 0}, {5, 5}, {9, 0}, {9, 9}, {0, 9}};
    // Bezier pieces take three points after the first.
    EXPECT_FALSE(Polyline(dc, p, 1) || PolyBezier(dc, p, 3) || PolyBezier(dc, p, 5) || Polyline(dc, nullptr, 3) ||
                 TextOutW(dc, 0, 0, nullptr, 2) || TextOutW(dc, 0, 0, L"a", -1) ||
                 GetTextExtentPoint32W(dc, L"a", 1, nullptr));
    EXPECT_EQ(FillRect(dc, nullptr, GetStockObject(BLACK_BRUSH)), 0);
    EXPECT_EQ(SetPixel(dc, 10, 2, 0), CLR_INVALID);  // just outside the image
    SelectObject(dc, reused);
    EXPECT_TRUE(destroyDC(dc));
    EXPECT_TRUE(DeleteObject(reused));  // destroying a device releases its selections
    EXPECT_TRUE(image == blank(10, 10));
}

TEST(GdiRasterHandles, MulDivRoundsHalvesAwayFromZeroAndRefusesOverflow) {
    EXPECT_EQ(std::vector<int>(
                  {MulDiv(12, 96, 72), MulDiv(1, 3, 2), MulDiv(-1, 3, 2), MulDiv(5, 1, 0), MulDiv(0x40000000, 8, 2)}),
              std::vector<int>({16, 2, -2, -1, -1}));  // halves round away from zero
}
