// The solver's Jacobian against central differences of its residuals, for every equation form.
#include <cmath>

#include "newton.h"
#include "sketch.h"
#include "solver_test_support.h"

using namespace zcs_test;

namespace {

// Every Jacobian entry (by parameter, in drawing units) against difference quotients of the residuals.
void ExpectJacobianMatchesDifferences(TestSketch& s, std::vector<CCurve2d*> curves,
                                      std::vector<ZlDimRefGeometry> held) {
    zcs::detail::Input in;
    for (CCurve2d* c : curves) {
        in.geoms.push_back(c);
        in.fixedGeom.push_back(0);
    }
    in.fixedPoints = held;
    for (auto& c : s.Constraints()) in.cons.push_back(c.get());
    zcs::detail::Sketch sk;
    zcs::detail::BuildSketch(in, sk);
    ASSERT_TRUE(sk.invalid.empty());
    const zcs::detail::Model& m = sk.model;
    int checked = 0;
    for (const zcs::detail::Part& part : sk.parts) {
        zcs::detail::NewtonSystem sys(m, part.cons);
        sys.Evaluate(m.P0.data());
        const Eigen::MatrixXd J = Eigen::MatrixXd(sys.Jacobian());
        const std::vector<int> cols = sys.ColumnParam();
        for (size_t k = 0; k < cols.size(); ++k) {
            const int p = cols[k];
            const double h = 1e-6 * m.colScale[p];
            std::vector<double> P = m.P0;
            P[p] += h;
            sys.Evaluate(P.data());
            const Eigen::VectorXd up = sys.Residuals();
            P[p] -= 2 * h;
            sys.Evaluate(P.data());
            const Eigen::VectorXd down = sys.Residuals();
            const Eigen::VectorXd diff = (up - down) / (2 * h) / m.colScale[p];
            for (int r = 0; r < J.rows(); ++r) {
                EXPECT_NEAR(J(r, k), diff[r], 1e-6 * std::max(1.0, std::abs(diff[r])))
                    << "row " << r << " (constraint " << sys.RowConstraint()[r] << ", form "
                    << static_cast<int>(m.cons[sys.RowConstraint()[r]].form) << ") parameter " << p;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 0);
}

TEST(Jacobian, LinesArcsAndPoints) {
    TestSketch s;
    auto* a = s.Line({0.1, 0.2}, {5.3, 1.7});
    auto* b = s.Line({6.1, 2.2}, {7.4, 6.8});
    auto* c = s.Line({-1.3, 4.1}, {2.2, 3.3});
    auto* dir = s.Line({0, 0}, {1, 0.2});
    auto* arc = s.Arc({3.2, -2.1}, 1.7, 0.3, 2.4);
    auto* cw = s.Arc({-4, -3}, 2.3, 2.0, 0.5, -1);
    auto* circle = s.Circle({9, -1}, 2.2);
    s.Add(ectDistance, 4, {Ref(a)});
    s.Add(ectDistance, 3, {Ref(a, edrEnd), Ref(b, edrCenter)});
    s.Add(ectDistance, 2, {Ref(c, edrStart), Ref(a)});
    s.Add(ectDistance, 1, {Ref(b, edrEnd), Ref(circle)});
    s.Add(ectDistance, 2, {Ref(a), Ref(c)});
    s.Add(ectDistance, 2, {Ref(a, edrStart), Ref(b, edrEnd), Ref(dir)});
    s.Add(ectAngle, 1.1, {Ref(arc)});
    s.Add(ectAngle, 5.0, {Ref(cw)});
    s.Add(ectAngle, 0.4, {Ref(a), Ref(b)});
    s.Add(ectRadius, 2, {Ref(arc)});
    s.Add(ectDiameter, 3, {Ref(circle)});
    s.Add(ectParallel, 0, {Ref(a), Ref(c)});
    s.Add(ectPerpendicular, 0, {Ref(b), Ref(c)});
    s.Add(ectTangent, 0, {Ref(a), Ref(circle)});
    s.Add(ectTangent, 0, {Ref(arc), Ref(circle)});
    s.Add(ectEqual, 0, {Ref(a), Ref(b)});
    s.Add(ectEqual, 0, {Ref(arc), Ref(cw)});
    s.Add(ectHorizontal, 0, {Ref(c)});
    s.Add(ectVertical, 0, {Ref(b)});
    s.Add(ectHorizontal, 0, {Ref(arc, edrEnd), Ref(cw, edrStart)});
    s.Add(ectVertical, 0, {Ref(arc, edrCenter), Ref(a, edrEnd)});
    s.Add(ectCoincident, 0, {Ref(a, edrEnd), Ref(arc, edrStart)});
    s.Add(ectPointOnCurve, 0, {Ref(c, edrEnd), Ref(b)});
    s.Add(ectPointOnCurve, 0, {Ref(cw, edrEnd), Ref(circle)});
    s.Add(ectFixed, 0, {Ref(arc, edrEnd)});
    s.Add(ectFixed, 0, {Ref(cw)});
    ExpectJacobianMatchesDifferences(s, {a, b, c, dir, arc, cw, circle}, {Ref(dir)});
}

TEST(Jacobian, EllipsesNurbsAndJoints) {
    TestSketch s;
    auto* e = s.Ellipse({0.3, 0.2}, 0.4, 4.1, 2.2);
    auto* e2 = s.Ellipse({7.2, 1.1}, 1.2, 2.6, 1.4);
    auto* n = s.Nurbs({{0, -8}, {3, -5}, {6, -9}, {9, -6}, {12, -8}});
    auto* l = s.Line({-6, 3.3}, {6, 3.8});
    auto* c = s.Circle({5.5, -3}, 2);
    auto* arc = s.Arc({-3, -6}, 1.5, 0.4, 2.1);
    auto* m = s.Line({-4.2, -4.4}, {5.5, -6.2});
    auto* p = s.Line({1, -4}, {2, -3});
    s.Add(ectDistance, 1.3, {Ref(p, edrStart), Ref(e)});
    s.Add(ectDistance, 0.7, {Ref(p, edrEnd), Ref(n)});
    s.Add(ectPointOnCurve, 0, {Ref(l, edrStart), Ref(e)});
    s.Add(ectPointOnCurve, 0, {Ref(m, edrEnd), Ref(n)});
    s.Add(ectTangent, 0, {Ref(l), Ref(e)});
    s.Add(ectTangent, 0, {Ref(e), Ref(c)});
    s.Add(ectTangent, 0, {Ref(e), Ref(e2)});
    s.Add(ectTangent, 0, {Ref(n), Ref(l)});
    s.Add(ectEqual, 0, {Ref(e), Ref(e2)});
    s.Add(ectEllipseRadiusAlong, 4, {Ref(e2)});
    s.Add(ectEllipseRadiusAcross, 1, {Ref(e2)});
    s.Add(ectCoincident, 0, {Ref(e2, edrCenter), Ref(c, edrCenter)});
    s.Add(ectTangent, 0, {Ref(arc), Ref(m)});
    s.Add(ectCoincident, 0, {Ref(arc, edrStart), Ref(m, edrStart)});
    s.Add(ectTangent, 0, {Ref(c), Ref(p)});
    s.Add(ectCoincident, 0, {Ref(c), Ref(p, edrEnd)});
    s.Add(ectTangent, 0, {Ref(arc), Ref(e)});
    s.Add(ectCoincident, 0, {Ref(arc, edrEnd), Ref(e)});
    s.Add(ectFixed, 0, {Ref(n, edrEnd)});
    s.Add(ectFixed, 0, {Ref(e)});
    ExpectJacobianMatchesDifferences(s, {e, e2, n, l, c, arc, m, p}, {});
}

}  // namespace
