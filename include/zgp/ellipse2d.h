// zgp: CEllipse2d, an ellipse or elliptical arc.
// Centre c, unit axis u (direction of the first radius a), v = u turned a quarter turn
// counter-clockwise, second radius b, sense s (+1 / -1). The eccentric angle at parameter t is
// phi(t) = t / (s * a) and GetPoint(t) = c + a cos(phi) u + b sin(phi) v.
#pragma once

#include "zgp/curve2d.h"

namespace zgp {

class CEllipse2d : public CCurve2d {
public:
    // The empty ellipse: centre (0, 0), axis (1, 0), radii 0, range [0, 0], sense +1.
    CEllipse2d();
    // Centre, axis (normalised here), first and second radius, parameter range, direction
    // (an ArcType 1..4 or a sense +1 / -1, as for CArc2d).
    CEllipse2d(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b,
               const CInterval<double>& range, int dir);

    // Centre, axis, radii, start and end central angles (radians, measured from the axis),
    // sense. The end is moved by whole turns so that the arc runs from start to end in the
    // given sense; equal angles give the full ellipse. False for a zero axis or radii <= 0.
    bool Set(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b, double start, double end,
             int sense);
    // Centre, axis, radii, parameter range, sense.
    bool Set(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b, const CInterval<double>& range,
             int sense);

    const CVec2<double>& CenterPt() const { return m_centre; }
    void SetCenterPt(const CVec2<double>& c) { m_centre = c; }
    const CVec2<double>& Axis() const { return m_axis; }
    // Stores the fields exactly as given, without normalising: restores a saved state bit for bit.
    // The caller vouches that axis is a unit vector, a, b >= 0, range not empty, sense +1 or -1.
    void SetExact(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b,
                  const CInterval<double>& range, int sense) {
        m_centre = centre;
        m_axis = axis;
        m_a = a;
        m_b = b;
        m_range = range;
        m_sense = sense;
    }
    double MajorRadius() const { return m_a; }  // the first radius a
    double MinorRadius() const { return m_b; }  // the second radius b
    int Sense() const { return m_sense; }
    // Eccentric angle phi of parameter t (not reduced to a turn).
    double GetAngle(double t) const;
    // Parameter of eccentric angle phi (phi * s * a).
    double ParamAtAngle(double phi) const;
    // Signed sweep in eccentric angle.
    double RotateAngle() const;

    int Type() const override { return GT_ELLIPSE; }
    CEllipse2d* Clone() const override;
    CBox2<double> Box() const override;
    void Move(const CVec2<double>& offset) override;
    void Rotate(const CVec2<double>& centre, double angle) override;
    // Any non-singular affine matrix (the image of an ellipse is an ellipse; axes are
    // recomputed); perspective matrices answer false.
    bool Transform(const CMatrix4<double>& m) override;
    std::string AsString() const override;

    double StartT() const override { return m_range.low; }
    double EndT() const override { return m_range.high; }
    bool SetStartT(double t) override;
    bool SetEndT(double t) override;
    CVec2<double> GetPoint(double t) const override;
    CVec2<double> GetDeriv1(double t) const override;
    CVec2<double> GetDeriv2(double t) const override;
    double GetNearestT(const CVec2<double>& p, double tol) const override;
    bool IsClosed() const override;
    int Monotonicity() const override { return 1; }
    bool Extend(double atStart, double atEnd) override;
    void Reverse() override;
    CNurbsCurve2d* NurbsCurve() const override;

private:
    CVec2<double> m_centre;
    CVec2<double> m_axis{1.0, 0.0};
    double m_a = 0.0;
    double m_b = 0.0;
    CInterval<double> m_range;
    int m_sense = 1;
};

}  // namespace zgp
