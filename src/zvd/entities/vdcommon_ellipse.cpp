// zvd: ellipse helpers: central angles, the normalised setting of a kernel ellipse and the axis
// grip drag (vdcommon), and ZVDEllipse's construction of an ellipse through three points.
#include "zvd/entities/vdcommon_ellipse.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "zgp/builders.h"
#include "zgp/intersector.h"
#include "zgp/line2d.h"
#include "zgp/tolerance.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/entities/zvdellipse.h"

using zgp::CEllipse2d;
using zgp::CVec2;

namespace {

const double kPi = 3.14159265358979323846;
const double kHalfPi = kPi / 2;
const double kTwoPi = 2 * kPi;

// v reduced into [0, 2pi).
double wrapTurn(double v) {
    double r = std::fmod(v, kTwoPi);
    if (r < 0) r += kTwoPi;
    return r >= kTwoPi ? 0.0 : r;
}

}  // namespace

namespace vdcommon {

// tan(central) = (b / a) tan(eccentric), on the same quadrant. On the axes both angles agree
// exactly, so those are answered as given rather than through atan2's rounding.
double toCentralAngle(double angle, double a, double b) {
    if (!std::isfinite(angle)) return angle;
    double turns = 0.0;
    if (angle > kTwoPi) {
        // Whole turns off at once (a loop of single turns would never end on huge angles); the
        // rounding of the division is corrected by a turn either way.
        turns = std::ceil(angle / kTwoPi) - 1.0;
        angle -= turns * kTwoPi;
        for (int i = 0; i < 2 && angle > kTwoPi; ++i) angle -= kTwoPi, turns += 1.0;
        for (int i = 0; i < 2 && angle <= 0.0 && turns > 0.0; ++i) angle += kTwoPi, turns -= 1.0;
    }
    const double base = turns * kTwoPi;
    for (double onAxis : {0.0, kHalfPi, kPi, 3 * kHalfPi, kTwoPi})
        if (std::fabs(angle - onAxis) <= 1e-12) return base + angle;
    double phi = std::atan2(b * std::sin(angle), a * std::cos(angle));
    if (phi < 0) phi += kTwoPi;
    return base + phi;
}

bool setEllipse(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b, double start, double end,
                int sense, CEllipse2d* dst) {
    if (!dst) return false;
    const CVec2<double> c = centre;
    CVec2<double> u = axis;
    if (b > a) {
        std::swap(a, b);
        u = CVec2<double>(-axis.y, axis.x);
        start -= kHalfPi;
        end -= kHalfPi;
    }
    return dst->Set(c, u, a, b, start, end, sense);
}

bool setEllipse(const CEllipse2d* src, CEllipse2d* dst) {
    if (!src || !dst) return false;
    const double a = src->MajorRadius(), b = src->MinorRadius();
    const double start = toCentralAngle(src->GetAngle(src->StartT()), a, b);
    const double end = toCentralAngle(src->GetAngle(src->EndT()), a, b);
    return setEllipse(src->CenterPt(), src->Axis(), a, b, start, end, src->Sense(), dst);
}

// The ends keep their central angles, which are taken with the old radii before either changes.
void dragCloseEllipse(CEllipse2d* e, bool first, const CVec2<double>& p, const CVec2<double>& q) {
    if (!e) return;
    const double r = (q + p).DistanceTo(e->CenterPt());
    if (fuzzyEqual(r, 0.0, zgp::g_DistEpsilon)) return;
    const double a = e->MajorRadius(), b = e->MinorRadius();
    const double start = toCentralAngle(e->GetAngle(e->StartT()), a, b);
    const double end = toCentralAngle(e->GetAngle(e->EndT()), a, b);
    setEllipse(e->CenterPt(), e->Axis(), first ? r : a, first ? b : r, start, end, e->Sense(), e);
}

}  // namespace vdcommon

// ---- ZVDEllipse's three-point construction ----

void ZVDEllipse::calcGuass(double m[3][4], double eps) {
    for (int c = 0; c < 3; ++c) {
        int r = c;
        while (r < 3 && !(std::fabs(m[r][c]) > eps)) ++r;
        if (r == 3) continue;
        if (r != c) std::swap_ranges(m[r], m[r] + 4, m[c]);
        const double pivot = m[c][c];
        for (int k = 0; k < 4; ++k) m[c][k] /= pivot;
        for (int i = 0; i < 3; ++i) {
            if (i == c) continue;
            const double f = m[i][c];
            for (int k = 0; k < 4; ++k) m[i][k] -= f * m[c][k];
        }
    }
}

double ZVDEllipse::getVectorToVectorAngle(const CVec2<double>& u, const CVec2<double>& v, bool reverse) {
    const double au = wrapTurn(std::atan2(u.y, u.x)), av = wrapTurn(std::atan2(v.y, v.x));
    return wrapTurn(reverse ? au - av : av - au);
}

// The chord p1-p2 sets a frame: x along the chord, y across it towards the side chosen by flag
// (left of p1->p2 when true). The third point lies s along the chord from p1 and h across it.
// The centre is where two construction lines meet: the chord's perpendicular bisector and the
// parallel to the chord at distance t across. About that centre the conic A x^2 + B xy + C y^2 = 1
// is fitted through the three points (coordinates scaled by a power of ten to about 1, so that
// the solve's tolerance means the same at every size); its principal axes give the radii and
// the axis. The result is the arc from p1 through the third point to p2. With t = 0, p1 and p2
// are opposite each other and give one equation only; the column the solve skips leaves the
// cross term 0 (axes along the chord). Null when p1 and p2 (nearly) meet or the three points lie
// on no ellipse about that centre.
CEllipse2d* ZVDEllipse::calcEclipse(const CVec2<double>& p1, const CVec2<double>& p2, double h, double s, double t,
                                    bool flag) {
    const double len = p1.DistanceTo(p2);
    if (!(len >= zgp::g_DistEpsilon) || !std::isfinite(len)) return nullptr;
    const CVec2<double> u = (p2 - p1) * (1.0 / len);
    const CVec2<double> n = flag ? u.Perp() : u.Perp() * -1.0;
    const CVec2<double> p3 = p1 + u * s + n * h;

    const zgp::CInterval<double> span(-len, len);
    const zgp::CLine2d bisector((p1 + p2) * 0.5, n, span), parallel(p1 + n * t, u, span);
    std::vector<zgp::CCurvCurvIntPt> hits;
    if (zgp::CCurvCurvIntersector().IntersectEx(bisector, parallel, hits) < 1) return nullptr;
    const CVec2<double> centre = hits[0].point;

    const CVec2<double> pts[3] = {p1, p2, p3};
    double local[3][2], extent = 0.0;
    for (int i = 0; i < 3; ++i) {
        local[i][0] = (pts[i] - centre).Dot(u);
        local[i][1] = (pts[i] - centre).Dot(n);
        extent = std::max({extent, std::fabs(local[i][0]), std::fabs(local[i][1])});
    }
    if (!(extent > 0.0) || !std::isfinite(extent)) return nullptr;
    const double scale = std::pow(10.0, std::ceil(std::log10(extent)));
    double m[3][4], rows[3][3];
    for (int i = 0; i < 3; ++i) {
        const double x = local[i][0] / scale, y = local[i][1] / scale;
        rows[i][0] = m[i][0] = x * x;
        rows[i][1] = m[i][1] = x * y;
        rows[i][2] = m[i][2] = y * y;
        m[i][3] = 1.0;
    }
    calcGuass(m, zgp::g_DistEpsilon);
    const double A = m[0][3], B = m[1][3], C = m[2][3];
    // A skipped column leaves no solution: every equation must hold.
    for (const auto& row : rows)
        if (!(std::fabs(row[0] * A + row[1] * B + row[2] * C - 1.0) <= 1e-9)) return nullptr;
    if (!(A > 0 && C > 0 && 4 * A * C - B * B > 0)) return nullptr;

    // Eigenvalues of [[A, B/2], [B/2, C]]: the smaller belongs to the major axis, which lies a
    // quarter turn from the angle 0.5 atan2(B, A - C) of the minor one.
    const double meanAC = (A + C) / 2, root = std::hypot((A - C) / 2, B / 2);
    const double a = scale / std::sqrt(meanAC - root), b = scale / std::sqrt(meanAC + root);
    const double axisAngle = 0.5 * std::atan2(B, A - C) + kHalfPi;
    const CVec2<double> axis = u * std::cos(axisAngle) + n * std::sin(axisAngle);

    // Central angles from the axis; the sense is the one that meets the third point first.
    const double start = getVectorToVectorAngle(axis, p1 - centre, false);
    const double end = getVectorToVectorAngle(axis, p2 - centre, false);
    const double mid = getVectorToVectorAngle(axis, p3 - centre, false);
    const int sense = wrapTurn(mid - start) < wrapTurn(end - start) ? 1 : -1;
    return zgp::ZCurve2dBuilder::CreateEllipse(centre, axis, a, b, start, end, sense, zgp::g_DistEpsilon);
}
