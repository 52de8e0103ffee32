// zvd: ZVDSymbol and ZVDSymbolTable<T>, the owned, ordered tables of layers and block definitions.
// Entries are looked up by position, identifier or exact name; the table deletes what it holds.
#pragma once

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "zvd/foundation/zvdexport.h"

// Base of a table entry: an identifier, -1 until the table or a loader sets it.
class ZVD_EXPORT ZVDSymbol {
public:
    ZVDSymbol() = default;
    virtual ~ZVDSymbol();
    int iD() const { return m_iD; }
    void setID(int id) { m_iD = id; }

private:
    int m_iD = -1;
};

// Owned list of T (T: ZVDLayer or ZVDBlockDefinition), held through std::unique_ptr like every
// owning container of the library; callers get plain pointers that stay the table's. T offers name(), setName(const
// std::wstring&) and setOwner(void*), which receives this table as a ZVDSymbolTable<T>*.
//
// Entries that a derived table refuses to erase (a layer still in use) survive clear(): they
// leave the list but stay alive, owned by the table, until releaseOrphans() or the table's
// destruction, so that items pointing at them never dangle.
template <class T>
class ZVDSymbolTable {
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
        int top = 0;
        for (const auto& e : m_items) top = std::max(top, e->iD());
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
        for (const auto& e : m_items)
            if (e->iD() == id) return e.get();
        return nullptr;
    }
    T* itemByName(const std::wstring& name) const {
        for (const auto& e : m_items)
            if (e->name() == name) return e.get();
        return nullptr;
    }
    // Entry change report, called by entries through their owner pointer.
    void entryChanged() { doDataChanged(); }

protected:
    // Puts entry at index (clamped to the end) and answers it; the table owns it from now on.
    T* insertEntry(int index, std::unique_ptr<T> entry) {
        T* raw = entry.get();
        const int at = index < 0 || index > count() ? count() : index;
        m_items.insert(m_items.begin() + at, std::move(entry));
        return raw;
    }
    // Takes the entry at index out of the list and hands it to the caller; null out of range.
    std::unique_ptr<T> takeEntry(int index) {
        if (index < 0 || index >= count()) return nullptr;
        std::unique_ptr<T> entry = std::move(m_items[static_cast<size_t>(index)]);
        m_items.erase(m_items.begin() + index);
        return entry;
    }

private:
    std::vector<std::unique_ptr<T>> m_items;
    std::vector<std::unique_ptr<T>> m_orphans;
};
