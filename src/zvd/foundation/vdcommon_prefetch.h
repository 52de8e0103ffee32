// zvd: a cache hint for walks over long item lists (internal header).
#pragma once

namespace vdcommon {
namespace detail {

// Starts loading the first two cache lines of the object at p (an item's identity, owner,
// parent and layer) for writing; nothing for null or where the compiler offers no hint.
inline void prefetchObject(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    if (!p) return;
    const char* bytes = static_cast<const char*>(p);
    __builtin_prefetch(bytes, 1);
    __builtin_prefetch(bytes + 64, 1);
#else
    (void)p;
#endif
}

}  // namespace detail
}  // namespace vdcommon
