// zvd: the drawing's constraint operations: solving with backup and restore of the bound curves,
// related-constraint queries, removal with the bound item, and the refreshes after loading.
#include <deque>
#include <set>

#include "constraints/zvdconstraintindex.h"
#include "zcs/solver2d.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zvd/constraints/zvdconstraint.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/entities/zvdcurve.h"
#include "zvd/entities/zvdpolygon.h"
#include "zvd/foundation/vdcommon.h"

namespace {

using Pair = std::pair<int, int>;

// The curve a solve may move for (item, segment): only the kinds that constraints bind, and
// only segments that exist.
zgp::CCurve2d* boundCurve(ZVDEntity* item, int index) {
    if (!item) return nullptr;
    switch (item->itemType()) {
    case vdiLine:
    case vdiArc:
    case vdiCircle:
    case vdiPolyline:
    case vdiEllipse:
    case vdiPolygon:
        break;
    default:
        return nullptr;
    }
    auto* curve = static_cast<ZVDCurve*>(item);
    return index >= 0 && index < curve->xLineCount() ? curve->line(index) : nullptr;
}

// Puts a saved copy back into the item's own curve object, bit for bit (the solver moved that
// object in place). False when the kinds differ; the item's setter must then do it.
bool restoreInPlace(zgp::CCurve2d* own, const zgp::CCurve2d* saved) {
    if (!own || !saved || own->Type() != saved->Type()) return false;
    switch (own->Type()) {
    case zgp::GT_LINE: {
        const auto* s = static_cast<const zgp::CLine2d*>(saved);
        static_cast<zgp::CLine2d*>(own)->SetExact(s->Origin(), s->Direction(), s->Range());
        return true;
    }
    case zgp::GT_ARC: {
        const auto* s = static_cast<const zgp::CArc2d*>(saved);
        static_cast<zgp::CArc2d*>(own)->SetExact(s->CenterPt(), s->Radius(), s->Range(), s->Sense());
        return true;
    }
    case zgp::GT_ELLIPSE: {
        const auto* s = static_cast<const zgp::CEllipse2d*>(saved);
        static_cast<zgp::CEllipse2d*>(own)->SetExact(s->CenterPt(), s->Axis(), s->MajorRadius(), s->MinorRadius(),
                                                      s->Range(), s->Sense());
        return true;
    }
    default:
        return false;
    }
}

bool holds(const std::vector<ZVDConstraint*>& list, const ZVDConstraint* c) {
    for (const ZVDConstraint* x : list)
        if (x == c) return true;
    return false;
}

}  // namespace

// ---- reports ----

void ZVectorDrawing::reportMoved(ZVDEntity* item) { doDataChanged(item, true); }

void ZVectorDrawing::constraintKeysChanged(ZVDConstraint* constraint) { m_constraints->refile(constraint); }

// ---- solving ----

EnSolveResult ZVectorDrawing::calculateConstraints(bool driveByDimensions, std::wstring& message,
                                                   std::vector<ZVDConstraint*>& conflicts) {
    std::vector<ZVDConstraint*> all;
    getAllConstraints(all);
    return calculateConstraints(std::move(all), driveByDimensions, message, conflicts);
}

EnSolveResult ZVectorDrawing::calculateConstraints(const std::vector<std::pair<ZVDEntity*, int>>& items,
                                                   bool driveByDimensions, std::wstring& message,
                                                   std::vector<ZVDConstraint*>& conflicts) {
    std::vector<ZVDConstraint*> related;
    getRelatedConstraints(items, related);
    return calculateConstraints(std::move(related), driveByDimensions, message, conflicts);
}

EnSolveResult ZVectorDrawing::calculateConstraints(std::vector<ZVDConstraint*> constraints, bool driveByDimensions,
                                                   std::wstring& message, std::vector<ZVDConstraint*>& conflicts) {
    m_constraintBackup.clear();
    if (constraints.empty()) return esrSolved;

    ZlSolver2dFactory factory;
    zcs::ISolver2d* solver = factory.GetSolver2d();
    std::map<Pair, ZVDEntity*> entities;
    std::map<Pair, zgp::CRefPtr<zgp::CCurve2d>> backup;
    std::vector<ZVDConstraint*> disabled;
    for (ZVDConstraint* c : constraints) {
        if (!c->data()) continue;  // an item without a kind binds nothing
        if (!driveByDimensions && c->dataType() >= cdtLineLength) {
            c->setEnable(false);
            disabled.push_back(c);
        }
        c->addConstraint(solver);
        for (const Pair& ref : c->refEntities()) {
            if (entities.count(ref)) continue;
            ZVDEntity* item = find(ref.first);
            zgp::CCurve2d* curve = boundCurve(item, ref.second);
            if (!curve) continue;  // nothing to back up or restore: the solver got nothing for it
            entities[ref] = item;
            backup[ref].Reset(static_cast<zgp::CCurve2d*>(curve->Clone()));
        }
    }

    const EnSolveResult result = solver->Solve();
    if (result == esrSolved) {
        for (ZVDConstraint* c : disabled) {
            if (c->itemType() != vdiConstraintDimension) continue;
            c->setEnable(true);
            auto* d = dynamic_cast<ZVDConstraintDimensionData*>(c->data());
            c->setVisible(d && d->updateValue());
            reportMoved(c);
        }
        std::vector<ZVDEntity*> moved;
        std::set<ZVDEntity*> seen;
        for (const auto& kv : entities) {
            ZVDEntity* item = kv.second;
            if (seen.insert(item).second) moved.push_back(item);
            ZVDEntity* parent = item->parent();
            if (parent && parent->itemType() == vdiPolyComposite && seen.insert(parent).second) moved.push_back(parent);
        }
        for (ZVDEntity* item : moved) reportMoved(item);
        for (ZVDConstraint* c : constraints) {
            if (c->temp()) continue;
            c->build();
            reportMoved(c);
        }
        m_constraintBackup = std::move(backup);
    } else {
        std::vector<zcs::IConstraint*> objects;
        solver->GetConflicts(message, objects);
        for (const zcs::IConstraint* o : objects) {
            for (ZVDConstraint* c : constraints) {
                if (!c->containConstraint(o)) continue;
                if (!holds(conflicts, c)) conflicts.push_back(c);
                break;
            }
        }
        for (auto& kv : backup) {
            auto* item = static_cast<ZVDCurve*>(entities[kv.first]);
            if (restoreInPlace(boundCurve(item, kv.first.second), kv.second.Get()))
                reportMoved(item);
            else
                item->setXLines(kv.first.second, kv.second.Get());
        }
        backup.clear();
        refreshConstraints();
        m_constraintBackup.clear();
    }
    for (const auto& kv : entities)
        if (kv.second->itemType() == vdiPolygon)
            if (zgp::CPolygon* polygon = static_cast<ZVDPolygon*>(kv.second)->getPolygon()) polygon->ResetAllStates();
    for (ZVDConstraint* c : constraints) c->releaseConstraint();
    return result;
}

std::map<std::pair<int, int>, zgp::CCurve2d*> ZVectorDrawing::constraintEntityID2Curve() const {
    std::map<Pair, zgp::CCurve2d*> out;
    for (const auto& kv : m_constraintBackup) out[kv.first] = kv.second.Get();
    return out;
}

// ---- queries ----

int ZVectorDrawing::getAllConstraints(std::vector<ZVDConstraint*>& out) const {
    out = m_constraints->all();
    return static_cast<int>(out.size());
}

int ZVectorDrawing::getRelatedConstraints(ZVDEntity* item, int index, std::vector<ZVDConstraint*>& out,
                                          std::function<bool(ZVDConstraint*)> filter, bool anyIndex) {
    out.clear();
    if (!item) return 0;
    // The identifiers that count as the item: a poly-composite's children, else its own.
    std::set<int> ids;
    if (item->itemType() == vdiPolyComposite) {
        for (int i = 0; i < item->count(); ++i)
            if (ZVDEntity* child = item->items(i)) ids.insert(child->iD());
    } else {
        ids.insert(item->iD());
    }
    std::vector<ZVDConstraint*> all;
    std::set<ZVDConstraint*> seen;
    for (int id : ids)
        for (ZVDConstraint* c : m_constraints->binding(id))
            if (seen.insert(c).second) all.push_back(c);
    m_constraints->sortInOrder(all);
    for (ZVDConstraint* c : all) {
        if (filter && !filter(c)) continue;
        for (const Pair& ref : c->refEntities()) {
            if (ids.count(ref.first) && (anyIndex || ref.second == index)) {
                out.push_back(c);
                break;
            }
        }
    }
    return static_cast<int>(out.size());
}

int ZVectorDrawing::getRelatedConstraints(const std::vector<std::pair<ZVDEntity*, int>>& seeds,
                                          std::vector<ZVDConstraint*>& out) {
    std::deque<std::pair<ZVDEntity*, int>> queue(seeds.begin(), seeds.end());
    std::set<std::pair<ZVDEntity*, int>> visited;
    std::set<ZVDConstraint*> inOut(out.begin(), out.end());
    std::vector<ZVDConstraint*> related;
    while (!queue.empty()) {
        const std::pair<ZVDEntity*, int> at = queue.front();
        queue.pop_front();
        if (!visited.insert(at).second) continue;
        getRelatedConstraints(at.first, at.second, related, nullptr, false);
        for (ZVDConstraint* c : related) {
            if (inOut.insert(c).second) out.push_back(c);
            const std::vector<Pair> refs = c->refEntities();
            if (refs.size() < 2) continue;
            const int selfId = at.first ? at.first->iD() : -1;
            for (const Pair& ref : refs) {
                if (ref.first == selfId && ref.second == at.second) continue;
                const std::pair<ZVDEntity*, int> next(find(ref.first), ref.second);
                if (!visited.count(next)) queue.push_back(next);
            }
        }
    }
    return static_cast<int>(out.size());
}

int ZVectorDrawing::getRelatedEntity(ZVDEntity* item, int index, ZVDConstraintDataType kind,
                                     std::vector<std::pair<ZVDEntity*, int>>& out) {
    out.clear();
    if (!item) return 0;
    std::vector<ZVDConstraint*> related;
    getRelatedConstraints(item, index, related, nullptr, false);
    std::set<std::pair<ZVDEntity*, int>> seen;
    for (ZVDConstraint* c : related) {
        if (!c->data() || c->dataType() != kind) continue;
        for (const Pair& ref : c->refEntities()) {
            if (ref.first == item->iD() && ref.second == index) continue;
            const std::pair<ZVDEntity*, int> p(find(ref.first), ref.second);
            if (seen.insert(p).second) out.push_back(p);
        }
    }
    return static_cast<int>(out.size());
}

// ---- removal and refresh ----

int ZVectorDrawing::removeRelatedConstraints(ZVDEntity* item) {
    if (!item) return 0;
    std::vector<ZVDConstraint*> doomed;
    for (ZVDConstraint* c : m_constraints->binding(item->iD()))
        if (!c->temp() && c->refer(item->iD(), 0)) doomed.push_back(c);
    for (ZVDConstraint* c : doomed) remove(c);
    return static_cast<int>(doomed.size());
}

void ZVectorDrawing::refreshConstraints() {
    std::vector<ZVDConstraint*> all;
    getAllConstraints(all);
    std::vector<ZVDEntity*> bound;
    std::set<ZVDEntity*> seen;
    for (ZVDConstraint* c : all) {
        if (!c->temp()) {
            c->build();
            reportMoved(c);
        }
        if (c->itemType() == vdiConstraintDimension) {
            auto* d = dynamic_cast<ZVDConstraintDimensionData*>(c->data());
            c->setVisible(d && d->isValidValue());
            continue;
        }
        for (const Pair& ref : c->refEntities())
            if (ZVDEntity* item = find(ref.first))
                if (seen.insert(item).second) bound.push_back(item);
    }
    for (ZVDEntity* item : bound) reportMoved(item);
}

void ZVectorDrawing::refreshDimensionConstraints() {
    std::vector<ZVDConstraint*> all;
    getAllConstraints(all);
    for (ZVDConstraint* c : all) {
        if (c->temp()) continue;
        if (c->itemType() == vdiConstraintDimension) {
            auto* d = dynamic_cast<ZVDConstraintDimensionData*>(c->data());
            c->setVisible(d && d->isValidValue());
        }
        reportMoved(c);
    }
}
