// zvd: the constraint object handed to the solver, and the equality of parameter blocks.
// Reference objects are owned; copies duplicate them.
#include "zvd/constraints/zvdconstraintobj.h"

#include "zvd/constraints/zvdconstraintparams.h"

ZVDConstraintObj::ZVDConstraintObj(const ZVDConstraintObj& other) : m_type(other.m_type), m_value(other.m_value) {
    m_refs.reserve(other.m_refs.size());
    for (const ZlDimRefGeometry* r : other.m_refs) m_refs.push_back(new ZlDimRefGeometry(*r));
}

ZVDConstraintObj& ZVDConstraintObj::operator=(const ZVDConstraintObj& other) {
    if (this == &other) return *this;
    ZVDConstraintObj copy(other);
    clearReferences();
    m_type = copy.m_type;
    m_value = copy.m_value;
    m_refs.swap(copy.m_refs);
    return *this;
}

ZVDConstraintObj::~ZVDConstraintObj() { clearReferences(); }

void ZVDConstraintObj::clearReferences() {
    for (ZlDimRefGeometry* r : m_refs) delete r;
    m_refs.clear();
}

void ZVDConstraintObj::GetReferenceGeometries(std::vector<const ZlDimRefGeometry*>& out) const {
    out.insert(out.end(), m_refs.begin(), m_refs.end());
}

void ZVDConstraintObj::AddReferenceGeometrys(ZlDimRefGeometry* ref) {
    if (ref) m_refs.push_back(ref);
}

// ---- parameter blocks ----

namespace {

bool sameRef(int id1, int index1, EnDimRefType type1, int id2, int index2, EnDimRefType type2) {
    return id1 == id2 && index1 == index2 && type1 == type2;
}

}  // namespace

bool ZVDConstraintParams::operator==(const ZVDConstraintParams& o) const {
    const bool straight = sameRef(entityID1, entityIndexID1, refType1, o.entityID1, o.entityIndexID1, o.refType1) &&
                          sameRef(entityID2, entityIndexID2, refType2, o.entityID2, o.entityIndexID2, o.refType2);
    const bool crossed = sameRef(entityID1, entityIndexID1, refType1, o.entityID2, o.entityIndexID2, o.refType2) &&
                         sameRef(entityID2, entityIndexID2, refType2, o.entityID1, o.entityIndexID1, o.refType1);
    return straight || crossed;
}
