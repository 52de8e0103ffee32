// zvd: the drawing's index of its top-level constraints by the identifiers they bind, so that
// erasing an item or asking for related constraints never walks every item of the drawing.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

class ZVDConstraint;

// Constraints are filed in the order they join the drawing's root container, which only ever
// appends, so filing order is container order.
class ZVDConstraintIndex {
public:
    void file(ZVDConstraint* c);
    void unfile(ZVDConstraint* c);
    // Files c again under its current identifiers; nothing for a constraint not filed.
    void refile(ZVDConstraint* c);
    void clear();

    // Filed constraints binding id, in container order.
    std::vector<ZVDConstraint*> binding(int id) const;
    // Sorts filed constraints into container order.
    void sortInOrder(std::vector<ZVDConstraint*>& list) const;
    // Every filed constraint, in container order.
    std::vector<ZVDConstraint*> all() const;
    bool filed(const ZVDConstraint* c) const { return m_entries.count(const_cast<ZVDConstraint*>(c)) != 0; }

private:
    struct Entry {
        uint64_t order = 0;
        std::array<int, 2> ids{{-1, -1}};
        int idCount = 0;
    };
    void addKeys(ZVDConstraint* c, Entry& e);
    void dropKeys(ZVDConstraint* c, const Entry& e);

    std::unordered_map<ZVDConstraint*, Entry> m_entries;
    std::unordered_map<int, std::vector<ZVDConstraint*>> m_byId;
    std::map<uint64_t, ZVDConstraint*> m_byOrder;
    uint64_t m_next = 0;
};
