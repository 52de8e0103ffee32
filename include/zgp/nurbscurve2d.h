// zgp: CNurbsCurve2d, a rational B-spline curve of any degree with clamped or unclamped knots.
// Parameter t is the knot parameter; the domain is [knot(degree), knot(count)].
#pragma once

#include <vector>

#include "zgp/curve2d.h"

namespace zgp {

class CNurbsCurve2d : public CCurve2d {
public:
    // Degree 1 with two control points at the origin.
    CNurbsCurve2d();
    // `count` control points at the origin with weight 1 and a clamped uniform knot vector.
    // The degree is raised to at least 1 and the count to at least degree + 1.
    CNurbsCurve2d(int degree, int count);

    // Exchanges the curve data (degree, control points, weights, knots) with other's; each
    // object keeps its own identity and reference count. Nothing is copied or allocated.
    void Swap(CNurbsCurve2d& other);

    int Degree() const { return m_degree; }
    int CtrlPtCount() const { return static_cast<int>(m_ctrl.size()); }
    int KnotCount() const { return static_cast<int>(m_knots.size()); }  // count + degree + 1
    // Changes the number of control points (kept ones stay; new ones at the origin, weight 1)
    // and rebuilds a clamped uniform knot vector. False for a count below degree + 1.
    bool SetCtrlPtCount(int count);
    // False for an index out of range or a non-positive / non-finite weight.
    bool SetCtrlPt(int i, const CVec2<double>& p, double weight = 1.0);
    bool GetCtrlPt(int i, CVec2<double>& p, double& weight) const;
    CVec2<double> CtrlPt(int i) const;
    double Weight(int i) const;
    // False for an index out of range or a non-finite value. Knots may be set one by one in any
    // order; evaluation treats a vector that is not non-decreasing as if it were sorted.
    bool SetKnot(int i, double value);
    double GetKnot(int i) const;
    const std::vector<double>& Knots() const { return m_knots; }
    bool IsRational() const;
    // True when the first and last degree + 1 knots are equal.
    bool IsClamped() const;

    // Inserts knot u (inside the domain) `times` times without changing the curve's shape.
    bool InsertKnot(double u, int times = 1);
    // Splits into Bézier pieces (each a clamped curve of the same degree with degree + 1 control
    // points); new curves, owned by the caller, appended to out in parameter order.
    void DecomposeToBezier(std::vector<CNurbsCurve2d*>& out) const;

    int Type() const override { return GT_NURBS; }
    CNurbsCurve2d* Clone() const override;
    CBox2<double> Box() const override;
    void Move(const CVec2<double>& offset) override;
    void Rotate(const CVec2<double>& centre, double angle) override;
    // Any non-singular matrix, perspective included (weights absorb the homogeneous term).
    bool Transform(const CMatrix4<double>& m) override;
    std::string AsString() const override;

    double StartT() const override;
    double EndT() const override;
    // Trims the curve at t (knot insertion); t must lie inside the current domain.
    bool SetStartT(double t) override;
    bool SetEndT(double t) override;
    CVec2<double> GetPoint(double t) const override;
    CVec2<double> GetDeriv1(double t) const override;
    CVec2<double> GetDeriv2(double t) const override;
    // Control polygon length.
    double ApprLength() const override;
    // Integrated span by span (the speed is smooth inside a knot span, not across it).
    double LengthBetween(double t0, double t1) const override;
    double GetNearestT(const CVec2<double>& p, double tol) const override;
    int Monotonicity() const override;
    void Reverse() override;
    CNurbsCurve2d* NurbsCurve() const override;

private:
    int m_degree = 1;
    std::vector<CVec2<double>> m_ctrl;
    std::vector<double> m_weights;
    std::vector<double> m_knots;
    int m_descents = 0;  // adjacent knot pairs out of order; 0 when m_knots is non-decreasing
};

}  // namespace zgp
