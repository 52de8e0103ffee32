// zcs: the dispatch of equations.h: validating a constraint, handing it to its family to choose
// and start its form, and routing the evaluation of each form to the family that owns it.
#include "equations.h"

#include <cmath>

#include "equation_families.h"

namespace zcs::detail {

namespace {

bool Fail(ConsRec& c) {
    c.valid = false;
    c.form = Form::None;
    c.rows = 0;
    c.naux = 0;
    return false;
}

int RowCount(const Model& m, const ConsRec& c) {
    switch (c.form) {
    case Form::None:
        return 0;
    case Form::Coincident:
    case Form::PointOnFrame:
    case Form::FrameDistance:
    case Form::ParallelDistance:
    case Form::EqualEllipse:
    case Form::TangentLineFrame:
    case Form::TangentCircleFrame:
    case Form::FixedPoint:
        return 2;
    case Form::TangentFrameFrame:
        return 3;
    case Form::TangentJoint:
        return 1 + c.naux;
    case Form::FixedWhole:
        return m.geoms[c.ref[0].geom].np;
    default:
        return 1;
    }
}

int AuxCount(const Model& m, const ConsRec& c) {
    if (c.form == Form::TangentJoint) return c.ref[1].type == 0 && HasFrame(m.geoms[c.ref[1].geom]) ? 1 : 0;
    switch (c.form) {
    case Form::PointOnFrame:
    case Form::FrameDistance:
    case Form::TangentLineFrame:
    case Form::TangentCircleFrame:
        return 1;
    case Form::TangentFrameFrame:
        return 2;
    default:
        return 0;
    }
}

enum class Family { None, Distance, Direction, Tangency, Incidence, Size };

Family FamilyOf(Form form) {
    switch (form) {
    case Form::None:
        return Family::None;
    case Form::Length:
    case Form::PointDistance:
    case Form::Projected:
    case Form::LineDistance:
    case Form::CircleDistance:
    case Form::FrameDistance:
    case Form::ParallelDistance:
        return Family::Distance;
    case Form::LineAngle:
    case Form::Parallel:
    case Form::Perpendicular:
    case Form::Sweep:
    case Form::Horizontal:
    case Form::Vertical:
    case Form::HorizontalPoints:
    case Form::VerticalPoints:
        return Family::Direction;
    case Form::TangentLineCircle:
    case Form::TangentCircleCircle:
    case Form::TangentLineFrame:
    case Form::TangentCircleFrame:
    case Form::TangentFrameFrame:
    case Form::TangentJoint:
        return Family::Tangency;
    case Form::Coincident:
    case Form::PointOnLine:
    case Form::PointOnCircle:
    case Form::PointOnFrame:
        return Family::Incidence;
    case Form::Radius:
    case Form::Diameter:
    case Form::EllipseA:
    case Form::EllipseB:
    case Form::EqualLength:
    case Form::EqualRadius:
    case Form::EqualEllipse:
    case Form::FixedPoint:
    case Form::FixedWhole:
        return Family::Size;
    }
    return Family::None;
}

bool ChooseForm(RefView& r, ConsRec& c, double size) {
    switch (c.type) {
    case ectDistance:
        return ChooseDistance(r, c, size);
    case ectAngle:
    case ectParallel:
    case ectPerpendicular:
    case ectHorizontal:
    case ectVertical:
        return ChooseDirection(r, c);
    case ectTangent:
        return ChooseTangency(r, c);
    case ectCoincident:
    case ectPointOnCurve:
        return ChooseIncidence(r, c);
    case ectRadius:
    case ectDiameter:
    case ectEllipseRadiusAlong:
    case ectEllipseRadiusAcross:
    case ectEqual:
    case ectFixed:
        return ChooseSize(r, c);
    default:
        return false;
    }
}

bool StartForm(Model& m, ConsRec& c, double size) {
    switch (FamilyOf(c.form)) {
    case Family::None:
        return true;
    case Family::Distance:
        return StartDistance(m, c, size);
    case Family::Direction:
        return StartDirection(m, c, size);
    case Family::Tangency:
        return StartTangency(m, c, size);
    case Family::Incidence:
        return StartIncidence(m, c, size);
    case Family::Size:
        return StartSize(m, c, size);
    }
    return true;
}

}  // namespace

void EvalForm(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb) {
    switch (FamilyOf(form)) {
    case Family::None:
        break;
    case Family::Distance:
        EvalDistance(m, c, form, P, rb);
        break;
    case Family::Direction:
        EvalDirection(m, c, form, P, rb);
        break;
    case Family::Tangency:
        EvalTangency(m, c, form, P, rb);
        break;
    case Family::Incidence:
        EvalIncidence(m, c, form, P, rb);
        break;
    case Family::Size:
        EvalSize(m, c, form, P, rb);
        break;
    }
}

bool ResolveConstraint(Model& m, ConsRec& c, double size) {
    c.valid = true;
    c.form = Form::None;
    c.tier = c.obj ? Tier::Soft : Tier::Hard;
    for (int i = 0; i < c.nref; ++i)
        if (c.ref[i].geom < 0) return Fail(c);
    if (!std::isfinite(c.value)) return Fail(c);
    RefView refs(m, c);
    if (!ChooseForm(refs, c, size)) return Fail(c);
    c.naux = AuxCount(m, c);
    c.rows = RowCount(m, c);
    if (!StartForm(m, c, size)) return Fail(c);
    return true;
}

int AuxCurve(const ConsRec& c, int k) { return c.form == Form::TangentFrameFrame ? k : 1; }

int BranchCount(const ConsRec& c) {
    switch (c.form) {
    case Form::LineDistance:
    case Form::CircleDistance:
    case Form::ParallelDistance:
    case Form::Projected:
    case Form::FrameDistance:
    case Form::TangentLineCircle:
    case Form::TangentJoint:
        return 2;
    case Form::TangentCircleCircle:
        return 3;
    default:
        return 1;
    }
}

int BranchOf(const ConsRec& c) {
    if (c.form == Form::TangentCircleCircle) return c.target > 0.5 ? 0 : c.sign > 0.0 ? 1 : 2;
    return BranchCount(c) > 1 && c.sign < 0.0 ? 1 : 0;
}

void SetBranch(ConsRec& c, int k) {
    if (c.form == Form::TangentCircleCircle) {
        c.target = k == 0 ? 1.0 : 0.0;
        if (k > 0) c.sign = k == 1 ? 1.0 : -1.0;
    } else if (BranchCount(c) > 1) {
        c.sign = k == 0 ? 1.0 : -1.0;
    }
}

void EvalRows(const Model& m, const ConsRec& c, const double* P, RowBuffer& out) {
    if (c.valid) EvalForm(m, c, c.form, P, out);
}

}  // namespace zcs::detail
