// zvd tests: lookups of a symbol table by identifier and name answer the first entry in list
// order, as a walk over the entries does, through adds, renames, new identifiers and erasures.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "zvd/document/zvdblockdefinition.h"
#include "zvd/entities/zvdentity.h"

namespace {

// The first entry, in list order, that `matches` accepts.
template <class Match>
ZVDBlockDefinition* walk(const ZVDBlockDefinitionTable& t, Match matches) {
    for (int i = 0; i < t.count(); ++i)
        if (matches(*t.item(i))) return t.item(i);
    return nullptr;
}

}  // namespace

TEST(SymbolTableLookup, AnswersTheFirstEntryInListOrderThroughRandomEdits) {
    ZVDBlockDefinitionTable table(nullptr);
    std::mt19937 rng(5);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto name = [&] { return L"b" + std::to_wstring(pick(60)); };
    for (int step = 0; step < 4000; ++step) {
        const int op = pick(10);
        if (op < 5 || table.count() == 0) {
            const std::wstring n = name();
            ZVDBlockDefinition* before = walk(table, [&](const ZVDBlockDefinition& e) { return e.name() == n; });
            const int top = table.count() ? table.maxID() : 0;
            ZVDBlockDefinition* got = table.add(n);
            if (before)
                ASSERT_EQ(got, before) << step;
            else
                ASSERT_EQ(got->iD(), std::max(top, 0) + 1) << step;  // one above the largest
        } else if (op < 7) {
            table.item(pick(table.count()))->setID(pick(80));  // duplicates on purpose
        } else if (op < 9) {
            table.item(pick(table.count()))->setName(name());
        } else {
            table.erase(pick(table.count()));
        }
        for (int probe = 0; probe < 3; ++probe) {
            const int id = pick(90);
            const std::wstring n = name();
            ASSERT_EQ(table.itemByID(id), walk(table, [&](const ZVDBlockDefinition& e) { return e.iD() == id; })) << step;
            ASSERT_EQ(table.itemByName(n), walk(table, [&](const ZVDBlockDefinition& e) { return e.name() == n; })) << step;
        }
    }
}
