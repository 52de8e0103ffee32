// zvd: small geometry rules shared by the item classes (internal header): the slack of
// rectangle selection, the selection drag of no size, and reflections of points and curves.
#pragma once

#include "zgp/box2.h"
#include "zgp/matrix.h"
#include "zgp/vec2.h"

namespace zvditemgeom {

// Smallest double step: the window selection's slack; its square bounds a drag of no size.
constexpr double kSelectSlack = 2.220446049250313e-16;
constexpr double kZeroDragSqr = 4.930380657631324e-32;

// A box that is not inverted beyond rounding noise.
inline bool isValidBox(const zgp::CBox2<double>& b) {
    return b.max.x + 1e-12 >= b.min.x && b.max.y + 1e-12 >= b.min.y;
}

// p reflected across the line through p1 and p2; an axis shorter than the slack runs along x.
inline zgp::CVec2<double> reflectAcross(const zgp::CVec2<double>& p, const zgp::CVec2<double>& p1,
                                        const zgp::CVec2<double>& p2) {
    zgp::CVec2<double> axis = p2 - p1;
    if (axis.Length() < kSelectSlack) axis = zgp::CVec2<double>(1, 0);
    axis.Normalize();
    const zgp::CVec2<double> rel = p - p1;
    return p1 + axis * (2.0 * rel.Dot(axis)) - rel;
}

// The reflection across the line through p1 towards p2 as a 4x4 matrix on row vectors (the
// plane through (p1, 0) with normal (-(p2 - p1).y, (p2 - p1).x, 0)), for the kernel's Transform.
// Coincident points give no normal and the identity.
inline zgp::CMatrix4<double> reflectionMatrix(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) {
    zgp::CVec2<double> n(-(p2.y - p1.y), p2.x - p1.x);
    zgp::CMatrix4<double> m;
    if (!n.Normalize()) return m;
    const double k = 2.0 * p1.Dot(n);
    m[0][0] = 1.0 - 2.0 * n.x * n.x;
    m[0][1] = m[1][0] = -2.0 * n.x * n.y;
    m[1][1] = 1.0 - 2.0 * n.y * n.y;
    m[3][0] = k * n.x;
    m[3][1] = k * n.y;
    return m;
}

}  // namespace zvditemgeom
