// zvd: the drawing library's version stamp, taken from the project version the build defines.
// The drawing format version it writes is answered by ZVDFormatVersion, not here.
#include "zvd/foundation/vdcommon.h"

#ifndef ZVD_LIBRARY_VERSION
#error "the build defines ZVD_LIBRARY_VERSION from the project version"
#endif

namespace vdcommon {
const char* libraryVersion() { return ZVD_LIBRARY_VERSION; }
}  // namespace vdcommon
