// zvd: ZVDDimensionArc (item type 18), the dimension arc of an angle dimension, made and placed
// by the constraint dimension that holds it; an arc without grips.
#pragma once

#include "zvd/entities/zvdarc.h"

class ZVD_EXPORT ZVDDimensionArc : public ZVDArc {
public:
    ZVDDimensionArc() = default;
    static zgp::IBase* CreateInstance();
    EnVDIType itemType() const override;
    int gripCount() override;
};
