// zcs: the lower triangle of J J^T + mu I that every least-norm step factorises, for a fixed
// pattern of J: the pattern is worked out once, the values refilled in place for each step.
#pragma once

#include <vector>

#include <Eigen/Sparse>

namespace zcs::detail {

class ProductPattern {
public:
    using Jacobian = Eigen::SparseMatrix<double, Eigen::RowMajor>;

    // Works out the pattern of the lower triangle (with the whole diagonal) for J's pattern, and
    // for every pair of entries of J in one column the value their product adds to.
    void Build(const Jacobian& J);
    // A = D J J^T D + mu I, D the rows taking part (every row when rowOn is null); mu is damping
    // times the largest diagonal entry, at least 1e-300. J must have the pattern Build saw. A
    // row left out keeps only mu on its diagonal, so with no residual its share of a step is 0.
    void Form(const Jacobian& J, double damping, const std::vector<char>* rowOn = nullptr);
    const Eigen::SparseMatrix<double>& Matrix() const { return m_A; }

private:
    Eigen::SparseMatrix<double> m_A;
    std::vector<int> m_pairJ;  // J value indices (a, b) of each product term...
    std::vector<int> m_pairA;  // ...and the value of m_A it adds to
    std::vector<int> m_diagA;  // value index of each diagonal entry of m_A
    std::vector<int> m_rowOf;  // row of each value of J
};

}  // namespace zcs::detail
