// zvd tests: ZVDLine: editing, grips, stretching, copies and snapshots, reports, layouts.
#include "curve_items.h"

using namespace itemfix;

namespace {

struct LineTest : itemfix::ReportingDrawing {
    LineTest() {
        drawing.add(line);
        line->set(s, e);
        rec.events.clear();
    }
    void expectEnds(V a, V b) {
        expectNear(line->startPt(), a);
        expectNear(line->endPt(), b);
    }
    ZVDLine* line = new ZVDLine;
    const V s{1, 2}, e{5, 4};
};

}  // namespace

TEST_F(LineTest, MoveRotateMirrorAreExactAndReportOnce) {
    line->move(V(-3, 0.5));
    expectEnds(V(-2, 2.5), V(2, 4.5));
    line->set(s, e);
    line->rotate(V(2, -1), kPi / 2);  // (x, y) -> (1 - y, x - 3)
    expectEnds(V(-1, -2), V(-3, 2));
    // Across y = 2x - 1: (x, y) goes to ((-3x + 4y + 4) / 5, (4x + 3y - 2) / 5).
    line->set(s, e);
    rec.events.clear();
    line->mirror(V(0, -1), V(1, 1));
    EXPECT_EQ(reports(line), 1);
    auto reflect = [](V p) { return V((-3 * p.x + 4 * p.y + 4) / 5, (4 * p.x + 3 * p.y - 2) / 5); };
    expectEnds(reflect(s), reflect(e));
    line->set(s, e);
    line->mirror(V(7, 3), V(7, 3));  // coincident axis points: the horizontal through them
    expectEnds(V(1, 4), V(5, 2));
}

TEST_F(LineTest, GripsDragsAndStretches) {
    expectNear(line->grip(2), V(3, 3));
    EXPECT_EQ(line->gripType(1), 0);
    EXPECT_EQ(line->gripType(2), 2);
    line->setShowGrip(false);
    EXPECT_EQ(line->gripCount(), 0);
    EXPECT_TRUE(line->dragGrip(0, V(1, 1)));  // an offset, not a position
    expectEnds(V(2, 3), e);
    EXPECT_TRUE(line->dragGrip(1, V(-1, 0)));
    expectEnds(V(2, 3), V(4, 4));
    EXPECT_TRUE(line->dragGrip(2, V(5, 5)));
    expectEnds(V(7, 8), V(9, 9));
    EXPECT_EQ(reports(line), 3);

    line->set(s, e);
    line->stretch(CBox2<double>(4, 3, 6, 5), V(10, 0));  // only the end inside
    expectEnds(s, V(15, 4));
    line->stretch(CBox2<double>(1 + 5e-7, 2, 2, 3), V(0, 1));  // within the distance tolerance
    expectEnds(V(1, 3), V(15, 4));
    rec.events.clear();
    line->stretch(CBox2<double>(5, 0, 6, 10), V(3, 3));  // cuts the middle, holds no end
    expectEnds(V(1, 3), V(15, 4));
    EXPECT_EQ(reports(line), 0);
}

TEST_F(LineTest, SnapshotsCopiesAndOtherCurves) {
    std::unique_ptr<ZVDCoordData> snap(line->createCoordData());
    auto* ls = dynamic_cast<ZVDILineCoordData*>(snap.get());
    ASSERT_NE(ls, nullptr);
    EXPECT_EQ(ls->iD(), line->iD());
    line->move(V(1, 1));
    expectNear(ls->line()->StartPoint(), s);  // the snapshot is independent
    rec.events.clear();
    line->setCoordData(*snap);
    ZVDCoordData other;
    line->setCoordData(other);  // not a line snapshot: ignored
    EXPECT_EQ(reports(line), 1);
    expectEnds(s, e);

    std::unique_ptr<ZVDEntity> c(line->clone());  // made through the registry (type 2)
    auto* copy = dynamic_cast<ZVDLine*>(c.get());
    ASSERT_NE(copy, nullptr);
    expectNear(copy->endPt(), e);
    EXPECT_NE(copy->line(0), line->line(0));

    // Another kind of curve: setXLines takes its ends, assign only its curve attributes.
    ZVDArc arc;
    zgp::CArc2d k;
    k.Set(V(0, 0), 2, 0, itemfix::kPi / 2);
    arc.set(&k);
    arc.setLineWidth(6);
    line->assign(arc);
    EXPECT_EQ(line->lineWidth(), 6);
    expectEnds(s, e);
    line->setXLines(0, &k);
    expectEnds(V(2, 0), V(0, 2));
}

TEST_F(LineTest, EndsStayExactUntilTheSegmentIsEditedInPlace) {
    // Ends that the kernel's origin + direction * length gives back rounded.
    const V a(0.1, 0.2), b(0.7 * 3, 1.3 * 11);
    line->set(a, b);
    EXPECT_EQ(line->endPt(), b);
    EXPECT_EQ(line->grip(1), b);
    line->move(V(0.5, 0.25));
    EXPECT_EQ(line->endPt(), V(b.x + 0.5, b.y + 0.25));
    // The constraint solver moves the kernel segment itself: its ends then count.
    line->line(0)->Move(V(1, 0));
    expectNear(line->endPt(), V(b.x + 1.5, b.y + 0.25));
    line->set(V(NAN, 0), b);  // refused by the kernel: nothing changes
    expectNear(line->endPt(), V(b.x + 1.5, b.y + 0.25));
}

TEST_F(LineTest, XmlAndStreamLayouts) {
    line->set(V(1e-3, -2), V(0.3 * 6, 12345678.25));  // an end the kernel would round
    QDomElement el = docfix::xmlOf(*line, drawing.xmlAttrNames());
    EXPECT_EQ(el.attribute("DIT"), "2");
    EXPECT_EQ(el.attribute("Ln"),
              "0.00100000000000000002,-2.00000000000000000000,"
              "1.79999999999999982236,12345678.25000000000000000000");

    line->set(s, e);
    line->setNextItemID(13);
    line->setEndMarkSize(-6);
    const std::string out = docfix::streamOf(*line);
    docfix::Bytes tail;
    tail.put<int16_t>(1).put<uint8_t>(0).put<int16_t>(0).put<int16_t>(-6).put<uint16_t>(0);  // width to mark styles
    tail.put<int32_t>(13).put<int32_t>(-1).put(1.0).put(2.0).put(5.0).put(4.0);              // next, previous, ends
    ASSERT_EQ(out.size(), 41u + tail.str().size());
    EXPECT_EQ(out.substr(41), tail.str());

    zgp::CLine2d l(V(9, 9), V(10, 9));  // the text form of "Ln"
    EXPECT_TRUE(ZVDLine::strToLine2d(" 1.5,-2, 3 ,4e1", l));
    expectNear(l.StartPoint(), V(1.5, -2));
    EXPECT_FALSE(ZVDLine::strToLine2d("1,2,3", l) || ZVDLine::strToLine2d("1,2,3,x", l));
    expectNear(l.EndPoint(), V(3, 40));  // from the good text only
}
