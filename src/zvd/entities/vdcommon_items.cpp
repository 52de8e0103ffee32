// vdcommon helpers that need the item classes: recognising constraint items.
// They live with the entities so that the encodings in foundation/ stay free of item types.
#include "zvd/entities/zvdentity.h"
#include "zvd/foundation/vdcommon.h"

namespace vdcommon {

bool isConstraint(const ZVDEntity* item) {
    if (!item) return false;
    const EnVDIType type = item->itemType();
    return type == vdiConstraint || type == vdiConstraintDimension;
}

bool isConstraintDim(const ZVDEntity* item) { return item && item->itemType() == vdiConstraintDimension; }

}  // namespace vdcommon
