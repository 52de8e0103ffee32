// zgp internal: the constants and finiteness checks that the kernel's sources share.
// Private to the kernel's own .cpp files; not part of the installed headers.
#pragma once

#include <cmath>

#include "zgp/vec2.h"

namespace zgp {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;
inline constexpr double kHalfPi = 0.5 * kPi;

inline bool IsFinite(double v) { return std::isfinite(v); }
inline bool IsFinite(const CVec2<double>& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

}  // namespace zgp
