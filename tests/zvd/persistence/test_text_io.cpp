// zvd tests: texts in both file forms: exact round trips of CJK and characters outside the Basic
// Multilingual Plane (through Base64 of GB18030 bytes in XML), the forms of older versions, and
// damaged input.
#include <gtest/gtest.h>

#include <regex>

#include "persistence/test_xml_support.h"
#include "support/docitems.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdtext.h"

namespace {

// Latin, CJK, an emoji and a CJK extension-B character (both outside the BMP), two lines.
const std::wstring kMixed = L"Plan 平面图 \U0001F600 \U00020000\r\nline 2";

ZVDText* addText(ZVectorDrawing& d, const std::wstring& s, const std::wstring& font, short height = 18) {
    auto* t = new ZVDText;
    t->setText(s);
    t->setFontName(font);
    t->setHeight(height);
    t->setAngle(0.5f);
    t->setInsertPt({1.25, -7.5});
    t->setHorzAlignment(haRight);
    t->setVertAlignment(vaBottom);
    t->setFontStyle({fsBold});
    t->setTransparent(false);
    t->setBackColor(0x10203);
    t->setWidthFactor(0.75f);
    d.add(t);
    return t;
}

ZVDText* firstText(ZVectorDrawing& d) { return dynamic_cast<ZVDText*>(d.item(0)); }

}  // namespace

TEST(TextFiles, RoundTripsKeepEveryCharacterInBothFormats) {
    for (EnVDSaveFormat format : {vdsfBinary, vdsfXML}) {
        SCOPED_TRACE(format);
        // A negative (pixel) height survives the stream; XML keeps a height's size only.
        ZVectorDrawing d;
        addText(d, kMixed, L"宋体", format == vdsfXML ? 18 : -18);
        addText(d, L"", L"DejaVu Sans");
        ZVectorDrawing back;
        xmlfix::expectSameBytesAfterReload(d, format, back);
        ZVDText* t = firstText(back);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->text(), kMixed);
        EXPECT_EQ(t->fontName(), L"宋体");
        EXPECT_EQ(t->height(), format == vdsfXML ? 18 : -18);
        EXPECT_EQ(t->angle(), 0.5f);
        EXPECT_EQ(t->insertPt(), zgp::CVec2<double>(1.25, -7.5));
        EXPECT_EQ(std::make_tuple(t->horzAlignment(), t->vertAlignment(), t->transparent(), t->backColor()),
                  std::make_tuple(haRight, vaBottom, false, 0x10203));
        EXPECT_EQ(t->fontStyle(), std::set<EnFontStyle>{fsBold});
        EXPECT_EQ(t->getWidthFactor(), 0.75f);
        EXPECT_FALSE(ZVDEntity::isEmptyBox(t->outRect()));  // loading built the bound polygon
    }
}

TEST(TextFiles, XmlAttributesAreBase64OfAnsiBytes) {
    ZVectorDrawing d;
    addText(d, L"中文", L"宋体");
    const std::string xml = xmlfix::saveIn(d, vdsfXML);
    // GB18030 bytes of "中文" (D6 D0 CE C4) in Base64.
    EXPECT_NE(xml.find("T=\"1tDOxA==\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("FN=\"y87M5Q==\""), std::string::npos);

    // Version 1.2 stores both as they are, 1.3 the text only in Base64; a missing width factor
    // reads as 1.
    std::string v12 = std::regex_replace(xml, std::regex("Version=\"3.4\""), "Version=\"1.2\"");
    v12 = std::regex_replace(v12, std::regex("T=\"1tDOxA==\""), "T=\"plain &amp; 中文\"");
    v12 = std::regex_replace(v12, std::regex("FN=\"y87M5Q==\""), "FN=\"宋体\"");
    v12 = std::regex_replace(v12, std::regex(" WidthFactor=\"[^\"]*\""), "");
    ZVectorDrawing old;
    ASSERT_TRUE(xmlfix::loadXml(old, v12));
    ASSERT_NE(firstText(old), nullptr);
    EXPECT_EQ(firstText(old)->text(), L"plain & 中文");
    EXPECT_EQ(firstText(old)->fontName(), L"宋体");
    EXPECT_EQ(firstText(old)->getWidthFactor(), 1.0f);
    std::string v13 = std::regex_replace(xml, std::regex("Version=\"3.4\""), "Version=\"1.3\"");
    v13 = std::regex_replace(v13, std::regex("FN=\"y87M5Q==\""), "FN=\"Arial\"");
    ASSERT_TRUE(xmlfix::loadXml(old, v13));
    EXPECT_EQ(firstText(old)->text(), L"中文");
    EXPECT_EQ(firstText(old)->fontName(), L"Arial");
}

TEST(TextFiles, DamagedTextsFailTheLoadAndLeaveAnEmptyDrawing) {
    ZVectorDrawing d;
    addText(d, L"abc", L"Arial");
    const std::string xml = xmlfix::saveIn(d, vdsfXML);
    const std::string notBase64 = std::regex_replace(xml, std::regex(" T=\"[^\"]*\""), " T=\"@@not base64@@\"");
    ZVectorDrawing loaded;
    EXPECT_FALSE(xmlfix::loadXml(loaded, notBase64));
    xmlfix::expectEmptyLikeNew(loaded);

    // The text's 2-byte length says more than the stream holds, at every cut of the record.
    const std::string bin = xmlfix::saveIn(d, vdsfBinary);
    const size_t at = bin.find(std::string("\x03\x00" "abc", 5));
    ASSERT_NE(at, std::string::npos);
    std::string overrun = bin;
    overrun[at] = '\xff';
    overrun[at + 1] = '\xff';
    std::stringstream in = docfix::binaryStream(overrun);
    EXPECT_FALSE(loaded.loadFromStream(&in));
    EXPECT_EQ(loaded.count(), 0);
    for (size_t cut = at; cut < bin.size(); cut += 3) {
        std::stringstream part = docfix::binaryStream(bin.substr(0, cut));
        EXPECT_FALSE(loaded.loadFromStream(&part)) << cut;
        EXPECT_EQ(loaded.count(), 0);
    }
}
