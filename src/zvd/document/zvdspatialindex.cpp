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
    using Value = std::pair<Box, uint32_t>;
    // Quadratic splits keep single insertions cheap; bulk builds pack the nodes full anyway.
    using RTree = bgi::rtree<Value, bgi::quadratic<16>>;
    RTree rtree;
};

ZVDSpatialIndex::ZVDSpatialIndex() : m_tree(new Tree()) {}
ZVDSpatialIndex::~ZVDSpatialIndex() = default;

int ZVDSpatialIndex::insert(ZVDEntity* item) {
    uint32_t slot;
    if (!m_free.empty()) {
        slot = m_free.back();
        m_free.pop_back();
        m_slots[slot] = Slot();
    } else {
        slot = static_cast<uint32_t>(m_slots.size());
        m_slots.emplace_back();
    }
    Slot& s = m_slots[slot];
    s.item = item;
    s.order = m_nextOrder++;
    s.stale = true;
    m_stale.push_back(slot);
    return static_cast<int>(slot);
}

void ZVDSpatialIndex::erase(int slot) {
    if (slot < 0 || static_cast<size_t>(slot) >= m_slots.size() || !m_slots[slot].item) return;
    unplace(static_cast<uint32_t>(slot));
    // A stale mark left in m_stale finds a free slot (or a reused, stale one) and is skipped.
    m_slots[slot] = Slot();
    m_free.push_back(static_cast<uint32_t>(slot));
}

void ZVDSpatialIndex::touch(int slot) {
    if (slot < 0 || static_cast<size_t>(slot) >= m_slots.size()) return;
    Slot& s = m_slots[slot];
    if (!s.item || s.stale) return;
    s.stale = true;
    m_stale.push_back(static_cast<uint32_t>(slot));
}

void ZVDSpatialIndex::clear() {
    m_tree->rtree.clear();
    m_boxless.clear();
    m_stale.clear();
    m_slots.clear();
    m_free.clear();
    m_nextOrder = 0;
}

void ZVDSpatialIndex::unplace(uint32_t slot) {
    Slot& s = m_slots[slot];
    if (s.placed) m_tree->rtree.remove(Tree::Value(toTree(s.box), slot));
    if (s.aside) m_boxless.erase(slot);
    s.placed = s.aside = false;
}

void ZVDSpatialIndex::place(uint32_t slot) {
    Slot& s = m_slots[slot];
    s.stale = false;
    if (treeBox(s.item, s.box)) {
        m_tree->rtree.insert(Tree::Value(toTree(s.box), slot));
        s.placed = true;
    } else {
        m_boxless.insert(slot);
        s.aside = true;
    }
}

void ZVDSpatialIndex::refresh() {
    if (m_stale.empty()) return;
    if (m_stale.size() * kRebuildShare > m_tree->rtree.size()) {
        rebuild();
        return;
    }
    for (uint32_t slot : m_stale) {
        if (!m_slots[slot].item || !m_slots[slot].stale) continue;
        unplace(slot);
        place(slot);
    }
    m_stale.clear();
}

void ZVDSpatialIndex::rebuild() {
    std::vector<Tree::Value> values;
    values.reserve(m_slots.size());
    m_boxless.clear();
    for (uint32_t slot = 0; slot < m_slots.size(); ++slot) {
        Slot& s = m_slots[slot];
        if (!s.item) continue;
        if (s.stale) {
            s.stale = false;
            s.placed = treeBox(s.item, s.box);
        }
        s.aside = !s.placed;
        if (s.placed)
            values.emplace_back(toTree(s.box), slot);
        else
            m_boxless.insert(slot);
    }
    m_stale.clear();
    // The range constructor packs the tree (sort-tile-recursive): full nodes, little overlap.
    Tree::RTree packed(values.begin(), values.end());
    m_tree->rtree.swap(packed);
}

void ZVDSpatialIndex::query(const zgp::CBox2<double>& box, bool boxless, std::vector<ZVDEntity*>& out) {
    refresh();
    std::vector<uint32_t> found;
    const Box q(Point(box.min.x, box.min.y), Point(box.max.x, box.max.y));
    m_tree->rtree.query(bgi::intersects(q), boost::make_function_output_iterator(
                                                [&found](const Tree::Value& v) { found.push_back(v.second); }));
    if (boxless) found.insert(found.end(), m_boxless.begin(), m_boxless.end());
    std::sort(found.begin(), found.end(),
              [this](uint32_t a, uint32_t b) { return m_slots[a].order < m_slots[b].order; });
    out.reserve(out.size() + found.size());
    for (uint32_t slot : found) out.push_back(m_slots[slot].item);
}
