// zvd: the 21 constraint kinds, one data class per kind number: the relations (0 to 10) and
// the measured kinds (11 to 20), each with its solver objects, mark anchor, mark and value rules.
#pragma once

#include "zvd/constraints/zvdconstraintdata.h"

// ---- relations: no value of their own ----

#define ZVD_RELATION_KIND(Name)                                                        \
    class ZVD_EXPORT Name : public ZVDConstraintData {                                 \
    public:                                                                            \
        using ZVDConstraintData::ZVDConstraintData;                                    \
        void draw(HDC hdc, const ZCoordTrans& trans, bool selected) override;          \
        void build() override;                                                         \
        void addConstraint(zcs::ISolver2d* solver) override;                           \
    };

// 0: a point of entity 1 on the curve of entity 2.
ZVD_RELATION_KIND(ZVDConstrainPointOnLineData)
// 1: a point of entity 1 on a point of entity 2.
ZVD_RELATION_KIND(ZVDConstrainCoincidentData)
// 2: two lines on one line.
ZVD_RELATION_KIND(ZVDConstrainSameLineData)
// 3: two lines parallel.
ZVD_RELATION_KIND(ZVDConstraintParallelData)
// 4: two lines perpendicular.
ZVD_RELATION_KIND(ZVDConstraintPerpendicularData)
// 5: two curves tangent (at the referenced points when both reference types name points).
ZVD_RELATION_KIND(ZVDConstraintTangentData)
// 6: two centres together.
ZVD_RELATION_KIND(ZVDConstraintConcentricData)
// 7: a line item horizontal.
ZVD_RELATION_KIND(ZVDConstraintHorizonData)
// 8: a line item vertical.
ZVD_RELATION_KIND(ZVDConstraintVerticalData)
// 9: two curves equal (lengths of lines, radii of arcs).
ZVD_RELATION_KIND(ZVDConstraintEqualData)
// 10: a point of entity 1 held where it is.
ZVD_RELATION_KIND(ZVDConstraintPinnedData)
// 13: distance from a point of entity 1 to the curve of entity 2 (value in drawing units).
ZVD_RELATION_KIND(ZVDConstraintPointDistanceToLineData)
// 18: diameter of an arc or circle (value in drawing units).
ZVD_RELATION_KIND(ZVDConstraintDiameterData)

#undef ZVD_RELATION_KIND

// ---- measured kinds shown as dimensions ----

// 11: length of a line (aligned, horizontal or vertical by the direction mode).
class ZVD_EXPORT ZVDConstraintLineLengthData : public ZVDConstraintDimensionData {
public:
    using ZVDConstraintDimensionData::ZVDConstraintDimensionData;
    void modifyData(const ZVDConstraintParams& params) override;
    bool setValue(double v) override;
    void build() override;
    void addConstraint(zcs::ISolver2d* solver) override;
    bool updateValue() override;
    bool isValidValue() override;
    // The auxiliary direction line of modes 1 and 2 (null until needed).
    const zgp::CLine2d* directionLine() const { return m_direction.Get(); }

protected:
    // The measured segment: the line's ends (kind 11) or the two referenced points (kind 12).
    virtual bool segment(zgp::CVec2<double>& s, zgp::CVec2<double>& e) const;
    // The measured value of s-e in the current mode.
    double measure(const zgp::CVec2<double>& s, const zgp::CVec2<double>& e) const;
    // The auxiliary line of the current mode, made or reset; null in mode 0.
    zgp::CLine2d* modeLine();

private:
    zgp::CRefPtr<zgp::CLine2d> m_direction;
};

// 12: distance between two points (aligned, horizontal or vertical).
class ZVD_EXPORT ZVDConstraintPointDistanceToPointData : public ZVDConstraintLineLengthData {
public:
    using ZVDConstraintLineLengthData::ZVDConstraintLineLengthData;
    void draw(HDC hdc, const ZCoordTrans& trans, bool selected) override;
    bool setValue(double v) override;
    void addConstraint(zcs::ISolver2d* solver) override;
    bool updateValue() override;
    bool isValidValue() override;

protected:
    bool segment(zgp::CVec2<double>& s, zgp::CVec2<double>& e) const override;
};

// 14: distance between two lines (disabled: the lines only stay parallel).
class ZVD_EXPORT ZVDConstraintLineDistanceToLineData : public ZVDConstraintDimensionData {
public:
    using ZVDConstraintDimensionData::ZVDConstraintDimensionData;
    void draw(HDC hdc, const ZCoordTrans& trans, bool selected) override;
    void modifyData(const ZVDConstraintParams& params) override;
    bool setValue(double v) override;
    void build() override;
    void addConstraint(zcs::ISolver2d* solver) override;
    bool updateValue() override;
    bool isValidValue() override;
};

// 15: sweep angle of an arc, in degrees.
class ZVD_EXPORT ZVDConstraintArcAngleData : public ZVDConstraintDimensionData {
public:
    using ZVDConstraintDimensionData::ZVDConstraintDimensionData;
    void draw(HDC hdc, const ZCoordTrans& trans, bool selected) override;
    void modifyData(const ZVDConstraintParams& params) override;
    bool setValue(double v) override;
    void build() override;
    void addConstraint(zcs::ISolver2d* solver) override;
    bool updateValue() override;
    bool isValidValue() override;
};

// 16: angle between two lines, in degrees; dimParams[0] names which of the four angles.
class ZVD_EXPORT ZVDConstraintLineAngleData : public ZVDConstraintDimensionData {
public:
    using ZVDConstraintDimensionData::ZVDConstraintDimensionData;
    void draw(HDC hdc, const ZCoordTrans& trans, bool selected) override;
    void modifyData(const ZVDConstraintParams& params) override;
    bool setValue(double v) override;
    void build() override;
    void addConstraint(zcs::ISolver2d* solver) override;
    bool updateValue() override;
    bool isValidValue() override;
};

// 17: radius of an arc or circle; dimParams[0] is the fraction of the arc where it is shown.
class ZVD_EXPORT ZVDConstraintRadiusData : public ZVDConstraintDimensionData {
public:
    using ZVDConstraintDimensionData::ZVDConstraintDimensionData;
    void draw(HDC hdc, const ZCoordTrans& trans, bool selected) override;
    void modifyData(const ZVDConstraintParams& params) override;
    bool setValue(double v) override;
    void build() override;
    void addConstraint(zcs::ISolver2d* solver) override;
    bool updateValue() override;
};

// 19: one radius of an ellipse, chosen by the axis end point that dimParams[0] names.
class ZVD_EXPORT ZVDConstraintEllipseRadiusData : public ZVDConstraintDimensionData {
public:
    using ZVDConstraintDimensionData::ZVDConstraintDimensionData;
    void modifyData(const ZVDConstraintParams& params) override;
    bool setValue(double v) override;
    void build() override;
    void addConstraint(zcs::ISolver2d* solver) override;
    bool updateValue() override;

    // The chosen axis end point and whether it lies along the ellipse's axis (first radius).
    bool radiusPoint(zgp::CVec2<double>& point, bool& alongAxis) const;
};

// 20: a group of distances held by the item's child dimensions; nothing of its own.
class ZVD_EXPORT ZVDConstraintMultiDistanceData : public ZVDConstraintDimensionData {
public:
    using ZVDConstraintDimensionData::ZVDConstraintDimensionData;
    bool setValue(double v) override;
    void build() override;
    void addConstraint(zcs::ISolver2d* solver) override;
    bool updateValue() override;
    bool isValidValue() override;
    bool holdsObject(const zcs::IConstraint* object) const override;
    void releaseObjects() override;
};
