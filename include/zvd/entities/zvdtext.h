// zvd: ZVDText, the text item (item type 1): one or more lines at an insert point, rotated and
// aligned, in a named font; with the bound polygon that stands for its extent; and its snapshot.
#pragma once

#include <set>
#include <string>

#include "zgp/geometry.h"
#include "zgp/loop.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/render/zdrawfunc2d.h"

// Snapshot of a text: its identifier, angle and insert point.
class ZVD_EXPORT ZVDITextCoordData : public ZVDCoordData {
public:
    ZVDITextCoordData() = default;
    ~ZVDITextCoordData() override;

    double angle = 0;
    zgp::CVec2<double> insertPt;
};

// height is one line's height in world units (int16); angle radians counter-clockwise. The bound
// polygon is the text's box (measured in the font at a cell height of |height|, "\r\n" counting
// lines) turned about the insert point; it gives the cached box, the hit tests and the outline
// an empty text is drawn as. A new text is transparent, with a white background colour, angle 0.
// Drawn in the text pass (display level 2). widthFactor and boxWidth are only stored.
class ZVD_EXPORT ZVDText : public ZVDEntity {
public:
    ZVDText();
    ~ZVDText() override;
    static zgp::IBase* CreateInstance();

    // The base attributes, then everything of another text but paramCode (its bound polygon
    // copied as it is); then the data-changed report.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDITextCoordData; anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    bool hitSelect(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double tol) override;
    // Within the bound polygon grown by tol.
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    // Reflects the insert point and the direction; the alignment across the axis swaps so that
    // the text stays readable in place.
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    // A clone at the projective image of the insert point; angle and polygon as copied.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    // Moves the insert point by offset.
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    // ExtData, Color, Text, TextHeight, FontStyle, Transparent, TextBackColor and both alignments.
    std::set<ZVDEPropType> propTypes() const override;
    std::wstring propValue(const ZVDEPropType& type) const override;
    void setPropValue(const ZVDEPropType& type, const std::wstring& value) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    virtual void setText(const std::wstring& text);
    virtual void setParamCode(const std::wstring& code);

    const std::wstring& text() const { return m_text; }
    short height() const { return m_height; }
    float angle() const { return m_angle; }
    const zgp::CVec2<double>& insertPt() const { return m_insertPt; }
    const std::wstring& fontName() const { return m_fontName; }
    std::set<EnFontStyle> fontStyle() const { return m_fontStyle; }
    int backColor() const { return m_backColor; }
    bool transparent() const { return m_transparent; }
    EnHorizAlignment horzAlignment() const { return m_horzAlignment; }
    EnVertAlignment vertAlignment() const { return m_vertAlignment; }
    float getWidthFactor() const { return m_widthFactor; }
    float getBoxWidth() const { return m_boxWidth; }
    const std::wstring& paramCode() const { return m_paramCode; }

    // Each ignores an unchanged value; a change rebuilds the bound polygon and reports.
    void setFontName(const std::wstring& name);
    void setFontStyle(const std::set<EnFontStyle>& styles);
    void setHeight(short height);
    void setHorzAlignment(EnHorizAlignment alignment);
    void setVertAlignment(EnVertAlignment alignment);
    // A move shorter than the rounding noise (squared 4.93e-32) is ignored.
    void setInsertPt(const zgp::CVec2<double>& point);
    // A turn within the kernel's distance tolerance is ignored.
    void setAngle(float angle);
    // Report without a rebuild (the extent does not change).
    void setBackColor(int colour);
    void setTransparent(bool transparent);
    // Always rebuilds and reports.
    void setBoxWidth(float width);
    void setWidthFactor(float factor) { m_widthFactor = factor; }

protected:
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;

    // Replaces the bound polygon by one of the current text, font, height, angle and alignment.
    void buildBoundPoly();
    // Rebuild, empty the cached box, report.
    void refreshData();
    // Null for alignments outside 0..2.
    const zgp::CLoop* getBoundPoly() const { return m_boundPoly.Get(); }

private:
    static zgp::CLoop* textBoundPoly(const std::wstring& text, short height, float angle,
                                     const zgp::CVec2<double>& insertPt, const std::wstring& fontName,
                                     const std::set<EnFontStyle>& fontStyle, EnHorizAlignment horz,
                                     EnVertAlignment vert);
    void drawOutline(HDC hdc, const ZCoordTrans& trans, int colour);

    float m_angle = 0.0f;
    int m_backColor = 0xFFFFFF;
    zgp::CRefPtr<zgp::CLoop> m_boundPoly;
    std::wstring m_fontName;
    std::set<EnFontStyle> m_fontStyle;
    short m_height = 32;
    EnHorizAlignment m_horzAlignment = haCenter;
    zgp::CVec2<double> m_insertPt;
    std::wstring m_text;
    bool m_transparent = true;
    float m_widthFactor = 1.0f;
    EnVertAlignment m_vertAlignment = vaCenter;
    std::wstring m_paramCode;
    float m_boxWidth = 100.0f;

    static SetDispLevelHelper m_autoSetDispLevel;
};
