// zvd: ZVDConstraint, the geometric constraint item (item type 15): binds one or two curve
// items by identifier and segment index; its kind object does the rest.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "zvd/constraints/zvdconstraintdata.h"
#include "zvd/entities/zvdentity.h"

namespace zcs {
class ISolver2d;
class IConstraint;
}  // namespace zcs

// Drawn as a small mark in the curve pass (display level 1); its box is the mark's, so that the
// drawing pass offers it where the mark shows. Never hit, no grips, and move,
// rotate and mirror do nothing: the bound items carry the geometry. The data object (kind) is
// owned; it is made by initialize() or a load and resolves the bound items through the drawing
// that owned the item when it was made, so an item gets its owner first.
//
// The parameter accessors, dataType(), params(), textPos() and saving need the data object.
class ZVD_EXPORT ZVDConstraint : public ZVDEntity {
public:
    ZVDConstraint();
    ~ZVDConstraint() override;
    static zgp::IBase* CreateInstance();

    // The base attributes (taking other's owner first when this item has none), then the
    // other's kind and parameters through initialize(), then forceHide.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    void setCoordData(ZVDCoordData& data) override;
    bool hitSelect(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double tol) override;
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    // ---- constraint operations ----
    virtual void setEnable(bool enable);
    virtual void build();
    virtual bool setConstraintValue(double value);
    // (entityID1, entityIndexID1), then (entityID2, entityIndexID2) when entityID2 is not -1 and
    // that pair differs from the first.
    virtual std::vector<std::pair<int, int>> refEntities() const;
    // Constraints held by this one (constraint dimensions of a group); a plain constraint has none.
    virtual void childConstraints(std::vector<ZVDConstraint*>& out);
    virtual void addConstraint(zcs::ISolver2d* solver);

    // Gives the item its kind: other data is replaced; data of the same kind takes the value,
    // identifiers, indices, reference types, positions and dimension values (nothing rebuilt).
    void initialize(const ZVDConstraintParams& params, ZVDConstraintDataType type);
    // The data's modifyData, then build() when rebuild is set.
    void modifyData(const ZVDConstraintParams& params, bool rebuild);
    // Measured kinds and an item without data answer the invalid point (x NaN, y 0). Kinds 1
    // and 10 have one position; the others answer the second for any i but 0.
    zgp::CVec2<double> constraintPos(int i) const;
    // Stores p as constraintPos(i) reads it (measured kinds store nothing); then the report.
    void setConstraintPos(int i, const zgp::CVec2<double>& p);
    // Deletes the solver objects of the last addConstraint.
    void releaseConstraint();
    bool containConstraint(const zcs::IConstraint* object) const;
    bool refer(int id, int index) const;
    int xLineCount() const { return 1; }
    // A copy of the mark's anchor line; null without data or before the first build().
    zgp::CRefPtr<zgp::CCurve2d> xLines(int i) const;

    ZVDConstraintData* data() const { return m_data.get(); }
    ZVDConstraintDataType dataType() const { return m_data->dataType(); }
    const ZVDConstraintParams& params() const { return m_data->params(); }

    // Parameter accessors: they read and write the data's block and make no report (the
    // drawing's index of bound identifiers follows the identifier setters).
    int entityID1() const { return m_data->params().entityID1; }
    void setEntityID1(int id);
    int entityIndexID1() const { return m_data->params().entityIndexID1; }
    void setEntityIndexID1(int index);
    int entityID2() const { return m_data->params().entityID2; }
    void setEntityID2(int id);
    int entityIndexID2() const { return m_data->params().entityIndexID2; }
    void setEntityIndexID2(int index);
    EnDimRefType refType1() const { return m_data->params().refType1; }
    void setRefType1(EnDimRefType type) { m_data->params().refType1 = type; }
    EnDimRefType refType2() const { return m_data->params().refType2; }
    void setRefType2(EnDimRefType type) { m_data->params().refType2 = type; }
    const zgp::CVec2<double>& textPos() const { return m_data->textPos(); }
    void setTextPos(const zgp::CVec2<double>& p) { m_data->setTextPos(p); }

    bool forceHide() const { return m_forceHide; }
    void setForceHide(bool hide) { m_forceHide = hide; }
    bool enable() const { return m_enable; }
    bool canEdit() const { return m_canEdit; }
    void setCanEdit(bool canEdit) { m_canEdit = canEdit; }

protected:
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;

private:
    // Tells the owner that the bound identifiers may have changed.
    void keysChanged();

    std::unique_ptr<ZVDConstraintData> m_data;
    bool m_forceHide = false;
    bool m_enable = true;
    bool m_canEdit = false;

    static SetDispLevelHelper m_autoSetDispLevel;
};
