// zgp: CCurve2d, the base of every bounded parametric curve of the kernel.
// Curves are parametrised on [StartT(), EndT()] (StartT() <= EndT()); see each kind for t's meaning.
#pragma once

#include "zgp/geometry.h"
#include "zgp/interval.h"

namespace zgp {

class CNurbsCurve2d;

class CCurve2d : public CGeometry {
public:
    CCurve2d* Clone() const override = 0;

    // ---- parameter domain ----
    virtual double StartT() const = 0;
    virtual double EndT() const = 0;
    CInterval<double> Range() const { return CInterval<double>(StartT(), EndT()); }
    // Moves one end of the domain (trims or extends). False, unchanged, when t would leave
    // the kind's natural domain or cross the other end.
    virtual bool SetStartT(double t) = 0;
    virtual bool SetEndT(double t) = 0;

    // ---- evaluation ----
    virtual CVec2<double> GetPoint(double t) const = 0;
    // First and second derivatives with respect to t.
    virtual CVec2<double> GetDeriv1(double t) const = 0;
    virtual CVec2<double> GetDeriv2(double t) const = 0;
    CVec2<double> StartPoint() const { return GetPoint(StartT()); }
    CVec2<double> EndPoint() const { return GetPoint(EndT()); }
    // Unit tangent in the direction of travel (zero vector where the curve is degenerate).
    CVec2<double> TangentAt(double t) const;
    virtual CVec2<double> StartVt() const { return TangentAt(StartT()); }
    virtual CVec2<double> EndVt() const { return TangentAt(EndT()); }

    // ---- length ----
    // Arc length of the whole curve.
    virtual double Length() const { return LengthBetween(StartT(), EndT()); }
    // Signed arc length from t0 to t1 (negative when t1 < t0). The base integrates |P'(t)|
    // adaptively to 1e-12 relative.
    virtual double LengthBetween(double t0, double t1) const;
    // A cheap estimate of the length (exact for lines and arcs; control polygon for NURBS).
    virtual double ApprLength() const { return Length(); }
    // The parameter t at signed arc length `length` from t0, to within tol in length. False when
    // that length runs past an end of the domain; t is then clamped to that end.
    virtual bool PointAtLength(double t0, double length, double& t, double tol) const;
    // Arc length from the start to the curve point nearest p.
    virtual double LengthAtPoint(const CVec2<double>& p) const;

    // ---- queries ----
    // Parameter in [StartT(), EndT()] of the point nearest p (the first such when several are
    // equally near); tol is the distance accuracy asked for (<= 0 means full precision).
    virtual double GetNearestT(const CVec2<double>& p, double tol) const;
    CVec2<double> GetNearestPoint(const CVec2<double>& p) const { return GetPoint(GetNearestT(p, 0.0)); }
    // True when the curve returns to its start: a full circle or ellipse, a NURBS curve whose
    // ends meet within g_DistEpsilon. A line is never closed.
    virtual bool IsClosed() const;
    // 2 when the curve is straight (a line or a NURBS curve whose control points are collinear),
    // 1 when it turns one way only (arcs, ellipse arcs, convex NURBS), 0 when it changes turning.
    virtual int Monotonicity() const = 0;
    // True when the curve is shorter than g_DistEpsilon.
    bool IsDegenerate() const;

    // ---- editing ----
    // Lengthens the curve by the given arc lengths at its start and its end (negative shortens).
    // Lines, arcs (up to a full turn) and ellipses only; false and unchanged otherwise.
    virtual bool Extend(double atStart, double atEnd);
    // Moves the curve by d to the left of its direction of travel (right for negative d): a
    // line shifts sideways, an arc keeps its centre and angles and changes its radius. False,
    // unchanged, for kinds whose offset is not of the same kind (ellipse, NURBS) or when an arc's
    // radius would become negative.
    virtual bool Offset(double d);
    // Runs the curve the other way; the point at t becomes the point at -t for lines, arcs and
    // ellipses, at (StartT() + EndT() - t) for NURBS curves.
    virtual void Reverse() = 0;
    // The same curve as a NURBS curve (rational where needed), new, owned by the caller.
    virtual CNurbsCurve2d* NurbsCurve() const = 0;
};

}  // namespace zgp
