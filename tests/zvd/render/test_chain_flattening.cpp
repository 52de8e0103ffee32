// zvd tests: chains with arcs reach the device as the points that evaluating each point of the
// flattening on its own gives (zgp::Curve2dDiscrete at the drawing density, each point through
// ZCoordTrans), whatever the zoom, offsets, turning senses and parameter ranges, also where points
// lie on a pixel's rounding edge.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>

#include "platform/gdi_test_util.h"
#include "zgp/arc2d.h"
#include "zgp/discrete.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CArc2d;
using zgp::CLine2d;
using zgp::CLoop;
using zgp::CVec2;
using V = CVec2<double>;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<CVec2<int>> points(const QString& call) {
    std::vector<CVec2<int>> out;
    auto it = QRegularExpression("\\((-?\\d+),(-?\\d+)\\)").globalMatch(call);
    while (it.hasNext()) {
        auto m = it.next();
        out.emplace_back(m.captured(1).toInt(), m.captured(2).toInt());
    }
    return out;
}

CVec2<int> device(const ZCoordTrans& ct, const V& p) { return CVec2<int>(ct.WCTODC_X(p.x), ct.WCTODC_Y(p.y)); }

// The chain one point at a time: each curve's start, an arc's inner points and end at the density
// the drawing functions document (a turn of an arc of r pixels in 144 r / 1080 segments, integer
// division, within [36, 360]), and the last curve's end.
std::vector<CVec2<int>> expectedPoints(const CLoop& loop, const ZCoordTrans& ct) {
    std::vector<CVec2<int>> out;
    for (int i = 0; i < loop.CoedgeCount(); ++i) {
        const zgp::CCurve2d* c = loop.GetCurve(i);
        out.push_back(device(ct, c->StartPoint()));
        if (c->Type() != zgp::GT_ARC) continue;
        const int r = ct.WCTODC(static_cast<const CArc2d*>(c)->Radius());
        if (r <= 0) continue;
        const long long turn = std::min(360LL, std::max(36LL, 144LL * r / 1080));
        const double seg = 2.0 * r * kPi / static_cast<double>(turn);
        std::vector<V> inner;
        zgp::Curve2dDiscrete(c, inner, seg, seg / r, false, false);
        for (const V& p : inner) out.push_back(device(ct, p));
    }
    out.push_back(device(ct, loop.GetCurve(loop.CoedgeCount() - 1)->EndPoint()));
    return out;
}

// An arc of the given radius round c from angle a0 (radians) sweeping by sweep, counter-clockwise
// for sense 1 and clockwise for -1, with its parameters shifted by whole turns.
CArc2d* arcOf(V c, double r, double a0, double sweep, int sense, int turns) {
    const double t0 = sense * (a0 + 2.0 * kPi * turns) * r;
    return new CArc2d(c, r, zgp::CInterval<double>(t0, t0 + sweep * r), sense);
}

struct View {
    double zoom;
    bool xFactor;
    V world;
    CVec2<int> dev;
};

class ChainFlattening : public gditest::RecordingTest {
protected:
    void expectSame(CLoop& loop, const ZCoordTrans& trans, const char* what) {
        clearRecordedCalls(dc);
        ZDrawFunc2d::drawXPolyline(dc, &trans, loop, 1, 0, psSolid, 0, vdcommon::dmNormal, bsSolid, 1, false, 0,
                                   psSolid, 0xFFFFFF);
        const QStringList drawn = recorded("^Polyline\\(");
        ASSERT_EQ(drawn.size(), 1) << what;
        const auto got = points(drawn[0]);
        const auto want = expectedPoints(loop, trans);
        ASSERT_EQ(got.size(), want.size()) << what;
        int wrong = 0;
        for (size_t i = 0; i < got.size(); ++i) wrong += !(got[i] == want[i]);
        EXPECT_EQ(wrong, 0) << what;
    }
};

}  // namespace

TEST_F(ChainFlattening, RandomChainsMatchPointByPointEvaluation) {
    const View views[] = {{1.0, false, V(0, 0), CVec2<int>(0, 0)},
                          {0.37, false, V(123.456, -78.9), CVec2<int>(400, 300)},
                          {2.5, true, V(-3.25, 7.125), CVec2<int>(17, 911)},
                          {13.3, false, V(1e4, -2e4), CVec2<int>(-5, 5)}};
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> pos(-300, 300), radius(0.2, 400), angle(-7, 7), sweep(0.01, 6.2);
    std::uniform_int_distribution<int> coin(0, 1), turns(-3, 3);
    for (const View& v : views) {
        ZCoordTrans trans;
        trans.setZoomFactor(v.zoom);
        trans.setXFactorInUse(v.xFactor);
        trans.setXZoomFactor(v.zoom * 1.7);
        trans.setWPoint(v.world);
        trans.setDPoint(v.dev);
        for (int chain = 0; chain < 40; ++chain) {
            CLoop loop;
            V at(pos(rng), pos(rng));
            for (int k = 0; k < 12; ++k) {
                if (k % 3 == 2) {
                    const V to = at + V(pos(rng), pos(rng)) * 0.1;
                    loop.AddCurve(new CLine2d(at, to), false);
                    at = to;
                    continue;
                }
                const double a0 = angle(rng), r = radius(rng);
                CArc2d* arc = arcOf(at - V(r * std::cos(a0), r * std::sin(a0)), r, a0, sweep(rng), coin(rng) ? 1 : -1,
                                    turns(rng));
                at = arc->EndPoint();
                loop.AddCurve(arc, false);
            }
            expectSame(loop, trans, "random chain");
        }
    }
}

TEST_F(ChainFlattening, PointsOnRoundingEdgesMatchPointByPointEvaluation) {
    // A coordinate v goes to pixel ceil(v - 0.001): at zoom 1 with no offsets an x of k + 0.001 or
    // a y of -(k + 0.001) sits on an edge. Whole radii round such centres, starting at quarter
    // turns and stepping by tenths of degrees that add up to quarter turns, put many points within
    // a few units of rounding of an edge, where any error in a point could change its pixel.
    ZCoordTrans trans;
    for (int sense : {1, -1})
        for (int quarter = 0; quarter < 4; ++quarter)
            for (int r = 1; r <= 40; r += 3)
                for (int turns : {0, 2, -5}) {
                    CLoop loop;
                    loop.AddCurve(arcOf(V(10.001, -20.001), r, quarter * kPi / 2, 2 * kPi, sense, turns), false);
                    expectSame(loop, trans, "full circle");
                    CLoop half;
                    half.AddCurve(arcOf(V(-7.001, 3.999), r, quarter * kPi / 2, kPi, sense, turns), false);
                    expectSame(half, trans, "half circle");
                }
}
