// zvd tests: ZVectorDrawing and its selection set, layer table and block-definition table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include <QDomDocument>
#include <QDomElement>

#include "support/docitems.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/foundation/vdcommon.h"

using docfix::Bytes;
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

std::vector<std::wstring> listing(ZVDLayerTable* t) {
    std::vector<std::wstring> n;
    for (int i = 0; i < t->count(); ++i) n.push_back(t->item(i)->name() + L"=" + std::to_wstring(t->item(i)->iD()));
    return n;
}

std::string layerSection(std::initializer_list<std::pair<const char*, int>> stored) {
    Bytes b;
    b.put<int32_t>(static_cast<int32_t>(stored.size()));
    for (auto& l : stored) {
        b.put<int32_t>(l.second).put<uint8_t>(uint8_t(strlen(l.first))).raw(l.first);
        b.put<int32_t>(7).put<uint8_t>(1);  // colour, visible
    }
    return b.str();
}

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
    EXPECT_TRUE(vdcommon::isConstraint(constraint) && !vdcommon::isConstraintDim(constraint) &&
                !vdcommon::isConstraint(nullptr));

    drawing.add(g, line());  // into a nested container
    EXPECT_EQ(g->count(), 3);

    rec.events.clear();
    std::vector<ZVDEntity*> batch{line(), group({line()}), nullptr};
    drawing.add(nullptr, batch);  // the nested line alone, then the list once
    ASSERT_EQ(rec.events.size(), 2u);
    EXPECT_EQ(rec.events[0].item, batch[1]->items(0));
    EXPECT_EQ(rec.events[1].listSize, 2u);
    EXPECT_EQ(drawing.findByType(std::set<int>{vdiComposite}).size(), 2u);
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
    EXPECT_TRUE(!drawing.find(ida) && !drawing.find(idb));
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

TEST_F(DrawingTest, FullRange) {
    EXPECT_EQ(drawing.fullRange(), (CBox2<double>(0, 0, 0, 0)));
    drawing.add(line(0));
    drawing.add(group({new TestLine({-5, -5}, {-4, 30})}));
    drawing.add(new ZVDComposite);  // empty box: left out
    drawing.add(line(20));
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
    EXPECT_EQ(g_deleted, (std::vector<int>{0, 1, 2}));  // front to back
    EXPECT_EQ(log, "usu");                              // bracket end, pending selection change, final report

    EXPECT_EQ(listing(drawing.layers()), (std::vector<std::wstring>{L"0=0"}));
    TestLine* after = line();
    drawing.add(after);
    EXPECT_EQ(after->layer(), drawing.layers()->item(0));
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

TEST_F(DrawingTest, AddFindsByExactNameAndNumbersFromTheTop) {
    EXPECT_EQ(listing(drawing.layers()), (std::vector<std::wstring>{L"0=0"}));
    ZVDLayer* a = drawing.layers()->add(L"A");
    EXPECT_EQ(drawing.layers()->add(L"A"), a);
    EXPECT_NE(drawing.layers()->add(L"a"), a);  // case-sensitive
    a->setID(10);
    EXPECT_EQ(drawing.layers()->add(L"B")->iD(), 11);

    rec.events.clear();
    a->setColor(5);
    a->setColor(5);
    a->setVisible(true);
    EXPECT_EQ(rec.codes(), (std::vector<int>{6, 6}));  // changes only, reported for the drawing
    EXPECT_EQ(rec.events[0].item, nullptr);
    EXPECT_EQ(drawing.blockDefinitionTable()->add(L"X")->iD(), 1);  // empty table: first gets 1
}

TEST_F(DrawingTest, UsedLayersSurviveAndCurrentPassesOn) {
    ZVDLayer* a = drawing.layers()->add(L"A");
    drawing.add(line());
    drawing.item(0)->setLayer(a);
    drawing.layers()->remove(a);  // refused: the top-level line uses it
    EXPECT_EQ(drawing.layers()->count(), 2);
    drawing.erase(0);
    drawing.layers()->remove(a);
    EXPECT_EQ(drawing.layers()->count(), 1);

    // Nested users do not block the erase; they lose the layer instead of keeping a dangling one.
    ZVDLayer* b = drawing.layers()->add(L"B");
    TestLine* nested = line();
    drawing.add(group({nested}));
    nested->setLayer(b);
    drawing.layers()->setCurLayer(b);
    drawing.layers()->remove(b);
    EXPECT_EQ(nested->layer(), nullptr);
    EXPECT_EQ(drawing.layers()->curLayer(), drawing.layers()->item(0));
}

TEST_F(DrawingTest, LoadingEnsuresLayerZeroAndSurvivesHostileInput) {
    const std::pair<std::string, std::vector<std::wstring>> cases[] = {
        {layerSection({{"X", 4}, {"Y", 5}}), {L"0=0", L"X=4", L"Y=5"}},
        {layerSection({{"X", 4}, {"Z", 0}, {"Y", 5}}), {L"Z=0", L"X=4", L"Y=5"}},
        {layerSection({{"X", 4}, {"X", 6}}), {L"0=0", L"X=6"}},  // a repeated name updates one layer
        {layerSection({}), {L"0=0"}},
    };
    for (const auto& c : cases) {
        ZVectorDrawing other;
        other.layers()->erase(0);
        std::stringstream in = docfix::binaryStream(c.first);
        EXPECT_TRUE(other.layers()->loadFromStream(&in));
        EXPECT_EQ(listing(other.layers()), c.second);
    }
    for (const std::string& bad : {Bytes().put<int32_t>(-3).str(), Bytes().put<int32_t>(1000000).str(),
                                   Bytes().put<int32_t>(1).put<int32_t>(2).put<uint8_t>(50).raw("ab").str()}) {
        ZVectorDrawing other;
        std::stringstream in = docfix::binaryStream(bad);
        EXPECT_FALSE(other.layers()->loadFromStream(&in));
        EXPECT_EQ(listing(other.layers()), (std::vector<std::wstring>{L"0=0"}));
    }
}

TEST_F(DrawingTest, BlockDefinitionsOwnTheirItemsAndSkipUnknownTypes) {
    ZVDBlockDefinition* def = drawing.blockDefinitionTable()->add(L"door");
    auto* first = new TestLine;
    def->add(first);
    def->add(first);  // held already: ignored
    def->add(new TestLine);
    def->remove(first);  // and deletes it
    def->add(new TestLine);
    ASSERT_EQ(def->count(), 2);

    QDomDocument doc;
    QDomElement root = doc.createElement("ZelvaroneVectorDrawing");
    drawing.blockDefinitionTable()->saveToXMLNode(root, drawing.xmlAttrNames());
    QDomElement alien = doc.createElement("DI");
    alien.setAttribute("DIT", 250);
    root.firstChildElement("BLOCKS").firstChildElement("BLOCK").appendChild(alien);
    ZVectorDrawing other;
    other.blockDefinitionTable()->loadFromXMLNode(root.firstChildElement("BLOCKS"), other.xmlAttrNames());
    ASSERT_EQ(other.blockDefinitionTable()->count(), 1);
    EXPECT_EQ(other.blockDefinitionTable()->item(0)->count(), 2);
    EXPECT_EQ(other.blockDefinitionTable()->item(0)->items(1)->owner(), &other);
}

TEST_F(DrawingTest, BlockDefinitionStreamFailures) {
    // An unknown item type ends the definition's items; a negative count fails the section.
    const std::string head = Bytes().put<int32_t>(1).put<int32_t>(3).put<uint8_t>(1).raw("B").put(0.0).put(0.0).str();
    std::stringstream unknown = docfix::binaryStream(head + Bytes().put<int32_t>(2).put<uint8_t>(250).str());
    ZVDBlockDefinitionTable table(&drawing);
    EXPECT_TRUE(table.loadFromStream(&unknown));
    EXPECT_EQ(table.item(0)->count(), 0);
    std::stringstream negative = docfix::binaryStream(Bytes().put<int32_t>(-1).str());  // truncation: see the fuzz
    ZVDBlockDefinitionTable none(&drawing);
    EXPECT_FALSE(none.loadFromStream(&negative));
    EXPECT_EQ(none.count(), 0);
}
