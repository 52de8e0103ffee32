// zgp: CLine2d, the straight segment origin + t * direction (unit direction, t = arc length).
// Every query is closed-form; GetNearestT is a clamped projection and allocates nothing.
#include "zgp/line2d.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "kernel_math.h"
#include "zgp/nurbscurve2d.h"

namespace zgp {

namespace {

using Vec = CVec2<double>;

// The unit vector along v, or (1, 0) when v has no usable direction.
Vec UnitOrX(const Vec& v) {
    const Vec u = v.Normalized();
    return IsFinite(u) && u.SqrLength() > 0.0 ? u : Vec(1.0, 0.0);
}

}  // namespace

CLine2d::CLine2d() = default;

CLine2d::CLine2d(const CVec2<double>& start, const CVec2<double>& end) { Set(start, end); }

CLine2d::CLine2d(const CVec2<double>& origin, const CVec2<double>& dir, const CInterval<double>& range) {
    Set(origin, dir, range);
}

// Non-finite input leaves the line as it was: a line with NaN in it would poison every query.
void CLine2d::Set(const CVec2<double>& start, const CVec2<double>& end) {
    if (!IsFinite(start) || !IsFinite(end)) return;
    const Vec d = end - start;
    const double len = d.Length();
    if (!std::isfinite(len)) return;
    m_origin = start;
    m_dir = len > 0.0 ? UnitOrX(d) : Vec(1.0, 0.0);
    m_range = CInterval<double>(0.0, len);
}

// An empty range (high < low) is taken with its ends swapped: the caller named the two ends of
// the segment, only in the wrong order.
void CLine2d::Set(const CVec2<double>& origin, const CVec2<double>& dir, const CInterval<double>& range) {
    if (!IsFinite(origin) || !std::isfinite(range.low) || !std::isfinite(range.high)) return;
    m_origin = origin;
    m_dir = IsFinite(dir) ? UnitOrX(dir) : Vec(1.0, 0.0);
    m_range = range.IsEmpty() ? CInterval<double>(range.high, range.low) : range;
}

int CLine2d::CalPtPosition(const CVec2<double>& p, double tol) const {
    const double sd = SignedDistance(p);
    if (!std::isfinite(sd) || std::abs(sd) <= std::max(tol, 0.0)) return 0;
    return sd > 0.0 ? 1 : -1;
}

CLine2d* CLine2d::Clone() const { return new CLine2d(*this); }

CBox2<double> CLine2d::Box() const { return CBox2<double>(StartPoint(), EndPoint()); }

void CLine2d::Move(const CVec2<double>& offset) {
    if (IsFinite(offset)) m_origin += offset;
}

void CLine2d::Rotate(const CVec2<double>& centre, double angle) {
    if (!IsFinite(centre) || !std::isfinite(angle)) return;
    m_origin = m_origin.RotatedAbout(centre, angle);
    m_dir = UnitOrX(m_dir.Rotated(angle));
}

// Any non-singular map, perspective included, as long as the segment stays on one side of the
// line the map sends to infinity. The parameter keeps its start value: the new range is
// [StartT(), StartT() + new length], so rigid motions leave the range untouched exactly as
// Move and Rotate do.
bool CLine2d::Transform(const CMatrix4<double>& m) {
    const CMatrix3<double> a = m.ToMatrix3();
    const double det = a.Determinant();
    if (det == 0.0 || !std::isfinite(det)) return false;
    const Vec p0 = StartPoint(), p1 = EndPoint();
    auto weight = [&](const Vec& p) { return p.x * a[0][2] + p.y * a[1][2] + a[2][2]; };
    const double w0 = weight(p0), w1 = weight(p1);
    if (!(w0 * w1 > 0.0)) return false;  // an end at infinity, or the segment crosses it
    const Vec q0 = a.TransformPoint(p0), q1 = a.TransformPoint(p1);
    if (!IsFinite(q0) || !IsFinite(q1)) return false;
    const double len = Length();
    const double newLen = q0.DistanceTo(q1);
    Vec dir;
    if (len > 0.0) {
        if (!(newLen > 0.0) || !std::isfinite(newLen)) return false;  // collapsed to a point
        dir = (q1 - q0) / newLen;
    } else {
        // A point segment keeps the image of its direction: the derivative of the map at p0.
        const Vec h(p0.x * a[0][0] + p0.y * a[1][0] + a[2][0], p0.x * a[0][1] + p0.y * a[1][1] + a[2][1]);
        const double dw = m_dir.x * a[0][2] + m_dir.y * a[1][2];
        dir = UnitOrX(a.TransformVector(m_dir) * w0 - h * dw);
    }
    m_dir = dir;
    m_origin = q0 - dir * m_range.low;
    m_range.high = m_range.low + (len > 0.0 ? newLen : 0.0);
    return true;
}

bool CLine2d::SetStartT(double t) {
    if (!std::isfinite(t) || t > m_range.high) return false;
    m_range.low = t;
    return true;
}

bool CLine2d::SetEndT(double t) {
    if (!std::isfinite(t) || t < m_range.low) return false;
    m_range.high = t;
    return true;
}

// Walking past an end by no more than tol still succeeds (clamped to that end).
bool CLine2d::PointAtLength(double t0, double length, double& t, double tol) const {
    if (!std::isfinite(t0) || !std::isfinite(length)) {
        t = std::isfinite(t0) ? m_range.Clamp(t0) : m_range.low;
        return false;
    }
    t = t0 + length;
    return m_range.ClampWithin(t, std::max(tol, 0.0));
}

double CLine2d::LengthAtPoint(const CVec2<double>& p) const { return GetNearestT(p, 0.0) - m_range.low; }

double CLine2d::GetNearestT(const CVec2<double>& p, double) const {
    const double t = m_dir.Dot(p - m_origin);
    if (!(t > m_range.low)) return m_range.low;  // also catches NaN
    return t < m_range.high ? t : m_range.high;
}

bool CLine2d::Extend(double atStart, double atEnd) {
    if (!std::isfinite(atStart) || !std::isfinite(atEnd)) return false;
    const double lo = m_range.low - atStart, hi = m_range.high + atEnd;
    if (!(lo <= hi)) return false;
    m_range = CInterval<double>(lo, hi);
    return true;
}

bool CLine2d::Offset(double d) {
    if (!std::isfinite(d)) return false;
    m_origin += m_dir.Perp() * d;
    return true;
}

// P(t) = o + u t becomes o + (-u)(-t): same origin, opposite direction, mirrored range.
void CLine2d::Reverse() {
    m_dir = -m_dir;
    m_range = CInterval<double>(-m_range.high, -m_range.low);
}

// Degree 1 with knots {t0, t0, t1, t1}: the NURBS parameter equals the line parameter. A
// zero-length line still needs a non-empty knot span, so it gets one of length 1.
CNurbsCurve2d* CLine2d::NurbsCurve() const {
    auto* c = new CNurbsCurve2d(1, 2);
    c->SetCtrlPt(0, StartPoint(), 1.0);
    c->SetCtrlPt(1, EndPoint(), 1.0);
    const double t0 = m_range.low;
    double t1 = m_range.high;
    if (!(t1 > t0)) t1 = t0 + std::max(1.0, 4.0 * std::abs(t0) * std::numeric_limits<double>::epsilon());
    c->SetKnot(0, t0);
    c->SetKnot(1, t0);
    c->SetKnot(2, t1);
    c->SetKnot(3, t1);
    return c;
}

}  // namespace zgp
