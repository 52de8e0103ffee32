// zvd: the test both loaders apply to an arc record of the oldest format versions, whose stored
// chord ends, radius and arc type may not make an arc (such a record is then read as a line).
#pragma once

#include "zgp/builders.h"
#include "zgp/tolerance.h"

namespace zvdpersist {

// True when the kernel builds an arc (kind 2) from the stored values.
inline bool buildsArc(const zgp::CVec2<double>& start, const zgp::CVec2<double>& end, double radius, int arcType) {
    const zgp::CRefPtr<zgp::CCurve2d> curve(
        zgp::ZCurve2dBuilder::CreateCurve(start, end, radius, arcType, zgp::g_DistEpsilon, zgp::g_AngleEpsilon));
    return curve && curve->Type() == zgp::GT_ARC;
}

}  // namespace zvdpersist
