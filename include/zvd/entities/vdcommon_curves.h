// zvd: vdcommon geometric helpers shared by the curve items and the constraint code.
// Thin, named operations over the kernel: arc types, polar lines, outline loops, shrinking and extending curves.
#pragma once

#include <vector>

#include "zgp/arc2d.h"
#include "zgp/box2.h"
#include "zgp/curve2d.h"
#include "zgp/intersector.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zgp/vec2.h"
#include "zvd/foundation/zvdexport.h"

namespace vdcommon {

// |a - b| <= tol; a tolerance of 0 means max(|a| * 1e-12, 1e-12).
ZVD_EXPORT bool fuzzyEqual(double a, double b, double tol);

// The kernel arc type of a bulge (tan of a quarter of the signed sweep), with the kernel's
// distance tolerance: above 1 + tol 3 (counter-clockwise, more than half a turn), above tol 1,
// within tol of 0 also 1, down to -1 - tol 2 (clockwise, at most half a turn), below that 4.
ZVD_EXPORT zgp::CArc2d::ArcType getArcType(double bulge);
// True for the clockwise types 2 and 4.
ZVD_EXPORT bool isClockwise(zgp::CArc2d::ArcType type);

// The normalised box of the two corners (x1, y1) and (x2, y2).
ZVD_EXPORT zgp::CBox2<double> commonBox2d(double x1, double y1, double x2, double y2);

// A new segment from origin in direction angle (radians), parameter range [0, length].
// The caller releases it (Free).
ZVD_EXPORT zgp::CLine2d* getPolarLine(const zgp::CVec2<double>& origin, double angle, double length);

// The outline band of curve, width/2 on each side (flat caps); null when the kernel cannot build
// it (e.g. a degenerate curve). The caller releases the loop.
ZVD_EXPORT zgp::CLoop* getLoopByCurveWithWidth(const zgp::CCurve2d* curve, double width);
// The rectangle of box as a closed loop of four lines; the caller releases it.
ZVD_EXPORT zgp::CLoop* getLoopByBox(const zgp::CBox2<double>& box);

// The point of curve nearest to pt; extended: the curve taken as unbounded (a line's carrier, an
// arc's full circle).
ZVD_EXPORT zgp::CVec2<double> ClosestPointTo(const zgp::CCurve2d* curve, const zgp::CVec2<double>& pt, bool extended);

// A new curve (released by the caller) by type: 0 the segment p1-p2; 1 to 4 the arc p1-p2 of
// radius `bulge` and that arc type (the kernel's radius form); 5 the three-point arc p1-p2-p3
// (p2 on the arc); any other type, or geometry the kernel refuses, gives null.
ZVD_EXPORT zgp::CCurve2d* CreateCurve(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2,
                                      const zgp::CVec2<double>& p3, double bulge, int type);

// Cuts startCut from the start and endCut from the end of a line or arc, in place, when the curve
// is longer than both cuts together; other kinds and shorter curves are left alone.
ZVD_EXPORT void xLinePortShrink(zgp::CCurve2d* curve, double startCut, double endCut);
// Extends in place: a line at both ends by the larger side of box, an arc to a full turn from
// its start. Other kinds are left alone.
ZVD_EXPORT void ExtentCurve(zgp::CCurve2d* curve, const zgp::CBox2<double>& box);
// Intersections of a and b (as CCurvCurvIntersector reports them, parameters on the curves
// actually intersected); a flagged curve is first extended (ExtentCurve) to the union of both
// boxes. Answers the number of entries added to out.
ZVD_EXPORT int Intersect(const zgp::CCurve2d* a, bool extendA, const zgp::CCurve2d* b, bool extendB,
                         std::vector<zgp::CCurvCurvIntPt>& out);
// Two lines pointing the same way (dot of unit directions above cos(angleTol)), or two arcs with
// centres within distTol. Anything else, including different kinds, is not parallel.
ZVD_EXPORT bool IsParallel(const zgp::CCurve2d* a, const zgp::CCurve2d* b, double angleTol, double distTol);

// Moves the end of arc `curve` that lies within the distance tolerance of pt by offset, keeping
// the arc's height over its chord and the side of its bulge. A new arc (released by the caller),
// or null when curve is not an arc, pt is neither end, the ends would meet, or no arc results.
ZVD_EXPORT zgp::CCurve2d* stretchArc(const zgp::CCurve2d* curve, const zgp::CVec2<double>& pt,
                                     const zgp::CVec2<double>& offset);

}  // namespace vdcommon
