// zcs: the direction family: the angle between two lines, an arc's sweep, parallel and
// perpendicular lines, and horizontal or vertical lines and point pairs.
#include "equation_families.h"
#include "equation_terms.h"

namespace zcs::detail {

bool ChooseDirection(RefView& r, ConsRec& c) {
    const int n = r.Count();
    switch (c.type) {
    case ectAngle:
        if (n == 1 && r.IsArc(0) && !r.Geo(0).closed)
            c.form = Form::Sweep;
        else if (r.TwoLines())
            c.form = Form::LineAngle;
        else
            return false;
        return true;
    case ectParallel:
    case ectPerpendicular:
        if (!r.TwoLines()) return false;
        c.form = c.type == ectParallel ? Form::Parallel : Form::Perpendicular;
        return true;
    case ectHorizontal:
    case ectVertical: {
        const bool h = c.type == ectHorizontal;
        if (n == 1 && r.IsCurve(0) && r.IsLine(0))
            c.form = h ? Form::Horizontal : Form::Vertical;
        else if (n == 2 && r.IsPoint(0) && r.IsPoint(1))
            c.form = h ? Form::HorizontalPoints : Form::VerticalPoints;
        else
            return false;
        return true;
    }
    default:
        return false;
    }
}

// Angle rows are scaled by a length of their curves, so that their residuals are in drawing
// units like every other row.
bool StartDirection(Model& m, ConsRec& c, double size) {
    const double* P = m.P0.data();
    switch (c.form) {
    case Form::LineAngle:
    case Form::Parallel:
    case Form::Perpendicular:
        c.ell = OrSize(0.5 * (CurveScale(RefGeom(m, c, 0), P) + CurveScale(RefGeom(m, c, 1), P)), size);
        break;
    case Form::Sweep: {
        const GeomRec& arc = RefGeom(m, c, 0);
        c.target = arc.sense > 0 ? c.value : kTwoPi - c.value;
        if (!(c.target > 0.0 && c.target < kTwoPi)) return false;
        c.ell = OrSize(P[arc.off + 2], size);
        break;
    }
    default:
        break;
    }
    return true;
}

void EvalDirection(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb) {
    switch (form) {
    case Form::LineAngle:      // l wrap(ang D2 - ang D1 - v)
    case Form::Parallel:       // l wrapH(ang D2 - ang D1)
    case Form::Perpendicular:  // l wrapH(ang D2 - ang D1 - pi/2)
    {
        Lin2 a1, b1, a2, b2;
        RefEnds(m, c, 0, P, a1, b1);
        RefEnds(m, c, 1, P, a2, b2);
        Row r(rb);
        const double d = EmitAng(rb, Diff(b2, a2), c.ell) - EmitAng(rb, Diff(b1, a1), -c.ell);
        double res;
        if (form == Form::LineAngle)
            res = Wrap(d - c.value);
        else
            res = WrapH(d - (form == Form::Perpendicular ? 0.5 * kPi : 0.0));
        r.Set(c.ell * res);
        break;
    }
    case Form::Sweep: {  // l (sense (te - ts) - w)
        const GeomRec& arc = RefGeom(m, c, 0);
        Row r(rb);
        const double sense = arc.sense;
        const double te = EmitLin(rb, ParamOf(arc, 4, P), c.ell * sense);
        const double ts = EmitLin(rb, ParamOf(arc, 3, P), -c.ell * sense);
        r.Set(c.ell * (sense * (te - ts) - c.target));
        break;
    }
    case Form::Horizontal:        // By - Ay
    case Form::Vertical:          // Bx - Ax
    case Form::HorizontalPoints:  // Qy - Py
    case Form::VerticalPoints:    // Qx - Px
    {
        Lin2 a, b;
        if (form == Form::Horizontal || form == Form::Vertical)
            RefEnds(m, c, 0, P, a, b);
        else
            a = RefPoint(m, c, 0, P), b = RefPoint(m, c, 1, P);
        const bool h = form == Form::Horizontal || form == Form::HorizontalPoints;
        Row r(rb);
        rb.Add(h ? b.gy : b.gx, 1.0);
        rb.Add(h ? a.gy : a.gx, -1.0);
        r.Set(h ? b.v.y - a.v.y : b.v.x - a.v.x);
        break;
    }
    default:
        break;
    }
}

}  // namespace zcs::detail
