// zcs: the building blocks every equation family writes its rows with: angle wrapping, and the
// Emit functions that add a quantity's gradient to the current row and answer its value.
#pragma once

#include <algorithm>
#include <cmath>

#include "curves.h"
#include "model.h"

namespace zcs::detail {

constexpr double kPi = 3.14159265358979323846264338327950;
constexpr double kTwoPi = 2.0 * kPi;

inline double Wrap(double a) { return a - kTwoPi * std::round(a / kTwoPi); }
inline double WrapH(double a) { return a - kPi * std::round(a / kPi); }
inline double SignOf(double v) { return v < 0.0 ? -1.0 : 1.0; }
// A length fixed at the start, or the sketch's size when the geometry has none.
inline double OrSize(double length, double size) { return length > 0.0 ? length : size; }

// The geometry, point and line ends of the i-th reference of a constraint.
inline const GeomRec& RefGeom(const Model& m, const ConsRec& c, int i) { return m.geoms[c.ref[i].geom]; }
inline Lin2 RefPoint(const Model& m, const ConsRec& c, int i, const double* P) {
    return PointOf(RefGeom(m, c, i), c.ref[i].type, P);
}
inline void RefEnds(const Model& m, const ConsRec& c, int i, const double* P, Lin2& a, Lin2& b) {
    LineEnds(RefGeom(m, c, i), P, a, b);
}

// a - b for quantities with few gradient entries (line ends).
inline Lin2 Diff(const Lin2& a, const Lin2& b) {
    Lin2 d;
    d.v = a.v - b.v;
    for (int i = 0; i < a.gx.n; ++i) d.gx.Put(a.gx.p[i], a.gx.d[i]);
    for (int i = 0; i < b.gx.n; ++i) d.gx.Put(b.gx.p[i], -b.gx.d[i]);
    for (int i = 0; i < a.gy.n; ++i) d.gy.Put(a.gy.p[i], a.gy.d[i]);
    for (int i = 0; i < b.gy.n; ++i) d.gy.Put(b.gy.p[i], -b.gy.d[i]);
    return d;
}

// One row whose residual is set once its gradient has been emitted.
struct Row {
    RowBuffer& rb;
    explicit Row(RowBuffer& b) : rb(b) { rb.Begin(0.0); }
    void Set(double v) { rb.res.back() = v; }
};

// Each Emit function adds k times the gradient of its quantity to the current row and
// answers the quantity's value.

inline double EmitLin(RowBuffer& rb, const Lin& q, double k) {
    rb.Add(q.g, k);
    return q.v;
}

// |q - p|
inline double EmitDist(RowBuffer& rb, const Lin2& p, const Lin2& q, double k) {
    const Vec d = q.v - p.v;
    const double len = d.Length();
    const Vec u = len > 0.0 ? d / len : Vec();
    rb.Add(q, k * u.x, k * u.y);
    rb.Add(p, -k * u.x, -k * u.y);
    return len;
}

// SD(x) for the line through a and b.
inline double EmitSD(RowBuffer& rb, const Lin2& a, const Lin2& b, const Lin2& x, double k) {
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
inline double EmitAng(RowBuffer& rb, const Lin2& v, double k) {
    const double s = std::max(v.v.SqrLength(), 1e-300);
    rb.Add(v, -k * v.v.y / s, k * v.v.x / s);
    return std::atan2(v.v.y, v.v.x);
}

// angle of (head - tail)
inline double EmitAngOf(RowBuffer& rb, const Lin2& head, const Lin2& tail, double k) {
    const Vec d = head.v - tail.v;
    const double s = std::max(d.SqrLength(), 1e-300);
    rb.Add(head, -k * d.y / s, k * d.x / s);
    rb.Add(tail, k * d.y / s, -k * d.x / s);
    return std::atan2(d.y, d.x);
}

// (w1 - w2).t / |t|
inline double EmitDotUnit(RowBuffer& rb, const Lin2& w1, const Lin2& w2, const Lin2& t, double k) {
    const Vec w = w1.v - w2.v, T = t.v;
    const double tau = std::max(T.Length(), 1e-300), dot = w.Dot(T), t3 = tau * tau * tau;
    rb.Add(w1, k * T.x / tau, k * T.y / tau);
    rb.Add(w2, -k * T.x / tau, -k * T.y / tau);
    rb.Add(t, k * (w.x / tau - dot * T.x / t3), k * (w.y / tau - dot * T.y / t3));
    return dot / tau;
}

// t x (w1 - w2) / |t|
inline double EmitCrossUnit(RowBuffer& rb, const Lin2& w1, const Lin2& w2, const Lin2& t, double k) {
    const Vec w = w1.v - w2.v, T = t.v;
    const double tau = std::max(T.Length(), 1e-300), c = T.Cross(w), t3 = tau * tau * tau;
    rb.Add(w1, -k * T.y / tau, k * T.x / tau);
    rb.Add(w2, k * T.y / tau, -k * T.x / tau);
    rb.Add(t, k * (w.y / tau - c * T.x / t3), k * (-w.x / tau - c * T.y / t3));
    return c / tau;
}

// Two rows p - q: the points coincide.
inline void EmitCoincidence(RowBuffer& rb, const Lin2& p, const Lin2& q) {
    Row x(rb);
    rb.Add(p.gx, 1.0);
    rb.Add(q.gx, -1.0);
    x.Set(p.v.x - q.v.x);
    Row y(rb);
    rb.Add(p.gy, 1.0);
    rb.Add(q.gy, -1.0);
    y.Set(p.v.y - q.v.y);
}

}  // namespace zcs::detail
