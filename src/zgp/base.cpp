// zgp: the reference-counted base object and the byte archive objects serialise through.
// The keyed factory is a header-only template (base.h); only the non-template parts live here.
#include "zgp/base.h"

#include <cstring>

namespace zgp {

// ---------------------------------------------------------------------------------------------
// ZDbArchive
//
// Writes always append; reads always move a cursor forward from the first byte. A read that would
// run past the end fails without consuming anything, zero-fills the destination (so a caller that
// ignores the answer still sees a defined value) and puts the archive into a failed state that
// every later read reports too: once a record is misread, the bytes after it cannot be trusted.
// ---------------------------------------------------------------------------------------------

ZDbArchive::ZDbArchive() = default;

ZDbArchive::ZDbArchive(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)), m_storing(false) {}

void ZDbArchive::WriteBytes(const void* data, size_t n) {
    if (n == 0) return;
    if (!data) {  // nothing to copy from: record the loss instead of inventing bytes
        m_failed = true;
        return;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + n);
}

bool ZDbArchive::ReadBytes(void* data, size_t n) {
    if (n == 0) return !m_failed;
    const bool fits = !m_failed && data && m_pos <= m_bytes.size() && n <= m_bytes.size() - m_pos;
    if (!fits) {
        if (data) std::memset(data, 0, n);
        m_failed = true;
        return false;
    }
    std::memcpy(data, m_bytes.data() + m_pos, n);
    m_pos += n;
    return true;
}

// ---------------------------------------------------------------------------------------------
// IBase
// ---------------------------------------------------------------------------------------------

IBase::~IBase() = default;

bool IBase::Serialize(ZDbArchive&) { return true; }

int IBase::GetObjectType() const { return 0; }

// The object owns its count, so the last holder deletes it. A count already at zero or below
// (an object that was deleted directly and is used by mistake) is not decremented further.
void IBase::Unref() const {
    if (m_refCount <= 0) return;
    if (--m_refCount == 0) delete this;
}

}  // namespace zgp
