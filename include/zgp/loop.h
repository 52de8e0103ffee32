// zgp: CLoop (alias CCoedgeList), an ordered chain of curves ("coedges") that the loop holds
// counted references to; and CPolygon, a list of loops bounding an area.
#pragma once

#include <vector>

#include "zgp/curve2d.h"

namespace zgp {

class CLoop : public CGeometry {
public:
    CLoop() = default;
    CLoop(const CLoop& o);  // deep copy: clones every curve
    CLoop& operator=(const CLoop& o);
    ~CLoop() override;

    // Appends c. addRef true: the loop takes a reference of its own (the caller keeps its one);
    // false: the loop takes over the caller's reference. A null curve is refused (false).
    bool AddCurve(CCurve2d* c, bool addRef);
    // Inserts c before coedge i (i == count appends); same reference rule. False out of range.
    bool InsertCurve(int i, CCurve2d* c, bool addRef);
    // Drops the loop's reference to coedge i and removes it. False out of range.
    bool DeleteCoedge(int i);
    // Coedge i itself (not a copy), or null out of range.
    CCurve2d* GetCurve(int i) const;
    int CoedgeCount() const { return static_cast<int>(m_curves.size()); }
    void Clear();
    // Makes room for n coedges in all, so that adding up to that many allocates nothing more.
    void Reserve(int n) {
        if (n > 0) m_curves.reserve(static_cast<size_t>(n));
    }

    // True when there is at least one coedge and the last end meets the first start within
    // g_DistEpsilon (a single closed curve is a closed loop).
    bool IsClosed() const;
    // Closes an open loop with a line from the last end to the first start (no change when
    // already closed or empty).
    void MakeClosed();
    double Length() const;
    // Signed area enclosed (positive counter-clockwise), as if the loop were closed by a straight
    // line. Exact for lines, arcs and ellipses; NURBS pieces by quadrature.
    double Area() const;
    bool IsCounterClockwise() const { return Area() > 0.0; }
    // Reverses the order of the coedges and each coedge's direction.
    void Reverse();

    int Type() const override { return GT_LOOP; }
    CLoop* Clone() const override;
    CBox2<double> Box() const override;
    void Move(const CVec2<double>& offset) override;
    void Rotate(const CVec2<double>& centre, double angle) override;
    // Applies m to every coedge; a coedge that cannot take m in place (an arc under a shear) is
    // replaced by ZCurve2dBuilder::TransformCurve's curve. False, unchanged, when any fails.
    bool Transform(const CMatrix4<double>& m) override;
    std::string AsString() const override;

private:
    std::vector<CCurve2d*> m_curves;
};

using CCoedgeList = CLoop;

class CPolygon : public CGeometry {
public:
    CPolygon() = default;
    CPolygon(const CPolygon& o);  // deep copy
    CPolygon& operator=(const CPolygon& o);
    ~CPolygon() override;

    // Appends a loop. takeOver true: the polygon takes over the caller's reference (the usual
    // way to hand in a new loop); false: the polygon adds a reference of its own. Null is refused.
    bool AddLoop(CLoop* loop, bool takeOver = true);
    // Appends c to loop `loopIndex`; addRef as for CLoop::AddCurve. False out of range.
    bool AddCurve(CCurve2d* c, int loopIndex, bool addRef);
    bool DeleteLoop(int i);
    CLoop* GetLoop(int i) const;
    int LoopCount() const { return static_cast<int>(m_loops.size()); }
    void Clear();

    // Loops at even nesting depth are outer boundaries and should run counter-clockwise; loops
    // inside an odd number of others are holes and should run clockwise.
    bool IsLoopDirCorrect() const;
    // Reverses every loop (used when IsLoopDirCorrect() is false and the caller wants the
    // other orientation).
    void Reverse();
    // Drops every cached derived state (boxes, nesting) after the curves were edited in place.
    void ResetAllStates();
    // Nesting depth of loop i (number of other loops that contain it); cached.
    int LoopDepth(int i) const;
    // Net signed area (sum of the loops' signed areas).
    double Area() const;

    int Type() const override { return GT_POLYGON; }
    CPolygon* Clone() const override;
    CBox2<double> Box() const override;
    void Move(const CVec2<double>& offset) override;
    void Rotate(const CVec2<double>& centre, double angle) override;
    bool Transform(const CMatrix4<double>& m) override;
    std::string AsString() const override;

private:
    std::vector<CLoop*> m_loops;
    mutable std::vector<int> m_depthCache;  // empty when not computed
};

}  // namespace zgp
