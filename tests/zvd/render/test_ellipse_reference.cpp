// zvd tests: reference picture of ellipses and elliptical arcs: both senses, turned, marked, selected.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <cstdlib>

#include "render/reference_image.h"
#include "zvd/entities/zvdellipse.h"

using namespace reftest;

namespace {

const int kWidth = 600;
const int kHeight = 400;
const double kPi = 3.14159265358979323846;

V dir(double degrees) { return V(std::cos(degrees * kPi / 180), std::sin(degrees * kPi / 180)); }

// An ellipse about c with its first axis at `degrees`, from central angle start to end, with the
// same mark style and size at both ends (size 0: none; a negative style puts a dot at the end).
ZVDEllipse* ellipse(V c, double degrees, double a, double b, double start, double end, int sense, int colour, int width,
                    int style = psSolid, int mark = msNone, int size = 0) {
    auto* e = new ZVDEllipse();
    e->set(c, dir(degrees), a, b, start, end, sense);
    e->setColor(colour);
    e->setLineWidth(static_cast<short>(width));
    e->setLineStyle(static_cast<EnPenStyle>(style));
    e->setStartMarkStyle(static_cast<EnMarkStyle>(std::abs(mark)));
    e->setEndMarkStyle(static_cast<EnMarkStyle>(mark < 0 ? msDot : mark));
    e->setStartMarkSize(static_cast<short>(size));
    e->setEndMarkSize(static_cast<short>(mark < 0 ? 8 : size));
    return e;
}

void buildScene(ZVectorDrawing& d) {
    // Full ellipses: level, turned 30 and 120 degrees (dashed), and a selected thin one at -45.
    add(d, ellipse({80, 320}, 0, 60, 30, 0, 0, 1, 0x000000, 1));
    add(d, ellipse({220, 320}, 30, 60, 25, 0, 0, 1, 0xA00000, 2));
    add(d, ellipse({360, 320}, 120, 55, 35, 0, 0, -1, 0x008000, 1, psDash));
    add(d, ellipse({500, 320}, -45, 60, 30, 0, 0, 1, 0x000000, 1), true);
    // The same central angles 0 to 3pi/2 in both senses: three quarters, then the last quarter.
    add(d, ellipse({90, 200}, 0, 60, 30, 0, 3 * kPi / 2, 1, 0x000080, 2));
    add(d, ellipse({230, 200}, 0, 60, 30, 0, 3 * kPi / 2, -1, 0x000080, 2));
    // Turned arcs with an arrow at the start and a dot at the end, both senses.
    add(d, ellipse({370, 200}, 30, 60, 30, kPi / 4, kPi, 1, 0x800000, 1, psSolid, -msArrow, 12));
    add(d, ellipse({510, 200}, 30, 60, 30, kPi / 4, kPi, -1, 0x800000, 1, psSolid, -msArrow, 12));
    // Ticks, a selected arc with hooks, a selected wide full ellipse and a selected arrow pair.
    add(d, ellipse({90, 80}, 60, 55, 25, 0, kPi, 1, 0x606000, 1, psSolid, msTick, 10));
    add(d, ellipse({230, 80}, -20, 55, 30, kPi / 2, 0, -1, 0x606000, 1, psSolid, msHook, -10), true);
    add(d, ellipse({370, 80}, 75, 55, 30, 0, 0, 1, 0x000000, 3), true);
    add(d, ellipse({510, 80}, 0, 60, 35, kPi, 0, -1, 0x000000, 2, psSolid, msArrow, 12), true);
}

QImage renderScene() {
    return reftest::renderDrawing(kWidth, kHeight, [](ZVectorDrawing& d) {
        d.setDrawingWidth(590);
        d.setDrawingHeight(390);
        buildScene(d);
    });
}

}  // namespace

TEST(EllipseReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderScene(), QStringLiteral("ellipses.png"));
}
