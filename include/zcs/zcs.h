// zcs: the constraint solver library: include this for the whole public interface.
// Version() answers the library's version string.
#pragma once

#include "zcs/constraint.h"
#include "zcs/solver2d.h"

namespace zcs {
const char* Version();
}  // namespace zcs
