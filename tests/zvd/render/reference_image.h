// zvd tests: comparing a rendered picture with a committed reference image, pixel for pixel.
// ZVD_UPDATE_REFERENCE=1 rewrites the reference instead and fails the run, so that a new picture is
// looked at before it is trusted. Every render is also kept in a temp folder.
#pragma once

#include <cstdlib>

#include <QDir>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <array>

#include "zgp/arc2d.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

namespace reftest {

using V = zgp::CVec2<double>;

template <class T>
T* styled(T* item, int colour, int width, int lineStyle = psSolid, std::array<int, 4> marks = {}) {
    item->setColor(colour);
    item->setLineWidth(static_cast<short>(width));
    item->setLineStyle(static_cast<EnPenStyle>(lineStyle));
    item->setStartMarkStyle(static_cast<EnMarkStyle>(marks[0]));
    item->setStartMarkSize(static_cast<short>(marks[1]));
    item->setEndMarkStyle(static_cast<EnMarkStyle>(marks[2]));
    item->setEndMarkSize(static_cast<short>(marks[3]));
    return item;
}
inline void add(ZVectorDrawing& d, ZVDEntity* item, bool selected = false) {
    d.add(item);
    if (selected) d.selSet()->add(item, false);
}
inline ZVDLine* line(V s, V e) {
    auto* l = new ZVDLine();
    l->set(s, e);
    return l;
}
inline ZVDArc* arc(V s, V e, zgp::CArc2d::ArcType type, double r) {
    auto* a = new ZVDArc();
    a->set(s, e, type, r);
    return a;
}
inline ZVDCircle* circle(V c, double r) {
    auto* k = new ZVDCircle();
    k->setCenterPt(c);
    k->setRadius(r);
    return k;
}

// Painted as a host window would (transparent dash gaps) on grey; world units are pixels, y up.
// bkMode OPAQUE paints as a fresh device context does (text cells filled where asked).
template <class Build>
QImage renderDrawing(int width, int height, Build build, int bkMode = TRANSPARENT) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(0xFFD0D0D0);
    ZVectorDrawing drawing;
    drawing.setBackColor(0xFFFFFF);
    build(drawing);
    HDC dc = createRasterDC(&image);
    SetBkMode(dc, bkMode);
    ZCoordTrans ct;
    ct.setDPoint(zgp::CVec2<int>(0, height));
    drawing.draw(dc, ct, zgp::CBox2<int>(0, 0, width, height));
    destroyDC(dc);
    return image;
}

inline QString outputDir() {
    const QString dir = QDir::temp().filePath(QStringLiteral("zvd-reference-output"));
    QDir().mkpath(dir);
    return dir;
}

inline void expectMatchesReference(const QImage& image, const QString& fileName) {
    const QString reference = QStringLiteral(ZVD_REFERENCE_DIR "/") + fileName;
    image.save(outputDir() + QStringLiteral("/") + fileName);
    if (std::getenv("ZVD_UPDATE_REFERENCE")) {
        ASSERT_TRUE(image.save(reference)) << "cannot write " << reference.toStdString();
        FAIL() << "rewrote the reference image " << reference.toStdString()
               << "; look at it, and if it is right run the tests again without ZVD_UPDATE_REFERENCE";
    }
    QImage expected(reference);
    ASSERT_FALSE(expected.isNull()) << "missing " << reference.toStdString();
    expected = expected.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(expected.size(), image.size());
    int differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (expected.pixel(x, y) != image.pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0) << "see " << outputDir().toStdString() << "/" << fileName.toStdString();
}

}  // namespace reftest
