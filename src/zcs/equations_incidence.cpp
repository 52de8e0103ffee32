// zcs: the incidence family: coincident points, and a point on a line, a circle, an ellipse or a
// NURBS curve (lines infinite, arcs and ellipses whole, a NURBS curve within its domain).
#include "equation_families.h"
#include "equation_terms.h"

namespace zcs::detail {

bool ChooseIncidence(RefView& r, ConsRec& c) {
    if (c.type == ectCoincident && r.Count() == 2 && r.IsPoint(0) && r.IsPoint(1)) {
        c.form = Form::Coincident;
        if (c.tier == Tier::Soft) c.tier = Tier::Joint;  // the sketch's connections
        return true;
    }
    if (c.type == ectCoincident && r.Count() == 2 && r.IsCurve(0) && r.IsCurve(1)) {
        c.form = Form::None;  // two whole curves only touch: no rows
        return true;
    }
    return r.PointAndCurve(Form::PointOnLine, Form::PointOnCircle, Form::PointOnFrame);
}

bool StartIncidence(Model& m, ConsRec& c, double size) {
    if (c.form == Form::PointOnFrame) {
        c.ell = OrSize(AddContacts(m, c, size), size);
        PlaceContacts(m, c);
    }
    return true;
}

void EvalIncidence(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb) {
    switch (form) {
    case Form::Coincident:  // P - Q (two rows)
        EmitCoincidence(rb, RefPoint(m, c, 0, P), RefPoint(m, c, 1, P));
        break;
    case Form::PointOnLine: {  // SD(P)
        const Lin2 p = RefPoint(m, c, 0, P);
        Lin2 a, b;
        RefEnds(m, c, 1, P, a, b);
        Row r(rb);
        r.Set(EmitSD(rb, a, b, p, 1.0));
        break;
    }
    case Form::PointOnCircle: {  // |P - C| - r
        const GeomRec& circle = RefGeom(m, c, 1);
        const Lin2 p = RefPoint(m, c, 0, P), ctr = CentreOf(circle, P);
        Row r(rb);
        const double d = EmitDist(rb, ctr, p, 1.0);
        const double rad = EmitLin(rb, ParamOf(circle, 2, P), -1.0);
        r.Set(d - rad);
        break;
    }
    case Form::PointOnFrame: {  // P - E (two rows)
        Lin2 e, t;
        FrameAt(RefGeom(m, c, 1), P, c.aux, e, t);
        EmitCoincidence(rb, RefPoint(m, c, 0, P), e);
        break;
    }
    default:
        break;
    }
}

}  // namespace zcs::detail
