// zvd: the drawing pass (ZVectorDrawing::draw) and the process-wide maximum display level.
// Items paint in display-level order, unselected first, so that points and selections lie on top.
#include <climits>
#include <vector>

#include "document/zvdspatialindex.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CBox2;

namespace {

// Function-local so that item classes' static helpers in any translation unit may raise it
// during library load, whatever the order of static initialisation.
int& maxLevelStorage() {
    static int level = 0;
    return level;
}

// World box of the repainted rectangle grown by one pixel on every side (y flips).
struct ViewBox {
    double minX, minY, maxX, maxY;

    ViewBox(const ZCoordTrans& trans, const CBox2<int>& rect)
        : minX(trans.DCTOWC_X(static_cast<double>(rect.min.x) - 1.0)),
          minY(trans.DCTOWC_Y(static_cast<double>(rect.max.y) + 1.0)),
          maxX(trans.DCTOWC_X(static_cast<double>(rect.max.x) + 1.0)),
          maxY(trans.DCTOWC_Y(static_cast<double>(rect.min.y) - 1.0)) {}

    CBox2<double> box() const { return CBox2<double>(minX, minY, maxX, maxY); }

    // outRect() rebuilds an emptied cache first; a box that stays empty (min at +infinity)
    // fails the first comparison and is skipped.
    bool meets(ZVDEntity* item) const {
        const CBox2<double> r = item->outRect();
        return !(r.min.x > maxX || minX > r.max.x || r.min.y > maxY || minY > r.max.y);
    }
};

}  // namespace

int ZVDEntity::maxDisplayLevel() { return maxLevelStorage(); }

ZVDEntity::SetDispLevelHelper::SetDispLevelHelper(int level) {
    // Capped below INT_MAX so that the pass's level loop always ends.
    if (level > maxLevelStorage()) maxLevelStorage() = level < INT_MAX ? level : INT_MAX - 1;
}

void ZVectorDrawing::draw(HDC hdc, const ZCoordTrans& trans, const CBox2<int>& deviceRect) {
    // Nothing can reach a missing device; skip the work (and the hooks) altogether.
    if (!hdc) return;

    CBox2<double> range;
    if (calcDrawingRange(trans, deviceRect, range)) {
        ZDrawFunc2d::fillRect(hdc, &trans, range, m_backColor, vdcommon::dmNormal, bsSolid, 0, psSolid, 0xFFFFFF);
    }

    const ViewBox view(trans, deviceRect);
    const int maxLevel = ZVDEntity::maxDisplayLevel();

    // Only top-level items are culled; containers draw their children unconditionally. The
    // spatial index answers the items whose boxes meet the view, in root order, so the pass
    // costs what the view shows rather than what the drawing holds. Their boxes are the ones
    // the index holds, so the visibility test below only confirms them.
    std::vector<ZVDEntity*> shown;
    m_spatial->query(view.box(), false, shown);
    for (int level = 0; level <= maxLevel; ++level) {
        for (ZVDEntity* item : shown) {
            if (item->selected() || !view.meets(item)) continue;
            item->draw(hdc, trans, false, level);
        }
    }
    for (int level = 0; level <= maxLevel; ++level) {
        for (int i = 0; i < m_selSet->count(); ++i) {
            ZVDEntity* item = m_selSet->item(i);
            if (!item || !view.meets(item)) continue;
            item->draw(hdc, trans, false, level);
        }
    }
}

void ZVectorDrawing::draw(HDC, const CBox2<int>&, int, int) {}
