// zvd: ZVDSymbol and ZVDSymbolTable<T>, the owned, ordered tables of layers and block definitions.
// Entries are looked up by position, identifier or exact name; the table deletes what it holds.
#pragma once

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "zvd/foundation/zvdexport.h"

// Told by an entry whose identifier or name changed while the table indexed it.
class ZVD_EXPORT ZVDSymbolKeyListener {
public:
    // generation: the index generation in which the entry was indexed.
    virtual void symbolKeysChanged(unsigned generation) = 0;

protected:
    ~ZVDSymbolKeyListener() = default;
};

// Base of a table entry: an identifier, -1 until the table or a loader sets it.
class ZVD_EXPORT ZVDSymbol {
    template <class T>
    friend class ZVDSymbolTable;

public:
    ZVDSymbol() = default;
    virtual ~ZVDSymbol();
    int iD() const { return m_iD; }
    void setID(int id) {
        if (id == m_iD) return;
        m_iD = id;
        keysChanged();
    }

protected:
    // Entries call this after their name changed, so that the table's lookups stay true.
    void keysChanged() {
        if (m_keyListener && m_indexGeneration != 0) m_keyListener->symbolKeysChanged(m_indexGeneration);
    }

private:
    int m_iD = -1;
    ZVDSymbolKeyListener* m_keyListener = nullptr;  // the table holding the entry, or null
    // The table's index generation in which the entry was indexed (0: never).
    unsigned m_indexGeneration = 0;
};

// Owned list of T (T: ZVDLayer or ZVDBlockDefinition), held through std::unique_ptr like every
// owning container of the library; callers get plain pointers that stay the table's. T offers name(), setName(const
// std::wstring&) and setOwner(void*), which receives this table as a ZVDSymbolTable<T>*.
//
// Entries that a derived table refuses to erase (a layer still in use) survive clear(): they
// leave the list but stay alive, owned by the table, until releaseOrphans() or the table's
// destruction, so that items pointing at them never dangle.
//
// Lookups by identifier and name answer the first entry in list order, as a walk would, through
// hash maps over the entries indexed so far plus a walk over the few appended since; a loader
// adding and looking up entries one by one therefore stays linear in their number. The index is
// dropped when an indexed entry changes its keys, leaves the list or entries are inserted before
// the end, and is rebuilt on the next lookups.
template <class T>
class ZVDSymbolTable : public ZVDSymbolKeyListener {
public:
    ZVDSymbolTable() = default;
    // The table owns its entries, so it cannot be copied.
    ZVDSymbolTable(const ZVDSymbolTable&) = delete;
    ZVDSymbolTable& operator=(const ZVDSymbolTable&) = delete;
    // Deletes every entry (no reports: derived parts are already gone).
    virtual ~ZVDSymbolTable() {
        clear();
        releaseOrphans();
    }

    // Deletes the entry at index, takes it out and reports the change; out of range: nothing.
    virtual void erase(int index) {
        if (index < 0 || index >= count()) return;
        takeEntry(index);  // deleted here
        doDataChanged();
    }

protected:
    // Change report of the table; nothing here.
    virtual void doDataChanged() {}

public:
    // The entry named exactly name (case-sensitive), or a new one appended with the identifier
    // one above the largest in the table (at least 1; the lowest free one when the largest is
    // INT_MAX).
    T* add(const std::wstring& name) {
        if (T* existing = itemByName(name)) return existing;
        const int top = std::max(0, maxID());
        int id = 1;
        if (top < std::numeric_limits<int>::max())
            id = top + 1;
        else
            while (itemByID(id)) ++id;  // nothing lies above the largest: the lowest free one
        T* entry = insertEntry(count(), std::unique_ptr<T>(new T()));
        entry->setID(id);
        entry->setOwner(this);
        entry->setName(name);
        return entry;
    }
    // Erases entry through erase(); answers its former index, or -1 when absent.
    int remove(T* entry) {
        const int index = indexOf(entry);
        if (index >= 0) erase(index);
        return index;
    }
    // Calls erase() for every entry, then empties the list; survivors become orphans.
    void clear() {
        size_t i = 0;
        while (i < m_items.size()) {
            const size_t before = m_items.size();
            erase(static_cast<int>(i));
            if (m_items.size() == before) ++i;
        }
        for (auto& e : m_items) m_orphans.push_back(std::move(e));
        m_items.clear();
    }
    // Deletes the entries that clear() could not erase. Call only when nothing refers to them.
    void releaseOrphans() {
        m_orphans.clear();
    }
    int count() const { return static_cast<int>(m_items.size()); }
    int indexOf(const T* entry) const {
        auto it = std::find_if(m_items.begin(), m_items.end(),
                               [entry](const std::unique_ptr<T>& e) { return e.get() == entry; });
        return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
    }
    // Null out of range.
    T* item(int index) const {
        return index >= 0 && index < count() ? m_items[static_cast<size_t>(index)].get() : nullptr;
    }
    T* itemByID(int id) const {
        indexAppended();
        auto it = m_byId.find(id);
        if (it != m_byId.end()) return it->second;
        for (size_t i = m_indexed; i < m_items.size(); ++i)
            if (m_items[i]->iD() == id) return m_items[i].get();
        return nullptr;
    }
    T* itemByName(const std::wstring& name) const {
        indexAppended();
        auto it = m_byName.find(name);
        if (it != m_byName.end()) return it->second;
        for (size_t i = m_indexed; i < m_items.size(); ++i)
            if (m_items[i]->name() == name) return m_items[i].get();
        return nullptr;
    }
    // The largest identifier in the table; INT_MIN when it is empty.
    int maxID() const {
        indexAppended();
        int top = m_maxIndexedId;
        for (size_t i = m_indexed; i < m_items.size(); ++i) top = std::max(top, m_items[i]->iD());
        return top;
    }
    // An indexed entry changed its identifier or name: the index no longer tells the truth.
    void symbolKeysChanged(unsigned generation) override {
        if (generation == m_generation) dropIndex();
    }
    // Entry change report, called by entries through their owner pointer.
    void entryChanged() { doDataChanged(); }

protected:
    // Puts entry at index (clamped to the end) and answers it; the table owns it from now on.
    T* insertEntry(int index, std::unique_ptr<T> entry) {
        T* raw = entry.get();
        const int at = index < 0 || index > count() ? count() : index;
        if (static_cast<size_t>(at) < m_indexed) dropIndex();  // "first in list order" may change
        raw->m_keyListener = this;
        raw->m_indexGeneration = 0;
        m_items.insert(m_items.begin() + at, std::move(entry));
        return raw;
    }
    // Takes the entry at index out of the list and hands it to the caller; null out of range.
    std::unique_ptr<T> takeEntry(int index) {
        if (index < 0 || index >= count()) return nullptr;
        if (static_cast<size_t>(index) < m_indexed) dropIndex();
        std::unique_ptr<T> entry = std::move(m_items[static_cast<size_t>(index)]);
        m_items.erase(m_items.begin() + index);
        entry->m_keyListener = nullptr;
        entry->m_indexGeneration = 0;
        return entry;
    }

private:
    // Entries appended past the index are walked; once there are more than this many they join it.
    static constexpr size_t kUnindexedTail = 8;

    void dropIndex() {
        m_byId.clear();
        m_byName.clear();
        m_indexed = 0;
        m_maxIndexedId = std::numeric_limits<int>::min();
        if (++m_generation == 0) m_generation = 1;  // 0 marks entries never indexed
    }
    // Adds the entries appended since the last lookups once they are too many to walk; an entry
    // keeps its first place for each key (emplace leaves an existing key alone).
    void indexAppended() const {
        if (m_items.size() - m_indexed <= kUnindexedTail) return;
        for (; m_indexed < m_items.size(); ++m_indexed) {
            T* e = m_items[m_indexed].get();
            m_byId.emplace(e->iD(), e);
            m_byName.emplace(e->name(), e);
            m_maxIndexedId = std::max(m_maxIndexedId, e->iD());
            e->m_indexGeneration = m_generation;
        }
    }

    std::vector<std::unique_ptr<T>> m_items;
    std::vector<std::unique_ptr<T>> m_orphans;
    // The index over m_items[0 .. m_indexed): first entry per identifier and per name.
    mutable std::unordered_map<int, T*> m_byId;
    mutable std::unordered_map<std::wstring, T*> m_byName;
    mutable size_t m_indexed = 0;
    mutable int m_maxIndexedId = std::numeric_limits<int>::min();
    unsigned m_generation = 1;
};
