// zvd tests: the constraint item on its own: parameter blocks, bound pairs, positions, kinds and
// their value rules, anchors worked out by hand, marks, and both file forms with bad input.
#include <cstring>
#include <limits>

#include <QRegularExpression>

#include "constraints/constraint_fixture.h"
#include "persistence/test_xml_support.h"
#include "support/docitems.h"
#include "zvd/constraints/zvdconstraintkinds.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"

using cfix::V;
using namespace cfix;

namespace {

ZVDConstraintParams block(int id1, int i1, EnDimRefType r1, int id2, int i2, EnDimRefType r2) {
    ZVDConstraintParams p;
    p.entityID1 = id1;
    p.entityIndexID1 = i1;
    p.refType1 = r1;
    p.entityID2 = id2;
    p.entityIndexID2 = i2;
    p.refType2 = r2;
    return p;
}

void expectNear(V a, V b, double tol = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

}  // namespace

TEST(ConstraintParams, EqualWhenTheSameReferencesMatchStraightOrCrossed) {
    const ZVDConstraintParams a = block(1, 2, edrStart, 3, 4, edrEnd);
    ZVDConstraintParams valueOnly = a;
    valueOnly.value = 7;
    valueOnly.constraintPos[0] = V(1, 1);
    EXPECT_TRUE(a == valueOnly);
    EXPECT_TRUE(a == block(3, 4, edrEnd, 1, 2, edrStart));
    EXPECT_FALSE(a == block(1, 2, edrEnd, 3, 4, edrStart));  // only the reference types swapped
    EXPECT_FALSE(a == block(1, 4, edrStart, 3, 2, edrEnd));  // only the indices swapped
    EXPECT_TRUE(a != block(1, 2, edrStart, 3, 5, edrEnd));
}

TEST_F(Sketch, BoundPairsPositionsAndKindChanges) {
    ZVDLine* l = line({0, 0}, {10, 0});
    ZVDConstraint* one = constrain(cdtHorizon, l, 0, edrCurve);
    EXPECT_EQ(one->refEntities(), (std::vector<std::pair<int, int>>{{l->iD(), 0}}));
    ZVDConstraint* self = constrain(cdtParallel, l, 0, edrCurve, l, 0);
    EXPECT_EQ(self->refEntities().size(), 1u);
    self->setEntityIndexID2(1);
    EXPECT_EQ(self->refEntities().size(), 2u);
    EXPECT_TRUE(self->refer(l->iD(), 1));
    EXPECT_FALSE(self->refer(l->iD(), 2));

    ZVDConstraint* coincident = constrain(cdtCoincident, l, 0, edrStart, l, 0, edrEnd);
    coincident->setConstraintPos(1, V(4, 5));
    expectNear(coincident->params().constraintPos[0], V(4, 5));
    expectNear(coincident->constraintPos(1), V(4, 5));
    ZVDConstraint* parallel = constrain(cdtParallel, l, 0, edrCurve, l, 0);
    parallel->setConstraintPos(0, V(1, 2));
    parallel->setConstraintPos(3, V(3, 4));
    expectNear(parallel->constraintPos(0), V(1, 2));
    expectNear(parallel->constraintPos(1), V(3, 4));
    ZVDConstraint* length = constrain(cdtLineLength, l, 0, edrCurve, nullptr, 0, edrCurve, 10.0);
    EXPECT_TRUE(std::isnan(length->constraintPos(0).x));
    EXPECT_EQ(length->constraintPos(0).y, 0.0);

    // The same kind keeps its data object and anchor and takes the new block; another kind
    // replaces it; kind 20 clears canEdit; a number outside 0..20 gives no data.
    one->build();
    const ZVDConstraintData* data = one->data();
    const std::string anchor = one->xLines(0)->AsString();
    ZVDConstraintParams p = one->params();
    p.value = 42;
    one->initialize(p, cdtHorizon);
    EXPECT_EQ(one->data(), data);
    EXPECT_EQ(one->params().value, 42.0);
    EXPECT_EQ(one->xLines(0)->AsString(), anchor);
    one->setCanEdit(true);
    one->initialize(p, cdtMultiDistance);
    EXPECT_NE(dynamic_cast<ZVDConstraintMultiDistanceData*>(one->data()), nullptr);
    EXPECT_FALSE(one->canEdit());
    ZVDConstraint stray;
    stray.initialize(p, static_cast<ZVDConstraintDataType>(21));
    EXPECT_EQ(stray.data(), nullptr);
    EXPECT_TRUE(std::isnan(stray.constraintPos(0).x));
    EXPECT_FALSE(stray.setConstraintValue(1.0));
}

TEST_F(Sketch, ValueRulesOfTheMeasuredKinds) {
    ZVDLine* l = line({0, 0}, {10, 0});
    ZVDLine* m = line({0, 5}, {10, 5});
    ZVDArc* a = arc({0, 0}, 5, 0, 1);
    struct Rule {
        ZVDConstraintDataType kind;
        double mode;
        double value;
        bool accepted;
    };
    const Rule rules[] = {
        {cdtLineLength, 0, 1e-6, true},          {cdtLineLength, 0, 0.9e-6, false},
        {cdtLineLength, 0, 1e7, true},           {cdtLineLength, 0, 1e7 + 1, false},
        {cdtPointDistanceToPoint, 0, 0.0, false}, {cdtPointDistanceToPoint, 1, 0.0, true},
        {cdtPointDistanceToPoint, 2, 0.0, true},  {cdtPointDistanceToPoint, 1, -0.5, false},
        {cdtLineDistanceToLine, 0, 0.0, false},   {cdtRadius, 0, 3.0, true},
        {cdtArcAngle, 0, 0.005, false},           {cdtArcAngle, 0, 0.01, true},
        {cdtArcAngle, 0, 359.99, true},           {cdtArcAngle, 0, 360.0, false},
        {cdtLineAngle, 0, 359.995, false},        {cdtLineAngle, 0, 359.994, true},
        {cdtPointDistanceToLine, 0, -4.0, true},  {cdtPinned, 0, -1.0, true},
    };
    for (const Rule& r : rules) {
        SCOPED_TRACE(testing::Message() << "kind " << r.kind << " mode " << r.mode << " value " << r.value);
        ZVDConstraint* c = r.kind == cdtArcAngle || r.kind == cdtRadius
                               ? constrain(r.kind, a, 0, edrCurve, nullptr, 0, edrCurve, 1.0, r.mode)
                               : constrain(r.kind, l, 0, edrEnd, m, 0, edrStart, 1.0, r.mode);
        EXPECT_EQ(c->setConstraintValue(r.value), r.accepted);
        EXPECT_EQ(c->params().value, r.accepted ? (r.kind == cdtLineAngle ? 359.99 : r.value) : 1.0);
    }
    // A line angle is kept to two decimals and refuses the value it already has.
    ZVDConstraint* angle = constrain(cdtLineAngle, l, 0, edrCurve, m, 0, edrCurve, 10.0);
    EXPECT_TRUE(angle->setConstraintValue(45.126));
    EXPECT_EQ(angle->params().value, 45.13);
    EXPECT_FALSE(angle->setConstraintValue(45.13));
}

TEST_F(Sketch, DimensionPlacementWorkedByHand) {
    ZVDLine* l = line({0, 0}, {10, 4});
    ZVDConstraint* c = constrain(cdtLineLength, l, 0, edrCurve, nullptr, 0, edrCurve, 0.0, 1.0);
    auto* data = static_cast<ZVDConstraintLineLengthData*>(c->data());
    ZVDConstraintParams p = c->params();
    // Offsets 3 and -2 of opposite signs split the rise 4 in the ratio 3 : 2, at y = 2.4.
    p.dimParams[1] = 3;
    p.dimParams[2] = -2;
    data->params() = p;
    c->build();
    expectNear(data->gripPoint(), V(5, 2.4));
    // Placed at (5, 9): offsets 9 and 5, value 10, the dimension line at y = 9 above both ends.
    p.constraintPos[0] = V(5, 9);
    c->modifyData(p, true);
    EXPECT_EQ(c->params().dimParams[1], 9.0);
    EXPECT_EQ(c->params().dimParams[2], 5.0);
    EXPECT_EQ(c->params().value, 10.0);
    expectNear(data->gripPoint(), V(5, 9));
    EXPECT_EQ(data->text(), L"10");
    ASSERT_NE(data->directionLine(), nullptr);
    expectNear(data->directionLine()->EndPoint(), V(1, 0));

    // Aligned: the value is the length and the text is a whole number.
    ZVDLine* m = line({0, 0}, {12.7, 0});
    ZVDConstraint* aligned = constrain(cdtLineLength, m, 0, edrCurve, nullptr, 0, edrCurve);
    ZVDConstraintParams q = aligned->params();
    q.constraintPos[0] = V(6, -3);
    aligned->modifyData(q, true);
    EXPECT_NEAR(aligned->params().value, 12.7, 1e-12);
    EXPECT_EQ(aligned->data()->text(), L"13");
    EXPECT_EQ(aligned->params().dimParams[1], -3.0);  // right of the line's direction
    expectNear(static_cast<ZVDConstraintDimensionData*>(aligned->data())->gripPoint(), V(6.35, -3));

    // Radius shown a quarter of the way along a half circle: at 45 degrees.
    ZVDArc* a = arc({0, 0}, 4, 0, 3.14159265358979323846);
    ZVDConstraint* radius = constrain(cdtRadius, a, 0, edrCurve);
    ZVDConstraintParams r = radius->params();
    r.constraintPos[0] = V(10, 10);
    radius->modifyData(r, true);
    EXPECT_NEAR(radius->params().dimParams[0], 0.25, 1e-9);
    EXPECT_EQ(radius->params().value, 4.0);
    expectNear(static_cast<ZVDConstraintDimensionData*>(radius->data())->gripPoint(), V(1, 1) * std::sqrt(2.0), 1e-6);
}

TEST_F(Sketch, MarkAnchorsWorkedByHand) {
    ZVDLine* h = line({0, 0}, {10, 0});
    ZVDLine* v = line({10, -5}, {10, 5});
    ZVDCircle* c = circle({1, 2}, 3);
    struct Anchor {
        ZVDConstraint* item;
        V textPos, from, to;
    };
    const double k = 7 / std::sqrt(2.0);
    const Anchor anchors[] = {
        {constrain(cdtHorizon, h, 0, edrCurve), {5, 5}, {5, 5}, {15, 5}},
        {constrain(cdtVertical, v, 0, edrCurve), {15, 0}, {15, 0}, {15, 10}},
        {constrain(cdtPinned, h, 0, edrEnd), {3, 3}, {3, 3}, {8, 8}},
        {constrain(cdtCoincident, v, 0, edrStart, h, 0, edrEnd), {10, -5}, {9, -6}, {11, -4}},
        {constrain(cdtConcentric, c, 0, edrCurve, c, 0), {1, 2}, {0, 1}, {2, 3}},
        {constrain(cdtParallel, h, 0, edrCurve, v, 0), {5, 5}, {5, 5}, {10, 5}},
        // Outside the corner at (10, 0), turned 135 degrees from the line's direction there.
        {constrain(cdtPerpendicular, h, 0, edrCurve, v, 0), {10 - k, k}, {10 - k, k}, {15 - k, k}},
        {constrain(cdtDiameter, c, 0, edrCurve), {1, 7}, {-2, 2}, {4, 2}},
        {constrain(cdtEqual, c, 0, edrCurve, c, 0), {1, 7}, {-2, 4}, {-2, 9}},
    };
    for (const Anchor& a : anchors) {
        SCOPED_TRACE(testing::Message() << "kind " << a.item->dataType());
        a.item->build();
        expectNear(a.item->textPos(), a.textPos);
        ASSERT_TRUE(a.item->xLines(0));
        expectNear(a.item->xLines(0)->StartPoint(), a.from);
        expectNear(a.item->xLines(0)->EndPoint(), a.to);
    }
    EXPECT_EQ(anchors[7].item->data()->text(), L"6.");
    EXPECT_EQ(anchors[8].item->data()->text(), L"\u2248");
}

TEST_F(Sketch, MarksAreGreenAndBlueWhenSelected) {
    ZVDLine* l = line({0, 0}, {10, 0});
    ZVDCircle* c = circle({5, 5}, 5);
    ZVDConstraint* t = constrain(cdtTangent, l, 0, edrCurve, c, 0);
    t->build();
    HDC hdc = createRecordingDC();
    ZCoordTrans trans;
    auto callsFor = [&](bool selected) {
        clearRecordedCalls(hdc);
        t->setSelected(selected);
        t->draw(hdc, trans, false, 1);
        return recordedCalls(hdc).join(";");
    };
    const QString normal = callsFor(false), selected = callsFor(true);
    destroyDC(hdc);
    EXPECT_TRUE(normal.contains("0x0000ff00"));
    EXPECT_FALSE(normal.contains("0x00ff0000"));
    EXPECT_TRUE(selected.contains("0x00ff0000"));
    EXPECT_EQ(normal.count(QRegularExpression("(^|;)Arc\\(")), 2);  // the two halves of the tangent mark
    // The constraint is never hit and has no grips; its box covers the mark.
    EXPECT_FALSE(t->hitTest(t->textPos(), 10));
    EXPECT_EQ(t->gripCount(), 0);
    EXPECT_TRUE(t->outRect().Contains(t->textPos()));
}

namespace {

// A drawing with every kind bound to real geometry, values and positions set.
void fillEveryKind(Canvas& s) {
    ZVDLine* a = s.line({0, 0}, {10, 1});
    ZVDLine* b = s.line({0, 4}, {10, 5});
    ZVDArc* arc = s.arc({20, 0}, 5, 0, 1.5);
    ZVDCircle* circle = s.circle({30, 0}, 4);
    ZVDEllipse* ell = s.ellipse({40, 0}, {1, 0}, 6, 3);
    ZVDPolygon* poly = s.polygon({{0, 20}, {10, 20}, {10, 30}});
    for (int kind = 0; kind <= 20; ++kind) {
        ZVDEntity* first = kind == cdtArcAngle || kind == cdtRadius || kind == cdtDiameter ? static_cast<ZVDEntity*>(arc)
                           : kind == cdtEllipseRadius                                   ? static_cast<ZVDEntity*>(ell)
                           : kind == cdtConcentric                                       ? static_cast<ZVDEntity*>(circle)
                                                                                         : a;
        ZVDEntity* second = kind == cdtConcentric ? static_cast<ZVDEntity*>(arc) : kind == cdtPinned ? nullptr : b;
        if (kind == cdtSameLine) second = poly;
        ZVDConstraint* c = s.constrain(static_cast<ZVDConstraintDataType>(kind), first, kind == cdtSameLine ? 0 : 0,
                                       edrEnd, second, kind == cdtSameLine ? 2 : 0, edrStart, 2.5 + kind, 1.0);
        c->setConstraintPos(0, V(kind, -kind));
        c->setConstraintPos(1, V(0.1 * kind, 1.0 / 3));
        c->setForceHide(kind % 2 == 0);
        c->build();
    }
}

}  // namespace

TEST(ConstraintFiles, EveryKindRoundTripsByteForByteInBothFormats) {
    for (EnVDSaveFormat format : {vdsfBinary, vdsfXML}) {
        SCOPED_TRACE(format);
        Canvas s;
        fillEveryKind(s);
        ZVectorDrawing back;
        xmlfix::expectSameBytesAfterReload(s.d, format, back);
        std::vector<ZVDConstraint*> loaded;
        ASSERT_EQ(back.getAllConstraints(loaded), 21);
        std::vector<ZVDConstraint*> original;
        s.d.getAllConstraints(original);
        for (size_t i = 0; i < loaded.size(); ++i) {
            const ZVDConstraintParams& p = original[i]->params();
            const ZVDConstraintParams& q = loaded[i]->params();
            EXPECT_EQ(loaded[i]->dataType(), original[i]->dataType());
            EXPECT_EQ(q.entityID1, p.entityID1);
            EXPECT_EQ(q.entityID2, p.entityID2);
            EXPECT_EQ(q.value, p.value);
            EXPECT_EQ(q.refType1, p.refType1);
            EXPECT_EQ(q.refType2, p.refType2);
            expectNear(q.constraintPos[1], p.constraintPos[1], 0);
            // The XML form keeps no segment indices, dimension values or forceHide.
            const bool xml = format == vdsfXML;
            EXPECT_EQ(q.entityIndexID2, xml ? 0 : p.entityIndexID2);
            EXPECT_EQ(q.dimParams[0], xml ? 0.0 : p.dimParams[0]);
            EXPECT_EQ(loaded[i]->forceHide(), xml ? false : original[i]->forceHide());
            // Loading rebuilt the marks of the kinds that have one.
            EXPECT_EQ(bool(loaded[i]->xLines(0)), bool(original[i]->xLines(0)));
        }
    }
}

TEST(ConstraintFiles, UnknownKindsAndDamagedRecordsNeverReachAMissingObject) {
    Canvas s;
    ZVDLine* l = s.line({0, 0}, {10, 0});
    ZVDConstraint* c = s.constrain(cdtSameLine, l, 0, edrCurve, l, 0);
    ZVDConstraintParams p = c->params();
    p.dimParams[3] = 1234.5;
    c->modifyData(p, false);
    const std::string bytes = xmlfix::saveIn(s.d, vdsfBinary);
    char marker[8];
    const double markerValue = 1234.5;
    std::memcpy(marker, &markerValue, 8);
    const size_t at = bytes.find(std::string(marker, 8));
    ASSERT_NE(at, std::string::npos);
    const size_t kindAt = at - 3 * 8 - 4 - 4 * 8 - 2 * 4 - 8 - 4 * 4 - 4;
    const size_t countAt = at - 3 * 8 - 4;
    ASSERT_EQ(bytes.substr(countAt, 4), std::string("\x20\0\0\0", 4));
    ASSERT_EQ(bytes.substr(kindAt, 4), std::string("\x02\0\0\0", 4));

    struct Damage {
        const char* what;
        size_t offset;
        std::string patch;
        bool loads;
    };
    const Damage damages[] = {
        {"a dimension block of 2 GB", countAt, std::string("\xff\xff\xff\x7f", 4), false},
        {"a dimension block of 8 bytes", countAt, std::string("\x08\0\0\0", 4), false},
        {"kind 99", kindAt, std::string("\x63\0\0\0", 4), true},
        {"kind -7", kindAt, std::string("\xf9\xff\xff\xff", 4), true},
    };
    for (const Damage& dmg : damages) {
        SCOPED_TRACE(dmg.what);
        std::string damaged = bytes;
        damaged.replace(dmg.offset, dmg.patch.size(), dmg.patch);
        ZVectorDrawing d;
        std::stringstream in = docfix::binaryStream(damaged);
        EXPECT_EQ(d.loadFromStream(&in), dmg.loads);
        if (!dmg.loads) {
            EXPECT_EQ(d.count(), 0);
            continue;
        }
        // A kind the library does not know leaves an item without data that solves, draws and
        // saves without touching it, and reads back the same way.
        std::wstring message;
        std::vector<ZVDConstraint*> conflicts;
        EXPECT_EQ(d.calculateConstraints(true, message, conflicts), esrSolved);
        ZVectorDrawing again;
        xmlfix::expectSameBytesAfterReload(d, vdsfBinary, again);
        ZVectorDrawing viaXml;
        xmlfix::expectSameBytesAfterReload(d, vdsfXML, viaXml);
    }
    // Cut anywhere inside the constraint record: false and an empty drawing.
    for (size_t cut = kindAt; cut < at + 8; cut += 5) {
        ZVectorDrawing d;
        std::stringstream in = docfix::binaryStream(bytes.substr(0, cut));
        EXPECT_FALSE(d.loadFromStream(&in)) << cut;
        EXPECT_EQ(d.count(), 0);
    }
}

TEST(ConstraintFiles, LoadingRefreshesMarksAndReportsThem) {
    Canvas s;
    ZVDLine* l = s.line({0, 0}, {10, 0});
    s.constrain(cdtHorizon, l, 0, edrCurve);
    const std::string xml = xmlfix::saveIn(s.d, vdsfXML);
    ZVectorDrawing d;
    docfix::Recorder rec;
    d.attachObserver(&rec);
    std::stringstream in = docfix::binaryStream(xml);
    ASSERT_TRUE(d.loadFromStream(&in));
    std::vector<ZVDConstraint*> all;
    ASSERT_EQ(d.getAllConstraints(all), 1);
    ASSERT_TRUE(all[0]->xLines(0));
    expectNear(all[0]->textPos(), V(5, 5));
    // The refreshes come after the items were added.
    size_t lastAdded = 0;
    for (size_t i = 0; i < rec.events.size(); ++i)
        if (rec.events[i].code == vdnItemAdded) lastAdded = i;
    int reportsOfConstraint = 0, reportsOfLine = 0;
    for (size_t i = lastAdded; i < rec.events.size(); ++i) {
        const docfix::Event& e = rec.events[i];
        reportsOfConstraint += e.code == vdnDataChanged && e.item == all[0];
        reportsOfLine += e.code == vdnDataChanged && e.item == d.item(0);
    }
    EXPECT_EQ(reportsOfConstraint, 2);  // the dimension refresh, then the mark rebuild
    EXPECT_EQ(reportsOfLine, 1);
    d.detachObserver(&rec);
}
