// zvd: ZVDCurve's end marks (arrow, dot, slash, hook, tick) as world geometry, and the drawing
// of a curve with its marks: filled arrows and dots, the slash alone, the rest as one polyline.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "zgp/arc2d.h"
#include "zgp/builders.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zgp/tolerance.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/entities/zvdcurve.h"
#include "zvd/foundation/zcoordtrans.h"

using zgp::CArc2d;
using zgp::CCurve2d;
using zgp::CGeometry;
using zgp::CLine2d;
using zgp::CLoop;
using zgp::CRefPtr;
using zgp::CVec2;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDblEpsilon = 2.220446049250313e-16;
constexpr int kWhite = 0xFFFFFF;
constexpr int kSelectedColour = 0xFF0000;

bool addsMarkGeometry(short size, EnMarkStyle style) { return size != 0 && style >= msArrow && style <= msTick; }

bool isCurve(const CGeometry* g) { return g && g->Type() >= zgp::GT_LINE && g->Type() <= zgp::GT_ELLIPSE; }

// Angle from the tip into the curve, in [0, 2 pi): along a line; towards the point one mark
// length along an arc (the arrow's base sits on the arc, not on its tangent); along the tangent
// otherwise.
double arrowAngle(const CCurve2d& curve, bool atStart, const CVec2<double>& tip, double length) {
    double theta;
    if (curve.Type() == zgp::GT_LINE) {
        theta = (curve.EndPoint() - curve.StartPoint()).Angle() + (atStart ? 0.0 : kPi);
    } else if (curve.Type() == zgp::GT_ARC && static_cast<const CArc2d&>(curve).Radius() > 0.0) {
        const auto& arc = static_cast<const CArc2d&>(curve);
        const double turn = (arc.Sense() < 0 ? -1.0 : 1.0) * (atStart ? 1.0 : -1.0) * length / arc.Radius();
        theta = (tip.RotatedAbout(arc.CenterPt(), turn) - tip).Angle();
    } else {
        theta = atStart ? curve.StartVt().Angle() : curve.EndVt().Angle() + kPi;
    }
    if (theta < 0) theta += 2 * kPi;
    return theta;
}

// Appends the geometry of one mark at the start or end of curve. size is signed; its sign flips
// one-sided marks. lineWidth widens the arrow.
void appendMark(ZVDCurve::GeometryList& list, const CCurve2d& curve, bool atStart, EnMarkStyle style, short size,
                short lineWidth) {
    const CVec2<double> p = atStart ? curve.StartPoint() : curve.EndPoint();
    const CVec2<double> tangent = atStart ? curve.StartVt() : curve.EndVt();
    // Pointing away from the curve.
    const CVec2<double> d = tangent.Length() < kDblEpsilon ? CVec2<double>() : (atStart ? -tangent : tangent);
    // Turning towards the outside: counter-clockwise at the start, clockwise at the end.
    const double outside = atStart ? 1.0 : -1.0;
    const double s = size;
    const double len = std::abs(s);

    switch (style) {
    case msArrow: {
        const double theta = arrowAngle(curve, atStart, p, len);
        const double w = len / 3.0 + (lineWidth > 0 ? lineWidth : 0);
        const double a = std::atan(w / len);
        const double side = std::sqrt(len * len + w * w);
        const CVec2<double> c1 = p + CVec2<double>(std::cos(theta + a), std::sin(theta + a)) * side;
        const CVec2<double> c2 = p + CVec2<double>(std::cos(theta - a), std::sin(theta - a)) * side;
        list.emplace_back(new CLine2d(p, c1));
        list.emplace_back(new CLine2d(c1, c2));
        list.emplace_back(new CLine2d(c2, p));
        break;
    }
    case msDot: {
        CRefPtr<CLoop> dot(new CLoop());
        auto* upper = new CArc2d();
        upper->Set(p, len / 2, 0.0, kPi);
        auto* lower = new CArc2d();
        lower->Set(p, len / 2, kPi, 2 * kPi);
        dot->AddCurve(upper, false);
        dot->AddCurve(lower, false);
        list.emplace_back(std::move(dot));
        break;
    }
    case msSlash: {
        // The same turn at both ends, so the strokes of a curve's two ends are parallel. The end
        // halves the size in integers, as stored drawings were made that way.
        const CVec2<double> dd = d.Rotated(size < 1 ? -kPi / 4 : kPi / 4);
        const double half = atStart ? s / 2.0 : static_cast<double>(size / 2);
        if (atStart)
            list.emplace_back(new CLine2d(p + dd * half, p - dd * half));
        else
            list.emplace_back(new CLine2d(p - dd * half, p + dd * half));
        break;
    }
    case msHook: {
        const CVec2<double> dd = d.Rotated(outside * kPi / 2);
        const int type = (atStart == (size >= 0)) ? CArc2d::CCW_SMALL : CArc2d::CW_SMALL;
        CRefPtr<CGeometry> arc(
            zgp::ZCurve2dBuilder::CreateCurve(p, p + dd * s, len / 2, type, zgp::g_DistEpsilon, zgp::g_AngleEpsilon));
        if (!arc) break;  // no direction at this end: nothing to hook onto
        const CVec2<double> tail = static_cast<CCurve2d&>(*arc).EndPoint();
        list.push_back(std::move(arc));
        list.emplace_back(new CLine2d(tail, tail - d * (len / 2)));
        break;
    }
    case msTick: {
        const CVec2<double> dd = d.Rotated(outside * kPi / 2);
        list.emplace_back(new CLine2d(p, p + dd * s));
        break;
    }
    default:
        break;
    }
}

}  // namespace

ZVDCurve::GeometryList ZVDCurve::xLinesWithMark() {
    GeometryList list;
    const int n = xLineCount();
    if (n > 0 && addsMarkGeometry(m_startMarkSize, m_startMarkStyle)) {
        CRefPtr<CCurve2d> first = startXLine();
        if (first) appendMark(list, *first, true, m_startMarkStyle, m_startMarkSize, m_lineWidth);
    }
    for (int i = 0; i < n; ++i) {
        CRefPtr<CCurve2d> c = xLines(i);
        if (c) list.emplace_back(std::move(c));
    }
    if (n > 0 && addsMarkGeometry(m_endMarkSize, m_endMarkStyle)) {
        CRefPtr<CCurve2d> last = endXLine();
        if (last) appendMark(list, *last, false, m_endMarkStyle, m_endMarkSize, m_lineWidth);
    }
    return list;
}

std::vector<CGeometry*>* ZVDCurve::createXLinesWithMark() {
    GeometryList owned = xLinesWithMark();
    auto* list = new std::vector<CGeometry*>();
    list->reserve(owned.size());
    for (CRefPtr<CGeometry>& g : owned) list->push_back(g.Release());
    return list;
}

void ZVDCurve::clearXLines(std::vector<CGeometry*>* list) {
    if (!list) return;
    for (CGeometry* g : *list)
        if (g) g->Free();
    list->clear();
}

CRefPtr<CLoop> ZVDCurve::getArrow(const GeometryList& list, int first) {
    CRefPtr<CLoop> loop(new CLoop());
    for (int i = first; i < first + 3 && i >= 0 && i < static_cast<int>(list.size()); ++i) {
        CGeometry* g = list[static_cast<size_t>(i)].Get();
        if (g && g->Type() == zgp::GT_LINE) loop->AddCurve(static_cast<CLine2d*>(g)->Clone(), false);
    }
    return loop;
}

CRefPtr<CLoop> ZVDCurve::getPolyline(const GeometryList& list, int first, int last) {
    CRefPtr<CLoop> loop(new CLoop());
    for (int i = std::max(first, 0); i <= last && i < static_cast<int>(list.size()); ++i) {
        CGeometry* g = list[static_cast<size_t>(i)].Get();
        if (isCurve(g)) loop->AddCurve(static_cast<CCurve2d*>(g)->Clone(), false);
    }
    return loop;
}

EnPenStyle ZVDCurve::selLineStyle(const ZCoordTrans& trans) const {
    if (m_lineWidth == -1) return psDot;
    if (m_lineWidth >= 0 && ZCoordTrans::roundDevice(m_lineWidth * trans.zoomFactor()) <= 1) return psDot;
    return m_lineStyle;
}

void ZVDCurve::doDrawLine(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle penStyle, EnDrawMode mode) {
    const GeometryList list = xLinesWithMark();
    const int count = static_cast<int>(list.size());
    int first = 0, last = count - 1;
    auto entry = [&list, count](int i) -> CGeometry* { return i >= 0 && i < count ? list[size_t(i)].Get() : nullptr; };
    // The arrow's point fills the curve's end, so the stroke stops where the arrow is wide enough
    // to cover it (two thirds of its length).
    auto shrink = [&entry](int i, double atStart, double atEnd) {
        if (isCurve(entry(i))) vdcommon::xLinePortShrink(static_cast<CCurve2d*>(entry(i)), atStart, atEnd);
    };
    auto fillArrow = [&](int at) {
        ZDrawFunc2d::fillXPoly(hdc, &trans, *getArrow(list, at), colour, mode, bsSolid, 0, psSolid, kWhite);
    };
    auto drawAlone = [&](CGeometry* g) {
        if (!g) return;
        if (g->Type() == zgp::GT_LOOP) {
            const auto* dot = static_cast<CLoop*>(g);
            if (const auto* arc = dynamic_cast<const CArc2d*>(dot->GetCurve(0)))
                ZDrawFunc2d::fillCircle(hdc, &trans, arc->CenterPt(), arc->Radius(), colour, mode, bsSolid, 0, psSolid,
                                        kWhite);
        } else if (isCurve(g)) {
            ZDrawFunc2d::drawXLine(hdc, &trans, *static_cast<CCurve2d*>(g), 0, 0, penStyle, colour, mode, bsSolid, 0,
                                   psSolid, kWhite, 1);
        }
    };

    if (xLineCount() > 0 && addsMarkGeometry(m_startMarkSize, m_startMarkStyle)) {
        const double len = std::abs(static_cast<double>(m_startMarkSize));
        if (m_startMarkStyle == msArrow) {
            fillArrow(0);
            shrink(3, len * 2 / 3, 0);
            first = 3;
        } else if (m_startMarkStyle == msDot || m_startMarkStyle == msSlash) {
            drawAlone(entry(0));
            first = 1;
        }
    }
    if (xLineCount() > 0 && addsMarkGeometry(m_endMarkSize, m_endMarkStyle)) {
        const double len = std::abs(static_cast<double>(m_endMarkSize));
        if (m_endMarkStyle == msArrow) {
            fillArrow(count - 3);
            shrink(count - 4, 0, len * 2 / 3);
            last = count - 4;
        } else if (m_endMarkStyle == msDot || m_endMarkStyle == msSlash) {
            drawAlone(entry(count - 1));
            last = count - 2;
        }
    }
    ZDrawFunc2d::drawXPolyline(hdc, &trans, *getPolyline(list, first, last), m_lineWidth, 0, penStyle, colour, mode,
                               bsSolid, 1, false, 0, psSolid, kWhite);
}

void ZVDCurve::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    doDrawLine(hdc, trans, kWhite, m_lineStyle, vdcommon::dmXor);
}

void ZVDCurve::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    doDrawLine(hdc, trans, color(), m_lineStyle, vdcommon::dmNormal);
}

void ZVDCurve::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    doDrawLine(hdc, trans, kSelectedColour, selLineStyle(trans), vdcommon::dmNormal);
}
