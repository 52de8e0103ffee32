// zvd: small geometry helpers shared by the constraint kinds (internal header): curve-kind tests,
// unit vectors that tolerate zero, and the reference pairs handed to solver objects.
#pragma once

#include <cmath>
#include <utility>

#include "zcs/constraint.h"
#include "zgp/curve2d.h"
#include "zgp/geometry.h"
#include "zgp/vec2.h"

namespace zvdconstraint {

// The smallest double step: vectors shorter than this have no direction.
constexpr double kTiny = 2.220446049250313e-16;
constexpr double kPi = 3.141592653589793238463;

// A reference of a solver object: a geometry and what of it is meant.
using Ref = std::pair<zgp::CGeometry*, EnDimRefType>;

inline bool isLine(const zgp::CCurve2d* g) { return g && g->Type() == zgp::GT_LINE; }
inline bool isArc(const zgp::CCurve2d* g) { return g && g->Type() == zgp::GT_ARC; }

// v of length 1, or zero when v is shorter than kTiny.
inline zgp::CVec2<double> unit(const zgp::CVec2<double>& v) {
    const double len = v.Length();
    return len < kTiny ? zgp::CVec2<double>(0, 0) : v / len;
}

// v turned a quarter turn counter-clockwise.
inline zgp::CVec2<double> turnLeft(const zgp::CVec2<double>& v) { return zgp::CVec2<double>(-v.y, v.x); }

}  // namespace zvdconstraint
