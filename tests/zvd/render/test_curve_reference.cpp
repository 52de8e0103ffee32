// zvd tests: a reference picture of lines, arcs and circles painted by the drawing pass on the raster
// device, compared pixel for pixel with the committed PNG (ZVD_UPDATE_REFERENCE=1 rewrites it and fails).
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include <cstdlib>

#include "render/reference_image.h"
#include "zgp/arc2d.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

using zgp::CArc2d;
using V = zgp::CVec2<double>;

namespace {

const int kWidth = 800;
const int kHeight = 600;
const QRgb kMargin = 0xFFD0D0D0;  // the image outside the drawing's own area

template <class T>
T* styled(T* item, int colour, int width, int lineStyle = psSolid) {
    item->setColor(colour);
    item->setLineWidth(static_cast<short>(width));
    item->setLineStyle(static_cast<EnPenStyle>(lineStyle));
    return item;
}

template <class T>
T* marked(T* item, int startStyle, int startSize, int endStyle, int endSize) {
    item->setStartMarkStyle(static_cast<EnMarkStyle>(startStyle));
    item->setStartMarkSize(static_cast<short>(startSize));
    item->setEndMarkStyle(static_cast<EnMarkStyle>(endStyle));
    item->setEndMarkSize(static_cast<short>(endSize));
    return item;
}

ZVDLine* line(V s, V e) {
    auto* l = new ZVDLine();
    l->set(s, e);
    return l;
}

ZVDArc* arc(V s, V e, CArc2d::ArcType type, double r) {
    auto* a = new ZVDArc();
    a->set(s, e, type, r);
    return a;
}

ZVDCircle* circle(V c, double r) {
    auto* k = new ZVDCircle();
    k->setCenterPt(c);
    k->setRadius(r);
    return k;
}

// World units are pixels with y up from the bottom edge of the image.
void buildScene(ZVectorDrawing& d) {
    auto add = [&](ZVDEntity* item, bool selected = false) {
        d.add(item);
        if (selected) d.selSet()->add(item, false);
    };
    // Marks 1..5 at both ends of lines: thin and black, negative sizes in green, selected (red,
    // dotted), and on rising lines with a different style at each end.
    for (int s = msArrow; s <= msTick; ++s) {
        const double y = 590 - 30 * s;
        add(marked(styled(line(V(30, y), V(210, y)), 0x000000, 1), s, 12, s, 12));
        add(marked(styled(line(V(260, y), V(440, y)), 0x008000, 2), s, -12, s, -12));
        add(marked(styled(line(V(490, y), V(670, y)), 0xC00000, 1), s, 12, s, 12), true);
        add(marked(styled(line(V(705, y - 10), V(775, y + 8)), 0x0080FF, 1), s, 10, s % 5 + 1, 10));
    }
    // Pen styles 0..6, one pixel and three pixels wide; two of the wide ones selected.
    for (int k = psSolid; k <= psInsideFrame; ++k) {
        const double y = 400 - 15 * k;
        add(styled(line(V(30, y), V(370, y)), 0x800080, 1, k));
        add(styled(line(V(410, y), V(775, y)), 0x404040, 3, k), k == psDash || k == psDashDotDot);
    }
    // Arcs with marks: counter-clockwise under their chord, clockwise large over it (two selected).
    for (int s = msArrow; s <= msTick; ++s) {
        const double x = 30 + 150 * (s - 1);
        add(marked(styled(arc(V(x, 230), V(x + 80, 230), CArc2d::CCW_SMALL, 50), 0x0000A0, 1), s, 12, s, 12));
        add(marked(styled(arc(V(x + 20, 140), V(x + 90, 130), CArc2d::CW_LARGE, 38), 0x806000, 2), s, 10, s, 10),
            s == msDot || s == msHook);
    }
    // Circles in every pen style, a marked one and a selected one.
    for (int k = psSolid; k <= psInsideFrame; ++k) add(styled(circle(V(50 + 90 * k, 60), 35), 0x000080, 1 + k % 2, k));
    add(marked(styled(circle(V(695, 60), 30), 0x008080, 1), msArrow, 12, msDot, 8));
    add(styled(circle(V(765, 60), 22), 0x000000, 1), true);
    // A selected line crossing a wide unselected one: the selection is painted on top.
    add(styled(line(V(410, 280), V(775, 280)), 0x00C0C0, 9));
    add(styled(line(V(590, 265), V(600, 295)), 0x000000, 3), true);
}

QImage renderScene() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kMargin);
    HDC dc = createRasterDC(&image);
    // Dash gaps show what lies below, as in a host's window.
    SetBkMode(dc, TRANSPARENT);
    ZCoordTrans ct;
    ct.setDPoint(zgp::CVec2<int>(0, kHeight));
    ZVectorDrawing drawing;
    drawing.setBackColor(0xFFFFFF);
    drawing.setDrawingWidth(790);
    drawing.setDrawingHeight(590);
    buildScene(drawing);
    drawing.draw(dc, ct, zgp::CBox2<int>(0, 0, kWidth, kHeight));
    destroyDC(dc);
    return image;
}

QRgb at(const QImage& image, double x, double y) { return image.pixel(int(x), kHeight - int(y)) & 0xFFFFFF; }

}  // namespace

TEST(CurveReference, PictureShowsWhatTheItemsAsk) {
    // Spot checks that hold whatever the committed picture says.
    const QImage image = renderScene();
    EXPECT_EQ(image.pixel(795, 300), kMargin);  // beyond the drawing's width
    EXPECT_EQ(image.pixel(400, 5), kMargin);    // above its height
    EXPECT_EQ(at(image, 400, 420), 0xFFFFFFu);  // background inside it
    EXPECT_EQ(at(image, 36, 560), 0x000000u);   // inside the first arrow head (tip at x 30)
    EXPECT_EQ(at(image, 210, 530), 0x000000u);  // centre of the dot at the end of the second line
    // Selected items are drawn in COLORREF 0xFF0000, which is blue. The selected thin line is
    // dotted; the same unselected line is solid.
    const QRgb selected = 0x0000FF;
    int dots = 0, black = 0;
    for (int x = 520; x < 640; ++x) {
        dots += at(image, x, 470) == selected;
        black += at(image, x - 460, 470) == 0x000000u;
    }
    EXPECT_GT(dots, 40);
    EXPECT_LT(dots, 80);
    EXPECT_EQ(black, 120);
    // The selected line lies on top of the wide one; a null pen draws nothing.
    EXPECT_EQ(at(image, 595, 280), selected);
    for (int x = 40; x < 360; ++x) ASSERT_EQ(at(image, x, 400 - 15 * psClear), 0xFFFFFFu) << x;
}

TEST(CurveReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderScene(), QStringLiteral("curves.png"));
}
