// zcs: the values a caller hands the constraint solver: result codes, reference kinds,
// constraint kinds, one referenced geometry (ZlDimRefGeometry) and the constraint interface.
#pragma once

#include <vector>

namespace zgp {
class CGeometry;
}

// Result of ISolver2d::Solve. 0 means every constraint holds and the curves were moved;
// any other value means nothing was moved.
enum EnSolveResult {
    esrSolved = 0,        // all constraints hold
    esrConflict = 1,      // some constraints cannot hold together (GetConflicts names them)
    esrNotConverged = 2,  // no solution found from this start, and no conflict proven
    esrInvalid = 3,       // a constraint does not fit the geometry it references
};

// What of a referenced geometry a constraint means.
enum EnDimRefType : int {
    edrCurve = 0,   // the curve itself
    edrStart = 1,   // its start point
    edrEnd = 2,     // its end point
    edrCenter = 3,  // its centre (the midpoint for a line)
};

// Constraint kinds understood by the solver (the numbers are part of the contract).
enum EnConstraintType {
    ectDistance = 1,
    ectAngle = 2,
    ectRadius = 3,
    ectDiameter = 4,
    ectParallel = 5,
    ectTangent = 6,
    ectPerpendicular = 8,
    ectEqual = 9,
    ectHorizontal = 10,
    ectVertical = 11,
    ectCoincident = 12,
    ectPointOnCurve = 13,
    ectEllipseRadiusAlong = 16,   // the ellipse's first radius, along its axis
    ectEllipseRadiusAcross = 17,  // the ellipse's second radius, across its axis
    ectFixed = 18,
};

// One geometry referenced by a constraint, and which part of it is meant. Plain value: it
// neither owns nor references the geometry.
class ZlDimRefGeometry {
public:
    ZlDimRefGeometry() = default;
    ZlDimRefGeometry(zgp::CGeometry* geometry, EnDimRefType type) : m_geometry(geometry), m_type(type) {}

    void SetRefGeometry(zgp::CGeometry* geometry) { m_geometry = geometry; }
    void SetRefType(EnDimRefType type) { m_type = type; }
    zgp::CGeometry* GetRefGeometry() const { return m_geometry; }
    EnDimRefType GetRefType() const { return m_type; }

private:
    zgp::CGeometry* m_geometry = nullptr;
    EnDimRefType m_type = edrCurve;
};

namespace zcs {

using ::EnConstraintType;
using ::EnDimRefType;
using ::EnSolveResult;
using ::ZlDimRefGeometry;

// A constraint as the solver reads it. The caller implements it and owns every object; the
// solver only reads it, and only between AddConstraint and the last call on the solver.
class IConstraint {
public:
    virtual ~IConstraint() = default;
    // The constraint's value: a length, an angle in radians, a radius or a diameter.
    virtual double GetValue() const = 0;
    virtual EnConstraintType GetType() = 0;
    // Appends the referenced geometries, in the constraint's order, to out.
    virtual void GetReferenceGeometries(std::vector<const ZlDimRefGeometry*>& out) const = 0;
};

}  // namespace zcs
