// zgp: CLoop (a chain of counted curve references) and CPolygon (a list of loops bounding an area).
// Reference rules, signed area of every curve kind, all-or-nothing transforms and nesting depth.
#include "zgp/loop.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "zgp/arc2d.h"
#include "zgp/builders.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"

namespace zgp {

namespace {

using Vec = CVec2<double>;

// Twice the signed area swept from the origin along the straight segment a -> b.
double ChordTerm(const Vec& a, const Vec& b) { return a.Cross(b); }

// Nodes and weights of 10-point Gauss-Legendre quadrature on [-1, 1] (symmetric halves).
const double kGaussX[5] = {0.1488743389816312, 0.4333953941292472, 0.6794095682990244, 0.8650633666889845,
                           0.9739065285171717};
const double kGaussW[5] = {0.2955242247147529, 0.2692667193099963, 0.2190863625159820, 0.1494513491505806,
                           0.0666713443086881};

// x y' - y x' of curve c at t: the integrand of twice the signed area.
double AreaIntegrand(const CCurve2d& c, double t) {
    Vec p = c.GetPoint(t);
    Vec d = c.GetDeriv1(t);
    return p.Cross(d);
}

double GaussOnInterval(const CCurve2d& c, double t0, double t1) {
    double h = (t1 - t0) / 2, m = (t0 + t1) / 2, s = 0;
    for (int i = 0; i < 5; ++i)
        s += kGaussW[i] * (AreaIntegrand(c, m - h * kGaussX[i]) + AreaIntegrand(c, m + h * kGaussX[i]));
    return s * h;
}

// Adaptive Gauss quadrature of x y' - y x' over [t0, t1]. One 10-point rule is exact for a
// polynomial span of degree up to 10; rational spans are halved until two levels agree.
double AdaptiveAreaIntegral(const CCurve2d& c, double t0, double t1, double whole, int depth) {
    double l = GaussOnInterval(c, t0, (t0 + t1) / 2);
    double r = GaussOnInterval(c, (t0 + t1) / 2, t1);
    double both = l + r;
    if (depth >= 18 || std::fabs(both - whole) <= 1e-13 * std::max(1.0, std::fabs(both))) return both;
    return AdaptiveAreaIntegral(c, t0, (t0 + t1) / 2, l, depth + 1) +
           AdaptiveAreaIntegral(c, (t0 + t1) / 2, t1, r, depth + 1);
}

double NumericAreaIntegral(const CCurve2d& c, double t0, double t1) {
    if (!(t1 > t0)) return 0.0;
    return AdaptiveAreaIntegral(c, t0, t1, GaussOnInterval(c, t0, t1), 0);
}

// NURBS pieces are smooth only inside a knot span, so the quadrature runs span by span.
// The knots are sorted first: a vector set out of order is read as if it were sorted.
double NurbsAreaIntegral(const CNurbsCurve2d& c) {
    double t0 = c.StartT(), t1 = c.EndT();
    if (!(t1 > t0)) return 0.0;
    std::vector<double> knots = c.Knots();
    std::sort(knots.begin(), knots.end());
    double sum = 0.0, from = t0;
    for (double k : knots) {
        if (k <= from || k >= t1) continue;
        sum += NumericAreaIntegral(c, from, k);
        from = k;
    }
    return sum + NumericAreaIntegral(c, from, t1);
}

// For P(phi) = c + A cos(phi) + B sin(phi) with A x B = k, P x dP = c x dP + k dphi, so twice the
// swept area is c x (P1 - P0) + k (phi1 - phi0). Circles and ellipses both have this form.
double ConicAreaIntegral(const Vec& centre, const Vec& p0, const Vec& p1, double axesCross, double sweep) {
    return centre.Cross(p1 - p0) + axesCross * sweep;
}

// Twice the signed area swept from the origin along one curve, from its start to its end.
double CurveAreaIntegral(const CCurve2d& c) {
    Vec s = c.StartPoint(), e = c.EndPoint();
    switch (c.Type()) {
    case GT_LINE:
        return ChordTerm(s, e);
    case GT_ARC: {
        const CArc2d& a = static_cast<const CArc2d&>(c);
        double r = a.Radius();
        if (!(r > 0.0)) return ChordTerm(s, e);
        double sweep = a.Sense() * (a.EndT() - a.StartT()) / r;
        return ConicAreaIntegral(a.CenterPt(), s, e, r * r, sweep);
    }
    case GT_ELLIPSE: {
        const CEllipse2d& el = static_cast<const CEllipse2d&>(c);
        double ra = el.MajorRadius();
        if (!(ra > 0.0)) return ChordTerm(s, e);
        double sweep = (el.EndT() - el.StartT()) / (el.Sense() * ra);
        return ConicAreaIntegral(el.CenterPt(), s, e, ra * el.MinorRadius(), sweep);
    }
    case GT_NURBS:
        return NurbsAreaIntegral(static_cast<const CNurbsCurve2d&>(c));
    default:
        return NumericAreaIntegral(c, c.StartT(), c.EndT());
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CLoop

CLoop::CLoop(const CLoop& o) : CGeometry(o) {
    m_curves.reserve(o.m_curves.size());
    for (const CCurve2d* c : o.m_curves) m_curves.push_back(c->Clone());
}

CLoop& CLoop::operator=(const CLoop& o) {
    if (this == &o) return *this;
    std::vector<CCurve2d*> copies;
    copies.reserve(o.m_curves.size());
    for (const CCurve2d* c : o.m_curves) copies.push_back(c->Clone());
    Clear();
    m_curves = std::move(copies);
    return *this;
}

CLoop::~CLoop() { Clear(); }

bool CLoop::AddCurve(CCurve2d* c, bool addRef) { return InsertCurve(CoedgeCount(), c, addRef); }

bool CLoop::InsertCurve(int i, CCurve2d* c, bool addRef) {
    if (!c || i < 0 || i > CoedgeCount()) return false;
    if (addRef) c->Ref();
    m_curves.insert(m_curves.begin() + i, c);
    return true;
}

bool CLoop::DeleteCoedge(int i) {
    if (i < 0 || i >= CoedgeCount()) return false;
    CCurve2d* c = m_curves[static_cast<size_t>(i)];
    m_curves.erase(m_curves.begin() + i);
    c->Unref();
    return true;
}

CCurve2d* CLoop::GetCurve(int i) const {
    if (i < 0 || i >= CoedgeCount()) return nullptr;
    return m_curves[static_cast<size_t>(i)];
}

void CLoop::Clear() {
    // Detach first so that a curve's destruction never sees a half-cleared loop.
    std::vector<CCurve2d*> old;
    old.swap(m_curves);
    for (CCurve2d* c : old) c->Unref();
}

bool CLoop::IsClosed() const {
    if (m_curves.empty()) return false;
    return m_curves.back()->EndPoint().IsEqual(m_curves.front()->StartPoint(), g_DistEpsilon);
}

void CLoop::MakeClosed() {
    if (m_curves.empty() || IsClosed()) return;
    AddCurve(new CLine2d(m_curves.back()->EndPoint(), m_curves.front()->StartPoint()), false);
}

double CLoop::Length() const {
    double sum = 0.0;
    for (const CCurve2d* c : m_curves) sum += c->Length();
    return sum;
}

// Every gap between consecutive coedges, including the one from the last end back to the first
// start, is bridged by a straight line; for a well-joined closed loop those terms vanish.
double CLoop::Area() const {
    if (m_curves.empty()) return 0.0;
    double twice = 0.0;
    Vec prevEnd = m_curves.back()->EndPoint();
    for (const CCurve2d* c : m_curves) {
        Vec s = c->StartPoint();
        twice += ChordTerm(prevEnd, s);
        twice += CurveAreaIntegral(*c);
        prevEnd = c->EndPoint();
    }
    double area = twice / 2;
    return std::isfinite(area) ? area : 0.0;
}

void CLoop::Reverse() {
    std::reverse(m_curves.begin(), m_curves.end());
    for (CCurve2d* c : m_curves) c->Reverse();
}

CLoop* CLoop::Clone() const { return new CLoop(*this); }

CBox2<double> CLoop::Box() const {
    CBox2<double> box;
    for (const CCurve2d* c : m_curves) box.Add(c->Box());
    return box;
}

void CLoop::Move(const CVec2<double>& offset) {
    for (CCurve2d* c : m_curves) c->Move(offset);
}

void CLoop::Rotate(const CVec2<double>& centre, double angle) {
    for (CCurve2d* c : m_curves) c->Rotate(centre, angle);
}

// All-or-nothing: every image is built first, and the loop switches to them only when each
// coedge could be mapped. A coedge whose own kind cannot carry the image (an arc under a shear)
// is replaced by the builder's curve of a suitable kind.
bool CLoop::Transform(const CMatrix4<double>& m) {
    std::vector<CCurve2d*> images;
    images.reserve(m_curves.size());
    bool ok = true;
    for (const CCurve2d* c : m_curves) {
        CCurve2d* img = c->Clone();
        if (!img->Transform(m)) {
            img->Unref();
            img = ZCurve2dBuilder::TransformCurve(c, m, g_DistEpsilon);
        }
        if (!img) {
            ok = false;
            break;
        }
        images.push_back(img);
    }
    if (!ok) {
        for (CCurve2d* img : images) img->Unref();
        return false;
    }
    Clear();
    m_curves = std::move(images);
    return true;
}

// ---------------------------------------------------------------------------------------------
// CPolygon

CPolygon::CPolygon(const CPolygon& o) : CGeometry(o) {
    m_loops.reserve(o.m_loops.size());
    for (const CLoop* l : o.m_loops) m_loops.push_back(l->Clone());
    m_depthCache = o.m_depthCache;
}

CPolygon& CPolygon::operator=(const CPolygon& o) {
    if (this == &o) return *this;
    std::vector<CLoop*> copies;
    copies.reserve(o.m_loops.size());
    for (const CLoop* l : o.m_loops) copies.push_back(l->Clone());
    Clear();
    m_loops = std::move(copies);
    m_depthCache = o.m_depthCache;
    return *this;
}

CPolygon::~CPolygon() { Clear(); }

bool CPolygon::AddLoop(CLoop* loop, bool takeOver) {
    if (!loop) return false;
    if (!takeOver) loop->Ref();
    m_loops.push_back(loop);
    m_depthCache.clear();
    return true;
}

bool CPolygon::AddCurve(CCurve2d* c, int loopIndex, bool addRef) {
    CLoop* loop = GetLoop(loopIndex);
    if (!loop || !loop->AddCurve(c, addRef)) return false;
    m_depthCache.clear();
    return true;
}

bool CPolygon::DeleteLoop(int i) {
    if (i < 0 || i >= LoopCount()) return false;
    CLoop* l = m_loops[static_cast<size_t>(i)];
    m_loops.erase(m_loops.begin() + i);
    m_depthCache.clear();
    l->Unref();
    return true;
}

CLoop* CPolygon::GetLoop(int i) const {
    if (i < 0 || i >= LoopCount()) return nullptr;
    return m_loops[static_cast<size_t>(i)];
}

void CPolygon::Clear() {
    std::vector<CLoop*> old;
    old.swap(m_loops);
    m_depthCache.clear();
    for (CLoop* l : old) l->Unref();
}

namespace {

// Whether loop `inner` lies inside loop `outer`. Loops may touch (a hole sharing a vertex with
// its outer boundary), so the midpoints of inner's coedges are tried in turn until one is clear
// of outer's boundary; an inner loop lying wholly on outer's boundary is not inside it.
bool LoopInsideLoop(const CPositionJudge& judge, const CLoop& inner, const CLoop& outer) {
    if (outer.CoedgeCount() == 0 || !inner.Box().Overlaps(outer.Box(), g_DistEpsilon)) return false;
    for (int k = 0; k < inner.CoedgeCount(); ++k) {
        const CCurve2d* c = inner.GetCurve(k);
        Vec p = c->GetPoint((c->StartT() + c->EndT()) / 2);
        int pos = judge.GetPointCoedgeListPosition(p, &outer, g_DistEpsilon);
        if (pos != CPositionJudge::PT_ON) return pos == CPositionJudge::PT_INSIDE;
    }
    return false;
}

}  // namespace

// Depths of all loops are computed together and cached until the next edit. An empty loop has
// depth 0 and never contains another. An index out of range answers -1.
int CPolygon::LoopDepth(int i) const {
    if (i < 0 || i >= LoopCount()) return -1;
    if (m_depthCache.size() != m_loops.size()) {
        CPositionJudge judge;
        std::vector<int> depth(m_loops.size(), 0);
        for (size_t a = 0; a < m_loops.size(); ++a) {
            if (m_loops[a]->CoedgeCount() == 0) continue;
            for (size_t b = 0; b < m_loops.size(); ++b)
                if (a != b && LoopInsideLoop(judge, *m_loops[a], *m_loops[b])) ++depth[a];
        }
        m_depthCache = std::move(depth);
    }
    return m_depthCache[static_cast<size_t>(i)];
}

void CPolygon::ResetAllStates() { m_depthCache.clear(); }

// A loop whose area is below g_DistEpsilon squared has no meaningful turning sense and, like an
// empty loop, is never counted as wrongly oriented.
bool CPolygon::IsLoopDirCorrect() const {
    const double tiny = g_DistEpsilon * g_DistEpsilon;
    for (int i = 0; i < LoopCount(); ++i) {
        const CLoop* l = m_loops[static_cast<size_t>(i)];
        if (l->CoedgeCount() == 0) continue;
        double area = l->Area();
        if (std::fabs(area) <= tiny) continue;
        bool hole = LoopDepth(i) % 2 == 1;
        if (hole ? area > 0.0 : area < 0.0) return false;
    }
    return true;
}

void CPolygon::Reverse() {
    for (CLoop* l : m_loops) l->Reverse();
}

double CPolygon::Area() const {
    double sum = 0.0;
    for (const CLoop* l : m_loops) sum += l->Area();
    return sum;
}

CPolygon* CPolygon::Clone() const { return new CPolygon(*this); }

CBox2<double> CPolygon::Box() const {
    CBox2<double> box;
    for (const CLoop* l : m_loops) box.Add(l->Box());
    return box;
}

void CPolygon::Move(const CVec2<double>& offset) {
    for (CLoop* l : m_loops) l->Move(offset);
}

void CPolygon::Rotate(const CVec2<double>& centre, double angle) {
    for (CLoop* l : m_loops) l->Rotate(centre, angle);
}

// All-or-nothing, like CLoop::Transform: the loops are mapped as copies first. Nesting survives
// any non-singular map, yet the depth cache is dropped with the old loops (touching loops may
// round differently after the map).
bool CPolygon::Transform(const CMatrix4<double>& m) {
    std::vector<CLoop*> images;
    images.reserve(m_loops.size());
    for (const CLoop* l : m_loops) {
        CLoop* img = l->Clone();
        if (!img->Transform(m)) {
            img->Unref();
            for (CLoop* done : images) done->Unref();
            return false;
        }
        images.push_back(img);
    }
    Clear();
    m_loops = std::move(images);
    return true;
}

}  // namespace zgp
