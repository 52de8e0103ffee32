// zgp: CEllipse2d, ellipses and elliptical arcs: construction, evaluation, exact bounds,
// affine transforms, nearest points and the exact rational-quadratic NURBS form.
#include "zgp/ellipse2d.h"

#include <algorithm>
#include <cmath>

#include "kernel_math.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/tolerance.h"

namespace zgp {

namespace {

using Vec = CVec2<double>;

// Turning sense from a direction argument: an ArcType (2 and 4 are clockwise) or a sense
// (any negative value is clockwise); everything else is counter-clockwise.
int SenseOf(int dir) { return (dir < 0 || dir == 2 || dir == 4) ? -1 : 1; }

// v reduced into [0, 2 pi).
double WrapTurn(double v) {
    double r = std::fmod(v, kTwoPi);
    if (r < 0.0) r += kTwoPi;
    return r >= kTwoPi ? 0.0 : r;
}

// Largest eccentric sweep a range may have: a full turn, with the angular tolerance as slack.
bool SweepFits(double rangeLength, double a) { return rangeLength <= a * (kTwoPi + g_AngleEpsilon); }

// Parameter of eccentric angle phi (taken modulo a turn) inside [lo, hi] of an ellipse with first
// radius a > 0 and sense s; false when no turn of phi falls inside the range.
bool ParamOfAngleInRange(double phi, double lo, double hi, double a, int s, double& t) {
    const double off = WrapTurn(s * phi - lo / a);  // eccentric distance travelled from the start
    t = lo + a * off;
    if (t > hi) return false;
    t = std::min(std::max(t, lo), hi);
    return true;
}

// Root of a function decreasing through zero on [lo, hi] (g(lo) >= 0 >= g(hi)), to the last bit.
// Wide positive brackets are split geometrically so tiny roots converge as fast as large ones.
template <class F>
double BisectDecreasing(F g, double lo, double hi) {
    for (int i = 0; i < 300; ++i) {
        const double mid = (lo > 0.0 && hi > 4.0 * lo) ? std::sqrt(lo) * std::sqrt(hi) : 0.5 * (lo + hi);
        if (!(mid > lo && mid < hi)) break;
        const double v = g(mid);
        if (v > 0.0)
            lo = mid;
        else if (v < 0.0)
            hi = mid;
        else
            return mid;
    }
    return 0.5 * (lo + hi);
}

// Candidate nearest points from (X, Y), X >= 0, Y >= 0, on the ellipse (x/e0)^2 + (y/e1)^2 = 1
// with e0 >= e1 > 0: every local minimum of the squared distance. A critical point is
// x = e0^2 X / (s + e0^2), y = e1^2 Y / (s + e1^2) for a root s of
// G(s) = (e0 X / (s + e0^2))^2 + (e1 Y / (s + e1^2))^2 - 1. G has poles at -e0^2 and -e1^2. It
// falls through one root above -e1^2 (the nearest point); between the poles it is convex, with two
// roots for points inside the evolute (a second local minimum and a maximum); the root below
// -e0^2 is the farthest point. Maxima are skipped. Each root is bisected in a shifted variable
// that keeps its distance to the nearer pole exact. When X or Y is 0 the axis vertices (and the
// off-axis pair for points on the major axis near the centre) are listed directly.
int ReducedCandidates(double e0, double e1, double X, double Y, Vec out[6]) {
    const double d = (e0 - e1) * (e0 + e1);  // e0^2 - e1^2 >= 0
    const double A = e0 * X, B = e1 * Y;
    int n = 0;
    if (X > 0.0 && Y > 0.0) {
        const double R = std::hypot(A, B);
        // Nearest: w = s + e1^2 in [B, R].
        const double w =
            BisectDecreasing([&](double v) { return (A / (v + d)) * (A / (v + d)) + (B / v) * (B / v) - 1.0; }, B, R);
        out[n++] = Vec(e0 * A / (w + d), e1 * B / w);
        if (d > 0.0) {
            // Between the poles, with u = s + e0^2 in (0, d) and w = d - u, G is least at
            // u = d / (1 + k); the root on the w side (nearer -e1^2) is the second minimum, the
            // other one the maximum between the two minima.
            const double k = std::cbrt(B / A) * std::cbrt(B / A);
            const double um = d / (1.0 + k), wm = d * k / (1.0 + k);
            const double gm = (A / um) * (A / um) + (B / wm) * (B / wm) - 1.0;
            if (gm <= 0.0) {
                const double wr =
                    BisectDecreasing([&](double v) { return (A / (d - v)) * (A / (d - v)) + (B / v) * (B / v) - 1.0; },
                                     std::min(B, wm), wm);
                out[n++] = Vec(e0 * A / (d - wr), -e1 * B / wr);
            }
        }
        return n;
    }
    out[n++] = Vec(e0, 0.0);
    out[n++] = Vec(-e0, 0.0);
    out[n++] = Vec(0.0, e1);
    out[n++] = Vec(0.0, -e1);
    if (Y == 0.0 && X > 0.0 && d > 0.0 && A < d) {
        // On the major axis near the centre: two symmetric minima off the axis.
        const double c = A / d;
        out[n++] = Vec(e0 * c, e1 * std::sqrt(1.0 - c * c));
        out[n++] = Vec(e0 * c, -e1 * std::sqrt(1.0 - c * c));
    }
    return n;
}

// Eccentric angles of the candidate nearest points from (x0, y0) on the ellipse
// (a cos phi, b sin phi), a > 0, b >= 0 (b == 0 is the segment [-a, a] on the x axis).
int CandidateAngles(double a, double b, double x0, double y0, double out[6]) {
    if (b == 0.0) {
        const double c = std::acos(std::min(1.0, std::max(-1.0, x0 / a)));
        out[0] = 0.0;
        out[1] = kPi;
        out[2] = c;
        out[3] = -c;
        return 4;
    }
    const bool swapped = b > a;
    const double e0 = swapped ? b : a, e1 = swapped ? a : b;
    const double X = std::abs(swapped ? y0 : x0), Y = std::abs(swapped ? x0 : y0);
    Vec pts[6];
    const int n = ReducedCandidates(e0, e1, X, Y, pts);
    const double sx = x0 < 0.0 ? -1.0 : 1.0, sy = y0 < 0.0 ? -1.0 : 1.0;
    for (int i = 0; i < n; ++i) {
        const double x = (swapped ? pts[i].y : pts[i].x) * sx;
        const double y = (swapped ? pts[i].x : pts[i].y) * sy;
        out[i] = std::atan2(y / b, x / a);
    }
    return n;
}

// Keeps the nearest candidate; distances equal to 1e-12 relative count as equal and the smaller
// parameter wins, which answers the first of several equally near points.
struct NearestPick {
    double t = 0.0;
    double d2 = -1.0;
    void Offer(double tc, double d2c) {
        if (d2 < 0.0 || d2c < d2 * (1.0 - 1e-12) || (d2c <= d2 * (1.0 + 1e-12) && tc < t)) {
            t = tc;
            d2 = d2c;
        }
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

CEllipse2d::CEllipse2d() = default;

// Invalid arguments (see the range Set) leave the empty ellipse.
CEllipse2d::CEllipse2d(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b,
                       const CInterval<double>& range, int dir) {
    Set(centre, axis, a, b, range, dir);
}

// Central angle alpha (from the axis) becomes eccentric angle phi = atan2(a sin alpha, b cos alpha).
// With phi_s, phi_e the converted start and end and D in (0, 2 pi] the eccentric sweep in the
// travel direction (D = wrap(s * (phi_e - phi_s)), a full turn when that is within
// g_AngleEpsilon of 0 or 2 pi), the range is
//   sense +1: [ a * phi_s,  a * phi_s + a * D]   (phi runs up from phi_s to phi_s + D)
//   sense -1: [-a * phi_s, -a * phi_s + a * D]   (phi runs down from phi_s to phi_s - D)
// i.e. low = s * a * phi_s, high = low + a * D; the start point always sits at low.
bool CEllipse2d::Set(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b, double start,
                     double end, int sense) {
    if (!IsFinite(centre) || !IsFinite(axis) || !IsFinite(start) || !IsFinite(end)) return false;
    if (!(a > 0.0) || !(b > 0.0) || !IsFinite(a) || !IsFinite(b)) return false;
    const Vec u = axis.Normalized();
    if (u.SqrLength() == 0.0) return false;
    const int s = SenseOf(sense);
    const double phiS = std::atan2(a * std::sin(start), b * std::cos(start));
    const double phiE = std::atan2(a * std::sin(end), b * std::cos(end));
    double sweep = WrapTurn(s * (phiE - phiS));
    if (sweep <= g_AngleEpsilon || sweep >= kTwoPi - g_AngleEpsilon) sweep = kTwoPi;
    m_centre = centre;
    m_axis = u;
    m_a = a;
    m_b = b;
    m_sense = s;
    m_range.low = s * a * phiS;
    m_range.high = m_range.low + a * sweep;
    return true;
}

// A zero first radius is allowed (the ellipse is then a point and only a zero-length range fits);
// negative or non-finite values, an empty range and sweeps beyond a full turn are refused.
bool CEllipse2d::Set(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b,
                     const CInterval<double>& range, int sense) {
    if (!IsFinite(centre) || !IsFinite(axis) || !IsFinite(range.low) || !IsFinite(range.high)) return false;
    if (!(a >= 0.0) || !(b >= 0.0) || !IsFinite(a) || !IsFinite(b)) return false;
    if (range.IsEmpty() || !SweepFits(range.Length(), a)) return false;
    const Vec u = axis.Normalized();
    if (u.SqrLength() == 0.0) return false;
    m_centre = centre;
    m_axis = u;
    m_a = a;
    m_b = b;
    m_range = range;
    m_sense = SenseOf(sense);
    return true;
}

CEllipse2d* CEllipse2d::Clone() const { return new CEllipse2d(*this); }

// ---------------------------------------------------------------------------------------------
// Angles and evaluation. A zero first radius makes every eccentric angle 0 (a point ellipse).

double CEllipse2d::GetAngle(double t) const { return m_a > 0.0 ? t / (m_sense * m_a) : 0.0; }

double CEllipse2d::ParamAtAngle(double phi) const { return phi * m_sense * m_a; }

double CEllipse2d::RotateAngle() const { return m_a > 0.0 ? m_sense * m_range.Length() / m_a : 0.0; }

bool CEllipse2d::IsClosed() const { return m_a > 0.0 && std::abs(RotateAngle()) >= kTwoPi - g_AngleEpsilon; }

CVec2<double> CEllipse2d::GetPoint(double t) const {
    const double phi = GetAngle(t);
    return m_centre + m_axis * (m_a * std::cos(phi)) + m_axis.Perp() * (m_b * std::sin(phi));
}

// dphi/dt = s / a.
CVec2<double> CEllipse2d::GetDeriv1(double t) const {
    if (!(m_a > 0.0)) return Vec();
    const double phi = GetAngle(t);
    return (m_axis * (-std::sin(phi)) + m_axis.Perp() * (m_b / m_a * std::cos(phi))) * double(m_sense);
}

CVec2<double> CEllipse2d::GetDeriv2(double t) const {
    if (!(m_a > 0.0)) return Vec();
    const double phi = GetAngle(t);
    return (m_axis * std::cos(phi) + m_axis.Perp() * (m_b / m_a * std::sin(phi))) * (-1.0 / m_a);
}

// ---------------------------------------------------------------------------------------------
// Domain editing

bool CEllipse2d::SetStartT(double t) {
    if (!IsFinite(t) || t > m_range.high || !SweepFits(m_range.high - t, m_a)) return false;
    m_range.low = t;
    return true;
}

bool CEllipse2d::SetEndT(double t) {
    if (!IsFinite(t) || t < m_range.low || !SweepFits(t - m_range.low, m_a)) return false;
    m_range.high = t;
    return true;
}

// Lengths are arc lengths. Each end is moved with the inherited length inversion on a working copy
// whose domain is the full turn that ends (or starts) at the fixed end, so lengthening stops at a
// full turn: asking for more closes the ellipse and still answers true. Shortening past the other
// end answers false with the ellipse unchanged.
bool CEllipse2d::Extend(double atStart, double atEnd) {
    if (!IsFinite(atStart) || !IsFinite(atEnd)) return false;
    if (atStart == 0.0 && atEnd == 0.0) return true;
    if (!(m_a > 0.0)) return false;
    const double fullT = kTwoPi * m_a;
    double lo = m_range.low, hi = m_range.high;
    if (atStart != 0.0) {
        CEllipse2d work(*this);
        work.m_range = CInterval<double>(hi - fullT, hi);
        double t = lo;
        if (!work.PointAtLength(lo, -atStart, t, 0.0) && atStart < 0.0) return false;
        lo = std::max(t, hi - fullT);
    }
    if (atEnd != 0.0) {
        CEllipse2d work(*this);
        work.m_range = CInterval<double>(lo, lo + fullT);
        double t = hi;
        if (!work.PointAtLength(hi, atEnd, t, 0.0) && atEnd < 0.0) return false;
        hi = std::min(t, lo + fullT);
    }
    if (!(hi >= lo)) return false;
    m_range = CInterval<double>(lo, hi);
    return true;
}

// The point at t moves to -t: the sense flips and the range mirrors.
void CEllipse2d::Reverse() {
    m_sense = -m_sense;
    m_range = CInterval<double>(-m_range.high, -m_range.low);
}

// ---------------------------------------------------------------------------------------------
// Placement and bounds

// Extremes of x (or y) lie where -a sin(phi) u_x + b cos(phi) v_x = 0, at atan2(b v_x, a u_x) and
// half a turn further; those inside the sweep join the two end points.
CBox2<double> CEllipse2d::Box() const {
    CBox2<double> box;
    const Vec v = m_axis.Perp();
    if (IsClosed()) {
        const double hx = std::hypot(m_a * m_axis.x, m_b * v.x), hy = std::hypot(m_a * m_axis.y, m_b * v.y);
        return CBox2<double>(m_centre.x - hx, m_centre.y - hy, m_centre.x + hx, m_centre.y + hy);
    }
    box.Add(StartPoint());
    box.Add(EndPoint());
    if (!(m_a > 0.0)) return box;
    const double px = std::atan2(m_b * v.x, m_a * m_axis.x), py = std::atan2(m_b * v.y, m_a * m_axis.y);
    const double extremes[4] = {px, px + kPi, py, py + kPi};
    for (double phi : extremes) {
        double t = 0.0;
        if (ParamOfAngleInRange(phi, m_range.low, m_range.high, m_a, m_sense, t))
            box.Add(m_centre + m_axis * (m_a * std::cos(phi)) + v * (m_b * std::sin(phi)));
    }
    return box;
}

void CEllipse2d::Move(const CVec2<double>& offset) {
    if (IsFinite(offset)) m_centre += offset;
}

void CEllipse2d::Rotate(const CVec2<double>& centre, double angle) {
    if (!IsFinite(centre) || !IsFinite(angle)) return;
    m_centre = m_centre.RotatedAbout(centre, angle);
    const Vec u = m_axis.Rotated(angle).Normalized();
    if (u.SqrLength() > 0.0) m_axis = u;
}

// The image of c + cos(phi) P + sin(phi) Q under x -> x L + t is c' + cos(phi) p + sin(phi) q
// with the conjugate semi-diameters p = a u L, q = b v L. The new axis u' is a principal direction
// of p p^T + q q^T (the direction of p itself when p and q are already perpendicular, so rigid and
// uniform maps keep the axis and the radii' order); then
//   (p.u', q.u') = a' (cos beta, sin beta),   b' = |(p.v', q.v')|,
// and the image point at phi has the new eccentric angle psi = phi - beta, or psi = beta - phi
// under a reflection (det L < 0), which also flips the sense. The new range starts at the image of
// the old start and keeps the eccentric sweep, so ends map to ends and the arc maps onto the arc.
bool CEllipse2d::Transform(const CMatrix4<double>& m) {
    if (!m.IsAffine2d()) return false;
    const CMatrix3<double> m3 = m.ToMatrix3();
    for (int i = 0; i < 9; ++i)
        if (!IsFinite(m3.Get(i))) return false;
    const double det = m3[0][0] * m3[1][1] - m3[0][1] * m3[1][0];
    if (det == 0.0 || !IsFinite(det)) return false;
    const int flip = det < 0.0 ? -1 : 1;
    const Vec c2 = m3.TransformPoint(m_centre);
    const Vec lu = m3.TransformVector(m_axis), lv = m3.TransformVector(m_axis.Perp());
    const int s2 = m_sense * flip;

    if (!(m_a > 0.0)) {  // a point stays a point
        const Vec u2 = lu.Normalized();
        const double b2 = m_b * lv.Length();
        if (!IsFinite(c2) || !IsFinite(u2) || u2.SqrLength() == 0.0 || !IsFinite(b2)) return false;
        m_centre = c2;
        m_axis = u2;
        m_b = b2;
        m_sense = s2;
        m_range = CInterval<double>(0.0, 0.0);
        return true;
    }

    const Vec p = lu * m_a, q = lv * m_b;
    const double pl = p.Length(), ql = q.Length();
    Vec u2;
    if (std::abs(p.Dot(q)) <= 1e-13 * pl * ql) {
        u2 = p / pl;
    } else {
        const double sxx = p.x * p.x + q.x * q.x, syy = p.y * p.y + q.y * q.y, sxy = p.x * p.y + q.x * q.y;
        const double theta = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
        u2 = Vec(std::cos(theta), std::sin(theta));
    }
    const Vec v2 = u2.Perp();
    const double pu = p.Dot(u2), qu = q.Dot(u2);
    const double a2 = std::hypot(pu, qu), b2 = std::hypot(p.Dot(v2), q.Dot(v2));
    const double beta = std::atan2(qu, pu);
    const double phiS = GetAngle(m_range.low);
    const double sweep = m_range.Length() / m_a;
    const double psiS = flip > 0 ? phiS - beta : beta - phiS;
    const double low2 = s2 * a2 * psiS, high2 = low2 + a2 * sweep;
    if (!IsFinite(c2) || !IsFinite(u2) || !(a2 > 0.0) || !IsFinite(a2) || !IsFinite(b2) || !IsFinite(low2) ||
        !IsFinite(high2))
        return false;
    m_centre = c2;
    m_axis = u2;
    m_a = a2;
    m_b = b2;
    m_sense = s2;
    m_range = CInterval<double>(low2, high2);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Nearest point

// Exact for every shape: the local minima of the squared distance on the full ellipse are found
// (see ReducedCandidates); those inside the arc compete with both end points and the nearest
// wins. The work is done in the ellipse's frame scaled by the larger radius. The requested
// tolerance is not needed: the answer is always to full precision.
double CEllipse2d::GetNearestT(const CVec2<double>& p, double /*tol*/) const {
    const double lo = m_range.low, hi = m_range.high;
    if (!(m_a > 0.0) || !(hi > lo) || !IsFinite(p)) return lo;
    const double scale = std::max(m_a, m_b);
    const Vec d = p - m_centre;
    const double x0 = d.Dot(m_axis) / scale, y0 = d.Dot(m_axis.Perp()) / scale;
    const double a = m_a / scale, b = m_b / scale;
    if (!IsFinite(x0) || !IsFinite(y0)) return lo;

    auto dist2 = [&](double phi) {
        const double dx = a * std::cos(phi) - x0, dy = b * std::sin(phi) - y0;
        return dx * dx + dy * dy;
    };
    NearestPick pick;
    pick.Offer(lo, dist2(GetAngle(lo)));
    pick.Offer(hi, dist2(GetAngle(hi)));
    double angles[6];
    const int n = CandidateAngles(a, b, x0, y0, angles);
    for (int i = 0; i < n; ++i) {
        double t = 0.0;
        if (ParamOfAngleInRange(angles[i], lo, hi, m_a, m_sense, t)) pick.Offer(t, dist2(GetAngle(t)));
    }
    return pick.t;
}

// ---------------------------------------------------------------------------------------------
// NURBS form

// The arc is cut into n equal eccentric pieces of at most a quarter turn. Each piece from phi0 to
// phi1 is the affine image of a circular arc, so its exact rational quadratic form has the end
// points, the middle control point c + (a cos(m) u + b sin(m) v) / cos(h) at the mid angle m with
// weight cos(h), h being half the piece's sweep. Knots are the ellipse parameters at the piece
// ends (each interior one doubled), so the NURBS domain equals the ellipse's range; a zero-length
// range gets the domain [low, low + 1].
CNurbsCurve2d* CEllipse2d::NurbsCurve() const {
    const double sweep = m_a > 0.0 ? m_range.Length() / m_a : 0.0;
    const int pieces = std::max(1, static_cast<int>(std::ceil(sweep / kHalfPi - 1e-9)));
    const double step = m_sense * sweep / pieces;  // signed eccentric sweep of one piece
    const double halfCos = std::cos(0.5 * step);
    const double phi0 = GetAngle(m_range.low);
    const double t0 = m_range.low;
    const double span = m_range.high > m_range.low ? m_range.high - m_range.low : 1.0;
    const Vec v = m_axis.Perp();
    auto at = [&](double phi) { return m_centre + m_axis * (m_a * std::cos(phi)) + v * (m_b * std::sin(phi)); };

    CNurbsCurve2d* curve = new CNurbsCurve2d(2, 2 * pieces + 1);
    for (int k = 0; k <= pieces; ++k) curve->SetCtrlPt(2 * k, at(phi0 + k * step), 1.0);
    if (IsClosed()) curve->SetCtrlPt(2 * pieces, at(phi0), 1.0);  // the ends meet exactly
    for (int k = 0; k < pieces; ++k) {
        const double mid = phi0 + (k + 0.5) * step;
        const Vec off = at(mid) - m_centre;
        curve->SetCtrlPt(2 * k + 1, m_centre + off / halfCos, halfCos);
    }
    for (int i = 0; i < 3; ++i) {
        curve->SetKnot(i, t0);
        curve->SetKnot(2 * pieces + 1 + i, t0 + span);
    }
    for (int k = 1; k < pieces; ++k) {
        const double knot = t0 + span * k / pieces;
        curve->SetKnot(2 * k + 1, knot);
        curve->SetKnot(2 * k + 2, knot);
    }
    return curve;
}

}  // namespace zgp
