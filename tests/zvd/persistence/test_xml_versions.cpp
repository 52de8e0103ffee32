// zvd tests: older XML versions laid out by hand, and every curve item through a save and load.
#include <cmath>

#include "entities/curve_items.h"
#include "test_xml_support.h"
#include "zvd/entities/zvdellipse.h"
#include "zvd/entities/zvdpolyline.h"
#include "zvd/entities/zvdspline.h"

using itemfix::expectNear;
using xmlfix::loadXml;
using xmlfix::saveXml;

namespace {

std::string withVersion(std::string text, const std::string& version) {
    for (size_t at = text.find("{V}"); at != std::string::npos; at = text.find("{V}", at)) text.replace(at, 3, version);
    return text;
}

ZVDArc* asArc(ZVDEntity* e) { return dynamic_cast<ZVDArc*>(e); }
ZVDLine* asLine(ZVDEntity* e) { return dynamic_cast<ZVDLine*>(e); }
ZVDCircle* asCircle(ZVDEntity* e) { return dynamic_cast<ZVDCircle*>(e); }

void expectCurrentAfterLoad(ZVectorDrawing& d, double fileVersion) {
    EXPECT_EQ(d.version(), L"3.4");
    EXPECT_EQ(d.compareOriVersion(fileVersion), 0);
    EXPECT_EQ(d.changeCount(), 0);
    const std::string saved = saveXml(d);
    EXPECT_NE(saved.find("<DI DIT="), std::string::npos);
    EXPECT_EQ(saved.find("ItemType"), std::string::npos);
    ZVectorDrawing again;
    ASSERT_TRUE(loadXml(again, saved));
    ASSERT_EQ(again.count(), d.count());
    for (int i = 0; i < d.count(); ++i) EXPECT_EQ(again.item(i)->itemType(), d.item(i)->itemType());
}

const char kLongNames[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ZelvaroneVectorDrawing Version="{V}" BackColor="255" DrawingWidth="100" DrawingHeight="50">
    <Remark>old</Remark>
    <ExtData></ExtData>
    <Layers>
        <Layer LayerID="0" LayerName="0" LayerColor="16777215" LayerVisible="True"/>
        <Layer LayerID="3" LayerName="walls" LayerColor="255" LayerVisible="False"/>
    </Layers>
    <DrawingItems>
        <Item ItemType="2" ID="0" LayerID="3" Color="1" LineWidth="2" LineStyle="0" MarkPos="3" MarkSize="5" MarkStyle="0" Line="0,0,10,0"/>
        <Item ItemType="3" ID="1" LayerID="0" Color="2" LineWidth="1" LineStyle="0" MarkPos="2" MarkSize="4" MarkStyle="1" Line="10,0,0,10" Radius="10" LineType="1"/>
        <Item ItemType="5" ID="2" LayerID="3" Color="3" LineWidth="1" LineStyle="2" CenterPt="5,5" Radius="2"/>
    </DrawingItems>
    <BLOCKS><BLOCK ID="1" Name="ignored" Origin="0,0"/></BLOCKS>
</ZelvaroneVectorDrawing>
)";

// Short names; {ARC} completes a sound arc in the version's layout; the circle's mark sizes are read
// only by the newer circle layout.
const char kShortNames[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ZelvaroneVectorDrawing Version="{V}" BackColor="0" DrawingWidth="0" DrawingHeight="0">
    <Remark/>
    <ExtData/>
    <Layers>
        <Layer LID="0" LayerName="0" LayerColor="16777215" LayerVisible="True"/>
    </Layers>
    <DrawingItems>
        <DI DIT="2" ID="0" LID="0" Cl="1" LW="2" LS="0" SMST="1" EMST="2" SMS="4" EMS="6" PrevItemID="7" NextItemID="8" Ln="0,0,10,0"/>
        <DI DIT="3" ID="1" LID="0" Cl="0" LW="1" LS="0" Ln="10,0,0,10" {ARC}/>
        <DI DIT="3" ID="2" LID="0" Cl="0" LW="1" LS="0" Ln="0,0,10,10" R="1" LT="1"/>
        <DI DIT="3" ID="3" LID="0" Cl="0" LW="1" LS="0" Ln="1,2,3,4" R="5" LT="0"/>
        <DI DIT="5" ID="4" LID="0" Cl="0" LW="3" LS="1" SMS="9" EMS="9" CP="5,5" R="2"/>
    </DrawingItems>
    <BLOCKS>
        <BLOCK ID="1" Name="part" Origin="1,2">
            <DI DIT="2" ID="9" LID="0" Ln="0,0,1,1"/>
        </BLOCK>
    </BLOCKS>
</ZelvaroneVectorDrawing>
)";

}  // namespace

TEST(XmlVersions, LongNameVersionsReadMarksLayersAndGeometry) {
    for (const char* version : {"1.0", "1.1"}) {
        SCOPED_TRACE(version);
        ZVectorDrawing d;
        ASSERT_TRUE(loadXml(d, withVersion(kLongNames, version)));
        const ZVDLayer* walls = d.layers()->itemByName(L"walls");
        ASSERT_TRUE(walls && walls->iD() == 3 && !walls->visible());
        EXPECT_EQ(d.blockDefinitionTable()->count(), 0);  // no blocks before 3.0
        ASSERT_EQ(d.count(), 3);
        ZVDLine* line = asLine(d.item(0));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->layer(), walls);
        EXPECT_TRUE(line->endMarkStyle() == msArrow && line->startMarkSize() == 5);
        ASSERT_NE(asArc(d.item(1)), nullptr);
        EXPECT_EQ(asArc(d.item(1))->endMarkStyle(), msDot);
        expectNear(asArc(d.item(1))->centerPt(), {0, 0});
        ASSERT_NE(asCircle(d.item(2)), nullptr);
        EXPECT_EQ(asCircle(d.item(2))->lineStyle(), 2);
        expectCurrentAfterLoad(d, std::stod(version));
    }
}

// Position 0 none, 1 start, 2 end, 3 both; style numbered from 0 (arrow); unknown positions: no style.
TEST(XmlVersions, OneMarkDescriptionCoversBothEnds) {
    const int cases[][4] = {{3, 0, msArrow, msArrow}, {0, 2, msNone, msNone}, {1, 2, msSlash, msNone},
                            {2, 3, msNone, msHook},   {9, 0, msNone, msNone}};
    std::string items;
    for (const auto& c : cases)
        items += "<Item ItemType=\"2\" ID=\"" + std::to_string(&c - cases) + "\" LineWidth=\"1\" MarkPos=\"" +
                 std::to_string(c[0]) + "\" MarkSize=\"-5\" MarkStyle=\"" + std::to_string(c[1]) +
                 "\" Line=\"0,0,5,0\"/>";
    ZVectorDrawing d;
    ASSERT_TRUE(loadXml(d, "<?xml version=\"1.0\"?><ZelvaroneVectorDrawing Version=\"1.0\"><DrawingItems>" + items +
                               "</DrawingItems></ZelvaroneVectorDrawing>"));
    ASSERT_EQ(d.count(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(cases[i][0]);
        const ZVDLine* line = asLine(d.item(i));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(std::make_tuple(int(line->startMarkStyle()), int(line->endMarkStyle()), int(line->startMarkSize()),
                                  int(line->endMarkSize())),
                  std::make_tuple(cases[i][2], cases[i][3], -5, -5));
    }
}

TEST(XmlVersions, ShortNameVersionsFollowTheirOwnLayouts) {
    struct Expect {
        const char* version;
        bool checksArcs;  // before 3.0: arcs that cannot be built become lines
        bool chainIds;    // from 2.1: previous and next item identifiers
        bool newCircle;   // from 3.0: circles carry marks
        bool centreArcs;  // from 3.3: arcs are stored by centre and turning sense
    };
    const Expect cases[] = {
        {"1.8", true, false, false, false}, {"2.5", true, true, false, false}, {"2.9", true, true, false, false},
        {"3.0", false, true, true, false},  {"3.1", false, true, true, false}, {"3.3", false, true, true, true},
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(c.version);
        ZVectorDrawing d;
        std::string text = withVersion(kShortNames, c.version);
        text.replace(text.find("{ARC}"), 5, c.centreArcs ? "CP=\"0,0\" ClockSign=\"1\"" : "R=\"10\" LT=\"1\"");
        ASSERT_TRUE(loadXml(d, text));
        ASSERT_EQ(d.count(), 5);

        ASSERT_NE(asLine(d.item(0)), nullptr);
        EXPECT_EQ(asLine(d.item(0))->endMarkSize(), 6);
        EXPECT_EQ(asLine(d.item(0))->prevItemID(), c.chainIds ? 7 : -1);
        ASSERT_NE(asCircle(d.item(4)), nullptr);
        EXPECT_EQ(asCircle(d.item(4))->startMarkSize(), c.newCircle ? 9 : 0);
        ASSERT_NE(asArc(d.item(1)), nullptr);
        expectNear(asArc(d.item(1))->centerPt(), {0, 0});
        // Radius 1 cannot span the chord; a line type of 0 is no arc at all.
        for (int i : {2, 3}) EXPECT_EQ(d.item(i)->itemType(), c.checksArcs ? vdiLine : vdiArc) << i;
        if (c.checksArcs) expectNear(asLine(d.item(2))->endPt(), {10, 10});
        ASSERT_EQ(d.blockDefinitionTable()->count(), c.checksArcs ? 0 : 1);
        if (!c.checksArcs) expectNear(asLine(d.blockDefinitionTable()->item(0)->items(0))->endPt(), {1, 1});
        expectCurrentAfterLoad(d, std::stod(c.version));
    }
}

TEST(XmlVersions, CurvesRoundTripExactlyInBothFormats) {
    ZVectorDrawing d;
    ZVDLayer* layer = d.layers()->add(L"second");
    auto* line = new ZVDLine();
    line->set({0.1, -1e-7}, {12345.678901234567, 3.25});
    line->setStartMarkSize(-7);
    line->setPrevItemID(6);
    auto* arc = new ZVDArc();
    arc->set({10, 0}, {-10, 0}, zgp::CArc2d::ArcType(2), 10);
    auto* quarter = new ZVDArc();
    quarter->set({10, 0}, {0, 10}, zgp::CArc2d::ArcType(1), 10);
    auto* circle = new ZVDCircle();
    circle->setCenterPt({1.0 / 3, 2.0 / 3});
    circle->setRadius(std::sqrt(2.0));
    auto* ellipse = new ZVDEllipse();
    ellipse->set({1.5, -2.25}, {0.6, 0.8}, 16.0 / 3, 3, 0.3, 2.0, -1);
    auto* poly = new ZVDPolyline();  // a line, then a half circle of radius 5 below the x axis
    zgp::CRefPtr<zgp::CLoop> chain(new zgp::CLoop);
    chain->AddCurve(new zgp::CLine2d({0, 0}, {10, 0}), false);
    chain->AddCurve(new zgp::CArc2d({10, 0}, {20, 0}, 5, zgp::CArc2d::CCW_SMALL), false);
    poly->setPolyline(*chain);
    auto* spline = new ZVDSpline();  // rational, with an uneven inner knot
    zgp::CRefPtr<zgp::CNurbsCurve2d> nurbs(new zgp::CNurbsCurve2d(2, 4));
    for (int i = 0; i < 4; ++i) nurbs->SetCtrlPt(i, {10.0 * i, i % 2 * 10.0}, i == 1 ? 2 : 1);
    nurbs->SetKnot(3, 0.25);
    spline->set(nurbs.Get());
    for (ZVDEntity* item : std::initializer_list<ZVDEntity*>{line, arc, circle, quarter, ellipse, poly, spline})
        d.add(item);
    circle->setLayer(layer);
    auto* inner = new ZVDArc;
    inner->set({0, 0}, {0, 2}, zgp::CArc2d::CCW_SMALL, 1);
    d.blockDefinitionTable()->add(L"part")->add(inner);

    for (EnVDSaveFormat format : {vdsfXML, vdsfBinary}) {
        SCOPED_TRACE(format == vdsfXML ? "xml" : "binary");
        auto save = [format](ZVectorDrawing& from) {
            if (format == vdsfXML) return saveXml(from);
            std::stringstream s = docfix::binaryStream();
            EXPECT_TRUE(from.saveToStream(&s, vdsfBinary, false));
            return s.str();
        };
        const std::string first = save(d);
        ZVectorDrawing back;
        std::stringstream in = docfix::binaryStream(first);
        ASSERT_TRUE(back.loadFromStream(&in));
        EXPECT_EQ(save(back), first);
        ASSERT_EQ(back.count(), 7);
        EXPECT_EQ(asLine(back.item(0))->endPt(), line->endPt());  // bit for bit
        EXPECT_EQ(asLine(back.item(0))->startMarkSize(), -7);
        EXPECT_EQ(asLine(back.item(0))->prevItemID(), 6);
        EXPECT_EQ(asArc(back.item(1))->centerPt(), arc->centerPt());
        EXPECT_EQ(asCircle(back.item(2))->radius(), circle->radius());
        EXPECT_EQ(back.item(2)->layer(), back.layers()->itemByName(L"second"));
        // "%.20lf" drops most of the end point's 4e-15 noise: close, not bitwise (the bytes still settle).
        EXPECT_NEAR(asArc(back.item(3))->endPt().x, quarter->endPt().x, 1e-12);
        EXPECT_EQ(asArc(back.item(3))->endPt().y, quarter->endPt().y);
        const zgp::CEllipse2d& e = *static_cast<ZVDEllipse*>(back.item(4))->getEllipse2d();
        EXPECT_LT(e.CenterPt().DistanceTo({1.5, -2.25}) + e.Axis().DistanceTo({0.6, 0.8}), 1e-12);
        EXPECT_NEAR(e.MajorRadius() + e.MinorRadius(), 16.0 / 3 + 3, 1e-12);
        EXPECT_NEAR(e.EndT(), ellipse->getEllipse2d()->EndT(), 1e-12);
        EXPECT_EQ(e.Sense(), -1);
        auto* p = static_cast<ZVDPolyline*>(back.item(5));
        ASSERT_EQ(p->xLineCount(), 2);
        ASSERT_EQ(p->line(1)->Type(), zgp::GT_ARC);
        const zgp::CCurve2d& half = *p->line(1);
        expectNear(half.GetPoint((half.StartT() + half.EndT()) / 2), {15, -5});
        const zgp::CNurbsCurve2d& n = *static_cast<ZVDSpline*>(back.item(6))->curve();
        EXPECT_EQ(n.Knots(), nurbs->Knots());
        EXPECT_EQ(n.Weight(1), 2);
        EXPECT_EQ(n.CtrlPt(3), nurbs->CtrlPt(3));
        ASSERT_EQ(back.blockDefinitionTable()->count(), 1);
        EXPECT_EQ(back.blockDefinitionTable()->item(0)->items(0)->itemType(), vdiArc);
    }
}
