// CPositionJudge: points against loops, polygons and curves, and region relations.
#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>

#include "kernel_test_support.h"

using namespace zgp_test;
using Vec = V;

namespace {

const int APART = CPositionJudge::RG_APART, CROSS = CPositionJudge::RG_CROSS;
const int FIRST_IN = CPositionJudge::RG_FIRST_INSIDE, SECOND_IN = CPositionJudge::RG_SECOND_INSIDE;

void ExpectMatchesBruteForce(const CLoop& l, const std::vector<Vec>& points, int trial) {
    CPositionJudge judge;
    std::vector<Vec> poly = Polygonise(l, 200);
    for (const Vec& p : points) {
        int expected = BruteClassify(poly, p, 0.02);
        if (expected == ON) continue;
        ASSERT_EQ(judge.GetPointCoedgeListPosition(p, &l, 1e-6), expected)
            << "trial " << trial << " point (" << p.x << ", " << p.y << ")";
    }
}

struct Case {
    Vec p;
    int expected;
};

void ExpectCases(const CLoop* l, std::initializer_list<Case> cases, double tol = 1e-6) {
    CPositionJudge judge;
    for (const Case& c : cases)
        EXPECT_EQ(judge.GetPointCoedgeListPosition(c.p, l, tol), c.expected) << "(" << c.p.x << ", " << c.p.y << ")";
}

}  // namespace

TEST(PositionPointLoop, RandomPointsMatchBruteForce) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> U(-12.0, 12.0);
    for (int trial = 0; trial < 80; ++trial) {
        CLoop* l = RandomLoop(rng);
        std::vector<Vec> pts;
        for (int k = 0; k < 500; ++k) pts.emplace_back(U(rng), U(rng));
        // Rays exactly through every coedge end: the vertex rule is where parity tests break.
        for (int i = 0; i < l->CoedgeCount(); ++i) {
            Vec s = l->GetCurve(i)->StartPoint();
            for (int k = 0; k < 8; ++k) pts.emplace_back(s.x + U(rng), s.y);
        }
        ExpectMatchesBruteForce(*l, pts, trial);
        if (l->CoedgeCount() > 2) {  // the same chain left open is closed by its chord
            l->DeleteCoedge(static_cast<int>(trial % l->CoedgeCount()));
            ExpectMatchesBruteForce(*l, pts, trial);
        }
        l->Unref();
    }
}

// On the boundary and within the tolerance of it: ON; a little farther on either side: different sides.
TEST(PositionPointLoop, BoundaryPointsAreOnAndNeighboursFlip) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> U(0.05, 0.95);
    CPositionJudge judge;
    for (int trial = 0; trial < 40; ++trial) {
        CRefPtr<CLoop> l(RandomLoop(rng));
        for (int i = 0; i < l->CoedgeCount() * 10; ++i) {
            const CCurve2d* c = l->GetCurve(i / 10);
            const double t = c->StartT() + (c->EndT() - c->StartT()) * U(rng);
            const Vec p = c->GetPoint(t), nrm = c->GetDeriv1(t).Normalized().Perp();
            auto at = [&](double off, double tol) {
                return judge.GetPointCoedgeListPosition(p + nrm * off, l.Get(), tol);
            };
            EXPECT_TRUE(at(0, 1e-6) == ON && at(5e-7, 1e-6) == ON && at(1e-4, 2e-4) == ON) << trial;
            const int left = at(1e-4, 1e-6), right = at(-1e-4, 1e-6);
            EXPECT_TRUE(left != ON && right != ON && left != right) << trial;
        }
    }
}

TEST(PositionPointLoop, RaysThroughVerticesAndAlongEdges) {
    // A crown with peaks at y = 5 and notches at y = 3, and a step with edges along the ray.
    CLoop* crown = PolyLoop({{0, 0}, {10, 0}, {10, 5}, {8, 3}, {6, 5}, {4, 3}, {2, 5}, {0, 3}});
    ExpectCases(crown, {{{-1, 3}, OUT}, {{1, 3}, IN}, {{5, 3}, IN}, {{4, 3}, ON}, {{-1, 5}, OUT}});
    ExpectCases(crown, {{{3, 5}, OUT}, {{7, 5}, OUT}, {{11, 5}, OUT}, {{6, 5}, ON}});
    CLoop* step = PolyLoop({{0, 0}, {4, 0}, {4, 2}, {6, 2}, {6, 4}, {0, 4}});
    ExpectCases(step, {{{-1, 2}, OUT}, {{2, 2}, IN}, {{5, 2}, ON}, {{7, 2}, OUT}, {{-1, 4}, OUT}});
    ExpectCases(step, {{{-1, 0}, OUT}, {{2, 0}, ON}}, 0.0);
    CLoop* circle = CircleLoop(Vec(0, 0), 2);
    ExpectCases(circle, {{{-5, 2}, OUT}, {{-5, -2}, OUT}, {{0, 2}, ON}, {{0, 1.999}, IN}});
    for (CLoop* l : {crown, step, circle}) l->Unref();
}

TEST(PositionPointLoop, OpenLoopsAndDegenerateInput) {
    CLoop* open = new CLoop;  // an upper half circle, closed by its diameter
    open->AddCurve(ArcByAngles(Vec(0, 0), 2, 0, kPi), false);
    ExpectCases(open, {{{0, 0.5}, IN}, {{0, -0.5}, OUT}, {{1, 0}, ON}, {{-5, 0}, OUT}});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ExpectCases(open, {{{nan, 0}, OUT}, {{0, 0.5}, IN}}, nan);
    ExpectCases(nullptr, {{{0, 0}, OUT}});
    CLoop empty;
    ExpectCases(&empty, {{{0, 0}, OUT}});
    // Collapsed coedges (zero-length line, zero-radius arc, empty ellipse) act as single points.
    open->AddCurve(new CLine2d(Vec(-2, 0), Vec(-2, 0)), false);
    open->AddCurve(new CArc2d(), false);
    open->AddCurve(new CEllipse2d(), false);
    ExpectCases(open, {{{0, 0.5}, IN}, {{0, -0.5}, OUT}, {{0, 0}, ON}});
    open->Unref();
}

TEST(PositionPointPolygon, HolesAreOutsideEvenOdd) {
    CPolygon poly;
    poly.AddLoop(Rect(0, 0, 10, 10));
    poly.AddLoop(CircleLoop(Vec(5, 5), 3));
    poly.AddLoop(Rect(4, 4, 6, 6));
    CPositionJudge judge;
    const Case cases[] = {{{1, 1}, IN}, {{5, 3}, OUT}, {{5, 5}, IN}, {{5, 2}, ON}, {{6, 5}, ON}, {{11, 5}, OUT}};
    for (const Case& c : cases) EXPECT_EQ(judge.GetPointPolygonPosition(c.p, &poly, 1e-6), c.expected);
    CPolygon empty;
    EXPECT_EQ(judge.GetPointPolygonPosition(Vec(0, 0), &empty, 1e-6), OUT);
    EXPECT_EQ(judge.GetPointPolygonPosition(Vec(0, 0), nullptr, 1e-6), OUT);
}

TEST(PositionCurveSide, BoundedCurvesUseTheEndTangentBeyondTheirEnds) {
    CPositionJudge judge;
    CLine2d line(Vec(0, 0), Vec(4, 0));
    CArc2d* quarter = ArcByAngles(Vec(0, 0), 2, 0, kPi / 2);
    CNurbsCurve2d bez(2, 3);  // (0,0) (1,2) (2,0): apex (1, 1)
    bez.SetCtrlPt(1, Vec(1, 2));
    bez.SetCtrlPt(2, Vec(2, 0));
    struct SideCase {
        const CCurve2d* curve;
        Vec p;
        bool extended;
        int side;
    };
    const SideCase cases[] = {{&line, {2, 1}, false, 1},
                              {&line, {2, -1}, true, -1},
                              {&line, {2, 1e-9}, false, 0},
                              {&line, {9, 0}, false, 0},  // ahead of the end, on its tangent
                              {&line, {-3, -2}, false, -1},
                              {nullptr, {2, 1}, false, 0},
                              {quarter, {0.5, 0.5}, false, 1},
                              {quarter, {3, 3}, false, -1},
                              {quarter, {std::sqrt(2.0), std::sqrt(2.0)}, false, 0},
                              {quarter, {1, -3}, false, 1},  // left of the start tangent, yet outside the full circle
                              {quarter, {1, -3}, true, -1},
                              {quarter, {-1, -1}, true, 1},
                              {&bez, {1, 0.5}, false, -1},
                              {&bez, {1, 2}, true, 1},
                              {&bez, {1, 1}, false, 0}};
    for (const SideCase& c : cases)
        EXPECT_EQ(judge.GetPointCurveSide(c.p, c.curve, c.extended), c.side) << "(" << c.p.x << ", " << c.p.y << ")";
    quarter->Reverse();
    EXPECT_EQ(judge.GetPointCurveSide(Vec(0.5, 0.5), quarter, false), -1);
    EXPECT_EQ(judge.GetPointCurveSide(Vec(-1, -1), quarter, true), -1);
    quarter->Unref();
}

TEST(PositionCurveSide, ClosedConicsAgreeWithTheirImplicitEquation) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> U(-6.0, 6.0);
    CPositionJudge judge;
    const Vec centre(0.5, -0.5), axis(std::cos(0.4), std::sin(0.4));
    const CEllipse2d ccw(centre, axis, 4, 2, CInterval<double>(0, 8 * kPi), 1), part(centre, axis, 4, 2, {1.2, 4.8}, 1);
    const CEllipse2d cw(centre, axis, 4, 2, CInterval<double>(0, 8 * kPi), -1);
    const CArc2d circle(Vec(1, 1), 3, CInterval<double>(0, 6 * kPi), 1);
    for (int k = 0; k < 2000; ++k) {
        const Vec p(U(rng), U(rng)), rel = p - centre;
        const double x = rel.Dot(axis) / 4, y = rel.Dot(axis.Perp()) / 2, f = x * x + y * y - 1;
        const double dc = p.DistanceTo(Vec(1, 1)) - 3;
        if (std::fabs(f) > 1e-3) {
            EXPECT_EQ(judge.GetPointCurveSide(p, &ccw, false), f < 0 ? 1 : -1);
            EXPECT_EQ(judge.GetPointCurveSide(p, &cw, false), f < 0 ? -1 : 1);
            EXPECT_EQ(judge.GetPointCurveSide(p, &part, true), f < 0 ? 1 : -1);
        }
        if (std::fabs(dc) > 1e-3) {
            EXPECT_EQ(judge.GetPointCurveSide(p, &circle, false), dc < 0 ? 1 : -1);
        }
    }
}

TEST(PositionRegions, LoopsAndAxes) {
    CPositionJudge judge;
    CLoop* big = Rect(0, 0, 10, 10);
    CLoop* small = CircleLoop(Vec(5, 5), 2);
    CLoop* hook = PolyLoop({{-5, 5}, {-5, -5}, {15, -5}, {15, 5}});
    hook->DeleteCoedge(3);  // open: its closing chord runs through `big`
    CRefPtr<CLoop> far(Rect(20, 0, 25, 5)), cross(Rect(8, 8, 12, 12)), corner(Rect(10, 10, 12, 12)), empty(new CLoop);
    struct LoopCase {
        const CLoop *a, *b;
        bool asArea;
        int expected;
    };
    const LoopCase cases[] = {{big, far.Get(), true, APART},    {big, cross.Get(), true, CROSS},
                              {big, corner.Get(), true, CROSS}, {small, big, true, FIRST_IN},
                              {big, small, true, SECOND_IN},    {big, small, false, APART},
                              {big, big, true, CROSS},          {hook, big, false, CROSS},
                              {big, empty.Get(), true, APART},  {nullptr, big, true, APART}};
    for (const LoopCase& c : cases) EXPECT_EQ(judge.GetLoopLoopPosition(c.a, c.b, c.asArea), c.expected);
    // Axes: 1 when the curve stays clear of the loop's area, -1 when it reaches it.
    CLine2d outside(Vec(20, 0), Vec(30, 0)), crossing(Vec(5, 5), Vec(15, 5)), inside(Vec(2, 2), Vec(8, 3)),
        touching(Vec(10, 5), Vec(14, 5));
    CRefPtr<CArc2d> around(ArcByAngles(Vec(5, 5), 9, 0, 0));
    const std::pair<const CCurve2d*, int> axes[] = {{&outside, 1},   {&crossing, -1},   {&inside, -1},
                                                    {&touching, -1}, {around.Get(), 1}, {nullptr, 1}};
    for (const auto& a : axes) EXPECT_EQ(judge.GetLoopAxisPosition(big, a.first), a.second);
    for (CLoop* l : {big, small, hook}) l->Unref();
}

TEST(PositionRegions, CurvesAndPolygonsAgainstARing) {
    CPositionJudge judge;
    CPolygon ring, empty;
    ring.AddLoop(Rect(0, 0, 10, 10));
    ring.AddLoop(Rect(4, 4, 6, 6));
    CLine2d inHoleLine(Vec(4.5, 5), Vec(5.5, 5)), inBandLine(Vec(1, 1), Vec(2, 1)), crossingLine(Vec(1, 5), Vec(5, 5));
    const std::pair<const CCurve2d*, int> curves[] = {
        {&inHoleLine, APART}, {&inBandLine, FIRST_IN}, {&crossingLine, CROSS}, {nullptr, APART}};
    for (const auto& c : curves) EXPECT_EQ(judge.GetCurvePolygonPosition(c.first, &ring), c.second);
    EXPECT_EQ(judge.GetCurvePolygonPosition(&inBandLine, &empty), APART);
    auto single = [](CLoop* l) {
        CRefPtr<CPolygon> p(new CPolygon);
        p->AddLoop(l);
        return p;
    };
    const CRefPtr<CPolygon> inHole = single(Rect(4.5, 4.5, 5.5, 5.5)), inBand = single(CircleLoop(Vec(2, 2), 1)),
                            around = single(Rect(-1, -1, 11, 11)), crossing = single(Rect(9, 9, 12, 12)),
                            overHole = single(Rect(3, 3, 7, 7));  // inside the outer loop, enclosing the hole
    struct PolyCase {
        const CPolygon *a, *b;
        int expected;
    };
    const PolyCase cases[] = {
        {&ring, inHole.Get(), APART},    {&ring, inBand.Get(), SECOND_IN}, {inBand.Get(), &ring, FIRST_IN},
        {&ring, around.Get(), FIRST_IN}, {around.Get(), &ring, SECOND_IN}, {&ring, overHole.Get(), CROSS},
        {overHole.Get(), &ring, CROSS},  {&ring, crossing.Get(), CROSS},   {&ring, &empty, APART}};
    for (const PolyCase& c : cases) EXPECT_EQ(judge.GetPolygonPosition(c.a, c.b), c.expected);
}
