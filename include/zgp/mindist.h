// zgp: CCurve2dMindist, nearest point of a curve to a query point.
#pragma once

#include "zgp/curve2d.h"

namespace zgp {

class CCurve2dMindist {
public:
    // The curve is borrowed, not owned; it must outlive the query. extended: search the
    // curve's natural extension (infinite line, full circle, full ellipse; NURBS unchanged).
    CCurve2dMindist(const CCurve2d* curve, bool extended = false);
    void SetQueryPoint(const CVec2<double>& p);
    // Nearest point, its parameter (on the extension when extended) and its distance.
    CVec2<double> GetPoint() const { return m_point; }
    double GetParam() const { return m_t; }
    double GetDistance() const { return m_dist; }

private:
    const CCurve2d* m_curve;
    bool m_extended;
    CVec2<double> m_point;
    double m_t = 0.0;
    double m_dist = 0.0;
};

}  // namespace zgp
