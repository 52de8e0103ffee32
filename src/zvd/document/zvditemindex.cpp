// zvd: ZVDItemIndex's growth and the per-table multiplier of its hash.
#include "zvd/document/zvditemindex.h"

#include <atomic>
#include <random>

namespace {

uint64_t processSeed() {
    uint64_t seed = 0x9E3779B97F4A7C15ull;
    try {
        std::random_device device;
        seed ^= (static_cast<uint64_t>(device()) << 32) ^ device();
    } catch (...) {}  // no entropy source: the fixed seed still spreads dense identifiers
    return seed;
}

// An odd 64-bit multiplier, different for every table of the process (splitmix64 steps from a
// seed drawn once), so that no fixed set of identifiers collides in every drawing.
uint64_t drawMultiplier() {
    static std::atomic<uint64_t> state{processSeed()};
    uint64_t z = state.fetch_add(0x9E3779B97F4A7C15ull, std::memory_order_relaxed);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return (z ^ (z >> 31)) | 1u;
}

}  // namespace

void ZVDItemIndex::rebuild(size_t minSlots) {
    size_t capacity = 4 * kRunLength;
    while (capacity < minSlots) capacity *= 2;
    std::vector<Slot> old;
    old.swap(m_slots);
    m_slots.assign(capacity, Slot());
    if (old.empty()) m_multiplier = drawMultiplier();
    m_shift = 64 + kRunBits;  // the run number takes log2(capacity) - kRunBits bits
    for (size_t c = capacity; c > 1; c >>= 1) --m_shift;
    m_count = 0;
    for (const Slot& s : old)
        if (s.item) set(s.id, s.item);
}
