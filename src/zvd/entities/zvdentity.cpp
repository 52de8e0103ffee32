// zvd: ZVDEntity's common behaviour: identifiers, change reports, setters, boxes, persistence
// of the common fields and the shared class factory.
#include "zvd/entities/zvdentity.h"

#include <cstdint>
#include <iostream>
#include <limits>

#include <QDomDocument>
#include <QDomElement>
#include <QDomText>

#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/tolerance.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::writeLE;
using zgp::CBox2;
using zgp::CVec2;
using zvdxml::attribute;
using zvdxml::hasAttribute;
using zvdxml::namesOrDefault;
using zvdxml::setAttribute;

namespace {

// Only the element's own text nodes: a container's child elements carry their own text.
std::wstring ownText(const QDomElement& e) {
    QString text;
    for (QDomNode n = e.firstChild(); !n.isNull(); n = n.nextSibling())
        if (n.isText() || n.isCDATASection()) text += n.toText().data();
    return text.toStdWString();
}

}  // namespace

ZVDCoordData::~ZVDCoordData() = default;

// ---- registry ----

zgp::ZObjectFactory<int>* ZVDEntity::s_pClassFactory = nullptr;
ZVDEntity::RegClearHelper ZVDEntity::m_autoRegClear;

zgp::ZObjectFactory<int>* ZVDEntity::GetFactory() {
    // Item classes register from their own static objects, possibly before this file's statics
    // are set up; the pointer is zero-initialised, so creating it on demand is always safe.
    if (!s_pClassFactory) s_pClassFactory = new zgp::ZObjectFactory<int>();
    return s_pClassFactory;
}

ZVDEntity* ZVDEntity::createItem(int type) {
    zgp::IBase* object = GetFactory()->CreateObject(type);
    ZVDEntity* item = dynamic_cast<ZVDEntity*>(object);
    if (!item) delete object;
    return item;
}

ZVDEntity::RegClearHelper::~RegClearHelper() {
    delete s_pClassFactory;
    s_pClassFactory = nullptr;
}

// ---- construction and identity ----

ZVDEntity::ZVDEntity() = default;
ZVDEntity::~ZVDEntity() = default;

void ZVDEntity::createId() {
    if (m_owner) {
        if (m_iD == -1) {
            assignFreshId();
        } else {
            ZVDEntity* holder = m_owner->find(m_iD);
            if (holder && holder != this)
                assignFreshId();
            else if (m_owner->maxID() <= m_iD)
                // A stored identifier of INT_MAX leaves the counter there rather than overflowing.
                m_owner->setMaxID(m_iD < std::numeric_limits<int>::max() ? m_iD + 1 : m_iD);
        }
    }
    for (int i = 0; i < count(); ++i)
        if (ZVDEntity* child = items(i)) child->createId();
}

// Non-persistent items take identifiers from -3 downwards so they never meet saved ones.
void ZVDEntity::assignFreshId() {
    const int n = m_owner->newID();
    m_iD = m_persistent ? n : -3 - n;
}

void ZVDEntity::setOwner(ZVectorDrawing* owner) {
    m_owner = owner;
    for (int i = 0; i < count(); ++i)
        if (ZVDEntity* child = items(i)) child->setOwner(owner);
}

void ZVDEntity::setParent(ZVDEntity* parent) {
    if (m_parent && m_parent != parent) m_parent->remove(this);
    m_parent = parent;
}

const ZVDFormatVersion& ZVDEntity::fileFormat(const ZXMLAttrNames* names) const {
    if (m_owner) return m_owner->format();
    return names ? names->format() : ZVDFormatVersion::current();
}

void ZVDEntity::setLayer(ZVDLayer* layer) {
    m_layer = layer;
    for (int i = 0; i < count(); ++i)
        if (ZVDEntity* child = items(i)) child->setLayer(layer);
}

// ---- reports and setters ----

void ZVDEntity::doDataChanged(bool resetOutRect) {
    if (resetOutRect) m_outRect.SetEmpty();
    if (m_owner && m_iD != -1) m_owner->doDataChanged(this, false);
}

void ZVDEntity::doStateChanged() {
    if (m_owner) m_owner->doStateChanged(this);
}

void ZVDEntity::setColor(int color) {
    if (color == m_color) return;
    m_color = color;
    doDataChanged(true);
}

void ZVDEntity::setExtData(const std::wstring& data) {
    if (data == m_extData) return;
    m_extData = data;
    doDataChanged(true);
}

void ZVDEntity::setHighLight(bool highLight) {
    if (highLight == m_highLight) return;
    m_highLight = highLight;
    doStateChanged();
}

void ZVDEntity::setSelected(bool selected) {
    m_selected = selected;
    for (int i = 0; i < count(); ++i)
        if (ZVDEntity* child = items(i)) child->setSelected(selected);
    if (m_owner) m_owner->notify(vdnSelectionSet, this, nullptr);
}

void ZVDEntity::setVisible(bool visible) {
    m_visible = visible;
    for (int i = 0; i < count(); ++i)
        if (ZVDEntity* child = items(i)) child->setVisible(visible);
    if (m_owner) m_owner->notify(vdnVisibilitySet, this, nullptr);
}

void ZVDEntity::setTemp(bool temp) {
    m_temp = temp;
    for (int i = 0; i < count(); ++i)
        if (ZVDEntity* child = items(i)) child->setTemp(temp);
}

// ---- default virtual behaviour ----

void ZVDEntity::assign(ZVDEntity& other) {
    m_color = other.m_color;
    m_extData = other.m_extData;
    m_outRect = other.m_outRect;
    m_tag = other.m_tag;
    m_layer = other.m_layer;
    m_relationID = other.m_relationID;
    m_enableType = other.m_enableType;
    m_currentScale = other.m_currentScale;
}

ZVDEntity* ZVDEntity::clone() {
    ZVDEntity* copy = createItem(itemType());
    if (!copy) return nullptr;
    copy->assign(*this);
    copy->m_iD = m_iD;
    return copy;
}

void ZVDEntity::draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) {
    if (level != -1 && level != displayLevel()) return;
    if (elastic)
        doDrawElastic(hdc, trans);
    else if (m_selected)
        doDrawSelected(hdc, trans);
    else
        doDrawNormal(hdc, trans);
}

bool ZVDEntity::hasTextAttr() const { return itemType() == vdiText; }
bool ZVDEntity::hitSelect(const CVec2<double>&, const CVec2<double>&, double) { return false; }
bool ZVDEntity::hitTest(const CVec2<double>&, double) { return false; }
bool ZVDEntity::pastable() const { return true; }
void ZVDEntity::move(const CVec2<double>&) {}
void ZVDEntity::rotate(const CVec2<double>&, double) {}
void ZVDEntity::mirror(const CVec2<double>&, const CVec2<double>&) {}
void ZVDEntity::doStretch(const CBox2<double>&, const CVec2<double>&) {}

std::set<ZVDEPropType> ZVDEntity::propTypes() const { return {vdpExtData, vdpColor}; }

std::wstring ZVDEntity::propValue(const ZVDEPropType& type) const {
    switch (type) {
    case vdpExtData:
        return m_extData;
    case vdpColor:
        return vdcommon::intToStr(m_color);
    default:
        return std::wstring();
    }
}

void ZVDEntity::setPropValue(const ZVDEPropType& type, const std::wstring& value) {
    switch (type) {
    case vdpExtData:
        setExtData(value);
        break;
    case vdpColor:
        setColor(vdcommon::strToInt(value));
        break;
    default:
        break;
    }
}

int ZVDEntity::count() const { return 0; }
void ZVDEntity::add(ZVDEntity*) {}
void ZVDEntity::del(ZVDEntity*) {}
void ZVDEntity::remove(ZVDEntity*) {}
int ZVDEntity::indexOf(ZVDEntity*) const { return -1; }
int ZVDEntity::indexOfId(int) const { return -1; }
void ZVDEntity::erase(int) {}
ZVDEntity* ZVDEntity::items(int) const { return nullptr; }
void ZVDEntity::clear() {}

// ---- bounding box and stretch ----

bool ZVDEntity::isEmptyBox(const CBox2<double>& box) {
    return box.max.x + 1e-12 < box.min.x || box.max.y + 1e-12 < box.min.y;
}

CBox2<double> ZVDEntity::outRect() {
    if (isEmptyBox(m_outRect)) buildOutRect(m_outRect);
    return m_outRect;
}

void ZVDEntity::rebuildOutRect() { m_outRect.SetEmpty(); }

void ZVDEntity::stretch(const CBox2<double>& box, const CVec2<double>& offset) {
    const CBox2<double> r = outRect();
    CBox2<double> wide = box;
    wide.Inflate(zgp::g_DistEpsilon);
    const bool inside =
        r.min.x >= wide.min.x && r.max.x <= wide.max.x && r.min.y >= wide.min.y && r.max.y <= wide.max.y;
    if (inside)
        move(offset);
    else
        doStretch(box, offset);
}

// ---- persistence ----

void ZVDEntity::loadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    doLoadFromXMLNode(element, names);
    doDataChanged(true);
}

bool ZVDEntity::loadFromStream(std::iostream* stream) {
    if (!stream) return false;
    doLoadFromStream(stream);
    doDataChanged(true);
    return !stream->fail();
}

void ZVDEntity::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    setAttribute(element, names->itemType, static_cast<int>(itemType()));
    setAttribute(element, names->id, m_iD);
    setAttribute(element, names->blockTypeID, m_blockTypeID);
    setAttribute(element, names->blockID, m_blockID);
    setAttribute(element, names->layerID, m_layer ? m_layer->iD() : -1);
    setAttribute(element, names->color, m_color);
    setAttribute(element, names->relationID, m_relationID);
    setAttribute(element, names->enableType, m_enableType);
    if (!m_extData.empty())
        element.appendChild(element.ownerDocument().createTextNode(QString::fromStdWString(m_extData)));
}

// Missing integer attributes read as 0, except the block fields, which keep their values.
void ZVDEntity::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    m_iD = attribute(element, names->id).toInt();
    if (hasAttribute(element, names->blockTypeID)) m_blockTypeID = attribute(element, names->blockTypeID).toInt();
    if (hasAttribute(element, names->blockID)) m_blockID = attribute(element, names->blockID).toInt();
    if (m_owner && m_owner->layers()) setLayer(m_owner->layers()->itemByID(attribute(element, names->layerID).toInt()));
    m_color = attribute(element, names->color).toInt();
    m_extData = ownText(element);
    m_relationID = attribute(element, names->relationID).toInt();
    m_enableType = attribute(element, names->enableType).toInt();
}

void ZVDEntity::saveToStream(std::iostream* stream) {
    if (!stream) return;
    std::iostream& s = *stream;
    writeLE<uint8_t>(s, static_cast<uint8_t>(static_cast<int>(itemType()) & 0xff));
    writeLE<int32_t>(s, m_iD);
    writeLE<int32_t>(s, m_blockTypeID);
    writeLE<int32_t>(s, m_blockID);
    writeLE<int32_t>(s, m_layer ? m_layer->iD() : -1);
    writeLE<int32_t>(s, m_color);
    vdcommon::saveUtf8StringToStream(m_extData, s, 4);
    writeLE<int32_t>(s, m_relationID);
    writeLE<int32_t>(s, m_enableType);
    writeLE<double>(s, m_currentScale);
}

// The item's file format decides which fields the record holds; without an owner the current
// layout is read and no layer is looked up.
void ZVDEntity::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    std::iostream& s = *stream;
    const ZVectorDrawing* o = m_owner;
    const ZVDFormatVersion& format = fileFormat();

    // The fixed head (type, identifier, block fields, layer, colour) in one request.
    FieldRun head(s, 1 + 4 + (format.hasBlockFields() ? 4 + 4 : 0) + 4 + 4);
    uint8_t type = 0;
    int32_t id = 0, layerId = -1, color = 0;
    if (!head.take(type) || !head.take(id)) return;
    m_iD = id;
    if (format.hasBlockFields()) {
        int32_t blockType = 0, blockId = 0;
        if (!head.take(blockType) || !head.take(blockId)) return;
        m_blockTypeID = blockType;
        m_blockID = blockId;
    }
    if (!head.take(layerId) || !head.take(color)) return;
    m_color = color;
    if (!format.hasExtData())
        m_extData.clear();
    else if (format.ansiStrings())
        m_extData = vdcommon::loadAnsiStringFromStream(s, 4);
    else
        m_extData = vdcommon::loadUtf8StringFromStream(s, 4);
    if (s.fail()) return;
    if (o && o->layers()) setLayer(o->layers()->itemByID(layerId));
    // The fixed tail (relation, enabling mode, scale, as the format holds them) in one request.
    FieldRun tail(
        s, (format.hasRelationID() ? 4 : 0) + (format.hasEnableType() ? 4 : 0) + (format.hasCurrentScale() ? 8 : 0));
    if (format.hasRelationID()) {
        int32_t relation = 0;
        if (!tail.take(relation)) return;
        m_relationID = relation;
    } else {
        m_relationID = -1;
    }
    if (format.hasEnableType()) {
        int32_t enable = 0;
        if (!tail.take(enable)) return;
        m_enableType = enable;
    }
    if (format.hasCurrentScale()) {
        double scale = 0;
        if (!tail.take(scale)) return;
        m_currentScale = scale;
    }
}
