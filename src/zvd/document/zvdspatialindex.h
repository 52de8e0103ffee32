// zvd: ZVDSpatialIndex, an R-tree over the bounding boxes of a drawing's top-level items, so that
// hit tests and the drawing pass visit only the items near a point or inside a view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "zgp/box2.h"

class ZVDEntity;

// The drawing files each item as it joins its root container and drops it as it leaves. The
// root only ever appends, so the order of filing is the drawing order, and every answer comes
// back in that order. A change report marks an item stale (constant time); stale items are
// filed again under their current boxes just before the next question, one by one when few
// changed and by rebuilding the tree in bulk when many did (a load, a large solve).
//
// Items whose box is empty or not finite cannot be placed in the tree; they are kept aside and
// offered to every hit test, so that an item's own test still decides for them.
class ZVDSpatialIndex {
public:
    ZVDSpatialIndex();
    ~ZVDSpatialIndex();
    ZVDSpatialIndex(const ZVDSpatialIndex&) = delete;
    ZVDSpatialIndex& operator=(const ZVDSpatialIndex&) = delete;

    // item joined the end of the drawing order. Nothing when it is filed already.
    void insert(ZVDEntity* item);
    // item leaves; nothing when it is not filed. The item is not read (it may be half deleted).
    void erase(ZVDEntity* item);
    // item's box may have changed; nothing when it is not filed.
    void touch(ZVDEntity* item);
    // Forgets every item at once.
    void clear();
    bool contains(ZVDEntity* item) const { return m_slots.count(item) != 0; }
    size_t size() const { return m_slots.size(); }

    // Files the stale items under their current boxes (building the boxes as needed).
    void refresh();
    // Appends to out, in drawing order, every item whose box meets box (edges included) and,
    // with boxless, the items that have no usable box. Refreshes first.
    void query(const zgp::CBox2<double>& box, bool boxless, std::vector<ZVDEntity*>& out);

private:
    struct Slot {
        ZVDEntity* item = nullptr;
        uint64_t order = 0;        // drawing order: larger joined later
        zgp::CBox2<double> box;    // the box the tree holds the slot under, while placed
        bool placed = false;
        bool aside = false;        // no usable box: in m_boxless
        bool stale = false;
    };
    struct Tree;

    // Gives slot its item's current box: into the tree, or aside when it has none.
    void place(Slot& slot);
    void unplace(Slot& slot);
    void rebuild();

    std::unordered_map<ZVDEntity*, Slot> m_slots;
    std::unique_ptr<Tree> m_tree;
    std::unordered_set<Slot*> m_boxless;
    std::vector<ZVDEntity*> m_stale;
    uint64_t m_nextOrder = 0;
};
