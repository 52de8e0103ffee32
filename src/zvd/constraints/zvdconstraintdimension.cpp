// zvd: ZVDConstraintDimension, the constraint dimension: its children (shapes and child
// constraints), marks, grip, properties, drawing and the stream record with child constraints.
#include "zvd/constraints/zvdconstraintdimension.h"

#include <cstdint>
#include <iostream>

#include "entities/zvdloadutil.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/constraints/zvddimensiontext.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/foundation/vdcommon.h"

using vdcommon::detail::writeLE;
using zgp::CVec2;

namespace {

const zgp::ZRegHelper<int> s_regConstraintDimension(ZVDEntity::GetFactory(), vdiConstraintDimension,
                                                    &ZVDConstraintDimension::CreateInstance);

constexpr int kDimensionColour = 32768;  // 0x008000
constexpr int kTextColour = 65280;       // 0x00ff00

bool isConstraintItem(const ZVDEntity* item) {
    return item && (item->itemType() == vdiConstraint || item->itemType() == vdiConstraintDimension);
}

void setTempTree(ZVDEntity* item, bool temp) {
    item->setTemp(temp);
    for (int i = 0; i < item->count(); ++i)
        if (ZVDEntity* child = item->items(i)) setTempTree(child, temp);
}

}  // namespace

ZVDConstraintDimension::ZVDConstraintDimension() {
    setCanEdit(true);
    setColor(kDimensionColour);
}

ZVDConstraintDimension::~ZVDConstraintDimension() {
    // The drawing is being destroyed, or the dimension was never added: children go without
    // reports.
    if (owner() && !owner()->destroying() && iD() != -1) clear();
    m_children.clear();
}

zgp::IBase* ZVDConstraintDimension::CreateInstance() { return new ZVDConstraintDimension(); }

EnVDIType ZVDConstraintDimension::itemType() const { return vdiConstraintDimension; }

ZVDConstraintDimensionData* ZVDConstraintDimension::data() const {
    return dynamic_cast<ZVDConstraintDimensionData*>(ZVDConstraint::data());
}

bool ZVDConstraintDimension::isDisplayEntity(const ZVDEntity* item) {
    if (!item) return false;
    const EnVDIType t = item->itemType();
    return t == vdiDimensionLine || t == vdiDimensionArc || t == vdiDimensionText;
}

// ---- children ----

int ZVDConstraintDimension::count() const { return static_cast<int>(m_children.size()); }

ZVDEntity* ZVDConstraintDimension::items(int index) const {
    return index >= 0 && index < count() ? m_children[static_cast<size_t>(index)].get() : nullptr;
}

int ZVDConstraintDimension::indexOf(ZVDEntity* item) const {
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i].get() == item) return static_cast<int>(i);
    return -1;
}

int ZVDConstraintDimension::indexOfId(int id) const {
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i]->iD() == id) return static_cast<int>(i);
    return -1;
}

void ZVDConstraintDimension::add(ZVDEntity* item) {
    if (!item || item == this || indexOf(item) >= 0) return;
    item->setParent(this);  // a different previous container gives it up first
    item->setShowGrip(false);
    m_children.emplace_back(item);
    doDataChanged(true);
}

void ZVDConstraintDimension::remove(ZVDEntity* item) {
    const int i = indexOf(item);
    if (i < 0) return;
    m_children[static_cast<size_t>(i)].release();
    m_children.erase(m_children.begin() + i);
    forgetShape(item);
}

void ZVDConstraintDimension::del(ZVDEntity* item) {
    const int i = indexOf(item);
    if (i >= 0) erase(i);
}

void ZVDConstraintDimension::erase(int index) {
    if (index < 0 || index >= count()) return;
    std::unique_ptr<ZVDEntity> child = std::move(m_children[static_cast<size_t>(index)]);
    m_children.erase(m_children.begin() + index);
    forgetShape(child.get());
    if (ZVectorDrawing* drawing = child->owner()) drawing->itemDeleting(child.get());
}

void ZVDConstraintDimension::forgetShape(const ZVDEntity* item) {
    if (item == m_dimLine) m_dimLine = nullptr;
    if (item == m_extLine1) m_extLine1 = nullptr;
    if (item == m_extLine2) m_extLine2 = nullptr;
    if (item == m_text) m_text = nullptr;
}

// Each child leaves as the drawing erases an item, constraints bound to it first.
void ZVDConstraintDimension::clear() {
    ZVectorDrawing* drawing = owner();
    while (!m_children.empty()) {
        ZVDEntity* child = m_children.front().get();
        if (drawing && !drawing->destroying() && child->iD() != -1) {
            if (!isConstraintItem(child)) drawing->removeRelatedConstraints(child);
            const int index = indexOf(child);
            if (index < 0) continue;  // a removed constraint took it along
            drawing->erase(this, index);
        } else {
            erase(0);
        }
    }
}

// ---- shapes ----

ZVDEntity* ZVDConstraintDimension::makeShape(int type, int colour) {
    ZVDEntity* item = createItem(type);
    if (!item) return nullptr;
    item->setOwner(owner());
    if (item->parent() && item->parent() != this) item->parent()->remove(item);
    setTempTree(item, temp());
    item->setColor(colour);
    item->setPersistent(false);
    item->setVisible(visible());
    // A dimension already in its drawing adds the shape through it (numbered and announced);
    // one still being read holds it plainly, and the drawing numbers it when the dimension joins.
    if (owner() && iD() != -1 && owner()->find(iD()) == this)
        owner()->add(this, item);
    else
        add(item);
    return item;
}

ZVDCurve* ZVDConstraintDimension::dimLine() {
    if (!m_dimLine) {
        const bool angle = ZVDConstraint::data() &&
                           (dataType() == cdtArcAngle || dataType() == cdtLineAngle);
        m_dimLine = static_cast<ZVDCurve*>(makeShape(angle ? vdiDimensionArc : vdiDimensionLine, kDimensionColour));
    }
    applyMarksToLine();
    return m_dimLine;
}

void ZVDConstraintDimension::applyMarksToLine() {
    if (!m_dimLine) return;
    m_dimLine->setStartMarkSize(m_startMarkSize);
    m_dimLine->setEndMarkSize(m_endMarkSize);
    m_dimLine->setStartMarkStyle(m_startMarkStyle);
    m_dimLine->setEndMarkStyle(m_endMarkStyle);
}

ZVDLine* ZVDConstraintDimension::extLine1() {
    if (!m_extLine1) m_extLine1 = static_cast<ZVDLine*>(makeShape(vdiDimensionLine, kDimensionColour));
    return m_extLine1;
}

ZVDLine* ZVDConstraintDimension::extLine2() {
    if (!m_extLine2) m_extLine2 = static_cast<ZVDLine*>(makeShape(vdiDimensionLine, kDimensionColour));
    return m_extLine2;
}

ZVDText* ZVDConstraintDimension::dimText() {
    if (!m_text) {
        m_text = static_cast<ZVDText*>(makeShape(vdiDimensionText, kTextColour));
        if (m_text) {
            m_text->setTransparent(false);
            m_text->setHeight(48);
            m_text->setBackColor(0);
            m_text->setHorzAlignment(haCenter);
            m_text->setVertAlignment(vaCenter);
            m_text->setAngle(0.0f);
        }
    }
    return m_text;
}

CVec2<double> ZVDConstraintDimension::dimLinePos() const {
    const ZVDConstraintDimensionData* d = data();
    return d ? d->gripPoint() : CVec2<double>(0, 0);
}

// ---- marks ----

template <class Apply>
void ZVDConstraintDimension::forChildDimensions(Apply apply) {
    for (const auto& child : m_children)
        if (child->itemType() == vdiConstraintDimension) apply(static_cast<ZVDConstraintDimension*>(child.get()));
}

void ZVDConstraintDimension::setStartMarkStyle(EnMarkStyle style) {
    if (style == m_startMarkStyle) return;
    m_startMarkStyle = style;
    doDataChanged(true);
    forChildDimensions([style](ZVDConstraintDimension* d) { d->setStartMarkStyle(style); });
}

void ZVDConstraintDimension::setEndMarkStyle(EnMarkStyle style) {
    if (style == m_endMarkStyle) return;
    m_endMarkStyle = style;
    doDataChanged(true);
    forChildDimensions([style](ZVDConstraintDimension* d) { d->setEndMarkStyle(style); });
}

void ZVDConstraintDimension::setStartMarkSize(short size) {
    if (size == m_startMarkSize) return;
    m_startMarkSize = size;
    doDataChanged(true);
    forChildDimensions([size](ZVDConstraintDimension* d) { d->setStartMarkSize(size); });
}

void ZVDConstraintDimension::setEndMarkSize(short size) {
    if (size == m_endMarkSize) return;
    m_endMarkSize = size;
    doDataChanged(true);
    forChildDimensions([size](ZVDConstraintDimension* d) { d->setEndMarkSize(size); });
}

// ---- constraint behaviour ----

void ZVDConstraintDimension::setEnable(bool enable) {
    for (const auto& child : m_children)
        if (isConstraintItem(child.get())) static_cast<ZVDConstraint*>(child.get())->setEnable(enable);
    ZVDConstraint::setEnable(enable);
}

std::vector<std::pair<int, int>> ZVDConstraintDimension::refEntities() const {
    std::vector<std::pair<int, int>> refs = ZVDConstraint::refEntities();
    for (const auto& child : m_children) {
        if (!isConstraintItem(child.get())) continue;
        for (const auto& r : static_cast<const ZVDConstraint*>(child.get())->refEntities())
            if (std::find(refs.begin(), refs.end(), r) == refs.end()) refs.push_back(r);
    }
    return refs;
}

void ZVDConstraintDimension::childConstraints(std::vector<ZVDConstraint*>& out) {
    for (const auto& child : m_children)
        if (isConstraintItem(child.get())) out.push_back(static_cast<ZVDConstraint*>(child.get()));
}

void ZVDConstraintDimension::updateValue() {
    ZVDConstraintDimensionData* d = data();
    setVisible(d && d->updateValue());
}

void ZVDConstraintDimension::updateVisibleState() {
    ZVDConstraintDimensionData* d = data();
    setVisible(d && d->isValidValue());
}

bool ZVDConstraintDimension::isValidValue() const {
    ZVDConstraintDimensionData* d = data();
    return d && d->isValidValue();
}

void ZVDConstraintDimension::placeFromPosition() {
    ZVDConstraintDimensionData* d = data();
    if (!d) return;
    const double value = d->params().value;
    d->modifyData(d->params());
    d->params().value = value;
}

// ---- grip ----

int ZVDConstraintDimension::gripCount() { return showGrip() && data() ? 1 : 0; }
CVec2<double> ZVDConstraintDimension::grip(int) { return dimLinePos(); }
ZVDGripType ZVDConstraintDimension::gripType(int) { return 2; }

bool ZVDConstraintDimension::dragGrip(int, const CVec2<double>& p) {
    ZVDConstraintDimensionData* d = data();
    if (!d) return false;
    ZVDConstraintParams params = d->params();
    params.constraintPos[0] = p;
    d->modifyData(params);
    build();
    return true;
}

// ---- properties ----

std::set<ZVDEPropType> ZVDConstraintDimension::propTypes() const {
    return {vdpExtData, vdpColor, vdpDimStartMarkStyle, vdpDimEndMarkStyle, vdpDimStartMarkSize, vdpDimEndMarkSize};
}

std::wstring ZVDConstraintDimension::propValue(const ZVDEPropType& type) const {
    switch (type) {
    case vdpDimStartMarkStyle: return vdcommon::intToStr(m_startMarkStyle);
    case vdpDimEndMarkStyle: return vdcommon::intToStr(m_endMarkStyle);
    case vdpDimStartMarkSize: return vdcommon::intToStr(m_startMarkSize);
    case vdpDimEndMarkSize: return vdcommon::intToStr(m_endMarkSize);
    case vdpExtData:
    case vdpColor: return ZVDEntity::propValue(type);
    default: return std::wstring();
    }
}

void ZVDConstraintDimension::setPropValue(const ZVDEPropType& type, const std::wstring& value) {
    const int n = vdcommon::strToInt(value);
    switch (type) {
    case vdpDimStartMarkStyle: setStartMarkStyle(static_cast<EnMarkStyle>(n)); break;
    case vdpDimEndMarkStyle: setEndMarkStyle(static_cast<EnMarkStyle>(n)); break;
    case vdpDimStartMarkSize: setStartMarkSize(static_cast<short>(n)); break;
    case vdpDimEndMarkSize: setEndMarkSize(static_cast<short>(n)); break;
    case vdpExtData:
    case vdpColor: ZVDEntity::setPropValue(type, value); break;
    default: break;
    }
}

// ---- copies ----

void ZVDConstraintDimension::assign(ZVDEntity& other) {
    ZVDConstraint::assign(other);
    for (const auto& child : m_children) child->setOwner(owner());
    auto* o = dynamic_cast<ZVDConstraintDimension*>(&other);
    if (!o) return;
    if (m_children.empty()) {
        for (const auto& child : o->m_children) {
            if (isDisplayEntity(child.get())) continue;  // build() remakes the shapes
            if (ZVDEntity* copy = child->clone()) add(copy);
        }
    } else {
        for (size_t i = 0; i < m_children.size() && i < o->m_children.size(); ++i)
            m_children[i]->assign(*o->m_children[i]);
    }
    setStartMarkStyle(o->m_startMarkStyle);
    setEndMarkStyle(o->m_endMarkStyle);
    setStartMarkSize(o->m_startMarkSize);
    setEndMarkSize(o->m_endMarkSize);
    if (ZVDConstraint::data()) setConstraintValue(params().value);
}

// ---- drawing and box ----

void ZVDConstraintDimension::draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) {
    ZVDConstraint::draw(hdc, trans, elastic, level);
    for (const auto& child : m_children)
        if (child->visible()) child->draw(hdc, trans, elastic, level);
}

void ZVDConstraintDimension::buildOutRect(zgp::CBox2<double>& box) {
    ZVDConstraint::buildOutRect(box);
    for (const auto& child : m_children) {
        const zgp::CBox2<double> b = child->outRect();
        if (!isEmptyBox(b)) box.Add(b);
    }
}

// ---- stream ----

// After the constraint's fields: the marks, then (format 3.4 on) the child constraints' records.
void ZVDConstraintDimension::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDConstraint::saveToStream(stream);
    std::iostream& s = *stream;
    writeLE<int16_t>(s, m_startMarkSize);
    writeLE<int16_t>(s, m_endMarkSize);
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_startMarkStyle));
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_endMarkStyle));
    if (!fileFormat().dimensionChildRecords()) return;
    std::vector<ZVDConstraint*> children;
    childConstraints(children);
    writeLE<int32_t>(s, static_cast<int32_t>(children.size()));
    for (ZVDConstraint* c : children) c->saveToStream(stream);
}

// The child count is not trusted: records are read one by one until it is met or the stream
// fails; a record that is not a constraint, or nesting past the loaders' limit, fails it.
void ZVDConstraintDimension::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    ZVDConstraint::doLoadFromStream(stream);
    std::iostream& s = *stream;
    if (s.fail()) return;
    int16_t startSize = 0, endSize = 0;
    uint8_t startStyle = 0, endStyle = 0;
    {
        vdcommon::detail::FieldRun fields(s, 2 + 2 + 1 + 1);
        if (!fields.take(startSize) || !fields.take(endSize) || !fields.take(startStyle) || !fields.take(endStyle)) {
            zvdload::markStreamFailed(s);
            return;
        }
    }
    m_startMarkSize = startSize;
    m_endMarkSize = endSize;
    m_startMarkStyle = static_cast<EnMarkStyle>(startStyle);
    m_endMarkStyle = static_cast<EnMarkStyle>(endStyle);
    if (!fileFormat().dimensionChildRecords()) return;
    int32_t n = 0;
    if (!vdcommon::detail::readLE(s, n)) return;
    zvdload::DepthGuard depth;
    if (n > 0 && depth.tooDeep()) {
        zvdload::markStreamFailed(s);
        return;
    }
    for (int32_t i = 0; i < n; ++i) {
        const int type = s.peek();
        if (type != vdiConstraint && type != vdiConstraintDimension) {
            zvdload::markStreamFailed(s);
            return;
        }
        std::unique_ptr<ZVDEntity> child(createItem(type));
        if (!child) {
            zvdload::markStreamFailed(s);
            return;
        }
        child->setOwner(owner());
        if (!child->loadFromStream(stream)) return;
        add(child.release());
    }
}
