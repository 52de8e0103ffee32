// zvd: the vdcommon geometric helpers over the kernel: arc types, polar lines, outline loops,
// shrinking, extending and intersecting curves, and stretching an arc by one end.
#include "zvd/entities/vdcommon_curves.h"

#include <algorithm>
#include <cmath>

#include "zgp/builders.h"
#include "zgp/mindist.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"

using zgp::CArc2d;
using zgp::CBox2;
using zgp::CCurve2d;
using zgp::CLine2d;
using zgp::CLoop;
using zgp::CRefPtr;
using zgp::CVec2;

namespace vdcommon {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

// The tolerance of fuzzy comparisons: t itself, or a relative one when t is 0.
double effectiveTol(double value, double tol) { return tol != 0.0 ? tol : std::max(std::fabs(value) * 1e-12, 1e-12); }

const CArc2d* asArc(const CCurve2d* c) {
    return c && c->Type() == zgp::GT_ARC ? static_cast<const CArc2d*>(c) : nullptr;
}
const CLine2d* asLine(const CCurve2d* c) {
    return c && c->Type() == zgp::GT_LINE ? static_cast<const CLine2d*>(c) : nullptr;
}

}  // namespace

bool fuzzyEqual(double a, double b, double tol) { return std::fabs(a - b) <= effectiveTol(a, tol); }

CArc2d::ArcType getArcType(double bulge) {
    const double tol = effectiveTol(bulge, zgp::g_DistEpsilon);
    if (bulge > 1.0 + tol) return CArc2d::CCW_LARGE;
    if (bulge > tol) return CArc2d::CCW_SMALL;
    if (std::fabs(bulge) <= tol) return CArc2d::CCW_SMALL;
    if (-1.0 - zgp::g_DistEpsilon < bulge) return CArc2d::CW_SMALL;
    return CArc2d::CW_LARGE;
}

bool isClockwise(CArc2d::ArcType type) { return type == CArc2d::CW_SMALL || type == CArc2d::CW_LARGE; }

CBox2<double> commonBox2d(double x1, double y1, double x2, double y2) {
    return CBox2<double>(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

// A negative length points the segment backwards (its range stays [0, |length|]), so that the
// end point is always origin + length * (cos, sin).
CLine2d* getPolarLine(const CVec2<double>& origin, double angle, double length) {
    return new CLine2d(origin, origin + CVec2<double>(std::cos(angle), std::sin(angle)) * length);
}

CLoop* getLoopByCurveWithWidth(const CCurve2d* curve, double width) {
    return zgp::ZLoopBuilder::CreateLoop(curve, width / 2, width / 2);
}

CLoop* getLoopByBox(const CBox2<double>& box) { return zgp::ZLoopBuilder::CreateRect(box); }

CVec2<double> ClosestPointTo(const CCurve2d* curve, const CVec2<double>& pt, bool extended) {
    if (!curve) return pt;
    zgp::CCurve2dMindist mindist(curve, extended);
    mindist.SetQueryPoint(pt);
    return mindist.GetPoint();
}

CCurve2d* CreateCurve(const CVec2<double>& p1, const CVec2<double>& p2, const CVec2<double>& p3, double bulge,
                      int type) {
    using zgp::ZCurve2dBuilder;
    if (type == 0) return new CLine2d(p1, p2);
    if (type >= 1 && type <= 4)
        return ZCurve2dBuilder::CreateCurve(p1, p2, bulge, type, zgp::g_DistEpsilon, zgp::g_AngleEpsilon);
    if (type == 5) return ZCurve2dBuilder::CreateCurve(p1, p2, p3, zgp::g_DistEpsilon, zgp::g_AngleEpsilon);
    return nullptr;
}

void xLinePortShrink(CCurve2d* curve, double startCut, double endCut) {
    if (!curve || !(curve->Length() > startCut + endCut)) return;
    if (curve->Type() == zgp::GT_LINE) {
        auto* line = static_cast<CLine2d*>(curve);
        const CVec2<double> u = line->Direction();
        line->Set(line->StartPoint() + u * startCut, line->EndPoint() - u * endCut);
    } else if (curve->Type() == zgp::GT_ARC) {
        auto* arc = static_cast<CArc2d*>(curve);
        const double r = arc->Radius();
        if (r == 0.0) return;
        // Cutting runs along the arc: forwards from the start, backwards from the end.
        const double s = arc->Sense() < 0 ? -1.0 : 1.0;
        const CVec2<double> c = arc->CenterPt();
        const CVec2<double> start = arc->StartPoint().RotatedAbout(c, s * startCut / r);
        const CVec2<double> end = arc->EndPoint().RotatedAbout(c, -s * endCut / r);
        arc->Set(c, start, end, arc->Sense());
    }
}

void ExtentCurve(CCurve2d* curve, const CBox2<double>& box) {
    if (!curve) return;
    if (curve->Type() == zgp::GT_LINE) {
        const double e = std::max(box.Width(), box.Height());
        curve->Extend(e, e);
    } else if (const CArc2d* arc = asArc(curve)) {
        curve->SetEndT(curve->StartT() + arc->Radius() * kTwoPi);
    }
}

int Intersect(const CCurve2d* a, bool extendA, const CCurve2d* b, bool extendB, std::vector<zgp::CCurvCurvIntPt>& out) {
    out.clear();
    if (!a || !b) return 0;
    CRefPtr<CCurve2d> ea, eb;
    if (extendA || extendB) {
        CBox2<double> all = a->Box();
        all.Add(b->Box());
        if (extendA) {
            ea.Reset(a->Clone());
            ExtentCurve(ea.Get(), all);
            a = ea.Get();
        }
        if (extendB) {
            eb.Reset(b->Clone());
            ExtentCurve(eb.Get(), all);
            b = eb.Get();
        }
    }
    zgp::CCurvCurvIntersector intersector;
    return intersector.Intersect(*a, *b, out);
}

bool IsParallel(const CCurve2d* a, const CCurve2d* b, double angleTol, double distTol) {
    if (!a || !b || a->Type() != b->Type()) return false;
    if (const CLine2d* la = asLine(a)) {
        const CLine2d* lb = asLine(b);
        return la->Direction().Normalized().Dot(lb->Direction().Normalized()) > std::cos(angleTol);
    }
    if (const CArc2d* aa = asArc(a)) return aa->CenterPt().DistanceTo(asArc(b)->CenterPt()) <= distTol;
    return false;
}

CCurve2d* stretchArc(const CCurve2d* curve, const CVec2<double>& pt, const CVec2<double>& offset) {
    const CArc2d* arc = asArc(curve);
    if (!arc) return nullptr;
    const double eps = zgp::g_DistEpsilon;
    CVec2<double> start = arc->StartPoint(), end = arc->EndPoint();
    const bool atStart = start.IsEqual(pt, eps);
    if (!atStart && !end.IsEqual(pt, eps)) return nullptr;

    const CVec2<double> mid = arc->GetPoint((arc->StartT() + arc->EndT()) / 2);
    const double height = mid.DistanceTo((start + end) / 2);
    zgp::CPositionJudge judge;
    CLine2d oldChord(start, end);
    const bool bulgeLeft = judge.GetPointCurveSide(mid, &oldChord, false) == 1;

    (atStart ? start : end) += offset;
    if (!(start.DistanceTo(end) > eps)) return nullptr;
    const CVec2<double> normal = (end - start).Perp().Normalized();
    const CVec2<double> newMid = (start + end) / 2 + normal * (bulgeLeft ? height : -height);
    return zgp::ZCurve2dBuilder::CreateCurve(start, newMid, end, eps, zgp::g_AngleEpsilon);
}

}  // namespace vdcommon
