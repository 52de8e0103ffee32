// zcs: sparse LDL^T of a symmetric matrix whose pattern stays while its values change, as the
// matrices J J^T + mu I of one system do from step to step: ordering and pattern worked out once.
#pragma once

#include <vector>

#include <Eigen/Sparse>

namespace zcs::detail {

// The ordering is Eigen's approximate minimum degree, as SimplicialLDLT takes it; the numeric
// factorisation is the same up-looking one, without recomputing the permuted matrix or the
// pattern of each row of L every time. No pivoting: meant for positive definite matrices.
class PatternLdlt {
public:
    // Ordering, the pattern of L and where every value of A goes, for the lower triangle of A
    // (column-major, every diagonal entry present).
    void Analyse(const Eigen::SparseMatrix<double>& A);
    // A must have the pattern Analyse saw. False when a pivot is zero (or not finite).
    bool Factorize(const Eigen::SparseMatrix<double>& A);
    // x = A^-1 b with the last factorisation.
    void Solve(const Eigen::VectorXd& b, Eigen::VectorXd& x) const;

private:
    int m_n = 0;
    std::vector<int> m_new;                // position of each row of A in the ordering
    std::vector<int> m_upBegin, m_upRow;   // permuted upper triangle by columns (with diagonal)
    std::vector<int> m_slot;               // for each value of A, its entry of the upper triangle
    std::vector<double> m_up;              // its values
    std::vector<int> m_rowBegin, m_rowPat; // the pattern of each row of L (ascending, no diagonal)
    std::vector<int> m_lBegin, m_lRow;     // L by columns (strictly lower), rows ascending
    std::vector<double> m_l, m_d;
    std::vector<double> m_y;             // zero between factorisations
    mutable std::vector<double> m_work;
};

}  // namespace zcs::detail
