// zvd tests: the arithmetic of the text operations on the recording device, whose text cell is
// the font height and whose characters are half a cell wide: anchors from alignment and
// rotation, fonts, line steps of the wrapping forms, background handling, placement on curves.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include <QRegularExpression>
#include <QStringList>

#include "zgp/arc2d.h"
#include "zgp/line2d.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CVec2;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct TextCalls : ::testing::Test {
    void SetUp() override { hdc = createRecordingDC(); }
    void TearDown() override { destroyDC(hdc); }
    // The calls matching pattern, in order.
    QStringList calls(const QString& pattern) const {
        return recordedCalls(hdc).filter(QRegularExpression(pattern));
    }
    QStringList outputs() const { return calls("^TextOutW"); }
    void scale(const std::wstring& text, CVec2<double> pos, double angle, double height, EnHorizAlignment h,
               EnVertAlignment v, bool transparent = true) {
        ZDrawFunc2d::drawScaleText(hdc, &trans, text, pos, angle, height, h, v, L"Arial", 0x123456, styles, 0xABCDEF,
                                   transparent, vdcommon::dmNormal);
    }
    ZCoordTrans trans;  // identity: device (x, -y)
    std::set<EnFontStyle> styles;
    HDC hdc = nullptr;
};

}  // namespace

// "ABCD" at height 10: a cell of 10 pixels, 20 wide. Device y runs down, so the text turned a
// quarter turn counter-clockwise runs up the screen.
TEST_F(TextCalls, AnchorFollowsAlignmentAndTurnsWithTheText) {
    struct Case {
        EnHorizAlignment h;
        EnVertAlignment v;
        double angle;
        const char* out;
    };
    const Case cases[] = {
        {haLeft, vaTop, 0, "TextOutW(0,0,\"ABCD\",4)"},
        {haRight, vaTop, 0, "TextOutW(-20,0,\"ABCD\",4)"},
        {haCenter, vaBottom, 0, "TextOutW(-10,-10,\"ABCD\",4)"},
        {haRight, vaTop, kPi / 2, "TextOutW(0,20,\"ABCD\",4)"},   // ends at the anchor
        {haCenter, vaCenter, kPi, "TextOutW(10,5,\"ABCD\",4)"},
    };
    for (const Case& c : cases) {
        clearRecordedCalls(hdc);
        scale(L"ABCD", {0, 0}, c.angle, 10, c.h, c.v);
        EXPECT_EQ(outputs(), QStringList{c.out}) << c.h << " " << c.v << " " << c.angle;
    }
    // Odd sizes halve as integers: "ABC" is 15 wide, its cell 11 high (ceil of 10.5).
    clearRecordedCalls(hdc);
    scale(L"ABC", {100, -50}, 0, 10.5, haCenter, vaCenter);
    EXPECT_EQ(outputs(), QStringList{"TextOutW(93,45,\"ABC\",3)"});
}

TEST_F(TextCalls, FontCarriesHeightEscapementWeightAndAShortenedName) {
    styles = {fsBold, fsUnderline};
    trans.setZoomFactor(2.5);
    ZDrawFunc2d::drawScaleText(hdc, &trans, L"x", {0, 0}, kPi / 4, 4.0004, haLeft, vaTop,
                               L"An Extremely Long Font Family Name That Goes On", 0, styles, 0, true,
                               vdcommon::dmNormal);
    // ceil(4.0004 * 2.5 - 0.001) = 10 pixels; 45 degrees = 450 tenths; bold = 700.
    EXPECT_EQ(calls("^CreateFontIndirectW").value(0).section('=', 0, 0),
              "CreateFontIndirectW({10,0,450,0,700,0,1,0,1,0,0,0,0,\"An Extremely Long Font Family N\"})");
    // Zero and negative heights go to the font as they are.
    clearRecordedCalls(hdc);
    ZDrawFunc2d::drawScaleText(hdc, &trans, L"x", {0, 0}, -kPi / 4, -12.7, haLeft, vaTop, L"F", 0, styles, 0, true,
                               vdcommon::dmNormal);
    EXPECT_TRUE(calls("^CreateFontIndirectW").value(0).startsWith("CreateFontIndirectW({-12,0,-450,"));
    // A fixed 12-point text on a 96 dpi device at zoom 2: -16 pixels divided by the zoom.
    clearRecordedCalls(hdc);
    trans.setZoomFactor(2);
    ZDrawFunc2d::drawFixedText(hdc, &trans, L"x", {0, 0}, 0, haLeft, vaTop, L"F", 12, 0, styles, 0, true,
                               vdcommon::dmNormal);
    EXPECT_TRUE(calls("^CreateFontIndirectW").value(0).startsWith("CreateFontIndirectW({-8,0,0,"));
    EXPECT_EQ(ZDrawFunc2d::getFontHeight(hdc, 12), 16);
}

TEST_F(TextCalls, BackgroundIsRestoredAfterTheText) {
    scale(L"a", {0, 0}, 0, 10, haLeft, vaTop, true);
    EXPECT_EQ(calls("^SetBk"), QStringList({"SetBkMode(1)", "SetBkMode(2)"}));
    clearRecordedCalls(hdc);
    scale(L"a", {0, 0}, 0, 10, haLeft, vaTop, false);
    const QStringList bk = calls("^SetBk");
    ASSERT_EQ(bk.size(), 2);
    EXPECT_EQ(bk[0], "SetBkColor(0x00abcdef)");
    EXPECT_TRUE(calls("^SetTextColor").value(0).contains("0x00123456"));
    EXPECT_EQ(calls("^(SelectObject|DeleteObject)").size(), 3);  // select, select back, delete
}

// Each drawn line sits one step further down the text's own frame; empty lines take no room.
TEST_F(TextCalls, WrappingFormsStepByTheirLineHeights) {
    ZDrawFunc2d::drawScaleWrapTextVII(hdc, &trans, L"A\n\nB", {0, 0}, 0, 2, haLeft, vaTop, L"F", 0, styles, 0, true,
                                      vdcommon::dmNormal);
    EXPECT_EQ(outputs(), QStringList({"TextOutW(0,0,\"A\",1)", "TextOutW(0,2,\"B\",1)"}));

    // A pixel height of -12 at zoom 2 steps 6 world units, 12 pixels; turned a quarter turn the
    // lines step along +x in the world.
    clearRecordedCalls(hdc);
    trans.setZoomFactor(2);
    ZDrawFunc2d::drawScaleWrapTextVII(hdc, &trans, L"A\nB\nC", {0, 0}, kPi / 2, -12, haLeft, vaTop, L"F", 0, styles, 0,
                                      true, vdcommon::dmNormal);
    EXPECT_EQ(outputs(), QStringList({"TextOutW(0,0,\"A\",1)", "TextOutW(12,0,\"B\",1)", "TextOutW(24,0,\"C\",1)"}));

    // drawScaleWrapText steps by |height| whatever its sign; a carriage return stays in its line.
    clearRecordedCalls(hdc);
    ZDrawFunc2d::drawScaleWrapText(hdc, &trans, L"A\r\nB", {0, 0}, 0, -3, haLeft, vaTop, L"F", 0, styles, 0, true,
                                   vdcommon::dmNormal);
    EXPECT_EQ(outputs(), QStringList({"TextOutW(0,0,\"A\r\",2)", "TextOutW(0,6,\"B\",1)"}));

    // Point sizes step by the size in pixels; the list form counts empty elements too.
    clearRecordedCalls(hdc);
    trans.setZoomFactor(1);
    ZDrawFunc2d::drawWrapText(hdc, &trans, L"A\n\nB", {0, 0}, 0, haLeft, vaTop, L"F", 9, 0, styles, 0, true,
                              vdcommon::dmNormal);
    std::vector<std::wstring> lines = {L"A", L"", L"B"};
    ZDrawFunc2d::drawWrapText(hdc, &trans, lines, {0, 0}, 0, haLeft, vaTop, L"F", 9, 0, styles, 0, true,
                              vdcommon::dmNormal);
    EXPECT_EQ(outputs(), QStringList({"TextOutW(0,0,\"A\",1)", "TextOutW(0,9,\"B\",1)", "TextOutW(0,0,\"A\",1)",
                                      "TextOutW(0,18,\"B\",1)"}));
}

TEST(TextAboveLine, PlacesOnLinesAndArcs) {
    ZCoordTrans trans;
    trans.setZoomFactor(0.5);  // the lift is (2 / 0.5)^2 = 16 world units across the direction
    double angle = 0;
    CVec2<double> pos;
    zgp::CLine2d right({0, 0}, {10, 0});
    ZDrawFunc2d::calcTextAboveLineParam(&trans, right, 0.25, vaTop, angle, pos);
    EXPECT_NEAR(pos.x, 2.5, 1e-12);
    EXPECT_NEAR(pos.y, 16, 1e-12);
    // Running down-left (225 degrees): measured from the other end.
    zgp::CLine2d downLeft({10, 10}, {0, 0});
    angle = kPi / 2;
    ZDrawFunc2d::calcTextAboveLineParam(&trans, downLeft, 0.25, vaTop, angle, pos);
    EXPECT_NEAR(pos.x, 2.5 - 16, 1e-9);
    EXPECT_NEAR(pos.y, 2.5, 1e-9);
    // An arc over its top is labelled there, level; one that misses the top at its middle.
    zgp::CArc2d over;
    ASSERT_TRUE(over.Set(CVec2<double>(0, 0), 5, 0.5, 2.5));  // angles in radians
    ZDrawFunc2d::calcTextAboveLineParam(&trans, over, 0.9, vaTop, angle, pos);
    EXPECT_EQ(angle, 0.0);
    EXPECT_NEAR(pos.x, 0, 1e-12);
    EXPECT_NEAR(pos.y, 5 + 16, 1e-12);
    zgp::CArc2d low;
    ASSERT_TRUE(low.Set(CVec2<double>(0, 0), 5, -2.5, -0.5));
    ZDrawFunc2d::calcTextAboveLineParam(&trans, low, 0.9, vaTop, angle, pos);
    EXPECT_NEAR(pos.x, 5 * std::cos(-1.5), 1e-9);  // the middle angle of -2.5 .. -0.5
    EXPECT_NEAR(pos.y, 5 * std::sin(-1.5) + 16, 1e-9);
}
