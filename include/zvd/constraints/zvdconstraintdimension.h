// zvd: ZVDConstraintDimension (item type 16), a measured constraint shown as a dimension: a
// dimension line or arc, two extension lines and a value text, held as children; one grip.
#pragma once

#include <memory>
#include <vector>

#include "zvd/constraints/zvdconstraint.h"
#include "zvd/entities/zvdcurve.h"

class ZVDLine;
class ZVDText;

// The kind's build() places the four shapes, which the dimension makes on first use and adds to
// the drawing as its own children (not persistent, remade by build). A group (kind 20) also
// holds child constraint dimensions, which the stream form stores and the XML form does not.
// New dimensions can be edited, are green (0x008000) and have slash marks of size 16.
class ZVD_EXPORT ZVDConstraintDimension : public ZVDConstraint {
public:
    ZVDConstraintDimension();
    ~ZVDConstraintDimension() override;
    static zgp::IBase* CreateInstance();

    // The constraint's assign; the children of another dimension are taken over as copies
    // (shapes excepted: build() remakes them), or assigned one by one when this one has
    // children; then the marks and the value.
    void assign(ZVDEntity& other) override;
    // One grip at the middle of the dimension line, while showGrip is on and the kind measures.
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    // offset is where the dimension is placed now: the kind recomputes offsets and value from it.
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    std::set<ZVDEPropType> propTypes() const override;
    std::wstring propValue(const ZVDEPropType& type) const override;
    void setPropValue(const ZVDEPropType& type, const std::wstring& value) override;
    EnVDIType itemType() const override;
    // The dimension's own mark, then its children, each in its own pass.
    void draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) override;

    // ---- children (owned) ----
    int count() const override;
    // Appends item (taken from any other container first) without a grip; nothing when it is
    // already a child. The dimension then reports a change.
    void add(ZVDEntity* item) override;
    void del(ZVDEntity* item) override;
    // Hands item back to the caller (it is no longer a child); nothing when it is not one.
    void remove(ZVDEntity* item) override;
    int indexOf(ZVDEntity* item) const override;
    int indexOfId(int id) const override;
    void erase(int index) override;
    ZVDEntity* items(int index) const override;
    // Erases every child as the drawing erases an item, with its reports.
    void clear() override;

    void saveToStream(std::iostream* stream) override;

    void setEnable(bool enable) override;
    // The own pairs, then those of the child constraints not yet listed.
    std::vector<std::pair<int, int>> refEntities() const override;
    void childConstraints(std::vector<ZVDConstraint*>& out) override;

    // ---- shapes, made on first use ----
    // A dimension arc for the angle kinds (15, 16), else a dimension line; carries the marks.
    ZVDCurve* dimLine();
    ZVDLine* extLine1();
    ZVDLine* extLine2();
    ZVDText* dimText();
    zgp::CVec2<double> dimLinePos() const;

    EnMarkStyle startMarkStyle() const { return m_startMarkStyle; }
    EnMarkStyle endMarkStyle() const { return m_endMarkStyle; }
    short startMarkSize() const { return m_startMarkSize; }
    short endMarkSize() const { return m_endMarkSize; }
    // Each ignores an unchanged value; otherwise reports and passes it to child dimensions.
    void setStartMarkStyle(EnMarkStyle style);
    void setEndMarkStyle(EnMarkStyle style);
    void setStartMarkSize(short size);
    void setEndMarkSize(short size);

    // The kind as a dimension kind; null for any other kind.
    ZVDConstraintDimensionData* data() const;
    // Visible exactly when the value recomputed from the geometry holds (updateValue) or when the
    // stored value is valid (updateVisibleState).
    void updateValue();
    void updateVisibleState();
    bool isValidValue() const;
    // Derives the dimension's offsets from the point where it was placed, keeping its value: what
    // an XML load, which stores the point but not the offsets or the direction mode, restores.
    void placeFromPosition();

protected:
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doLoadFromStream(std::iostream* stream) override;
    static bool isDisplayEntity(const ZVDEntity* item);

private:
    // Creates a shape of the item type, set up as a child and added through the drawing.
    ZVDEntity* makeShape(int type, int colour);
    // Forgets a shape pointer when that child goes.
    void forgetShape(const ZVDEntity* item);
    void applyMarksToLine();
    template <class Apply>
    void forChildDimensions(Apply apply);

    std::vector<std::unique_ptr<ZVDEntity>> m_children;
    ZVDCurve* m_dimLine = nullptr;
    ZVDLine* m_extLine1 = nullptr;
    ZVDLine* m_extLine2 = nullptr;
    ZVDText* m_text = nullptr;
    short m_endMarkSize = 16;
    short m_startMarkSize = 16;
    EnMarkStyle m_endMarkStyle = msSlash;
    EnMarkStyle m_startMarkStyle = msSlash;
};
