// zgp: ZCurve2dBuilder (arcs from points, ellipses from axes or conics, curves under any
// transform) and ZLoopBuilder (rectangles and banded outlines around a curve).
#include "zgp/builders.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "curvesampling.h"
#include "kernel_math.h"
#include "zgp/tolerance.h"

namespace zgp {

namespace {

// Offset polylines keep their chord error below this fraction of the band width; the
// refinement aims a little lower because it only samples each piece at three points.
constexpr double kOutlineChordError = 1e-3;
constexpr double kOutlineSagTarget = 0.8 * kOutlineChordError;

// A caller's tolerance, or the kernel's when the given one is negative or not finite.
double DistTolerance(double eps) { return std::isfinite(eps) && eps >= 0.0 ? eps : g_DistEpsilon; }

template <class T>
T* Adopt(T* object, bool ok) {
    if (ok) return object;
    object->Unref();
    return nullptr;
}

// ---- transforms ----

// The plane part of a transform, with an affine map written with a uniform homogeneous weight
// (last column (0, 0, w), w != 1) scaled to w = 1.
struct SPlaneMap {
    CMatrix3<double> h;
    bool affine = false;

    CVec2<double> Point(const CVec2<double>& p) const { return h.TransformPoint(p); }
    // Homogeneous weight of the image of p; its sign tells on which side of the horizon p lies.
    double Weight(const CVec2<double>& p) const { return p.x * h[0][2] + p.y * h[1][2] + h[2][2]; }
    CMatrix4<double> AsMatrix4() const { return CMatrix4<double>::FromMatrix3(h); }
};

// False for a singular or non-finite matrix.
bool MakePlaneMap(const CMatrix4<double>& m, SPlaneMap& map) {
    map.h = m.ToMatrix3();
    for (int i = 0; i < 9; ++i)
        if (!std::isfinite(map.h.Get(i))) return false;
    const double det = map.h.Determinant();
    if (det == 0.0 || !std::isfinite(det)) return false;
    map.affine = map.h[0][2] == 0.0 && map.h[1][2] == 0.0;
    if (map.affine && map.h[2][2] != 1.0) {
        const double w = map.h[2][2];
        for (int i = 0; i < 9; ++i) map.h.Set(i, map.h.Get(i) / w);
        map.h[2][2] = 1.0;
    }
    return true;
}

// Affine maps keep the line's parametrisation in proportion (the image of the point at t sits
// at t times the stretch along the line); a perspective map gives the segment between the
// images of the ends, and fails when the segment reaches the horizon, whose image is unbounded.
CCurve2d* TransformLine(const CLine2d& line, const SPlaneMap& map, double eps) {
    const CVec2<double> p0 = map.Point(line.StartPoint()), p1 = map.Point(line.EndPoint());
    if (!IsFinite(p0) || !IsFinite(p1) || p0.IsEqual(p1, eps)) return nullptr;
    if (!map.affine) {
        if (map.Weight(line.StartPoint()) * map.Weight(line.EndPoint()) <= 0.0) return nullptr;
        return new CLine2d(p0, p1);
    }
    const CVec2<double> dir = map.h.TransformVector(line.Direction());
    const double stretch = dir.Length();
    if (!(stretch > 0.0)) return nullptr;
    return new CLine2d(map.Point(line.Origin()), dir / stretch,
                       CInterval<double>(line.StartT() * stretch, line.EndT() * stretch));
}

// The image of an arc under an affine map that is not a similarity: an ellipse arc. The circle
// c + r (cos th, sin th) maps to c' + p cos th + q sin th with conjugate semi-diameters
// p = r L(1, 0) and q = r L(0, 1); its axes lie at th0 where |p cos th + q sin th| is largest.
CCurve2d* ArcToEllipse(const CArc2d& arc, const SPlaneMap& map, double eps) {
    const double r = arc.Radius();
    if (!(r > 0.0)) return nullptr;
    const CVec2<double> p = map.h.TransformVector(CVec2<double>(r, 0.0));
    const CVec2<double> q = map.h.TransformVector(CVec2<double>(0.0, r));
    const double th0 = 0.5 * std::atan2(2.0 * p.Dot(q), p.SqrLength() - q.SqrLength());
    const CVec2<double> major = p * std::cos(th0) + q * std::sin(th0);
    const CVec2<double> minor = q * std::cos(th0) - p * std::sin(th0);
    const double a = major.Length(), b = minor.Length();
    if (!(b >= eps) || !std::isfinite(a)) return nullptr;
    // With th = th0 + psi the image is c' + a cos(psi) u + sigma b sin(psi) u-perp, sigma the
    // orientation of the map, so the eccentric angle is phi = sigma psi and the ellipse runs in
    // sense s sigma (s the arc's sense). Its parameter (s sigma) a phi = s a psi then equals
    // a (t / r) - s a th0 by the arc's angle th(t) = s t / r: start maps to start, end to end.
    const int sigma = p.Cross(q) > 0.0 ? 1 : -1;
    const int s = arc.Sense() < 0 ? -1 : 1;
    const CInterval<double> range(a * (arc.StartT() / r) - s * a * th0, a * (arc.EndT() / r) - s * a * th0);
    auto* ellipse = new CEllipse2d();
    return Adopt(ellipse, ellipse->Set(map.Point(arc.CenterPt()), major / a, a, b, range, s * sigma));
}

// Similarities keep an arc an arc (the arc itself judges); other affine maps make an ellipse.
CCurve2d* TransformArc(const CArc2d& arc, const SPlaneMap& map, double eps) {
    CArc2d* image = arc.Clone();
    if (image->Transform(map.AsMatrix4())) return Adopt(image, image->Radius() >= eps);
    image->Unref();
    return ArcToEllipse(arc, map, eps);
}

CCurve2d* TransformEllipse(const CEllipse2d& ellipse, const SPlaneMap& map, double eps) {
    CEllipse2d* image = ellipse.Clone();
    const bool ok = image->Transform(map.AsMatrix4());
    return Adopt(image, ok && std::min(image->MajorRadius(), image->MinorRadius()) >= eps);
}

// Any curve as a NURBS curve under the full (possibly perspective) map.
CCurve2d* TransformAsNurbs(const CCurve2d& curve, const SPlaneMap& map) {
    CNurbsCurve2d* image = curve.NurbsCurve();
    if (!image) return nullptr;
    return Adopt(image, image->Transform(map.AsMatrix4()));
}

// ---- outlines ----

// One long side of a band outline, running in the curve's direction: a chain of curves from
// start to end, or no curves at all when the side has collapsed to a point (an arc's centre).
struct SSide {
    std::vector<CRefPtr<CCurve2d>> curves;
    CVec2<double> start, end;
};

SSide PointSide(const CVec2<double>& p) {
    SSide side;
    side.start = side.end = p;
    return side;
}

SSide CurveSide(CCurve2d* curve) {
    SSide side;
    side.start = curve->StartPoint();
    side.end = curve->EndPoint();
    side.curves.emplace_back(curve);
    return side;
}

SSide LineSide(const CLine2d& line, double d) {
    return CurveSide(new CLine2d(line.Origin() + line.Direction().Perp() * d, line.Direction(), line.Range()));
}

// Left of a counter-clockwise arc is towards the centre, so an offset d changes the radius by
// -sense * d; the angles stay and the parameter range scales with the radius. A radius that
// would drop below g_DistEpsilon collapses the side to the centre.
SSide ArcSide(const CArc2d& arc, double d) {
    if (d == 0.0) return CurveSide(arc.Clone());
    const double r = arc.Radius();
    if (!(r > 0.0)) return PointSide(arc.CenterPt());
    const double offsetRadius = r - arc.Sense() * d;
    if (offsetRadius < g_DistEpsilon) return PointSide(arc.CenterPt());
    const double scale = offsetRadius / r;
    return CurveSide(new CArc2d(arc.CenterPt(), offsetRadius,
                                CInterval<double>(arc.StartT() * scale, arc.EndT() * scale), arc.Sense()));
}

// A polyline whose vertices lie on the exact offset P(t) + d n(t), refined until every chord
// stays within kOutlineSagTarget * width of the offset curve. Vertices closer than
// g_DistEpsilon to the previous one are dropped (the last one is always kept).
SSide PolylineSide(const CCurve2d& curve, double d, double width) {
    const auto offsetAt = [&curve, d](double t) { return curve.GetPoint(t) + detail::LeftNormalAt(curve, t) * d; };
    detail::SSplitRule rule;
    rule.maxSag = kOutlineSagTarget * width;
    const std::vector<double> params = detail::SplitParams(curve, offsetAt, rule);

    std::vector<CVec2<double>> vertices;
    for (size_t k = 0; k < params.size(); ++k) {
        const CVec2<double> v = offsetAt(params[k]);
        if (!vertices.empty() && vertices.back().IsEqual(v, g_DistEpsilon)) {
            const bool last = k + 1 == params.size();
            if (!last || vertices.size() == 1) continue;
            vertices.pop_back();  // keep the exact end vertex instead of its neighbour
        }
        vertices.push_back(v);
    }
    SSide side;
    if (vertices.empty()) return side;
    side.start = vertices.front();
    side.end = vertices.back();
    for (size_t i = 1; i < vertices.size(); ++i) side.curves.emplace_back(new CLine2d(vertices[i - 1], vertices[i]));
    return side;
}

SSide OffsetSide(const CCurve2d& curve, double d, double width) {
    if (const auto* line = dynamic_cast<const CLine2d*>(&curve)) return LineSide(*line, d);
    if (const auto* arc = dynamic_cast<const CArc2d*>(&curve)) return ArcSide(*arc, d);
    if (d == 0.0) return CurveSide(curve.Clone());
    return PolylineSide(curve, d, width);
}

void AddLine(CLoop& loop, const CVec2<double>& from, const CVec2<double>& to) {
    if (!from.IsEqual(to, g_DistEpsilon)) loop.AddCurve(new CLine2d(from, to), false);
}

}  // namespace

CCurve2d* ZCurve2dBuilder::CreateCurve(const CVec2<double>& p1, const CVec2<double>& p2, double radius, int type,
                                       double distEps, double /*angleEps*/) {
    // Only distances decide here; the angle tolerance has nothing to add for a given radius.
    if (!IsFinite(p1) || !IsFinite(p2) || !std::isfinite(radius) || type < 1 || type > 4) return nullptr;
    const double eps = DistTolerance(distEps);
    const double halfChord = p1.DistanceTo(p2) / 2;
    if (2 * halfChord <= eps || radius < halfChord - eps) return nullptr;
    auto* arc = new CArc2d();
    return Adopt(arc, arc->Set(p1, p2, std::max(radius, halfChord), type));
}

CCurve2d* ZCurve2dBuilder::CreateCurve(const CVec2<double>& p1, const CVec2<double>& p2, const CVec2<double>& p3,
                                       double distEps, double /*angleEps*/) {
    // Collinearity is judged by p2's distance from the chord p1-p3, as documented; a turning
    // angle test would refuse long flat arcs that are perfectly well defined.
    if (!IsFinite(p1) || !IsFinite(p2) || !IsFinite(p3)) return nullptr;
    const double eps = DistTolerance(distEps);
    if (p1.IsEqual(p2, eps) || p2.IsEqual(p3, eps) || p1.IsEqual(p3, eps)) return nullptr;
    const CVec2<double> b = p2 - p1, c = p3 - p1;
    const double cross = b.Cross(c);
    if (std::fabs(cross) / c.Length() <= eps) return nullptr;
    // Circumcentre relative to p1. The points lie counter-clockwise on the circle exactly when
    // the triangle p1 p2 p3 does, so that orientation is the arc's sense.
    const double d = 2.0 * cross;
    const CVec2<double> centre = p1 + CVec2<double>((c.y * b.SqrLength() - b.y * c.SqrLength()) / d,
                                                    (b.x * c.SqrLength() - c.x * b.SqrLength()) / d);
    if (!IsFinite(centre)) return nullptr;
    auto* arc = new CArc2d();
    return Adopt(arc, arc->Set(centre, p1, p3, cross > 0.0 ? 1 : -1));
}

CEllipse2d* ZCurve2dBuilder::CreateEllipse(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b,
                                           double start, double end, int sense, double distEps) {
    const double eps = DistTolerance(distEps);
    if (!IsFinite(centre) || !IsFinite(axis) || !std::isfinite(a) || !std::isfinite(b) || !std::isfinite(start) ||
        !std::isfinite(end))
        return nullptr;
    if (!(a >= eps) || !(b >= eps) || a <= 0.0 || b <= 0.0) return nullptr;
    CVec2<double> u = axis.Normalized();
    if (u.SqrLength() == 0.0) return nullptr;
    if (b > a) {
        // Turning the axis a quarter turn counter-clockwise swaps the roles of the radii; angles
        // measured from the new axis are a quarter turn smaller (eccentric and central alike).
        std::swap(a, b);
        u = u.Perp();
        start -= kHalfPi;
        end -= kHalfPi;
    }
    auto* ellipse = new CEllipse2d();
    return Adopt(ellipse, ellipse->Set(centre, u, a, b, start, end, sense < 0 ? -1 : 1));
}

CEllipse2d* ZCurve2dBuilder::CreateEllipse(const double conic[6], double distEps) {
    if (!conic) return nullptr;
    const double eps = DistTolerance(distEps);
    // Scale the coefficients to unit size: the conic is the same and nothing overflows.
    double big = 0.0;
    for (int i = 0; i < 6; ++i) {
        if (!std::isfinite(conic[i])) return nullptr;
        big = std::max(big, std::fabs(conic[i]));
    }
    if (big == 0.0) return nullptr;
    const double A = conic[0] / big, B = conic[1] / big, C = conic[2] / big;
    const double D = conic[3] / big, E = conic[4] / big, F = conic[5] / big;
    const double det = 4.0 * A * C - B * B;  // minus the discriminant
    if (!(det > 0.0)) return nullptr;

    // The centre is where the gradient (2Ax + By + D, Bx + 2Cy + E) vanishes; there the
    // constant term becomes F + (D x0 + E y0) / 2.
    const CVec2<double> centre((B * E - 2.0 * C * D) / det, (B * D - 2.0 * A * E) / det);
    const double f0 = F + 0.5 * (D * centre.x + E * centre.y);
    // Principal directions of [[A, B/2], [B/2, C]]: angle th with tan(2 th) = B / (A - C).
    const double th = 0.5 * std::atan2(B, A - C);
    const CVec2<double> e1(std::cos(th), std::sin(th));
    const double l1 = A * e1.x * e1.x + B * e1.x * e1.y + C * e1.y * e1.y;
    const double l2 = A * e1.y * e1.y - B * e1.x * e1.y + C * e1.x * e1.x;
    const double s1 = -f0 / l1, s2 = -f0 / l2;  // squared radii along e1 and e1.Perp()
    if (!(s1 > 0.0) || !(s2 > 0.0) || !IsFinite(centre)) return nullptr;
    double a = std::sqrt(s1), b = std::sqrt(s2);
    CVec2<double> axis = e1;
    if (b > a) {
        std::swap(a, b);
        axis = e1.Perp();
    }
    if (!(b >= eps) || !std::isfinite(a)) return nullptr;
    auto* ellipse = new CEllipse2d();
    return Adopt(ellipse, ellipse->Set(centre, axis, a, b, CInterval<double>(0.0, 2.0 * kPi * a), 1));
}

CCurve2d* ZCurve2dBuilder::TransformCurve(const CCurve2d* curve, const CMatrix4<double>& m, double distEps) {
    if (!curve) return nullptr;
    SPlaneMap map;
    if (!MakePlaneMap(m, map)) return nullptr;
    const double eps = DistTolerance(distEps);
    if (const auto* line = dynamic_cast<const CLine2d*>(curve)) return TransformLine(*line, map, eps);
    if (map.affine) {
        if (const auto* arc = dynamic_cast<const CArc2d*>(curve)) return TransformArc(*arc, map, eps);
        if (const auto* ellipse = dynamic_cast<const CEllipse2d*>(curve)) return TransformEllipse(*ellipse, map, eps);
    }
    return TransformAsNurbs(*curve, map);
}

// A box thinner than g_DistEpsilon counts as empty: its outline would have zero-length sides.
CLoop* ZLoopBuilder::CreateRect(const CBox2<double>& box) {
    if (box.IsEmpty() || !IsFinite(box.min) || !IsFinite(box.max)) return nullptr;
    if (box.Width() < g_DistEpsilon || box.Height() < g_DistEpsilon) return nullptr;
    const CVec2<double> corners[4] = {box.min, CVec2<double>(box.max.x, box.min.y), box.max,
                                      CVec2<double>(box.min.x, box.max.y)};
    auto* loop = new CLoop();
    for (int i = 0; i < 4; ++i) loop->AddCurve(new CLine2d(corners[i], corners[(i + 1) % 4]), false);
    return loop;
}

// The band holds the points at signed lateral offset -right .. left from the curve, so a
// negative width moves that edge across the curve; the band must be at least g_DistEpsilon
// wide. The outline runs along the right edge forward, across the end cap, back along the left
// edge and across the start cap, which is counter-clockwise for every curve whose offsets do not
// fold over themselves.
CLoop* ZLoopBuilder::CreateLoop(const CCurve2d* curve, double left, double right) {
    if (!curve || !std::isfinite(left) || !std::isfinite(right)) return nullptr;
    if (left <= 0.0 && right <= 0.0) return nullptr;
    const double width = left + right;
    if (!(width >= g_DistEpsilon) || curve->IsDegenerate()) return nullptr;

    SSide rightSide = OffsetSide(*curve, -right, width);
    SSide leftSide = OffsetSide(*curve, left, width);
    if (rightSide.curves.empty() && leftSide.curves.empty()) return nullptr;

    CRefPtr<CLoop> loop(new CLoop());
    for (auto& c : rightSide.curves) loop->AddCurve(c.Release(), false);
    AddLine(*loop, rightSide.end, leftSide.end);
    for (auto it = leftSide.curves.rbegin(); it != leftSide.curves.rend(); ++it) {
        (*it)->Reverse();
        loop->AddCurve(it->Release(), false);
    }
    AddLine(*loop, leftSide.start, rightSide.start);
    if (loop->CoedgeCount() == 0) return nullptr;
    return loop.Release();
}

}  // namespace zgp
