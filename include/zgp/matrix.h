// zgp: 3x3 and 4x4 transform matrices, row-major, acting on row vectors.
// A point p maps to [p.x p.y 1] * M, so the translation sits in the third (fourth) row.
#pragma once

#include <cmath>

#include "zgp/vec2.h"

namespace zgp {

template <class T>
struct CMatrix3 {
    T m[3][3];

    CMatrix3() { SetIdentity(); }
    CMatrix3(T a00, T a01, T a02, T a10, T a11, T a12, T a20, T a21, T a22)
        : m{{a00, a01, a02}, {a10, a11, a12}, {a20, a21, a22}} {}

    void SetIdentity() {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) m[i][j] = i == j ? T(1) : T(0);
    }
    bool IsIdentity() const {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                if (m[i][j] != (i == j ? T(1) : T(0))) return false;
        return true;
    }
    T* operator[](int r) { return m[r]; }
    const T* operator[](int r) const { return m[r]; }
    // Value number i (0..8) in row order.
    T Get(int i) const { return m[i / 3][i % 3]; }
    void Set(int i, T v) { m[i / 3][i % 3] = v; }

    static CMatrix3 Translation(const CVec2<T>& d) { return CMatrix3(1, 0, 0, 0, 1, 0, d.x, d.y, 1); }
    static CMatrix3 Scaling(T sx, T sy) { return CMatrix3(sx, 0, 0, 0, sy, 0, 0, 0, 1); }
    // Counter-clockwise rotation by angle (radians) about the origin.
    static CMatrix3 Rotation(T angle) {
        T c = std::cos(angle), s = std::sin(angle);
        return CMatrix3(c, s, 0, -s, c, 0, 0, 0, 1);
    }
    static CMatrix3 Rotation(const CVec2<T>& centre, T angle) {
        return Translation(-centre) * Rotation(angle) * Translation(centre);
    }
    // Reflection across the line through a and b (identity when a == b).
    static CMatrix3 Mirror(const CVec2<T>& a, const CVec2<T>& b) {
        CVec2<T> u = (b - a).Normalized();
        if (u.SqrLength() == T(0)) return CMatrix3();
        T c = u.x * u.x - u.y * u.y, s = 2 * u.x * u.y;
        return Translation(-a) * CMatrix3(c, s, 0, s, -c, 0, 0, 0, 1) * Translation(a);
    }

    CMatrix3 operator*(const CMatrix3& o) const {
        CMatrix3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                T s = 0;
                for (int k = 0; k < 3; ++k) s += m[i][k] * o.m[k][j];
                r.m[i][j] = s;
            }
        return r;
    }
    T Determinant() const {
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    }
    // False (and the matrix unchanged) when singular.
    bool Invert() {
        T d = Determinant();
        if (d == T(0) || !std::isfinite(d)) return false;
        CMatrix3 r;
        r.m[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / d;
        r.m[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / d;
        r.m[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / d;
        r.m[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / d;
        r.m[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / d;
        r.m[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / d;
        r.m[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / d;
        r.m[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / d;
        r.m[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / d;
        *this = r;
        return true;
    }
    // [x y 1] * M, divided by the homogeneous weight when it is not 1.
    CVec2<T> TransformPoint(const CVec2<T>& p) const {
        T x = p.x * m[0][0] + p.y * m[1][0] + m[2][0];
        T y = p.x * m[0][1] + p.y * m[1][1] + m[2][1];
        T w = p.x * m[0][2] + p.y * m[1][2] + m[2][2];
        if (w != T(1) && w != T(0)) {
            x /= w;
            y /= w;
        }
        return CVec2<T>(x, y);
    }
    // [x y 0] * M: directions ignore the translation.
    CVec2<T> TransformVector(const CVec2<T>& v) const {
        return CVec2<T>(v.x * m[0][0] + v.y * m[1][0], v.x * m[0][1] + v.y * m[1][1]);
    }
    bool operator==(const CMatrix3& o) const {
        for (int i = 0; i < 9; ++i)
            if (Get(i) != o.Get(i)) return false;
        return true;
    }
};

template <class T>
struct CMatrix4 {
    T m[4][4];

    CMatrix4() { SetIdentity(); }
    void SetIdentity() {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) m[i][j] = i == j ? T(1) : T(0);
    }
    // The 2D embedding of a 3x3 matrix: rows (a00, a01, 0, a02), (a10, a11, 0, a12),
    // (0, 0, 1, 0), (a20, a21, 0, a22); z passes through untouched.
    static CMatrix4 FromMatrix3(const CMatrix3<T>& a) {
        CMatrix4 r;
        r.m[0][0] = a.m[0][0];
        r.m[0][1] = a.m[0][1];
        r.m[0][2] = 0;
        r.m[0][3] = a.m[0][2];
        r.m[1][0] = a.m[1][0];
        r.m[1][1] = a.m[1][1];
        r.m[1][2] = 0;
        r.m[1][3] = a.m[1][2];
        r.m[2][0] = 0;
        r.m[2][1] = 0;
        r.m[2][2] = 1;
        r.m[2][3] = 0;
        r.m[3][0] = a.m[2][0];
        r.m[3][1] = a.m[2][1];
        r.m[3][2] = 0;
        r.m[3][3] = a.m[2][2];
        return r;
    }
    // Inverse of FromMatrix3 (drops the z row and column).
    CMatrix3<T> ToMatrix3() const {
        return CMatrix3<T>(m[0][0], m[0][1], m[0][3], m[1][0], m[1][1], m[1][3], m[3][0], m[3][1], m[3][3]);
    }
    T* operator[](int r) { return m[r]; }
    const T* operator[](int r) const { return m[r]; }
    CMatrix4 operator*(const CMatrix4& o) const {
        CMatrix4 r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                T s = 0;
                for (int k = 0; k < 4; ++k) s += m[i][k] * o.m[k][j];
                r.m[i][j] = s;
            }
        return r;
    }
    CVec2<T> TransformPoint(const CVec2<T>& p) const { return ToMatrix3().TransformPoint(p); }
    CVec2<T> TransformVector(const CVec2<T>& v) const { return ToMatrix3().TransformVector(v); }
    // True when the 2D part is affine (no perspective weights).
    bool IsAffine2d() const { return m[0][3] == T(0) && m[1][3] == T(0) && m[3][3] == T(1); }
};

}  // namespace zgp
