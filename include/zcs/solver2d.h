// zcs: the two-dimensional constraint solver interface and the factory that makes one.
// The solver moves the curves it is given in place so that the constraints hold.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "zcs/constraint.h"

namespace zcs {

// One solve: add the curves and constraints, call Solve, and on a non-zero result ask
// GetConflicts. Curves are the caller's objects and are moved in place; the solver keeps
// no reference to them and never deletes them. Constraint objects must outlive every call
// that reads them (Solve, GetConflicts and the diagnostics); destroying the solver does not
// touch them.
class ISolver2d {
public:
    // Holds a geometry still: the whole curve for a reference to the curve itself, or the
    // referenced point. The geometry is added as by AddGeometry when it is not yet known.
    virtual void AddFixedGeometry(const ZlDimRefGeometry* ref) = 0;
    // Moves the curves so that every constraint holds. On a non-zero answer no curve has moved.
    virtual EnSolveResult Solve() = 0;
    // After a failed Solve: a plain-English message and constraint objects appended to
    // conflicts (each once, in the order added). After esrConflict, the smallest set found that
    // cannot hold together, with the sketch's point-to-point coincidences and held geometry
    // taken as given (they are named only when they alone cannot hold): irreducible, so without
    // any one member the others can hold, when at most 200 constraints were in question;
    // otherwise each member is needed to first order; the message says which. After
    // esrNotConverged (or esrConflict when no such set can be shown), the constraints still
    // unmet where the solve stopped, and the message claims no conflict. After esrInvalid, the
    // constraints that do not fit their geometry. After a successful solve the message is
    // emptied and nothing is appended.
    virtual void GetConflicts(std::wstring& message, std::vector<IConstraint*>& conflicts) = 0;
    // Registers a curve (CLine2d, CArc2d, CEllipse2d or CNurbsCurve2d). The same curve may be
    // added any number of times; other geometries are ignored. Curves referenced by constraints
    // are registered on their own, so this matters only for curves that no constraint names.
    virtual void AddGeometry(zgp::CGeometry* geometry) = 0;
    // Keeps a constraint for the next Solve; the same object added again is ignored.
    virtual void AddConstraint(IConstraint* constraint) = 0;

    // ---- diagnostics, evaluated on the curves as they are now ----
    // Remaining degrees of freedom of all registered curves under the constraints.
    virtual int GetDegreesOfFreedom() = 0;
    // Remaining degrees of freedom of each curve, for hosts that mark fully constrained
    // geometry: appends (curve, freedom) for every curve the solver knows, added or named by a
    // constraint, in the order first met. The freedom is the number of independent motions of
    // the curve's own parameters that the constraints still allow, the other curves moving as
    // they must: 0 for a fully constrained or held curve, and for one that nothing binds its
    // parameter count (line 4, circle 3, arc 5, ellipse 5, elliptic arc 7, NURBS curve twice
    // its control points). Time grows about linearly with chain-like sketches.
    virtual void GetCurveFreedom(std::vector<std::pair<zgp::CGeometry*, int>>& freedom) = 0;
    // Constraints that hold but add nothing: each one's equations follow from the constraints
    // added before it. Appended in the order added.
    virtual void GetRedundantConstraints(std::vector<IConstraint*>& redundant) = 0;
    // Newton iterations of the last Solve (the most any independent part of the sketch needed).
    virtual int GetIterationCount() const = 0;
    // Largest remaining constraint residual after the last Solve, in drawing units.
    virtual double GetResidual() const = 0;

protected:
    virtual ~ISolver2d() = default;
};

}  // namespace zcs

// Makes and owns one solver. Build it on the stack; destroying it ends the solver.
class ZlSolver2dFactory {
public:
    ZlSolver2dFactory();
    ~ZlSolver2dFactory();
    ZlSolver2dFactory(const ZlSolver2dFactory&) = delete;
    ZlSolver2dFactory& operator=(const ZlSolver2dFactory&) = delete;

    // The factory's solver (always the same object).
    zcs::ISolver2d* GetSolver2d();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

namespace zcs {
using ::ZlSolver2dFactory;
}  // namespace zcs
