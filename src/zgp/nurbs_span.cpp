// zgp internal: span-level numerics of NURBS curves: rational evaluation, Bézier extraction,
// Bernstein root bracketing, and the nearest points, extrema and arc length of one knot span.
#include "nurbs_span.h"

#include <algorithm>
#include <limits>

namespace zgp {
namespace nurbs_detail {
namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kBig = std::numeric_limits<double>::max();

// Point and derivatives from a homogeneous point a and its derivatives a1, a2 (quotient rule).
bool Quotient(const HPt& a, const HPt& a1, const HPt& a2, int ders, Vec* out) {
    if (!(a.w > 0.0) || !std::isfinite(a.w)) return false;
    const Vec c(a.x / a.w, a.y / a.w);
    out[0] = c;
    if (!IsFinite(c)) return false;
    if (ders < 1) return true;
    const Vec c1((a1.x - a1.w * c.x) / a.w, (a1.y - a1.w * c.y) / a.w);
    out[1] = c1;
    if (!IsFinite(c1)) return false;
    if (ders < 2) return true;
    out[2] = Vec((a2.x - 2.0 * a1.w * c1.x - a2.w * c.x) / a.w, (a2.y - 2.0 * a1.w * c1.y - a2.w * c.y) / a.w);
    return IsFinite(out[2]);
}

// Root of fn between neg and pos, where fn(neg) < 0 < fn(pos) is expected, starting from x:
// Newton steps kept inside the shrinking bracket, bisection when a step leaves it or fails to
// halve the previous one. fn(x, f, df) gives the value and the slope. Answers the last point fn
// was evaluated at, once the next step or the bracket is within ttol.
template <class Fn>
double SolveBracketed(const Fn& fn, double neg, double pos, double x, double ttol) {
    double prevStep = std::fabs(pos - neg);
    for (int it = 0; it < 100; ++it) {
        double f = 0.0, df = 0.0;
        fn(x, f, df);
        if (f == 0.0) return x;
        if (f < 0.0)
            neg = x;
        else
            pos = x;
        double next = x - f / df;
        const bool newtonOk =
            std::isfinite(next) && (next - neg) * (next - pos) < 0.0 && std::fabs(next - x) <= 0.5 * prevStep;
        if (!newtonOk) next = 0.5 * (neg + pos);
        prevStep = std::fabs(next - x);
        if (prevStep <= ttol || std::fabs(pos - neg) <= ttol) return x;
        x = next;
    }
    return x;
}

// Orders the ends of an unresolved bracket by the sign of fn; false when the signs agree.
template <class Fn>
bool Orient(const Fn& fn, double lo, double hi, double& neg, double& pos) {
    double flo = 0.0, fhi = 0.0, d = 0.0;
    fn(lo, flo, d);
    fn(hi, fhi, d);
    if (flo < 0.0 && fhi > 0.0)
        neg = lo, pos = hi;
    else if (flo > 0.0 && fhi < 0.0)
        neg = hi, pos = lo;
    else
        return false;
    return true;
}

// First guess of a bracketed root: the secant through the polynomial's end values.
double FalsePosition(const Bracket& br) {
    const double den = br.glo - br.ghi;
    const double x = den != 0.0 ? br.lo + (br.hi - br.lo) * (br.glo / den) : 0.5 * (br.lo + br.hi);
    return x > br.lo && x < br.hi ? x : 0.5 * (br.lo + br.hi);
}

// Polynomials on [0, 1] are built in the scaled Bernstein basis s^i (1 - s)^(d - i): products are
// plain convolutions, and coefficient signs are those of the Bernstein form (binomials are
// positive). out[i + j] += sign a[i] b[j].
void ConvolveAdd(const double* a, int m, const double* b, int n, double sign, double* out) {
    for (int i = 0; i <= m; ++i)
        for (int j = 0; j <= n; ++j) out[i + j] += sign * a[i] * b[j];
}

void ToBernstein(double* c, int d, const Workspace& ws) {
    const double* binom = ws.Binomials(d);
    for (int i = 0; i <= d; ++i) c[i] /= binom[i];
}

// h = X' W - X W' (degree 2p - 1, scaled basis), the numerator of (X / W)', from one coordinate x
// and the weights w of a span's Bézier form. Answers the size of its terms, which its rounding is
// relative to.
double QuotientNumerator(const double* x, const double* w, int p, const Workspace& ws, double* h) {
    const double* cp = ws.Binomials(p);
    const double* cq = ws.Binomials(p - 1);
    double xs[kMaxDegree + 1], wsc[kMaxDegree + 1], dx[kMaxDegree], dw[kMaxDegree];
    double xMax = 0.0, wMax = 0.0, dxMax = 0.0, dwMax = 0.0;
    for (int i = 0; i <= p && i <= kMaxDegree; ++i) {
        xMax = std::max(xMax, std::fabs(x[i]));
        wMax = std::max(wMax, std::fabs(w[i]));
        xs[i] = x[i] * cp[i];
        wsc[i] = w[i] * cp[i];
        if (i == p) break;
        dx[i] = p * (x[i + 1] - x[i]);
        dw[i] = p * (w[i + 1] - w[i]);
        dxMax = std::max(dxMax, std::fabs(dx[i]));
        dwMax = std::max(dwMax, std::fabs(dw[i]));
        dx[i] *= cq[i];
        dw[i] *= cq[i];
    }
    for (int i = 0; i < 2 * p; ++i) h[i] = 0.0;
    ConvolveAdd(dx, p - 1, wsc, p, 1.0, h);
    ConvolveAdd(xs, p, dw, p - 1, -1.0, h);
    return dxMax * wMax + xMax * dwMax;
}

// Squared distance from q to box (0 when it cannot be computed).
double BoxDist2(const CBox2<double>& box, const Vec& q) {
    const double dx = std::max({box.min.x - q.x, q.x - box.max.x, 0.0});
    const double dy = std::max({box.min.y - q.y, q.y - box.max.y, 0.0});
    const double d2 = dx * dx + dy * dy;
    return std::isfinite(d2) ? d2 : 0.0;
}

// Squared distance from q to the box of the control points of bz restricted to [lo, hi]: a lower
// bound of the distance to that piece of the span (0 when it cannot be computed).
double SubHullDist2(const Bezier& bz, double lo, double hi, const Vec& q) {
    const int p = bz.p;
    HPt t[kMaxDegree + 1], part[kMaxDegree + 1];
    std::copy(bz.b, bz.b + p + 1, t);
    part[0] = t[0];
    for (int r = 1; r <= p; ++r) {  // left part [0, hi]
        for (int i = 0; i <= p - r; ++i) t[i] = Lerp(t[i], t[i + 1], hi);
        part[r] = t[0];
    }
    std::copy(part, part + p + 1, t);
    const double v = hi > 0.0 ? lo / hi : 0.0;
    for (int r = 1; r <= p; ++r) {  // its right part [lo, hi]
        for (int i = 0; i <= p - r; ++i) t[i] = Lerp(t[i], t[i + 1], v);
        part[p - r] = t[p - r];
    }
    CBox2<double> box;
    for (int i = 0; i <= p; ++i) box.Add(Vec(part[i].x / part[i].w, part[i].y / part[i].w));
    return BoxDist2(box, q);
}

// Gauss-Kronrod 7/15 rule on [-1, 1]: the non-negative nodes (used with both signs) and their
// weights; the odd entries and 0 are also the Gauss nodes.
const double kGkNode[8] = {0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
                           0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
                           0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
                           0.207784955007898467600689403773245, 0.0};
const double kGkWeight[8] = {0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
                             0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
                             0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
                             0.204432940075298892414161999234649, 0.209482141084727828012999174891714};
const double kGaussWeight[4] = {0.129484966168869693270611432679082, 0.279705391489276667901467771423780,
                                0.381830050505118944950369775488975, 0.417959183673469387755102040816327};

// Integral of the speed |C'(s)| over [lo, hi] to tol (negative: 1e-13 relative to the first
// estimate). budget bounds the pieces, so a speed that never settles still answers quickly.
double IntegrateSpeed(const Bezier& bz, double lo, double hi, double tol, int depth, int& budget) {
    const double c = 0.5 * (lo + hi), r = 0.5 * (hi - lo);
    Vec e[3];
    auto speed = [&](double s) { return bz.Eval(s, 1, e) ? e[1].Length() : 0.0; };
    const double f0 = speed(c);
    double kron = kGkWeight[7] * f0, gauss = kGaussWeight[3] * f0;
    for (int i = 0; i < 7; ++i) {
        const double f = speed(c - r * kGkNode[i]) + speed(c + r * kGkNode[i]);
        kron += kGkWeight[i] * f;
        if (i % 2 == 1) gauss += kGaussWeight[i / 2] * f;
    }
    kron *= r;
    gauss *= r;
    if (tol < 0.0) tol = std::max(1e-13 * kron, 1e-300);
    const double err = std::fabs(kron - gauss);
    if (!(err > tol) || err <= 1e-15 * kron || depth >= 30 || --budget <= 0 || !(r > 4.0 * kEps)) return kron;
    return IntegrateSpeed(bz, lo, c, 0.5 * tol, depth + 1, budget) +
           IntegrateSpeed(bz, c, hi, 0.5 * tol, depth + 1, budget);
}

}  // namespace

// A weight that underflowed is raised to the smallest normal value and coordinates are kept
// finite, so hostile weights cannot leave a curve holding values its setters would refuse.
void FromHom(const HPt& h, Vec& p, double& w) {
    w = h.w > std::numeric_limits<double>::min() ? h.w : std::numeric_limits<double>::min();
    auto finite = [](double v) { return v != v ? 0.0 : std::min(std::max(v, -kBig), kBig); };
    p = Vec(finite(h.x / w), finite(h.y / w));
    w = std::min(w, kBig);
}

bool Bezier::Eval(double s, int ders, Vec* out) const {
    HPt t[kMaxDegree + 1], d1, d2;
    std::copy(b, b + p + 1, t);
    for (int level = 0;; ++level) {
        const int count = p - level + 1;
        if (level == p - 2 && ders >= 2) {
            const double f = p * (p - 1.0);
            d2 = HPt{f * (t[2].x - 2.0 * t[1].x + t[0].x), f * (t[2].y - 2.0 * t[1].y + t[0].y),
                     f * (t[2].w - 2.0 * t[1].w + t[0].w)};
        }
        if (level == p - 1 && ders >= 1) d1 = HPt{p * (t[1].x - t[0].x), p * (t[1].y - t[0].y), p * (t[1].w - t[0].w)};
        if (count == 1) break;
        for (int i = 0; i + 1 < count; ++i) t[i] = Lerp(t[i], t[i + 1], s);
    }
    return Quotient(t[0], d1, d2, ders, out);
}

// ---- the evaluation view ------------------------------------------------------------------------

Spline::Spline(int degree, const std::vector<Vec>& ctrl, const std::vector<double>& w, const std::vector<double>& knots,
               bool sorted)
    : p(degree), n(static_cast<int>(ctrl.size())), P(ctrl.data()), W(w.data()) {
    if (sorted && std::isfinite(knots.back() - knots.front())) {
        u = knots.data();
        return;
    }
    m_copy = knots;
    std::sort(m_copy.begin(), m_copy.end());
    if (!std::isfinite(m_copy.back() - m_copy.front())) {
        scale = 0.25;
        for (double& k : m_copy) k *= scale;
    }
    u = m_copy.data();
}

int Spline::Span(double s) const { return FindSpan(u, n, p, s); }

double Spline::WeightScale(int first, int last) const {
    double wmax = 0.0, cmax = 0.0;
    for (int i = first; i <= last; ++i) {
        wmax = std::max(wmax, W[i]);
        cmax = std::max(cmax, std::max(std::fabs(P[i].x), std::fabs(P[i].y)));
    }
    if (wmax <= 1.0 || wmax * cmax < 1e300) return 1.0;
    return std::ldexp(1.0, -std::ilogb(wmax) - 1);
}

void Spline::Eval(int k, double s, int ders, Vec* out) const {
    double N[kMaxDegree + 1], N1[kMaxDegree + 1], N2[kMaxDegree + 1];
    BasisRows(u, p, k, s, N, N1, N2);
    if (EvalRational(k, N, N1, N2, ders, 1.0, out)) return;
    double wmax = 0.0;
    int dominant = 0;
    for (int r = 0; r <= p; ++r) {
        wmax = std::max(wmax, W[k - p + r]);
        if (N[r] > N[dominant]) dominant = r;
    }
    if (EvalRational(k, N, N1, N2, ders, wmax, out)) return;
    out[0] = P[k - p + dominant];
    out[1] = out[2] = Vec();
}

Vec Spline::EvalAt(double t, int ders) const {
    Vec out[3];
    const double s = ToWork(t);
    Eval(Span(s), s, ders, out);
    if (ders == 0) return out[0];
    Vec d = ders == 1 ? out[1] * scale : out[2] * (scale * scale);
    return IsFinite(d) ? d : Vec();
}

bool Spline::EvalRational(int k, const double* N, const double* N1, const double* N2, int ders, double wdiv,
                          Vec* out) const {
    HPt loc[kMaxDegree + 1], d1[kMaxDegree + 1], a, a1, a2;
    for (int r = 0; r <= p; ++r) {
        const int i = k - p + r;
        const double w = W[i] / wdiv;
        loc[r] = HPt{w * P[i].x, w * P[i].y, w};
        a.x += N[r] * loc[r].x;
        a.y += N[r] * loc[r].y;
        a.w += N[r] * loc[r].w;
    }
    for (int r = 1; r <= p && ders >= 1; ++r) {
        const double f = p / (u[k + r] - u[k - p + r]);
        d1[r] = HPt{(loc[r].x - loc[r - 1].x) * f, (loc[r].y - loc[r - 1].y) * f, (loc[r].w - loc[r - 1].w) * f};
        a1.x += N1[r - 1] * d1[r].x;
        a1.y += N1[r - 1] * d1[r].y;
        a1.w += N1[r - 1] * d1[r].w;
    }
    for (int r = 2; r <= p && ders >= 2; ++r) {
        const double f = (p - 1) / (u[k + r - 1] - u[k - p + r]);
        a2.x += N2[r - 2] * (d1[r].x - d1[r - 1].x) * f;
        a2.y += N2[r - 2] * (d1[r].y - d1[r - 1].y) * f;
        a2.w += N2[r - 2] * (d1[r].w - d1[r - 1].w) * f;
    }
    return Quotient(a, a1, a2, ders, out);
}

// The span's end knots are raised to multiplicity p on a local copy of the p + 1 control points
// that act on it; those points are then its Bézier points.
void Spline::Extract(int k, Bezier& bz) const {
    HPt* q = bz.b;
    bz.p = p;
    double L[2 * kMaxDegree + 2];
    for (int i = 0; i <= 2 * p + 1; ++i) L[i] = u[k - p + i];
    const double wscale = WeightScale(k - p, k);
    for (int r = 0; r <= p; ++r) q[r] = Hom(k - p + r, wscale);
    const double a = L[p], b = L[p + 1];
    for (int guard = 0; L[2 * p] != b && guard < p; ++guard) {
        for (int j = p; j >= 1; --j) q[j] = Lerp(q[j - 1], q[j], Alpha(b, L[j], L[j + p]));
        for (int i = 2 * p + 1; i > p + 1; --i) L[i] = L[i - 1];
        L[p + 1] = b;
    }
    for (int guard = 0; L[1] != a && guard < p; ++guard) {
        for (int j = 0; j < p; ++j) q[j] = Lerp(q[j], q[j + 1], Alpha(a, L[j + 1], L[j + 1 + p]));
        for (int i = 0; i < p - 1; ++i) L[i] = L[i + 1];
        L[p - 1] = a;
    }
}

// ---- Bernstein root bracketing ------------------------------------------------------------------

void Workspace::Prepare(int p) {
    if (p == m_degree) return;
    m_degree = p;
    m_binomials.resize(static_cast<size_t>(4 * 3 * p));
    const int rows[4] = {p - 1, p, 2 * p - 1, 3 * p - 1};
    for (int r = 0; r < 4; ++r) {
        double* c = &m_binomials[r * 3 * p];
        c[0] = 1.0;
        for (int i = 1; i <= rows[r]; ++i) c[i] = c[i - 1] * (rows[r] - i + 1) / i;
    }
}

const double* Workspace::Binomials(int m) const {
    const int rows[4] = {m_degree - 1, m_degree, 2 * m_degree - 1, 3 * m_degree - 1};
    int r = 0;
    while (r < 3 && rows[r] != m) ++r;
    return &m_binomials[r * 3 * m_degree];
}

// Halves [0, 1] until each piece's coefficients change sign at most once (then the piece holds
// exactly one root). Coefficients within noise of zero carry no sign; depth and piece count are
// bounded, leaving unresolved pieces marked dir 0. A split point where the polynomial vanishes is
// a root of its own.
void Workspace::IsolateRoots(const double* c, int d, double noise) {
    constexpr int kMaxDepth = 32;
    m_brackets.clear();
    m_stack.clear();
    m_pool.assign(c, c + d + 1);
    m_stack.push_back({0.0, 1.0, 0, 0});
    int budget = 16 + 4 * d;
    double left[kMaxPoly + 1], right[kMaxPoly + 1];
    while (!m_stack.empty()) {
        const Piece pc = m_stack.back();
        m_stack.pop_back();
        std::copy(m_pool.begin() + pc.offset, m_pool.begin() + pc.offset + d + 1, right);
        m_pool.resize(pc.offset);
        int changes = 0, first = 0, prev = 0;
        for (int i = 0; i <= d; ++i) {
            const int s = right[i] > noise ? 1 : right[i] < -noise ? -1 : 0;
            if (s == 0) continue;
            if (first == 0)
                first = s;
            else if (s != prev)
                ++changes;
            prev = s;
        }
        if (changes == 0) continue;
        if (changes == 1 || pc.depth >= kMaxDepth || --budget <= 0) {
            m_brackets.push_back({pc.lo, pc.hi, changes == 1 ? (first < 0 ? 1 : -1) : 0, right[0], right[d]});
            continue;
        }
        // de Casteljau at the middle: right[] becomes the right half, left[] the left half.
        left[0] = right[0];
        for (int r = 1; r <= d; ++r) {
            for (int i = 0; i <= d - r; ++i) right[i] = 0.5 * (right[i] + right[i + 1]);
            left[r] = right[0];
        }
        const double mid = 0.5 * (pc.lo + pc.hi);
        if (std::fabs(left[d]) <= noise) m_brackets.push_back({mid, mid, 0, 0.0, 0.0});
        m_stack.push_back({mid, pc.hi, pc.depth + 1, m_pool.size()});
        m_pool.insert(m_pool.end(), right, right + d + 1);
        m_stack.push_back({pc.lo, mid, pc.depth + 1, m_pool.size()});
        m_pool.insert(m_pool.end(), left, left + d + 1);
    }
}

// ---- per-span queries ---------------------------------------------------------------------------

void Offer(Nearest& best, double d2, double s) {
    const double tie = 1e-12 * best.d2;
    if (d2 < best.d2 - tie || (d2 <= best.d2 + tie && s < best.s)) best = Nearest{d2, s};
}

// The minima of the distance are the rising roots of g = (X'W - XW') . (X - qW), whose sign is
// that of the distance's derivative (X the homogeneous coordinates). They are bracketed in
// Bernstein form, pieces whose control hull lies beyond the best distance are dropped, and the
// rest are polished by Newton on the span itself.
void NearestInSpan(const Spline& sp, int k, const Vec& q, double tol, Nearest& best, Workspace& ws) {
    const int p = sp.p, d = 3 * p - 1;
    if (p < 1 || p > kMaxDegree) return;
    const double a = sp.u[k], b = sp.u[k + 1];
    Bezier bz;
    sp.Extract(k, bz);
    Vec pts[kMaxDegree + 1];
    CBox2<double> hull;
    double edge2 = 0.0;
    for (int i = 0; i <= p; ++i) {
        pts[i] = bz.Point(i);
        hull.Add(pts[i]);
        if (i > 0) edge2 = std::max(edge2, pts[i].SqrDistanceTo(pts[i - 1]));
    }
    Offer(best, (pts[0] - q).SqrLength(), a);  // the span's ends are its end Bézier points
    Offer(best, (pts[p] - q).SqrLength(), b);
    if (BoxDist2(hull, q) > best.d2 * (1.0 + 1e-12)) return;  // the Bézier hull is the tighter bound

    ws.Prepare(p);
    const double* cp = ws.Binomials(p);
    double x[kMaxDegree + 1], y[kMaxDegree + 1], w[kMaxDegree + 1], ax[kMaxDegree + 1], ay[kMaxDegree + 1];
    double aMax = 0.0;
    for (int i = 0; i <= p; ++i) {
        const HPt& h = bz.b[i];
        x[i] = h.x - pts[0].x * h.w;  // relative to the span start: keeps X'W - XW' free of cancellation
        y[i] = h.y - pts[0].y * h.w;
        w[i] = h.w;
        ax[i] = h.x - q.x * h.w;
        ay[i] = h.y - q.y * h.w;
        aMax = std::max({aMax, std::fabs(ax[i]), std::fabs(ay[i])});
        ax[i] *= cp[i];
        ay[i] *= cp[i];
    }
    double hx[2 * kMaxDegree], hy[2 * kMaxDegree], g[kMaxPoly + 1];
    for (int i = 0; i <= d; ++i) g[i] = 0.0;
    const double hs = std::max(QuotientNumerator(x, w, p, ws, hx), QuotientNumerator(y, w, p, ws, hy));
    ConvolveAdd(hx, 2 * p - 1, ax, p, 1.0, g);
    ConvolveAdd(hy, 2 * p - 1, ay, p, 1.0, g);
    ToBernstein(g, d, ws);
    ws.IsolateRoots(g, d, 1e-12 * hs * aMax);

    Vec e[3];
    double evalS = -1.0;  // where e was last evaluated successfully
    auto slope = [&](double s, double& f, double& df) {
        evalS = -1.0;
        if (!bz.Eval(s, 2, e)) {
            f = 0.0, df = 1.0;
            return;
        }
        evalS = s;
        const Vec r = e[0] - q;
        f = e[1].Dot(r);
        df = e[2].Dot(r) + e[1].SqrLength();
    };
    auto offer = [&](double s) {
        if (s == evalS || bz.Eval(s, 0, e))
            Offer(best, (e[0] - q).SqrLength(), s <= 0.0 ? a : s >= 1.0 ? b : std::min(a + s * (b - a), b));
    };
    // p * longest control edge bounds the speed of a polynomial span, a fair scale for rational ones.
    const double edge = std::sqrt(edge2);
    const double stol = std::max(tol > 0.0 && edge > 0.0 ? 0.1 * tol / (p * edge) : 0.0, 4.0 * kEps);
    for (const Bracket& br : ws.Brackets()) {
        if (br.dir < 0) continue;
        if (br.lo == br.hi) {
            offer(br.lo);
            continue;
        }
        if (SubHullDist2(bz, br.lo, br.hi, q) > best.d2 * (1.0 + 1e-12)) continue;
        double neg = br.lo, pos = br.hi;
        if (br.dir == 0 && !Orient(slope, br.lo, br.hi, neg, pos)) {
            offer(br.lo);
            offer(0.5 * (br.lo + br.hi));
            offer(br.hi);
            continue;
        }
        offer(SolveBracketed(slope, neg, pos, FalsePosition(br), stol));
    }
}

// The extremes of x (and y) inside the span are the roots of the numerator X'W - XW' of x'(s).
// Coordinates whose control hull already lies inside box cannot widen it and are skipped.
void AddSpanExtrema(const Spline& sp, int k, CBox2<double>& box, Workspace& ws) {
    const int p = sp.p;
    Bezier bz;
    sp.Extract(k, bz);
    CBox2<double> hull;
    for (int i = 0; i <= p; ++i) hull.Add(bz.Point(i));
    ws.Prepare(p);
    Vec e[3];
    auto add = [&](double s) {
        if (bz.Eval(s, 0, e)) box.Add(e[0]);
    };
    for (int comp = 0; comp < 2; ++comp) {
        const bool inside = comp == 0 ? hull.min.x >= box.min.x && hull.max.x <= box.max.x
                                      : hull.min.y >= box.min.y && hull.max.y <= box.max.y;
        if (inside) continue;
        double c[kMaxDegree + 1], w[kMaxDegree + 1], h[2 * kMaxDegree];
        const double origin = comp == 0 ? bz.Point(0).x : bz.Point(0).y;
        for (int i = 0; i <= p; ++i) {
            c[i] = (comp == 0 ? bz.b[i].x : bz.b[i].y) - origin * bz.b[i].w;
            w[i] = bz.b[i].w;
        }
        const double noise = 1e-12 * QuotientNumerator(c, w, p, ws, h);
        ToBernstein(h, 2 * p - 1, ws);
        ws.IsolateRoots(h, 2 * p - 1, noise);
        auto slope = [&](double s, double& f, double& df) {
            if (!bz.Eval(s, 2, e)) {
                f = 0.0, df = 1.0;
                return;
            }
            f = comp == 0 ? e[1].x : e[1].y;
            df = comp == 0 ? e[2].x : e[2].y;
        };
        for (const Bracket& br : ws.Brackets()) {
            double neg = br.dir > 0 ? br.lo : br.hi, pos = br.dir > 0 ? br.hi : br.lo;
            if (br.lo == br.hi || (br.dir == 0 && !Orient(slope, br.lo, br.hi, neg, pos))) {
                add(br.lo);
                add(0.5 * (br.lo + br.hi));
                add(br.hi);
                continue;
            }
            add(SolveBracketed(slope, neg, pos, FalsePosition(br), 4.0 * kEps));
        }
    }
}

double SpanLength(const Spline& sp, int k, double lo, double hi) {
    Bezier bz;
    sp.Extract(k, bz);
    const double a = sp.u[k], h = sp.u[k + 1] - a;
    const double s0 = std::min(std::max((lo - a) / h, 0.0), 1.0), s1 = std::min(std::max((hi - a) / h, 0.0), 1.0);
    int budget = 2000;
    return s0 < s1 ? IntegrateSpeed(bz, s0, s1, -1.0, 0, budget) : 0.0;
}

}  // namespace nurbs_detail
}  // namespace zgp
