// zvd: ZVDDimensionArc, a grip-less arc that angle dimensions use for their dimension line;
// registered under item type 18.
#include "zvd/constraints/zvddimensionarc.h"

namespace {
const zgp::ZRegHelper<int> s_regDimensionArc(ZVDEntity::GetFactory(), vdiDimensionArc, &ZVDDimensionArc::CreateInstance);
}  // namespace

zgp::IBase* ZVDDimensionArc::CreateInstance() { return new ZVDDimensionArc(); }
EnVDIType ZVDDimensionArc::itemType() const { return vdiDimensionArc; }
int ZVDDimensionArc::gripCount() { return 0; }
