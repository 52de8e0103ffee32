// zcs: what the solver can tell beyond a solution: degrees of freedom and redundant
// constraints (from the rank of the Jacobian), the smallest conflicting set, and messages.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include <Eigen/SparseQR>

#include "newton.h"
#include "sketch.h"

namespace zcs::detail {

namespace {

// Rows whose normalised gradients lie within this distance of the span of the rows before
// them count as depending on those rows.
constexpr double kRankThreshold = 1e-8;
// Candidate sets up to this size are minimised by solving subsets; larger ones are accepted
// when their rows carry exactly one dependency (each of them is then needed to first order).
constexpr size_t kExactLimit = 32;
// Largest dense basis of the left null space (rows times dependencies) worth forming.
constexpr double kMaxBasisSize = 2e7;

struct RankInfo {
    int rank = 0;
    std::vector<int> dependentRows;              // ascending: each depends on the rows before it
    std::vector<std::vector<double>> nullBasis;  // a basis of {w : w^T J = 0}, one weight per row
};

// Rows that depend on the rows before them, found directly by a QR of J^T with its columns
// (the rows of J) taken in their order. Exact, but its fill can grow large, so it serves only
// when too many rows depend on others for the dense basis below.
std::vector<int> InOrderDependentRows(const NewtonSystem::SpMat& Jn) {
    Eigen::SparseMatrix<double> Jt = Jn.transpose();
    Jt.makeCompressed();
    Eigen::SparseQR<Eigen::SparseMatrix<double>, Eigen::NaturalOrdering<int>> qr;
    qr.setPivotThreshold(kRankThreshold);
    qr.compute(Jt);
    std::vector<int> out;
    const auto& perm = qr.colsPermutation().indices();
    for (Eigen::Index j = qr.rank(); j < Jt.cols(); ++j) out.push_back(perm(j));
    std::sort(out.begin(), out.end());
    return out;
}

// Rank of J by a sparse Householder QR of J with normalised rows, columns in a fill-reducing
// order: a column whose remainder is below the threshold counts as dependent. The left null
// space {w : w^T J = 0} is then spanned by the trailing columns of Q. The rows that depend on
// earlier rows in the constraint order are chosen from that basis: scanning from the last
// row, a row is dependent when its weights are independent of those of the rows already
// chosen (their complement is the earliest basis of the rows).
RankInfo AnalyzeRows(const NewtonSystem::SpMat& J, bool findRows = true) {
    RankInfo info;
    const int rows = static_cast<int>(J.rows());
    if (rows == 0) return info;
    if (J.cols() == 0) {  // nothing to move: every row is on its own
        for (int r = 0; r < rows; ++r) info.dependentRows.push_back(r);
        if (rows == 1) info.nullBasis.assign(1, std::vector<double>{1.0});
        return info;
    }
    NewtonSystem::SpMat Jn = J;
    for (int r = 0; r < rows; ++r) {
        const double n = Jn.row(r).norm();
        if (n > 0.0) Jn.row(r) /= n;
    }
    Eigen::SparseMatrix<double> A = Jn;
    A.makeCompressed();
    Eigen::SparseQR<Eigen::SparseMatrix<double>, Eigen::COLAMDOrdering<int>> qr;
    qr.setPivotThreshold(kRankThreshold);
    qr.compute(A);
    const int r = static_cast<int>(qr.rank());
    info.rank = r;
    const int d = rows - r;
    if (d == 0 || !findRows) return info;
    if (static_cast<double>(d) * rows > kMaxBasisSize) {
        info.dependentRows = InOrderDependentRows(Jn);
        return info;
    }
    Eigen::MatrixXd E = Eigen::MatrixXd::Zero(rows, d);
    for (int k = 0; k < d; ++k) E(r + k, k) = 1.0;
    const Eigen::MatrixXd W = qr.matrixQ() * E;
    for (int k = 0; k < d; ++k) info.nullBasis.emplace_back(W.col(k).data(), W.col(k).data() + rows);
    // Greedy from the last row with a small elimination on the chosen weight rows; the basis
    // is orthonormal, so weights below 1e-9 are rounding noise of rows in no dependency.
    std::vector<std::vector<double>> chosen;  // reduced weight rows, each with a pivot
    std::vector<int> pivots;
    for (int row = rows - 1; row >= 0 && static_cast<int>(chosen.size()) < d; --row) {
        std::vector<double> v(d);
        double scale = 0.0;
        for (int k = 0; k < d; ++k) scale = std::max(scale, std::abs(v[k] = info.nullBasis[k][row]));
        if (!(scale > 1e-9)) continue;
        for (size_t c = 0; c < chosen.size(); ++c) {
            const double f = v[pivots[c]] / chosen[c][pivots[c]];
            for (int k = 0; k < d; ++k) v[k] -= f * chosen[c][k];
        }
        int p = 0;
        for (int k = 1; k < d; ++k)
            if (std::abs(v[k]) > std::abs(v[p])) p = k;
        if (!(std::abs(v[p]) > 1e-9)) continue;
        chosen.push_back(v);
        pivots.push_back(p);
        info.dependentRows.push_back(row);
    }
    std::sort(info.dependentRows.begin(), info.dependentRows.end());
    return info;
}

// The weights w, one per row, with w^T J = 0 when the rows carry exactly one dependency
// (empty otherwise).
std::vector<double> SingleDependency(const NewtonSystem::SpMat& J) {
    RankInfo info = AnalyzeRows(J);
    if (info.nullBasis.size() != 1) return {};
    return std::move(info.nullBasis.front());
}

// Consistency of constraint subsets of one part, each solved from the starting geometry.
class ConflictSearch {
public:
    ConflictSearch(const Sketch& s, const Part& part) : m_s(s), m_part(part) {}

    bool Consistent(std::vector<int> cons) const {
        if (cons.empty()) return true;
        std::sort(cons.begin(), cons.end());
        cons.erase(std::unique(cons.begin(), cons.end()), cons.end());
        NewtonSystem sys(m_s.model, cons);
        std::vector<double> P = m_s.model.P0;
        return sys.Solve(P, m_part.tol, m_part.size).converged;
    }

    // A minimal subset of C that cannot hold together with the background B (divide and
    // conquer: the half that explains the conflict first, then what the other half adds).
    std::vector<int> Minimal(const std::vector<int>& B, bool checkB, const std::vector<int>& C) const {
        if (checkB && !Consistent(B)) return {};
        if (C.size() == 1) return C;
        const std::vector<int> C1(C.begin(), C.begin() + C.size() / 2), C2(C.begin() + C.size() / 2, C.end());
        const std::vector<int> D2 = Minimal(Join(B, C1), !C1.empty(), C2);
        const std::vector<int> D1 = Minimal(Join(B, D2), !D2.empty(), C1);
        return Join(D1, D2);
    }

    static std::vector<int> Join(const std::vector<int>& a, const std::vector<int>& b) {
        std::vector<int> r(a);
        r.insert(r.end(), b.begin(), b.end());
        return r;
    }

private:
    const Sketch& m_s;
    const Part& m_part;
};

// Nouns for the kinds of constraints in messages: singular and plural.
struct Noun {
    const char* one;
    const char* many;
};

Noun NounOf(const ConsRec& c) {
    switch (c.type) {
    case ectDistance:
        return c.form == Form::Length ? Noun{"length", "lengths"} : Noun{"distance", "distances"};
    case ectAngle:
        return {"angle", "angles"};
    case ectRadius:
        return {"radius", "radii"};
    case ectDiameter:
        return {"diameter", "diameters"};
    case ectParallel:
        return {"parallel", "parallel"};
    case ectTangent:
        return {"tangency", "tangencies"};
    case ectPerpendicular:
        return {"perpendicular", "perpendicular"};
    case ectEqual:
        return {"equal", "equal"};
    case ectHorizontal:
        return {"horizontal", "horizontal"};
    case ectVertical:
        return {"vertical", "vertical"};
    case ectCoincident:
        return {"coincidence", "coincidences"};
    case ectPointOnCurve:
        return {"point on a curve", "points on curves"};
    case ectEllipseRadiusAlong:
        return {"ellipse radius along the axis", "ellipse radii along the axis"};
    case ectEllipseRadiusAcross:
        return {"ellipse radius across the axis", "ellipse radii across the axis"};
    case ectFixed:
        return {"fixed", "fixed"};
    default:
        return {"unknown", "unknown"};
    }
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// "2 lengths, 1 distance": counts by kind, kinds in the order they first appear.
std::string KindList(const Model& m, const std::vector<int>& cons) {
    std::vector<std::pair<std::string, std::pair<int, Noun>>> kinds;
    for (int ci : cons) {
        const Noun n = NounOf(m.cons[ci]);
        auto it = std::find_if(kinds.begin(), kinds.end(), [&](const auto& k) { return k.first == n.one; });
        if (it == kinds.end())
            kinds.push_back({n.one, {1, n}});
        else
            ++it->second.first;
    }
    std::string out;
    for (size_t i = 0; i < kinds.size(); ++i) {
        if (i) out += ", ";
        const int count = kinds[i].second.first;
        out += std::to_string(count) + " " + (count == 1 ? kinds[i].second.second.one : kinds[i].second.second.many);
    }
    return out;
}

std::string Counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int DegreesOfFreedom(const Sketch& s) {
    const Model& m = s.model;
    int dof = 0;
    for (const GeomRec& g : m.geoms)
        if (!g.fixed) dof += g.np;
    for (const ConsRec& c : m.cons)
        if (c.valid) dof += c.naux;
    for (const Part& part : s.parts) {
        NewtonSystem sys(m, part.cons);
        sys.Evaluate(m.P0.data());
        dof -= AnalyzeRows(sys.Jacobian(), false).rank;
    }
    return dof;
}

std::vector<int> RedundantConstraints(const Sketch& s) {
    const Model& m = s.model;
    std::vector<char> mark(m.cons.size(), 0);
    for (const Part& part : s.parts) {
        NewtonSystem sys(m, part.cons);
        sys.Evaluate(m.P0.data());
        for (int r : AnalyzeRows(sys.Jacobian()).dependentRows) mark[sys.RowConstraint()[r]] = 1;
    }
    std::vector<int> out;
    for (size_t i = 0; i < mark.size(); ++i)
        if (mark[i] && m.cons[i].obj) out.push_back(static_cast<int>(i));
    return out;
}

// The residuals where the solve stopped are a least-squares point: J^T F = 0, so the rows
// with a residual left are dependent, with F as their weights. Those rows' constraints are
// the candidates; joints (coincidences) and held points form the background that is assumed
// to hold, and are blamed only when the background alone cannot hold.
std::vector<int> FindConflict(const Sketch& s, const Part& part, const std::vector<double>& stopped) {
    const Model& m = s.model;
    const ConflictSearch search(s, part);
    std::vector<int> hard, joints, soft;
    for (int ci : part.cons) {
        const Tier t = m.cons[ci].tier;
        (t == Tier::Hard ? hard : t == Tier::Joint ? joints : soft).push_back(ci);
    }
    std::vector<int> background = ConflictSearch::Join(hard, joints);
    std::vector<int> candidates = soft;
    if (!search.Consistent(background)) {
        background = hard;
        candidates = joints;
    } else {
        NewtonSystem all(m, part.cons);
        std::vector<double> P = stopped;
        all.Polish(P, part.size);
        const Eigen::VectorXd& F = all.Residuals();
        const double fmax = F.size() ? F.cwiseAbs().maxCoeff() : 0.0;
        std::vector<int> support, loaded;
        for (int r = 0; r < F.size(); ++r) {
            const int ci = all.RowConstraint()[r];
            if (!(std::abs(F[r]) > 1e-6 * fmax)) continue;
            std::vector<int>& list = m.cons[ci].tier == Tier::Soft ? support : loaded;
            if (list.empty() || list.back() != ci) list.push_back(ci);
        }
        if (!support.empty() && !search.Consistent(ConflictSearch::Join(background, support))) {
            candidates = support;
            if (candidates.size() > kExactLimit) {
                // One dependency among these rows: the constraints it weighs cannot hold
                // together, and each one's removal breaks the dependency. That makes the set
                // smallest to first order; solving subsets of it to show more would cost a
                // solve of the whole part per constraint.
                std::vector<int> rows = ConflictSearch::Join(support, loaded);
                std::sort(rows.begin(), rows.end());
                NewtonSystem sys(m, rows);
                sys.Evaluate(P.data());
                const std::vector<double> w = SingleDependency(sys.Jacobian());
                double wmax = 0.0;
                for (double x : w) wmax = std::max(wmax, std::abs(x));
                std::vector<int> circuit;
                for (size_t r = 0; r < w.size(); ++r) {
                    const int ci = sys.RowConstraint()[r];
                    if (std::abs(w[r]) > 1e-9 * wmax && m.cons[ci].tier == Tier::Soft &&
                        (circuit.empty() || circuit.back() != ci))
                        circuit.push_back(ci);
                }
                if (!circuit.empty() && !search.Consistent(ConflictSearch::Join(background, circuit))) return circuit;
            }
        }
    }
    if (candidates.empty() || search.Consistent(ConflictSearch::Join(background, candidates))) return {};
    std::vector<int> found = search.Minimal(background, false, candidates);
    std::sort(found.begin(), found.end());
    return found;
}

std::wstring ConflictMessage(const Model& m, const std::vector<int>& cons) {
    if (cons.size() == 1) return Widen("1 constraint cannot hold: " + KindList(m, cons) + ".");
    return Widen(Counted(cons.size(), "constraint", "constraints") + " conflict: " + KindList(m, cons) + ".");
}

std::wstring InvalidMessage(const Model& m, const std::vector<int>& cons) {
    return Widen(Counted(cons.size(), "constraint does", "constraints do") +
                 " not fit the geometry referenced: " + KindList(m, cons) + ".");
}

std::wstring NotSolvedMessage(const Model& m, const std::vector<int>& cons) {
    return Widen("No solution was found from the present geometry and no conflict could be shown; " +
                 Counted(cons.size(), "constraint is", "constraints are") + " involved: " + KindList(m, cons) + ".");
}

}  // namespace zcs::detail
