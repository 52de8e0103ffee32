// zcs: the solver behind ISolver2d and its factory: collects curves and constraints, solves
// each independent part of the sketch, writes the curves back only when every part holds.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "curves.h"
#include "newton.h"
#include "part_solve.h"
#include "sketch.h"
#include "zcs/solver2d.h"
#include "zgp/curve2d.h"
#include "zgp/geometry.h"

namespace zcs::detail {

namespace {

class Solver2d final : public ISolver2d {
public:
    void AddFixedGeometry(const ZlDimRefGeometry* ref) override {
        if (!ref || !ref->GetRefGeometry()) return;
        if (ref->GetRefType() == edrCurve)
            m_in.fixedGeom[Register(ref->GetRefGeometry())] = 1;
        else
            m_in.fixedPoints.push_back(*ref);
    }

    EnSolveResult Solve() override {
        m_conflictsReady = false;
        m_failedPart = -1;
        m_iterations = 0;
        m_residual = 0.0;
        BuildSketch(m_in, m_sketch);
        if (!m_sketch.invalid.empty()) return m_result = esrInvalid;
        m_P = m_sketch.model.P0;
        bool conflict = false;
        for (size_t i = 0; i < m_sketch.parts.size() && m_failedPart < 0; ++i) {
            const PartSolve o = SolvePart(m_sketch, m_sketch.parts[i], m_P);
            m_iterations = std::max(m_iterations, o.iterations);
            m_residual = std::max(m_residual, o.residual);
            if (o.status != PartStatus::Solved) {
                m_failedPart = static_cast<int>(i);
                conflict = o.status == PartStatus::Conflict;
            }
        }
        // esrConflict only where the failed part showed a conflict; a solve that merely found no
        // solution from this start answers esrNotConverged.
        if (m_failedPart >= 0) return m_result = conflict ? esrConflict : esrNotConverged;
        const Model& m = m_sketch.model;
        for (const GeomRec& g : m.geoms)
            if (!g.fixed && CurveChanged(g, m_P.data(), m.P0.data())) WriteCurve(g, m_P.data());
        return m_result = esrSolved;
    }

    void GetConflicts(std::wstring& message, std::vector<IConstraint*>& conflicts) override {
        if (m_result == esrSolved) {
            message.clear();
            return;
        }
        if (!m_conflictsReady) FindConflicts();
        message = m_message;
        for (IConstraint* c : m_conflicts) conflicts.push_back(c);
    }

    void AddGeometry(zgp::CGeometry* geometry) override {
        if (geometry) Register(geometry);
    }

    void AddConstraint(IConstraint* constraint) override {
        if (constraint && m_consSeen.insert(constraint).second) m_in.cons.push_back(constraint);
    }

    int GetDegreesOfFreedom() override {
        Sketch s;
        BuildSketch(m_in, s);
        return DegreesOfFreedom(s);
    }

    void GetCurveFreedom(std::vector<std::pair<zgp::CGeometry*, int>>& freedom) override {
        Sketch s;
        BuildSketch(m_in, s);
        const std::vector<int> free = CurveFreedom(s);
        for (size_t g = 0; g < free.size(); ++g) freedom.emplace_back(s.model.geoms[g].curve, free[g]);
    }

    void GetRedundantConstraints(std::vector<IConstraint*>& redundant) override {
        Sketch s;
        BuildSketch(m_in, s);
        for (int ci : RedundantConstraints(s)) redundant.push_back(s.model.cons[ci].obj);
    }

    int GetIterationCount() const override { return m_iterations; }
    double GetResidual() const override { return m_residual; }

private:
    size_t Register(zgp::CGeometry* g) {
        const auto it = m_geomIndex.emplace(g, m_in.geoms.size());
        if (it.second) {
            m_in.geoms.push_back(g);
            m_in.fixedGeom.push_back(0);
        }
        return it.first->second;
    }

    // After esrConflict: the conflicting set, or, when none can be shown, what is left unmet.
    // After esrNotConverged no conflict is claimed: the constraints still unmet where the solve
    // stopped, the best point it reached.
    void FindConflicts() {
        m_conflictsReady = true;
        m_conflicts.clear();
        const Model& m = m_sketch.model;
        std::vector<int> found;
        if (m_result == esrInvalid) {
            found = m_sketch.invalid;
            m_message = InvalidMessage(m, found);
        } else if (m_failedPart >= 0) {
            const Part& part = m_sketch.parts[m_failedPart];
            Reduction how = Reduction::Irreducible;
            if (m_result == esrConflict) found = FindConflict(m_sketch, part, m_P, &how);
            if (!found.empty()) {
                m_message = ConflictMessage(m, found, how);
            } else {
                found = UnmetConstraints(m_sketch, part, m_P);
                m_message = UnmetMessage(m, found);
            }
        }
        for (int ci : found)
            if (m.cons[ci].obj) m_conflicts.push_back(m.cons[ci].obj);
    }

    Input m_in;
    std::unordered_map<zgp::CGeometry*, size_t> m_geomIndex;
    std::unordered_set<IConstraint*> m_consSeen;
    Sketch m_sketch;
    std::vector<double> m_P;
    EnSolveResult m_result = esrSolved;
    int m_failedPart = -1;
    int m_iterations = 0;
    double m_residual = 0.0;
    bool m_conflictsReady = false;
    std::wstring m_message;
    std::vector<IConstraint*> m_conflicts;
};

}  // namespace

}  // namespace zcs::detail

struct ZlSolver2dFactory::Impl {
    std::unique_ptr<zcs::detail::Solver2d> solver;
};

ZlSolver2dFactory::ZlSolver2dFactory() : m_impl(new Impl) {}
ZlSolver2dFactory::~ZlSolver2dFactory() = default;

zcs::ISolver2d* ZlSolver2dFactory::GetSolver2d() {
    if (!m_impl->solver) m_impl->solver.reset(new zcs::detail::Solver2d);
    return m_impl->solver.get();
}
