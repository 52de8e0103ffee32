// zcs: every constraint as equations on curve parameters: which form a constraint takes for
// the geometry it references, the branch it keeps, and its residuals with their gradients.
//
// Notation. P, Q points of references; A, B a line's start and end, D = B - A, L = |D|;
// C, r an arc's centre and radius; ts, te its end angles; E(u), T(u) = dE/du the point and
// derivative of an ellipse (eccentric angle) or NURBS curve (knot parameter) at u, an extra
// unknown of the constraint (the contact or foot point, free to slide); SD(X) = D x (X - A) / L
// the signed distance of X from the line, positive on the left; ang(V) = atan2(Vy, Vx);
// wrap() reduces an angle to (-pi, pi], wrapH() to (-pi/2, pi/2]; l a length fixed when the
// solve starts (the sizes involved), so that angle residuals are in drawing units too;
// s = +1 or -1 the side the starting geometry is on; v the constraint's value.
//
// type  references                  form                 residuals
// 1     line                        Length               L - v
// 1     point, point                PointDistance        |Q - P| - v            (v = 0: Coincident)
// 1     point, line                 LineDistance         s SD(P) - v
// 1     point, arc                  CircleDistance       s (|P - C| - r) - v    (s = -1 inside)
// 1     point, ellipse | NURBS      FrameDistance        (P - E).T/|T| ;  s T x (P - E)/|T| - v
// 1     line, line                  ParallelDistance     s SD1(A2) - v ;  s SD1(B2) - v
// 1     point, point, line          Projected            (Q - P).D/L - s v
// 2     arc                         Sweep                l (sense (te - ts) - w), w = v (ccw) or 2 pi - v (cw):
//                                                        v is the counter-clockwise angle from start to end
// 2     line, line                  LineAngle            l wrap(ang D2 - ang D1 - v)
// 3     arc                         Radius               r - v
// 4     arc                         Diameter             2 r - v
// 5     line, line                  Parallel             l wrapH(ang D2 - ang D1)
// 6     line, arc                   TangentLineCircle    s SD(C) - r
// 6     arc, arc                    TangentCircleCircle  |C1 - C2| - (r1 + r2)  or  |C1 - C2| - s (r1 - r2)
// 6     line, ellipse | NURBS       TangentLineFrame     SD(E) ;  l wrapH(ang T - ang D)
// 6     arc, ellipse | NURBS        TangentCircleFrame   |E - C| - r ;  (E - C).T/|T|
// 6     two of ellipse | NURBS      TangentFrameFrame    E1 - E2 (two rows) ;  l wrapH(ang T2 - ang T1)
// 6     any two, bound at a point   TangentJoint         l wrap(a1 - a2 - b), a the tangent's angle of each curve at
//       by a coincidence                                   the contact: at its bound end, or at the foot of the other's
//                                                          end (for an ellipse | NURBS curve with the foot row
//                                                          (P - E).T/|T|); b = 0 or pi the branch: a smooth path
//                                                          where two ends meet, else the way the tangents start
// 8     line, line                  Perpendicular        l wrapH(ang D2 - ang D1 - pi/2)
// 9     line, line                  EqualLength          L1 - L2
// 9     arc, arc                    EqualRadius          r1 - r2
// 9     ellipse, ellipse            EqualEllipse         a1 - a2 ;  b1 - b2
// 10    line | point, point         Horizontal(Points)   By - Ay  |  Qy - Py
// 11    line | point, point         Vertical(Points)     Bx - Ax  |  Qx - Px
// 12    point, point                Coincident           P - Q (two rows)
// 12,13 point, line                 PointOnLine          SD(P)
// 12,13 point, arc                  PointOnCircle        |P - C| - r
// 12,13 point, ellipse | NURBS      PointOnFrame         P - E (two rows)
// 12    curve, curve                None                 no rows: two whole curves only touch
// 16    ellipse                     EllipseA             a - v
// 17    ellipse                     EllipseB             b - v
// 18    point                       FixedPoint           P - P0 (two rows)
// 18    curve                       FixedWhole           (p - p0) scale(p) for each parameter p
//
// Points are lines' ends and midpoints, arcs' and ellipses' ends and centres, NURBS curves'
// ends. Lines are infinite and arcs and ellipses whole for "on" and "tangent"; a NURBS curve's
// parameter stays inside its domain. A tangency whose contact point a coincidence also binds
// (an end of one curve on an end of, or anywhere on, the other) is measured at that point
// as a condition on directions: "touching" there is already the coincidence's, and measuring
// it again by distance would make a double root that Newton's method converges to slowly.
#pragma once

#include "model.h"

namespace zcs::detail {

// Chooses the constraint's form from its type and references, checks its value, orders its
// references as the form reads them, and appends its extra unknowns to the model. Reads the
// start geometry from m.P0 to choose branches and starting contact points. Marks the
// constraint invalid (and answers false) when it does not fit its geometry.
bool ResolveConstraint(Model& m, ConsRec& c, double size);

// The curve whose parameter the k-th extra unknown of c is.
int AuxCurve(const ConsRec& c, int k);

// The branches of a constraint's form: 1 for forms without any, else the number of ways to hold
// it (a side of a line, inside or outside a circle, the way two tangents run), of which the start
// geometry chose one. Another branch may hold where the chosen one cannot. BranchOf answers the
// chosen one (0 ... BranchCount - 1), SetBranch chooses another.
int BranchCount(const ConsRec& c);
int BranchOf(const ConsRec& c);
void SetBranch(ConsRec& c, int k);

// Appends the constraint's rows, evaluated at P, to out.
void EvalRows(const Model& m, const ConsRec& c, const double* P, RowBuffer& out);

}  // namespace zcs::detail
