// zvd tests: ZVDArc: grip drags, stretching and editing, copies, reports, layouts.
#include "curve_items.h"

using namespace itemfix;

namespace {

// The arc about c of radius r from angle a0 to a1; sense -1 runs clockwise (then a0 > a1).
CArc2d arcOf(CVec2<double> c, double r, double a0, double a1, int sense) {
    return CArc2d(c, r, zgp::CInterval<double>(sense * a0 * r, sense * a1 * r), sense);
}

void expectArc(ZVDArc& a, CVec2<double> start, CVec2<double> end, CVec2<double> centre, int sense, int endGrip = 1) {
    const CVec2<double> got[] = {a.grip(0), a.grip(endGrip), a.centerPt()}, want[] = {start, end, centre};
    for (int i = 0; i < 3; ++i) EXPECT_LT(got[i].DistanceTo(want[i]), 1e-9) << "start, end, centre: " << i;
    EXPECT_EQ(static_cast<CArc2d*>(a.line(0))->Sense(), sense);
}

// One arc in a drawing: centre (1, 2), radius 5, counter-clockwise from 0 to 90 degrees.
struct ArcTest : itemfix::ReportingDrawing {
    ArcTest() {
        drawing.add(arc);
        reset(arcOf(c, 5, 0, kPi / 2, 1));
    }
    void reset(CArc2d k) {
        arc->set(&k);
        rec.events.clear();
    }
    ZVDArc* arc = new ZVDArc;
    const CVec2<double> c{1, 2};
};

}  // namespace

TEST_F(ArcTest, GripDrags) {
    EXPECT_EQ(arc->gripCount(), 3);
    EXPECT_EQ(arc->gripType(1), 0);
    EXPECT_EQ(arc->gripType(2), 1);
    expectArc(*arc, {6, 2}, c + CVec2<double>(1, 1).Normalized() * 5, c, 1, 2);
    // Refused: the middle onto the centre, an end onto the other end.
    EXPECT_FALSE(arc->dragGrip(2, c - arc->grip(2)));
    EXPECT_FALSE(arc->dragGrip(0, arc->grip(1) - arc->grip(0)));
    EXPECT_EQ(reports(arc), 0);
    expectArc(*arc, {6, 2}, {1, 7}, c, 1);

    // The middle grip offsets towards the target: outwards on this arc, inwards on a clockwise one.
    EXPECT_TRUE(arc->dragGrip(2, CVec2<double>(1, 1).Normalized() * 3));
    EXPECT_EQ(reports(arc), 1);
    expectArc(*arc, {9, 2}, {1, 10}, c, 1);
    reset(arcOf(c, 5, kPi / 2, 0, -1));
    EXPECT_TRUE(arc->dragGrip(2, CVec2<double>(1, 1).Normalized() * -2));
    EXPECT_EQ(reports(arc), 1);
    expectArc(*arc, {1, 5}, {4, 2}, c, -1);
    EXPECT_NEAR(arc->outRect().max.y, 5, 1e-9);

    // An end grip keeps the height over the chord and the side of the bulge (the left here).
    reset(arcOf(c, 5, kPi / 2, 0, -1));
    EXPECT_TRUE(arc->dragGrip(0, {-2, 0}));
    EXPECT_EQ(reports(arc), 1);
    const CVec2<double> s(-1, 7), e(6, 2), left = (e - s).Perp().Normalized();
    expectArc(*arc, s, (s + e) / 2.0 + left * (5 - 5 * std::cos(kPi / 4)), arc->centerPt(), -1, 2);
    EXPECT_LT(arc->grip(1).DistanceTo(e), 1e-9);
}

TEST_F(ArcTest, StretchMoveRotateMirror) {
    ZVDArc twin;  // only the end inside the box: as dragging the end grip
    twin.set(static_cast<CArc2d*>(arc->line(0)));
    twin.dragGrip(1, {2, -1});
    arc->stretch(CBox2<double>(0, 6, 2, 8), {2, -1});
    EXPECT_EQ(reports(arc), 1);
    expectArc(*arc, twin.grip(0), twin.grip(1), twin.centerPt(), 1);

    reset(arcOf(c, 5, 0, kPi, 1));  // both ends inside, the bulge outside: a move
    arc->stretch(CBox2<double>(-5, 1, 7, 3), {1, -1});
    arc->stretch(CBox2<double>(1, 5, 3, 7), {1, 1});  // neither end inside: nothing
    arc->rotate({-2, 1}, kPi / 2);                    // (x, y) -> (-2 - (y - 1), 1 + (x + 2))
    EXPECT_EQ(reports(arc), 2);
    expectArc(*arc, {-2, 10}, {-2, 0}, {-2, 5}, 1);
    arc->mirror({0, 1}, {1, 2});  // (x, y) -> (y - 1, x + 1); the start stays the start
    arc->mirror({3, 3}, {3, 3});  // no axis: unchanged
    EXPECT_EQ(reports(arc), 2);
    expectArc(*arc, {9, -1}, {4, -6}, {4, -1}, -1, 2);
    arc->set({0, 0}, {10, 0}, CArc2d::CW_LARGE, 5 * std::sqrt(2.0));
    EXPECT_EQ(reports(arc), 1);
    expectArc(*arc, {0, 0}, {10, 0}, {5, 5}, -1);
}

TEST_F(ArcTest, CopiesAndSnapshots) {
    arc->xLines(0)->Move({100, 0});  // a copy
    CArc2d other = arcOf({0, 0}, 2, kPi, 0, -1);
    arc->setXLines(0, &other);
    zgp::CLine2d segment(CVec2<double>(0, 0), CVec2<double>(1, 0));
    arc->setXLines(0, &segment);  // not an arc: ignored
    EXPECT_EQ(reports(arc), 1);
    std::unique_ptr<ZVDCoordData> snap(arc->createCoordData());
    arc->move({5, 5});
    ZVDICircleCoordData wrongKind;
    arc->setCoordData(wrongKind);
    arc->setCoordData(*snap);
    EXPECT_EQ(reports(arc), 2);
    expectArc(*arc, {-2, 0}, {2, 0}, {0, 0}, -1);

    ZVDCircle circle;  // lends only attributes; its cached box must not stick to the arc
    circle.setRadius(50);
    circle.outRect();
    arc->assign(circle);
    EXPECT_NEAR(arc->outRect().max.y, 2, 1e-9);
}

TEST_F(ArcTest, XmlAndStreamLayouts) {
    reset(arcOf({0.5, -1.25}, 4, kPi / 2, -kPi, -1));  // clockwise, three quarters
    QDomElement el = docfix::xmlOf(*arc, drawing.xmlAttrNames());
    EXPECT_EQ(el.attribute("CP"), "0.50000000000000000000,-1.25000000000000000000");
    EXPECT_EQ(el.attribute("ClockSign") + el.attribute("R") + el.attribute("LT"), "-1");

    const CVec2<double> s = arc->grip(0), e = arc->grip(1);
    const std::string out = docfix::streamOf(*arc);
    const std::string tail = Bytes().put(s.x).put(s.y).put(e.x).put(e.y).put(0.5).put(-1.25).put<int8_t>(-1).str();
    ASSERT_GT(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    std::stringstream cutIn = docfix::binaryStream(out.substr(0, out.size() - 5));
    ZVDArc cut;
    cut.setOwner(&drawing);
    EXPECT_FALSE(cut.loadFromStream(&cutIn));
    EXPECT_EQ(cut.grip(1), CVec2<double>(0, 0));
}
