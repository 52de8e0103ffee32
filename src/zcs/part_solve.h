// zcs: solving one independent part of a sketch: Newton's method from the start geometry, a
// continuation from it when the start is too rough for that, and the evidence for a conflict.
#pragma once

#include <vector>

#include "sketch.h"

namespace zcs::detail {

enum class PartStatus {
    Solved,
    Conflict,      // stopped at a least-squares point that the constraints carrying its residual confirm
    NotConverged,  // no solution found, and no conflict shown
};

struct PartSolve {
    PartStatus status = PartStatus::Solved;
    int iterations = 0;     // Newton iterations of every attempt together
    double residual = 0.0;  // largest residual where the solve ended, in drawing units
};

// Moves the part's parameters in P, which hold their start values on entry, until the part's
// constraints hold. On failure P holds where Newton's method from the start stopped, polished
// towards its least-squares point (the point a conflict was shown at).
PartSolve SolvePart(const Sketch& s, const Part& part, std::vector<double>& P);

}  // namespace zcs::detail
