// zvd tests: the XML name table: which versions use the long set, names easy to get wrong.
#include <gtest/gtest.h>

#include "zvd/persistence/zxmlattrnames.h"

TEST(ZXMLAttrNames, VersionChoosesTheSetAndNamesMatchTheFormat) {
    for (const wchar_t* v : {L"1.0", L"1.1"}) EXPECT_TRUE(ZXMLAttrNames(v).isLongSet()) << v;
    for (const wchar_t* v : {L"1.10", L"1", L"1.2", L"3.4", L""}) EXPECT_FALSE(ZXMLAttrNames(v).isLongSet()) << v;

    const ZXMLAttrNames l(L"1.1"), s;
    // clang-format off
    const std::pair<const std::wstring&, const wchar_t*> expected[] = {
        {l.item, L"Item"}, {s.item, L"DI"}, {l.itemType, L"ItemType"}, {s.itemType, L"DIT"}, {l.layerID, L"LayerID"},
        {s.layerID, L"LID"}, {l.id, L"ID"}, {s.id, L"ID"}, {l.relationID, L""}, {s.relationID, L"RID"},
        {l.enableType, L""}, {s.nextItemID, L"NextItemID"}, {s.fillStyle, L"FS"}, {s.fontStyle, L"FS"},
        {l.textBackColor, L"BackColor"}, {s.textBackColor, L"BC"}, {s.blockID, L"BlcokID"},
        {l.angle, L"m_pXMLAttrNames->angle"}, {s.angle, L"A"}, {l.transparent, L"Trm_pXMLAttrNames->ansparent"},
        {s.transparent, L"Tp"}, {s.constraintRefLine, L"ConstraintRefLine"}};
    // clang-format on
    for (const auto& e : expected) EXPECT_EQ(e.first, e.second);
}
