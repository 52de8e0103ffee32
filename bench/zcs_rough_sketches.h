// Rough sketches for the solver benchmarks and tests: the filleted staircase and the staircase
// chain as a user draws them by hand, far from the dimensions they are then given.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "zcs/zcs.h"
#include "zgp/zgp.h"

namespace zcs_rough {

using zgp::CArc2d;
using zgp::CLine2d;
using Vec = zgp::CVec2<double>;

constexpr double kTwoPi = 6.283185307179586476925286766559;

// The staircase for a base length L: segment i runs from corner i to corner i + 1, alternately
// along +x and +y, with lengths L ... 1.6 L.
inline double StairLength(int i, double L) { return L * (1.0 + 0.1 * (i % 7)); }
inline Vec StairDirection(int i) { return i % 2 == 0 ? Vec(1, 0) : Vec(0, 1); }
inline std::vector<Vec> StairCorners(int n, double L) {
    std::vector<Vec> k{Vec(0, 0)};
    for (int i = 0; i < n; ++i) k.push_back(k.back() + StairDirection(i) * StairLength(i, L));
    return k;
}
inline int StairTurn(int i) { return StairDirection(i).Cross(StairDirection(i + 1)) > 0 ? 1 : -1; }

inline ZlDimRefGeometry Ref(zgp::CCurve2d* c, EnDimRefType t = edrCurve) { return ZlDimRefGeometry(c, t); }

// The arc of sense `turn` from a to b whose centre is the point of their bisector nearest c.
// Sink makes the curves: Line(a, b) and Arc(centre, r, a0, a1, sense), from angle a0 to a1.
template <class Sink>
CArc2d* ArcThrough(Sink& s, Vec c, Vec a, Vec b, int turn) {
    const Vec chord = b - a, mid = (a + b) * 0.5;
    if (chord.Length() > 0.0) {
        const Vec n = chord.Perp() / chord.Length();
        c = mid + n * n.Dot(c - mid);
    }
    const double a0 = (a - c).Angle();
    double sweep = turn * ((b - c).Angle() - a0);
    sweep -= kTwoPi * std::floor(sweep / kTwoPi);
    sweep = std::min(std::max(sweep, 1e-3), kTwoPi - 1e-3);  // neither a point nor a circle
    return s.Arc(c, std::max(c.DistanceTo(a), 1e-3 * chord.Length()), a0, a0 + turn * sweep, turn);
}

struct Fillets {
    std::vector<CLine2d*> lines;  // n lines
    std::vector<CArc2d*> arcs;    // arc i joins line i to line i + 1
};

// The staircase of n lines with a fillet of radius 0.2 L at every corner (ends coincident and
// tangent, radii equal, one diameter given, the first point held), drawn roughly: every line
// end, arc centre, arc start and arc end moved independently by up to 0.15 L in x and y, each
// arc rebuilt through its moved ends. Sink also keeps constraints: Add(type, value, refs).
template <class Sink>
Fillets BuildRoughFillets(Sink& s, int n, unsigned seed, double L) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-0.15 * L, 0.15 * L);
    auto rough = [&](Vec p) { return p + Vec{u(rng), u(rng)}; };  // braces: x drawn first
    const double r = 0.2 * L;
    const std::vector<Vec> k = StairCorners(n, L);
    Fillets f;
    for (int i = 0; i < n; ++i) {
        const Vec d = StairDirection(i), a = rough(k[i] + d * (i > 0 ? r : 0.0));
        f.lines.push_back(s.Line(a, rough(k[i + 1] - d * (i + 1 < n ? r : 0.0))));
    }
    for (int i = 0; i + 1 < n; ++i) {
        const Vec d0 = StairDirection(i), d1 = StairDirection(i + 1);
        const Vec c = rough(k[i + 1] - d0 * r + d0.Perp() * (StairTurn(i) * r));
        const Vec a = rough(k[i + 1] - d0 * r);
        f.arcs.push_back(ArcThrough(s, c, a, rough(k[i + 1] + d1 * r), StairTurn(i)));
    }
    s.Add(ectFixed, 0, {Ref(f.lines[0], edrStart)});
    for (int i = 0; i < n; ++i) {
        s.Add(i % 2 == 0 ? ectHorizontal : ectVertical, 0, {Ref(f.lines[i])});
        s.Add(ectDistance, StairLength(i, L) - r * ((i > 0) + (i + 1 < n)), {Ref(f.lines[i])});
    }
    for (int i = 0; i + 1 < n; ++i) {
        s.Add(ectCoincident, 0, {Ref(f.lines[i], edrEnd), Ref(f.arcs[i], edrStart)});
        s.Add(ectCoincident, 0, {Ref(f.arcs[i], edrEnd), Ref(f.lines[i + 1], edrStart)});
        s.Add(ectTangent, 0, {Ref(f.lines[i]), Ref(f.arcs[i])});
        s.Add(ectTangent, 0, {Ref(f.arcs[i]), Ref(f.lines[i + 1])});
        if (i > 0) s.Add(ectEqual, 0, {Ref(f.arcs[i - 1]), Ref(f.arcs[i])});
    }
    if (!f.arcs.empty()) s.Add(ectDiameter, 2 * r, {Ref(f.arcs[0])});
    return f;
}

// Fillets that are not what the staircase means: the centre not inside the corner (on the
// turning side of both its lines as they now run), or the arc the long way round.
inline int CountFlippedFillets(const Fillets& f) {
    int flipped = 0;
    for (size_t i = 0; i < f.arcs.size(); ++i) {
        const int turn = StairTurn(static_cast<int>(i));
        const Vec c = f.arcs[i]->CenterPt();
        const bool inside = turn * f.lines[i]->SignedDistance(c) > 0 && turn * f.lines[i + 1]->SignedDistance(c) > 0;
        flipped += !inside || std::abs(f.arcs[i]->RotateAngle()) >= 0.5 * kTwoPi;
    }
    return flipped;
}

// The staircase chain of n lines (lengths and horizontal or vertical, ends joined, the first
// point held) drawn by hand: each line's length off by up to 30 % and its direction by up to
// 10 degrees, each drawn on from where the last one ended, every joint opened by up to 0.02 L.
template <class Sink>
std::vector<CLine2d*> BuildRoughChain(Sink& s, int n, unsigned seed, double L) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<CLine2d*> lines;
    Vec p(0, 0);
    for (int i = 0; i < n; ++i) {
        const Vec a = i > 0 ? p + Vec{u(rng), u(rng)} * (0.02 * L) : p;
        const Vec d = StairDirection(i).Rotated(u(rng) * kTwoPi / 36.0);
        p = a + d * (StairLength(i, L) * (1.0 + 0.3 * u(rng)));
        lines.push_back(s.Line(a, p));
    }
    s.Add(ectFixed, 0, {Ref(lines[0], edrStart)});
    for (int i = 0; i < n; ++i) {
        s.Add(i % 2 == 0 ? ectHorizontal : ectVertical, 0, {Ref(lines[i])});
        s.Add(ectDistance, StairLength(i, L), {Ref(lines[i])});
        if (i + 1 < n) s.Add(ectCoincident, 0, {Ref(lines[i], edrEnd), Ref(lines[i + 1], edrStart)});
    }
    return lines;
}

}  // namespace zcs_rough
