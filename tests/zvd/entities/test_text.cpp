// zvd tests: the text item: its bound polygon worked out by hand, hit tests on the turned box,
// editing (mirroring swaps alignments), one report per edit, properties, and its drawing hooks.
#include <gtest/gtest.h>

#include <cmath>

#include <QRegularExpression>

#include "support/docitems.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"

using zgp::CBox2;
using zgp::CVec2;

namespace {

constexpr double kPi = 3.14159265358979323846;

ZVDText* makeText(const std::wstring& s, short height, EnHorizAlignment h, EnVertAlignment v, CVec2<double> at = {}) {
    auto* t = new ZVDText;
    t->setText(s);
    t->setHeight(height);
    t->setHorzAlignment(h);
    t->setVertAlignment(v);
    t->setInsertPt(at);
    return t;
}

// Width the text measures at a cell height of h (the box's width, independent of the item).
double widthOf(const std::wstring& s, short h) {
    std::set<EnFontStyle> none;
    return getDrawTextWidth(s, L"", h, none);
}

}  // namespace

TEST(TextItem, BoundPolygonFollowsLinesAlignmentAndTurn) {
    // Two lines joined by "\r\n", left/top, height 10: 20 high below the insert point.
    std::unique_ptr<ZVDText> t(makeText(L"Ab\r\nLonger line", 10, haLeft, vaTop, {3, 4}));
    const double w = widthOf(L"Longer line", 10);
    ASSERT_GT(w, widthOf(L"Ab", 10));
    CBox2<double> box = t->outRect();
    EXPECT_NEAR(box.min.x, 3, 1e-9);
    EXPECT_NEAR(box.max.x, 3 + w, 1e-9);
    EXPECT_NEAR(box.min.y, 4 - 20, 1e-9);
    EXPECT_NEAR(box.max.y, 4, 1e-9);
    // A bare line feed draws two lines but bounds one; centre/centre straddles the point.
    t->setText(L"Ab\nLonger line");
    t->setHorzAlignment(haCenter);
    t->setVertAlignment(vaCenter);
    box = t->outRect();
    EXPECT_NEAR(box.max.y - box.min.y, 10, 1e-9);
    EXPECT_NEAR(box.min.y, 4 - 5, 1e-9);
    EXPECT_NEAR((box.min.x + box.max.x) / 2, 3, 1e-9);
    // Right/bottom: one line height above the point, the lines below it.
    t->setText(L"a\r\nb\r\nc");
    t->setHorzAlignment(haRight);
    t->setVertAlignment(vaBottom);
    box = t->outRect();
    EXPECT_NEAR(box.max.x, 3, 1e-9);
    EXPECT_NEAR(box.max.y, 4 + 10, 1e-9);
    EXPECT_NEAR(box.min.y, 4 - 20, 1e-9);
    // An empty text is 24 wide and as high as its height; an unknown alignment has no polygon.
    t->setText(L"");
    box = t->outRect();
    EXPECT_NEAR(box.max.x - box.min.x, 24, 1e-9);
    EXPECT_NEAR(box.max.y - box.min.y, 10, 1e-9);
    t->setHorzAlignment(static_cast<EnHorizAlignment>(7));
    EXPECT_TRUE(ZVDEntity::isEmptyBox(t->outRect()));
    EXPECT_FALSE(t->hitTest({3, 4}, 1));
}

TEST(TextItem, HitTestsFollowTheTurnedBox) {
    // Left/top at the origin, turned a quarter turn: the box lies in x 0..10, y 0..w.
    std::unique_ptr<ZVDText> t(makeText(L"Sample", 10, haLeft, vaTop));
    t->setAngle(static_cast<float>(kPi / 2));
    const double w = widthOf(L"Sample", 10);
    EXPECT_TRUE(t->hitTest({5, w / 2}, 0.1));
    EXPECT_FALSE(t->hitTest({w / 2, -5}, 0.1));  // where the unturned text would be
    EXPECT_TRUE(t->hitTest({10.05, w / 2}, 0.1));
    EXPECT_FALSE(t->hitTest({10.5, w / 2}, 0.1));
    // Windows to the right must hold the box; crossing windows need to meet the polygon.
    EXPECT_TRUE(t->hitSelect({-1, -1}, {11, w + 1}, 0));
    EXPECT_FALSE(t->hitSelect({-1, -1}, {9, w + 1}, 0));
    EXPECT_TRUE(t->hitSelect({9, w + 1}, {-1, w / 2}, 0));
    EXPECT_FALSE(t->hitSelect({-1, -1}, {-5, w + 1}, 0));
    EXPECT_TRUE(t->hitSelect({5, -3}, {5, w + 3}, 0));  // a flat window crossing the text
}

TEST(TextItem, MirrorSwapsTheAlignmentAcrossTheAxis) {
    std::unique_ptr<ZVDText> t(makeText(L"M", 10, haRight, vaTop, {4, 1}));
    t->setAngle(0.25f);
    t->mirror({0, 0}, {0, 10});  // vertical axis
    EXPECT_EQ(t->horzAlignment(), haLeft);
    EXPECT_EQ(t->vertAlignment(), vaTop);
    EXPECT_NEAR(t->insertPt().x, -4, 1e-12);
    EXPECT_NEAR(t->angle(), 2 * (kPi / 2) - 0.25 + kPi, 1e-6);
    t->mirror({0, 0}, {10, 0});  // horizontal axis
    EXPECT_EQ(t->horzAlignment(), haLeft);
    EXPECT_EQ(t->vertAlignment(), vaBottom);
    EXPECT_NEAR(t->insertPt().y, -1, 1e-12);
    // rotate turns the point and adds the angle; a grip drag moves by the offset.
    t->rotate({0, 0}, kPi / 2);
    EXPECT_NEAR(t->insertPt().x, 1, 1e-12);
    EXPECT_NEAR(t->insertPt().y, -4, 1e-12);
    ASSERT_EQ(t->gripCount(), 1);
    EXPECT_TRUE(t->dragGrip(0, {1, 2}));
    EXPECT_NEAR(t->grip(0).x, 2, 1e-12);
    EXPECT_NEAR(t->grip(0).y, -2, 1e-12);
}

TEST(TextItem, EveryEditMakesOneReportAndUnchangedValuesNone) {
    ZVectorDrawing d;
    ZVDText* t = makeText(L"x", 10, haLeft, vaTop);
    d.add(t);
    docfix::Recorder rec;
    d.attachObserver(&rec);
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"text", [&] { t->setText(L"y"); }},
        {"height", [&] { t->setHeight(12); }},
        {"font", [&] { t->setFontName(L"DejaVu Serif"); }},
        {"style", [&] { t->setFontStyle({fsItalic}); }},
        {"alignment", [&] { t->setHorzAlignment(haRight); }},
        {"insert point", [&] { t->setInsertPt({1, 1}); }},
        {"angle", [&] { t->setAngle(1.0f); }},
        {"back colour", [&] { t->setBackColor(0x123456); }},
        {"transparent", [&] { t->setTransparent(false); }},
        {"move", [&] { t->move({1, 0}); }},
        {"mirror", [&] { t->mirror({0, 0}, {1, 1}); }},
        {"property", [&] { t->setPropValue(vdpTextHeight, L"14"); }},
    };
    for (const auto& e : edits) {
        rec.events.clear();
        e.second();
        EXPECT_EQ(rec.codes(), std::vector<int>{vdnDataChanged}) << e.first;
        rec.events.clear();
        if (std::string(e.first) == "move" || std::string(e.first) == "mirror") continue;
        e.second();  // the same value again
        EXPECT_TRUE(rec.events.empty()) << e.first;
    }
    d.detachObserver(&rec);
}

TEST(TextItem, PropertiesReadBackAsWritten) {
    std::unique_ptr<ZVDText> t(makeText(L"x", 10, haLeft, vaTop));
    const std::pair<ZVDEPropType, std::wstring> props[] = {
        {vdpText, L"新的 text"}, {vdpTextHeight, L"25"},   {vdpFontStyle, L"3"},      {vdpTransparent, L"0"},
        {vdpTextBackColor, L"255"}, {vdpHorzAlignment, L"1"}, {vdpVertAlignment, L"2"},
    };
    for (const auto& p : props) {
        t->setPropValue(p.first, p.second);
        EXPECT_EQ(t->propValue(p.first), p.second) << p.first;
    }
    EXPECT_EQ(t->fontStyle(), (std::set<EnFontStyle>{fsBold, fsItalic}));
    EXPECT_EQ(t->propTypes().size(), 9u);
    EXPECT_EQ(t->propValue(vdpPointSize), L"");
}

TEST(TextItem, HooksDrawTextOutlineAndHighlight) {
    HDC hdc = createRecordingDC();
    ZCoordTrans trans;
    std::unique_ptr<ZVDText> t(makeText(L"Hi", 10, haLeft, vaTop));
    t->setColor(0x00AA00);
    auto run = [&](bool elastic, bool selected) {
        clearRecordedCalls(hdc);
        t->setSelected(selected);
        t->draw(hdc, trans, elastic, 2);
        return recordedCalls(hdc).join(";");
    };
    QString normal = run(false, false);
    EXPECT_TRUE(normal.contains("TextOutW(0,0,\"Hi\",2)"));
    EXPECT_TRUE(normal.contains("SetTextColor(0x0000aa00)"));
    EXPECT_TRUE(normal.contains("SetBkMode(1)"));  // transparent by default
    EXPECT_TRUE(run(false, true).contains("SetTextColor(0x00ff0000)"));
    // A tagged text sits on an opaque red background.
    t->setTag(5);
    EXPECT_TRUE(run(false, false).contains("SetBkColor(0x000000ff)"));
    t->setTag(0);
    // An empty text is its outline, XOR, in its colour; selected it draws nothing.
    t->setText(L"");
    const QString outline = run(false, false);
    EXPECT_FALSE(outline.contains("TextOutW"));
    EXPECT_TRUE(outline.contains(QRegularExpression("SetROP2\\(7\\)")));
    EXPECT_TRUE(outline.contains("0x0000aa00"));
    EXPECT_FALSE(run(false, true).contains(QRegularExpression("TextOutW|Polyline|LineTo")));
    EXPECT_TRUE(run(true, false).contains("0x00ffffff"));
    destroyDC(hdc);
}
