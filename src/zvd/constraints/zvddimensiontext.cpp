// zvd: ZVDDimensionText, the grip-less value text of a constraint dimension, drawn with the
// curves (display level 1); registered under item type 19.
#include "zvd/constraints/zvddimensiontext.h"

namespace {
const zgp::ZRegHelper<int> s_regDimensionText(ZVDEntity::GetFactory(), vdiDimensionText,
                                              &ZVDDimensionText::CreateInstance);
}  // namespace

zgp::IBase* ZVDDimensionText::CreateInstance() { return new ZVDDimensionText(); }
EnVDIType ZVDDimensionText::itemType() const { return vdiDimensionText; }
int ZVDDimensionText::gripCount() { return 0; }
int ZVDDimensionText::displayLevel() const { return 1; }
