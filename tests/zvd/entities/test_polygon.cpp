// zvd tests: ZVDPolygon: grip numbering and drags by hand, refused drags, one report per edit,
// hit tests by fill style, loops that stay closed under random edits, transforms.
#include <random>

#include "curve_items.h"
#include "zgp/ellipse2d.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/entities/zvdpolygon.h"

using namespace itemfix;
using namespace zgp;

namespace {

// The straight sides of the closed outline through pts.
std::vector<CCurve2d*> sides(const std::vector<V>& pts) {
    std::vector<CCurve2d*> out;
    for (size_t i = 0; i < pts.size(); ++i) out.push_back(new CLine2d(pts[i], pts[(i + 1) % pts.size()]));
    return out;
}
CPolygon* polygonOf(const std::vector<std::vector<CCurve2d*>>& loops) {
    auto* p = new CPolygon;
    for (const auto& curves : loops) {
        p->AddLoop(new CLoop, true);
        for (CCurve2d* c : curves) p->AddCurve(c, p->LoopCount() - 1, false);
    }
    return p;
}
CArc2d* circle(V centre, double r) { return new CArc2d(centre, r, CInterval<double>(0, 2 * kPi * r), 1); }

const std::vector<V> kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
const std::vector<V> kHole = {{3, 3}, {3, 7}, {7, 7}, {7, 3}};  // clockwise, inside the square

struct PolygonTest : ReportingDrawing {
    PolygonTest() { drawing.add(poly); }
    void set(CPolygon* p) {
        poly->setPolygon(p);
        rec.events.clear();
    }
    std::string shape() const { return poly->getPolygon()->AsString(); }
    // The flat indices of the curves a drag of the grip at pt would change.
    std::set<int> curvesAt(V pt) {
        std::set<int> out = {42};
        poly->getCurveIndexByGripPt(pt, out);
        return out;
    }
    ZVDPolygon* poly = new ZVDPolygon;
};

}  // namespace

TEST_F(PolygonTest, SquareGripsAreStartsThenMidPoints) {
    set(polygonOf({sides(kSquare)}));
    const V expected[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {5, 0}, {10, 5}, {5, 10}, {0, 5}, {5, 5}};
    ASSERT_EQ(poly->gripCount(), 8);
    for (int i = 0; i < 9; ++i) expectNear(poly->grip(i), expected[i]);  // 8 names no grip: the box centre
    EXPECT_EQ(curvesAt({0, 0}), (std::set<int>{0, 3}));  // the first start: the last side comes before it
    EXPECT_EQ(curvesAt({10, 5}), (std::set<int>{0, 1, 2}));
    EXPECT_TRUE(curvesAt({10, 5.001}).empty());

    EXPECT_TRUE(poly->dragGrip(1, {1, 0}));
    EXPECT_EQ(reports(), 1);
    expectNear(poly->line(0)->EndPoint(), {11, 0});
    expectNear(poly->line(1)->StartPoint(), {11, 0});
    expectNear(poly->grip(8), {5.5, 5});  // the box follows the drag
    poly->setShowGrip(false);
    EXPECT_EQ(poly->gripCount(), 0);

    set(polygonOf({sides(kSquare), sides(kHole)}));
    EXPECT_EQ(poly->getIndex({1, 2}), 5);                // (4 - 1) + 2
    EXPECT_EQ(curvesAt({3, 3}), (std::set<int>{4, 7}));  // the hole's first start closes its own loop
}

TEST_F(PolygonTest, ClosedCurvesHaveACentreAndFourQuarterGrips) {
    set(polygonOf({{circle({0, 0}, 5)}}));
    const V expected[] = {{0, 0}, {5, 0}, {0, 5}, {-5, 0}, {0, -5}};
    ASSERT_EQ(poly->gripCount(), 5);
    for (int i = 0; i < 5; ++i) expectNear(poly->grip(i), expected[i], 1e-6);
    EXPECT_TRUE(curvesAt({0, 0}) == std::set<int>{0} && curvesAt(poly->grip(2)) == std::set<int>{0});
    EXPECT_TRUE(poly->dragGrip(2, {0, 2}));  // outwards from (0, 5): radius 7
    EXPECT_TRUE(poly->dragGrip(0, {1, -1}));
    EXPECT_EQ(reports(), 2);
    const auto* moved = static_cast<CArc2d*>(poly->line(0));
    EXPECT_TRUE(moved->IsClosed() && std::abs(moved->Radius() - 7) < 1e-9);
    expectNear(moved->CenterPt(), {1, -1});

    // An ellipse 8 by 4: a quarter grip changes the radius along its own diameter only.
    set(polygonOf({{new CEllipse2d({0, 0}, {1, 0}, 4, 2, CInterval<double>(0, 8 * kPi), 1)}}));
    expectNear(poly->grip(2), {0, 2}, 1e-4);
    EXPECT_TRUE(poly->dragGrip(1, {1, 0}) && poly->dragGrip(2, {0, 1}));  // (4, 0) to (5, 0), (0, 2) to (0, 3)
    expectNear(poly->line(0)->Box().min, {-5, -3}, 1e-6);
    expectNear(poly->line(0)->Box().max, {5, 3}, 1e-6);
}

// (0,-3)-(4,0), the upper half of an ellipse 8 by 4 back to (-4,0), then (-4,0)-(0,-3); then
// (0,0)-(10,0)-(10,10) and a quarter circle about (10,0) back to (0,0).
TEST_F(PolygonTest, RefusedDragsLeaveTheNeighbours) {
    set(polygonOf(
        {{new CLine2d(V(0, -3), V(4, 0)), new CEllipse2d({0, 0}, {1, 0}, 4, 2, CInterval<double>(0, 4 * kPi), 1),
          new CLine2d(V(-4, 0), V(0, -3))}}));
    std::string before = shape();
    for (int grip : {1, 2, 3, 5}) {  // an ellipse before or after
        EXPECT_TRUE(poly->dragGrip(grip, {0, 1}));
        EXPECT_EQ(reports(), 1) << grip;
        EXPECT_EQ(shape(), before) << grip;
    }
    EXPECT_TRUE(poly->dragGrip(4, {0, 1}));  // the ellipse's own mid point, between two lines
    expectNear(static_cast<CEllipse2d*>(poly->line(1))->CenterPt(), {0, 1});
    expectNear(poly->line(0)->EndPoint(), {4, 1});
    expectNear(poly->line(2)->StartPoint(), {-4, 1});

    set(polygonOf({{new CLine2d(V(0, 0), V(10, 0)), new CLine2d(V(10, 0), V(10, 10)),
                    new CArc2d(V(10, 10), V(0, 0), 10, CArc2d::CCW_SMALL)}}));
    poly->setTemp(true);  // keeps the curve order when the opened loop turns clockwise
    before = shape();
    EXPECT_TRUE(poly->dragGrip(2, {-10, -10}));  // the arc's start onto its end
    EXPECT_EQ(reports(), 1);
    EXPECT_EQ(shape(), before);
    const std::string neighbours = poly->line(0)->AsString() + poly->line(2)->AsString();
    EXPECT_TRUE(poly->dragGrip(4, {-10, -10}));  // the right side still moves
    expectNear(poly->line(1)->StartPoint(), {0, -10});
    expectNear(poly->line(1)->EndPoint(), {0, 0});
    EXPECT_EQ(poly->line(0)->AsString() + poly->line(2)->AsString(), neighbours);
}

TEST_F(PolygonTest, EveryEditReportsOnceAndCurveSelectionNotAtAll) {
    poly->setPolygon(polygonOf({sides(kSquare)}));
    EXPECT_EQ(reports(), 0);
    poly->move({1, 2});
    poly->rotate({1, 2}, kPi / 2);  // the end of side 0, now (11, 2), turns to (1, 12)
    poly->mirror({0, 0}, {0, 1});   // and is reflected to (-1, 12)
    expectNear(poly->line(0)->EndPoint(), {-1, 12});
    EXPECT_EQ(reports(), 3);
    poly->setFillStyle(bsSolid);
    poly->setFillStyle(bsSolid);
    EXPECT_EQ(reports(), 2);
    const std::string before = shape();
    CRefPtr<CCurve2d> other(circle({5, 5}, 1));
    poly->setXLines(0, other.Get());
    EXPECT_EQ(reports(), 0);
    EXPECT_EQ(shape(), before);
    other = CRefPtr<CCurve2d>(new CLine2d(V(0, 0), V(10, -1)));
    poly->setXLines(0, other.Get());
    EXPECT_EQ(reports(), 1);
    expectNear(poly->line(0)->EndPoint(), {10, -1});

    ZVDPolygon source;
    source.setPolygon(polygonOf({sides(kSquare), sides(kHole)}));
    source.setFillStyle(bsCross);
    poly->assign(source);
    EXPECT_EQ(reports(), 1);
    EXPECT_TRUE(poly->getPolygon() != source.getPolygon() && shape() == source.getPolygon()->AsString() &&
                poly->fillStyle() == bsCross);

    poly->setCurveSelectedState(2, true);
    poly->setCurveSelectedState(6, true);
    poly->setCurveSelectedState(6, false);
    std::set<int> list, after;
    poly->getSelectedCurveList(list);
    poly->setSelected(false);
    poly->getSelectedCurveList(after);
    EXPECT_TRUE(list == std::set<int>{2} && after.empty());
    EXPECT_EQ(reports(), 0);
}

TEST_F(PolygonTest, FillStyleDecidesWhetherTheInsideIsHit) {
    set(polygonOf({sides(kSquare), sides(kHole)}));
    ASSERT_EQ(poly->fillStyle(), bsClear);
    EXPECT_FALSE(poly->hitTest({1, 1}, 0.1) || poly->hitSelect({1, 1}, {1, 1}, 0.1));
    EXPECT_TRUE(poly->hitTest({5, 0.05}, 0.1) && poly->hitTest({3, 5}, 0.1));  // outer outline, hole's
    poly->setFillStyle(bsSolid);
    EXPECT_TRUE(poly->hitTest({1, 1}, 0.1) && poly->hitSelect({1, 1}, {1, 1}, 0.1));
    EXPECT_FALSE(poly->hitTest({5, 5}, 0.1) || poly->hitTest({10.2, 5}, 0.1));  // in the hole, outside

    EXPECT_TRUE(poly->hitSelect({-1, -1}, {11, 11}, 0) && !poly->hitSelect({-1, -1}, {9, 11}, 0));  // window
    EXPECT_TRUE(poly->hitSelect({12, 6}, {9, 5}, 0));  // crossing the right side
    EXPECT_TRUE(poly->hitSelect({2, 2}, {1, 1}, 0));   // within the area
    EXPECT_FALSE(poly->hitSelect({6, 6}, {4, 4}, 0));  // within the hole
    EXPECT_TRUE(poly->hitSelect({5, -1}, {5, 1}, 0));  // flat: the segment crosses the bottom
    EXPECT_FALSE(poly->hitSelect({5, 4}, {5, 6}, 0));
}

namespace {

// Whether moving c's end (or start) by d keeps it longer than minLen; an arc must also stretch.
bool endMoveKeepsCurve(const CCurve2d* c, bool atEnd, V d, double minLen) {
    const V end = atEnd ? c->EndPoint() : c->StartPoint();
    CRefPtr<CCurve2d> stretched(vdcommon::stretchArc(c, end, d));
    return (c->Type() != GT_ARC || (stretched && stretched->Type() == GT_ARC)) &&
           (end + d).DistanceTo(atEnd ? c->StartPoint() : c->EndPoint()) > minLen;
}

// Whether every curve's end meets the next curve's start in its loop and no curve is too short.
bool loopsClosed(const CPolygon& p, double tol, double minLen) {
    for (int l = 0; l < p.LoopCount(); ++l)
        for (int j = 0, n = p.GetLoop(l)->CoedgeCount(); j < n; ++j) {
            const CCurve2d *c = p.GetLoop(l)->GetCurve(j), *next = p.GetLoop(l)->GetCurve((j + 1) % n);
            if (!(c->Length() > minLen) || c->EndPoint().DistanceTo(next->StartPoint()) > tol) return false;
        }
    return true;
}

// 200 random grip drags, moves, turns, reflections and stretches; drags that would shrink a curve
// to nothing or that an arc neighbour refuses are skipped. After every step the loops must be closed.
void editAtRandom(ZVDPolygon& poly, unsigned seed, double size) {
    std::mt19937 rng(seed);
    auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    const double minLen = 0.05 * size, tol = 1e-9 * size;
    int drags = 0, applied = 0;
    for (int step = 0; step < 200; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const CPolygon& p = *poly.getPolygon();
        const V d(uniform(-0.2, 0.2) * size, uniform(-0.2, 0.2) * size);
        const V centre = p.Box().Center();
        const int op = int(rng() % 8);
        if (op < 4) {
            // These shapes keep their kinds: either one closed circle (grip 0 its centre, then four
            // quarter points) or open curves only (m starts, then m mid points).
            const bool oneCircle = p.GetLoop(0)->GetCurve(0)->IsClosed();
            const int m = poly.xLineCount(), g = int(rng() % (oneCircle ? 5 : 2 * m));
            const int kind = oneCircle ? (g == 0 ? 4 : 3) : (g < m ? 1 : 2);
            int l = 0, j = oneCircle ? 0 : g % m;  // flat index to loop and position
            while (j >= p.GetLoop(l)->CoedgeCount()) j -= p.GetLoop(l++)->CoedgeCount();
            const CLoop& loop = *p.GetLoop(l);
            const int n = loop.CoedgeCount();
            CCurve2d *c = loop.GetCurve(j), *prev = loop.GetCurve((j + n - 1) % n), *next = loop.GetCurve((j + 1) % n);
            ++drags;
            if (kind == 3 ? !(static_cast<const CArc2d*>(c)->Radius() - d.Length() > minLen)
                          : kind != 4 && !(endMoveKeepsCurve(prev, true, d, minLen) &&
                                           endMoveKeepsCurve(kind == 1 ? c : next, false, d, minLen)))
                continue;
            ++applied;
            ASSERT_TRUE(poly.dragGrip(g, d));
        } else if (op == 4) {
            poly.move(d);
        } else if (op == 5) {
            poly.rotate(centre, uniform(-kPi, kPi));
        } else if (op == 6) {
            poly.mirror(centre, centre + d);
        } else {  // a box holding the whole item moves it; one holding a part leaves it alone
            const double cut = rng() % 2 ? -1 : 0.3 * size;
            poly.stretch(CBox2<double>(p.Box().min - V(1, 1), p.Box().max - V(cut, cut)), d);
        }
        ASSERT_TRUE(loopsClosed(*poly.getPolygon(), tol, minLen)) << "op " << op;
    }
    EXPECT_GT(drags, 60);
    EXPECT_GT(applied, drags * 2 / 3);
}

}  // namespace

TEST_F(PolygonTest, LoopsStayClosedUnderRandomEdits) {
    std::vector<V> hexagon;
    for (int k = 0; k < 6; ++k) hexagon.push_back({10 * std::cos(k * kPi / 3), 10 * std::sin(k * kPi / 3)});
    set(polygonOf({sides(hexagon), sides({{-2, -2}, {0, 3}, {2, -2}})}));  // with a hole
    editAtRandom(*poly, 11, 20);
    // Straight sides below and above, arcs bulging out on the right and the left.
    set(polygonOf({{new CLine2d(V(0, 0), V(10, 0)), new CArc2d(V(10, 0), V(10, 10), 6, CArc2d::CCW_SMALL),
                    new CLine2d(V(10, 10), V(0, 10)), new CArc2d(V(0, 10), V(0, 0), 6, CArc2d::CCW_SMALL)}}));
    editAtRandom(*poly, 23, 10);
    set(polygonOf({{circle({0, 0}, 5)}}));
    editAtRandom(*poly, 37, 10);
}

TEST_F(PolygonTest, TransformMapsTheLoopsIntoACopy) {
    // A half disc of radius 5 above the x axis, stretched twice as wide: a half ellipse.
    set(polygonOf({{new CLine2d(V(-5, 0), V(5, 0)), new CArc2d(V(0, 0), 5, CInterval<double>(0, 5 * kPi), 1)}}));
    CMatrix3<double> wide = CMatrix3<double>::Scaling(2, 1);
    std::unique_ptr<ZVDEntity> copy(poly->transform(&wide));
    auto* scaled = dynamic_cast<ZVDPolygon*>(copy.get());
    ASSERT_TRUE(scaled && scaled->xLineCount() == 2);
    expectNear(scaled->line(0)->StartPoint(), {-10, 0});
    expectNear(scaled->line(1)->StartPoint(), {10, 0});
    for (V onIt : {V(0, 5), V(10 * std::sqrt(0.5), 5 * std::sqrt(0.5)), V(-6, 4)})  // x²/100 + y²/25 = 1
        EXPECT_LT(scaled->line(1)->GetNearestPoint(onIt).DistanceTo(onIt), 1e-6) << onIt.x;
    EXPECT_TRUE(reports() == 0 && poly->line(1)->Type() == GT_ARC);  // the original stays as it was
}
