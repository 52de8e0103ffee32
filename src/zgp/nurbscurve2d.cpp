// zgp: CNurbsCurve2d, rational B-spline curves of any degree: data and its validation, editing
// (knot insertion, trimming, Bézier pieces, reversal, transforms) and the curve queries.
#include "zgp/nurbscurve2d.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "nurbs_span.h"
#include "zgp/tolerance.h"

namespace zgp {

using namespace nurbs_detail;

namespace {

// Counts above this are refused, so a damaged file cannot make us allocate without bound.
constexpr int kMaxCtrlPts = 1 << 20;
constexpr double kBig = std::numeric_limits<double>::max();

std::vector<double> ClampedUniformKnots(int degree, int count) {
    std::vector<double> k(static_cast<size_t>(count + degree + 1));
    for (int i = 0; i < static_cast<int>(k.size()); ++i) {
        if (i <= degree)
            k[i] = 0.0;
        else if (i >= count)
            k[i] = 1.0;
        else
            k[i] = static_cast<double>(i - degree) / (count - degree);
    }
    return k;
}

// Editing works on the knots in order; evaluation already treats them as if sorted, so sorting
// the stored vector changes no curve.
void SortKnots(std::vector<double>& knots, int& descents) {
    if (descents != 0) std::sort(knots.begin(), knots.end());
    descents = 0;
}

}  // namespace

// ---- construction and data ----------------------------------------------------------------------

CNurbsCurve2d::CNurbsCurve2d() : CNurbsCurve2d(1, 2) {}

CNurbsCurve2d::CNurbsCurve2d(int degree, int count) {
    m_degree = std::min(std::max(degree, 1), kMaxDegree);
    count = std::min(std::max(count, m_degree + 1), kMaxCtrlPts);
    m_ctrl.assign(static_cast<size_t>(count), Vec());
    m_weights.assign(static_cast<size_t>(count), 1.0);
    m_knots = ClampedUniformKnots(m_degree, count);
    m_descents = 0;
}

void CNurbsCurve2d::Swap(CNurbsCurve2d& other) {
    std::swap(m_degree, other.m_degree);
    m_ctrl.swap(other.m_ctrl);
    m_weights.swap(other.m_weights);
    m_knots.swap(other.m_knots);
    std::swap(m_descents, other.m_descents);
}

bool CNurbsCurve2d::SetCtrlPtCount(int count) {
    if (count < m_degree + 1 || count > kMaxCtrlPts) return false;
    m_ctrl.resize(static_cast<size_t>(count), Vec());
    m_weights.resize(static_cast<size_t>(count), 1.0);
    m_knots = ClampedUniformKnots(m_degree, count);
    m_descents = 0;
    return true;
}

// Non-finite coordinates are refused like non-finite weights: a curve never holds them.
bool CNurbsCurve2d::SetCtrlPt(int i, const CVec2<double>& p, double weight) {
    if (i < 0 || i >= CtrlPtCount() || !IsFinite(p) || !(weight > 0.0) || !std::isfinite(weight)) return false;
    m_ctrl[i] = p;
    m_weights[i] = weight;
    return true;
}

bool CNurbsCurve2d::GetCtrlPt(int i, CVec2<double>& p, double& weight) const {
    if (i < 0 || i >= CtrlPtCount()) return false;
    p = m_ctrl[i];
    weight = m_weights[i];
    return true;
}

// Out of range: the origin, weight 0 and knot 0 (valid weights are always positive).
CVec2<double> CNurbsCurve2d::CtrlPt(int i) const { return i >= 0 && i < CtrlPtCount() ? m_ctrl[i] : Vec(); }
double CNurbsCurve2d::Weight(int i) const { return i >= 0 && i < CtrlPtCount() ? m_weights[i] : 0.0; }
double CNurbsCurve2d::GetKnot(int i) const { return i >= 0 && i < KnotCount() ? m_knots[i] : 0.0; }

bool CNurbsCurve2d::SetKnot(int i, double value) {
    if (i < 0 || i >= KnotCount() || !std::isfinite(value)) return false;
    auto descent = [this](int j) { return j >= 0 && j + 1 < KnotCount() && m_knots[j] > m_knots[j + 1] ? 1 : 0; };
    m_descents -= descent(i - 1) + descent(i);
    m_knots[i] = value;
    m_descents += descent(i - 1) + descent(i);
    return true;
}

// Rational means the weights differ: equal weights cancel out of the quotient.
bool CNurbsCurve2d::IsRational() const {
    return std::any_of(m_weights.begin(), m_weights.end(), [this](double w) { return w != m_weights[0]; });
}

bool CNurbsCurve2d::IsClamped() const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    const int m = KnotCount();
    return sp.u[0] == sp.u[m_degree] && sp.u[m - 1] == sp.u[m - 1 - m_degree];
}

CNurbsCurve2d* CNurbsCurve2d::Clone() const { return new CNurbsCurve2d(*this); }
CNurbsCurve2d* CNurbsCurve2d::NurbsCurve() const { return Clone(); }

// ---- evaluation ---------------------------------------------------------------------------------

double CNurbsCurve2d::StartT() const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    return sp.ToUser(sp.Lo());
}

double CNurbsCurve2d::EndT() const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    return sp.ToUser(sp.Hi());
}

// Parameters outside the domain are clamped to it: a rational curve need not extend (its
// weight function may vanish beyond the ends). An empty domain is a point at the first control
// point, with zero derivatives.
CVec2<double> CNurbsCurve2d::GetPoint(double t) const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    return sp.Empty() ? m_ctrl[0] : sp.EvalAt(t, 0);
}

// At a knot the derivatives are those of the span that starts there (of the last span at the end).
CVec2<double> CNurbsCurve2d::GetDeriv1(double t) const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    return sp.Empty() ? Vec() : sp.EvalAt(t, 1);
}

CVec2<double> CNurbsCurve2d::GetDeriv2(double t) const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    return sp.Empty() ? Vec() : sp.EvalAt(t, 2);
}

double CNurbsCurve2d::ApprLength() const {
    double len = 0.0;
    for (size_t i = 1; i < m_ctrl.size(); ++i) len += m_ctrl[i - 1].DistanceTo(m_ctrl[i]);
    return len;
}

// Parameters are clamped into the domain, so lengths beyond the ends count nothing.
double CNurbsCurve2d::LengthBetween(double t0, double t1) const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    if (sp.Empty()) return 0.0;
    double s0 = sp.ToWork(t0), s1 = sp.ToWork(t1), sign = 1.0;
    if (s1 < s0) {
        std::swap(s0, s1);
        sign = -1.0;
    }
    double total = 0.0;
    for (int k = sp.Span(s0); k < sp.n && sp.u[k] < s1; ++k) {
        const double lo = std::max(s0, sp.u[k]), hi = std::min(s1, sp.u[k + 1]);
        if (sp.IsSpan(k) && lo < hi) total += SpanLength(sp, k, lo, hi);
    }
    if (!(total >= 0.0)) return 0.0;  // speeds that overflowed into NaN
    return sign * std::min(total, kBig);
}

// The box of the span end points, widened by every interior extremum of x and y: the roots of
// the derivative's numerator X'W - XW', bracketed per span and polished on the curve. Spans whose
// Bézier hull already lies inside the box cannot widen it and are skipped.
CBox2<double> CNurbsCurve2d::Box() const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    CBox2<double> box;
    if (sp.Empty()) {
        box.Add(m_ctrl[0]);
        return box;
    }
    Vec e[3];
    for (int k = m_degree; k < sp.n; ++k) {
        if (!sp.IsSpan(k)) continue;
        sp.Eval(k, sp.u[k], 0, e);
        box.Add(e[0]);
        sp.Eval(k, sp.u[k + 1], 0, e);
        box.Add(e[0]);
    }
    Workspace ws;
    for (int k = m_degree; k < sp.n; ++k)
        if (sp.IsSpan(k)) AddSpanExtrema(sp, k, box, ws);
    return box;
}

// Spans are visited nearest first by the box of their control points (which contains the span)
// and dropped once that box lies farther than the best point found. tol > 0 lets the final
// Newton polish stop at that distance accuracy.
double CNurbsCurve2d::GetNearestT(const CVec2<double>& p, double tol) const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    if (sp.Empty() || !IsFinite(p)) return sp.ToUser(sp.Lo());
    Nearest best{kBig, sp.Lo()};  // the first span's start replaces it
    std::vector<std::pair<double, int>> spans;
    spans.reserve(static_cast<size_t>(sp.n - m_degree));
    for (int k = m_degree; k < sp.n; ++k) {
        if (!sp.IsSpan(k)) continue;
        CBox2<double> hull;
        for (int i = k - m_degree; i <= k; ++i) hull.Add(m_ctrl[i]);
        const double dx = std::max({hull.min.x - p.x, p.x - hull.max.x, 0.0});
        const double dy = std::max({hull.min.y - p.y, p.y - hull.max.y, 0.0});
        spans.emplace_back(dx * dx + dy * dy, k);
    }
    std::sort(spans.begin(), spans.end());
    Workspace ws;
    for (const auto& span : spans) {
        if (span.first > best.d2 * (1.0 + 1e-12)) break;
        NearestInSpan(sp, span.second, p, tol, best, ws);
    }
    return sp.ToUser(std::min(std::max(best.s, sp.Lo()), sp.Hi()));
}

// 2 when every control point lies within g_DistEpsilon of one line; otherwise 1 when the control
// polygon turns one way only (straight runs allowed, a reversal is not), else 0. Steps shorter
// than g_DistEpsilon are merged into the next one, as their direction is noise.
int CNurbsCurve2d::Monotonicity() const {
    const int n = CtrlPtCount();
    int far1 = 0, far2 = 0;
    for (int i = 1; i < n; ++i)
        if (m_ctrl[i].SqrDistanceTo(m_ctrl[0]) > m_ctrl[far1].SqrDistanceTo(m_ctrl[0])) far1 = i;
    for (int i = 0; i < n; ++i)
        if (m_ctrl[i].SqrDistanceTo(m_ctrl[far1]) > m_ctrl[far2].SqrDistanceTo(m_ctrl[far1])) far2 = i;
    const Vec axis = (m_ctrl[far2] - m_ctrl[far1]).Normalized();
    bool straight = true;
    for (int i = 0; i < n && straight; ++i) straight = std::fabs(axis.Cross(m_ctrl[i] - m_ctrl[far1])) <= g_DistEpsilon;
    if (straight) return 2;

    int sense = 0;
    Vec prevDir;
    int anchor = 0;
    for (int i = 1; i < n; ++i) {
        Vec step = m_ctrl[i] - m_ctrl[anchor];
        if (step.Length() <= g_DistEpsilon) continue;
        anchor = i;
        Vec dir = step.Normalized();
        if (prevDir.SqrLength() > 0.0) {
            double cross = prevDir.Cross(dir);
            if (std::fabs(cross) <= g_AngleEpsilon) {
                if (prevDir.Dot(dir) < 0.0) return 0;
            } else {
                int s = cross > 0.0 ? 1 : -1;
                if (sense != 0 && s != sense) return 0;
                sense = s;
            }
        }
        prevDir = dir;
    }
    return 1;
}

// ---- editing ------------------------------------------------------------------------------------

// Insertions that would raise the knot's multiplicity above the degree are skipped (they cannot
// change anything), so inserting at a knot already at full multiplicity answers true unchanged.
bool CNurbsCurve2d::InsertKnot(double u, int times) {
    if (!std::isfinite(u) || times < 1) return false;
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    const double s = u * sp.scale;
    if (sp.Empty() || !(s >= sp.Lo() && s <= sp.Hi())) return false;
    const int p = m_degree;
    std::vector<double> knots(sp.u, sp.u + KnotCount());
    const int mult = static_cast<int>(std::count(knots.begin(), knots.end(), s));
    const int r = std::min(times, p - mult);
    if (r <= 0) return true;
    if (CtrlPtCount() + r > kMaxCtrlPts) return false;
    std::vector<HPt> q(m_ctrl.size());
    const double wscale = sp.WeightScale(0, CtrlPtCount() - 1);
    for (int i = 0; i < CtrlPtCount(); ++i) q[i] = sp.Hom(i, wscale);
    for (int step = 0; step < r; ++step) {
        const int n = static_cast<int>(q.size());
        std::vector<HPt> next(static_cast<size_t>(n + 1));
        next[0] = q[0];
        next[n] = q[n - 1];
        for (int j = 1; j < n; ++j) next[j] = Lerp(q[j - 1], q[j], Alpha(s, knots[j], knots[j + p]));
        knots.insert(std::upper_bound(knots.begin(), knots.end(), s), s);
        q.swap(next);
    }
    m_ctrl.resize(q.size());
    m_weights.resize(q.size());
    for (size_t i = 0; i < q.size(); ++i) FromHom(q[i], m_ctrl[i], m_weights[i]);
    for (double& k : knots) k /= sp.scale;
    m_knots.swap(knots);
    m_descents = 0;
    return true;
}

// Setting the start to the current start is accepted unchanged; a new start at or past the end
// is refused (a NURBS curve does not shrink to a point).
bool CNurbsCurve2d::SetStartT(double t) {
    if (!std::isfinite(t)) return false;
    SortKnots(m_knots, m_descents);
    if (t == StartT()) return true;
    if (!(t > StartT() && t < EndT()) || !InsertKnot(t, m_degree)) return false;
    const int p = m_degree;
    const int k = static_cast<int>(std::upper_bound(m_knots.begin(), m_knots.end(), t) - m_knots.begin()) - 1;
    const int first = k - p;  // the control point at t: knots first + 1 .. k all equal t
    m_ctrl.erase(m_ctrl.begin(), m_ctrl.begin() + first);
    m_weights.erase(m_weights.begin(), m_weights.begin() + first);
    m_knots.erase(m_knots.begin(), m_knots.begin() + first);
    m_knots[0] = t;
    return true;
}

bool CNurbsCurve2d::SetEndT(double t) {
    if (!std::isfinite(t)) return false;
    SortKnots(m_knots, m_descents);
    if (t == EndT()) return true;
    if (!(t > StartT() && t < EndT()) || !InsertKnot(t, m_degree)) return false;
    const int p = m_degree;
    const int f = static_cast<int>(std::lower_bound(m_knots.begin(), m_knots.end(), t) - m_knots.begin());
    m_ctrl.resize(static_cast<size_t>(f));  // the control point at t is f - 1
    m_weights.resize(static_cast<size_t>(f));
    m_knots.resize(static_cast<size_t>(f + p + 1));
    m_knots[f + p] = t;
    return true;
}

void CNurbsCurve2d::DecomposeToBezier(std::vector<CNurbsCurve2d*>& out) const {
    Spline sp(m_degree, m_ctrl, m_weights, m_knots, m_descents == 0);
    const int p = m_degree;
    if (sp.Empty()) {
        auto* piece = new CNurbsCurve2d(p, p + 1);
        piece->m_ctrl.assign(static_cast<size_t>(p + 1), m_ctrl[0]);
        piece->m_knots.assign(static_cast<size_t>(2 * p + 2), sp.ToUser(sp.Lo()));
        out.push_back(piece);
        return;
    }
    Bezier bz;
    for (int k = p; k < sp.n; ++k) {
        if (!sp.IsSpan(k)) continue;
        sp.Extract(k, bz);
        auto* piece = new CNurbsCurve2d(p, p + 1);
        for (int i = 0; i <= p; ++i) {
            FromHom(bz.b[i], piece->m_ctrl[i], piece->m_weights[i]);
            piece->m_knots[i] = sp.ToUser(sp.u[k]);
            piece->m_knots[p + 1 + i] = sp.ToUser(sp.u[k + 1]);
        }
        out.push_back(piece);
    }
}

// Knots map through u -> a + b - u with [a, b] the domain, computed without overflow and with
// the domain ends swapped exactly, so the domain itself is unchanged.
void CNurbsCurve2d::Reverse() {
    SortKnots(m_knots, m_descents);
    const double a = StartT(), b = EndT();
    auto mirror = [a, b](double u) {
        if (u == a) return b;
        if (u == b) return a;
        double r = (a - u) + b;
        if (!std::isfinite(r)) r = 2.0 * ((0.5 * a - 0.5 * u) + 0.5 * b);
        return std::min(std::max(r, -kBig), kBig);
    };
    std::vector<double> knots(m_knots.size());
    for (size_t i = 0; i < knots.size(); ++i) knots[i] = mirror(m_knots[m_knots.size() - 1 - i]);
    m_knots.swap(knots);
    std::reverse(m_ctrl.begin(), m_ctrl.end());
    std::reverse(m_weights.begin(), m_weights.end());
}

// ---- placement ----------------------------------------------------------------------------------

// Both keep the curve unchanged when a control point would overflow (or the input is not finite).
void CNurbsCurve2d::Move(const CVec2<double>& offset) {
    std::vector<Vec> ctrl(m_ctrl);
    for (Vec& c : ctrl) c += offset;
    if (std::all_of(ctrl.begin(), ctrl.end(), [](const Vec& c) { return IsFinite(c); })) m_ctrl.swap(ctrl);
}

void CNurbsCurve2d::Rotate(const CVec2<double>& centre, double angle) {
    const double cs = std::cos(angle), sn = std::sin(angle);
    std::vector<Vec> ctrl(m_ctrl);
    for (Vec& c : ctrl) {
        const Vec d = c - centre;
        c = centre + Vec(d.x * cs - d.y * sn, d.x * sn + d.y * cs);
    }
    if (std::all_of(ctrl.begin(), ctrl.end(), [](const Vec& c) { return IsFinite(c); })) m_ctrl.swap(ctrl);
}

// Each homogeneous control point (w x, w y, w) maps through the 2D part of m. The projective
// term h = [x y 1] * (third column) must keep one sign over all control points: the curve then
// stays on one side of the line sent to infinity, and the new weight is w |h|. A singular matrix,
// a sign change of h or a non-finite result answer false, leaving the curve unchanged.
bool CNurbsCurve2d::Transform(const CMatrix4<double>& m) {
    const CMatrix3<double> a = m.ToMatrix3();
    const double det = a.Determinant();
    if (det == 0.0 || !std::isfinite(det)) return false;
    std::vector<Vec> ctrl(m_ctrl.size());
    std::vector<double> weights(m_weights.size());
    int sign = 0;
    for (size_t i = 0; i < m_ctrl.size(); ++i) {
        const Vec& c = m_ctrl[i];
        double x = c.x * a[0][0] + c.y * a[1][0] + a[2][0];
        double y = c.x * a[0][1] + c.y * a[1][1] + a[2][1];
        double h = c.x * a[0][2] + c.y * a[1][2] + a[2][2];
        int s = h > 0.0 ? 1 : h < 0.0 ? -1 : 0;
        if (s == 0 || (sign != 0 && s != sign)) return false;
        sign = s;
        ctrl[i] = Vec(x / h, y / h);
        weights[i] = m_weights[i] * std::fabs(h);
        if (!IsFinite(ctrl[i]) || !(weights[i] > 0.0) || !std::isfinite(weights[i])) return false;
    }
    m_ctrl.swap(ctrl);
    m_weights.swap(weights);
    return true;
}

}  // namespace zgp
