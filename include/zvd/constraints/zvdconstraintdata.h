// zvd: ZVDConstraintData, the polymorphic behaviour of one constraint kind (solver objects,
// mark anchor, mark drawing, value rules), and ZVDConstraintDimensionData for the measured kinds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zgp/curve2d.h"
#include "zgp/geometry.h"
#include "zgp/line2d.h"
#include "zgp/vec2.h"
#include "zvd/constraints/zvdconstraintobj.h"
#include "zvd/constraints/zvdconstraintparams.h"
#include "zvd/foundation/zvdexport.h"
#include "zvd/platform/zvdhdc.h"

class ZCoordTrans;
class ZVDConstraint;
class ZVDConstraintDimension;
class ZVDEntity;
class ZVectorDrawing;

namespace zcs {
class ISolver2d;
}

// Owned by its constraint item. Bound items are resolved through the drawing's identifier map
// every time they are needed, so a data object never holds a pointer to another item.
class ZVD_EXPORT ZVDConstraintData {
public:
    ZVDConstraintData(ZVectorDrawing* drawing, ZVDConstraint* constraint, const ZVDConstraintParams& params,
                      ZVDConstraintDataType type);
    ZVDConstraintData(const ZVDConstraintData&) = delete;
    ZVDConstraintData& operator=(const ZVDConstraintData&) = delete;
    virtual ~ZVDConstraintData();

    // Copies value, the six integers and the eight doubles of params.
    virtual void modifyData(const ZVDConstraintParams& params);
    // The kind's mark; the base draws nothing.
    virtual void draw(HDC hdc, const ZCoordTrans& trans, bool selected);
    // Stores v and answers true; the measured kinds check it first (false: nothing changes).
    virtual bool setValue(double v);
    // Places the mark (textPos, xLine) from the bound geometry.
    virtual void build() = 0;
    // Hands the solver the geometries and new constraint objects of this kind; the objects stay
    // in this data's set until releaseObjects().
    virtual void addConstraint(zcs::ISolver2d* solver) = 0;

    // One factory for every kind: null for a number outside 0 to 20. Kind 20 clears the item's
    // canEdit flag.
    static ZVDConstraintData* create(ZVDConstraintDataType type, ZVDConstraint* constraint,
                                     const ZVDConstraintParams& params);

    ZVectorDrawing* drawing() const { return m_drawing; }
    ZVDConstraint* constraint() const { return m_constraint; }
    ZVDConstraintParams& params() { return m_params; }
    const ZVDConstraintParams& params() const { return m_params; }
    ZVDConstraintDataType dataType() const { return m_dataType; }
    const zgp::CCurve2d* xLine() const { return m_xLine.Get(); }
    const zgp::CVec2<double>& textPos() const { return m_textPos; }
    void setTextPos(const zgp::CVec2<double>& p) { m_textPos = p; }
    const std::wstring& text() const { return m_text; }
    bool isMeasured() const { return m_dataType >= cdtLineLength; }

    // The solver objects of the last addConstraint.
    virtual bool holdsObject(const zcs::IConstraint* object) const;
    virtual void releaseObjects();

    // ---- reference resolution (bound items are looked up on every call) ----
    // The item bound as entity 1 or 2 (which = 1 or 2), or null.
    ZVDEntity* entity(int which) const;
    // Segment index of entity 1 or 2 within its item.
    int entityIndex(int which) const;
    // The item's own curve for the bound segment: only lines, arcs, circles, polylines,
    // ellipses and polygons have one, and only for an index below their curve count.
    zgp::CCurve2d* geometry(int which) const;
    // The point of entity `which` for a reference type (start, end, centre; (0, 0) for the curve
    // itself or a centre the item does not have). False when the entity has no geometry.
    bool refPoint(int which, EnDimRefType type, zgp::CVec2<double>& out) const;

protected:
    // A new solver object of the type with references (geometry, ref type), kept in the set and
    // handed to the solver. Null geometries are not expected here.
    ZVDConstraintObj* addObject(zcs::ISolver2d* solver, EnConstraintType type,
                                std::initializer_list<std::pair<zgp::CGeometry*, EnDimRefType>> refs);
    ZVDConstraintObj* addObject(zcs::ISolver2d* solver, EnConstraintType type, double value,
                                std::initializer_list<std::pair<zgp::CGeometry*, EnDimRefType>> refs);
    // Whether the owning item's enable flag is set.
    bool enabled() const;
    void setXLine(zgp::CCurve2d* line) { m_xLine.Reset(line); }
    void setAnchor(const zgp::CVec2<double>& textPos, const zgp::CVec2<double>& from, const zgp::CVec2<double>& to);
    void setText(const std::wstring& text) { m_text = text; }
    // Colour of a mark: green normally, blue (COLORREF 0xff0000) when selected.
    static int markColour(bool selected) { return selected ? 0xFF0000 : 0x00FF00; }
    // The value-text mark: the data's text at textPos, 5 units high, centred, in the Song face,
    // white whether selected or not.
    void drawTextMark(HDC hdc, const ZCoordTrans& trans) const;

    std::vector<std::unique_ptr<ZVDConstraintObj>> m_objects;

private:
    ZVectorDrawing* m_drawing;
    ZVDConstraint* m_constraint;
    ZVDConstraintParams m_params;
    zgp::CRefPtr<zgp::CCurve2d> m_xLine;
    zgp::CVec2<double> m_textPos;
    std::wstring m_text;
    ZVDConstraintDataType m_dataType;
};

// Base of the kinds shown as dimensions (11, 12, 14 to 17, 19, 20): the value is checked,
// recomputed from the geometry and written as text; the grip point is the dimension's one grip.
class ZVD_EXPORT ZVDConstraintDimensionData : public ZVDConstraintData {
public:
    using ZVDConstraintData::ZVDConstraintData;
    ~ZVDConstraintDimensionData() override;

    // Recomputes the value from the geometry; false when it cannot or it counts as zero.
    virtual bool updateValue();
    virtual bool isValidValue();
    // Anchors the text at p + offset along dir (text above a line).
    virtual void placeText(const zgp::CVec2<double>& p, zgp::CVec2<double>& dir, double offset);
    // Anchors the text beside a line (radius-like dimensions).
    virtual void placeTextBeside(const zgp::CVec2<double>& p, zgp::CVec2<double>& dir, double offset);

    const zgp::CVec2<double>& gripPoint() const { return m_gripPoint; }
    // Text angle (radians) and alignments chosen by the last placement.
    double textAngle() const { return m_textAngle; }
    int textHorzAlignment() const { return m_textHorz; }
    int textVertAlignment() const { return m_textVert; }

protected:
    void setGripPoint(const zgp::CVec2<double>& p) { m_gripPoint = p; }
    // dimParams[0] rounded: above 0.4 to floor(v + 0.5), below -0.4 to -floor(0.5 - v), else 0.
    int directionMode() const;

    // The shapes of the constraint dimension that owns this data; nothing happens for a plain
    // constraint item, which has none.
    ZVDConstraintDimension* dimension() const;
    // The dimension line (or arc) takes curve's geometry and the text item the data's text.
    void showDimensionLine(zgp::CCurve2d& curve);
    void showText();
    // The extension lines: the segments a1-a2 and b1-b2.
    void showExtensionLines(const zgp::CVec2<double>& a1, const zgp::CVec2<double>& a2,
                            const zgp::CVec2<double>& b1, const zgp::CVec2<double>& b2);
    // Extension lines of length 72 across the dimension line at a and b, along n.
    void showExtensionLinesAcross(const zgp::CVec2<double>& a, const zgp::CVec2<double>& b,
                                  const zgp::CVec2<double>& n);

private:
    zgp::CVec2<double> m_gripPoint;
    double m_textAngle = 0;
    int m_textHorz = 0;
    int m_textVert = 0;
};

namespace vdcommon {
// A value counts as zero when |v| is within the kernel's distance tolerance (or, were that 0,
// within |v|·1e-12 but at least 1e-12).
ZVD_EXPORT bool countsAsZero(double v);
// The direction-mode rounding of a dimension parameter.
ZVD_EXPORT int roundDimMode(double v);
}  // namespace vdcommon
