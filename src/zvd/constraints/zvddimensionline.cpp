// zvd: ZVDDimensionLine, a grip-less line that constraint dimensions use for their dimension
// and extension lines; registered under item type 17.
#include "zvd/constraints/zvddimensionline.h"

namespace {
const zgp::ZRegHelper<int> s_regDimensionLine(ZVDEntity::GetFactory(), vdiDimensionLine,
                                              &ZVDDimensionLine::CreateInstance);
}  // namespace

zgp::IBase* ZVDDimensionLine::CreateInstance() { return new ZVDDimensionLine(); }
EnVDIType ZVDDimensionLine::itemType() const { return vdiDimensionLine; }
int ZVDDimensionLine::gripCount() { return 0; }
