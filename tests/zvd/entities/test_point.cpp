// zvd tests: ZVDPoint: box and hit tests by hand, one report per edit, transforms, both file forms.
#include "curve_items.h"
#include "persistence/test_xml_support.h"
#include "zgp/matrix.h"
#include "zvd/entities/zvdline.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/entities/zvdpoint.h"
#include "zvd/persistence/zxmlattrnames.h"

using namespace itemfix;

namespace {

// A point of size 4 at (10, 10), the default cross style, in a drawing.
struct PointTest : itemfix::ReportingDrawing {
    PointTest() {
        drawing.add(point);
        point->setInsertPt({10, 10});
        rec.events.clear();
    }
    ZVDPoint* point = new ZVDPoint;
};

}  // namespace

TEST_F(PointTest, BoxAndHitTestsFollowTheSize) {
    EXPECT_EQ(point->size(), 4);
    EXPECT_EQ(point->outRect(), zgp::CBox2<double>(8, 8, 12, 12));
    EXPECT_TRUE(point->hitTest({12.5, 10}, 0.5));
    EXPECT_FALSE(point->hitTest({12.6, 10}, 0.5));
    EXPECT_TRUE(point->hitTest({11.4, 11.4}, 0));  // 1.98 from the position
    point->setSize(5);                              // ceil(5 / 2) = 3 on each side
    EXPECT_EQ(point->outRect(), zgp::CBox2<double>(7, 7, 13, 13));

    // Window (left to right) needs the whole box, crossing only a meeting; no drag is a hit test.
    EXPECT_TRUE(point->hitSelect({6, 6}, {14, 14}, 0));
    EXPECT_FALSE(point->hitSelect({9, 6}, {14, 14}, 0));
    EXPECT_TRUE(point->hitSelect({14, 14}, {12, 6}, 0));
    EXPECT_FALSE(point->hitSelect({20, 20}, {14, 6}, 0));
    EXPECT_TRUE(point->hitSelect({12, 10}, {12, 10}, 0.5));
    EXPECT_FALSE(point->hitSelect({13, 10}, {13, 10}, 0.4));
}

TEST_F(PointTest, EveryEditReportsOnceAndUnchangedValuesNotAtAll) {
    point->setInsertPt({10, 10});
    point->setSize(4);
    point->setPointStyle(ptDiagCross);
    EXPECT_EQ(reports(), 0);

    point->move({1, -2});
    EXPECT_EQ(reports(), 1);
    expectNear(point->insertPt(), {11, 8});
    point->rotate({10, 8}, kPi / 2);  // (1, 0) from the centre turns to (0, 1)
    EXPECT_EQ(reports(), 1);
    expectNear(point->insertPt(), {10, 9});
    point->mirror({0, 0}, {1, 1});  // across y = x
    EXPECT_EQ(reports(), 1);
    expectNear(point->insertPt(), {9, 10});
    EXPECT_TRUE(point->dragGrip(0, {1, 0}));
    EXPECT_EQ(reports(), 1);
    expectNear(point->grip(0), {10, 10});
    EXPECT_EQ(point->gripType(0), 2);
    point->setPropValue(vdpPointStyle, L"0");
    EXPECT_EQ(reports(), 1);
    EXPECT_EQ(point->pointStyle(), ptFilledDot);
    point->setPropValue(vdpPointSize, L"7");
    EXPECT_EQ(reports(), 1);
    EXPECT_EQ(point->propValue(vdpPointSize), L"7");
    EXPECT_EQ(point->propTypes(), (std::set<ZVDEPropType>{vdpExtData, vdpColor, vdpPointSize, vdpPointStyle}));

    std::unique_ptr<ZVDCoordData> snapshot(point->createCoordData());
    point->setInsertPt({0, 0});
    point->setCoordData(*snapshot);
    expectNear(point->insertPt(), {10, 10});
    point->setShowGrip(false);
    EXPECT_EQ(point->gripCount(), 0);
}

TEST_F(PointTest, TransformMakesAMovedCopyAndLeavesThePoint) {
    zgp::CMatrix3<double> shift(1, 0, 0, 0, 1, 0, 3, 4, 1);  // row vectors: translation in the last row
    std::unique_ptr<ZVDEntity> moved(point->transform(&shift));
    ASSERT_NE(dynamic_cast<ZVDPoint*>(moved.get()), nullptr);
    EXPECT_EQ(static_cast<ZVDPoint*>(moved.get())->insertPt(), V(13, 14));
    EXPECT_EQ(point->insertPt(), V(10, 10));
    EXPECT_EQ(reports(), 0);
    // w = x / 10 + 1 = 2 halves both coordinates.
    zgp::CMatrix3<double> projective(1, 0, 0.1, 0, 1, 0, 0, 0, 1);
    std::unique_ptr<ZVDEntity> halved(point->transform(&projective));
    ASSERT_NE(halved, nullptr);
    expectNear(static_cast<ZVDPoint*>(halved.get())->insertPt(), {5, 5});
    zgp::CMatrix3<double> toInfinity(1, 0, -0.1, 0, 1, 0, 0, 0, 1);  // w = 0
    EXPECT_EQ(point->transform(&toInfinity), nullptr);
}

// Points draw in the last pass: after a line added later than them.
TEST_F(PointTest, PointsDrawAfterCurves) {
    EXPECT_EQ(ZVDEntity::maxDisplayLevel(), 3);
    EXPECT_EQ(point->displayLevel(), 3);
    auto* line = new ZVDLine;
    line->set({0, 0}, {20, 20});
    drawing.add(line);
    point->setColor(0x123456);
    HDC dc = createRecordingDC();
    ZCoordTrans ct;
    ct.setDPoint(zgp::CVec2<int>(0, 100));  // world (0, 0) at the view's lower left
    drawing.draw(dc, ct, zgp::CBox2<int>(0, 0, 100, 100));
    const QStringList calls = recordedCalls(dc);
    auto first = [&](const QString& part) {
        for (int i = 0; i < calls.size(); ++i)
            if (calls[i].contains(part)) return i;
        return int(calls.size());
    };
    EXPECT_LT(first("LineTo"), first("0x00123456"));  // the line's stroke before the point's pen
    EXPECT_LT(first("0x00123456"), int(calls.size()));
    destroyDC(dc);
}

TEST_F(PointTest, BothFormsKeepEveryField) {
    point->setSize(-3);
    point->setPointStyle(ptFilledDot);
    point->setInsertPt({0.1, -2.5});
    const std::string bytes = docfix::streamOf(*point);
    // The point's own tail: x, y (doubles), size (int16), style (one byte).
    EXPECT_EQ(bytes.substr(bytes.size() - 19),
              docfix::Bytes().put(0.1).put(-2.5).put<int16_t>(-3).put<uint8_t>(0).str());
    auto save = [](ZVectorDrawing& d, EnVDSaveFormat format) {
        if (format == vdsfXML) return xmlfix::saveXml(d);
        std::stringstream s = docfix::binaryStream();
        EXPECT_TRUE(d.saveToStream(&s, vdsfBinary, false));
        return s.str();
    };
    for (EnVDSaveFormat format : {vdsfBinary, vdsfXML}) {
        const std::string first = save(drawing, format);
        ZVectorDrawing back;
        std::stringstream in = docfix::binaryStream(first);
        ASSERT_TRUE(back.loadFromStream(&in));
        EXPECT_EQ(save(back, format), first);
    }
    const QDomElement e = docfix::xmlOf(*point, drawing.xmlAttrNames());
    EXPECT_EQ(e.attribute("PS"), "-3");
    EXPECT_EQ(e.attribute("PST"), "0");
    ZVDPoint fromXml;
    fromXml.loadFromXMLNode(e, drawing.xmlAttrNames());
    EXPECT_EQ(fromXml.insertPt(), V(0.1, -2.5));
    EXPECT_EQ(fromXml.size(), -3);
    EXPECT_EQ(fromXml.pointStyle(), ptFilledDot);
}
