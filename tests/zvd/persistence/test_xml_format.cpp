// zvd tests: the XML document: exact text, round trips, loading rules, malformed documents.
#include <gtest/gtest.h>

#include <QHash>
#include <QTemporaryDir>

#include "test_xml_support.h"
#include "zvd/document/zvdselset.h"

using docfix::Recorder;
using docfix::TestLine;
using xmlfix::expectEmptyLikeNew;
using xmlfix::loadXml;
using xmlfix::saveXml;

namespace {

const char kSmallDrawing[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ZelvaroneVectorDrawing Version="3.4" DrawingWidth="800" DrawingHeight="600" BackColor="1056816">
    <Remark>Note &lt;1&gt; &amp; &quot;two&quot;&#13;
line</Remark>
    <ExtData><![CDATA[  ]]></ExtData>
    <Layers>
        <Layer LID="0" LayerName="0" LayerColor="16777215" LayerVisible="True"/>
        <Layer LID="1" LayerName="A &amp; B" LayerColor="255" LayerVisible="False"/>
    </Layers>
    <DrawingItems>
        <DI DIT="241" ID="0" LID="1" RID="-1" Cl="5" EType="-1" BlockTypeID="-1" BlcokID="-1">x &amp; y</DI>
        <DI DIT="241" ID="1" LID="0" RID="7" Cl="0" EType="-1" BlockTypeID="-1" BlcokID="-1"/>
    </DrawingItems>
    <BLOCKS>
        <BLOCK ID="1" Name="B" Origin="1.5,-2">
            <DI DIT="241" ID="-1" LID="-1" RID="-1" Cl="0" EType="-1" BlockTypeID="-1" BlcokID="-1"/>
        </BLOCK>
    </BLOCKS>
</ZelvaroneVectorDrawing>
)";

void buildSmall(ZVectorDrawing& d) {
    d.setBackColor(0x102030);
    d.setDrawingWidth(800);
    d.setDrawingHeight(600);
    d.setRemark(L"Note <1> & \"two\"\r\nline");
    d.setExtData(L"  ");
    ZVDLayer* a = d.layers()->add(L"A & B");
    a->setColor(255);
    auto* first = new TestLine({0, 0}, {1, 1});
    first->setLayer(a);
    d.add(first);
    first->setColor(5);
    first->setExtData(L"x & y");
    auto* second = new TestLine();
    second->setRelationID(7);
    d.add(second);
    ZVDBlockDefinition* block = d.blockDefinitionTable()->add(L"B");
    block->setOrigin({1.5, -2});
    block->add(new TestLine());
}

struct XmlFormatTest : ::testing::Test {
    void TearDown() override { EXPECT_EQ(TestLine::s_alive, aliveBefore) << "test items leaked or lost"; }
    int aliveBefore = TestLine::s_alive;
};

}  // namespace

TEST_F(XmlFormatTest, TextIsExactWhateverTheHashOrderAndLoadsBackToTheSameBytes) {
    // Qt's DOM keeps attributes in hashes whose order follows the hash seed; the text must not.
    for (int seed : {0, -1}) {
        qSetGlobalQHashSeed(seed);
        ZVectorDrawing d;
        buildSmall(d);
        EXPECT_EQ(saveXml(d), kSmallDrawing);
    }
    ZVectorDrawing back;
    back.setExtData(L"replaced by the load");
    back.layers()->add(L"replaced too");
    ASSERT_TRUE(loadXml(back, kSmallDrawing));
    EXPECT_EQ(saveXml(back), kSmallDrawing);
    EXPECT_EQ(back.item(0)->layer(), back.layers()->itemByName(L"A & B"));
    EXPECT_EQ(back.changeCount(), 0);
}

TEST_F(XmlFormatTest, SelectedOnlyWritesTheSelectionInItsOrderWithAllTables) {
    ZVectorDrawing d;
    buildSmall(d);
    d.add(new TestLine());
    d.selSet()->add(d.item(2), false);
    d.selSet()->add(d.item(0), false);
    for (EnVDSaveFormat format : {vdsfXML, vdsfBinary}) {  // the binary writer has its own loop
        std::stringstream bytes = docfix::binaryStream(format == vdsfXML ? saveXml(d, true) : "");
        if (format == vdsfBinary) EXPECT_TRUE(d.saveToStream(&bytes, vdsfBinary, true));
        ZVectorDrawing back;
        ASSERT_TRUE(back.loadFromStream(&bytes));
        ASSERT_EQ(back.count(), 2);
        EXPECT_TRUE(back.item(0)->iD() == 2 && back.item(1)->iD() == 0);
        EXPECT_TRUE(back.layers()->count() == 2 && back.blockDefinitionTable()->count() == 1);
    }
}

TEST_F(XmlFormatTest, ItemsAreSkippedByRuleAndReportedAfterTheParse) {
    // Type 10, unknown types and identifier -1 are skipped, a repeated identifier renumbered; each item
    // reports its data change, then its addition.
    const char* text = R"(<?xml version="1.0"?>
<ZelvaroneVectorDrawing Version="3.2" BackColor="9"><DrawingItems>
    <DI DIT="241" ID="4"/><DI DIT="10" ID="5"/><DI DIT="999" ID="6"/><DI DIT="241" ID="-1"/>
    <DI DIT="241" ID="4">dup</DI>
</DrawingItems></ZelvaroneVectorDrawing>)";
    ZVectorDrawing d;
    Recorder recorder;
    d.attachObserver(&recorder);
    std::string log;
    docfix::LogListener repaint("U", &log);
    d.setOnUpdateDrawing(&repaint);
    ASSERT_TRUE(loadXml(d, text));
    d.detachObserver(&recorder);
    ASSERT_EQ(d.count(), 2);
    EXPECT_EQ(d.item(1)->iD(), 5);
    EXPECT_EQ(d.maxID(), 6);
    EXPECT_TRUE(d.version() == L"3.4" && d.compareOriVersion(3.2) == 0 && d.backColor() == 9);
    EXPECT_EQ(log, "U");  // one repaint, when the load's update bracket closes
    std::vector<std::pair<int, ZVDEntity*>> itemEvents, expected = {{vdnDataChanged, d.item(0)},
                                                                    {vdnItemAdded, d.item(0)},
                                                                    {vdnDataChanged, d.item(1)},
                                                                    {vdnItemAdded, d.item(1)}};
    for (const auto& e : recorder.events)
        if (e.item) itemEvents.emplace_back(e.code, e.item);
    EXPECT_EQ(itemEvents, expected);
}

TEST_F(XmlFormatTest, MalformedDocumentsLeaveAnEmptyDrawingAndReportNoItem) {
    const std::string good = kSmallDrawing;
    std::string deep = "<?xml version=\"1.0\"?><ZelvaroneVectorDrawing><DrawingItems>";
    for (int i = 0; i < 5000; ++i) deep += "<DI DIT=\"11\">";
    const std::string cases[] = {
        good.substr(0, good.find("<DI DIT=\"241\" ID=\"1\"") + 10),  // cut inside the items
        good.substr(0, good.find("<BLOCKS>")),                       // cut after the items
        good + "<more/>",
        deep,
        "<?xml version=\"1.0\"?><Drawing Version=\"3.4\"/>",
        "<?xml version=\"1.0\"?><ZelvaroneVectorDrawing><DrawingItems><DI DIT=\"241\"></DrawingItems></DI>"
        "</ZelvaroneVectorDrawing>",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 120));
        ZVectorDrawing d;
        buildSmall(d);  // content the failed load must take away
        Recorder recorder;
        d.attachObserver(&recorder);
        EXPECT_FALSE(loadXml(d, text));
        d.detachObserver(&recorder);
        expectEmptyLikeNew(d);
        EXPECT_EQ(d.backColor(), 0x102030);  // the document's attributes never applied
        for (const auto& e : recorder.events)
            EXPECT_TRUE((e.code != vdnItemAdded && e.code != vdnDataChanged) || !e.item) << e.code;
    }
    ZVectorDrawing d;
    buildSmall(d);
    QTemporaryDir dir;
    EXPECT_TRUE(d.loadFromXMLFile(dir.filePath("missing.xml").toStdWString()));
    expectEmptyLikeNew(d);
    EXPECT_TRUE(d.saveToXMLFile(dir.path().toStdWString(), false));  // a directory: nothing written
}

TEST_F(XmlFormatTest, NamespacesCdataAndLateSectionsLoad) {
    // Comments, split text, CDATA, repeated sections (the first counts), unknown elements, a prefixed
    // root, layers after the items using them, nesting deeper than items are read.
    std::string deep;
    for (int i = 0; i < 1200; ++i) deep += "<DI DIT=\"11\">";
    for (int i = 0; i < 1200; ++i) deep += "</DI>";
    const std::string text = R"(<?xml version="1.0"?>
<!-- leading comment -->
<z:ZelvaroneVectorDrawing xmlns:z="urn:zvd" Version="3.4" DrawingWidth="5">
  <Unknown><DrawingItems><DI DIT="241" ID="30"/></DrawingItems></Unknown>
  <Remark>  </Remark><Remark>second</Remark>
  <ExtData>a<!-- c -->b<![CDATA[ <c> ]]>  <x>inner</x>  </ExtData>
  <DrawingItems>
    <DI DIT="241" ID="3" LID="5">one<!-- split -->two</DI>
    <DI DIT="11" ID="4" LID="6">
      <DI DIT="241" ID="8" LID="5">  </DI>
      <DI DIT="241" ID="9"><![CDATA[  ]]></DI>
    </DI>)" + deep + R"(
  </DrawingItems>
  <DrawingItems><DI DIT="241" ID="20"/></DrawingItems>
  <Layers>
    <Layer LID="5" LayerName="five" LayerColor="1" LayerVisible="true"/>
    <Other LID="6" LayerName="six" LayerColor="2" LayerVisible="False"/>
  </Layers>
  <BLOCKS><BLOCK ID="2" Name="b" Origin="3,4"><DI DIT="241" ID="1" LID="6"/></BLOCK></BLOCKS>
</z:ZelvaroneVectorDrawing>)";
    ZVectorDrawing d;
    ASSERT_TRUE(loadXml(d, text));
    ASSERT_EQ(d.count(), 3);
    EXPECT_EQ(d.extData(), L"ab <c> inner");
    EXPECT_EQ(d.item(0)->extData(), L"onetwo");
    EXPECT_EQ(d.item(0)->layer(), d.layers()->itemByName(L"five"));
    EXPECT_EQ(d.find(9)->extData(), L"  ");
    EXPECT_EQ(d.blockDefinitionTable()->item(0)->items(0)->layer(), d.layers()->itemByName(L"six"));
}

TEST_F(XmlFormatTest, TextThatXmlCannotCarryIsDroppedAndTheRestSurvives) {
    ZVectorDrawing d;
    auto* item = new TestLine();
    d.add(item);
    item->setExtData(std::wstring(L"a\x01]]>\r\n\t<b>") + L"\U0001F600");
    d.setRemark(L"\r\n");
    ZVectorDrawing back;
    ASSERT_TRUE(loadXml(back, saveXml(d)));
    EXPECT_EQ(back.item(0)->extData(), std::wstring(L"a]]>\r\n\t<b>") + L"\U0001F600");
    EXPECT_EQ(back.remark(), L"\n");  // whitespace-only text keeps all but its carriage returns
}
