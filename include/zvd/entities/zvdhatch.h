// zvd: ZVDHatch, the filled area (item type 4): kernel polygons painted solid in the first pass,
// showing their fill style when selected or dragged; and its coordinate snapshot.
#pragma once

#include <vector>

#include <QString>

#include "zgp/geometry.h"
#include "zgp/loop.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/render/zdrawfunc2d.h"

// Snapshot of a hatch: its identifier and copies of its polygons (owned by the snapshot).
class ZVD_EXPORT ZVDIHatchCoordData : public ZVDCoordData {
public:
    ZVDIHatchCoordData() = default;
    ~ZVDIHatchCoordData() override;
    std::vector<zgp::CRefPtr<zgp::CPolygon>> polygons;
};

// Only loop 0 (the outline) of each polygon is painted and tested: holes are not cut out. The
// hatch owns its polygons; getPolygon lends them.
class ZVD_EXPORT ZVDHatch : public ZVDEntity {
public:
    ZVDHatch();
    ~ZVDHatch() override;
    static zgp::IBase* CreateInstance();

    // The base attributes, the fill style and copies of the other's polygons.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDIHatchCoordData; its polygons are copied back.
    void setCoordData(ZVDCoordData& data) override;
    bool hitSelect(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double tol) override;
    // Inside or on any polygon, within tol.
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    // A copy whose polygons the kernel transformed; null when it cannot.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    int gripCount() override;
    // The middle of the box.
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    // ExtData, Color and HatchFillStyle.
    std::set<ZVDEPropType> propTypes() const override;
    std::wstring propValue(const ZVDEPropType& type) const override;
    void setPropValue(const ZVDEPropType& type, const std::wstring& value) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    EnBrushStyle fillStyle() const { return m_fillStyle; }
    void setFillStyle(const EnBrushStyle& style);
    // One polygon holding a copy of loop.
    void setXPoly(zgp::CLoop& loop);
    // Copies of the given polygons.
    void setXPoly(std::vector<zgp::CPolygon*>& polygons);
    // Loop 0 of polygon 0, or null.
    zgp::CLoop* xPoly() const;
    // The hatch's own polygons, still owned by it.
    void getPolygon(std::vector<zgp::CPolygon*>& out) const;

protected:
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;
    // Drops every polygon.
    void saveReleasePolygon();

private:
    void fill(HDC hdc, const ZCoordTrans& trans, int colour, EnDrawMode mode, EnBrushStyle brush,
              unsigned char border, EnPenStyle borderPen);
    // The data-changed report after the polygons changed.
    void polygonsChanged();

    EnBrushStyle m_fillStyle = bsSolid;
    std::vector<zgp::CRefPtr<zgp::CPolygon>> m_polygons;
    // The XML texts the polygons were read from, kept while the polygons are unchanged so that
    // saving writes them again exactly (rebuilding a line from its printed ends may move its last
    // bits); the hash of the polygons' kernel form tells whether they changed.
    std::vector<QString> m_readTexts;
    size_t m_readHash = 0;
    // The same for the stream: the polygon records as read (rebuilding a line from its stored
    // ends moves its far end by a rounding step, which would grow with every save).
    std::string m_readRecords;
    size_t m_recordsHash = 0;

    static SetDispLevelHelper m_autoSetDispLevel;
};
