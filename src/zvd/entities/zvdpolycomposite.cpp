// zvd: ZVDPolyComposite, a chain of curve items with shared grips at the joints, reversal, and
// snapshots that keep the children's identity.
#include "zvd/entities/zvdpolycomposite.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <unordered_map>

#include "zgp/tolerance.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcurve.h"

using zgp::CVec2;

namespace {

zgp::ZRegHelper<int> s_regPolyComposite(ZVDEntity::GetFactory(), vdiPolyComposite, &ZVDPolyComposite::CreateInstance);

}  // namespace

// Finds the first shared grip within the kernel's distance tolerance of a point without scanning
// them all: positions are filed in square cells one tolerance wide, so a match lies in the point's
// cell or one of its eight neighbours. Positions whose cell numbers are not exact integers (not
// finite, or too far out for a neighbour to differ by one) are kept apart and always compared.
class ZVDPolyComposite::GripIndex {
public:
    explicit GripIndex(const std::vector<GripState>& states) : m_states(states) {}

    // The first shared grip (lowest index) within tolerance of p, or -1.
    int indexOfGripState(const CVec2<double>& p) const {
        int best = -1;
        auto consider = [&](int i) {
            if ((best < 0 || i < best) && within(m_states[static_cast<size_t>(i)].position, p)) best = i;
        };
        Cell c;
        if (!cellOf(p, c)) {
            for (size_t i = 0; i < m_states.size(); ++i) consider(static_cast<int>(i));
            return best;
        }
        for (double dx = -1; dx <= 1; ++dx) {
            for (double dy = -1; dy <= 1; ++dy) {
                auto it = m_cells.find(Cell{c.x + dx, c.y + dy});
                if (it == m_cells.end()) continue;
                for (int i : it->second) consider(i);
            }
        }
        for (int i : m_loose) consider(i);
        return best;
    }

    // Files shared grip index (its position is in the list given at construction).
    void addGripState(int index) {
        Cell c;
        if (cellOf(m_states[static_cast<size_t>(index)].position, c))
            m_cells[c].push_back(index);
        else
            m_loose.push_back(index);
    }

private:
    struct Cell {
        double x, y;
        bool operator==(const Cell& o) const { return x == o.x && y == o.y; }
    };
    struct CellHash {
        size_t operator()(const Cell& c) const {
            return std::hash<double>()(c.x) * 1000003u ^ std::hash<double>()(c.y);
        }
    };

    static bool within(const CVec2<double>& a, const CVec2<double>& b) {
        const double dx = a.x - b.x, dy = a.y - b.y;
        return dx * dx + dy * dy <= zgp::g_DistEpsilon * zgp::g_DistEpsilon;
    }
    static bool cellOf(const CVec2<double>& p, Cell& c) {
        const double limit = 4503599627370496.0;  // 2^52: beyond it cell + 1 may round away
        c = Cell{std::floor(p.x / zgp::g_DistEpsilon), std::floor(p.y / zgp::g_DistEpsilon)};
        return std::fabs(c.x) < limit && std::fabs(c.y) < limit;  // false for NaN and infinity too
    }

    const std::vector<GripState>& m_states;
    std::unordered_map<Cell, std::vector<int>, CellHash> m_cells;
    std::vector<int> m_loose;
};

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDPolyComposite::m_autoSetDispLevel(2);

ZVDPolyComposite::ZVDPolyComposite() = default;

zgp::IBase* ZVDPolyComposite::CreateInstance() { return new ZVDPolyComposite(); }

EnVDIType ZVDPolyComposite::itemType() const { return vdiPolyComposite; }

// ---- container operations ----

void ZVDPolyComposite::add_front(ZVDEntity* item) { insert(0, item); }

void ZVDPolyComposite::insert(int index, ZVDEntity* item) {
    if (!item || item == this || holds(item)) return;
    insertChild(index, item);
    doDataChanged(true);
}

void ZVDPolyComposite::clear() {
    ZVectorDrawing* drawing = owner();
    if (!drawing || drawing->destroying()) {
        ZVDComposite::clear();
        return;
    }
    while (count() > 0) {
        const int before = count();
        drawing->erase(this, 0);
        if (count() == before) {  // not indexed by that drawing: delete it here
            ZVDComposite::erase(0);
        }
    }
}

// Each child's curves are reversed through its own setXLines, so every item kind keeps its own
// invariants (a circle, for one, stays counter-clockwise). A chain item's pieces also swap order.
void ZVDPolyComposite::reverse() {
    reverseChildren();
    for (int i = 0; i < count(); ++i) {
        ZVDCurve* curve = dynamic_cast<ZVDCurve*>(items(i));
        if (!curve) continue;
        const int n = curve->xLineCount();
        std::vector<zgp::CRefPtr<zgp::CCurve2d>> pieces;
        for (int k = n - 1; k >= 0; --k) {
            zgp::CRefPtr<zgp::CCurve2d> piece = curve->xLines(k);
            if (!piece) break;
            piece->Reverse();
            pieces.push_back(piece);
        }
        if (static_cast<int>(pieces.size()) != n) continue;  // a piece it cannot copy: left as it is
        for (int k = 0; k < n; ++k) curve->setXLines(k, pieces[static_cast<size_t>(k)].Get());
    }
    doDataChanged(true);
}

// ---- shared grips ----

std::vector<ZVDPolyComposite::GripState> ZVDPolyComposite::getGripState() {
    std::vector<GripState> states;
    GripIndex index(states);
    for (int c = 0; c < count(); ++c) {
        ZVDEntity* child = items(c);
        const int n = child->gripCount();
        for (int j = 0; j < n; ++j) {
            const CVec2<double> p = child->grip(j);
            const int found = index.indexOfGripState(p);
            if (found >= 0) {
                states[static_cast<size_t>(found)].grips.emplace_back(child, j);
            } else {
                states.push_back(GripState{p, {ChildGrip(child, j)}});
                index.addGripState(static_cast<int>(states.size()) - 1);
            }
        }
    }
    return states;
}

std::vector<ZVDPolyComposite::ChildGrip> ZVDPolyComposite::getRelationGrip(const std::vector<GripState>& states,
                                                                           const GripIndex& index,
                                                                           const ChildGrip& childGrip) {
    std::vector<ChildGrip> related;
    ZVDEntity* child = childGrip.first;
    const ZVDGripType type = child->gripType(childGrip.second);
    if (type != 1 && type != 2) return related;
    const int n = child->gripCount();
    for (int k = 0; k < n; ++k) {
        if (k == childGrip.second || child->gripType(k) != 0) continue;
        const int entry = index.indexOfGripState(child->grip(k));
        if (entry < 0) continue;
        for (const ChildGrip& g : states[static_cast<size_t>(entry)].grips)
            if (g.first != child) related.push_back(g);
    }
    return related;
}

int ZVDPolyComposite::gripCount() { return showGrip() ? static_cast<int>(getGripState().size()) : 0; }

CVec2<double> ZVDPolyComposite::grip(int index) {
    const std::vector<GripState> states = getGripState();
    if (index < 0 || index >= static_cast<int>(states.size())) return outRect().Center();
    return states[static_cast<size_t>(index)].position;
}

ZVDGripType ZVDPolyComposite::gripType(int index) {
    const std::vector<GripState> states = getGripState();
    if (index < 0 || index >= static_cast<int>(states.size())) return 0;
    const ChildGrip& first = states[static_cast<size_t>(index)].grips.front();
    return first.first->gripType(first.second);
}

// The child grips to drag, in order: each grip of the shared grip followed by its related grips.
// Related grips are collected up front, while the joints still coincide. The drags are first
// tried on copies, so a refusal anywhere leaves every child as it was, without a report.
bool ZVDPolyComposite::dragGrip(int index, const CVec2<double>& offset) {
    const std::vector<GripState> states = getGripState();
    if (index < 0 || index >= static_cast<int>(states.size())) return false;
    GripIndex lookup(states);
    for (int i = 0; i < static_cast<int>(states.size()); ++i) lookup.addGripState(i);
    std::vector<ChildGrip> sequence;
    for (const ChildGrip& g : states[static_cast<size_t>(index)].grips) {
        sequence.push_back(g);
        for (const ChildGrip& r : getRelationGrip(states, lookup, g)) sequence.push_back(r);
    }
    if (!tryDrags(sequence, offset)) return false;
    for (const ChildGrip& g : sequence)
        if (!g.first->dragGrip(g.second, offset)) return false;  // a child that answered its copy otherwise
    rebuildOutRect();
    return true;
}

bool ZVDPolyComposite::tryDrags(const std::vector<ChildGrip>& sequence, const CVec2<double>& offset) {
    std::unordered_map<ZVDEntity*, std::unique_ptr<ZVDEntity>> copies;
    for (const ChildGrip& g : sequence) {
        std::unique_ptr<ZVDEntity>& copy = copies[g.first];
        if (!copy) copy.reset(g.first->clone());
        if (!copy) return true;  // an item kind without a registered type cannot be tried: drag it for real
        if (!copy->dragGrip(g.second, offset)) return false;
    }
    return true;
}

std::vector<ZVDEntity*> ZVDPolyComposite::dragEntity(int index) {
    std::vector<ZVDEntity*> children;
    const std::vector<GripState> states = getGripState();
    if (index < 0 || index >= static_cast<int>(states.size())) return children;
    for (const ChildGrip& g : states[static_cast<size_t>(index)].grips) children.push_back(g.first);
    return children;
}

// ---- copies, snapshots, properties ----

void ZVDPolyComposite::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    for (int k = 0; k < count(); ++k) items(k)->setOwner(other.owner());
    const int n = other.count();
    if (count() == 0) {
        for (int k = 0; k < n; ++k)
            if (ZVDEntity* copy = other.items(k)->clone()) add(copy);
        return;
    }
    for (int k = 0; k < std::min(n, count()); ++k) items(k)->assign(*other.items(k));
}

void ZVDPolyComposite::setCoordData(ZVDCoordData& data) {
    ZVDCompositeCoordData* snapshot = dynamic_cast<ZVDCompositeCoordData*>(&data);
    if (!snapshot) return;
    for (int k = 0; k < std::min(snapshot->count(), count()); ++k) items(k)->assign(*snapshot->items(k));
    doDataChanged(true);
}

std::set<ZVDEPropType> ZVDPolyComposite::propTypes() const {
    return count() > 0 ? items(0)->propTypes() : std::set<ZVDEPropType>();
}

std::wstring ZVDPolyComposite::propValue(const ZVDEPropType& type) const {
    return count() > 0 ? items(0)->propValue(type) : std::wstring();
}

void ZVDPolyComposite::setPropValue(const ZVDEPropType& type, const std::wstring& value) {
    for (int k = 0; k < count(); ++k) items(k)->setPropValue(type, value);
}
