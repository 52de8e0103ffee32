// zvd tests: reference picture of hatches and a grid: one area per fill style, drawn normally in
// the top row and selected (showing the style) in the bottom row, and a grid behind them.
#include <gtest/gtest.h>

#include <QImage>

#include "render/reference_image.h"
#include "zgp/line2d.h"
#include "zvd/entities/zvdgrid.h"
#include "zvd/entities/zvdhatch.h"

using reftest::V;

namespace {

// A rounded square: three straight sides and an arc, so that curved boundaries are filled too.
zgp::CLoop* tile(double x, double y) {
    auto* loop = new zgp::CLoop;
    loop->AddCurve(new zgp::CLine2d(V(x, y), V(x + 40, y)), false);
    loop->AddCurve(new zgp::CArc2d(V(x + 40, y), V(x + 40, y + 40), 20, zgp::CArc2d::CCW_SMALL), false);
    loop->AddCurve(new zgp::CLine2d(V(x + 40, y + 40), V(x, y + 40)), false);
    loop->AddCurve(new zgp::CLine2d(V(x, y + 40), V(x, y)), false);
    return loop;
}

QImage renderHatches() {
    return reftest::renderDrawing(500, 200, [](ZVectorDrawing& d) {
        auto* grid = new ZVDGrid;
        grid->setColor(0xC0C0C0);
        d.add(grid);
        grid->setSpace(L"60*8", L"50*3,30");
        for (int style = 0; style < 8; ++style)
            for (int row = 0; row < 2; ++row) {
                auto* h = new ZVDHatch;
                zgp::CRefPtr<zgp::CLoop> outline(tile(8 + 60 * style, 20 + 90 * (1 - row)));
                h->setXPoly(*outline);
                h->setFillStyle(static_cast<EnBrushStyle>(style));
                h->setColor(0x208040);
                d.add(h);
                if (row == 1) d.selSet()->add(h, false);
            }
    });
}

}  // namespace

TEST(HatchReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderHatches(), QStringLiteral("hatches.png"));
}
