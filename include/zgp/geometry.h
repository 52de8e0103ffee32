// zgp: CGeometry, the reference-counted base of curves, loops and polygons, with its text
// form, and CRefPtr, a counted pointer to such objects.
#pragma once

#include <string>

#include "zgp/base.h"
#include "zgp/box2.h"
#include "zgp/matrix.h"
#include "zgp/vec2.h"

namespace zgp {

// Kinds answered by CGeometry::Type(). Curves use 1..4; containers use higher numbers.
enum EnGeometryType {
    GT_LINE = 1,
    GT_ARC = 2,
    GT_NURBS = 3,
    GT_ELLIPSE = 4,
    GT_LOOP = 10,
    GT_POLYGON = 11,
};

class CGeometry : public IBase {
public:
    virtual int Type() const = 0;
    // A new, independent copy (one reference, the caller's).
    virtual CGeometry* Clone() const = 0;
    virtual CBox2<double> Box() const = 0;
    virtual void Move(const CVec2<double>& offset) = 0;
    // Counter-clockwise rotation by angle (radians) about centre.
    virtual void Rotate(const CVec2<double>& centre, double angle) = 0;
    // Applies the 2D part of m (row vectors, see matrix.h) in place. False, with the object
    // unchanged, when this kind cannot represent the image (e.g. an arc under a shear, any
    // singular matrix); ZCurve2dBuilder::TransformCurve changes kind where needed.
    virtual bool Transform(const CMatrix4<double>& m) = 0;
    // Text form that CGeometry::LoadFromStr reads back bit-exactly (ASCII; never contains
    // '|', ';', '#' or '"', so it can be embedded in the drawing formats).
    virtual std::string AsString() const = 0;

    // Reads one geometry written by AsString from text, skipping leading blanks. On success
    // answers a new object (caller owns one reference) and, when end is given, sets *end just
    // past the text read; on malformed input answers null and leaves *end at text.
    static CGeometry* LoadFromStr(const char* text, const char** end = nullptr);
    static CGeometry* LoadFromStr(const std::string& text) { return LoadFromStr(text.c_str(), nullptr); }
};

// Counted pointer. Constructing from a raw pointer adopts the caller's reference (it does not
// add one); copies add a reference; destruction drops one.
template <class T>
class CRefPtr {
public:
    CRefPtr() = default;
    explicit CRefPtr(T* p) : m_p(p) {}
    CRefPtr(const CRefPtr& o) : m_p(o.m_p) {
        if (m_p) m_p->Ref();
    }
    CRefPtr(CRefPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    template <class U>
    CRefPtr(const CRefPtr<U>& o) : m_p(o.Get()) {
        if (m_p) m_p->Ref();
    }
    ~CRefPtr() {
        if (m_p) m_p->Unref();
    }
    CRefPtr& operator=(CRefPtr o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }

    // A pointer that shares p: adds a reference.
    static CRefPtr Share(T* p) {
        if (p) p->Ref();
        return CRefPtr(p);
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Gives up the reference without dropping it; the caller now holds it.
    T* Release() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    void Reset(T* p = nullptr) { CRefPtr(p).Swap(*this); }
    void Swap(CRefPtr& o) noexcept { std::swap(m_p, o.m_p); }

private:
    T* m_p = nullptr;
};

}  // namespace zgp
