// Shared helpers of the kernel tests: random curves, brute-force minimisation, small loops.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "zgp/zgp.h"

namespace zgp_test {

using namespace zgp;
using V = CVec2<double>;

constexpr double kPi = 3.14159265358979323846;

inline bool Finite(const V& v) { return std::isfinite(v.x) && std::isfinite(v.y); }
inline double Uni(std::mt19937_64& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}
inline V RandPt(std::mt19937_64& rng, double r) { return V(Uni(rng, -r, r), Uni(rng, -r, r)); }

// Minimum of f over [lo, hi]: best of n + 1 samples, refined by golden-section search; *at gets where.
template <class F>
double BruteMin(const F& f, double lo, double hi, int n = 2000, double* at = nullptr) {
    int best = 0;
    double bestF = f(lo);
    for (int i = 1; i <= n; ++i)
        if (f(lo + (hi - lo) * i / n) < bestF) bestF = f(lo + (hi - lo) * i / n), best = i;
    double a = lo + (hi - lo) * std::max(best - 1, 0) / n, b = lo + (hi - lo) * std::min(best + 1, n) / n;
    const double g = 0.5 * (std::sqrt(5.0) - 1.0);
    for (int it = 0; it < 120; ++it) {
        const double x1 = b - g * (b - a), x2 = a + g * (b - a);
        const bool left = f(x1) <= f(x2);
        (left ? b : a) = left ? x2 : x1;
    }
    const double x = 0.5 * (a + b);
    if (at) *at = f(x) < bestF ? x : lo + (hi - lo) * best / n;
    return std::min(bestF, f(x));
}

inline double BruteDistance(const CCurve2d& c, const V& p, int n = 2000, double* at = nullptr) {
    return BruteMin([&](double t) { return c.GetPoint(t).DistanceTo(p); }, c.StartT(), c.EndT(), n, at);
}

inline CCurve2d* RandomCurve(std::mt19937_64& rng, int kind) {
    const int sense = Uni(rng, 0, 1) < 0.5 ? 1 : -1;
    const double t0 = Uni(rng, -10, 10);
    if (kind == GT_LINE) return new CLine2d(RandPt(rng, 10), RandPt(rng, 10));
    if (kind == GT_ARC) {
        const double r = Uni(rng, 0.5, 8), sweep = Uni(rng, 0, 1) < 0.15 ? 2 * kPi : Uni(rng, 0.2, 2 * kPi);
        return new CArc2d(RandPt(rng, 6), r, CInterval<double>(t0, t0 + sweep * r), sense);
    }
    if (kind == GT_ELLIPSE) {
        const double a = Uni(rng, 0.5, 8), b = Uni(rng, 0.5, 8);
        const double sweep = Uni(rng, 0, 1) < 0.15 ? 2 * kPi : Uni(rng, 0.2, 2 * kPi);
        return new CEllipse2d(RandPt(rng, 6), V(1, 0).Rotated(Uni(rng, -kPi, kPi)), a, b,
                              CInterval<double>(t0, t0 + sweep * a), sense);
    }
    const int deg = 1 + static_cast<int>(Uni(rng, 0, 3.99)), count = deg + 1 + static_cast<int>(Uni(rng, 0, 4.99));
    auto* n = new CNurbsCurve2d(deg, count);
    for (int i = 0; i < count; ++i) n->SetCtrlPt(i, RandPt(rng, 10), Uni(rng, 0.5, 2.0));
    const double span = Uni(rng, 0.5, 5);
    for (int i = 0; i < n->KnotCount(); ++i)
        n->SetKnot(i, t0 + span * std::clamp(double(i - deg) / (count - deg), 0.0, 1.0));
    return n;
}

const int IN = CPositionJudge::PT_INSIDE, ON = CPositionJudge::PT_ON, OUT = CPositionJudge::PT_OUTSIDE;

inline CArc2d* ArcByAngles(const V& centre, double r, double a0, double a1) {
    auto* a = new CArc2d;
    a->Set(centre, r, a0, a1);
    return a;
}

inline CLoop* PolyLoop(const std::vector<V>& pts) {
    auto* l = new CLoop;
    for (size_t i = 0; i < pts.size(); ++i) l->AddCurve(new CLine2d(pts[i], pts[(i + 1) % pts.size()]), false);
    return l;
}
inline CLoop* Rect(double x0, double y0, double x1, double y1) {
    return PolyLoop({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}
inline CLoop* CircleLoop(const V& centre, double r) {
    auto* l = new CLoop;
    l->AddCurve(ArcByAngles(centre, r, 0.0, 0.0), false);
    return l;
}

inline std::vector<V> Polygonise(const CLoop& l, int perCurve) {
    std::vector<V> out;
    for (int i = 0; i < l.CoedgeCount(); ++i) {
        const CCurve2d* c = l.GetCurve(i);
        int n = c->Type() == GT_LINE ? 1 : perCurve;
        for (int k = 0; k <= n; ++k) out.push_back(c->GetPoint(c->StartT() + (c->EndT() - c->StartT()) * k / n));
    }
    return out;
}

// IN or OUT by the crossing test, or ON when p lies within `band` of the polygon. Plain scalars:
// this runs millions of times in unoptimised builds.
inline int BruteClassify(const std::vector<V>& poly, const V& p, double band) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        double ax = poly[j].x - p.x, ay = poly[j].y - p.y, bx = poly[i].x - p.x, by = poly[i].y - p.y;
        if ((ay > 0) != (by > 0) && 0 < ax - ay * (bx - ax) / (by - ay)) in = !in;
        if ((ax > band && bx > band) || (ax < -band && bx < -band) || (ay > band && by > band) ||
            (ay < -band && by < -band))
            continue;
        double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        double s = len2 > 0 ? std::min(1.0, std::max(0.0, -(ax * dx + ay * dy) / len2)) : 0.0;
        double ex = ax + dx * s, ey = ay + dy * s;
        if (ex * ex + ey * ey < band * band) return ON;
    }
    return in ? IN : OUT;
}

inline double ShoelaceArea(const std::vector<V>& poly) {
    double a = 0;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) a += poly[j].Cross(poly[i]) / 2;
    return a;
}

inline CCurve2d* RandomSide(std::mt19937& rng, const V& a, const V& b) {
    std::uniform_real_distribution<double> U(0.0, 1.0);
    V d = b - a;
    double h = d.Length() / 2;
    switch (static_cast<int>(U(rng) * 5)) {
    case 1:
        return new CArc2d(a, b, h * (1.05 + 2 * U(rng)), U(rng) < 0.5 ? CArc2d::CCW_SMALL : CArc2d::CW_SMALL);
    case 2: {
        int sense = U(rng) < 0.5 ? 1 : -1;
        CInterval<double> range = sense > 0 ? CInterval<double>(kPi * h, 2 * kPi * h) : CInterval<double>(-kPi * h, 0);
        return new CEllipse2d((a + b) / 2, d, h, h * (0.1 + 0.5 * U(rng)), range, sense);
    }
    case 3: {
        int deg = U(rng) < 0.5 ? 2 : 3;
        CNurbsCurve2d* nc = new CNurbsCurve2d(deg, 6);
        nc->SetCtrlPt(0, a);
        for (int k = 1; k < 5; ++k)
            nc->SetCtrlPt(k, a + d * (k / 5.0) + d.Perp() * (0.8 * U(rng) - 0.4), 0.4 + 2 * U(rng));
        nc->SetCtrlPt(5, b);
        return nc;
    }
    case 4:  // a wide arc, more than half a turn, bulging outwards
        return new CArc2d(a, b, h * (1.0 + 0.3 * U(rng)), CArc2d::CCW_LARGE);
    default:
        return new CLine2d(a, b);
    }
}

inline CLoop* RandomLoop(std::mt19937& rng) {
    std::uniform_real_distribution<double> U(0.0, 1.0);
    const double shape = U(rng);
    CLoop* l = new CLoop;
    if (shape < 0.08) l->AddCurve(ArcByAngles(V(U(rng), U(rng)), 3 + 5 * U(rng), 0.0, 0.0), false);
    if (shape >= 0.08 && shape < 0.16)
        l->AddCurve(new CEllipse2d(V(U(rng), U(rng)), V(1, 0).Rotated(6 * U(rng)), 8, 2 + 4 * U(rng),
                                   CInterval<double>(0, 16 * kPi), U(rng) < 0.5 ? 1 : -1),
                    false);
    if (shape < 0.16) return l;
    const int n = 3 + static_cast<int>(U(rng) * 6);
    std::vector<V> v;
    for (int i = 0; i < n; ++i) v.push_back(V(4 + 6 * U(rng), 0).Rotated(2 * kPi * (i + 0.2 + 0.6 * U(rng)) / n));
    for (int i = 0; i < n; ++i) l->AddCurve(RandomSide(rng, v[i], v[(i + 1) % n]), false);
    return l;
}

}  // namespace zgp_test
