// zgp: two-dimensional vector/point value type.
// Plain value, cheap to copy; all operations are inline.
#pragma once

#include <algorithm>
#include <cmath>

namespace zgp {

template <class T>
struct CVec2 {
    T x = T(0);
    T y = T(0);

    constexpr CVec2() = default;
    constexpr CVec2(T x_, T y_) : x(x_), y(y_) {}

    constexpr CVec2 operator+(const CVec2& o) const { return CVec2(x + o.x, y + o.y); }
    constexpr CVec2 operator-(const CVec2& o) const { return CVec2(x - o.x, y - o.y); }
    constexpr CVec2 operator-() const { return CVec2(-x, -y); }
    constexpr CVec2 operator*(T s) const { return CVec2(x * s, y * s); }
    constexpr CVec2 operator/(T s) const { return CVec2(x / s, y / s); }
    CVec2& operator+=(const CVec2& o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    CVec2& operator-=(const CVec2& o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    CVec2& operator*=(T s) {
        x *= s;
        y *= s;
        return *this;
    }
    CVec2& operator/=(T s) {
        x /= s;
        y /= s;
        return *this;
    }
    constexpr bool operator==(const CVec2& o) const { return x == o.x && y == o.y; }
    constexpr bool operator!=(const CVec2& o) const { return !(*this == o); }

    constexpr T Dot(const CVec2& o) const { return x * o.x + y * o.y; }
    // z component of the 3D cross product: positive when o lies counter-clockwise of *this.
    constexpr T Cross(const CVec2& o) const { return x * o.y - y * o.x; }
    constexpr T SqrLength() const { return x * x + y * y; }
    T Length() const { return std::hypot(x, y); }
    T DistanceTo(const CVec2& o) const { return (*this - o).Length(); }
    T SqrDistanceTo(const CVec2& o) const { return (*this - o).SqrLength(); }
    // Unit vector in the same direction; the zero vector stays zero. The components are first
    // divided by the larger one: the length of a vector of subnormal components is itself
    // subnormal and has too few bits to give a unit result.
    CVec2 Normalized() const {
        const T m = std::max(std::abs(x), std::abs(y));
        if (!(m > T(0))) return CVec2();
        if (!std::isfinite(m)) {
            const T l = Length();
            return CVec2(x / l, y / l);
        }
        const CVec2 s(x / m, y / m);
        const T l = s.Length();
        return CVec2(s.x / l, s.y / l);
    }
    bool Normalize() {
        if (!(Length() > T(0))) return false;
        *this = Normalized();
        return true;
    }
    // Quarter turn counter-clockwise.
    constexpr CVec2 Perp() const { return CVec2(-y, x); }
    CVec2 Rotated(T angle) const {
        T c = std::cos(angle), s = std::sin(angle);
        return CVec2(x * c - y * s, x * s + y * c);
    }
    CVec2 RotatedAbout(const CVec2& centre, T angle) const { return centre + (*this - centre).Rotated(angle); }
    // Angle of the vector in (-pi, pi].
    T Angle() const { return std::atan2(y, x); }
    bool IsEqual(const CVec2& o, T tol) const { return SqrDistanceTo(o) <= tol * tol; }
};

template <class T>
constexpr CVec2<T> operator*(T s, const CVec2<T>& v) {
    return v * s;
}

}  // namespace zgp
