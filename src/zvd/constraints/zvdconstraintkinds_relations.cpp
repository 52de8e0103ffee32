// zvd: the constraint kinds without a dimension (0 to 10, 13, 18): their solver objects, the
// anchor of their marks and the marks themselves.
#include <cmath>
#include <cstdio>
#include <string>

#include "constraints/zvdconstraintgeom.h"
#include "zcs/solver2d.h"
#include "zgp/arc2d.h"
#include "zgp/intersector.h"
#include "zgp/line2d.h"
#include "zvd/constraints/zvdconstraint.h"
#include "zvd/constraints/zvdconstraintkinds.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CVec2;

namespace {

using namespace zvdconstraint;

CVec2<double> turned(const CVec2<double>& v, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return CVec2<double>(v.x * c - v.y * s, v.x * s + v.y * c);
}

// The square mark of kinds 0, 1, 5 and 6: the box spanned by the anchor line, two units wide.
void drawSquare(HDC hdc, const ZCoordTrans& trans, const zgp::CCurve2d* anchor, int colour) {
    if (!anchor) return;
    zgp::CBox2<double> box;
    box.SetEmpty();
    box.Add(anchor->StartPoint());
    box.Add(anchor->EndPoint());
    ZDrawFunc2d::drawRect(hdc, &trans, box, 2.0, psSolid, colour, vdcommon::dmNormal, 1);
}

void drawMarkLine(HDC hdc, const ZCoordTrans& trans, const CVec2<double>& a, const CVec2<double>& b, int colour) {
    ZDrawFunc2d::drawLine(hdc, &trans, a, b, 1.0, 0.0, psSolid, colour, vdcommon::dmNormal, bsSolid, 0, psSolid, 0xFFFFFF, 1);
}

// Both curves for a kind that binds two; each is registered with the solver. False (nothing
// registered) when either is missing.
bool bothCurves(const ZVDConstraintData& d, zcs::ISolver2d* solver, zgp::CCurve2d*& g1, zgp::CCurve2d*& g2) {
    g1 = d.geometry(1);
    g2 = d.geometry(2);
    if (!g1 || !g2) return false;
    solver->AddGeometry(g1);
    solver->AddGeometry(g2);
    return true;
}

// Six significant digits the way the C runtime's _gcvt writes them: a whole number keeps its
// decimal point ("12."), and an exponent has three digits ("1.5e+007").
std::wstring sixDigits(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    std::string s(buf);
    const size_t e = s.find('e');
    std::string mantissa = e == std::string::npos ? s : s.substr(0, e);
    if (mantissa.find('.') == std::string::npos && mantissa.find("inf") == std::string::npos &&
        mantissa.find("nan") == std::string::npos)
        mantissa += '.';
    if (e != std::string::npos) {
        const char sign = s[e + 1];
        std::string digits = s.substr(e + 2);
        while (digits.size() < 3) digits.insert(digits.begin(), '0');
        mantissa += std::string("e") + sign + digits;
    }
    return std::wstring(mantissa.begin(), mantissa.end());
}

}  // namespace

// ---- 0: point on curve ----

void ZVDConstrainPointOnLineData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d *g1, *g2;
    if (!enabled() || !bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectPointOnCurve, {Ref(g1, params().refType1), Ref(g2, edrCurve)});
}

void ZVDConstrainPointOnLineData::build() {
    CVec2<double> p;
    if (!refPoint(1, params().refType1, p)) return;
    setAnchor(p, p - CVec2<double>(1, 1), p + CVec2<double>(1, 1));
}

void ZVDConstrainPointOnLineData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    drawSquare(hdc, trans, xLine(), markColour(selected));
}

// ---- 1: coincident ----

void ZVDConstrainCoincidentData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d *g1, *g2;
    if (!enabled() || !bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectCoincident, {Ref(g1, params().refType1), Ref(g2, params().refType2)});
}

void ZVDConstrainCoincidentData::build() {
    CVec2<double> p;
    if (!refPoint(1, params().refType1, p)) return;
    setAnchor(p, p - CVec2<double>(1, 1), p + CVec2<double>(1, 1));
}

void ZVDConstrainCoincidentData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    drawSquare(hdc, trans, xLine(), markColour(selected));
}

// ---- 2: same line ----

void ZVDConstrainSameLineData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d *g1, *g2;
    if (!enabled() || !bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectParallel, {Ref(g1, edrCurve), Ref(g2, edrCurve)});
    addObject(solver, ectPointOnCurve, {Ref(g1, edrStart), Ref(g2, edrCurve)});
}

void ZVDConstrainSameLineData::build() {
    const zgp::CCurve2d* g = geometry(1);
    if (!g) return;
    const CVec2<double> s = g->StartPoint(), e = g->EndPoint();
    const CVec2<double> u = isLine(g) ? unit(static_cast<const zgp::CLine2d*>(g)->Direction()) : unit(e - s);
    const CVec2<double> pos = (s + e) * 0.5 + turnLeft(u) * 5.0;
    setAnchor(pos, pos - u * 7.0, pos + u * 7.0);
}

void ZVDConstrainSameLineData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    if (const zgp::CCurve2d* a = xLine()) drawMarkLine(hdc, trans, a->StartPoint(), a->EndPoint(), markColour(selected));
}

// ---- 3: parallel ----

void ZVDConstraintParallelData::addConstraint(zcs::ISolver2d* solver) {
    if (!enabled() || !isLine(geometry(1)) || !isLine(geometry(2))) return;
    zgp::CCurve2d *g1, *g2;
    if (!bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectParallel, {Ref(g1, edrCurve), Ref(g2, edrCurve)});
}

void ZVDConstraintParallelData::build() {
    const zgp::CCurve2d* g = geometry(1);
    if (!g) return;
    const CVec2<double> s = g->StartPoint(), e = g->EndPoint();
    const CVec2<double> u = unit(e - s);
    const CVec2<double> pos = (s + e) * 0.5 + turnLeft(u) * 5.0;
    setAnchor(pos, pos, pos + u * 5.0);
}

// Two short strokes side by side: the anchor line and its copy three units along the normal.
void ZVDConstraintParallelData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    const zgp::CCurve2d* a = xLine();
    if (!a) return;
    const CVec2<double> s = a->StartPoint(), e = a->EndPoint();
    const CVec2<double> n = turnLeft(unit(e - s)) * 3.0;
    drawMarkLine(hdc, trans, s, e, markColour(selected));
    drawMarkLine(hdc, trans, s + n, e + n, markColour(selected));
}

// ---- 4: perpendicular ----

void ZVDConstraintPerpendicularData::addConstraint(zcs::ISolver2d* solver) {
    if (!enabled() || !isLine(geometry(1)) || !isLine(geometry(2))) return;
    zgp::CCurve2d *g1, *g2;
    if (!bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectPerpendicular, {Ref(g1, edrCurve), Ref(g2, edrCurve)});
}

// The mark sits outside the corner, at the end of line 1 nearer the lines' crossing.
void ZVDConstraintPerpendicularData::build() {
    const zgp::CCurve2d* g1 = geometry(1);
    const zgp::CCurve2d* g2 = geometry(2);
    if (!isLine(g1) || !isLine(g2)) return;
    const CVec2<double> s1 = g1->StartPoint(), e1 = g1->EndPoint();
    const CVec2<double> s2 = g2->StartPoint(), e2 = g2->EndPoint();
    CVec2<double> crossing(0, 0);
    const CVec2<double> d1 = e1 - s1, d2 = e2 - s2;
    const double den = d1.Cross(d2);
    if (std::fabs(den) > kTiny * d1.Length() * d2.Length()) crossing = s1 + d1 * ((s2 - s1).Cross(d2) / den);
    const bool startNearer = (s1 - crossing).SqrLength() <= (e1 - crossing).SqrLength();
    const CVec2<double> p = startNearer ? s1 : e1, other = startNearer ? e1 : s1;
    const CVec2<double> w = unit(p - other);
    const CVec2<double> pos = p + turned(w, 0.75 * kPi) * 7.0;
    setAnchor(pos, pos, pos + w * 5.0);
}

void ZVDConstraintPerpendicularData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    if (const zgp::CCurve2d* a = xLine()) drawMarkLine(hdc, trans, a->StartPoint(), a->EndPoint(), markColour(selected));
}

// ---- 5: tangent ----

// The curves touch; when both reference types name points, those points also meet (a fillet).
void ZVDConstraintTangentData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d *g1, *g2;
    if (!enabled() || !bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectTangent, {Ref(g1, edrCurve), Ref(g2, edrCurve)});
    addObject(solver, ectCoincident, {Ref(g1, params().refType1), Ref(g2, params().refType2)});
}

void ZVDConstraintTangentData::build() {
    CVec2<double> p;
    if (!refPoint(1, params().refType1, p)) return;
    setAnchor(p, p - CVec2<double>(1, 1), p + CVec2<double>(1, 1));
}

void ZVDConstraintTangentData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    const int colour = markColour(selected);
    drawSquare(hdc, trans, xLine(), colour);
    const CVec2<double> t = textPos();
    const CVec2<double> a = t + CVec2<double>(-3, 6), b = t + CVec2<double>(3, 6);
    const auto arcType = static_cast<zgp::CArc2d::ArcType>(2);
    ZDrawFunc2d::drawArc(hdc, &trans, a, b, 3.0, arcType, 1.0, 0.0, psSolid, colour, vdcommon::dmNormal, bsSolid, 0, psSolid,
                         0xFFFFFF, 1);
    ZDrawFunc2d::drawArc(hdc, &trans, b, a, 3.0, arcType, 1.0, 0.0, psSolid, colour, vdcommon::dmNormal, bsSolid, 0, psSolid,
                         0xFFFFFF, 1);
    drawMarkLine(hdc, trans, t + CVec2<double>(0, 3), t + CVec2<double>(5, 3), colour);
}

// ---- 6: concentric ----

void ZVDConstraintConcentricData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d *g1, *g2;
    if (!enabled() || !bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectCoincident, {Ref(g1, edrCenter), Ref(g2, edrCenter)});
}

void ZVDConstraintConcentricData::build() {
    CVec2<double> p;
    if (!refPoint(1, edrCenter, p)) return;
    setAnchor(p, p - CVec2<double>(1, 1), p + CVec2<double>(1, 1));
}

void ZVDConstraintConcentricData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    drawSquare(hdc, trans, xLine(), markColour(selected));
}

// ---- 7, 8: horizontal, vertical ----

void ZVDConstraintHorizonData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g1 = geometry(1);
    if (!enabled() || !g1) return;
    solver->AddGeometry(g1);
    addObject(solver, ectHorizontal, {Ref(g1, edrCurve)});
}

void ZVDConstraintHorizonData::build() {
    const ZVDEntity* item = entity(1);
    const zgp::CCurve2d* g = geometry(1);
    if (!g || item->itemType() != vdiLine) return;
    const CVec2<double> pos = (g->StartPoint() + g->EndPoint()) * 0.5 + CVec2<double>(0, 5);
    setAnchor(pos, pos, pos + CVec2<double>(10, 0));
}

void ZVDConstraintHorizonData::draw(HDC, const ZCoordTrans&, bool) {}

void ZVDConstraintVerticalData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g1 = geometry(1);
    if (!enabled() || !g1) return;
    solver->AddGeometry(g1);
    addObject(solver, ectVertical, {Ref(g1, edrCurve)});
}

void ZVDConstraintVerticalData::build() {
    const ZVDEntity* item = entity(1);
    const zgp::CCurve2d* g = geometry(1);
    if (!g || item->itemType() != vdiLine) return;
    const CVec2<double> pos = (g->StartPoint() + g->EndPoint()) * 0.5 + CVec2<double>(5, 0);
    setAnchor(pos, pos, pos + CVec2<double>(0, 10));
}

void ZVDConstraintVerticalData::draw(HDC, const ZCoordTrans&, bool) {}

// ---- 9: equal ----

void ZVDConstraintEqualData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d *g1, *g2;
    if (!enabled() || !bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectEqual, {Ref(g1, edrCurve), Ref(g2, edrCurve)});
}

// Above a line's middle or a round curve's centre; a polyline segment keeps its anchor.
void ZVDConstraintEqualData::build() {
    const ZVDEntity* item = entity(1);
    const zgp::CCurve2d* g = geometry(1);
    if (!g) return;
    CVec2<double> pos = textPos();
    const EnVDIType kind = item->itemType();
    if ((kind == vdiLine || kind == vdiPolygon) && isLine(g))
        pos = (g->StartPoint() + g->EndPoint()) * 0.5 + CVec2<double>(0, 5);
    else if ((kind == vdiArc || kind == vdiCircle || kind == vdiPolygon) && isArc(g))
        pos = static_cast<const zgp::CArc2d*>(g)->CenterPt() + CVec2<double>(0, 5);
    setAnchor(pos, pos - CVec2<double>(3, 3), CVec2<double>(pos.x - 3, pos.y + 2));
    setText(L"\u2248");
}

void ZVDConstraintEqualData::draw(HDC hdc, const ZCoordTrans& trans, bool) { drawTextMark(hdc, trans); }

// ---- 10: pinned ----

void ZVDConstraintPinnedData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g1 = geometry(1);
    if (!enabled() || !g1) return;
    solver->AddGeometry(g1);
    addObject(solver, ectFixed, {Ref(g1, params().refType1)});
}

void ZVDConstraintPinnedData::build() {
    const zgp::CCurve2d* g = geometry(1);
    if (!g) return;
    const CVec2<double> pos = g->StartPoint() + CVec2<double>(3, 3);
    setAnchor(pos, pos, pos + CVec2<double>(5, 5));
}

void ZVDConstraintPinnedData::draw(HDC, const ZCoordTrans&, bool) {}

// ---- 13: point to curve distance ----

void ZVDConstraintPointDistanceToLineData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d *g1, *g2;
    if (!enabled() || !bothCurves(*this, solver, g1, g2)) return;
    addObject(solver, ectDistance, params().value, {Ref(g1, params().refType1), Ref(g2, edrCurve)});
}

// Between the point and its foot on the curve; a line item as curve 2 keeps the old anchor.
void ZVDConstraintPointDistanceToLineData::build() {
    const ZVDEntity* item2 = entity(2);
    const zgp::CCurve2d* g2 = geometry(2);
    CVec2<double> p;
    if (!g2 || !refPoint(1, params().refType1, p) || item2->itemType() == vdiLine) return;
    const CVec2<double> q = g2->GetPoint(g2->GetNearestT(p, 0.0));
    setAnchor((p + q) * 0.5 + CVec2<double>(5, 5), p, q);
}

void ZVDConstraintPointDistanceToLineData::draw(HDC hdc, const ZCoordTrans& trans, bool) { drawTextMark(hdc, trans); }

// ---- 18: diameter ----

void ZVDConstraintDiameterData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g1 = geometry(1);
    if (!enabled() || !isArc(g1)) return;
    solver->AddGeometry(g1);
    addObject(solver, ectDiameter, params().value, {Ref(g1, edrCurve)});
}

void ZVDConstraintDiameterData::build() {
    const zgp::CCurve2d* g = geometry(1);
    if (!isArc(g)) return;
    const auto* arc = static_cast<const zgp::CArc2d*>(g);
    const CVec2<double> c = arc->CenterPt();
    const double r = arc->Radius();
    setAnchor(c + CVec2<double>(0, 5), c - CVec2<double>(r, 0), c + CVec2<double>(r, 0));
    setText(sixDigits(2.0 * r));
}

void ZVDConstraintDiameterData::draw(HDC hdc, const ZCoordTrans& trans, bool) { drawTextMark(hdc, trans); }
