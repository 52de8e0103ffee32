// zvd tests: the drawing pass (background, level order, selection on top, culling) and the visible range.
#include <gtest/gtest.h>

#include <string>

#include <QRegularExpression>
#include <QStringList>

#include "support/docitems.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"

using zgp::CBox2;
using zgp::CVec2;

namespace {

// Hooks mark the device with SetPixel(tag, 0, hook letter): who painted through which hook, in order.
struct PassItem : docfix::TestLine {
    PassItem(char tag, int level, const CBox2<double>& box) : TestLine(box.min, box.max), tag(tag), level(level) {}
    int displayLevel() const override { return level; }
    void doDrawElastic(HDC hdc, const ZCoordTrans&) override { SetPixel(hdc, tag, 0, 'E'); }
    void doDrawNormal(HDC hdc, const ZCoordTrans&) override { SetPixel(hdc, tag, 0, 'N'); }
    void doDrawSelected(HDC hdc, const ZCoordTrans&) override { SetPixel(hdc, tag, 0, 'S'); }
    char tag;
    int level;
};

CBox2<double> near(double x, double y) { return CBox2<double>(x - 1.0, y - 1.0, x + 1.0, y + 1.0); }

struct DrawPass : ::testing::Test {
    void SetUp() override { hdc = createRecordingDC(); }
    void TearDown() override { destroyDC(hdc); }
    PassItem* add(char tag, int level, const CBox2<double>& box) {
        auto* item = new PassItem(tag, level, box);
        drawing.add(item);
        return item;
    }
    std::string trace() const {
        std::string out;
        for (const QString& call : recordedCalls(hdc)) {
            const QStringList args = call.section('(', 1).chopped(1).split(',');
            if (call.startsWith("Polygon(")) out += " bg";
            if (call.startsWith("SetPixel("))
                out += std::string(" ") + char(args[0].toInt()) + char(args[2].toUInt(nullptr, 16));
        }
        return out.empty() ? out : out.substr(1);
    }
    QStringList calls(const QString& pattern) const { return recordedCalls(hdc).filter(QRegularExpression(pattern)); }
    ZVectorDrawing drawing;
    ZCoordTrans trans;  // identity: device (x, -y)
    HDC hdc = nullptr;
    const CBox2<int> rect{-100, -100, 100, 100};
};

}  // namespace

TEST_F(DrawPass, LevelsFirstThenTheSelectionOnTop) {
    PassItem* x = add('x', 1, near(0, 0));
    add('p', 3, near(0, 0));
    auto* c = new ZVDComposite();  // children paint in the passes of their own levels
    c->add(new PassItem('g', 0, near(0, 0)));
    c->add(new PassItem('q', 3, near(0, 0)));
    drawing.add(c);
    add('l', 1, near(0, 0));
    PassItem* y = add('y', 1, near(0, 0));
    PassItem* a = add('a', 0, near(0, 0));
    drawing.selSet()->add(y, false);
    drawing.selSet()->add(x, false);
    drawing.selSet()->add(a, false);
    ASSERT_EQ(ZVDEntity::maxDisplayLevel(), 3);  // the point class's level, the library's highest
    drawing.draw(hdc, trans, rect);
    EXPECT_EQ(trace(), "bg gN lN pN qN aS yS xS");

    clearRecordedCalls(hdc);
    drawing.draw(nullptr, trans, rect);
    drawing.draw(hdc, rect, 0, 0);
    EXPECT_EQ(trace(), "");
}

TEST_F(DrawPass, ViewBoxIsOnePixelLargerThanTheRectangle) {
    // 2 px per unit: device 0..200 x 0..100 grown by a pixel is world x -0.5..100.5, y -50.5..0.5.
    trans.setZoomFactor(2.0);
    add('a', 1, CBox2<double>(100.5, -10.0, 110.0, -5.0));  // touches the right edge
    add('b', 1, CBox2<double>(100.6, -10.0, 110.0, -5.0));
    add('c', 1, CBox2<double>(10.0, 0.5, 20.0, 3.0));  // touches the top edge
    add('d', 1, CBox2<double>(10.0, 0.51, 20.0, 3.0));
    add('e', 1, CBox2<double>(-20.0, -10.0, -0.5, -5.0));  // touches the left edge
    add('f', 1, CBox2<double>(10.0, -60.0, 20.0, -50.6));
    PassItem* sel = add('s', 1, near(500, 500));  // selected items are culled too
    drawing.selSet()->add(sel, false);
    PassItem* h = add('h', 1, near(50, -20));
    h->setVisible(false);  // visibility is the host's business
    h->rebuildOutRect();
    const int builds = h->buildCount;
    drawing.draw(hdc, trans, CBox2<int>(0, 0, 200, 100));
    EXPECT_EQ(trace(), "bg aN cN eN hN");
    EXPECT_GT(h->buildCount, builds);
}

TEST_F(DrawPass, BackgroundCoversTheDrawingInsideTheRectangle) {
    drawing.setBackColor(0x123456);
    drawing.draw(hdc, trans, CBox2<int>(10, 20, 110, 70));
    // Unbounded: world x 10..110, y -70..-20, back to device from world (min.x, min.y) on.
    EXPECT_EQ(calls("^Polygon"), QStringList{"Polygon({(10,70),(110,70),(110,20),(10,20),(10,70)},5)"});
    EXPECT_EQ(calls("^Create.*Brush.*0x00123456").size(), 1);

    // Wholly left of a bounded drawing: no background, but items in view are still drawn.
    clearRecordedCalls(hdc);
    drawing.setDrawingWidth(50);
    drawing.setDrawingHeight(40);
    trans.setDPoint(CVec2<int>(0, 100));
    add('l', 1, near(-60, 90));
    drawing.draw(hdc, trans, CBox2<int>(-80, 0, -40, 20));
    EXPECT_EQ(trace(), "lN");
}

TEST_F(DrawPass, VisibleRangeIsClampedToTheDrawing) {
    trans.setCoordTransParam(CVec2<int>(100, 300), CVec2<double>(0.0, 0.0), 2.0);
    const CBox2<int> r(0, 0, 800, 400);  // world x -50..350, y -50..150
    CBox2<double> box;
    ASSERT_TRUE(drawing.calcDrawingRange(trans, r, box));
    EXPECT_EQ(box, CBox2<double>(-50.0, -50.0, 350.0, 150.0));
    drawing.setDrawingWidth(100);  // height 0: y keeps 0 as its lower bound only
    ASSERT_TRUE(drawing.calcDrawingRange(trans, r, box));
    EXPECT_EQ(box, CBox2<double>(0.0, 0.0, 100.0, 150.0));
    drawing.setDrawingHeight(40);
    ASSERT_TRUE(drawing.calcDrawingRange(trans, r, box));
    EXPECT_EQ(box, CBox2<double>(0.0, 0.0, 100.0, 40.0));

    // Wholly at negative x, or above the top: false, and the box is left as it was.
    EXPECT_FALSE(drawing.calcDrawingRange(trans, CBox2<int>(0, 0, 80, 400), box));
    EXPECT_FALSE(drawing.calcDrawingRange(trans, CBox2<int>(100, 0, 200, 100), box));
    trans.setZoomFactor(0.0);
    EXPECT_FALSE(drawing.calcDrawingRange(trans, CBox2<int>(100, 300, 100, 300), box));
    EXPECT_EQ(box, CBox2<double>(0.0, 0.0, 100.0, 40.0));
}
