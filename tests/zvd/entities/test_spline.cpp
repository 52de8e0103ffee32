// zvd tests: ZVDSpline: control-point grips, stretching, reports, copies, layouts, bad records.
#include <functional>

#include "curve_items.h"
#include "zvd/entities/zvdspline.h"

using namespace itemfix;
using zgp::CNurbsCurve2d;

namespace {

struct Pt {
    double x, y, w;
};

const std::vector<Pt> kPoints = {{0, 0, 1}, {10, 10, 2}, {20, 0, 1}, {30, 10, 1}};
const std::vector<double> kKnots = {0, 0, 0, 0.123456789, 1, 1, 1};

void expectCurve(ZVDSpline& s, int degree, const std::vector<Pt>& points, const std::vector<double>& knots,
                 const char* what) {
    const CNurbsCurve2d* c = s.curve();
    EXPECT_EQ(c->Degree(), degree) << what;
    ASSERT_EQ(c->CtrlPtCount(), int(points.size())) << what;
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_LT(c->CtrlPt(int(i)).DistanceTo({points[i].x, points[i].y}), 1e-9) << what << " point " << i;
        EXPECT_DOUBLE_EQ(c->Weight(int(i)), points[i].w) << what << " weight " << i;
    }
    EXPECT_EQ(c->Knots(), knots) << what;
}

struct SplineTest : itemfix::ReportingDrawing {
    SplineTest() {
        drawing.add(spline);
        reset();
    }
    void reset() {
        zgp::CRefPtr<CNurbsCurve2d> c(new CNurbsCurve2d(2, 4));
        for (int i = 0; i < 4; ++i) c->SetCtrlPt(i, {kPoints[i].x, kPoints[i].y}, kPoints[i].w);
        for (int i = 0; i < 7; ++i) c->SetKnot(i, kKnots[i]);
        spline->set(c.Get());
        rec.events.clear();
    }
    ZVDSpline* spline = new ZVDSpline;
};

}  // namespace

TEST_F(SplineTest, GripsDragsAndStretches) {
    ASSERT_EQ(spline->gripCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(spline->grip(i), V(kPoints[i].x, kPoints[i].y)) << i;
        EXPECT_EQ(spline->gripType(i), 0) << i;
    }
    EXPECT_TRUE(spline->dragGrip(1, {1, -1}));
    EXPECT_EQ(reports(), 1);
    expectCurve(*spline, 2, {kPoints[0], {11, 9, 2}, kPoints[2], kPoints[3]}, kKnots, "drag");
    EXPECT_FALSE(spline->dragGrip(4, {1, 1}));
    EXPECT_FALSE(spline->dragGrip(-1, {1, 1}));
    EXPECT_EQ(reports(), 0);
    spline->setShowGrip(false);
    EXPECT_EQ(spline->gripCount(), 0);
    spline->stretch(CBox2<double>(19, -1, 21, 1), {1, 1});
    EXPECT_EQ(reports(), 1);
    expectCurve(*spline, 2, {kPoints[0], {11, 9, 2}, {21, 1, 1}, kPoints[3]}, kKnots, "one point");
    // The box edge counts within the distance tolerance.
    spline->stretch(CBox2<double>(30 + 1e-7, 10, 40, 20), {0, 1});
    EXPECT_EQ(reports(), 1);
    EXPECT_EQ(spline->grip(3), V(30, 11));
    spline->stretch(CBox2<double>(100, 100, 110, 110), {1, 1});
    EXPECT_EQ(reports(), 0);
}

TEST_F(SplineTest, EveryEditReportsOnceAndCopiesAreIndependent) {
    // A quarter turn counter-clockwise, then (5, 0) along: (x, y) -> (5 - y, x).
    zgp::CMatrix3<double> m(0, 1, 0, -1, 0, 0, 5, 0, 1);
    std::unique_ptr<ZVDEntity> copy(spline->transform(&m));
    ASSERT_EQ(copy->itemType(), vdiSpline);
    EXPECT_EQ(reports(), 0);
    expectCurve(*static_cast<ZVDSpline*>(copy.get()), 2, {{5, 0, 1}, {-5, 10, 2}, {5, 20, 1}, {-5, 30, 1}}, kKnots,
                "copy");

    std::unique_ptr<ZVDCoordData> snap(spline->createCoordData());
    EXPECT_EQ(snap->iD(), spline->iD());
    zgp::CRefPtr<CNurbsCurve2d> other(new CNurbsCurve2d(1, 2));
    zgp::CLine2d straight(V(0, 0), V(1, 1));
    const zgp::CCurve2d* own = spline->line(0);
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"move", [&] { spline->move(V(1, 2)); }},
        {"rotate", [&] { spline->rotate(V(0, 0), 1.0); }},
        {"mirror", [&] { spline->mirror(V(0, 0), V(1, 0)); }},
        {"set", [&] { spline->set(other.Get()); }},
        {"setXLines", [&] { spline->setXLines(0, other.Get()); }},
        {"setCoordData", [&] { spline->setCoordData(*snap); }},
    };
    for (const auto& e : edits) {
        e.second();
        EXPECT_EQ(reports(), 1) << e.first;
    }
    expectCurve(*spline, 2, kPoints, kKnots, "snapshot back");
    EXPECT_EQ(spline->line(0), own);  // edited in place, never replaced
    spline->setXLines(0, &straight);  // not a NURBS curve: ignored
    EXPECT_EQ(reports(), 0);
}

TEST_F(SplineTest, XmlKeepsQtShortNumbers) {
    zgp::CRefPtr<CNurbsCurve2d> c(spline->curve()->Clone());
    c->SetCtrlPt(0, {1.0 / 3, 1e-7}, 1);
    spline->set(c.Get());
    QDomElement el = docfix::xmlOf(*spline, drawing.xmlAttrNames());
    EXPECT_EQ(el.attribute("D").toStdString(), "2");
    EXPECT_EQ(el.attribute("CPS").toStdString(), "0.333333,1e-07,1;10,10,2;20,0,1;30,10,1");
    EXPECT_EQ(el.attribute("KS").toStdString(), "0,0,0,0.123457,1,1,1");
    ZVDSpline back;
    back.setOwner(&drawing);
    back.loadFromXMLNode(el, drawing.xmlAttrNames());
    expectCurve(back, 2, {{0.333333, 1e-7, 1}, kPoints[1], kPoints[2], kPoints[3]}, {0, 0, 0, 0.123457, 1, 1, 1},
                "xml");

    // Bad parts keep the kernel's initial point, missing knots its clamped uniform ones (0, 0, 1, 1).
    el.setAttribute("D", "1");
    el.setAttribute("CPS", "1,2,1;;3,4");
    el.setAttribute("KS", "-1");
    back.loadFromXMLNode(el, drawing.xmlAttrNames());
    expectCurve(back, 1, {{1, 2, 1}, {0, 0, 1}}, {-1, 0, 1, 1}, "partial");
    el.setAttribute("D", "2000000000");
    back.loadFromXMLNode(el, drawing.xmlAttrNames());
    expectCurve(back, 1, {{1, 2, 1}, {0, 0, 1}}, {-1, 0, 1, 1}, "degree too high");
}

// Geometry bytes: degree, point count, x, y and weight of each point, knot count and knots.
TEST(SplineStream, CountsThatDoNotFitFailTheWholeLoad) {
    ZVectorDrawing source;
    source.add(new ZVDSpline);  // degree 3, four control points: 4 + 4 + 4 * 24 + 4 + 8 * 8 bytes
    std::stringstream saved = docfix::binaryStream();
    ASSERT_TRUE(source.saveToStream(&saved, vdsfBinary, false));
    const std::string head = saved.str().substr(0, saved.str().size() - 172);
    auto record = [](int32_t degree, int32_t n, int points, int32_t knotCount, int knots) {
        Bytes b;
        b.put(degree).put(n);
        for (int i = 0; i < points; ++i) b.put(double(i)).put(2.0).put(0.5);
        b.put(knotCount);
        for (int i = 0; i < knots; ++i) b.put(double(i / 2));
        return b.str();
    };
    const std::pair<std::string, bool> cases[] = {
        {record(1, 2, 2, 4, 4), true},
        {record(1, 2, 2, 5, 5), false},            // one knot too many for degree and points
        {record(1, 2, 2, 3, 3), false},            // one too few
        {record(1, 2, 2, 4, 2), false},            // knots run past the data
        {record(1, 0x7fffffff, 2, 4, 4), false},   // points run past the data
        {record(1, 2, 2, 0x7fffffff, 4), false},   // knot count of no curve
        {record(0, 2, 2, 3, 3), false},            // degree 0
        {record(3, 2, 2, 6, 6), false},            // fewer points than degree + 1
        {record(0x7fffffff, 2, 2, 4, 4), false},   // absurd degree
        {record(100, 101, 101, 202, 202), false},  // a degree the kernel cannot hold
    };
    for (const auto& [geometry, ok] : cases) {
        ZVectorDrawing d;
        std::stringstream in = docfix::binaryStream(head + geometry);
        EXPECT_EQ(d.loadFromStream(&in), ok) << geometry.size();
        ASSERT_EQ(d.count(), ok ? 1 : 0);
        if (ok) {
            expectCurve(*static_cast<ZVDSpline*>(d.item(0)), 1, {{0, 2, 0.5}, {1, 2, 0.5}}, {0, 0, 1, 1}, "loaded");
        }
    }
}
