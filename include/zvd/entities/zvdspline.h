// zvd: ZVDSpline, the NURBS curve item (item type 9), and its coordinate snapshot.
// One grip per control point; editing moves control points and keeps their weights.
#pragma once

#include "zgp/nurbscurve2d.h"
#include "zvd/entities/zvdcurve.h"

// Snapshot of a spline: the item's identifier and a copy of its curve, owned here.
class ZVD_EXPORT ZVDSplineCoordData : public ZVDCoordData {
public:
    ZVDSplineCoordData() = default;
    ZVDSplineCoordData(const ZVDSplineCoordData&) = delete;
    ZVDSplineCoordData& operator=(const ZVDSplineCoordData&) = delete;

    // Null until set; the snapshot releases it.
    zgp::CNurbsCurve2d* curve() const { return m_curve.Get(); }
    // Takes over the caller's reference to curve (the previous one is released).
    void setCurve(zgp::CNurbsCurve2d* curve) { m_curve.Reset(curve); }

private:
    zgp::CRefPtr<zgp::CNurbsCurve2d> m_curve;
};

// Grips, all of type 0: control point i at index i.
class ZVD_EXPORT ZVDSpline : public ZVDCurve {
public:
    // A cubic with four control points at the origin until set or loaded.
    ZVDSpline();
    static zgp::IBase* CreateInstance();

    // When other is a spline, a copy of its curve; then the curve attributes.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDSplineCoordData holding a curve; anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    int gripCount() override;
    // Indexes outside the control points answer the nearest end one.
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    // Moves control point index by offset, keeping its weight. False, with no change and no
    // report, for an index that names no control point.
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    zgp::CCurve2d* line(int i) override;
    int xLineCount() const override;
    zgp::CRefPtr<zgp::CCurve2d> xLines(int i) override;
    // Copies c when it is a NURBS curve; any other kind is ignored.
    void setXLines(int i, zgp::CCurve2d* c) override;

    // The owned curve (never null).
    zgp::CNurbsCurve2d* curve() const { return m_curve.Get(); }
    // Copies curve (the caller keeps it) and reports the change; null is ignored.
    void set(zgp::CNurbsCurve2d* curve);

protected:
    // Moves the control points inside box (widened by the distance tolerance), keeping weights.
    void doStretch(const zgp::CBox2<double>& box, const zgp::CVec2<double>& offset) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    // A degree and control-point count that make no curve leave the spline as it was.
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    // A record whose degree, control-point count and knot count do not fit together, or whose
    // counts run past its data, leaves the stream failed and the spline as it was.
    void doLoadFromStream(std::iostream* stream) override;

private:
    void drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode);

    zgp::CRefPtr<zgp::CNurbsCurve2d> m_curve;  // always set; edited in place, never replaced

    static SetDispLevelHelper m_autoSetDispLevel;
};
