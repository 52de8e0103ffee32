// zvd tests: ZVDEntity's identifiers, change reports, state setters, cached box, stretch,
// copies, and the common fields' record layouts, exercised through a real drawing.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include <QDomDocument>
#include <QDomElement>

#include "support/docitems.h"
#include "zgp/tolerance.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/persistence/zxmlattrnames.h"

using docfix::Bytes;
using docfix::TestLine;
using zgp::CBox2;
using zgp::CVec2;

namespace {

struct EntityTest : ::testing::Test {
    EntityTest() : update("u", &log) {
        drawing.attachObserver(&rec);
        drawing.setOnUpdateDrawing(&update);
    }
    TestLine* addLine() {
        auto* line = new TestLine({0, 0}, {10, 0});
        drawing.add(line);
        return line;
    }
    std::string log;
    docfix::LogListener update;
    docfix::Recorder rec;
    ZVectorDrawing drawing;
};

// A drawing with layers "0" (0) and "A" (7), and one line on "A" with every common field set.
struct ItemIoTest : ::testing::Test {
    ItemIoTest() {
        layerA = drawing.layers()->add(L"A");
        layerA->setID(7);
        line = new TestLine;
        line->setLayer(layerA);
        drawing.add(line);
        line->setColor(0x123456);
        line->setBlockTypeID(3);
        line->setBlockID(4);
        line->setRelationID(5);
        line->setEnableType(6);
        line->setExtData(L"abc");
    }
    ZVectorDrawing drawing;
    ZVDLayer* layerA;
    TestLine* line;
};

}  // namespace

TEST_F(EntityTest, IdentifiersFollowTheCounterAndAvoidCollisions) {
    drawing.setMaxID(5);
    auto* temp = new TestLine();
    temp->setPersistent(false);
    drawing.add(temp);
    EXPECT_EQ(temp->iD(), -8);
    EXPECT_EQ(drawing.maxID(), 6);

    TestLine* first = addLine();
    ZVDEntity* copy = first->clone();  // carries identifier 6, already in use
    drawing.add(copy);
    EXPECT_EQ(copy->iD(), 7);
    EXPECT_EQ(drawing.find(6), first);

    auto* group = new ZVDComposite;  // nested items are numbered with their container
    auto* inner = new TestLine;
    group->add(inner);
    drawing.add(group);
    EXPECT_EQ(inner->iD(), 9);
    EXPECT_EQ(drawing.find(9), inner);

    drawing.setMaxID(40);
    ZVDEntity* keeper = addLine()->clone();  // identifier 40, free once the original is gone
    drawing.erase(drawing.count() - 1);
    drawing.setMaxID(0);
    drawing.add(keeper);
    EXPECT_EQ(keeper->iD(), 40);
    EXPECT_EQ(drawing.maxID(), 41);
}

TEST_F(EntityTest, ChangeReportsAndSilentItems) {
    TestLine* line = addLine();
    line->outRect();
    rec.events.clear();
    log.clear();
    line->setColor(0);  // unchanged: no report, cached box kept
    line->setPropValue(vdpColor, L"0");
    line->outRect();
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(line->buildCount, 1);

    line->setPropValue(vdpColor, L"255");
    EXPECT_EQ(drawing.changeCount(), 1);
    ASSERT_EQ(rec.codes(), (std::vector<int>{6}));
    EXPECT_EQ(rec.events[0].item, line);
    EXPECT_EQ(log, "u");
    line->outRect();
    EXPECT_EQ(line->buildCount, 2);
    EXPECT_EQ(line->propValue(vdpText), L"");  // not offered

    TestLine unnumbered;  // an owner but identifier -1: silent, like items being loaded
    unnumbered.setOwner(&drawing);
    unnumbered.setColor(7);
    EXPECT_EQ(drawing.changeCount(), 1);
}

TEST_F(EntityTest, StateSelectionAndVisibilityReports) {
    auto* group = new ZVDComposite;
    auto* child = new TestLine;
    group->add(child);
    drawing.add(group);
    rec.events.clear();
    log.clear();

    group->setHighLight(true);
    group->setHighLight(true);
    EXPECT_EQ(rec.codes(), (std::vector<int>{10}));
    EXPECT_EQ(log, "u");
    group->setSelected(true);  // the child reports first, then the container; no repaint
    EXPECT_TRUE(child->selected());
    group->setVisible(false);
    EXPECT_FALSE(child->visible());
    EXPECT_EQ(rec.codes(), (std::vector<int>{10, 7, 7, 8, 8}));
    EXPECT_EQ(rec.events[2].item, group);
    EXPECT_EQ(log, "u");
    EXPECT_EQ(drawing.changeCount(), 0);
}

TEST_F(EntityTest, CachedBoxAndStretch) {
    TestLine* line = addLine();
    // A box that holds the line within the kernel tolerance moves it whole.
    const double eps = zgp::g_DistEpsilon / 2;
    line->stretch(CBox2<double>(eps, -1, 10 - eps, 1), {1, 2});
    EXPECT_EQ(line->stretchCount, 0);
    EXPECT_EQ(line->p2, (CVec2<double>(11, 2)));
    line->stretch(CBox2<double>(5, 0, 20, 5), {0, 1});  // cuts it: only the part inside moves
    EXPECT_EQ(line->stretchCount, 1);
    EXPECT_EQ(line->p1, (CVec2<double>(1, 2)));
    EXPECT_EQ(line->p2, (CVec2<double>(11, 3)));
}

TEST_F(EntityTest, CloneAndAssignCopyOnlyTheCommonAttributes) {
    TestLine* line = addLine();
    line->setColor(9);
    line->setBlockID(8);
    drawing.selSet()->add(line, false);

    std::unique_ptr<ZVDEntity> copy(line->clone());
    ASSERT_NE(dynamic_cast<TestLine*>(copy.get()), nullptr);
    EXPECT_EQ(copy->iD(), line->iD());
    EXPECT_EQ(copy->color(), 9);
    EXPECT_EQ(copy->layer(), drawing.layers()->item(0));
    EXPECT_EQ(copy->blockID(), -1);
    EXPECT_EQ(copy->owner(), nullptr);
    EXPECT_FALSE(copy->selected());
}

// The layouts of saved drawings: they must not drift.
TEST_F(ItemIoTest, XmlCommonAttributes) {
    QDomDocument doc;
    QDomElement e = doc.createElement("DI");
    doc.appendChild(e);
    line->saveToXMLNode(e, drawing.xmlAttrNames());
    const char* expected[][2] = {{"DIT", "241"}, {"ID", "0"},       {"BlockTypeID", "3"}, {"BlcokID", "4"},
                                 {"LID", "7"},   {"Cl", "1193046"}, {"RID", "5"},         {"EType", "6"}};
    for (auto& a : expected) EXPECT_EQ(e.attribute(a[0]), a[1]) << a[0];
    EXPECT_EQ(e.text(), "abc");
}

TEST_F(ItemIoTest, StreamRecordLayout) {
    std::stringstream s = docfix::binaryStream();
    line->saveToStream(&s);
    Bytes want;  // type, identifier, block type, block, layer, colour; text, relation, enabling, scale
    want.put<uint8_t>(241).put<int32_t>(0).put<int32_t>(3).put<int32_t>(4).put<int32_t>(7).put<int32_t>(0x123456);
    want.put<uint32_t>(3).raw("abc").put<int32_t>(5).put<int32_t>(6).put(1.0);
    EXPECT_EQ(s.str(), want.str());
}
