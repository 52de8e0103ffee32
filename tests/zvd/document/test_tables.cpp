// zvd tests: layer and block-definition tables — the symbol-table rules, layer "0", refusing to
// erase used layers, and both persisted forms including hostile input.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include <QDomDocument>
#include <QDomElement>

#include "support/docitems.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/entities/zvdcomposite.h"

using docfix::Bytes;
using docfix::TestLine;

namespace {

struct TableTest : ::testing::Test {
    TableTest() { drawing.attachObserver(&rec); }
    ZVDLayerTable* layers() { return drawing.layers(); }
    docfix::Recorder rec;
    ZVectorDrawing drawing;
};

// "name=identifier" of every layer, in table order.
std::vector<std::wstring> listing(ZVDLayerTable* t) {
    std::vector<std::wstring> n;
    for (int i = 0; i < t->count(); ++i) n.push_back(t->item(i)->name() + L"=" + std::to_wstring(t->item(i)->iD()));
    return n;
}

std::string layerSection(std::initializer_list<std::pair<const char*, int>> stored) {
    Bytes b;
    b.put<int32_t>(static_cast<int32_t>(stored.size()));
    for (auto& l : stored)
        b.put<int32_t>(l.second)
            .put<uint8_t>(static_cast<uint8_t>(strlen(l.first)))
            .raw(l.first)
            .put<int32_t>(7)
            .put<uint8_t>(1);
    return b.str();
}

}  // namespace

TEST_F(TableTest, AddFindsByExactNameAndNumbersFromTheTop) {
    EXPECT_EQ(listing(layers()), (std::vector<std::wstring>{L"0=0"}));
    ZVDLayer* a = layers()->add(L"A");
    EXPECT_EQ(layers()->add(L"A"), a);
    EXPECT_NE(layers()->add(L"a"), a);  // case-sensitive
    a->setID(10);
    EXPECT_EQ(layers()->add(L"B")->iD(), 11);

    rec.events.clear();
    a->setColor(5);
    a->setColor(5);
    a->setVisible(true);
    EXPECT_EQ(rec.codes(), (std::vector<int>{6, 6}));  // changes only, reported for the drawing
    EXPECT_EQ(rec.events[0].item, nullptr);
    EXPECT_EQ(drawing.blockDefinitionTable()->add(L"X")->iD(), 1);  // empty table: first gets 1
}

TEST_F(TableTest, UsedLayersSurviveAndCurrentPassesOn) {
    ZVDLayer* a = layers()->add(L"A");
    auto* l = new TestLine;
    l->setLayer(a);
    drawing.add(l);
    layers()->remove(a);  // refused: the top-level line uses it
    EXPECT_EQ(layers()->count(), 2);
    drawing.erase(0);
    layers()->remove(a);
    EXPECT_EQ(layers()->count(), 1);

    // Nested users do not block the erase; they lose the layer instead of keeping a dangling one.
    ZVDLayer* b = layers()->add(L"B");
    auto* nested = new TestLine;
    auto* g = new ZVDComposite;
    g->add(nested);
    drawing.add(g);
    nested->setLayer(b);
    layers()->setCurLayer(b);
    layers()->remove(b);
    EXPECT_EQ(nested->layer(), nullptr);
    EXPECT_EQ(layers()->curLayer(), layers()->item(0));
}

TEST_F(TableTest, LoadingEnsuresLayerZeroAndSurvivesHostileInput) {
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

// Saving and loading whole definitions is left to the document round trips; here the
// definition's own rules.
TEST_F(TableTest, BlockDefinitionsOwnTheirItemsAndSkipUnknownTypes) {
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

TEST_F(TableTest, BlockDefinitionStreamFailures) {
    // An unknown item type ends the definition's items; truncation fails the section.
    const std::string head = Bytes().put<int32_t>(1).put<int32_t>(3).put<uint8_t>(1).raw("B").put(0.0).put(0.0).str();
    std::stringstream unknown = docfix::binaryStream(head + Bytes().put<int32_t>(2).put<uint8_t>(250).str());
    ZVDBlockDefinitionTable table(&drawing);
    EXPECT_TRUE(table.loadFromStream(&unknown));
    EXPECT_EQ(table.item(0)->count(), 0);
    for (const std::string& bad : {head, head + Bytes().put<int32_t>(1).put<uint8_t>(docfix::kTestLineType).str(),
                                   Bytes().put<int32_t>(-1).str()}) {
        std::stringstream in = docfix::binaryStream(bad);
        ZVDBlockDefinitionTable table(&drawing);
        EXPECT_FALSE(table.loadFromStream(&in));
        EXPECT_EQ(table.count(), 0);
    }
}
