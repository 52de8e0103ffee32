// zvd: the values that describe one geometric constraint: its kind number, the parameter block
// that creates or changes it, and the plain reference triple hosts pass around.
#pragma once

#include <cstdint>

#include "zcs/constraint.h"
#include "zgp/vec2.h"
#include "zvd/foundation/zvdexport.h"

// Kind of a constraint item; both file formats store the number. 11 and above are measured
// kinds (dimensions).
enum ZVDConstraintDataType : int32_t {
    cdtPointOnLine = 0,
    cdtCoincident = 1,
    cdtSameLine = 2,
    cdtParallel = 3,
    cdtPerpendicular = 4,
    cdtTangent = 5,
    cdtConcentric = 6,
    cdtHorizon = 7,
    cdtVertical = 8,
    cdtEqual = 9,
    cdtPinned = 10,
    cdtLineLength = 11,
    cdtPointDistanceToPoint = 12,
    cdtPointDistanceToLine = 13,
    cdtLineDistanceToLine = 14,
    cdtArcAngle = 15,
    cdtLineAngle = 16,
    cdtRadius = 17,
    cdtDiameter = 18,
    cdtEllipseRadius = 19,
    cdtMultiDistance = 20,
};

// The parameter block of a constraint. Identifiers name items of the drawing (-1: none), the
// indices their segments (line(i)); value is in drawing units or degrees by kind.
class ZVD_EXPORT ZVDConstraintParams {
public:
    ZVDConstraintParams() = default;

    // Equal when both entity references match, in the same or the crossed order; value and
    // positions are not compared.
    bool operator==(const ZVDConstraintParams& other) const;
    bool operator!=(const ZVDConstraintParams& other) const { return !(*this == other); }

    double value = 0;
    int32_t entityID1 = -1;
    int32_t entityIndexID1 = 0;
    int32_t entityID2 = -1;
    int32_t entityIndexID2 = 0;
    EnDimRefType refType1 = edrCurve;
    EnDimRefType refType2 = edrCurve;
    // For the measured kinds the first is where the dimension was placed; the other kinds only
    // store them.
    zgp::CVec2<double> constraintPos[2];
    // Dimension placement: [0] direction mode (0 aligned, 1 horizontal, 2 vertical; some kinds
    // use it otherwise), [1] and [2] the offsets of the dimension line, [3] carried only.
    double dimParams[4] = {0, 0, 0, 0};
};

// One bound geometry as hosts name it: item identifier, segment index, reference type.
struct ZVD_EXPORT ZVDConstraintRefGeometry {
    int32_t entityID = -1;
    int32_t index = 0;
    int32_t refType = 0;
};
