// zgp: ZCurve2dBuilder (curves from points, conics and transforms) and ZLoopBuilder (rectangles
// and curve outlines). Every result is new, owned by the caller (one reference), or null.
#pragma once

#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zgp/nurbscurve2d.h"

namespace zgp {

class ZCurve2dBuilder {
public:
    // Arc from p1 to p2 of the given radius and CArc2d::ArcType (as CArc2d::Set); null when the
    // points coincide within distEps, the radius is short of half the chord by more than distEps,
    // or the type is not 1..4.
    static CCurve2d* CreateCurve(const CVec2<double>& p1, const CVec2<double>& p2, double radius, int type,
                                 double distEps, double angleEps);
    // Arc through p1, p2 and p3 in that order, from p1 to p3; null when two points coincide or
    // p2 lies within distEps of the line p1-p3.
    static CCurve2d* CreateCurve(const CVec2<double>& p1, const CVec2<double>& p2, const CVec2<double>& p3,
                                 double distEps, double angleEps);
    // Ellipse from centre, axis, radii, start and end central angles and sense (as
    // CEllipse2d::Set). The larger radius becomes the first (the axis turns a quarter turn when
    // b > a). Null for radii below distEps or a zero axis.
    static CEllipse2d* CreateEllipse(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b,
                                     double start, double end, int sense, double distEps);
    // The full ellipse A x^2 + B xy + C y^2 + D x + E y + F = 0 (coefficients in that order),
    // counter-clockwise from the end of its major axis; null when the conic is not a real ellipse.
    static CEllipse2d* CreateEllipse(const double conic[6], double distEps);
    // A transformed copy of curve. Lines stay lines (null when they collapse to a point); arcs stay
    // arcs under similarities and become ellipses under other affine maps; ellipses stay ellipses
    // under affine maps (null when they collapse); perspective maps and NURBS input give NURBS.
    // Null for a singular matrix.
    static CCurve2d* TransformCurve(const CCurve2d* curve, const CMatrix4<double>& m, double distEps);
};

class ZLoopBuilder {
public:
    // The four sides of box, counter-clockwise from its minimum corner; null for an empty box.
    static CLoop* CreateRect(const CBox2<double>& box);
    // Closed counter-clockwise outline of the band around curve reaching `left` to its left and
    // `right` to its right, with straight (flat) caps at both ends. An arc whose inner offset
    // radius would not be positive gets its inner side collapsed to the centre. Null when both
    // widths are <= 0 or the curve is degenerate. Ellipses and NURBS curves are outlined by
    // offset polylines whose vertices lie exactly on the true offset, spaced so that the chord
    // error stays below 1e-3 of the width.
    static CLoop* CreateLoop(const CCurve2d* curve, double left, double right);
};

}  // namespace zgp
