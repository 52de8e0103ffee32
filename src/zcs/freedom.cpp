// zcs: how free each curve still is: the dimension of the motions of its own parameters that
// the constraints leave, found by projecting random motions onto the null space of the Jacobian.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>

#include "newton.h"
#include "sketch.h"

namespace zcs::detail {

namespace {

// Extra random motions beyond the most parameters of one curve: with k motions, a direction
// of the curve that is free shows with a singular value below a fraction t of its typical size
// with a chance of about t^(k - n + 1) for n parameters, so four extra make that negligible.
constexpr int kOversampling = 4;
// Relative damping of J J^T, whose rows are normalised: keeps a singular J J^T (redundant
// rows) factorisable; the refinement rounds remove its effect on the projection.
constexpr double kDamping = 1e-12;
constexpr int kRefinements = 4;
// Singular values of a curve's projected motions above this count as free directions. The
// motions have entries of size about 0.6; a free direction shows at about that size times the
// share of the curve in the null-space vectors (1 / sqrt(points moved together) for the
// translation of a chain), rounding at about 1e-12 times the condition of J.
constexpr double kFreeThreshold = 1e-7;

// Deterministic uniform numbers in [-1, 1) (splitmix64), so the same sketch gives the same
// answer on every run and every platform.
class Uniform {
public:
    double operator()() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

private:
    uint64_t m_state = 0x5EED;
};

// The curve owning each parameter, -1 for auxiliary ones.
std::vector<int> ParamOwners(const Model& m) {
    std::vector<int> owner(m.ParamCount(), -1);
    for (size_t g = 0; g < m.geoms.size(); ++g)
        for (int k = 0; k < m.geoms[g].np; ++k) owner[m.geoms[g].off + k] = static_cast<int>(g);
    return owner;
}

// Freedom of the curves that the part's constraints move, written into free[g]. With N an
// orthonormal basis of the null space of J, curve g keeps rank(N_g) free directions, N_g the
// rows of its parameters: that is its parameter count less rank(J) - rank(J without its
// columns). Z = (I - J^+ J) U for random U (k columns, k at least each curve's parameter
// count) has Z_g = N_g (N^T U) of the same rank with probability one, and costs one sparse
// factorisation of J J^T and a few solves per column of U for the whole part: time linear in
// the size of a chain-like sketch, where J J^T factors without fill.
void PartFreedom(const Model& m, const Part& part, const std::vector<int>& owner, std::vector<int>& free) {
    NewtonSystem sys(m, part.cons);
    sys.Evaluate(m.P0.data());
    NewtonSystem::SpMat J = sys.Jacobian();
    const std::vector<int>& cols = sys.ColumnParam();
    const int n = static_cast<int>(J.cols());
    // Parameters that no row mentions are free whatever the rest does.
    std::vector<int> seen(m.geoms.size(), 0);
    for (int p : cols)
        if (owner[p] >= 0) ++seen[owner[p]];
    int widest = 0;
    for (int ci : part.cons) {
        const ConsRec& c = m.cons[ci];
        for (int i = 0; i < c.nref; ++i) {
            const int g = c.ref[i].geom;
            if (g < 0 || m.geoms[g].fixed || free[g] >= 0) continue;
            free[g] = m.geoms[g].np - seen[g];
            widest = std::max(widest, seen[g]);
        }
    }
    if (n == 0 || widest == 0) return;
    for (int r = 0; r < J.rows(); ++r) {
        const double norm = J.row(r).norm();
        if (norm > 0.0) J.row(r) /= norm;
    }
    Eigen::SparseMatrix<double> A = J * J.transpose();
    for (int r = 0; r < A.rows(); ++r) A.coeffRef(r, r) += kDamping;
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt(A);
    if (ldlt.info() != Eigen::Success) return;

    const int k = std::min(n, widest + kOversampling);
    Uniform uniform;
    Eigen::MatrixXd Z(n, k);
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < n; ++i) Z(i, j) = uniform();
    // Z -= J^T (J J^T)^-1 J Z, repeated: each round shrinks what is left of Z in the row space
    // of J by the damping's share, and rounds stop once J Z no longer halves.
    double before = HUGE_VAL;
    for (int round = 0; round < kRefinements; ++round) {
        const Eigen::MatrixXd R = J * Z;
        const double left = R.norm();
        if (!(left < 0.5 * before)) break;
        before = left;
        Z -= J.transpose() * ldlt.solve(R);
    }

    std::vector<std::vector<int>> colsOf(m.geoms.size());
    for (int c = 0; c < n; ++c)
        if (owner[cols[c]] >= 0) colsOf[owner[cols[c]]].push_back(c);
    for (size_t g = 0; g < colsOf.size(); ++g) {
        if (colsOf[g].empty()) continue;
        Eigen::MatrixXd Zg(colsOf[g].size(), k);
        for (size_t i = 0; i < colsOf[g].size(); ++i) Zg.row(i) = Z.row(colsOf[g][i]);
        const Eigen::VectorXd sv = Eigen::JacobiSVD<Eigen::MatrixXd>(Zg).singularValues();
        for (Eigen::Index i = 0; i < sv.size(); ++i)
            if (sv[i] > kFreeThreshold * std::sqrt(static_cast<double>(k))) ++free[g];
    }
}

}  // namespace

std::vector<int> CurveFreedom(const Sketch& s) {
    const Model& m = s.model;
    std::vector<int> free(m.geoms.size(), -1);
    const std::vector<int> owner = ParamOwners(m);
    for (const Part& part : s.parts) PartFreedom(m, part, owner, free);
    for (size_t g = 0; g < m.geoms.size(); ++g) {
        if (m.geoms[g].fixed)
            free[g] = 0;
        else if (free[g] < 0)
            free[g] = m.geoms[g].np;  // in no constraint's rows
    }
    return free;
}

}  // namespace zcs::detail
