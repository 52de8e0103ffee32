// zgp: closed interval [low, high] of a scalar, used for curve parameter ranges.
// An interval is empty when high < low.
#pragma once

#include <algorithm>

namespace zgp {

template <class T>
struct CInterval {
    T low = T(0);
    T high = T(0);

    constexpr CInterval() = default;
    constexpr CInterval(T lo, T hi) : low(lo), high(hi) {}

    constexpr T Length() const { return high - low; }
    constexpr T Middle() const { return (low + high) / 2; }
    constexpr bool IsEmpty() const { return high < low; }
    constexpr bool Contains(T v, T tol = T(0)) const { return v >= low - tol && v <= high + tol; }
    T Clamp(T v) const { return std::min(std::max(v, low), high); }
    // Clamps v into the interval; false when it lay beyond an end by more than slack.
    bool ClampWithin(T& v, T slack) const {
        const bool ok = v <= high + slack && v >= low - slack;
        v = Clamp(v);
        return ok;
    }
    constexpr bool operator==(const CInterval& o) const { return low == o.low && high == o.high; }
    constexpr bool operator!=(const CInterval& o) const { return !(*this == o); }
};

}  // namespace zgp
