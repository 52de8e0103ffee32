// zvd: ZVDPoint, the point marker item (item type 0): a filled dot or a diagonal cross at one
// position, drawn in the last pass (display level 3); and its coordinate snapshot.
#pragma once

#include <QList>

#include "zvd/entities/zvdcurve.h"
#include "zvd/entities/zvdentity.h"

// 0 draws a filled dot; every other value a diagonal cross.
enum EnPointStyle : int { ptFilledDot = 0, ptDiagCross = 1 };

// Snapshot of a point: the item's identifier and its position.
class ZVD_EXPORT ZVDIPointCoordData : public ZVDCoordData {
public:
    ZVDIPointCoordData() = default;
    ~ZVDIPointCoordData() override;

    zgp::CVec2<double> insertPt;
};

// size (world units, int16) is the dot's diameter or the cross's size, and also the extent of
// the box and of the hit test. One grip (none while showGrip is off), at the position, type 2.
class ZVD_EXPORT ZVDPoint : public ZVDEntity {
public:
    ZVDPoint();
    static zgp::IBase* CreateInstance();

    // The common attributes; when other is a point, its position, style and size.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDIPointCoordData; anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    bool hitSelect(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double tol) override;
    // Within size / 2 + tol of the position.
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    // A clone at the projective image of the position (row-major 3x3, row vectors); this point
    // is left as it is. The caller owns the clone.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    // {ExtData, Color, PointSize, PointStyle}; size and style as decimal text.
    std::set<ZVDEPropType> propTypes() const override;
    std::wstring propValue(const ZVDEPropType& type) const override;
    void setPropValue(const ZVDEPropType& type, const std::wstring& value) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    const zgp::CVec2<double>& insertPt() const { return m_insertPt; }
    // No report when the new position is the old one (squared distance at most 4.93e-32).
    void setInsertPt(const zgp::CVec2<double>& point);
    const EnPointStyle& pointStyle() const { return m_pointStyle; }
    // Reports a change without resetting the box (the style does not change the extent).
    void setPointStyle(EnPointStyle style);
    short size() const { return m_size; }
    void setSize(short size);

protected:
    // The position widened by ceil(size / 2) on every side.
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;
    // The snap vertex of a point: its position, kind 0.
    virtual void fillVertexInfoListNoRef(QList<ZVDVertexInfo>& list);

private:
    zgp::CVec2<double> m_insertPt;
    EnPointStyle m_pointStyle = ptDiagCross;
    short m_size = 4;

    static SetDispLevelHelper m_autoSetDispLevel;
};
