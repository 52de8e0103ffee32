// zvd: ZVDPolygon, the area item bounded by closed loops of kernel curves (item type 8), with
// per-curve selection, a fill style that decides whether its inside is hit, and loop-keeping grips.
#pragma once

#include <set>
#include <utility>

#include <QString>

#include "zgp/loop.h"
#include "zvd/entities/zvdcurve.h"
#include "zvd/render/zdrawfunc2d.h"

// Snapshot of a polygon: the item's identifier and a kernel copy of its loops, owned here.
class ZVD_EXPORT ZVDIPolygonCoordData : public ZVDCoordData {
public:
    ZVDIPolygonCoordData() = default;
    ZVDIPolygonCoordData(const ZVDIPolygonCoordData&) = delete;
    ZVDIPolygonCoordData& operator=(const ZVDIPolygonCoordData&) = delete;

    // Null until set; the snapshot releases it.
    zgp::CPolygon* polygon() const { return m_polygon.Get(); }
    // Takes over the caller's reference to polygon (the previous one is released).
    void setPolygon(zgp::CPolygon* polygon) { m_polygon.Reset(polygon); }

private:
    zgp::CRefPtr<zgp::CPolygon> m_polygon;
};

// Kind of a polygon grip.
enum ZVDPolygonGripType : int {
    pgtNone = 0,
    pgtConnection = 1,  // the start of a curve, shared with the end of the curve before it
    pgtMidPoint = 2,    // half way along an open curve
    pgtCloseMid = 3,    // a quarter point of a closed arc or ellipse
    pgtCentre = 4       // the centre of a closed curve's box
};

// What a grip index stands for: its curve (flat index, -1 for none), its kind, and for a quarter
// point which quarter (0 to 3).
struct ZVDPolyonGripInfo {
    int curve = -1;
    ZVDPolygonGripType kind = pgtNone;
    int quarter = 0;
};

// The curves of all loops, loop by loop, form the flat curve list that xLines, the curve
// selection and the grips number. Grips 0 .. m-1 belong to curves 0 .. m-1 (the centre of a
// closed curve, else the curve's start); then, in curve order, four quarter points per closed
// arc or ellipse, none for a closed NURBS curve, one mid point for every other curve. Every grip
// drag keeps the loops connected and ends in one data-changed report; dragGrip always answers
// true. The item draws nothing itself: hosts paint areas with hatches and read the curves.
class ZVD_EXPORT ZVDPolygon : public ZVDCurve {
public:
    ZVDPolygon();
    ~ZVDPolygon() override;
    static zgp::IBase* CreateInstance();

    // The common attributes (not the curve ones); when other is a polygon, a kernel copy of its
    // loops and its fill style. One report.
    void assign(ZVDEntity& other) override;
    // Null while the item has no polygon. The caller deletes the snapshot.
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDIPolygonCoordData holding a polygon (copied); anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    // Rectangle selection: a zero-size rectangle is hitTest(a); a window (b.x > a.x) needs the
    // whole box inside; a crossing one needs the area or outline to meet the rectangle (or the
    // segment a-b when the rectangle is flat).
    bool hitSelect(const zgp::CVec2<double>& a, const zgp::CVec2<double>& b, double tol) override;
    // Within tol of an outline; with any fill style but bsClear also anywhere inside (holes,
    // the areas of loops inside an odd number of others, are outside).
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    // Reflects every curve across the line p1-p2 (the identity when they coincide).
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    // A clone (no owner) whose loops are the kernel's image under the matrix (row-major 3x3,
    // row vectors). Null when there is no polygon or the kernel cannot map a curve.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    int gripCount() override;
    // The grip's position; an index that names no grip gives the centre of the item's box.
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    // {ExtData, Color, PolygonFillStyle}; the fill style as decimal text.
    std::set<ZVDEPropType> propTypes() const override;
    std::wstring propValue(const ZVDEPropType& type) const override;
    void setPropValue(const ZVDEPropType& type, const std::wstring& value) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    // The common set, and on deselection also clears the curve selection.
    void setSelected(bool selected) override;
    // The common attributes, "HatchVersion" 1 and the loops in the polygon text form.
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    // The common fields, the kernel's text form of the loops and the fill style.
    void saveToStream(std::iostream* stream) override;

    // Curve i of the flat list itself (not a copy), or null out of range.
    zgp::CCurve2d* line(int i) override;
    int xLineCount() const override;
    // A copy of curve i, or null out of range.
    zgp::CRefPtr<zgp::CCurve2d> xLines(int i) override;
    // Gives curve i c's geometry when both are of the same kind: a line its end points, a closed
    // arc its centre and radius, an open arc its centre, radius, range and sense, a closed ellipse
    // a closed ellipse's shape. NURBS curves and different kinds are left alone (no report).
    void setXLines(int i, zgp::CCurve2d* c) override;

    // ---- the polygon ----
    // The owned loops; null until set or read.
    zgp::CPolygon* getPolygon() const { return m_polygon.Get(); }
    // Takes ownership of polygon (no copy; null clears) and releases the old one. Resets the
    // box; makes no report.
    void setPolygon(zgp::CPolygon* polygon);
    EnBrushStyle fillStyle() const { return m_fillStyle; }
    // Stores and reports, also when unchanged.
    void setFillStyle(const EnBrushStyle& style);

    // ---- curve selection (flat indices; no data report, only a repaint request) ----
    void setCurveSelectedState(int index, bool selected);
    void getCurveSelectedState(int index, bool& selected) const;
    void clearCurveSelectedState();
    void getSelectedCurveList(std::set<int>& out) const;

    // ---- indices ----
    // The flat index of curve (the item's own curve object), or -1.
    int getIndexByCurve(zgp::CCurve2d* curve) const;
    // Loop and position within the loop of curve; false when the polygon does not hold it.
    bool getCurveIndexFromPolygon(zgp::CCurve2d* curve, int& loop, int& index) const;
    // The sum, over the loops before loopAndCurve.first, of (that loop's curve count - 1), plus
    // loopAndCurve.second (loops that do not exist add nothing).
    int getIndex(const std::pair<int, int>& loopAndCurve) const;
    // The flat indices of the curves that dragging the grip at pt would change: none when no
    // grip lies at pt; the curve of a quarter or centre grip; the curve before and the grip's
    // curve for a connection grip, and also the curve after for a mid point.
    void getCurveIndexByGripPt(const zgp::CVec2<double>& pt, std::set<int>& out);
    // The curve before (P) and the curve of (C) connection grip `grip`; true only when both out
    // pointers are given, the grip is a connection point and neither curve is an ellipse.
    bool getRelationCurve2dByConnectionPoint(int grip, zgp::CCurve2d** prev, zgp::CCurve2d** cur);

protected:
    // The kernel polygon's box; the empty box without a polygon.
    void buildOutRect(zgp::CBox2<double>& box) override;
    // The polygon draws nothing by itself, and stretching moves or leaves the whole item.
    void doStretch(const zgp::CBox2<double>& box, const zgp::CVec2<double>& offset) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    // With "HatchVersion" non-zero the polygon text form; older drawings hold one loop as vertex
    // records "x,y,r,t;" closed back to the first vertex.
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    // A text that is not a polygon's kernel form fails the stream.
    void doLoadFromStream(std::iostream* stream) override;

private:
    // Where curve `flat` sits: loop index and position in the loop; false out of range.
    bool locate(int flat, int& loop, int& index) const;
    // The flat curve list (getCurveListFromPolygon).
    std::vector<zgp::CCurve2d*> getCurveListFromPolygon() const;
    ZVDPolyonGripInfo innerGetGripInfo(int grip) const;
    // The quarter (0 to 3) of a quarter-point grip, else 0.
    int getGripIndexInCurve(int grip) const;
    ZVDPolygonGripType getGripType(int grip) const;
    zgp::CCurve2d* getCurveFromIndex(int grip) const;
    bool getCurveAndIndexFromGripIndex(int grip, zgp::CCurve2d** curve, int& flat) const;
    // The curves before and after the grip's curve in its loop, taken cyclically.
    bool getRelationCurveListByGripIndex(int grip, zgp::CCurve2d** prev, zgp::CCurve2d** next) const;
    // The point at fraction f of curve c's length.
    static zgp::CVec2<double> pointAtFraction(const zgp::CCurve2d& c, double f);

    void gripConnectionPoint(int grip, const zgp::CVec2<double>& offset);
    void gripMidPoint(int grip, const zgp::CVec2<double>& offset);
    void gripCloseMidPoint(int grip, const zgp::CVec2<double>& offset);
    // Whether every arc among prev (at its end) and next (at its start) can be stretched by offset.
    static bool tryDrag(zgp::CCurve2d* prev, zgp::CCurve2d* next, const zgp::CVec2<double>& offset);
    // Moves the end of prev and the start of next by offset (see tryDrag).
    static void dragRelationCurve(zgp::CCurve2d* prev, zgp::CCurve2d* next, const zgp::CVec2<double>& offset);
    // Whether the diameter through quarter grip `grip` is the longer one of the curve's two.
    bool getEllipseMarState(int grip) const;
    // The repaint part of a report, for changes that are not data (the curve selection).
    void requestRepaint();

    // The polygon text last read from XML, and a hash of the kernel's exact form of the loops it
    // built. While the loops are still those, saving writes the text as read: the text form
    // stores line ends that the kernel recomputes from origin and direction, so writing them
    // afresh would move them by a rounding step on every save.
    bool keepsReadText() const;
    void forgetReadText();

    zgp::CRefPtr<zgp::CPolygon> m_polygon;
    QString m_readText;
    size_t m_builtHash = 0;
    std::set<int> m_selectedCurves;
    EnBrushStyle m_fillStyle = bsClear;

    static SetDispLevelHelper m_autoSetDispLevel;
};
