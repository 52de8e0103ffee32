// zgp: CPositionJudge, point/curve/loop/polygon position classification with a distance tolerance.
// Point positions answer 1 inside, 2 on the boundary (within the tolerance), 3 outside.
#pragma once

#include "zgp/loop.h"

namespace zgp {

class CPositionJudge {
public:
    enum { PT_INSIDE = 1, PT_ON = 2, PT_OUTSIDE = 3 };
    // Region relations: 1 apart (neither boundary nor area meets), 2 the boundaries touch or
    // cross, 3 the first lies inside the second, 4 the second lies inside the first.
    enum { RG_APART = 1, RG_CROSS = 2, RG_FIRST_INSIDE = 3, RG_SECOND_INSIDE = 4 };

    CPositionJudge();
    void SetDistEpsilon(double tol) { m_tol = tol; }
    double DistEpsilon() const { return m_tol; }

    // 1 when p lies left of the curve's direction at its nearest point, -1 right, 0 on it.
    // extended: judge against the curve's natural extension (infinite line, full circle or
    // ellipse); otherwise against the bounded curve, where beyond an end the side of the end
    // tangent decides.
    int GetPointCurveSide(const CVec2<double>& p, const CCurve2d* curve, bool extended) const;
    // Point against a loop treated as closed (an open loop is closed by a straight line).
    int GetPointCoedgeListPosition(const CVec2<double>& p, const CLoop* loop, double tol) const;
    // Point against a polygon's area (even-odd over its loops: holes are outside).
    int GetPointPolygonPosition(const CVec2<double>& p, const CPolygon* polygon, double tol) const;
    // Loop against loop. asArea true: both are areas (containment is not apart); false: only
    // the boundaries count (RG_APART unless they meet).
    int GetLoopLoopPosition(const CLoop* a, const CLoop* b, bool asArea) const;
    // -1 when the segment `axis` meets the loop's boundary or lies inside its area, 1 otherwise.
    int GetLoopAxisPosition(const CLoop* loop, const CCurve2d* axis) const;
    // Curve against polygon area: RG_APART, RG_CROSS, or RG_FIRST_INSIDE (curve inside the area).
    int GetCurvePolygonPosition(const CCurve2d* curve, const CPolygon* polygon) const;
    // Polygon area against polygon area, region relation codes as above.
    int GetPolygonPosition(const CPolygon* a, const CPolygon* b) const;

private:
    double m_tol;
};

}  // namespace zgp
