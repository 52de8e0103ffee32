// zvd tests: a drawing to sketch in, with helpers that add curve items and constraint items
// through the library's own API, and measures of the result taken from plain coordinates.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zvd/constraints/zvdconstraint.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdellipse.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdpolygon.h"
#include "zvd/entities/zvdpolyline.h"

namespace cfix {

using V = zgp::CVec2<double>;

// A drawing and the helpers that sketch in it.
struct Canvas {
    ZVectorDrawing d;
    std::wstring message;
    std::vector<ZVDConstraint*> conflicts;

    ZVDLine* line(V a, V b) {
        auto* l = new ZVDLine;
        l->set(a, b);
        d.add(l);
        return l;
    }
    ZVDCircle* circle(V c, double r) {
        auto* item = new ZVDCircle;
        item->setCenterPt(c);
        item->setRadius(r);
        d.add(item);
        return item;
    }
    // Counter-clockwise arc about c from angle a0 to a1 (radians), or clockwise with sense -1.
    ZVDArc* arc(V c, double r, double a0, double a1, int sense = 1) {
        zgp::CArc2d k;
        EXPECT_TRUE(k.Set(c, r, a0, a1));
        if (sense < 0) k.Reverse();
        auto* item = new ZVDArc;
        item->set(&k);
        d.add(item);
        return item;
    }
    ZVDEllipse* ellipse(V c, V axis, double a, double b) {
        auto* item = new ZVDEllipse;
        item->set(c, axis, a, b, 0.0, 0.0, 1);
        d.add(item);
        return item;
    }
    // A chain of straight segments through the points.
    ZVDPolyline* polyline(const std::vector<V>& pts) {
        zgp::CLoop loop;
        for (size_t i = 1; i < pts.size(); ++i) loop.AddCurve(new zgp::CLine2d(pts[i - 1], pts[i]), false);
        auto* item = new ZVDPolyline;
        item->setPolyline(loop);
        d.add(item);
        return item;
    }
    // One closed loop of straight segments through the points.
    ZVDPolygon* polygon(const std::vector<V>& pts) {
        auto* p = new zgp::CPolygon;
        p->AddLoop(new zgp::CLoop, true);
        for (size_t i = 0; i < pts.size(); ++i)
            p->AddCurve(new zgp::CLine2d(pts[i], pts[(i + 1) % pts.size()]), 0, false);
        auto* item = new ZVDPolygon;
        item->setPolygon(p);
        d.add(item);
        return item;
    }

    ZVDConstraint* constrain(ZVDConstraintDataType kind, ZVDEntity* e1, int i1, EnDimRefType r1, ZVDEntity* e2 = nullptr,
                             int i2 = 0, EnDimRefType r2 = edrCurve, double value = 0, double mode = 0) {
        ZVDConstraintParams p;
        p.entityID1 = e1 ? e1->iD() : -1;
        p.entityIndexID1 = i1;
        p.refType1 = r1;
        p.entityID2 = e2 ? e2->iD() : -1;
        p.entityIndexID2 = i2;
        p.refType2 = r2;
        p.value = value;
        p.dimParams[0] = mode;
        auto* c = new ZVDConstraint;
        d.add(c);
        c->initialize(p, kind);
        return c;
    }
    EnSolveResult solve(bool drive = true) {
        message.clear();
        conflicts.clear();
        return d.calculateConstraints(drive, message, conflicts);
    }
};

struct Sketch : ::testing::Test, Canvas {};

// The segment i of a curve item, as the item holds it now.
inline const zgp::CCurve2d* seg(ZVDEntity* item, int i = 0) { return static_cast<ZVDCurve*>(item)->line(i); }
inline V startOf(ZVDEntity* item, int i = 0) { return seg(item, i)->StartPoint(); }
inline V endOf(ZVDEntity* item, int i = 0) { return seg(item, i)->EndPoint(); }
inline V centreOf(ZVDEntity* item, int i = 0) { return static_cast<const zgp::CArc2d*>(seg(item, i))->CenterPt(); }
inline double radiusOf(ZVDEntity* item, int i = 0) { return static_cast<const zgp::CArc2d*>(seg(item, i))->Radius(); }

// Distance of p from the infinite line through a and b.
inline double offLine(V p, V a, V b) {
    const V u = (b - a) / (b - a).Length();
    return std::fabs(u.x * (p.y - a.y) - u.y * (p.x - a.x));
}
// |sin| of the angle between two directions.
inline double sinBetween(V u, V v) { return std::fabs(u.x * v.y - u.y * v.x) / (u.Length() * v.Length()); }
inline double cosBetween(V u, V v) { return std::fabs(u.x * v.x + u.y * v.y) / (u.Length() * v.Length()); }

}  // namespace cfix
