// The pieces the conflict search solves its subsets with: the fixed-pattern LDL^T against a dense
// factorisation, and coincidences held by shared parameters against their own rows.
#include <random>

#include <Eigen/Dense>

#include "ldlt.h"
#include "newton.h"
#include "sketch.h"
#include "solver_test_support.h"

using namespace zcs_test;

namespace {

// J J^T + I for a random sparse J: symmetric positive definite, with fill when factorised.
Eigen::SparseMatrix<double> RandomProduct(std::mt19937& rng, int rows, int cols) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> col(0, cols - 1);
    std::vector<Eigen::Triplet<double>> t;
    for (int r = 0; r < rows; ++r)
        for (int k = 0; k < 3; ++k) t.emplace_back(r, col(rng), u(rng));
    Eigen::SparseMatrix<double> J(rows, cols);
    J.setFromTriplets(t.begin(), t.end());
    Eigen::SparseMatrix<double> I(rows, rows);
    I.setIdentity();
    Eigen::SparseMatrix<double> A = (J * J.transpose()).pruned() + I;
    return Eigen::SparseMatrix<double>(A.triangularView<Eigen::Lower>());
}

TEST(SubsetSolves, LdltMatchesADenseFactorisation) {
    std::mt19937 rng(3);
    Eigen::SparseMatrix<double> A = RandomProduct(rng, 40, 30);
    zcs::detail::PatternLdlt ldlt;
    ldlt.Analyse(A);
    std::uniform_real_distribution<double> u(0.5, 2.0);
    for (int round = 0; round < 3; ++round) {  // new values on the same pattern
        if (round)
            for (int v = 0; v < A.nonZeros(); ++v) A.valuePtr()[v] *= u(rng);
        // Dominant diagonal: new values keep the matrix positive definite.
        for (int k = 0; k < A.cols(); ++k) A.coeffRef(k, k) += 20.0;
        ASSERT_TRUE(ldlt.Factorize(A));
        const Eigen::MatrixXd dense = Eigen::MatrixXd(A).selfadjointView<Eigen::Lower>();
        const Eigen::VectorXd b = Eigen::VectorXd::LinSpaced(A.rows(), -1.0, 3.0);
        Eigen::VectorXd x;
        ldlt.Solve(b, x);
        const Eigen::VectorXd expected = dense.llt().solve(b);
        EXPECT_LT((x - expected).norm(), 1e-12 * expected.norm()) << "round " << round;
    }
    Eigen::SparseMatrix<double> zero(1, 1);
    zero.insert(0, 0) = 0.0;
    ldlt.Analyse(zero);
    EXPECT_FALSE(ldlt.Factorize(zero));
}

struct Built {
    zcs::detail::Sketch sketch;
    std::vector<int> joints;  // the coincidences, by index
};

void Build(TestSketch& s, const std::vector<CCurve2d*>& curves, const std::vector<char>& held, Built& out) {
    zcs::detail::Input in;
    in.geoms.assign(curves.begin(), curves.end());
    in.fixedGeom = held;
    for (auto& c : s.Constraints()) in.cons.push_back(c.get());
    zcs::detail::BuildSketch(in, out.sketch);
    for (size_t i = 0; i < out.sketch.model.cons.size(); ++i)
        if (out.sketch.model.cons[i].tier == zcs::detail::Tier::Joint) out.joints.push_back(static_cast<int>(i));
}

// A triangle a b c joined end to start, b held: a's end and c's start take the values of b's
// held points, and c's end moves with a's start (the first of the two in parameter order). A
// fourth coincidence, of a's own two ends, stays a row: sharing would shrink the line to a point.
TEST(SubsetSolves, JoinedPointsShareTheirParameters) {
    TestSketch s;
    auto* a = s.Line({0, 0}, {4, 0.1});
    auto* b = s.Line({4.1, 0}, {4, 3});
    auto* c = s.Line({4, 3.1}, {0.1, 0});
    s.Add(ectCoincident, 0, {Ref(a, edrEnd), Ref(b, edrStart)});
    s.Add(ectCoincident, 0, {Ref(b, edrEnd), Ref(c, edrStart)});
    s.Add(ectCoincident, 0, {Ref(c, edrEnd), Ref(a, edrStart)});
    s.Add(ectCoincident, 0, {Ref(a, edrStart), Ref(a, edrEnd)});
    Built built;
    Build(s, {a, b, c}, {0, 1, 0}, built);
    const zcs::detail::Model& m = built.sketch.model;
    ASSERT_EQ(built.joints.size(), 4u);
    const zcs::detail::PointJoins j = zcs::detail::JoinPoints(m, built.joints);
    const int A = m.geoms[0].off, B = m.geoms[1].off, C = m.geoms[2].off;
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(j.rep[A + 2 + k], B + k);
        EXPECT_EQ(j.rep[C + k], B + 2 + k);
        EXPECT_EQ(j.rep[C + 2 + k], A + k);
        EXPECT_EQ(j.rep[A + k], A + k);
    }
    EXPECT_EQ(j.held, (std::vector<char>{1, 1, 1, 0}));
}

// Two points of two held curves, and a point of a held curve joined to a free one that is then
// joined to a second held curve: the coincidences that would bind two held points stay rows.
TEST(SubsetSolves, HeldPointsAreNeverJoinedToEachOther) {
    TestSketch s;
    auto* a = s.Line({0, 0}, {4, 0});
    auto* b = s.Line({4, 0}, {4, 3});
    auto* free = s.Line({4, 3}, {9, 9});
    auto* d = s.Line({9, 9}, {12, 9});
    s.Add(ectCoincident, 0, {Ref(a, edrEnd), Ref(b, edrStart)});
    s.Add(ectCoincident, 0, {Ref(b, edrEnd), Ref(free, edrStart)});
    s.Add(ectCoincident, 0, {Ref(free, edrStart), Ref(d, edrStart)});
    Built built;
    Build(s, {a, b, free, d}, {1, 1, 0, 1}, built);
    const zcs::detail::PointJoins j = zcs::detail::JoinPoints(built.sketch.model, built.joints);
    EXPECT_EQ(j.held, (std::vector<char>{0, 1, 0}));
    const int B = built.sketch.model.geoms[1].off, F = built.sketch.model.geoms[2].off;
    EXPECT_EQ(j.rep[F], B + 2);
    EXPECT_EQ(j.rep[F + 1], B + 3);
}

// A 3-4-5 triangle solved with its corners joined: every constraint holds when measured with all
// its rows, the coincidences' among them, and the joined corners are the very same numbers.
TEST(SubsetSolves, AJoinedSolveMeetsEveryRow) {
    TestSketch s;
    auto* a = s.Line({0, 0}, {4.2, 0.3});
    auto* b = s.Line({4.3, 0.2}, {3.8, 3.1});
    auto* c = s.Line({4.1, 2.9}, {0.2, -0.1});
    s.Add(ectCoincident, 0, {Ref(a, edrEnd), Ref(b, edrStart)});
    s.Add(ectCoincident, 0, {Ref(b, edrEnd), Ref(c, edrStart)});
    s.Add(ectCoincident, 0, {Ref(c, edrEnd), Ref(a, edrStart)});
    s.Add(ectFixed, 0, {Ref(a, edrStart)});
    s.Add(ectHorizontal, 0, {Ref(a)});
    s.Add(ectDistance, 4, {Ref(a)});
    s.Add(ectDistance, 3, {Ref(b)});
    s.Add(ectDistance, 5, {Ref(c)});
    Built built;
    Build(s, {a, b, c}, {0, 0, 0}, built);
    const zcs::detail::Sketch& sk = built.sketch;
    ASSERT_EQ(sk.parts.size(), 1u);
    const zcs::detail::Part& part = sk.parts[0];
    const zcs::detail::PointJoins j = zcs::detail::JoinPoints(sk.model, built.joints);
    zcs::detail::NewtonSystem joined(sk.model, part.cons, &j);
    std::vector<double> P = sk.model.P0;
    joined.Share(P);
    ASSERT_TRUE(joined.Solve(P, part.tol, part.size).converged);
    EXPECT_LT(joined.Jacobian().rows(), 8);  // 2 fixed + 1 horizontal + 3 lengths, no joint rows
    zcs::detail::NewtonSystem all(sk.model, part.cons);
    all.Evaluate(P.data());
    EXPECT_LE(all.Residuals().cwiseAbs().maxCoeff(), part.tol);
    const int A = sk.model.geoms[0].off, B = sk.model.geoms[1].off, C = sk.model.geoms[2].off;
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(P[A + 2 + k], P[B + k]);
        EXPECT_EQ(P[B + 2 + k], P[C + k]);
        EXPECT_EQ(P[C + 2 + k], P[A + k]);
    }
    // The corner at a's end is 4 along the horizontal from the held start.
    EXPECT_NEAR(std::abs(P[A + 2] - P[A]), 4.0, 1e-12);
}

}  // namespace
