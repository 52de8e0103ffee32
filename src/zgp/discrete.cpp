// zgp: curve discretisation for drawing (Curve2dDiscrete, CMeshParameter) and the adaptive
// parameter sampling it shares with the outline builder (curvesampling.h).
#include "zgp/discrete.h"

#include <algorithm>
#include <cmath>

#include "curvesampling.h"
#include "kernel_math.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/geometry.h"
#include "zgp/nurbscurve2d.h"

namespace zgp {
namespace detail {

namespace {

// Initial pieces of arcs and ellipses sweep at most this (angle or eccentric angle): a piece
// of an ellipse spanning less than half a turn of eccentric angle turns by less than half a turn.
constexpr double kInitialSweep = kPi / 4;
// Curves of unknown kind start from this many equal pieces.
constexpr int kGenericPieces = 16;
// Pieces shorter than this fraction of the domain are never split again.
constexpr double kMinRelativeStep = 1e-12;

bool IsOn(double bound) { return bound > 0.0; }

// Angle between two directions in [0, pi]; 0 when either is the zero vector.
double TurnBetween(const CVec2<double>& a, const CVec2<double>& b) {
    if (a.SqrLength() == 0.0 || b.SqrLength() == 0.0) return 0.0;
    return std::atan2(std::fabs(a.Cross(b)), a.Dot(b));
}

double DistanceToSegment(const CVec2<double>& p, const CVec2<double>& a, const CVec2<double>& b) {
    const CVec2<double> ab = b - a;
    const double len2 = ab.SqrLength();
    double s = len2 > 0.0 ? (p - a).Dot(ab) / len2 : 0.0;
    s = std::min(1.0, std::max(0.0, s));
    return p.DistanceTo(a + ab * s);
}

// Number of initial pieces for a NURBS domain span: enough to separate the wiggles a span of
// that degree can make.
int PiecesPerSpan(int degree) { return degree <= 1 ? 1 : degree + 1; }

void AppendNurbsBreaks(const CNurbsCurve2d& nurbs, double t0, double t1, std::vector<double>& out) {
    std::vector<double> knots = nurbs.Knots();
    std::sort(knots.begin(), knots.end());
    std::vector<double> cuts{t0};
    for (double k : knots)
        if (k > cuts.back() && k < t1) cuts.push_back(k);
    cuts.push_back(t1);
    const int pieces = PiecesPerSpan(nurbs.Degree());
    out.push_back(t0);
    for (size_t i = 1; i < cuts.size(); ++i) {
        for (int j = 1; j < pieces; ++j) out.push_back(cuts[i - 1] + (cuts[i] - cuts[i - 1]) * j / pieces);
        out.push_back(cuts[i]);
    }
}

// Keeps at most `cap` of the breaks, evenly spread, both ends included.
void ThinBreaks(std::vector<double>& breaks, size_t cap) {
    if (breaks.size() <= cap || cap < 2) return;
    std::vector<double> kept;
    kept.reserve(cap);
    const double step = static_cast<double>(breaks.size() - 1) / static_cast<double>(cap - 1);
    for (size_t i = 0; i + 1 < cap; ++i) kept.push_back(breaks[static_cast<size_t>(i * step)]);
    kept.push_back(breaks.back());
    breaks.swap(kept);
}

// One piece of the chain awaiting a decision, with its end points on the path.
struct SPiece {
    double ta, tb;
    CVec2<double> pa, pb;
};

// True when the piece breaks a bound of the rule; pm receives the path point at tm.
bool NeedsSplit(const CCurve2d& curve, const PathFn& path, const SSplitRule& rule, const SPiece& pc, double tm,
                CVec2<double>& pm) {
    pm = path(tm);
    if (IsOn(rule.maxLen) && pc.pa.DistanceTo(pc.pb) > rule.maxLen) return true;
    if (IsOn(rule.maxTurn)) {
        const CVec2<double> da = curve.GetDeriv1(pc.ta), dm = curve.GetDeriv1(tm), db = curve.GetDeriv1(pc.tb);
        if (TurnBetween(da, dm) + TurnBetween(dm, db) > rule.maxTurn) return true;
    }
    if (IsOn(rule.maxSag)) {
        const double q = (pc.tb - pc.ta) / 4;
        if (DistanceToSegment(pm, pc.pa, pc.pb) > rule.maxSag ||
            DistanceToSegment(path(pc.ta + q), pc.pa, pc.pb) > rule.maxSag ||
            DistanceToSegment(path(pc.tb - q), pc.pa, pc.pb) > rule.maxSag)
            return true;
    }
    return false;
}

}  // namespace

std::vector<double> InitialBreaks(const CCurve2d& curve) {
    const double t0 = curve.StartT(), t1 = curve.EndT();
    if (!std::isfinite(t0) || !std::isfinite(t1)) return {};
    if (!(t1 > t0)) return {t0, t1};

    double pieces = 1.0;
    switch (curve.Type()) {
    case GT_LINE:
        break;
    case GT_ARC: {
        const auto* arc = dynamic_cast<const CArc2d*>(&curve);
        if (arc && arc->Radius() > 0.0) pieces = std::ceil((t1 - t0) / arc->Radius() / kInitialSweep);
        break;
    }
    case GT_ELLIPSE: {
        const auto* ellipse = dynamic_cast<const CEllipse2d*>(&curve);
        if (ellipse) pieces = std::ceil(std::fabs(ellipse->RotateAngle()) / kInitialSweep);
        break;
    }
    case GT_NURBS:
        if (const auto* nurbs = dynamic_cast<const CNurbsCurve2d*>(&curve)) {
            std::vector<double> breaks;
            AppendNurbsBreaks(*nurbs, t0, t1, breaks);
            ThinBreaks(breaks, kMaxChainPoints);
            return breaks;
        }
        pieces = kGenericPieces;
        break;
    default:
        pieces = kGenericPieces;
        break;
    }
    return UniformParams(t0, t1, pieces);
}

CUniformSteps UniformSteps(double t0, double t1, double n) {
    const double maxPieces = static_cast<double>(kMaxChainPoints - 1);
    if (!(n >= 1.0)) n = 1.0;  // also catches NaN
    if (n > maxPieces) n = maxPieces;
    CUniformSteps steps;
    steps.t0 = t0;
    steps.t1 = t1;
    steps.n = n;
    steps.count = static_cast<size_t>(n);
    return steps;
}

std::vector<double> UniformParams(double t0, double t1, double n) {
    const CUniformSteps steps = UniformSteps(t0, t1, n);
    std::vector<double> params;
    params.reserve(steps.count + 1);
    for (size_t i = 0; i <= steps.count; ++i) params.push_back(steps.At(i));
    return params;
}

std::vector<double> SplitParams(const CCurve2d& curve, const PathFn& path, const SSplitRule& rule) {
    std::vector<double> breaks = InitialBreaks(curve);
    const size_t cap = std::max<size_t>(rule.maxPoints, 2);
    ThinBreaks(breaks, cap);
    if (breaks.size() < 2) return breaks;

    const double minStep = (breaks.back() - breaks.front()) * kMinRelativeStep;
    std::vector<double> out{breaks.front()};
    std::vector<SPiece> stack;  // right halves wait here so that output stays in order
    CVec2<double> pa = path(breaks.front());
    for (size_t i = 1; i < breaks.size(); ++i) {
        const CVec2<double> pb = path(breaks[i]);
        stack.push_back({breaks[i - 1], breaks[i], pa, pb});
        while (!stack.empty()) {
            const SPiece pc = stack.back();
            stack.pop_back();
            // Points the chain ends with if nothing more is split: emitted, this piece, waiting
            // pieces and the initial pieces not yet reached.
            const size_t committed = out.size() + 1 + stack.size() + (breaks.size() - 1 - i);
            const double tm = 0.5 * (pc.ta + pc.tb);
            CVec2<double> pm;
            if (committed < cap && pc.tb - pc.ta > minStep && NeedsSplit(curve, path, rule, pc, tm, pm)) {
                stack.push_back({tm, pc.tb, pm, pc.pb});
                stack.push_back({pc.ta, tm, pc.pa, pm});
            } else {
                out.push_back(pc.tb);
            }
        }
        pa = pb;
    }
    return out;
}

CVec2<double> LeftNormalAt(const CCurve2d& curve, double t) {
    CVec2<double> d = curve.GetDeriv1(t);
    if (d.Normalize()) return d.Perp();
    // The derivative vanishes (a cusp of the parametrisation or coincident control points):
    // take the direction towards ever farther neighbours until the curve is seen to move.
    const double t0 = curve.StartT(), t1 = curve.EndT();
    const double span = t1 - t0;
    if (!(span > 0.0)) return CVec2<double>();
    const CVec2<double> p = curve.GetPoint(t);
    for (double h = span * 1e-9; h <= span; h *= 10.0) {
        if (t + h <= t1) {
            d = curve.GetPoint(t + h) - p;
            if (d.Normalize()) return d.Perp();
        }
        if (t - h >= t0) {
            d = p - curve.GetPoint(t - h);
            if (d.Normalize()) return d.Perp();
        }
    }
    return CVec2<double>();
}

}  // namespace detail

namespace {

using detail::UniformParams;
using detail::UniformSteps;

// Equal steps over [t0, t1] of a line (radius 0) or an arc meeting the drawing bounds of
// Curve2dDiscrete; false for a domain that is not finite or not increasing.
bool StepsOver(double t0, double t1, double radius, double maxSegLen, double maxAngle, CUniformSteps& steps) {
    if (!std::isfinite(t0) || !std::isfinite(t1) || !(t1 > t0)) return false;
    const double length = t1 - t0;  // lines and arcs are parametrised by arc length
    double n = maxSegLen > 0.0 ? std::ceil(length / maxSegLen) : 1.0;
    // Equal angle steps along an arc: the chord of a step is shorter than its arc, so bounding the
    // arc length of a step bounds the segment.
    if (radius > 0.0 && maxAngle > 0.0) n = std::max(n, std::ceil(length / radius / maxAngle));
    steps = UniformSteps(t0, t1, n);
    return true;
}

// The steps of StepsOver for a line or an arc; false for other kinds of curve.
bool DiscreteSteps(const CCurve2d& curve, double maxSegLen, double maxAngle, CUniformSteps& steps) {
    const int type = curve.Type();
    if (type == GT_LINE) return StepsOver(curve.StartT(), curve.EndT(), 0.0, maxSegLen, maxAngle, steps);
    if (type != GT_ARC) return false;
    const auto* arc = dynamic_cast<const CArc2d*>(&curve);
    return StepsOver(curve.StartT(), curve.EndT(), arc ? arc->Radius() : 0.0, maxSegLen, maxAngle, steps);
}

// Parameters of a chain along curve meeting the drawing bounds of Curve2dDiscrete, where
// DiscreteSteps has none.
std::vector<double> DiscreteParams(const CCurve2d& curve, double maxSegLen, double maxAngle) {
    const double t0 = curve.StartT(), t1 = curve.EndT();
    if (!std::isfinite(t0) || !std::isfinite(t1)) return {};
    if (!(t1 > t0)) return {t0, t1};
    detail::SSplitRule rule;
    rule.maxLen = maxSegLen;
    rule.maxTurn = maxAngle;
    return detail::SplitParams(
        curve, [&curve](double t) { return curve.GetPoint(t); }, rule);
}

// Angle step of a circle of the given radius meeting the mesh tolerances (radians).
double ArcMeshStep(double radius, double distTol, double angleTol, double maxLen) {
    double step = angleTol > 0.0 ? std::min(angleTol, kHalfPi) : kHalfPi;
    // Chord height r (1 - cos(step / 2)) = 2 r sin^2(step / 4) <= distTol.
    if (distTol > 0.0 && distTol < 2.0 * radius)
        step = std::min(step, 4.0 * std::asin(std::sqrt(distTol / (2.0 * radius))));
    // Chord 2 r sin(step / 2) <= maxLen.
    if (maxLen > 0.0 && maxLen < 2.0 * radius) step = std::min(step, 2.0 * std::asin(maxLen / (2.0 * radius)));
    return step;
}

}  // namespace

bool Curve2dDiscreteSteps(const CCurve2d* curve, double maxSegLen, double maxAngle, CUniformSteps& steps) {
    return curve && DiscreteSteps(*curve, maxSegLen, maxAngle, steps);
}

bool Curve2dDiscreteSteps(const CArc2d& arc, double maxSegLen, double maxAngle, CUniformSteps& steps) {
    return StepsOver(arc.StartT(), arc.EndT(), arc.Radius(), maxSegLen, maxAngle, steps);
}

bool Curve2dDiscrete(const CCurve2d* curve, std::vector<CVec2<double>>& points, double maxSegLen, double maxAngle,
                     bool withStart, bool withoutEnd) {
    if (!curve) return false;
    // Lines and arcs: the points straight from the steps, without a list of parameters.
    CUniformSteps steps;
    if (DiscreteSteps(*curve, maxSegLen, maxAngle, steps)) {
        const size_t first = withStart ? 0 : 1;
        const size_t last = withoutEnd ? steps.count : steps.count + 1;
        for (size_t i = first; i < last; ++i) points.push_back(curve->GetPoint(steps.At(i)));
        return true;
    }
    const std::vector<double> params = DiscreteParams(*curve, maxSegLen, maxAngle);
    if (params.size() < 2) return false;
    const size_t first = withStart ? 0 : 1;
    const size_t last = withoutEnd ? params.size() - 1 : params.size();
    for (size_t i = first; i < last; ++i) points.push_back(curve->GetPoint(params[i]));
    return true;
}

CMeshParameter::CMeshParameter(double distTol, double angleTol, double maxLen)
    : m_distTol(distTol), m_angleTol(angleTol), m_maxLen(maxLen) {}

// A chord never spans more than a quarter turn, whatever the angle tolerance says: beyond that a
// chain stops looking like the curve at all (a full circle would become a single point).
int CMeshParameter::GetLines(const CCurve2d* curve, std::vector<float>& xyz) const {
    xyz.clear();
    if (!curve) return 0;
    const double t0 = curve->StartT(), t1 = curve->EndT();
    if (!std::isfinite(t0) || !std::isfinite(t1)) return 0;

    std::vector<double> params;
    const double length = t1 - t0;
    if (!(t1 > t0)) {
        params = {t0, t1};
    } else if (curve->Type() == GT_LINE) {
        params = UniformParams(t0, t1, m_maxLen > 0.0 ? std::ceil(length / m_maxLen) : 1.0);
    } else if (curve->Type() == GT_ARC) {
        const auto* arc = dynamic_cast<const CArc2d*>(curve);
        const double radius = arc ? arc->Radius() : 0.0;
        double n = 1.0;
        if (radius > 0.0) n = std::ceil(length / radius / ArcMeshStep(radius, m_distTol, m_angleTol, m_maxLen));
        params = UniformParams(t0, t1, n);
    } else {
        detail::SSplitRule rule;
        rule.maxLen = m_maxLen;
        rule.maxTurn = m_angleTol > 0.0 ? std::min(m_angleTol, kHalfPi) : kHalfPi;
        rule.maxSag = m_distTol;
        params = detail::SplitParams(
            *curve, [curve](double t) { return curve->GetPoint(t); }, rule);
    }

    xyz.reserve(params.size() * 3);
    for (double t : params) {
        const CVec2<double> p = curve->GetPoint(t);
        xyz.push_back(static_cast<float>(p.x));
        xyz.push_back(static_cast<float>(p.y));
        xyz.push_back(0.0f);
    }
    return static_cast<int>(params.size());
}

}  // namespace zgp
