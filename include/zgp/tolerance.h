// zgp: the kernel's global tolerances, read by every module of the library and its users.
// Values and reasons: see README ("Tolerances").
#pragma once

namespace zgp {

// Two points closer than this (in drawing units) are the same point.
extern const double g_DistEpsilon;
// Two directions closer than this (radians) are the same direction.
extern const double g_AngleEpsilon;

// Fuzzy equality: |a - b| <= tol; a tolerance of 0 means max(1e-12, |a| * 1e-12).
bool IsEqual(double a, double b, double tol);
inline bool IsZero(double a, double tol) { return IsEqual(a, 0.0, tol); }

}  // namespace zgp
