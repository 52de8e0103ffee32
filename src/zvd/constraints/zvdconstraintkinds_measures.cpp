// zvd: the measured constraint kinds shown as dimensions (11, 12, 14 to 17, 19, 20): value
// rules, values recomputed from the geometry, solver objects, grip point and text anchor.
#include <cmath>

#include <QString>

#include "constraints/zvdconstraintgeom.h"
#include "zcs/solver2d.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"
#include "zvd/constraints/zvdconstraint.h"
#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/constraints/zvdconstraintkinds.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CVec2;
using zgp::g_AngleEpsilon;
using zgp::g_DistEpsilon;
using namespace zvdconstraint;

namespace {

constexpr double kDeg = 180.0 / kPi;
constexpr double kMaxLength = 1e7;

// A dimension's value text: Qt's number form with format character 10 is fixed notation.
std::wstring valueText(double v, int decimals) { return QString::number(v, char(10), decimals).toStdWString(); }

bool lengthInRange(double v) { return v >= g_DistEpsilon && v <= g_DistEpsilon + kMaxLength; }
bool angleInRange(double v) { return v >= 0.01 && v <= 359.99; }

// Curve parameter at half the curve's length.
double halfLengthParam(const zgp::CCurve2d* g) {
    double t = g->StartT();
    g->PointAtLength(g->StartT(), g->Length() / 2.0, t, 0.0001);
    return t;
}

// The measured kinds' own marks: the value text, and for the distance and angle kinds a stroke
// from the grip point to the text (two for the angles, the second across the first).
void strokeMark(HDC hdc, const ZCoordTrans& trans, const CVec2<double>& from, const CVec2<double>& to, int colour) {
    ZDrawFunc2d::drawLine(hdc, &trans, from, to, 1.0, 0.0, psSolid, colour, vdcommon::dmNormal, bsSolid, 0, psSolid,
                          0xFFFFFF, 1);
}

void angleMark(HDC hdc, const ZCoordTrans& trans, const CVec2<double>& grip, const CVec2<double>& text, int colour) {
    strokeMark(hdc, trans, grip, text, colour);
    const CVec2<double> d = unit(text - grip) * 2.0;
    strokeMark(hdc, trans, text - CVec2<double>(-d.y, d.x), text + CVec2<double>(-d.y, d.x), colour);
}

}  // namespace

void ZVDConstraintPointDistanceToPointData::draw(HDC hdc, const ZCoordTrans& trans, bool) { drawTextMark(hdc, trans); }
void ZVDConstraintRadiusData::draw(HDC hdc, const ZCoordTrans& trans, bool) { drawTextMark(hdc, trans); }

void ZVDConstraintLineDistanceToLineData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    strokeMark(hdc, trans, gripPoint(), textPos(), markColour(selected));
    drawTextMark(hdc, trans);
}

void ZVDConstraintArcAngleData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    angleMark(hdc, trans, gripPoint(), textPos(), markColour(selected));
    drawTextMark(hdc, trans);
}

void ZVDConstraintLineAngleData::draw(HDC hdc, const ZCoordTrans& trans, bool selected) {
    angleMark(hdc, trans, gripPoint(), textPos(), markColour(selected));
    drawTextMark(hdc, trans);
}

// ---- 11: line length ----

bool ZVDConstraintLineLengthData::segment(CVec2<double>& s, CVec2<double>& e) const {
    const zgp::CCurve2d* g = geometry(1);
    if (!isLine(g)) return false;
    s = g->StartPoint();
    e = g->EndPoint();
    return true;
}

double ZVDConstraintLineLengthData::measure(const CVec2<double>& s, const CVec2<double>& e) const {
    switch (directionMode()) {
    case 1: return std::fabs(e.x - s.x);
    case 2: return std::fabs(e.y - s.y);
    default: return (e - s).Length();
    }
}

zgp::CLine2d* ZVDConstraintLineLengthData::modeLine() {
    const int mode = directionMode();
    if (mode != 1 && mode != 2) return nullptr;
    const CVec2<double> to = mode == 1 ? CVec2<double>(1, 0) : CVec2<double>(0, 1);
    if (!m_direction) m_direction.Reset(new zgp::CLine2d(CVec2<double>(0, 0), to));
    else m_direction->Set(CVec2<double>(0, 0), to);
    return m_direction.Get();
}

void ZVDConstraintLineLengthData::modifyData(const ZVDConstraintParams& p) {
    CVec2<double> s, e;
    if (dataType() == cdtLineLength && !isLine(geometry(1))) return;
    ZVDConstraintData::modifyData(p);
    if (!segment(s, e)) return;
    ZVDConstraintParams& q = params();
    const CVec2<double> at = q.constraintPos[0];
    q.value = measure(s, e);
    switch (directionMode()) {
    case 1:
        q.dimParams[1] = at.y - s.y;
        q.dimParams[2] = at.y - e.y;
        break;
    case 2:
        q.dimParams[1] = at.x - s.x;
        q.dimParams[2] = at.x - e.x;
        break;
    default: {
        double offset;
        if (dataType() == cdtLineLength) {
            const auto* line = static_cast<const zgp::CLine2d*>(geometry(1));
            offset = (at - line->GetPoint(line->GetNearestT(at, g_DistEpsilon))).Length();
            if (line->CalPtPosition(at, g_DistEpsilon) == -1) offset = -offset;
        } else {
            offset = unit(e - s).Cross(at - s);  // signed distance from the points' line
        }
        q.dimParams[1] = q.dimParams[2] = offset;
        break;
    }
    }
}

bool ZVDConstraintLineLengthData::setValue(double v) {
    if (!lengthInRange(v)) return false;
    return ZVDConstraintData::setValue(v);
}

bool ZVDConstraintLineLengthData::updateValue() {
    CVec2<double> s, e;
    if (!segment(s, e)) return false;
    params().value = measure(s, e);
    if (vdcommon::countsAsZero(params().value)) {
        params().value = 0;
        return false;
    }
    return true;
}

bool ZVDConstraintLineLengthData::isValidValue() { return !vdcommon::countsAsZero(params().value); }

void ZVDConstraintLineLengthData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g1 = geometry(1);
    if (!enabled() || !isLine(g1)) return;
    solver->AddGeometry(g1);
    zgp::CLine2d* dir = modeLine();
    if (!dir) {
        addObject(solver, ectDistance, params().value, {Ref(g1, edrCurve)});
        return;
    }
    solver->AddGeometry(dir);
    const ZlDimRefGeometry fixed(dir, edrCurve);
    solver->AddFixedGeometry(&fixed);
    addObject(solver, ectDistance, params().value, {Ref(g1, edrStart), Ref(g1, edrEnd), Ref(dir, edrCurve)});
}

// The dimension line runs along the measured direction at the offsets; the grip sits in its
// middle and the text above it.
void ZVDConstraintLineLengthData::build() {
    CVec2<double> s, e;
    if (!segment(s, e)) return;
    const ZVDConstraintParams& q = params();
    const double o1 = q.dimParams[1], o2 = q.dimParams[2];
    const int mode = directionMode();
    CVec2<double> a, b;
    if (mode == 1 || mode == 2) {
        modeLine();
        // Across the measured direction: y for a horizontal measure, x for a vertical one.
        const double s1 = mode == 1 ? s.y : s.x, e1 = mode == 1 ? e.y : e.x;
        double at;
        if (o1 >= 0 && o2 >= 0)
            at = std::max(s1, e1) + std::min(o1, o2);
        else if (o1 <= 0 && o2 <= 0)
            at = std::min(s1, e1) + std::max(o1, o2);
        else
            at = s1 + std::fabs(e1 - s1) * o1 / (std::fabs(o1) + std::fabs(o2));
        a = mode == 1 ? CVec2<double>(s.x, at) : CVec2<double>(at, s.y);
        b = mode == 1 ? CVec2<double>(e.x, at) : CVec2<double>(at, e.y);
    } else {
        zgp::CLine2d line(s, e);
        line.Offset(o1);
        a = line.StartPoint();
        b = line.EndPoint();
    }
    const CVec2<double> mid = (a + b) * 0.5;
    setGripPoint(mid);
    setText(valueText(q.value, 0));
    zgp::CLine2d shown(a, b);
    showDimensionLine(shown);
    showText();
    CVec2<double> n = a - s;
    if (n.Length() <= g_DistEpsilon) n = CVec2<double>(-(b - a).y, (b - a).x);
    CVec2<double> dir = n;
    placeText(mid, dir, 6.0);
    showExtensionLinesAcross(a, b, n);
}

// ---- 12: point to point distance ----

bool ZVDConstraintPointDistanceToPointData::segment(CVec2<double>& s, CVec2<double>& e) const {
    return refPoint(1, params().refType1, s) && refPoint(2, params().refType2, e);
}

bool ZVDConstraintPointDistanceToPointData::setValue(double v) {
    if (v < 0 || v > g_DistEpsilon + kMaxLength) return false;
    if (directionMode() == 0 && vdcommon::countsAsZero(v)) return false;
    return ZVDConstraintData::setValue(v);
}

bool ZVDConstraintPointDistanceToPointData::updateValue() {
    CVec2<double> s, e;
    if (!segment(s, e)) return false;
    params().value = measure(s, e);
    if (directionMode() == 0 && vdcommon::countsAsZero(params().value)) {
        params().value = 0;
        return false;
    }
    return true;
}

bool ZVDConstraintPointDistanceToPointData::isValidValue() {
    const int mode = directionMode();
    if (mode == 1 || mode == 2) return true;
    if (!vdcommon::countsAsZero(params().value)) return true;
    params().value = 0;
    return false;
}

void ZVDConstraintPointDistanceToPointData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g1 = geometry(1);
    zgp::CCurve2d* g2 = geometry(2);
    if (!enabled() || !g1 || !g2) return;
    solver->AddGeometry(g1);
    solver->AddGeometry(g2);
    zgp::CLine2d* dir = modeLine();
    if (!dir) {
        addObject(solver, ectDistance, params().value, {Ref(g1, params().refType1), Ref(g2, params().refType2)});
        return;
    }
    solver->AddGeometry(dir);
    const ZlDimRefGeometry fixed(dir, edrCurve);
    solver->AddFixedGeometry(&fixed);
    addObject(solver, ectDistance, params().value,
              {Ref(g1, params().refType1), Ref(g2, params().refType2), Ref(dir, edrCurve)});
}

// ---- 14: line to line distance ----

void ZVDConstraintLineDistanceToLineData::modifyData(const ZVDConstraintParams& p) {
    const zgp::CCurve2d* g1 = geometry(1);
    const zgp::CCurve2d* g2 = geometry(2);
    if (!isLine(g1) || !isLine(g2)) return;
    ZVDConstraintData::modifyData(p);
    const CVec2<double> s1 = g1->StartPoint();
    params().value = (vdcommon::ClosestPointTo(g2, s1, false) - s1).Length();
    params().dimParams[0] = g1->GetNearestT(params().constraintPos[0], g_DistEpsilon) - halfLengthParam(g1);
}

bool ZVDConstraintLineDistanceToLineData::setValue(double v) {
    if (!lengthInRange(v)) return false;
    return ZVDConstraintData::setValue(v);
}

bool ZVDConstraintLineDistanceToLineData::updateValue() {
    const zgp::CCurve2d* g1 = geometry(1);
    const zgp::CCurve2d* g2 = geometry(2);
    if (!isLine(g1) || !isLine(g2)) return false;
    const CVec2<double> s1 = g1->StartPoint();
    params().value = (vdcommon::ClosestPointTo(g2, s1, false) - s1).Length();
    if (vdcommon::countsAsZero(params().value)) {
        params().value = 0;
        return false;
    }
    return true;
}

bool ZVDConstraintLineDistanceToLineData::isValidValue() { return !vdcommon::countsAsZero(params().value); }

// Disabled, the lines still stay parallel: the distance is then only shown.
void ZVDConstraintLineDistanceToLineData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g1 = geometry(1);
    zgp::CCurve2d* g2 = geometry(2);
    if (!isLine(g1) || !isLine(g2)) return;
    solver->AddGeometry(g1);
    solver->AddGeometry(g2);
    if (enabled())
        addObject(solver, ectDistance, params().value, {Ref(g1, edrCurve), Ref(g2, edrCurve)});
    else
        addObject(solver, ectParallel, {Ref(g1, edrCurve), Ref(g2, edrCurve)});
}

void ZVDConstraintLineDistanceToLineData::build() {
    const zgp::CCurve2d* g1 = geometry(1);
    const zgp::CCurve2d* g2 = geometry(2);
    if (!isLine(g1) || !isLine(g2)) return;
    const CVec2<double> a = g1->GetPoint(halfLengthParam(g1) + params().dimParams[0]);
    const CVec2<double> b = vdcommon::ClosestPointTo(g2, a, false);
    const CVec2<double> mid = (a + b) * 0.5;
    setGripPoint(mid);
    setText(valueText(params().value, 0));
    zgp::CLine2d shown(a, b);
    showDimensionLine(shown);
    showText();
    CVec2<double> n = g1->StartPoint() - a;
    if (n.Length() <= g_DistEpsilon) n = CVec2<double>(-(b - a).y, (b - a).x);
    // Inside a group of several distances the texts all lean towards the group's own text.
    auto* group = dynamic_cast<ZVDConstraintDimension*>(constraint() ? constraint()->parent() : nullptr);
    std::vector<ZVDConstraint*> siblings;
    if (group) group->childConstraints(siblings);
    if (group && siblings.size() > 1 && group->data()) {
        const CVec2<double> toText = group->dimText()->insertPt() - group->data()->gripPoint();
        if (toText.Length() > 0) n = unit(toText);
    }
    CVec2<double> dir = n;
    placeText(mid, dir, 6.0);
    showExtensionLinesAcross(a, b, n);
}

// ---- 15: arc angle ----

void ZVDConstraintArcAngleData::modifyData(const ZVDConstraintParams& p) {
    ZVDConstraintData::modifyData(p);
    const zgp::CCurve2d* g = geometry(1);
    if (!isArc(g)) return;
    const auto* arc = static_cast<const zgp::CArc2d*>(g);
    const CVec2<double> at = params().constraintPos[0];
    double d;
    if ((at - arc->CenterPt()).Length() <= g_DistEpsilon)
        d = arc->Radius() - 2.0;
    else
        d = (at - arc->GetPoint(arc->GetNearestT(at, g_DistEpsilon))).Length();
    if (zgp::CPositionJudge().GetPointCurveSide(at, arc, false) == -1) d = -d;
    params().dimParams[0] = d;
    params().dimParams[1] = arc->Sense();
}

bool ZVDConstraintArcAngleData::setValue(double v) {
    if (!angleInRange(v)) return false;
    return ZVDConstraintData::setValue(v);
}

bool ZVDConstraintArcAngleData::updateValue() {
    const zgp::CCurve2d* g = geometry(1);
    if (!isArc(g)) return false;
    return setValue(std::fabs(static_cast<const zgp::CArc2d*>(g)->RotateAngle()) * kDeg);
}

bool ZVDConstraintArcAngleData::isValidValue() { return angleInRange(params().value); }

// The solver measures the sweep counter-clockwise from the start: a clockwise arc of sweep θ
// sweeps 2π − θ that way.
void ZVDConstraintArcAngleData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g = geometry(1);
    if (!enabled() || !isArc(g)) return;
    double radians = params().value / kDeg;
    if (static_cast<const zgp::CArc2d*>(g)->Sense() == -1) radians = 2.0 * kPi - radians;
    solver->AddGeometry(g);
    addObject(solver, ectAngle, radians, {Ref(g, edrCurve)});
}

void ZVDConstraintArcAngleData::build() {
    const zgp::CCurve2d* g = geometry(1);
    if (!isArc(g)) return;
    const auto* arc = static_cast<const zgp::CArc2d*>(g);
    ZVDConstraintParams& q = params();
    if (arc->Sense() != vdcommon::roundDimMode(q.dimParams[1])) {
        q.dimParams[0] = -q.dimParams[0];
        q.dimParams[1] = arc->Sense();
    }
    zgp::CRefPtr<zgp::CCurve2d> shown(static_cast<zgp::CCurve2d*>(arc->Clone()));
    shown->Offset(q.dimParams[0]);
    const CVec2<double> m = shown->GetPoint((shown->StartT() + shown->EndT()) / 2.0);
    setGripPoint(m);
    setText(valueText(q.value, 2) + L"\u00b0");
    showDimensionLine(*shown);
    showText();
    CVec2<double> dir = m - arc->CenterPt();
    placeText(m, dir, 6.0);
    // From the arc's ends out to a little past the shown arc's ends.
    const CVec2<double> s = arc->StartPoint(), e = arc->EndPoint();
    const CVec2<double> s2 = shown->StartPoint(), e2 = shown->EndPoint();
    showExtensionLines(s, s2 + unit(s2 - s) * 8.0, e, e2 + unit(e2 - e) * 8.0);
}

// ---- 16: line angle ----

namespace {

// Signed angle from d1 to d2, snapped to π when it is within the angle tolerance of it.
double lineAngle(const CVec2<double>& d1, const CVec2<double>& d2) {
    double a = std::atan2(d1.Cross(d2), d1.Dot(d2));
    const double tol = g_AngleEpsilon > 0 ? g_AngleEpsilon : std::max(1e-12, std::fabs(a) * 1e-12);
    if (std::fabs(std::fabs(a) - kPi) <= tol) a = kPi;
    return a;
}

}  // namespace

void ZVDConstraintLineAngleData::modifyData(const ZVDConstraintParams& p) {
    ZVDConstraintData::modifyData(p);
    updateValue();
}

bool ZVDConstraintLineAngleData::setValue(double v) {
    const double rounded = std::round(v * 100.0) / 100.0;  // half away from zero
    if (!angleInRange(rounded) || std::fabs(rounded - params().value) <= g_DistEpsilon) return false;
    return ZVDConstraintData::setValue(rounded);
}

bool ZVDConstraintLineAngleData::updateValue() {
    const zgp::CCurve2d* g1 = geometry(1);
    const zgp::CCurve2d* g2 = geometry(2);
    if (!isLine(g1) || !isLine(g2)) return false;
    const double a = lineAngle(g1->EndPoint() - g1->StartPoint(), g2->EndPoint() - g2->StartPoint());
    const double q = params().dimParams[0];
    const double v = (q == 1 || q == 3 || std::fabs(a - kPi) <= g_AngleEpsilon) ? std::fabs(a) * kDeg
                                                                                  : (kPi - std::fabs(a)) * kDeg;
    if (!angleInRange(v)) return false;
    params().value = v;
    return true;
}

bool ZVDConstraintLineAngleData::isValidValue() { return angleInRange(params().value); }

void ZVDConstraintLineAngleData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g1 = geometry(1);
    zgp::CCurve2d* g2 = geometry(2);
    if (!enabled() || !isLine(g1) || !isLine(g2)) return;
    const CVec2<double> d1 = g1->EndPoint() - g1->StartPoint(), d2 = g2->EndPoint() - g2->StartPoint();
    const double theta = params().value / kDeg;
    const bool positive = std::atan2(d1.Cross(d2), d1.Dot(d2)) > 0;
    const int q = vdcommon::roundDimMode(params().dimParams[0]);
    double value;
    if (q == 1 || q == 3)
        value = positive ? theta : 2.0 * kPi - theta;
    else
        value = positive ? theta - 2.0 * kPi : -theta;
    solver->AddGeometry(g1);
    solver->AddGeometry(g2);
    addObject(solver, ectAngle, value, {Ref(g1, edrCurve), Ref(g2, edrCurve)});
}

// The grip sits between the two lines' middles, the text beside it.
void ZVDConstraintLineAngleData::build() {
    const zgp::CCurve2d* g1 = geometry(1);
    const zgp::CCurve2d* g2 = geometry(2);
    if (!isLine(g1) || !isLine(g2)) return;
    const CVec2<double> s1 = g1->StartPoint(), d1 = g1->EndPoint() - s1;
    const CVec2<double> s2 = g2->StartPoint(), d2 = g2->EndPoint() - s2;
    const double den = d1.Cross(d2);
    CVec2<double> mid;
    if (std::fabs(den) > kTiny * d1.Length() * d2.Length()) {
        // An arc about the lines' crossing, through the placed point, from line 1 to line 2.
        const CVec2<double> c = s1 + d1 * ((s2 - s1).Cross(d2) / den);
        double r = (params().constraintPos[0] - c).Length();
        if (r <= g_DistEpsilon) r = 20.0;
        double a1 = std::atan2(d1.y, d1.x), a2 = std::atan2(d2.y, d2.x);
        if (den < 0) std::swap(a1, a2);
        if (a2 <= a1) a2 += 2 * kPi;
        zgp::CArc2d shown;
        shown.Set(c, r, a1, a2);
        mid = shown.GetPoint((shown.StartT() + shown.EndT()) / 2.0);
        showDimensionLine(shown);
        setGripPoint(mid);
        setText(valueText(params().value, 2) + L"\u00b0");
        showText();
        CVec2<double> dir = mid - c;
        placeText(mid, dir, 6.0);
        return;
    }
    // Parallel lines: the text between their middles.
    mid = (s1 + d1 * 0.5 + s2 + d2 * 0.5) * 0.5;
    setGripPoint(mid);
    setText(valueText(params().value, 2) + L"\u00b0");
    showText();
    CVec2<double> dir(0, 1);
    placeText(mid, dir, 6.0);
}

// ---- 17: radius ----

void ZVDConstraintRadiusData::modifyData(const ZVDConstraintParams& p) {
    ZVDConstraintData::modifyData(p);
    const zgp::CCurve2d* g = geometry(1);
    if (!isArc(g)) return;
    const auto* arc = static_cast<const zgp::CArc2d*>(g);
    const CVec2<double> c = arc->CenterPt(), at = params().constraintPos[0];
    double fraction = 0;
    if ((at - c).Length() > g_DistEpsilon) {
        // Where the ray from the centre through the placed point meets the arc, if it does.
        const CVec2<double> hit = c + unit(at - c) * arc->Radius();
        const CVec2<double> foot = arc->GetPoint(arc->GetNearestT(hit, g_DistEpsilon));
        const double length = arc->Length();
        if ((foot - hit).Length() <= g_DistEpsilon && length > 0) fraction = arc->LengthAtPoint(hit) / length;
    }
    params().dimParams[0] = fraction;
    params().value = arc->Radius();
}

bool ZVDConstraintRadiusData::setValue(double v) {
    if (!lengthInRange(v)) return false;
    return ZVDConstraintData::setValue(v);
}

bool ZVDConstraintRadiusData::updateValue() {
    const zgp::CCurve2d* g = geometry(1);
    if (!isArc(g)) return false;
    params().value = static_cast<const zgp::CArc2d*>(g)->Radius();
    return true;
}

void ZVDConstraintRadiusData::addConstraint(zcs::ISolver2d* solver) {
    zgp::CCurve2d* g = geometry(1);
    if (!enabled() || !isArc(g)) return;
    solver->AddGeometry(g);
    addObject(solver, ectRadius, params().value, {Ref(g, edrCurve)});
}

void ZVDConstraintRadiusData::build() {
    const zgp::CCurve2d* g = geometry(1);
    if (!isArc(g)) return;
    const auto* arc = static_cast<const zgp::CArc2d*>(g);
    double t = arc->StartT();
    arc->PointAtLength(arc->StartT(), arc->Length() * params().dimParams[0], t, 0.0001);
    const CVec2<double> p = arc->GetPoint(t), c = arc->CenterPt();
    const CVec2<double> mid = (c + p) * 0.5;
    setGripPoint(mid);
    setText(valueText(arc->Radius(), 0));
    zgp::CLine2d shown(c, p);
    showDimensionLine(shown);
    showText();
    CVec2<double> dir = p - c;
    placeTextBeside(mid, dir, 6.0);
}

// ---- 19: ellipse radius ----

bool ZVDConstraintEllipseRadiusData::radiusPoint(CVec2<double>& point, bool& alongAxis) const {
    const zgp::CCurve2d* g = geometry(1);
    if (!g || g->Type() != zgp::GT_ELLIPSE) return false;
    const auto* ell = static_cast<const zgp::CEllipse2d*>(g);
    const CVec2<double> c = ell->CenterPt();
    const CVec2<double> u = unit(ell->Axis()), v(-u.y, u.x);
    const double a = ell->MajorRadius(), b = ell->MinorRadius();
    CVec2<double> ends[4] = {c + u * a, c + v * b, c - u * a, c - v * b};
    // Sorted by their counter-clockwise angle about the centre, counted from the start point.
    const CVec2<double> from = ell->StartPoint() - c;
    double angle[4];
    for (int i = 0; i < 4; ++i) {
        const CVec2<double> w = ends[i] - c;
        angle[i] = std::atan2(from.Cross(w), from.Dot(w));
        if (angle[i] < 0 && !(std::fabs(angle[i]) <= g_AngleEpsilon)) angle[i] += 2.0 * kPi;
    }
    // Four points: a stable insertion sort keeps equal angles in axis order.
    int order[4] = {0, 1, 2, 3};
    for (int i = 1; i < 4; ++i)
        for (int j = i; j > 0 && angle[order[j]] < angle[order[j - 1]]; --j) std::swap(order[j], order[j - 1]);
    int q = vdcommon::roundDimMode(params().dimParams[0]);
    if (q < 0 || q > 3) q = 0;
    point = ends[order[q]];
    const CVec2<double> r = point - c, axis = ell->Axis();
    const double cross = r.Cross(axis);
    alongAxis = cross * cross <= (r.SqrLength() * axis.SqrLength()) * g_DistEpsilon * g_DistEpsilon;
    return true;
}

void ZVDConstraintEllipseRadiusData::modifyData(const ZVDConstraintParams& p) {
    ZVDConstraintData::modifyData(p);
    updateValue();
}

bool ZVDConstraintEllipseRadiusData::setValue(double v) {
    if (!lengthInRange(v)) return false;
    return ZVDConstraintData::setValue(v);
}

bool ZVDConstraintEllipseRadiusData::updateValue() {
    CVec2<double> p;
    bool along = false;
    if (!radiusPoint(p, along)) return false;
    const auto* ell = static_cast<const zgp::CEllipse2d*>(geometry(1));
    params().value = along ? ell->MajorRadius() : ell->MinorRadius();
    return true;
}

void ZVDConstraintEllipseRadiusData::addConstraint(zcs::ISolver2d* solver) {
    CVec2<double> p;
    bool along = false;
    if (!enabled() || !radiusPoint(p, along)) return;
    zgp::CCurve2d* g = geometry(1);
    solver->AddGeometry(g);
    addObject(solver, along ? ectEllipseRadiusAlong : ectEllipseRadiusAcross, params().value, {Ref(g, edrCurve)});
}

void ZVDConstraintEllipseRadiusData::build() {
    CVec2<double> p;
    bool along = false;
    if (!radiusPoint(p, along)) return;
    const CVec2<double> c = static_cast<const zgp::CEllipse2d*>(geometry(1))->CenterPt();
    const CVec2<double> mid = (c + p) * 0.5;
    setGripPoint(mid);
    setText(valueText(params().value, 0));
    zgp::CLine2d shown(c, p);
    showDimensionLine(shown);
    showText();
    CVec2<double> dir = p - c;
    placeTextBeside(mid, dir, 6.0);
}

// ---- 20: multi-distance ----

namespace {

std::vector<ZVDConstraint*> childrenOf(ZVDConstraint* item) {
    std::vector<ZVDConstraint*> out;
    if (item) item->childConstraints(out);
    return out;
}

}  // namespace

// Every child distance takes the group's value; true when any child accepted it.
bool ZVDConstraintMultiDistanceData::setValue(double v) {
    bool any = false;
    for (ZVDConstraint* child : childrenOf(constraint())) any = child->setConstraintValue(v) || any;
    if (any) ZVDConstraintData::setValue(v);
    return any;
}

bool ZVDConstraintMultiDistanceData::updateValue() {
    bool anyVisible = false;
    for (ZVDConstraint* child : childrenOf(constraint())) {
        auto* d = dynamic_cast<ZVDConstraintDimensionData*>(child->data());
        if (!d || child->itemType() != vdiConstraintDimension) continue;
        child->setVisible(d->updateValue());
        anyVisible = anyVisible || child->visible();
    }
    return anyVisible;
}

bool ZVDConstraintMultiDistanceData::isValidValue() {
    for (ZVDConstraint* child : childrenOf(constraint())) {
        auto* d = dynamic_cast<ZVDConstraintDimensionData*>(child->data());
        if (d && child->itemType() == vdiConstraintDimension && d->isValidValue()) return true;
    }
    return false;
}

void ZVDConstraintMultiDistanceData::addConstraint(zcs::ISolver2d* solver) {
    for (ZVDConstraint* child : childrenOf(constraint())) child->addConstraint(solver);
}

bool ZVDConstraintMultiDistanceData::holdsObject(const zcs::IConstraint* object) const {
    for (ZVDConstraint* child : childrenOf(constraint()))
        if (child->containConstraint(object)) return true;
    return false;
}

void ZVDConstraintMultiDistanceData::releaseObjects() {
    for (ZVDConstraint* child : childrenOf(constraint())) child->releaseConstraint();
}

void ZVDConstraintMultiDistanceData::build() {
    const zgp::CCurve2d* g1 = geometry(1);
    const zgp::CCurve2d* g2 = geometry(2);
    if (!g1 || !g2) return;
    const CVec2<double> a = g1->GetPoint(halfLengthParam(g1) + params().dimParams[0]);
    const CVec2<double> b = vdcommon::ClosestPointTo(g2, a, false);
    const CVec2<double> mid = (a + b) * 0.5;
    setGripPoint(mid);
    setText(constraint() && constraint()->temp() ? std::wstring() : std::wstring(L"EQ"));
    CVec2<double> n = g1->StartPoint() - a;
    if (n.Length() <= g_DistEpsilon) n = CVec2<double>(-(b - a).y, (b - a).x);
    ZVDConstraintDimension* group = dimension();
    if (group && constraint()->refEntities().size() > 2) {
        ZVDText* t = group->dimText();
        std::set<EnFontStyle> styles = t->fontStyle();
        // A group whose distances are not all equal shows its text struck out.
        if (!(std::fabs(params().value) <= 1e-12))
            styles.insert(fsStrikeOut);
        else
            styles.erase(fsStrikeOut);
        t->setFontStyle(styles);
        t->setText(text());
        t->setColor(0x42c4ff);
        t->setHeight(36);
        CVec2<double> dir = n;
        placeText(mid, dir, 54.0);
    }
    // Every child distance is placed anew through the group's grip point.
    std::vector<ZVDConstraint*> children;
    if (constraint()) constraint()->childConstraints(children);
    for (ZVDConstraint* child : children) {
        if (child->itemType() != vdiConstraintDimension || !child->data()) continue;
        ZVDConstraintParams p = child->params();
        p.constraintPos[0] = gripPoint();
        child->data()->modifyData(p);
        child->build();
        child->setConstraintValue(child->params().value);
    }
}
