// zcs: the constraint forms of equations.h: choosing a form, its branch and its starting
// contact points, and evaluating its residuals and gradients.
#include "equations.h"

#include <algorithm>
#include <cmath>

#include "curves.h"

namespace zcs::detail {

namespace {

constexpr double kPi = 3.14159265358979323846264338327950;
constexpr double kTwoPi = 2.0 * kPi;

double Wrap(double a) { return a - kTwoPi * std::round(a / kTwoPi); }
double WrapH(double a) { return a - kPi * std::round(a / kPi); }
double SignOf(double v) { return v < 0.0 ? -1.0 : 1.0; }

// a - b for quantities with few gradient entries (line ends).
Lin2 Diff(const Lin2& a, const Lin2& b) {
    Lin2 d;
    d.v = a.v - b.v;
    for (int i = 0; i < a.gx.n; ++i) d.gx.Put(a.gx.p[i], a.gx.d[i]);
    for (int i = 0; i < b.gx.n; ++i) d.gx.Put(b.gx.p[i], -b.gx.d[i]);
    for (int i = 0; i < a.gy.n; ++i) d.gy.Put(a.gy.p[i], a.gy.d[i]);
    for (int i = 0; i < b.gy.n; ++i) d.gy.Put(b.gy.p[i], -b.gy.d[i]);
    return d;
}

// Each Emit function adds k times the gradient of its quantity to the current row and
// answers the quantity's value.

double EmitLin(RowBuffer& rb, const Lin& q, double k) {
    rb.Add(q.g, k);
    return q.v;
}

// |q - p|
double EmitDist(RowBuffer& rb, const Lin2& p, const Lin2& q, double k) {
    const Vec d = q.v - p.v;
    const double len = d.Length();
    const Vec u = len > 0.0 ? d / len : Vec();
    rb.Add(q, k * u.x, k * u.y);
    rb.Add(p, -k * u.x, -k * u.y);
    return len;
}

// SD(x) for the line through a and b.
double EmitSD(RowBuffer& rb, const Lin2& a, const Lin2& b, const Lin2& x, double k) {
    const Vec d = b.v - a.v, e = x.v - a.v;
    const double len = std::max(d.Length(), 1e-300);
    const double c = d.Cross(e), f = c / len, l3 = len * len * len;
    const Vec gx(-d.y / len, d.x / len);
    const Vec gd(e.y / len - c * d.x / l3, -e.x / len - c * d.y / l3);
    rb.Add(x, k * gx.x, k * gx.y);
    rb.Add(b, k * gd.x, k * gd.y);
    rb.Add(a, -k * (gd.x + gx.x), -k * (gd.y + gx.y));
    return f;
}

// ang(v)
double EmitAng(RowBuffer& rb, const Lin2& v, double k) {
    const double s = std::max(v.v.SqrLength(), 1e-300);
    rb.Add(v, -k * v.v.y / s, k * v.v.x / s);
    return std::atan2(v.v.y, v.v.x);
}

// (w1 - w2).t / |t|
double EmitDotUnit(RowBuffer& rb, const Lin2& w1, const Lin2& w2, const Lin2& t, double k) {
    const Vec w = w1.v - w2.v, T = t.v;
    const double tau = std::max(T.Length(), 1e-300), dot = w.Dot(T), t3 = tau * tau * tau;
    rb.Add(w1, k * T.x / tau, k * T.y / tau);
    rb.Add(w2, -k * T.x / tau, -k * T.y / tau);
    rb.Add(t, k * (w.x / tau - dot * T.x / t3), k * (w.y / tau - dot * T.y / t3));
    return dot / tau;
}

// t x (w1 - w2) / |t|
double EmitCrossUnit(RowBuffer& rb, const Lin2& w1, const Lin2& w2, const Lin2& t, double k) {
    const Vec w = w1.v - w2.v, T = t.v;
    const double tau = std::max(T.Length(), 1e-300), c = T.Cross(w), t3 = tau * tau * tau;
    rb.Add(w1, -k * T.y / tau, k * T.x / tau);
    rb.Add(w2, k * T.y / tau, -k * T.x / tau);
    rb.Add(t, k * (w.y / tau - c * T.x / t3), k * (-w.x / tau - c * T.y / t3));
    return c / tau;
}

// One row whose residual is set once its gradient has been emitted.
struct Row {
    RowBuffer& rb;
    explicit Row(RowBuffer& b) : rb(b) { rb.Begin(0.0); }
    void Set(double v) { rb.res.back() = v; }
};

// angle of (head - tail)
double EmitAngOf(RowBuffer& rb, const Lin2& head, const Lin2& tail, double k) {
    const Vec d = head.v - tail.v;
    const double s = std::max(d.SqrLength(), 1e-300);
    rb.Add(head, -k * d.y / s, k * d.x / s);
    rb.Add(tail, k * d.y / s, -k * d.x / s);
    return std::atan2(d.y, d.x);
}

// Angle of the tangent of side i of a TangentJoint at the contact: at its own bound end
// (type 1, 2), or at the foot of the other side's end (type 0).
double EmitContactAngle(const Model& m, const ConsRec& c, int i, const double* P, RowBuffer& rb, double k) {
    const GeomRec& g = m.geoms[c.ref[i].geom];
    const int type = c.ref[i].type;
    if (g.kind == GeoKind::Line || type != 0) return EmitAng(rb, EndTangent(g, type == 0 ? 1 : type, P), k);
    if (g.kind == GeoKind::Arc) {
        const GeomRec& other = m.geoms[c.ref[1 - i].geom];
        return EmitAngOf(rb, PointOf(other, c.ref[1 - i].type, P), CentreOf(g, P), k) + 0.5 * kPi;
    }
    Lin2 e, t;
    FrameAt(g, P, c.aux, e, t);
    return EmitAng(rb, t, k);
}

void EvalForm(const Model& m, const ConsRec& c, Form form, const double* P, RowBuffer& rb) {
    const GeomRec* g[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < c.nref; ++i) g[i] = &m.geoms[c.ref[i].geom];
    auto point = [&](int i) { return PointOf(*g[i], c.ref[i].type, P); };
    auto ends = [&](int i, Lin2& a, Lin2& b) { LineEnds(*g[i], P, a, b); };
    const double v = c.value;
    switch (form) {
    case Form::None:
        break;
    case Form::Coincident: {
        const Lin2 p = point(0), q = point(1);
        Row x(rb);
        rb.Add(p.gx, 1.0);
        rb.Add(q.gx, -1.0);
        x.Set(p.v.x - q.v.x);
        Row y(rb);
        rb.Add(p.gy, 1.0);
        rb.Add(q.gy, -1.0);
        y.Set(p.v.y - q.v.y);
        break;
    }
    case Form::PointOnLine:
    case Form::LineDistance: {
        const Lin2 p = point(0);
        Lin2 a, b;
        ends(1, a, b);
        const double s = form == Form::LineDistance ? c.sign : 1.0;
        Row r(rb);
        const double sd = EmitSD(rb, a, b, p, s);
        r.Set(s * sd - (form == Form::LineDistance ? v : 0.0));
        break;
    }
    case Form::PointOnCircle:
    case Form::CircleDistance: {
        const Lin2 p = point(0), ctr = CentreOf(*g[1], P);
        const double s = form == Form::CircleDistance ? c.sign : 1.0;
        Row r(rb);
        const double d = EmitDist(rb, ctr, p, s);
        const double rad = EmitLin(rb, ParamOf(*g[1], 2, P), -s);
        r.Set(s * (d - rad) - (form == Form::CircleDistance ? v : 0.0));
        break;
    }
    case Form::PointOnFrame: {
        const Lin2 p = point(0);
        Lin2 e, t;
        FrameAt(*g[1], P, c.aux, e, t);
        Row x(rb);
        rb.Add(p.gx, 1.0);
        rb.Add(e.gx, -1.0);
        x.Set(p.v.x - e.v.x);
        Row y(rb);
        rb.Add(p.gy, 1.0);
        rb.Add(e.gy, -1.0);
        y.Set(p.v.y - e.v.y);
        break;
    }
    case Form::FrameDistance: {
        const Lin2 p = point(0);
        Lin2 e, t;
        FrameAt(*g[1], P, c.aux, e, t);
        Row foot(rb);
        foot.Set(EmitDotUnit(rb, p, e, t, 1.0));
        Row dist(rb);
        dist.Set(c.sign * EmitCrossUnit(rb, p, e, t, c.sign) - v);
        break;
    }
    case Form::Length: {
        Lin2 a, b;
        ends(0, a, b);
        Row r(rb);
        r.Set(EmitDist(rb, a, b, 1.0) - v);
        break;
    }
    case Form::PointDistance: {
        const Lin2 p = point(0), q = point(1);
        Row r(rb);
        r.Set(EmitDist(rb, p, q, 1.0) - v);
        break;
    }
    case Form::Projected: {
        const Lin2 p = point(0), q = point(1);
        Lin2 a, b;
        ends(2, a, b);
        Row r(rb);
        r.Set(EmitDotUnit(rb, q, p, Diff(b, a), 1.0) - c.sign * v);
        break;
    }
    case Form::ParallelDistance: {
        Lin2 a1, b1, a2, b2;
        ends(0, a1, b1);
        ends(1, a2, b2);
        Row r1(rb);
        r1.Set(c.sign * EmitSD(rb, a1, b1, a2, c.sign) - v);
        Row r2(rb);
        r2.Set(c.sign * EmitSD(rb, a1, b1, b2, c.sign) - v);
        break;
    }
    case Form::LineAngle:
    case Form::Parallel:
    case Form::Perpendicular: {
        Lin2 a1, b1, a2, b2;
        ends(0, a1, b1);
        ends(1, a2, b2);
        Row r(rb);
        const double d = EmitAng(rb, Diff(b2, a2), c.ell) - EmitAng(rb, Diff(b1, a1), -c.ell);
        double res;
        if (form == Form::LineAngle)
            res = Wrap(d - v);
        else
            res = WrapH(d - (form == Form::Perpendicular ? 0.5 * kPi : 0.0));
        r.Set(c.ell * res);
        break;
    }
    case Form::Sweep: {
        Row r(rb);
        const double sense = g[0]->sense;
        const double te = EmitLin(rb, ParamOf(*g[0], 4, P), c.ell * sense);
        const double ts = EmitLin(rb, ParamOf(*g[0], 3, P), -c.ell * sense);
        r.Set(c.ell * (sense * (te - ts) - c.target));
        break;
    }
    case Form::Radius:
    case Form::Diameter:
    case Form::EllipseA:
    case Form::EllipseB: {
        const int k = (form == Form::EllipseA) ? 3 : (form == Form::EllipseB) ? 4 : 2;
        const double f = form == Form::Diameter ? 2.0 : 1.0;
        Row r(rb);
        r.Set(f * EmitLin(rb, ParamOf(*g[0], k, P), f) - v);
        break;
    }
    case Form::EqualLength: {
        Lin2 a1, b1, a2, b2;
        ends(0, a1, b1);
        ends(1, a2, b2);
        Row r(rb);
        r.Set(EmitDist(rb, a1, b1, 1.0) - EmitDist(rb, a2, b2, -1.0));
        break;
    }
    case Form::EqualRadius:
    case Form::EqualEllipse: {
        const int first = form == Form::EqualRadius ? 2 : 3, last = form == Form::EqualRadius ? 2 : 4;
        for (int k = first; k <= last; ++k) {
            Row r(rb);
            r.Set(EmitLin(rb, ParamOf(*g[0], k, P), 1.0) - EmitLin(rb, ParamOf(*g[1], k, P), -1.0));
        }
        break;
    }
    case Form::Horizontal:
    case Form::Vertical:
    case Form::HorizontalPoints:
    case Form::VerticalPoints: {
        Lin2 a, b;
        if (form == Form::Horizontal || form == Form::Vertical)
            ends(0, a, b);
        else
            a = point(0), b = point(1);
        const bool h = form == Form::Horizontal || form == Form::HorizontalPoints;
        Row r(rb);
        rb.Add(h ? b.gy : b.gx, 1.0);
        rb.Add(h ? a.gy : a.gx, -1.0);
        r.Set(h ? b.v.y - a.v.y : b.v.x - a.v.x);
        break;
    }
    case Form::TangentLineCircle: {
        Lin2 a, b;
        ends(0, a, b);
        const Lin2 ctr = CentreOf(*g[1], P);
        Row r(rb);
        const double sd = EmitSD(rb, a, b, ctr, c.sign);
        r.Set(c.sign * sd - EmitLin(rb, ParamOf(*g[1], 2, P), -1.0));
        break;
    }
    case Form::TangentCircleCircle: {
        const Lin2 c1 = CentreOf(*g[0], P), c2 = CentreOf(*g[1], P);
        Row r(rb);
        const double d = EmitDist(rb, c1, c2, 1.0);
        const bool external = c.target > 0.5;
        const double k1 = external ? -1.0 : -c.sign, k2 = external ? -1.0 : c.sign;
        const double r1 = EmitLin(rb, ParamOf(*g[0], 2, P), k1), r2 = EmitLin(rb, ParamOf(*g[1], 2, P), k2);
        r.Set(d + k1 * r1 + k2 * r2);
        break;
    }
    case Form::TangentLineFrame: {
        Lin2 a, b, e, t;
        ends(0, a, b);
        FrameAt(*g[1], P, c.aux, e, t);
        Row on(rb);
        on.Set(EmitSD(rb, a, b, e, 1.0));
        Row dir(rb);
        const double d = EmitAng(rb, t, c.ell) - EmitAng(rb, Diff(b, a), -c.ell);
        dir.Set(c.ell * WrapH(d));
        break;
    }
    case Form::TangentCircleFrame: {
        const Lin2 ctr = CentreOf(*g[0], P);
        Lin2 e, t;
        FrameAt(*g[1], P, c.aux, e, t);
        Row on(rb);
        const double d = EmitDist(rb, ctr, e, 1.0);
        on.Set(d - EmitLin(rb, ParamOf(*g[0], 2, P), -1.0));
        Row normal(rb);
        normal.Set(EmitDotUnit(rb, e, ctr, t, 1.0));
        break;
    }
    case Form::TangentFrameFrame: {
        Lin2 e1, t1, e2, t2;
        FrameAt(*g[0], P, c.aux, e1, t1);
        FrameAt(*g[1], P, c.aux + 1, e2, t2);
        Row x(rb);
        rb.Add(e1.gx, 1.0);
        rb.Add(e2.gx, -1.0);
        x.Set(e1.v.x - e2.v.x);
        Row y(rb);
        rb.Add(e1.gy, 1.0);
        rb.Add(e2.gy, -1.0);
        y.Set(e1.v.y - e2.v.y);
        Row dir(rb);
        const double d = EmitAng(rb, t2, c.ell) - EmitAng(rb, t1, -c.ell);
        dir.Set(c.ell * WrapH(d));
        break;
    }
    case Form::TangentJoint: {
        if (c.naux > 0) {
            Lin2 e, t;
            FrameAt(*g[1], P, c.aux, e, t);
            Row foot(rb);
            foot.Set(EmitDotUnit(rb, point(0), e, t, 1.0));
        }
        Row dir(rb);
        const double d = EmitContactAngle(m, c, 0, P, rb, c.ell) - EmitContactAngle(m, c, 1, P, rb, -c.ell);
        dir.Set(c.ell * WrapH(d));
        break;
    }
    case Form::FixedPoint: {
        const Lin2 p = point(0);
        Row x(rb);
        rb.Add(p.gx, 1.0);
        x.Set(p.v.x - c.fixedAt[0]);
        Row y(rb);
        rb.Add(p.gy, 1.0);
        y.Set(p.v.y - c.fixedAt[1]);
        break;
    }
    case Form::FixedWhole: {
        for (int k = 0; k < g[0]->np; ++k) {
            const int prm = g[0]->off + k;
            const double s = m.colScale[prm];
            Row r(rb);
            rb.Add(prm, s);
            r.Set((P[prm] - c.fixedAt[k]) * s);
        }
        break;
    }
    }
}

// ---- starting contact points ----

// Rows of each form that place the extra unknowns when the curves are held still.
bool PlacingRow(Form f, int row) {
    switch (f) {
    case Form::FrameDistance:
        return row == 0;
    case Form::TangentLineFrame:
        return row == 1;
    case Form::TangentCircleFrame:
        return row == 1;
    case Form::TangentJoint:
        return row == 0;
    default:
        return true;
    }
}

double SumSquares(const RowBuffer& rb, Form f, bool placingOnly) {
    double s = 0.0;
    for (int i = 0; i < rb.Rows(); ++i)
        if (!placingOnly || PlacingRow(f, i)) s += rb.res[i] * rb.res[i];
    return s;
}

// Starts the extra unknowns of c at the best of a set of samples along their curves, then
// refines them by Gauss-Newton on the placing rows with the curves held still, so that a
// constraint that already holds starts with a residual at rounding level.
void PlaceContacts(Model& m, ConsRec& c) {
    double* P = m.P0.data();
    const Form sampleForm =
        (c.form == Form::FrameDistance || c.form == Form::TangentJoint) ? Form::PointOnFrame : c.form;
    RowBuffer rb;
    auto objective = [&](Form f, bool placing) {
        rb.Clear();
        EvalForm(m, c, f, P, rb);
        return SumSquares(rb, f, placing);
    };
    double lo[2], hi[2], scale[2];
    bool periodic[2];
    std::vector<double> samples[2];
    for (int k = 0; k < c.naux; ++k) {
        const GeomRec& g = m.geoms[c.ref[AuxCurve(c, k)].geom];
        FrameDomain(g, P, lo[k], hi[k], periodic[k], scale[k]);
        const int cap = c.naux == 1 ? 360 : 60;
        const int n = periodic[k] ? cap : std::max(8, std::min(cap, 8 * static_cast<int>(g.knots.size())));
        const int count = periodic[k] ? n : n + 1;
        for (int i = 0; i < count; ++i) samples[k].push_back(lo[k] + (hi[k] - lo[k]) * i / n);
    }
    double best = HUGE_VAL, bestU[2] = {lo[0], lo[1]};
    const size_t n1 = c.naux > 1 ? samples[1].size() : 1;
    for (double u0 : samples[0])
        for (size_t j = 0; j < n1; ++j) {
            P[c.aux] = u0;
            if (c.naux > 1) P[c.aux + 1] = samples[1][j];
            const double f = objective(sampleForm, false);
            if (f < best) {
                best = f;
                bestU[0] = u0;
                if (c.naux > 1) bestU[1] = samples[1][j];
            }
        }
    for (int k = 0; k < c.naux; ++k) P[c.aux + k] = bestU[k];

    double cur = objective(c.form, true);
    for (int it = 0; it < 50 && cur > 0.0; ++it) {
        rb.Close();
        double jtj[2][2] = {{0, 0}, {0, 0}}, jtr[2] = {0, 0};
        for (int i = 0; i < rb.Rows(); ++i) {
            if (!PlacingRow(c.form, i)) continue;
            double d[2] = {0, 0};
            for (int e = rb.rowBegin[i]; e < rb.rowBegin[i + 1]; ++e)
                for (int k = 0; k < c.naux; ++k)
                    if (rb.prm[e] == c.aux + k) d[k] += rb.coef[e];
            for (int k = 0; k < c.naux; ++k) {
                jtr[k] += d[k] * rb.res[i];
                for (int l = 0; l < c.naux; ++l) jtj[k][l] += d[k] * d[l];
            }
        }
        double step[2] = {0, 0};
        if (c.naux == 1) {
            if (!(jtj[0][0] > 0.0)) break;
            step[0] = -jtr[0] / jtj[0][0];
        } else {
            const double det = jtj[0][0] * jtj[1][1] - jtj[0][1] * jtj[1][0];
            if (!(std::abs(det) > 1e-300)) break;
            step[0] = -(jtj[1][1] * jtr[0] - jtj[0][1] * jtr[1]) / det;
            step[1] = -(jtj[0][0] * jtr[1] - jtj[1][0] * jtr[0]) / det;
        }
        const double u[2] = {P[c.aux], c.naux > 1 ? P[c.aux + 1] : 0.0};
        bool accepted = false;
        for (double alpha = 1.0; alpha > 1e-4 && !accepted; alpha *= 0.5) {
            for (int k = 0; k < c.naux; ++k) {
                const GeomRec& g = m.geoms[c.ref[AuxCurve(c, k)].geom];
                P[c.aux + k] = ClampFrameParam(g, u[k] + alpha * step[k]);
            }
            const double f = objective(c.form, true);
            if (f < cur) {
                cur = f;
                accepted = true;
            }
        }
        if (!accepted) {
            for (int k = 0; k < c.naux; ++k) P[c.aux + k] = u[k];
            break;
        }
        if (std::abs(step[0]) + std::abs(step[1]) <= 1e-15 * (1.0 + std::abs(u[0]) + std::abs(u[1]))) break;
    }
}

bool Fail(ConsRec& c) {
    c.valid = false;
    c.form = Form::None;
    c.rows = 0;
    c.naux = 0;
    return false;
}

int RowCount(const Model& m, const ConsRec& c) {
    switch (c.form) {
    case Form::None:
        return 0;
    case Form::Coincident:
    case Form::PointOnFrame:
    case Form::FrameDistance:
    case Form::ParallelDistance:
    case Form::EqualEllipse:
    case Form::TangentLineFrame:
    case Form::TangentCircleFrame:
    case Form::FixedPoint:
        return 2;
    case Form::TangentFrameFrame:
        return 3;
    case Form::TangentJoint:
        return 1 + c.naux;
    case Form::FixedWhole:
        return m.geoms[c.ref[0].geom].np;
    default:
        return 1;
    }
}

int AuxCount(const Model& m, const ConsRec& c) {
    if (c.form == Form::TangentJoint) return c.ref[1].type == 0 && HasFrame(m.geoms[c.ref[1].geom]) ? 1 : 0;
    switch (c.form) {
    case Form::PointOnFrame:
    case Form::FrameDistance:
    case Form::TangentLineFrame:
    case Form::TangentCircleFrame:
        return 1;
    case Form::TangentFrameFrame:
        return 2;
    default:
        return 0;
    }
}

}  // namespace

bool ResolveConstraint(Model& m, ConsRec& c, double size) {
    c.valid = true;
    c.form = Form::None;
    c.tier = c.obj ? Tier::Soft : Tier::Hard;
    for (int i = 0; i < c.nref; ++i)
        if (c.ref[i].geom < 0) return Fail(c);
    auto geo = [&](int i) -> const GeomRec& { return m.geoms[c.ref[i].geom]; };
    auto isPt = [&](int i) { return HasPoint(geo(i), c.ref[i].type); };
    auto isCurve = [&](int i) { return c.ref[i].type == 0; };
    auto isLine = [&](int i) { return geo(i).kind == GeoKind::Line; };
    auto isArc = [&](int i) { return geo(i).kind == GeoKind::Arc; };
    auto isFrame = [&](int i) { return HasFrame(geo(i)); };
    auto isEllipse = [&](int i) { return geo(i).kind == GeoKind::Ellipse; };
    const double v = c.value;
    const int n = c.nref;
    if (!std::isfinite(v)) return Fail(c);

    // A point and a curve, in either order, put as (point, curve); the form by the curve.
    auto pointAndCurve = [&](Form onLine, Form onCircle, Form onFrame) {
        if (n != 2) return false;
        if (isCurve(0) && isPt(1)) std::swap(c.ref[0], c.ref[1]);
        if (!(isPt(0) && isCurve(1))) return false;
        c.form = isLine(1) ? onLine : isArc(1) ? onCircle : onFrame;
        return true;
    };
    const bool twoLines = n == 2 && isLine(0) && isLine(1);
    const bool twoArcs = n == 2 && isArc(0) && isArc(1);

    switch (c.type) {
    case ectDistance:
        if (v < 0.0) return Fail(c);
        if (n == 1 && isCurve(0) && isLine(0))
            c.form = Form::Length;
        else if (n == 2 && isPt(0) && isPt(1))
            c.form = v <= 1e-12 * size ? Form::Coincident : Form::PointDistance;
        else if (n == 2 && isCurve(0) && isCurve(1)) {
            if (!twoLines) return Fail(c);
            c.form = Form::ParallelDistance;
        } else if (n == 3) {
            int line = -1, pts = 0;
            for (int i = 0; i < 3; ++i) {
                if (isCurve(i) && isLine(i) && line < 0)
                    line = i;
                else if (isPt(i))
                    ++pts;
            }
            if (line < 0 || pts != 2) return Fail(c);
            const RefRec l = c.ref[line];
            for (int i = line; i < 2; ++i) c.ref[i] = c.ref[i + 1];
            c.ref[2] = l;
            c.form = Form::Projected;
        } else if (!pointAndCurve(Form::LineDistance, Form::CircleDistance, Form::FrameDistance)) {
            return Fail(c);
        }
        break;
    case ectAngle:
        if (n == 1 && isArc(0) && !geo(0).closed)
            c.form = Form::Sweep;
        else if (twoLines)
            c.form = Form::LineAngle;
        else
            return Fail(c);
        break;
    case ectRadius:
    case ectDiameter:
        if (n != 1 || !isArc(0) || !(v > 0.0)) return Fail(c);
        c.form = c.type == ectRadius ? Form::Radius : Form::Diameter;
        break;
    case ectParallel:
    case ectPerpendicular:
        if (!twoLines) return Fail(c);
        c.form = c.type == ectParallel ? Form::Parallel : Form::Perpendicular;
        break;
    case ectTangent:
        if (n != 2 || (isLine(0) && isLine(1))) return Fail(c);
        if (c.joint) {
            // the side whose contact is the foot of the other's end goes second
            if (c.ref[0].type == 0) std::swap(c.ref[0], c.ref[1]);
            c.form = Form::TangentJoint;
            break;
        }
        if ((isArc(0) || isFrame(0)) && isLine(1))
            std::swap(c.ref[0], c.ref[1]);
        else if (isFrame(0) && isArc(1))
            std::swap(c.ref[0], c.ref[1]);
        if (isLine(0) && isArc(1))
            c.form = Form::TangentLineCircle;
        else if (twoArcs)
            c.form = Form::TangentCircleCircle;
        else if (isLine(0) && isFrame(1))
            c.form = Form::TangentLineFrame;
        else if (isArc(0) && isFrame(1))
            c.form = Form::TangentCircleFrame;
        else if (isFrame(0) && isFrame(1))
            c.form = Form::TangentFrameFrame;
        else
            return Fail(c);
        c.ref[0].type = c.ref[1].type = 0;
        break;
    case ectEqual:
        if (twoLines)
            c.form = Form::EqualLength;
        else if (twoArcs)
            c.form = Form::EqualRadius;
        else if (n == 2 && isEllipse(0) && isEllipse(1))
            c.form = Form::EqualEllipse;
        else
            return Fail(c);
        break;
    case ectHorizontal:
    case ectVertical: {
        const bool h = c.type == ectHorizontal;
        if (n == 1 && isCurve(0) && isLine(0))
            c.form = h ? Form::Horizontal : Form::Vertical;
        else if (n == 2 && isPt(0) && isPt(1))
            c.form = h ? Form::HorizontalPoints : Form::VerticalPoints;
        else
            return Fail(c);
        break;
    }
    case ectCoincident:
        if (n == 2 && isPt(0) && isPt(1)) {
            c.form = Form::Coincident;
            if (c.tier == Tier::Soft) c.tier = Tier::Joint;
        } else if (n == 2 && isCurve(0) && isCurve(1)) {
            c.form = Form::None;
        } else if (!pointAndCurve(Form::PointOnLine, Form::PointOnCircle, Form::PointOnFrame)) {
            return Fail(c);
        }
        break;
    case ectPointOnCurve:
        if (!pointAndCurve(Form::PointOnLine, Form::PointOnCircle, Form::PointOnFrame)) return Fail(c);
        break;
    case ectEllipseRadiusAlong:
    case ectEllipseRadiusAcross:
        if (n != 1 || !isEllipse(0) || !(v > 0.0)) return Fail(c);
        c.form = c.type == ectEllipseRadiusAlong ? Form::EllipseA : Form::EllipseB;
        break;
    case ectFixed:
        if (n == 1 && isPt(0))
            c.form = Form::FixedPoint;
        else if (n == 1 && isCurve(0))
            c.form = Form::FixedWhole;
        else
            return Fail(c);
        break;
    default:
        return Fail(c);
    }

    // Branches, lengths and held values from the start geometry. (P is refreshed below when
    // extra unknowns are appended to the parameter vector.)
    const double* P = m.P0.data();
    auto lineLength = [&](int i) {
        const int o = geo(i).off;
        return Vec(P[o + 2] - P[o], P[o + 3] - P[o + 1]).Length();
    };
    auto orSize = [&](double l) { return l > 0.0 ? l : size; };
    RowBuffer rb;
    switch (c.form) {
    case Form::LineDistance: {
        Lin2 a, b;
        LineEnds(geo(1), P, a, b);
        c.sign = SignOf(EmitSD(rb, a, b, PointOf(geo(0), c.ref[0].type, P), 1.0));
        break;
    }
    case Form::CircleDistance: {
        const double d = PointOf(geo(0), c.ref[0].type, P).v.DistanceTo(CentreOf(geo(1), P).v);
        const double r = P[geo(1).off + 2];
        c.sign = (d < r && v < r) ? -1.0 : 1.0;
        break;
    }
    case Form::ParallelDistance: {
        Lin2 a, b;
        LineEnds(geo(0), P, a, b);
        c.sign = SignOf(EmitSD(rb, a, b, PointOf(geo(1), 3, P), 1.0));
        break;
    }
    case Form::Projected: {
        Lin2 a, b;
        LineEnds(geo(2), P, a, b);
        const Vec d = PointOf(geo(1), c.ref[1].type, P).v - PointOf(geo(0), c.ref[0].type, P).v;
        c.sign = SignOf(d.Dot(b.v - a.v));
        break;
    }
    case Form::LineAngle:
    case Form::Parallel:
    case Form::Perpendicular:
        c.ell = orSize(0.5 * (lineLength(0) + lineLength(1)));
        break;
    case Form::Sweep:
        c.target = geo(0).sense > 0 ? v : kTwoPi - v;
        if (!(c.target > 0.0 && c.target < kTwoPi)) return Fail(c);
        c.ell = orSize(P[geo(0).off + 2]);
        break;
    case Form::TangentLineCircle: {
        Lin2 a, b;
        LineEnds(geo(0), P, a, b);
        c.sign = SignOf(EmitSD(rb, a, b, CentreOf(geo(1), P), 1.0));
        break;
    }
    case Form::TangentCircleCircle: {
        const double d = CentreOf(geo(0), P).v.DistanceTo(CentreOf(geo(1), P).v);
        const double r1 = P[geo(0).off + 2], r2 = P[geo(1).off + 2];
        c.target = std::abs(d - (r1 + r2)) <= std::abs(d - std::abs(r1 - r2)) ? 1.0 : 0.0;
        c.sign = r1 >= r2 ? 1.0 : -1.0;
        break;
    }
    case Form::FixedPoint: {
        const Vec p = PointOf(geo(0), c.ref[0].type, P).v;
        c.fixedAt = {p.x, p.y};
        break;
    }
    case Form::FixedWhole:
        c.fixedAt.assign(P + geo(0).off, P + geo(0).off + geo(0).np);
        break;
    default:
        break;
    }

    if (c.form == Form::TangentJoint) c.ell = orSize(0.5 * (CurveScale(geo(0), P) + CurveScale(geo(1), P)));
    c.naux = AuxCount(m, c);
    c.rows = RowCount(m, c);
    if (c.naux > 0) {
        c.aux = m.ParamCount();
        for (int k = 0; k < c.naux; ++k) {
            const GeomRec& g = geo(AuxCurve(c, k));
            double lo, hi, scale;
            bool periodic;
            FrameDomain(g, P, lo, hi, periodic, scale);
            m.P0.push_back(lo);
            P = m.P0.data();
            m.colScale.push_back(scale > 0.0 ? scale : size);
            m.isConst.push_back(0);
        }
        double frameScale = 0.0;
        for (int k = 0; k < c.naux; ++k) frameScale += m.colScale[c.aux + k] / c.naux;
        if (c.form == Form::TangentLineFrame)
            c.ell = orSize(0.5 * (lineLength(0) + frameScale));
        else if (c.form != Form::TangentJoint)
            c.ell = orSize(frameScale);
        PlaceContacts(m, c);
        if (c.form == Form::FrameDistance) {
            Lin2 e, t;
            FrameAt(geo(1), P, c.aux, e, t);
            const Lin2 p = PointOf(geo(0), c.ref[0].type, P);
            c.sign = SignOf(t.v.Cross(p.v - e.v));
        }
    }
    return true;
}

int AuxCurve(const ConsRec& c, int k) { return c.form == Form::TangentFrameFrame ? k : 1; }

void EvalRows(const Model& m, const ConsRec& c, const double* P, RowBuffer& out) {
    if (c.valid) EvalForm(m, c, c.form, P, out);
}

}  // namespace zcs::detail
