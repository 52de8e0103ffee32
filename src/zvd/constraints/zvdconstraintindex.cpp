// zvd: the index of top-level constraints by bound identifier; each constraint is filed under
// the one or two identifiers of its refEntities().
#include "constraints/zvdconstraintindex.h"

#include <algorithm>

#include "zvd/constraints/zvdconstraint.h"

void ZVDConstraintIndex::addKeys(ZVDConstraint* c, Entry& e) {
    e.idCount = 0;
    for (const auto& r : c->refEntities()) {
        if (e.idCount == 1 && e.ids[0] == r.first) continue;  // two segments of one item
        e.ids[static_cast<size_t>(e.idCount++)] = r.first;
        m_byId[r.first].push_back(c);
    }
}

void ZVDConstraintIndex::dropKeys(ZVDConstraint* c, const Entry& e) {
    for (int i = 0; i < e.idCount; ++i) {
        auto it = m_byId.find(e.ids[static_cast<size_t>(i)]);
        if (it == m_byId.end()) continue;
        std::vector<ZVDConstraint*>& list = it->second;
        list.erase(std::remove(list.begin(), list.end(), c), list.end());
        if (list.empty()) m_byId.erase(it);
    }
}

void ZVDConstraintIndex::file(ZVDConstraint* c) {
    if (!c || m_entries.count(c)) return;
    Entry& e = m_entries[c];
    e.order = m_next++;
    m_byOrder[e.order] = c;
    addKeys(c, e);
}

void ZVDConstraintIndex::unfile(ZVDConstraint* c) {
    auto it = m_entries.find(c);
    if (it == m_entries.end()) return;
    dropKeys(c, it->second);
    m_byOrder.erase(it->second.order);
    m_entries.erase(it);
}

void ZVDConstraintIndex::refile(ZVDConstraint* c) {
    auto it = m_entries.find(c);
    if (it == m_entries.end()) return;
    dropKeys(c, it->second);
    addKeys(c, it->second);
}

void ZVDConstraintIndex::clear() {
    m_entries.clear();
    m_byId.clear();
    m_byOrder.clear();
}

std::vector<ZVDConstraint*> ZVDConstraintIndex::binding(int id) const {
    std::vector<ZVDConstraint*> out;
    auto it = m_byId.find(id);
    if (it == m_byId.end()) return out;
    out = it->second;
    sortInOrder(out);
    return out;
}

void ZVDConstraintIndex::sortInOrder(std::vector<ZVDConstraint*>& list) const {
    std::sort(list.begin(), list.end(), [this](ZVDConstraint* a, ZVDConstraint* b) {
        return m_entries.at(a).order < m_entries.at(b).order;
    });
}

std::vector<ZVDConstraint*> ZVDConstraintIndex::all() const {
    std::vector<ZVDConstraint*> out;
    out.reserve(m_byOrder.size());
    for (const auto& kv : m_byOrder) out.push_back(kv.second);
    return out;
}
