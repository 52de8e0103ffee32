// zvd tests: the grid: the spacing-text grammar as a table (values, counts, refusals and their
// bounds), the lines built from two texts, and both file forms storing only the texts.
#include <gtest/gtest.h>

#include "persistence/test_xml_support.h"
#include "support/docitems.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdgrid.h"

using zgp::CVec2;

namespace {

// Exposes the grammar of the grid for the table below.
struct Grammar : ZVDGrid {
    static bool parse(const QString& text, std::vector<double>& values) {
        QString error;
        return extractToArray(text, error, values);
    }
};

using Segment = std::pair<CVec2<double>, CVec2<double>>;

std::vector<Segment> segments(const ZVDGrid& g) {
    std::vector<Segment> out;
    for (ZVDGridLine* l : g.gridLines()) out.emplace_back(l->startPt(), l->endPt());
    return out;
}

}  // namespace

TEST(Grid, SpacingGrammar) {
    struct Case {
        const char* text;
        bool ok;
        std::vector<double> values;
    };
    const Case cases[] = {
        {"1000*3,500", true, {1000, 1000, 1000, 500}},
        {"0.123456", true, {0.1235}},
        {"2.5*0,7", true, {7}},            // a count of 0 adds nothing
        {"3,2*3*4,5", false, {3}},         // two "*" stop the text; earlier values stay
        {"1,*3", false, {1}},              // no value
        {"4*", false, {}},                 // no count
        {"1,,2", false, {1}},              // an empty part
        {"", false, {}},
        {"1*100000000", false, {}},        // more spacings than a grid takes: refused whole
        {"1*6000,2*6000", false, std::vector<double>(6000, 1)},
    };
    for (const Case& c : cases) {
        std::vector<double> values;
        EXPECT_EQ(Grammar::parse(QString::fromLatin1(c.text), values), c.ok) << c.text;
        EXPECT_EQ(values, c.values) << c.text;
    }
}

TEST(Grid, LinesFromTheTwoTexts) {
    ZVectorDrawing d;
    auto* g = new ZVDGrid;
    d.add(g);
    g->setSpace(L"1000*3,500", L"800*2");
    const std::vector<Segment> expected = {
        {{0, 0}, {3500, 0}},     {{0, 800}, {3500, 800}},   {{0, 1600}, {3500, 1600}}, {{0, 0}, {0, 1600}},
        {{1000, 0}, {1000, 1600}}, {{2000, 0}, {2000, 1600}}, {{3000, 0}, {3000, 1600}}, {{3500, 0}, {3500, 1600}},
    };
    EXPECT_EQ(segments(*g), expected);
    // The lines are items of the drawing, drawn in the curve pass; the grid itself is never hit.
    ASSERT_EQ(g->count(), 8);
    EXPECT_EQ(d.find(g->items(7)->iD()), g->items(7));
    EXPECT_EQ(g->items(0)->displayLevel(), 1);
    EXPECT_FALSE(g->hitTest({0, 0}, 10));
    EXPECT_EQ(g->outRect().max, CVec2<double>(3500, 1600));
    // New texts replace the lines; empty ones leave two of no length at the origin.
    const int firstLine = g->items(0)->iD();
    g->setSpace(L"", L"");
    EXPECT_EQ(d.find(firstLine), nullptr);
    EXPECT_EQ(segments(*g), (std::vector<Segment>{{{0, 0}, {0, 0}}, {{0, 0}, {0, 0}}}));
}

TEST(Grid, OnlyTheTextsAreStored) {
    for (EnVDSaveFormat format : {vdsfBinary, vdsfXML}) {
        ZVectorDrawing d;
        auto* g = new ZVDGrid;
        d.add(g);
        g->setSpace(L"600*4,450", L"3000,4200*2");
        ZVectorDrawing back;
        xmlfix::expectSameBytesAfterReload(d, format, back);
        auto* loaded = dynamic_cast<ZVDGrid*>(back.item(0));
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->horzSpace(), L"600*4,450");
        EXPECT_EQ(segments(*loaded), segments(*g));
        EXPECT_EQ(back.count(), 1);  // the lines travel inside the grid, rebuilt
    }
}
