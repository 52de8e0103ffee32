// zgp internal: parameter sampling shared by the discretiser and the outline builder.
// Cuts a curve's domain into pieces that meet chord-length, turning and chord-height bounds.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "zgp/curve2d.h"
#include "zgp/discrete.h"

namespace zgp {
namespace detail {

// Never more points than this in one chain, whatever the bounds ask for.
constexpr size_t kMaxChainPoints = 100000;

// Bounds on every piece of a sampled chain; a bound <= 0 (or NaN) is not applied.
struct SSplitRule {
    double maxLen = 0.0;   // chord length, drawing units
    double maxTurn = 0.0;  // tangent turn across the piece, radians
    double maxSag = 0.0;   // distance of the path from the chord, drawing units
    size_t maxPoints = kMaxChainPoints;
};

// The path being sampled, by curve parameter: the curve itself or one of its offsets.
using PathFn = std::function<CVec2<double>(double)>;

// Increasing parameters from StartT() to EndT() (both included) that cut the curve into pieces
// without interior knots, each turning by well under half a turn. Empty for a non-finite domain.
std::vector<double> InitialBreaks(const CCurve2d& curve);

// Increasing parameters, StartT() first and EndT() last, whose path points form a chain whose
// pieces meet the rule (turns are measured on the curve's tangent). Refinement stops at
// rule.maxPoints values and at pieces too short to split in double precision.
std::vector<double> SplitParams(const CCurve2d& curve, const PathFn& path, const SSplitRule& rule);

// n + 1 equally spaced parameters over [t0, t1]; n is clamped to 1 .. kMaxChainPoints - 1.
CUniformSteps UniformSteps(double t0, double t1, double n);
std::vector<double> UniformParams(double t0, double t1, double n);

// Unit normal to the left of the direction of travel at t. Where the derivative vanishes the
// direction towards nearby points is used instead; zero only when the curve does not move.
CVec2<double> LeftNormalAt(const CCurve2d& curve, double t);

}  // namespace detail
}  // namespace zgp
