// zgp: discretisation of curves into point chains for drawing.
#pragma once

#include <cstddef>
#include <vector>

#include "zgp/curve2d.h"

namespace zgp {

class CArc2d;

// Appends points along curve to `points` so that no segment is longer than maxSegLen and no
// segment turns the tangent by more than maxAngle (radians); a bound <= 0 is not applied (but at
// most 100000 points are made). withStart: the start point is appended first; the end point is
// always appended last unless withoutEnd. False (nothing appended) for a null curve.
bool Curve2dDiscrete(const CCurve2d* curve, std::vector<CVec2<double>>& points, double maxSegLen, double maxAngle,
                     bool withStart, bool withoutEnd);

// The parameters at which Curve2dDiscrete samples a line or an arc: t0 + (t1 - t0) * i / n for
// i = 0 .. count - 1, then t1 (count + 1 parameters in all).
struct CUniformSteps {
    double t0 = 0.0;
    double t1 = 0.0;
    double n = 1.0;
    size_t count = 1;
    double At(size_t i) const { return i < count ? t0 + (t1 - t0) * static_cast<double>(i) / n : t1; }
};

// The steps Curve2dDiscrete takes along a line or an arc with these bounds, so that a caller can
// evaluate the points itself. False (steps untouched) for a null curve, any other kind of curve and
// a domain that is not finite or not increasing.
bool Curve2dDiscreteSteps(const CCurve2d* curve, double maxSegLen, double maxAngle, CUniformSteps& steps);
bool Curve2dDiscreteSteps(const CArc2d& arc, double maxSegLen, double maxAngle, CUniformSteps& steps);

// Tolerances for meshing a curve into a polyline.
class CMeshParameter {
public:
    // distTol: largest distance between the curve and a chord; angleTol: largest tangent turn
    // across one chord (radians); maxLen: longest chord (0 means no limit).
    CMeshParameter(double distTol, double angleTol, double maxLen);
    void SetDistTol(double t) { m_distTol = t; }
    void SetAngleTol(double t) { m_angleTol = t; }
    void SetMaxLen(double t) { m_maxLen = t; }
    double DistTol() const { return m_distTol; }
    double AngleTol() const { return m_angleTol; }
    double MaxLen() const { return m_maxLen; }
    // Replaces xyz with the mesh points of curve, start to end, as single-precision (x, y, 0)
    // triples. Answers the point count (0 for a null curve).
    int GetLines(const CCurve2d* curve, std::vector<float>& xyz) const;

private:
    double m_distTol;
    double m_angleTol;
    double m_maxLen;
};

}  // namespace zgp
