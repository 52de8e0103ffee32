// zvd: ZVDDimensionText (item type 19), the value text of a constraint dimension: a text without
// grips, drawn in the curve pass with its dimension.
#pragma once

#include "zvd/entities/zvdtext.h"

class ZVD_EXPORT ZVDDimensionText : public ZVDText {
public:
    ZVDDimensionText() = default;
    static zgp::IBase* CreateInstance();
    EnVDIType itemType() const override;
    int gripCount() override;
    int displayLevel() const override;
};
