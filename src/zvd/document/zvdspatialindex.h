// zvd: ZVDSpatialIndex, an R-tree over the bounding boxes of a drawing's top-level items, so that
// hit tests and the drawing pass visit only the items near a point or inside a view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

    // Files item at the end of the drawing order and answers its slot, which the caller keeps
    // with the item and hands back to erase and touch.
    int insert(ZVDEntity* item);
    // Whether slot is item's entry here.
    bool holds(int slot, const ZVDEntity* item) const {
        return slot >= 0 && static_cast<size_t>(slot) < m_slots.size() && m_slots[slot].item == item && item;
    }
    // Drops the entry (the item itself is not read: it may be half deleted). Nothing for a slot
    // not in use.
    void erase(int slot);
    // The entry's box may have changed.
    void touch(int slot);
    // Forgets every item at once.
    void clear();
    size_t size() const { return m_slots.size() - m_free.size(); }

    // Files the stale items under their current boxes (building the boxes as needed).
    void refresh();
    // Appends to out, in drawing order, every item whose box meets box (edges included) and,
    // with boxless, the items that have no usable box. Refreshes first.
    void query(const zgp::CBox2<double>& box, bool boxless, std::vector<ZVDEntity*>& out);

private:
    struct Slot {
        ZVDEntity* item = nullptr;  // null: a free slot
        uint64_t order = 0;         // drawing order: larger joined later
        zgp::CBox2<double> box;     // the box the tree holds the slot under, while placed
        bool placed = false;
        bool aside = false;  // no usable box: in m_boxless
        bool stale = false;
    };
    struct Tree;

    // Gives the slot its item's current box: into the tree, or aside when it has none.
    void place(uint32_t slot);
    void unplace(uint32_t slot);
    void rebuild();

    // Slots live in one array (no allocation per item); freed ones are reused.
    std::vector<Slot> m_slots;
    std::vector<uint32_t> m_free;
    std::unique_ptr<Tree> m_tree;
    std::unordered_set<uint32_t> m_boxless;
    std::vector<uint32_t> m_stale;
    uint64_t m_nextOrder = 0;
};
