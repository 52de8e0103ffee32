// zgp: the general intersection solver, used for NURBS curves and flat ellipses: recursive
// subdivision on boxes that contain each piece, then Newton refinement on both parameters.
#include <algorithm>
#include <cmath>
#include <limits>

#include "intersector_solver.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/tolerance.h"

namespace zgp {
namespace detail {

using V = CVec2<double>;

namespace {

constexpr double kQuarterPi = 0.78539816339744830962;

// A parameter interval of one curve with a box that contains the curve over it. Bézier pieces
// (NURBS curves) keep their homogeneous control points in the owner's pool: the control hull
// contains a rational Bézier curve with positive weights. Analytic pieces use the chord's box
// grown by the bound K h^2 / 8 on the distance of a curve from its chord, K bounding |P''(t)|.
struct SPiece {
    double t0 = 0.0, t1 = 0.0;
    CBox2<double> box;
    int ctrl = -1;  // offset of 3 (deg + 1) doubles (w x, w y, w) in the pool, -1 when analytic
};

class CSubCurve {
public:
    explicit CSubCurve(const SSide& s) : m_side(s) {
        if (s.kind == GT_NURBS && BuildBezier()) return;
        m_k = CurvatureBound();
        const double span =
            s.kind == GT_LINE || !(s.period > 0.0) ? 0.0 : (s.shi - s.slo) * 6.283185307179586 / s.period;
        const int n = std::clamp(static_cast<int>(std::ceil(span / kQuarterPi)), 1, 64);
        for (int i = 0; i < n; ++i)
            m_initial.push_back(Analytic(s.slo + (s.shi - s.slo) * i / n, s.slo + (s.shi - s.slo) * (i + 1) / n));
    }

    const std::vector<SPiece>& Initial() const { return m_initial; }

    bool CanSplit(const SPiece& p) const {
        const double m = 0.5 * (p.t0 + p.t1);
        return m > p.t0 && m < p.t1;
    }

    void Split(const SPiece& p, SPiece& l, SPiece& r) {
        if (p.ctrl < 0) {
            const double m = 0.5 * (p.t0 + p.t1);
            l = Analytic(p.t0, m);
            r = Analytic(m, p.t1);
            return;
        }
        // De Casteljau at the middle, in homogeneous coordinates.
        const int n = m_deg + 1;
        m_tmp.assign(m_pool.begin() + p.ctrl, m_pool.begin() + p.ctrl + 3 * n);
        const int lo = static_cast<int>(m_pool.size());
        m_pool.resize(m_pool.size() + 6 * n);
        double* L = &m_pool[lo];
        double* R = L + 3 * n;
        for (int level = 0; level < n; ++level) {
            for (int c = 0; c < 3; ++c) {
                L[3 * level + c] = m_tmp[c];
                R[3 * (n - 1 - level) + c] = m_tmp[3 * (n - 1 - level) + c];
            }
            for (int i = 0; i + 1 < n - level; ++i)
                for (int c = 0; c < 3; ++c) m_tmp[3 * i + c] = 0.5 * (m_tmp[3 * i + c] + m_tmp[3 * (i + 1) + c]);
        }
        const double m = 0.5 * (p.t0 + p.t1);
        l.t0 = p.t0;
        l.t1 = m;
        l.ctrl = lo;
        l.box = HullBox(lo);
        r.t0 = m;
        r.t1 = p.t1;
        r.ctrl = lo + 3 * n;
        r.box = HullBox(r.ctrl);
    }

    // The piece's chord and a bound on the distance of the piece from that chord segment
    // (drawing units). flat: the piece stays within a thousandth of the chord's length of it and
    // runs along it without turning back (control points in order along the chord).
    double Chord(const SPiece& p, V& a, V& b, bool& flat) const {
        if (p.ctrl < 0) {
            a = m_side.At(p.t0);
            b = m_side.At(p.t1);
            const double h = p.t1 - p.t0, dev = m_k * h * h / 8.0;
            flat = dev <= 1e-3 * a.DistanceTo(b);
            return dev;
        }
        const int n = m_deg + 1;
        a = Ctrl(p.ctrl, 0);
        b = Ctrl(p.ctrl, n - 1);
        const V d = b - a;
        const double dd = d.SqrLength();
        double dev = 0.0, side = 0.0, along = 0.0;
        bool ordered = true;
        for (int i = 1; i < n; ++i) {
            const V q = Ctrl(p.ctrl, i) - a;
            const double s = d.Dot(q);
            const double f = dd > 0.0 ? std::clamp(s / dd, 0.0, 1.0) : 0.0;
            dev = std::max(dev, (q - d * f).Length());
            side = std::max(side, dd > 0.0 ? std::abs(d.Cross(q)) / std::sqrt(dd) : q.Length());
            ordered = ordered && s >= along;
            along = s;
        }
        flat = ordered && side <= 1e-3 * std::sqrt(dd);
        return dev;
    }

private:
    V Ctrl(int off, int i) const {
        const double* c = &m_pool[off + 3 * i];
        return V(c[0] / c[2], c[1] / c[2]);
    }

    CBox2<double> HullBox(int off) const {
        CBox2<double> box;
        for (int i = 0; i <= m_deg; ++i) box.Add(Ctrl(off, i));
        return box;
    }

    SPiece Analytic(double t0, double t1) const {
        SPiece p;
        p.t0 = t0;
        p.t1 = t1;
        p.box = CBox2<double>(m_side.At(t0), m_side.At(t1));
        const double h = t1 - t0;
        p.box.Inflate(m_k * h * h / 8.0);
        return p;
    }

    // Bound on |P''(t)|: 0 for lines, 1 / r for arcs (arc length), max(a, b) / a^2 for ellipses
    // (t = a * phi). Other curves without Bézier pieces fall back on a sampled estimate, doubled.
    double CurvatureBound() const {
        if (m_side.kind == GT_LINE) return 0.0;
        if (auto arc = dynamic_cast<const CArc2d*>(m_side.c)) return arc->Radius() > 0.0 ? 1.0 / arc->Radius() : 0.0;
        if (auto el = dynamic_cast<const CEllipse2d*>(m_side.c)) {
            const double a = std::abs(el->MajorRadius()), b = std::abs(el->MinorRadius());
            return a > 0.0 ? std::max(a, b) / (a * a) : 0.0;
        }
        double k = 0.0;
        for (int i = 0; i <= 256; ++i) {
            const double d2 = m_side.D2(m_side.slo + (m_side.shi - m_side.slo) * i / 256.0).Length();
            if (std::isfinite(d2)) k = std::max(k, d2);
        }
        return 2.0 * k;
    }

    bool BuildBezier() {
        auto nc = dynamic_cast<const CNurbsCurve2d*>(m_side.c);
        if (!nc) return false;
        std::vector<CNurbsCurve2d*> parts;
        nc->DecomposeToBezier(parts);
        bool ok = !parts.empty();
        m_deg = ok ? parts.front()->Degree() : 0;
        for (CNurbsCurve2d* b : parts) {
            if (!ok) break;
            const double t0 = b->StartT(), t1 = b->EndT();
            if (b->Degree() != m_deg || b->CtrlPtCount() != m_deg + 1 || !std::isfinite(t0) || !std::isfinite(t1)) {
                ok = false;
                break;
            }
            if (!(t1 > t0)) continue;
            SPiece p;
            p.t0 = std::max(t0, m_side.lo);
            p.t1 = std::min(t1, m_side.hi);
            p.ctrl = static_cast<int>(m_pool.size());
            for (int i = 0; i <= m_deg; ++i) {
                V q;
                double w = 1.0;
                b->GetCtrlPt(i, q, w);
                if (!(w > 0.0) || !std::isfinite(q.x) || !std::isfinite(q.y)) ok = false;
                m_pool.push_back(q.x * w);
                m_pool.push_back(q.y * w);
                m_pool.push_back(w);
            }
            p.box = HullBox(p.ctrl);
            m_initial.push_back(p);
        }
        for (CNurbsCurve2d* b : parts) b->Free();
        if (!ok || m_initial.empty()) {
            m_initial.clear();
            m_pool.clear();
            return false;
        }
        return true;
    }

    const SSide& m_side;
    double m_k = 0.0;
    int m_deg = 0;
    std::vector<double> m_pool;
    std::vector<double> m_tmp;
    std::vector<SPiece> m_initial;
};

// False when p is certainly farther than tol from the curve: no piece's box, refined until small,
// comes within tol of it.
bool MayTouch(CSubCurve& c, const V& p, double tol) {
    double size = 0.0;
    for (const SPiece& q : c.Initial()) size = std::max(size, std::hypot(q.box.Width(), q.box.Height()));
    const double small = std::max(4.0 * tol, 1e-3 * size);
    std::vector<SPiece> stack(c.Initial().begin(), c.Initial().end());
    for (int budget = 2000; !stack.empty() && budget > 0; --budget) {
        const SPiece q = stack.back();
        stack.pop_back();
        if (!q.box.Contains(p, tol)) continue;
        if (std::hypot(q.box.Width(), q.box.Height()) <= small || !c.CanSplit(q)) return true;
        SPiece l, r;
        c.Split(q, l, r);
        stack.push_back(l);
        stack.push_back(r);
    }
    return !stack.empty();
}

struct SPair {
    SPiece a, b;
    int depth;
};

double Diag(const CBox2<double>& b) { return std::hypot(b.Width(), b.Height()); }

// Distance between segments ab and cd.
double SegSegDistance(const V& a, const V& b, const V& c, const V& d) {
    auto ptSeg = [](const V& p, const V& s0, const V& s1) {
        const V e = s1 - s0;
        const double ee = e.SqrLength();
        const double t = ee > 0.0 ? std::clamp((p - s0).Dot(e) / ee, 0.0, 1.0) : 0.0;
        return p.DistanceTo(s0 + e * t);
    };
    const V e1 = b - a, e2 = d - c;
    const double cr = e1.Cross(e2);
    if (cr != 0.0) {
        const double s = (c - a).Cross(e2) / cr, r = (c - a).Cross(e1) / cr;
        if (s >= 0.0 && s <= 1.0 && r >= 0.0 && r <= 1.0) return 0.0;
    }
    return std::min(std::min(ptSeg(a, c, d), ptSeg(b, c, d)), std::min(ptSeg(c, a, b), ptSeg(d, a, b)));
}

// Parameters of one local solve, kept inside windows around the two pieces.
struct SWindow {
    double lo, hi;
    double Clamp(double t) const { return std::clamp(t, lo, hi); }
    bool Contains(double t) const { return t >= lo && t <= hi; }
};

}  // namespace

// Stretches where the curves coincide begin and end at an end of one of them (curves of these
// kinds cannot part inside both). Each pair of consecutive end points lying on the other curve
// bounds an overlap when the first curve between them stays on the second.
void CIntersectSolver::FindOverlapsFromEnds() {
    struct SOn {
        double t1, t2;
    };
    std::vector<SOn> ons;
    const double tol = m_tol + m_slack;
    for (int i = 0; i < 2; ++i) {
        const SSide& s = m_s[i];
        if (s.infinite || s.ext) continue;
        for (int e = 0; e < 2; ++e) {
            const double t = e == 0 ? s.lo : s.hi;
            if (!m_s[1 - i].infinite && !m_s[1 - i].box.Contains(s.At(t), tol)) continue;
            double d = 0.0;
            const double tj = EndContact(i, e, &d);
            if (d <= tol) ons.push_back(i == 0 ? SOn{t, tj} : SOn{tj, t});
        }
    }
    if (ons.size() < 2) return;
    std::sort(ons.begin(), ons.end(), [](const SOn& x, const SOn& y) { return x.t1 < y.t1; });
    const SSide& a = m_s[0];
    for (size_t k = 0; k + 1 < ons.size(); ++k) {
        const SOn& p = ons[k];
        const SOn& q = ons[k + 1];
        if (!(q.t1 > p.t1)) continue;
        constexpr int kChecks = 16;
        bool on = true;
        double length = 0.0;
        V prev = a.At(p.t1);
        for (int j = 1; j <= kChecks && on; ++j) {
            const V x = a.At(p.t1 + (q.t1 - p.t1) * j / kChecks);
            double d = 0.0;
            if (j < kChecks) NearestParam(1, x, &d);
            on = d <= tol;
            length += x.DistanceTo(prev);
            prev = x;
        }
        if (!on || length <= m_tol) continue;
        // t1 is exact: a closed curve's end must not be folded onto its start.
        Add(0, p.t1, p.t2, 2, false, true);
        Add(0, q.t1, q.t2, 2, false, true);
        AddOverlap(p.t1, q.t1);
    }
}

// Pairs of pieces that may come within the tolerance (boxes, and chords with their deviation
// bounds) are split, the larger first, until both are flat and cross at a clear angle, or they
// are small; then Newton on (t1, t2) from the chords' crossing finds the point. Where Newton finds
// nothing (the curves touch or miss narrowly) the least gap along the first curve decides: a touch
// (kind 1) when it is within the tolerance. Touches with parallel tangents are checked for an
// overlap first.
void CIntersectSolver::Subdivide() {
    CSubCurve ca(m_s[0]), cb(m_s[1]);
    const double tol = m_tol + m_slack;
    // Ends far from the other curve need no nearest-point query (they are costly for NURBS).
    for (int i = 0; i < 2; ++i) {
        const SSide& s = m_s[i];
        if (s.infinite || s.ext) continue;
        for (int e = 0; e < 2; ++e)
            if (!MayTouch(i == 0 ? cb : ca, s.At(e == 0 ? s.lo : s.hi), tol)) {
                m_endContact[i][e].known = true;
                m_endContact[i][e].dist = std::numeric_limits<double>::infinity();
            }
    }
    FindOverlapsFromEnds();
    double size = 0.0;
    for (const SPiece& p : ca.Initial()) size = std::max(size, Diag(p.box));
    for (const SPiece& p : cb.Initial()) size = std::max(size, Diag(p.box));
    const double leafSize = std::max(2.0 * m_tol, 1e-4 * size);

    std::vector<SPair> stack;
    for (const SPiece& pa : ca.Initial())
        for (const SPiece& pb : cb.Initial()) stack.push_back(SPair{pa, pb, 0});

    // Where parameters may go: analytic curves a little past their ends (so that crossings just
    // past an end are found and then pulled onto it), NURBS curves not past their domain.
    SWindow domain[2];
    for (int i = 0; i < 2; ++i) {
        const SSide& s = m_s[i];
        const double margin = s.Analytic() ? (s.shi - s.slo) * 1e-3 + tol : 0.0;
        domain[i] = SWindow{s.slo - margin, s.shi + margin};
    }
    auto window = [&](int i, const SPiece& p) {
        // A little wider than the piece, so roots on piece boundaries are not lost, but not so wide
        // that Newton wanders to a neighbouring root and leaves this piece's own unfound.
        const double len = p.t1 - p.t0;
        return SWindow{std::max(p.t0 - 0.1 * len, domain[i].lo), std::min(p.t1 + 0.1 * len, domain[i].hi)};
    };

    long budget = 400000;
    while (!stack.empty() && budget-- > 0) {
        SPair pr = stack.back();
        stack.pop_back();
        if (!pr.a.box.Overlaps(pr.b.box, tol)) continue;
        bool covered = false;
        for (const SStretch& s : m_overlaps) covered = covered || (pr.a.t0 >= s.t1a && pr.a.t1 <= s.t1b);
        if (covered) continue;

        V a0, a1, b0, b1;
        bool flatA = false, flatB = false;
        const double devA = ca.Chord(pr.a, a0, a1, flatA), devB = cb.Chord(pr.b, b0, b1, flatB);
        const double lenA = a0.DistanceTo(a1), lenB = b0.DistanceTo(b1);
        if (SegSegDistance(a0, a1, b0, b1) > devA + devB + tol) continue;
        const double sinAngle = lenA > 0.0 && lenB > 0.0 ? std::abs((a1 - a0).Cross(b1 - b0)) / (lenA * lenB) : 0.0;
        const double big = std::max(Diag(pr.a.box), Diag(pr.b.box));
        const bool canA = ca.CanSplit(pr.a), canB = cb.CanSplit(pr.b);
        const bool leaf = (flatA && flatB && sinAngle >= 0.05) || big <= leafSize || pr.depth >= 64 || (!canA && !canB);
        if (!leaf) {
            const bool splitA = canA && (!canB || Diag(pr.a.box) >= Diag(pr.b.box));
            SPiece l, r;
            if (splitA) {
                ca.Split(pr.a, l, r);
                stack.push_back(SPair{l, pr.b, pr.depth + 1});
                stack.push_back(SPair{r, pr.b, pr.depth + 1});
            } else {
                cb.Split(pr.b, l, r);
                stack.push_back(SPair{pr.a, l, pr.depth + 1});
                stack.push_back(SPair{pr.a, r, pr.depth + 1});
            }
            continue;
        }

        // Start from the chords' crossing when they cross near the pieces, else the middles.
        double fa = 0.5, fb = 0.5;
        const V ea = a1 - a0, eb = b1 - b0;
        const double cr = ea.Cross(eb);
        if (cr != 0.0) {
            const double s = (b0 - a0).Cross(eb) / cr, r = (b0 - a0).Cross(ea) / cr;
            if (s >= -0.25 && s <= 1.25 && r >= -0.25 && r <= 1.25) {
                fa = s;
                fb = r;
            }
        }
        const SWindow wa = window(0, pr.a), wb = window(1, pr.b);
        double ta = wa.Clamp(pr.a.t0 + fa * (pr.a.t1 - pr.a.t0)), tb = wb.Clamp(pr.b.t0 + fb * (pr.b.t1 - pr.b.t0));
        int kind = -1;
        if (NewtonRoot(ta, tb, wa.lo, wa.hi, wb.lo, wb.hi)) {
            kind = RootKind(ta, tb, 0.5 * (wb.hi - wb.lo));
            // Newton stops anywhere along a double root: settle on the least gap instead.
            if (kind == 1) NearestApproach(wa.lo, wa.hi, ta, tb);
        } else {
            // No crossing here: the curves may still touch. The nearest approach inside the window
            // counts when it is not on the window's edge (then it belongs to the neighbouring
            // piece), unless that edge is the curve's own end or seam.
            tb = 0.5 * (pr.b.t0 + pr.b.t1);
            if (NearestApproach(wa.lo, wa.hi, ta, tb) > tol || !wb.Contains(tb)) continue;
            const double edge = 1e-9 * (wa.hi - wa.lo);
            if ((ta <= wa.lo + edge && wa.lo != m_s[0].slo) || (ta >= wa.hi - edge && wa.hi != m_s[0].shi)) continue;
            kind = 1;
        }
        // Pieces straddling a known overlap's end find that overlap again: it is recorded already.
        const double tc = std::clamp(ta, m_s[0].slo, m_s[0].shi);
        const V pa = m_s[0].At(tc);
        bool known = false;
        for (const SStretch& s : m_overlaps)
            known = known || (tc >= s.t1a && tc <= s.t1b) || pa.DistanceTo(m_s[0].At(s.t1a)) <= 2.0 * tol ||
                    pa.DistanceTo(m_s[0].At(s.t1b)) <= 2.0 * tol;
        if (known) continue;
        if (KindFromTangents(ta, tb) == 1 && TraceOverlap(ta, tb, pr.a.t1 - pr.a.t0)) continue;
        Add(0, ta, tb, kind);
    }
}

// A root at a clear angle is a crossing. At a small angle the curves may cross or touch: the
// second curve, a little before and after the root, lies on one side of the first (a touch, kind 1)
// or on both (kind 0).
int CIntersectSolver::RootKind(double ta, double tb, double dtb) const {
    const SSide& A = m_s[0];
    const SSide& B = m_s[1];
    const V da = A.D1(ta), db = B.D1(tb);
    const double la = da.Length(), lb = db.Length();
    if (!(la > 0.0) || !(lb > 0.0)) return 1;
    const double sn = std::abs(da.Cross(db)) / (la * lb);
    if (sn > 1e-3) return 0;
    int sides[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const double t = std::clamp(tb + (k == 0 ? -dtb : dtb), B.slo, B.shi);
        if (t == tb) return sn <= g_AngleEpsilon ? 1 : 0;  // at an end: no other side to look at
        const V q = B.At(t);
        double u = ta;
        ProjectLocal(0, q, u);
        const double c = A.D1(u).Cross(q - A.At(u));
        sides[k] = c > 0.0 ? 1 : (c < 0.0 ? -1 : 0);
    }
    return sides[0] != 0 && sides[0] == sides[1] ? 1 : 0;
}

// Moves u to the parameter of side i nearest p, by Newton from u (a local search); answers the
// distance reached.
double CIntersectSolver::ProjectLocal(int i, const V& p, double& u) const {
    const SSide& s = m_s[i];
    for (int it = 0; it < 30; ++it) {
        const V r = s.At(u) - p, d1 = s.D1(u), d2 = s.D2(u);
        double h = d1.Dot(d1) + r.Dot(d2);
        if (!(h > 0.0)) h = d1.Dot(d1);
        if (!(h > 0.0)) break;
        const double nu = std::clamp(u - r.Dot(d1) / h, s.slo, s.shi);
        const bool done = std::abs(nu - u) <= 1e-15 * (1.0 + std::abs(u));
        u = nu;
        if (done) break;
    }
    return s.At(u).DistanceTo(p);
}

// Where the curves meet with parallel tangents they may coincide (NURBS curves can share a stretch
// inside both, which no end reveals). They do when the first curve stays on the second, to well
// inside the tolerance, over a stretch much longer than a touch could be; the stretch is then
// followed both ways while it stays within the tolerance and recorded as an overlap.
bool CIntersectSolver::TraceOverlap(double ta, double tb, double step) {
    const SSide& A = m_s[0];
    const double strict = 1e-3 * m_tol + m_slack, tol = m_tol + m_slack;
    const double probe = std::max(step, 1e-3 * (A.shi - A.slo));
    for (double dir : {-1.0, 1.0}) {
        double u = tb;
        const double t = std::clamp(ta + dir * probe, A.slo, A.shi);
        if (t != ta && ProjectLocal(1, A.At(t), u) > strict) return false;
    }
    const double minStep = std::max(1e-12 * (A.shi - A.slo), tol / std::max(A.D1(ta).Length(), 1e-300));
    double ends[2], uends[2];
    for (int side = 0; side < 2; ++side) {
        const double dir = side == 0 ? -1.0 : 1.0;
        double t = ta, u = tb, h = probe;
        for (int it = 0; it < 2000 && h >= minStep; ++it) {
            const double tn = std::clamp(t + dir * h, A.slo, A.shi);
            if (tn == t) break;
            double un = u;
            if (ProjectLocal(1, A.At(tn), un) <= tol) {
                t = tn;
                u = un;
                h = std::min(2.0 * h, 0.05 * (A.shi - A.slo));
            } else {
                h *= 0.5;
            }
        }
        ends[side] = t;
        uends[side] = u;
    }
    if (A.At(ends[0]).DistanceTo(A.At(ends[1])) <= m_tol) return false;
    for (const SStretch& s : m_overlaps)
        if (ends[0] <= s.t1b && ends[1] >= s.t1a) return true;  // an overlap found already
    Add(0, ends[0], uends[0], 2, false, true);
    Add(0, ends[1], uends[1], 2, false, true);
    AddOverlap(ends[0], ends[1]);
    return true;
}

// Newton on A(ta) - B(tb) = 0 inside the windows; true when it reaches a point (to 1e-10 of the
// scale, so a slowly converging double root still counts).
bool CIntersectSolver::NewtonRoot(double& ta, double& tb, double alo, double ahi, double blo, double bhi) const {
    const SSide& A = m_s[0];
    const SSide& B = m_s[1];
    const double fine = 1e-14 * m_scale, enough = 1e-10 * m_scale;
    double nf = std::numeric_limits<double>::infinity();
    for (int it = 0; it < 60; ++it) {
        const V F = A.At(ta) - B.At(tb);
        nf = F.Length();
        if (!std::isfinite(nf)) return false;
        if (nf <= fine) return true;
        const V da = A.D1(ta), db = B.D1(tb);
        const double det = db.Cross(da);  // of [da, -db]
        if (!(std::abs(det) > 1e-300)) break;
        const double sa = (F.x * db.y - db.x * F.y) / det;
        const double sb = (da.x * -F.y + F.x * da.y) / det;
        const double na = std::clamp(ta + sa, alo, ahi), nb = std::clamp(tb + sb, blo, bhi);
        if (na == ta && nb == tb) break;
        ta = na;
        tb = nb;
    }
    return nf <= enough;
}

// Golden-section search over [lo, hi] on the first curve for the least distance to the second
// (each point projected locally, from the previous projection). At a touch the distance grows
// like the square of the offset along the tangent, so this converges steadily where Newton on
// both parameters stalls. Answers the distance; ta and tb are set to the nearest pair.
double CIntersectSolver::NearestApproach(double lo, double hi, double& ta, double& tb) const {
    const SSide& A = m_s[0];
    constexpr double g = 0.38196601125010515;
    double a = lo, b = hi;
    double x1 = a + g * (b - a), x2 = b - g * (b - a), u1 = tb, u2 = tb;
    double f1 = ProjectLocal(1, A.At(x1), u1);
    u2 = u1;
    double f2 = ProjectLocal(1, A.At(x2), u2);
    const double speed = std::max(A.D1(0.5 * (lo + hi)).Length(), 1e-300);
    for (int it = 0; it < 100 && (b - a) * speed > 1e-9 * m_scale; ++it) {
        if (f1 < f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            u2 = u1;
            x1 = a + g * (b - a);
            f1 = ProjectLocal(1, A.At(x1), u1);
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            u1 = u2;
            x2 = b - g * (b - a);
            f2 = ProjectLocal(1, A.At(x2), u2);
        }
    }
    // The bracket's ends count too: the nearest approach may sit on the window's edge.
    double best = f1 < f2 ? f1 : f2;
    ta = f1 < f2 ? x1 : x2;
    tb = f1 < f2 ? u1 : u2;
    for (double e : {lo, hi}) {
        double u = tb;
        const double f = ProjectLocal(1, A.At(e), u);
        if (f < best && (std::abs(e - ta) <= 4.0 * (b - a) + 1e-15)) {
            best = f;
            ta = e;
            tb = u;
        }
    }
    return std::isfinite(best) ? best : std::numeric_limits<double>::infinity();
}

}  // namespace detail
}  // namespace zgp
