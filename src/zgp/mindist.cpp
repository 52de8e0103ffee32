// zgp: CCurve2dMindist, the point of a curve (or of its natural extension) nearest a query point.
// Bounded curves use the curve's own GetNearestT; extensions are solved here in closed form.
#include "zgp/mindist.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "intersector_solver.h"
#include "kernel_math.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"

namespace zgp {

namespace {

// Nearest point of the full ellipse x^2/e0^2 + y^2/e1^2 = 1 (e0 >= e1 > 0) to (y0, y1), both
// coordinates >= 0. Bisection on the Lagrange multiplier (Eberly's robust form): no loss of
// accuracy near the axes or for very flat ellipses.
void NearestOnEllipseQuadrant(double e0, double e1, double y0, double y1, double& x0, double& x1) {
    if (y1 > 0.0) {
        if (y0 > 0.0) {
            const double z0 = y0 / e0, z1 = y1 / e1;
            const double g = z0 * z0 + z1 * z1 - 1.0;
            if (g == 0.0) {
                x0 = y0;
                x1 = y1;
                return;
            }
            const double r0 = (e0 / e1) * (e0 / e1);
            const double n0 = r0 * z0;
            double s0 = z1 - 1.0;
            double s1 = g < 0.0 ? 0.0 : std::hypot(n0, z1) - 1.0;
            double s = 0.0;
            for (int i = 0; i < 200; ++i) {
                s = 0.5 * (s0 + s1);
                if (s == s0 || s == s1) break;
                const double q0 = n0 / (s + r0), q1 = z1 / (s + 1.0);
                const double gs = q0 * q0 + q1 * q1 - 1.0;
                if (gs > 0.0)
                    s0 = s;
                else if (gs < 0.0)
                    s1 = s;
                else
                    break;
            }
            x0 = r0 * y0 / (s + r0);
            x1 = y1 / (s + 1.0);
            return;
        }
        x0 = 0.0;
        x1 = e1;
        return;
    }
    const double numer = e0 * y0, denom = e0 * e0 - e1 * e1;
    if (numer < denom) {
        const double xd = numer / denom;
        x0 = e0 * xd;
        x1 = e1 * std::sqrt(std::max(0.0, 1.0 - xd * xd));
    } else {
        x0 = e0;
        x1 = 0.0;
    }
}

// Eccentric angle of the point of the full ellipse (radii a along x, b along y, centre at the
// origin) nearest q. A flat ellipse (one radius negligible) is the segment it sweeps.
double NearestEccentricAngle(double a, double b, const CVec2<double>& q) {
    const double big = std::max(a, b);
    if (!(big > 0.0)) return 0.0;
    if (b <= big * 1e-12) return std::acos(std::clamp(q.x / a, -1.0, 1.0)) * (q.y < 0.0 ? -1.0 : 1.0);
    if (a <= big * 1e-12) return std::asin(std::clamp(q.y / b, -1.0, 1.0));
    double x0 = 0.0, x1 = 0.0;
    if (a >= b) {
        NearestOnEllipseQuadrant(a, b, std::abs(q.x), std::abs(q.y), x0, x1);
    } else {
        NearestOnEllipseQuadrant(b, a, std::abs(q.y), std::abs(q.x), x1, x0);
    }
    x0 = std::copysign(x0, q.x);
    x1 = std::copysign(x1, q.y);
    return std::atan2(x1 / b, x0 / a);
}

double ExtendedLineParam(const CLine2d& line, const CVec2<double>& p) {
    return line.Direction().Dot(p - line.Origin());
}

double ExtendedArcParam(const CArc2d& arc, const CVec2<double>& p) {
    const double r = arc.Radius();
    const CVec2<double> d = p - arc.CenterPt();
    // A zero radius, or the query at the centre: every point is equally near; take the start.
    if (!(r > 0.0) || d.SqrLength() == 0.0) return arc.StartT();
    const double k = arc.Sense() * r;  // t = k * angle
    return detail::ParamNearestRange(k * d.Angle(), arc.StartT(), arc.EndT(), kTwoPi * r);
}

double ExtendedEllipseParam(const CEllipse2d& e, const CVec2<double>& p) {
    const double a = e.MajorRadius(), b = e.MinorRadius();
    // The parameter is a multiple of a; without it every point has the same parameter.
    if (!(a > 0.0) || !(b >= 0.0)) return e.StartT();
    const CVec2<double> u = e.Axis(), v = u.Perp();
    const CVec2<double> d = p - e.CenterPt();
    const double phi = NearestEccentricAngle(a, b, CVec2<double>(d.Dot(u), d.Dot(v)));
    const double k = e.Sense() * a;  // t = k * phi
    return detail::ParamNearestRange(k * phi, e.StartT(), e.EndT(), kTwoPi * a);
}

}  // namespace

CCurve2dMindist::CCurve2dMindist(const CCurve2d* curve, bool extended)
    : m_curve(curve), m_extended(extended), m_dist(std::numeric_limits<double>::infinity()) {}

// Without a curve nothing is near: the answer is the origin at parameter 0 and an infinite
// distance. A non-finite query point answers the curve's start at an infinite distance.
void CCurve2dMindist::SetQueryPoint(const CVec2<double>& p) {
    const double inf = std::numeric_limits<double>::infinity();
    m_t = 0.0;
    m_point = CVec2<double>();
    m_dist = inf;
    if (!m_curve) return;
    const double t0 = m_curve->StartT();
    m_t = std::isfinite(t0) ? t0 : 0.0;
    if (!IsFinite(p)) {
        m_point = m_curve->GetPoint(m_t);
        if (!IsFinite(m_point)) m_point = CVec2<double>();
        return;
    }

    double t = m_t;
    const int kind = m_curve->Type();
    if (m_extended && kind == GT_LINE) {
        if (auto line = dynamic_cast<const CLine2d*>(m_curve)) t = ExtendedLineParam(*line, p);
    } else if (m_extended && kind == GT_ARC) {
        if (auto arc = dynamic_cast<const CArc2d*>(m_curve)) t = ExtendedArcParam(*arc, p);
    } else if (m_extended && kind == GT_ELLIPSE) {
        if (auto ell = dynamic_cast<const CEllipse2d*>(m_curve)) t = ExtendedEllipseParam(*ell, p);
    } else {
        t = m_curve->GetNearestT(p, 0.0);
    }
    if (!std::isfinite(t)) t = m_t;
    CVec2<double> q = m_curve->GetPoint(t);
    if (!IsFinite(q)) {
        t = m_t;
        q = m_curve->GetPoint(t);
    }
    m_t = t;
    if (!IsFinite(q)) return;  // a curve with broken data: start parameter, origin, infinitely far
    m_point = q;
    m_dist = p.DistanceTo(q);
}

}  // namespace zgp
