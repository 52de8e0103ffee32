// zcs: one system of constraints solved again and again with some of its constraints left out,
// as the conflict search does, without rebuilding its structure or its factorisation's ordering.
#pragma once

#include <utility>
#include <vector>

#include <Eigen/Sparse>

#include "ldlt.h"
#include "newton.h"

namespace zcs::detail {

// Leaving constraints out keeps their rows with zero residual and no share in the step, so the
// pattern of J J^T and its fill-reducing ordering stay those of the whole system: a subset solve
// costs its iterations only. The iterations follow NewtonSystem::Solve (the same least-norm
// steps, damping and stopping rules, and one more: a step whose linear model keeps nearly all
// of the residual ends the solve as stuck at once), so a subset holds here when a solve of it
// alone would, and a subset that cannot hold fails in few evaluations.
class SubsetSystem {
public:
    // The constraints cons (indices into m.cons, ascending). With joins (which must outlive the
    // system), the coincidences they hold are held by construction (see PointJoins): their flags
    // are not read, and every start is moved to where the joined points meet.
    SubsetSystem(const Model& m, std::vector<int> cons, const PointJoins* joins = nullptr);

    // Moves this system's parameters in P until every constraint flagged in `on` (one flag per
    // entry of cons, in order) has residuals of at most tol; the others are left out as if
    // never added. `size` bounds every single move, as in NewtonSystem::Solve.
    Outcome Solve(const std::vector<char>& on, std::vector<double>& P, double tol, double size);

    // Gauss-Newton steps from P towards the least-squares point of the flagged constraints
    // (where J^T F = 0), for constraints that cannot all hold; stops once a step no longer
    // lowers |F| by more than rounding would.
    void Polish(const std::vector<char>& on, std::vector<double>& P, double size);

    // After Solve or Polish: the residuals where it stopped (zero on rows left out) and the
    // constraint of each row.
    const Eigen::VectorXd& Residuals() const { return m_F; }
    const std::vector<int>& RowConstraint() const { return m_sys.RowConstraint(); }

private:
    Outcome Iterate(std::vector<double>& P, double tol, double size);
    void Evaluate(const double* P);
    void Analyse();
    bool Step(Eigen::VectorXd& dz, double damping, double& left);
    bool LineSearch(std::vector<double>& P, Eigen::VectorXd& dz, double size);
    bool Valid(const double* P) const;

    const Model& m_model;
    NewtonSystem m_sys;  // evaluates the rows of every constraint and their Jacobian
    std::vector<int> m_cons;
    const std::vector<char>* m_on = nullptr;   // flags of the solve under way
    std::vector<char> m_rowOn;                 // per row: its constraint takes part
    Eigen::VectorXd m_F;                       // residuals, zero on rows left out
    std::vector<int> m_outer, m_inner;         // the pattern of J the product was built for
    ProductPattern m_product;                  // J J^T + mu I over the rows taking part
    PatternLdlt m_ldlt;
    bool m_analysed = false;
    Eigen::VectorXd m_y, m_r, m_y2, m_r2, m_x0;
    std::vector<int> m_cols;  // the columns' parameters when a line search started
};

}  // namespace zcs::detail
