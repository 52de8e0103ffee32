// zcs: constraint solver library; version stamp.
// Answers the version string that zcs.h declares: the project version the build defines.
#include "zcs/zcs.h"

namespace zcs {
const char* Version() { return ZCS_LIBRARY_VERSION; }
}  // namespace zcs
