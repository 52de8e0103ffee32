// zvd: ZVDEllipse, the ellipse and elliptical arc item (item type 7), and its coordinate snapshot.
// Its kernel curve is a CEllipse2d whose first radius is never the smaller one.
#pragma once

#include "zgp/ellipse2d.h"
#include "zvd/entities/zvdcurve.h"

// Snapshot of an ellipse: the item's identifier and a copy of its kernel ellipse, owned here.
class ZVD_EXPORT ZVDIEllipseCoordData : public ZVDCoordData {
public:
    ZVDIEllipseCoordData() = default;
    ZVDIEllipseCoordData(const ZVDIEllipseCoordData&) = delete;
    ZVDIEllipseCoordData& operator=(const ZVDIEllipseCoordData&) = delete;

    zgp::CEllipse2d* ellipse() const { return m_ellipse.Get(); }
    // Takes over the caller's reference to ellipse (the previous one is released).
    void setEllipse(zgp::CEllipse2d* ellipse) { m_ellipse.Reset(ellipse); }

private:
    zgp::CRefPtr<zgp::CEllipse2d> m_ellipse;
};

// Grips: 0 the centre (type 2, moves the ellipse); 1 to 4 the points of the full ellipse at
// eccentric angles 0, pi/2, pi and 3pi/2 (type 1): 1 and 3 change the first radius, 2 and 4 the
// second. Indices above 4 answer grip 4. Every geometry change keeps a >= b: when an edit makes
// the second radius the larger, the radii swap and the axis turns a quarter turn.
class ZVD_EXPORT ZVDEllipse : public ZVDCurve {
public:
    ZVDEllipse();
    static zgp::IBase* CreateInstance();

    // The curve attributes; when other is an ellipse, its kernel ellipse.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDIEllipseCoordData holding an ellipse; anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    // Reflects the ellipse; its turning sense reverses.
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    // Always true. An axis grip dragged onto the centre leaves the ellipse as it is, but the
    // change is still reported.
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    zgp::CCurve2d* line(int i) override;
    int xLineCount() const override;
    zgp::CRefPtr<zgp::CCurve2d> xLines(int i) override;
    // Takes c's geometry when c is an ellipse; any other curve is ignored (no report).
    void setXLines(int i, zgp::CCurve2d* c) override;

    // The owned kernel ellipse (the item keeps it).
    zgp::CEllipse2d* getEllipse2d() const { return m_ellipse.Get(); }
    // Copies centre, axis, radii, the ends (as central angles) and the sense of e; the caller
    // keeps e. Geometry the kernel refuses (a radius not above 0) leaves the item as it is and
    // unreported.
    void set(zgp::CEllipse2d* e);
    // start and end are central angles measured from axis; sense +1 counter-clockwise, -1
    // clockwise. Equal angles give the full ellipse.
    void set(const zgp::CVec2<double>& centre, const zgp::CVec2<double>& axis, double a, double b, double start,
             double end, int sense);

protected:
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    // Drawings below 3.0 stored only the base fields, line width and line style before the
    // ellipse's own fields.
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;

    zgp::CRefPtr<zgp::CEllipse2d> m_ellipse;  // always set

private:
    void drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode);
    // The stored geometry (range as kernel parameters) set through central angles, as both
    // readers rebuild the ellipse.
    void setFromStored(const zgp::CVec2<double>& centre, const zgp::CVec2<double>& axis, double a, double b,
                       double startT, double endT, int sense);

    // An elliptical arc from p1 through a third point off their chord to p2 (see the source); a
    // new kernel ellipse owned by the caller, or null. Nothing in the library calls it yet.
    static zgp::CEllipse2d* calcEclipse(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double h, double s,
                                        double t, bool flag);
    // Gauss-Jordan elimination of the augmented 3x4 matrix in place; the solution ends in
    // column 3. The pivot of a column is the first remaining row above eps in magnitude; a
    // column without one is skipped.
    static void calcGuass(double m[3][4], double eps);
    // The angle turning u onto v counter-clockwise (v onto u when reverse), in [0, 2pi).
    static double getVectorToVectorAngle(const zgp::CVec2<double>& u, const zgp::CVec2<double>& v, bool reverse);

    static SetDispLevelHelper m_autoSetDispLevel;
};
