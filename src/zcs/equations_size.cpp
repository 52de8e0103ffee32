// zcs: the size family: radius, diameter and the radii of an ellipse; equal lengths, radii and
// ellipses; points and whole curves held where they start.
#include "equation_families.h"
#include "equation_terms.h"

namespace zcs::detail {

bool ChooseSize(RefView& r, ConsRec& c) {
    const int n = r.Count();
    switch (c.type) {
    case ectRadius:
    case ectDiameter:
        if (n != 1 || !r.IsArc(0) || !(c.value > 0.0)) return false;
        c.form = c.type == ectRadius ? Form::Radius : Form::Diameter;
        return true;
    case ectEllipseRadiusAlong:
    case ectEllipseRadiusAcross:
        if (n != 1 || !r.IsEllipse(0) || !(c.value > 0.0)) return false;
        c.form = c.type == ectEllipseRadiusAlong ? Form::EllipseA : Form::EllipseB;
        return true;
    case ectEqual:
        if (r.TwoLines())
            c.form = Form::EqualLength;
        else if (r.TwoArcs())
            c.form = Form::EqualRadius;
        else if (n == 2 && r.IsEllipse(0) && r.IsEllipse(1))
            c.form = Form::EqualEllipse;
        else
            return false;
        return true;
    case ectFixed:
        if (n == 1 && r.IsPoint(0))
            c.form = Form::FixedPoint;
        else if (n == 1 && r.IsCurve(0))
            c.form = Form::FixedWhole;
        else
            return false;
        return true;
    default:
        return false;
    }
}

// A fixed point or curve keeps the values it starts with.
bool StartSize(Model& m, ConsRec& c, double) {
    const double* P = m.P0.data();
    if (c.form == Form::FixedPoint) {
        const Vec p = RefPoint(m, c, 0, P).v;
        c.fixedAt = {p.x, p.y};
    } else if (c.form == Form::FixedWhole) {
        const GeomRec& g = RefGeom(m, c, 0);
        c.fixedAt.assign(P + g.off, P + g.off + g.np);
    }
    return true;
}

void EvalSize(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb) {
    const GeomRec& g0 = RefGeom(m, c, 0);
    switch (form) {
    case Form::Radius:    // r - v
    case Form::Diameter:  // 2 r - v
    case Form::EllipseA:  // a - v
    case Form::EllipseB:  // b - v
    {
        const int k = (form == Form::EllipseA) ? 3 : (form == Form::EllipseB) ? 4 : 2;
        const double f = form == Form::Diameter ? 2.0 : 1.0;
        Row r(rb);
        r.Set(f * EmitLin(rb, ParamOf(g0, k, P), f) - c.value);
        break;
    }
    case Form::EqualLength: {  // L1 - L2
        Lin2 a1, b1, a2, b2;
        RefEnds(m, c, 0, P, a1, b1);
        RefEnds(m, c, 1, P, a2, b2);
        Row r(rb);
        r.Set(EmitDist(rb, a1, b1, 1.0) - EmitDist(rb, a2, b2, -1.0));
        break;
    }
    case Form::EqualRadius:     // r1 - r2
    case Form::EqualEllipse: {  // a1 - a2 ;  b1 - b2
        const GeomRec& g1 = RefGeom(m, c, 1);
        const int first = form == Form::EqualRadius ? 2 : 3, last = form == Form::EqualRadius ? 2 : 4;
        for (int k = first; k <= last; ++k) {
            Row r(rb);
            r.Set(EmitLin(rb, ParamOf(g0, k, P), 1.0) - EmitLin(rb, ParamOf(g1, k, P), -1.0));
        }
        break;
    }
    case Form::FixedPoint: {  // P - P0 (two rows)
        const Lin2 p = RefPoint(m, c, 0, P);
        Row x(rb);
        rb.Add(p.gx, 1.0);
        x.Set(p.v.x - c.fixedAt[0]);
        Row y(rb);
        rb.Add(p.gy, 1.0);
        y.Set(p.v.y - c.fixedAt[1]);
        break;
    }
    case Form::FixedWhole: {  // (p - p0) scale(p) for each parameter p
        for (int k = 0; k < g0.np; ++k) {
            const int prm = g0.off + k;
            const double s = m.colScale[prm];
            Row r(rb);
            rb.Add(prm, s);
            r.Set((P[prm] - c.fixedAt[k]) * s);
        }
        break;
    }
    default:
        break;
    }
}

}  // namespace zcs::detail
