// zvd: ZVDCircle, the full circle item (item type 5), and its coordinate snapshot.
// Its kernel curve is an arc that always runs counter-clockwise from angle 0 to 2*pi.
#pragma once

#include "zgp/arc2d.h"
#include "zvd/entities/zvdcurve.h"

// Snapshot of a circle: the item's identifier, centre and radius.
class ZVD_EXPORT ZVDICircleCoordData : public ZVDCoordData {
public:
    ZVDICircleCoordData() = default;
    ~ZVDICircleCoordData() override;

    zgp::CVec2<double> centerPt;
    double radius = 0.0;
};

// Grips: 0 the centre (type 2, moves the circle); 1 to 4 the left, bottom, right and top points
// of the rim (type 1, change the radius). Indices above 4 answer the top point.
class ZVD_EXPORT ZVDCircle : public ZVDCurve {
public:
    ZVDCircle();
    static zgp::IBase* CreateInstance();

    // The curve attributes; when other is a circle, its centre and radius.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDICircleCoordData; anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    // A rim grip dragged onto the centre is refused (false, no change, no report).
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    zgp::CCurve2d* line(int i) override;
    int xLineCount() const override;
    zgp::CRefPtr<zgp::CCurve2d> xLines(int i) override;
    // Takes centre and radius when c is an arc; reports the change in any case.
    void setXLines(int i, zgp::CCurve2d* c) override;

    zgp::CVec2<double> centerPt() const;
    // Both report the change (no comparison with the old value).
    void setCenterPt(const zgp::CVec2<double>& centre);
    double radius() const;
    void setRadius(double radius);

protected:
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    // Drawings below 2.999 stored only the base fields, line width and line style before the
    // centre and radius.
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;

    zgp::CRefPtr<zgp::CArc2d> m_circle;  // always set

private:
    void drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode);
    // Re-establishes the span 0..2*pi, counter-clockwise, after a kernel edit.
    void normalise();

    static SetDispLevelHelper m_autoSetDispLevel;
};
