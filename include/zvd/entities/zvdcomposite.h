// zvd: ZVDComposite, the container item that moves, draws, copies and persists its children as one.
// A drawing's root, which holds the top-level items, is a composite.
#pragma once

#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

#include "zvd/entities/zvdentity.h"

// Snapshot of a composite: its identifier and a copy (clone) of every child, owned here.
class ZVD_EXPORT ZVDCompositeCoordData : public ZVDCoordData {
public:
    ZVDCompositeCoordData() = default;
    ZVDCompositeCoordData(const ZVDCompositeCoordData&) = delete;
    ZVDCompositeCoordData& operator=(const ZVDCompositeCoordData&) = delete;

    int count() const { return static_cast<int>(m_items.size()); }
    ZVDEntity* items(int index) const;
    // Takes ownership of item (null is ignored).
    void add(ZVDEntity* item);

private:
    std::vector<std::unique_ptr<ZVDEntity>> m_items;
};

// Children are owned, as in every container of the library, through std::unique_ptr: erase, del,
// clear and the destructor delete them; remove hands a child back to the caller, who then owns it. Each held child's
// parent() is this composite. After remove() the child still names this composite as its parent (add() elsewhere clears
// that up); a removed child must not outlive this composite with that parent pointer in use.
class ZVD_EXPORT ZVDComposite : public ZVDEntity {
public:
    ZVDComposite();
    ~ZVDComposite() override;

    static zgp::IBase* CreateInstance();
    static zgp::ZObjectFactory<int>* GetFactory();

    // Base attributes; when other is a composite, a clone of each of its children is appended.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // clear(), then clones of the snapshot's items are added.
    void setCoordData(ZVDCoordData& data) override;
    // Own dispatch (its hooks draw nothing), then every child with the same arguments.
    void draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) override;
    bool hitSelect(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double tol) override;
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    // A composite of the same type whose children are the transformed copies of these.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    // One grip (when showGrip is set) at the centre of the bounding box; dragging it moves all.
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;

    int count() const override;
    // Appends item (taking it from any other container first). Null or held: nothing.
    void add(ZVDEntity* item) override;
    // Deletes item when held.
    void del(ZVDEntity* item) override;
    // Takes item out without deleting it when held.
    void remove(ZVDEntity* item) override;
    int indexOf(ZVDEntity* item) const override;
    int indexOfId(int id) const override;
    // Deletes the child at index; out of range: nothing.
    void erase(int index) override;
    // Null out of range.
    ZVDEntity* items(int index) const override;
    // Deletes every child (each child's own clear() first), without a report.
    void clear() override;

    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

protected:
    // Union of the children's freshly rebuilt boxes; empty without children.
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    // Child elements of unknown type are skipped.
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    // A child of unknown type, a failed read or nesting deeper than the loader accepts marks the
    // stream failed and stops; children read completely so far are kept.
    void doLoadFromStream(std::iostream* stream) override;

    // Takes the child at index out of the list (not deleted) and answers it.
    ZVDEntity* takeAt(int index);
    // Inserts a child that is not held yet at index (clamped to the end); sets its parent.
    void insertChild(int index, ZVDEntity* item);
    // Constant time: a held child names this composite as parent and carries the held mark.
    bool holds(const ZVDEntity* item) const { return item && item->m_parent == this && item->m_heldByParent; }
    // Reverses the order of the children (nothing else changes, no report).
    void reverseChildren() { std::reverse(m_children.begin(), m_children.end()); }

private:
    static SetDispLevelHelper m_autoSetDispLevel;

    // deque: erasing the first child (as clearing a drawing does) costs constant time.
    std::deque<std::unique_ptr<ZVDEntity>> m_children;
};
