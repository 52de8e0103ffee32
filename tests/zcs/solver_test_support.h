// Solver test helpers: a host-style constraint, a sketch owning its objects, independent measures.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "../zgp/kernel_test_support.h"
#include "zcs/zcs.h"
#include "zgp/zgp.h"

namespace zcs_test {

using zgp::CArc2d;
using zgp::CCurve2d;
using zgp::CEllipse2d;
using zgp::CLine2d;
using zgp::CNurbsCurve2d;
using Vec = zgp::CVec2<double>;

constexpr double kPi = 3.14159265358979323846;

// A constraint as a host would write one. `alive` is cleared by the destructor; a call after
// that fails the test, which shows the solver touching a deleted constraint.
class TestConstraint : public zcs::IConstraint {
public:
    TestConstraint(EnConstraintType type, double value, std::vector<ZlDimRefGeometry> refs)
        : m_type(type), m_value(value), m_refs(std::move(refs)) {}
    ~TestConstraint() override { m_alive = false; }
    double GetValue() const override { return Live(m_value); }
    EnConstraintType GetType() override { return Live(m_type); }
    void GetReferenceGeometries(std::vector<const ZlDimRefGeometry*>& out) const override {
        for (const auto& r : Live(m_refs)) out.push_back(&r);
    }
    void SetValue(double v) { m_value = v; }

private:
    template <class T>
    const T& Live(const T& member) const {
        EXPECT_TRUE(m_alive);
        return member;
    }
    EnConstraintType m_type;
    double m_value;
    std::vector<ZlDimRefGeometry> m_refs;
    bool m_alive = true;
};

inline ZlDimRefGeometry Ref(CCurve2d* c, int type = edrCurve) {
    return ZlDimRefGeometry(c, static_cast<EnDimRefType>(type));
}

struct CurveFree {
    void operator()(CCurve2d* c) const { c->Free(); }
};

class TestSketch {
public:
    CLine2d* Line(Vec a, Vec b) { return Keep(new CLine2d(a, b)); }
    CArc2d* Arc(Vec c, double r, double a0, double a1, int sense = 1) {
        auto* arc = new CArc2d();
        const double lo = sense > 0 ? r * a0 : -r * a0, hi = sense > 0 ? r * a1 : -r * a1;
        arc->Set(c, r, zgp::CInterval<double>(std::min(lo, hi), std::max(lo, hi)), sense);
        return Keep(arc);
    }
    CArc2d* Circle(Vec c, double r) {
        auto* arc = new CArc2d();
        arc->Set(c, r, 0.0, 0.0);
        return Keep(arc);
    }
    CEllipse2d* Ellipse(Vec c, double axisAngle, double a, double b) {
        auto* e = new CEllipse2d();
        e->Set(c, Vec(std::cos(axisAngle), std::sin(axisAngle)), a, b, 0.0, 0.0, 1);
        return Keep(e);
    }
    CNurbsCurve2d* Nurbs(const std::vector<Vec>& pts) {
        auto* n = new CNurbsCurve2d(3, static_cast<int>(pts.size()));
        for (size_t i = 0; i < pts.size(); ++i) n->SetCtrlPt(static_cast<int>(i), pts[i], 1.0);
        return Keep(n);
    }
    TestConstraint* Add(EnConstraintType type, double value, std::vector<ZlDimRefGeometry> refs) {
        m_cons.emplace_back(new TestConstraint(type, value, std::move(refs)));
        return m_cons.back().get();
    }
    void Hold(CCurve2d* c, int type = edrCurve) { m_held.push_back(Ref(c, type)); }

    EnSolveResult Solve(ZlSolver2dFactory& f) {
        zcs::ISolver2d* s = f.GetSolver2d();
        for (auto& c : m_curves) s->AddGeometry(c.get());
        for (auto& h : m_held) s->AddFixedGeometry(&h);
        for (auto& c : m_cons) s->AddConstraint(c.get());
        return s->Solve();
    }
    EnSolveResult Solve() {
        ZlSolver2dFactory f;
        const EnSolveResult r = Solve(f);
        iterations = f.GetSolver2d()->GetIterationCount();
        return r;
    }
    // Solves only the given constraints (with the held geometry) with a fresh solver, then puts
    // every curve back as it was: for checks on subsets of the sketch's constraints.
    EnSolveResult SolveOnly(const std::vector<zcs::IConstraint*>& cons) {
        std::vector<std::string> before;
        for (auto& c : m_curves) before.push_back(c->AsString());
        ZlSolver2dFactory f;
        zcs::ISolver2d* s = f.GetSolver2d();
        for (auto& c : m_curves) s->AddGeometry(c.get());
        for (auto& h : m_held) s->AddFixedGeometry(&h);
        for (auto* c : cons) s->AddConstraint(c);
        const EnSolveResult r = s->Solve();
        for (size_t i = 0; i < m_curves.size(); ++i) {
            zgp::CGeometry* g = zgp::CGeometry::LoadFromStr(before[i]);
            CCurve2d* c = m_curves[i].get();
            switch (c->Type()) {
            case zgp::GT_LINE:
                *static_cast<CLine2d*>(c) = *static_cast<CLine2d*>(g);
                break;
            case zgp::GT_ARC:
                *static_cast<CArc2d*>(c) = *static_cast<CArc2d*>(g);
                break;
            case zgp::GT_ELLIPSE:
                *static_cast<CEllipse2d*>(c) = *static_cast<CEllipse2d*>(g);
                break;
            default:
                *static_cast<CNurbsCurve2d*>(c) = *static_cast<CNurbsCurve2d*>(g);
                break;
            }
            g->Free();
        }
        return r;
    }
    std::vector<std::unique_ptr<TestConstraint>>& Constraints() { return m_cons; }
    int iterations = 0;

private:
    template <class T>
    T* Keep(T* c) {
        m_curves.emplace_back(c);
        return c;
    }
    std::vector<std::unique_ptr<CCurve2d, CurveFree>> m_curves;
    std::vector<std::unique_ptr<TestConstraint>> m_cons;
    std::vector<ZlDimRefGeometry> m_held;
};

inline double Cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
inline double Angle(const CLine2d* l) { return (l->EndPoint() - l->StartPoint()).Angle(); }
inline double Reduce(double a) { return a - 2 * kPi * std::round(a / (2 * kPi)); }
inline double SideOf(const CLine2d* l, Vec p) {
    const Vec d = (l->EndPoint() - l->StartPoint()).Normalized();
    return Cross(d, p - l->StartPoint());
}
inline double DistanceToCurve(const CCurve2d* c, Vec p) { return c->GetNearestPoint(p).DistanceTo(p); }

// Gap at the closest points of two curves and the sine between their tangents there (0, 0: tangent).
inline void TouchOf(const CCurve2d* a, const CCurve2d* b, double& gap, double& sine) {
    double ta = 0;
    gap = zgp_test::BruteMin([&](double t) { return DistanceToCurve(b, a->GetPoint(t)); }, a->StartT(), a->EndT(), 2000,
                             &ta);
    const Vec pa = a->GetPoint(ta);
    double tb = 0;
    zgp_test::BruteMin([&](double t) { return b->GetPoint(t).DistanceTo(pa); }, b->StartT(), b->EndT(), 2000, &tb);
    sine = std::abs(Cross(a->GetDeriv1(ta).Normalized(), b->GetDeriv1(tb).Normalized()));
}

}  // namespace zcs_test
