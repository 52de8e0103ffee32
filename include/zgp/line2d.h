// zgp: CLine2d, a straight segment parametrised by arc length.
// GetPoint(t) = origin + t * direction, direction a unit vector, t in [StartT(), EndT()].
#pragma once

#include "zgp/curve2d.h"

namespace zgp {

class CLine2d : public CCurve2d {
public:
    // The zero-length segment at the origin, direction (1, 0).
    CLine2d();
    // From start to end, t in [0, |end - start|]; coincident points give direction (1, 0).
    CLine2d(const CVec2<double>& start, const CVec2<double>& end);
    // From origin along dir (normalised here; zero gives (1, 0)) over the parameter range.
    CLine2d(const CVec2<double>& origin, const CVec2<double>& dir, const CInterval<double>& range);

    void Set(const CVec2<double>& start, const CVec2<double>& end);
    void Set(const CVec2<double>& origin, const CVec2<double>& dir, const CInterval<double>& range);
    const CVec2<double>& Origin() const { return m_origin; }
    const CVec2<double>& Direction() const { return m_dir; }
    // Stores the fields exactly as given, without normalising: restores a saved state bit for bit.
    // The caller vouches that dir is a unit vector and range is not empty.
    void SetExact(const CVec2<double>& origin, const CVec2<double>& dir, const CInterval<double>& range) {
        m_origin = origin;
        m_dir = dir;
        m_range = range;
    }

    // 1 when p lies left of the (infinite) line's direction, -1 right, 0 within tol of it.
    int CalPtPosition(const CVec2<double>& p, double tol) const;
    // Signed distance of p from the infinite line, positive on the left.
    double SignedDistance(const CVec2<double>& p) const { return m_dir.Cross(p - m_origin); }

    int Type() const override { return GT_LINE; }
    CLine2d* Clone() const override;
    CBox2<double> Box() const override;
    void Move(const CVec2<double>& offset) override;
    void Rotate(const CVec2<double>& centre, double angle) override;
    bool Transform(const CMatrix4<double>& m) override;
    std::string AsString() const override;

    double StartT() const override { return m_range.low; }
    double EndT() const override { return m_range.high; }
    bool SetStartT(double t) override;
    bool SetEndT(double t) override;
    CVec2<double> GetPoint(double t) const override { return m_origin + m_dir * t; }
    CVec2<double> GetDeriv1(double) const override { return m_dir; }
    CVec2<double> GetDeriv2(double) const override { return CVec2<double>(); }
    CVec2<double> StartVt() const override { return m_dir; }
    CVec2<double> EndVt() const override { return m_dir; }
    double Length() const override { return m_range.high - m_range.low; }
    double LengthBetween(double t0, double t1) const override { return t1 - t0; }
    bool PointAtLength(double t0, double length, double& t, double tol) const override;
    double LengthAtPoint(const CVec2<double>& p) const override;
    double GetNearestT(const CVec2<double>& p, double tol) const override;
    bool IsClosed() const override { return false; }
    int Monotonicity() const override { return 2; }
    bool Extend(double atStart, double atEnd) override;
    bool Offset(double d) override;
    void Reverse() override;
    CNurbsCurve2d* NurbsCurve() const override;

private:
    CVec2<double> m_origin;
    CVec2<double> m_dir{1.0, 0.0};
    CInterval<double> m_range;
};

}  // namespace zgp
