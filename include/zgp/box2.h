// zgp: axis-aligned box value type.
// An empty box has its minimum above its maximum (the default box is empty).
#pragma once

#include <algorithm>
#include <limits>

#include "zgp/vec2.h"

namespace zgp {

template <class T>
struct CBox2 {
    CVec2<T> min;
    CVec2<T> max;

    // The empty box: minimum at +largest, maximum at -largest (+/-infinity for floating types).
    CBox2() : min(Big(), Big()), max(-Big(), -Big()) {}
    CBox2(T minx, T miny, T maxx, T maxy) : min(minx, miny), max(maxx, maxy) {}
    CBox2(const CVec2<T>& a, const CVec2<T>& b)
        : min(std::min(a.x, b.x), std::min(a.y, b.y)), max(std::max(a.x, b.x), std::max(a.y, b.y)) {}

    static T Big() {
        return std::numeric_limits<T>::has_infinity ? std::numeric_limits<T>::infinity()
                                                    : std::numeric_limits<T>::max();
    }

    bool IsEmpty() const { return max.x < min.x || max.y < min.y; }
    void SetEmpty() { *this = CBox2(); }
    T Width() const { return max.x - min.x; }
    T Height() const { return max.y - min.y; }
    CVec2<T> Center() const { return CVec2<T>((min.x + max.x) / 2, (min.y + max.y) / 2); }

    void Add(const CVec2<T>& p) {
        min.x = std::min(min.x, p.x);
        min.y = std::min(min.y, p.y);
        max.x = std::max(max.x, p.x);
        max.y = std::max(max.y, p.y);
    }
    void Add(const CBox2& b) {
        if (b.IsEmpty()) return;
        Add(b.min);
        Add(b.max);
    }
    // Grows each side by d (shrinks for negative d).
    void Inflate(T d) {
        min.x -= d;
        min.y -= d;
        max.x += d;
        max.y += d;
    }
    void Inflate(T dx, T dy) {
        min.x -= dx;
        min.y -= dy;
        max.x += dx;
        max.y += dy;
    }
    void Move(const CVec2<T>& d) {
        min += d;
        max += d;
    }

    bool Contains(const CVec2<T>& p, T tol = T(0)) const {
        return p.x >= min.x - tol && p.x <= max.x + tol && p.y >= min.y - tol && p.y <= max.y + tol;
    }
    bool Contains(const CBox2& b, T tol = T(0)) const {
        return b.min.x >= min.x - tol && b.max.x <= max.x + tol && b.min.y >= min.y - tol && b.max.y <= max.y + tol;
    }
    bool Overlaps(const CBox2& b, T tol = T(0)) const {
        return !(b.min.x > max.x + tol || b.max.x < min.x - tol || b.min.y > max.y + tol || b.max.y < min.y - tol);
    }
    bool operator==(const CBox2& o) const { return min == o.min && max == o.max; }
    bool operator!=(const CBox2& o) const { return !(*this == o); }
};

}  // namespace zgp
