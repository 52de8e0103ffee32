// zvd tests: the layout answers of each format version, at and around every threshold.
// Expectations come from the file-format history table, one row per version text.
#include <gtest/gtest.h>

#include <QString>

#include "zvd/persistence/zvdformatversion.h"

TEST(FormatVersion, AnswersAtEveryThreshold) {
    struct Row {
        const wchar_t* version;
        bool longNames, extData, ansi, blockFields, relation, enable, scale, chainIds, byRadius, oldCircle, xmlBlocks,
            streamBlocks;
    };
    const Row rows[] = {
        // version  long   ext    ansi   blkF   rel    enab   scale  chain  radius oldCir xmlBlk strBlk
        {L"1.0", true, false, true, false, false, false, false, false, true, true, false, false},
        {L"1.1", true, true, true, false, false, false, false, false, true, true, false, false},
        {L"1.10", false, true, true, false, false, false, false, false, true, true, false, false},
        {L"1.45", false, true, true, false, false, false, false, false, true, true, false, false},
        {L"1.46", false, true, true, true, false, false, false, false, true, true, false, false},
        {L"1.6", false, true, true, true, true, false, false, false, true, true, false, false},
        {L"1.7", false, true, true, true, true, false, false, false, true, true, false, false},
        {L"1.8", false, true, true, true, true, true, false, false, true, true, false, false},
        {L"1.9", false, true, false, true, true, true, false, false, true, true, false, false},
        {L"2.0", false, true, false, true, true, true, true, false, true, true, false, false},
        {L"2.1", false, true, false, true, true, true, true, true, true, true, false, false},
        {L"2.9", false, true, false, true, true, true, true, true, true, true, false, false},
        {L"3.0", false, true, false, true, true, true, true, true, true, false, true, false},
        {L"3.1", false, true, false, true, true, true, true, true, true, false, true, true},
        {L"3.2999", false, true, false, true, true, true, true, true, false, false, true, true},
        {L"3.4", false, true, false, true, true, true, true, true, false, false, true, true},
    };
    for (const Row& r : rows) {
        const ZVDFormatVersion f(r.version);
        SCOPED_TRACE(QString::fromWCharArray(r.version).toStdString());
        EXPECT_EQ(f.longXmlNames(), r.longNames);
        EXPECT_EQ(f.singleCurveMark(), r.longNames);
        EXPECT_EQ(f.hasExtData(), r.extData);
        EXPECT_EQ(f.ansiStrings(), r.ansi);
        EXPECT_EQ(f.hasBlockFields(), r.blockFields);
        EXPECT_EQ(f.hasRelationID(), r.relation);
        EXPECT_EQ(f.hasEnableType(), r.enable);
        EXPECT_EQ(f.hasCurrentScale(), r.scale);
        EXPECT_EQ(f.hasCurveChainIds(), r.chainIds);
        EXPECT_EQ(f.arcByRadius(), r.byRadius);
        EXPECT_EQ(f.oldCircleLayout(), r.oldCircle);
        EXPECT_EQ(f.oldEllipseLayout(), r.oldCircle);
        EXPECT_EQ(f.arcsMayBeLines(), r.oldCircle);
        EXPECT_EQ(f.hasXmlBlocks(), r.xmlBlocks);
        EXPECT_EQ(f.hasStreamBlocks(), r.streamBlocks);
    }
    EXPECT_EQ(ZVDFormatVersion::current().text(), L"3.4");
    EXPECT_EQ(ZVDFormatVersion(L"3.4004").compare(3.4), 0);
    EXPECT_EQ(ZVDFormatVersion(L"3.402").compare(3.4), 1);
    EXPECT_EQ(ZVDFormatVersion(L"junk").compare(0.0), 0);
}
