// zcs: the pattern and the in-place values of J J^T + mu I (see product.h).
#include "product.h"

#include <algorithm>

namespace zcs::detail {

void ProductPattern::Build(const Jacobian& J) {
    const int rows = static_cast<int>(J.rows()), cols = static_cast<int>(J.cols());
    const int* outer = J.outerIndexPtr();
    const int* inner = J.innerIndexPtr();
    std::vector<std::vector<int>> byCol(cols);
    m_rowOf.resize(J.nonZeros());
    for (int r = 0; r < rows; ++r)
        for (int v = outer[r]; v < outer[r + 1]; ++v) {
            byCol[inner[v]].push_back(v);
            m_rowOf[v] = r;
        }
    std::vector<Eigen::Triplet<double>> trip;
    for (int r = 0; r < rows; ++r) trip.emplace_back(r, r, 0.0);
    m_pairJ.clear();
    for (const std::vector<int>& col : byCol)
        for (size_t a = 0; a < col.size(); ++a)
            for (size_t b = 0; b <= a; ++b) {
                const int ra = m_rowOf[col[a]], rb = m_rowOf[col[b]];
                trip.emplace_back(std::max(ra, rb), std::min(ra, rb), 0.0);
                m_pairJ.push_back(col[a]);
                m_pairJ.push_back(col[b]);
            }
    m_A.resize(rows, rows);
    m_A.setFromTriplets(trip.begin(), trip.end());
    m_A.makeCompressed();
    auto valueAt = [&](int r, int c) {
        const int* in = m_A.innerIndexPtr() + m_A.outerIndexPtr()[c];
        const int* end = m_A.innerIndexPtr() + m_A.outerIndexPtr()[c + 1];
        return static_cast<int>(std::lower_bound(in, end, r) - m_A.innerIndexPtr());
    };
    m_pairA.resize(m_pairJ.size() / 2);
    for (size_t k = 0; k < m_pairA.size(); ++k) {
        const int ra = m_rowOf[m_pairJ[2 * k]], rb = m_rowOf[m_pairJ[2 * k + 1]];
        m_pairA[k] = valueAt(std::max(ra, rb), std::min(ra, rb));
    }
    m_diagA.resize(rows);
    for (int r = 0; r < rows; ++r) m_diagA[r] = valueAt(r, r);
}

void ProductPattern::Form(const Jacobian& J, double damping, const std::vector<char>* rowOn) {
    double* a = m_A.valuePtr();
    const double* j = J.valuePtr();
    std::fill(a, a + m_A.nonZeros(), 0.0);
    if (rowOn) {
        for (size_t k = 0; k < m_pairA.size(); ++k) {
            const int va = m_pairJ[2 * k], vb = m_pairJ[2 * k + 1];
            if ((*rowOn)[m_rowOf[va]] && (*rowOn)[m_rowOf[vb]]) a[m_pairA[k]] += j[va] * j[vb];
        }
    } else {
        for (size_t k = 0; k < m_pairA.size(); ++k) a[m_pairA[k]] += j[m_pairJ[2 * k]] * j[m_pairJ[2 * k + 1]];
    }
    double maxDiag = 0.0;
    for (int d : m_diagA) maxDiag = std::max(maxDiag, a[d]);
    const double mu = std::max(damping * maxDiag, 1e-300);
    for (int d : m_diagA) a[d] += mu;
}

}  // namespace zcs::detail
