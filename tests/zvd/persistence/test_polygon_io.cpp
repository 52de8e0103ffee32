// zvd tests: polygons in both file forms: byte-identical round trips, the older vertex-record XML
// form, and stream records whose polygon text is unusable.
#include "test_xml_support.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/nurbscurve2d.h"
#include "zvd/entities/zvdpolygon.h"
#include "zvd/persistence/zxmlattrnames.h"

using namespace zgp;
using V = CVec2<double>;

namespace {

constexpr double kPi = 3.14159265358979323846;

ZVDPolygon* polygonItem(const std::vector<std::vector<CCurve2d*>>& loops, EnBrushStyle fill) {
    auto* polygon = new CPolygon;
    for (const auto& curves : loops) {
        polygon->AddLoop(new CLoop, true);
        for (CCurve2d* c : curves) polygon->AddCurve(c, polygon->LoopCount() - 1, false);
    }
    auto* item = new ZVDPolygon;
    item->setPolygon(polygon);
    item->setFillStyle(fill);
    return item;
}
CCurve2d* seg(V a, V b) { return new CLine2d(a, b); }
ZVDPolygon* triangle() {
    return polygonItem({{seg({0, 0}, {1, 0}), seg({1, 0}, {0, 1}), seg({0, 1}, {0, 0})}}, bsSolid);
}


}  // namespace

// A square with a square hole; a line, an arc, a spline piece and half an ellipse.
TEST(PolygonFiles, BothFormsRoundTripToTheSameBytes) {
    ZVectorDrawing original;
    original.add(
        polygonItem({{seg({0, 0}, {10, 0}), seg({10, 0}, {10, 10}), seg({10, 10}, {0, 10}), seg({0, 10}, {0, 0})},
                     {seg({3, 3}, {3, 7}), seg({3, 7}, {7, 7}), seg({7, 7}, {7, 3}), seg({7, 3}, {3, 3})}},
                    bsSolid));
    auto* spline = new CNurbsCurve2d(3, 4);
    const V ctrl[] = {{30, 10}, {27, 13}, {23, 7}, {20, 10}};
    for (int i = 0; i < 4; ++i) spline->SetCtrlPt(i, ctrl[i], i == 1 ? 2.0 : 1.0);
    original.add(polygonItem({{seg({20, 0}, {30, 0}), new CArc2d(V(30, 0), V(30, 10), 6, CArc2d::CCW_SMALL), spline,
                               new CEllipse2d({20, 5}, {0, 1}, 5, 2, CInterval<double>(0, 5 * kPi), 1)}},
                             bsClear));
    for (EnVDSaveFormat format : {vdsfBinary, vdsfXML}) {
        SCOPED_TRACE(format == vdsfXML ? "xml" : "binary");
        ZVectorDrawing back;
        xmlfix::expectSameBytesAfterReload(original, format, back);
        ASSERT_EQ(back.count(), 2);
        for (int i = 0; i < 2; ++i) {  // the XML form has no fill style: it reads back as the default
            auto *was = static_cast<ZVDPolygon*>(original.item(i)), *now = dynamic_cast<ZVDPolygon*>(back.item(i));
            ASSERT_TRUE(now && now->getPolygon() && now->xLineCount() == was->xLineCount()) << i;
            EXPECT_EQ(now->fillStyle(), format == vdsfXML ? bsClear : was->fillStyle()) << i;
        }
    }
}

// Records "x,y,r,t" joined by lines (t 0) or arcs of radius r and type t, closed back to the first.
TEST(PolygonFiles, OlderXmlHoldsOneLoopOfVertexRecords) {
    ZVectorDrawing d;
    ZXMLAttrNames* names = d.xmlAttrNames();
    std::unique_ptr<ZVDPolygon> source(triangle());
    QDomElement e = docfix::xmlOf(*source, names);
    const QString polyName = QString::fromStdWString(names->xPoly);
    ASSERT_TRUE(e.attribute("HatchVersion") == "1" && e.attribute(polyName).endsWith("#"));
    e.removeAttribute("HatchVersion");
    for (int pass = 0; pass < 2; ++pass) {  // without "HatchVersion", then with it 0
        SCOPED_TRACE(pass);
        ZVDPolygon item;
        e.setAttribute(polyName, "0,0,0,0;10,0,0,0;5,5,0,0");
        item.loadFromXMLNode(e, names);
        ASSERT_TRUE(item.getPolygon()->LoopCount() == 1 && item.xLineCount() == 3);
        EXPECT_NEAR(item.getPolygon()->Area(), 25, 1e-9);  // the triangle (0,0), (10,0), (5,5)
        EXPECT_TRUE(item.line(1)->StartPoint() == V(10, 0) && item.line(2)->StartPoint() == V(5, 5) &&
                    item.line(2)->EndPoint().DistanceTo({0, 0}) < 1e-12 && item.line(0)->Type() == GT_LINE);
        // A half circle of radius 5 turning left from (10,0) up to (10,10) bulges out to (15,5).
        e.setAttribute(polyName, "0,0,0,0;10,0,5,1;10,10,0,0");
        item.loadFromXMLNode(e, names);
        const CCurve2d* arc = item.line(1);
        ASSERT_TRUE(item.xLineCount() == 3 && arc->Type() == GT_ARC && item.line(2)->Type() == GT_LINE);
        EXPECT_LT(arc->StartPoint().DistanceTo({10, 0}) + arc->EndPoint().DistanceTo({10, 10}) +
                      arc->GetNearestPoint({15, 5}).DistanceTo({15, 5}) + item.line(2)->EndPoint().DistanceTo({0, 0}),
                  1e-9);
        e.setAttribute("HatchVersion", "0");
    }
}

TEST(PolygonFiles, UnusablePolygonTextFailsTheStreamLoad) {
    ZVectorDrawing source;
    source.add(triangle());
    const std::string text = static_cast<ZVDPolygon*>(source.item(0))->getPolygon()->AsString();
    const std::string saved = xmlfix::saveIn(source, vdsfBinary);  // ends with the text's length, the text, the fill
    auto record = [&](const std::string& t, int32_t overrun = 0) {
        return saved.substr(0, saved.size() - 8 - text.size()) +
               docfix::Bytes().put(int32_t(t.size()) + overrun).raw(t).put<int32_t>(0).str();
    };
    const std::pair<std::string, bool> cases[] = {
        {record(text), true},  // the splice itself is sound
        {record(std::string(text.size(), 'x')), false},
        {record(CLine2d(V(0, 0), V(1, 0)).AsString()), false},  // a curve, not a polygon
        {record(text, 1 << 20), false},                         // longer than the stream
    };
    for (const auto& [bytes, ok] : cases) {
        ZVectorDrawing d;
        std::stringstream in = docfix::binaryStream(bytes);
        EXPECT_EQ(d.loadFromStream(&in), ok) << bytes.size();
        if (!ok) xmlfix::expectEmptyLikeNew(d);
    }
}
