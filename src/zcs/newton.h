// zcs: one system of equations (a connected part of the sketch, or a subset of its
// constraints) and its damped least-norm Gauss-Newton solve with a sparse Jacobian.
#pragma once

#include <vector>

#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>

#include "model.h"

namespace zcs::detail {

struct Outcome {
    bool converged = false;
    bool stationary = false;  // stopped where no further progress was made: a conflict
    int iterations = 0;
    double residual = 0.0;  // largest residual at the end, in drawing units
};

class NewtonSystem {
public:
    using SpMat = Eigen::SparseMatrix<double, Eigen::RowMajor>;

    // The constraints cons (indices into m.cons, ascending) and the parameters they move.
    NewtonSystem(const Model& m, std::vector<int> cons);

    // Moves this system's parameters in P until every residual is at most tol. `size` is the
    // size of the sketch part: no single step moves anything farther than that.
    Outcome Solve(std::vector<double>& P, double tol, double size);
    // Continues Gauss-Newton steps from P towards the least-squares point of the residuals
    // (where J^T F = 0), for a system whose residuals cannot all vanish.
    void Polish(std::vector<double>& P, double size);

    // Residuals and Jacobian at P. Columns are parameters measured in drawing units (angles
    // times their radius), so that a least-norm step is the least movement of the curves.
    void Evaluate(const double* P);
    const SpMat& Jacobian() const { return m_J; }
    const Eigen::VectorXd& Residuals() const { return m_F; }
    // The constraint each row comes from, and the parameter of each column.
    const std::vector<int>& RowConstraint() const { return m_rowCons; }
    const std::vector<int>& ColumnParam() const { return m_cols; }

private:
    // The least-norm step for the linearised equations, damped by `damping` relative to the
    // largest diagonal entry of J J^T; left is |F + J dz| / |F|, the share of the residual
    // that the linearised equations cannot remove.
    bool Step(Eigen::VectorXd& dz, double damping, double& left);
    // Tries P + alpha dz for alpha = 1, 1/2, ...; keeps the first point that lowers |F|.
    bool LineSearch(std::vector<double>& P, Eigen::VectorXd& dz, double size);
    void BuildStructure();
    void BuildProductPattern();
    void FormProduct(double damping);
    bool Valid(const double* P) const;
    double Stationarity() const;

    const Model& m_model;
    std::vector<int> m_cons;
    std::vector<int> m_geoms;                  // curves that can move
    std::vector<std::pair<int, int>> m_clamp;  // (parameter, curve) of NURBS curve parameters
    RowBuffer m_rb;
    std::vector<int> m_rowCons;
    std::vector<int> m_cols;                      // parameter of each column
    std::vector<int> m_colOf;                     // column of each parameter, -1 when none
    std::vector<int> m_structPrm, m_structBegin;  // the entry pattern m_J was built for
    std::vector<int> m_slot;                      // value index of each entry, -1 for constants
    SpMat m_J;
    Eigen::VectorXd m_F;
    Eigen::SparseMatrix<double> m_A;  // lower triangle of J J^T + mu I, pattern fixed
    std::vector<int> m_pairJ;         // J value indices (a, b) of each product term...
    std::vector<int> m_pairA;         // ...and the value of m_A it adds to
    std::vector<int> m_diagA;         // value index of each diagonal entry of m_A
    Eigen::VectorXd m_y, m_r, m_y2, m_r2;
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> m_ldlt;
    Eigen::VectorXd m_x0;
    bool m_patternChanged = true;
};

}  // namespace zcs::detail
