// zvd tests: ZDrawFunc2d on the recording device — the exact GDI calls each primitive makes.
// World (x, y) maps to device (100 + x, 100 - y) at zoom 1 unless a test changes the zoom.
#include <cmath>
#include <functional>
#include <iterator>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>

#include "platform/gdi_test_util.h"
#include "zgp/arc2d.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CArc2d;
using zgp::CLine2d;
using zgp::CLoop;
using zgp::CVec2;
using V = CVec2<double>;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kWhite = 0xFFFFFF;
const EnDrawMode N = vdcommon::dmNormal;

class DrawFuncCalls : public gditest::RecordingTest {
protected:
    void clear() { clearRecordedCalls(dc); }
    QStringList calls() const { return recordedCalls(dc); }
    QStringList named(const QString& fn) const { return recorded("^" + fn + "\\("); }
    QString pen() const { return recorded("^(Ext)?CreatePen\\(").value(0); }
    static std::vector<CVec2<int>> points(const QString& call) {
        std::vector<CVec2<int>> out;
        auto it = QRegularExpression("\\((-?\\d+),(-?\\d+)\\)").globalMatch(call);
        while (it.hasNext()) {
            auto m = it.next();
            out.emplace_back(m.captured(1).toInt(), m.captured(2).toInt());
        }
        return out;
    }
    void line(double width, EnPenStyle ps, EnDrawMode mode, EnBrushStyle bs, int minWidth) {
        clear();
        ZDrawFunc2d::drawLine(dc, &ct, V(0, 0), V(10, 0), width, 0, ps, 0xFF, mode, bs, 0, psSolid, kWhite, minWidth);
    }
    void arc(V s, V e, double r, CArc2d::ArcType type, double width = 1) {
        clear();
        ZDrawFunc2d::drawArc(dc, &ct, s, e, r, type, width, 0, psSolid, 0, N, bsSolid, 0, psSolid, kWhite, 0);
    }
};

TEST_F(DrawFuncCalls, LineSetsItsStateAndPutsTheCallersStateBack) {
    SetROP2(dc, R2_NOTXORPEN);
    SetBkColor(dc, 0x123456);
    line(1, psDash, N, bsSolid, 0);
    EXPECT_EQ(calls(),
              QStringList({"SetROP2(13)", "SetBkColor(0x00000000)", "CreatePen(1,0,0x000000ff)=h1", "SelectObject(h1)",
                           "MoveToEx(100,100)", "LineTo(110,100)", "SelectObject(BLACK_PEN)", "DeleteObject(h1)",
                           "SetROP2(10)", "SetBkColor(0x00123456)"}));
    EXPECT_EQ(dc->selectedPen(), GetStockObject(BLACK_PEN));
}

TEST_F(DrawFuncCalls, PenWidthFollowsZoomNegativeCountsAndMinimum) {
    const struct {
        double zoom, width;
        EnPenStyle ps;
        EnBrushStyle bs;
        int minWidth;
        const char* pen;
    } cases[] = {
        {5, -3, psSolid, bsSolid, 0, "ExtCreatePen(0x12200,3,{0,0x000000ff,0},0,null)"},  // pixels at any zoom
        {2, 2.5, psDash, bsSolid, 0, "ExtCreatePen(0x12201,5,{0,0x000000ff,0},0,null)"},
        {2, 1.001, psSolid, bsSolid, 0, "ExtCreatePen(0x12200,3,{0,0x000000ff,0},0,null)"},  // 2.002 px -> 3
        {1, 1.0005, psSolid, bsSolid, 0, "CreatePen(0,0,0x000000ff)"},                       // within 0.001 of 1 px
        {1, 3, psSolid, bsFDiagonal, 0, "ExtCreatePen(0x12200,3,{2,0x000000ff,2},0,null)"},  // hatched
        {5, 0.2, psSolid, bsSolid, 6, "ExtCreatePen(0x12200,6,{0,0x000000ff,0},0,null)"},    // the minimum wins
        {5, 0, psSolid, bsSolid, 1, "CreatePen(0,0,0x000000ff)"},
    };
    for (const auto& c : cases) {
        ct.setZoomFactor(c.zoom);
        line(c.width, c.ps, N, c.bs, c.minWidth);
        EXPECT_EQ(pen(), c.pen) << c.width;
    }
    // Colour -1 is system colour 1; width -1 is one pixel at any zoom.
    clear();
    ZDrawFunc2d::drawLine(dc, &ct, V(0, 0), V(10, 0), -1, 0, psSolid, -1, N, bsSolid, 0, psSolid, kWhite, 0);
    EXPECT_EQ(pen(), QString::asprintf("CreatePen(0,0,0x%08x)", GetSysColor(1)));
    // drawPolyline has no pixel-count convention: below zero after the minimum is a null pen.
    std::vector<V> pts{V(0, 0), V(5, 0)};
    clear();
    ZDrawFunc2d::drawPolyline(dc, &ct, pts, -2, 0xFF, psSolid, N, -1);
    EXPECT_EQ(pen(), "CreatePen(5,0,0x000000ff)");
}

TEST_F(DrawFuncCalls, EachPrimitivePaintsInTheRasterOperationOfItsMode) {
    const int rop[] = {13, 7, 11, 6, 10};
    for (int mode = 0; mode < 5; ++mode) {
        line(1, psSolid, static_cast<EnDrawMode>(mode), bsSolid, 0);
        EXPECT_EQ(named("SetROP2").value(0), QString("SetROP2(%1)").arg(rop[mode]));
    }
    line(1, psSolid, static_cast<EnDrawMode>(9), bsSolid, 0);  // unknown: the device's mode is kept
    EXPECT_TRUE(named("SetROP2").isEmpty());
    EXPECT_EQ(named("LineTo").size(), 1);

    line(3, psSolid, N, bsClear, 0);  // a clear brush makes strokes no-ops
    EXPECT_EQ(named("SetROP2").value(0), "SetROP2(11)");
    clear();
    ZDrawFunc2d::drawRectElastic(dc, &ct, V(0, 0), V(5, 5), 0, psSolid, 0xFF);  // always XOR, >= 1 px
    EXPECT_EQ(named("SetROP2").value(0), "SetROP2(7)");
    EXPECT_EQ(pen(), "CreatePen(0,0,0x000000ff)");

    // Outlines, borders and path strokes paint in the same operation; the caller's (13) comes back.
    CLoop chain;
    chain.AddCurve(new CLine2d(V(10, 10), V(90, 10)), false);
    chain.AddCurve(new CArc2d(V(90, 10), V(90, 90), 40, CArc2d::CCW_SMALL), false);
    const std::function<void(EnDrawMode)> primitives[] = {
        [&](EnDrawMode m) {
            ZDrawFunc2d::drawLine(dc, &ct, V(5, 50), V(90, 20), 4, 0, psDash, 0xFF, m, bsSolid, 8, psSolid, 0, 1);
        },
        [&](EnDrawMode m) {
            ZDrawFunc2d::drawCircle(dc, &ct, V(50, 50), 30, 3, 0, psSolid, 0xFF, m, bsSolid, 1, psDot, 0xFF, 1);
        },
        [&](EnDrawMode m) {
            ZDrawFunc2d::drawEllipseArc(dc, &ct, V(50, 50), V(1, 1), 0, 1.5 * kPi * 40, 40, 20, 1, 0, 0, psSolid, 0xFF,
                                        m, bsSolid, 0, psSolid, 0, 3);
        },
        [&](EnDrawMode m) { ZDrawFunc2d::drawXPoly(dc, &ct, chain, 3, psSolid, 0xFF, m, 1); },
        [&](EnDrawMode m) {
            ZDrawFunc2d::fillRect(dc, &ct, zgp::CBox2<double>(15, 15, 85, 65), 0xFF, m, bsDiagCross, 2, psSolid, 0);
        },
    };
    const QRegularExpression paints("^(LineTo|Polyline|Polygon|Arc|Ellipse|PolyBezier|StrokePath)\\(");
    for (EnDrawMode mode : {vdcommon::dmXor, vdcommon::dmNop}) {
        for (size_t i = 0; i < std::size(primitives); ++i) {
            clear();
            primitives[i](mode);
            int current = 13, painted = 0;
            for (const QString& call : calls()) {
                if (call.startsWith("SetROP2(")) current = call.mid(8).chopped(1).toInt();
                if (!call.contains(paints)) continue;
                ++painted;
                EXPECT_EQ(current, rop[mode]) << i << call.toStdString();
            }
            EXPECT_GT(painted, 0) << i;
            EXPECT_EQ(current, 13) << i;
        }
    }
}

TEST_F(DrawFuncCalls, ArcDirectionDegenerateEndsAndHugeRadius) {
    arc(V(10, 0), V(0, 10), 10, CArc2d::CCW_SMALL);  // about (0, 0), device arc from start to end
    EXPECT_EQ(named("Arc"), QStringList("Arc(90,90,110,110,110,100,100,90)"));
    arc(V(10, 0), V(0, 10), 10, CArc2d::CW_SMALL);  // about (10, 10); the device only turns one way
    EXPECT_EQ(named("Arc"), QStringList("Arc(100,80,120,100,100,90,110,100)"));
    arc(V(10, 0), V(10, 0.3), 5, CArc2d::CW_LARGE);  // ends on one pixel: the full circle
    EXPECT_EQ(named("Arc").size(), 1);
    arc(V(10, 0), V(10, 0.3), 5, CArc2d::CCW_SMALL);  // ... or nothing at all
    EXPECT_TRUE(calls().isEmpty());
    arc(V(0, 0), V(10, 0), 2e8, CArc2d::CCW_SMALL);  // practically straight: the chord
    EXPECT_TRUE(named("Arc").isEmpty());
    EXPECT_EQ(named("LineTo"), QStringList("LineTo(110,100)"));
    arc(V(2, 0), V(0, 2), 2, CArc2d::CCW_SMALL, 9);  // never wider than the diameter
    EXPECT_EQ(pen(), "ExtCreatePen(0x12200,4,{0,0x00000000,0},0,null)");

    clear();  // a circle is two clockwise halves of radius (radius - offset)
    ZDrawFunc2d::drawCircle(dc, &ct, V(0, 0), 12, 4, 2, psSolid, 0, N, bsSolid, 0, psSolid, kWhite, 0);
    EXPECT_EQ(named("Arc"), QStringList({"Arc(90,90,110,110,110,100,90,100)", "Arc(90,90,110,110,90,100,110,100)"}));
    clear();  // its outline: thin circles along both edges of the stroke, -5 px at zoom 2 = 2.5 wide
    ct.setZoomFactor(2);
    ZDrawFunc2d::drawCircle(dc, &ct, V(0, 0), 10, -5, 0, psSolid, 0, N, bsSolid, 1, psDot, 0xFF, 0);
    const QStringList arcs = named("Arc");
    ASSERT_EQ(arcs.size(), 6);
    EXPECT_TRUE(arcs[2].startsWith("Arc(82,82,118,118,") && arcs[4].startsWith("Arc(77,77,123,123,"));
}

TEST_F(DrawFuncCalls, FailedArcIsFlattenedWithScreenDependentSegments) {
    setRecordedFailure(dc, "Arc", true);
    // Sweep 105.5 degrees. 144 * r / 1080 segments a turn in integer division, within [36, 360]:
    // r 100 -> 36 (11 segments), r 5000 -> 360 (106), r 1000 -> 133 (39).
    const std::pair<double, size_t> cases[] = {{100, 12}, {5000, 107}, {1000, 40}};
    const double sweep = 105.5 * kPi / 180.0;
    for (const auto& [r, count] : cases) {
        const V s(r, 0), e(r * std::cos(sweep), r * std::sin(sweep));
        arc(s, e, r, CArc2d::CCW_SMALL);
        const QStringList poly = named("Polyline");
        ASSERT_EQ(poly.size(), 1);
        const auto pts = points(poly[0]);
        EXPECT_EQ(pts.size(), count) << r;
        EXPECT_TRUE(pts.front() == CVec2<int>(ct.WCTODC_X(s.x), ct.WCTODC_Y(s.y)));
        EXPECT_TRUE(pts.back() == CVec2<int>(ct.WCTODC_X(e.x), ct.WCTODC_Y(e.y)));
    }
}

TEST_F(DrawFuncCalls, ChainsStrokeAsSegmentOrPathAndClosedOnesRunPastTheStart) {
    std::vector<V> two{V(0, 0), V(5, 5)};
    ZDrawFunc2d::drawPolyline(dc, &ct, two, 1, 0, psSolid, N, 1);
    EXPECT_EQ(named("LineTo"), QStringList("LineTo(105,95)"));
    EXPECT_TRUE(named("BeginPath").isEmpty());
    auto chain = [&](EnDrawMode mode, bool closed) {
        CLoop loop;
        loop.AddCurve(new CLine2d(V(0, 0), V(10, 0)), false);
        loop.AddCurve(new CLine2d(V(10, 0), V(10, 10)), false);
        clear();
        ZDrawFunc2d::drawXPolyline(dc, &ct, loop, 1, 0, psSolid, 0, mode, bsSolid, 1, closed, 0, psSolid, kWhite);
        return loop.CoedgeCount();
    };
    EXPECT_EQ(chain(N, true), 3);  // the caller's loop is closed
    const QStringList c = calls();
    EXPECT_EQ(c.mid(c.indexOf("BeginPath()"), 4),
              QStringList({"BeginPath()", "Polyline({(100,100),(110,100),(110,90),(100,100),(110,100)},5)", "EndPath()",
                           "StrokePath()"}));
    chain(vdcommon::dmXor, true);  // in XOR the repeated segment would cancel out
    EXPECT_EQ(named("Polyline"), QStringList("Polyline({(100,100),(110,100),(110,90),(100,100)},4)"));
    EXPECT_EQ(chain(N, false), 2);
    EXPECT_EQ(named("Polyline"), QStringList("Polyline({(100,100),(110,100),(110,90)},3)"));
}

TEST_F(DrawFuncCalls, EllipseArcBezierPiecesRotationAndDirection) {
    auto ellipse = [&](V axis, double turns, int dir, EnBrushStyle bs, int minWidth) {
        clear();  // parameters are eccentric angle times the major radius 20
        ZDrawFunc2d::drawEllipseArc(dc, &ct, V(0, 0), axis, 0, turns * 2 * kPi * 20, 20, 10, dir, 7, 7, psSolid, 0, N,
                                    bs, 5, psSolid, 0, minWidth);
        const QStringList b = named("PolyBezier");
        return b.isEmpty() ? std::vector<CVec2<int>>() : points(b[0]);
    };
    auto near = [](CVec2<int> p, int x, int y) { return std::abs(p.x - x) <= 1 && std::abs(p.y - y) <= 1; };

    ellipse(V(1, 0), 1, 1, bsSolid, 0);
    EXPECT_EQ(pen(), "CreatePen(0,0,0x00000000)");  // the width plays no part
    EXPECT_EQ(named("SelectObject").value(1), "SelectObject(NULL_BRUSH)");
    auto cw = ellipse(V(1, 0), 1.5, -1, bsSolid, 0);  // cut back to half a turn, clockwise
    ASSERT_EQ(cw.size(), 7u);
    EXPECT_TRUE(near(cw[0], 80, 100) && near(cw[3], 100, 110) && near(cw[6], 120, 100));
    ellipse(V(0, 3), 0.25, 1, bsSolid, 3);
    EXPECT_EQ(pen(), "ExtCreatePen(0x12200,3,{0,0x00000000,0},0,null)");
    ellipse(V(1, 0), 0.5, 1, bsClear, 0);
    EXPECT_EQ(named("SetROP2").value(0), "SetROP2(11)");
    EXPECT_TRUE(ellipse(V(1, 0), 0, 1, bsSolid, 0).empty());
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(DrawFuncCalls, FillPensBrushesAndAbandonedFills) {
    const struct {
        EnBrushStyle bs;
        unsigned char border;
        const char* pen;
        const char* brush;
    } cases[] = {
        {bsSolid, 0, "CreatePen(5,0,0x0000ff00)", "CreateBrushIndirect({0,0x000000ff,0})"},
        {bsBDiagonal, 3, "ExtCreatePen(0x12202,3,{0,0x0000ff00,0},0,null)", "CreateBrushIndirect({2,0x000000ff,3})"},
    };
    for (const auto& c : cases) {
        clear();
        ZDrawFunc2d::fillRect(dc, &ct, zgp::CBox2<double>(0, 0, 10, 5), 0xFF, N, c.bs, c.border, psDot, 0xFF00);
        EXPECT_EQ(pen(), c.pen);
        EXPECT_EQ(named("CreateBrushIndirect"), QStringList(c.brush));
        EXPECT_EQ(named("Polygon"), QStringList("Polygon({(100,100),(110,100),(110,95),(100,95),(100,100)},5)"));
        EXPECT_EQ(named("DeleteObject").size(), 2);
    }
    clear();
    ct.setZoomFactor(2);
    ZDrawFunc2d::fillCircle(dc, &ct, V(0, 0), 2.5, 0xFF, N, bsSolid, 0, psSolid, 0);
    EXPECT_EQ(named("Ellipse"), QStringList("Ellipse(95,95,105,105)"));
    clear();  // an arc that rounds to no pixel abandons the whole fill
    CLoop tiny;
    tiny.AddCurve(new CArc2d(V(0, 0), 0.0004, zgp::CInterval<double>(0, 0.0004), 1), false);
    ZDrawFunc2d::fillXPoly(dc, &ct, tiny, 0xFF, N, bsSolid, 0, psSolid, 0);
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(DrawFuncCalls, ArrowHeadsOpenBackwardsFromTheEnd) {
    CLine2d shaft(V(0, 0), V(10, 0));
    ZDrawFunc2d::drawArrow(dc, &ct, shaft, 1, 3, kPi / 2, 0, psSolid, 0, N);
    EXPECT_EQ(named("MoveToEx"), QStringList({"MoveToEx(100,100)", "MoveToEx(110,100)", "MoveToEx(110,100)"}));
    EXPECT_EQ(named("LineTo"), QStringList({"LineTo(110,100)", "LineTo(108,103)", "LineTo(108,98)"}));

    CLoop path;
    path.AddCurve(new CLine2d(V(0, 0), V(40, 0)), false);
    clear();
    ZDrawFunc2d::drawPMultiArrow(dc, &ct, path, 1, 3, kPi / 2, 0, psSolid, 0, N);
    EXPECT_TRUE(calls().isEmpty());  // needs two curves
    path.AddCurve(new CLine2d(V(40, 0), V(40, 40)), false);
    ZDrawFunc2d::drawPMultiArrow(dc, &ct, path, 1, 3, kPi / 2, 0, psSolid, 0, N);
    EXPECT_EQ(named("MoveToEx"), QStringList({"MoveToEx(110,100)", "MoveToEx(130,100)", "MoveToEx(130,100)"}));
    EXPECT_EQ(path.GetCurve(0)->Length(), 40.0);  // the caller's curve stays whole
}

TEST_F(DrawFuncCalls, NullDeviceOrTransformDrawsNothing) {
    CLoop loop;
    loop.AddCurve(new CLine2d(V(0, 0), V(1, 0)), false);
    for (HDC h : {static_cast<HDC>(nullptr), dc}) {
        const ZCoordTrans* t = h ? nullptr : &ct;
        ZDrawFunc2d::drawCircle(h, t, V(0, 0), 5, 1, 0, psSolid, 0, N, bsSolid, 1, psSolid, 0, 1);
        ZDrawFunc2d::drawSpline(h, t, nullptr, 1, psSolid, 0, N, 1);
        ZDrawFunc2d::drawPoint(h, t, loop, V(0, 0), V(0, 0), 1, 0, N, bsSolid, 1, psSolid, 0);
    }
    EXPECT_TRUE(calls().isEmpty());
}

}  // namespace
