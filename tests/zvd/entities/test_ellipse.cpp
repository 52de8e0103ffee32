// zvd tests: ZVDEllipse: normalisation, central angles, grips and drags, reports, layouts.
#include "curve_items.h"
#include "zgp/matrix.h"
#include "zvd/entities/vdcommon_ellipse.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdellipse.h"
#include "zvd/persistence/zxmlattrnames.h"

using namespace itemfix;
using zgp::CEllipse2d;

namespace {

const double kAtanHalf = 0.46364760900080611621;  // atan(1/2)

void expectEllipse(ZVDEllipse& e, V centre, V axis, double a, double b, int sense, V start, V end) {
    const CEllipse2d& k = *e.getEllipse2d();
    expectNear(k.CenterPt(), centre);
    expectNear(k.Axis(), axis);
    EXPECT_NEAR(k.MajorRadius(), a, 1e-9);
    EXPECT_NEAR(k.MinorRadius(), b, 1e-9);
    EXPECT_EQ(k.Sense(), sense);
    expectNear(k.StartPoint(), start);
    expectNear(k.EndPoint(), end);
}

// One ellipse in a drawing: centre (0, 0), axis (1, 0), a = 4, b = 2, full, counter-clockwise.
struct EllipseTest : itemfix::ReportingDrawing {
    EllipseTest() {
        drawing.add(ellipse);
        ellipse->set({0, 0}, {1, 0}, 4, 2, 0, 0, 1);
        rec.events.clear();
    }
    ZVDEllipse* ellipse = new ZVDEllipse;
};

}  // namespace

TEST(EllipseHelpers, CentralAnglesByHand) {
    struct Row {
        double eccentric, a, b, central;
    } rows[] = {
        {kPi / 2, 4, 1, kPi / 2},                        // on an axis: unchanged
        {kPi / 4, 2, 1, kAtanHalf},                      // tan = (1/2) tan(pi/4)
        {3 * kPi / 4, 2, 1, kPi - kAtanHalf},            // second quadrant
        {-kPi / 4, 2, 1, 2 * kPi - kAtanHalf},           // negative: into [0, 2pi)
        {2 * kPi + kPi / 4, 2, 1, 2 * kPi + kAtanHalf},  // a whole turn is kept
        {5 * kPi / 2, 2, 1, 5 * kPi / 2},
        {kPi / 3, 1, 1, kPi / 3},  // a circle
    };
    for (const Row& r : rows)
        EXPECT_NEAR(vdcommon::toCentralAngle(r.eccentric, r.a, r.b), r.central, 1e-12) << r.eccentric;
    EXPECT_TRUE(std::isfinite(vdcommon::toCentralAngle(1e300, 2, 1)));
}

TEST_F(EllipseTest, SettingNormalisesAndReportsOnce) {
    // b > a: radii swap, the axis turns a quarter turn, the central angles drop by pi/2.
    ellipse->set({1, 1}, {1, 0}, 2, 5, 0, 2 * kPi, 1);
    EXPECT_EQ(reports(), 1);
    expectEllipse(*ellipse, {1, 1}, {0, 1}, 5, 2, 1, {3, 1}, {3, 1});
    const CEllipse2d& k = *ellipse->getEllipse2d();
    EXPECT_NEAR(k.GetAngle(k.StartT()), -kPi / 2, 1e-12);
    EXPECT_NEAR(k.GetAngle(k.EndT()), 3 * kPi / 2, 1e-12);

    // A rotated clockwise arc: a = 1 along (1, 1), b = 3 across, from central pi/2 to pi. The ends
    // are the points on those rays: 3 (-1, 1)/sqrt2 and (-1, -1)/sqrt2.
    const double r = std::sqrt(0.5);
    ellipse->set({0, 0}, {1, 1}, 1, 3, kPi / 2, kPi, -1);
    expectEllipse(*ellipse, {0, 0}, {-r, r}, 3, 1, -1, {-3 * r, 3 * r}, {-r, -r});
    // A ray off the axes: (x, x) on x^2/16 + y^2/4 = 1 gives x = 4/sqrt5.
    ellipse->set({0, 0}, {1, 0}, 4, 2, kPi / 4, kPi, 1);
    expectEllipse(*ellipse, {0, 0}, {1, 0}, 4, 2, 1, {4 / std::sqrt(5.0), 4 / std::sqrt(5.0)}, {-4, 0});
    EXPECT_EQ(reports(), 2);

    ellipse->set({9, 9}, {1, 0}, 0, 2, 0, 0, 1);
    ellipse->set({9, 9}, {0, 0}, 3, 1, 0, 0, 1);
    EXPECT_EQ(reports(), 0);
    expectNear(ellipse->grip(0), {0, 0});
}

TEST_F(EllipseTest, GripsAreTheAxisPointsInBothSenses) {
    // Axis (0, 1), a = 4, b = 2 about (1, 2): the second axis points to -x.
    for (int sense : {1, -1}) {
        ellipse->set({1, 2}, {0, 1}, 4, 2, 0.3, 2.0, sense);
        const V expected[] = {{1, 2}, {1, 6}, {-1, 2}, {1, -2}, {3, 2}, {3, 2}};
        for (int i = 0; i < 6; ++i) {
            expectNear(ellipse->grip(i), expected[i]);
            EXPECT_EQ(ellipse->gripType(i), i == 0 ? 2 : 1);
        }
    }
    EXPECT_EQ(ellipse->gripCount(), 5);
    ellipse->setShowGrip(false);
    EXPECT_EQ(ellipse->gripCount(), 0);
}

TEST_F(EllipseTest, GripDragsReportOnceAndKeepTheEndRays) {
    struct Row {
        double start, end;  // central angles of the arc before the drag (equal: full)
        int grip;
        V offset;
        V axis;
        double a, b;
        V startPt, endPt;
    } rows[] = {
        {0, 0, 2, {0, 1}, {1, 0}, 4, 3, {4, 0}, {4, 0}},        // second radius 2 -> 3
        {0, 0, 1, {-1, 0}, {1, 0}, 3, 2, {3, 0}, {3, 0}},       // first radius 4 -> 3
        {0, 0, 4, {0, -4}, {0, 1}, 6, 4, {4, 0}, {4, 0}},       // b 6 > a 4: swapped
        {0, kPi / 2, 1, {2, 0}, {1, 0}, 6, 2, {6, 0}, {0, 2}},  // arc ends stay on their rays
        // b grows to 4 = a: the 45-degree end lands on the circle of radius 4.
        {kPi / 4, kPi, 2, {0, 2}, {1, 0}, 4, 4, {2 * std::sqrt(2.0), 2 * std::sqrt(2.0)}, {-4, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.grip);
        ellipse->set({0, 0}, {1, 0}, 4, 2, r.start, r.end, 1);
        rec.events.clear();
        EXPECT_TRUE(ellipse->dragGrip(r.grip, r.offset));
        EXPECT_EQ(reports(), 1);
        expectEllipse(*ellipse, {0, 0}, r.axis, r.a, r.b, 1, r.startPt, r.endPt);
    }
    // An axis grip onto the centre changes nothing, yet answers true and reports.
    ellipse->set({0, 0}, {1, 0}, 4, 2, 0, 0, 1);
    rec.events.clear();
    EXPECT_TRUE(ellipse->dragGrip(3, {4, 1e-7}));
    EXPECT_EQ(reports(), 1);
    expectEllipse(*ellipse, {0, 0}, {1, 0}, 4, 2, 1, {4, 0}, {4, 0});
    EXPECT_TRUE(ellipse->dragGrip(0, {2, -3}));
    EXPECT_EQ(reports(), 1);
    expectEllipse(*ellipse, {2, -3}, {1, 0}, 4, 2, 1, {6, -3}, {6, -3});
}

TEST_F(EllipseTest, EditingAndSnapshots) {
    ellipse->set({0, 0}, {1, 0}, 4, 2, 0, kPi / 2, 1);  // quarter from (4, 0) to (0, 2)
    rec.events.clear();
    ellipse->move({1, 0});
    ellipse->rotate({1, 0}, kPi / 2);  // about the centre: the axis turns to +y
    EXPECT_EQ(reports(), 2);
    expectEllipse(*ellipse, {1, 0}, {0, 1}, 4, 2, 1, {1, 4}, {-1, 0});
    ellipse->mirror({0, 0}, {0, 1});  // across the y axis: the sense reverses
    EXPECT_EQ(reports(), 1);
    expectEllipse(*ellipse, {-1, 0}, {0, 1}, 4, 2, -1, {-1, 4}, {1, 0});

    // setXLines takes ellipses only (normalised); other curves are ignored without a report.
    zgp::CLine2d segment(V(0, 0), V(1, 0));
    ellipse->setXLines(0, &segment);
    EXPECT_EQ(reports(), 0);
    CEllipse2d tall(V(5, 5), V(1, 0), 1, 3, zgp::CInterval<double>(0, kPi / 2), 1);  // (6, 5) to (5, 8)
    ellipse->setXLines(0, &tall);
    EXPECT_EQ(reports(), 1);
    expectEllipse(*ellipse, {5, 5}, {0, 1}, 3, 1, 1, {6, 5}, {5, 8});
    EXPECT_NEAR(ellipse->outRect().max.y, 8, 1e-9);

    std::unique_ptr<ZVDCoordData> snap(ellipse->createCoordData());
    EXPECT_EQ(snap->iD(), ellipse->iD());
    ellipse->dragGrip(2, {0, 3});
    ellipse->move({-7, 7});
    rec.events.clear();
    ellipse->setCoordData(*snap);
    EXPECT_EQ(reports(), 1);
    expectEllipse(*ellipse, {5, 5}, {0, 1}, 3, 1, 1, {6, 5}, {5, 8});
}

TEST_F(EllipseTest, CircleUnderNonUniformScaleBecomesAnEllipse) {
    auto* circle = new ZVDCircle;
    drawing.add(circle);
    circle->setCenterPt({1, 1});
    circle->setRadius(2);
    circle->setColor(0x00ff00);
    for (bool wide : {true, false}) {
        zgp::CMatrix3<double> m = zgp::CMatrix3<double>::Scaling(wide ? 3 : 1, wide ? 1 : 3);
        std::unique_ptr<ZVDEntity> item(circle->transform(&m));
        auto* e = dynamic_cast<ZVDEllipse*>(item.get());
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(e->owner() == &drawing && e->color() == 0x00ff00);
        EXPECT_TRUE(e->getEllipse2d()->IsClosed());
        // Radius 6 along the stretched axis, 2 across, whichever way the kernel put the axis.
        const V c = wide ? V(3, 1) : V(1, 3);
        const V major = wide ? V(6, 0) : V(0, 6), minor = wide ? V(0, 2) : V(2, 0);
        expectNear(e->grip(0), c);
        EXPECT_NEAR(e->getEllipse2d()->MajorRadius(), 6, 1e-9);
        EXPECT_NEAR(e->getEllipse2d()->MinorRadius(), 2, 1e-9);
        EXPECT_LT(std::min(e->grip(1).DistanceTo(c + major), e->grip(1).DistanceTo(c - major)), 1e-9);
        EXPECT_LT(std::min(e->grip(2).DistanceTo(c + minor), e->grip(2).DistanceTo(c - minor)), 1e-9);
    }
}

TEST_F(EllipseTest, CurrentLayouts) {
    const std::pair<int, double> cases[] = {{-1, 2.0}, {1, 0.3}};  // sense, end central angle
    for (const auto& [sense, end] : cases) {
        ellipse->set({1.5, -2.25}, {0.6, 0.8}, 16.0 / 3, 3, 0.3, end, sense);
        QDomElement el = docfix::xmlOf(*ellipse, drawing.xmlAttrNames());
        EXPECT_EQ(el.attribute("CP"), "1.50000000000000000000,-2.25000000000000000000");
        EXPECT_EQ(el.attribute("EllipseClose"), QString::number(sense));

        const std::string out = docfix::streamOf(*ellipse);
        std::stringstream cutIn = docfix::binaryStream(out.substr(0, out.size() - 5));
        ZVDEllipse cut;
        cut.setOwner(&drawing);
        EXPECT_FALSE(cut.loadFromStream(&cutIn));
        EXPECT_EQ(cut.getEllipse2d()->MajorRadius(), 0);
    }
}

// Before 3.0: no marks. Stored b > a (a = 2 along x, b = 5, parameters 0 to pi, eccentric 0 to
// pi/2), so it runs from (2, 0) to (0, 5) and is read normalised.
TEST(EllipseOlderLayout, XmlOfVersion25) {
    QDomDocument doc;
    QDomElement el = doc.createElement("DI");
    const char* attrs[][2] = {{"DIT", "7"},         {"ID", "4"},          {"LID", "0"},         {"Cl", "255"},
                              {"LW", "3"},          {"LS", "2"},          {"SMS", "5"},         {"SMST", "1"},
                              {"CP", "0,0"},        {"MajorAxis", "1,0"}, {"MajorRadius", "2"}, {"MinorRadius", "5"},
                              {"EllipseClose", "1"}};
    for (auto& a : attrs) el.setAttribute(a[0], a[1]);
    el.setAttribute("EllipseRange", QString("0,%1").arg(kPi, 0, 'g', 17));
    ZXMLAttrNames names(L"2.5");
    ZVDEllipse fromXml;
    fromXml.loadFromXMLNode(el, &names);
    expectEllipse(fromXml, {0, 0}, {0, 1}, 5, 2, 1, {2, 0}, {0, 5});
    EXPECT_EQ(fromXml.lineWidth(), 3);
    EXPECT_EQ(fromXml.lineStyle(), 2);
    EXPECT_EQ(fromXml.startMarkSize(), 0);  // the older layout has no marks
    QDomElement again = docfix::xmlOf(fromXml, &names);
    EXPECT_FALSE(again.hasAttribute("SMS"));
    EXPECT_EQ(again.attribute("LW"), "3");
}
