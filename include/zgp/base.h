// zgp: the base object library: reference-counted objects, a binary archive and the
// keyed class factory through which objects are created from stored type numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zgp {

// Append-only / read-forward byte archive used by IBase::Serialize. Reads past the end
// fail (answer false) and leave the archive in a failed state; nothing throws.
class ZDbArchive {
public:
    ZDbArchive();                                     // an empty archive for storing
    explicit ZDbArchive(std::vector<uint8_t> bytes);  // an archive for loading
    bool IsStoring() const { return m_storing; }
    bool Failed() const { return m_failed; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

    void WriteBytes(const void* data, size_t n);
    bool ReadBytes(void* data, size_t n);
    template <class T>
    void Write(const T& v) {
        WriteBytes(&v, sizeof(T));
    }
    template <class T>
    bool Read(T& v) {
        return ReadBytes(&v, sizeof(T));
    }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_pos = 0;
    bool m_storing = true;
    bool m_failed = false;
};

// The reference base object. A new object holds one reference, its creator's.
// Ref() adds one; Unref() and Free() drop one and delete the object when none is left.
// Objects that are never shared may also be deleted directly.
class IBase {
public:
    IBase() = default;
    IBase(const IBase&) : m_refCount(1) {}
    IBase& operator=(const IBase&) { return *this; }  // the count belongs to the object, not its value
    virtual ~IBase();
    // Stores or loads the object's own state; the base has none and answers true.
    virtual bool Serialize(ZDbArchive& ar);
    // Type number of the object's class; 0 for the base.
    virtual int GetObjectType() const;

    void Ref() const { ++m_refCount; }
    void Unref() const;
    void Free() const { Unref(); }
    int RefCount() const { return m_refCount; }

private:
    mutable int m_refCount = 1;
};

// Keyed factory: an ordered map from key to a creator record.
template <class Key>
class ZObjectFactory {
public:
    using Creator = IBase* (*)();
    // The creator and three further words the registration may supply (kept, never read).
    struct Record {
        Creator creator = nullptr;
        const void* word1 = nullptr;
        const void* word2 = nullptr;
        const void* word3 = nullptr;
    };

    ZObjectFactory() = default;
    ZObjectFactory(const ZObjectFactory&) = delete;
    ZObjectFactory& operator=(const ZObjectFactory&) = delete;
    virtual ~ZObjectFactory() = default;

    // A new object for key (owned by the caller), or null when the key is unknown or has no creator.
    virtual IBase* CreateObject(const Key& key) const {
        auto it = m_records.find(key);
        if (it == m_records.end() || !it->second || !it->second->creator) return nullptr;
        return it->second->creator();
    }
    // False for a null creator; a key already present has its record replaced.
    bool Register(const Key& key, Creator creator, const void* w1 = nullptr, const void* w2 = nullptr,
                  const void* w3 = nullptr) {
        if (!creator) return false;
        auto rec = std::make_unique<Record>();
        rec->creator = creator;
        rec->word1 = w1;
        rec->word2 = w2;
        rec->word3 = w3;
        m_records[key] = std::move(rec);
        return true;
    }
    bool Unregister(const Key& key) { return m_records.erase(key) > 0; }
    bool IsRegistered(const Key& key) const { return m_records.count(key) > 0; }
    size_t Count() const { return m_records.size(); }

private:
    std::map<Key, std::unique_ptr<Record>> m_records;
};

// A static object of this type registers a class with a factory when the library loads.
template <class Key>
class ZRegHelper {
public:
    ZRegHelper(ZObjectFactory<Key>* factory, const Key& key, typename ZObjectFactory<Key>::Creator creator,
               const void* w1 = nullptr, const void* w2 = nullptr, const void* w3 = nullptr) {
        m_registered = factory && factory->Register(key, creator, w1, w2, w3);
    }
    bool Registered() const { return m_registered; }

private:
    bool m_registered = false;
};

}  // namespace zgp
