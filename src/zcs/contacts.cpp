// zcs: contact points, the extra unknowns of constraints on ellipses and NURBS curves: adding
// them to the model and placing them where the constraint holds best before the solve starts.
#include <algorithm>
#include <cmath>
#include <vector>

#include "equation_families.h"
#include "equations.h"

namespace zcs::detail {

namespace {

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

}  // namespace

double AddContacts(Model& m, ConsRec& c, double size) {
    c.aux = m.ParamCount();
    for (int k = 0; k < c.naux; ++k) {
        const GeomRec& g = m.geoms[c.ref[AuxCurve(c, k)].geom];
        double lo, hi, scale;
        bool periodic;
        FrameDomain(g, m.P0.data(), lo, hi, periodic, scale);
        m.P0.push_back(lo);
        m.colScale.push_back(scale > 0.0 ? scale : size);
        m.isConst.push_back(0);
    }
    double frameScale = 0.0;
    for (int k = 0; k < c.naux; ++k) frameScale += m.colScale[c.aux + k] / c.naux;
    return frameScale;
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
    double lo[2] = {0.0, 0.0}, hi[2] = {0.0, 0.0}, scale[2];
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

}  // namespace zcs::detail
