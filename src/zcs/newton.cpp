// zcs: sparse least-norm Gauss-Newton. Each step solves (J J^T + mu I) y = -F by a sparse
// LDL^T factorisation (refined towards mu = 0) and moves by J^T y, the smallest move
// that satisfies the linearised equations; a backtracking line search keeps it descending.
#include "newton.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "curves.h"
#include "equations.h"

namespace zcs::detail {

namespace {
constexpr int kMaxIterations = 100;
// Damping of J J^T relative to its largest diagonal entry: small enough to sit below the
// smallest eigenvalues of long chained sketches (their condition grows with the square of
// their length), large enough to keep the factorisation of a singular J J^T defined. Where
// the residuals cannot vanish, a larger damping keeps the steps to the least-squares point
// clear of the rounding that a tiny one amplifies along the null space of J^T.
constexpr double kDamping = 1e-14;
constexpr double kLeastSquaresDamping = 1e-10;
constexpr double kMaxDamping = 1e-2;
// Polishing damps up to this: its steps are then short steepest-descent steps, and where none
// of them descends the point is stationary to rounding.
constexpr double kMaxPolishDamping = 1e6;
// A solve that has not halved its residual over this many iterations gives up.
constexpr size_t kSlowSteps = 5;
constexpr int kRefinements = 8;
// Continuation: the first stage goes half way; stages double after one that took at most
// kEasyStage iterations and shrink to a quarter after a failure, down to kSmallestStage. Its
// iterations in all stop at kContinuationIterations.
constexpr double kFirstStage = 0.5;
constexpr int kEasyStage = 3;
constexpr double kSmallestStage = 1.0 / 1024;
constexpr int kContinuationIterations = 400;
constexpr double kStageTolerance = 1e-3;
// A least-squares point: |J^T F| below this share of |F| times the largest row norm (or the
// second, tighter one near a singular J); and the linearised equations leave at least
// kInconsistent of |F|.
constexpr double kLeastSquaresPoint = 1e-4;
constexpr double kSingularLeastSquaresPoint = 1e-10;
constexpr double kInconsistent = 0.5;
// Polishing: constraints whose residual is at most this share of the largest constraint's are
// settled on their own after each step, with a line search of kSettleTries halvings.
constexpr double kQuiet = 0.1;
constexpr int kSettleTries = 4;
}  // namespace

namespace {

// The parameters (x, y) of a point that are its coordinates themselves, or false.
bool PointParams(const Model& m, const RefRec& ref, int& x, int& y) {
    const Lin2 q = PointOf(m.geoms[ref.geom], ref.type, m.P0.data());
    if (q.gx.n != 1 || q.gy.n != 1 || q.gx.d[0] != 1.0 || q.gy.d[0] != 1.0) return false;
    x = q.gx.p[0];
    y = q.gy.p[0];
    return q.v.x == m.P0[x] && q.v.y == m.P0[y] && m.colScale[x] == 1.0 && m.colScale[y] == 1.0;
}

}  // namespace

PointJoins JoinPoints(const Model& m, const std::vector<int>& joints) {
    PointJoins j;
    const int n = m.ParamCount();
    j.held.assign(m.cons.size(), 0);
    // Groups of parameters by union-find; each root knows its held parameter, if any.
    std::vector<int> up(n), fixedOf(n, -1);
    for (int p = 0; p < n; ++p) {
        up[p] = p;
        if (m.isConst[p]) fixedOf[p] = p;
    }
    auto root = [&](int p) {
        while (up[p] != p) p = up[p] = up[up[p]];
        return p;
    };
    bool any = false;
    for (int ci : joints) {
        const ConsRec& c = m.cons[ci];
        int ax, ay, bx, by;
        if (c.form != Form::Coincident || c.nref != 2 || c.ref[0].geom == c.ref[1].geom ||
            !PointParams(m, c.ref[0], ax, ay) || !PointParams(m, c.ref[1], bx, by))
            continue;
        const int rx[2] = {root(ax), root(bx)}, ry[2] = {root(ay), root(by)};
        if ((rx[0] != rx[1] && fixedOf[rx[0]] >= 0 && fixedOf[rx[1]] >= 0) ||
            (ry[0] != ry[1] && fixedOf[ry[0]] >= 0 && fixedOf[ry[1]] >= 0))
            continue;  // two held points: whether they meet is for the rows to tell
        for (const int* r : {rx, ry})
            if (r[0] != r[1]) {
                const int lo = std::min(r[0], r[1]), hi = std::max(r[0], r[1]);
                up[hi] = lo;
                if (fixedOf[lo] < 0) fixedOf[lo] = fixedOf[hi];
            }
        j.held[ci] = 1;
        any = true;
    }
    j.rep.resize(n);
    for (int p = 0; p < n; ++p) {
        const int r = root(p);
        j.rep[p] = fixedOf[r] >= 0 ? fixedOf[r] : r;  // the root is the group's first parameter
        if (any && j.rep[p] != p) j.shared.emplace_back(p, j.rep[p]);
    }
    return j;
}

NewtonSystem::NewtonSystem(const Model& m, std::vector<int> cons, const PointJoins* joins)
    : m_model(m), m_joins(joins && !joins->Empty() ? joins : nullptr), m_cons(std::move(cons)) {
    std::vector<char> seen(m.geoms.size(), 0);
    for (int ci : m_cons) {
        const ConsRec& c = m.cons[ci];
        for (int i = 0; i < c.nref; ++i) {
            const int g = c.ref[i].geom;
            if (g >= 0 && !seen[g] && !m.geoms[g].fixed) {
                seen[g] = 1;
                m_geoms.push_back(g);
            }
        }
        for (int k = 0; k < c.naux; ++k) {
            const int g = c.ref[AuxCurve(c, k)].geom;
            if (m.geoms[g].kind == GeoKind::Nurbs) m_clamp.emplace_back(c.aux + k, g);
            m_params.push_back(c.aux + k);
        }
    }
    for (int g : m_geoms)
        for (int k = 0; k < m.geoms[g].np; ++k) m_params.push_back(m.geoms[g].off + k);
    if (m_joins)
        m_cons.erase(std::remove_if(m_cons.begin(), m_cons.end(), [&](int ci) { return m_joins->held[ci] != 0; }),
                     m_cons.end());
}

void NewtonSystem::Share(std::vector<double>& P) const {
    if (m_joins)
        for (const auto& pq : m_joins->shared) P[pq.first] = P[pq.second];
}

void NewtonSystem::Evaluate(const double* P) {
    m_rb.Clear();
    int row = 0;
    for (int ci : m_cons) {
        EvalRows(m_model, m_model.cons[ci], P, m_rb);
        const int rows = m_rb.Rows();
        if (static_cast<int>(m_rowCons.size()) < rows) m_rowCons.resize(rows);
        for (; row < rows; ++row) m_rowCons[row] = ci;
    }
    m_rowCons.resize(row);
    m_rb.Close();
    if (m_rb.prm != m_structPrm || m_rb.rowBegin != m_structBegin) BuildStructure();
    double* values = m_J.valuePtr();
    std::fill(values, values + m_J.nonZeros(), 0.0);
    const int n = static_cast<int>(m_rb.prm.size());
    for (int e = 0; e < n; ++e)
        if (m_slot[e] >= 0) values[m_slot[e]] += m_rb.coef[e] / m_model.colScale[m_rb.prm[e]];
    m_F = Eigen::Map<const Eigen::VectorXd>(m_rb.res.data(), m_rb.Rows());
    if (m_shift.size() == m_F.size()) m_F -= m_shift;
}

// The pattern of J: one column per parameter that is not constant and appears in an entry,
// one value per (row, column), and for every entry the value it adds into.
void NewtonSystem::BuildStructure() {
    m_structPrm = m_rb.prm;
    m_structBegin = m_rb.rowBegin;
    if (m_colOf.empty()) m_colOf.assign(m_model.ParamCount(), -1);
    for (int p : m_cols) m_colOf[p] = -1;
    m_cols.clear();
    const int rows = m_rb.Rows(), n = static_cast<int>(m_rb.prm.size());
    std::vector<Eigen::Triplet<double>> trip;
    trip.reserve(n);
    for (int r = 0; r < rows; ++r)
        for (int e = m_rb.rowBegin[r]; e < m_rb.rowBegin[r + 1]; ++e) {
            const int p = ColumnOwner(m_rb.prm[e]);
            if (m_model.isConst[p]) continue;
            if (m_colOf[p] < 0) {
                m_colOf[p] = static_cast<int>(m_cols.size());
                m_cols.push_back(p);
            }
            trip.emplace_back(r, m_colOf[p], 0.0);
        }
    m_J.resize(rows, static_cast<Eigen::Index>(m_cols.size()));
    m_J.setFromTriplets(trip.begin(), trip.end());
    m_J.makeCompressed();
    m_slot.assign(n, -1);
    const int* outer = m_J.outerIndexPtr();
    const int* inner = m_J.innerIndexPtr();
    for (int r = 0; r < rows; ++r)
        for (int e = m_rb.rowBegin[r]; e < m_rb.rowBegin[r + 1]; ++e) {
            const int p = ColumnOwner(m_rb.prm[e]);
            if (m_model.isConst[p]) continue;
            const int* pos = std::lower_bound(inner + outer[r], inner + outer[r + 1], m_colOf[p]);
            m_slot[e] = static_cast<int>(pos - inner);
        }
    // Arcs whose end angle is a column wrap past a full turn (and are put back with it).
    m_wrap.clear();
    for (int g : m_geoms) {
        const int end = EndAngleParam(m_model.geoms[g]);
        if (end >= 0 && m_colOf[end] >= 0) m_wrap.push_back(g);
    }
    m_product.Build(m_J);
    m_patternChanged = true;
}

bool NewtonSystem::Valid(const double* P) const {
    for (int g : m_geoms)
        if (!CurveValid(m_model.geoms[g], P)) return false;
    for (int k = 0; k < m_J.cols(); ++k)
        if (!std::isfinite(P[m_cols[k]])) return false;
    return true;
}

// dz = J^T (J J^T + mu I)^-1 (-F), refined towards mu = 0. Rows that depend on others make
// J J^T singular; mu keeps the factorisation defined, and the parts of y it cannot fix lie
// in the null space of J^T, which the product J^T y removes.
bool NewtonSystem::Step(Eigen::VectorXd& dz, double damping, double& left, bool refine) {
    m_product.Form(m_J, damping);
    if (m_patternChanged) {
        m_ldlt.analyzePattern(m_product.Matrix());
        m_patternChanged = false;
    }
    m_ldlt.factorize(m_product.Matrix());
    if (m_ldlt.info() != Eigen::Success) return false;
    // Refinement: each round shrinks the error of y by mu / (lambda + mu) on every direction
    // of J J^T with eigenvalue lambda; rounds stop once they no longer halve the residual (what
    // is left then lies in the null space of J^T, which no y can remove).
    m_y = m_ldlt.solve(-m_F);
    m_r = -m_F - m_J * (m_J.transpose() * m_y);
    double rn = m_r.norm();
    for (int k = 0; refine && k < kRefinements && rn > 0.0; ++k) {
        m_y2 = m_y + m_ldlt.solve(m_r);
        m_r2 = -m_F - m_J * (m_J.transpose() * m_y2);
        const double rn2 = m_r2.norm();
        if (!(rn2 < rn)) break;
        m_y.swap(m_y2);
        m_r.swap(m_r2);
        const bool slow = rn2 > 0.5 * rn;
        rn = rn2;
        if (slow) break;
    }
    dz = m_J.transpose() * m_y;
    const double f = m_F.norm();
    left = f > 0.0 ? rn / f : 0.0;
    return dz.allFinite();
}

// |J^T F| / (|F| max row norm): zero at a least-squares point.
double NewtonSystem::Stationarity() const {
    const double f = m_F.norm();
    if (!(f > 0.0)) return 0.0;
    double rowMax = 0.0;
    for (int r = 0; r < m_J.rows(); ++r) rowMax = std::max(rowMax, m_J.row(r).norm());
    if (!(rowMax > 0.0)) return 0.0;
    return (m_J.transpose() * m_F).norm() / (f * rowMax);
}

bool NewtonSystem::LineSearch(std::vector<double>& P, Eigen::VectorXd& dz, double size, int tries) {
    const double big = dz.cwiseAbs().maxCoeff();
    if (big > size) dz *= size / big;
    const int n = static_cast<int>(m_cols.size());
    const std::vector<int> cols = m_cols;  // a new pattern may renumber the columns
    m_x0.resize(n);
    for (int k = 0; k < n; ++k) m_x0[k] = P[cols[k]];
    const double f2 = m_F.squaredNorm();
    double alpha = 1.0;
    for (int ls = 0; ls < tries; ++ls, alpha *= 0.5) {
        for (int k = 0; k < n; ++k) P[cols[k]] = m_x0[k] + alpha * dz[k] / m_model.colScale[cols[k]];
        for (const auto& pc : m_clamp) P[pc.first] = ClampFrameParam(m_model.geoms[pc.second], P[pc.first]);
        for (int g : m_wrap) WrapFullTurns(m_model.geoms[g], P.data());
        Share(P);
        if (!Valid(P.data())) continue;
        Evaluate(P.data());
        if (m_F.squaredNorm() < f2) return true;
    }
    for (int k = 0; k < n; ++k) P[cols[k]] = m_x0[k];
    Share(P);
    Evaluate(P.data());
    return false;
}

Outcome NewtonSystem::Solve(std::vector<double>& P, double tol, double size) {
    Outcome out;
    Evaluate(P.data());
    double fmax = m_F.size() ? m_F.cwiseAbs().maxCoeff() : 0.0;
    if (m_J.cols() == 0) {  // nothing here can move: the residuals are what they are
        out.residual = fmax;
        out.converged = fmax <= tol;
        out.stationary = !out.converged;
        out.unremovable = m_F.norm();
        out.left = 1.0;
        return out;
    }
    int stuck = 0;
    bool stalled = false;
    double left = 0.0, damping = kDamping;
    std::vector<double> history{std::sqrt(m_F.squaredNorm())};
    Eigen::VectorXd dz;
    while (fmax > tol && out.iterations < kMaxIterations) {
        const double f2 = m_F.squaredNorm(), used = damping;
        ++out.iterations;
        const bool stepped = Step(dz, damping, left);
        if (out.iterations == 1) out.unremovable = left * std::sqrt(f2);
        if (!stepped || !LineSearch(P, dz, size)) {
            stalled = true;
            break;
        }
        const double ratio = std::sqrt(m_F.squaredNorm() / f2);
        fmax = m_F.cwiseAbs().maxCoeff();
        history.push_back(std::sqrt(m_F.squaredNorm()));
        // Levenberg-Marquardt: poor progress means the linearisation is not to be trusted this
        // far (near a singular configuration, say), so damp more; good progress, damp less.
        damping = ratio > 0.5 ? std::min(damping * 100.0, kMaxDamping) : std::max(damping * 0.01, kDamping);
        // No progress while the linearised equations themselves leave most of the residual
        // (with a step damped too little to explain that): a least-squares point, where the
        // constraints cannot all hold near here. Or no real progress for several steps.
        stuck = (ratio > 0.9 && left > 0.1 && used <= 1e-8) ? stuck + 1 : 0;
        out.left = left;
        const size_t k = history.size();
        if (stuck >= 2) {
            out.stationary = true;
            break;
        }
        if (k > kSlowSteps && history[k - 1] > 0.5 * history[k - 1 - kSlowSteps]) break;
    }
    out.residual = fmax;
    out.converged = fmax <= tol || (stalled && fmax <= 1e3 * tol);
    if (out.converged) out.stationary = false;
    return out;
}

Outcome NewtonSystem::Continue(std::vector<double>& P, double tol, double size) {
    Outcome out;
    m_shift.resize(0);
    Evaluate(P.data());
    const Eigen::VectorXd F0 = m_F;
    const double f0 = F0.size() ? F0.cwiseAbs().maxCoeff() : 0.0;
    std::vector<double> start(m_params.size()), last(m_params.size());
    for (size_t k = 0; k < m_params.size(); ++k) start[k] = P[m_params[k]];
    double t = 0.0, dt = kFirstStage;
    while (out.iterations < kContinuationIterations) {
        const double t1 = dt >= 1.0 - t ? 1.0 : t + dt;
        for (size_t k = 0; k < m_params.size(); ++k) last[k] = P[m_params[k]];
        m_shift = (1.0 - t1) * F0;
        // Stages before the last only need to stay near the path: to a small share of the
        // change of the residuals over the stage.
        const double stageTol = t1 < 1.0 ? std::max(tol, kStageTolerance * (t1 - t) * f0) : tol;
        const Outcome o = Solve(P, stageTol, size);
        out.iterations += o.iterations;
        if (o.converged && (t1 >= 1.0 || o.residual <= stageTol)) {
            t = t1;
            if (t >= 1.0) {
                out.converged = true;
                break;
            }
            if (o.iterations <= kEasyStage) dt *= 2.0;
        } else {
            for (size_t k = 0; k < m_params.size(); ++k) P[m_params[k]] = last[k];
            dt *= 0.25;
            if (dt < kSmallestStage) break;
        }
    }
    m_shift.resize(0);
    if (!out.converged)
        for (size_t k = 0; k < m_params.size(); ++k) P[m_params[k]] = start[k];
    Evaluate(P.data());
    out.residual = m_F.size() ? m_F.cwiseAbs().maxCoeff() : 0.0;
    return out;
}

// Levenberg-Marquardt on |F|^2, its damping set by how well the linearisation predicted each
// step's gain: steps turn towards the steepest descent where the linearisation fails (near a
// singular J, as at the least-squares point of a conflict), so that they keep descending.
bool NewtonSystem::Polish(std::vector<double>& P, double size, double stationary) {
    Evaluate(P.data());
    if (m_J.cols() == 0) return true;
    Eigen::VectorXd dz;
    double left = 0.0, damping = kLeastSquaresDamping;
    for (int it = 0; it < kMaxIterations && Stationarity() > stationary; ++it) {
        const double f2 = m_F.squaredNorm();
        if (Step(dz, damping, left, false) && LineSearch(P, dz, size, 1)) {
            const double predicted = f2 * (1.0 - left * left), gain = f2 - m_F.squaredNorm();
            const double rho = predicted > 0.0 ? gain / predicted : 0.0;
            const double c = 2.0 * rho - 1.0;
            damping = std::max(damping * std::max(1.0 / 3.0, 1.0 - c * c * c), kLeastSquaresDamping);
            // Undamped steps settle every row the linearisation can; damped ones may crawl.
            if (damping > kLeastSquaresDamping) Settle(P, size);
        } else {
            damping *= 10.0;
            if (damping > kMaxPolishDamping) return true;  // no descent left: stationary
        }
    }
    return Stationarity() <= stationary;
}

// The Levenberg-Marquardt damping that keeps the polishing steps descending is set by the
// equations that carry the residual: where the residual cannot vanish, their linearisation
// misses the curvature the residual gives them, most along directions in which J is nearly
// singular (a triangle that cannot close lying flat). The same damping slows the equations that
// hold nearly everywhere but in a few rows to a crawl where they are poorly conditioned (a long
// chain whose end a conflict pulled off). This step solves those quiet rows on their own: the
// least-norm move that removes their residuals while leaving the others' unchanged to first
// order, so it moves nothing along directions that only the loud rows see.
bool NewtonSystem::Settle(std::vector<double>& P, double size) {
    const int rows = static_cast<int>(m_F.size());
    m_quiet.setZero(rows);
    // The constraints' rows are consecutive: [begin, end) and the sum of squares of each.
    std::vector<std::pair<int, double>> spans;
    double loudest = 0.0;
    for (int r = 0; r < rows;) {
        int e = r;
        double sum = 0.0;
        for (; e < rows && m_rowCons[e] == m_rowCons[r]; ++e) sum += m_F[e] * m_F[e];
        spans.emplace_back(e, sum);
        loudest = std::max(loudest, sum);
        r = e;
    }
    bool any = false;
    for (int r = 0, k = 0; r < rows; r = spans[k++].first)
        if (spans[k].second > 0.0 && spans[k].second <= kQuiet * kQuiet * loudest) {
            m_quiet.segment(r, spans[k].first - r) = m_F.segment(r, spans[k].first - r);
            any = true;
        }
    if (!any) return false;
    m_F.swap(m_quiet);  // Step aims at removing m_F
    Eigen::VectorXd dz;
    double left = 0.0;
    const bool stepped = Step(dz, kLeastSquaresDamping, left);
    m_F.swap(m_quiet);
    return stepped && LineSearch(P, dz, size, kSettleTries);
}

double NewtonSystem::Unremovable(const std::vector<double>& P, const std::vector<char>* only) {
    Evaluate(P.data());
    if (only) {  // the other rows drop out: zero residual, zero gradient, the same pattern
        for (int r = 0; r < m_J.rows(); ++r)
            if (!(*only)[m_rowCons[r]]) {
                m_F[r] = 0.0;
                double* v = m_J.valuePtr();
                std::fill(v + m_J.outerIndexPtr()[r], v + m_J.outerIndexPtr()[r + 1], 0.0);
            }
    }
    if (m_J.cols() == 0) return m_F.norm();
    Eigen::VectorXd dz;
    double left = 0.0;
    return Step(dz, kDamping, left) ? left * m_F.norm() : m_F.norm();
}

bool NewtonSystem::LeastSquaresResidual(std::vector<double>& P, double tol, double size, const Outcome& stop) {
    Evaluate(P.data());
    if (!(m_F.size() && m_F.cwiseAbs().maxCoeff() > tol)) return false;
    if (m_J.cols() == 0) return true;
    if (stop.stationary && stop.left >= kInconsistent && Stationarity() <= kLeastSquaresPoint) return true;
    // Near a singular J a small |J^T F| may come from small singular values rather than from F
    // lying outside the range of J: polishing on then shows which.
    Eigen::VectorXd dz;
    for (double stationary : {kLeastSquaresPoint, kSingularLeastSquaresPoint}) {
        const bool reached = Polish(P, size, stationary);
        if (!(m_F.cwiseAbs().maxCoeff() > tol)) return false;
        if (!reached) return false;
        double left = 0.0;
        if (Step(dz, kLeastSquaresDamping, left) && left >= kInconsistent) return true;
    }
    return false;
}

}  // namespace zcs::detail
