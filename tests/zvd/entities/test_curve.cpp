// zvd tests: the curve base (marks, hit tests, selection, copies, attributes) and vdcommon curve helpers.
#include <random>
#include <vector>

#include "curve_items.h"
#include "entities/zvdcurve_hit.h"
#include "zgp/tolerance.h"
#include "zvd/entities/vdcommon_curves.h"

using namespace itemfix;
using zgp::CCurve2d;
using zgp::CGeometry;
using zgp::CLine2d;
using zgp::CRefPtr;

namespace {

void expectBox(const zgp::CBox2<double>& b, double x0, double y0, double x1, double y1) {
    expectNear(b.min, V(x0, y0));
    expectNear(b.max, V(x1, y1));
}

class Chain : public ZVDCurve {
public:
    void add(CCurve2d* c) { m_curves.emplace_back(c); }
    ZVDCoordData* createCoordData() override { return new ZVDCoordData(); }
    void setCoordData(ZVDCoordData&) override {}
    int gripCount() override { return 0; }
    V grip(int) override { return V(); }
    ZVDGripType gripType(int) override { return 0; }
    bool dragGrip(int, const V&) override { return false; }
    int displayLevel() const override { return 1; }
    EnVDIType itemType() const override { return static_cast<EnVDIType>(242); }
    CCurve2d* line(int i) override { return m_curves.at(static_cast<size_t>(i)).Get(); }
    int xLineCount() const override { return static_cast<int>(m_curves.size()); }
    CRefPtr<CCurve2d> xLines(int i) override { return CRefPtr<CCurve2d>(line(i)->Clone()); }
    void setXLines(int i, CCurve2d* c) override { m_curves.at(static_cast<size_t>(i)).Reset(c->Clone()); }
    using ZVDCurve::fillVertexInfoListNoRef;

private:
    std::vector<CRefPtr<CCurve2d>> m_curves;
};

CArc2d* ccwArc(V c, double r, double a0, double a1) {
    auto* a = new CArc2d();
    a->Set(c, r, a0, a1);
    return a;
}

void expectSegment(const zgp::CRefPtr<CGeometry>& g, V a, V b) {
    ASSERT_EQ(g->Type(), zgp::GT_LINE);
    expectNear(static_cast<const CCurve2d*>(g.Get())->StartPoint(), a);
    expectNear(static_cast<const CCurve2d*>(g.Get())->EndPoint(), b);
}

CRefPtr<CArc2d> arc(V c, double r, double a0, double a1, int sense) {
    CRefPtr<CArc2d> a(new CArc2d());
    a->Set(c, c + V(std::cos(a0), std::sin(a0)) * r, c + V(std::cos(a1), std::sin(a1)) * r, sense);
    return a;
}

V midPoint(const CCurve2d& c) { return c.GetPoint((c.StartT() + c.EndT()) / 2); }

using CurveInDrawing = itemfix::ReportingDrawing;

}  // namespace

TEST(CurveBaseMarks, ArrowsOnLinesAndArcs) {
    std::unique_ptr<ZVDLine> line(lineItem(V(0, 0), V(100, 0)));
    setMarks(*line, msArrow, 10, msArrow, -6);  // the sign plays no part for arrows
    const ZVDCurve::GeometryList list = line->xLinesWithMark();
    ASSERT_EQ(list.size(), 7u);                   // three sides, the line, three sides
    expectSegment(list[5], V(94, -3), V(94, 3));  // the base: a third of the size plus the line width
    // No size, or a style past the tick, adds nothing (though style 7 counts as shown).
    setMarks(*line, msArrow, 0, static_cast<EnMarkStyle>(7), 5);
    EXPECT_EQ(line->xLinesWithMark().size(), 1u);
    // On an arc the arrow follows the chord to the point one size along it, in the turning sense at the start.
    for (int sense : {1, -1}) {
        Chain chain;
        const V c(5, 5);
        auto* a = new CArc2d(c, 50, zgp::CInterval<double>(0, 25 * kPi), sense);  // a quarter turn
        chain.add(a);
        setMarks(chain, msArrow, 10, msArrow, 10);
        chain.setLineWidth(2);
        const ZVDCurve::GeometryList arrows = chain.xLinesWithMark();
        ASSERT_EQ(arrows.size(), 7u);
        const double w = 10.0 / 3 + 2;
        for (bool atStart : {true, false}) {
            const V tip = atStart ? a->StartPoint() : a->EndPoint();
            const V q = c + (tip - c).Rotated((atStart ? 1 : -1) * sense * 10.0 / 50);
            const V u = (q - tip).Normalized(), base = tip + u * 10.0;
            const size_t first = atStart ? 0 : 4;
            expectSegment(arrows[first], tip, base + u.Perp() * w);
            expectSegment(arrows[first + 1], base + u.Perp() * w, base - u.Perp() * w);
        }
    }
}

TEST(CurveBaseHit, BoxesStrokeBandsAndMarks) {
    // Boxes leave out the width (marks: see the setter tests); no curves, the zero box.
    std::unique_ptr<ZVDLine> sloped(lineItem(V(0, 0), V(10, 5)));
    sloped->setLineWidth(8);
    expectBox(sloped->outRect(), 0, 0, 10, 5);
    Chain empty;
    EXPECT_EQ(empty.outRect(), zgp::CBox2<double>(0, 0, 0, 0));
    EXPECT_FALSE(empty.hitTest(V(0, 0), 1.0));

    // 10 wide, tol 1: the band reaches 5 + 1, plus the position test's tol 1; past the flat ends only tol.
    std::unique_ptr<ZVDLine> line(lineItem(V(0, 0), V(100, 100)));
    line->setLineWidth(10);
    const V mid(50, 50), n = V(-1, 1).Normalized(), u = V(1, 1).Normalized();
    EXPECT_TRUE(line->hitTest(mid - n * 6.9, 1.0));
    EXPECT_FALSE(line->hitTest(mid + n * 7.1, 1.0));
    EXPECT_TRUE(line->hitTest(V(100, 100) + u * 0.9, 1.0));
    EXPECT_FALSE(line->hitTest(V(100, 100) + u * 1.1, 1.0));
    EXPECT_FALSE(line->hitTest(V(NAN, 50), 1.0));
    // The box widened by tol comes first: a horizontal line's width does not reach past it.
    std::unique_ptr<ZVDLine> flat(lineItem(V(0, 0), V(100, 0)));
    flat->setLineWidth(10);
    EXPECT_TRUE(flat->hitTest(V(50, 0.9), 1.0));
    EXPECT_FALSE(flat->hitTest(V(50, 1.1), 1.0));
    EXPECT_FALSE(flat->hitTest(V(10, 4.0), 0.2));
    setMarks(*flat, msArrow, 10, msNone, 0);
    EXPECT_TRUE(flat->hitTest(V(10, 4.0), 0.2));  // beside the arrow's far side

    // A dot is a disc: its radius, plus half the line width in integers, plus tol.
    std::unique_ptr<ZVDLine> up(lineItem(V(0, 0), V(0, 100)));
    setMarks(*up, msDot, 10, msNone, 0);
    up->setLineWidth(3);
    const V diag = V(-1, -1).Normalized();
    EXPECT_TRUE(up->hitTest(diag * 6.9, 1.0));
    EXPECT_FALSE(up->hitTest(diag * 7.2, 1.0));  // 5 + 1.5 + 1 would reach it
}

TEST(CurveBaseHit, ClosedFormsAgreeWithTheOutlineLoop) {
    // Probes about random bands' corners and sides; answers flipping within 1e-6 of tol may differ.
    std::mt19937 rng(20240611);
    auto uniform = [&rng](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    int compared = 0, hits = 0;
    auto probe = [&](const CCurve2d& c, V feature, double tol, double half) {
        const double a = uniform(0, 2 * kPi);
        const V pt = feature + V(std::cos(a), std::sin(a)) * uniform(0, 2.5 * tol);
        const bool lo = zvdcurvehit::bandHit(c, pt, tol * (1 - 1e-6), half);
        if (lo != zvdcurvehit::bandHit(c, pt, tol * (1 + 1e-6), half)) return;
        ++compared;
        hits += lo;
        ASSERT_EQ(lo, zvdcurvehit::bandHitByLoop(c, pt, tol, half))
            << "curve " << c.AsString() << " pt " << pt.x << "," << pt.y << " tol " << tol << " half " << half;
    };
    for (int k = 0; k < 300; ++k) {
        const V o(uniform(-50, 50), uniform(-50, 50));
        const double ang = uniform(0, 2 * kPi), len = uniform(0.01, 40);
        CLine2d line(o, o + V(std::cos(ang), std::sin(ang)) * len);
        const double tol = uniform(0.01, 1.5), half = tol + uniform(0, 3);
        const V d = line.Direction(), n = d.Perp(), e = line.EndPoint();
        for (V f : {o + n * half, o - n * half, e + n * half, e - n * half, o + d * uniform(0, len) + n * half,
                    o + d * uniform(0, len) - n * half, o + n * uniform(-half, half), e + n * uniform(-half, half)})
            for (int j = 0; j < 3; ++j) probe(line, f, tol, half);

        const double r = uniform(0.3, 20), a0 = uniform(-7, 7);
        const double sweep = k % 10 == 0 ? 2 * kPi : uniform(0.05, 2 * kPi);
        const int sense = k % 2 ? 1 : -1;
        CArc2d arc(o, r, zgp::CInterval<double>(sense * a0 * r, sense * a0 * r + sweep * r), sense);
        const double atol = uniform(0.01, 0.5) * r;
        const double ahalf = k % 4 == 0 ? r + uniform(0.1, 2) : atol + uniform(0, 0.8 * r - atol);
        const double inner = std::max(r - ahalf, 0.0), outer = r + ahalf;
        auto at = [&](double a, double rad) { return o + V(std::cos(a), std::sin(a)) * rad; };
        const double a1 = a0 + sense * sweep, am = a0 + sense * uniform(0, sweep);
        for (V f : {at(a0, inner), at(a0, outer), at(a1, inner), at(a1, outer), at(am, inner), at(am, outer),
                    at(a0, uniform(inner, outer)), at(a1, uniform(inner, outer)), o})
            for (int j = 0; j < 3; ++j) probe(arc, f, atol, ahalf);
    }
    EXPECT_GT(compared, 14000);
    EXPECT_GT(hits, compared / 5);
    EXPECT_LT(hits, compared * 4 / 5);
}

TEST(CurveBaseHit, BandsThatCannotBeBuiltNeverHit) {
    CLine2d line(V(0, 0), V(10, 0));
    CArc2d tiny(V(0, 0), 3e-7, zgp::CInterval<double>(0, 3e-7 * 2 * kPi), 1);
    for (auto* hit : {&zvdcurvehit::bandHit, &zvdcurvehit::bandHitByLoop}) {
        EXPECT_TRUE(hit(line, V(5, 1.0), -1.0, 1.0));  // a negative tol counts as 0
        EXPECT_FALSE(hit(line, V(5, 1.5), -1.0, 1.0));
        EXPECT_FALSE(hit(line, V(5, 0), 1.0, 4e-7));  // narrower than the distance tolerance
        EXPECT_FALSE(hit(line, V(5, 0), 1.0, NAN));
        EXPECT_FALSE(hit(CLine2d(V(1, 1), V(1, 1 + 5e-7)), V(1, 1), 1.0, 1.0));
        EXPECT_FALSE(hit(tiny, V(0, 0), 1.0, 6e-7));  // both sides collapse
    }
}

TEST(CurveBaseSelect, WindowCrossingAndFlatBoxes) {
    std::unique_ptr<ZVDLine> line(lineItem(V(0, 0), V(10, 10)));
    EXPECT_TRUE(line->hitSelect(V(-1, -1), V(11, 11), 0.1));  // window holding it all
    EXPECT_FALSE(line->hitSelect(V(-1, -1), V(5, 11), 0.1));  // window holding half
    EXPECT_TRUE(line->hitSelect(V(5, 11), V(-1, -1), 0.1));   // crossing the same half
    EXPECT_FALSE(line->hitSelect(V(6, 1), V(4, -1), 5.0));    // crossing beside it; tol plays no part
    // The outline is at least one unit wide (these corners lie 0.42 and 0.57 from the line).
    EXPECT_TRUE(line->hitSelect(V(6, 3), V(5, 4.4), 0.0));
    EXPECT_FALSE(line->hitSelect(V(6, 3), V(5, 4.2), 0.0));
    line->setLineWidth(3);
    EXPECT_TRUE(line->hitSelect(V(6, 3), V(5, 4.2), 0.0));
    // Flat boxes test the drag line itself; a box of no size is a hit test at a.
    EXPECT_TRUE(line->hitSelect(V(10, 5), V(0, 5), 0.0));
    EXPECT_FALSE(line->hitSelect(V(10, 1), V(8, 1), 0.0));
    EXPECT_TRUE(line->hitSelect(V(5, 5.5), V(5, 5.5), 1.0));
    EXPECT_FALSE(line->hitSelect(V(5, 10.5), V(5, 10.5), 1.0));
    // A mark is part of the outline: this box lies inside the dot.
    setMarks(*line, msNone, 0, msDot, 10);
    EXPECT_TRUE(line->hitSelect(V(14, 11), V(13, 9), 0.0));
}

TEST_F(CurveInDrawing, AttributesReportOnlyChangesAndKeepTheirXmlNames) {
    ZVDLine* line = lineItem(V(0, 0), V(10, 0));
    drawing.add(line);
    rec.events.clear();
    line->setLineWidth(4);
    line->setLineStyle(psDash);
    setMarks(*line, msTick, 3, msTick, -3);
    EXPECT_EQ(reports(), 6);
    line->setLineWidth(0);
    line->setLineStyle(psDash);
    setMarks(*line, msTick, 3, msTick, -3);
    line->setPrevItemID(4);  // chain identifiers are only stored
    EXPECT_EQ(reports(), 0);
    expectBox(line->outRect(), 0, -3, 10, 3);  // each setter empties the box
    line->setEndMarkSize(5);
    expectBox(line->outRect(), 0, -5, 10, 0);

    rec.events.clear();
    line->setPropValue(vdpLineWidth, L"3");
    line->setPropValue(vdpEndMarkSize, L"-12");
    line->setPropValue(vdpStartMarkStyle, L"2");
    line->setPropValue(vdpLineWidth, L"0");  // refused like the setter
    line->setPropValue(vdpText, L"7");       // not a curve property
    EXPECT_EQ(reports(), 3);
    EXPECT_EQ(line->propValue(vdpEndMarkSize), L"-12");
    EXPECT_EQ(line->propValue(vdpStartMarkStyle), L"2");

    QDomElement e = docfix::xmlOf(*line, drawing.xmlAttrNames());
    const char* expected[][2] = {{"LW", "3"},  {"LS", "1"},    {"SMST", "2"},       {"EMST", "5"},
                                 {"SMS", "3"}, {"EMS", "-12"}, {"PrevItemID", "4"}, {"NextItemID", "-1"}};
    for (auto& a : expected) EXPECT_EQ(e.attribute(a[0]), a[1]) << a[0];
    ZVDLine copy;
    copy.setOwner(&drawing);
    e.setAttribute("LW", 0);  // the XML reader keeps widths at 1 or more
    copy.loadFromXMLNode(e, drawing.xmlAttrNames());
    EXPECT_EQ(copy.lineWidth(), 1);
}

TEST_F(CurveInDrawing, TransformMakesANewItemOfTheImagesKind) {
    ZVDLine* line = lineItem(V(1, 0), V(3, 0));
    drawing.add(line);
    line->setLineWidth(2);
    setMarks(*line, msNone, 0, msArrow, 4);
    rec.events.clear();
    auto m = zgp::CMatrix3<double>::Rotation(kPi / 2) * zgp::CMatrix3<double>::Translation(V(10, 0));
    std::unique_ptr<ZVDEntity> copy(line->transform(&m));
    auto* l = dynamic_cast<ZVDLine*>(copy.get());
    ASSERT_NE(l, nullptr);
    expectNear(l->startPt(), V(10, 1));
    expectNear(l->endPt(), V(10, 3));
    EXPECT_EQ(l->owner(), &drawing);
    EXPECT_EQ(l->iD(), -1);
    expectBox(l->outRect(), 10 - 4.0 / 3 - 2, -1, 10 + 4.0 / 3 + 2, 3);  // the arrow now points down
    EXPECT_EQ(reports(), 0);
    auto singular = zgp::CMatrix3<double>::Scaling(1, 0);
    EXPECT_EQ(line->transform(&singular), nullptr);
    EXPECT_EQ(line->transform(nullptr), nullptr);

    Chain quarter, full;
    quarter.add(ccwArc(V(1, 1), 2, 0, kPi / 2));
    full.add(ccwArc(V(1, 1), 2, 0, 0));
    auto twice = zgp::CMatrix3<double>::Scaling(2, 2);
    std::unique_ptr<ZVDEntity> a(quarter.transform(&twice)), c(full.transform(&twice));
    ASSERT_TRUE(a && c);
    ASSERT_EQ(a->itemType(), vdiArc);
    expectNear(static_cast<ZVDArc*>(a.get())->endPt(), V(2, 6));
    ASSERT_EQ(c->itemType(), vdiCircle);
    EXPECT_NEAR(static_cast<ZVDCircle*>(c.get())->radius(), 4, 1e-9);
}

TEST(CurveBase, ChainEndsAndSnapVertices) {
    Chain chain;
    chain.add(ccwArc(V(-3, 4), 2, kPi / 2, kPi));
    // The chain's ends come from its first and last curves, snap vertices from the first only.
    chain.add(new CLine2d(V(-5, 4), V(20, 20)));
    expectNear(chain.startPt(), V(-3, 6));
    expectNear(chain.endPt(), V(20, 20));
    QList<ZVDVertexInfo> vertices;
    chain.fillVertexInfoListNoRef(vertices);
    ASSERT_EQ(vertices.size(), 2);
    expectNear(vertices[1].point, V(-5, 4));
    Chain circle;  // a closed curve has no snap vertices
    circle.add(ccwArc(V(0, 0), 1, 0, 0));
    circle.fillVertexInfoListNoRef(vertices);
    EXPECT_EQ(vertices.size(), 2);
}

TEST(VdCommonCurves, ArcTypesAndPolarLines) {
    const double eps = zgp::g_DistEpsilon;
    const double bulges[] = {-0.5 * eps, -2 * eps, 1.0, 1.0 + 2 * eps, -1.0 - 0.5 * eps, -1.0 - 2 * eps};
    const int types[] = {1, 2, 1, 3, 2, 4};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(vdcommon::getArcType(bulges[i]), types[i]) << bulges[i];
    // Away from the half turn, the type of a kernel arc's bulge is the arc's own type.
    for (double sweep : {0.3, 3.0, 3.3, 6.0})
        for (int sense : {1, -1}) {
            CRefPtr<CArc2d> a = arc(V(1, 2), 3.0, 0.4, 0.4 + sense * sweep, sense);
            EXPECT_EQ(vdcommon::getArcType(a->GetBulge()), a->GetArcType()) << sweep << " " << sense;
        }
    // A negative length runs backwards: the end is origin + length * direction either way.
    CRefPtr<CLine2d> l(vdcommon::getPolarLine(V(1, 1), kPi / 3, 4.0)), back(vdcommon::getPolarLine(V(0, 0), 0, -3));
    expectNear(l->EndPoint(), V(3, 1 + 4.0 * std::sin(kPi / 3)));
    expectNear(back->EndPoint(), V(-3, 0));
}

TEST(VdCommonCurves, StretchArcKeepsHeightAndBulgeSide) {
    CLine2d line(V(0, 0), V(6, 8));
    // The upper half circle of radius 5 from (5, 0) to (-5, 0), its bulge right of the chord, stretched.
    CRefPtr<CArc2d> half = arc(V(0, 0), 5, 0, kPi, 1);
    CRefPtr<CCurve2d> moved(vdcommon::stretchArc(half.Get(), V(5, 0), V(1, 0)));
    ASSERT_TRUE(moved);
    expectNear(moved->StartPoint(), V(6, 0));
    expectNear(moved->EndPoint(), V(-5, 0));
    expectNear(midPoint(*moved), V(0.5, 5));
    EXPECT_EQ(vdcommon::stretchArc(half.Get(), V(0, 5), V(1, 0)), nullptr);  // not an end
    EXPECT_EQ(vdcommon::stretchArc(&line, V(0, 0), V(1, 1)), nullptr);
}

TEST(VdCommonCurves, ExtendIntersectAndParallel) {
    CLine2d line(V(0, 0), V(1, 0));
    vdcommon::ExtentCurve(&line, zgp::CBox2<double>(0, 0, 3, 5));
    expectNear(line.StartPoint(), V(-5, 0));
    expectNear(line.EndPoint(), V(6, 0));
    CRefPtr<CArc2d> quarter = arc(V(0, 0), 2, 0, kPi / 2, 1);
    vdcommon::ExtentCurve(quarter.Get(), zgp::CBox2<double>());
    EXPECT_TRUE(quarter->IsClosed());

    // Carriers crossing at (5, 0), beyond the end of the first segment.
    CLine2d a(V(0, 0), V(2, 0)), b(V(5, -1), V(5, 1));
    std::vector<zgp::CCurvCurvIntPt> out(3);
    EXPECT_EQ(vdcommon::Intersect(&a, false, &b, false, out), 0);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(vdcommon::Intersect(&a, true, &b, false, out), 1);
    expectNear(out[0].point, V(5, 0));
    expectNear(a.EndPoint(), V(2, 0));  // the caller's curve is not extended

    CLine2d opposite(V(3, 5), V(0, 5)), tilted(V(0, 0), V(10, 0.01));
    EXPECT_FALSE(vdcommon::IsParallel(&a, &opposite, 1e-6, 1e-6));
    EXPECT_FALSE(vdcommon::IsParallel(&a, &tilted, 1e-6, 1e-6));
    EXPECT_TRUE(vdcommon::IsParallel(&a, &tilted, 0.01, 1e-6));
    CRefPtr<CArc2d> c1 = arc(V(0, 0), 2, 0, 1, 1), c2 = arc(V(0, 1e-7), 5, 2, 3, -1), c3 = arc(V(0, 1e-3), 5, 0, 1, 1);
    EXPECT_TRUE(vdcommon::IsParallel(c1.Get(), c2.Get(), 1e-6, 1e-6));
    EXPECT_FALSE(vdcommon::IsParallel(c1.Get(), c3.Get(), 1e-6, 1e-6));
    EXPECT_FALSE(vdcommon::IsParallel(&a, c1.Get(), 1, 1));
}
