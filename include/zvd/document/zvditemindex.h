// zvd: ZVDItemIndex, the drawing's map from item identifier to item.
// Looked up and filled once per item while a drawing is loaded, so it is a flat table: no
// allocation per entry, and clearing or destroying it does not walk a node per item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ZVDEntity;

// Open addressing with linear probing over a power-of-two table kept at most half full;
// erasing shifts the following entries of the run back, so no tombstones build up.
// Null is never stored as a value: an empty slot holds a null item.
class ZVDItemIndex {
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
        if ((m_count + 1) * 2 > m_slots.size()) grow();
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

    // Empties the index and gives its table back.
    void clear() {
        std::vector<Slot>().swap(m_slots);
        m_count = 0;
        m_shift = 64;
    }

private:
    struct Slot {
        int id = 0;
        ZVDEntity* item = nullptr;
    };

    // Fibonacci hashing: the top bits of id times 2^64/phi, so that runs of consecutive
    // identifiers spread over the table.
    size_t home(int id) const {
        return static_cast<size_t>((static_cast<uint64_t>(static_cast<uint32_t>(id)) * 0x9E3779B97F4A7C15ull) >>
                                   m_shift);
    }
    size_t next(size_t i) const { return (i + 1) & (m_slots.size() - 1); }

    void grow() {
        std::vector<Slot> old;
        old.swap(m_slots);
        const size_t capacity = old.empty() ? 16 : old.size() * 2;
        m_slots.assign(capacity, Slot());
        m_shift = 64;
        for (size_t c = capacity; c > 1; c >>= 1) --m_shift;
        m_count = 0;
        for (const Slot& s : old)
            if (s.item) set(s.id, s.item);
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
    unsigned m_shift = 64;  // 64 - log2(table size)
};
