// zvd: ZVDArc, the circular arc item (item type 3), and its coordinate snapshot.
// Also the base of the constraint dimension arc.
#pragma once

#include "zgp/arc2d.h"
#include "zvd/entities/zvdcurve.h"

// Snapshot of an arc: the item's identifier and a copy of its kernel arc, owned here.
class ZVD_EXPORT ZVDIArcCoordData : public ZVDCoordData {
public:
    ZVDIArcCoordData() = default;
    ZVDIArcCoordData(const ZVDIArcCoordData&) = delete;
    ZVDIArcCoordData& operator=(const ZVDIArcCoordData&) = delete;

    zgp::CArc2d* arc() const { return m_arc.Get(); }
    // Takes over the caller's reference to arc (the previous one is released).
    void setArc(zgp::CArc2d* arc) { m_arc.Reset(arc); }

private:
    zgp::CRefPtr<zgp::CArc2d> m_arc;
};

// Grips: 0 start, 1 end (type 0, stretch the arc keeping its height), 2 the middle of the arc
// (type 1, changes the radius keeping the angular span).
class ZVD_EXPORT ZVDArc : public ZVDCurve {
public:
    ZVDArc();
    static zgp::IBase* CreateInstance();

    // The curve attributes; when other is an arc, a copy of its kernel arc.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDIArcCoordData holding an arc; anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    // Reflects the arc; its turning sense reverses.
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    // False, with no change and no report, when the drag cannot give an arc (the middle grip onto
    // the centre, the two ends meeting).
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    zgp::CCurve2d* line(int i) override;
    int xLineCount() const override;
    zgp::CRefPtr<zgp::CCurve2d> xLines(int i) override;
    // Copies c when it is an arc; any other kind is ignored.
    void setXLines(int i, zgp::CCurve2d* c) override;

    // The arc from start to end with the given radius and kernel arc type; reports the change.
    void set(const zgp::CVec2<double>& start, const zgp::CVec2<double>& end, zgp::CArc2d::ArcType type, double radius);
    // Copies centre, radius, parameter range and turning sense of arc (the caller keeps it).
    void set(zgp::CArc2d* arc);
    zgp::CVec2<double> centerPt() const;

protected:
    // Both ends inside: a move; one end inside: that end stretched (stretchArc).
    void doStretch(const zgp::CBox2<double>& box, const zgp::CVec2<double>& offset) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;

    zgp::CRefPtr<zgp::CArc2d> m_arc;  // always set

private:
    void drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode);
    // Replaces the owned arc by a copy of arc (kept by the caller) and reports the change.
    void replaceArc(const zgp::CArc2d& arc);

    // The end points a loader read, kept so that saving again writes them unchanged: the kernel
    // arc recomputes its end point from an angle, which can differ in the last bits. They count
    // only while the kernel arc still holds exactly what was built from them.
    void rememberReadEnds(const zgp::CVec2<double>& start, const zgp::CVec2<double>& end);
    void persistedEnds(zgp::CVec2<double>& start, zgp::CVec2<double>& end) const;

    bool m_hasReadEnds = false;
    zgp::CVec2<double> m_readStart;
    zgp::CVec2<double> m_readEnd;
    zgp::CVec2<double> m_readCentre;
    double m_readRadius = 0.0;
    zgp::CInterval<double> m_readRange;
    int m_readSense = 1;

    static SetDispLevelHelper m_autoSetDispLevel;
};
