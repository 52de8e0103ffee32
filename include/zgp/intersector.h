// zgp: CCurvCurvIntersector, intersections of two curves of any kinds, with parameters on both.
#pragma once

#include <vector>

#include "zgp/curve2d.h"

namespace zgp {

struct CCurvCurvIntPt {
    CVec2<double> point;
    double t1 = 0.0;  // parameter on the first curve
    double t2 = 0.0;  // parameter on the second curve
    // 0 a crossing, 1 a tangency (touching), 2 an end of an overlapping stretch (the curves
    // coincide between two such points, which come as a pair).
    int kind = 0;
};

class CCurvCurvIntersector {
public:
    CCurvCurvIntersector();
    // Points closer than this count as one (default g_DistEpsilon).
    void SetDistEpsilon(double tol) { m_tol = tol; }
    // Intersections of the bounded curves, sorted by t1; `out` is cleared first (its capacity
    // is kept, so a reused vector does not allocate). Answers the number found.
    int Intersect(const CCurve2d& a, const CCurve2d& b, std::vector<CCurvCurvIntPt>& out) const;
    // The same on the curves' natural extensions: lines are infinite, arcs and ellipses full.
    int IntersectEx(const CCurve2d& a, const CCurve2d& b, std::vector<CCurvCurvIntPt>& out) const;

private:
    double m_tol;
};

}  // namespace zgp
