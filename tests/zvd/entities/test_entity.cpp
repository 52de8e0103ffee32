// zvd tests: ZVDEntity through a real drawing, and ZVDComposite and its children.
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

struct CompositeTest : ::testing::Test {
    void SetUp() override {
        alive = TestLine::s_alive;
        c.reset(new ZVDComposite);
        a = new TestLine({0, 0}, {10, 0});
        b = new TestLine({0, 5}, {4, 20});
        c->add(a);
        c->add(b);
    }
    void TearDown() override {
        c.reset();
        EXPECT_EQ(TestLine::s_alive, alive);
    }
    TestLine* at(ZVDEntity* container, int i) { return static_cast<TestLine*>(container->items(i)); }
    int alive = 0;
    std::unique_ptr<ZVDComposite> c;
    TestLine *a = nullptr, *b = nullptr;
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
    EXPECT_EQ(std::make_tuple(copy->iD(), copy->color(), copy->blockID()), std::make_tuple(line->iD(), 9, -1));
    EXPECT_TRUE(copy->layer() == drawing.layers()->item(0) && !copy->owner() && !copy->selected());
}

TEST_F(CompositeTest, MembershipAddRemoveAndDelete) {
    c->add(a);  // held already, or itself: nothing
    c->add(c.get());
    EXPECT_EQ(c->count(), 2);

    ZVDComposite other;
    other.add(a);  // moves it
    EXPECT_EQ(c->indexOf(a), -1);
    EXPECT_EQ(a->parent(), &other);
    c->add(a);
    EXPECT_EQ(other.count(), 0);

    c->remove(a);  // handed back alive, parent pointer left as it was
    EXPECT_EQ(a->parent(), c.get());
    EXPECT_EQ(c->count(), 1);
    c->add(a);  // the stale parent pointer must not pass for membership
    EXPECT_EQ(c->count(), 2);

    const int before = TestLine::s_alive;
    c->erase(5);
    c->del(a);
    EXPECT_EQ(TestLine::s_alive, before - 1);
    EXPECT_EQ(c->items(0), b);
    EXPECT_EQ(c->items(1), nullptr);
    auto* nested = new ZVDComposite;
    nested->add(new TestLine);
    c->add(nested);
    c->clear();
    EXPECT_EQ(c->count(), 0);
    EXPECT_EQ(TestLine::s_alive, before - 2);
}

TEST_F(CompositeTest, EditingHitsAndGripsCoverAllChildren) {
    EXPECT_TRUE(c->hitTest({2, 10}, 0));
    EXPECT_FALSE(c->hitTest({8, 10}, 0));
    EXPECT_TRUE(c->hitSelect({-1, -1}, {11, 1}, 0));  // holds the first child only: enough
    EXPECT_FALSE(c->hitSelect({20, 20}, {30, 30}, 0));

    c->move({1, 1});
    EXPECT_EQ(c->outRect(), (CBox2<double>(1, 1, 11, 21)));
    ASSERT_EQ(c->gripCount(), 1);
    EXPECT_EQ(c->grip(0), (CVec2<double>(6, 11)));
    EXPECT_TRUE(c->dragGrip(0, {0, -1}));
    EXPECT_EQ(b->p2, (CVec2<double>(5, 20)));
    EXPECT_TRUE(ZVDEntity::isEmptyBox(ZVDComposite().outRect()));
}

TEST_F(CompositeTest, CopiesTransformsAndSnapshots) {
    ZVDComposite target;
    target.add(new TestLine);
    target.assign(*c);  // existing children stay; copies are appended
    ASSERT_EQ(target.count(), 3);
    EXPECT_NE(target.items(2), b);
    EXPECT_EQ(at(&target, 2)->p2, b->p2);

    zgp::CMatrix3<double> shift = zgp::CMatrix3<double>::Translation({100, 0});
    std::unique_ptr<ZVDEntity> moved(c->transform(&shift));
    ASSERT_EQ(moved->count(), 2);
    EXPECT_EQ(at(moved.get(), 0)->p2, (CVec2<double>(110, 0)));
    EXPECT_EQ(a->p2, (CVec2<double>(10, 0)));

    std::unique_ptr<ZVDCoordData> snapshot(c->createCoordData());
    c->move({5, 5});
    c->erase(1);
    c->setCoordData(*snapshot);
    ASSERT_EQ(c->count(), 2);
    EXPECT_EQ(at(c.get(), 1)->p1, (CVec2<double>(0, 5)));
}

TEST_F(CompositeTest, XmlKeepsChildrenAndSkipsUnknownTypes) {
    ZVectorDrawing drawing;
    c->setExtData(L"group");
    a->setExtData(L"first");
    b->setColor(42);
    QDomDocument doc;
    QDomElement e = doc.createElement("DI");
    doc.appendChild(e);
    c->saveToXMLNode(e, drawing.xmlAttrNames());
    ASSERT_EQ(e.elementsByTagName("DI").count(), 2);
    QDomElement alien = doc.createElement("Other");
    alien.setAttribute("DIT", 250);
    e.insertBefore(alien, e.firstChildElement());

    ZVDComposite loaded;
    loaded.setOwner(&drawing);
    loaded.loadFromXMLNode(e, drawing.xmlAttrNames());
    ASSERT_EQ(loaded.count(), 2);
    EXPECT_EQ(loaded.extData(), L"group");  // not mixed with the children's text
    EXPECT_EQ(loaded.items(0)->extData(), L"first");
    EXPECT_EQ(loaded.items(1)->color(), 42);
}

TEST_F(CompositeTest, StreamKeepsNestingAndRejectsBadInput) {
    auto* nested = new ZVDComposite;
    nested->add(new TestLine);
    nested->items(0)->setExtData(L"deep");
    c->add(nested);
    std::stringstream s = docfix::binaryStream();
    c->saveToStream(&s);
    const std::string bytes = s.str();
    {
        std::stringstream in = docfix::binaryStream(bytes);
        ZVDComposite loaded;
        ASSERT_TRUE(loaded.loadFromStream(&in));
        ASSERT_EQ(loaded.count(), 3);
        EXPECT_EQ(loaded.items(2)->items(0)->extData(), L"deep");
        EXPECT_EQ(in.peek(), std::char_traits<char>::eof());
    }
    // Truncated, unknown child, count past the data, too deep; `head`: type 11, identifier 1.
    Bytes common;
    common.put<uint8_t>(11).put<int32_t>(1).put<int32_t>(-1).put<int32_t>(-1).put<int32_t>(0).put<int32_t>(0);
    const std::string head = common.put<int32_t>(0).put<int32_t>(-1).put<int32_t>(-1).put(1.0).str();
    std::string deep;
    for (int i = 0; i < 400; ++i) deep += head + Bytes().put<int32_t>(1).str();
    for (const std::string& bad :
         {bytes.substr(0, bytes.size() - 1), head + Bytes().put<int32_t>(1).put<uint8_t>(250).str(),
          head + Bytes().put<int32_t>(0x7fffffff).str(), deep}) {
        std::stringstream in = docfix::binaryStream(bad);
        ZVDComposite loaded;
        EXPECT_FALSE(loaded.loadFromStream(&in));
    }
}
