// zvd: ZVDSelSet, the ordered list of a drawing's selected items.
// Membership and the items' selected flags are kept in step; the items are not owned.
#pragma once

#include <deque>
#include <unordered_set>

#include "zvd/foundation/zvdexport.h"

class ZVDEntity;
class ZVectorDrawing;

class ZVD_EXPORT ZVDSelSet {
public:
    explicit ZVDSelSet(ZVectorDrawing* drawing);
    ZVDSelSet(const ZVDSelSet&) = delete;
    ZVDSelSet& operator=(const ZVDSelSet&) = delete;
    ~ZVDSelSet();

    // Selects and appends item unless it is already selected; notify: make the
    // selection-changed report.
    void add(ZVDEntity* item, bool notify);
    // Deselects and takes out item when listed.
    void remove(ZVDEntity* item, bool notify);
    // The same for the item at index; out-of-range indexes do nothing.
    void erase(int index, bool notify);
    // Deselects and takes out the items front to back, reporting after each and once more at
    // the end when notify is set.
    void clear(bool notify);
    int count() const { return static_cast<int>(m_items.size()); }
    int indexOf(ZVDEntity* item) const;
    // Null out of range.
    ZVDEntity* item(int index) const;
    // Whether item is listed (constant time).
    bool contains(ZVDEntity* item) const { return m_members.count(item) > 0; }

private:
    void report(ZVDEntity* item);

    ZVectorDrawing* m_drawing;
    // A deque so that clearing from the front stays linear for large selections.
    std::deque<ZVDEntity*> m_items;
    std::unordered_set<ZVDEntity*> m_members;
};
