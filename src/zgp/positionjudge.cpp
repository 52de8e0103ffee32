// zgp: CPositionJudge, classification of points, curves, loops and polygons against each other.
// Point-in-loop is an exact half-open ray parity over every curve kind, with a distance band for "on".
#include "zgp/positionjudge.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "kernel_math.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/intersector.h"
#include "zgp/line2d.h"
#include "zgp/mindist.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/tolerance.h"

namespace zgp {

namespace {

using Vec = CVec2<double>;

const double kPi = 3.14159265358979323846;

// A usable tolerance: negative or non-finite values mean "exact".
double CleanTol(double tol) { return std::isfinite(tol) && tol > 0.0 ? tol : 0.0; }

double SqrDistToSegment(const Vec& p, const Vec& a, const Vec& b) {
    Vec ab = b - a;
    double len2 = ab.SqrLength();
    double s = len2 > 0.0 ? std::min(1.0, std::max(0.0, (p - a).Dot(ab) / len2)) : 0.0;
    return (a + ab * s - p).SqrLength();
}

// Homogeneous NURBS point (w x, w y, w); weights are positive, so a Bézier piece lies inside the
// convex hull of its projected control points.
struct HPt {
    double x, y, w;
};

HPt Lerp(const HPt& a, const HPt& b, double s) {
    return HPt{a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s, a.w + (b.w - a.w) * s};
}

Vec Project(const HPt& h) { return h.w != 0.0 ? Vec(h.x / h.w, h.y / h.w) : Vec(h.x, h.y); }

// Deepest halving of a NURBS piece near the query point; past it the piece is taken as its chord.
const int kMaxBezierDepth = 48;
// Scratch kept on the stack for pieces up to this many control points per subdivision level.
const int kStackBezierPoints = 8;

// Classifies one point against one loop. The loop is walked as a closed chain: a straight
// bridge joins every pair of consecutive ends that are not bit-identical (gaps, the closing
// chord of an open loop, rounding between how two coedges evaluate a shared vertex). With
// that, the half-open rule "an end counts as above when y > p.y" sees every vertex exactly once
// and rays through vertices or along horizontal edges count consistently.
class LoopClassifier {
public:
    LoopClassifier(const Vec& p, double tol) : m_p(p), m_tol(tol), m_tol2(tol * tol) {}

    // True as soon as p is found on the boundary; otherwise the ray parity is accumulated.
    bool Run(const CLoop& loop) {
        for (int i = 0; i < loop.CoedgeCount(); ++i) {
            const CCurve2d* c = loop.GetCurve(i);
            if (Coedge(*c)) return true;
        }
        if (!m_started) return false;
        if (m_lazyFirst) {
            // The closing bridge ends at the start of a skipped arc: needed only when the pen
            // lies outside that arc's clear region.
            if (m_lazyPen ? m_lazyPenRegion == m_lazyFirstRegion : InRegion(m_pen, m_lazyFirstRegion)) return false;
            Vec b;
            ArcEnds(*m_lazyFirst, m_first, b);
        }
        return Bridge(m_first);
    }
    bool Inside() const { return m_odd; }

private:
    bool Coedge(const CCurve2d& c) {
        switch (c.Type()) {
        case GT_LINE:
            return Line(static_cast<const CLine2d&>(c));
        case GT_ARC:
            return Arc(static_cast<const CArc2d&>(c));
        case GT_ELLIPSE:
            return Ellipse(static_cast<const CEllipse2d&>(c));
        case GT_NURBS:
            return Nurbs(static_cast<const CNurbsCurve2d&>(c), c);
        default:
            return OtherCurve(c);
        }
    }

    // Starts the next stretch of the chain at s, bridging from the pen when they differ.
    bool Bridge(const Vec& s) {
        if (m_lazyPen) {
            if (InRegion(s, m_lazyPenRegion)) {  // the bridge stays in the skipped arc's region
                m_lazyPen = nullptr;
                m_pen = s;
                return false;
            }
            ResolvePen();
        }
        if (!m_started) {
            m_started = true;
            m_first = m_pen = s;
            return false;
        }
        if (m_pen == s) return false;
        Vec a = m_pen;
        m_pen = s;
        // Bridges are mostly rounding-sized: most are clear of p's level by more than the tolerance.
        double lo = m_p.y - m_tol, hi = m_p.y + m_tol;
        if ((a.y > hi && s.y > hi) || (a.y < lo && s.y < lo)) return false;
        bool near = !FarFromBox(std::min(a.x, s.x), std::min(a.y, s.y), std::max(a.x, s.x), std::max(a.y, s.y));
        if (near && SqrDistToSegment(m_p, a, s) <= m_tol2) return true;
        Segment(a, s);
        return false;
    }

    void Segment(const Vec& a, const Vec& b) {
        if ((a.y > m_p.y) == (b.y > m_p.y)) return;
        if (a.x <= m_p.x && b.x <= m_p.x) return;
        double x = a.x + (m_p.y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (x > m_p.x) m_odd = !m_odd;
    }

    // Parity of a piece lying wholly right of p: decided by its ends alone.
    void EndsParity(const Vec& a, const Vec& b) {
        if ((a.y > m_p.y) != (b.y > m_p.y)) m_odd = !m_odd;
    }

    // Whether p lies outside box grown by the tolerance (cheap rejection of the "on" test).
    bool FarFromBox(double minx, double miny, double maxx, double maxy) const {
        return m_p.x < minx - m_tol || m_p.x > maxx + m_tol || m_p.y < miny - m_tol || m_p.y > maxy + m_tol;
    }

    bool Line(const CLine2d& ln) {
        const Vec& o = ln.Origin();
        const Vec& d = ln.Direction();
        double t0 = ln.CLine2d::StartT(), t1 = ln.CLine2d::EndT();
        Vec s = o + d * t0, e = o + d * t1;
        if (Bridge(s)) return true;
        m_pen = e;
        double miny = std::min(s.y, e.y), maxy = std::max(s.y, e.y);
        if (m_p.y > maxy + m_tol || m_p.y < miny - m_tol) return false;
        double maxx = std::max(s.x, e.x);
        if (m_p.x > maxx + m_tol) return false;
        if (m_p.x >= std::min(s.x, e.x) - m_tol) {
            double t = std::min(t1, std::max(t0, (m_p - o).Dot(d)));
            if ((o + d * t - m_p).SqrLength() <= m_tol2) return true;
        }
        Segment(s, e);
        return false;
    }

    // P(phi) = c + A cos(phi) + B sin(phi), phi running from phi0 to phi1: circles and ellipses.
    struct Conic {
        Vec c, A, B;
        double phi0, phi1;
        Vec At(double phi) const { return c + A * std::cos(phi) + B * std::sin(phi); }
    };

    // Half-planes farther than the tolerance from p that the ray from p does not enter. A piece
    // of the chain lying wholly in one adds no crossing and cannot hold p, and neither can a
    // bridge between two points of the same region: such arcs are passed over without working
    // out their ends (two sine-cosine pairs each, the bulk of the cost on long loops).
    enum Region { kNoRegion, kAbove, kBelow, kLeft };

    Region RegionOfBox(double minx, double miny, double maxx, double maxy) const {
        if (miny > m_p.y + m_tol) return kAbove;
        if (maxy < m_p.y - m_tol) return kBelow;
        if (maxx < m_p.x - m_tol) return kLeft;
        return kNoRegion;
    }

    bool InRegion(const Vec& v, Region r) const {
        switch (r) {
        case kAbove:
            return v.y > m_p.y + m_tol;
        case kBelow:
            return v.y < m_p.y - m_tol;
        case kLeft:
            return v.x < m_p.x - m_tol;
        default:
            return false;
        }
    }

    static Conic ArcConic(const CArc2d& arc) {
        double r = arc.Radius();
        double s = arc.Sense() >= 0 ? 1.0 : -1.0;
        return Conic{arc.CenterPt(), Vec(r, 0.0), Vec(0.0, r), s * arc.StartT() / r, s * arc.EndT() / r};
    }

    static void ArcEnds(const CArc2d& arc, Vec& a, Vec& b) {
        Conic k = ArcConic(arc);
        a = k.At(k.phi0);
        b = k.At(k.phi1);
    }

    // The pen stood at the end of a skipped arc; its exact place is needed after all.
    void ResolvePen() {
        Vec a;
        ArcEnds(*m_lazyPen, a, m_pen);
        m_lazyPen = nullptr;
    }

    // Passes over an arc that lies wholly in `region` when the bridge into it needs no exact
    // start; false when it must be classified in full.
    bool SkipClearArc(const CArc2d& arc, Region region) {
        if (!m_started) {
            m_started = true;
            m_lazyFirst = &arc;
            m_lazyFirstRegion = region;
        } else if (m_lazyPen) {
            if (m_lazyPenRegion != region) {
                ResolvePen();
                if (!InRegion(m_pen, region)) return false;
            }
        } else if (!InRegion(m_pen, region)) {
            return false;
        }
        m_lazyPen = &arc;
        m_lazyPenRegion = region;
        return true;
    }

    bool Arc(const CArc2d& arc) {
        double r = arc.Radius();
        Vec c = arc.CenterPt();
        if (!(r > 0.0)) return Point(c);
        Region region = RegionOfBox(c.x - r, c.y - r, c.x + r, c.y + r);
        if (region != kNoRegion && SkipClearArc(arc, region)) return false;
        Conic k = ArcConic(arc);
        Vec a = k.At(k.phi0), b = k.At(k.phi1);
        if (Bridge(a)) return true;
        m_pen = b;
        if (!FarFromBox(c.x - r, c.y - r, c.x + r, c.y + r) && OnArc(k, a, b)) return true;
        ConicParity(k, a, b);
        return false;
    }

    bool OnArc(const Conic& k, const Vec& a, const Vec& b) const {
        double r = k.A.x;
        Vec rel = m_p - k.c;
        double sweep = std::fabs(k.phi1 - k.phi0);
        bool within = sweep >= 2 * kPi;
        if (!within) {
            double dir = k.phi1 >= k.phi0 ? 1.0 : -1.0;
            double off = std::fmod(dir * (rel.Angle() - k.phi0), 2 * kPi);
            if (off < 0) off += 2 * kPi;
            within = off <= sweep;
        }
        if (within) {
            double d = rel.Length() - r;
            if (d * d <= m_tol2) return true;
        }
        return (a - m_p).SqrLength() <= m_tol2 || (b - m_p).SqrLength() <= m_tol2;
    }

    bool Ellipse(const CEllipse2d& el) {
        double ra = el.MajorRadius(), rb = el.MinorRadius();
        Vec c = el.CenterPt();
        if (!(ra > 0.0)) return Point(c);
        Vec u = el.Axis();
        double s = el.Sense() >= 0 ? 1.0 : -1.0;
        Conic k{c, u * ra, u.Perp() * rb, el.StartT() / (s * ra), el.EndT() / (s * ra)};
        Vec a = k.At(k.phi0), b = k.At(k.phi1);
        if (Bridge(a)) return true;
        m_pen = b;
        double hx = std::hypot(k.A.x, k.B.x), hy = std::hypot(k.A.y, k.B.y);
        if (!FarFromBox(c.x - hx, c.y - hy, c.x + hx, c.y + hy) && OnCurve(el)) return true;
        ConicParity(k, a, b);
        return false;
    }

    // y(phi) = c.y + R cos(phi - psi) is monotone between its extremes psi + j pi, so the conic
    // is cut there; each monotone piece crosses the level p.y at most once, found in closed form.
    void ConicParity(const Conic& k, const Vec& a, const Vec& b) {
        // The ends take part in the rejection: rounded, they may poke past the extremes.
        double ry = std::hypot(k.A.y, k.B.y);
        if (!(ry > 0.0)) return;
        if (m_p.y > std::max({k.c.y + ry, a.y, b.y}) || m_p.y < std::min({k.c.y - ry, a.y, b.y})) return;
        if (m_p.x > std::max({k.c.x + std::hypot(k.A.x, k.B.x), a.x, b.x})) return;
        double psi = std::atan2(k.B.y, k.A.y);
        double dir = k.phi1 >= k.phi0 ? 1.0 : -1.0;
        double pieces = std::fabs(k.phi1 - k.phi0) / kPi;
        if (!(pieces < 4096.0)) {  // absurd or non-finite sweep: keep the chord only
            Segment(a, b);
            return;
        }
        // Extremes strictly between phi0 and phi1, in travel order: psi + j pi.
        double j = dir > 0 ? std::floor((k.phi0 - psi) / kPi) + 1 : std::ceil((k.phi0 - psi) / kPi) - 1;
        double fromPhi = k.phi0, fromY = a.y;
        for (;; j += dir) {
            double ext = psi + j * kPi;
            bool last = dir > 0 ? !(ext < k.phi1) : !(ext > k.phi1);
            double toPhi = last ? k.phi1 : ext;
            double toY = last ? b.y : k.c.y + (std::fmod(std::fabs(j), 2.0) == 0.0 ? ry : -ry);
            if ((fromY > m_p.y) != (toY > m_p.y)) ConicCrossing(k, psi, ry, fromPhi, toPhi);
            if (last) break;
            fromPhi = toPhi;
            fromY = toY;
        }
    }

    void ConicCrossing(const Conic& k, double psi, double ry, double phiA, double phiB) {
        double lo = std::min(phiA, phiB), hi = std::max(phiA, phiB);
        double j = std::floor(((lo + hi) / 2 - psi) / kPi);
        double w = (m_p.y - k.c.y) / ry;
        if (std::fmod(std::fabs(j), 2.0) != 0.0) w = -w;
        double phi = psi + j * kPi + std::acos(std::min(1.0, std::max(-1.0, w)));
        phi = std::min(hi, std::max(lo, phi));
        double x = k.c.x + k.A.x * std::cos(phi) + k.B.x * std::sin(phi);
        if (x > m_p.x) m_odd = !m_odd;
    }

    // A collapsed coedge: a single point of the chain.
    bool Point(const Vec& c) {
        if (Bridge(c)) return true;
        m_pen = c;
        return (c - m_p).SqrLength() <= m_tol2;
    }

    bool OnCurve(const CCurve2d& c) const {
        Vec q = c.GetPoint(c.GetNearestT(m_p, 0.0));
        return (q - m_p).SqrLength() <= m_tol2;
    }

    bool OtherCurve(const CCurve2d& c) {
        CNurbsCurve2d* n = c.NurbsCurve();
        if (!n) {  // no usable representation: its chord stands in for it
            Vec s = c.StartPoint(), e = c.EndPoint();
            if (Bridge(s)) return true;
            m_pen = e;
            if (OnCurve(c)) return true;
            Segment(s, e);
            return false;
        }
        bool on = Nurbs(*n, c);
        n->Unref();
        return on;
    }

    // `shape` supplies the "on" test (the curve itself when n is only its NURBS form).
    bool Nurbs(const CNurbsCurve2d& n, const CCurve2d& shape) {
        const int p = n.Degree(), count = n.CtrlPtCount();
        const std::vector<double>& knots = n.Knots();
        if (p < 1 || count < p + 1 || static_cast<int>(knots.size()) != count + p + 1) return Point(n.StartPoint());
        std::vector<double> sortedCopy;
        const std::vector<double>* u = &knots;
        if (!std::is_sorted(knots.begin(), knots.end())) {
            sortedCopy = knots;
            std::sort(sortedCopy.begin(), sortedCopy.end());
            u = &sortedCopy;
        }
        const int width = p + 1;
        HPt stackBuf[(kMaxBezierDepth + 2) * kStackBezierPoints];
        std::vector<HPt> heapBuf;
        HPt* buf = stackBuf;
        if (width > kStackBezierPoints) {
            heapBuf.resize(static_cast<size_t>((kMaxBezierDepth + 2) * width));
            buf = heapBuf.data();
        }
        bool checkedOn = false;
        double t0 = n.StartT(), t1 = n.EndT();
        for (int span = p; span < count; ++span) {
            double a = std::max((*u)[span], t0), b = std::min((*u)[span + 1], t1);
            if (!(a < b)) continue;
            HPt* q = buf + width;  // buf[0 .. width) is the blossom workspace
            for (int j = 0; j <= p; ++j) q[j] = Blossom(n, *u, span, p - j, a, b, buf);
            Vec qa = Project(q[0]), qb = Project(q[p]);
            if (Bridge(qa)) return true;
            m_pen = qb;
            CBox2<double> box = HullBox(q, p);
            if (!checkedOn && !FarFromBox(box.min.x, box.min.y, box.max.x, box.max.y)) {
                if (OnCurve(shape)) return true;
                checkedOn = true;  // the whole curve was tested at once
            }
            BezierParity(q, p, 1, buf);
        }
        return false;
    }

    // Homogeneous blossom of knot span `span` at (a repeated m times, b repeated p - m times): de
    // Boor's recursion with its own argument at each level. Yields the Bézier points of the span
    // restricted to [a, b].
    static HPt Blossom(const CNurbsCurve2d& n, const std::vector<double>& u, int span, int m, double a, double b,
                       HPt* work) {
        const int p = n.Degree();
        for (int i = 0; i <= p; ++i) {
            Vec c = n.CtrlPt(span - p + i);
            double w = n.Weight(span - p + i);
            work[i] = HPt{c.x * w, c.y * w, w};
        }
        for (int r = 1; r <= p; ++r) {
            double arg = r <= m ? a : b;
            for (int i = p; i >= r; --i) {
                int idx = span - p + i;
                double den = u[static_cast<size_t>(idx + p + 1 - r)] - u[static_cast<size_t>(idx)];
                double alpha = den > 0.0 ? (arg - u[static_cast<size_t>(idx)]) / den : 0.0;
                work[i] = Lerp(work[i - 1], work[i], alpha);
            }
        }
        return work[p];
    }

    static CBox2<double> HullBox(const HPt* q, int p) {
        CBox2<double> box;
        for (int i = 0; i <= p; ++i) box.Add(Project(q[i]));
        return box;
    }

    // Parity of the Bézier piece in buf slot `slot` (width p + 1). Pieces clear of p's level or
    // wholly left of p add nothing, pieces wholly right are decided by their ends; only pieces
    // whose hull straddles p itself are halved. p is farther than the tolerance from the curve
    // (tested before), so the halving stops once the hulls shrink below that distance.
    void BezierParity(HPt* q, int p, int slot, HPt* buf) {
        CBox2<double> box = HullBox(q, p);
        if (box.min.y > m_p.y || !(box.max.y > m_p.y) || !(box.max.x > m_p.x)) return;
        Vec a = Project(q[0]), b = Project(q[p]);
        if (box.min.x > m_p.x) {
            EndsParity(a, b);
            return;
        }
        if (slot > kMaxBezierDepth || std::max(box.Width(), box.Height()) <= m_tol * 1e-3) {
            Segment(a, b);
            return;
        }
        HPt* left = buf + (slot + 1) * (p + 1);
        left[0] = q[0];
        for (int r = 1; r <= p; ++r) {
            for (int i = 0; i <= p - r; ++i) q[i] = Lerp(q[i], q[i + 1], 0.5);
            left[r] = q[0];
        }
        BezierParity(left, p, slot + 1, buf);
        BezierParity(q, p, slot + 1, buf);
    }

    Vec m_p;
    double m_tol, m_tol2;
    bool m_odd = false;
    bool m_started = false;
    Vec m_first, m_pen;
    // A skipped arc whose end stands in for m_pen, or whose start stands in for m_first.
    const CArc2d* m_lazyPen = nullptr;
    const CArc2d* m_lazyFirst = nullptr;
    Region m_lazyPenRegion = kNoRegion;
    Region m_lazyFirstRegion = kNoRegion;
};

// ---- region helpers ----

// The boundary of a loop as curves: its coedges and a straight bridge over every gap longer
// than g_DistEpsilon between consecutive ends (the closing chord of an open loop among them).
class Boundary {
public:
    explicit Boundary(const CLoop* loop) {
        if (!loop) return;
        int n = loop->CoedgeCount();
        for (int i = 0; i < n; ++i) {
            const CCurve2d* c = loop->GetCurve(i);
            Add(c);
            Vec e = c->EndPoint(), s = loop->GetCurve((i + 1) % n)->StartPoint();
            if (!e.IsEqual(s, g_DistEpsilon)) {
                m_bridges.push_back(CRefPtr<CLine2d>(new CLine2d(e, s)));
                Add(m_bridges.back().Get());
            }
        }
    }
    bool Meets(const CCurve2d& c, const CBox2<double>& box, double tol, std::vector<CCurvCurvIntPt>& scratch) const {
        CCurvCurvIntersector ix;
        ix.SetDistEpsilon(tol);
        for (size_t i = 0; i < m_curves.size(); ++i) {
            if (!m_boxes[i].Overlaps(box, tol)) continue;
            if (ix.Intersect(*m_curves[i], c, scratch) > 0) return true;
        }
        return false;
    }
    bool Meets(const Boundary& o, double tol) const {
        std::vector<CCurvCurvIntPt> scratch;
        for (size_t i = 0; i < m_curves.size(); ++i)
            if (o.Meets(*m_curves[i], m_boxes[i], tol, scratch)) return true;
        return false;
    }

private:
    void Add(const CCurve2d* c) {
        m_curves.push_back(c);
        m_boxes.push_back(c->Box());
    }
    std::vector<const CCurve2d*> m_curves;
    std::vector<CBox2<double>> m_boxes;
    std::vector<CRefPtr<CLine2d>> m_bridges;
};

// Position of a loop, taken as a whole, against a region, decided by the midpoints of its
// coedges: the first midpoint off the region's boundary decides. PT_ON when every one is on it.
template <class Classify>
int LoopPosition(const CLoop& loop, Classify classify) {
    for (int i = 0; i < loop.CoedgeCount(); ++i) {
        const CCurve2d* c = loop.GetCurve(i);
        int pos = classify(c->GetPoint((c->StartT() + c->EndT()) / 2));
        if (pos != CPositionJudge::PT_ON) return pos;
    }
    return CPositionJudge::PT_ON;
}

bool IsEmptyLoop(const CLoop* l) { return !l || l->CoedgeCount() == 0; }

bool IsEmptyPolygon(const CPolygon* poly) {
    if (!poly) return true;
    for (int i = 0; i < poly->LoopCount(); ++i)
        if (!IsEmptyLoop(poly->GetLoop(i))) return false;
    return true;
}

}  // namespace

CPositionJudge::CPositionJudge() : m_tol(g_DistEpsilon) {}

// ---- point against curve ----

namespace {

int SideOf(double signedDist, double tol) {
    if (std::fabs(signedDist) <= tol) return 0;
    return signedDist > 0.0 ? 1 : -1;
}

// Unit travel direction at t; where the derivative vanishes (a cusp, coincident control points)
// the direction of a short chord across t stands in.
Vec RobustTangent(const CCurve2d& c, double t) {
    Vec d = c.GetDeriv1(t).Normalized();
    if (d.SqrLength() > 0.0) return d;
    double h = std::max(1e-9, (c.EndT() - c.StartT()) * 1e-6);
    double lo = std::max(c.StartT(), t - h), hi = std::min(c.EndT(), t + h);
    return (c.GetPoint(hi) - c.GetPoint(lo)).Normalized();
}

// Full circle or full ellipse: the inside lies to the left of a counter-clockwise curve.
int ClosedConicSide(bool inside, int sense) {
    int left = sense >= 0 ? 1 : -1;
    return inside ? left : -left;
}

}  // namespace

// Bounded curves: the side of the tangent at the nearest point. At an interior nearest point that
// is the side of the curve; beyond an end it is the side of the end tangent's line, and a point
// within the tolerance of that line (ahead of or behind the end) answers 0.
int CPositionJudge::GetPointCurveSide(const CVec2<double>& p, const CCurve2d* curve, bool extended) const {
    if (!curve || !IsFinite(p)) return 0;
    const double tol = CleanTol(m_tol);
    if (curve->Type() == GT_LINE) {
        const CLine2d* ln = static_cast<const CLine2d*>(curve);
        double sd = ln->SignedDistance(p);
        if (!extended) {
            double t = std::min(ln->EndT(), std::max(ln->StartT(), (p - ln->Origin()).Dot(ln->Direction())));
            if (ln->GetPoint(t).IsEqual(p, tol)) return 0;
        }
        return SideOf(sd, tol);
    }
    if (extended && curve->Type() == GT_ARC) {
        const CArc2d* arc = static_cast<const CArc2d*>(curve);
        double d = p.DistanceTo(arc->CenterPt()) - arc->Radius();
        if (std::fabs(d) <= tol) return 0;
        return ClosedConicSide(d < 0.0, arc->Sense());
    }
    if (extended && curve->Type() == GT_ELLIPSE) {
        const CEllipse2d* el = static_cast<const CEllipse2d*>(curve);
        double a = el->MajorRadius(), b = el->MinorRadius();
        if (a > 0.0 && b > 0.0) {
            CCurve2dMindist md(curve, true);
            md.SetQueryPoint(p);
            if (md.GetDistance() <= tol) return 0;
            Vec rel = p - el->CenterPt();
            double x = rel.Dot(el->Axis()) / a, y = rel.Dot(el->Axis().Perp()) / b;
            return ClosedConicSide(x * x + y * y < 1.0, el->Sense());
        }
    }
    double t = curve->GetNearestT(p, 0.0);
    Vec q = curve->GetPoint(t);
    if (q.IsEqual(p, tol)) return 0;
    return SideOf(RobustTangent(*curve, t).Cross(p - q), tol);
}

// ---- point against loop and polygon ----

// An empty or null loop, or a non-finite point, is outside.
int CPositionJudge::GetPointCoedgeListPosition(const CVec2<double>& p, const CLoop* loop, double tol) const {
    if (IsEmptyLoop(loop) || !IsFinite(p)) return PT_OUTSIDE;
    LoopClassifier cls(p, CleanTol(tol));
    if (cls.Run(*loop)) return PT_ON;
    return cls.Inside() ? PT_INSIDE : PT_OUTSIDE;
}

int CPositionJudge::GetPointPolygonPosition(const CVec2<double>& p, const CPolygon* polygon, double tol) const {
    if (!polygon) return PT_OUTSIDE;
    bool inside = false;
    for (int i = 0; i < polygon->LoopCount(); ++i) {
        int pos = GetPointCoedgeListPosition(p, polygon->GetLoop(i), tol);
        if (pos == PT_ON) return PT_ON;
        if (pos == PT_INSIDE) inside = !inside;
    }
    return inside ? PT_INSIDE : PT_OUTSIDE;
}

// ---- regions ----

// Empty or null loops bound nothing and are apart from everything.
int CPositionJudge::GetLoopLoopPosition(const CLoop* a, const CLoop* b, bool asArea) const {
    if (IsEmptyLoop(a) || IsEmptyLoop(b)) return RG_APART;
    const double tol = CleanTol(m_tol);
    if (Boundary(a).Meets(Boundary(b), tol)) return RG_CROSS;
    if (!asArea) return RG_APART;
    auto inB = [&](const Vec& p) { return GetPointCoedgeListPosition(p, b, tol); };
    auto inA = [&](const Vec& p) { return GetPointCoedgeListPosition(p, a, tol); };
    int aInB = LoopPosition(*a, inB);
    if (aInB == PT_INSIDE) return RG_FIRST_INSIDE;
    int bInA = LoopPosition(*b, inA);
    if (bInA == PT_INSIDE) return RG_SECOND_INSIDE;
    // Both lying on each other everywhere means the boundaries coincide.
    if (aInB == PT_ON && bInA == PT_ON) return RG_CROSS;
    return RG_APART;
}

int CPositionJudge::GetLoopAxisPosition(const CLoop* loop, const CCurve2d* axis) const {
    if (IsEmptyLoop(loop) || !axis) return 1;
    const double tol = CleanTol(m_tol);
    std::vector<CCurvCurvIntPt> scratch;
    if (Boundary(loop).Meets(*axis, axis->Box(), tol, scratch)) return -1;
    return GetPointCoedgeListPosition(axis->StartPoint(), loop, tol) == PT_OUTSIDE ? 1 : -1;
}

int CPositionJudge::GetCurvePolygonPosition(const CCurve2d* curve, const CPolygon* polygon) const {
    if (!curve || IsEmptyPolygon(polygon)) return RG_APART;
    const double tol = CleanTol(m_tol);
    CBox2<double> box = curve->Box();
    std::vector<CCurvCurvIntPt> scratch;
    for (int i = 0; i < polygon->LoopCount(); ++i)
        if (Boundary(polygon->GetLoop(i)).Meets(*curve, box, tol, scratch)) return RG_CROSS;
    switch (GetPointPolygonPosition(curve->StartPoint(), polygon, tol)) {
    case PT_INSIDE:
        return RG_FIRST_INSIDE;
    case PT_ON:
        return RG_CROSS;
    default:
        return RG_APART;
    }
}

// With no boundary contact, area A lies inside area B exactly when every loop of A lies in B's
// interior and no loop of B lies in A's interior (a hole of B inside A would cut A). The areas
// share something exactly when some loop of one lies inside the other. Areas that share a part
// without either containing the other (a hole of one enclosing a boundary of the other) are
// not apart and answer RG_CROSS.
int CPositionJudge::GetPolygonPosition(const CPolygon* a, const CPolygon* b) const {
    if (IsEmptyPolygon(a) || IsEmptyPolygon(b)) return RG_APART;
    const double tol = CleanTol(m_tol);
    std::vector<Boundary> bb;
    for (int j = 0; j < b->LoopCount(); ++j) bb.emplace_back(b->GetLoop(j));
    for (int i = 0; i < a->LoopCount(); ++i) {
        Boundary ba(a->GetLoop(i));
        for (const Boundary& other : bb)
            if (ba.Meets(other, tol)) return RG_CROSS;
    }
    auto inB = [&](const Vec& p) { return GetPointPolygonPosition(p, b, tol); };
    auto inA = [&](const Vec& p) { return GetPointPolygonPosition(p, a, tol); };
    // Counts of non-empty loops of one polygon found inside / on the other's area.
    auto tally = [](const CPolygon* from, auto classify, int& inside, int& on, int& total) {
        inside = on = total = 0;
        for (int i = 0; i < from->LoopCount(); ++i) {
            const CLoop* l = from->GetLoop(i);
            if (IsEmptyLoop(l)) continue;
            ++total;
            int pos = LoopPosition(*l, classify);
            if (pos == PT_INSIDE) ++inside;
            if (pos == PT_ON) ++on;
        }
    };
    int aIn, aOn, aTotal, bIn, bOn, bTotal;
    tally(a, inB, aIn, aOn, aTotal);
    tally(b, inA, bIn, bOn, bTotal);
    if (aOn > 0 || bOn > 0) return RG_CROSS;
    if (aIn == aTotal && bIn == 0) return RG_FIRST_INSIDE;
    if (bIn == bTotal && aIn == 0) return RG_SECOND_INSIDE;
    if (aIn > 0 || bIn > 0) return RG_CROSS;
    return RG_APART;
}

}  // namespace zgp
