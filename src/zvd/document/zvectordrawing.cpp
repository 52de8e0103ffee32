// zvd: ZVectorDrawing's core: construction, adding and erasing items, the identifier index,
// update brackets and reports, drawing attributes, versions and the full range.
#include "zvd/document/zvectordrawing.h"

#include <cmath>
#include <limits>

#include <QString>

#include "constraints/zvdconstraintindex.h"
#include "document/zvdspatialindex.h"
#include "foundation/vdcommon_prefetch.h"
#include "zvd/constraints/zvdconstraint.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"

namespace {

constexpr size_t kPrefetchAhead = 8;

}  // namespace

// ---- construction ----

ZVectorDrawing::ZVectorDrawing(IVDNotifyEventListener* selSetChangedListener)
    : m_selSetListener(selSetChangedListener) {
    setup();
}

ZVectorDrawing::~ZVectorDrawing() {
    // Containers skip their index upkeep from here on, and tables make no reports.
    m_destroying = true;
    m_index.clear();
    m_spatial->clear();
    m_constraints->clear();
    m_constraintBackup.clear();
    if (m_root) m_root->clear();
    m_root.reset();
    m_selSet.reset();
    m_layers.reset();
    m_xmlNames.reset();
    m_blockDefinitions.reset();
}

void ZVectorDrawing::setup() {
    setVersion(ZVDFormatVersion::current().text());
    initXMLAttrNameIdentifier(ZVDFormatVersion::current().text());
    m_layers.reset(new ZVDLayerTable(this));
    m_selSet.reset(new ZVDSelSet(this));
    m_blockDefinitions.reset(new ZVDBlockDefinitionTable(this));
    m_constraints.reset(new ZVDConstraintIndex());
    m_spatial.reset(new ZVDSpatialIndex());
    m_root.reset(new ZVDComposite());
    m_root->setOwner(this);  // the root keeps identifier -1, so it never reports
}

void ZVectorDrawing::initialize(bool resetAttributes) {
    if (resetAttributes) {
        m_backColor = 0;
        m_drawingHeight = 0;
        m_drawingWidth = 0;
        m_remark.clear();
    }
    clear();
    m_maxID = 0;
    m_changeCount = 0;
    m_updateNesting = 0;
}

void ZVectorDrawing::clear() {
    if (m_root->count() == 0) return;
    beginUpdate();
    m_selSet->clear(true);
    m_layers->clear();
    // Block definitions are cleared with the tables below, once no block reference that shows
    // them is left: a reference erased after its definition would report with a dangling one.
    // Constraints go first, from the back, where files keep them: erasing an item from the
    // front would otherwise look up and remove its constraints one by one in the middle of the
    // root, which costs a walk of the root per constraint.
    for (int i = m_root->count() - 1; i >= 0; --i)
        if (vdcommon::isConstraint(m_root->items(i))) erase(m_root.get(), i);
    while (m_root->count() > 0) erase(m_root.get(), 0);
    m_index.clear();
    // The layers that items still used survived the table's clear(); with the items gone they
    // can go too. The table is then left as a new drawing has it.
    resetTables();
    endUpdate();
    reportDrawingChanged();
}

void ZVectorDrawing::resetTables() {
    m_blockDefinitions->clear();
    m_blockDefinitions->releaseOrphans();
    m_layers->clear();
    m_layers->releaseOrphans();
    m_layers->validate0Layer();
    m_layers->setCurLayer(m_layers->item(0));
}

void ZVectorDrawing::clearForLoad() {
    clear();
    resetTables();
}

// ---- adding ----

int ZVectorDrawing::add(ZVDEntity* item) {
    add(nullptr, item);
    return m_root->count();
}

void ZVectorDrawing::add(ZVDEntity* parent, ZVDEntity* item) {
    if (item) addOne(parent, item, true);
}

void ZVectorDrawing::add(ZVDEntity* parent, std::vector<ZVDEntity*>& items) {
    const std::vector<ZVDEntity*> batch = items;  // callbacks may touch the caller's list
    std::vector<ZVDEntity*> added;
    added.reserve(batch.size());
    m_index.reserve(m_index.size() + batch.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        ZVDEntity* item = batch[i];
        // A loaded batch is far larger than the cache by the time it is added: ask for the
        // items a few places ahead, whose fields addOne reads and writes.
        if (i + kPrefetchAhead < batch.size()) vdcommon::detail::prefetchObject(batch[i + kPrefetchAhead]);
        if (!item) continue;
        addOne(parent, item, false);
        ZVDEntity* container = parent ? parent : m_root.get();
        if (item->parent() == container) added.push_back(item);
    }
    notify(vdnItemAdded, added, nullptr);
}

void ZVectorDrawing::addOne(ZVDEntity* parent, ZVDEntity* item, bool announce) {
    if (item->owner() != this) item->setOwner(this);
    item->createId();
    m_index.set(item->iD(), item);
    if (!item->layer()) item->setLayer(m_layers->curLayer());
    ZVDEntity* container = parent ? parent : m_root.get();
    container->add(item);
    if (item->parent() != container) {
        // Not a container, or it refused the item: the caller keeps it, unindexed.
        m_index.eraseIf(item->iD(), item);
        return;
    }
    if (container == m_root.get() && vdcommon::isConstraint(item))
        m_constraints->file(dynamic_cast<ZVDConstraint*>(item));
    if (m_onItemAdded) m_onItemAdded(item->iD());
    if (announce) notify(vdnItemAdded, item, nullptr);
    // Nested items are numbered, indexed and announced; their container already holds them.
    for (int i = 0; i < item->count(); ++i)
        if (ZVDEntity* child = item->items(i)) addOne(item, child, true);
}

// ---- erasing ----

void ZVectorDrawing::erase(int index) { erase(nullptr, index); }

void ZVectorDrawing::erase(ZVDEntity* parent, int index) {
    ZVDEntity* container = parent ? parent : m_root.get();
    if (index < 0 || index >= container->count()) return;
    ZVDEntity* item = container->items(index);
    if (!item) return;
    if (!vdcommon::isConstraint(item) && removeRelatedConstraints(item)) {
        // Removing constraints may have shifted indexes: look the item up again.
        ZVDEntity* foundParent = nullptr;
        int foundIndex = -1;
        if (!doFind(m_root.get(), item, foundParent, foundIndex)) return;
        container = foundParent;
        index = foundIndex;
    }
    // The item leaves the selection set wherever it sits (nested items too: clearing and
    // deleting below report each of them through itemDeleting), so it never lists deleted items.
    if (m_selSet->contains(item)) m_selSet->remove(item, true);
    notify(vdnItemErasing, item, nullptr);
    const int id = item->iD();
    m_index.eraseIf(id, item);
    if (vdcommon::isConstraint(item)) m_constraints->unfile(dynamic_cast<ZVDConstraint*>(item));
    if (item->count() > 0) item->clear();
    container->erase(index);
    notify(vdnItemErased, static_cast<ZVDEntity*>(nullptr), nullptr);
    if (m_onItemDeleted) m_onItemDeleted(id);
}

void ZVectorDrawing::remove(ZVDEntity* item) {
    if (!item) return;
    const int index = m_root->indexOf(item);
    if (index >= 0) {
        erase(m_root.get(), index);
        return;
    }
    ZVDEntity* parent = nullptr;
    int found = -1;
    if (doFind(m_root.get(), item, parent, found)) erase(parent, found);
}

void ZVectorDrawing::topLevelJoined(ZVDEntity* item) {
    if (!m_destroying && !m_spatial->holds(item->m_spatialSlot, item)) item->m_spatialSlot = m_spatial->insert(item);
}

void ZVectorDrawing::topLevelLeft(ZVDEntity* item) {
    if (m_destroying) return;
    if (m_spatial->holds(item->m_spatialSlot, item)) m_spatial->erase(item->m_spatialSlot);
    item->m_spatialSlot = -1;
}

void ZVectorDrawing::itemDeleting(ZVDEntity* item) {
    if (m_destroying || !item) return;
    forgetTree(item);
}

void ZVectorDrawing::forgetTree(ZVDEntity* item) {
    if (m_selSet->contains(item)) m_selSet->remove(item, true);
    m_index.eraseIf(item->iD(), item);
    if (vdcommon::isConstraint(item)) m_constraints->unfile(dynamic_cast<ZVDConstraint*>(item));
    for (int i = 0; i < item->count(); ++i)
        if (ZVDEntity* child = item->items(i)) forgetTree(child);
}

// ---- finding ----

int ZVectorDrawing::count() const { return m_root->count(); }

int ZVectorDrawing::allEntity() const {
    int n = 0;
    for (int i = 0; i < m_root->count(); ++i)
        if (!vdcommon::isConstraint(m_root->items(i))) ++n;
    return n;
}

ZVDEntity* ZVectorDrawing::item(int index, ZVDEntity* parent) const {
    return (parent ? parent : m_root.get())->items(index);
}

int ZVectorDrawing::indexOfID(int id, ZVDEntity* parent) const {
    return (parent ? parent : m_root.get())->indexOfId(id);
}

ZVDEntity* ZVectorDrawing::find(int id) const { return m_index.find(id); }

bool ZVectorDrawing::find(ZVDEntity* item, ZVDEntity*& parent, int& index) const {
    return item && doFind(m_root.get(), item, parent, index);
}

bool ZVectorDrawing::doFind(ZVDEntity* container, ZVDEntity* item, ZVDEntity*& parent, int& index) const {
    const int i = container->indexOf(item);
    if (i >= 0) {
        parent = container;
        index = i;
        return true;
    }
    for (int k = 0; k < container->count(); ++k) {
        ZVDEntity* child = container->items(k);
        if (child && child->count() > 0 && doFind(child, item, parent, index)) return true;
    }
    return false;
}

ZVDEntity* ZVectorDrawing::doFind(ZVDEntity* container, int id) const {
    const int i = container->indexOfId(id);
    if (i >= 0) return container->items(i);
    for (int k = 0; k < container->count(); ++k) {
        ZVDEntity* child = container->items(k);
        if (!child || child->count() == 0) continue;
        if (ZVDEntity* found = doFind(child, id)) return found;
    }
    return nullptr;
}

std::vector<ZVDEntity*> ZVectorDrawing::findByType(int type) const { return findByType(std::set<int>{type}); }

std::vector<ZVDEntity*> ZVectorDrawing::findByType(const std::set<int>& types) const {
    std::vector<ZVDEntity*> found;
    for (int i = 0; i < m_root->count(); ++i) {
        ZVDEntity* e = m_root->items(i);
        if (types.count(static_cast<int>(e->itemType()))) found.push_back(e);
    }
    return found;
}

// ---- identifiers ----

// The counter saturates at INT_MAX (a file may store identifiers up there) instead of overflowing.
int ZVectorDrawing::genID() {
    if (m_maxID < std::numeric_limits<int>::max()) ++m_maxID;
    return m_maxID;
}

int ZVectorDrawing::newID() {
    const int id = m_maxID;
    if (m_maxID < std::numeric_limits<int>::max()) ++m_maxID;
    return id;
}

void ZVectorDrawing::initMaxID() {
    int top = -1;  // non-persistent (negative) identifiers never pull the counter below 0
    for (int i = 0; i < m_root->count(); ++i) top = std::max(top, m_root->items(i)->iD());
    m_maxID = top < std::numeric_limits<int>::max() ? top + 1 : top;
}

// ---- reports ----

void ZVectorDrawing::beginUpdate() { ++m_updateNesting; }

void ZVectorDrawing::endUpdate() {
    if (m_updateNesting <= 0) return;
    if (--m_updateNesting > 0) return;
    if (m_updateListener) m_updateListener->onNotifyEvent();
    if (m_selChangePending) {
        m_selChangePending = false;
        if (m_selSetListener) m_selSetListener->onNotifyEvent();
    }
}

void ZVectorDrawing::doDataChanged(ZVDEntity* item, bool resetOutRect) {
    if (item && resetOutRect) item->rebuildOutRect();
    if (item) spatialTouch(item);
    ++m_changeCount;
    notify(vdnDataChanged, item, nullptr);
    notify();
}

void ZVectorDrawing::spatialTouch(ZVDEntity* item) {
    // Up through the containers that hold the item: a container's box is the union of its
    // children's, so each one on the way is stale too.
    ZVDEntity* top = item;
    while (top->m_parent && top->m_heldByParent && top->m_parent != m_root.get()) {
        top = top->m_parent;
        top->rebuildOutRect();
    }
    if (top->m_parent == m_root.get() && top->m_heldByParent && m_spatial->holds(top->m_spatialSlot, top))
        m_spatial->touch(top->m_spatialSlot);
}

void ZVectorDrawing::doStateChanged(ZVDEntity* item) {
    notify(vdnStateChanged, item, nullptr);
    notify();
}

void ZVectorDrawing::doSelSetChanged(ZVDEntity*) {
    if (m_updateNesting > 0)
        m_selChangePending = true;
    else if (m_selSetListener)
        m_selSetListener->onNotifyEvent();
}

void ZVectorDrawing::notify() {
    if (m_updateNesting == 0 && m_updateListener) m_updateListener->onNotifyEvent();
}

void ZVectorDrawing::refreshDrawing() {
    if (m_updateListener) m_updateListener->onNotifyEvent();
}

void ZVectorDrawing::notify(int code, ZVDEntity* item, void* data) { m_observers.notify(code, item, data); }

void ZVectorDrawing::notify(int code, std::vector<ZVDEntity*>& items, void* data) {
    m_observers.notify(code, items, data);
}

void ZVectorDrawing::attachObserver(VDObserver* observer) { m_observers.attach(observer); }
void ZVectorDrawing::detachObserver(VDObserver* observer) { m_observers.detach(observer); }

void ZVectorDrawing::reportDrawingChanged() { doDataChanged(nullptr, false); }

// ---- attributes ----

void ZVectorDrawing::setDrawingWidth(int width) {
    if (width == m_drawingWidth) return;
    m_drawingWidth = width;
    reportDrawingChanged();
}

void ZVectorDrawing::setDrawingHeight(int height) {
    if (height == m_drawingHeight) return;
    m_drawingHeight = height;
    reportDrawingChanged();
}

void ZVectorDrawing::setBackColor(int color) {
    if (color == m_backColor) return;
    m_backColor = color;
    reportDrawingChanged();
}

void ZVectorDrawing::setRemark(const std::wstring& remark) {
    if (remark == m_remark) return;
    m_remark = remark;
    reportDrawingChanged();
}

void ZVectorDrawing::setExtData(const std::wstring& data) {
    if (data == m_extData) return;
    m_extData = data;
    reportDrawingChanged();
}

// ---- versions ----

void ZVectorDrawing::setVersion(const std::wstring& version) { m_format = ZVDFormatVersion(version); }

void ZVectorDrawing::setOriVersion(const std::wstring& version) { m_oriFormat = ZVDFormatVersion(version); }

void ZVectorDrawing::initXMLAttrNameIdentifier(const std::wstring& version) {
    m_xmlNames.reset(new ZXMLAttrNames(version));
}

// ---- ranges ----

zgp::CBox2<double> ZVectorDrawing::fullRange() {
    zgp::CBox2<double> range;
    bool any = false;
    for (int i = 0; i < m_root->count(); ++i) {
        const zgp::CBox2<double> r = m_root->items(i)->outRect();
        if (ZVDEntity::isEmptyBox(r)) continue;
        if (!any) {
            range = r;
            any = true;
            continue;
        }
        range.min.x = std::min(range.min.x, r.min.x);
        range.min.y = std::min(range.min.y, r.min.y);
        range.max.x = std::max(range.max.x, r.max.x);
        range.max.y = std::max(range.max.y, r.max.y);
    }
    return any ? range : zgp::CBox2<double>(0, 0, 0, 0);
}
