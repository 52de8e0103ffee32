// zcs: the solver's internal model: curves as parameter blocks, constraints resolved into
// equation forms, and the small gradient types the equations are written with.
#pragma once

#include <cstdint>
#include <vector>

#include "zcs/constraint.h"
#include "zgp/vec2.h"

namespace zgp {
class CCurve2d;
}

namespace zcs::detail {

using Vec = zgp::CVec2<double>;

// ---- gradients -------------------------------------------------------------------------

// Most parameters one scalar quantity may depend on directly (a NURBS point depends on
// degree + 1 control points and its curve parameter, which caps the degree at 14).
constexpr int kGradCap = 16;

// Sparse gradient of a scalar with respect to entries of the parameter vector. Entries are
// appended in a fixed order; the same parameter may appear twice (the sums are formed when
// the Jacobian is assembled).
struct Grad {
    int n = 0;
    int p[kGradCap];
    double d[kGradCap];
    void Put(int param, double value) {
        p[n] = param;
        d[n] = value;
        ++n;
    }
};

struct Lin {  // a scalar quantity and its gradient
    double v = 0.0;
    Grad g;
};

struct Lin2 {  // a point or vector quantity and the gradients of its two coordinates
    Vec v;
    Grad gx, gy;
};

// Rows of residuals with their Jacobian entries, appended constraint after constraint.
struct RowBuffer {
    std::vector<double> res;    // residual per row
    std::vector<int> rowBegin;  // first entry of each row; one more at the end after Close
    std::vector<int> prm;       // parameter of each entry
    std::vector<double> coef;   // derivative of the row's residual by that parameter

    void Clear() {
        res.clear();
        rowBegin.clear();
        prm.clear();
        coef.clear();
    }
    void Begin(double residual) {
        res.push_back(residual);
        rowBegin.push_back(static_cast<int>(prm.size()));
    }
    void Add(int param, double c) {
        prm.push_back(param);
        coef.push_back(c);
    }
    void Add(const Grad& g, double c) {
        for (int i = 0; i < g.n; ++i) Add(g.p[i], g.d[i] * c);
    }
    void Add(const Lin2& q, double cx, double cy) {
        Add(q.gx, cx);
        Add(q.gy, cy);
    }
    void Close() { rowBegin.push_back(static_cast<int>(prm.size())); }
    int Rows() const { return static_cast<int>(res.size()); }
};

// ---- curves ----------------------------------------------------------------------------

enum class GeoKind : uint8_t { Line, Arc, Ellipse, Nurbs };

// One registered curve and where its parameters sit in the parameter vector:
//   line     x0 y0 x1 y1                  (start and end points)
//   arc      cx cy r [ts te]              (angles of the ends; a closed arc keeps ts and
//                                          its full turn, so it has only the first three)
//   ellipse  cx cy psi a b [ps pe]        (psi the axis angle, ps pe eccentric angles)
//   NURBS    x0 y0 x1 y1 ...              (control points; weights and knots stay)
struct GeomRec {
    zgp::CCurve2d* curve = nullptr;
    GeoKind kind = GeoKind::Line;
    bool closed = false;
    bool fixed = false;   // held still: its parameters are constants
    int sense = 1;        // turning sense of an arc or ellipse
    int off = 0;          // first parameter
    int np = 0;           // number of parameters
    double angle0 = 0.0;  // start angle of a closed arc or ellipse
    int degree = 0;       // NURBS
    std::vector<double> knots, weights;
    double u0 = 0.0, u1 = 0.0;  // NURBS parameter domain
};

// ---- constraints -----------------------------------------------------------------------

// The equation forms; the table of equations is in equations.h.
enum class Form : uint8_t {
    None,
    Coincident,
    PointOnLine,
    PointOnCircle,
    PointOnFrame,
    Length,
    PointDistance,
    Projected,
    LineDistance,
    CircleDistance,
    FrameDistance,
    ParallelDistance,
    LineAngle,
    Parallel,
    Perpendicular,
    Sweep,
    Radius,
    Diameter,
    EllipseA,
    EllipseB,
    EqualLength,
    EqualRadius,
    EqualEllipse,
    Horizontal,
    Vertical,
    HorizontalPoints,
    VerticalPoints,
    TangentLineCircle,
    TangentCircleCircle,
    TangentLineFrame,
    TangentCircleFrame,
    TangentFrameFrame,
    TangentJoint,
    FixedPoint,
    FixedWhole,
};

// How a constraint takes part in a conflict search: hard ones (internal, from
// AddFixedGeometry) always hold, joints (point-to-point coincidences) are the sketch's
// connections and are blamed only when nothing else explains a conflict.
enum class Tier : uint8_t { Soft, Joint, Hard };

struct RefRec {
    int geom = -1;
    int type = 0;  // EnDimRefType
};

struct ConsRec {
    IConstraint* obj = nullptr;  // null for internal constraints
    int type = 0;                // EnConstraintType as given
    double value = 0.0;
    RefRec ref[3];
    int nref = 0;
    Form form = Form::None;
    Tier tier = Tier::Soft;
    bool valid = true;
    bool joint = false;  // a tangency whose contact a coincidence binds (see TangentJoint)
    int rows = 0;
    int aux = -1;  // first auxiliary parameter (a curve parameter of a contact point)
    int naux = 0;
    double sign = 1.0;            // the solution branch chosen from the start geometry
    double target = 0.0;          // value in the form the equation uses
    double ell = 1.0;             // length that turns an angle residual into drawing units
    std::vector<double> fixedAt;  // FixedPoint / FixedWhole: the values held
};

struct Model {
    std::vector<GeomRec> geoms;
    std::vector<ConsRec> cons;
    std::vector<double> P0;        // parameters as read from the curves, then auxiliaries
    std::vector<double> colScale;  // drawing units per unit of each parameter
    std::vector<uint8_t> isConst;  // parameter of a fixed curve

    int ParamCount() const { return static_cast<int>(P0.size()); }
};

}  // namespace zcs::detail
