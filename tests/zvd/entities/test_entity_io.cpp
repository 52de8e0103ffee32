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
    // Loads record (then a sentinel) into a new item of the drawing.
    bool load(const std::string& record, TestLine& item) {
        item.setOwner(&drawing);
        std::stringstream s = docfix::binaryStream(record + "END");
        const bool ok = item.loadFromStream(&s);
        char rest[4] = {};
        s.read(rest, 3);
        EXPECT_STREQ(rest, "END") << "record misread";
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
    ASSERT_TRUE(load(s.str(), copy));
    EXPECT_EQ(copy.layer(), layerA);
    EXPECT_EQ(copy.extData(), L"abc");
    EXPECT_EQ(copy.enableType(), 6);
}

