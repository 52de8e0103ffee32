// zvd: ZVDComposite, the owned, ordered list of child items that acts as one item.
// Also the root of every drawing, so adding and erasing at the ends must stay cheap.
#include "zvd/entities/zvdcomposite.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <memory>

#include <QDomDocument>
#include <QDomElement>

#include "entities/zvdloadutil.h"
#include "foundation/vdcommon_prefetch.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/persistence/zxmlattrnames.h"

using zgp::CBox2;
using zgp::CVec2;

namespace {

zgp::ZRegHelper<int> s_regComposite(ZVDEntity::GetFactory(), vdiComposite, &ZVDComposite::CreateInstance);

// Children asked for ahead of the one being deleted when a composite is cleared.
constexpr size_t kClearPrefetchAhead = 8;

using zvdload::DepthGuard;

}  // namespace

// ---- snapshot ----

ZVDEntity* ZVDCompositeCoordData::items(int index) const {
    return index >= 0 && index < count() ? m_items[static_cast<size_t>(index)].get() : nullptr;
}

void ZVDCompositeCoordData::add(ZVDEntity* item) {
    if (item) m_items.emplace_back(item);
}

// ---- construction ----

ZVDComposite::ZVDComposite() = default;

// No reports and no index upkeep when the children go with the composite: the drawing's erase
// and the container operations drop a composite's whole subtree from the index before they
// delete it, and a drawing being destroyed keeps no index.
ZVDComposite::~ZVDComposite() = default;

zgp::IBase* ZVDComposite::CreateInstance() { return new ZVDComposite(); }
zgp::ZObjectFactory<int>* ZVDComposite::GetFactory() { return ZVDEntity::GetFactory(); }

ZVDEntity::SetDispLevelHelper ZVDComposite::m_autoSetDispLevel(2);

int ZVDComposite::displayLevel() const { return 2; }
EnVDIType ZVDComposite::itemType() const { return vdiComposite; }

// ---- container operations ----

int ZVDComposite::count() const { return static_cast<int>(m_children.size()); }

ZVDEntity* ZVDComposite::items(int index) const {
    return index >= 0 && index < count() ? m_children[static_cast<size_t>(index)].get() : nullptr;
}

int ZVDComposite::indexOf(ZVDEntity* item) const {
    if (!holds(item)) return -1;
    auto it = std::find_if(m_children.begin(), m_children.end(),
                           [item](const std::unique_ptr<ZVDEntity>& child) { return child.get() == item; });
    return static_cast<int>(it - m_children.begin());
}

int ZVDComposite::indexOfId(int id) const {
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i]->iD() == id) return static_cast<int>(i);
    return -1;
}

void ZVDComposite::insertChild(int index, ZVDEntity* item) {
    item->setParent(this);  // takes it out of its previous container
    if (index < 0 || index >= count())
        m_children.emplace_back(item);
    else
        m_children.emplace(m_children.begin() + index, item);
    item->m_heldByParent = true;
    if (ZVectorDrawing* drawing = owner(); drawing && drawing->root() == this) drawing->topLevelJoined(item);
}

void ZVDComposite::add(ZVDEntity* item) {
    if (!item || item == this || holds(item)) return;
    insertChild(count(), item);
    doDataChanged(true);
}

ZVDEntity* ZVDComposite::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    ZVDEntity* child = m_children[static_cast<size_t>(index)].release();
    m_children.erase(m_children.begin() + index);
    child->m_heldByParent = false;
    if (ZVectorDrawing* drawing = owner(); drawing && drawing->root() == this) drawing->topLevelLeft(child);
    return child;
}

void ZVDComposite::remove(ZVDEntity* item) {
    if (!takeAt(indexOf(item))) return;
    doDataChanged(true);
}

void ZVDComposite::del(ZVDEntity* item) {
    const int index = indexOf(item);
    if (index >= 0) erase(index);
}

void ZVDComposite::erase(int index) {
    std::unique_ptr<ZVDEntity> child(takeAt(index));
    if (!child) return;
    if (ZVectorDrawing* drawing = child->owner()) drawing->itemDeleting(child.get());
    child.reset();
    doDataChanged(true);
}

void ZVDComposite::clear() {
    ZVectorDrawing* rootOf = owner() && owner()->root() == this ? owner() : nullptr;
    while (!m_children.empty()) {
        // Clearing a large drawing walks far more children than the cache holds.
        if (m_children.size() > kClearPrefetchAhead)
            vdcommon::detail::prefetchObject(m_children[kClearPrefetchAhead].get());
        m_children.front()->clear();
        std::unique_ptr<ZVDEntity> child = std::move(m_children.front());
        m_children.pop_front();
        child->m_heldByParent = false;
        if (rootOf) rootOf->topLevelLeft(child.get());
        if (ZVectorDrawing* drawing = child->owner()) drawing->itemDeleting(child.get());
    }
}

// ---- geometry and editing ----

bool ZVDComposite::hitTest(const CVec2<double>& pt, double tol) {
    for (const auto& child : m_children)
        if (child->hitTest(pt, tol)) return true;
    return false;
}

bool ZVDComposite::hitSelect(const CVec2<double>& p1, const CVec2<double>& p2, double tol) {
    for (const auto& child : m_children)
        if (child->hitSelect(p1, p2, tol)) return true;
    return false;
}

void ZVDComposite::move(const CVec2<double>& offset) {
    for (const auto& child : m_children) child->move(offset);
    doDataChanged(true);
}

void ZVDComposite::rotate(const CVec2<double>& centre, double angle) {
    for (const auto& child : m_children) child->rotate(centre, angle);
    doDataChanged(true);
}

void ZVDComposite::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    for (const auto& child : m_children) child->mirror(p1, p2);
    doDataChanged(true);
}

void ZVDComposite::buildOutRect(CBox2<double>& box) {
    box.SetEmpty();
    for (const auto& child : m_children) {
        child->rebuildOutRect();
        const CBox2<double> r = child->outRect();
        if (isEmptyBox(r)) continue;
        box.min.x = std::min(box.min.x, r.min.x);
        box.min.y = std::min(box.min.y, r.min.y);
        box.max.x = std::max(box.max.x, r.max.x);
        box.max.y = std::max(box.max.y, r.max.y);
    }
}

int ZVDComposite::gripCount() { return showGrip() ? 1 : 0; }
CVec2<double> ZVDComposite::grip(int) { return outRect().Center(); }
ZVDGripType ZVDComposite::gripType(int) { return 2; }

bool ZVDComposite::dragGrip(int, const CVec2<double>& offset) {
    move(offset);
    return true;
}

// ---- copies and snapshots ----

void ZVDComposite::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    ZVDComposite* source = dynamic_cast<ZVDComposite*>(&other);
    if (!source) return;
    // Counted first: assigning a composite to itself appends one copy of each child.
    const int n = source->count();
    for (int i = 0; i < n; ++i)
        if (ZVDEntity* copy = source->items(i)->clone()) add(copy);
}

ZVDEntity* ZVDComposite::transform(zgp::CMatrix3<double>* matrix) {
    ZVDComposite* result = dynamic_cast<ZVDComposite*>(createItem(itemType()));
    if (!result) result = new ZVDComposite();
    result->ZVDEntity::assign(*this);
    result->setID(iD());
    for (const auto& child : m_children)
        if (ZVDEntity* copy = child->transform(matrix)) result->add(copy);
    return result;
}

ZVDCoordData* ZVDComposite::createCoordData() {
    ZVDCompositeCoordData* data = new ZVDCompositeCoordData();
    data->setID(iD());
    for (const auto& child : m_children) data->add(child->clone());
    return data;
}

void ZVDComposite::setCoordData(ZVDCoordData& data) {
    ZVDCompositeCoordData* snapshot = dynamic_cast<ZVDCompositeCoordData*>(&data);
    if (!snapshot) return;
    clear();
    for (int i = 0; i < snapshot->count(); ++i)
        if (ZVDEntity* copy = snapshot->items(i)->clone()) add(copy);
    doDataChanged(true);
}

// ---- drawing ----

void ZVDComposite::draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) {
    ZVDEntity::draw(hdc, trans, elastic, level);
    for (const auto& child : m_children) child->draw(hdc, trans, elastic, level);
}

void ZVDComposite::doDrawElastic(HDC, const ZCoordTrans&) {}
void ZVDComposite::doDrawNormal(HDC, const ZCoordTrans&) {}
void ZVDComposite::doDrawSelected(HDC, const ZCoordTrans&) {}

// ---- persistence ----

void ZVDComposite::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    static const ZXMLAttrNames shortNames;
    const QString tag = QString::fromStdWString(names ? names->item : shortNames.item);
    QDomDocument doc = element.ownerDocument();
    for (const auto& child : m_children) {
        QDomElement childElement = doc.createElement(tag);
        element.appendChild(childElement);
        child->saveToXMLNode(childElement, names);
    }
}

void ZVDComposite::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    DepthGuard depth;
    if (depth.tooDeep()) return;
    static const ZXMLAttrNames shortNames;
    const QString typeName = QString::fromStdWString(names ? names->itemType : shortNames.itemType);
    for (QDomElement e = element.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        std::unique_ptr<ZVDEntity> child(createItem(e.attribute(typeName).toInt()));
        if (!child) continue;
        child->setOwner(owner());
        child->loadFromXMLNode(e, names);
        add(child.release());
    }
}

void ZVDComposite::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    vdcommon::detail::writeLE<int32_t>(*stream, static_cast<int32_t>(m_children.size()));
    for (const auto& child : m_children) child->saveToStream(stream);
}

void ZVDComposite::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::doLoadFromStream(stream);
    int32_t n = 0;
    if (stream->fail() || !vdcommon::detail::readLE(*stream, n)) return;
    DepthGuard depth;
    if (n > 0 && depth.tooDeep()) {
        zvdload::markStreamFailed(*stream);
        return;
    }
    // The count is not trusted: children are read one by one until it is met or the stream fails.
    for (int32_t i = 0; i < n; ++i) {
        const int type = stream->peek();
        if (type == std::char_traits<char>::eof()) {
            zvdload::markStreamFailed(*stream);
            return;
        }
        std::unique_ptr<ZVDEntity> child(createItem(type));
        if (!child) {
            zvdload::markStreamFailed(*stream);
            return;
        }
        child->setOwner(owner());
        if (!child->loadFromStream(stream)) return;
        add(child.release());
    }
}
