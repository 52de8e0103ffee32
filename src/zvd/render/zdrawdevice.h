// zvd: the device-side rules shared by the drawing primitives and the text operations (internal
// header): colours as COLORREFs, the raster operation of a draw mode, and saturating pixel counts.
#pragma once

#include "zvd/platform/zvdgdi.h"
#include "zvd/render/zdrawfunc2d.h"

namespace zvddraw {

// Colour index that negative colour arguments stand for.
constexpr int kSysColourIndex = 1;

inline COLORREF toColorRef(int colour) {
    return colour < 0 ? GetSysColor(kSysColourIndex) : static_cast<COLORREF>(colour);
}

// Raster operation of a draw mode; 0 when the mode keeps the device's own.
inline int rasterOpOf(int mode) {
    switch (mode) {
    case vdcommon::dmNormal: return R2_COPYPEN;
    case vdcommon::dmXor: return R2_XORPEN;
    case vdcommon::dmNop: return R2_NOP;
    case vdcommon::dmNot: return R2_NOT;
    case vdcommon::dmNotXor: return R2_NOTXORPEN;
    default: return 0;
    }
}

// Truncated towards zero, saturating at the int range; NaN gives 0.
inline int saturatedInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(v);
}

}  // namespace zvddraw
