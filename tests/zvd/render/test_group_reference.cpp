// zvd tests: a reference picture of a composite and a poly-composite, each unselected and selected,
// painted by the drawing pass on the raster device (ZVD_UPDATE_REFERENCE=1 rewrites it and fails).
#include <gtest/gtest.h>

#include <QImage>

#include "render/reference_image.h"
#include "zgp/arc2d.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdpolycomposite.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

using zgp::CArc2d;
using V = zgp::CVec2<double>;

namespace {

const int kWidth = 400;
const int kHeight = 300;

ZVDLine* line(V s, V e, int colour) {
    auto* l = new ZVDLine();
    l->set(s, e);
    l->setColor(colour);
    return l;
}

// A house outline: a chain of four lines and an arc roof, as a poly-composite at (x, y).
ZVDPolyComposite* house(double x, double y) {
    auto* chain = new ZVDPolyComposite;
    chain->add(line(V(x, y + 60), V(x, y), 0x000000));
    chain->add(line(V(x, y), V(x + 100, y), 0x000000));
    chain->add(line(V(x + 100, y), V(x + 100, y + 60), 0x000000));
    auto* roof = new ZVDArc();
    roof->set(V(x + 100, y + 60), V(x, y + 60), CArc2d::CCW_SMALL, 60);
    roof->setColor(0x008000);
    roof->setLineWidth(3);
    chain->add(roof);
    return chain;
}

// A target: two circles and a cross, as a plain composite centred at c.
ZVDComposite* target(V c) {
    auto* group = new ZVDComposite;
    for (double r : {40.0, 20.0}) {
        auto* k = new ZVDCircle();
        k->setCenterPt(c);
        k->setRadius(r);
        k->setColor(0xA00000);
        group->add(k);
    }
    group->add(line(c - V(50, 0), c + V(50, 0), 0x0080FF));
    group->add(line(c - V(0, 50), c + V(0, 50), 0x0080FF));
    return group;
}

// World units are pixels with y up from the bottom edge. Left column unselected, right selected.
QImage renderGroups() {
    ZVectorDrawing drawing;
    drawing.setBackColor(0xFFFFFF);
    ZVDEntity* items[] = {house(30, 170), house(230, 170), target(V(80, 70)), target(V(280, 70))};
    for (ZVDEntity* item : items) drawing.add(item);
    drawing.selSet()->add(items[1], false);
    drawing.selSet()->add(items[3], false);

    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(0xFFD0D0D0);
    HDC dc = createRasterDC(&image);
    SetBkMode(dc, TRANSPARENT);
    ZCoordTrans ct;
    ct.setDPoint(zgp::CVec2<int>(0, kHeight));
    drawing.draw(dc, ct, zgp::CBox2<int>(0, 0, kWidth, kHeight));
    destroyDC(dc);
    return image;
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, kHeight - y) & 0xFFFFFF; }

}  // namespace

TEST(GroupReference, ChildrenDrawInTheirOwnColoursOrAsSelected) {
    const QImage image = renderGroups();
    EXPECT_EQ(at(image, 80, 170), 0x000000u);   // the unselected house's floor
    EXPECT_EQ(at(image, 130, 200), 0x000000u);  // its right wall
    int circle = 0;                             // the outer circle crosses x = 108 near y = 98 (COLORREF 0xA00000)
    for (int y = 94; y <= 102; ++y) circle += at(image, 108, y) == 0x0000A0u;
    EXPECT_GT(circle, 0);
    EXPECT_EQ(at(image, 60, 70), 0xFF8000u);  // the cross (COLORREF 0x0080FF)
    // Selected children are drawn in COLORREF 0xFF0000 (blue) with a dotted pen.
    int blue = 0;
    for (int x = 240; x < 320; ++x) blue += at(image, x, 170) == 0x0000FFu;
    EXPECT_GT(blue, 20);
    EXPECT_LT(blue, 80);
}

TEST(GroupReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderGroups(), QStringLiteral("groups.png"));
}
