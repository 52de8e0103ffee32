// zvd tests: solving a drawing's constraints: every kind on the geometries it binds, solved from a
// perturbed start and measured from plain coordinates; failures that restore every curve; removal
// with the bound item; related-constraint queries; the typical request from end to end.
#include <functional>
#include <map>
#include <set>

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>

#include "constraints/constraint_fixture.h"
#include "persistence/test_xml_support.h"
#include "support/docitems.h"
#include "zvd/entities/zvdpolycomposite.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"

using cfix::V;
using namespace cfix;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDone = 1e-6;  // a measured error this small means the constraint holds

// Sweep of an arc item in degrees, from its end points and centre, along its own sense.
double sweepDegrees(ZVDEntity* a) {
    const V s = startOf(a) - centreOf(a), e = endOf(a) - centreOf(a);
    double t = std::atan2(s.x * e.y - s.y * e.x, s.x * e.x + s.y * e.y);
    if (static_cast<const zgp::CArc2d*>(seg(a))->Sense() < 0) t = -t;
    if (t < 0) t += 2 * kPi;
    return t * 180 / kPi;
}

// One kind on one geometry: build() makes the items and the constraint in a sketch that does
// not yet satisfy it, error() measures how far the constraint is from holding.
struct KindCase {
    const char* name;
    std::function<void(Canvas&, std::vector<ZVDEntity*>&)> build;
    std::function<double(const std::vector<ZVDEntity*>&)> error;
};

using Items = std::vector<ZVDEntity*>;

std::vector<KindCase> kindCases() {
    return {
        {"point on line",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 0.5}), s.line({4, 0.8}, {5, 6})};
             s.constrain(cdtPointOnLine, it[1], 0, edrStart, it[0], 0);
         },
         [](const Items& it) { return offLine(startOf(it[1]), startOf(it[0]), endOf(it[0])); }},
        {"point on circle",
         [](Canvas& s, Items& it) {
             it = {s.circle({0, 0}, 5), s.line({6, 1}, {9, 4})};
             s.constrain(cdtPointOnLine, it[1], 0, edrStart, it[0], 0);
         },
         [](const Items& it) { return std::fabs((startOf(it[1]) - centreOf(it[0])).Length() - radiusOf(it[0])); }},
        {"point on polyline segment",
         [](Canvas& s, Items& it) {
             it = {s.polyline({{0, 0}, {10, 0}, {10, 10}}), s.line({11, 5}, {15, 6})};
             s.constrain(cdtPointOnLine, it[1], 0, edrStart, it[0], 1);
         },
         [](const Items& it) { return offLine(startOf(it[1]), startOf(it[0], 1), endOf(it[0], 1)); }},
        {"point on ellipse",
         [](Canvas& s, Items& it) {
             it = {s.ellipse({0, 0}, {1, 0}, 6, 3), s.line({7, 1}, {9, 4})};
             s.constrain(cdtPointOnLine, it[1], 0, edrStart, it[0], 0);
         },
         [](const Items& it) {
             const auto* e = static_cast<const zgp::CEllipse2d*>(seg(it[0]));
             const V u = e->Axis() / e->Axis().Length(), p = startOf(it[1]) - e->CenterPt();
             const double x = p.Dot(u), y = u.x * p.y - u.y * p.x;
             return std::fabs(std::sqrt(x * x / (e->MajorRadius() * e->MajorRadius()) +
                                        y * y / (e->MinorRadius() * e->MinorRadius())) - 1.0);
         }},
        {"coincident line end and arc start",
         [](Canvas& s, Items& it) {
             it = {s.line({5.5, -4}, {5.3, 0.4}), s.arc({0, 0}, 5, 0, kPi / 2)};
             s.constrain(cdtCoincident, it[0], 0, edrEnd, it[1], 0, edrStart);
         },
         [](const Items& it) { return (endOf(it[0]) - startOf(it[1])).Length(); }},
        {"coincident polygon corner and circle centre",
         [](Canvas& s, Items& it) {
             it = {s.polygon({{0, 0}, {10, 0}, {10, 8}, {0, 8}}), s.circle({11, 9}, 2)};
             s.constrain(cdtCoincident, it[0], 2, edrStart, it[1], 0, edrCenter);
         },
         [](const Items& it) { return (startOf(it[0], 2) - centreOf(it[1])).Length(); }},
        {"same line",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 0.2}), s.line({12, 1}, {20, 1.5})};
             s.constrain(cdtSameLine, it[0], 0, edrCurve, it[1], 0);
         },
         [](const Items& it) {
             return std::max(offLine(startOf(it[1]), startOf(it[0]), endOf(it[0])),
                             offLine(endOf(it[1]), startOf(it[0]), endOf(it[0])));
         }},
        {"parallel polyline segments",
         [](Canvas& s, Items& it) {
             it = {s.polyline({{0, 0}, {10, 1}, {12, 6}, {2, 5.5}})};
             s.constrain(cdtParallel, it[0], 0, edrCurve, it[0], 2);
         },
         [](const Items& it) { return sinBetween(endOf(it[0], 0) - startOf(it[0], 0), endOf(it[0], 2) - startOf(it[0], 2)); }},
        {"perpendicular lines",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 1}), s.line({2, -3}, {3, 6})};
             s.constrain(cdtPerpendicular, it[0], 0, edrCurve, it[1], 0);
         },
         [](const Items& it) { return cosBetween(endOf(it[0]) - startOf(it[0]), endOf(it[1]) - startOf(it[1])); }},
        {"tangent line and circle",
         [](Canvas& s, Items& it) {
             it = {s.line({-10, 5.6}, {10, 6.2}), s.circle({0, 0}, 5)};
             s.constrain(cdtTangent, it[0], 0, edrCurve, it[1], 0);
         },
         [](const Items& it) { return std::fabs(offLine(centreOf(it[1]), startOf(it[0]), endOf(it[0])) - radiusOf(it[1])); }},
        {"tangent circles",
         [](Canvas& s, Items& it) {
             it = {s.circle({0, 0}, 3), s.circle({7, 0.5}, 3.5)};
             s.constrain(cdtTangent, it[0], 0, edrCurve, it[1], 0);
         },
         [](const Items& it) {
             const double dist = (centreOf(it[0]) - centreOf(it[1])).Length();
             const double r1 = radiusOf(it[0]), r2 = radiusOf(it[1]);
             return std::min(std::fabs(dist - (r1 + r2)), std::fabs(dist - std::fabs(r1 - r2)));
         }},
        {"tangent fillet at the line's end",
         [](Canvas& s, Items& it) {
             it = {s.line({5.3, -8}, {5.2, 0.3}), s.arc({0, 0}, 5, 0, kPi / 2)};
             s.constrain(cdtTangent, it[0], 0, edrEnd, it[1], 0, edrStart);
         },
         [](const Items& it) {
             return (endOf(it[0]) - startOf(it[1])).Length() +
                    std::fabs(offLine(centreOf(it[1]), startOf(it[0]), endOf(it[0])) - radiusOf(it[1]));
         }},
        {"concentric circle and arc",
         [](Canvas& s, Items& it) {
             it = {s.circle({0, 0}, 3), s.arc({1, 0.5}, 6, 0, 2)};
             s.constrain(cdtConcentric, it[0], 0, edrCenter, it[1], 0, edrCenter);
         },
         [](const Items& it) { return (centreOf(it[0]) - centreOf(it[1])).Length(); }},
        {"horizontal line",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 1})};
             s.constrain(cdtHorizon, it[0], 0, edrCurve);
         },
         [](const Items& it) { return std::fabs(endOf(it[0]).y - startOf(it[0]).y); }},
        {"horizontal polyline segment",
         [](Canvas& s, Items& it) {
             it = {s.polyline({{0, 0}, {1, 8}, {9, 9}})};
             s.constrain(cdtHorizon, it[0], 1, edrCurve);
         },
         [](const Items& it) { return std::fabs(endOf(it[0], 1).y - startOf(it[0], 1).y); }},
        {"horizontal child of a poly-composite",
         [](Canvas& s, Items& it) {
             auto* chain = new ZVDPolyComposite;
             auto* first = new ZVDLine;
             first->set({0, 0}, {10, 2});
             chain->add(first);
             s.d.add(chain);
             it = {first};
             s.constrain(cdtHorizon, first, 0, edrCurve);
         },
         [](const Items& it) { return std::fabs(endOf(it[0]).y - startOf(it[0]).y); }},
        {"vertical polygon side",
         [](Canvas& s, Items& it) {
             it = {s.polygon({{0, 0}, {10, 0}, {11, 8}, {0, 8}})};
             s.constrain(cdtVertical, it[0], 1, edrCurve);
         },
         [](const Items& it) { return std::fabs(endOf(it[0], 1).x - startOf(it[0], 1).x); }},
        {"equal lines",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 0}), s.line({0, 3}, {7, 4})};
             s.constrain(cdtEqual, it[0], 0, edrCurve, it[1], 0);
         },
         [](const Items& it) {
             return std::fabs((endOf(it[0]) - startOf(it[0])).Length() - (endOf(it[1]) - startOf(it[1])).Length());
         }},
        {"equal circle and arc",
         [](Canvas& s, Items& it) {
             it = {s.circle({0, 0}, 3), s.arc({10, 0}, 5, 0, 1)};
             s.constrain(cdtEqual, it[0], 0, edrCurve, it[1], 0);
         },
         [](const Items& it) { return std::fabs(radiusOf(it[0]) - radiusOf(it[1])); }},
        {"pinned start of a line made horizontal",
         [](Canvas& s, Items& it) {
             it = {s.line({1, 2}, {10, 4})};
             s.constrain(cdtPinned, it[0], 0, edrStart);
             s.constrain(cdtHorizon, it[0], 0, edrCurve);
         },
         [](const Items& it) {
             return (startOf(it[0]) - V(1, 2)).Length() + std::fabs(endOf(it[0]).y - startOf(it[0]).y);
         }},
        {"line length",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 1})};
             s.constrain(cdtLineLength, it[0], 0, edrCurve, nullptr, 0, edrCurve, 12.0);
         },
         [](const Items& it) { return std::fabs((endOf(it[0]) - startOf(it[0])).Length() - 12.0); }},
        {"horizontal length of a polyline segment",
         [](Canvas& s, Items& it) {
             it = {s.polyline({{0, 0}, {3, 5}, {9, 6}})};
             s.constrain(cdtLineLength, it[0], 1, edrCurve, nullptr, 0, edrCurve, 8.0, 1.0);
         },
         [](const Items& it) { return std::fabs(std::fabs(endOf(it[0], 1).x - startOf(it[0], 1).x) - 8.0); }},
        {"vertical length of a line",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 1})};
             s.constrain(cdtLineLength, it[0], 0, edrCurve, nullptr, 0, edrCurve, 3.0, 2.0);
         },
         [](const Items& it) { return std::fabs(std::fabs(endOf(it[0]).y - startOf(it[0]).y) - 3.0); }},
        {"distance from a line's end to a circle's centre",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {4, 1}), s.circle({9, 2}, 1)};
             s.constrain(cdtPointDistanceToPoint, it[0], 0, edrEnd, it[1], 0, edrCenter, 7.0);
         },
         [](const Items& it) { return std::fabs((endOf(it[0]) - centreOf(it[1])).Length() - 7.0); }},
        {"horizontal distance between two line ends",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {4, 1}), s.line({9, 2}, {12, 5})};
             s.constrain(cdtPointDistanceToPoint, it[0], 0, edrEnd, it[1], 0, edrStart, 2.5, 1.0);
         },
         [](const Items& it) { return std::fabs(std::fabs(startOf(it[1]).x - endOf(it[0]).x) - 2.5); }},
        {"distance from a point to a line",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 0}), s.line({3, 5}, {4, 9})};
             s.constrain(cdtPointDistanceToLine, it[1], 0, edrStart, it[0], 0, edrCurve, 3.0);
         },
         [](const Items& it) { return std::fabs(offLine(startOf(it[1]), startOf(it[0]), endOf(it[0])) - 3.0); }},
        {"distance from a point to a circle",
         [](Canvas& s, Items& it) {
             it = {s.circle({0, 0}, 4), s.line({9, 0}, {12, 2})};
             s.constrain(cdtPointDistanceToLine, it[1], 0, edrStart, it[0], 0, edrCurve, 2.0);
         },
         [](const Items& it) {
             return std::fabs(std::fabs((startOf(it[1]) - centreOf(it[0])).Length() - radiusOf(it[0])) - 2.0);
         }},
        {"distance between two lines",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 0}), s.line({0, 4}, {10, 4.3})};
             s.constrain(cdtLineDistanceToLine, it[0], 0, edrCurve, it[1], 0, edrCurve, 5.0);
         },
         [](const Items& it) {
             return std::max(std::fabs(offLine(startOf(it[1]), startOf(it[0]), endOf(it[0])) - 5.0),
                             std::fabs(offLine(endOf(it[1]), startOf(it[0]), endOf(it[0])) - 5.0));
         }},
        {"sweep of a counter-clockwise arc",
         [](Canvas& s, Items& it) {
             it = {s.arc({0, 0}, 5, 0, kPi / 2)};
             s.constrain(cdtArcAngle, it[0], 0, edrCurve, nullptr, 0, edrCurve, 60.0);
         },
         [](const Items& it) { return std::fabs(sweepDegrees(it[0]) - 60.0) / 60.0; }},
        {"sweep of a clockwise arc",
         [](Canvas& s, Items& it) {
             it = {s.arc({0, 0}, 5, 0, kPi / 2, -1)};
             s.constrain(cdtArcAngle, it[0], 0, edrCurve, nullptr, 0, edrCurve, 120.0);
         },
         [](const Items& it) { return std::fabs(sweepDegrees(it[0]) - 120.0) / 120.0; }},
        {"angle between two lines",
         [](Canvas& s, Items& it) {
             it = {s.line({0, 0}, {10, 0}), s.line({0, 0}, {6, 5})};
             s.constrain(cdtLineAngle, it[0], 0, edrCurve, it[1], 0, edrCurve, 30.0, 1.0);
         },
         [](const Items& it) {
             const V u = endOf(it[0]) - startOf(it[0]), v = endOf(it[1]) - startOf(it[1]);
             return std::fabs(std::atan2(u.x * v.y - u.y * v.x, u.Dot(v)) * 180 / kPi - 30.0) / 30.0;
         }},
        {"radius of a circle",
         [](Canvas& s, Items& it) {
             it = {s.circle({0, 0}, 3)};
             s.constrain(cdtRadius, it[0], 0, edrCurve, nullptr, 0, edrCurve, 4.0);
         },
         [](const Items& it) { return std::fabs(radiusOf(it[0]) - 4.0); }},
        {"radius of an arc",
         [](Canvas& s, Items& it) {
             it = {s.arc({0, 0}, 5, 0.2, 2)};
             s.constrain(cdtRadius, it[0], 0, edrCurve, nullptr, 0, edrCurve, 7.0);
         },
         [](const Items& it) { return std::fabs(radiusOf(it[0]) - 7.0); }},
        {"diameter of a circle",
         [](Canvas& s, Items& it) {
             it = {s.circle({0, 0}, 3)};
             s.constrain(cdtDiameter, it[0], 0, edrCurve, nullptr, 0, edrCurve, 9.0);
         },
         [](const Items& it) { return std::fabs(2 * radiusOf(it[0]) - 9.0); }},
        {"ellipse radius along the axis",
         [](Canvas& s, Items& it) {
             it = {s.ellipse({0, 0}, {1, 0}, 6, 3)};
             s.constrain(cdtEllipseRadius, it[0], 0, edrCurve, nullptr, 0, edrCurve, 8.0, 0.0);
         },
         [](const Items& it) { return std::fabs(static_cast<const zgp::CEllipse2d*>(seg(it[0]))->MajorRadius() - 8.0); }},
        {"ellipse radius across the axis",
         [](Canvas& s, Items& it) {
             it = {s.ellipse({0, 0}, {1, 0}, 6, 3)};
             s.constrain(cdtEllipseRadius, it[0], 0, edrCurve, nullptr, 0, edrCurve, 2.0, 1.0);
         },
         [](const Items& it) { return std::fabs(static_cast<const zgp::CEllipse2d*>(seg(it[0]))->MinorRadius() - 2.0); }},
    };
}

}  // namespace

TEST(KindSolve, EveryKindHoldsAfterSolvingFromAPerturbedStart) {
    for (const KindCase& k : kindCases()) {
        SCOPED_TRACE(k.name);
        Canvas s;
        Items items;
        k.build(s, items);
        ASSERT_GT(k.error(items), 1e-3) << "the start already satisfies the constraint";
        ASSERT_EQ(s.solve(), esrSolved) << QString::fromStdWString(s.message).toStdString();
        EXPECT_LT(k.error(items), kDone);
        EXPECT_TRUE(s.conflicts.empty());
        // The curves from before the solve stay readable, one per bound segment.
        EXPECT_FALSE(s.d.constraintEntityID2Curve().empty());
    }
}

TEST_F(Sketch, DisabledConstraintsAndUnresolvableReferencesGiveTheSolverNothing) {
    ZVDLine* l = line({0, 0}, {10, 1});
    ZVDPolyline* p = polyline({{0, 0}, {5, 1}});
    constrain(cdtHorizon, l, 0, edrCurve)->setEnable(false);
    constrain(cdtLineLength, l, 0, edrCurve, nullptr, 0, edrCurve, 20.0)->setEnable(false);
    constrain(cdtHorizon, p, 7, edrCurve);                         // no such segment
    constrain(cdtCoincident, l, 0, edrEnd, nullptr, 0, edrStart);  // second item missing
    ZVDConstraint* gone = constrain(cdtVertical, l, 0, edrCurve);
    gone->setEntityID1(999);                                       // no such item
    constrain(cdtRadius, l, 0, edrCurve, nullptr, 0, edrCurve, 3.0);  // a line has no radius
    const std::string before = seg(l)->AsString() + seg(p)->AsString();
    EXPECT_EQ(solve(), esrSolved);
    EXPECT_EQ(seg(l)->AsString() + seg(p)->AsString(), before);
}

TEST_F(Sketch, AFailedSolveRestoresEveryCurveAndNamesEachConflictOnce) {
    ZVDLine* l = line({0, 0}, {10, 1});
    ZVDPolygon* poly = polygon({{0, 0}, {10, 0}, {10, 8}, {0, 8}});
    ZVDArc* a = arc({0, 0}, 5, 0, 1);
    ZVDConstraint* tenLong = constrain(cdtLineLength, l, 0, edrCurve, nullptr, 0, edrCurve, 10.0);
    constrain(cdtCoincident, poly, 1, edrEnd, a, 0, edrStart);
    constrain(cdtPerpendicular, poly, 0, edrCurve, l, 0, edrCurve);
    auto shapes = [&] { return seg(l)->AsString() + seg(poly, 1)->AsString() + seg(poly, 0)->AsString() + seg(a)->AsString(); };
    const std::string before = shapes();
    ASSERT_EQ(solve(), esrSolved);  // a first solve fills the backup map
    const std::string solved = shapes();
    EXPECT_NE(solved, before);
    EXPECT_FALSE(d.constraintEntityID2Curve().empty());

    // Two lengths for one line: nothing moves, both are named once, the map is emptied.
    ZVDConstraint* twelveLong = constrain(cdtLineLength, l, 0, edrCurve, nullptr, 0, edrCurve, 12.0);
    conflicts = {tenLong};  // the list is appended to, never emptied
    message.clear();
    EXPECT_EQ(d.calculateConstraints(true, message, conflicts), esrConflict);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(shapes(), solved);
    EXPECT_TRUE(d.constraintEntityID2Curve().empty());
    EXPECT_EQ(conflicts, (std::vector<ZVDConstraint*>{tenLong, twelveLong}));
}

TEST_F(Sketch, ResultCodesPassThroughAndAreToldApart) {
    ZVDCircle* c = circle({0, 0}, 3);
    ZVDConstraint* zero = constrain(cdtRadius, c, 0, edrCurve, nullptr, 0, edrCurve, 0.0);  // no such radius
    EXPECT_EQ(solve(), esrInvalid);
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0], zero);
    EXPECT_EQ(radiusOf(c), 3.0);
    // A reference type no geometry has (as a damaged file may hold) is refused the same way.
    zero->setConstraintValue(2.0);
    ZVDLine* l = line({0, 0}, {1, 1});
    ZVDConstraint* odd = constrain(cdtCoincident, l, 0, static_cast<EnDimRefType>(200000), c, 0, edrCenter);
    EXPECT_EQ(solve(), esrInvalid);
    EXPECT_EQ(conflicts, std::vector<ZVDConstraint*>{odd});
    EXPECT_EQ(radiusOf(c), 3.0);
}

TEST_F(Sketch, DrivenSolveLeavesMeasuredKindsOut) {
    ZVDLine* l = line({0, 0}, {10, 1});
    ZVDConstraint* length = constrain(cdtLineLength, l, 0, edrCurve, nullptr, 0, edrCurve, 20.0);
    constrain(cdtHorizon, l, 0, edrCurve);
    ASSERT_EQ(solve(false), esrSolved);
    EXPECT_LT(std::fabs(endOf(l).y - startOf(l).y), kDone);
    EXPECT_GT(std::fabs((endOf(l) - startOf(l)).Length() - 20.0), 9.0);  // not driven to 20
    // A plain constraint item of a measured kind stays disabled after a driven solve.
    EXPECT_FALSE(length->enable());
}

TEST_F(Sketch, EmptyListSolvesAndReportsNothing) {
    docfix::Recorder rec;
    d.attachObserver(&rec);
    line({0, 0}, {1, 1});
    rec.events.clear();
    EXPECT_EQ(solve(), esrSolved);
    EXPECT_TRUE(rec.events.empty());
    EXPECT_TRUE(d.constraintEntityID2Curve().empty());
    d.detachObserver(&rec);
}

TEST_F(Sketch, ErasingAnItemRemovesTheConstraintsOnItsFirstSegment) {
    ZVDPolyline* p = polyline({{0, 0}, {5, 0}, {5, 5}, {0, 5}});
    ZVDLine* l = line({6, 0}, {9, 2});
    ZVDConstraint* onFirst = constrain(cdtCoincident, l, 0, edrStart, p, 0, edrEnd);
    ZVDConstraint* onThird = constrain(cdtHorizon, p, 2, edrCurve);
    ZVDConstraint* temp = constrain(cdtParallel, p, 0, edrCurve, l, 0, edrCurve);
    temp->setTemp(true);
    const int onThirdId = onThird->iD(), onFirstId = onFirst->iD();
    docfix::Recorder rec;
    d.attachObserver(&rec);
    std::vector<ZVDConstraint*> before;
    ASSERT_EQ(d.getAllConstraints(before), 3);
    d.remove(p);
    EXPECT_EQ(d.find(onFirstId), nullptr);
    EXPECT_NE(d.find(onThirdId), nullptr);  // bound only to segment 2
    EXPECT_NE(d.find(temp->iD()), nullptr);
    // The removed constraint was reported as erased, before the polyline itself.
    int erasing = 0;
    for (const docfix::Event& e : rec.events) erasing += e.code == vdnItemErasing;
    EXPECT_EQ(erasing, 2);
    EXPECT_EQ(rec.events[0].code, vdnItemErasing);
    // The constraint left behind points at nothing and gives the solver nothing.
    EXPECT_EQ(solve(), esrSolved);
    d.detachObserver(&rec);
}

TEST_F(Sketch, RelatedConstraintsFollowChildrenAndChains) {
    auto* pc = new ZVDPolyComposite;
    auto* a = new ZVDLine;
    a->set({0, 0}, {5, 0});
    auto* b = new ZVDLine;
    b->set({5, 0}, {5, 5});
    pc->add(a);
    pc->add(b);
    d.add(pc);
    ZVDLine* c = line({8, 8}, {9, 9});
    ZVDLine* far = line({20, 20}, {30, 30});
    ZVDConstraint* k1 = constrain(cdtPerpendicular, b, 0, edrCurve, c, 0, edrCurve);
    ZVDConstraint* k2 = constrain(cdtHorizon, a, 0, edrCurve);
    ZVDConstraint* k3 = constrain(cdtParallel, c, 0, edrCurve, far, 0, edrCurve);
    ZVDConstraint* k4 = constrain(cdtVertical, far, 3, edrCurve);
    std::vector<ZVDConstraint*> out;
    EXPECT_EQ(d.getRelatedConstraints(pc, 0, out, nullptr, false), 2);
    EXPECT_EQ(out, (std::vector<ZVDConstraint*>{k1, k2}));
    EXPECT_EQ(d.getRelatedConstraints(c, 0, out, [&](ZVDConstraint* x) { return x != k1; }, false), 1);
    EXPECT_EQ(out, (std::vector<ZVDConstraint*>{k3}));
    EXPECT_EQ(d.getRelatedConstraints(far, 0, out, nullptr, true), 2);
    // Closure from b reaches c and far through k1 and k3, but not far's segment 3.
    out.clear();
    EXPECT_EQ(d.getRelatedConstraints({{b, 0}}, out), 2);
    EXPECT_EQ(out, (std::vector<ZVDConstraint*>{k1, k3}));
    std::vector<std::pair<ZVDEntity*, int>> partners;
    EXPECT_EQ(d.getRelatedEntity(c, 0, cdtParallel, partners), 1);
    EXPECT_EQ(partners[0], std::make_pair(static_cast<ZVDEntity*>(far), 0));
    // Changing a constraint's bound identifier moves it in the drawing's index.
    k4->setEntityID1(c->iD());
    k4->setEntityIndexID1(0);
    EXPECT_EQ(d.getRelatedConstraints(c, 0, out, nullptr, false), 3);
}

TEST_F(Sketch, AMovedChildReportsItsPolyComposite) {
    auto* chain = new ZVDPolyComposite;
    auto* first = new ZVDLine;
    first->set({0, 0}, {10, 2});
    chain->add(first);
    d.add(chain);
    constrain(cdtHorizon, first, 0, edrCurve);
    docfix::Recorder rec;
    d.attachObserver(&rec);
    ASSERT_EQ(solve(), esrSolved);
    std::set<ZVDEntity*> reported;
    for (const docfix::Event& e : rec.events)
        if (e.code == vdnDataChanged) reported.insert(e.item);
    EXPECT_TRUE(reported.count(first));
    EXPECT_TRUE(reported.count(chain));
    d.detachObserver(&rec);
}

TEST_F(Sketch, SolvingRelatedItemsLeavesTheRestAlone) {
    ZVDLine* a = line({0, 0}, {10, 1});
    ZVDLine* b = line({0, 5}, {10, 7});
    constrain(cdtHorizon, a, 0, edrCurve);
    constrain(cdtHorizon, b, 0, edrCurve);
    EXPECT_EQ(d.calculateConstraints({{a, 0}}, true, message, conflicts), esrSolved);
    EXPECT_LT(std::fabs(endOf(a).y - startOf(a).y), kDone);
    EXPECT_EQ(endOf(b).y, 7.0);
}

// The host adds a line and a circle, a tangent constraint, solves, paints and saves.
TEST_F(Sketch, TheTypicalRequestFromEndToEnd) {
    docfix::Recorder rec;
    std::string log;
    docfix::LogListener repaint("U", &log);
    d.attachObserver(&rec);
    d.setOnUpdateDrawing(&repaint);
    ZVDLine* l = line({-10, 5.5}, {10, 6.5});
    l->setColor(0x0000FF);
    ZVDCircle* c = circle({0, 0}, 5);
    c->setColor(0xFF0000);
    EXPECT_EQ(l->iD(), 0);
    EXPECT_EQ(c->iD(), 1);
    std::vector<ZVDEntity*> added;
    for (const docfix::Event& e : rec.events)
        if (e.code == vdnItemAdded) added.push_back(e.item);
    EXPECT_EQ(added, (std::vector<ZVDEntity*>{l, c}));
    ZVDConstraint* t = constrain(cdtTangent, l, 0, edrCurve, c, 0, edrCurve);

    rec.events.clear();
    log.clear();
    ASSERT_EQ(solve(), esrSolved);
    EXPECT_LT(std::fabs(offLine(centreOf(c), startOf(l), endOf(l)) - radiusOf(c)), kDone);
    std::set<ZVDEntity*> reported;
    for (const docfix::Event& e : rec.events)
        if (e.code == vdnDataChanged) reported.insert(e.item);
    EXPECT_EQ(reported, (std::set<ZVDEntity*>{l, c, t}));
    EXPECT_FALSE(log.empty());

    // Line, circle, then the constraint's green mark, all in one pass.
    HDC hdc = createRecordingDC();
    ZCoordTrans trans;
    d.draw(hdc, trans, zgp::CBox2<int>(-100, -100, 100, 100));
    QStringList pens;  // pen colours in the order they were first used, each run once
    const QRegularExpression colour("0x00[0-9a-f]{6}");
    for (const QString& call : recordedCalls(hdc)) {
        if (!call.startsWith("CreatePen") && !call.startsWith("ExtCreatePen")) continue;
        const QString c = colour.match(call).captured();
        if (c != "0x00ffffff" && (pens.isEmpty() || pens.last() != c)) pens << c;  // white: the background
    }
    destroyDC(hdc);
    EXPECT_EQ(pens, QStringList({"0x000000ff", "0x00ff0000", "0x0000ff00"}));

    const QString path = QDir::temp().filePath("zvd_typical_request.xml");
    ASSERT_TRUE(d.saveToFile(path.toStdWString(), vdsfXML, false));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QDomDocument doc;
    ASSERT_TRUE(doc.setContent(&f));
    const QDomElement root = doc.documentElement();
    EXPECT_EQ(root.tagName(), "ZelvaroneVectorDrawing");
    EXPECT_EQ(root.attribute("Version"), "3.4");
    EXPECT_FALSE(root.firstChildElement("Layers").isNull());
    EXPECT_EQ(root.firstChildElement("DrawingItems").childNodes().size(), 3);
    EXPECT_FALSE(root.firstChildElement("BLOCKS").isNull());
    EXPECT_EQ(root.firstChildElement("BLOCKS").childNodes().size(), 0);
    f.remove();
    d.setOnUpdateDrawing(nullptr);
    d.detachObserver(&rec);
}
