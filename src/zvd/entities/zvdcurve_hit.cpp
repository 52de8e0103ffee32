// zvd: point against the band around a curve. Hit testing runs for every item under the cursor,
// so lines and arcs are decided in closed form instead of building and classifying an outline loop.
#include "entities/zvdcurve_hit.h"

#include <algorithm>
#include <cmath>

#include "zgp/arc2d.h"
#include "zgp/builders.h"
#include "zgp/line2d.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"

using zgp::CArc2d;
using zgp::CCurve2d;
using zgp::CLine2d;
using zgp::CVec2;

namespace zvdcurvehit {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

bool isFinite(const CVec2<double>& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// The position judge's reading of a tolerance: negative or not finite means exact.
double judgeTol(double tol) { return std::isfinite(tol) && tol > 0.0 ? tol : 0.0; }

// The kernel builds no outline for these (see ZLoopBuilder::CreateLoop).
bool bandExists(const CCurve2d& curve, double halfWidth) {
    return std::isfinite(halfWidth) && halfWidth > 0.0 && 2.0 * halfWidth >= zgp::g_DistEpsilon &&
           !curve.IsDegenerate();
}

double sqrDistToSegment(const CVec2<double>& p, const CVec2<double>& a, const CVec2<double>& b) {
    const CVec2<double> ab = b - a;
    const double len2 = ab.SqrLength();
    const double s = len2 > 0.0 ? std::min(1.0, std::max(0.0, (p - a).Dot(ab) / len2)) : 0.0;
    return (a + ab * s - p).SqrLength();
}

// The rectangle [t0, t1] x [-h, h] in the line's own frame.
bool lineBandHit(const CLine2d& line, const CVec2<double>& pt, double tol, double h) {
    const CVec2<double> rel = pt - line.Origin();
    const double u = rel.Dot(line.Direction());
    const double v = std::fabs(line.Direction().Cross(rel));
    const double dx = std::max({line.StartT() - u, 0.0, u - line.EndT()});
    const double dy = std::max(v - h, 0.0);
    return dx * dx + dy * dy <= tol * tol;
}

// The annular sector between radii r - h and r + h over the arc's angles. An inner radius below
// the distance tolerance collapses to the centre (a circular sector), as the outline builder does.
bool arcBandHit(const CArc2d& arc, const CVec2<double>& pt, double tol, double h) {
    const double r = arc.Radius();
    const double eps = zgp::g_DistEpsilon;
    const double outer = r + h;
    if (outer < eps) return false;
    const double inner = r - h < eps ? 0.0 : r - h;
    const CVec2<double> c = arc.CenterPt();
    const double s = arc.Sense() < 0 ? -1.0 : 1.0;
    const double a0 = arc.StartAngle();
    const double sweep = (arc.EndT() - arc.StartT()) / r;
    const CVec2<double> rel = pt - c;

    bool within = sweep >= kTwoPi;
    if (!within) {
        double off = std::fmod(s * (rel.Angle() - a0), kTwoPi);
        if (off < 0) off += kTwoPi;
        within = off <= sweep;
    }
    if (within) {
        const double rho = rel.Length();
        const double d = std::max({inner - rho, 0.0, rho - outer});
        return d <= tol;
    }
    // Beyond the angular span the nearest point of the sector lies on one of its two caps.
    const double a1 = a0 + s * sweep;
    const CVec2<double> u0(std::cos(a0), std::sin(a0)), u1(std::cos(a1), std::sin(a1));
    const double d2 = std::min(sqrDistToSegment(pt, c + u0 * inner, c + u0 * outer),
                               sqrDistToSegment(pt, c + u1 * inner, c + u1 * outer));
    return d2 <= tol * tol;
}

}  // namespace

bool bandHit(const CCurve2d& curve, const CVec2<double>& pt, double tol, double halfWidth) {
    if (curve.Type() == zgp::GT_LINE) {
        if (!isFinite(pt) || !bandExists(curve, halfWidth)) return false;
        return lineBandHit(static_cast<const CLine2d&>(curve), pt, judgeTol(tol), halfWidth);
    }
    if (curve.Type() == zgp::GT_ARC) {
        const auto& arc = static_cast<const CArc2d&>(curve);
        if (arc.Radius() > 0.0 && std::isfinite(arc.Radius())) {
            if (!isFinite(pt) || !bandExists(curve, halfWidth)) return false;
            return arcBandHit(arc, pt, judgeTol(tol), halfWidth);
        }
    }
    return bandHitByLoop(curve, pt, tol, halfWidth);
}

bool bandHitByLoop(const CCurve2d& curve, const CVec2<double>& pt, double tol, double halfWidth) {
    const zgp::CRefPtr<zgp::CLoop> loop(zgp::ZLoopBuilder::CreateLoop(&curve, halfWidth, halfWidth));
    if (!loop) return false;
    zgp::CPositionJudge judge;
    judge.SetDistEpsilon(tol);
    const int position = judge.GetPointCoedgeListPosition(pt, loop.Get(), tol);
    return position != zgp::CPositionJudge::PT_OUTSIDE;
}

}  // namespace zvdcurvehit
