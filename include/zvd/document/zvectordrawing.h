// zvd: ZVectorDrawing, the document that owns a drawing's items, layers and block definitions.
// Items enter only through add() and leave through erase()/remove(); every change reaches the host.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QFlags>
#include <QVector>
#include <qnamespace.h>

#include "zcs/constraint.h"
#include "zgp/box2.h"
#include "zgp/curve2d.h"
#include "zgp/geometry.h"
#include "zvd/constraints/zvdconstraintparams.h"
#include "zvd/document/zvditemindex.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/foundation/vdobserver.h"
#include "zvd/foundation/zvdexport.h"
#include "zvd/persistence/zvdformatversion.h"
#include "zvd/persistence/zxmlattrnames.h"
#include "zvd/platform/zvdhdc.h"

class QDomElement;
class ZCoordTrans;
class ZVDBlockDefinitionTable;
class ZVDComposite;
class ZVDConstraint;
class ZVDConstraintIndex;
class ZVDEntity;
class ZVDLayerTable;
class ZVDSelSet;
class ZVDSpatialIndex;
class ZXMLAttrNames;

namespace zgp {
class CCurve2d;
}

// One drawing. It owns its root container (the top-level items and, through it, every nested
// item), the identifier index, the layer table, the block-definition table, the selection set and
// the XML name table. Listeners, callbacks and observers are the host's and are never deleted.
//
// Reports: item changes raise changeCount, notify the observers (code 6) and call the
// update-drawing listener unless updates are suspended with beginUpdate(). Selection changes
// call the selection-set-changed listener, deferred to the closing endUpdate() inside a bracket.
// Listeners must not erase items of the drawing that is calling them.
class ZVD_EXPORT ZVectorDrawing {
public:
    typedef void (*ItemCallback)(int id);

    explicit ZVectorDrawing(IVDNotifyEventListener* selSetChangedListener = nullptr);
    ZVectorDrawing(const ZVectorDrawing&) = delete;
    ZVectorDrawing& operator=(const ZVectorDrawing&) = delete;
    // Deletes every owned object without reports; observers and listeners stay alive.
    ~ZVectorDrawing();

    // resetAttributes: background colour, size and remark back to their defaults. Then clear()
    // and zero the identifier counter, the change counter and the update nesting.
    void initialize(bool resetAttributes);
    // Erases every item (with all erase reports; constraints first, last to first), empties the
    // selection set and the block-definition table, and leaves the layer table as a new drawing
    // has it: the single layer "0" (identifier 0, white, visible, current). Nothing happens
    // without items.
    void clear();
    // Replaces this drawing's content by a copy of other's, made through an in-memory binary
    // stream (as a save and a load would). Null or other == this does nothing.
    void assign(ZVectorDrawing* other);

    // ---- items ----
    // Adds to the root and answers the root's child count afterwards.
    int add(ZVDEntity* item);
    // Sets the owner, assigns the identifier, indexes the item, gives it the current layer when
    // it has none, appends it to parent (null: the root), calls onItemAdded and notifies code 2;
    // then the same for every nested item. The drawing takes ownership. An item that parent
    // refuses to hold is left unindexed and unannounced (the caller keeps it).
    void add(ZVDEntity* parent, ZVDEntity* item);
    // As above for each item, announcing the list once (code 2, list overload); nested items are
    // still announced one by one.
    void add(ZVDEntity* parent, std::vector<ZVDEntity*>& items);
    // Erases item wherever it sits in the drawing (it is deleted); nothing when absent.
    void remove(ZVDEntity* item);
    void erase(int index);
    // Erases and deletes the child at index of parent (null: the root): reports code 3 with the
    // item, code 4 with null, then onItemDeleted(identifier). Out-of-range indexes do nothing.
    // The item and every nested item leave the selection set and the identifier index.
    void erase(ZVDEntity* parent, int index);
    int count() const;
    // Top-level items that are not constraints or constraint dimensions.
    int allEntity() const;
    // Direct child of parent (null: the root), or null out of range.
    ZVDEntity* item(int index, ZVDEntity* parent = nullptr) const;
    // Index of the first direct child with that identifier, or -1.
    int indexOfID(int id, ZVDEntity* parent = nullptr) const;
    ZVDComposite* root() const { return m_root.get(); }
    // Any item added through the drawing, nested ones included; null when unknown.
    ZVDEntity* find(int id) const;
    // Container and index of item, searching the root's children, then each child container
    // depth-first. False when the item is not in the drawing.
    bool find(ZVDEntity* item, ZVDEntity*& parent, int& index) const;
    // Top-level items of the type (or of any type in the set), in order.
    std::vector<ZVDEntity*> findByType(int type) const;
    std::vector<ZVDEntity*> findByType(const std::set<int>& types) const;

    // ---- identifiers ----
    // Increments the counter and answers the new value.
    int genID();
    // Answers the counter, then increments it.
    int newID();
    int maxID() const { return m_maxID; }
    void setMaxID(int id) { m_maxID = id; }

    // ---- changes ----
    void beginUpdate();
    // Closing the outermost bracket calls the update-drawing listener, then a pending
    // selection-set-changed listener. Unbalanced calls are ignored.
    void endUpdate();
    int changeCount() const { return m_changeCount; }
    void setChangeCount(int count) { m_changeCount = count; }
    bool modified() const { return m_changeCount > 0; }
    // Data-changed report for item (null: the drawing itself); resetOutRect empties the item's
    // cached box first.
    void doDataChanged(ZVDEntity* item, bool resetOutRect);
    void doStateChanged(ZVDEntity* item);
    void doSelSetChanged(ZVDEntity* item);
    // Repaint request: the update-drawing listener, unless updates are suspended.
    void notify();
    void notify(int code, ZVDEntity* item, void* data);
    void notify(int code, std::vector<ZVDEntity*>& items, void* data);
    void attachObserver(VDObserver* observer);
    void detachObserver(VDObserver* observer);

    // Called by a container just before it deletes a child that belongs to this drawing
    // (directly, not through erase): the child and its nested items leave the selection set and
    // the identifier index, so that nothing keeps pointing at deleted items.
    void itemDeleting(ZVDEntity* item);
    // True while the drawing's destructor runs: containers then delete their children directly
    // instead of erasing them through the drawing, and nothing is reported.
    bool destroying() const { return m_destroying; }
    // Called by the root container as a child joins or leaves it, however that came about, so
    // that the spatial index of the top-level items follows the root's children.
    void topLevelJoined(ZVDEntity* item);
    void topLevelLeft(ZVDEntity* item);

    // ---- callbacks and listeners (none is owned) ----
    void setOnItemAdded(ItemCallback callback) { m_onItemAdded = callback; }
    ItemCallback onItemAdded() const { return m_onItemAdded; }
    void setOnItemDeleted(ItemCallback callback) { m_onItemDeleted = callback; }
    ItemCallback onItemDeleted() const { return m_onItemDeleted; }
    void setOnUpdateDrawing(IVDNotifyEventListener* listener) { m_updateListener = listener; }
    void setSelSetChangedListener(IVDNotifyEventListener* listener) { m_selSetListener = listener; }
    // Stored for the host; the library never calls it.
    void setNotifyListener(IVDNotifyListener* listener) { m_notifyListener = listener; }
    IVDNotifyListener* notifyListener() const { return m_notifyListener; }

    // ---- attributes (changed values are reported like item data, with a null item) ----
    // Width and height in world units; 0 or less means unbounded.
    int drawingWidth() const { return m_drawingWidth; }
    void setDrawingWidth(int width);
    int drawingHeight() const { return m_drawingHeight; }
    void setDrawingHeight(int height);
    int backColor() const { return m_backColor; }
    void setBackColor(int color);
    const std::wstring& remark() const { return m_remark; }
    void setRemark(const std::wstring& remark);
    const std::wstring& extData() const { return m_extData; }
    void setExtData(const std::wstring& data);
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    bool autoCancelSel() const { return m_autoCancelSel; }
    void setAutoCancelSel(bool value) { m_autoCancelSel = value; }

    // Format version of the drawing ("3.4") and the version found in the last loaded file.
    const std::wstring& version() const { return m_format.text(); }
    const std::wstring& oriVersion() const { return m_oriFormat.text(); }
    // 0 when the version is within 0.001 of v, 1 when above, -1 when below.
    int compareVersion(double v) const { return m_format.compare(v); }
    int compareOriVersion(double v) const { return m_oriFormat.compare(v); }
    // What the drawing's format version holds: during a load the version being read (item
    // readers ask it), at every other time the current one.
    const ZVDFormatVersion& format() const { return m_format; }

    ZVDLayerTable* layers() const { return m_layers.get(); }
    ZVDSelSet* selSet() const { return m_selSet.get(); }
    ZVDBlockDefinitionTable* blockDefinitionTable() const { return m_blockDefinitions.get(); }
    // The XML names of the current version, handed to every item's XML save and load.
    ZXMLAttrNames* xmlAttrNames() const { return m_xmlNames.get(); }

    // Union of the top-level items' boxes; items with an empty box are left out; the zero box
    // when no item has a box.
    zgp::CBox2<double> fullRange();
    // The world box of the part of the drawing under deviceRect: the rectangle converted through
    // trans, clamped to 0..drawingWidth and 0..drawingHeight (a bound of 0 or less leaves that
    // axis open upwards; with both 0 or less nothing is clamped). False, range untouched, when
    // the rectangle lies wholly outside the drawing.
    bool calcDrawingRange(const ZCoordTrans& trans, const zgp::CBox2<int>& deviceRect, zgp::CBox2<double>& range) const;

    // ---- saving and loading ----
    // Files and streams hold either the XML document or the binary stream. Loaders recognise
    // XML by its first five bytes "<?xml", clear the drawing, and answer false with an empty
    // drawing on malformed input; a loaded drawing is at version "3.4" with changeCount 0.
    // selectedOnly: write the selection set's items (in selection order) instead of the
    // top-level items; layers and block definitions are always written whole.
    bool saveToFile(const std::wstring& path, EnVDSaveFormat format, bool selectedOnly);
    // The binary stream for any format but vdsfXML; vdsfXML answers false and writes nothing.
    bool saveToStream(std::iostream* stream, EnVDSaveFormat format, bool selectedOnly);
    // False when the file does not exist (the drawing is then untouched).
    bool loadFromFile(const std::wstring& path);
    bool loadFromFile(const std::wstring& path, EnVDSaveFormat* foundFormat);
    bool loadFromStream(std::iostream* stream);
    bool loadFromStream(std::iostream* stream, EnVDSaveFormat* foundFormat);
    // Answers true even when the file cannot be opened (nothing is written then).
    bool saveToXMLFile(const std::wstring& path, bool selectedOnly);
    // Clears the drawing and loads the XML file; answers true even when the file is unreadable.
    bool loadFromXMLFile(const std::wstring& path);
    // Fills root (the caller's "ZelvaroneVectorDrawing" element) with the drawing's attributes
    // and sections.
    void saveToXMLNode(QDomElement& root, bool selectedOnly);

    // ---- constraints ----
    // Solves every top-level constraint (getAllConstraints). driveByDimensions false leaves the
    // measured kinds (11 and above) out of the solve and lets them take their values from the
    // solved geometry. 0 (solved): the bound items moved and were reported (code 6), and the
    // constraints rebuilt. Any other result: the solver's code; every bound curve is put back
    // as it was, message holds the solver's text and the constraints in conflict (or, when the
    // solve merely found no solution, those still unmet) are appended to conflicts, each once.
    EnSolveResult calculateConstraints(bool driveByDimensions, std::wstring& message,
                                       std::vector<ZVDConstraint*>& conflicts);
    // The same for the constraints related to the given (item, segment) pairs, directly or
    // through other constraints (the closure of getRelatedConstraints).
    EnSolveResult calculateConstraints(const std::vector<std::pair<ZVDEntity*, int>>& items, bool driveByDimensions,
                                       std::wstring& message, std::vector<ZVDConstraint*>& conflicts);
    // Empties out, then appends every top-level constraint and constraint dimension in
    // container order; answers the count.
    int getAllConstraints(std::vector<ZVDConstraint*>& out) const;
    // Empties out, then appends each top-level constraint that the filter (when set) accepts and
    // that binds segment index of item (any segment with anyIndex; for a poly-composite, any of
    // its children), in container order; answers the count.
    int getRelatedConstraints(ZVDEntity* item, int index, std::vector<ZVDConstraint*>& out,
                              std::function<bool(ZVDConstraint*)> filter, bool anyIndex);
    // Appends (without emptying out) the constraints reached from the seeds through shared
    // items, breadth first, each once; answers out's size.
    int getRelatedConstraints(const std::vector<std::pair<ZVDEntity*, int>>& seeds, std::vector<ZVDConstraint*>& out);
    // Empties out, then appends the other (item, segment) pairs of the constraints of one kind
    // bound to (item, index), in first-seen order; answers the count.
    int getRelatedEntity(ZVDEntity* item, int index, ZVDConstraintDataType kind,
                         std::vector<std::pair<ZVDEntity*, int>>& out);
    // Removes every top-level constraint that is not temporary and binds segment 0 of item;
    // answers the number removed. erase() calls it for every item that is not a constraint.
    int removeRelatedConstraints(ZVDEntity* item);
    // Rebuilds the marks of all constraints (with their reports) and reports their bound items;
    // constraint dimensions show exactly when their values are valid. Loading calls both.
    void refreshConstraints();
    void refreshDimensionConstraints();
    // The curves as they were before the last successful solve, by (item identifier, segment).
    // The drawing keeps owning them: they stay valid until the next solve or the drawing's end,
    // and the caller must not release them. Empty after a failed solve.
    std::map<std::pair<int, int>, zgp::CCurve2d*> constraintEntityID2Curve() const;
    // Constraint items call this when their bound identifiers change, so that the drawing's
    // index of constraints by identifier stays true.
    void constraintKeysChanged(ZVDConstraint* constraint);
    // Item readers call this when an attribute cannot be decoded; the XML load under way then
    // fails as for any malformed input.
    void markInputDamaged() { m_inputDamaged = true; }

    // ---- hit testing, search and snapping ----
    // All points are world coordinates and tol a world distance. Only top-level items are
    // tested, each through its own hitTest/hitSelect; an empty type set accepts every type.
    // Candidates come from a spatial index of the items' boxes, so the cost follows the number
    // of items near the point or rectangle, not the size of the drawing.
    //
    // The item drawn last among those under point, or null.
    ZVDEntity* hitTest(const zgp::CVec2<double>& point, double tol, std::set<EnVDIType>& types);
    // Corners within 2.22e-16 of each other: the point test's item at corner1 (or nothing).
    // Otherwise every accepted item whose hitSelect(corner1, corner2, tol) holds, in drawing order.
    QVector<ZVDEntity*> hitTest(const zgp::CVec2<double>& corner1, const zgp::CVec2<double>& corner2, double tol,
                                std::set<EnVDIType>& types);
    // The item drawn first among those under point, or null.
    ZVDEntity* snapDrawingItem(const zgp::CVec2<double>& point, double tol, std::set<EnVDIType>& types);
    // Toggles the selection of the item clicked (corners as one point) or of every item the
    // rectangle selects, inside one update bracket, so that the listeners hear of it once.
    // True when something was toggled. The modifiers are not used.
    bool hitSelect(QFlags<Qt::KeyboardModifier> modifiers, const zgp::CVec2<double>& corner1,
                   const zgp::CVec2<double>& corner2, double tol, std::set<EnVDIType>& types);
    // Every item can be hit-tested.
    bool canHitTestItem(ZVDEntity* item);

    // ---- painting ----
    // Repaints deviceRect: the background (backColor) over the part of the drawing inside it,
    // then every top-level item whose box meets the rectangle grown by one pixel, once per
    // display level from 0 up to ZVDEntity::maxDisplayLevel(); unselected items first in root
    // order, then the selection set's items in selection order. Visibility, highlight and layers
    // are not consulted. Only cached item boxes may change. No grips are painted: hosts read
    // gripCount/grip/gripType of the items and draw their own marks.
    void draw(HDC hdc, const ZCoordTrans& trans, const zgp::CBox2<int>& deviceRect);
    // Kept for hosts that call it; paints nothing.
    void draw(HDC hdc, const zgp::CBox2<int>& deviceRect, int, int);

private:
    void setup();
    void setVersion(const std::wstring& version);
    void setOriVersion(const std::wstring& version);
    // Counter = one more than the largest top-level identifier, and never below 0.
    void initMaxID();
    // Replaces the XML name table with the set of that version (long for "1.0"/"1.1").
    void initXMLAttrNameIdentifier(const std::wstring& version);
    // Empties both tables, deleting entries no item uses any more, and leaves layer "0" alone
    // and current. Call only when no item refers to a table entry.
    void resetTables();
    // clear(), then resetTables(): clear() does nothing without items, while a drawing without
    // items (or a load that failed after reading its tables) may still hold layers and blocks.
    void clearForLoad();

    // ---- persistence internals ----
    bool loadFromXMLNode(const QDomElement& root);
    bool loadFromXMLStream(std::iostream* stream);
    // True when an arc element of an older file cannot be built as an arc (it is read as a line).
    bool invalidArcItem(QDomElement* element);
    bool saveToBinStream(std::iostream* stream, bool selectedOnly);
    bool loadFromBinStream(std::iostream* stream);
    // Reads everything after the signature and version; throws on malformed data.
    void doLoadFromBinStream(std::iostream* stream);
    // The same test on an arc record at the stream's position (the position is restored).
    bool invalidArcItem(std::iostream* stream);
    bool doFind(ZVDEntity* container, ZVDEntity* item, ZVDEntity*& parent, int& index) const;
    ZVDEntity* doFind(ZVDEntity* container, int id) const;
    // Repaint request regardless of the update nesting.
    void refreshDrawing();
    // The solve behind both public forms; the list is the solve's own copy.
    EnSolveResult calculateConstraints(std::vector<ZVDConstraint*> constraints, bool driveByDimensions,
                                       std::wstring& message, std::vector<ZVDConstraint*>& conflicts);
    // Data-changed report for an item (counter, code 6, update listener), its box reset.
    void reportMoved(ZVDEntity* item);
    // A reported item changed: the boxes of its containers are emptied and its top-level item
    // is filed again in the spatial index. Items outside the root are left alone.
    void spatialTouch(ZVDEntity* item);
    // Accepted by a hit test's type set.
    static bool typeAccepted(const std::set<EnVDIType>& types, ZVDEntity* item);
    // The point test's walk: from the last candidate to the first, or the other way round.
    ZVDEntity* pointHit(const zgp::CVec2<double>& point, double tol, const std::set<EnVDIType>& types, bool lastFirst);
    // Candidates of the rectangle test, in drawing order.
    void areaCandidates(const zgp::CVec2<double>& corner1, const zgp::CVec2<double>& corner2, double tol,
                        std::vector<ZVDEntity*>& out);
    void addOne(ZVDEntity* parent, ZVDEntity* item, bool announce);
    void forgetTree(ZVDEntity* item);
    void reportDrawingChanged();

    ZVDFormatVersion m_format = ZVDFormatVersion::current();
    ZVDFormatVersion m_oriFormat{std::wstring()};
    std::unique_ptr<ZXMLAttrNames> m_xmlNames;
    std::unique_ptr<ZVDComposite> m_root;
    int m_maxID = 0;
    int m_changeCount = 0;
    int m_updateNesting = 0;
    int m_backColor = 0;
    int m_drawingHeight = 0;
    int m_drawingWidth = 0;
    bool m_autoCancelSel = false;
    bool m_selChangePending = false;
    std::unique_ptr<ZVDLayerTable> m_layers;
    std::unique_ptr<ZVDSelSet> m_selSet;
    std::wstring m_extData;
    int m_tag = 0;
    std::wstring m_remark;
    std::unique_ptr<ZVDBlockDefinitionTable> m_blockDefinitions;
    IVDNotifyEventListener* m_selSetListener = nullptr;
    ItemCallback m_onItemAdded = nullptr;
    ItemCallback m_onItemDeleted = nullptr;
    IVDNotifyEventListener* m_updateListener = nullptr;
    IVDNotifyListener* m_notifyListener = nullptr;
    VDObserverList m_observers;
    ZVDItemIndex m_index;
    std::unique_ptr<ZVDConstraintIndex> m_constraints;
    // The top-level items' boxes, for hit tests and the drawing pass.
    std::unique_ptr<ZVDSpatialIndex> m_spatial;
    // Copies of the curves a successful solve moved, as they were before it; owned.
    std::map<std::pair<int, int>, zgp::CRefPtr<zgp::CCurve2d>> m_constraintBackup;
    bool m_destroying = false;
    bool m_inputDamaged = false;
};
