// zcs: what the solver can tell beyond a solution: degrees of freedom and redundant
// constraints (from the rank of the Jacobian), the smallest conflicting set, and messages.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include <Eigen/SparseQR>

#include "newton.h"
#include "sketch.h"
#include "subsets.h"

namespace zcs::detail {

namespace {

// Rows whose normalised gradients lie within this distance of the span of the rows before
// them count as depending on those rows.
constexpr double kRankThreshold = 1e-8;
// Candidate sets up to this size are reduced by solving subsets, one subset per candidate;
// larger ones are accepted when their rows carry exactly one dependency (each of them is then
// needed to first order).
constexpr size_t kExactLimit = 200;
// Candidates whose residual is below this share of the largest are tried first for removal.
constexpr double kWeakLoad = 1e-2;
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

// Sorted union of two sorted lists of constraints.
std::vector<int> Merge(const std::vector<int>& a, const std::vector<int>& b) {
    std::vector<int> r;
    r.reserve(a.size() + b.size());
    std::merge(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(r));
    r.erase(std::unique(r.begin(), r.end()), r.end());
    return r;
}

std::vector<int> Sorted(std::vector<int> a) {
    std::sort(a.begin(), a.end());
    a.erase(std::unique(a.begin(), a.end()), a.end());
    return a;
}

// Whether subsets of one part's constraints can hold together, by solving them. A solve that
// meets every constraint shows that they can, wherever it started. A failed solve shows
// nothing by itself, so a subset counts as unable to hold only when its solve fails both from
// a point near the subset's likely solutions and from the starting geometry, as Solve starts.
class ConflictSearch {
public:
    enum class Verdict { Holds, Fails, Unknown };

    ConflictSearch(const Sketch& s, const Part& part) : m_s(s), m_part(part), m_all(s.model, part.cons) {}

    // From now on the coincidences `joints` (of the background, which was shown to hold) are
    // held by construction in every solve of a subset: the same question with fewer unknowns.
    // A solve that meets the rest then meets them exactly.
    void HoldJoints(const std::vector<int>& joints) {
        m_joins = JoinPoints(m_s.model, joints);
        if (!m_joins.Empty()) m_joined = std::make_unique<SubsetSystem>(m_s.model, m_part.cons, &m_joins);
    }

    // Moves P to the least-squares point of cons; answers the system for its residuals there.
    const SubsetSystem& Polish(const std::vector<int>& cons, std::vector<double>& P) {
        m_all.Polish(Flags(cons), P, m_part.size);
        return m_all;
    }

    // From the starting geometry only.
    bool Consistent(const std::vector<int>& cons) {
        if (cons.empty()) return true;
        std::vector<double> P = m_s.model.P0;
        return Sys().Solve(Flags(cons), P, m_part.tol, m_part.size).converged;
    }

    // From `from` (where the solve of the whole part stopped, usually close to a solution of a
    // few of its constraints), then from the starting geometry.
    bool Consistent(const std::vector<int>& cons, std::vector<double> from) {
        if (cons.empty()) return true;
        return Sys().Solve(Flags(cons), from, m_part.tol, m_part.size).converged || Consistent(cons);
    }

    // The first solve starts from the last solution found, or else from `from`. The subsets
    // tested one after another differ by two constraints, so that solution is usually nearer
    // than the least-squares point of the larger set, where the geometry is stretched to a
    // singular pose. On Fails, from moves to where that solve stopped: near the least-squares
    // point of cons, where the next, smaller subset starts when no solution is known yet. A
    // quick test trusts that first solve alone (a failure ends in a few steps there, while one
    // from the start costs a whole failing solve); its Fails is to be confirmed in full later.
    Verdict Test(const std::vector<int>& cons, std::vector<double>& from, bool quick = false) {
        return Test(cons, from, quick, !m_solution.empty());
    }

    // A set expected not to hold, tested in full from `from` (near its least-squares point,
    // where its failure shows at once) and from the start.
    bool Fails(const std::vector<int>& cons, std::vector<double> from) {
        return Test(cons, from, false, false) == Verdict::Fails;
    }

    std::vector<int> Irreducible(const std::vector<int>& B, std::vector<int> C, std::vector<double>& X, bool quick,
                                 bool& decided);
    std::vector<int> Minimal(const std::vector<int>& B, bool checkB, const std::vector<int>& C);

    static std::vector<int> Join(const std::vector<int>& a, const std::vector<int>& b) {
        std::vector<int> r(a);
        r.insert(r.end(), b.begin(), b.end());
        return r;
    }

private:
    Verdict Test(const std::vector<int>& cons, std::vector<double>& from, bool quick, bool nearLastSolution) {
        if (cons.empty()) return Verdict::Holds;
        const std::vector<char> on = Flags(cons);
        std::vector<double> P = nearLastSolution ? m_solution : from;
        const Outcome near = Sys().Solve(on, P, m_part.tol, m_part.size);
        if (near.converged) {
            m_solution.swap(P);
            return Verdict::Holds;
        }
        Outcome start;
        if (!quick) {
            std::vector<double> Q = m_s.model.P0;
            start = Sys().Solve(on, Q, m_part.tol, m_part.size);
            if (start.converged) {
                m_solution.swap(Q);
                return Verdict::Holds;
            }
            if (!near.stationary) P.swap(Q);
        }
        if (!near.stationary && !start.stationary) return Verdict::Unknown;
        from.swap(P);
        return Verdict::Fails;
    }

    // One flag per constraint of the part: whether it is in cons.
    std::vector<char> Flags(const std::vector<int>& cons) const {
        const std::vector<int>& all = m_part.cons;
        std::vector<char> on(all.size(), 0);
        for (int ci : cons) on[std::lower_bound(all.begin(), all.end(), ci) - all.begin()] = 1;
        return on;
    }

    SubsetSystem& Sys() { return m_joined ? *m_joined : m_all; }

    const Sketch& m_s;
    const Part& m_part;
    SubsetSystem m_all;                      // every constraint of the part with rows
    PointJoins m_joins;                      // the joints held by construction, once shown to hold
    std::unique_ptr<SubsetSystem> m_joined;  // the part with those joints held
    std::vector<double> m_solution;  // the last solution found, empty before
};

// Deletion filter: drops candidates, in the order given, whenever the others still cannot
// hold with the background B, and keeps them otherwise. After a drop it tries twice as
// many at once, and after a larger block that was needed, half as many, so runs of
// constraints the conflict does not need go in a few solves while a set that needs nearly
// all costs one solve per member. Every kept member was shown necessary by a solve that met
// all the rest, so the result is irreducible unless a test could not decide (then `decided`
// is cleared and the undecided members are kept). With quick tests, the result is still to
// be shown not to hold. X starts near the least-squares point of B and C and ends near that of
// B and the result when anything was dropped.
std::vector<int> ConflictSearch::Irreducible(const std::vector<int>& B, std::vector<int> C, std::vector<double>& X,
                                             bool quick, bool& decided) {
    decided = true;
    size_t block = 1;
    for (size_t i = 0; i < C.size() && C.size() > 1;) {
        const size_t n = std::min(block, C.size() - i);
        std::vector<int> others(C.begin(), C.begin() + static_cast<std::ptrdiff_t>(i));
        others.insert(others.end(), C.begin() + static_cast<std::ptrdiff_t>(i + n), C.end());
        // Without any candidate the background holds: it was solved before.
        const Verdict v = others.empty() ? Verdict::Holds : Test(Merge(B, Sorted(others)), X, quick);
        if (v == Verdict::Fails) {
            C.swap(others);
            block *= 2;
        } else if (n > 1) {
            block = n / 2;
        } else {
            if (v == Verdict::Unknown) decided = false;
            ++i;
        }
    }
    return C;
}

// A minimal subset of C that cannot hold together with the background B (divide and
// conquer: the half that explains the conflict first, then what the other half adds). Few
// solves when the conflict is small beside C, but each from the start.
std::vector<int> ConflictSearch::Minimal(const std::vector<int>& B, bool checkB, const std::vector<int>& C) {
    if (checkB && !Consistent(B)) return {};
    if (C.size() == 1) return C;
    const std::vector<int> C1(C.begin(), C.begin() + C.size() / 2), C2(C.begin() + C.size() / 2, C.end());
    const std::vector<int> D2 = Minimal(Join(B, C1), !C1.empty(), C2);
    const std::vector<int> D1 = Minimal(Join(B, D2), !D2.empty(), C1);
    return Join(D1, D2);
}

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

namespace {

// The candidates in the order the deletion filter tries them: first those whose residuals at X
// are below kWeakLoad of the largest (in the order added), then the rest (in the order added).
// Where the solve stopped short of the least-squares point, constraints that the conflict does
// not need still carry a little of its residual: tried first, they go in blocks.
std::vector<int> WeakFirst(const Model& m, const std::vector<int>& cands, const std::vector<double>& X) {
    NewtonSystem sys(m, cands);
    sys.Evaluate(X.data());
    const Eigen::VectorXd& F = sys.Residuals();
    std::vector<double> load(cands.size(), 0.0);
    for (int r = 0; r < F.size(); ++r) {
        const size_t k = std::lower_bound(cands.begin(), cands.end(), sys.RowConstraint()[r]) - cands.begin();
        load[k] = std::max(load[k], std::abs(F[r]));
    }
    const double most = load.empty() ? 0.0 : *std::max_element(load.begin(), load.end());
    std::vector<int> weak, strong;
    for (size_t k = 0; k < cands.size(); ++k) (load[k] < kWeakLoad * most ? weak : strong).push_back(cands[k]);
    weak.insert(weak.end(), strong.begin(), strong.end());
    return weak;
}

}  // namespace

// The residuals where the solve stopped are a least-squares point: J^T F = 0, so the rows
// with a residual left are dependent, with F as their weights. Those rows' constraints are
// the candidates; joints (coincidences) and held points form the background that is assumed
// to hold, and are blamed only when the background alone cannot hold. Up to kExactLimit
// candidates are reduced to an irreducible set; more are cut to the constraints of the one
// dependency among their rows, and to an irreducible set when that leaves few enough.
std::vector<int> FindConflict(const Sketch& s, const Part& part, const std::vector<double>& stopped,
                              Reduction* reduction) {
    using Verdict = ConflictSearch::Verdict;
    Reduction ignored;
    Reduction& how = reduction ? *reduction : ignored;
    how = Reduction::Irreducible;
    const Model& m = s.model;
    ConflictSearch search(s, part);
    std::vector<int> hard, joints, soft;
    for (int ci : part.cons) {
        const Tier t = m.cons[ci].tier;
        (t == Tier::Hard ? hard : t == Tier::Joint ? joints : soft).push_back(ci);
    }
    std::vector<int> background = Merge(hard, joints);
    std::vector<int> candidates = soft;
    std::vector<double> X = stopped;
    // Background and all candidates together are known not to hold: the whole part, whose
    // solve failed, or the joints with the held points when those alone cannot hold. The
    // support may hold without the constraints left out of it; that shows below.
    bool known = true;
    if (!search.Consistent(background, stopped)) {
        background = hard;
        candidates = joints;
        search.Polish(Merge(background, candidates), X);
    } else {
        search.HoldJoints(joints);
        const SubsetSystem& all = search.Polish(part.cons, X);
        const Eigen::VectorXd& F = all.Residuals();
        const double fmax = F.size() ? F.cwiseAbs().maxCoeff() : 0.0;
        std::vector<int> support, loaded;
        for (int r = 0; r < F.size(); ++r) {
            const int ci = all.RowConstraint()[r];
            if (!(std::abs(F[r]) > 1e-6 * fmax)) continue;
            std::vector<int>& list = m.cons[ci].tier == Tier::Soft ? support : loaded;
            if (list.empty() || list.back() != ci) list.push_back(ci);
        }
        if (!support.empty() && support.size() < soft.size()) {
            candidates = support;
            known = false;
        }
        if (candidates.size() > kExactLimit) {
            // One dependency among these rows: the constraints it weighs cannot hold together,
            // and each one's removal breaks the dependency, so the set is smallest to first order.
            NewtonSystem sys(m, Merge(support, loaded));
            sys.Evaluate(X.data());
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
            std::vector<double> Y = X;
            if (!circuit.empty() && (circuit == soft || search.Test(Merge(background, circuit), Y) == Verdict::Fails)) {
                if (circuit.size() > kExactLimit) {
                    how = Reduction::FirstOrder;
                    return circuit;
                }
                candidates = circuit;
                known = true;
                if (circuit != soft) X.swap(Y);
            } else if (!known) {
                Y = X;
                if (search.Test(Merge(background, support), Y) != Verdict::Fails) candidates = soft;
                known = true;
            }
        }
    }
    if (candidates.empty()) return {};
    if (candidates.size() > kExactLimit) {
        // No single dependency to go by: divide and conquer, fast when the conflict is small.
        if (search.Consistent(Merge(background, candidates))) return {};
        return Sorted(search.Minimal(background, false, candidates));
    }
    // First with quick tests; the set found is then tested in full. Should it hold after all
    // (a quick failure was wrong, or the support holds without the rest), the filter runs
    // again with full tests, on all soft constraints when the support holds.
    bool decided = true;
    std::vector<double> Y = X;
    std::vector<int> found = Sorted(search.Irreducible(background, WeakFirst(m, candidates, X), Y, true, decided));
    if ((known && found == candidates) || search.Fails(Merge(background, found), Y)) {
        if (!decided) how = Reduction::Unproven;
        return found;
    }
    if (!known && !search.Fails(Merge(background, candidates), X)) candidates = soft;
    found = Sorted(search.Irreducible(background, WeakFirst(m, candidates, X), X, false, decided));
    if (!decided) how = Reduction::Unproven;
    return found;
}

std::vector<int> UnmetConstraints(const Sketch& s, const Part& part, const std::vector<double>& P) {
    NewtonSystem sys(s.model, part.cons);
    sys.Evaluate(P.data());
    const Eigen::VectorXd& F = sys.Residuals();
    std::vector<int> out;
    for (int r = 0; r < F.size(); ++r) {
        const int ci = sys.RowConstraint()[r];
        if (!(std::abs(F[r]) <= part.tol) && (out.empty() || out.back() != ci)) out.push_back(ci);
    }
    return out;
}

std::wstring ConflictMessage(const Model& m, const std::vector<int>& cons, Reduction how) {
    if (cons.size() == 1 && how == Reduction::Irreducible)
        return Widen("1 constraint cannot hold: " + KindList(m, cons) + ".");
    std::string out =
        Counted(cons.size(), "constraint", "constraints") + " cannot hold together: " + KindList(m, cons) + ".";
    switch (how) {
    case Reduction::Irreducible:
        out += " Without any one of them the others can hold.";
        break;
    case Reduction::FirstOrder:
        out += " Too many to try each one's removal; each is needed to first order.";
        break;
    case Reduction::Unproven:
        out += " Some of them may not be needed: the solves could not tell.";
        break;
    }
    return Widen(out);
}

std::wstring InvalidMessage(const Model& m, const std::vector<int>& cons) {
    return Widen(Counted(cons.size(), "constraint does", "constraints do") +
                 " not fit the geometry referenced: " + KindList(m, cons) + ".");
}

std::wstring UnmetMessage(const Model& m, const std::vector<int>& cons) {
    if (cons.empty()) return L"no solution found from this start.";
    return Widen("no solution found from this start; " + Counted(cons.size(), "constraint", "constraints") +
                 " still unmet: " + KindList(m, cons) + ".");
}

}  // namespace zcs::detail
