// zvd tests: the common item fields in XML and in the binary stream, including the record
// layouts of older format versions. The layouts are those of saved drawings: they must not drift.
#include <gtest/gtest.h>

#include <cstdint>

#include <QDomDocument>
#include <QDomElement>

#include "support/docitems.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/persistence/zxmlattrnames.h"

using docfix::Bytes;
using docfix::TestLine;

namespace {

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
    // Loads record (then a sentinel) into a new item of the drawing as the given version.
    bool load(const wchar_t* version, const std::string& record, TestLine& item) {
        ZVDDocumentAccess::setVersion(drawing, version);
        item.setOwner(&drawing);
        std::stringstream s = docfix::binaryStream(record + "END");
        const bool ok = item.loadFromStream(&s);
        char rest[4] = {};
        s.read(rest, 3);
        EXPECT_STREQ(rest, "END") << "record misread for version " << version;
        return ok;
    }
    ZVectorDrawing drawing;
    ZVDLayer* layerA;
    TestLine* line;
};

}  // namespace

TEST_F(ItemIoTest, XmlCommonAttributes) {
    QDomDocument doc;
    QDomElement e = doc.createElement("DI");
    doc.appendChild(e);
    line->saveToXMLNode(e, drawing.xmlAttrNames());
    const char* expected[][2] = {{"DIT", "241"}, {"ID", "0"},       {"BlockTypeID", "3"}, {"BlcokID", "4"},
                                 {"LID", "7"},   {"Cl", "1193046"}, {"RID", "5"},         {"EType", "6"}};
    for (auto& a : expected) EXPECT_EQ(e.attribute(a[0]), a[1]) << a[0];
    EXPECT_EQ(e.text(), "abc");

    // Long names: relation and enabling are absent, missing numbers read as 0, missing block
    // fields keep their values, the layer is found by identifier.
    QDomElement old = doc.createElement("Item");
    old.setAttribute("LayerID", 7);
    old.setAttribute("Color", 99);
    old.appendChild(doc.createTextNode("payload"));
    ZXMLAttrNames longNames(L"1.1");
    TestLine item;
    item.setOwner(&drawing);
    item.loadFromXMLNode(old, &longNames);
    EXPECT_EQ(item.iD(), 0);
    EXPECT_EQ(item.blockID(), -1);
    EXPECT_EQ(item.relationID(), 0);
    EXPECT_EQ(item.layer(), layerA);
    EXPECT_EQ(item.extData(), L"payload");
    old.setAttribute("LayerID", 55);  // unknown layer: none
    item.loadFromXMLNode(old, &longNames);
    EXPECT_EQ(item.layer(), nullptr);
}

TEST_F(ItemIoTest, StreamRecordLayoutAndRoundTrip) {
    std::stringstream s = docfix::binaryStream();
    line->saveToStream(&s);
    EXPECT_EQ(s.str(), Bytes()
                           .put<uint8_t>(241)
                           .put<int32_t>(0)
                           .put<int32_t>(3)
                           .put<int32_t>(4)
                           .put<int32_t>(7)
                           .put<int32_t>(0x123456)
                           .put<uint32_t>(3)
                           .raw("abc")
                           .put<int32_t>(5)
                           .put<int32_t>(6)
                           .put(1.0)
                           .str());
    TestLine copy;
    ASSERT_TRUE(load(L"3.4", s.str(), copy));
    EXPECT_EQ(copy.layer(), layerA);
    EXPECT_EQ(copy.extData(), L"abc");
    EXPECT_EQ(copy.enableType(), 6);
}

TEST_F(ItemIoTest, OlderStreamVersionsLackFields) {
    const std::string base = Bytes().put<uint8_t>(241).put<int32_t>(2).str();
    const std::string blocks = Bytes().put<int32_t>(11).put<int32_t>(12).str();
    const std::string layerColor = Bytes().put<int32_t>(7).put<int32_t>(9).str();
    const std::string text = Bytes().put<int32_t>(2).raw("\xc3\xa9").str();

    TestLine v10;  // 1.0: no block fields, no extension data, relation -1
    v10.setExtData(L"old");
    ASSERT_TRUE(load(L"1.0", base + layerColor, v10));
    EXPECT_EQ(v10.extData(), L"");
    EXPECT_EQ(v10.blockTypeID(), -1);
    EXPECT_EQ(v10.relationID(), -1);
    EXPECT_EQ(v10.layer(), layerA);
    EXPECT_EQ(v10.color(), 9);

    TestLine v15;  // 1.5: block fields and an ANSI string, still no relation
    ASSERT_TRUE(load(L"1.5", base + blocks + layerColor + Bytes().put<int32_t>(2).raw("hi").str(), v15));
    EXPECT_EQ(v15.blockID(), 12);
    EXPECT_EQ(v15.extData(), L"hi");
    EXPECT_EQ(v15.relationID(), -1);

    TestLine v18;  // 1.8: relation and enabling, no scale
    ASSERT_TRUE(load(
        L"1.8", base + blocks + layerColor + Bytes().put<int32_t>(0).put<int32_t>(21).put<int32_t>(22).str(), v18));
    EXPECT_EQ(v18.relationID(), 21);
    EXPECT_EQ(v18.enableType(), 22);

    TestLine v19;  // 1.9: UTF-8, still no scale
    ASSERT_TRUE(load(L"1.9", base + blocks + layerColor + text + Bytes().put<int32_t>(0).put<int32_t>(0).str(), v19));
    EXPECT_EQ(v19.extData(), L"\u00e9");
    EXPECT_DOUBLE_EQ(v19.currentScale(), 1.0);

    TestLine v20;  // above 1.9: the scale
    ASSERT_TRUE(
        load(L"2.0", base + blocks + layerColor + text + Bytes().put<int32_t>(0).put<int32_t>(0).put(2.5).str(), v20));
    EXPECT_DOUBLE_EQ(v20.currentScale(), 2.5);
}
