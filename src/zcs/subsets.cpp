// zcs: subset solves for the conflict search: damped least-norm Gauss-Newton on the rows of the
// constraints taking part, over the fixed pattern of the whole system.
#include "subsets.h"

#include <algorithm>
#include <cmath>

#include "curves.h"
#include "equations.h"

namespace zcs::detail {

namespace {
// The main solve's settings (newton.cpp gives the reasons), so that a subset holds here exactly
// when a solve of it alone would say so.
constexpr int kMaxIterations = 100;
constexpr int kLineSearchSteps = 12;
constexpr double kDamping = 1e-14;
constexpr double kLeastSquaresDamping = 1e-10;
constexpr double kMaxDamping = 1e-2;
constexpr size_t kSlowSteps = 5;
constexpr int kRefinements = 8;
// A step whose linearised residual is below this share of |F| is not refined: Newton's method
// converges as fast with it, and near a solution refinement only reshuffles rounding.
constexpr double kRefined = 1e-10;
// Share of the residual that a step's linear model may keep before the solve counts as stuck.
constexpr double kNoProgress = 0.999;
}  // namespace

SubsetSystem::SubsetSystem(const Model& m, std::vector<int> cons, const PointJoins* joins)
    : m_model(m), m_sys(m, cons, joins), m_cons(std::move(cons)) {}

void SubsetSystem::Evaluate(const double* P) {
    m_sys.Evaluate(P);
    const NewtonSystem::SpMat& J = m_sys.Jacobian();
    const int rows = static_cast<int>(J.rows());
    const int nnz = static_cast<int>(J.nonZeros());
    if (!m_analysed || static_cast<int>(m_outer.size()) != rows + 1 || static_cast<int>(m_inner.size()) != nnz ||
        !std::equal(m_outer.begin(), m_outer.end(), J.outerIndexPtr()) ||
        !std::equal(m_inner.begin(), m_inner.end(), J.innerIndexPtr()))
        Analyse();
    // Rows come constraint after constraint, in the order of m_cons.
    const std::vector<int>& rc = m_sys.RowConstraint();
    m_rowOn.resize(rows);
    for (int r = 0, k = 0; r < rows; ++r) {
        while (m_cons[k] != rc[r]) ++k;
        m_rowOn[r] = (*m_on)[k];
    }
    m_F = m_sys.Residuals();
    for (int r = 0; r < rows; ++r)
        if (!m_rowOn[r]) m_F[r] = 0.0;
}

// The pattern of J J^T and the ordering of the factorisation, kept for every subset.
void SubsetSystem::Analyse() {
    const NewtonSystem::SpMat& J = m_sys.Jacobian();
    m_outer.assign(J.outerIndexPtr(), J.outerIndexPtr() + J.rows() + 1);
    m_inner.assign(J.innerIndexPtr(), J.innerIndexPtr() + J.nonZeros());
    m_product.Build(J);
    m_ldlt.Analyse(m_product.Matrix());
    m_analysed = true;
}

bool SubsetSystem::Valid(const double* P) const {
    for (int g : m_sys.Curves())
        if (!CurveValid(m_model.geoms[g], P)) return false;
    for (int p : m_sys.ColumnParam())
        if (!std::isfinite(P[p])) return false;
    return true;
}

// dz = J^T (D J J^T D + mu I)^-1 (-D F), refined towards mu = 0 as in NewtonSystem::Step; the
// refinement's residual is taken on the rows taking part only.
bool SubsetSystem::Step(Eigen::VectorXd& dz, double damping, double& left) {
    const NewtonSystem::SpMat& J = m_sys.Jacobian();
    m_product.Form(J, damping, &m_rowOn);
    if (!m_ldlt.Factorize(m_product.Matrix())) return false;
    auto residual = [&](const Eigen::VectorXd& y, Eigen::VectorXd& r) {
        r = -m_F - J * (J.transpose() * y);
        for (Eigen::Index i = 0; i < r.size(); ++i)
            if (!m_rowOn[i]) r[i] = 0.0;
    };
    m_ldlt.Solve(-m_F, m_y);
    residual(m_y, m_r);
    double rn = m_r.norm();
    const double enough = kRefined * m_F.norm();
    for (int k = 0; k < kRefinements && rn > enough; ++k) {
        m_ldlt.Solve(m_r, m_y2);
        m_y2 += m_y;
        residual(m_y2, m_r2);
        const double rn2 = m_r2.norm();
        if (!(rn2 < rn)) break;
        m_y.swap(m_y2);
        m_r.swap(m_r2);
        const bool slow = rn2 > 0.5 * rn;
        rn = rn2;
        if (slow) break;
    }
    dz = J.transpose() * m_y;
    const double f = m_F.norm();
    left = f > 0.0 ? rn / f : 0.0;
    return dz.allFinite();
}

bool SubsetSystem::LineSearch(std::vector<double>& P, Eigen::VectorXd& dz, double size) {
    const double big = dz.cwiseAbs().maxCoeff();
    if (big > size) dz *= size / big;
    m_cols = m_sys.ColumnParam();  // a new pattern may renumber the columns
    const std::vector<int>& cols = m_cols;
    const int n = static_cast<int>(cols.size());
    m_x0.resize(n);
    for (int k = 0; k < n; ++k) m_x0[k] = P[cols[k]];
    const double f2 = m_F.squaredNorm();
    double alpha = 1.0;
    for (int ls = 0; ls < kLineSearchSteps; ++ls, alpha *= 0.5) {
        for (int k = 0; k < n; ++k) P[cols[k]] = m_x0[k] + alpha * dz[k] / m_model.colScale[cols[k]];
        for (const auto& pc : m_sys.Clamps()) P[pc.first] = ClampFrameParam(m_model.geoms[pc.second], P[pc.first]);
        m_sys.Share(P);
        if (!Valid(P.data())) continue;
        Evaluate(P.data());
        if (m_F.squaredNorm() < f2) return true;
    }
    for (int k = 0; k < n; ++k) P[cols[k]] = m_x0[k];
    m_sys.Share(P);
    Evaluate(P.data());
    return false;
}

Outcome SubsetSystem::Solve(const std::vector<char>& on, std::vector<double>& P, double tol, double size) {
    m_on = &on;
    m_sys.Share(P);
    const Outcome out = Iterate(P, tol, size);
    m_on = nullptr;
    return out;
}

Outcome SubsetSystem::Iterate(std::vector<double>& P, double tol, double size) {
    Outcome out;
    Evaluate(P.data());
    double fmax = m_F.size() ? m_F.cwiseAbs().maxCoeff() : 0.0;
    if (m_sys.Jacobian().cols() == 0) {
        out.residual = fmax;
        out.converged = fmax <= tol;
        out.stationary = !out.converged;
        return out;
    }
    int stuck = 0;
    bool stalled = false;
    double left = 0.0, damping = kDamping;
    std::vector<double> history{m_F.norm()};
    Eigen::VectorXd dz;
    while (fmax > tol && out.iterations < kMaxIterations) {
        const double f2 = m_F.squaredNorm(), used = damping;
        ++out.iterations;
        if (!Step(dz, damping, left)) {
            stalled = true;
            break;
        }
        // The linearised equations keep nearly all of the residual with an undamped step: a
        // least-squares point, which a line search would only confirm, twelve evaluations later.
        if (left > kNoProgress && used <= 1e-8) break;
        if (!LineSearch(P, dz, size)) {
            stalled = true;
            break;
        }
        const double ratio = std::sqrt(m_F.squaredNorm() / f2);
        fmax = m_F.cwiseAbs().maxCoeff();
        history.push_back(m_F.norm());
        damping = ratio > 0.5 ? std::min(damping * 100.0, kMaxDamping) : std::max(damping * 0.01, kDamping);
        stuck = (ratio > 0.9 && left > 0.1 && used <= 1e-8) ? stuck + 1 : 0;
        const size_t k = history.size();
        if (stuck >= 2 || (k > kSlowSteps && history[k - 1] > 0.5 * history[k - 1 - kSlowSteps])) break;
    }
    out.residual = fmax;
    out.converged = fmax <= tol || (stalled && fmax <= 1e3 * tol);
    out.stationary = !out.converged && out.iterations < kMaxIterations;
    return out;
}

void SubsetSystem::Polish(const std::vector<char>& on, std::vector<double>& P, double size) {
    m_on = &on;
    m_sys.Share(P);
    Evaluate(P.data());
    Eigen::VectorXd dz;
    double left;
    for (int it = 0; it < kMaxIterations && m_sys.Jacobian().cols() > 0; ++it) {
        const double before = m_F.norm();
        if (!Step(dz, kLeastSquaresDamping, left) || !LineSearch(P, dz, size)) break;
        if (!(m_F.norm() < before * (1.0 - 1e-9))) break;
    }
    m_on = nullptr;
}

}  // namespace zcs::detail
