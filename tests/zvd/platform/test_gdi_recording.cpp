// zvd tests: the recording device's log lines and state, and the SVG and PDF devices' files.
// Primitive tests compare these lines exactly, so the formats here are a contract.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/gdi_test_util.h"

using namespace gditest;

using GdiRecording = RecordingTest;

TEST_F(GdiRecording, BrushesShapesAndStockObjectsHaveTheirFormats) {
    HBRUSH hatch = CreateHatchBrush(HS_CROSS, 0x00FF00);
    HBRUSH solid = CreateSolidBrush(0x123456);
    SelectObject(dc, hatch);
    Rectangle(dc, 0, 0, 10, 10);
    RECT r = {0, 0, 10, 10};
    FillRect(dc, &r, solid);
    SetPixel(dc, 3, 4, 0xFFFFFF);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(hatch);
    DeleteObject(solid);
    SelectObject(dc, hatch);  // deleted: named as before, and refused
    SelectObject(dc, nullptr);
    SelectObject(dc, reinterpret_cast<HGDIOBJ>(std::uintptr_t(0x7777)));  // never seen
    EXPECT_EQ(
        recordedCalls(dc).join(' '),
        "CreateHatchBrush(4,0x0000ff00)=h1 CreateSolidBrush(0x00123456)=h2 SelectObject(h1) Rectangle(0,0,10,10) "
        "FillRect({0,0,10,10},h2) SetPixel(3,4,0x00ffffff) GetStockObject(0)=WHITE_BRUSH SelectObject(WHITE_BRUSH) "
        "DeleteObject(h1) DeleteObject(h2) SelectObject(h1) SelectObject(null) SelectObject(invalid)");
}

TEST_F(GdiRecording, TextCallsAndFontsAreLoggedWithTheirFields) {
    LOGFONTW lf = font(-16, L"SimSun", 450, FW_BOLD);
    lf.lfItalic = 1;
    HFONT f = CreateFontIndirectW(&lf);
    SelectObject(dc, f);
    SetTextColor(dc, 0x0000FF);
    SetBkMode(dc, TRANSPARENT);
    SIZE size = {};
    EXPECT_TRUE(GetTextExtentPoint32W(dc, L"abc", 3, &size));
    EXPECT_TRUE(TextOutW(dc, 5, 6, L"abc", 3));
    EXPECT_TRUE(TextOutW(dc, 5, 6, L"宋体", 2));
    GetDeviceCaps(dc, LOGPIXELSY);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
    // The fixed measuring model: cell = |lfHeight|, characters half as wide.
    EXPECT_EQ(size.cx, 24);
    EXPECT_EQ(size.cy, 16);
    EXPECT_EQ(recordedCalls(dc).join(' '),
              QString::fromUtf8("CreateFontIndirectW({-16,0,450,0,700,1,0,0,1,0,0,0,0,\"SimSun\"})=h1 SelectObject(h1) "
                                "SetTextColor(0x000000ff) SetBkMode(1) GetTextExtentPoint32W(\"abc\",3) "
                                "TextOutW(5,6,\"abc\",3) TextOutW(5,6,\"宋体\",2) GetDeviceCaps(90) "
                                "GetStockObject(13)=SYSTEM_FONT SelectObject(SYSTEM_FONT) DeleteObject(h1)"));
}

namespace {

void drawSample(HDC dc) {
    withObjects(dc, CreatePen(PS_DASH, 1, 0x0000FF), CreateHatchBrush(HS_CROSS, 0x00FF00), [&] {
        Rectangle(dc, 10, 10, 90, 60);
        line(dc, 0, 0, 100, 80);
        Arc(dc, 20, 20, 60, 60, 60, 40, 40, 20);
    });
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(GdiVector, NopDrawsNothing) {
    QTemporaryDir dir;
    const QString nopPath = dir.filePath("nop.svg"), emptyPath = dir.filePath("empty.svg");
    HDC nop = createSvgDC(nopPath, QSize(100, 80));
    SetROP2(nop, R2_NOP);
    drawSample(nop);
    destroyDC(nop);
    destroyDC(createSvgDC(emptyPath, QSize(100, 80)));
    EXPECT_EQ(readAll(nopPath), readAll(emptyPath));
}
