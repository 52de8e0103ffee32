// zgp: CArc2d, a circular arc (or full circle) parametrised by arc length.
// With centre c, radius r and sense s (+1 counter-clockwise, -1 clockwise), the angle at
// parameter t is theta(t) = s * t / r and GetPoint(t) = c + r * (cos theta, sin theta).
#pragma once

#include "zgp/curve2d.h"

namespace zgp {

class CArc2d : public CCurve2d {
public:
    // Turning sense and size class of an arc: 1 and 3 counter-clockwise, 2 and 4 clockwise;
    // 3 and 4 sweep more than half a turn.
    enum ArcType { CCW_SMALL = 1, CW_SMALL = 2, CCW_LARGE = 3, CW_LARGE = 4 };

    // The empty arc: centre (0, 0), radius 0, range [0, 0], counter-clockwise.
    CArc2d();
    // Centre, radius, parameter range and direction. `dir` is an ArcType (1..4) or a sense
    // (+1 / -1); only the turning sense is taken from it (2, 4 and -1 mean clockwise).
    CArc2d(const CVec2<double>& centre, double radius, const CInterval<double>& range, int dir);
    // From start to end with the given radius and type (see Set); an impossible request gives
    // the empty arc.
    CArc2d(const CVec2<double>& start, const CVec2<double>& end, double radius, int type);

    // From start to end, radius and type; the centre lies on the side that gives the type's
    // sweep (at most half a turn for 1 and 2, at least for 3 and 4). A radius shorter than half
    // the chord by more than g_DistEpsilon, coincident ends or a type outside 1..4 fail (false,
    // unchanged); a radius short by less is raised to half the chord.
    bool Set(const CVec2<double>& start, const CVec2<double>& end, double radius, int type);
    // Centre, start and end (the radius is |start - centre|; the end is projected onto the
    // circle), and sense (+1 / -1). Start and end within g_DistEpsilon give a full circle.
    // False for a zero radius.
    bool Set(const CVec2<double>& centre, const CVec2<double>& start, const CVec2<double>& end, int sense);
    // Centre, radius, parameter range, sense (+1 / -1). False for a negative radius or an
    // empty range.
    bool Set(const CVec2<double>& centre, double radius, const CInterval<double>& range, int sense);
    // Counter-clockwise from startAngle to endAngle (radians). An end not above the start is
    // raised by whole turns; equal angles give a full circle.
    bool Set(const CVec2<double>& centre, double radius, double startAngle, double endAngle);

    const CVec2<double>& CenterPt() const { return m_centre; }
    void SetCenterPt(const CVec2<double>& c) { m_centre = c; }
    double Radius() const { return m_radius; }
    // Stores the fields exactly as given, without checking: restores a saved state bit for bit.
    // The caller vouches that radius >= 0, range is not empty and sense is +1 or -1.
    void SetExact(const CVec2<double>& centre, double radius, const CInterval<double>& range, int sense) {
        m_centre = centre;
        m_radius = radius;
        m_range = range;
        m_sense = sense;
    }
    // Keeps the centre and both end angles; the parameter range scales with the radius.
    // False for a negative radius.
    bool SetRadius(double r);
    int Sense() const { return m_sense; }
    // Angles (radians) of the start and end points, theta(StartT()) and theta(EndT()).
    double StartAngle() const;
    double EndAngle() const;
    // Signed sweep: positive counter-clockwise, negative clockwise.
    double RotateAngle() const;
    ArcType GetArcType() const;
    // tan(sweep / 4), negative for a clockwise arc.
    double GetBulge() const;
    // Angle of parameter t (radians, not reduced to a turn).
    double AngleAt(double t) const;
    // Parameter of the point at angle a, the one inside [StartT(), EndT()] when there is one,
    // otherwise the one just past the nearer end.
    double ParamAtAngle(double a) const;

    int Type() const override { return GT_ARC; }
    CArc2d* Clone() const override;
    CBox2<double> Box() const override;
    void Move(const CVec2<double>& offset) override;
    void Rotate(const CVec2<double>& centre, double angle) override;
    // Similarities only (uniform scale, rotation, reflection, translation); a reflection flips
    // the sense. Other matrices answer false.
    bool Transform(const CMatrix4<double>& m) override;
    std::string AsString() const override;

    double StartT() const override { return m_range.low; }
    double EndT() const override { return m_range.high; }
    bool SetStartT(double t) override;
    bool SetEndT(double t) override;
    CVec2<double> GetPoint(double t) const override;
    CVec2<double> GetDeriv1(double t) const override;
    CVec2<double> GetDeriv2(double t) const override;
    double Length() const override { return m_range.high - m_range.low; }
    double LengthBetween(double t0, double t1) const override { return t1 - t0; }
    bool PointAtLength(double t0, double length, double& t, double tol) const override;
    double LengthAtPoint(const CVec2<double>& p) const override;
    double GetNearestT(const CVec2<double>& p, double tol) const override;
    bool IsClosed() const override;
    int Monotonicity() const override;
    bool Extend(double atStart, double atEnd) override;
    bool Offset(double d) override;
    void Reverse() override;
    CNurbsCurve2d* NurbsCurve() const override;

private:
    CVec2<double> m_centre;
    double m_radius = 0.0;
    CInterval<double> m_range;
    int m_sense = 1;
};

}  // namespace zgp
