// zvd: ZVDSpatialIndex on Boost.Geometry's R-tree: filing, stale marks, bulk rebuilds and the
// box query that answers items in drawing order.
#include "document/zvdspatialindex.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/box.hpp>
#include <boost/geometry/geometries/point.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>

#include "zvd/entities/zvdentity.h"

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

using Point = bg::model::point<double, 2, bg::cs::cartesian>;
using Box = bg::model::box<Point>;

// Stale items beyond this share of the filed ones are cheaper to file by rebuilding the whole
// tree in bulk (sort-tile packing) than by one removal and insertion each.
constexpr size_t kRebuildShare = 8;

// The item's box as the tree takes it, or false when it has none: empty, or not finite. A box
// inverted within the rounding slack that isEmptyBox allows is stored with its sides sorted.
bool treeBox(ZVDEntity* item, zgp::CBox2<double>& out) {
    const zgp::CBox2<double> r = item->outRect();
    if (ZVDEntity::isEmptyBox(r)) return false;
    if (!std::isfinite(r.min.x) || !std::isfinite(r.min.y) || !std::isfinite(r.max.x) || !std::isfinite(r.max.y))
        return false;
    out = zgp::CBox2<double>(std::min(r.min.x, r.max.x), std::min(r.min.y, r.max.y), std::max(r.min.x, r.max.x),
                             std::max(r.min.y, r.max.y));
    return true;
}

Box toTree(const zgp::CBox2<double>& b) { return Box(Point(b.min.x, b.min.y), Point(b.max.x, b.max.y)); }

}  // namespace

struct ZVDSpatialIndex::Tree {
    using Value = std::pair<Box, Slot*>;
    // Quadratic splits keep single insertions cheap; bulk builds pack the nodes full anyway.
    using RTree = bgi::rtree<Value, bgi::quadratic<16>>;
    RTree rtree;
};

ZVDSpatialIndex::ZVDSpatialIndex() : m_tree(new Tree()) {}
ZVDSpatialIndex::~ZVDSpatialIndex() = default;

void ZVDSpatialIndex::insert(ZVDEntity* item) {
    if (!item) return;
    auto [it, added] = m_slots.try_emplace(item);
    if (!added) return;
    Slot& slot = it->second;
    slot.item = item;
    slot.order = m_nextOrder++;
    slot.stale = true;
    m_stale.push_back(item);
}

void ZVDSpatialIndex::erase(ZVDEntity* item) {
    auto it = m_slots.find(item);
    if (it == m_slots.end()) return;
    unplace(it->second);
    // A stale mark left in m_stale finds no slot any more and is skipped.
    m_slots.erase(it);
}

void ZVDSpatialIndex::touch(ZVDEntity* item) {
    auto it = m_slots.find(item);
    if (it == m_slots.end() || it->second.stale) return;
    it->second.stale = true;
    m_stale.push_back(item);
}

void ZVDSpatialIndex::clear() {
    m_tree->rtree.clear();
    m_boxless.clear();
    m_stale.clear();
    m_slots.clear();
    m_nextOrder = 0;
}

void ZVDSpatialIndex::unplace(Slot& slot) {
    if (slot.placed) m_tree->rtree.remove(Tree::Value(toTree(slot.box), &slot));
    if (slot.aside) m_boxless.erase(&slot);
    slot.placed = slot.aside = false;
}

void ZVDSpatialIndex::place(Slot& slot) {
    slot.stale = false;
    if (treeBox(slot.item, slot.box)) {
        m_tree->rtree.insert(Tree::Value(toTree(slot.box), &slot));
        slot.placed = true;
    } else {
        m_boxless.insert(&slot);
        slot.aside = true;
    }
}

void ZVDSpatialIndex::refresh() {
    if (m_stale.empty()) return;
    if (m_stale.size() * kRebuildShare > m_tree->rtree.size()) {
        rebuild();
        return;
    }
    for (ZVDEntity* item : m_stale) {
        auto it = m_slots.find(item);
        if (it == m_slots.end() || !it->second.stale) continue;
        unplace(it->second);
        place(it->second);
    }
    m_stale.clear();
}

void ZVDSpatialIndex::rebuild() {
    std::vector<Tree::Value> values;
    values.reserve(m_slots.size());
    m_boxless.clear();
    for (auto& entry : m_slots) {
        Slot& slot = entry.second;
        if (slot.stale) {
            slot.stale = false;
            slot.placed = treeBox(slot.item, slot.box);
        }
        slot.aside = !slot.placed;
        if (slot.placed)
            values.emplace_back(toTree(slot.box), &slot);
        else
            m_boxless.insert(&slot);
    }
    m_stale.clear();
    // The range constructor packs the tree (sort-tile-recursive): full nodes, little overlap.
    Tree::RTree packed(values.begin(), values.end());
    m_tree->rtree.swap(packed);
}

void ZVDSpatialIndex::query(const zgp::CBox2<double>& box, bool boxless, std::vector<ZVDEntity*>& out) {
    refresh();
    std::vector<const Slot*> found;
    const Box q(Point(box.min.x, box.min.y), Point(box.max.x, box.max.y));
    m_tree->rtree.query(bgi::intersects(q), boost::make_function_output_iterator(
                                                [&found](const Tree::Value& v) { found.push_back(v.second); }));
    if (boxless) found.insert(found.end(), m_boxless.begin(), m_boxless.end());
    std::sort(found.begin(), found.end(), [](const Slot* a, const Slot* b) { return a->order < b->order; });
    out.reserve(out.size() + found.size());
    for (const Slot* slot : found) out.push_back(slot->item);
}
