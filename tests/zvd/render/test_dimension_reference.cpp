// zvd tests: reference picture of every dimension kind on a small solved sketch, on a dark
// background: lengths along x, along y and aligned, a point distance, arc and line angles, radii,
// a diameter mark, an ellipse radius and a group of distances.
#include <gtest/gtest.h>

#include <QImage>

#include "render/reference_image.h"
#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/entities/zvdellipse.h"

using reftest::V;

namespace {

// World units are half pixels: the dimension texts (48 high) and extension lines (72 long) are
// sized for drawings of hundreds of units.
QImage renderDimensions() {
    const int width = 640, height = 480;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(0xFFD0D0D0);
    ZVectorDrawing d;
    d.setBackColor(0x202020);
    auto bind = [&](ZVDConstraint* c, ZVDConstraintDataType kind, ZVDEntity* e1, EnDimRefType r1, ZVDEntity* e2,
                    EnDimRefType r2, double mode, V placed, ZVDEntity* parent = nullptr) {
        ZVDConstraintParams p;
        p.entityID1 = e1->iD();
        p.refType1 = r1;
        p.entityID2 = e2 ? e2->iD() : -1;
        p.refType2 = r2;
        p.dimParams[0] = mode;
        p.constraintPos[0] = placed;
        d.add(parent, c);
        c->initialize(p, kind);
        c->modifyData(p, true);
        return c;
    };
    auto dim = [&](ZVDConstraintDataType kind, ZVDEntity* e1, EnDimRefType r1, ZVDEntity* e2, EnDimRefType r2,
                   double mode, V placed, ZVDEntity* parent = nullptr) {
        auto* c = static_cast<ZVDConstraintDimension*>(
            bind(new ZVDConstraintDimension, kind, e1, r1, e2, r2, mode, placed, parent));
        c->updateValue();  // the value as the geometry has it (the arc angle takes it only so)
        c->build();
        return c;
    };
    auto add = [&](ZVDEntity* item) {
        item->setColor(0xE0E0E0);
        d.add(item);
        return item;
    };
    ZVDEntity* base = add(reftest::line(V(100, 100), V(700, 100)));
    ZVDEntity* side = add(reftest::line(V(700, 100), V(700, 400)));
    ZVDEntity* slant = add(reftest::line(V(100, 100), V(300, 400)));
    ZVDEntity* bow = add(reftest::arc(V(530, 250), V(370, 250), zgp::CArc2d::CCW_SMALL, 80));
    ZVDEntity* ring = add(reftest::circle(V(1000, 250), 100));
    auto* oval = new ZVDEllipse;
    oval->set(V(1000, 650), V(1, 0), 150, 80, 0, 0, 1);
    add(oval);
    ZVDEntity* low = add(reftest::line(V(100, 620), V(600, 620)));
    ZVDEntity* high = add(reftest::line(V(100, 760), V(600, 760)));

    auto plain = [&](ZVDConstraintDataType kind, ZVDEntity* e1, EnDimRefType r1, ZVDEntity* e2, EnDimRefType r2) {
        return bind(new ZVDConstraint, kind, e1, r1, e2, r2, 0, V(0, 0));
    };
    plain(cdtHorizon, base, edrCurve, nullptr, edrCurve);
    plain(cdtVertical, side, edrCurve, nullptr, edrCurve);
    plain(cdtCoincident, base, edrEnd, side, edrStart);
    ZVDConstraint* diameter = plain(cdtDiameter, ring, edrCurve, nullptr, edrCurve);
    diameter->setConstraintValue(200);
    diameter->build();
    dim(cdtLineLength, base, edrCurve, nullptr, edrCurve, 1, V(400, 30));
    dim(cdtLineLength, side, edrCurve, nullptr, edrCurve, 2, V(800, 250));
    dim(cdtLineLength, slant, edrCurve, nullptr, edrCurve, 0, V(150, 300));
    dim(cdtPointDistanceToPoint, slant, edrEnd, side, edrEnd, 0, V(500, 470));
    dim(cdtArcAngle, bow, edrCurve, nullptr, edrCurve, 0, V(450, 380));
    dim(cdtRadius, bow, edrCurve, nullptr, edrCurve, 0, V(400, 310));
    dim(cdtLineAngle, base, edrCurve, slant, edrCurve, 1, V(200, 150));
    dim(cdtRadius, ring, edrCurve, nullptr, edrCurve, 0, V(1100, 330));
    dim(cdtEllipseRadius, oval, edrCurve, nullptr, edrCurve, 0, V(1100, 660));
    ZVDConstraintDimension* group = dim(cdtMultiDistance, low, edrCurve, high, edrCurve, 0, V(350, 690));
    dim(cdtLineDistanceToLine, low, edrCurve, high, edrCurve, 0, V(350, 690), group);
    group->build();
    std::wstring message;
    std::vector<ZVDConstraint*> conflicts;
    EXPECT_EQ(d.calculateConstraints(true, message, conflicts), esrSolved) << QString::fromStdWString(message).toStdString();

    HDC dc = createRasterDC(&image);
    ZCoordTrans ct;
    ct.setZoomFactor(0.5);
    ct.setDPoint(zgp::CVec2<int>(0, height - 30));
    d.draw(dc, ct, zgp::CBox2<int>(0, 0, width, height));
    destroyDC(dc);
    return image;
}

}  // namespace

TEST(DimensionReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderDimensions(), QStringLiteral("dimensions.png"));
}
