// zgp: the kernel's two global tolerances and the fuzzy scalar comparison built on them.
// The values are explained in README ("Tolerances"); they are read-only by design.
#include "zgp/tolerance.h"

#include <algorithm>
#include <cmath>

namespace zgp {

const double g_DistEpsilon = 1e-6;
const double g_AngleEpsilon = 1e-6;

// A tolerance of 0 (or a negative or NaN one) asks for "equal up to rounding": 1e-12 relative to
// |a|, never below 1e-12 absolute. Equal infinities compare equal; NaN equals nothing.
bool IsEqual(double a, double b, double tol) {
    if (a == b) return true;
    if (!(tol > 0.0)) tol = std::max(1e-12, std::abs(a) * 1e-12);
    const double diff = std::abs(a - b);
    return diff <= tol;  // false for NaN or an infinite difference
}

}  // namespace zgp
