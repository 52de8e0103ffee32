// zvd tests: the raster device's GDI pixel conventions — end pixels, box sizes, fill rule, hatches.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi_test_util.h"

using namespace gditest;

namespace {

struct RasterFixture : ::testing::Test {
    QImage image = blank(120, 80);
    HDC dc = nullptr;
    void SetUp() override {
        dc = createRasterDC(&image);
        ASSERT_NE(dc, nullptr);
    }
    void TearDown() override { EXPECT_TRUE(destroyDC(dc)); }
    void line(int x1, int y1, int x2, int y2) { gditest::line(dc, x1, y1, x2, y2); }
};

}  // namespace

using GdiRasterLines = RasterFixture;

TEST_F(GdiRasterLines, OpaqueModeFillsDashAndHatchGapsTransparentLeavesThem) {
    SetBkColor(dc, 0x00FF00);
    for (int mode : {OPAQUE, TRANSPARENT}) {
        const int x = mode == OPAQUE ? 0 : 60;
        SetBkMode(dc, mode);
        withObjects(dc, CreatePen(PS_DASH, 1, 0x0000FF), nullptr, [&] { line(x, 30, x + 48, 30); });
        withObjects(dc, GetStockObject(NULL_PEN), CreateHatchBrush(HS_VERTICAL, 0xFF0000),
                    [&] { Rectangle(dc, x, 0, x + 17, 17); });
    }
    EXPECT_EQ(at(image, 5, 30), 0x0000FFu);
    EXPECT_EQ(at(image, 20, 30), 0x00FF00u);
    EXPECT_EQ(at(image, 80, 30), 0xFFFFFFu);
    int green = 0, blue = 0, white = 0;
    for (int x = 0; x < 16; ++x) {
        green += at(image, x, 5) == 0x00FF00;
        blue += at(image, x, 5) == 0xFF0000;
        white += at(image, 60 + x, 5) == 0xFFFFFF;
    }
    EXPECT_EQ(blue, 2);
    EXPECT_EQ(green, 14);
    EXPECT_EQ(white, 14);
}

using GdiRasterShapes = RasterFixture;

TEST_F(GdiRasterShapes, ShapesCoverExactlyTheirBoxes) {
    // Boxes and strokes leave out their right and bottom edges; without a pen a fill loses one more pixel.
    const struct {
        HGDIOBJ pen, brush;
        std::function<void(HDC)> draw;
        int minX, minY, maxX, maxY, count;  // count -1: not checked
        COLORREF centre;
    } cases[] = {
        {geometricPen(PS_SOLID, 5, 0), nullptr, [](HDC h) { MoveToEx(h, 10, 20, nullptr), LineTo(h, 30, 20); }, 10, 18,
         29, 22, 100, 0},
        {CreatePen(PS_SOLID, 1, 0), GetStockObject(NULL_BRUSH), [](HDC h) { Rectangle(h, 10, 10, 20, 20); }, 10, 10, 19,
         19, 36, 0xFFFFFF},
        {GetStockObject(NULL_PEN), CreateSolidBrush(0x00FF00), [](HDC h) { Rectangle(h, 40, 10, 50, 20); }, 40, 10, 48,
         18, 81, 0x00FF00},
        {CreatePen(PS_SOLID, 1, 0), GetStockObject(NULL_BRUSH), [](HDC h) { Ellipse(h, 10, 10, 31, 31); }, 10, 10, 30,
         30, -1, 0xFFFFFF},
        {CreatePen(PS_SOLID, 1, 0), nullptr, [](HDC h) { Arc(h, 10, 10, 51, 41, 70, 25, 70, 25); },  // whole
         10, 10, 50, 40, -1, 0xFFFFFF},
    };
    for (const auto& c : cases) {
        image.fill(Qt::white);
        withObjects(dc, c.pen, c.brush, [&] { c.draw(dc); });
        const Box b = inked(image);
        EXPECT_EQ(std::vector<int>({b.minX, b.minY, b.maxX, b.maxY}),
                  std::vector<int>({c.minX, c.minY, c.maxX, c.maxY}));
        if (c.count >= 0) {
            EXPECT_EQ(b.count, c.count) << c.minX << "," << c.minY;
        }
        EXPECT_EQ(at(image, (c.minX + c.maxX) / 2, (c.minY + c.maxY) / 2), c.centre) << c.minX << "," << c.minY;
    }
    withObjects(dc, CreatePen(PS_SOLID, 1, 0), CreateSolidBrush(0x0000FF), [&] { Rectangle(dc, 10, 10, 20, 20); });
    EXPECT_EQ(at(image, 10, 10), 0u);  // the pen frames the fill
    EXPECT_EQ(at(image, 11, 11), 0x0000FFu);
}

TEST_F(GdiRasterShapes, PolygonFillsAlternately) {
    // A pentagram: its centre is covered twice and so stays unfilled.
    POINT star[] = {{60, 5}, {78, 70}, {25, 28}, {95, 28}, {42, 70}};
    withObjects(dc, GetStockObject(NULL_PEN), CreateSolidBrush(0), [&] { Polygon(dc, star, 5); });
    EXPECT_EQ(at(image, 60, 38), 0xFFFFFFu);
    EXPECT_EQ(at(image, 60, 15), 0u);
    EXPECT_EQ(at(image, 35, 31), 0u);
}

TEST_F(GdiRasterShapes, StrokePathNeedsAClosedBracket) {
    withObjects(dc, CreatePen(PS_SOLID, 1, 0), nullptr, [&] {
        EXPECT_FALSE(StrokePath(dc));
        BeginPath(dc);
        line(5, 5, 50, 5);
        EXPECT_TRUE(image == blank(120, 80));  // nothing is drawn while the path is open
        EXPECT_FALSE(StrokePath(dc));
        EndPath(dc);
        EXPECT_TRUE(StrokePath(dc));
        EXPECT_FALSE(StrokePath(dc));  // the path is used up
    });
    EXPECT_EQ(inked(image).count, 45);
}

using GdiRasterHatch = RasterFixture;

TEST_F(GdiRasterHatch, HatchedGeometricPenDrawsThePatternAlongTheStroke) {
    SetBkMode(dc, TRANSPARENT);
    withObjects(dc, geometricPen(PS_SOLID, 16, 0, BS_HATCHED, HS_VERTICAL), nullptr, [&] { line(0, 40, 64, 40); });
    int columns = 0;
    for (int x = 0; x < 64; ++x) columns += at(image, x, 40) == 0;
    EXPECT_EQ(columns, 8);
}
