// zvd: ZVDDimensionLine (item type 17), the dimension line or extension line that a constraint
// dimension makes and places as its child; a line without grips.
#pragma once

#include "zvd/entities/zvdline.h"

class ZVD_EXPORT ZVDDimensionLine : public ZVDLine {
public:
    ZVDDimensionLine() = default;
    static zgp::IBase* CreateInstance();
    EnVDIType itemType() const override;
    int gripCount() override;
};
