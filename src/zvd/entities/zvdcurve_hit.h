// zvd: hit test of a point against the band around one curve (internal header).
// The closed forms for lines and arcs answer exactly what the outline loop and the position judge answer.
#pragma once

#include "zgp/curve2d.h"
#include "zgp/vec2.h"
#include "zvd/foundation/zvdexport.h"

namespace zvdcurvehit {

// Whether pt lies inside, or within tol of, the band reaching halfWidth to each side of curve
// with flat caps. No band exists (answer false) when halfWidth is not positive and finite, the
// band is narrower than the kernel's distance tolerance or the curve is shorter than it. A tol
// that is negative or not finite counts as 0 for the distance (as the position judge takes it).
// Lines and arcs are decided in closed form; other kinds go through bandHitByLoop.
bool bandHit(const zgp::CCurve2d& curve, const zgp::CVec2<double>& pt, double tol, double halfWidth);

// The same decision the long way: the kernel builds the outline loop (ZLoopBuilder::CreateLoop)
// and a position judge with distance tolerance tol classifies pt against it. Kept as the
// reference that the closed forms must agree with.
bool bandHitByLoop(const zgp::CCurve2d& curve, const zgp::CVec2<double>& pt, double tol, double halfWidth);

}  // namespace zvdcurvehit
