// zgp internal: the span-level numerics of CNurbsCurve2d: a sorted evaluation view of the knots,
// Bézier spans, root bracketing of Bernstein polynomials, and per-span nearest points, extrema, lengths.
#pragma once

#include <cmath>
#include <vector>

#include "kernel_math.h"
#include "nurbs_basis.h"
#include "zgp/box2.h"
#include "zgp/vec2.h"

namespace zgp {
namespace nurbs_detail {

using Vec = CVec2<double>;

// Degrees above kMaxDegree (nurbs_basis.h) are clamped by the constructor: the basis is
// numerically meaningless long before, and the fixed-size scratch arrays are sized by it.
// Highest degree of the polynomials built from one span (the distance derivative, 3p - 1).
constexpr int kMaxPoly = 3 * kMaxDegree;

// A control point in homogeneous form (w x, w y, w).
struct HPt {
    double x = 0.0, y = 0.0, w = 0.0;
};

// a + t (b - a): exact at t = 0 and t = 1 and keeps equal weights exactly equal.
inline HPt Lerp(const HPt& a, const HPt& b, double t) {
    return HPt{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.w + t * (b.w - a.w)};
}

// Knot insertion blend factor of the control point whose support is [lo, hi] for a new knot s.
inline double Alpha(double s, double lo, double hi) {
    if (hi <= s) return 1.0;
    if (lo >= s) return 0.0;
    return (s - lo) / (hi - lo);
}

// The control point and weight of a homogeneous point, kept finite and the weight positive.
void FromHom(const HPt& h, Vec& p, double& w);

// A span in Bézier form: p + 1 homogeneous control points over the local parameter s in [0, 1].
struct Bezier {
    int p = 1;
    HPt b[kMaxDegree + 1];

    Vec Point(int i) const { return Vec(b[i].x / b[i].w, b[i].y / b[i].w); }
    // Point and s-derivatives (out[0..ders], ders <= 2) by de Casteljau; false when the weight
    // vanishes or a value overflows.
    bool Eval(double s, int ders, Vec* out) const;
};

// A borrowed view of a curve's data as evaluation needs it: knots non-decreasing with a finite
// spread. The stored knots are used in place when they already are; otherwise a sorted copy is
// made, scaled by a power of two when the spread overflows (a power-of-two scale leaves every
// basis function unchanged and is undone exactly). "Working" parameters are knots after scaling.
class Spline {
public:
    Spline(int degree, const std::vector<Vec>& ctrl, const std::vector<double>& w, const std::vector<double>& knots,
           bool sorted);
    Spline(const Spline&) = delete;
    Spline& operator=(const Spline&) = delete;

    bool Empty() const { return !(u[p] < u[n]); }
    double Lo() const { return u[p]; }
    double Hi() const { return u[n]; }
    // Working parameter of t, clamped into the domain (NaN goes to the start).
    double ToWork(double t) const {
        double s = t * scale;
        if (!(s >= Lo())) return Lo();
        return s > Hi() ? Hi() : s;
    }
    double ToUser(double s) const { return s / scale; }
    bool IsSpan(int k) const { return u[k] < u[k + 1]; }
    // The non-empty span [u[k], u[k+1]] holding s (the last one at the domain end).
    int Span(double s) const;
    // Homogeneous control point i with its weight multiplied by wscale (see WeightScale).
    HPt Hom(int i, double wscale) const {
        const double w = W[i] * wscale;
        return HPt{w * P[i].x, w * P[i].y, w};
    }
    // A power of two that keeps w x finite for control points first..last: 1 unless some product
    // could overflow. Weights only matter up to a common factor, so this changes no curve.
    double WeightScale(int first, int last) const;

    // Point (out[0]) and working-parameter derivatives (out[1..ders]) in the non-empty span k.
    // Never non-finite: when the quotient overflows the local weights are renormalised, and
    // failing that the point is the dominant control point with zero derivatives.
    void Eval(int k, double s, int ders, Vec* out) const;
    // Point or derivative number ders at user parameter t (clamped into the domain).
    Vec EvalAt(double t, int ders) const;
    // Bézier form of the non-empty span k.
    void Extract(int k, Bezier& bz) const;

    const int p;
    const int n;
    const Vec* P;
    const double* W;
    const double* u = nullptr;
    double scale = 1.0;

private:
    bool EvalRational(int k, const double* N, const double* N1, const double* N2, int ders, double wdiv,
                      Vec* out) const;
    std::vector<double> m_copy;
};

struct Bracket {
    double lo, hi;    // local span parameters; lo == hi marks a root found exactly at a split point
    int dir;          // +1 the polynomial rises through its root, -1 falls, 0 unresolved
    double glo, ghi;  // polynomial values at lo and hi
};

// Scratch space of one query, reused across its spans.
class Workspace {
public:
    // Binomial coefficients C(m, 0..m) for m in {p - 1, p, 2p - 1, 3p - 1} of the given degree.
    void Prepare(int p);
    const double* Binomials(int m) const;
    // Brackets the roots of c (Bernstein form, degree d) on [0, 1] into Brackets().
    void IsolateRoots(const double* c, int d, double noise);
    const std::vector<Bracket>& Brackets() const { return m_brackets; }

private:
    struct Piece {
        double lo, hi;
        int depth;
        size_t offset;
    };
    int m_degree = 0;
    std::vector<double> m_binomials;  // four rows of 3p entries
    std::vector<double> m_pool;       // coefficient blocks of the pending pieces, used as a stack
    std::vector<Piece> m_stack;
    std::vector<Bracket> m_brackets;
};

// Best nearest-point candidate so far: squared distance and working parameter.
struct Nearest {
    double d2;
    double s;
};
// Keeps the nearer candidate; ties within rounding go to the smaller parameter.
void Offer(Nearest& best, double d2, double s);

// Offers span k's nearest points to q (its ends and every local minimum of the distance).
// tol > 0 lets the Newton polish stop at that distance accuracy.
void NearestInSpan(const Spline& sp, int k, const Vec& q, double tol, Nearest& best, Workspace& ws);
// Widens box by the x and y extremes of span k that lie outside it.
void AddSpanExtrema(const Spline& sp, int k, CBox2<double>& box, Workspace& ws);
// Arc length of span k between working parameters lo and hi (u[k] <= lo < hi <= u[k+1]).
double SpanLength(const Spline& sp, int k, double lo, double hi);

}  // namespace nurbs_detail
}  // namespace zgp
