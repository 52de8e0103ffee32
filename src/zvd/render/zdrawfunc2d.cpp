// zvd: ZDrawFunc2d, the static drawing primitives: world geometry through ZCoordTrans onto GDI calls.
// Every primitive brackets the device state (raster operation, background, pen, brush) and restores it.
#include "zvd/render/zdrawfunc2d.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/zdrawdevice.h"
#include "zgp/builders.h"
#include "zgp/discrete.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvdgdi.h"

using zgp::CArc2d;
using zgp::CBox2;
using zgp::CCurve2d;
using zgp::CEllipse2d;
using zgp::CLine2d;
using zgp::CLoop;
using zgp::CVec2;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr COLORREF kWhite = 0xFFFFFF;
// Geometric pen, flat end caps, mitred joins: wide strokes end exactly at their end points and
// polyline corners stay sharp, as drafting expects.
constexpr DWORD kWidePenFlags = PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER;
using zvddraw::rasterOpOf;
using zvddraw::saturatedInt;
using zvddraw::toColorRef;

// A clear brush turns strokes into no-ops: callers use it to make an item's outline invisible
// while keeping its fill.
int strokeMode(int mode, int brushStyle) { return brushStyle == bsClear ? vdcommon::dmNop : mode; }

// Stroke width in pixels: world units through the transform, or a pixel count when negative.
int strokePixels(const ZCoordTrans* ct, double width) { return width < 0.0 ? saturatedInt(-width) : ct->WCTODC(width); }

POINT toDevice(const ZCoordTrans* ct, const CVec2<double>& p) {
    POINT d;
    d.x = ct->WCTODC_X(p.x);
    d.y = ct->WCTODC_Y(p.y);
    return d;
}

bool samePoint(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

HPEN makePen(int width, COLORREF colour, int penStyle, int brushStyle) {
    if (width < 0) return CreatePen(PS_NULL, 0, colour);
    if (width <= 1) return CreatePen(penStyle, 0, colour);
    LOGBRUSH lb;
    lb.lbColor = colour;
    if (brushStyle == bsSolid || brushStyle == bsClear) {
        lb.lbStyle = BS_SOLID;
        lb.lbHatch = 0;
    } else {
        lb.lbStyle = BS_HATCHED;
        lb.lbHatch = static_cast<ULONG_PTR>(brushStyle - 2);
    }
    return ExtCreatePen(static_cast<DWORD>(penStyle) | kWidePenFlags, static_cast<DWORD>(width), &lb, 0, nullptr);
}

HBRUSH makeBrush(int brushStyle, COLORREF colour) {
    LOGBRUSH lb;
    lb.lbColor = colour;
    if (brushStyle == bsSolid) {
        lb.lbStyle = BS_SOLID;
        lb.lbHatch = 0;
    } else {
        lb.lbStyle = BS_HATCHED;
        lb.lbHatch = static_cast<ULONG_PTR>(brushStyle - 2);
    }
    return CreateBrushIndirect(&lb);
}

// The brush of the fill operations: clear style fills nothing.
HBRUSH makeFillBrush(int brushStyle, COLORREF colour) {
    if (brushStyle != bsClear) return makeBrush(brushStyle, colour);
    LOGBRUSH lb;
    lb.lbStyle = BS_NULL;
    lb.lbColor = colour;
    lb.lbHatch = 0;
    return CreateBrushIndirect(&lb);
}

// The border pen of the fill operations: no border below one pixel.
HPEN makeBorderPen(int borderWidth, COLORREF colour, int penStyle) {
    if (borderWidth == 0) return CreatePen(PS_NULL, 0, colour);
    return makePen(borderWidth, colour, penStyle, bsSolid);
}

// Device state of one primitive. The constructor sets the raster operation (and the black
// background); the destructor selects the previous objects back, deletes the created ones and
// restores raster operation and background, so the caller's DC comes back unchanged.
class DcState {
public:
    DcState(HDC hdc, int mode, bool blackBackground) : m_hdc(hdc) {
        const int rop = rasterOpOf(mode);
        if (rop != 0) {
            m_oldRop = SetROP2(hdc, rop);
            m_ropSet = true;
        }
        if (blackBackground) {
            m_oldBk = SetBkColor(hdc, 0);
            m_bkSet = true;
        }
    }
    DcState(const DcState&) = delete;
    DcState& operator=(const DcState&) = delete;
    ~DcState() {
        if (m_pen) SelectObject(m_hdc, m_oldPen);
        if (m_brush) SelectObject(m_hdc, m_oldBrush);
        if (m_pen) DeleteObject(m_pen);
        if (m_brush && m_ownBrush) DeleteObject(m_brush);
        if (m_ropSet) SetROP2(m_hdc, m_oldRop);
        if (m_bkSet) SetBkColor(m_hdc, m_oldBk);
    }
    void usePen(HPEN pen) {
        m_pen = pen;
        if (pen) m_oldPen = SelectObject(m_hdc, pen);
    }
    // owned: created here and deleted afterwards (false for stock objects).
    void useBrush(HBRUSH brush, bool owned) {
        m_brush = brush;
        m_ownBrush = owned;
        if (brush) m_oldBrush = SelectObject(m_hdc, brush);
    }

private:
    HDC m_hdc;
    int m_oldRop = 0;
    COLORREF m_oldBk = 0;
    bool m_ropSet = false;
    bool m_bkSet = false;
    HGDIOBJ m_pen = nullptr;
    HGDIOBJ m_oldPen = nullptr;
    HGDIOBJ m_brush = nullptr;
    HGDIOBJ m_oldBrush = nullptr;
    bool m_ownBrush = false;
};

// Two points as one segment; more as one stroked path, so that wide pens join with mitres
// instead of overlapping caps (which would also cancel out in XOR).
void strokePoints(HDC hdc, const std::vector<POINT>& pts) {
    const int count = static_cast<int>(pts.size());
    if (count < 2) return;
    if (count == 2) {
        MoveToEx(hdc, pts[0].x, pts[0].y, nullptr);
        LineTo(hdc, pts[1].x, pts[1].y);
        return;
    }
    BeginPath(hdc);
    Polyline(hdc, pts.data(), count);
    EndPath(hdc);
    StrokePath(hdc);
}

void strokeDeviceLine(HDC hdc, const POINT& p1, const POINT& p2, int width, int penStyle, int colour, int mode,
                      int brushStyle, int minWidth) {
    DcState state(hdc, strokeMode(mode, brushStyle), true);
    state.usePen(makePen(std::max(width, minWidth), toColorRef(colour), penStyle, brushStyle));
    MoveToEx(hdc, p1.x, p1.y, nullptr);
    LineTo(hdc, p2.x, p2.y);
}

void strokeDevicePolyline(HDC hdc, const std::vector<POINT>& pts, int width, int penStyle, int colour, int mode,
                          int brushStyle, int minWidth) {
    if (pts.size() < 2) return;
    DcState state(hdc, strokeMode(mode, brushStyle), true);
    state.usePen(makePen(std::max(width, minWidth), toColorRef(colour), penStyle, brushStyle));
    strokePoints(hdc, pts);
}

bool strokeDeviceArc(HDC hdc, int left, int top, int right, int bottom, const POINT& s, const POINT& e, int width,
                     int penStyle, int colour, int mode, int brushStyle, int minWidth) {
    DcState state(hdc, strokeMode(mode, brushStyle), true);
    state.usePen(makePen(std::max(width, minWidth), toColorRef(colour), penStyle, brushStyle));
    return Arc(hdc, left, top, right, bottom, s.x, s.y, e.x, e.y) != FALSE;
}

// Longest flattening segment for a circle of r pixels: 36 to 360 segments a turn, more for
// circles that are large against the (fixed) screen height.
double arcSegmentLength(int r) {
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    long long n = screenHeight > 0 ? 144LL * r / screenHeight : 36;
    n = std::min(360LL, std::max(36LL, n));
    return 2.0 * r * kPi / static_cast<double>(n);
}

// A vector borrowed from a per-thread pool, so that drawing item after item reuses the capacity
// of the vectors before instead of allocating. It comes empty; a nested borrower gets a vector of
// its own, and the larger of the two goes back to the pool.
template <class T>
class Scratch {
public:
    Scratch() {
        m_items.swap(pool());
        m_items.clear();
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch() {
        if (m_items.capacity() > pool().capacity()) m_items.swap(pool());
    }
    std::vector<T>& operator*() { return m_items; }
    std::vector<T>* operator->() { return &m_items; }

private:
    static std::vector<T>& pool() {
        thread_local std::vector<T> items;
        return items;
    }
    std::vector<T> m_items;
};

// Appends the device points of arc flattened for a pixel radius r, its start point first, exactly
// as toDevice of arc.GetPoint at the steps of Curve2dDiscrete would give them, but without a sine
// and cosine per point: the unit vector from the centre turns by the step angle with one complex
// product per point. Its error (from the rounding of the products, of the step angle and of the
// parameters) stays below a few thousand units of rounding, far inside the bound err; a point
// whose pixel could depend on it, one within err of a rounding edge, is worked out exactly
// instead. False, with nothing appended, where the steps do not suit this (a domain that is not
// finite, a last step shorter than the others, a radius or centre that is not a finite number).
bool appendArc(const ZCoordTrans* ct, const CArc2d& arc, int r, std::vector<POINT>& out) {
    const double seg = arcSegmentLength(r);
    zgp::CUniformSteps steps;
    const double radius = arc.Radius();
    const CVec2<double>& c = arc.CenterPt();
    if (!zgp::Curve2dDiscreteSteps(arc, seg, seg / r, steps) || steps.n != static_cast<double>(steps.count) ||
        !(radius > 0.0) || !std::isfinite(radius) || !std::isfinite(c.x) || !std::isfinite(c.y))
        return false;
    const double sense = arc.Sense();
    const double angles = std::fabs(sense) * (std::fabs(steps.t0) + std::fabs(steps.t1)) / radius;  // their scale
    const double base = 1e-12 * (std::fabs(c.x) + std::fabs(c.y) + radius);
    const double perStep = 1e-12 * radius * (1.0 + angles);
    const double step = sense * ((steps.t1 - steps.t0) / steps.n) / radius;
    const double cs = std::cos(step), sn = std::sin(step);
    const double th0 = sense * steps.t0 / radius;
    double u = std::cos(th0), v = std::sin(th0);
    const size_t first = out.size();
    out.resize(first + steps.count + 1);
    POINT* dst = out.data() + first;
    for (size_t i = 0; i <= steps.count; ++i) {
        if (i > 0) {
            const double turned = u * cs - v * sn;
            v = v * cs + u * sn;
            u = turned;
        }
        const double err = base + perStep * static_cast<double>(i + 1);
        int x, y;
        if (ct->WCTODCWithin_X(c.x + radius * u, err, x) && ct->WCTODCWithin_Y(c.y + radius * v, err, y)) {
            dst[i].x = x;
            dst[i].y = y;
        } else {
            dst[i] = toDevice(ct, i == 0 ? arc.StartPoint() : arc.GetPoint(steps.At(i)));
        }
    }
    return true;
}

// Appends the device points of curve flattened for a pixel radius r. False when r <= 0.
bool appendFlattened(const ZCoordTrans* ct, const CCurve2d& curve, int r, bool withStart, std::vector<POINT>& out) {
    if (r <= 0) return false;
    const double seg = arcSegmentLength(r);
    Scratch<CVec2<double>> pts;
    zgp::Curve2dDiscrete(&curve, *pts, seg, seg / r, withStart, false);
    for (const CVec2<double>& p : *pts) out.push_back(toDevice(ct, p));
    return true;
}

// Device points of a chain: each coedge's start, the inner points of its flattening, and the
// end of the last coedge. forFill: NURBS curves give only their start point, and an arc or
// ellipse of no pixel radius abandons the whole chain (answer false).
bool loopDevicePoints(const ZCoordTrans* ct, const CLoop& loop, bool forFill, std::vector<POINT>& out) {
    const CCurve2d* last = nullptr;
    for (int i = 0; i < loop.CoedgeCount(); ++i) {
        const CCurve2d* c = loop.GetCurve(i);
        if (!c) continue;
        last = c;
        int r = 0;
        bool flatten = true;
        const int type = c->Type();
        if (type == zgp::GT_ARC)
            r = ct->WCTODC(static_cast<const CArc2d*>(c)->Radius());
        else if (type == zgp::GT_ELLIPSE)
            r = ct->WCTODC(static_cast<const CEllipse2d*>(c)->MajorRadius());
        else if (type == zgp::GT_NURBS && !forFill)
            r = ct->WCTODC(c->Length());
        else
            flatten = false;
        if (type == zgp::GT_ARC && r > 0 && appendArc(ct, *static_cast<const CArc2d*>(c), r, out)) continue;
        out.push_back(toDevice(ct, c->StartPoint()));
        if (flatten && !appendFlattened(ct, *c, r, false, out) && forFill) return false;
    }
    if (last) out.push_back(toDevice(ct, last->EndPoint()));
    return true;
}

// The closed band of outlineWidth around curve, traced with a thin pen.
void drawOutline(HDC hdc, const ZCoordTrans* ct, const CCurve2d& curve, int outlineWidth, EnPenStyle outlinePenStyle,
                 int outlineColour, EnDrawMode mode) {
    const double half = outlineWidth * 0.5;
    const zgp::CRefPtr<CLoop> loop(zgp::ZLoopBuilder::CreateLoop(&curve, half, half));
    if (!loop) return;
    ZDrawFunc2d::drawXPolyline(hdc, ct, *loop, static_cast<double>(ct->WCTODC(static_cast<double>(outlineWidth))), 0.0,
                               outlinePenStyle, outlineColour, mode, bsSolid, 1, true, 0, psSolid,
                               static_cast<int>(kWhite));
}

// Two head lines at tip, opening backwards from the direction endVt.
void drawHead(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& tip, const CVec2<double>& endVt, double headLength,
              double headAngle, double width, double offset, EnPenStyle penStyle, int colour, EnDrawMode mode) {
    double phi = std::atan2(endVt.y, endVt.x);
    if (phi < 0.0) phi += 2.0 * kPi;
    for (double side : {1.0, -1.0}) {
        zgp::CRefPtr<CLine2d> head(vdcommon::getPolarLine(tip, phi + kPi + side * headAngle / 2.0, headLength));
        ZDrawFunc2d::drawXLine(hdc, ct, *head, width, offset, penStyle, colour, mode, bsSolid, 0, psSolid,
                               static_cast<int>(kWhite), 1);
    }
}

// Closed polygon fill in device points; pen and brush as the fill parameters describe.
void fillDevicePolygon(HDC hdc, const std::vector<POINT>& pts, int colour, int brushStyle, int mode,
                       unsigned char borderWidth, int penStyle, int borderColour) {
    if (pts.empty()) return;
    DcState state(hdc, mode, true);
    state.usePen(makeBorderPen(borderWidth, toColorRef(borderColour), penStyle));
    state.useBrush(makeFillBrush(brushStyle, toColorRef(colour)), true);
    Polygon(hdc, pts.data(), static_cast<int>(pts.size()));
}

// One cubic Bezier piece of the ellipse with radii a, b from eccentric angle a1 to a2, relative
// to the centre, y pointing down. Appends P1, P2, P3 (and P0 when the list is empty).
void ellipseArcBezier(float a, float b, float a1, float a2, std::vector<float>& xy) {
    const float d = a2 - a1;
    const float t = std::tan(d / 2.0f);
    const float k = std::sin(d) * (std::sqrt(4.0f + 3.0f * t * t) - 1.0f) / 3.0f;
    const float c1 = std::cos(a1), s1 = std::sin(a1), c2 = std::cos(a2), s2 = std::sin(a2);
    const float p0x = a * c1, p0y = -b * s1;
    const float p3x = a * c2, p3y = -b * s2;
    const float p1x = p0x + k * (-a * s1), p1y = p0y + k * (-b * c1);
    const float p2x = p3x - k * (-a * s2), p2y = p3y - k * (-b * c2);
    if (xy.empty()) {
        xy.push_back(p0x);
        xy.push_back(p0y);
    }
    for (float v : {p1x, p1y, p2x, p2y, p3x, p3y}) xy.push_back(v);
}

}  // namespace

// ---- strokes ------------------------------------------------------------------------------------

void ZDrawFunc2d::drawLine(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& p1, const CVec2<double>& p2,
                           double width, double offset, EnPenStyle penStyle, int colour, EnDrawMode mode,
                           EnBrushStyle brushStyle, int outlineWidth, EnPenStyle outlinePenStyle, int outlineColour,
                           int minWidth) {
    if (!hdc || !ct) return;
    strokeDeviceLine(hdc, toDevice(ct, p1), toDevice(ct, p2), strokePixels(ct, width), penStyle, colour, mode,
                     brushStyle, minWidth);
    if (outlineWidth > 0) {
        // The offset moves only the outline: the stroke stays on the given points.
        CLine2d line(p1, p2);
        if (offset != 0.0) line.Offset(offset);
        drawOutline(hdc, ct, line, outlineWidth, outlinePenStyle, outlineColour, mode);
    }
}

void ZDrawFunc2d::drawArc(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& start, const CVec2<double>& end,
                          double radius, CArc2d::ArcType arcType, double width, double offset, EnPenStyle penStyle,
                          int colour, EnDrawMode mode, EnBrushStyle brushStyle, int outlineWidth,
                          EnPenStyle outlinePenStyle, int outlineColour, int minWidth) {
    if (!hdc || !ct) return;
    CArc2d arc(start, end, radius, arcType);
    if (offset != 0.0) arc.Offset(offset);
    int w = strokePixels(ct, width);

    if (radius > 1e8 || radius < 0.0 || arc.Radius() > 1e8) {
        // Practically straight (or impossible): the device could not place such a circle.
        drawLine(hdc, ct, start, end, static_cast<double>(w), offset, penStyle, colour, mode, brushStyle, outlineWidth,
                 outlinePenStyle, outlineColour, minWidth);
    } else if (arc.Radius() > 0.0) {  // zero: the kernel could not build the arc (coincident ends)
        const POINT c = toDevice(ct, arc.CenterPt());
        POINT s = toDevice(ct, arc.StartPoint());
        POINT e = toDevice(ct, arc.EndPoint());
        const int r = ct->WCTODC(arc.Radius());
        const bool small = arcType == CArc2d::CCW_SMALL || arcType == CArc2d::CW_SMALL;
        // The device draws a full circle when its two end points coincide; for an arc of at most
        // half a turn that is a degenerate arc, not a circle.
        if (!(samePoint(s, e) && small)) {
            w = std::min(w, 2 * r);
            if (arcType == CArc2d::CW_SMALL || arcType == CArc2d::CW_LARGE) std::swap(s, e);
            if (!strokeDeviceArc(hdc, c.x - r, c.y - r, c.x + r, c.y + r, s, e, w, penStyle, colour, mode, brushStyle,
                                 minWidth)) {
                std::vector<POINT> pts;
                if (appendFlattened(ct, arc, r, true, pts))
                    strokeDevicePolyline(hdc, pts, w, penStyle, colour, mode, brushStyle, minWidth);
            }
        }
    }
    if (outlineWidth > 0) drawOutline(hdc, ct, arc, outlineWidth, outlinePenStyle, outlineColour, mode);
}

void ZDrawFunc2d::drawCircle(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& centre, double radius, double width,
                             double offset, EnPenStyle penStyle, int colour, EnDrawMode mode, EnBrushStyle brushStyle,
                             int outlineWidth, EnPenStyle outlinePenStyle, int outlineColour, int minWidth) {
    if (!hdc || !ct) return;
    const double r = radius - offset;
    const CVec2<double> left(centre.x - r, centre.y), right(centre.x + r, centre.y);
    drawArc(hdc, ct, left, right, r, CArc2d::CW_SMALL, width, 0.0, penStyle, colour, mode, brushStyle, 0, psSolid,
            static_cast<int>(kWhite), minWidth);
    drawArc(hdc, ct, right, left, r, CArc2d::CW_SMALL, width, 0.0, penStyle, colour, mode, brushStyle, 0, psSolid,
            static_cast<int>(kWhite), minWidth);
    if (outlineWidth > 0) {
        // Thin circles along both edges of the stroke.
        const double stroke = width < 0.0 ? vdcommon::round(-width) / ct->zoomFactor() : width;
        const double half = stroke * 0.5;
        for (double edge : {r - half, r + half})
            drawCircle(hdc, ct, centre, edge, 0.0, 0.0, outlinePenStyle, outlineColour, mode, bsSolid, 0, psSolid,
                       static_cast<int>(kWhite), 1);
    }
}

void ZDrawFunc2d::drawXLine(HDC hdc, const ZCoordTrans* ct, CCurve2d& curve, double width, double offset,
                            EnPenStyle penStyle, int colour, EnDrawMode mode, EnBrushStyle brushStyle, int outlineWidth,
                            EnPenStyle outlinePenStyle, int outlineColour, int minWidth) {
    if (!hdc || !ct) return;
    if (curve.Type() == zgp::GT_LINE) {
        drawLine(hdc, ct, curve.StartPoint(), curve.EndPoint(), width, offset, penStyle, colour, mode, brushStyle,
                 outlineWidth, outlinePenStyle, outlineColour, minWidth);
    } else if (const auto* arc = dynamic_cast<const CArc2d*>(&curve)) {
        drawArc(hdc, ct, arc->StartPoint(), arc->EndPoint(), arc->Radius(), vdcommon::getArcType(arc->GetBulge()),
                width, offset, penStyle, colour, mode, brushStyle, outlineWidth, outlinePenStyle, outlineColour,
                minWidth);
    }
}

void ZDrawFunc2d::drawXPolyline(HDC hdc, const ZCoordTrans* ct, CLoop& loop, double width, double, EnPenStyle penStyle,
                                int colour, EnDrawMode mode, EnBrushStyle brushStyle, int minWidth, bool closed, int,
                                EnPenStyle, int) {
    if (!hdc || !ct || loop.CoedgeCount() == 0) return;
    if (closed && !loop.IsClosed()) loop.MakeClosed();
    Scratch<POINT> pts;
    loopDevicePoints(ct, loop, false, *pts);
    // Running on past the start gives the start corner its mitred joint. Not in XOR: the segment
    // drawn twice would cancel out.
    if (closed && mode == vdcommon::dmNormal && pts->size() >= 3) pts->push_back((*pts)[1]);
    strokeDevicePolyline(hdc, *pts, strokePixels(ct, width), penStyle, colour, mode, brushStyle, minWidth);
}

void ZDrawFunc2d::drawXPoly(HDC hdc, const ZCoordTrans* ct, CLoop& loop, double width, EnPenStyle penStyle, int colour,
                            EnDrawMode mode, int minWidth) {
    drawXPolyline(hdc, ct, loop, width, 0.0, penStyle, colour, mode, bsSolid, minWidth, true, 0, psSolid,
                  static_cast<int>(kWhite));
}

void ZDrawFunc2d::drawPolyline(HDC hdc, const ZCoordTrans* ct, std::vector<CVec2<double>>& points, double width,
                               int colour, EnPenStyle penStyle, EnDrawMode mode, int minWidth) {
    if (!hdc || !ct || points.size() < 2) return;
    std::vector<POINT> pts;
    pts.reserve(points.size());
    for (const CVec2<double>& p : points) pts.push_back(toDevice(ct, p));
    strokeDevicePolyline(hdc, pts, ct->WCTODC(width), penStyle, colour, mode, bsSolid, minWidth);
}

void ZDrawFunc2d::drawRect(HDC hdc, const ZCoordTrans* ct, CBox2<double>& box, double width, EnPenStyle penStyle,
                           int colour, EnDrawMode mode, int minWidth) {
    if (!hdc || !ct || box.IsEmpty()) return;
    std::vector<CVec2<double>> corners{box.min, {box.max.x, box.min.y}, box.max, {box.min.x, box.max.y}, box.min};
    drawPolyline(hdc, ct, corners, width, colour, penStyle, mode, minWidth);
}

void ZDrawFunc2d::drawRectElastic(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& corner1,
                                  const CVec2<double>& corner2, double width, EnPenStyle penStyle, int colour) {
    if (!hdc || !ct) return;
    const std::vector<POINT> pts{toDevice(ct, corner1), toDevice(ct, {corner2.x, corner1.y}), toDevice(ct, corner2),
                                 toDevice(ct, {corner1.x, corner2.y}), toDevice(ct, corner1)};
    DcState state(hdc, vdcommon::dmXor, true);
    state.usePen(makePen(std::max(1, ct->WCTODC(width)), toColorRef(colour), penStyle, bsSolid));
    strokePoints(hdc, pts);
}

void ZDrawFunc2d::drawEllipseArc(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& centre, const CVec2<double>& axis,
                                 double start, double end, double major, double minor, int direction, double, double,
                                 EnPenStyle penStyle, int colour, EnDrawMode mode, EnBrushStyle brushStyle, int,
                                 EnPenStyle, int, int minWidth) {
    if (!hdc || !ct) return;
    const POINT c = toDevice(ct, centre);
    const float a = static_cast<float>(ct->WCTODC(major));
    const float b = static_cast<float>(ct->WCTODC(minor));

    // Eccentric angles; a span of more than a full turn is cut back to one turn.
    double s = start / major, e = end / major;
    // Angles this far out carry no usable fraction of a turn (and would stall the loops below).
    if (!(std::fabs(s) < 1e9 && std::fabs(e) < 1e9)) return;
    if (e - s > 1e6) e = s + std::fmod(e - s, 2.0 * kPi) + 4.0 * kPi;
    while (e - s - 2.0 * kPi > 0.01) e -= 2.0 * kPi;
    if (direction == -1) {
        const double ns = -e, ne = -s;
        s = ns;
        e = ne;
    }

    // One Bezier piece per quarter turn; four pieces (13 points) cover the full ellipse.
    constexpr size_t kMaxPoints = 13;
    std::vector<float> xy;
    while (e - s > kPi / 2.0 && xy.size() < 2 * kMaxPoints) {
        ellipseArcBezier(a, b, static_cast<float>(s), static_cast<float>(s + kPi / 2.0), xy);
        s += kPi / 2.0;
    }
    if (e - s > 0.001 && xy.size() < 2 * kMaxPoints)
        ellipseArcBezier(a, b, static_cast<float>(s), static_cast<float>(e), xy);
    if (xy.empty()) return;

    // Turn by the axis angle (device y points down, so the world's counter-clockwise turn
    // becomes the signs below) and move to the device centre.
    CVec2<float> u(static_cast<float>(axis.x), static_cast<float>(axis.y));
    const float len = std::sqrt(u.x * u.x + u.y * u.y);
    u = len < 1.1920929e-7f ? CVec2<float>() : CVec2<float>(u.x / len, u.y / len);
    float theta = std::acos(std::min(1.0f, std::max(-1.0f, u.x)));
    if (u.y < 0.0f) theta = -theta;
    const float cosT = std::cos(theta), sinT = std::sin(theta);
    std::vector<POINT> pts(xy.size() / 2);
    for (size_t i = 0; i < pts.size(); ++i) {
        const float x = xy[2 * i], y = xy[2 * i + 1];
        pts[i].x = saturatedInt(x * cosT + y * sinT + static_cast<float>(c.x));
        pts[i].y = saturatedInt(y * cosT - x * sinT + static_cast<float>(c.y));
    }

    DcState state(hdc, strokeMode(mode, brushStyle), true);
    state.usePen(makePen(std::max(minWidth, 1), toColorRef(colour), penStyle, brushStyle));
    state.useBrush(static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)), false);
    PolyBezier(hdc, pts.data(), static_cast<DWORD>(pts.size()));
}

void ZDrawFunc2d::drawSpline(HDC hdc, const ZCoordTrans* ct, zgp::CNurbsCurve2d* curve, double width,
                             EnPenStyle penStyle, int colour, EnDrawMode mode, int minWidth) {
    if (!hdc || !ct || !curve) return;
    zgp::CMeshParameter mesh(50.0, 0.3490658503988, 0.0);
    // Finer for short curves, coarser for long ones, within fixed bounds (NaN gives the finest).
    const double distTol = std::min(5.0, std::max(0.001, curve->ApprLength() / 512.0));
    mesh.SetDistTol(distTol);
    mesh.SetAngleTol(0.08726646259971647);
    std::vector<float> xyz;
    const int n = mesh.GetLines(curve, xyz);
    std::vector<CVec2<double>> points;
    points.reserve(n > 0 ? static_cast<size_t>(n) : 0);
    for (int i = 0; i < n && 3 * static_cast<size_t>(i) + 1 < xyz.size(); ++i)
        points.emplace_back(xyz[3 * i], xyz[3 * i + 1]);
    drawPolyline(hdc, ct, points, width, colour, penStyle, mode, minWidth);
}

void ZDrawFunc2d::drawPixel(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& point, int colour, EnDrawMode mode) {
    if (!hdc || !ct) return;
    const POINT p = toDevice(ct, point);
    DcState state(hdc, mode, false);
    SetPixel(hdc, p.x, p.y, toColorRef(colour));
}

void ZDrawFunc2d::drawDiagCross(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& centre, double size,
                                int pixelWidth, EnPenStyle penStyle, int colour, EnDrawMode mode) {
    if (!hdc || !ct) return;
    const CVec2<double> v(size * std::cos(kPi / 4.0), size * std::sin(kPi / 4.0));
    const double c90 = std::cos(kPi / 2.0), s90 = std::sin(kPi / 2.0);
    const CVec2<double> v2(v.x * c90 - v.y * s90, v.x * s90 + v.y * c90);
    const double width = pixelWidth / ct->zoomFactor();
    for (const CVec2<double>& d : {v, v2}) {
        CLine2d line(centre - d, centre + d);
        drawXLine(hdc, ct, line, width, 0.0, penStyle, colour, mode, bsSolid, 0, psSolid, static_cast<int>(kWhite), 1);
    }
}

// ---- arrows -------------------------------------------------------------------------------------

void ZDrawFunc2d::drawArrow(HDC hdc, const ZCoordTrans* ct, CCurve2d& curve, double width, double headLength,
                            double headAngle, double offset, EnPenStyle penStyle, int colour, EnDrawMode mode) {
    if (!hdc || !ct) return;
    drawXLine(hdc, ct, curve, width, offset, penStyle, colour, mode, bsSolid, 0, psSolid, static_cast<int>(kWhite), 1);
    drawHead(hdc, ct, curve.EndPoint(), curve.EndVt(), headLength, headAngle, width, offset, penStyle, colour, mode);
}

void ZDrawFunc2d::drawPArrow(HDC hdc, const ZCoordTrans* ct, CLoop& loop, double width, double headLength,
                             double headAngle, double offset, EnPenStyle penStyle, int colour, EnDrawMode mode) {
    if (!hdc || !ct || loop.CoedgeCount() == 0) return;
    drawXPolyline(hdc, ct, loop, width, offset, penStyle, colour, mode, bsSolid, 1, false, 0, psSolid,
                  static_cast<int>(kWhite));
    const CCurve2d* last = loop.GetCurve(loop.CoedgeCount() - 1);
    if (last)
        drawHead(hdc, ct, last->EndPoint(), last->EndVt(), headLength, headAngle, width, offset, penStyle, colour,
                 mode);
}

void ZDrawFunc2d::drawPMultiArrow(HDC hdc, const ZCoordTrans* ct, CLoop& loop, double width, double headLength,
                                  double headAngle, double, EnPenStyle penStyle, int colour, EnDrawMode mode) {
    if (!hdc || !ct || loop.CoedgeCount() < 2) return;
    for (int i = 0; i + 1 < loop.CoedgeCount(); ++i) {
        const CCurve2d* c = loop.GetCurve(i);
        if (!c) continue;
        const zgp::CRefPtr<CCurve2d> mid(c->Clone());
        // The middle half by length: lines and arcs are parametrised by length; other kinds
        // find their parameters along the curve.
        const double len = mid->Length();
        double t1 = mid->StartT() + len / 4.0, t3 = mid->StartT() + 3.0 * len / 4.0;
        if (mid->Type() != zgp::GT_LINE && mid->Type() != zgp::GT_ARC) {
            mid->PointAtLength(mid->StartT(), len / 4.0, t1, len * 1e-9);
            mid->PointAtLength(mid->StartT(), 3.0 * len / 4.0, t3, len * 1e-9);
        }
        mid->SetEndT(t3);
        mid->SetStartT(t1);
        drawXLine(hdc, ct, *mid, width, 0.0, penStyle, colour, mode, bsSolid, 0, psSolid, static_cast<int>(kWhite), 1);
        drawHead(hdc, ct, mid->EndPoint(), mid->EndVt(), headLength, headAngle, width, 0.0, penStyle, colour, mode);
    }
}

// ---- fills --------------------------------------------------------------------------------------

void ZDrawFunc2d::drawPoint(HDC hdc, const ZCoordTrans* ct, CLoop& shape, const CVec2<double>& position,
                            const CVec2<double>& move, double angle, int colour, EnDrawMode mode,
                            EnBrushStyle brushStyle, int borderWidth, EnPenStyle borderPenStyle, int borderColour) {
    if (!hdc || !ct) return;
    const zgp::CRefPtr<CLoop> symbol(shape.Clone());
    if (angle != 0.0) symbol->Rotate(position, angle);
    if (position.SqrDistanceTo(move) > 4.930380657631324e-32) symbol->Move(move);
    fillXPoly(hdc, ct, *symbol, colour, mode, brushStyle, static_cast<unsigned char>(borderWidth), borderPenStyle,
              borderColour);
}

void ZDrawFunc2d::fillRect(HDC hdc, const ZCoordTrans* ct, const CBox2<double>& box, int colour, EnDrawMode mode,
                           EnBrushStyle brushStyle, unsigned char borderWidth, EnPenStyle borderPenStyle,
                           int borderColour) {
    if (!hdc || !ct || box.IsEmpty()) return;
    const std::vector<POINT> pts{toDevice(ct, box.min), toDevice(ct, {box.max.x, box.min.y}), toDevice(ct, box.max),
                                 toDevice(ct, {box.min.x, box.max.y}), toDevice(ct, box.min)};
    fillDevicePolygon(hdc, pts, colour, brushStyle, mode, borderWidth, borderPenStyle, borderColour);
}

void ZDrawFunc2d::fillCircle(HDC hdc, const ZCoordTrans* ct, const CVec2<double>& centre, double radius, int colour,
                             EnDrawMode mode, EnBrushStyle brushStyle, int borderWidth, EnPenStyle borderPenStyle,
                             int borderColour) {
    if (!hdc || !ct) return;
    const POINT c = toDevice(ct, centre);
    const int r = ct->WCTODC(radius);
    if (r <= 0) return;
    DcState state(hdc, mode, true);
    state.usePen(makeBorderPen(borderWidth, toColorRef(borderColour), borderPenStyle));
    state.useBrush(makeFillBrush(brushStyle, toColorRef(colour)), true);
    Ellipse(hdc, c.x - r, c.y - r, c.x + r, c.y + r);
}

void ZDrawFunc2d::fillXPoly(HDC hdc, const ZCoordTrans* ct, CLoop& loop, int colour, EnDrawMode mode,
                            EnBrushStyle brushStyle, unsigned char borderWidth, EnPenStyle borderPenStyle,
                            int borderColour) {
    if (!hdc || !ct || loop.CoedgeCount() == 0) return;
    if (!loop.IsClosed()) loop.MakeClosed();
    std::vector<POINT> pts;
    if (!loopDevicePoints(ct, loop, true, pts)) return;
    fillDevicePolygon(hdc, pts, colour, brushStyle, mode, borderWidth, borderPenStyle, borderColour);
}

void ZDrawFunc2d::fillXPoly(HDC hdc, const ZCoordTrans* ct, const std::vector<zgp::CPolygon*>& polygons, int colour,
                            int backColour, EnDrawMode, EnBrushStyle) {
    if (!hdc || !ct) return;
    // Each loop XORs (colour ^ backColour) over the background: one layer gives colour, two
    // (a hole inside its outer loop) give the background back.
    const int xorColour = colour ^ backColour;
    for (zgp::CPolygon* polygon : polygons) {
        if (!polygon) continue;
        for (int i = 0; i < polygon->LoopCount(); ++i) {
            CLoop* loop = polygon->GetLoop(i);
            if (loop)
                fillXPoly(hdc, ct, *loop, xorColour, vdcommon::dmXor, bsSolid, 0, psSolid, static_cast<int>(kWhite));
        }
    }
}

void ZDrawFunc2d::fillPolygon_DC(HDC hdc, CVec2<int>* points, int count, int colour, EnBrushStyle brushStyle,
                                 EnDrawMode mode, unsigned char borderWidth, EnPenStyle borderPenStyle,
                                 int borderColour) {
    if (!hdc || !points || count <= 0) return;
    std::vector<POINT> pts(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        pts[i].x = points[i].x;
        pts[i].y = points[i].y;
    }
    fillDevicePolygon(hdc, pts, colour, brushStyle, mode, borderWidth, borderPenStyle, borderColour);
}
