// zvd: ZVectorDrawing's hit tests, snapping and click or drag selection over the top-level
// items, with the candidates found through the spatial index and decided by the items' own tests.
#include <algorithm>
#include <cmath>
#include <vector>

#include "document/zvdspatialindex.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"

using zgp::CBox2;
using zgp::CVec2;

namespace {

// Two corners closer than this (squared distance) are one click.
constexpr double kSamePointSqr = 4.930380657631324e-32;
// The slack of the items' own rectangle tests (the smallest double step), which the query
// rectangle must cover too.
constexpr double kSelectSlack = 2.220446049250313e-16;

// How far around a point or rectangle an item's box may lie and the item still answer: the
// tolerance (never below 0) and a little more, so that rounding in an item's own box test can
// never drop it from the candidates; the items' tests decide on every candidate anyway.
double reach(const CVec2<double>& a, const CVec2<double>& b, double tol) {
    const double t = tol > 0 ? tol : 0;  // NaN too
    const double scale = 1 + std::fabs(a.x) + std::fabs(a.y) + std::fabs(b.x) + std::fabs(b.y) + t;
    return t + kSelectSlack + 1e-9 * scale;
}

}  // namespace

bool ZVectorDrawing::typeAccepted(const std::set<EnVDIType>& types, ZVDEntity* item) {
    return types.empty() || types.count(item->itemType()) != 0;
}

bool ZVectorDrawing::canHitTestItem(ZVDEntity*) { return true; }

ZVDEntity* ZVectorDrawing::pointHit(const CVec2<double>& point, double tol, const std::set<EnVDIType>& types,
                                    bool lastFirst) {
    const double r = reach(point, point, tol);
    std::vector<ZVDEntity*> candidates;
    m_spatial->query(CBox2<double>(point.x - r, point.y - r, point.x + r, point.y + r), true, candidates);
    if (lastFirst) std::reverse(candidates.begin(), candidates.end());
    for (ZVDEntity* item : candidates)
        if (typeAccepted(types, item) && item->hitTest(point, tol)) return item;
    return nullptr;
}

void ZVectorDrawing::areaCandidates(const CVec2<double>& corner1, const CVec2<double>& corner2, double tol,
                                    std::vector<ZVDEntity*>& out) {
    const double r = reach(corner1, corner2, tol);
    const CBox2<double> area(std::min(corner1.x, corner2.x) - r, std::min(corner1.y, corner2.y) - r,
                             std::max(corner1.x, corner2.x) + r, std::max(corner1.y, corner2.y) + r);
    m_spatial->query(area, true, out);
}

ZVDEntity* ZVectorDrawing::hitTest(const CVec2<double>& point, double tol, std::set<EnVDIType>& types) {
    return pointHit(point, tol, types, true);
}

ZVDEntity* ZVectorDrawing::snapDrawingItem(const CVec2<double>& point, double tol, std::set<EnVDIType>& types) {
    return pointHit(point, tol, types, false);
}

QVector<ZVDEntity*> ZVectorDrawing::hitTest(const CVec2<double>& corner1, const CVec2<double>& corner2, double tol,
                                            std::set<EnVDIType>& types) {
    QVector<ZVDEntity*> hits;
    if ((corner1 - corner2).SqrLength() <= kSamePointSqr) {
        if (ZVDEntity* item = pointHit(corner1, tol, types, true)) hits.append(item);
        return hits;
    }
    std::vector<ZVDEntity*> candidates;
    areaCandidates(corner1, corner2, tol, candidates);
    for (ZVDEntity* item : candidates)
        if (typeAccepted(types, item) && item->hitSelect(corner1, corner2, tol)) hits.append(item);
    return hits;
}

bool ZVectorDrawing::hitSelect(QFlags<Qt::KeyboardModifier>, const CVec2<double>& corner1,
                               const CVec2<double>& corner2, double tol, std::set<EnVDIType>& types) {
    auto toggle = [this](ZVDEntity* item) {
        if (item->selected())
            m_selSet->remove(item, true);
        else
            m_selSet->add(item, true);
    };
    bool toggled = false;
    beginUpdate();
    if ((corner1 - corner2).SqrLength() <= kSamePointSqr) {
        if (ZVDEntity* item = pointHit(corner1, tol, types, true)) {
            toggle(item);
            toggled = true;
        }
    } else {
        std::vector<ZVDEntity*> candidates;
        areaCandidates(corner1, corner2, tol, candidates);
        for (ZVDEntity* item : candidates) {
            if (!typeAccepted(types, item) || !item->hitSelect(corner1, corner2, tol)) continue;
            toggle(item);
            toggled = true;
        }
    }
    endUpdate();
    return toggled;
}
