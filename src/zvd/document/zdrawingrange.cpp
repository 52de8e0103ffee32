// zvd: ZVectorDrawing::calcDrawingRange, the world part of the drawing under a device rectangle.
// The drawing pass fills its background over exactly this box.
#include <algorithm>

#include "zvd/document/zvectordrawing.h"
#include "zvd/foundation/zcoordtrans.h"

namespace {

// A bounded drawing starts at the world origin; an open side reaches as far as an int does,
// matching the integer size attributes.
const double kOpenBound = 2147483647.0;
// Rounding slack when deciding that the clamped box turned inside out.
const double kInsideOutSlack = 2.220446049250313e-16;

}  // namespace

bool ZVectorDrawing::calcDrawingRange(const ZCoordTrans& trans, const zgp::CBox2<int>& deviceRect,
                                      zgp::CBox2<double>& range) const {
    zgp::CBox2<double> box = trans.DCTOWC(deviceRect);
    if (m_drawingWidth > 0 || m_drawingHeight > 0) {
        const double right = m_drawingWidth > 0 ? m_drawingWidth : kOpenBound;
        const double top = m_drawingHeight > 0 ? m_drawingHeight : kOpenBound;
        box.min.x = std::max(box.min.x, 0.0);
        box.max.x = std::min(box.max.x, right);
        box.min.y = std::max(box.min.y, 0.0);
        box.max.y = std::min(box.max.y, top);
    }
    // Written as "not within" so that NaN (a zero zoom factor) also answers false.
    if (!(box.min.x - box.max.x <= kInsideOutSlack) || !(box.min.y - box.max.y <= kInsideOutSlack)) return false;
    range = box;
    return true;
}
