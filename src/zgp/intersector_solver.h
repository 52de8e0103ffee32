// zgp internal: the working state of one CCurvCurvIntersector query, shared by the closed-form
// solvers (intersector.cpp) and the subdivision solver (intersector_subdiv.cpp).
#pragma once

#include <cmath>
#include <vector>

#include "zgp/intersector.h"
#include "zgp/line2d.h"

namespace zgp {
namespace detail {

// An arc or ellipse as point(phi) = c + a cos(phi) u + b sin(phi) v with curve parameter
// t = k * phi (k = sense * radius for arcs, sense * first radius for ellipses).
struct SConic {
    CVec2<double> c, u{1.0, 0.0}, v{0.0, 1.0};
    double a = 0.0, b = 0.0, k = 0.0;

    CVec2<double> At(double phi) const { return c + u * (a * std::cos(phi)) + v * (b * std::sin(phi)); }
    CVec2<double> DAt(double phi) const { return u * (-a * std::sin(phi)) + v * (b * std::cos(phi)); }
    // Coordinates in the frame where the conic is the unit circle.
    CVec2<double> Unit(const CVec2<double>& x) const { return UnitDir(x - c); }
    CVec2<double> UnitDir(const CVec2<double>& d) const { return CVec2<double>(d.Dot(u) / a, d.Dot(v) / b); }
    double Phi(const CVec2<double>& x) const { return Unit(x).Angle(); }
};

// One argument of the query, as the solvers search it.
struct SSide {
    const CCurve2d* c = nullptr;
    const CLine2d* line = nullptr;  // set for lines
    int kind = 0;                   // GT_LINE, GT_ARC, GT_ELLIPSE; anything else is searched as a NURBS
    double lo = 0.0, hi = 0.0;      // stored parameter range
    double slo = 0.0, shi = 0.0;    // searched range: stored, a whole turn, or a stretch of an infinite line
    bool ext = false;               // searched on its natural extension
    bool infinite = false;          // an extended line
    bool closed = false;            // no real ends (a whole turn, a closed NURBS curve)
    bool conic = false;             // cn is valid (radii > 0)
    bool implicitOk = false;        // cn is round enough for its unit-circle frame to be used
    SConic cn;
    double period = 0.0;  // parameter length of one turn for arcs and ellipses
    CBox2<double> box;    // box of what is searched (the whole turn when extended)

    bool Analytic() const { return kind == GT_LINE || kind == GT_ARC || kind == GT_ELLIPSE; }
    // Evaluation keeps curves that cannot leave their domain (NURBS) inside it.
    double Eval(double t) const { return Analytic() ? t : (t < lo ? lo : (t > hi ? hi : t)); }
    CVec2<double> At(double t) const { return c->GetPoint(Eval(t)); }
    CVec2<double> D1(double t) const { return c->GetDeriv1(Eval(t)); }
    CVec2<double> D2(double t) const { return c->GetDeriv2(Eval(t)); }
};

// A found point before merging: parameters on the first and second argument.
struct SCand {
    CVec2<double> p;
    double t1 = 0.0, t2 = 0.0;
    int kind = 0;
};

class CIntersectSolver {
public:
    CIntersectSolver(const CCurve2d& a, const CCurve2d& b, bool ext, double tol);
    // Clears out, fills it sorted by t1, answers the count.
    int Run(std::vector<CCurvCurvIntPt>& out);

private:
    // ---- set-up, recording and merging (intersector.cpp) ----
    bool Prepare(const CCurve2d& a, const CCurve2d& b);
    // Records a point from parameters on side i and side 1 - i. kind < 0: decided from the
    // tangents (1 when they are parallel). fold: a conic's parameter may be moved by whole turns
    // to the one nearest its stored range. Parameters past an end by no more than the tolerance
    // (in distance) are pulled onto the end; anything else off the searched curves is refused.
    void Add(int i, double ti, double tj, int kind, bool foldI = true, bool foldJ = true);
    // Records the overlap stretch [t1a, t1b] of the first argument (its ends are added as kind 2).
    void AddOverlap(double t1a, double t1b) { m_overlaps.push_back({t1a, t1b}); }
    bool Settle(int i, double& t, bool fold) const;
    int KindFromTangents(double t1, double t2) const;
    // Parameter on side i of the point of that side nearest p (on its extension when searched so).
    double NearestParam(int i, const CVec2<double>& p, double* dist) const;
    // NearestParam on the other side for end e (0 start, 1 end) of side i; remembered per query.
    double EndContact(int i, int e, double* dist);
    void EndTouches();
    bool SameContact(const CCurvCurvIntPt& r, const SCand& c) const;
    int Finish(std::vector<CCurvCurvIntPt>& out);

    // ---- closed forms and the conic root search (intersector.cpp) ----
    bool IsPointLike(int i) const;
    bool PointCurves();
    void LineConic(int li);
    void CircleCircle();
    void ConicOverlap();
    void ConicConic(int pi);

    // ---- subdivision (intersector_subdiv.cpp) ----
    // Overlaps, then subdivision of both curves with Newton refinement.
    void Subdivide();
    // Overlapping stretches found from the ends of either curve lying on the other.
    void FindOverlapsFromEnds();
    bool NewtonRoot(double& ta, double& tb, double alo, double ahi, double blo, double bhi) const;
    int RootKind(double ta, double tb, double dtb) const;
    double NearestApproach(double lo, double hi, double& ta, double& tb) const;
    double ProjectLocal(int i, const CVec2<double>& p, double& u) const;
    bool TraceOverlap(double ta, double tb, double step);

    SSide m_s[2];
    bool m_ext;
    double m_tol;
    double m_slack = 0.0;  // a few ulps of the coordinates, added to the tolerance in tests
    double m_scale = 1.0;  // largest coordinate magnitude, at least 1
    std::vector<SCand> m_cands;
    struct SStretch {
        double t1a, t1b;
    };
    std::vector<SStretch> m_overlaps;
    struct SEndContact {
        bool known = false;
        double t = 0.0, dist = 0.0;
    };
    SEndContact m_endContact[2][2];
};

// Among t0 + k * period, the one inside [lo, hi] (the lowest) or else the one just past the
// nearer end.
double ParamNearestRange(double t0, double lo, double hi, double period);

}  // namespace detail
}  // namespace zgp
