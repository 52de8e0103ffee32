// zvd fuzzing: what both loader harnesses check after a load: an empty drawing on failure, and on
// success a save that loads again and saves to the same content (nothing crashes, nothing drifts).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/foundation/vdcommon.h"

// Measuring texts loads Qt's font database, and with it fontconfig's caches, which live until the
// process ends and are never freed; LeakSanitizer finds this hook by name. Each harness is one
// source file, so the definition appears once per program.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace zvdfuzz {

// A broken promise is a finding: abort so that libFuzzer keeps the input.
inline void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "zvd fuzz finding: %s\n", what);
    std::abort();
}

inline std::stringstream streamOf(const std::string& bytes) {
    return std::stringstream(bytes, std::ios::in | std::ios::out | std::ios::binary);
}

inline std::string binaryBytes(ZVectorDrawing& d) {
    std::stringstream s = streamOf(std::string());
    require(d.saveToStream(&s, vdsfBinary, false), "saving the binary stream failed");
    return s.str();
}

// A failed load leaves no items, no block definitions and layer "0" alone.
inline void requireEmpty(ZVectorDrawing& d) {
    require(d.count() == 0, "a failed load left items");
    require(d.blockDefinitionTable()->count() == 0, "a failed load left block definitions");
    require(d.layers()->count() == 1 && d.layers()->item(0)->iD() == 0, "a failed load left layers");
}

// Loads bytes through the public entry point that recognises the format.
inline bool load(ZVectorDrawing& d, const std::string& bytes) {
    std::stringstream s = streamOf(bytes);
    return d.loadFromStream(&s);
}

// With ZVD_FUZZ_EXACT=1 every round trip must give identical bytes. Without it, arcs may move by
// rounding: an arc is stored by its end points and centre, and every load rebuilds radius and
// angles from them, so its end points can shift in the last bits from one save to the next; and
// an arc read with non-finite values may come back as a different arc.
inline bool exactArcs() {
    static const bool exact = [] {
        const char* v = std::getenv("ZVD_FUZZ_EXACT");
        return v && *v == '1';
    }();
    return exact;
}

// a and b agree within rounding of values of the given magnitude.
inline bool near(double a, double b, double scale) {
    return a == b || std::fabs(a - b) <= 1e-9 * std::fmax(1.0, scale) || (std::isnan(a) && std::isnan(b));
}

inline std::string recordOf(ZVDEntity* item) {
    std::stringstream s = streamOf(std::string());
    item->saveToStream(&s);
    return s.str();
}

// Same record bytes; arcs (unless exact) the same within rounding; containers child by child.
inline bool sameItem(ZVDEntity* a, ZVDEntity* b) {
    if (!a || !b || a->itemType() != b->itemType() || a->iD() != b->iD()) return false;
    if (recordOf(a) == recordOf(b)) return true;
    if (a->count() > 0 || b->count() > 0) {
        if (a->count() != b->count()) return false;
        for (int i = 0; i < a->count(); ++i)
            if (!sameItem(a->items(i), b->items(i))) return false;
        return true;
    }
    auto* arcA = dynamic_cast<ZVDArc*>(a);
    auto* arcB = dynamic_cast<ZVDArc*>(b);
    if (exactArcs() || !arcA || !arcB) return false;
    auto layerId = [](ZVDEntity* e) { return e->layer() ? e->layer()->iD() : -1; };
    // Rounding follows the arc's size: points are rebuilt from centre, radius and angles. An arc
    // read with non-finite values is rebuilt differently by the two layouts; it may change too.
    double scale = 0;
    for (ZVDArc* arc : {arcA, arcB})
        for (const zgp::CVec2<double>& p : {arc->centerPt(), arc->startPt(), arc->endPt()}) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) return true;
            scale = std::fmax(scale, std::fmax(std::fabs(p.x), std::fabs(p.y)));
        }
    auto nearPoint = [scale](const zgp::CVec2<double>& p, const zgp::CVec2<double>& q) {
        return near(p.x, q.x, scale) && near(p.y, q.y, scale);
    };
    return a->color() == b->color() && layerId(a) == layerId(b) && a->extData() == b->extData() &&
           nearPoint(arcA->centerPt(), arcB->centerPt()) && nearPoint(arcA->startPt(), arcB->startPt()) &&
           nearPoint(arcA->endPt(), arcB->endPt());
}

inline std::string layerBytes(ZVectorDrawing& d) {
    std::stringstream s = streamOf(std::string());
    d.layers()->saveToStream(&s);
    return s.str();
}

inline bool sameDrawing(ZVectorDrawing& a, ZVectorDrawing& b) {
    if (a.backColor() != b.backColor() || a.drawingWidth() != b.drawingWidth() ||
        a.drawingHeight() != b.drawingHeight() || a.remark() != b.remark() || a.extData() != b.extData() ||
        layerBytes(a) != layerBytes(b) || a.count() != b.count())
        return false;
    ZVDBlockDefinitionTable* ta = a.blockDefinitionTable();
    ZVDBlockDefinitionTable* tb = b.blockDefinitionTable();
    if (ta->count() != tb->count()) return false;
    for (int i = 0; i < ta->count(); ++i) {
        ZVDBlockDefinition* da = ta->item(i);
        ZVDBlockDefinition* db = tb->item(i);
        if (da->iD() != db->iD() || da->name() != db->name() || !near(da->origin().x, db->origin().x, 0) ||
            !near(da->origin().y, db->origin().y, 0) || da->count() != db->count())
            return false;
        for (int k = 0; k < da->count(); ++k)
            if (!sameItem(da->items(k), db->items(k))) return false;
    }
    for (int i = 0; i < a.count(); ++i)
        if (!sameItem(a.item(i), b.item(i))) return false;
    return true;
}

// Layer and block-definition names are stored with a 1-byte length: longer ones are cut when
// saved, and two names that differ only past the cut are one name when read back.
inline bool hasOverlongNames(ZVectorDrawing& d) {
    for (int i = 0; i < d.layers()->count(); ++i)
        if (vdcommon::ws2s(d.layers()->item(i)->name()).size() > 255) return true;
    for (int i = 0; i < d.blockDefinitionTable()->count(); ++i)
        if (vdcommon::ws2s(d.blockDefinitionTable()->item(i)->name()).size() > 255) return true;
    return false;
}

// The first load may normalise what it read (duplicate identifiers, items without a layer, names
// too long for the format); from then on a binary save must load again with the same content.
inline void requireStableBinary(ZVectorDrawing& loaded) {
    ZVectorDrawing cut;
    ZVectorDrawing* reference = &loaded;
    if (hasOverlongNames(loaded)) {
        require(load(cut, binaryBytes(loaded)), "a saved binary stream did not load again");
        reference = &cut;
    }
    const std::string first = binaryBytes(*reference);
    ZVectorDrawing again;
    require(load(again, first), "a saved binary stream did not load again");
    if (binaryBytes(again) == first) return;
    require(!exactArcs() && sameDrawing(*reference, again), "binary save -> load -> save changed the drawing");
}

}  // namespace zvdfuzz
