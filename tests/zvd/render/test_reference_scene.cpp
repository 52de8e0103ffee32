// zvd tests: a reference scene drawn with the primitives on the raster and SVG devices.
// The raster result must match the committed PNG pixel for pixel; ZVD_UPDATE_REFERENCE=1 rewrites it and fails.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdlib>
#include <vector>

#include "render/reference_image.h"
#include "zgp/zgp.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CVec2;

namespace {

const int kWidth = 640;
const int kHeight = 480;

// The default transform has zoom 1 with y pointing up, so world (x, -y) lands on pixel (x, y).
CVec2<double> px(double x, double y) { return CVec2<double>(x, -y); }

zgp::CLoop* rectLoop(double x0, double y0, double x1, double y1, bool clockwise) {
    auto* loop = new zgp::CLoop;
    std::vector<CVec2<double>> v = {px(x0, y0), px(x1, y0), px(x1, y1), px(x0, y1)};
    if (clockwise) std::swap(v[1], v[3]);
    for (int i = 0; i < 4; ++i) loop->AddCurve(new zgp::CLine2d(v[i], v[(i + 1) % 4]), false);
    return loop;
}

void drawScene(HDC dc) {
    ZCoordTrans ct;
    // Primitives paint on a black background colour; a host draws with a transparent background
    // so that dash gaps and hatch gaps show what lies below.
    SetBkMode(dc, TRANSPARENT);
    // Every pen style at widths 1 (left) and 5 (right); the elliptic arc's ends are curve
    // parameters (radius times eccentric angle).
    for (int s = psSolid; s <= psInsideFrame; ++s) {
        const double y = 20 + 16 * s;
        for (int col = 0; col < 2; ++col) {
            const double x0 = 20 + 310 * col;
            ZDrawFunc2d::drawLine(dc, &ct, px(x0, y), px(x0 + 280, y), col == 0 ? 1.0 : 5.0, 0.0,
                                  static_cast<EnPenStyle>(s), 0x000000, vdcommon::dmNormal, bsSolid, 0, psSolid,
                                  0xFFFFFF, 1);
        }
    }
    for (int b = bsSolid; b <= bsDiagCross; ++b) {
        const double x = 20 + 76 * b;
        ZDrawFunc2d::fillRect(dc, &ct, zgp::CBox2<double>(px(x, 185), px(x + 64, 140)), 0x0080FF, vdcommon::dmNormal,
                              static_cast<EnBrushStyle>(b), 1, psSolid, 0x000000);
    }
    for (int t = 1; t <= 4; ++t) {
        const double x = 40 + 100 * (t - 1);
        ZDrawFunc2d::drawArc(dc, &ct, px(x, 270), px(x + 60, 270), 40.0, static_cast<zgp::CArc2d::ArcType>(t), 2.0, 0.0,
                             psSolid, 0xC00000, vdcommon::dmNormal, bsSolid, 0, psSolid, 0xFFFFFF, 1);
    }
    ZDrawFunc2d::drawEllipseArc(dc, &ct, px(500, 270), CVec2<double>(1.0, 0.4), 0.3 * 70.0, 4.8 * 70.0, 70.0, 30.0, 1,
                                0, 0, psSolid, 0x008000, vdcommon::dmNormal, bsSolid, 0, psSolid, 0, 2);
    zgp::CNurbsCurve2d spline(3, 6);
    const double cps[6][2] = {{20, 440}, {80, 330}, {140, 460}, {200, 340}, {260, 450}, {300, 360}};
    for (int i = 0; i < 6; ++i) spline.SetCtrlPt(i, px(cps[i][0], cps[i][1]), i == 2 ? 3.0 : 1.0);
    ZDrawFunc2d::drawSpline(dc, &ct, &spline, 2.0, psSolid, 0x800080, vdcommon::dmNormal, 1);
    for (int k = 0; k < 3; ++k)
        ZDrawFunc2d::drawLine(dc, &ct, px(20 + 20 * (k / 2), 200), px(600, 205 + 10 * (k / 2)), 7.0, 0.0, psSolid,
                              0x00FF00, vdcommon::dmXor, bsSolid, 0, psSolid, 0xFFFFFF, 1);
    zgp::CPolygon polygon;
    polygon.AddLoop(rectLoop(360, 330, 600, 460, false));
    polygon.AddLoop(rectLoop(420, 360, 540, 430, true));
    std::vector<zgp::CPolygon*> polygons{&polygon};
    ZDrawFunc2d::fillXPoly(dc, &ct, polygons, 0x4060A0, 0xFFFFFF, vdcommon::dmNormal, bsSolid);
}

QImage renderRaster() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    HDC dc = createRasterDC(&image);
    drawScene(dc);
    destroyDC(dc);
    return image;
}

}  // namespace

TEST(DrawFuncReference, RasterSceneMatchesCommittedImage) {
    reftest::expectMatchesReference(renderRaster(), QStringLiteral("scene.png"));
}

TEST(DrawFuncReference, SvgSceneIsValidAndDrawsTheSameShapes) {
    const QString path = reftest::outputDir() + QStringLiteral("/scene.svg");
    QFile::remove(path);
    HDC dc = createSvgDC(path, QSize(kWidth, kHeight));
    ASSERT_NE(dc, nullptr);
    drawScene(dc);
    destroyDC(dc);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("viewBox=\"0 0 640 480\""));
    EXPECT_TRUE(text.contains("#00ff00"));  // the XOR strokes, drawn as plain copies in their own colour
    QSvgRenderer renderer(text);
    ASSERT_TRUE(renderer.isValid());
    // Qt's own SVG renderer drops hatch patterns, so compare coverage rather than pixels: most of the
    // pixels the raster scene inks must be inked by the rendered SVG too.
    QImage svg(kWidth, kHeight, QImage::Format_RGB32);
    svg.fill(Qt::white);
    {
        QPainter p(&svg);
        renderer.render(&p);
    }
    const QImage raster = renderRaster();
    int inked = 0, matched = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (raster.pixel(x, y) != 0xFFFFFFFFu) {
                ++inked;
                if (svg.pixel(x, y) != 0xFFFFFFFFu) ++matched;
            }
    ASSERT_GT(inked, 10000);
    EXPECT_GT(matched, inked * 8 / 10);
}
