// zvd: ZVDEntity, the base of every drawing item, with its change reports and class registry.
// Items are created through the shared factory from their stored type number when loading.
#pragma once

#include <iosfwd>
#include <set>
#include <string>

#include "zgp/base.h"
#include "zgp/box2.h"
#include "zgp/matrix.h"
#include "zgp/vec2.h"
#include "zvd/foundation/zvdexport.h"
#include "zvd/platform/zvdhdc.h"

class QDomElement;
class ZCoordTrans;
class ZVDFormatVersion;
class ZVDLayer;
class ZVectorDrawing;
class ZXMLAttrNames;

// Item type numbers. Both file formats store them, so the values are fixed. The underlying type
// is int so that any stored number can be carried (unknown ones are rejected by the factory).
enum EnVDIType : int {
    vdiPoint = 0,
    vdiText,
    vdiLine,
    vdiArc,
    vdiHatch,
    vdiCircle,
    vdiPolyline,
    vdiEllipse,
    vdiPolygon,
    vdiSpline,
    vdiBlockReference,
    vdiComposite,
    vdiPolyComposite,
    vdiGrid,
    vdiGridLine,
    vdiConstraint,
    vdiConstraintDimension,
    vdiDimensionLine,
    vdiDimensionArc,
    vdiDimensionText
};

// Properties a host edits as text (propTypes / propValue / setPropValue).
enum ZVDEPropType : int {
    vdpExtData = 0,
    vdpColor,
    vdpPointSize,
    vdpPointStyle,
    vdpLineWidth,
    vdpLineStyle,
    vdpStartMarkStyle,
    vdpEndMarkStyle,
    vdpStartMarkSize,
    vdpEndMarkSize,
    vdpHatchFillStyle,
    vdpText,
    vdpTextHeight,
    vdpFontStyle,
    vdpTransparent,
    vdpTextBackColor,
    vdpHorzAlignment,
    vdpVertAlignment,
    vdpPolygonFillStyle,
    vdpDimStartMarkStyle,
    vdpDimEndMarkStyle,
    vdpDimStartMarkSize,
    vdpDimEndMarkSize
};

// Grip kind answered by gripType(i): 0 a joint that chained curves share (end points),
// 1 and 2 grips whose drag carries related joints along (1 on the curve, 2 centre/middle).
typedef int ZVDGripType;

// Base of an item's coordinate snapshot (createCoordData / setCoordData).
class ZVD_EXPORT ZVDCoordData {
public:
    ZVDCoordData() = default;
    virtual ~ZVDCoordData();
    int iD() const { return m_iD; }
    void setID(int id) { m_iD = id; }
    // The format version whose layout the item's readers and writers follow: the owner's (during
    // a load, the version being read); without an owner that of the XML names given, else the
    // current one. Item sources ask it their layout questions and never compare versions.
    const ZVDFormatVersion& fileFormat(const ZXMLAttrNames* names = nullptr) const;

private:
    int m_iD = -1;
};

// The drawing item. An item belongs to at most one drawing (its owner, never owned by the item)
// and sits in at most one container (its parent). World coordinates are drawing units.
//
// Change reports: every change of data ends in doDataChanged, which — when the item has an owner
// and an identifier other than -1 — raises the owner's change counter, notifies its observers
// with code 6 and asks the host to repaint unless updates are suspended. Items under
// construction or being loaded (no owner, or identifier -1) therefore stay silent.
class ZVD_EXPORT ZVDEntity : public zgp::IBase {
    friend class ZVectorDrawing;
    friend class ZVDLayerTable;  // clears references to an erased layer without recursing
    friend class ZVDComposite;   // keeps m_heldByParent

public:
    ZVDEntity();
    // Items are copied through clone()/assign(), never by value: a container owns its children.
    ZVDEntity(const ZVDEntity&) = delete;
    ZVDEntity& operator=(const ZVDEntity&) = delete;
    ~ZVDEntity() override;

    // ---- virtual operations (declaration order is the item interface's slot order) ----

    // Copies colour, extData, the cached box, tag, layer, relationID, enableType and
    // currentScale. Never the identifier, owner, parent, flags, block name or block ids.
    virtual void assign(ZVDEntity& other);
    // A new item of the same type made by the shared factory, assigned from this one and given
    // this identifier; no owner, parent or selection. Null when the type is not registered.
    virtual ZVDEntity* clone();
    // A new snapshot of the geometry (the caller deletes it).
    virtual ZVDCoordData* createCoordData() = 0;
    // Writes a snapshot of this item's own kind back through the setters (reports fire).
    virtual void setCoordData(ZVDCoordData& data) = 0;
    // Paints in the pass of displayLevel() (level -1: always) through one of the three hooks.
    virtual void draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level);
    virtual bool hasTextAttr() const;
    // Whether the item meets the rectangle p1-p2 / the point within tol (world units).
    virtual bool hitSelect(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double tol) = 0;
    virtual bool hitTest(const zgp::CVec2<double>& pt, double tol) = 0;
    virtual bool pastable() const;
    virtual void move(const zgp::CVec2<double>& offset);
    // angle in radians, counter-clockwise.
    virtual void rotate(const zgp::CVec2<double>& centre, double angle);
    virtual void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2);
    // A new transformed copy (caller owns); this item is unchanged.
    virtual ZVDEntity* transform(zgp::CMatrix3<double>* matrix) = 0;
    virtual int gripCount() = 0;
    virtual zgp::CVec2<double> grip(int index) = 0;
    virtual ZVDGripType gripType(int index) = 0;
    // offset is relative to the grip's current position, not an absolute position.
    virtual bool dragGrip(int index, const zgp::CVec2<double>& offset) = 0;
    virtual std::set<ZVDEPropType> propTypes() const;
    // Empty for a property the item does not offer.
    virtual std::wstring propValue(const ZVDEPropType& type) const;
    // Ignored for a property the item does not offer; otherwise goes through the setter.
    virtual void setPropValue(const ZVDEPropType& type, const std::wstring& value);
    virtual int displayLevel() const = 0;
    virtual EnVDIType itemType() const = 0;
    // Stores the flag, sets it on every child, then notifies the owner's observers (code 7).
    virtual void setSelected(bool selected);

    // Container interface: every item may hold children; plain items hold none.
    virtual int count() const;
    virtual void add(ZVDEntity* item);
    virtual void del(ZVDEntity* item);
    virtual void remove(ZVDEntity* item);
    virtual int indexOf(ZVDEntity* item) const;
    virtual int indexOfId(int id) const;
    virtual void erase(int index);
    virtual ZVDEntity* items(int index) const;
    virtual void clear();

    // Writes the common attributes into the item's own element (the caller created it).
    virtual void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names);
    // Writes the item's record, starting with its type byte.
    virtual void saveToStream(std::iostream* stream);

protected:
    // Computes the world bounding box into box.
    virtual void buildOutRect(zgp::CBox2<double>& box) = 0;
    // Stretches the part of the item inside box by offset; the base does nothing.
    virtual void doStretch(const zgp::CBox2<double>& box, const zgp::CVec2<double>& offset);
    virtual void doDrawElastic(HDC hdc, const ZCoordTrans& trans) = 0;
    virtual void doDrawNormal(HDC hdc, const ZCoordTrans& trans) = 0;
    virtual void doDrawSelected(HDC hdc, const ZCoordTrans& trans) = 0;
    // Reads the common attributes; see the source for the exact rules.
    virtual void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names);
    // Reads the common fields laid out by the owner's format version. Read failures leave the
    // stream failed and the remaining fields untouched.
    virtual void doLoadFromStream(std::iostream* stream);

public:
    // ---- identity and attributes ----
    int iD() const { return m_iD; }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    ZVectorDrawing* owner() const { return m_owner; }
    // Stores the owner on this item and all its children; no report.
    void setOwner(ZVectorDrawing* owner);
    ZVDEntity* parent() const { return m_parent; }
    // A different previous parent first gets remove(this); then the parent is stored.
    void setParent(ZVDEntity* parent);
    ZVDLayer* layer() const { return m_layer; }
    // Stores the layer on this item and all its children; no report. Null clears it.
    void setLayer(ZVDLayer* layer);
    void setLayer(ZVDLayer& layer) { setLayer(&layer); }

    int color() const { return m_color; }
    void setColor(int color);
    const std::wstring& extData() const { return m_extData; }
    void setExtData(const std::wstring& data);
    const std::wstring& blockName() const { return m_blockName; }
    void setBlockName(const std::wstring& name) { m_blockName = name; }
    int blockTypeID() const { return m_blockTypeID; }
    void setBlockTypeID(int id) { m_blockTypeID = id; }
    int blockID() const { return m_blockID; }
    void setBlockID(int id) { m_blockID = id; }
    int relationID() const { return m_relationID; }
    void setRelationID(int id) { m_relationID = id; }
    int enableType() const { return m_enableType; }
    void setEnableType(int type) { m_enableType = type; }
    // Scale stored with the item in the binary stream; 1.0 until assigned or loaded.
    double currentScale() const { return m_currentScale; }

    // ---- state ----
    bool selected() const { return m_selected; }
    bool visible() const { return m_visible; }
    // Stores the flag on this item and its children, then notifies the owner's observers (code 8).
    void setVisible(bool visible);
    bool temp() const { return m_temp; }
    void setTemp(bool temp);
    bool highLight() const { return m_highLight; }
    // A changed value makes a state report (code 10), not a data report.
    void setHighLight(bool highLight);
    bool showGrip() const { return m_showGrip; }
    void setShowGrip(bool show) { m_showGrip = show; }
    bool persistent() const { return m_persistent; }
    void setPersistent(bool persistent) { m_persistent = persistent; }

    // ---- geometry ----
    // The cached world bounding box, built on first use after it was emptied.
    zgp::CBox2<double> outRect();
    // Empties the cache so that the next outRect() rebuilds it.
    void rebuildOutRect();
    // Moves the whole item when box (widened by the kernel's distance tolerance) holds it,
    // otherwise stretches only the part inside box.
    void stretch(const zgp::CBox2<double>& box, const zgp::CVec2<double>& offset);
    // A box is empty when its maximum lies more than 1e-12 below its minimum on either axis.
    static bool isEmptyBox(const zgp::CBox2<double>& box);

    // ---- persistence wrappers: load, empty the cached box, make the data-changed report ----
    void loadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names);
    // False when the stream failed while the record was read.
    bool loadFromStream(std::iostream* stream);

    // ---- class registry ----
    // The factory shared by all item classes, created on first use.
    static zgp::ZObjectFactory<int>* GetFactory();
    // A new item of a registered type number, or null.
    static ZVDEntity* createItem(int type);

    // Its static instance deletes the shared factory when the library is unloaded.
    class ZVD_EXPORT RegClearHelper {
    public:
        ~RegClearHelper();
    };

    // ---- display levels ----
    // The highest displayLevel() of the item classes loaded so far: the drawing pass paints
    // levels 0 up to this one. Starts at 0; never lowered.
    static int maxDisplayLevel();

    // Each item class holds a static instance (m_autoSetDispLevel) made with the class's own
    // display level, which raises the process-wide maximum when the library is loaded.
    class ZVD_EXPORT SetDispLevelHelper {
    public:
        explicit SetDispLevelHelper(int level);
    };

protected:
    // Data-changed report (see the class comment); resetOutRect empties the cached box first.
    void doDataChanged(bool resetOutRect);
    // State report: code 10 and a repaint request; the change counter is left alone.
    void doStateChanged();
    // For copies that must carry the original's identifier (clone-like operations); items in a
    // drawing get theirs from the drawing.
    void setID(int id) { m_iD = id; }
    // The format version whose layout the item's readers and writers follow: the owner's (during
    // a load, the version being read); without an owner that of the XML names given, else the
    // current one. Item sources ask it their layout questions and never compare versions.
    const ZVDFormatVersion& fileFormat(const ZXMLAttrNames* names = nullptr) const;

private:
    // Gives the item (and its children) an identifier unique in the owner.
    void createId();
    void assignFreshId();

    int m_iD = -1;
    int m_tag = 0;
    ZVectorDrawing* m_owner = nullptr;
    ZVDEntity* m_parent = nullptr;
    // True while m_parent (a composite) holds this item in its child list. remove() hands the
    // item back with m_parent still set, so the pointer alone does not tell.
    bool m_heldByParent = false;
    int m_color = 0;
    bool m_persistent = true;
    bool m_highLight = false;
    bool m_showGrip = true;
    // The item's entry in its drawing's spatial index while it is a top-level item, else -1.
    // Kept by the drawing only; it sits in what would otherwise be padding.
    int m_spatialSlot = -1;
    ZVDLayer* m_layer = nullptr;
    std::wstring m_extData;
    bool m_selected = false;
    bool m_temp = false;
    bool m_visible = true;
    std::wstring m_blockName;
    int m_blockTypeID = -1;
    int m_blockID = -1;
    int m_relationID = -1;
    int m_enableType = -1;
    double m_currentScale = 1.0;
    zgp::CBox2<double> m_outRect;

    static zgp::ZObjectFactory<int>* s_pClassFactory;
    static RegClearHelper m_autoRegClear;
};
