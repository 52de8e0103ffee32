// zcs: kernel curves <-> parameter blocks, and the evaluation of points and contact frames
// (with their gradients) that the equations are built from, NURBS ones on the kernel's basis.
#include "curves.h"

#include <algorithm>
#include <cmath>

#include "nurbs_basis.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/nurbscurve2d.h"

namespace zcs::detail {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

void Push(Model& m, double v, double scale) {
    m.P0.push_back(v);
    m.colScale.push_back(scale);
}

// ---- NURBS points ----

constexpr int kMaxDegree = kGradCap - 2;  // degree + 1 control points and u fit a gradient

// Point, first and second derivative of a NURBS block at u, with the rational basis
// functions R, R' of the degree + 1 control points from index first on.
struct NurbsEval {
    Vec c, d1, d2;
    int first = 0, count = 0;
    double R[kMaxDegree + 1], R1[kMaxDegree + 1];
};

NurbsEval EvalNurbs(const GeomRec& g, const double* P, double u) {
    NurbsEval e;
    const int p = g.degree, n = g.np / 2;
    u = std::min(std::max(u, g.u0), g.u1);
    const int span = zgp::nurbs_detail::FindSpan(g.knots.data(), n, p, u);
    double N[3][kMaxDegree + 1];
    zgp::nurbs_detail::BasisDerivs(g.knots.data(), p, span, u, N[0], N[1], N[2]);
    e.first = span - p;
    e.count = p + 1;
    double W = 0, W1 = 0, W2 = 0;
    for (int j = 0; j <= p; ++j) {
        const double w = g.weights[e.first + j];
        W += N[0][j] * w;
        W1 += N[1][j] * w;
        W2 += N[2][j] * w;
    }
    for (int j = 0; j <= p; ++j) {
        const double w = g.weights[e.first + j];
        const double A = N[0][j] * w, A1 = N[1][j] * w, A2 = N[2][j] * w;
        const double R = A / W;
        const double R1 = (A1 - R * W1) / W;
        const double R2 = (A2 - 2.0 * R1 * W1 - R * W2) / W;
        const Vec Pj(P[g.off + 2 * (e.first + j)], P[g.off + 2 * (e.first + j) + 1]);
        e.R[j] = R;
        e.R1[j] = R1;
        e.c += Pj * R;
        e.d1 += Pj * R1;
        e.d2 += Pj * R2;
    }
    return e;
}

// Ellipse at eccentric angle phi: point, derivative by phi, and the partial derivatives of
// both by the axis angle psi and the radii a, b.
struct EllipseEval {
    Vec e, t, t2;      // E, dE/dphi, d2E/dphi2
    Vec ePsi, eA, eB;  // dE/dpsi, dE/da, dE/db
    Vec tPsi, tA, tB;  // the same for T
};

EllipseEval EvalEllipse(const double* q, double phi) {
    EllipseEval r;
    const double psi = q[2], a = q[3], b = q[4];
    const Vec u(std::cos(psi), std::sin(psi)), v(-u.y, u.x);
    const double c = std::cos(phi), s = std::sin(phi);
    r.e = Vec(q[0], q[1]) + u * (a * c) + v * (b * s);
    r.t = u * (-a * s) + v * (b * c);
    r.t2 = u * (-a * c) + v * (-b * s);
    r.ePsi = v * (a * c) - u * (b * s);
    r.eA = u * c;
    r.eB = v * s;
    r.tPsi = v * (-a * s) - u * (b * c);
    r.tA = u * (-s);
    r.tB = v * c;
    return r;
}

// Point of an arc block at angle theta, theta itself being parameter `tp` (or -1: constant).
Lin2 ArcPoint(const GeomRec& g, const double* P, double theta, int tp) {
    const double r = P[g.off + 2], c = std::cos(theta), s = std::sin(theta);
    Lin2 q;
    q.v = Vec(P[g.off] + r * c, P[g.off + 1] + r * s);
    q.gx.Put(g.off, 1.0);
    q.gx.Put(g.off + 2, c);
    q.gy.Put(g.off + 1, 1.0);
    q.gy.Put(g.off + 2, s);
    if (tp >= 0) {
        q.gx.Put(tp, -r * s);
        q.gy.Put(tp, r * c);
    }
    return q;
}

Lin2 EllipsePoint(const GeomRec& g, const double* P, double phi, int fp, Lin2* tangent) {
    const EllipseEval r = EvalEllipse(P + g.off, phi);
    Lin2 q;
    q.v = r.e;
    q.gx.Put(g.off, 1.0);
    q.gy.Put(g.off + 1, 1.0);
    q.gx.Put(g.off + 2, r.ePsi.x);
    q.gy.Put(g.off + 2, r.ePsi.y);
    q.gx.Put(g.off + 3, r.eA.x);
    q.gy.Put(g.off + 3, r.eA.y);
    q.gx.Put(g.off + 4, r.eB.x);
    q.gy.Put(g.off + 4, r.eB.y);
    if (fp >= 0) {
        q.gx.Put(fp, r.t.x);
        q.gy.Put(fp, r.t.y);
    }
    if (tangent) {
        Lin2& t = *tangent;
        t.v = r.t;
        t.gx.Put(g.off + 2, r.tPsi.x);
        t.gy.Put(g.off + 2, r.tPsi.y);
        t.gx.Put(g.off + 3, r.tA.x);
        t.gy.Put(g.off + 3, r.tA.y);
        t.gx.Put(g.off + 4, r.tB.x);
        t.gy.Put(g.off + 4, r.tB.y);
        if (fp >= 0) {
            t.gx.Put(fp, r.t2.x);
            t.gy.Put(fp, r.t2.y);
        }
    }
    return q;
}

Lin2 NurbsPoint(const GeomRec& g, const double* P, double u, int up, Lin2* tangent) {
    const NurbsEval e = EvalNurbs(g, P, u);
    Lin2 q;
    q.v = e.c;
    for (int j = 0; j < e.count; ++j) {
        q.gx.Put(g.off + 2 * (e.first + j), e.R[j]);
        q.gy.Put(g.off + 2 * (e.first + j) + 1, e.R[j]);
    }
    if (up >= 0) {
        q.gx.Put(up, e.d1.x);
        q.gy.Put(up, e.d1.y);
    }
    if (tangent) {
        Lin2& t = *tangent;
        t.v = e.d1;
        for (int j = 0; j < e.count; ++j) {
            t.gx.Put(g.off + 2 * (e.first + j), e.R1[j]);
            t.gy.Put(g.off + 2 * (e.first + j) + 1, e.R1[j]);
        }
        if (up >= 0) {
            t.gx.Put(up, e.d2.x);
            t.gy.Put(up, e.d2.y);
        }
    }
    return q;
}

// Angles of the two ends of an arc or ellipse block: parameters 3 and 4 (arc) or 5 and 6
// (ellipse) when open, else the kept start angle and one full turn on.
double EndAngle(const GeomRec& g, const double* P, int which, int& param) {
    const int first = g.kind == GeoKind::Arc ? 3 : 5;
    if (!g.closed) {
        param = g.off + first + which;
        return P[param];
    }
    param = -1;
    return which == 0 ? g.angle0 : g.angle0 + g.sense * kTwoPi;
}

}  // namespace

// ---- reading and writing ----

bool ReadCurve(zgp::CGeometry* geometry, bool fixed, Model& m, GeomRec& rec) {
    if (!geometry) return false;
    rec = GeomRec();
    rec.fixed = fixed;
    rec.off = m.ParamCount();
    switch (geometry->Type()) {
    case zgp::GT_LINE: {
        auto* c = static_cast<zgp::CLine2d*>(geometry);
        const Vec s = c->StartPoint(), e = c->EndPoint();
        rec.kind = GeoKind::Line;
        rec.curve = c;
        for (double v : {s.x, s.y, e.x, e.y}) Push(m, v, 1.0);
        break;
    }
    case zgp::GT_ARC: {
        auto* c = static_cast<zgp::CArc2d*>(geometry);
        rec.kind = GeoKind::Arc;
        rec.curve = c;
        rec.sense = c->Sense() < 0 ? -1 : 1;
        rec.closed = c->IsClosed();
        const double r = c->Radius();
        Push(m, c->CenterPt().x, 1.0);
        Push(m, c->CenterPt().y, 1.0);
        Push(m, r, 1.0);
        if (rec.closed) {
            rec.angle0 = c->StartAngle();
        } else {
            Push(m, c->StartAngle(), r);
            Push(m, c->EndAngle(), r);
        }
        break;
    }
    case zgp::GT_ELLIPSE: {
        auto* c = static_cast<zgp::CEllipse2d*>(geometry);
        rec.kind = GeoKind::Ellipse;
        rec.curve = c;
        rec.sense = c->Sense() < 0 ? -1 : 1;
        rec.closed = c->IsClosed();
        const double a = c->MajorRadius(), b = c->MinorRadius(), mean = 0.5 * (a + b);
        Push(m, c->CenterPt().x, 1.0);
        Push(m, c->CenterPt().y, 1.0);
        Push(m, std::atan2(c->Axis().y, c->Axis().x), mean);
        Push(m, a, 1.0);
        Push(m, b, 1.0);
        if (rec.closed) {
            rec.angle0 = c->GetAngle(c->StartT());
        } else {
            Push(m, c->GetAngle(c->StartT()), mean);
            Push(m, c->GetAngle(c->EndT()), mean);
        }
        break;
    }
    case zgp::GT_NURBS: {
        auto* c = static_cast<zgp::CNurbsCurve2d*>(geometry);
        if (c->Degree() > kMaxDegree || c->CtrlPtCount() < c->Degree() + 1) return false;
        rec.kind = GeoKind::Nurbs;
        rec.curve = c;
        rec.degree = c->Degree();
        rec.knots = c->Knots();
        std::sort(rec.knots.begin(), rec.knots.end());
        rec.u0 = c->StartT();
        rec.u1 = c->EndT();
        for (int i = 0; i < c->CtrlPtCount(); ++i) {
            const Vec p = c->CtrlPt(i);
            rec.weights.push_back(c->Weight(i));
            Push(m, p.x, 1.0);
            Push(m, p.y, 1.0);
        }
        break;
    }
    default:
        return false;
    }
    rec.np = m.ParamCount() - rec.off;
    m.isConst.resize(m.P0.size(), fixed ? 1 : 0);
    return true;
}

bool CurveChanged(const GeomRec& g, const double* P, const double* P0) {
    for (int k = g.off; k < g.off + g.np; ++k)
        if (P[k] != P0[k]) return true;
    return false;
}

void WriteCurve(const GeomRec& g, const double* P) {
    const double* q = P + g.off;
    switch (g.kind) {
    case GeoKind::Line: {
        // Keep the start parameter: only the segment's position, direction and length change.
        auto* c = static_cast<zgp::CLine2d*>(g.curve);
        const Vec s(q[0], q[1]), e(q[2], q[3]);
        const double len = s.DistanceTo(e);
        const Vec dir = len > 0.0 ? (e - s) / len : c->Direction();
        const double t0 = c->StartT();
        c->SetExact(s - dir * t0, dir, zgp::CInterval<double>(t0, t0 + len));
        break;
    }
    case GeoKind::Arc: {
        auto* c = static_cast<zgp::CArc2d*>(g.curve);
        int p0, p1;
        const double ts = EndAngle(g, P, 0, p0), te = EndAngle(g, P, 1, p1), r = q[2];
        const double a = g.sense * r * ts, b = g.sense * r * te;
        c->SetExact(Vec(q[0], q[1]), r, zgp::CInterval<double>(std::min(a, b), std::max(a, b)), g.sense);
        break;
    }
    case GeoKind::Ellipse: {
        auto* c = static_cast<zgp::CEllipse2d*>(g.curve);
        int p0, p1;
        const double ps = EndAngle(g, P, 0, p0), pe = EndAngle(g, P, 1, p1), a = q[3];
        const double ta = g.sense * a * ps, tb = g.sense * a * pe;
        c->SetExact(Vec(q[0], q[1]), Vec(std::cos(q[2]), std::sin(q[2])), a, q[4],
                    zgp::CInterval<double>(std::min(ta, tb), std::max(ta, tb)), g.sense);
        break;
    }
    case GeoKind::Nurbs: {
        auto* c = static_cast<zgp::CNurbsCurve2d*>(g.curve);
        for (int i = 0; i < g.np / 2; ++i) c->SetCtrlPt(i, Vec(q[2 * i], q[2 * i + 1]), g.weights[i]);
        break;
    }
    }
}

bool CurveValid(const GeomRec& g, const double* P) {
    const double* q = P + g.off;
    for (int k = 0; k < g.np; ++k)
        if (!std::isfinite(q[k])) return false;
    if (g.kind == GeoKind::Arc || g.kind == GeoKind::Ellipse) {
        if (g.kind == GeoKind::Arc ? !(q[2] > 0.0) : !(q[3] > 0.0 && q[4] > 0.0)) return false;
        if (!g.closed) {
            const int first = g.kind == GeoKind::Arc ? 3 : 5;
            const double sweep = g.sense * (q[first + 1] - q[first]);
            if (!(sweep > 0.0 && sweep <= kTwoPi)) return false;
        }
    }
    return true;
}

int EndAngleParam(const GeomRec& g) {
    if (g.closed || (g.kind != GeoKind::Arc && g.kind != GeoKind::Ellipse)) return -1;
    return g.off + (g.kind == GeoKind::Arc ? 4 : 6);
}

void WrapFullTurns(const GeomRec& g, double* P) {
    const int end = EndAngleParam(g);
    if (end < 0) return;
    const double sweep = g.sense * (P[end] - P[end - 1]);
    if (sweep > kTwoPi && std::isfinite(sweep)) P[end] -= g.sense * kTwoPi * (std::ceil(sweep / kTwoPi) - 1.0);
}

double CurveSize(const GeomRec& g, const double* P) {
    const double* q = P + g.off;
    double s = 0.0;
    auto take = [&](double v) { s = std::max(s, std::abs(v)); };
    switch (g.kind) {
    case GeoKind::Line:
        for (int k = 0; k < 4; ++k) take(q[k]);
        take(Vec(q[2] - q[0], q[3] - q[1]).Length());
        break;
    case GeoKind::Arc:
        take(q[0]), take(q[1]), take(q[2]);
        break;
    case GeoKind::Ellipse:
        take(q[0]), take(q[1]), take(q[3]), take(q[4]);
        break;
    case GeoKind::Nurbs:
        for (int k = 0; k < g.np; ++k) take(q[k]);
        break;
    }
    return s;
}

// ---- points ----

bool HasPoint(const GeomRec& g, int refType) {
    if (refType < 1 || refType > 3) return false;
    return !(g.kind == GeoKind::Nurbs && refType == 3);
}

Lin2 PointOf(const GeomRec& g, int refType, const double* P) {
    switch (g.kind) {
    case GeoKind::Line: {  // one result object, built in place: copies of gradients cost more than the sums
        Lin2 q;
        if (refType == 1 || refType == 2) {
            const int o = g.off + (refType == 2 ? 2 : 0);
            q.v = Vec(P[o], P[o + 1]);
            q.gx.Put(o, 1.0);
            q.gy.Put(o + 1, 1.0);
        } else {
            q.v = (Vec(P[g.off], P[g.off + 1]) + Vec(P[g.off + 2], P[g.off + 3])) * 0.5;
            for (int k = 0; k < 2; ++k) {
                q.gx.Put(g.off + 2 * k, 0.5);
                q.gy.Put(g.off + 2 * k + 1, 0.5);
            }
        }
        return q;
    }
    case GeoKind::Arc: {
        if (refType == 3) return CentreOf(g, P);
        int tp;
        const double theta = EndAngle(g, P, refType - 1, tp);
        return ArcPoint(g, P, theta, tp);
    }
    case GeoKind::Ellipse: {
        if (refType == 3) return CentreOf(g, P);
        int fp;
        const double phi = EndAngle(g, P, refType - 1, fp);
        return EllipsePoint(g, P, phi, fp, nullptr);
    }
    case GeoKind::Nurbs:
        return NurbsPoint(g, P, refType == 1 ? g.u0 : g.u1, -1, nullptr);
    }
    return Lin2();
}

void LineEnds(const GeomRec& g, const double* P, Lin2& a, Lin2& b) {
    // Only the entry counts need resetting: clearing whole gradients cost more than the rows.
    a.gx.n = a.gy.n = b.gx.n = b.gy.n = 0;
    a.v = Vec(P[g.off], P[g.off + 1]);
    b.v = Vec(P[g.off + 2], P[g.off + 3]);
    a.gx.Put(g.off, 1.0);
    a.gy.Put(g.off + 1, 1.0);
    b.gx.Put(g.off + 2, 1.0);
    b.gy.Put(g.off + 3, 1.0);
}

Lin2 CentreOf(const GeomRec& g, const double* P) {
    Lin2 c;
    c.v = Vec(P[g.off], P[g.off + 1]);
    c.gx.Put(g.off, 1.0);
    c.gy.Put(g.off + 1, 1.0);
    return c;
}

Lin ParamOf(const GeomRec& g, int k, const double* P) {
    Lin l;
    l.v = P[g.off + k];
    l.g.Put(g.off + k, 1.0);
    return l;
}

Lin2 EndTangent(const GeomRec& g, int refType, const double* P) {
    switch (g.kind) {
    case GeoKind::Line: {
        Lin2 d;
        d.v = Vec(P[g.off + 2] - P[g.off], P[g.off + 3] - P[g.off + 1]);
        d.gx.Put(g.off + 2, 1.0);
        d.gx.Put(g.off, -1.0);
        d.gy.Put(g.off + 3, 1.0);
        d.gy.Put(g.off + 1, -1.0);
        return d;
    }
    case GeoKind::Arc: {
        int tp;
        const double theta = EndAngle(g, P, refType - 1, tp), r = P[g.off + 2];
        const double c = std::cos(theta), s = std::sin(theta);
        Lin2 t;
        t.v = Vec(-r * s, r * c);
        t.gx.Put(g.off + 2, -s);
        t.gy.Put(g.off + 2, c);
        if (tp >= 0) {
            t.gx.Put(tp, -r * c);
            t.gy.Put(tp, -r * s);
        }
        return t;
    }
    case GeoKind::Ellipse: {
        int fp;
        const double phi = EndAngle(g, P, refType - 1, fp);
        Lin2 t;
        EllipsePoint(g, P, phi, fp, &t);
        return t;
    }
    case GeoKind::Nurbs: {
        Lin2 t;
        NurbsPoint(g, P, refType == 1 ? g.u0 : g.u1, -1, &t);
        return t;
    }
    }
    return Lin2();
}

double CurveScale(const GeomRec& g, const double* P) {
    const double* q = P + g.off;
    switch (g.kind) {
    case GeoKind::Line:
        return Vec(q[2] - q[0], q[3] - q[1]).Length();
    case GeoKind::Arc:
        return q[2];
    case GeoKind::Ellipse:
        return 0.5 * (q[3] + q[4]);
    case GeoKind::Nurbs: {
        double len = 0.0;
        for (int i = 2; i + 1 < g.np; i += 2) len += Vec(q[i] - q[i - 2], q[i + 1] - q[i - 1]).Length();
        return len;
    }
    }
    return 0.0;
}

// ---- contact frames ----

bool HasFrame(const GeomRec& g) { return g.kind == GeoKind::Ellipse || g.kind == GeoKind::Nurbs; }

void FrameAt(const GeomRec& g, const double* P, int aux, Lin2& E, Lin2& T) {
    E = Lin2();
    T = Lin2();
    if (g.kind == GeoKind::Ellipse)
        E = EllipsePoint(g, P, P[aux], aux, &T);
    else
        E = NurbsPoint(g, P, P[aux], aux, &T);
}

void FrameValue(const GeomRec& g, const double* P, double u, Vec& E, Vec& T) {
    if (g.kind == GeoKind::Ellipse) {
        const EllipseEval r = EvalEllipse(P + g.off, u);
        E = r.e;
        T = r.t;
    } else {
        const NurbsEval e = EvalNurbs(g, P, u);
        E = e.c;
        T = e.d1;
    }
}

void FrameDomain(const GeomRec& g, const double* P, double& lo, double& hi, bool& periodic, double& scale) {
    if (g.kind == GeoKind::Ellipse) {
        lo = 0.0;
        hi = kTwoPi;
        periodic = true;
        scale = 0.5 * (P[g.off + 3] + P[g.off + 4]);
        return;
    }
    lo = g.u0;
    hi = g.u1;
    periodic = false;
    double poly = 0.0;
    for (int i = 1; i < g.np / 2; ++i)
        poly += Vec(P[g.off + 2 * i] - P[g.off + 2 * i - 2], P[g.off + 2 * i + 1] - P[g.off + 2 * i - 1]).Length();
    scale = hi > lo ? poly / (hi - lo) : poly;
}

double ClampFrameParam(const GeomRec& g, double u) {
    if (g.kind != GeoKind::Nurbs) return u;
    return std::min(std::max(u, g.u0), g.u1);
}

}  // namespace zcs::detail
