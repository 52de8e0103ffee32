// zvd tests: the hatch: two areas drawn solid (their fill style only when selected), hit tests
// through the kernel's position test with a hole, both file forms with the older outline form,
// editing, and damaged records.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "persistence/test_xml_support.h"
#include "support/docitems.h"
#include "zgp/line2d.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdhatch.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"

using zgp::CVec2;

namespace {

zgp::CLoop* square(double x, double y, double side) {
    auto* loop = new zgp::CLoop;
    const CVec2<double> c[] = {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}};
    for (int i = 0; i < 4; ++i) loop->AddCurve(new zgp::CLine2d(c[i], c[(i + 1) % 4]), false);
    return loop;
}

// Two areas: a 10-square with a 4-square hole, and a lone 3-square far away.
ZVDHatch* twoAreas() {
    auto* framed = new zgp::CPolygon;
    framed->AddLoop(square(0, 0, 10), true);
    framed->AddLoop(square(3, 3, 4), true);
    auto* lone = new zgp::CPolygon;
    lone->AddLoop(square(20, 0, 3), true);
    std::vector<zgp::CPolygon*> both = {framed, lone};
    auto* h = new ZVDHatch;
    h->setXPoly(both);
    framed->Free();
    lone->Free();
    return h;
}

}  // namespace

TEST(Hatch, AreasBoxAndHitTests) {
    std::unique_ptr<ZVDHatch> h(twoAreas());
    const zgp::CBox2<double> box = h->outRect();
    EXPECT_EQ(box.min, CVec2<double>(0, 0));
    EXPECT_EQ(box.max, CVec2<double>(23, 10));
    EXPECT_TRUE(h->hitTest({1, 1}, 0));
    EXPECT_TRUE(h->hitTest({21, 1}, 0));
    EXPECT_FALSE(h->hitTest({5, 5}, 0));  // in the hole
    EXPECT_FALSE(h->hitTest({15, 5}, 0));
    EXPECT_TRUE(h->hitTest({10.05, 5}, 0.1));
    EXPECT_TRUE(h->hitSelect({-1, -1}, {24, 11}, 0));
    EXPECT_FALSE(h->hitSelect({-1, -1}, {22, 11}, 0));
    EXPECT_TRUE(h->hitSelect({22, 2}, {18, -5}, 0));    // crossing the lone square
    EXPECT_FALSE(h->hitSelect({14, 2}, {16, -5}, 0));   // crossing nothing
    EXPECT_TRUE(h->hitSelect({21, -5}, {21, 5}, 0));    // a flat window through an area
    EXPECT_EQ(h->grip(0), CVec2<double>(11.5, 5));
    h->dragGrip(0, {1, 2});
    EXPECT_EQ(h->outRect().min, CVec2<double>(1, 2));
    ZVDHatch empty;
    EXPECT_EQ(empty.xPoly(), nullptr);
    EXPECT_TRUE(ZVDEntity::isEmptyBox(empty.outRect()));
}

// Normal: each polygon's outline filled solid in the item's colour; selected: the fill style's
// brush in blue with a dotted one-pixel border.
TEST(Hatch, DrawsOneFillPerPolygon) {
    std::unique_ptr<ZVDHatch> h(twoAreas());
    h->setColor(0x336699);
    h->setFillStyle(bsCross);
    HDC hdc = createRecordingDC();
    ZCoordTrans trans;
    auto run = [&](bool selected) {
        clearRecordedCalls(hdc);
        h->setSelected(selected);
        h->draw(hdc, trans, false, 0);
        return recordedCalls(hdc);
    };
    const QStringList normal = run(false);
    EXPECT_EQ(normal.filter(QRegularExpression("^Polygon\\(")).size(), 2);
    EXPECT_EQ(normal.filter(QRegularExpression("^CreateBrushIndirect\\(\\{0,0x00336699,")).size(), 2);
    const QStringList selected = run(true);
    EXPECT_EQ(selected.filter(QRegularExpression("^CreateBrushIndirect\\(\\{2,0x00ff0000,4\\}")).size(), 2);
    destroyDC(hdc);
}

TEST(Hatch, FileFormsAndTheOlderOutline) {
    for (EnVDSaveFormat format : {vdsfBinary, vdsfXML}) {
        ZVectorDrawing d;
        d.add(twoAreas());
        ZVectorDrawing back;
        xmlfix::expectSameBytesAfterReload(d, format, back);
        auto* h = dynamic_cast<ZVDHatch*>(back.item(0));
        ASSERT_NE(h, nullptr);
        std::vector<zgp::CPolygon*> polygons;
        h->getPolygon(polygons);
        ASSERT_EQ(polygons.size(), 2u);
        EXPECT_EQ(polygons[0]->LoopCount(), 2);
        EXPECT_EQ(h->outRect().max, CVec2<double>(23, 10));
    }
    ZVectorDrawing d;
    d.add(twoAreas());
    const std::string xml = xmlfix::saveIn(d, vdsfXML);
    EXPECT_NE(xml.find("HatchVersion=\"1\""), std::string::npos);
    const QString poly = QString::fromStdString(xml).section(" Poly=\"", 1).section('"', 0, 0);
    EXPECT_EQ(poly.count('#'), 2);
    EXPECT_TRUE(poly.endsWith('#'));

    // Without "HatchVersion": one outline of "x,y,r,t" vertices closed back to the first.
    QString old = QString::fromStdString(xml);
    old.replace(QRegularExpression(" HatchVersion=\"1\""), "");
    old.replace(QRegularExpression(" Poly=\"[^\"]*\""), " Poly=\"0,0,0,0;8,0,0,0;8,6,0,0\"");
    ZVectorDrawing older;
    ASSERT_TRUE(xmlfix::loadXml(older, old.toStdString()));
    auto* h = dynamic_cast<ZVDHatch*>(older.item(0));
    ASSERT_NE(h, nullptr);
    ASSERT_NE(h->xPoly(), nullptr);
    EXPECT_EQ(h->xPoly()->CoedgeCount(), 3);
    EXPECT_TRUE(h->hitTest({6, 2}, 0));
    EXPECT_FALSE(h->hitTest({2, 5}, 0));

    // A polygon count the stream cannot hold fails the load.
    std::string bin = xmlfix::saveIn(d, vdsfBinary);
    const std::string count = std::string("\x02\0\0\0", 4);
    const size_t at = bin.find(std::string("\x01\0\0\0\0", 5) + count);
    ASSERT_NE(at, std::string::npos);
    bin.replace(at + 5, 4, std::string("\xff\xff\xff\x7f", 4));
    std::stringstream in = docfix::binaryStream(bin);
    EXPECT_FALSE(older.loadFromStream(&in));
    EXPECT_EQ(older.count(), 0);
}

// Boundaries that do not close, cross themselves or enclose nothing are drawn and tested without
// trouble: an open one is closed for the fill, the others fill what the even-odd rule gives.
TEST(Hatch, OddBoundariesStayHarmless) {
    auto loopOf = [](std::vector<CVec2<double>> pts, bool close) {
        auto* loop = new zgp::CLoop;
        for (size_t i = 0; i + 1 < pts.size(); ++i) loop->AddCurve(new zgp::CLine2d(pts[i], pts[i + 1]), false);
        if (close) loop->AddCurve(new zgp::CLine2d(pts.back(), pts.front()), false);
        return loop;
    };
    struct Odd {
        const char* what;
        zgp::CLoop* loop;
    };
    const Odd odd[] = {
        {"open", loopOf({{0, 0}, {10, 0}, {10, 10}}, false)},
        {"bow tie", loopOf({{0, 0}, {10, 10}, {10, 0}, {0, 10}}, true)},
        {"no area", loopOf({{0, 0}, {10, 0}, {5, 0}}, true)},
        {"a point", loopOf({{3, 3}, {3, 3}}, false)},
    };
    HDC hdc = createRecordingDC();
    ZCoordTrans trans;
    for (const Odd& o : odd) {
        SCOPED_TRACE(o.what);
        ZVDHatch h;
        h.setXPoly(*o.loop);
        o.loop->Free();
        h.draw(hdc, trans, false, 0);
        h.setSelected(true);
        h.draw(hdc, trans, false, 0);
        h.hitTest({5, 1}, 0.1);
        h.hitSelect({-1, -1}, {11, 11}, 0);
        EXPECT_FALSE(ZVDEntity::isEmptyBox(h.outRect()));
    }
    destroyDC(hdc);
}
