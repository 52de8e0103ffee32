// zvd tests: a hatch fills exactly the area its outline encloses, when that outline is made of
// lines, an arc and an elliptical arc: pixels sampled against the kernel's position test. A
// spline piece is filled along its chord (fills flatten arcs and ellipses only).
#include <gtest/gtest.h>

#include <QImage>

#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/mindist.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/positionjudge.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdhatch.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"

using V = zgp::CVec2<double>;

TEST(HatchFill, CurvedOutlineFillsExactlyItsInside) {
    // Counter-clockwise: a line along the bottom, an arc bulging right, the upper half of an
    // ellipse across the top, a line back down.
    zgp::CLoop loop;
    loop.AddCurve(new zgp::CLine2d(V(60, 20), V(160, 20)), false);
    loop.AddCurve(new zgp::CArc2d(V(160, 20), V(160, 80), 40, zgp::CArc2d::CCW_SMALL), false);
    loop.AddCurve(new zgp::CLine2d(V(160, 80), V(120, 120)), false);
    loop.AddCurve(new zgp::CEllipse2d(V(90, 120), V(1, 0), 30, 15, zgp::CInterval<double>(0, 3.141592653589793 * 30), 1),
                  false);
    loop.AddCurve(new zgp::CLine2d(V(60, 120), V(60, 20)), false);
    ASSERT_TRUE(loop.IsClosed());

    const int width = 220, height = 160;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        ZVectorDrawing d;
        d.setBackColor(0xFFFFFF);
        auto* h = new ZVDHatch;
        h->setXPoly(loop);
        h->setColor(0);
        d.add(h);
        HDC dc = createRasterDC(&image);
        ZCoordTrans ct;
        ct.setDPoint(zgp::CVec2<int>(0, height));
        d.draw(dc, ct, zgp::CBox2<int>(0, 0, width, height));
        destroyDC(dc);
    }
    // Pixel (px, py) covers the world square whose centre is (px + 0.5, height - py - 0.5).
    const zgp::CPositionJudge judge;
    int inside = 0, checked = 0;
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            const V c(px + 0.5, height - py - 0.5);
            bool nearEdge = false;
            for (int i = 0; i < loop.CoedgeCount() && !nearEdge; ++i) {
                zgp::CCurve2dMindist m(loop.GetCurve(i));
                m.SetQueryPoint(c);
                nearEdge = m.GetDistance() < 1.5;
            }
            if (nearEdge) continue;
            const bool in = judge.GetPointCoedgeListPosition(c, &loop, 0.0) == zgp::CPositionJudge::PT_INSIDE;
            const bool painted = qGray(image.pixel(px, py)) < 128;
            ++checked;
            inside += in;
            EXPECT_EQ(painted, in) << "at " << c.x << ", " << c.y;
            if (painted != in) return;  // one report is enough
        }
    EXPECT_GT(inside, 5000);
    EXPECT_GT(checked - inside, 10000);

    // With the left side a spline bowing out to x = 10, the fill keeps to the chord x = 60.
    zgp::CLoop bowed;
    for (int i = 0; i < 4; ++i) bowed.AddCurve(static_cast<zgp::CCurve2d*>(loop.GetCurve(i)->Clone()), false);
    auto* piece = new zgp::CNurbsCurve2d(2, 3);
    piece->SetCtrlPt(0, V(60, 120));
    piece->SetCtrlPt(1, V(10, 70), 0.7);
    piece->SetCtrlPt(2, V(60, 20));
    bowed.AddCurve(piece, false);
    image.fill(Qt::white);
    ZVectorDrawing d;
    d.setBackColor(0xFFFFFF);
    auto* h = new ZVDHatch;
    h->setXPoly(bowed);
    h->setColor(0);
    d.add(h);
    HDC dc = createRasterDC(&image);
    ZCoordTrans ct;
    ct.setDPoint(zgp::CVec2<int>(0, height));
    d.draw(dc, ct, zgp::CBox2<int>(0, 0, width, height));
    destroyDC(dc);
    EXPECT_EQ(qGray(image.pixel(45, height - 70)), 255);  // in the bulge, outside the chord
    EXPECT_EQ(qGray(image.pixel(70, height - 70)), 0);
}
