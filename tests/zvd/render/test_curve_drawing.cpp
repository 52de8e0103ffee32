// zvd tests: the normal, selected and elastic drawing of lines, arcs and circles, with and without
// end marks, read from the recording device and compared with the primitive calls they stand for.
#include <cmath>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include "zgp/arc2d.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CArc2d;
using zgp::CCurve2d;
using zgp::CGeometry;
using zgp::CLine2d;
using zgp::CLoop;
using V = zgp::CVec2<double>;

static void PrintTo(const QStringList& l, std::ostream* os) { *os << "\n  " << l.join("\n  ").toStdString(); }

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kWhite = 0xFFFFFF;
constexpr int kSelected = 0xFF0000;
const EnDrawMode N = vdcommon::dmNormal;

enum Hook { kNormal, kSelectedHook, kElastic };

// ---- what the marks are made of, computed here from the curve's end data -------------------------

// A piece of mark geometry: a line a-b, an arc a-b of radius r and sense, or a dot (centre a, radius r).
struct Piece {
    int kind;
    V a, b;
    double r = 0.0;
    int sense = 0;
};

// The pieces a mark of the given style and signed size adds at one end of curve.
std::vector<Piece> markPieces(const CCurve2d& curve, bool atStart, int style, int size, int lineWidth) {
    if (size == 0 || style < msArrow || style > msTick) return {};
    const double S = size, L = std::fabs(S);
    const V P = atStart ? curve.StartPoint() : curve.EndPoint();
    const V t = atStart ? -curve.StartVt() : curve.EndVt();
    const V d = t.Length() < 2.220446049250313e-16 ? V() : t.Normalized();
    const double outward = atStart ? 1.0 : -1.0;  // turning towards the outside
    switch (style) {
    case msArrow: {
        double theta = 0.0;
        if (const auto* arc = dynamic_cast<const CArc2d*>(&curve)) {
            const double turn = L / arc->Radius() * arc->Sense() * (atStart ? 1.0 : -1.0);
            theta = (P.RotatedAbout(arc->CenterPt(), turn) - P).Angle();
        } else {
            theta = (curve.EndPoint() - curve.StartPoint()).Angle() + (atStart ? 0.0 : kPi);
        }
        const double w = L / 3.0 + (lineWidth > 0 ? lineWidth : 0);
        const double a = std::atan(w / L), s = std::sqrt(L * L + w * w);
        const V c1 = P + V(std::cos(theta + a), std::sin(theta + a)) * s;
        const V c2 = P + V(std::cos(theta - a), std::sin(theta - a)) * s;
        return {{zgp::GT_LINE, P, c1}, {zgp::GT_LINE, c1, c2}, {zgp::GT_LINE, c2, P}};
    }
    case msDot:
        return {{zgp::GT_LOOP, P, P, L / 2.0}};
    case msSlash: {
        const V dd = d.Rotated(S < 1 ? -kPi / 4.0 : kPi / 4.0);
        const double half = atStart ? S / 2.0 : static_cast<double>(size / 2);
        if (atStart) return {{zgp::GT_LINE, P + dd * half, P - dd * half}};
        return {{zgp::GT_LINE, P - dd * half, P + dd * half}};
    }
    case msHook: {
        const V e = P + d.Rotated(outward * kPi / 2.0) * S;
        const int sense = (atStart == (S >= 0)) ? 1 : -1;
        return {{zgp::GT_ARC, P, e, L / 2.0, sense}, {zgp::GT_LINE, e, e - d * (L / 2.0)}};
    }
    default:  // msTick
        return {{zgp::GT_LINE, P, P + d.Rotated(outward * kPi / 2.0) * S}};
    }
}

bool near(const V& a, const V& b) { return a.DistanceTo(b) < 1e-9; }

// The piece a plain line or arc stands for.
Piece pieceOf(const CCurve2d& c) {
    Piece p{c.Type(), c.StartPoint(), c.EndPoint()};
    if (const auto* arc = dynamic_cast<const CArc2d*>(&c)) {
        p.r = arc->Radius();
        p.sense = arc->Sense();
    }
    return p;
}

::testing::AssertionResult matches(const CGeometry* g, const Piece& p) {
    auto fail = [&](const char* what) { return ::testing::AssertionFailure() << what << " (kind " << p.kind << ")"; };
    if (!g || g->Type() != p.kind) return fail("wrong kind of entry");
    if (p.kind == zgp::GT_LOOP) {
        const auto* loop = static_cast<const CLoop*>(g);
        if (loop->CoedgeCount() != 2) return fail("a dot is two half arcs");
        for (int i = 0; i < 2; ++i) {
            const auto* arc = dynamic_cast<const CArc2d*>(loop->GetCurve(i));
            if (!arc || !near(arc->CenterPt(), p.a) || std::fabs(arc->Radius() - p.r) > 1e-9) return fail("dot arc");
        }
        if (!near(loop->GetCurve(0)->StartPoint(), p.a + V(p.r, 0))) return fail("dot starts at angle 0");
        return ::testing::AssertionSuccess();
    }
    const auto* c = static_cast<const CCurve2d*>(g);
    if (!near(c->StartPoint(), p.a) || !near(c->EndPoint(), p.b))
        return ::testing::AssertionFailure() << "ends (" << c->StartPoint().x << ", " << c->StartPoint().y << ")-("
                                             << c->EndPoint().x << ", " << c->EndPoint().y << "), expected (" << p.a.x
                                             << ", " << p.a.y << ")-(" << p.b.x << ", " << p.b.y << ")";
    if (p.kind == zgp::GT_ARC) {
        const auto* arc = static_cast<const CArc2d*>(g);
        if (std::fabs(arc->Radius() - p.r) > 1e-9 || arc->Sense() != p.sense) return fail("arc radius or sense");
    }
    return ::testing::AssertionSuccess();
}

// The item's list of curves with marks, owned here.
struct MarkList {
    explicit MarkList(ZVDCurve& item) : list(item.createXLinesWithMark()) {}
    ~MarkList() {
        if (!list) return;
        for (CGeometry* g : *list)
            if (g) g->Free();
        delete list;
    }
    int size() const { return list ? static_cast<int>(list->size()) : 0; }
    CGeometry* at(int i) const { return (*list)[static_cast<size_t>(i)]; }
    std::vector<CGeometry*>* list;
};

// Cuts the ends of a line or arc copy as the arrows' shortening does (nothing when too short).
void shorten(CCurve2d* c, double startCut, double endCut) {
    if (!(c->Length() > startCut + endCut)) return;
    if (auto* line = dynamic_cast<CLine2d*>(c)) {
        const V dir = (line->EndPoint() - line->StartPoint()).Normalized();
        line->Set(line->StartPoint() + dir * startCut, line->EndPoint() - dir * endCut);
    } else if (auto* arc = dynamic_cast<CArc2d*>(c)) {
        if (arc->Radius() == 0.0) return;
        const double k = arc->Sense() / arc->Radius();
        const V s = arc->StartPoint().RotatedAbout(arc->CenterPt(), startCut * k);
        const V e = arc->EndPoint().RotatedAbout(arc->CenterPt(), -endCut * k);
        arc->Set(arc->CenterPt(), s, e, arc->Sense());
    }
}

// The calls of a curve drawn with its marks: arrows and dots filled, a slash stroked alone, the
// rest (hooks and ticks included) as one open chain of width lineWidth.
void drawWithMarks(HDC dc, const ZCoordTrans& ct, ZVDCurve& item, const MarkList& marks, int colour, EnPenStyle style,
                   EnDrawMode mode) {
    std::vector<CGeometry*> list;
    for (int i = 0; i < marks.size(); ++i) list.push_back(marks.at(i)->Clone());
    const int n = static_cast<int>(list.size());
    auto curve = [&](int i) { return static_cast<CCurve2d*>(list[static_cast<size_t>(i)]); };
    auto fillArrow = [&](int from) {
        CLoop loop;
        for (int i = from; i < from + 3; ++i) loop.AddCurve(curve(i), true);
        ZDrawFunc2d::fillXPoly(dc, &ct, loop, colour, mode, bsSolid, 0, psSolid, kWhite);
    };
    auto fillDot = [&](int i) {
        const auto* arc = static_cast<CArc2d*>(static_cast<CLoop*>(list[static_cast<size_t>(i)])->GetCurve(0));
        ZDrawFunc2d::fillCircle(dc, &ct, arc->CenterPt(), arc->Radius(), colour, mode, bsSolid, 0, psSolid, kWhite);
    };
    auto slash = [&](int i) {
        ZDrawFunc2d::drawXLine(dc, &ct, *curve(i), 0, 0, style, colour, mode, bsSolid, 0, psSolid, kWhite, 1);
    };
    const bool startMark = item.startMarkSize() != 0, endMark = item.endMarkSize() != 0;
    const double cutStart = std::abs(item.startMarkSize()) * 2.0 / 3.0;
    const double cutEnd = std::abs(item.endMarkSize()) * 2.0 / 3.0;
    int first = 0, last = n - 1;
    switch (startMark ? item.startMarkStyle() : msNone) {
    case msArrow:
        fillArrow(0);
        shorten(curve(3), cutStart, 0);
        first = 3;
        break;
    case msDot:
        fillDot(0);
        first = 1;
        break;
    case msSlash:
        slash(0);
        first = 1;
        break;
    default:
        break;
    }
    switch (endMark ? item.endMarkStyle() : msNone) {
    case msArrow:
        fillArrow(n - 3);
        shorten(curve(n - 4), 0, cutEnd);
        last = n - 4;
        break;
    case msDot:
        fillDot(n - 1);
        last = n - 2;
        break;
    case msSlash:
        slash(n - 1);
        last = n - 2;
        break;
    default:
        break;
    }
    CLoop chain;
    for (int i = first; i <= last; ++i)
        if (list[static_cast<size_t>(i)]->Type() != zgp::GT_LOOP) chain.AddCurve(curve(i)->Clone(), false);
    ZDrawFunc2d::drawXPolyline(dc, &ct, chain, item.lineWidth(), 0, style, colour, mode, bsSolid, 1, false, 0, psSolid,
                               kWhite);
    for (CGeometry* g : list) g->Free();
}

// Arc type by sense and sweep: 1/3 counter-clockwise, 2/4 clockwise, 3/4 beyond half a turn.
CArc2d::ArcType typeOf(const CArc2d& arc) {
    const bool large = arc.Length() / arc.Radius() > kPi;
    if (arc.Sense() > 0) return large ? CArc2d::CCW_LARGE : CArc2d::CCW_SMALL;
    return large ? CArc2d::CW_LARGE : CArc2d::CW_SMALL;
}

// Renumbers handles by first appearance, so that logs taken one after the other compare equal.
QStringList normalised(const QStringList& calls) {
    static const QRegularExpression handle("\\bh\\d+\\b");
    QHash<QString, QString> names;
    QStringList out;
    for (QString c : calls) {
        QString result;
        int at = 0;
        auto it = handle.globalMatch(c);
        while (it.hasNext()) {
            const auto m = it.next();
            if (!names.contains(m.captured())) names.insert(m.captured(), QString("h%1").arg(names.size() + 1));
            result += c.mid(at, m.capturedStart() - at) + names.value(m.captured());
            at = m.capturedEnd();
        }
        out << result + c.mid(at);
    }
    return out;
}

class CurveDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        dc = createRecordingDC();
        ASSERT_NE(dc, nullptr);
        ct.setDPoint(zgp::CVec2<int>(100, 100));  // world (x, y) is device (100 + x, 100 - y)
    }
    void TearDown() override { destroyDC(dc); }

    // The calls one hook makes, through the item's public draw (any level).
    QStringList hook(ZVDCurve& item, Hook h) {
        item.setSelected(h == kSelectedHook);
        clearRecordedCalls(dc);
        item.draw(dc, ct, h == kElastic, -1);
        item.setSelected(false);
        return normalised(recordedCalls(dc));
    }
    QStringList logOf(const std::function<void()>& draw) {
        clearRecordedCalls(dc);
        draw();
        return normalised(recordedCalls(dc));
    }
    // Only the calls that put pixels down (and the pens), without handles.
    QStringList shapes(const QStringList& calls) const {
        static const QRegularExpression keep(
            "^(MoveToEx|LineTo|Polyline|Polygon|Ellipse|Arc|CreatePen|ExtCreatePen)\\(");
        QStringList out;
        for (const QString& c : calls)
            if (keep.match(c).hasMatch()) out << c.section('=', 0, 0);
        return out;
    }
    // Colour, pen style and draw mode of a hook.
    void hookPen(const ZVDCurve& item, Hook h, int& colour, EnPenStyle& style, EnDrawMode& mode) const {
        colour = h == kNormal ? item.color() : h == kSelectedHook ? kSelected : kWhite;
        mode = h == kElastic ? vdcommon::dmXor : N;
        style = item.lineStyle();
        if (h == kSelectedHook && std::ceil(item.lineWidth() * ct.zoomFactor() - 0.001) <= 1) style = psDot;
    }
    // Checks the item's list against the mark geometry and the hook's calls against the
    // primitive calls of the curve drawn with its marks.
    void checkMarkedDrawing(ZVDCurve& item, const char* what) {
        SCOPED_TRACE(what);
        MarkList marks(item);
        ASSERT_NE(marks.list, nullptr);
        zgp::CRefPtr<CCurve2d> c = item.xLines(0);
        const auto head = markPieces(*c, true, item.startMarkStyle(), item.startMarkSize(), item.lineWidth());
        const auto tail = markPieces(*c, false, item.endMarkStyle(), item.endMarkSize(), item.lineWidth());
        ASSERT_EQ(marks.size(), static_cast<int>(head.size() + 1 + tail.size()));
        for (size_t i = 0; i < head.size(); ++i) EXPECT_TRUE(matches(marks.at(static_cast<int>(i)), head[i])) << i;
        EXPECT_TRUE(matches(marks.at(static_cast<int>(head.size())), pieceOf(*c)));
        for (size_t i = 0; i < tail.size(); ++i)
            EXPECT_TRUE(matches(marks.at(static_cast<int>(head.size() + 1 + i)), tail[i])) << "end " << i;
        if (::testing::Test::HasFailure()) return;
        for (Hook h : {kNormal, kSelectedHook, kElastic}) {
            int colour;
            EnPenStyle style;
            EnDrawMode mode;
            hookPen(item, h, colour, style, mode);
            const QStringList expected = logOf([&] { drawWithMarks(dc, ct, item, marks, colour, style, mode); });
            EXPECT_EQ(hook(item, h), expected) << "hook " << h;
        }
    }

    HDC dc = nullptr;
    ZCoordTrans ct;
};

std::unique_ptr<ZVDLine> makeLine(V s, V e, int colour = 0x00FF00) {
    auto line = std::make_unique<ZVDLine>();
    line->set(s, e);
    line->setColor(colour);
    return line;
}

std::unique_ptr<ZVDArc> makeArc(V s, V e, CArc2d::ArcType type, double r) {
    auto arc = std::make_unique<ZVDArc>();
    arc->set(s, e, type, r);
    arc->setColor(0x0000FF);
    return arc;
}

std::unique_ptr<ZVDCircle> makeCircle(V c, double r) {
    auto circle = std::make_unique<ZVDCircle>();
    circle->setCenterPt(c);
    circle->setRadius(r);
    circle->setColor(0x808000);
    return circle;
}

void setMarks(ZVDCurve& item, int startStyle, int startSize, int endStyle, int endSize) {
    item.setStartMarkStyle(static_cast<EnMarkStyle>(startStyle));
    item.setStartMarkSize(static_cast<short>(startSize));
    item.setEndMarkStyle(static_cast<EnMarkStyle>(endStyle));
    item.setEndMarkSize(static_cast<short>(endSize));
}

// ---- without marks ----------------------------------------------------------------------------------

TEST_F(CurveDrawing, UnmarkedItemsDrawThroughOnePrimitivePerHook) {
    auto line = makeLine(V(0, 0), V(30, 10));
    line->setLineStyle(psDash);
    auto ccw = makeArc(V(20, 0), V(0, 20), CArc2d::CCW_SMALL, 20);     // a quarter turn
    auto cwLarge = makeArc(V(20, 0), V(0, 20), CArc2d::CW_LARGE, 20);  // three quarters
    cwLarge->setLineWidth(3);
    auto circle = makeCircle(V(5, -5), 12.5);
    circle->setLineStyle(psDashDot);
    for (ZVDCurve* item : {static_cast<ZVDCurve*>(line.get()), static_cast<ZVDCurve*>(ccw.get()),
                           static_cast<ZVDCurve*>(cwLarge.get()), static_cast<ZVDCurve*>(circle.get())}) {
        for (Hook h : {kNormal, kSelectedHook, kElastic}) {
            int colour;
            EnPenStyle style;
            EnDrawMode mode;
            hookPen(*item, h, colour, style, mode);
            const double w = item->lineWidth();
            const QStringList expected = logOf([&] {
                if (item == line.get()) {
                    ZDrawFunc2d::drawLine(dc, &ct, V(0, 0), V(30, 10), w, 0, style, colour, mode, bsSolid, 0, psSolid,
                                          kWhite, 1);
                } else if (item == circle.get()) {
                    for (double side : {-1.0, 1.0})
                        ZDrawFunc2d::drawArc(dc, &ct, V(5 + 12.5 * side, -5), V(5 - 12.5 * side, -5), 12.5,
                                             CArc2d::CW_SMALL, w, 0, style, colour, mode, bsSolid, 0, psSolid, kWhite,
                                             1);
                } else {
                    zgp::CRefPtr<CCurve2d> c = item->xLines(0);
                    const auto& arc = static_cast<const CArc2d&>(*c);
                    ZDrawFunc2d::drawArc(dc, &ct, arc.StartPoint(), arc.EndPoint(), 20, typeOf(arc), w, 0, style,
                                         colour, mode, bsSolid, 0, psSolid, kWhite, 1);
                }
            });
            EXPECT_EQ(hook(*item, h), expected) << "item type " << item->itemType() << ", hook " << h;
        }
    }
    // The whole bracket of the plain line, by hand: dashed cosmetic pen, copy mode, state restored.
    EXPECT_EQ(hook(*line, kNormal),
              QStringList({"SetROP2(13)", "SetBkColor(0x00000000)", "CreatePen(1,0,0x0000ff00)=h1", "SelectObject(h1)",
                           "MoveToEx(100,100)", "LineTo(130,90)", "SelectObject(BLACK_PEN)", "DeleteObject(h1)",
                           "SetROP2(13)", "SetBkColor(0x00ffffff)"}));
    // The circle's two clockwise halves, left to right over the top and back.
    EXPECT_EQ(shapes(hook(*circle, kElastic)),
              QStringList({"CreatePen(3,0,0x00ffffff)", "Arc(92,92,118,118,118,105,93,105)",
                           "CreatePen(3,0,0x00ffffff)", "Arc(92,92,118,118,93,105,118,105)"}));
    EXPECT_EQ(shapes(hook(*cwLarge, kNormal)).value(0), "ExtCreatePen(0x12200,3,{0,0x000000ff,0},0,null)");
}

TEST_F(CurveDrawing, SelectedPenIsDottedWhileTheLineIsOnePixelWide) {
    auto line = makeLine(V(0, 0), V(20, 0));
    line->setLineStyle(psDashDotDot);
    const struct {
        int width;
        double zoom;
        const char* pen;
    } cases[] = {
        {1, 1.0, "CreatePen(2,0,0x00ff0000)"},
        {1, 1.0009, "CreatePen(2,0,0x00ff0000)"},  // still within the rounding slack of one pixel
        {1, 1.002, "ExtCreatePen(0x12204,2,{0,0x00ff0000,0},0,null)"},
        {3, 1.0, "ExtCreatePen(0x12204,3,{0,0x00ff0000,0},0,null)"},
        {3, 0.3, "CreatePen(2,0,0x00ff0000)"},
        {2, 0.51, "ExtCreatePen(0x12204,2,{0,0x00ff0000,0},0,null)"},
    };
    for (const auto& c : cases) {
        line->setLineWidth(static_cast<short>(c.width));
        ct.setZoomFactor(c.zoom);
        EXPECT_EQ(shapes(hook(*line, kSelectedHook)).value(0), c.pen) << c.width << " at zoom " << c.zoom;
        // The other hooks keep the item's own style.
        EXPECT_TRUE(shapes(hook(*line, kNormal)).value(0).contains(c.width * c.zoom > 1.001 ? "0x12204," : "(4,0,"));
    }
    // Marked curves choose their pen the same way.
    line->setLineWidth(1);
    ct.setZoomFactor(1.0);
    setMarks(*line, msSlash, 6, msNone, 0);
    for (const QString& pen : shapes(hook(*line, kSelectedHook)).filter("Pen("))
        EXPECT_EQ(pen, "CreatePen(2,0,0x00ff0000)");
}

// ---- marks ------------------------------------------------------------------------------------------

TEST_F(CurveDrawing, MarksOnAHorizontalLineLandOnTheExpectedPixels) {
    // Line (0, 0)-(30, 0), one pixel wide: device (100, 100)-(130, 100).
    auto line = makeLine(V(0, 0), V(30, 0), 0x0000FF);
    const struct {
        int ss, sz, es, ez;
        QStringList calls;
    } cases[] = {
        // Arrow 9: half-width 9/3 + 1 = 4, corners at (9, +-4); the line starts 6 further in.
        {msArrow,
         9,
         0,
         0,
         {"CreatePen(5,0,0x00ffffff)", "Polygon({(100,100),(109,96),(109,104),(100,100)},4)",
          "CreatePen(0,0,0x000000ff)", "MoveToEx(106,100)", "LineTo(130,100)"}},
        {0,
         0,
         msArrow,
         9,
         {"CreatePen(5,0,0x00ffffff)", "Polygon({(130,100),(121,104),(121,96),(130,100)},4)",
          "CreatePen(0,0,0x000000ff)", "MoveToEx(100,100)", "LineTo(124,100)"}},
        // Dot 7: a filled disc of radius 3.5, i.e. 4 pixels.
        {0,
         0,
         msDot,
         7,
         {"CreatePen(5,0,0x00ffffff)", "Ellipse(126,96,134,104)", "CreatePen(0,0,0x000000ff)", "MoveToEx(100,100)",
          "LineTo(130,100)"}},
        // Slash 9 at the start: 9 long at 45 degrees; at the end the half length is 9/2 = 4.
        {msSlash,
         9,
         0,
         0,
         {"CreatePen(0,0,0x000000ff)", "MoveToEx(97,104)", "LineTo(104,97)", "CreatePen(0,0,0x000000ff)",
          "MoveToEx(100,100)", "LineTo(130,100)"}},
        {0,
         0,
         msSlash,
         9,
         {"CreatePen(0,0,0x000000ff)", "MoveToEx(128,103)", "LineTo(133,98)", "CreatePen(0,0,0x000000ff)",
          "MoveToEx(100,100)", "LineTo(130,100)"}},
        // A negative size turns the slash the other way.
        {msSlash,
         -8,
         0,
         0,
         {"CreatePen(0,0,0x000000ff)", "MoveToEx(103,103)", "LineTo(98,98)", "CreatePen(0,0,0x000000ff)",
          "MoveToEx(100,100)", "LineTo(130,100)"}},
        // Tick 6 at the end: down from the end point, continuing the chain.
        {0, 0, msTick, 6, {"CreatePen(0,0,0x000000ff)", "Polyline({(100,100),(130,100),(130,106)},3)"}},
        {0, 0, msTick, -6, {"CreatePen(0,0,0x000000ff)", "Polyline({(100,100),(130,100),(130,94)},3)"}},
        // Both ends: the start mark is drawn first, the chain last.
        {msDot,
         7,
         msArrow,
         9,
         {"CreatePen(5,0,0x00ffffff)", "Ellipse(96,96,104,104)", "CreatePen(5,0,0x00ffffff)",
          "Polygon({(130,100),(121,104),(121,96),(130,100)},4)", "CreatePen(0,0,0x000000ff)", "MoveToEx(100,100)",
          "LineTo(124,100)"}},
    };
    for (const auto& c : cases) {
        setMarks(*line, c.ss, c.sz, c.es, c.ez);
        EXPECT_EQ(shapes(hook(*line, kNormal)), c.calls) << c.ss << "/" << c.sz << " " << c.es << "/" << c.ez;
    }
    // A hook at the end: half a turn clockwise beyond the end point down to (30, -8), then back in.
    setMarks(*line, msNone, 0, msHook, 8);
    const QStringList hooked = shapes(hook(*line, kNormal)).filter("Polyline(");
    ASSERT_EQ(hooked.size(), 1);
    EXPECT_TRUE(hooked[0].startsWith("Polyline({(100,100),(130,100),")) << hooked[0].toStdString();
    EXPECT_TRUE(hooked[0].contains("(134,104)")) << "passes the far side of the half circle";
    EXPECT_TRUE(hooked[0].contains("(130,108),(130,108),(126,108)}")) << hooked[0].toStdString();
}

TEST_F(CurveDrawing, EveryMarkStyleAtEitherEndOfLinesArcsAndCircles) {
    auto line = makeLine(V(-20, 5), V(25, 35));
    auto shortLine = makeLine(V(0, 0), V(5, 0));  // shorter than an arrow's cut: stays whole
    auto arc = makeArc(V(30, 0), V(-10, 25), CArc2d::CCW_SMALL, 28);
    auto cwArc = makeArc(V(30, 0), V(-10, 25), CArc2d::CW_LARGE, 28);
    cwArc->setLineWidth(2);
    auto circle = makeCircle(V(3, 4), 17);
    line->setLineStyle(psDash);
    ZVDCurve* items[] = {line.get(), shortLine.get(), arc.get(), cwArc.get(), circle.get()};
    const int sizes[] = {9, -11};
    for (ZVDCurve* item : items) {
        for (int size : sizes) {
            for (int style = msArrow; style <= msTick; ++style) {
                const QString tag = QString("type %1 style %2 size %3 ").arg(item->itemType()).arg(style).arg(size);
                setMarks(*item, style, size, msNone, 0);
                checkMarkedDrawing(*item, (tag + "at the start").toUtf8().constData());
                setMarks(*item, msNone, 0, style, size);
                checkMarkedDrawing(*item, (tag + "at the end").toUtf8().constData());
                // Both ends, each style against another one.
                setMarks(*item, style, size, style % 5 + 1, 13);
                checkMarkedDrawing(*item, (tag + "with another at the end").toUtf8().constData());
                setMarks(*item, style, size, style, size);
                checkMarkedDrawing(*item, (tag + "at both ends").toUtf8().constData());
            }
        }
    }
}

TEST_F(CurveDrawing, MarksWithoutSizeOrStyleDrawNothingExtra) {
    auto arc = makeArc(V(20, 0), V(0, 20), CArc2d::CCW_SMALL, 20);
    auto plain = [&] { return shapes(hook(*arc, kNormal)); };
    setMarks(*arc, msNone, 0, msNone, 0);
    const QStringList unmarked = plain();
    ASSERT_EQ(unmarked.filter("Arc(").size(), 1);

    // A style without size, or a size without style: the plain drawing.
    setMarks(*arc, msArrow, 0, msSlash, 0);
    EXPECT_EQ(plain(), unmarked);
    setMarks(*arc, msNone, 7, msNone, 7);
    EXPECT_EQ(plain(), unmarked);

    // A style beyond the known ones adds no geometry, but the curve is then drawn as a chain.
    setMarks(*arc, 7, 5, msNone, 0);
    const QStringList chained = plain();
    EXPECT_TRUE(chained.filter("Arc(").isEmpty());
    ASSERT_EQ(chained.filter("Polyline(").size(), 1);
    EXPECT_TRUE(chained.filter("Polyline(")[0].startsWith("Polyline({(120,100),"));
    checkMarkedDrawing(*arc, "unknown style");
}

}  // namespace
