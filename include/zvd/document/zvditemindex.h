// zvd: ZVDItemIndex, the drawing's map from item identifier to item.
// Looked up and filled once per item while a drawing is loaded, so it is a flat table: no
// allocation per entry, and clearing or destroying it does not walk a node per item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zvd/foundation/zvdexport.h"

class ZVDEntity;

// Open addressing with linear probing over a power-of-two table kept at most 5/8 full;
// erasing shifts the following entries of the run back, so no tombstones build up.
// Null is never stored as a value: an empty slot holds a null item.
class ZVD_EXPORT ZVDItemIndex {
public:
    ZVDItemIndex() = default;

    // The item filed under id, or null.
    ZVDEntity* find(int id) const {
        if (m_slots.empty()) return nullptr;
        for (size_t i = home(id);; i = next(i)) {
            const Slot& s = m_slots[i];
            if (!s.item) return nullptr;
            if (s.id == id) return s.item;
        }
    }

    // Files item (not null) under id, replacing what was filed there.
    void set(int id, ZVDEntity* item) {
        if (tooFull(m_count + 1, m_slots.size())) rebuild(m_slots.size() * 2);
        for (size_t i = home(id);; i = next(i)) {
            Slot& s = m_slots[i];
            if (!s.item) {
                s.id = id;
                s.item = item;
                ++m_count;
                return;
            }
            if (s.id == id) {
                s.item = item;
                return;
            }
        }
    }

    // Takes id out when it is filed under exactly this item; nothing otherwise.
    void eraseIf(int id, const ZVDEntity* item) {
        if (m_slots.empty()) return;
        size_t i = home(id);
        for (;; i = next(i)) {
            const Slot& s = m_slots[i];
            if (!s.item) return;
            if (s.id == id) break;
        }
        if (m_slots[i].item != item) return;
        // Backward shift: move up every later entry of the run that may sit in the hole.
        size_t hole = i;
        for (size_t j = next(i);; j = next(j)) {
            Slot& s = m_slots[j];
            if (!s.item) break;
            const size_t h = home(s.id);
            // s may fill the hole when its home does not lie cyclically within (hole, j].
            const bool homeInRange = hole <= j ? (hole < h && h <= j) : (hole < h || h <= j);
            if (!homeInRange) {
                m_slots[hole] = s;
                hole = j;
            }
        }
        m_slots[hole] = Slot();
        --m_count;
    }

    size_t size() const { return m_count; }

    // Makes room for n entries in all, so that filing that many does not rehash on the way.
    void reserve(size_t n) {
        if (tooFull(n, m_slots.size())) rebuild(n * 8 / 5 + 1);
    }

    // Empties the index and gives its table back.
    void clear() {
        std::vector<Slot>().swap(m_slots);
        m_count = 0;
    }

private:
    struct Slot {
        int id = 0;
        ZVDEntity* item = nullptr;
    };

    // Identifiers are mostly dense runs (a saved drawing numbers its items in order), so a run
    // of kRunLength consecutive identifiers keeps its order within one stretch of slots and
    // neighbouring items share cache lines; which stretch a run goes to comes from the high
    // bits times an odd multiplier drawn per table, so no identifiers chosen in advance make
    // long probe runs.
    size_t home(int id) const {
        const uint32_t u = static_cast<uint32_t>(id);
        const uint64_t run = (static_cast<uint64_t>(u >> kRunBits) * m_multiplier) >> m_shift;
        return static_cast<size_t>((run << kRunBits) | (u & (kRunLength - 1)));
    }
    size_t next(size_t i) const { return (i + 1) & (m_slots.size() - 1); }
    static bool tooFull(size_t entries, size_t capacity) { return entries * 8 > capacity * 5; }

    // A table of at least minSlots slots (a power of two, 4 runs or more), every entry filed again.
    void rebuild(size_t minSlots);

    static constexpr unsigned kRunBits = 4;
    static constexpr uint32_t kRunLength = 1u << kRunBits;

    std::vector<Slot> m_slots;
    size_t m_count = 0;
    uint64_t m_multiplier = 1;
    unsigned m_shift = 64;  // 64 - (log2(table size) - kRunBits)
};
