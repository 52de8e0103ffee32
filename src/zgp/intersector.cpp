// zgp: CCurvCurvIntersector, curve/curve intersection for every pair of curve kinds.
// Closed forms for lines and circles, a 1-D root search for conic pairs, subdivision otherwise.
#include "zgp/intersector.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "intersector_solver.h"
#include "kernel_math.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/mindist.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/tolerance.h"

namespace zgp {

using V = CVec2<double>;

namespace {

bool Finite(const V& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// ---------------------------------------------------------------------------------------------
// Segment / segment and infinite line / line, in closed form. This path runs millions of times a
// second in drawing code: it touches no heap beyond out's capacity and calls nothing virtual but
// the range accessors.

struct SSeg {
    V o, d;
    double lo, hi;
    V At(double t) const { return o + d * t; }
    double Project(const V& p) const { return d.Dot(p - o); }
    double ProjectClamped(const V& p) const { return std::clamp(Project(p), lo, hi); }
};

void PushPoint(std::vector<CCurvCurvIntPt>& out, const SSeg& a, const SSeg& b, double t1, double t2, int kind) {
    CCurvCurvIntPt r;
    r.point = (a.At(t1) + b.At(t2)) * 0.5;
    if (!Finite(r.point)) return;
    r.t1 = t1;
    r.t2 = t2;
    r.kind = kind;
    out.push_back(r);
}

// A segment no longer than the tolerance is a point: it touches the other (kind 1) or nothing.
int ShortSegments(const SSeg& a, const SSeg& b, bool shortA, bool shortB, double tol,
                  std::vector<CCurvCurvIntPt>& out) {
    const double m1 = 0.5 * (a.lo + a.hi), m2 = 0.5 * (b.lo + b.hi);
    if (shortA && shortB) {
        if (a.At(m1).SqrDistanceTo(b.At(m2)) <= tol * tol) PushPoint(out, a, b, m1, m2, 1);
    } else if (shortA) {
        const double u = b.ProjectClamped(a.At(m1));
        if (a.At(m1).SqrDistanceTo(b.At(u)) <= tol * tol) PushPoint(out, a, b, m1, u, 1);
    } else {
        const double u = a.ProjectClamped(b.At(m2));
        if (b.At(m2).SqrDistanceTo(a.At(u)) <= tol * tol) PushPoint(out, a, b, u, m2, 1);
    }
    return static_cast<int>(out.size());
}

// Segments on one line (within tol): the shared stretch's ends (kind 2), or a single point
// (kind 1) when the stretch is no longer than tol (segments meeting end to end).
int CollinearSegments(const SSeg& a, const SSeg& b, double tol, std::vector<CCurvCurvIntPt>& out) {
    const double u0 = a.Project(b.At(b.lo)), u1 = a.Project(b.At(b.hi));
    const double s = std::max(a.lo, std::min(u0, u1)), e = std::min(a.hi, std::max(u0, u1));
    if (!(e >= s - tol)) return 0;
    if (e - s <= tol) {
        const double t = std::clamp(0.5 * (s + e), a.lo, a.hi);
        PushPoint(out, a, b, t, b.ProjectClamped(a.At(t)), 1);
    } else {
        PushPoint(out, a, b, s, b.ProjectClamped(a.At(s)), 2);
        PushPoint(out, a, b, e, b.ProjectClamped(a.At(e)), 2);
    }
    return static_cast<int>(out.size());
}

// When the lines cross outside the segments, an end of one may still lie within tol of the other
// (a shallow crossing just past the end): that end is the meeting point.
int NearestEndContact(const SSeg& a, const SSeg& b, double tol, std::vector<CCurvCurvIntPt>& out) {
    double best = std::numeric_limits<double>::infinity(), bt1 = 0.0, bt2 = 0.0;
    for (double t : {a.lo, a.hi}) {
        const double u = b.ProjectClamped(a.At(t));
        const double d = a.At(t).SqrDistanceTo(b.At(u));
        if (d < best) {
            best = d;
            bt1 = t;
            bt2 = u;
        }
    }
    for (double t : {b.lo, b.hi}) {
        const double u = a.ProjectClamped(b.At(t));
        const double d = b.At(t).SqrDistanceTo(a.At(u));
        if (d < best) {
            best = d;
            bt1 = u;
            bt2 = t;
        }
    }
    if (best <= tol * tol) PushPoint(out, a, b, bt1, bt2, 0);
    return static_cast<int>(out.size());
}

// Infinite lines: one crossing, none when parallel. Lines that coincide (parallel within
// g_AngleEpsilon and within tol of each other) overlap everywhere; they answer the ends of the
// first line's stored stretch as the overlap pair (one point when that stretch is shorter than tol).
int InfiniteLines(const SSeg& a, const SSeg& b, double tol, std::vector<CCurvCurvIntPt>& out) {
    const V w = b.o - a.o;
    const double cr = a.d.Cross(b.d);
    if (std::abs(cr) <= g_AngleEpsilon && std::abs(a.d.Cross(w)) <= tol) {
        if (a.hi - a.lo <= tol) {
            PushPoint(out, a, b, a.lo, b.Project(a.At(a.lo)), 1);
        } else {
            PushPoint(out, a, b, a.lo, b.Project(a.At(a.lo)), 2);
            PushPoint(out, a, b, a.hi, b.Project(a.At(a.hi)), 2);
        }
        return static_cast<int>(out.size());
    }
    if (!(std::abs(cr) >= 1e-14)) return 0;
    PushPoint(out, a, b, w.Cross(b.d) / cr, w.Cross(a.d) / cr, 0);
    return static_cast<int>(out.size());
}

int LineLine(const CLine2d& la, const CLine2d& lb, bool ext, double tol, std::vector<CCurvCurvIntPt>& out) {
    const SSeg a{la.Origin(), la.Direction(), la.StartT(), la.EndT()};
    const SSeg b{lb.Origin(), lb.Direction(), lb.StartT(), lb.EndT()};
    // The tolerance plus a few ulps of the coordinates involved, so that tol = 0 still finds
    // points that are exact up to rounding.
    const double tolE = tol + 1e-12 * (std::abs(a.o.x) + std::abs(a.o.y) + std::abs(b.o.x) + std::abs(b.o.y) +
                                       std::abs(a.lo) + std::abs(a.hi) + std::abs(b.lo) + std::abs(b.hi));
    if (ext) return InfiniteLines(a, b, tolE, out);
    // Most pairs in a drawing are far apart: their boxes settle it.
    const V a0 = a.At(a.lo), a1 = a.At(a.hi), b0 = b.At(b.lo), b1 = b.At(b.hi);
    if (std::min(a0.x, a1.x) > std::max(b0.x, b1.x) + tolE || std::max(a0.x, a1.x) < std::min(b0.x, b1.x) - tolE ||
        std::min(a0.y, a1.y) > std::max(b0.y, b1.y) + tolE || std::max(a0.y, a1.y) < std::min(b0.y, b1.y) - tolE)
        return 0;
    const bool shortA = a.hi - a.lo <= tolE, shortB = b.hi - b.lo <= tolE;
    if (shortA || shortB) return ShortSegments(a, b, shortA, shortB, tolE, out);

    const double ea0 = a.d.Cross(b0 - a.o), ea1 = a.d.Cross(b1 - a.o);
    const double eb0 = b.d.Cross(a0 - b.o), eb1 = b.d.Cross(a1 - b.o);
    if ((std::abs(ea0) <= tolE && std::abs(ea1) <= tolE) || (std::abs(eb0) <= tolE && std::abs(eb1) <= tolE))
        return CollinearSegments(a, b, tolE, out);

    const double cr = a.d.Cross(b.d);
    if (cr != 0.0) {
        const V w = b.o - a.o;
        const double t1 = w.Cross(b.d) / cr, t2 = w.Cross(a.d) / cr;
        if (t1 >= a.lo - tolE && t1 <= a.hi + tolE && t2 >= b.lo - tolE && t2 <= b.hi + tolE) {
            PushPoint(out, a, b, std::clamp(t1, a.lo, a.hi), std::clamp(t2, b.lo, b.hi), 0);
            return static_cast<int>(out.size());
        }
    }
    return NearestEndContact(a, b, tolE, out);
}

template <class Fn>
double Bisect(const Fn& f, double a, double b, double fa, double fb) {
    if (fa == 0.0) return a;
    if (fb == 0.0) return b;
    const bool negA = fa < 0.0;
    for (int i = 0; i < 200; ++i) {
        const double m = 0.5 * (a + b);
        if (!(m > a && m < b)) break;
        const double fm = f(m);
        if (fm == 0.0) return m;
        if ((fm < 0.0) == negA)
            a = m;
        else
            b = m;
    }
    return 0.5 * (a + b);
}

double BoxMaxAbs(const CBox2<double>& b) {
    return std::max(std::max(std::abs(b.min.x), std::abs(b.max.x)), std::max(std::abs(b.min.y), std::abs(b.max.y)));
}

bool BoxFinite(const CBox2<double>& b) {
    return !b.IsEmpty() && std::isfinite(b.min.x) && std::isfinite(b.min.y) && std::isfinite(b.max.x) &&
           std::isfinite(b.max.y);
}

// Box of the whole ellipse (or circle) of a conic.
CBox2<double> ConicBox(const detail::SConic& cn) {
    const double hx = std::hypot(cn.a * cn.u.x, cn.b * cn.v.x), hy = std::hypot(cn.a * cn.u.y, cn.b * cn.v.y);
    return CBox2<double>(cn.c.x - hx, cn.c.y - hy, cn.c.x + hx, cn.c.y + hy);
}

// A box containing the curve: a NURBS curve's control points (its convex hull holds the curve,
// and is far cheaper than the exact box), otherwise the curve's own box.
CBox2<double> HullOrBox(const CCurve2d& c) {
    auto n = dynamic_cast<const CNurbsCurve2d*>(&c);
    if (!n) return c.Box();
    CBox2<double> box;
    for (int i = 0; i < n->CtrlPtCount(); ++i) box.Add(n->CtrlPt(i));
    return box;
}

int Query(const CCurve2d& a, const CCurve2d& b, bool ext, double tol, std::vector<CCurvCurvIntPt>& out) {
    out.clear();
    if (!(tol >= 0.0) || !std::isfinite(tol)) tol = 0.0;
    try {
        // The kind number identifies the kernel's line class; the cast is exact.
        if (a.Type() == GT_LINE && b.Type() == GT_LINE)
            return LineLine(static_cast<const CLine2d&>(a), static_cast<const CLine2d&>(b), ext, tol, out);
        detail::CIntersectSolver solver(a, b, ext, tol);
        return solver.Run(out);
    } catch (const std::bad_alloc&) {
        // The subdivision and root lists grow with the curves; when memory runs out the query
        // answers nothing found. Any other exception is a fault in the kernel and goes to the caller.
        out.clear();
        return 0;
    }
}

}  // namespace

namespace detail {

double ParamNearestRange(double t0, double lo, double hi, double period) {
    if (!(period > 0.0) || !std::isfinite(t0)) return t0;
    double t = lo + std::fmod(t0 - lo, period);
    if (t < lo) t += period;
    if (t >= lo + period) t -= period;
    if (t <= hi) return t;
    return (t - hi <= lo + period - t) ? t : t - period;
}

CIntersectSolver::CIntersectSolver(const CCurve2d& a, const CCurve2d& b, bool ext, double tol)
    : m_ext(ext), m_tol(tol) {
    m_s[0].c = &a;
    m_s[1].c = &b;
}

// Fills both sides; false when either curve has non-finite data (then nothing is found).
bool CIntersectSolver::Prepare(const CCurve2d& a, const CCurve2d& b) {
    for (int i = 0; i < 2; ++i) {
        SSide& s = m_s[i];
        const CCurve2d& c = i == 0 ? a : b;
        s.c = &c;
        s.kind = c.Type();
        s.lo = c.StartT();
        s.hi = c.EndT();
        if (!std::isfinite(s.lo) || !std::isfinite(s.hi) || s.hi < s.lo) return false;
        if (s.kind == GT_LINE) {
            s.line = dynamic_cast<const CLine2d*>(&c);
            if (!s.line) s.kind = GT_NURBS;
        } else if (s.kind == GT_ARC) {
            const CArc2d* arc = dynamic_cast<const CArc2d*>(&c);
            if (!arc) {
                s.kind = GT_NURBS;
            } else if (arc->Radius() > 0.0 && std::isfinite(arc->Radius())) {
                const double r = arc->Radius();
                s.cn.c = arc->CenterPt();
                s.cn.a = s.cn.b = r;
                s.cn.k = (arc->Sense() < 0 ? -1.0 : 1.0) * r;
                s.conic = s.implicitOk = true;
                s.period = kTwoPi * r;
            }
        } else if (s.kind == GT_ELLIPSE) {
            const CEllipse2d* el = dynamic_cast<const CEllipse2d*>(&c);
            if (!el) {
                s.kind = GT_NURBS;
            } else {
                const double ea = el->MajorRadius(), eb = el->MinorRadius();
                const V axis = el->Axis().Normalized();
                if (ea > 0.0 && eb > 0.0 && std::isfinite(ea) && std::isfinite(eb) && axis.SqrLength() > 0.0) {
                    s.cn.c = el->CenterPt();
                    s.cn.u = axis;
                    s.cn.v = axis.Perp();
                    s.cn.a = ea;
                    s.cn.b = eb;
                    s.cn.k = (el->Sense() < 0 ? -1.0 : 1.0) * ea;
                    s.conic = true;
                    // A flat ellipse has an ill-conditioned unit-circle frame: subdivide instead.
                    s.implicitOk = std::min(ea, eb) > std::max(m_tol, 1e-9 * std::max(ea, eb));
                    s.period = kTwoPi * ea;
                }
            }
        } else {
            s.kind = GT_NURBS;
        }
        s.ext = m_ext && s.Analytic();
        s.infinite = s.ext && s.kind == GT_LINE;
        s.slo = s.lo;
        s.shi = s.hi;
        s.box = HullOrBox(c);
        if (s.ext && s.conic) {
            s.shi = s.lo + s.period;
            s.box = ConicBox(s.cn);
        }
        s.closed = (s.ext && s.kind != GT_LINE) || (!s.infinite && c.IsClosed());
        if (!BoxFinite(s.box) || !Finite(s.At(s.lo)) || !Finite(s.At(s.hi))) return false;
    }
    m_scale = std::max(1.0, std::max(BoxMaxAbs(m_s[0].box), BoxMaxAbs(m_s[1].box)));
    m_slack = 4e-12 * m_scale;
    // An infinite line is searched over the stretch that crosses the other curve's box.
    for (int i = 0; i < 2; ++i) {
        SSide& s = m_s[i];
        if (!s.infinite) continue;
        const CBox2<double>& ob = m_s[1 - i].box;
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const V& corner : {ob.min, ob.max, V(ob.min.x, ob.max.y), V(ob.max.x, ob.min.y)}) {
            const double t = s.line->Direction().Dot(corner - s.line->Origin());
            lo = std::min(lo, t);
            hi = std::max(hi, t);
        }
        const double pad = m_tol + m_slack + 1e-9 * (hi - lo);
        s.slo = lo - pad;
        s.shi = hi + pad;
    }
    return true;
}

bool CIntersectSolver::Settle(int i, double& t, bool fold) const {
    const SSide& s = m_s[i];
    if (!std::isfinite(t)) return false;
    if (fold && s.period > 0.0) t = ParamNearestRange(t, s.lo, s.hi, s.period);
    if (s.ext) return true;
    const double tc = std::clamp(t, s.lo, s.hi);
    if (tc != t) {
        if (s.At(t).DistanceTo(s.At(tc)) > m_tol + m_slack) return false;
        t = tc;
    }
    return true;
}

int CIntersectSolver::KindFromTangents(double t1, double t2) const {
    const V d1 = m_s[0].D1(t1), d2 = m_s[1].D1(t2);
    const double l1 = d1.Length(), l2 = d2.Length();
    if (!(l1 > 0.0) || !(l2 > 0.0)) return 1;
    return std::abs(d1.Cross(d2)) <= g_AngleEpsilon * l1 * l2 ? 1 : 0;
}

void CIntersectSolver::Add(int i, double ti, double tj, int kind, bool foldI, bool foldJ) {
    double t[2];
    bool fold[2];
    t[i] = ti;
    t[1 - i] = tj;
    fold[i] = foldI;
    fold[1 - i] = foldJ;
    if (!Settle(0, t[0], fold[0]) || !Settle(1, t[1], fold[1])) return;
    const V p0 = m_s[0].At(t[0]), p1 = m_s[1].At(t[1]);
    if (!Finite(p0) || !Finite(p1) || p0.DistanceTo(p1) > 2.0 * m_tol + m_slack) return;
    if (kind < 0) kind = KindFromTangents(t[0], t[1]);
    m_cands.push_back(SCand{(p0 + p1) * 0.5, t[0], t[1], kind});
}

double CIntersectSolver::NearestParam(int i, const V& p, double* dist) const {
    CCurve2dMindist md(m_s[i].c, m_s[i].ext);
    md.SetQueryPoint(p);
    if (dist) *dist = md.GetDistance();
    return md.GetParam();
}

double CIntersectSolver::EndContact(int i, int e, double* dist) {
    SEndContact& c = m_endContact[i][e];
    if (!c.known) {
        c.t = NearestParam(1 - i, m_s[i].At(e == 0 ? m_s[i].lo : m_s[i].hi), &c.dist);
        c.known = true;
    }
    *dist = c.dist;
    return c.t;
}

// A curve no bigger than the tolerance is a point.
bool CIntersectSolver::IsPointLike(int i) const {
    const SSide& s = m_s[i];
    if (s.infinite) return false;
    if (s.ext && (s.kind == GT_ARC || s.kind == GT_ELLIPSE)) return std::max(s.cn.a, s.cn.b) <= 0.5 * m_tol;
    return std::hypot(s.box.Width(), s.box.Height()) <= m_tol;
}

// A point-like curve touches the other (kind 1) when it lies within the tolerance of it.
bool CIntersectSolver::PointCurves() {
    const bool p0 = IsPointLike(0), p1 = IsPointLike(1);
    if (!p0 && !p1) return false;
    const int pi = p0 ? 0 : 1, oi = 1 - pi;
    const V p = m_s[pi].At(m_s[pi].lo);
    if (p0 && p1) {
        if (p.DistanceTo(m_s[oi].At(m_s[oi].lo)) <= m_tol + m_slack) Add(pi, m_s[pi].lo, m_s[oi].lo, 1);
        return true;
    }
    double d = 0.0;
    const double to = NearestParam(oi, p, &d);
    if (d <= m_tol + m_slack) Add(pi, NearestParam(pi, m_s[oi].At(to), nullptr), to, 1);
    return true;
}

// A line against an arc or ellipse, exactly: in the frame where the conic is the unit circle the
// line stays a line, and its parameter (arc length on the line) is unchanged. Two crossings
// closer than the tolerance, or a miss by no more than it, are one touching point: the conic's
// point whose tangent is parallel to the line.
void CIntersectSolver::LineConic(int li) {
    const int ci = 1 - li;
    const CLine2d& line = *m_s[li].line;
    const SConic& cn = m_s[ci].cn;
    const V d = line.Direction();
    // Work from the line's point nearest the centre: keeps the unit-frame numbers small.
    const double t0 = d.Dot(cn.c - line.Origin());
    const V o = line.Origin() + d * t0;
    const V q0 = cn.Unit(o), e = cn.UnitDir(d);
    const double ee = e.SqrLength();
    if (!(ee > 0.0)) return;
    const double tc = -q0.Dot(e) / ee;
    const V qc = q0 + e * tc;
    const double h = qc.Length();
    const V n = h > 0.0 ? qc / h : e.Perp() / std::sqrt(ee);
    const double phiT = n.Angle();
    if (h < 1.0) {
        const double w = std::sqrt((1.0 - h) * (1.0 + h) / ee);
        if (2.0 * w > m_tol) {
            for (double s : {-1.0, 1.0}) {
                const double t = tc + s * w;
                Add(li, t0 + t, cn.k * (q0 + e * t).Angle(), 0);
            }
            return;
        }
    }
    const V x = cn.At(phiT);
    if (std::abs(d.Cross(x - o)) > m_tol + m_slack) return;
    Add(li, t0 + d.Dot(x - o), cn.k * phiT, 1);
}

// Two circles in closed form. Crossings closer than the tolerance, or circles that miss by no
// more than it, touch (kind 1) on the line of centres.
void CIntersectSolver::CircleCircle() {
    const SConic& A = m_s[0].cn;
    const SConic& B = m_s[1].cn;
    const double r1 = A.a, r2 = B.a;
    const V D = B.c - A.c;
    const double d = D.Length();
    const double tol = m_tol + m_slack;
    if (d <= tol && std::abs(r1 - r2) <= tol) {
        ConicOverlap();
        return;
    }
    if (d > r1 + r2 + tol || d < std::abs(r1 - r2) - tol || !(d > 0.0)) return;
    const V u = D / d;
    const double a = 0.5 * (d + (r1 - r2) * (r1 + r2) / d);  // from A's centre to the chord
    const double h2 = (r1 - a) * (r1 + a);
    if (h2 <= 0.25 * m_tol * m_tol) {
        const V dir = a >= 0.0 ? u : -u;
        const V p = A.c + dir * r1;
        Add(0, A.k * dir.Angle(), B.k * (p - B.c).Angle(), 1);
        return;
    }
    const double h = std::sqrt(h2);
    for (double s : {-1.0, 1.0}) {
        const V p = A.c + u * a + u.Perp() * (s * h);
        Add(0, A.k * (p - A.c).Angle(), B.k * (p - B.c).Angle(), 0);
    }
}

// Two arcs or ellipses on one conic. Both are turned into counter-clockwise intervals of the first
// curve's eccentric angle; each shared piece gives its two ends (kind 2), or one point (kind 1)
// when it is no longer than the tolerance. Pieces are cut at the first curve's seam, so each pair
// is an increasing stretch of t1.
void CIntersectSolver::ConicOverlap() {
    const SSide& sp = m_s[0];
    const SSide& sq = m_s[1];
    const SConic& P = sp.cn;
    const double kp = P.k;
    const double w1 = std::min((sp.shi - sp.slo) / std::abs(kp), kTwoPi);
    const double tStart = kp > 0.0 ? sp.slo : sp.shi;  // parameter at the interval's start x0
    const double x0 = tStart / kp;
    const double w2 = std::min((sq.shi - sq.slo) / std::abs(sq.cn.k), kTwoPi);
    const double as = P.Phi(sq.At(sq.slo)), ae = P.Phi(sq.At(sq.shi));
    const bool ccw = sq.D1(sq.slo).Dot(P.DAt(as)) >= 0.0;
    double dlt = std::fmod((ccw ? as : ae) - x0, kTwoPi);
    if (dlt < 0.0) dlt += kTwoPi;
    if (dlt >= kTwoPi - 1e-12) dlt = 0.0;

    double pieces[2][2];
    int n = 0;
    if (dlt <= w1) {
        pieces[n][0] = dlt;
        pieces[n][1] = std::min(dlt + w2, w1);
        ++n;
    }
    if (dlt + w2 > kTwoPi) {
        const double e = std::min(dlt + w2 - kTwoPi, w1);
        if (n == 1 && e >= pieces[0][0] - 1e-12) {
            pieces[0][0] = 0.0;  // the second curve wraps onto itself: one piece
            pieces[0][1] = std::max(pieces[0][1], e);
        } else {
            pieces[n][0] = 0.0;
            pieces[n][1] = e;
            ++n;
        }
    }
    auto tq = [&](const V& p) { return sq.cn.k * sq.cn.Phi(p); };
    for (int i = 0; i < n; ++i) {
        const double r0 = pieces[i][0], r1 = pieces[i][1];
        const V pa = P.At(x0 + r0), pb = P.At(x0 + r1);
        const double ta = tStart + kp * r0, tb = tStart + kp * r1;
        if (r1 - r0 < kPi && pa.DistanceTo(pb) <= m_tol) {
            const double rm = 0.5 * (r0 + r1);
            Add(0, tStart + kp * rm, tq(P.At(x0 + rm)), 1, false, true);
            continue;
        }
        Add(0, ta, tq(pa), 2, false, true);
        Add(0, tb, tq(pb), 2, false, true);
        AddOverlap(std::min(ta, tb), std::max(ta, tb));
    }
}

// An arc or ellipse (side pi, parametrised by its eccentric angle) against the implicit equation
// of the other: f(phi) = |unit(P(phi))|^2 - 1. f is a trigonometric polynomial of degree 2 (at most
// four roots a turn); it is sampled densely, sign changes are bracketed and bisected, and extrema
// of f between samples are checked for a touch (|f| within the tolerance, in distance) or a hidden
// pair of roots.
void CIntersectSolver::ConicConic(int pi) {
    const int qi = 1 - pi;
    const SSide& sp = m_s[pi];
    const SConic& P = sp.cn;
    const SConic& Q = m_s[qi].cn;
    const double tol = m_tol + m_slack;

    const V W = Q.Unit(P.c), Pm = Q.UnitDir(P.u * P.a), Qm = Q.UnitDir(P.v * P.b);
    const double coef = std::abs(W.SqrLength() - 1.0 + 0.5 * (Pm.SqrLength() + Qm.SqrLength())) +
                        std::abs(2.0 * W.Dot(Pm)) + std::abs(2.0 * W.Dot(Qm)) +
                        std::abs(0.5 * (Pm.SqrLength() - Qm.SqrLength())) + std::abs(Pm.Dot(Qm));
    // |f| bounds the distance from the other conic to within half its larger radius.
    if (coef * 0.5 * std::max(Q.a, Q.b) <= tol) {
        ConicOverlap();
        return;
    }

    double f0 = sp.slo / P.k, f1 = sp.shi / P.k;
    if (f0 > f1) std::swap(f0, f1);
    if (!sp.closed && !sp.ext) {
        const double pad = tol / std::min(P.a, P.b);  // ends count within the tolerance
        f0 -= pad;
        f1 += pad;
    }
    if (f1 - f0 > kTwoPi) {
        const double mid = 0.5 * (f0 + f1);
        f0 = mid - kPi;
        f1 = mid + kPi;
    }
    const int n = std::clamp(static_cast<int>(std::ceil(256.0 * (f1 - f0) / kTwoPi)), 32, 4096);

    // In Q's unit frame P is W + Pm cos(phi) + Qm sin(phi).
    auto F = [&](double phi) { return (W + Pm * std::cos(phi) + Qm * std::sin(phi)).SqrLength() - 1.0; };
    auto G = [&](double phi) {
        const double c = std::cos(phi), s = std::sin(phi);
        return 2.0 * (W + Pm * c + Qm * s).Dot(Qm * c - Pm * s);
    };
    auto distOf = [&](double phi, double f) {
        const V q = Q.Unit(P.At(phi));
        const double g = 2.0 * (Q.u * (q.x / Q.a) + Q.v * (q.y / Q.b)).Length();
        return g > 0.0 ? std::abs(f) / g : std::numeric_limits<double>::infinity();
    };
    auto emit = [&](double phi, int kind) {
        const V x = P.At(phi);
        Add(pi, P.k * phi, Q.k * Q.Phi(x), kind);
    };

    auto both = [&](double phi, double& f, double& g) {
        const double c = std::cos(phi), s = std::sin(phi);
        const V q = W + Pm * c + Qm * s;
        f = q.SqrLength() - 1.0;
        g = 2.0 * q.Dot(Qm * c - Pm * s);
    };
    double pa = f0, fa = 0.0, ga = 0.0;
    both(pa, fa, ga);
    if (fa == 0.0) emit(pa, -1);
    for (int i = 1; i <= n; ++i) {
        const double pb = f0 + (f1 - f0) * i / n;
        double fb = 0.0, gb = 0.0;
        both(pb, fb, gb);
        if (fb == 0.0) {
            emit(pb, -1);
        } else if (fa != 0.0 && (fa < 0.0) != (fb < 0.0)) {
            emit(Bisect(F, pa, pb, fa, fb), -1);
        } else if ((ga > 0.0) != (gb > 0.0) && fa != 0.0) {
            const double pe = Bisect(G, pa, pb, ga, gb);
            const double fe = F(pe);
            if (fe != 0.0 && (fe < 0.0) != (fa < 0.0)) {
                emit(Bisect(F, pa, pe, fa, fe), -1);
                emit(Bisect(F, pe, pb, fe, fb), -1);
            } else if (fe == 0.0 || distOf(pe, fe) <= tol) {
                emit(pe, 1);
            }
        }
        pa = pb;
        fa = fb;
        ga = gb;
    }
}

// An open curve's end within the tolerance of the other curve meets it there even when the
// curves' crossing lies just past the end (shallow angles).
void CIntersectSolver::EndTouches() {
    for (int i = 0; i < 2; ++i) {
        const SSide& s = m_s[i];
        if (s.infinite || s.closed) continue;
        for (int e = 0; e < 2; ++e) {
            const double t = e == 0 ? s.lo : s.hi;
            const V p = s.At(t);
            if (!m_s[1 - i].infinite && !m_s[1 - i].box.Contains(p, m_tol + m_slack)) continue;
            bool known = false;
            for (const SCand& c : m_cands) known = known || c.p.DistanceTo(p) <= m_tol + m_slack;
            if (known) continue;
            double d = 0.0;
            const double tj = EndContact(i, e, &d);
            if (d <= m_tol + m_slack) Add(i, t, tj, -1);
        }
    }
}

// Two touches are one contact when the first curve between them stays within the tolerance of
// the second: at a tangency Newton stops wherever the gap falls below its threshold, which can be
// far more than the tolerance from the true contact along the tangent.
bool CIntersectSolver::SameContact(const CCurvCurvIntPt& r, const SCand& c) const {
    if (r.point.DistanceTo(c.p) > 1e-3 * m_scale) return false;
    for (double f : {0.25, 0.5, 0.75}) {
        double u = r.t2 + (c.t2 - r.t2) * f;
        if (ProjectLocal(1, m_s[0].At(r.t1 + (c.t1 - r.t1) * f), u) > m_tol + m_slack) return false;
    }
    return true;
}

// Sorts by t1 and merges points within the tolerance. Overlap ends (kind 2) are kept as they are
// and absorb any other point near them; points inside an overlap stretch are dropped. Two merged
// points that were distinct roots (apart by more than a thousandth of the tolerance) were the
// entry and exit of a touch: the survivor becomes kind 1. Touches of one contact merge too.
int CIntersectSolver::Finish(std::vector<CCurvCurvIntPt>& out) {
    std::stable_sort(m_cands.begin(), m_cands.end(), [](const SCand& x, const SCand& y) { return x.t1 < y.t1; });
    const double tol = m_tol + m_slack;
    out.clear();
    for (const SCand& c : m_cands)
        if (c.kind == 2) out.push_back(CCurvCurvIntPt{c.p, c.t1, c.t2, 2});
    const size_t ends = out.size();
    for (const SCand& c : m_cands) {
        if (c.kind == 2) continue;
        bool drop = false;
        for (size_t j = 0; j < ends && !drop; ++j) drop = out[j].point.DistanceTo(c.p) <= tol;
        for (const SStretch& s : m_overlaps) drop = drop || (c.t1 > s.t1a && c.t1 < s.t1b);
        if (drop) continue;
        size_t hit = out.size();
        for (size_t j = ends; j < out.size() && hit == out.size(); ++j)
            if (out[j].point.DistanceTo(c.p) <= tol || (c.kind == 1 && out[j].kind == 1 && SameContact(out[j], c)))
                hit = j;
        if (hit == out.size()) {
            out.push_back(CCurvCurvIntPt{c.p, c.t1, c.t2, c.kind});
            continue;
        }
        CCurvCurvIntPt& r = out[hit];
        if (r.kind == 1 || c.kind == 1 || r.point.DistanceTo(c.p) > 1e-3 * m_tol) r.kind = 1;
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const CCurvCurvIntPt& x, const CCurvCurvIntPt& y) { return x.t1 < y.t1; });
    return static_cast<int>(out.size());
}

int CIntersectSolver::Run(std::vector<CCurvCurvIntPt>& out) {
    out.clear();
    m_cands.clear();
    m_overlaps.clear();
    if (!Prepare(*m_s[0].c, *m_s[1].c)) return 0;
    if (!m_s[0].infinite && !m_s[1].infinite && !m_s[0].box.Overlaps(m_s[1].box, m_tol + m_slack)) return 0;
    if (!PointCurves()) {
        const SSide& A = m_s[0];
        const SSide& B = m_s[1];
        if (A.kind == GT_LINE && B.implicitOk) {
            LineConic(0);
        } else if (B.kind == GT_LINE && A.implicitOk) {
            LineConic(1);
        } else if (A.kind == GT_ARC && B.kind == GT_ARC && A.conic && B.conic) {
            CircleCircle();
        } else if (A.implicitOk && B.implicitOk) {
            // Parametrise the less round curve; the rounder one's implicit form is the better
            // conditioned. A circle is always the implicit one.
            const double ra = A.kind == GT_ARC ? 2.0 : std::min(A.cn.a, A.cn.b) / std::max(A.cn.a, A.cn.b);
            const double rb = B.kind == GT_ARC ? 2.0 : std::min(B.cn.a, B.cn.b) / std::max(B.cn.a, B.cn.b);
            ConicConic(ra >= rb ? 1 : 0);
        } else {
            Subdivide();
        }
        EndTouches();
    }
    return Finish(out);
}

}  // namespace detail

CCurvCurvIntersector::CCurvCurvIntersector() : m_tol(g_DistEpsilon) {}

// Where the header leaves room, a CAD user's expectations decide:
//  - a curve no bigger than the tolerance is a point: it touches (kind 1) or meets nothing;
//  - collinear segments or arcs of one circle meeting end to end touch once (kind 1); kind 2
//    points always come in pairs, one pair per shared stretch, each an increasing stretch of t1;
//  - a shared stretch shorter than the tolerance is one touch;
//  - a negative or non-finite tolerance counts as 0 (points still agree to rounding);
//  - broken input (non-finite data) meets nothing.

// Results keep t1 on the first argument whatever the order of kinds. Parameters of the bounded
// query lie inside the stored ranges; a crossing past an end by no more than the tolerance (in
// distance) is reported at that end.
int CCurvCurvIntersector::Intersect(const CCurve2d& a, const CCurve2d& b, std::vector<CCurvCurvIntPt>& out) const {
    return Query(a, b, false, m_tol, out);
}

// On the extensions an arc's or ellipse's parameter is the one nearest its stored range (inside
// it when the point is on the stored arc); an overlap of two whole conics runs over one full turn
// of the first from its start parameter.
int CCurvCurvIntersector::IntersectEx(const CCurve2d& a, const CCurve2d& b, std::vector<CCurvCurvIntPt>& out) const {
    return Query(a, b, true, m_tol, out);
}

}  // namespace zgp
