// zgp: the generic numerics every curve kind inherits: tangents, arc length by adaptive
// quadrature, length inversion, nearest points by sampling and safeguarded Newton.
#include "zgp/curve2d.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "kernel_math.h"
#include "zgp/tolerance.h"

namespace zgp {

namespace {

using Vec = CVec2<double>;

constexpr double kEps = std::numeric_limits<double>::epsilon();

// ---------------------------------------------------------------------------------------------
// Arc length: adaptive 7/15-point Gauss-Kronrod quadrature of the speed |P'(t)|.
// ---------------------------------------------------------------------------------------------

// Kronrod abscissae on [0, 1] (odd indices are the Gauss points) and their weights.
const double kXgk[8] = {0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
                        0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
                        0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
                        0.207784955007898467600689403773245, 0.000000000000000000000000000000000};
const double kWgk[8] = {0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
                        0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
                        0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
                        0.204432940075298892414161999234649, 0.209482141084727828012999174891714};
const double kWg[4] = {0.129484966168869693270611432679082, 0.279705391489276667901467771423780,
                       0.381830050505118944950369775488975, 0.417959183673469387755102040816327};

constexpr int kInitialPieces = 4;
constexpr int kMaxDepth = 48;     // a kink (cusp) needs ~40 halvings to reach 1e-12
constexpr int kMaxPieces = 4000;  // total work bound: ~60k evaluations at most
constexpr double kLengthRelTol = 1e-12;

// Speed at t; a non-finite derivative contributes nothing rather than poisoning the sum.
double Speed(const CCurve2d& c, double t) {
    const double v = c.GetDeriv1(t).Length();
    return std::isfinite(v) ? v : 0.0;
}

struct Piece {
    double a, b;   // sub-interval
    double value;  // Kronrod estimate
    double error;  // |Kronrod - Gauss|
    int depth;
};

Piece GaussKronrod(const CCurve2d& c, double a, double b, int depth) {
    const double mid = 0.5 * (a + b), half = 0.5 * (b - a);
    const double fc = Speed(c, mid);
    double resk = fc * kWgk[7], resg = fc * kWg[3];
    for (int j = 0; j < 3; ++j) {
        const double x = half * kXgk[2 * j + 1];
        const double sum = Speed(c, mid - x) + Speed(c, mid + x);
        resg += kWg[j] * sum;
        resk += kWgk[2 * j + 1] * sum;
    }
    for (int j = 0; j < 4; ++j) {
        const double x = half * kXgk[2 * j];
        resk += kWgk[2 * j] * (Speed(c, mid - x) + Speed(c, mid + x));
    }
    return Piece{a, b, resk * half, std::abs(resk - resg) * half, depth};
}

// Integral of the speed over [a, b], a < b. Each piece must meet its share of the global
// tolerance (proportional to its width); depth and piece count are bounded so that a curve with
// a singular speed still answers in bounded time, with the best estimate reached.
double IntegrateSpeed(const CCurve2d& c, double a, double b) {
    Piece stack[kInitialPieces + kMaxDepth + 2];
    int top = 0;
    double estimate = 0.0;
    const double width = b - a;
    for (int i = 0; i < kInitialPieces; ++i) {
        const double lo = a + width * i / kInitialPieces;
        const double hi = (i + 1 == kInitialPieces) ? b : a + width * (i + 1) / kInitialPieces;
        stack[top++] = GaussKronrod(c, lo, hi, 0);
        estimate += stack[top - 1].value;
    }
    const double tol = std::max(kLengthRelTol * std::abs(estimate), std::numeric_limits<double>::min());
    double sum = 0.0;
    int pieces = kInitialPieces;
    while (top > 0) {
        const Piece p = stack[--top];
        const double mid = 0.5 * (p.a + p.b);
        const bool accurate = p.error <= tol * ((p.b - p.a) / width);
        const bool unsplittable = !(mid > p.a && mid < p.b);
        if (accurate || unsplittable || p.depth >= kMaxDepth || pieces >= kMaxPieces) {
            sum += p.value;
            continue;
        }
        stack[top++] = GaussKronrod(c, p.a, mid, p.depth + 1);
        stack[top++] = GaussKronrod(c, mid, p.b, p.depth + 1);
        pieces += 2;
    }
    return sum;
}

// ---------------------------------------------------------------------------------------------
// Nearest point: sampling, then safeguarded Newton on f(t) = (P(t) - p) . P'(t).
// ---------------------------------------------------------------------------------------------

constexpr int kBaseSamples = 32;
constexpr int kMaxSamples = 1024;
constexpr int kMaxCandidates = 6;

double SqrDist(const CCurve2d& c, const Vec& p, double t) {
    const double d2 = c.GetPoint(t).SqrDistanceTo(p);
    return std::isfinite(d2) ? d2 : std::numeric_limits<double>::infinity();
}

// A sample that is no farther than its neighbours, with the bracket those neighbours span and
// the longer of the two chords to them (a bound on how much nearer the curve can come inside).
struct Candidate {
    double t, lo, hi, d2, reach;
};

// The kMaxCandidates nearest local minima of a sample sequence, nearest first; no allocation.
struct CandidateList {
    Candidate items[kMaxCandidates];
    int count = 0;

    void Offer(const Candidate& c) {
        if (count == kMaxCandidates && !(c.d2 < items[count - 1].d2)) return;
        int i = count < kMaxCandidates ? count++ : count - 1;
        while (i > 0 && c.d2 < items[i - 1].d2) {
            items[i] = items[i - 1];
            --i;
        }
        items[i] = c;
    }
};

// Samples [s, e] at n + 1 evenly spaced parameters, offering every discrete local minimum of the
// distance to p (ends included) to the list. When asked to measure, answers how winding the curve
// is (otherwise 1): its length over the
// diagonal of the samples' box (1 for a straight curve, about 2.2 for a circle). The length is
// the larger of the chord sum and the trapezoidal integral of the speed: chords alone miss most
// of a curve that winds faster than the sampling (a tight spiral), the speeds do not.
double CollectMinima(const CCurve2d& c, const Vec& p, double s, double e, int n, bool measure, CandidateList& out) {
    auto param = [&](int i) { return i == n ? e : s + (e - s) * (static_cast<double>(i) / n); };
    const double inf = std::numeric_limits<double>::infinity();
    Vec curPt = c.GetPoint(s);
    double prevD2 = inf, curD2 = SqrDist(c, p, s);
    double prevChord = 0.0, polyLen = 0.0, speedLen = 0.0, curSpeed = measure ? Speed(c, s) : 0.0;
    CBox2<double> box;
    if (IsFinite(curPt)) box.Add(curPt);
    for (int i = 0; i <= n; ++i) {
        double nextD2 = inf, chord = 0.0;
        Vec nextPt = curPt;
        if (i < n) {
            nextPt = c.GetPoint(param(i + 1));
            nextD2 = nextPt.SqrDistanceTo(p);
            if (!std::isfinite(nextD2)) nextD2 = inf;
            chord = nextPt.DistanceTo(curPt);
            if (!std::isfinite(chord)) chord = 0.0;
            if (IsFinite(nextPt)) box.Add(nextPt);
            polyLen += chord;
            if (measure) {
                const double nextSpeed = Speed(c, param(i + 1));
                speedLen += 0.5 * (curSpeed + nextSpeed) * (param(i + 1) - param(i));
                curSpeed = nextSpeed;
            }
        }
        if (curD2 <= prevD2 && curD2 <= nextD2 && curD2 < inf)
            out.Offer(Candidate{param(i), param(std::max(i - 1, 0)), param(std::min(i + 1, n)), curD2,
                                std::max(prevChord, chord)});
        curPt = nextPt;
        prevD2 = curD2;
        curD2 = nextD2;
        prevChord = chord;
    }
    if (!measure) return 1.0;
    const double diag = box.IsEmpty() ? 0.0 : std::hypot(box.Width(), box.Height());
    const double len = std::max(polyLen, std::isfinite(speedLen) ? speedLen : 0.0);
    return diag > 0.0 && std::isfinite(len) ? std::min(len / diag, 1e6) : 1.0;
}

// Sampling: kBaseSamples intervals; a curve that winds (long compared with its extent: spirals,
// many loops, tight wiggles) is sampled again, more densely, about 16 samples per winding unit.
void FindCandidates(const CCurve2d& c, const Vec& p, double s, double e, CandidateList& out) {
    const double windiness = CollectMinima(c, p, s, e, kBaseSamples, true, out);
    const int n = std::min(kMaxSamples, 16 * static_cast<int>(std::ceil(windiness)));
    if (n <= kBaseSamples + 16) return;
    out.count = 0;
    CollectMinima(c, p, s, e, n, false, out);
}

double NearFunction(const CCurve2d& c, const Vec& p, double t) { return (c.GetPoint(t) - p).Dot(c.GetDeriv1(t)); }

// Golden-section search of the distance on [a, b]: the fallback when the bracket shows no sign
// change of f to hunt with Newton.
double GoldenNearest(const CCurve2d& c, const Vec& p, double a, double b) {
    const double g = 0.5 * (std::sqrt(5.0) - 1.0);
    double x1 = b - g * (b - a), x2 = a + g * (b - a);
    double f1 = SqrDist(c, p, x1), f2 = SqrDist(c, p, x2);
    for (int it = 0; it < 80 && b - a > 4 * kEps * std::max(std::abs(a), std::abs(b)); ++it) {
        if (f1 <= f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = b - g * (b - a);
            f1 = SqrDist(c, p, x1);
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = a + g * (b - a);
            f2 = SqrDist(c, p, x2);
        }
    }
    return f1 <= f2 ? x1 : x2;
}

// Root of f on [a, b] with f(a) < 0 < f(b) (a local minimum of the distance): Newton steps that
// stay inside the shrinking bracket, bisection otherwise. Stops once a step moves the point by
// less than tol (tol <= 0: full precision).
double NewtonNearest(const CCurve2d& c, const Vec& p, double a, double b, double t, double tol) {
    for (int it = 0; it < 100; ++it) {
        const Vec d = c.GetPoint(t) - p, d1 = c.GetDeriv1(t), d2 = c.GetDeriv2(t);
        const double f = d.Dot(d1);
        if (!std::isfinite(f)) return 0.5 * (a + b);
        if (f == 0.0) return t;
        if (f < 0.0)
            a = t;
        else
            b = t;
        const double fp = d1.SqrLength() + d.Dot(d2);
        double next = t - f / fp;
        if (!(fp > 0.0) || !(next > a && next < b)) next = 0.5 * (a + b);
        const double step = std::abs(next - t);
        t = next;
        if (step <= 2 * kEps * std::max(std::abs(t), b - a) || b - a <= 2 * kEps * std::abs(t)) break;
        if (tol > 0.0 && step * d1.Length() <= tol * 1e-3) break;
    }
    return t;
}

// The local minimum of the distance that the candidate sample leads to.
double RefineCandidate(const CCurve2d& c, const Vec& p, const Candidate& k, double tol) {
    if (k.hi <= k.lo) return k.t;
    const double fMid = NearFunction(c, p, k.t);
    if (fMid == 0.0) return k.t;
    // Descend from the sample: the minimum lies on the side where the distance falls.
    const double a = fMid < 0.0 ? k.t : k.lo, b = fMid < 0.0 ? k.hi : k.t;
    if (a >= b) return k.t;  // the sample is a domain end and the distance grows inward
    const double fa = fMid < 0.0 ? fMid : NearFunction(c, p, a);
    const double fb = fMid < 0.0 ? NearFunction(c, p, b) : fMid;
    if (fa < 0.0 && fb > 0.0) return NewtonNearest(c, p, a, b, k.t, tol);
    return GoldenNearest(c, p, k.lo, k.hi);
}

// Keeps the nearer of two parameters; among equally near ones (to rounding) the smaller t.
void KeepNearer(double t, double d2, double& bestT, double& bestD2) {
    const double tie = 4e-12 * std::max(d2, bestD2);
    if (d2 < bestD2 - tie || (std::abs(d2 - bestD2) <= tie && t < bestT)) {
        bestT = t;
        bestD2 = d2;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CCurve2d
// ---------------------------------------------------------------------------------------------

// Where P' vanishes (a cusp, or a NURBS end with doubled control points) the direction of travel
// is that of P'' (leaving t; arriving, i.e. -P'', at the end of the domain). If that vanishes too,
// a short chord in the direction of travel decides. The zero vector only for a point curve.
CVec2<double> CCurve2d::TangentAt(double t) const {
    const double s = StartT(), e = EndT();
    if (!std::isfinite(t)) t = s;
    const double width = std::isfinite(e - s) ? e - s : 0.0;
    const Vec d1 = GetDeriv1(t);
    const Vec d2 = GetDeriv2(t);
    const bool d2Usable = IsFinite(d2) && d2.SqrLength() > 0.0;
    if (IsFinite(d1) && d1.SqrLength() > 0.0) {
        // P' is negligible when, over the whole domain, P'' would move the point 1e12 times farther.
        const bool negligible = d2Usable && d1.Length() <= 1e-12 * d2.Length() * width;
        if (!negligible) return d1.Normalized();
    }
    const bool atEnd = t >= e && width > 0.0;
    if (d2Usable) return (atEnd ? -d2 : d2).Normalized();
    if (!(width > 0.0)) return Vec();
    for (double frac = 1e-6; frac <= 1.0; frac *= 100.0) {
        const double h = width * frac;
        const Vec chord = atEnd ? GetPoint(t) - GetPoint(t - h) : GetPoint(t + h) - GetPoint(t);
        if (IsFinite(chord) && chord.SqrLength() > 0.0) return chord.Normalized();
    }
    return Vec();
}

double CCurve2d::LengthBetween(double t0, double t1) const {
    if (!std::isfinite(t0) || !std::isfinite(t1) || t0 == t1) return 0.0;
    if (t1 < t0) return -IntegrateSpeed(*this, t1, t0);
    return IntegrateSpeed(*this, t0, t1);
}

// The generic version measures along the domain only: t0 is clamped into [StartT(), EndT()]
// (a curve need not be defined beyond its domain). The root of the increasing function
// F(t) = length(t0, t) - length is bracketed and polished by Newton steps (F' = |P'|); lengths
// between successive iterates are integrated incrementally, so each step costs one short integral.
bool CCurve2d::PointAtLength(double t0, double length, double& t, double tol) const {
    const double s = StartT(), e = EndT();
    t0 = std::isfinite(t0) ? std::min(std::max(t0, s), e) : s;
    t = t0;
    if (!std::isfinite(length)) return false;
    if (length == 0.0) return true;
    const double end = length > 0.0 ? e : s;
    const double avail = LengthBetween(t0, end);  // same sign as length, or 0
    const double slack = tol > 0.0 ? tol : 1e-12 * std::max(std::abs(avail), 1.0);
    if (std::abs(length) >= std::abs(avail)) {
        t = end;
        return std::abs(length) - std::abs(avail) <= slack;
    }
    // F(lo) < 0 < F(hi) on the bracket between t0 and the end.
    double lo = std::min(t0, end), hi = std::max(t0, end);
    double fLo = length > 0.0 ? -length : avail - length;
    double fHi = length > 0.0 ? avail - length : -length;
    double tc = lo + (hi - lo) * (-fLo / (fHi - fLo));
    double fc = -length + LengthBetween(t0, tc);
    const double rootTol = tol > 0.0 ? tol : 1e-12 * std::abs(avail);
    for (int it = 0; it < 100 && std::abs(fc) > rootTol; ++it) {
        if (fc < 0.0)
            lo = tc;
        else
            hi = tc;
        if (hi - lo <= 4 * kEps * std::max(std::abs(lo), std::abs(hi))) break;
        const double speed = Speed(*this, tc);
        double next = speed > 0.0 ? tc - fc / speed : 0.5 * (lo + hi);
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        fc += LengthBetween(tc, next);
        tc = next;
    }
    t = tc;
    return true;
}

double CCurve2d::LengthAtPoint(const CVec2<double>& p) const { return LengthBetween(StartT(), GetNearestT(p, 0.0)); }

// Dense sampling finds the basins of the distance function; the nearest few discrete minima are
// polished by safeguarded Newton inside their brackets; a candidate is skipped when even the
// longest chord next to it could not bring it nearer than the best found so far.
double CCurve2d::GetNearestT(const CVec2<double>& p, double tol) const {
    const double s = StartT(), e = EndT();
    if (!(e > s) || !std::isfinite(s) || !std::isfinite(e) || !IsFinite(p)) return s;
    CandidateList list;
    FindCandidates(*this, p, s, e, list);
    double bestT = s, bestD2 = SqrDist(*this, p, s);
    KeepNearer(e, SqrDist(*this, p, e), bestT, bestD2);
    for (int i = 0; i < list.count; ++i) {
        const Candidate& k = list.items[i];
        const double floor = std::sqrt(k.d2) - 1.5 * k.reach;
        if (floor > 0.0 && floor * floor > bestD2) continue;
        const double t = RefineCandidate(*this, p, k, tol);
        KeepNearer(t, SqrDist(*this, p, t), bestT, bestD2);
    }
    return bestT;
}

bool CCurve2d::IsClosed() const {
    if (!StartPoint().IsEqual(EndPoint(), g_DistEpsilon)) return false;
    return Length() > 2.0 * g_DistEpsilon;
}

bool CCurve2d::IsDegenerate() const { return !(Length() >= g_DistEpsilon); }

bool CCurve2d::Extend(double, double) { return false; }

bool CCurve2d::Offset(double) { return false; }

}  // namespace zgp
