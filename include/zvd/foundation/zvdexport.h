// zvd: the export mark for the drawing library's public symbols.
// The library may be built with hidden visibility; everything a host calls carries ZVD_EXPORT.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define ZVD_EXPORT __attribute__((visibility("default")))
#else
#define ZVD_EXPORT
#endif
