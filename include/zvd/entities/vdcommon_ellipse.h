// zvd: vdcommon helpers for ellipses, shared by the ellipse and polygon items.
// Central angles versus eccentric angles, and the normalised setting of a kernel ellipse.
#pragma once

#include "zgp/ellipse2d.h"
#include "zgp/vec2.h"
#include "zvd/foundation/zvdexport.h"

namespace vdcommon {

// The central angle (measured from the first axis) of the point at eccentric angle `angle` on an
// ellipse with radii a and b. Whole turns above 2pi are kept (5pi/2 gives 2pi + pi/2); the axis
// angles 0, pi/2, pi, 3pi/2 and 2pi (within 1e-12) answer unchanged; otherwise the result lies in
// [0, 2pi) plus the kept turns. Negative angles are not reduced but answer in [0, 2pi).
ZVD_EXPORT double toCentralAngle(double angle, double a, double b);

// Sets dst from centre, axis, radii, start and end central angles and sense (kernel Set), after
// normalising: when b > a the radii swap, the axis turns a quarter turn counter-clockwise and
// both angles drop by pi/2, so that the same curve has a >= b. False, dst unchanged, when the
// kernel refuses the values (a radius not above 0, a zero axis, values that are not finite).
ZVD_EXPORT bool setEllipse(const zgp::CVec2<double>& centre, const zgp::CVec2<double>& axis, double a, double b,
                           double start, double end, int sense, zgp::CEllipse2d* dst);
// Sets dst to the curve of src: its centre, axis, radii and sense, its ends turned into central
// angles, normalised as above. src and dst may be the same ellipse.
ZVD_EXPORT bool setEllipse(const zgp::CEllipse2d* src, zgp::CEllipse2d* dst);

// Grip drag of an axis point: the first radius (first) or the second becomes the distance from
// e's centre to q + p (the grip q dragged by p), keeping the centre, the axis, the sense and the
// central angles of both ends. A distance within the kernel's distance tolerance of 0 leaves e
// as it is.
ZVD_EXPORT void dragCloseEllipse(zgp::CEllipse2d* e, bool first, const zgp::CVec2<double>& p,
                                 const zgp::CVec2<double>& q);

}  // namespace vdcommon
