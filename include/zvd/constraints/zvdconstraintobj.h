// zvd: ZVDConstraintObj, the constraint object the library hands the solver: a solver kind,
// a value and the referenced geometries, which it owns.
#pragma once

#include <vector>

#include "zcs/constraint.h"
#include "zvd/foundation/zvdexport.h"

// Owns its reference objects. Copies duplicate them, so no two objects delete the same one.
class ZVD_EXPORT ZVDConstraintObj : public zcs::IConstraint {
public:
    ZVDConstraintObj() = default;
    ZVDConstraintObj(const ZVDConstraintObj& other);
    ZVDConstraintObj& operator=(const ZVDConstraintObj& other);
    ~ZVDConstraintObj() override;

    double GetValue() const override { return m_value; }
    EnConstraintType GetType() override { return m_type; }
    void GetReferenceGeometries(std::vector<const ZlDimRefGeometry*>& out) const override;

    void SetType(EnConstraintType type) { m_type = type; }
    void SetValue(double value) { m_value = value; }
    // Appends ref and takes ownership of it; null is ignored.
    void AddReferenceGeometrys(ZlDimRefGeometry* ref);
    int referenceCount() const { return static_cast<int>(m_refs.size()); }

private:
    void clearReferences();

    EnConstraintType m_type = ectDistance;
    double m_value = 0;
    std::vector<ZlDimRefGeometry*> m_refs;
};
