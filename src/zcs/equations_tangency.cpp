// zcs: the tangency family: a line or circle touching a circle, an ellipse or NURBS curve touching
// anything, and tangency at a joint that a coincidence already binds (a condition on directions).
#include "equation_families.h"
#include "equation_terms.h"

namespace zcs::detail {

namespace {

// Angle of the tangent of side i of a TangentJoint at the contact: at its own bound end
// (type 1, 2), or at the foot of the other side's end (type 0).
double EmitContactAngle(const Model& m, const ConsRec& c, int i, const double* P, RowBuffer& rb, double k) {
    const GeomRec& g = RefGeom(m, c, i);
    const int type = c.ref[i].type;
    if (g.kind == GeoKind::Line || type != 0) return EmitAng(rb, EndTangent(g, type == 0 ? 1 : type, P), k);
    if (g.kind == GeoKind::Arc) {
        const GeomRec& other = RefGeom(m, c, 1 - i);
        return EmitAngOf(rb, PointOf(other, c.ref[1 - i].type, P), CentreOf(g, P), k) + 0.5 * kPi;
    }
    Lin2 e, t;
    FrameAt(g, P, c.aux, e, t);
    return EmitAng(rb, t, k);
}

}  // namespace

bool ChooseTangency(RefView& r, ConsRec& c) {
    if (r.Count() != 2 || r.TwoLines()) return false;
    if (c.joint) {
        // the side whose contact is the foot of the other's end goes second
        if (c.ref[0].type == 0) std::swap(c.ref[0], c.ref[1]);
        c.form = Form::TangentJoint;
        return true;
    }
    // ordered line, arc, ellipse | NURBS
    if ((r.IsArc(0) || r.IsFrame(0)) && r.IsLine(1))
        std::swap(c.ref[0], c.ref[1]);
    else if (r.IsFrame(0) && r.IsArc(1))
        std::swap(c.ref[0], c.ref[1]);
    if (r.IsLine(0) && r.IsArc(1))
        c.form = Form::TangentLineCircle;
    else if (r.TwoArcs())
        c.form = Form::TangentCircleCircle;
    else if (r.IsLine(0) && r.IsFrame(1))
        c.form = Form::TangentLineFrame;
    else if (r.IsArc(0) && r.IsFrame(1))
        c.form = Form::TangentCircleFrame;
    else if (r.IsFrame(0) && r.IsFrame(1))
        c.form = Form::TangentFrameFrame;
    else
        return false;
    c.ref[0].type = c.ref[1].type = 0;
    return true;
}

// The side of the line and the kind of touching (outside or inside) are those the start
// geometry is nearer to; contact points start where the curves come closest to touching.
bool StartTangency(Model& m, ConsRec& c, double size) {
    const double* P = m.P0.data();
    RowBuffer scratch;
    switch (c.form) {
    case Form::TangentLineCircle: {
        Lin2 a, b;
        RefEnds(m, c, 0, P, a, b);
        c.sign = SignOf(EmitSD(scratch, a, b, CentreOf(RefGeom(m, c, 1), P), 1.0));
        break;
    }
    case Form::TangentCircleCircle: {
        const GeomRec &g1 = RefGeom(m, c, 0), &g2 = RefGeom(m, c, 1);
        const double d = CentreOf(g1, P).v.DistanceTo(CentreOf(g2, P).v);
        const double r1 = P[g1.off + 2], r2 = P[g2.off + 2];
        c.target = std::abs(d - (r1 + r2)) <= std::abs(d - std::abs(r1 - r2)) ? 1.0 : 0.0;  // 1: outside
        c.sign = r1 >= r2 ? 1.0 : -1.0;
        break;
    }
    case Form::TangentLineFrame: {
        const double line = CurveScale(RefGeom(m, c, 0), P);
        c.ell = OrSize(0.5 * (line + AddContacts(m, c, size)), size);
        PlaceContacts(m, c);
        break;
    }
    case Form::TangentCircleFrame:
    case Form::TangentFrameFrame:
        c.ell = OrSize(AddContacts(m, c, size), size);
        PlaceContacts(m, c);
        break;
    case Form::TangentJoint: {
        c.ell = OrSize(0.5 * (CurveScale(RefGeom(m, c, 0), P) + CurveScale(RefGeom(m, c, 1), P)), size);
        if (c.naux > 0) {
            AddContacts(m, c, size);
            PlaceContacts(m, c);
            P = m.P0.data();
        }
        // The branch: whether the two tangents (each along its curve's parameter) run the same
        // way at the contact or opposite ways. Two bound ends make one path through the joint,
        // smooth rather than a cusp: ways of travel agree when an end meets a start and oppose
        // when like ends meet, whatever the rough start shows. A contact anywhere on a curve
        // keeps the way the tangents start.
        const int t0 = c.ref[0].type, t1 = c.ref[1].type;
        if ((t0 == edrStart || t0 == edrEnd) && (t1 == edrStart || t1 == edrEnd)) {
            c.sign = (t0 == t1 ? -1.0 : 1.0) * RefGeom(m, c, 0).sense * RefGeom(m, c, 1).sense;
        } else {
            const double d = EmitContactAngle(m, c, 0, P, scratch, 1.0) - EmitContactAngle(m, c, 1, P, scratch, 1.0);
            c.sign = std::abs(Wrap(d)) <= 0.5 * kPi ? 1.0 : -1.0;
        }
        break;
    }
    default:
        break;
    }
    return true;
}

void EvalTangency(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb) {
    switch (form) {
    case Form::TangentLineCircle: {  // s SD(C) - r
        const GeomRec& circle = RefGeom(m, c, 1);
        Lin2 a, b;
        RefEnds(m, c, 0, P, a, b);
        const Lin2 ctr = CentreOf(circle, P);
        Row r(rb);
        const double sd = EmitSD(rb, a, b, ctr, c.sign);
        r.Set(c.sign * sd - EmitLin(rb, ParamOf(circle, 2, P), -1.0));
        break;
    }
    case Form::TangentCircleCircle: {  // |C1 - C2| - (r1 + r2)  or  |C1 - C2| - s (r1 - r2)
        const GeomRec &g1 = RefGeom(m, c, 0), &g2 = RefGeom(m, c, 1);
        const Lin2 c1 = CentreOf(g1, P), c2 = CentreOf(g2, P);
        Row r(rb);
        const double d = EmitDist(rb, c1, c2, 1.0);
        const bool external = c.target > 0.5;
        const double k1 = external ? -1.0 : -c.sign, k2 = external ? -1.0 : c.sign;
        const double r1 = EmitLin(rb, ParamOf(g1, 2, P), k1), r2 = EmitLin(rb, ParamOf(g2, 2, P), k2);
        r.Set(d + k1 * r1 + k2 * r2);
        break;
    }
    case Form::TangentLineFrame: {  // SD(E) ;  l wrapH(ang T - ang D)
        Lin2 a, b, e, t;
        RefEnds(m, c, 0, P, a, b);
        FrameAt(RefGeom(m, c, 1), P, c.aux, e, t);
        Row on(rb);
        on.Set(EmitSD(rb, a, b, e, 1.0));
        Row dir(rb);
        const double d = EmitAng(rb, t, c.ell) - EmitAng(rb, Diff(b, a), -c.ell);
        dir.Set(c.ell * WrapH(d));
        break;
    }
    case Form::TangentCircleFrame: {  // |E - C| - r ;  (E - C).T/|T|
        const GeomRec& circle = RefGeom(m, c, 0);
        const Lin2 ctr = CentreOf(circle, P);
        Lin2 e, t;
        FrameAt(RefGeom(m, c, 1), P, c.aux, e, t);
        Row on(rb);
        const double d = EmitDist(rb, ctr, e, 1.0);
        on.Set(d - EmitLin(rb, ParamOf(circle, 2, P), -1.0));
        Row normal(rb);
        normal.Set(EmitDotUnit(rb, e, ctr, t, 1.0));
        break;
    }
    case Form::TangentFrameFrame: {  // E1 - E2 (two rows) ;  l wrapH(ang T2 - ang T1)
        Lin2 e1, t1, e2, t2;
        FrameAt(RefGeom(m, c, 0), P, c.aux, e1, t1);
        FrameAt(RefGeom(m, c, 1), P, c.aux + 1, e2, t2);
        EmitCoincidence(rb, e1, e2);
        Row dir(rb);
        const double d = EmitAng(rb, t2, c.ell) - EmitAng(rb, t1, -c.ell);
        dir.Set(c.ell * WrapH(d));
        break;
    }
    case Form::TangentJoint: {  // [foot (P - E).T/|T| ;]  l wrap(a1 - a2 - b)
        if (c.naux > 0) {
            Lin2 e, t;
            FrameAt(RefGeom(m, c, 1), P, c.aux, e, t);
            Row foot(rb);
            foot.Set(EmitDotUnit(rb, RefPoint(m, c, 0, P), e, t, 1.0));
        }
        Row dir(rb);
        const double d = EmitContactAngle(m, c, 0, P, rb, c.ell) - EmitContactAngle(m, c, 1, P, rb, -c.ell);
        dir.Set(c.ell * Wrap(d - (c.sign > 0.0 ? 0.0 : kPi)));
        break;
    }
    default:
        break;
    }
}

}  // namespace zcs::detail
