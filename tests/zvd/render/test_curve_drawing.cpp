// zvd tests: curve items' hook colours, pens and modes; world (x, y) is device (100 + x, 100 - y).
#include "entities/curve_items.h"
#include "platform/gdi_test_util.h"

using itemfix::setMarks;
using zgp::CArc2d;
using V = zgp::CVec2<double>;

namespace {

enum Hook { kNormal, kSelected, kElastic };

class CurveDrawing : public gditest::RecordingTest {
protected:
    QStringList hook(ZVDCurve& item, Hook h) {
        item.setSelected(h == kSelected);
        clearRecordedCalls(dc);
        item.draw(dc, ct, h == kElastic, -1);
        item.setSelected(false);
        return recordedCalls(dc);
    }
    QStringList hook(ZVDCurve& item, Hook h, const char* pattern) { return hook(item, h), recorded(pattern); }
    QStringList shapes(ZVDCurve& item, Hook h = kNormal) {
        return hook(item, h, "^(MoveToEx|LineTo|Polyline|Polygon|Ellipse|Arc|CreatePen|ExtCreatePen)\\(");
    }
};

std::unique_ptr<ZVDLine> makeLine(V s, V e, int colour = 0x0000FF) {
    auto line = std::make_unique<ZVDLine>();
    line->set(s, e);
    line->setColor(colour);
    return line;
}

TEST_F(CurveDrawing, ElasticHookDrawsWhiteInXorWithTheItemsOwnStyle) {
    auto line = makeLine(V(0, 0), V(30, 10), 0x00FF00);
    line->setLineStyle(psDash);
    EXPECT_EQ(shapes(*line, kElastic).value(0), "CreatePen(1,0,0x00ffffff)");
    EXPECT_EQ(hook(*line, kElastic, "^SetROP2").value(0), "SetROP2(7)");
    EXPECT_EQ(hook(*line, kNormal, "^SetROP2").value(0), "SetROP2(13)");

    ZVDCircle circle;  // about (5, -5), radius 12.5: ends at device x 100 + ceil(-7.501) and 100 + ceil(17.499)
    circle.setCenterPt(V(5, -5));
    circle.setRadius(12.5);
    circle.setLineStyle(psDashDot);
    EXPECT_EQ(shapes(circle, kElastic).mid(0, 2),
              QStringList({"CreatePen(3,0,0x00ffffff)", "Arc(92,92,118,118,118,105,93,105)"}));
}

TEST_F(CurveDrawing, SelectedPenIsDottedWhileTheLineIsOnePixelWide) {
    auto line = makeLine(V(0, 0), V(20, 0));
    line->setLineStyle(psDashDotDot);
    const struct {
        int width;
        double zoom;
        const char* pen;
    } cases[] = {
        {1, 1.0009, "CreatePen(2,0,0x00ff0000)"},  // still within the rounding slack of one pixel
        {1, 1.002, "ExtCreatePen(0x12204,2,{0,0x00ff0000,0},0,null)"},
        {3, 0.3, "CreatePen(2,0,0x00ff0000)"},
        {2, 0.51, "ExtCreatePen(0x12204,2,{0,0x00ff0000,0},0,null)"},
    };
    for (const auto& c : cases) {
        line->setLineWidth(static_cast<short>(c.width));
        ct.setZoomFactor(c.zoom);
        EXPECT_EQ(shapes(*line, kSelected).value(0), c.pen) << c.width << " at zoom " << c.zoom;
        EXPECT_TRUE(shapes(*line).value(0).contains(c.width * c.zoom > 1.001 ? "0x12204," : "(4,0,"));
    }
}

TEST_F(CurveDrawing, MarkedItemsUseTheHooksColourPenAndMode) {
    // Fills take the hook's colour with a null border pen; strokes take its colour and pen style.
    auto line = makeLine(V(0, 0), V(30, 0));
    line->setLineStyle(psDash);
    setMarks(*line, msArrow, 9, msSlash, 9);
    const char* pattern = "^(CreatePen|ExtCreatePen|CreateBrushIndirect|SetROP2\\((?!13))";
    EXPECT_EQ(hook(*line, kElastic, pattern),
              QStringList({"SetROP2(7)", "CreatePen(5,0,0x00ffffff)", "CreateBrushIndirect({0,0x00ffffff,0})",
                           "SetROP2(7)", "CreatePen(1,0,0x00ffffff)", "SetROP2(7)", "CreatePen(1,0,0x00ffffff)"}));
}

TEST_F(CurveDrawing, MarksWithoutSizeOrStyleDrawNothingExtra) {
    ZVDArc arc;
    arc.set(V(20, 0), V(0, 20), CArc2d::CCW_SMALL, 20);
    const QStringList unmarked = shapes(arc);
    ASSERT_EQ(unmarked.filter("Arc(").size(), 1);
    setMarks(arc, msArrow, 0, msSlash, 0);
    EXPECT_EQ(shapes(arc), unmarked);
    setMarks(arc, msNone, 7, msNone, 7);
    EXPECT_EQ(shapes(arc), unmarked);
    // A style beyond the known ones adds no geometry, but the curve is then drawn as a chain.
    setMarks(arc, 7, 5, msNone, 0);
    const QStringList chained = shapes(arc);
    ASSERT_EQ(chained.size(), 2);
    EXPECT_TRUE(chained[1].startsWith("Polyline({(120,100),")) << chained[1].toStdString();
    EXPECT_TRUE(chained[1].contains(",(100,80)},")) << chained[1].toStdString();
}

}  // namespace
