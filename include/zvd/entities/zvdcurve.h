// zvd: ZVDCurve, the base of every item whose geometry is a chain of kernel curves.
// Adds line width and style, end marks, the xLines view of the geometry, hit testing, drawing and copy under a matrix.
#pragma once

#include <vector>

#include <QList>

#include "zgp/curve2d.h"
#include "zgp/geometry.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/render/zdrawfunc2d.h"

namespace zgp {
class CLoop;
}

// Mark drawn at a curve's start or end. Persisted as a number; values above msTick add nothing.
enum EnMarkStyle : int {
    msNone = 0,
    msArrow = 1,  // filled triangle, tip on the end point
    msDot = 2,    // filled disc of diameter |size|
    msSlash = 3,  // stroke at 45 degrees through the end point
    msHook = 4,   // half circle beside the end point with a tail
    msTick = 5    // stroke perpendicular to the curve
};

// A snap vertex: a point and its kind (curve items give kind 0).
struct ZVDVertexInfo {
    zgp::CVec2<double> point;
    int kind = 0;
};

// Sizes of marks are world units (int16); the sign flips one-sided marks. lineWidth is the pen
// width in world units, never below 1 through the setter. Every setter ignores an unchanged value
// and otherwise ends in the data-changed report with the cached box reset.
class ZVD_EXPORT ZVDCurve : public ZVDEntity {
    friend class ZVectorDrawing;  // collects snap vertices

public:
    ZVDCurve();
    ~ZVDCurve() override;

    // The base attributes, then line style, width, mark sizes and styles of another curve (through
    // the setters). Item identifiers of the chain are not copied.
    void assign(ZVDEntity& other) override;
    // Window selection (b.x > a.x): the whole box inside; crossing selection otherwise: any
    // outline meeting the rectangle. A selection rectangle of no size is a hit test at a.
    bool hitSelect(const zgp::CVec2<double>& a, const zgp::CVec2<double>& b, double tol) override;
    // Within tol of the curve's stroke (half the line width on each side) or of a mark.
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    // A new item from the kernel's transformed copy of startXLine(): a line, arc, circle, ellipse
    // or spline by the resulting curve kind, assigned from this one, with this item's owner. Null
    // when the kernel cannot transform the curve or that item kind is not registered.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    std::set<ZVDEPropType> propTypes() const override;
    std::wstring propValue(const ZVDEPropType& type) const override;
    void setPropValue(const ZVDEPropType& type, const std::wstring& value) override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

protected:
    // Union of the boxes of the curves and marks; (0, 0, 0, 0) when there are none.
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    // Reads the curve attributes; drawings "1.0"/"1.1" carry marks as MarkPos/MarkSize/MarkStyle.
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;

public:
    // ---- the chain of kernel curves ----
    virtual zgp::CVec2<double> startPt();
    virtual zgp::CVec2<double> endPt();
    // The item's own curve number i (not a copy; the item keeps it).
    virtual zgp::CCurve2d* line(int i) = 0;
    virtual int xLineCount() const = 0;
    // Curve number i as a fresh copy the caller may change.
    virtual zgp::CRefPtr<zgp::CCurve2d> xLines(int i) = 0;
    // Replaces curve number i by c's geometry; the caller keeps (and later releases) c.
    virtual void setXLines(int i, zgp::CCurve2d* c) = 0;

protected:
    // Appends the snap vertices: the end points of xLines(0) unless it is closed.
    virtual void fillVertexInfoListNoRef(QList<ZVDVertexInfo>& list);

public:
    short lineWidth() const { return m_lineWidth; }
    EnPenStyle lineStyle() const { return m_lineStyle; }
    short startMarkSize() const { return m_startMarkSize; }
    short endMarkSize() const { return m_endMarkSize; }
    EnMarkStyle startMarkStyle() const { return m_startMarkStyle; }
    EnMarkStyle endMarkStyle() const { return m_endMarkStyle; }
    // Values below 1 are ignored.
    void setLineWidth(short width);
    void setLineStyle(EnPenStyle style);
    void setStartMarkSize(short size);
    void setEndMarkSize(short size);
    void setStartMarkStyle(EnMarkStyle style);
    void setEndMarkStyle(EnMarkStyle style);
    // Identifiers of neighbouring items in a chain; only stored and persisted (no report).
    int prevItemID() const { return m_prevItemID; }
    void setPrevItemID(int id) { m_prevItemID = id; }
    int nextItemID() const { return m_nextItemID; }
    void setNextItemID(int id) { m_nextItemID = id; }

    zgp::CRefPtr<zgp::CCurve2d> startXLine() { return xLines(0); }
    zgp::CRefPtr<zgp::CCurve2d> endXLine() { return xLines(xLineCount() - 1); }

    // The curves with their marks, in order: start mark geometry, the curves xLines(0..n-1), end
    // mark geometry (lines, arcs and, for a dot, one loop of two arcs). The list owns them.
    using GeometryList = std::vector<zgp::CRefPtr<zgp::CGeometry>>;
    GeometryList xLinesWithMark();
    // The same list for callers of the raw form: a new vector of new geometries that the caller
    // releases with clearXLines and then deletes.
    std::vector<zgp::CGeometry*>* createXLinesWithMark();

protected:
    // Releases every element (kernel Free) and empties the list; null is ignored.
    static void clearXLines(std::vector<zgp::CGeometry*>* list);
    // A non-zero style with a non-zero size at either end.
    bool showMark() const;
    // Pen style of the selected drawing: dotted (2) for curves one pixel wide, else lineStyle.
    EnPenStyle selLineStyle(const ZCoordTrans& trans) const;
    // Draws the chain with its marks: filled arrows and dots, the slash alone, the rest as one
    // polyline of width lineWidth.
    void doDrawLine(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle penStyle, EnDrawMode mode);

    // Editing shared by the items that own one kernel curve (arc, circle, ellipse, spline):
    // the kernel's Move / Rotate and the reflection across the line p1-p2 (which reverses the
    // turning sense), each followed by the data-changed report. They work on line(0).
    void moveOwnCurve(const zgp::CVec2<double>& offset);
    void rotateOwnCurve(const zgp::CVec2<double>& centre, double angle);
    void mirrorOwnCurve(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2);

private:
    // The closed loop of copies of the three arrow lines at list[first .. first+2].
    static zgp::CRefPtr<zgp::CLoop> getArrow(const GeometryList& list, int first);
    // Copies of the curve entries list[first .. last] as one loop.
    static zgp::CRefPtr<zgp::CLoop> getPolyline(const GeometryList& list, int first, int last);
    // Box of the curve's outline at half the line width (its own box when thin or tiny).
    zgp::CBox2<double> xLineOutRect(zgp::CCurve2d& curve);
    bool xLineHitTest(const zgp::CVec2<double>& pt, double tol, zgp::CGeometry& entry,
                      const zgp::CBox2<double>& outRect);
    bool xLineHitSelect(const zgp::CVec2<double>& a, const zgp::CVec2<double>& b, double tol, zgp::CGeometry& entry,
                        zgp::CBox2<double>& outRect);

    int m_prevItemID = -1;
    int m_nextItemID = -1;
    short m_endMarkSize = 0;
    short m_lineWidth = 1;
    short m_startMarkSize = 0;
    EnMarkStyle m_endMarkStyle = msNone;
    EnMarkStyle m_startMarkStyle = msNone;
    EnPenStyle m_lineStyle = psSolid;
};
