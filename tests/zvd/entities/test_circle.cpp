// zvd tests: ZVDCircle: grips, and editing that keeps the counter-clockwise full turn.
#include "curve_items.h"

using namespace itemfix;

namespace {

void expectCircle(ZVDCircle& circle, CVec2<double> centre, double radius) {
    const auto* k = static_cast<const CArc2d*>(circle.line(0));
    EXPECT_LT(circle.centerPt().DistanceTo(centre), 1e-9);
    EXPECT_NEAR(circle.radius(), radius, 1e-9);
    EXPECT_EQ(k->Sense() * 10 + k->StartT(), 10) << "sense, start";
    EXPECT_NEAR(k->Length(), 2 * itemfix::kPi * radius, 1e-9);
    if (radius > 0) {
        EXPECT_LT(k->StartPoint().DistanceTo(centre + CVec2<double>(radius, 0)), 1e-9);
    }
}

struct CircleTest : itemfix::ReportingDrawing {
    CircleTest() {
        drawing.add(circle);
        circle->setRadius(10);
        rec.events.clear();
    }
    ZVDCircle* circle = new ZVDCircle;
};

}  // namespace

TEST_F(CircleTest, GripsAndGripDrags) {
    const CVec2<double> expected[] = {{0, 0}, {-10, 0}, {0, -10}, {10, 0}, {0, 10}, {0, 10}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(circle->grip(i), expected[i]) << i;
        EXPECT_EQ(circle->gripType(i), i == 0 ? 2 : 1) << i;
    }
    EXPECT_TRUE(circle->dragGrip(3, {5, 0}));
    EXPECT_TRUE(circle->dragGrip(2, {3, -4}));  // (0, -15) -> (3, -19)
    EXPECT_EQ(reports(circle), 2);
    expectCircle(*circle, {0, 0}, std::sqrt(370.0));
    // A rim grip onto the centre, or within the tolerance of it, is refused.
    EXPECT_FALSE(circle->dragGrip(1, circle->centerPt() - circle->grip(1)));
    EXPECT_FALSE(circle->dragGrip(4, circle->centerPt() - circle->grip(4) + CVec2<double>(1e-7, 0)));
    EXPECT_EQ(reports(circle), 0);
    EXPECT_TRUE(circle->dragGrip(0, {2, -3}));
    EXPECT_EQ(reports(circle), 1);
    expectCircle(*circle, {2, -3}, std::sqrt(370.0));
}

TEST_F(CircleTest, EditingKeepsTheSpan) {
    circle->move({4, 1});
    circle->rotate({5, 5}, itemfix::kPi / 2);  // (4, 1) -> (9, 4)
    EXPECT_EQ(reports(circle), 2);
    expectCircle(*circle, {9, 4}, 10);
    circle->mirror({0, 1}, {2, 3});  // across y = x + 1: (x, y) -> (y - 1, x + 1)
    EXPECT_EQ(reports(circle), 1);
    expectCircle(*circle, {3, 10}, 10);
    EXPECT_NEAR(circle->outRect().min.x, -7, 1e-9);

    // Setters report without comparing; bad radii are refused; an arc lends centre and radius.
    circle->setRadius(10);
    circle->setRadius(-1);
    circle->setRadius(std::nan(""));
    CArc2d part(CVec2<double>(4, -1), 3, zgp::CInterval<double>(-2, 1), -1);
    circle->setXLines(0, &part);
    zgp::CLine2d segment(CVec2<double>(0, 0), CVec2<double>(1, 0));
    circle->setXLines(0, &segment);
    circle->stretch(CBox2<double>(0, 0, 5, 5), {1, 1});
    EXPECT_EQ(reports(circle), 3);
    expectCircle(*circle, {4, -1}, 3);

    std::unique_ptr<ZVDCoordData> snap(circle->createCoordData());
    circle->dragGrip(3, {5, 0});
    circle->move({-7, 7});
    rec.events.clear();
    circle->setCoordData(*snap);  // centre, then radius: one report each
    EXPECT_EQ(reports(circle), 2);
    expectCircle(*circle, {4, -1}, 3);
    std::unique_ptr<ZVDEntity> clone(circle->clone());
    ASSERT_EQ(clone->itemType(), vdiCircle);
    expectCircle(*static_cast<ZVDCircle*>(clone.get()), {4, -1}, 3);
}
