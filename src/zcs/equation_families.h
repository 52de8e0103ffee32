// zcs: the equation families, one file each, as equations.cpp dispatches to them: the form a
// constraint type takes, the form's start (branch, held values, contact points), and its rows.
#pragma once

#include <utility>

#include "curves.h"
#include "model.h"

namespace zcs::detail {

// The references of a constraint as the form choosers read them.
class RefView {
public:
    RefView(const Model& m, ConsRec& c) : m_model(m), m_cons(c) {}

    int Count() const { return m_cons.nref; }
    const GeomRec& Geo(int i) const { return m_model.geoms[m_cons.ref[i].geom]; }
    bool IsPoint(int i) const { return HasPoint(Geo(i), m_cons.ref[i].type); }
    bool IsCurve(int i) const { return m_cons.ref[i].type == 0; }
    bool IsLine(int i) const { return Geo(i).kind == GeoKind::Line; }
    bool IsArc(int i) const { return Geo(i).kind == GeoKind::Arc; }
    bool IsEllipse(int i) const { return Geo(i).kind == GeoKind::Ellipse; }
    bool IsFrame(int i) const { return HasFrame(Geo(i)); }
    bool TwoLines() const { return Count() == 2 && IsLine(0) && IsLine(1); }
    bool TwoArcs() const { return Count() == 2 && IsArc(0) && IsArc(1); }
    // A point and a curve, in either order, put as (point, curve); the form by the curve.
    bool PointAndCurve(Form onLine, Form onCircle, Form onFrame) {
        if (Count() != 2) return false;
        if (IsCurve(0) && IsPoint(1)) std::swap(m_cons.ref[0], m_cons.ref[1]);
        if (!(IsPoint(0) && IsCurve(1))) return false;
        m_cons.form = IsLine(1) ? onLine : IsArc(1) ? onCircle : onFrame;
        return true;
    }

private:
    const Model& m_model;
    ConsRec& m_cons;
};

// Each family has three parts:
//   Choose...  sets c.form for the constraint types of the family from their references (and
//              orders the references as the form reads them); false when they do not fit.
//   Start...   prepares a form of the family from the start geometry in m.P0, after its row
//              and extra-unknown counts are known: branch signs, held values, the lengths that
//              scale angle rows, and its contact points; false when the value does not fit.
//   Eval...    appends the rows of a form of the family, evaluated at P.

// Distances (equations_distance.cpp): ectDistance.
bool ChooseDistance(RefView& r, ConsRec& c, double size);
bool StartDistance(Model& m, ConsRec& c, double size);
void EvalDistance(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb);

// Angles and directions (equations_direction.cpp): ectAngle, ectParallel, ectPerpendicular,
// ectHorizontal, ectVertical.
bool ChooseDirection(RefView& r, ConsRec& c);
bool StartDirection(Model& m, ConsRec& c, double size);
void EvalDirection(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb);

// Tangencies (equations_tangency.cpp): ectTangent.
bool ChooseTangency(RefView& r, ConsRec& c);
bool StartTangency(Model& m, ConsRec& c, double size);
void EvalTangency(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb);

// Coincidences and points on curves (equations_incidence.cpp): ectCoincident, ectPointOnCurve.
bool ChooseIncidence(RefView& r, ConsRec& c);
bool StartIncidence(Model& m, ConsRec& c, double size);
void EvalIncidence(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb);

// Sizes, equalities and fixing (equations_size.cpp): ectRadius, ectDiameter,
// ectEllipseRadiusAlong, ectEllipseRadiusAcross, ectEqual, ectFixed.
bool ChooseSize(RefView& r, ConsRec& c);
bool StartSize(Model& m, ConsRec& c, double size);
void EvalSize(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb);

// The rows of any form (equations.cpp), also for a form other than c.form while contact
// points are placed.
void EvalForm(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb);

// Contact points (contacts.cpp). AddContacts appends the c.naux extra unknowns of c to the
// model (c.aux the first), each at the start of its curve's parameter domain, and answers their
// mean length per unit of parameter. PlaceContacts then moves them to where the constraint
// holds best with the curves held still.
double AddContacts(Model& m, ConsRec& c, double size);
void PlaceContacts(Model& m, ConsRec& c);

}  // namespace zcs::detail
