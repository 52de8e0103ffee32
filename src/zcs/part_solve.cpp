// zcs: one part's solve: Newton's method from the start, then a continuation from the start
// geometry and restarts near it, and a conflict claimed only on the evidence of all of them.
#include "part_solve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "curves.h"
#include "equations.h"
#include "newton.h"

namespace zcs::detail {

namespace {

// Rows whose residual at a least-squares point is below this share of the largest one carry
// none of it.
constexpr double kSupportShare = 1e-6;
// Residuals (2-norms) within this share of each other count as the same.
constexpr double kSameResidual = 0.9;
// How far the start is moved to step off a singular configuration, as a share of each curve's
// size: far beyond rounding, well within what a user would notice.
constexpr double kNudge = 1e-3;
// Restarts move every curve by up to these shares of its size; kSeed starts their sequences.
constexpr int kRestarts = 3;
constexpr double kRestartMoves[kRestarts] = {0.02, 0.05, 0.1};
constexpr uint32_t kSeed = 2463534242u;
// Most choices of branches of the candidates of a conflict that are tried before claiming it.
constexpr int kBranchChoices = 8;
// A curve whose size fell below this share of its size at the start (or an arc whose sweep fell
// below this many radians) has collapsed.
constexpr double kCollapsed = 1e-3;
// Where a restart's least-squares point is taken to be (as |J^T F| / (|F| max row norm)), and
// how far the point a conflict is claimed at is polished first.
constexpr double kLeastSquaresPoint = 1e-4;
constexpr double kFinalPolish = 1e-10;

void Copy(const std::vector<int>& params, const std::vector<double>& from, std::vector<double>& to) {
    for (int p : params) to[p] = from[p];
}

std::vector<char> Flags(const Model& m, const std::vector<int>& cons) {
    std::vector<char> f(m.cons.size(), 0);
    for (int ci : cons) f[ci] = 1;
    return f;
}

bool AnyKeepsBranch(const Model& m, const std::vector<int>& cons) {
    for (int ci : cons)
        if (BranchCount(m.cons[ci]) > 1) return true;
    return false;
}

// The start with every curve moved by up to `share` of its own size in each parameter, the same
// way every time for a given seed (a fixed pseudo-random sequence). A curve that would not keep
// its shape and sense (an arc of almost no sweep turned inside out) stays where it starts.
std::vector<double> Moved(const NewtonSystem& sys, const Model& m, double size, double share, uint32_t seed) {
    std::vector<double> P = m.P0;
    uint32_t state = seed;
    for (int g : sys.Curves()) {
        const GeomRec& geom = m.geoms[g];
        const double scale = CurveScale(geom, m.P0.data());
        for (int k = 0; k < geom.np; ++k) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const double u = static_cast<double>(state) / 4294967296.0 * 2.0 - 1.0;
            const int p = geom.off + k;
            P[p] += share * (scale > 0.0 ? scale : size) * u / m.colScale[p];
        }
        if (!CurveValid(geom, P.data()))
            std::copy(m.P0.begin() + geom.off, m.P0.begin() + geom.off + geom.np, P.begin() + geom.off);
    }
    return P;
}

// A curve shrunk to a point: a line of no length, an arc of no radius or no sweep, an ellipse
// of no radius, measured against its size at the start. Its equations lose rank by themselves
// there, so a least-squares point with one is no evidence of a conflict.
bool Collapsed(const Model& m, const std::vector<int>& curves, const std::vector<double>& P) {
    for (int g : curves) {
        const GeomRec& geom = m.geoms[g];
        const double start = CurveScale(geom, m.P0.data()), now = CurveScale(geom, P.data());
        if (start > 0.0 && !(now > kCollapsed * start)) return true;
        const int end = EndAngleParam(geom);
        if (end >= 0 && !(geom.sense * (P[end] - P[end - 1]) > kCollapsed)) return true;
        if (geom.kind == GeoKind::Ellipse && !(std::min(P[geom.off + 3], P[geom.off + 4]) > kCollapsed * start))
            return true;
    }
    return false;
}

// The constraints that carry the residual at the least-squares point sys was last evaluated
// at, with the part's held points and joints, which every conflict is measured against.
std::vector<int> Candidates(const Model& m, const Part& part, const NewtonSystem& sys) {
    const Eigen::VectorXd& F = sys.Residuals();
    const double fmax = F.size() ? F.cwiseAbs().maxCoeff() : 0.0;
    std::vector<char> in(m.cons.size(), 0);
    for (int ci : part.cons)
        if (m.cons[ci].tier != Tier::Soft) in[ci] = 1;
    for (int r = 0; r < F.size(); ++r)
        if (std::abs(F[r]) > kSupportShare * fmax) in[sys.RowConstraint()[r]] = 1;
    std::vector<int> out;
    for (int ci : part.cons)
        if (in[ci]) out.push_back(ci);
    return out;
}

// Whether the candidate constraints cannot hold together on any of their branches: solved on
// their own from the start, by Newton's method and by the continuation, on every choice of
// branches. The part itself has failed both on the start's choice already, so that needs no
// second try when the candidates are the whole part. Too many choices to try: not confirmed.
bool Confirmed(const Sketch& s, const Part& part, const std::vector<int>& candidates) {
    std::vector<int> keeping;
    int choices = 1;
    for (int ci : candidates)
        if (BranchCount(s.model.cons[ci]) > 1) {
            keeping.push_back(ci);
            choices *= BranchCount(s.model.cons[ci]);
            if (choices > kBranchChoices) return false;
        }
    const bool whole = candidates.size() == part.cons.size();
    Model m = keeping.empty() ? Model() : s.model;
    for (int choice = 0; choice < choices; ++choice) {
        bool start = true;
        for (int k = choice, i = 0; i < static_cast<int>(keeping.size()); ++i) {
            ConsRec& c = m.cons[keeping[i]];
            SetBranch(c, k % BranchCount(c));
            start = start && BranchOf(c) == BranchOf(s.model.cons[keeping[i]]);
            k /= BranchCount(c);
        }
        if (start && whole) continue;
        const Model& model = keeping.empty() ? s.model : m;
        NewtonSystem sub(model, candidates);
        std::vector<double> Q = model.P0;
        if (sub.Solve(Q, part.tol, part.size).converged) return false;
        Copy(sub.Params(), model.P0, Q);
        if (sub.Continue(Q, part.tol, part.size).converged) return false;
    }
    return true;
}

}  // namespace

PartSolve SolvePart(const Sketch& s, const Part& part, std::vector<double>& P) {
    const Model& m = s.model;
    PartSolve out;
    NewtonSystem sys(m, part.cons);
    const Outcome direct = sys.Solve(P, part.tol, part.size);
    out.iterations = direct.iterations;
    out.residual = direct.residual;
    if (direct.converged) return out;

    // Where Newton's method stopped: a least-squares point with a residual that the linearised
    // equations cannot remove, among curves that keep their shape, is the evidence a conflict
    // starts from.
    const bool stuck = sys.LeastSquaresResidual(P, part.tol, part.size, direct) && !Collapsed(m, sys.Curves(), P);
    const double left = sys.Residuals().norm();
    out.residual = sys.Residuals().size() ? sys.Residuals().cwiseAbs().maxCoeff() : 0.0;
    const std::vector<int>& params = sys.Params();
    const std::vector<double> nudged = Moved(sys, m, part.size, kNudge, kSeed);
    std::vector<int> candidates;
    if (stuck) {
        candidates = Candidates(m, part, sys);
        // The start's own linearisation could not remove as much either, nor can the
        // candidates' at a start moved a little: the conflict is in the equations' structure,
        // not in a singular start or in the path from it. Kept branches might hold elsewhere,
        // so candidates that keep one take the long way below.
        const std::vector<char> flags = Flags(m, candidates);
        if (direct.unremovable >= kSameResidual * left && !AnyKeepsBranch(m, candidates) &&
            sys.Unremovable(nudged, &flags) >= kSameResidual * left) {
            out.status = PartStatus::Conflict;
            return out;
        }
    }

    // Otherwise the start may just be too rough for Newton's method: follow the constraint
    // values from what the start geometry measures to what they are meant to be; from the
    // start, and again from the start moved a little, off any singular configuration.
    std::vector<double> stopped(P);
    for (const std::vector<double>* from : {&m.P0, &nudged}) {
        Copy(params, *from, P);
        const Outcome path = sys.Continue(P, part.tol, part.size);
        out.iterations += path.iterations;
        if (path.converged) {
            out.residual = path.residual;
            return out;
        }
    }

    // Restarts from the start moved further, still close to it. One may solve the part; one
    // whose least-squares point has a clearly smaller residual shows that the first was only a
    // local minimum, no evidence of a conflict.
    bool lower = false;
    for (int k = 0; k < kRestarts; ++k) {
        Copy(params, Moved(sys, m, part.size, kRestartMoves[k], kSeed + k + 1), P);
        const Outcome o = sys.Solve(P, part.tol, part.size);
        out.iterations += o.iterations;
        if (o.converged) {
            out.residual = o.residual;
            return out;
        }
        if (!lower) {
            sys.Polish(P, part.size, kLeastSquaresPoint);
            lower = sys.Residuals().norm() < kSameResidual * left;
        }
    }
    Copy(params, stopped, P);
    if (stuck && !lower) {
        // Nor may polishing on reduce it much: a residual that keeps shrinking slowly (as a curve
        // shrinks towards a point) is no least-squares point.
        sys.Polish(P, part.size, kFinalPolish);
        lower = sys.Residuals().norm() < kSameResidual * left || Collapsed(m, sys.Curves(), P);
    }
    out.status = stuck && !lower && Confirmed(s, part, candidates) ? PartStatus::Conflict : PartStatus::NotConverged;
    return out;
}

}  // namespace zcs::detail
