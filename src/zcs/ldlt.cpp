// zcs: the fixed-pattern sparse LDL^T (see ldlt.h).
#include "ldlt.h"

#include <algorithm>
#include <cmath>

#include <Eigen/OrderingMethods>

namespace zcs::detail {

void PatternLdlt::Analyse(const Eigen::SparseMatrix<double>& A) {
    // The pattern is read from the compressed arrays; a matrix still being filled is compressed
    // on a copy first.
    if (!A.isCompressed()) {
        Eigen::SparseMatrix<double> compressed(A);
        compressed.makeCompressed();
        Analyse(compressed);
        return;
    }
    const int n = m_n = static_cast<int>(A.rows());
    // The ordering of the full symmetric pattern, taken as SimplicialLDLT takes it.
    Eigen::SparseMatrix<double> full = A.selfadjointView<Eigen::Lower>();
    Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> pinv;
    Eigen::AMDOrdering<int>()(full, pinv);
    const Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int> p = pinv.inverse();
    m_new.assign(p.indices().data(), p.indices().data() + n);

    // The permuted upper triangle: entry (r, c) of the lower triangle goes to column
    // max(new r, new c), row min of the two.
    const int nnz = static_cast<int>(A.nonZeros());
    std::vector<int> colOf(nnz), rowOf(nnz), count(n + 1, 0);
    for (int c = 0; c < n; ++c)
        for (int v = A.outerIndexPtr()[c]; v < A.outerIndexPtr()[c + 1]; ++v) {
            const int i = m_new[A.innerIndexPtr()[v]], j = m_new[c];
            colOf[v] = std::max(i, j);
            rowOf[v] = std::min(i, j);
            ++count[colOf[v] + 1];
        }
    m_upBegin.assign(n + 1, 0);
    for (int k = 0; k < n; ++k) m_upBegin[k + 1] = m_upBegin[k] + count[k + 1];
    m_upRow.resize(nnz);
    m_slot.resize(nnz);
    std::vector<int> next(m_upBegin.begin(), m_upBegin.end() - 1);
    for (int v = 0; v < nnz; ++v) {
        m_slot[v] = next[colOf[v]]++;
        m_upRow[m_slot[v]] = rowOf[v];
    }
    m_up.assign(nnz, 0.0);

    // Row k of L holds the rows reached from the entries of column k of the upper triangle
    // through the elimination tree.
    std::vector<int> parent(n, -1), flag(n, -1), lCount(n, 0);
    m_rowBegin.assign(1, 0);
    m_rowPat.clear();
    for (int k = 0; k < n; ++k) {
        flag[k] = k;
        const size_t first = m_rowPat.size();
        for (int e = m_upBegin[k]; e < m_upBegin[k + 1]; ++e)
            for (int i = m_upRow[e]; i < k && flag[i] != k; i = parent[i]) {
                if (parent[i] < 0) parent[i] = k;
                flag[i] = k;
                m_rowPat.push_back(i);
                ++lCount[i];
            }
        std::sort(m_rowPat.begin() + static_cast<std::ptrdiff_t>(first), m_rowPat.end());
        m_rowBegin.push_back(static_cast<int>(m_rowPat.size()));
    }
    m_lBegin.assign(n + 1, 0);
    for (int i = 0; i < n; ++i) m_lBegin[i + 1] = m_lBegin[i] + lCount[i];
    m_lRow.resize(m_lBegin[n]);
    std::copy(m_lBegin.begin(), m_lBegin.end() - 1, next.begin());
    for (int k = 0; k < n; ++k)
        for (int e = m_rowBegin[k]; e < m_rowBegin[k + 1]; ++e) m_lRow[next[m_rowPat[e]]++] = k;
    m_l.assign(m_lRow.size(), 0.0);
    m_d.assign(n, 0.0);
    m_y.assign(n, 0.0);
    m_work.assign(n, 0.0);
}

bool PatternLdlt::Factorize(const Eigen::SparseMatrix<double>& A) {
    if (!A.isCompressed()) {
        Eigen::SparseMatrix<double> compressed(A);
        compressed.makeCompressed();
        return Factorize(compressed);
    }
    const double* a = A.valuePtr();
    for (size_t v = 0; v < m_slot.size(); ++v) m_up[m_slot[v]] = a[v];
    std::vector<int> next(m_lBegin.begin(), m_lBegin.end() - 1);
    double* y = m_y.data();
    // Up-looking: row k of L solves L(0:k, 0:k) D l = A(0:k, k) over its pattern; rows in
    // ascending order see every earlier column's share before they are used.
    for (int k = 0; k < m_n; ++k) {
        for (int e = m_upBegin[k]; e < m_upBegin[k + 1]; ++e) y[m_upRow[e]] += m_up[e];
        double d = y[k];
        y[k] = 0.0;
        for (int e = m_rowBegin[k]; e < m_rowBegin[k + 1]; ++e) {
            const int i = m_rowPat[e];
            const double yi = y[i];
            y[i] = 0.0;
            for (int q = m_lBegin[i]; q < next[i]; ++q) y[m_lRow[q]] -= m_l[q] * yi;
            const double lki = yi / m_d[i];
            d -= lki * yi;
            m_l[next[i]++] = lki;
        }
        if (d == 0.0 || !std::isfinite(d)) {
            std::fill(m_y.begin(), m_y.end(), 0.0);
            return false;
        }
        m_d[k] = d;
    }
    return true;
}

void PatternLdlt::Solve(const Eigen::VectorXd& b, Eigen::VectorXd& x) const {
    double* y = m_work.data();
    for (int i = 0; i < m_n; ++i) y[m_new[i]] = b[i];
    for (int j = 0; j < m_n; ++j)
        for (int q = m_lBegin[j]; q < m_lBegin[j + 1]; ++q) y[m_lRow[q]] -= m_l[q] * y[j];
    for (int j = 0; j < m_n; ++j) y[j] /= m_d[j];
    for (int j = m_n - 1; j >= 0; --j)
        for (int q = m_lBegin[j]; q < m_lBegin[j + 1]; ++q) y[j] -= m_l[q] * y[m_lRow[q]];
    x.resize(m_n);
    for (int i = 0; i < m_n; ++i) x[i] = y[m_new[i]];
}

}  // namespace zcs::detail
