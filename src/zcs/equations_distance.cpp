// zcs: the distance family: a line's length and the distance between points, from a point to a
// line, circle, ellipse or NURBS curve, between parallel lines, and measured along a direction.
#include "equation_families.h"
#include "equation_terms.h"

namespace zcs::detail {

bool ChooseDistance(RefView& r, ConsRec& c, double size) {
    const double v = c.value;
    const int n = r.Count();
    if (v < 0.0) return false;
    if (n == 1 && r.IsCurve(0) && r.IsLine(0)) {
        c.form = Form::Length;
    } else if (n == 2 && r.IsPoint(0) && r.IsPoint(1)) {
        c.form = v <= 1e-12 * size ? Form::Coincident : Form::PointDistance;
    } else if (n == 2 && r.IsCurve(0) && r.IsCurve(1)) {
        if (!r.TwoLines()) return false;
        c.form = Form::ParallelDistance;
    } else if (n == 3) {
        // two points and the line giving the direction, put as (point, point, line)
        int line = -1, pts = 0;
        for (int i = 0; i < 3; ++i) {
            if (r.IsCurve(i) && r.IsLine(i) && line < 0)
                line = i;
            else if (r.IsPoint(i))
                ++pts;
        }
        if (line < 0 || pts != 2) return false;
        const RefRec l = c.ref[line];
        for (int i = line; i < 2; ++i) c.ref[i] = c.ref[i + 1];
        c.ref[2] = l;
        c.form = Form::Projected;
    } else if (!r.PointAndCurve(Form::LineDistance, Form::CircleDistance, Form::FrameDistance)) {
        return false;
    }
    return true;
}

// The side each branch keeps is the one the start geometry is on.
bool StartDistance(Model& m, ConsRec& c, double size) {
    const double* P = m.P0.data();
    RowBuffer scratch;
    switch (c.form) {
    case Form::LineDistance: {
        Lin2 a, b;
        RefEnds(m, c, 1, P, a, b);
        c.sign = SignOf(EmitSD(scratch, a, b, RefPoint(m, c, 0, P), 1.0));
        break;
    }
    case Form::CircleDistance: {
        // inside the circle only when the point starts inside and the distance fits there
        const double d = RefPoint(m, c, 0, P).v.DistanceTo(CentreOf(RefGeom(m, c, 1), P).v);
        const double r = P[RefGeom(m, c, 1).off + 2];
        c.sign = (d < r && c.value < r) ? -1.0 : 1.0;
        break;
    }
    case Form::ParallelDistance: {
        Lin2 a, b;
        RefEnds(m, c, 0, P, a, b);
        c.sign = SignOf(EmitSD(scratch, a, b, PointOf(RefGeom(m, c, 1), 3, P), 1.0));
        break;
    }
    case Form::Projected: {
        Lin2 a, b;
        RefEnds(m, c, 2, P, a, b);
        const Vec d = RefPoint(m, c, 1, P).v - RefPoint(m, c, 0, P).v;
        c.sign = SignOf(d.Dot(b.v - a.v));
        break;
    }
    case Form::FrameDistance: {
        c.ell = OrSize(AddContacts(m, c, size), size);
        PlaceContacts(m, c);
        P = m.P0.data();
        Lin2 e, t;
        FrameAt(RefGeom(m, c, 1), P, c.aux, e, t);
        const Lin2 p = RefPoint(m, c, 0, P);
        c.sign = SignOf(t.v.Cross(p.v - e.v));
        break;
    }
    default:
        break;
    }
    return true;
}

void EvalDistance(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb) {
    const double v = c.value;
    switch (form) {
    case Form::Length: {  // L - v
        Lin2 a, b;
        RefEnds(m, c, 0, P, a, b);
        Row r(rb);
        r.Set(EmitDist(rb, a, b, 1.0) - v);
        break;
    }
    case Form::PointDistance: {  // |Q - P| - v
        const Lin2 p = RefPoint(m, c, 0, P), q = RefPoint(m, c, 1, P);
        Row r(rb);
        r.Set(EmitDist(rb, p, q, 1.0) - v);
        break;
    }
    case Form::LineDistance: {  // s SD(P) - v
        const Lin2 p = RefPoint(m, c, 0, P);
        Lin2 a, b;
        RefEnds(m, c, 1, P, a, b);
        Row r(rb);
        const double sd = EmitSD(rb, a, b, p, c.sign);
        r.Set(c.sign * sd - v);
        break;
    }
    case Form::CircleDistance: {  // s (|P - C| - r) - v
        const GeomRec& circle = RefGeom(m, c, 1);
        const Lin2 p = RefPoint(m, c, 0, P), ctr = CentreOf(circle, P);
        const double s = c.sign;
        Row r(rb);
        const double d = EmitDist(rb, ctr, p, s);
        const double rad = EmitLin(rb, ParamOf(circle, 2, P), -s);
        r.Set(s * (d - rad) - v);
        break;
    }
    case Form::FrameDistance: {  // foot (P - E).T/|T| ;  s T x (P - E)/|T| - v
        const Lin2 p = RefPoint(m, c, 0, P);
        Lin2 e, t;
        FrameAt(RefGeom(m, c, 1), P, c.aux, e, t);
        Row foot(rb);
        foot.Set(EmitDotUnit(rb, p, e, t, 1.0));
        Row dist(rb);
        dist.Set(c.sign * EmitCrossUnit(rb, p, e, t, c.sign) - v);
        break;
    }
    case Form::ParallelDistance: {  // s SD1(A2) - v ;  s SD1(B2) - v
        Lin2 a1, b1, a2, b2;
        RefEnds(m, c, 0, P, a1, b1);
        RefEnds(m, c, 1, P, a2, b2);
        Row r1(rb);
        r1.Set(c.sign * EmitSD(rb, a1, b1, a2, c.sign) - v);
        Row r2(rb);
        r2.Set(c.sign * EmitSD(rb, a1, b1, b2, c.sign) - v);
        break;
    }
    case Form::Projected: {  // (Q - P).D/L - s v
        const Lin2 p = RefPoint(m, c, 0, P), q = RefPoint(m, c, 1, P);
        Lin2 a, b;
        RefEnds(m, c, 2, P, a, b);
        Row r(rb);
        r.Set(EmitDotUnit(rb, q, p, Diff(b, a), 1.0) - c.sign * v);
        break;
    }
    default:
        break;
    }
}

}  // namespace zcs::detail
