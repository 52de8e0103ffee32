// zvd: ZVDSelSet, the selection set; each change of membership flips the item's selected flag.
// Reports go through the drawing so that they are deferred inside update brackets.
#include "zvd/document/zvdselset.h"

#include <algorithm>

#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdentity.h"

ZVDSelSet::ZVDSelSet(ZVectorDrawing* drawing) : m_drawing(drawing) {}
ZVDSelSet::~ZVDSelSet() = default;

void ZVDSelSet::report(ZVDEntity* item) {
    if (m_drawing) m_drawing->doSelSetChanged(item);
}

// An item whose flag is already set is taken as listed: the flag and the list move together.
void ZVDSelSet::add(ZVDEntity* item, bool notify) {
    if (!item || item->selected()) return;
    item->setSelected(true);
    if (m_members.insert(item).second) m_items.push_back(item);
    if (notify) report(item);
}

void ZVDSelSet::remove(ZVDEntity* item, bool notify) {
    if (!contains(item)) return;
    erase(indexOf(item), notify);
}

void ZVDSelSet::erase(int index, bool notify) {
    if (index < 0 || index >= count()) return;
    // Taken out before the flag changes: observers of the flag (code 7) see a consistent list.
    ZVDEntity* item = m_items[static_cast<size_t>(index)];
    m_items.erase(m_items.begin() + index);
    m_members.erase(item);
    item->setSelected(false);
    if (notify) report(item);
}

void ZVDSelSet::clear(bool notify) {
    while (!m_items.empty()) {
        ZVDEntity* item = m_items.front();
        m_items.pop_front();
        m_members.erase(item);
        item->setSelected(false);
        if (notify) report(item);
    }
    if (notify) report(nullptr);
}

int ZVDSelSet::indexOf(ZVDEntity* item) const {
    if (!contains(item)) return -1;
    return static_cast<int>(std::find(m_items.begin(), m_items.end(), item) - m_items.begin());
}

ZVDEntity* ZVDSelSet::item(int index) const {
    return index >= 0 && index < count() ? m_items[static_cast<size_t>(index)] : nullptr;
}
