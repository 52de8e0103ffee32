// zcs: one system of equations (a connected part of the sketch, or a subset of its
// constraints) and its damped least-norm Gauss-Newton solve with a sparse Jacobian.
#pragma once

#include <vector>

#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>

#include "model.h"
#include "product.h"

namespace zcs::detail {

struct Outcome {
    bool converged = false;
    // Stopped at what looks like a least-squares point: no progress, with the linearised
    // equations themselves leaving most of the residual. Not yet a conflict: a rough start can
    // end in such a point of a sketch that has a solution elsewhere.
    bool stationary = false;
    int iterations = 0;
    double residual = 0.0;  // largest residual at the end, in drawing units
    // The part of the start's residuals (2-norm) that the linearised equations at the start
    // cannot remove: not zero only where the start's Jacobian is rank-deficient.
    double unremovable = 0.0;
    double left = 0.0;  // the share of the residual the last step's linearisation left
};

// Points that coincidences join, held together by construction: each joined coordinate moves
// with one other parameter (a held curve's, else the first of its group), so those coincidences
// hold exactly and need no rows, and a system has fewer rows and columns. Only points whose
// coordinates are parameters themselves (line ends, centres) are joined this way.
struct PointJoins {
    std::vector<int> rep;                        // per parameter of the model: the one it moves with
    std::vector<char> held;                      // per constraint of the model: holds by construction
    std::vector<std::pair<int, int>> shared;     // (parameter, the one it moves with) where they differ
    bool Empty() const { return shared.empty(); }
};
// Joins the points of the coincidences `joints` (indices into m.cons). A coincidence of two
// points of one curve, of points that are not parameters, or of two held points is left out.
PointJoins JoinPoints(const Model& m, const std::vector<int>& joints);

class NewtonSystem {
public:
    static constexpr int kLineSearchTries = 12;
    using SpMat = Eigen::SparseMatrix<double, Eigen::RowMajor>;

    // The constraints cons (indices into m.cons, ascending) and the parameters they move. With
    // joins (which must outlive the system), the coincidences it holds take no rows and the
    // parameters joined share columns; starts are to be put through Share first.
    NewtonSystem(const Model& m, std::vector<int> cons, const PointJoins* joins = nullptr);
    // Moves every joined parameter of P to the value of the one it moves with.
    void Share(std::vector<double>& P) const;

    // Moves this system's parameters in P until every residual is at most tol. `size` is the
    // size of the sketch part: no single step moves anything farther than that.
    Outcome Solve(std::vector<double>& P, double tol, double size);
    // Continuation from P, the start: solves F(P) = (1 - t) F(start) for t rising from 0 to 1
    // in stages, each started where the last one ended, so that every stage starts close to
    // where its equations hold. For starts too far from the answer for Solve. On failure P is
    // back at the start.
    Outcome Continue(std::vector<double>& P, double tol, double size);
    // Continues Gauss-Newton steps from P towards the least-squares point of the residuals
    // (where J^T F = 0), for a system whose residuals cannot all vanish, until |J^T F| is at
    // most `stationary` times |F| and the largest row norm. After each step the constraints
    // that carry little of the residual are settled on their own (see Settle). False when its
    // iterations ran out first; true also where no step descends any more.
    bool Polish(std::vector<double>& P, double size, double stationary = 1e-12);
    // The part of the residuals at P (2-norm) that the linearised equations there cannot
    // remove: not zero only where J is rank-deficient. With `only` (one flag per constraint of
    // the model), of the equations of the flagged constraints alone.
    double Unremovable(const std::vector<double>& P, const std::vector<char>* only = nullptr);
    // Whether the residual at P, where a Solve that answered `stop` ended, is one the equations
    // cannot remove from there: more than tol, J^T F = 0 (a least-squares point) and the
    // linearised equations inconsistent, F lying in the left null space of a rank-deficient J.
    // P is polished to the least-squares point first unless the solve stopped at one.
    bool LeastSquaresResidual(std::vector<double>& P, double tol, double size, const Outcome& stop);

    // Residuals and Jacobian at P. Columns are parameters measured in drawing units (angles
    // times their radius), so that a least-norm step is the least movement of the curves.
    void Evaluate(const double* P);
    const SpMat& Jacobian() const { return m_J; }
    const Eigen::VectorXd& Residuals() const { return m_F; }
    // The constraint each row comes from, and the parameter of each column.
    const std::vector<int>& RowConstraint() const { return m_rowCons; }
    const std::vector<int>& ColumnParam() const { return m_cols; }
    // Every parameter the system may move (its movable curves' and its contact points').
    const std::vector<int>& Params() const { return m_params; }
    // The curves the system may move.
    const std::vector<int>& Curves() const { return m_geoms; }
    // (parameter, curve) of the NURBS frame parameters that steps keep in range.
    const std::vector<std::pair<int, int>>& Clamps() const { return m_clamp; }

private:
    // The least-norm step for the linearised equations, damped by `damping` relative to the
    // largest diagonal entry of J J^T; left is |F + J dz| / |F|, the share of the residual
    // that the linearised equations cannot remove. Without refinement the step is the plain
    // Levenberg-Marquardt step for that damping.
    bool Step(Eigen::VectorXd& dz, double damping, double& left, bool refine = true);
    // Tries P + alpha dz for alpha = 1, 1/2, ... (at most `tries` of them); keeps the first
    // point that lowers |F|.
    bool LineSearch(std::vector<double>& P, Eigen::VectorXd& dz, double size, int tries = kLineSearchTries);
    // A step that removes the residuals of the constraints that carry little of it, keeping the
    // others to first order; true when it lowered |F|.
    bool Settle(std::vector<double>& P, double size);
    void BuildStructure();
    bool Valid(const double* P) const;
    double Stationarity() const;

    int ColumnOwner(int p) const { return m_joins ? m_joins->rep[p] : p; }

    const Model& m_model;
    const PointJoins* m_joins = nullptr;
    std::vector<int> m_cons;
    std::vector<int> m_geoms;                  // curves that can move
    std::vector<int> m_params;                 // every parameter the system can move
    std::vector<std::pair<int, int>> m_clamp;  // (parameter, curve) of NURBS curve parameters
    std::vector<int> m_wrap;                   // arcs whose end angle wraps past a full turn
    RowBuffer m_rb;
    std::vector<int> m_rowCons;
    std::vector<int> m_cols;                      // parameter of each column
    std::vector<int> m_colOf;                     // column of each parameter, -1 when none
    std::vector<int> m_structPrm, m_structBegin;  // the entry pattern m_J was built for
    std::vector<int> m_slot;                      // value index of each entry, -1 for constants
    SpMat m_J;
    Eigen::VectorXd m_F;
    Eigen::VectorXd m_shift;          // subtracted from the residuals during a continuation, else empty
    ProductPattern m_product;  // J J^T + mu I, pattern fixed with J's
    Eigen::VectorXd m_y, m_r, m_y2, m_r2;
    Eigen::VectorXd m_quiet;  // the residuals a settling step removes
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> m_ldlt;
    Eigen::VectorXd m_x0;
    bool m_patternChanged = true;
};

}  // namespace zcs::detail
