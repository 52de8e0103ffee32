// zgp internal (not installed): the B-spline basis of a knot vector, shared by the kernel's NURBS
// curves and the constraint solver: the knot span holding a parameter, the basis functions, their derivatives.
#pragma once

#include <algorithm>

namespace zgp {
namespace nurbs_detail {

// Largest degree the fixed-size scratch arrays hold; CNurbsCurve2d clamps its degree to this.
constexpr int kMaxDegree = 64;

// The non-empty span [u[k], u[k+1]) holding s, for n control points of degree p and knots
// u[0 .. n + p] sorted non-decreasing with u[p] < u[n]; k is in [p, n - 1]. At (or past) u[n]
// the last non-empty span, before u[p] (or NaN) the first.
inline int FindSpan(const double* u, int n, int p, double s) {
    const double* first = u + p;
    const double* last = u + n + 1;
    if (s >= u[n]) return static_cast<int>(std::lower_bound(first, last, u[n]) - u) - 1;
    if (!(s >= u[p])) s = u[p];
    return static_cast<int>(std::upper_bound(first, last, s) - u) - 1;
}

// Non-zero basis functions of span k at s for degrees p, p - 1 and p - 2 (the triangular scheme
// of Cox and de Boor; the lower two rows feed derivatives). Entry r of the row of degree d is
// N_{k-d+r, d}. N1 and N2 receive p and p - 1 values, only when p reaches their degree.
inline void BasisRows(const double* u, int p, int k, double s, double* N, double* N1, double* N2) {
    double left[kMaxDegree + 1], right[kMaxDegree + 1];
    N[0] = 1.0;
    if (p == 1) N1[0] = 1.0;
    if (p == 2) N2[0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = s - u[k + 1 - j];
        right[j] = u[k + j] - s;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            const double den = right[r + 1] + left[j - r];
            const double tmp = den > 0.0 ? N[r] / den : 0.0;
            N[r] = saved + right[r + 1] * tmp;
            saved = left[j - r] * tmp;
        }
        N[j] = saved;
        if (j == p - 1) std::copy(N, N + j + 1, N1);
        if (j == p - 2) std::copy(N, N + j + 1, N2);
    }
}

// Derivatives of the d + 1 basis functions of degree d on span k from the d values of the row
// below (degree d - 1, or its derivatives for a second derivative):
//   N'_{i,d} = d N_{i,d-1} / (u[i+d] - u[i]) - d N_{i+1,d-1} / (u[i+d+1] - u[i+1]),
// a term with an empty support dropped.
inline void DeriveRow(const double* u, int d, int k, const double* lower, double* out) {
    for (int r = 0; r <= d; ++r) {
        double v = 0.0;
        if (r > 0) {
            const double den = u[k + r] - u[k - d + r];
            if (den > 0.0) v += lower[r - 1] / den;
        }
        if (r < d) {
            const double den = u[k + r + 1] - u[k - d + r + 1];
            if (den > 0.0) v -= lower[r] / den;
        }
        out[r] = d * v;
    }
}

// The p + 1 non-zero basis functions of degree p >= 1 on span k at s (N) with their first and
// second derivatives (D1, D2).
inline void BasisDerivs(const double* u, int p, int k, double s, double* N, double* D1, double* D2) {
    double below[kMaxDegree + 1], below2[kMaxDegree + 1], slope[kMaxDegree + 1];
    BasisRows(u, p, k, s, N, below, below2);
    DeriveRow(u, p, k, below, D1);
    if (p < 2) {
        std::fill(D2, D2 + p + 1, 0.0);
        return;
    }
    DeriveRow(u, p - 1, k, below2, slope);
    DeriveRow(u, p, k, slope, D2);
}

}  // namespace nurbs_detail
}  // namespace zgp
