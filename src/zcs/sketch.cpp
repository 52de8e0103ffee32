// zcs: reading a sketch for one call: curves into parameter blocks, constraints into
// equation forms, and the split into independent parts by a union-find over the curves.
#include "sketch.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "curves.h"
#include "equations.h"
#include "zgp/geometry.h"

namespace zcs::detail {

namespace {

int FindRoot(std::vector<int>& parent, int i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

// The size a constraint's value implies (a length, a radius), 0 for angles and the rest.
double ValueSize(const ConsRec& c) {
    switch (c.type) {
    case ectDistance:
    case ectRadius:
    case ectEllipseRadiusAlong:
    case ectEllipseRadiusAcross:
        return std::abs(c.value);
    case ectDiameter:
        return 0.5 * std::abs(c.value);
    default:
        return 0.0;
    }
}

// A tangency whose two curves a coincidence joins at an end of one (on an end of the other,
// or anywhere on it) touches there: its references are set to say where.
void MarkJointTangencies(Model& m) {
    auto key = [](int a, int b) { return (static_cast<long long>(std::min(a, b)) << 32) | std::max(a, b); };
    std::unordered_map<long long, std::vector<int>> joins;
    for (size_t i = 0; i < m.cons.size(); ++i) {
        const ConsRec& c = m.cons[i];
        if (c.obj && c.type == ectCoincident && c.nref == 2 && c.ref[0].geom >= 0 && c.ref[1].geom >= 0 &&
            c.ref[0].geom != c.ref[1].geom)
            joins[key(c.ref[0].geom, c.ref[1].geom)].push_back(static_cast<int>(i));
    }
    if (joins.empty()) return;
    auto isEnd = [](int t) { return t == edrStart || t == edrEnd; };
    for (ConsRec& c : m.cons) {
        if (c.type != ectTangent || c.nref != 2 || c.ref[0].geom < 0 || c.ref[1].geom < 0 ||
            c.ref[0].geom == c.ref[1].geom)
            continue;
        const auto it = joins.find(key(c.ref[0].geom, c.ref[1].geom));
        if (it == joins.end()) continue;
        for (int j : it->second) {
            RefRec a = m.cons[j].ref[0], b = m.cons[j].ref[1];
            if (a.geom != c.ref[0].geom) std::swap(a, b);
            if ((isEnd(a.type) && (isEnd(b.type) || b.type == edrCurve)) || (a.type == edrCurve && isEnd(b.type))) {
                c.joint = true;
                c.ref[0].type = a.type;
                c.ref[1].type = b.type;
                break;
            }
        }
    }
}

}  // namespace

void BuildSketch(const Input& in, Sketch& s) {
    s = Sketch();
    Model& m = s.model;
    std::unordered_map<const zgp::CGeometry*, int> index;
    auto reg = [&](zgp::CGeometry* g, bool fixed) {
        const auto it = index.find(g);
        if (it != index.end()) return it->second;
        GeomRec rec;
        int id = -1;
        if (ReadCurve(g, fixed, m, rec)) {
            id = static_cast<int>(m.geoms.size());
            m.geoms.push_back(std::move(rec));
        }
        index.emplace(g, id);
        return id;
    };
    m.geoms.reserve(in.geoms.size());
    m.P0.reserve(4 * in.geoms.size());
    m.colScale.reserve(4 * in.geoms.size());
    m.cons.reserve(in.fixedPoints.size() + in.cons.size());
    for (size_t i = 0; i < in.geoms.size(); ++i) reg(in.geoms[i], in.fixedGeom[i] != 0);

    // Held points first, so that the constraints after them are measured against them.
    for (const ZlDimRefGeometry& r : in.fixedPoints) {
        ConsRec c;
        c.type = ectFixed;
        c.nref = 1;
        c.ref[0].geom = reg(r.GetRefGeometry(), false);
        c.ref[0].type = r.GetRefType();
        m.cons.push_back(std::move(c));
    }
    std::vector<const ZlDimRefGeometry*> refs;
    for (IConstraint* obj : in.cons) {
        ConsRec c;
        c.obj = obj;
        c.type = obj->GetType();
        c.value = obj->GetValue();
        refs.clear();
        obj->GetReferenceGeometries(refs);
        if (refs.size() <= 3) {
            c.nref = static_cast<int>(refs.size());
            for (int i = 0; i < c.nref; ++i) {
                c.ref[i].geom = refs[i] ? reg(refs[i]->GetRefGeometry(), false) : -1;
                c.ref[i].type = refs[i] ? refs[i]->GetRefType() : 0;
            }
        }
        m.cons.push_back(std::move(c));
    }

    MarkJointTangencies(m);

    double size = 0.0;
    for (const GeomRec& g : m.geoms) size = std::max(size, CurveSize(g, m.P0.data()));
    for (const ConsRec& c : m.cons) size = std::max(size, ValueSize(c));
    s.size = (size > 0.0 && std::isfinite(size)) ? size : 1.0;
    for (double& sc : m.colScale)
        if (!(sc > 0.0)) sc = s.size;

    for (size_t i = 0; i < m.cons.size(); ++i) {
        ConsRec& c = m.cons[i];
        if ((c.nref == 0 && c.obj) || !ResolveConstraint(m, c, s.size)) {
            c.valid = false;
            c.rows = 0;
            if (c.obj) s.invalid.push_back(static_cast<int>(i));
        }
    }

    // Parts: curves joined by a constraint belong together; held curves join nothing.
    const int ng = static_cast<int>(m.geoms.size());
    std::vector<int> parent(ng);
    std::iota(parent.begin(), parent.end(), 0);
    auto movable = [&](const ConsRec& c, int i) { return c.ref[i].geom >= 0 && !m.geoms[c.ref[i].geom].fixed; };
    for (const ConsRec& c : m.cons) {
        if (!c.valid || c.rows == 0) continue;
        int first = -1;
        for (int i = 0; i < c.nref; ++i) {
            if (!movable(c, i)) continue;
            const int r = FindRoot(parent, c.ref[i].geom);
            if (first < 0)
                first = r;
            else
                parent[r] = first;
        }
    }
    std::vector<int> partOfRoot(ng, -1);
    for (size_t i = 0; i < m.cons.size(); ++i) {
        const ConsRec& c = m.cons[i];
        if (!c.valid || c.rows == 0) continue;
        int root = -1;
        for (int k = 0; k < c.nref && root < 0; ++k)
            if (movable(c, k)) root = FindRoot(parent, c.ref[k].geom);
        int p;
        if (root < 0) {
            p = static_cast<int>(s.parts.size());  // nothing movable: a part of its own
            s.parts.emplace_back();
        } else if (partOfRoot[root] < 0) {
            p = partOfRoot[root] = static_cast<int>(s.parts.size());
            s.parts.emplace_back();
        } else {
            p = partOfRoot[root];
        }
        Part& part = s.parts[p];
        part.cons.push_back(static_cast<int>(i));
        double sz = ValueSize(c);
        for (int k = 0; k < c.nref; ++k) sz = std::max(sz, CurveSize(m.geoms[c.ref[k].geom], m.P0.data()));
        part.size = part.cons.size() == 1 ? sz : std::max(part.size, sz);
    }
    for (Part& part : s.parts) {
        if (!(part.size > 0.0)) part.size = s.size;
        part.tol = kRelTolerance * part.size;
    }
}

}  // namespace zcs::detail
