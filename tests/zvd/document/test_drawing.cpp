// zvd tests: ZVectorDrawing — adding and erasing with their reports, the identifier index,
// finding, update brackets, attributes, ranges, clearing, destruction and the selection set.
#include <gtest/gtest.h>

#include "support/docitems.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/foundation/vdcommon.h"

using docfix::TestLine;
using zgp::CBox2;

namespace {

std::vector<int> g_added, g_deleted;

struct DrawingTest : ::testing::Test {
    DrawingTest() : update("u", &log), selChanged("s", &log), drawing(&selChanged) {
        g_added.clear();
        g_deleted.clear();
        drawing.attachObserver(&rec);
        drawing.setOnUpdateDrawing(&update);
        drawing.setOnItemAdded([](int id) { g_added.push_back(id); });
        drawing.setOnItemDeleted([](int id) { g_deleted.push_back(id); });
    }
    static TestLine* line(double x = 0) { return new TestLine({x, 0}, {x + 1, 1}); }
    static ZVDComposite* group(std::initializer_list<ZVDEntity*> children) {
        auto* g = new ZVDComposite;
        for (ZVDEntity* child : children) g->add(child);
        return g;
    }
    std::string log;
    docfix::LogListener update, selChanged;
    docfix::Recorder rec;
    ZVectorDrawing drawing;
};

}  // namespace

TEST_F(DrawingTest, AddingNumbersIndexesLayersAndAnnounces) {
    TestLine* l = line();
    EXPECT_EQ(drawing.add(l), 1);
    EXPECT_EQ(l->iD(), 0);
    EXPECT_EQ(l->layer(), drawing.layers()->item(0));
    TestLine *a = line(), *b = line();
    ZVDComposite* g = group({a, b});
    EXPECT_EQ(drawing.add(g), 2);
    EXPECT_EQ(rec.codes(), (std::vector<int>{2, 2, 2, 2}));
    EXPECT_EQ(rec.events[3].item, b);
    EXPECT_EQ(g_added, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(drawing.find(3), b);
    auto* constraint = new docfix::TestConstraint;
    drawing.add(constraint);
    EXPECT_EQ(drawing.allEntity(), 2);
    EXPECT_TRUE(vdcommon::isConstraint(constraint));
    EXPECT_FALSE(vdcommon::isConstraintDim(constraint));
    EXPECT_FALSE(vdcommon::isConstraint(g));
    EXPECT_FALSE(vdcommon::isConstraint(nullptr));

    drawing.add(g, line());  // into a nested container
    EXPECT_EQ(g->count(), 3);

    rec.events.clear();
    std::vector<ZVDEntity*> batch{line(), group({line()}), nullptr};
    drawing.add(nullptr, batch);  // the nested line alone, then the list once
    ASSERT_EQ(rec.events.size(), 2u);
    EXPECT_EQ(rec.events[0].item, batch[1]->items(0));
    EXPECT_EQ(rec.events[1].listSize, 2u);
}

TEST_F(DrawingTest, EraseReportsInOrderAndForgetsEverythingBelow) {
    drawing.add(line());
    TestLine *a = line(), *b = line();
    drawing.add(group({a, group({b})}));
    drawing.selSet()->add(b, true);
    const int alive = TestLine::s_alive;
    rec.events.clear();
    log.clear();
    drawing.erase(5);
    EXPECT_TRUE(rec.events.empty());

    drawing.erase(0);
    ASSERT_EQ(rec.codes(), (std::vector<int>{3, 4}));
    EXPECT_EQ(rec.events[1].item, nullptr);
    EXPECT_EQ(g_deleted, (std::vector<int>{0}));
    EXPECT_EQ(drawing.find(0), nullptr);

    const int ida = a->iD(), idb = b->iD();
    drawing.erase(0);  // the composite: nested items leave the index and the selection set
    EXPECT_EQ(drawing.find(ida), nullptr);
    EXPECT_EQ(drawing.find(idb), nullptr);
    EXPECT_EQ(drawing.selSet()->count(), 0);
    EXPECT_EQ(TestLine::s_alive, alive - 3);

    TestLine* nested = line();  // remove() finds nested items
    ZVDComposite* g = group({nested, line()});
    drawing.add(g);
    drawing.remove(nested);
    EXPECT_EQ(g->count(), 1);
    // Deleting through the container directly also keeps the index free of stale items.
    const int id = g->items(0)->iD();
    drawing.selSet()->add(g->items(0), false);
    g->erase(0);
    EXPECT_EQ(drawing.find(id), nullptr);
    EXPECT_EQ(drawing.selSet()->count(), 0);
}

TEST_F(DrawingTest, UpdateBracketsDeferListeners) {
    TestLine* l = line();
    drawing.add(l);
    log.clear();
    drawing.beginUpdate();
    drawing.beginUpdate();
    l->setColor(1);
    l->setColor(2);
    drawing.selSet()->add(l, true);
    drawing.endUpdate();
    EXPECT_EQ(log, "");
    drawing.endUpdate();
    EXPECT_EQ(log, "us");  // repaint first, then the pending selection change
    drawing.endUpdate();   // unbalanced: ignored
    l->setColor(4);
    EXPECT_EQ(log, "usu");
}

TEST_F(DrawingTest, AttributesReportAndInitializeResets) {
    EXPECT_EQ(drawing.compareVersion(3.4005), 0);
    EXPECT_EQ(drawing.compareVersion(3.0), 1);
    drawing.setBackColor(0);  // unchanged: nothing
    EXPECT_TRUE(rec.events.empty());
    drawing.setBackColor(0xabcdef);
    drawing.setExtData(L"x");
    EXPECT_EQ(drawing.changeCount(), 2);
    EXPECT_EQ(rec.codes(), (std::vector<int>{6, 6}));
    EXPECT_EQ(rec.events[0].item, nullptr);
    EXPECT_EQ(log, "uu");
    drawing.initialize(true);
    EXPECT_EQ(drawing.backColor(), 0);
    EXPECT_FALSE(drawing.modified());
}

TEST_F(DrawingTest, FindByTypeAndFullRange) {
    EXPECT_EQ(drawing.fullRange(), (CBox2<double>(0, 0, 0, 0)));
    drawing.add(line(0));
    drawing.add(group({new TestLine({-5, -5}, {-4, 30})}));
    drawing.add(new ZVDComposite);  // empty box: left out
    drawing.add(line(20));
    EXPECT_EQ(drawing.findByType(std::set<int>{vdiComposite}).size(), 2u);
    EXPECT_EQ(drawing.fullRange(), (CBox2<double>(-5, -5, 21, 30)));
}

TEST_F(DrawingTest, ClearErasesEverythingAndRestoresLayerZero) {
    drawing.layers()->add(L"A");
    drawing.blockDefinitionTable()->add(L"B")->add(line());
    for (int i = 0; i < 3; ++i) drawing.add(line(i));
    drawing.selSet()->add(drawing.item(1), false);
    const int alive = TestLine::s_alive;
    rec.events.clear();
    log.clear();

    drawing.clear();
    EXPECT_EQ(TestLine::s_alive, alive - 4);
    std::vector<int> erases;  // front to back: 3 then 4 for each item
    for (int code : rec.codes())
        if (code == 3 || code == 4) erases.push_back(code);
    EXPECT_EQ(erases, (std::vector<int>{3, 4, 3, 4, 3, 4}));
    EXPECT_EQ(g_deleted, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(log, "usu");  // bracket end, pending selection change, final report

    ASSERT_EQ(drawing.layers()->count(), 1);
    ZVDLayer* zero = drawing.layers()->item(0);
    EXPECT_EQ(zero->name(), L"0");
    EXPECT_EQ(zero->iD(), 0);
    TestLine* after = line();
    drawing.add(after);
    EXPECT_EQ(after->layer(), zero);
}

TEST_F(DrawingTest, DestructionDeletesItemsAndSparesObservers) {
    docfix::Recorder outside;
    const int alive = TestLine::s_alive;
    {
        ZVectorDrawing d;
        d.attachObserver(&outside);
        d.add(group({line()}));
        d.add(line());
        d.selSet()->add(d.item(1), false);
        d.blockDefinitionTable()->add(L"B")->add(line());
        outside.events.clear();
    }
    EXPECT_TRUE(outside.events.empty());
    EXPECT_EQ(TestLine::s_alive, alive);
}

TEST_F(DrawingTest, SelectionSetKeepsFlagsAndListInStep) {
    TestLine *a = line(), *b = line(), *c = line();
    for (TestLine* l : {a, b, c}) drawing.add(l);
    ZVDSelSet* sel = drawing.selSet();
    log.clear();
    sel->add(a, true);
    sel->add(a, true);  // already selected: no duplicate, no report
    sel->add(b, false);
    sel->add(c, true);
    sel->remove(b, true);
    sel->remove(b, true);
    EXPECT_FALSE(b->selected());
    EXPECT_EQ(sel->indexOf(c), 1);
    EXPECT_EQ(log, "sss");
    log.clear();
    sel->clear(true);
    EXPECT_EQ(log, "sss");  // one per item and one at the end
    EXPECT_FALSE(a->selected() || c->selected());
}
