// Tests of ZVDItemIndex, the drawing's identifier table, against std::map as the reference.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>

#include "zvd/document/zvditemindex.h"

namespace {

// Distinct fake item pointers; the index never dereferences them.
ZVDEntity* fake(int k) { return reinterpret_cast<ZVDEntity*>(static_cast<uintptr_t>(16 * (k + 1))); }

}  // namespace

// Random filing, replacing and erasing (erase only when filed under that very item) over key
// sets that crowd the table differently: dense runs, a narrow range with many repeats, and
// identifiers sharing their low bits. After every step the index agrees with the map on a
// sample of keys and on its size; at the end on every key the map ever held.
TEST(ItemIndex, AgreesWithAMapUnderRandomEdits) {
    std::mt19937 rng(2024);
    auto dense = [](std::mt19937&, int step) { return step; };
    auto narrow = [](std::mt19937& r, int) { return static_cast<int>(r() % 300) - 150; };
    auto strided = [](std::mt19937& r, int) { return static_cast<int>(r() % 4000) * 65536; };
    int (*keyOf[])(std::mt19937&, int) = {+dense, +narrow, +strided};
    for (auto pick : keyOf) {
        ZVDItemIndex index;
        std::map<int, ZVDEntity*> reference;
        std::map<int, bool> seen;
        for (int step = 0; step < 6000; ++step) {
            const int id = pick(rng, step);
            ZVDEntity* item = fake(static_cast<int>(rng() % 3));
            seen[id] = true;
            if (rng() % 3 != 0) {
                index.set(id, item);
                reference[id] = item;
            } else {
                // Erase the key of an earlier step too, so that runs lose entries in the middle.
                const int victim = rng() % 2 ? id : pick(rng, static_cast<int>(rng() % (step + 1)));
                auto it = reference.find(victim);
                if (it != reference.end() && it->second == item) reference.erase(it);
                index.eraseIf(victim, item);
            }
            if (step == 3000) index.reserve(index.size() + 5000);  // a rebuild with entries in place
            ASSERT_EQ(index.size(), reference.size()) << step;
            if (step % 50 == 0) {
                for (const auto& entry : seen) {
                    auto it = reference.find(entry.first);
                    ASSERT_EQ(index.find(entry.first), it == reference.end() ? nullptr : it->second)
                        << "id " << entry.first << " at step " << step;
                }
            }
        }
        for (const auto& entry : seen) {
            auto it = reference.find(entry.first);
            EXPECT_EQ(index.find(entry.first), it == reference.end() ? nullptr : it->second) << entry.first;
        }
        index.clear();
        EXPECT_EQ(index.size(), 0u);
        for (const auto& entry : seen) EXPECT_EQ(index.find(entry.first), nullptr);
    }
}
