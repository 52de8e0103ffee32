// zvd tests: constraint dimensions: defaults, shapes, the grip drag worked by hand, marks passed
// to child dimensions, driving and driven solves, children in both file forms, and bad input.
#include <QRegularExpression>

#include "constraints/constraint_fixture.h"
#include "persistence/test_xml_support.h"
#include "support/docitems.h"
#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/constraints/zvdconstraintkinds.h"
#include "zvd/entities/zvdtext.h"

using cfix::V;
using namespace cfix;

namespace {

struct Dimensions : Sketch {
    ZVDConstraintDimension* dimension(ZVDConstraintDataType kind, ZVDEntity* e1, EnDimRefType r1, ZVDEntity* e2,
                                      EnDimRefType r2, double mode, V placed, ZVDEntity* parent = nullptr) {
        ZVDConstraintParams p;
        p.entityID1 = e1->iD();
        p.refType1 = r1;
        p.entityID2 = e2 ? e2->iD() : -1;
        p.refType2 = r2;
        p.dimParams[0] = mode;
        p.constraintPos[0] = placed;
        auto* dim = new ZVDConstraintDimension;
        d.add(parent, dim);
        dim->initialize(p, kind);
        dim->modifyData(p, true);
        return dim;
    }
    static V start(ZVDEntity* item) { return static_cast<ZVDCurve*>(item)->line(0)->StartPoint(); }
    static V end(ZVDEntity* item) { return static_cast<ZVDCurve*>(item)->line(0)->EndPoint(); }
};

void expectNear(V a, V b, double tol = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

}  // namespace

TEST_F(Dimensions, NewDimensionDefaultsAndShapes) {
    ZVDConstraintDimension fresh;
    EXPECT_TRUE(fresh.canEdit());
    EXPECT_EQ(std::make_tuple(fresh.startMarkSize(), fresh.endMarkSize(), fresh.startMarkStyle(), fresh.endMarkStyle()),
              std::make_tuple(short(16), short(16), msSlash, msSlash));
    EXPECT_EQ(fresh.color(), 0x008000);
    EXPECT_EQ(fresh.itemType(), vdiConstraintDimension);

    ZVDLine* l = line({0, 0}, {10, 4});
    ZVDArc* a = arc({20, 0}, 5, 0, 1.5);
    ZVDConstraintDimension* length = dimension(cdtLineLength, l, edrCurve, nullptr, edrCurve, 0, {5, 8});
    ZVDConstraintDimension* angle = dimension(cdtArcAngle, a, edrCurve, nullptr, edrCurve, 0, {30, 10});
    EXPECT_EQ(length->dimLine()->itemType(), vdiDimensionLine);
    EXPECT_EQ(angle->dimLine()->itemType(), vdiDimensionArc);
    // Shapes are children in the drawing: numbered, not persistent, without grips.
    ASSERT_EQ(length->count(), 4);
    for (int i = 0; i < length->count(); ++i) {
        EXPECT_EQ(d.find(length->items(i)->iD()), length->items(i));
        EXPECT_FALSE(length->items(i)->persistent());
        EXPECT_EQ(length->items(i)->gripCount(), 0);
    }
    EXPECT_EQ(length->dimText()->displayLevel(), 1);
    EXPECT_EQ(length->dimText()->text(), L"11");  // the length 10.77 as a whole number
    // A dimension without showGrip has no grip.
    EXPECT_EQ(length->gripCount(), 1);
    length->setShowGrip(false);
    EXPECT_EQ(length->gripCount(), 0);
}

// The horizontal length of (0, 0)-(10, 4) dragged to (5, 9): offsets 9 and 5, value 10, and the
// dimension line above both ends at y = 4 + 5 = 9, the extension lines across it at x 0 and 10.
TEST_F(Dimensions, DraggingTheGripMovesTheDimensionLine) {
    ZVDLine* l = line({0, 0}, {10, 4});
    ZVDConstraintDimension* dim = dimension(cdtLineLength, l, edrCurve, nullptr, edrCurve, 1, {5, -3});
    ASSERT_TRUE(dim->dragGrip(0, {5, 9}));
    EXPECT_EQ(dim->params().dimParams[1], 9.0);
    EXPECT_EQ(dim->params().dimParams[2], 5.0);
    EXPECT_EQ(dim->params().value, 10.0);
    expectNear(start(dim->dimLine()), {0, 9});
    expectNear(end(dim->dimLine()), {10, 9});
    expectNear(dim->grip(0), {5, 9});
    expectNear(start(dim->extLine1()), {0, 9 - 36});
    expectNear(end(dim->extLine2()), {10, 9 + 36});
    EXPECT_EQ(dim->dimText()->text(), L"10");
    // The text sits 6 above the dimension line's middle, level.
    expectNear(dim->dimText()->insertPt(), {5, 15});
    EXPECT_NEAR(dim->dimText()->angle(), 0.0, 1e-6);
}

TEST_F(Dimensions, MarksReachChildDimensions) {
    ZVDLine* a = line({0, 0}, {10, 0});
    ZVDLine* b = line({0, 5}, {10, 5});
    ZVDConstraintDimension* group = dimension(cdtMultiDistance, a, edrCurve, b, edrCurve, 0, {5, 2});
    ZVDConstraintDimension* child = dimension(cdtLineDistanceToLine, a, edrCurve, b, edrCurve, 0, {5, 2}, group);
    EXPECT_FALSE(group->canEdit());
    group->setEndMarkSize(24);
    group->setStartMarkStyle(msArrow);
    EXPECT_EQ(child->endMarkSize(), 24);
    EXPECT_EQ(child->startMarkStyle(), msArrow);
    EXPECT_EQ(child->dimLine()->endMarkSize(), 24);
    EXPECT_EQ(group->propValue(vdpDimEndMarkSize), L"24");
    std::vector<ZVDConstraint*> children;
    group->childConstraints(children);
    EXPECT_EQ(children, std::vector<ZVDConstraint*>{child});
}

TEST_F(Dimensions, DrivingMovesTheGeometryAndDrivenFollowsIt) {
    ZVDLine* l = line({0, 0}, {10, 0});
    constrain(cdtPinned, l, 0, edrStart);
    constrain(cdtHorizon, l, 0, edrCurve);
    ZVDConstraintDimension* dim = dimension(cdtLineLength, l, edrCurve, nullptr, edrCurve, 0, {5, 4});
    ASSERT_TRUE(dim->setConstraintValue(14));
    ASSERT_EQ(solve(true), esrSolved);
    EXPECT_NEAR(end(l).x, 14, 1e-9);
    EXPECT_EQ(dim->dimText()->text(), L"14");

    // Driven: the line's end is tied to a pinned point at x = 7; the value follows.
    ZVDLine* post = line({7, 0}, {7, 5});
    constrain(cdtPinned, post, 0, edrStart);
    constrain(cdtCoincident, l, 0, edrEnd, post, 0, edrStart);
    ASSERT_EQ(solve(false), esrSolved);
    EXPECT_NEAR(end(l).x, 7, 1e-9);
    EXPECT_NEAR(dim->params().value, 7, 1e-9);
    EXPECT_EQ(dim->dimText()->text(), L"7");
    EXPECT_TRUE(dim->enable());
    EXPECT_TRUE(dim->visible());
    // The dimension now holds the followed value, so driving by it agrees with the tie.
    EXPECT_EQ(solve(true), esrSolved);

    // A line of no length hides its dimension after a driven solve.
    ZVDLine* dot = line({20, 0}, {25, 0});
    ZVDConstraintDimension* hidden = dimension(cdtLineLength, dot, edrCurve, nullptr, edrCurve, 0, {22, 3});
    constrain(cdtPinned, dot, 0, edrStart);
    dot->set({20, 0}, {20, 0});
    ASSERT_EQ(solve(false), esrSolved);
    EXPECT_FALSE(hidden->visible());
    EXPECT_EQ(hidden->params().value, 0.0);
}

TEST_F(Dimensions, ChildrenTravelInTheStreamAndNotInXml) {
    ZVDLine* a = line({0, 0}, {10, 0});
    ZVDLine* b = line({0, 5}, {10, 5});
    ZVDConstraintDimension* group = dimension(cdtMultiDistance, a, edrCurve, b, edrCurve, 0, {5, 2});
    dimension(cdtLineDistanceToLine, a, edrCurve, b, edrCurve, 0, {5, 2}, group);
    group->build();  // places the child through the group's grip, as every refresh does
    dimension(cdtLineLength, a, edrCurve, nullptr, edrCurve, 1, {5, -6});
    for (EnVDSaveFormat format : {vdsfBinary, vdsfXML}) {
        SCOPED_TRACE(format);
        ZVectorDrawing back;
        xmlfix::expectSameBytesAfterReload(d, format, back);
        auto* loaded = dynamic_cast<ZVDConstraintDimension*>(back.item(2));
        ASSERT_NE(loaded, nullptr);
        std::vector<ZVDConstraint*> children;
        loaded->childConstraints(children);
        EXPECT_EQ(children.size(), format == vdsfXML ? 0u : 1u);
        // Loading rebuilt the shapes of every dimension. The XML form keeps the placed point but
        // not the offsets or the direction mode: the dimension comes back aligned, through that
        // point (here the same line, since the measured line is level).
        auto* length = dynamic_cast<ZVDConstraintDimension*>(back.item(3));
        ASSERT_NE(length, nullptr);
        EXPECT_EQ(length->dimText()->text(), L"10");
        expectNear(start(length->dimLine()), {0, -6});
        EXPECT_EQ(length->params().dimParams[0], format == vdsfXML ? 0.0 : 1.0);
    }
}

TEST_F(Dimensions, ErasingTheBoundItemTakesTheDimensionAndItsShapes) {
    ZVDLine* l = line({0, 0}, {10, 0});
    ZVDConstraintDimension* dim = dimension(cdtLineLength, l, edrCurve, nullptr, edrCurve, 0, {5, 4});
    const int shapeId = dim->dimText()->iD();
    const int dimId = dim->iD();
    docfix::Recorder rec;
    d.attachObserver(&rec);
    d.remove(l);
    EXPECT_EQ(d.find(dimId), nullptr);
    EXPECT_EQ(d.find(shapeId), nullptr);
    EXPECT_EQ(d.count(), 0);
    d.detachObserver(&rec);
}

TEST(DimensionFiles, HostileRecordsFailCleanly) {
    Canvas s;
    ZVDLine* a = s.line({0, 0}, {10, 0});
    auto* dim = new ZVDConstraintDimension;
    s.d.add(dim);
    ZVDConstraintParams p;
    p.entityID1 = a->iD();
    dim->initialize(p, cdtMultiDistance);
    const std::string bytes = xmlfix::saveIn(s.d, vdsfBinary);
    // The record ends with the marks (16, 16, 3, 3) and the child count 0.
    const std::string tail = std::string("\x10\0\x10\0\x03\x03", 6) + std::string(4, '\0');
    const size_t at = bytes.rfind(tail);
    ASSERT_NE(at, std::string::npos);
    const size_t countAt = at + 6;
    // A huge count with nothing behind it, a child of another item type, a child record nested
    // far past the loaders' limit.
    std::string huge = bytes;
    huge.replace(countAt, 4, std::string("\xff\xff\xff\x7f", 4));
    std::string wrongType = bytes;
    wrongType.replace(countAt, 4, std::string("\x01\0\0\0", 4));
    wrongType.insert(countAt + 4, std::string(1, char(vdiLine)));
    std::string deep = bytes.substr(0, countAt);
    const std::string head = bytes.substr(bytes.rfind(std::string(1, char(vdiConstraintDimension)), at), at + 6 -
                                          bytes.rfind(std::string(1, char(vdiConstraintDimension)), at));
    for (int i = 0; i < 300; ++i) deep += std::string("\x01\0\0\0", 4) + head;
    for (const std::string& bad : {huge, wrongType, deep}) {
        ZVectorDrawing d;
        std::stringstream in = docfix::binaryStream(bad);
        EXPECT_FALSE(d.loadFromStream(&in));
        EXPECT_EQ(d.count(), 0);
    }
    // A dimension whose constraint references nothing: no shapes, no grip, solves to nothing.
    ZVectorDrawing d;
    auto* lost = new ZVDConstraintDimension;
    d.add(lost);
    ZVDConstraintParams none;
    none.entityID1 = 77;
    lost->initialize(none, cdtLineLength);
    lost->build();
    EXPECT_EQ(lost->count(), 0);
    std::wstring message;
    std::vector<ZVDConstraint*> conflicts;
    EXPECT_EQ(d.calculateConstraints(true, message, conflicts), esrSolved);
}
