// zvd tests: ZDrawFunc2d on the raster device — the pixels the primitives leave behind.
// World (x, y) maps to pixel (10 + x, 110 - y) at zoom 1 on a 120 x 120 image.
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>

#include "zgp/builders.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CArc2d;
using zgp::CLine2d;
using zgp::CLoop;
using V = zgp::CVec2<double>;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kWhite = 0xFFFFFF;
const EnDrawMode N = vdcommon::dmNormal;

class DrawFuncRaster : public ::testing::Test {
protected:
    void SetUp() override {
        image = QImage(120, 120, QImage::Format_RGB32);
        for (int y = 0; y < 120; ++y)  // no two neighbouring pixels alike, so any change shows
            for (int x = 0; x < 120; ++x) image.setPixel(x, y, qRgb(x * 2, y * 2, (x * 7 + y * 13) & 0xFF));
        dc = createRasterDC(&image);
        ASSERT_NE(dc, nullptr);
        ct.setDPoint(zgp::CVec2<int>(10, 110));
    }
    void TearDown() override { destroyDC(dc); }

    QImage image;
    HDC dc = nullptr;
    ZCoordTrans ct;
};

using Draw = std::function<void(HDC, const ZCoordTrans*, EnDrawMode)>;

std::vector<Draw> somePrimitives() {
    const int c = 0x4080FF;
    return {
        [=](HDC h, const ZCoordTrans* t, EnDrawMode m) {  // wide dashed line with its outline
            ZDrawFunc2d::drawLine(h, t, V(5, 50), V(90, 20), 4, 0, psDash, c, m, bsSolid, 8, psSolid, 0xFF00, 1);
        },
        [=](HDC h, const ZCoordTrans* t, EnDrawMode m) {
            ZDrawFunc2d::drawArc(h, t, V(80, 50), V(20, 50), 30, CArc2d::CCW_SMALL, 5, 0, psSolid, c, m, bsCross, 0,
                                 psSolid, kWhite, 1);
        },
        [=](HDC h, const ZCoordTrans* t, EnDrawMode m) {
            ZDrawFunc2d::drawCircle(h, t, V(50, 50), 30, 3, 0, psSolid, c, m, bsSolid, 1, psDot, 0xFF, 1);
        },
        [=](HDC h, const ZCoordTrans* t, EnDrawMode m) {
            ZDrawFunc2d::drawEllipseArc(h, t, V(50, 50), V(1, 1), 0, 1.5 * kPi * 40, 40, 20, 1, 0, 0, psSolid, c, m,
                                        bsSolid, 0, psSolid, 0, 3);
        },
        [=](HDC h, const ZCoordTrans* t, EnDrawMode m) {  // closed chain with an arc, mitred path
            CLoop loop;
            loop.AddCurve(new CLine2d(V(10, 10), V(90, 10)), false);
            loop.AddCurve(new CArc2d(V(90, 10), V(90, 90), 40, CArc2d::CCW_SMALL), false);
            loop.AddCurve(new CLine2d(V(90, 90), V(10, 40)), false);
            ZDrawFunc2d::drawXPoly(h, t, loop, 3, psSolid, c, m, 1);
        },
        [=](HDC h, const ZCoordTrans* t, EnDrawMode m) {
            ZDrawFunc2d::fillRect(h, t, zgp::CBox2<double>(15, 15, 85, 65), c, m, bsDiagCross, 2, psSolid, 0xFF00);
        },
        [=](HDC h, const ZCoordTrans* t, EnDrawMode m) {
            CLoop* shape = zgp::ZLoopBuilder::CreateRect(zgp::CBox2<double>(-10, -10, 10, 10));
            ZDrawFunc2d::drawPoint(h, t, *shape, V(0, 0), V(50, 50), 0.3, c, m, bsSolid, 1, psSolid, 0);
            shape->Unref();
        },
    };
}

TEST_F(DrawFuncRaster, XorTwiceRestoresTheImageAndNopChangesNothing) {
    const QImage before = image.copy();
    int i = 0;
    for (const Draw& draw : somePrimitives()) {
        draw(dc, &ct, vdcommon::dmNop);
        EXPECT_EQ(image, before) << "nop " << i;
        draw(dc, &ct, vdcommon::dmXor);
        EXPECT_NE(image, before) << "xor drew nothing " << i;
        draw(dc, &ct, vdcommon::dmXor);
        EXPECT_EQ(image, before) << "xor " << i++;
    }
    ZDrawFunc2d::drawRectElastic(dc, &ct, V(5, 5), V(60, 95), 2, psDot, 0xFF);  // XOR whatever the caller
    EXPECT_NE(image, before);
    ZDrawFunc2d::drawRectElastic(dc, &ct, V(5, 5), V(60, 95), 2, psDot, 0xFF);
    EXPECT_EQ(image, before);
    // A clear brush leaves strokes invisible in normal mode too.
    ZDrawFunc2d::drawLine(dc, &ct, V(5, 5), V(90, 60), 4, 0, psSolid, 0xFF, N, bsClear, 0, psSolid, kWhite, 1);
    ZDrawFunc2d::drawEllipseArc(dc, &ct, V(50, 50), V(1, 0), 0, 2 * kPi * 40, 40, 20, 1, 0, 0, psSolid, 0xFF, N,
                                bsClear, 0, psSolid, 0, 1);
    EXPECT_EQ(image, before);
}

}  // namespace
