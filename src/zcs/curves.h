// zcs: the adapter between kernel curves and parameter blocks (read, write back, check),
// and the points, centres, radii and contact frames of a block with their gradients.
#pragma once

#include "model.h"

namespace zgp {
class CGeometry;
}

namespace zcs::detail {

// Appends the curve's parameters to m.P0 (with their scales and constness) and fills rec.
// False, with the model unchanged, for geometries that are not a supported curve.
bool ReadCurve(zgp::CGeometry* geometry, bool fixed, Model& m, GeomRec& rec);
// True when any parameter of the curve differs from its value in P0.
bool CurveChanged(const GeomRec& g, const double* P, const double* P0);
// Writes the parameters back into the curve object in place.
void WriteCurve(const GeomRec& g, const double* P);
// False when the parameters no longer describe a curve of the same shape and sense: a radius
// not positive, an arc or ellipse arc whose sweep left (0, 2 pi].
bool CurveValid(const GeomRec& g, const double* P);
// The parameter of the end angle of an open arc or ellipse arc, -1 for other curves.
int EndAngleParam(const GeomRec& g);
// An open arc or ellipse arc whose end has been carried past a full turn from its start goes on
// as the arc from its start to where that end now is: the end's angle drops by whole turns. Its
// end points, tangents and every equation but its sweep stay as they were.
void WrapFullTurns(const GeomRec& g, double* P);
// Largest coordinate magnitude, radius or length of the curve: its size for tolerances.
double CurveSize(const GeomRec& g, const double* P);

// The point a reference means: 1 start, 2 end, 3 centre (the midpoint of a line). False for
// a point the curve does not have (the centre of a NURBS curve).
bool HasPoint(const GeomRec& g, int refType);
Lin2 PointOf(const GeomRec& g, int refType, const double* P);
void LineEnds(const GeomRec& g, const double* P, Lin2& a, Lin2& b);
Lin2 CentreOf(const GeomRec& g, const double* P);       // arc or ellipse
Lin ParamOf(const GeomRec& g, int k, const double* P);  // the k-th parameter itself
// Derivative vector of the curve at its start (1) or end (2), in its direction of travel for
// lines and along its parameter otherwise: only its direction is meant.
Lin2 EndTangent(const GeomRec& g, int refType, const double* P);
// A length typical of the curve: a line's length, a radius, an ellipse's mean radius, the
// length of a NURBS curve's control polygon.
double CurveScale(const GeomRec& g, const double* P);

// Curves whose contact points are found through a curve parameter: ellipses (eccentric angle)
// and NURBS curves (knot parameter).
bool HasFrame(const GeomRec& g);
// Point E and derivative T = dE/du at u = P[aux], with gradients that include aux.
void FrameAt(const GeomRec& g, const double* P, int aux, Lin2& E, Lin2& T);
// The same at a given u, values only.
void FrameValue(const GeomRec& g, const double* P, double u, Vec& E, Vec& T);
// Range of the curve parameter for sampling, whether it is periodic, and its length per unit.
void FrameDomain(const GeomRec& g, const double* P, double& lo, double& hi, bool& periodic, double& scale);
// Keeps a curve parameter inside its domain (NURBS); periodic ones are left alone.
double ClampFrameParam(const GeomRec& g, double u);

}  // namespace zcs::detail
