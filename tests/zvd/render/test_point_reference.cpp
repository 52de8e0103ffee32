// zvd tests: reference picture of points: dots and crosses of two sizes, unselected and selected.
#include <gtest/gtest.h>

#include <QImage>

#include "render/reference_image.h"
#include "zvd/entities/zvdpoint.h"

using reftest::V;

namespace {

// Rows (bottom up): dots of size 6, dots of size 16, crosses of size 6, crosses of size 16. In
// each row two unselected points, then two selected ones; a line runs under each row, so that the
// points, drawn last, are seen on top of it.
QImage renderPoints() {
    return reftest::renderDrawing(240, 200, [](ZVectorDrawing& drawing) {
        int row = 0;
        for (EnPointStyle style : {ptFilledDot, ptDiagCross}) {
            for (short size : {6, 16}) {
                const double y = 30 + 45 * row++;
                drawing.add(reftest::styled(reftest::line(V(10, y), V(230, y)), 0x808080, 1));
                for (int i = 0; i < 4; ++i) {
                    auto* p = new ZVDPoint;
                    p->setInsertPt(V(35 + 55 * i, y));
                    p->setSize(size);
                    p->setPointStyle(style);
                    p->setColor(i % 2 ? 0x00A000 : 0x000000);
                    drawing.add(p);
                    if (i >= 2) drawing.selSet()->add(p, false);
                }
            }
        }
    });
}

}  // namespace

TEST(PointReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderPoints(), QStringLiteral("points.png"));
}
