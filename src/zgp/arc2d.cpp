// zgp: CArc2d, a circular arc parametrised by arc length: theta(t) = sense * t / radius.
// All queries are closed-form; a zero-radius arc is a point (empty range, zero derivatives).
#include "zgp/arc2d.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "kernel_math.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/tolerance.h"

namespace zgp {

namespace {

using Vec = CVec2<double>;

// 2, 4 and any negative number mean clockwise; everything else counter-clockwise.
int SenseOf(int dir) { return (dir == CArc2d::CW_SMALL || dir == CArc2d::CW_LARGE || dir < 0) ? -1 : 1; }

// x reduced to [0, 2*pi).
double WrapTurn(double x) {
    double m = x - kTwoPi * std::floor(x / kTwoPi);
    if (!(m < kTwoPi)) m = 0.0;  // rounding can land exactly on 2*pi
    if (!(m >= 0.0)) m = 0.0;
    return m;
}

// A sweep (radians) reduced to (0, 2*pi]: zero and whole turns, to rounding, mean a full turn.
double WrapSweep(double sweep, double scale) {
    if (sweep > 0.0 && sweep <= kTwoPi) return sweep;
    const double m = WrapTurn(sweep);
    const double guard = 1e-14 * (1.0 + scale);
    return (m <= guard || m >= kTwoPi - guard) ? kTwoPi : m;
}

// Where angle a falls relative to an arc, measured along its direction of travel from the start
// angle: `along` in [0, 2*pi) and the arc's unsigned sweep. A direction within rounding before
// the start counts as the start itself, so a full circle answers its start, not its end; `slack`
// widens "within rounding" by the angle that the rounding of the caller's coordinates spans.
struct AngleSpot {
    double along;
    double sweep;
    bool inside;
};

AngleSpot LocateAngle(double a, double low, double high, double radius, int sense, double slack = 0.0) {
    const double phi0 = low / radius;
    const double sweep = (high - low) / radius;
    const double guard = 1e-13 * (1.0 + std::abs(phi0) + std::abs(a)) + slack;
    double along = WrapTurn(sense * a - phi0);
    if (along > kTwoPi - guard) along = 0.0;
    const bool inside = along <= sweep + guard;
    return AngleSpot{inside ? std::min(along, sweep) : along, sweep, inside};
}

}  // namespace

CArc2d::CArc2d() = default;

CArc2d::CArc2d(const CVec2<double>& centre, double radius, const CInterval<double>& range, int dir) {
    Set(centre, radius, range, SenseOf(dir));
}

CArc2d::CArc2d(const CVec2<double>& start, const CVec2<double>& end, double radius, int type) {
    Set(start, end, radius, type);
}

// The centre sits on the chord's perpendicular bisector, left of start->end for a small
// counter-clockwise or a large clockwise arc, right otherwise. The sweep comes straight from the
// half-chord and the radius, so a small type never exceeds half a turn and a large one never
// falls below it. With the radius exactly half the chord the sweep is exactly half a turn, which
// GetArcType reports as small (1 or 2) whatever type was asked for.
bool CArc2d::Set(const CVec2<double>& start, const CVec2<double>& end, double radius, int type) {
    if (type < CCW_SMALL || type > CW_LARGE) return false;
    if (!IsFinite(start) || !IsFinite(end) || !std::isfinite(radius)) return false;
    const Vec chord = end - start;
    const double len = chord.Length();
    if (!(len > g_DistEpsilon) || !std::isfinite(len)) return false;
    const double half = 0.5 * len;
    if (radius < half - g_DistEpsilon) return false;
    const double r = std::max(radius, half);
    const double h = std::sqrt(std::max((r - half) * (r + half), 0.0));
    const bool ccw = type == CCW_SMALL || type == CCW_LARGE;
    const bool large = type == CCW_LARGE || type == CW_LARGE;
    const Vec left = chord.Perp() / len;
    const Vec centre = (start + end) * 0.5 + left * ((ccw != large) ? h : -h);
    const double smallSweep = 2.0 * std::atan2(half, h);
    const double sweep = large ? kTwoPi - smallSweep : smallSweep;
    const int s = ccw ? 1 : -1;
    const double a0 = (start - centre).Angle();
    m_centre = centre;
    m_radius = r;
    m_sense = s;
    m_range.low = s * r * a0;
    m_range.high = m_range.low + r * sweep;
    return true;
}

// A projected end that lands within g_DistEpsilon of the start (including an end on the start's
// ray from the centre) gives the full circle.
bool CArc2d::Set(const CVec2<double>& centre, const CVec2<double>& start, const CVec2<double>& end, int sense) {
    if (!IsFinite(centre) || !IsFinite(start) || !IsFinite(end)) return false;
    const Vec ds = start - centre;
    const double r = ds.Length();
    if (!(r > 0.0) || !std::isfinite(r)) return false;
    const int s = SenseOf(sense);
    const double a0 = ds.Angle();
    const double a1 = (end - centre).Angle();
    const Vec projected = centre + Vec(std::cos(a1), std::sin(a1)) * r;
    double sweep = kTwoPi;
    if (!projected.IsEqual(start, g_DistEpsilon)) {
        sweep = WrapTurn(s > 0 ? a1 - a0 : a0 - a1);
        if (!(sweep > 0.0)) sweep = kTwoPi;
    }
    m_centre = centre;
    m_radius = r;
    m_sense = s;
    m_range.low = s * r * a0;
    m_range.high = m_range.low + r * sweep;
    return true;
}

// An arc sweeps at most a full turn (plus g_AngleEpsilon), so a longer range is refused too.
// A zero radius keeps only the start of the range: the arc is a point.
bool CArc2d::Set(const CVec2<double>& centre, double radius, const CInterval<double>& range, int sense) {
    if (!IsFinite(centre) || !std::isfinite(radius) || !std::isfinite(range.low) || !std::isfinite(range.high))
        return false;
    if (radius < 0.0 || range.IsEmpty()) return false;
    if (radius > 0.0 && range.Length() > radius * (kTwoPi + g_AngleEpsilon)) return false;
    m_centre = centre;
    m_radius = radius;
    m_sense = SenseOf(sense);
    m_range = radius > 0.0 ? range : CInterval<double>(range.low, range.low);
    return true;
}

// The start angle is kept as given (not reduced), so StartAngle() answers it back. An end more
// than a full turn above the start is lowered by whole turns, like one not above it is raised.
bool CArc2d::Set(const CVec2<double>& centre, double radius, double startAngle, double endAngle) {
    if (!IsFinite(centre) || !std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(endAngle))
        return false;
    if (radius < 0.0) return false;
    const double sweep = WrapSweep(endAngle - startAngle, std::abs(startAngle) + std::abs(endAngle));
    m_centre = centre;
    m_radius = radius;
    m_sense = 1;
    const double t0 = radius * startAngle;
    m_range = CInterval<double>(t0, radius > 0.0 ? t0 + radius * sweep : t0);
    return true;
}

// With a zero radius the angles cannot be kept (the range of a point arc is empty).
bool CArc2d::SetRadius(double r) {
    if (!(r >= 0.0) || !std::isfinite(r)) return false;
    if (m_radius > 0.0) {
        const double k = r / m_radius;
        m_range = CInterval<double>(m_range.low * k, m_range.high * k);
    }
    m_radius = r;
    return true;
}

double CArc2d::AngleAt(double t) const { return m_radius > 0.0 ? m_sense * t / m_radius : 0.0; }

double CArc2d::StartAngle() const { return AngleAt(m_range.low); }

double CArc2d::EndAngle() const { return AngleAt(m_range.high); }

double CArc2d::RotateAngle() const { return m_radius > 0.0 ? m_sense * (m_range.high - m_range.low) / m_radius : 0.0; }

CArc2d::ArcType CArc2d::GetArcType() const {
    const bool large = std::abs(RotateAngle()) > kPi;
    if (m_sense > 0) return large ? CCW_LARGE : CCW_SMALL;
    return large ? CW_LARGE : CW_SMALL;
}

double CArc2d::GetBulge() const { return std::tan(RotateAngle() / 4.0); }

// Outside the arc, the equally valid parameters one turn apart are compared by how far they lie
// beyond the end and before the start; on a tie the one before the start wins.
double CArc2d::ParamAtAngle(double a) const {
    if (!(m_radius > 0.0) || !std::isfinite(a)) return m_range.low;
    const AngleSpot spot = LocateAngle(a, m_range.low, m_range.high, m_radius, m_sense);
    if (spot.inside) return std::min(m_range.low + m_radius * spot.along, m_range.high);
    if (spot.along - spot.sweep < kTwoPi - spot.along) return m_range.low + m_radius * spot.along;
    return m_range.low - m_radius * (kTwoPi - spot.along);
}

CArc2d* CArc2d::Clone() const { return new CArc2d(*this); }

// End points plus every axis extreme (east, north, west, south) inside the sweep.
CBox2<double> CArc2d::Box() const {
    CBox2<double> box(StartPoint(), EndPoint());
    if (!(m_radius > 0.0)) return box;
    const Vec extremes[4] = {Vec(m_radius, 0.0), Vec(0.0, m_radius), Vec(-m_radius, 0.0), Vec(0.0, -m_radius)};
    for (int k = 0; k < 4; ++k)
        if (LocateAngle(k * kHalfPi, m_range.low, m_range.high, m_radius, m_sense).inside)
            box.Add(m_centre + extremes[k]);
    return box;
}

void CArc2d::Move(const CVec2<double>& offset) {
    if (IsFinite(offset)) m_centre += offset;
}

// Rotating turns every angle by `angle`: the range shifts by sense * r * angle.
void CArc2d::Rotate(const CVec2<double>& centre, double angle) {
    if (!IsFinite(centre) || !std::isfinite(angle)) return;
    m_centre = m_centre.RotatedAbout(centre, angle);
    const double shift = m_sense * m_radius * angle;
    m_range = CInterval<double>(m_range.low + shift, m_range.high + shift);
}

// A similarity with linear part A (rows (m00, m01), (m10, m11)) = k * R, R a rotation by psi or a
// reflection: angles map to theta + psi, or psi - theta with the sense flipped. Either way the
// parameter maps as t' = k t + s' r' psi, which keeps start at start and the sweep unchanged.
bool CArc2d::Transform(const CMatrix4<double>& m) {
    const CMatrix3<double> a = m.ToMatrix3();
    if (a[0][2] != 0.0 || a[1][2] != 0.0 || a[2][2] == 0.0) return false;  // perspective
    const double w = a[2][2];
    const double m00 = a[0][0] / w, m01 = a[0][1] / w, m10 = a[1][0] / w, m11 = a[1][1] / w;
    const double n0 = m00 * m00 + m01 * m01, n1 = m10 * m10 + m11 * m11, dot = m00 * m10 + m01 * m11;
    const double det = m00 * m11 - m01 * m10;
    if (!std::isfinite(n0 + n1 + dot + det) || det == 0.0) return false;
    const double tol = 1e-12 * (n0 + n1);
    if (std::abs(n0 - n1) > tol || std::abs(dot) > tol) return false;  // not a similarity
    const Vec centre = a.TransformPoint(m_centre);
    if (!IsFinite(centre)) return false;
    const double k = std::sqrt(std::abs(det));
    const double psi = std::atan2(m01, m00);
    const int sense = det < 0.0 ? -m_sense : m_sense;
    const double radius = m_radius * k;
    const double shift = sense * radius * psi;
    m_centre = centre;
    m_radius = radius;
    m_sense = sense;
    m_range = radius > 0.0 ? CInterval<double>(m_range.low * k + shift, m_range.high * k + shift)
                           : CInterval<double>(m_range.low * k, m_range.low * k);
    return true;
}

bool CArc2d::SetStartT(double t) {
    if (!std::isfinite(t) || t > m_range.high) return false;
    if (m_range.high - t > m_radius * (kTwoPi + g_AngleEpsilon)) return false;
    m_range.low = t;
    return true;
}

bool CArc2d::SetEndT(double t) {
    if (!std::isfinite(t) || t < m_range.low) return false;
    if (t - m_range.low > m_radius * (kTwoPi + g_AngleEpsilon)) return false;
    m_range.high = t;
    return true;
}

CVec2<double> CArc2d::GetPoint(double t) const {
    if (!(m_radius > 0.0)) return m_centre;
    const double th = m_sense * t / m_radius;
    return Vec(m_centre.x + m_radius * std::cos(th), m_centre.y + m_radius * std::sin(th));
}

// Unit speed: d/dt of r (cos, sin)(s t / r) is s (-sin, cos).
CVec2<double> CArc2d::GetDeriv1(double t) const {
    if (!(m_radius > 0.0)) return Vec();
    const double th = m_sense * t / m_radius;
    return Vec(-std::sin(th), std::cos(th)) * static_cast<double>(m_sense);
}

// Points at the centre with magnitude 1 / r (the curvature).
CVec2<double> CArc2d::GetDeriv2(double t) const {
    if (!(m_radius > 0.0)) return Vec();
    const double th = m_sense * t / m_radius;
    return Vec(-std::cos(th), -std::sin(th)) / m_radius;
}

// Walking past an end by no more than tol still succeeds (clamped to that end).
bool CArc2d::PointAtLength(double t0, double length, double& t, double tol) const {
    if (!std::isfinite(t0) || !std::isfinite(length)) {
        t = std::isfinite(t0) ? m_range.Clamp(t0) : m_range.low;
        return false;
    }
    t = t0 + length;
    return m_range.ClampWithin(t, std::max(tol, 0.0));
}

double CArc2d::LengthAtPoint(const CVec2<double>& p) const { return GetNearestT(p, 0.0) - m_range.low; }

// The nearest point lies along the ray from the centre through p when that ray crosses the arc;
// otherwise it is the end angularly nearer to the ray (ties and p at the centre: the start).
double CArc2d::GetNearestT(const CVec2<double>& p, double) const {
    const double dx = p.x - m_centre.x, dy = p.y - m_centre.y;
    if (!(m_radius > 0.0) || !(dx * dx + dy * dy > 0.0) || !std::isfinite(dx + dy)) return m_range.low;
    // A point known to a few ulps of the coordinates fixes its angle only to about that much over r.
    const double coordScale = std::abs(m_centre.x) + std::abs(m_centre.y) + std::abs(p.x) + std::abs(p.y);
    const double slack =
        std::min(8.0 * std::numeric_limits<double>::epsilon() * (coordScale / m_radius), g_AngleEpsilon);
    const AngleSpot spot = LocateAngle(std::atan2(dy, dx), m_range.low, m_range.high, m_radius, m_sense, slack);
    if (spot.inside) return std::min(m_range.low + m_radius * spot.along, m_range.high);
    return (spot.along - spot.sweep < kTwoPi - spot.along) ? m_range.high : m_range.low;
}

bool CArc2d::IsClosed() const { return m_radius > 0.0 && std::abs(RotateAngle()) >= kTwoPi - g_AngleEpsilon; }

int CArc2d::Monotonicity() const { return (m_radius > 0.0 && m_range.high > m_range.low) ? 1 : 2; }

// The result may not sweep more than a full turn (plus g_AngleEpsilon): such a request fails
// rather than being cut short, so the caller learns that the lengths were not applied.
bool CArc2d::Extend(double atStart, double atEnd) {
    if (!std::isfinite(atStart) || !std::isfinite(atEnd)) return false;
    const double lo = m_range.low - atStart, hi = m_range.high + atEnd;
    if (!(lo <= hi) || hi - lo > m_radius * (kTwoPi + g_AngleEpsilon)) return false;
    m_range = CInterval<double>(lo, hi);
    return true;
}

// Left of travel is towards the centre for a counter-clockwise arc, away from it for a clockwise one.
bool CArc2d::Offset(double d) {
    if (!std::isfinite(d)) return false;
    const double r = m_radius - m_sense * d;
    if (r < 0.0) return false;
    return SetRadius(r);
}

// theta(t) = s t / r equals (-s)(-t) / r: flip the sense and mirror the range.
void CArc2d::Reverse() {
    m_sense = -m_sense;
    m_range = CInterval<double>(-m_range.high, -m_range.low);
}

// Exact rational quadratic: n equal pieces of at most a quarter turn, each the classic
// (end, corner, end) triple with weights (1, cos(half piece), 1). The knots split [t0, t1]
// evenly (a point arc gets the span [t0, t0 + 1]).
CNurbsCurve2d* CArc2d::NurbsCurve() const {
    const double sweep = RotateAngle();
    int pieces = 1;
    if (m_radius > 0.0) pieces = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / kHalfPi - 1e-12)));
    const double step = sweep / pieces;
    const double w = std::cos(step / 2.0);
    const double a0 = StartAngle();
    auto* c = new CNurbsCurve2d(2, 2 * pieces + 1);
    for (int i = 0; i < pieces; ++i) {
        const double ai = a0 + i * step, am = ai + step / 2.0;
        c->SetCtrlPt(2 * i, m_centre + Vec(std::cos(ai), std::sin(ai)) * m_radius, 1.0);
        c->SetCtrlPt(2 * i + 1, m_centre + Vec(std::cos(am), std::sin(am)) * (m_radius / w), w);
    }
    c->SetCtrlPt(2 * pieces, EndPoint(), 1.0);
    const double t0 = m_range.low;
    double t1 = m_range.high;
    if (!(t1 > t0)) t1 = t0 + std::max(1.0, 4.0 * std::abs(t0) * std::numeric_limits<double>::epsilon());
    int k = 0;
    for (int j = 0; j < 3; ++j) c->SetKnot(k++, t0);
    for (int i = 1; i < pieces; ++i) {
        const double u = t0 + (t1 - t0) * (static_cast<double>(i) / pieces);
        c->SetKnot(k++, u);
        c->SetKnot(k++, u);
    }
    for (int j = 0; j < 3; ++j) c->SetKnot(k++, t1);
    return c;
}

}  // namespace zgp
