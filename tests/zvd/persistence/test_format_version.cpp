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
    };
    for (const Row& r : rows) {
        const ZVDFormatVersion f(r.version);
        SCOPED_TRACE(QString::fromWCharArray(r.version).toStdString());
        // In the order of the table's columns; the single mark follows the long names, the ellipse
        // layout and the arc check the old circle layout.
        EXPECT_EQ(std::vector<bool>({f.longXmlNames(), f.singleCurveMark(), f.hasExtData(), f.ansiStrings(),
                                     f.hasBlockFields(), f.hasRelationID(), f.hasEnableType(), f.hasCurrentScale(),
                                     f.hasCurveChainIds(), f.arcByRadius(), f.oldCircleLayout(), f.oldEllipseLayout(),
                                     f.arcsMayBeLines(), f.hasXmlBlocks(), f.hasStreamBlocks()}),
                  std::vector<bool>({r.longNames, r.longNames, r.extData, r.ansi, r.blockFields, r.relation, r.enable,
                                     r.scale, r.chainIds, r.byRadius, r.oldCircle, r.oldCircle, r.oldCircle,
                                     r.xmlBlocks, r.streamBlocks}));
    }
    EXPECT_EQ(ZVDFormatVersion::current().text(), L"3.4");
    EXPECT_EQ(ZVDFormatVersion(L"3.4004").compare(3.4), 0);
    EXPECT_EQ(ZVDFormatVersion(L"3.402").compare(3.4), 1);
    EXPECT_EQ(ZVDFormatVersion(L"junk").compare(0.0), 0);
}
