// zvd: ZVDConstraint, the constraint item: kind and parameters, positions, flags, marks drawn
// through its kind, and both file forms.
#include "zvd/constraints/zvdconstraint.h"

#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>

#include <QDomDocument>
#include <QDomElement>

#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::writeLE;
using zgp::CVec2;
using zvdxml::attribute;
using zvdxml::namesOrDefault;

namespace {

const zgp::ZRegHelper<int> s_regConstraint(ZVDEntity::GetFactory(), vdiConstraint, &ZVDConstraint::CreateInstance);

// The stream's dimension block: four doubles behind their byte count.
constexpr int32_t kDimBlockBytes = 32;

bool validKind(int32_t kind) { return kind >= cdtPointOnLine && kind <= cdtMultiDistance; }

}  // namespace

ZVDEntity::SetDispLevelHelper ZVDConstraint::m_autoSetDispLevel(1);

ZVDConstraint::ZVDConstraint() = default;
ZVDConstraint::~ZVDConstraint() = default;

zgp::IBase* ZVDConstraint::CreateInstance() { return new ZVDConstraint(); }

int ZVDConstraint::displayLevel() const { return 1; }
EnVDIType ZVDConstraint::itemType() const { return vdiConstraint; }

// ---- what a constraint does not do ----

ZVDCoordData* ZVDConstraint::createCoordData() { return nullptr; }
void ZVDConstraint::setCoordData(ZVDCoordData&) {}
bool ZVDConstraint::hitSelect(const CVec2<double>&, const CVec2<double>&, double) { return false; }
bool ZVDConstraint::hitTest(const CVec2<double>&, double) { return false; }
ZVDEntity* ZVDConstraint::transform(zgp::CMatrix3<double>*) { return nullptr; }
int ZVDConstraint::gripCount() { return 0; }
CVec2<double> ZVDConstraint::grip(int) { return CVec2<double>(0, 0); }
ZVDGripType ZVDConstraint::gripType(int) { return 2; }
bool ZVDConstraint::dragGrip(int, const CVec2<double>&) { return false; }
// The box of the mark: its anchor line and the few units around the anchor point that the
// largest mark (the tangent's) reaches. An empty box would keep the drawing pass, which offers
// only items whose box meets the view, from ever painting the mark.
void ZVDConstraint::buildOutRect(zgp::CBox2<double>& box) {
    if (!m_data || !m_data->xLine()) return;
    box.SetEmpty();
    box.Add(m_data->xLine()->Box());
    const CVec2<double> t = m_data->textPos();
    box.Add(t - CVec2<double>(6, 6));
    box.Add(t + CVec2<double>(6, 10));
}
void ZVDConstraint::doDrawElastic(HDC, const ZCoordTrans&) {}

void ZVDConstraint::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (m_data) m_data->draw(hdc, trans, false);
}

void ZVDConstraint::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (m_data) m_data->draw(hdc, trans, true);
}

// ---- kind and parameters ----

void ZVDConstraint::initialize(const ZVDConstraintParams& params, ZVDConstraintDataType type) {
    if (m_data && m_data->dataType() != type) m_data.reset();
    if (m_data)
        m_data->params() = params;
    else {
        m_data.reset(ZVDConstraintData::create(type, this, params));
    }
    keysChanged();
}

void ZVDConstraint::modifyData(const ZVDConstraintParams& params, bool rebuild) {
    if (!m_data) return;
    m_data->modifyData(params);
    keysChanged();
    if (rebuild) build();
}

void ZVDConstraint::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    if (!owner() && other.owner()) setOwner(other.owner());
    auto* o = dynamic_cast<ZVDConstraint*>(&other);
    if (!o) return;
    if (o->m_data) initialize(o->m_data->params(), o->m_data->dataType());
    m_forceHide = o->m_forceHide;
}

void ZVDConstraint::setEnable(bool enable) { m_enable = enable; }

void ZVDConstraint::keysChanged() {
    if (ZVectorDrawing* d = owner()) d->constraintKeysChanged(this);
}

void ZVDConstraint::setEntityID1(int id) {
    m_data->params().entityID1 = id;
    keysChanged();
}

void ZVDConstraint::setEntityIndexID1(int index) {
    m_data->params().entityIndexID1 = index;
    keysChanged();
}

void ZVDConstraint::setEntityID2(int id) {
    m_data->params().entityID2 = id;
    keysChanged();
}

void ZVDConstraint::setEntityIndexID2(int index) {
    m_data->params().entityIndexID2 = index;
    keysChanged();
}

void ZVDConstraint::build() {
    if (m_data) m_data->build();
    rebuildOutRect();
}

bool ZVDConstraint::setConstraintValue(double value) { return m_data && m_data->setValue(value); }

std::vector<std::pair<int, int>> ZVDConstraint::refEntities() const {
    std::vector<std::pair<int, int>> refs;
    if (!m_data) return refs;
    const ZVDConstraintParams& p = m_data->params();
    refs.emplace_back(p.entityID1, p.entityIndexID1);
    if (p.entityID2 != -1 && (p.entityID2 != p.entityID1 || p.entityIndexID2 != p.entityIndexID1))
        refs.emplace_back(p.entityID2, p.entityIndexID2);
    return refs;
}

void ZVDConstraint::childConstraints(std::vector<ZVDConstraint*>& out) { out.clear(); }

void ZVDConstraint::addConstraint(zcs::ISolver2d* solver) {
    if (m_data && solver) m_data->addConstraint(solver);
}

void ZVDConstraint::releaseConstraint() {
    if (m_data) m_data->releaseObjects();
}

bool ZVDConstraint::containConstraint(const zcs::IConstraint* object) const {
    return m_data && m_data->holdsObject(object);
}

bool ZVDConstraint::refer(int id, int index) const {
    for (const auto& r : refEntities())
        if (r.first == id && r.second == index) return true;
    return false;
}

zgp::CRefPtr<zgp::CCurve2d> ZVDConstraint::xLines(int) const {
    if (!m_data || !m_data->xLine()) return zgp::CRefPtr<zgp::CCurve2d>();
    return zgp::CRefPtr<zgp::CCurve2d>(static_cast<zgp::CCurve2d*>(m_data->xLine()->Clone()));
}

// ---- positions ----

CVec2<double> ZVDConstraint::constraintPos(int i) const {
    if (!m_data || m_data->isMeasured()) return CVec2<double>(std::numeric_limits<double>::quiet_NaN(), 0);
    const ZVDConstraintDataType kind = m_data->dataType();
    if (kind == cdtCoincident || kind == cdtPinned) return m_data->params().constraintPos[0];
    return m_data->params().constraintPos[i != 0 ? 1 : 0];
}

void ZVDConstraint::setConstraintPos(int i, const CVec2<double>& p) {
    if (!m_data) return;
    const ZVDConstraintDataType kind = m_data->dataType();
    if (!m_data->isMeasured()) {
        const bool first = kind == cdtCoincident || kind == cdtPinned || i == 0;
        m_data->params().constraintPos[first ? 0 : 1] = p;
    }
    if (owner() && iD() != -1) doDataChanged(true);
}

// ---- XML ----

void ZVDConstraint::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    names = namesOrDefault(names);
    // An item without a kind (read from a file with an unknown kind number) writes kind -1 and
    // the defaults, so that it reads back the same way.
    const ZVDConstraintParams p = m_data ? m_data->params() : ZVDConstraintParams();
    zvdxml::setAttribute(element, names->constraintDataType, m_data ? int(m_data->dataType()) : -1);
    zvdxml::setAttribute(element, names->entityID1, p.entityID1);
    zvdxml::setAttribute(element, names->entityID2, p.entityID2);
    if (!names->constraintValue.empty())
        element.setAttribute(QString::fromStdWString(names->constraintValue), p.value);
    zvdxml::setAttribute(element, names->constraintRefType1, int(p.refType1));
    zvdxml::setAttribute(element, names->constraintRefType2, int(p.refType2));
    zvdxml::setAttribute(element, names->constraintRefLine,
                         zvdxml::joinReals({p.constraintPos[0].x, p.constraintPos[0].y, p.constraintPos[1].x,
                                            p.constraintPos[1].y}));
}

// Segment indices and dimension values are not in the XML form: they read as 0.
void ZVDConstraint::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    names = namesOrDefault(names);
    const int kind = zvdxml::intAttribute(element, names->constraintDataType);
    m_data.reset();
    if (!validKind(kind)) return;
    ZVDConstraintParams p;
    p.entityID1 = zvdxml::intAttribute(element, names->entityID1);
    p.entityID2 = zvdxml::intAttribute(element, names->entityID2);
    p.value = attribute(element, names->constraintValue).toDouble();
    p.refType1 = static_cast<EnDimRefType>(zvdxml::intAttribute(element, names->constraintRefType1));
    p.refType2 = static_cast<EnDimRefType>(zvdxml::intAttribute(element, names->constraintRefType2));
    const std::vector<double> pos = zvdxml::splitReals(attribute(element, names->constraintRefLine), 4);
    p.constraintPos[0] = CVec2<double>(pos[0], pos[1]);
    p.constraintPos[1] = CVec2<double>(pos[2], pos[3]);
    m_data.reset(ZVDConstraintData::create(static_cast<ZVDConstraintDataType>(kind), this, ZVDConstraintParams()));
    m_data->params() = p;
    m_data->build();
}

// ---- binary stream ----

void ZVDConstraint::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    std::iostream& s = *stream;
    const ZVDConstraintParams p = m_data ? m_data->params() : ZVDConstraintParams();
    writeLE<int32_t>(s, m_data ? int32_t(m_data->dataType()) : -1);
    writeLE<int32_t>(s, p.entityID1);
    writeLE<int32_t>(s, p.entityIndexID1);
    writeLE<int32_t>(s, p.entityID2);
    writeLE<int32_t>(s, p.entityIndexID2);
    writeLE<double>(s, p.value);
    writeLE<int32_t>(s, p.refType1);
    writeLE<int32_t>(s, p.refType2);
    for (const CVec2<double>& c : p.constraintPos) {
        writeLE<double>(s, c.x);
        writeLE<double>(s, c.y);
    }
    writeLE<int32_t>(s, kDimBlockBytes);
    for (double v : p.dimParams) writeLE<double>(s, v);
    writeLE<uint8_t>(s, m_forceHide ? 1 : 0);
}

// The fields are read into a scratch block first: a record cut short, or a dimension block of
// another size, fails the stream and leaves the item without a kind.
void ZVDConstraint::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::doLoadFromStream(stream);
    std::iostream& s = *stream;
    m_data.reset();
    if (s.fail()) return;
    int32_t kind = 0, type1 = 0, type2 = 0, blockBytes = 0;
    ZVDConstraintParams p;
    {
        FieldRun fields(s, 4 * 5 + 8 + 4 * 2 + 8 * 4 + 4);
        if (!fields.take(kind) || !fields.take(p.entityID1) || !fields.take(p.entityIndexID1) ||
            !fields.take(p.entityID2) || !fields.take(p.entityIndexID2) || !fields.take(p.value) ||
            !fields.take(type1) || !fields.take(type2) || !fields.take(p.constraintPos[0].x) ||
            !fields.take(p.constraintPos[0].y) || !fields.take(p.constraintPos[1].x) ||
            !fields.take(p.constraintPos[1].y) || !fields.take(blockBytes)) {
            s.setstate(std::ios::failbit);
            return;
        }
    }
    if (blockBytes != kDimBlockBytes) {
        s.setstate(std::ios::failbit);
        return;
    }
    uint8_t hide = 0;
    {
        FieldRun fields(s, 8 * 4 + 1);
        if (!fields.take(p.dimParams[0]) || !fields.take(p.dimParams[1]) || !fields.take(p.dimParams[2]) ||
            !fields.take(p.dimParams[3]) || !fields.take(hide)) {
            s.setstate(std::ios::failbit);
            return;
        }
    }
    p.refType1 = static_cast<EnDimRefType>(type1);
    p.refType2 = static_cast<EnDimRefType>(type2);
    m_forceHide = hide != 0;
    if (!validKind(kind)) return;
    m_data.reset(ZVDConstraintData::create(static_cast<ZVDConstraintDataType>(kind), this, ZVDConstraintParams()));
    m_data->params() = p;
}
