// Every constraint type on the geometry it accepts, solved and measured on the curves.
#include <functional>

#include "solver_test_support.h"

using namespace zcs_test;

namespace {

using Measure = std::function<double()>;

// Few iterations: Newton converges quadratically only with correct derivatives.
void ExpectSolved(TestSketch& s, std::initializer_list<Measure> errors, double tol = 1e-9) {
    ASSERT_EQ(s.Solve(), esrSolved);
    EXPECT_LE(s.iterations, 6);
    int i = 0;
    for (const Measure& e : errors) EXPECT_NEAR(e(), 0.0, tol) << "measure " << i++;
}

TEST(ConstraintKinds, Distances) {
    TestSketch s;
    auto* l = s.Line({0, 0}, {7.3, 2.1});  // a line's own length: it grows along itself about its midpoint
    const double a0 = Angle(l);
    const Vec m0 = (l->StartPoint() + l->EndPoint()) * 0.5;
    s.Add(ectDistance, 10, {Ref(l)});
    auto* a = s.Line({20, 0}, {25, 1});  // point to point
    auto* b = s.Line({26, 3}, {29, 4});
    s.Add(ectDistance, 4, {Ref(a, edrEnd), Ref(b, edrStart)});
    auto* base = s.Line({40, 0}, {50, 0.5});  // point to line, on the side it started
    auto* p = s.Line({43, 4}, {44, 6});
    s.Add(ectDistance, 2.5, {Ref(p, edrStart), Ref(base)});
    auto* c = s.Circle({0, 20}, 3);  // point to circle from outside and from inside
    auto* out = s.Line({5, 21}, {7, 21});
    auto* in = s.Line({0.5, 20.2}, {1, 19.5});
    s.Add(ectDistance, 1.5, {Ref(c), Ref(out, edrStart)});
    s.Add(ectDistance, 1.0, {Ref(in, edrStart), Ref(c)});
    auto* e = s.Ellipse({21, 22}, 0.3, 5, 2);  // point to ellipse and to a NURBS curve
    auto* n = s.Nurbs({{20, -8}, {23, -5}, {26, -9}, {29, -6}, {32, -8}});
    auto* pe = s.Line({28, 24.5}, {29, 26});
    auto* pn = s.Line({26, -5}, {26, -3});
    s.Add(ectDistance, 1.25, {Ref(pe, edrStart), Ref(e)});
    s.Add(ectDistance, 0.8, {Ref(pn, edrStart), Ref(n)});
    auto* la = s.Line({40, 20}, {50, 20.3});  // two lines: parallel at the distance, on the side they started
    auto* lb = s.Line({41, 23}, {48, 23.8});
    s.Add(ectDistance, 2.5, {Ref(la), Ref(lb)});
    auto* h = s.Line({0, 0}, {1, 0});  // measured along held direction lines: horizontally and vertically
    auto* v = s.Line({0, 0}, {0, 1});
    auto* d = s.Line({61, 1}, {64.2, 3});
    s.Hold(h);
    s.Hold(v);
    s.Add(ectDistance, 5, {Ref(d, edrStart), Ref(d, edrEnd), Ref(h)});
    s.Add(ectDistance, 1, {Ref(d, edrStart), Ref(d, edrEnd), Ref(v)});
    ExpectSolved(
        s,
        {[&] { return l->Length() - 10; }, [&] { return Angle(l) - a0; },
         [&] { return ((l->StartPoint() + l->EndPoint()) * 0.5).DistanceTo(m0); },
         [&] { return a->EndPoint().DistanceTo(b->StartPoint()) - 4; },
         [&] { return SideOf(base, p->StartPoint()) - 2.5; },
         [&] { return out->StartPoint().DistanceTo(c->CenterPt()) - c->Radius() - 1.5; },
         [&] { return c->Radius() - in->StartPoint().DistanceTo(c->CenterPt()) - 1.0; },
         [&] { return DistanceToCurve(e, pe->StartPoint()) - 1.25; },
         [&] { return DistanceToCurve(n, pn->StartPoint()) - 0.8; }, [&] { return SideOf(la, lb->StartPoint()) - 2.5; },
         [&] { return SideOf(la, lb->EndPoint()) - 2.5; }, [&] { return d->EndPoint().x - d->StartPoint().x - 5; },
         [&] { return d->EndPoint().y - d->StartPoint().y - 1; },
         [&] { return h->EndPoint().DistanceTo(Vec(1, 0)) + v->EndPoint().DistanceTo(Vec(0, 1)); }});
}

TEST(ConstraintKinds, AnglesRadiiDiameters) {
    TestSketch s;
    // An arc's sweep runs counter-clockwise from start to end, so a clockwise arc of sweep w is given 2 pi - w.
    auto* ccw = s.Arc({0, 0}, 2, 0.1, 1.4);
    auto* cw = s.Arc({5, 0}, 2, 1.4, 0.1, -1);
    s.Add(ectAngle, 1.0, {Ref(ccw)});
    s.Add(ectAngle, 2 * kPi - 0.8, {Ref(cw)});
    auto* a = s.Line({0, 10}, {10, 10});  // the signed angle from one line to another, both ways
    auto* b = s.Line({0, 10}, {5, 15});
    auto* c = s.Line({0, 11}, {5, 10});
    s.Add(ectAngle, kPi / 3, {Ref(a), Ref(b)});
    s.Add(ectAngle, -kPi / 6, {Ref(a), Ref(c)});
    auto* arc = s.Arc({20, 0}, 2, 0.2, 2.0);  // radius of an arc keeps its sweep; a circle stays closed
    auto* circle = s.Circle({25, 5}, 1);
    s.Add(ectRadius, 2.5, {Ref(arc)});
    s.Add(ectDiameter, 7, {Ref(circle)});
    auto* e = s.Ellipse({40, 0}, 0.5, 4, 2);
    s.Add(ectEllipseRadiusAlong, 5, {Ref(e)});
    s.Add(ectEllipseRadiusAcross, 1.5, {Ref(e)});
    ExpectSolved(s, {[&] { return ccw->RotateAngle() - 1.0; }, [&] { return cw->RotateAngle() + 0.8; },
                     [&] { return Reduce(Angle(b) - Angle(a) - kPi / 3); },
                     [&] { return Reduce(Angle(c) - Angle(a) + kPi / 6); }, [&] { return arc->Radius() - 2.5; },
                     [&] { return arc->RotateAngle() - 1.8; }, [&] { return circle->Radius() - 3.5; },
                     [&] { return circle->IsClosed() && e->IsClosed() ? 0.0 : 1.0; },
                     [&] { return e->MajorRadius() - 5; }, [&] { return e->MinorRadius() - 1.5; }});
}

TEST(ConstraintKinds, DirectionsAndEquality) {
    TestSketch s;
    auto* a = s.Line({0, 0}, {10, 1});
    auto* b = s.Line({0, 3}, {8, 2.2});
    auto* c = s.Line({2, 2}, {3, 7});
    auto* h = s.Line({0, -2}, {6, -1});
    auto* v = s.Line({-2, 0}, {-1.5, 6});
    auto* p = s.Line({9, 9}, {10, 10});
    auto* q = s.Line({12, 9.6}, {14, 11.5});
    auto* arc1 = s.Arc({20, 0}, 2, 0, 1);
    auto* arc2 = s.Circle({26, 0}, 3);
    auto* e1 = s.Ellipse({0, 20}, 0, 4, 2);
    auto* e2 = s.Ellipse({12, 20}, 1, 3, 1);
    s.Add(ectParallel, 0, {Ref(a), Ref(b)});
    s.Add(ectPerpendicular, 0, {Ref(a), Ref(c)});
    s.Add(ectHorizontal, 0, {Ref(h)});
    s.Add(ectVertical, 0, {Ref(v)});
    s.Add(ectHorizontal, 0, {Ref(p, edrEnd), Ref(q, edrStart)});
    s.Add(ectVertical, 0, {Ref(p, edrStart), Ref(q, edrEnd)});
    s.Add(ectEqual, 0, {Ref(a), Ref(c)});
    s.Add(ectEqual, 0, {Ref(arc1), Ref(arc2)});
    s.Add(ectEqual, 0, {Ref(e1), Ref(e2)});
    auto dir = [](CLine2d* l) { return (l->EndPoint() - l->StartPoint()).Normalized(); };
    ExpectSolved(
        s,
        {[&] { return Cross(dir(a), dir(b)); }, [&] { return dir(a).Dot(dir(c)); },
         [&] { return h->EndPoint().y - h->StartPoint().y; }, [&] { return v->EndPoint().x - v->StartPoint().x; },
         [&] { return p->EndPoint().y - q->StartPoint().y; }, [&] { return p->StartPoint().x - q->EndPoint().x; },
         [&] { return a->Length() - c->Length(); }, [&] { return arc1->Radius() - arc2->Radius(); },
         [&] { return e1->MajorRadius() - e2->MajorRadius(); }, [&] { return e1->MinorRadius() - e2->MinorRadius(); }});
}

TEST(ConstraintKinds, Tangencies) {
    TestSketch s;
    auto* l = s.Line({-5, 2.9}, {5, 3.2});  // line and circle; two circles outside and inside each other
    auto* c = s.Circle({0, 0}, 3);
    auto* c1 = s.Circle({20, 0}, 2);
    auto* c2 = s.Circle({24.5, 0.5}, 2);
    auto* big = s.Circle({40, 0}, 5);
    auto* small = s.Arc({42.8, 0.3}, 2, 0, 2);
    s.Add(ectTangent, 0, {Ref(c), Ref(l)});
    s.Add(ectTangent, 0, {Ref(c1), Ref(c2)});
    s.Add(ectTangent, 0, {Ref(big), Ref(small)});
    auto* e = s.Ellipse({0, 20}, 0.4, 4, 2);
    auto* el = s.Line({-6, 23.3}, {6, 23.8});
    auto* ec = s.Circle({5.5, 17}, 2);
    auto* e2 = s.Ellipse({-2, 14}, 1.0, 3, 1.5);
    auto* n = s.Nurbs({{20, 20}, {23, 23}, {26, 20}, {29, 23}});
    auto* nl = s.Line({19, 23}, {30, 22.5});
    s.Add(ectTangent, 0, {Ref(el), Ref(e)});
    s.Add(ectTangent, 0, {Ref(e), Ref(ec)});
    s.Add(ectTangent, 0, {Ref(e), Ref(e2)});
    s.Add(ectTangent, 0, {Ref(n), Ref(nl)});
    ExpectSolved(s, {[&] { return std::abs(SideOf(l, c->CenterPt())) - c->Radius(); },
                     [&] { return c1->CenterPt().DistanceTo(c2->CenterPt()) - c1->Radius() - c2->Radius(); },
                     [&] { return big->CenterPt().DistanceTo(small->CenterPt()) - big->Radius() + small->Radius(); }});
    for (auto pair : {std::make_pair<CCurve2d*, CCurve2d*>(el, e), {e, ec}, {e, e2}, {nl, n}}) {
        double gap, sine;
        TouchOf(pair.first, pair.second, gap, sine);
        EXPECT_NEAR(gap, 0.0, 1e-9);
        EXPECT_NEAR(sine, 0.0, 1e-6);
    }
}

TEST(ConstraintKinds, TangenciesBoundAtJoints) {
    TestSketch s;
    auto* a = s.Arc({0, 0}, 2, 0.2, 1.7);
    auto* b = s.Arc({0.3, 4.3}, 2.1, -1.3, -2.9, -1);  // clockwise: an S-bend after a
    auto* e = s.Ellipse({10, 0}, 0.3, 3, 1.5);
    auto* l = s.Line({10.5, 1.9}, {15, 3});
    auto* c = s.Circle({20, 0}, 2);
    auto* m = s.Line({20.3, 2.2}, {25, 2.6});
    s.Add(ectTangent, 0, {Ref(a), Ref(b)});
    s.Add(ectCoincident, 0, {Ref(a, edrEnd), Ref(b, edrStart)});
    s.Add(ectTangent, 0, {Ref(e), Ref(l)});
    s.Add(ectCoincident, 0, {Ref(l, edrStart), Ref(e)});
    s.Add(ectTangent, 0, {Ref(m), Ref(c)});
    s.Add(ectCoincident, 0, {Ref(c), Ref(m, edrStart)});
    auto sine = [](Vec u, Vec v) { return Cross(u.Normalized(), v.Normalized()); };
    ExpectSolved(
        s, {[&] { return a->EndPoint().DistanceTo(b->StartPoint()); }, [&] { return sine(a->EndVt(), b->StartVt()); },
            [&] { return DistanceToCurve(e, l->StartPoint()); },
            [&] { return sine(e->GetDeriv1(e->GetNearestT(l->StartPoint(), 0)), l->Direction()); },
            [&] { return m->StartPoint().DistanceTo(c->CenterPt()) - c->Radius(); },
            [&] { return (m->StartPoint() - c->CenterPt()).Dot(m->Direction()); }});
    EXPECT_GT(a->EndVt().Dot(b->StartVt()), 0.0);  // a smooth bend, not a cusp
}

TEST(ConstraintKinds, CoincidenceAndPointOnCurve) {
    TestSketch s;
    auto* l = s.Line({0, 0}, {4, 0.5});
    auto* arc = s.Arc({4.5, 3}, 2.5, -1.2, 0.5);
    auto* e = s.Ellipse({4.2, 3.3}, 0.2, 5, 3);
    auto* onLine = s.Line({14, 2}, {15, 3});
    auto* onCircle = s.Line({-3, 9}, {-4, 10});
    auto* onEllipse = s.Line({10, 7}, {12, 8});
    auto* n = s.Nurbs({{0, -10}, {3, -7}, {6, -11}, {9, -8}});
    auto* onNurbs = s.Line({4, -7}, {5, -5});
    auto* viaCoincident = s.Line({-1, 4}, {-2, 6});
    s.Add(ectCoincident, 0, {Ref(l, edrEnd), Ref(arc, edrStart)});
    s.Add(ectCoincident, 0, {Ref(arc, edrCenter), Ref(e, edrCenter)});
    s.Add(ectPointOnCurve, 0, {Ref(onLine, edrStart), Ref(l)});  // the line counts as infinite
    s.Add(ectPointOnCurve, 0, {Ref(onCircle, edrStart), Ref(arc)});
    s.Add(ectPointOnCurve, 0, {Ref(onEllipse, edrEnd), Ref(e)});
    s.Add(ectPointOnCurve, 0, {Ref(onNurbs, edrStart), Ref(n)});
    s.Add(ectCoincident, 0, {Ref(e), Ref(viaCoincident, edrEnd)});  // a whole curve: point on it
    ExpectSolved(
        s, {[&] { return l->EndPoint().DistanceTo(arc->StartPoint()); },
            [&] { return arc->CenterPt().DistanceTo(e->CenterPt()); }, [&] { return SideOf(l, onLine->StartPoint()); },
            [&] { return onCircle->StartPoint().DistanceTo(arc->CenterPt()) - arc->Radius(); },
            [&] { return DistanceToCurve(e, onEllipse->EndPoint()); },
            [&] { return DistanceToCurve(n, onNurbs->StartPoint()); },
            [&] { return DistanceToCurve(e, viaCoincident->EndPoint()); }});
}

TEST(ConstraintKinds, FixedPointsAndCurves) {
    TestSketch s;
    auto* arc = s.Arc({0, 0}, 2, 0.3, 1.5);
    auto* l = s.Line({5, 5}, {9, 6});
    auto* m = s.Line({9.5, 6.5}, {12, 9});
    const Vec start = arc->StartPoint();
    const Vec ls = l->StartPoint(), le = l->EndPoint();
    s.Add(ectFixed, 0, {Ref(arc, edrStart)});
    s.Add(ectRadius, 3, {Ref(arc)});
    s.Add(ectFixed, 0, {Ref(l)});
    s.Add(ectCoincident, 0, {Ref(l, edrEnd), Ref(m, edrStart)});
    ExpectSolved(s, {[&] { return arc->StartPoint().DistanceTo(start); }, [&] { return arc->Radius() - 3; },
                     [&] { return l->StartPoint().DistanceTo(ls) + l->EndPoint().DistanceTo(le); },
                     [&] { return m->StartPoint().DistanceTo(le); }});
}

}  // namespace
