// zvd: ZVDLine, the straight segment item (item type 2), and its coordinate snapshot.
// Also the base of the grid line and of the constraint dimension line.
#pragma once

#include <QString>

#include "zgp/line2d.h"
#include "zvd/entities/zvdcurve.h"

// Snapshot of a line: the item's identifier and a copy of its segment, owned here.
class ZVD_EXPORT ZVDILineCoordData : public ZVDCoordData {
public:
    ZVDILineCoordData() = default;
    ZVDILineCoordData(const ZVDILineCoordData&) = delete;
    ZVDILineCoordData& operator=(const ZVDILineCoordData&) = delete;

    // Null until set; the snapshot releases it.
    zgp::CLine2d* line() const { return m_line.Get(); }
    // Takes over the caller's reference to line (the previous one is released).
    void setLine(zgp::CLine2d* line) { m_line.Reset(line); }

private:
    zgp::CRefPtr<zgp::CLine2d> m_line;
};

// Grips: 0 start, 1 end (type 0), 2 the middle (type 2, drags the whole segment).
class ZVD_EXPORT ZVDLine : public ZVDCurve {
public:
    ZVDLine();
    static zgp::IBase* CreateInstance();

    // The curve attributes; when other is a line, its end points.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDILineCoordData holding a segment; anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    // Across the line through p1 towards p2 (the horizontal through p1 when they coincide).
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    // The end points exactly as last set (see endsCurrent).
    zgp::CVec2<double> startPt() override;
    zgp::CVec2<double> endPt() override;
    zgp::CCurve2d* line(int i) override;
    int xLineCount() const override;
    zgp::CRefPtr<zgp::CCurve2d> xLines(int i) override;
    // Takes c's end points, whatever kind of curve c is.
    void setXLines(int i, zgp::CCurve2d* c) override;

    // Sets both end points and reports the change (no comparison with the old value).
    void set(const zgp::CVec2<double>& start, const zgp::CVec2<double>& end);
    // Reads "sx,sy,ex,ey" into curve when it is a line; false (curve unchanged) when the text
    // does not hold four numbers or curve is another kind.
    static bool strToLine2d(const QString& text, zgp::CCurve2d& curve);

protected:
    // Moves the one end point inside box (widened by the distance tolerance), start first.
    void doStretch(const zgp::CBox2<double>& box, const zgp::CVec2<double>& offset) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;

    // Creates the owned segment, (0, 0)-(0, 0).
    virtual void initXLine();
    // Hook for derived items that build extra geometry from the end points; nothing here.
    virtual void initXLine(const zgp::CVec2<double>& start, const zgp::CVec2<double>& end);

    zgp::CRefPtr<zgp::CLine2d> m_line;  // always set

private:
    void drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode);
    // Sets the segment and remembers its exact ends; no report.
    void setEnds(const zgp::CVec2<double>& start, const zgp::CVec2<double>& end);
    // The kernel segment keeps origin, unit direction and length, so its end point comes back
    // rounded (one set in five differs in the last bit). The ends as given are kept here and used
    // while the segment still holds what was made from them; once someone edits the segment
    // in place (the constraint solver does), its own end points count.
    bool endsCurrent() const;

    zgp::CVec2<double> m_start;
    zgp::CVec2<double> m_end;
    zgp::CVec2<double> m_madeOrigin;
    zgp::CVec2<double> m_madeDir{1.0, 0.0};
    zgp::CInterval<double> m_madeRange;

    static SetDispLevelHelper m_autoSetDispLevel;
};
