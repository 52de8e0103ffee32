// zvd: ZVDBlockReference: transformed copies of a block definition's items for drawing, hit tests
// and the box; matrix editing, grips, snapshots and both file forms.
#include "zvd/entities/zvdblockreference.h"

#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <vector>

#include <QDomElement>

#include "entities/zvdloadutil.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/foundation/vdcommon.h"

using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CBox2;
using zgp::CMatrix3;
using zgp::CVec2;

namespace {

const zgp::ZRegHelper<int> s_regBlockReference(ZVDEntity::GetFactory(), vdiBlockReference,
                                               &ZVDBlockReference::CreateInstance);

// Literal attribute names, the same in the long and the short name sets.
const QString kBlockDefinitionAttr = QStringLiteral("BDID");
const QString kTransformAttr = QStringLiteral("Transform");
const QString kBoundaryAttr = QStringLiteral("Boundary");

// Definitions being expanded on this thread, outermost first. A definition already listed is
// not expanded again (a cycle), and nesting ends at kMaxNesting. Definitions that each show the
// next one several times multiply the copies with every level, so one outermost request makes
// at most kMaxCopies copies in all; the rest show nothing.
constexpr size_t kMaxNesting = 32;
constexpr long kMaxCopies = 100000;
thread_local std::vector<const ZVDBlockDefinition*> t_expanding;
thread_local long t_copies = 0;

class Expansion {
public:
    explicit Expansion(const ZVDBlockDefinition* definition) {
        for (const ZVDBlockDefinition* d : t_expanding)
            if (d == definition) return;
        if (t_expanding.size() >= kMaxNesting) return;
        if (t_expanding.empty()) t_copies = 0;
        t_expanding.push_back(definition);
        m_entered = true;
    }
    // Counts one more copy; false once the request has made its share.
    static bool mayCopy() { return ++t_copies <= kMaxCopies; }
    ~Expansion() {
        if (m_entered) t_expanding.pop_back();
    }
    Expansion(const Expansion&) = delete;
    Expansion& operator=(const Expansion&) = delete;
    bool entered() const { return m_entered; }

private:
    bool m_entered = false;
};

// The reflection across the line through p1 and p2 on row vectors; an axis shorter than the
// smallest double step runs along x, as a text's mirror takes it.
CMatrix3<double> reflection(const CVec2<double>& p1, const CVec2<double>& p2) {
    CVec2<double> axis = p2 - p1;
    if (axis.Length() < 2.220446049250313e-16) axis = CVec2<double>(1, 0);
    return CMatrix3<double>::Mirror(p1, p1 + axis);
}

}  // namespace

ZVDBlockReferenceCoordData::~ZVDBlockReferenceCoordData() = default;

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDBlockReference::m_autoSetDispLevel(2);

ZVDBlockReference::ZVDBlockReference() = default;
ZVDBlockReference::~ZVDBlockReference() = default;

zgp::IBase* ZVDBlockReference::CreateInstance() { return new ZVDBlockReference(); }

int ZVDBlockReference::displayLevel() const { return 2; }
EnVDIType ZVDBlockReference::itemType() const { return vdiBlockReference; }

void ZVDBlockReference::setTransformMatrix(const CMatrix3<double>* matrix) {
    if (matrix) m_matrix = *matrix;
}

ZVDBlockDefinition* ZVDBlockReference::lookUpDefinition(int id) const {
    ZVectorDrawing* drawing = owner();
    if (!drawing || !drawing->blockDefinitionTable()) return nullptr;
    return drawing->blockDefinitionTable()->itemByID(id);
}

void ZVDBlockReference::changed() { doDataChanged(true); }

// ---- copies ----

bool ZVDBlockReference::placeable() const {
    for (int i = 0; i < 9; ++i)
        if (!std::isfinite(m_matrix.Get(i))) return false;
    const double det = m_matrix[0][0] * m_matrix[1][1] - m_matrix[0][1] * m_matrix[1][0];
    return m_matrix[2][2] != 0 && det != 0 && std::isfinite(det);
}

template <class Visit>
bool ZVDBlockReference::forEachCopy(Visit visit) {
    if (!m_definition || m_definition->count() == 0 || !placeable()) return false;
    const Expansion expansion(m_definition);
    if (!expansion.entered()) return false;
    CMatrix3<double> matrix = m_matrix;
    for (int i = 0; i < m_definition->count(); ++i) {
        ZVDEntity* item = m_definition->items(i);
        if (!item) continue;
        if (!Expansion::mayCopy()) return false;
        std::unique_ptr<ZVDEntity> copy(item->transform(&matrix));
        if (!copy) continue;
        // A copy belongs to no drawing, so that nothing done to it reaches the drawing's reports.
        copy->setOwner(nullptr);
        if (visit(*copy)) return true;
    }
    return false;
}

void ZVDBlockReference::buildOutRect(CBox2<double>& box) {
    box.SetEmpty();
    forEachCopy([&box](ZVDEntity& copy) {
        copy.rebuildOutRect();
        const CBox2<double> r = copy.outRect();
        if (isEmptyBox(r)) return false;
        box.min.x = std::min(box.min.x, r.min.x);
        box.min.y = std::min(box.min.y, r.min.y);
        box.max.x = std::max(box.max.x, r.max.x);
        box.max.y = std::max(box.max.y, r.max.y);
        return false;
    });
}

bool ZVDBlockReference::hitTest(const CVec2<double>& pt, double tol) {
    return forEachCopy([&](ZVDEntity& copy) { return copy.hitTest(pt, tol); });
}

bool ZVDBlockReference::hitSelect(const CVec2<double>& p1, const CVec2<double>& p2, double tol) {
    return forEachCopy([&](ZVDEntity& copy) { return copy.hitSelect(p1, p2, tol); });
}

void ZVDBlockReference::draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) {
    ZVDEntity::draw(hdc, trans, elastic, level);
    const bool isSelected = selected();
    forEachCopy([&](ZVDEntity& copy) {
        copy.setSelected(isSelected);
        copy.draw(hdc, trans, elastic, level);
        return false;
    });
}

void ZVDBlockReference::doDrawElastic(HDC, const ZCoordTrans&) {}
void ZVDBlockReference::doDrawNormal(HDC, const ZCoordTrans&) {}
void ZVDBlockReference::doDrawSelected(HDC, const ZCoordTrans&) {}

// ---- editing ----

void ZVDBlockReference::move(const CVec2<double>& offset) {
    m_matrix = m_matrix * CMatrix3<double>::Translation(offset);
    changed();
}

void ZVDBlockReference::rotate(const CVec2<double>& centre, double angle) {
    m_matrix = m_matrix * CMatrix3<double>::Rotation(centre, angle);
    changed();
}

void ZVDBlockReference::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    m_matrix = m_matrix * reflection(p1, p2);
    changed();
}

int ZVDBlockReference::gripCount() { return showGrip() ? 1 : 0; }

CVec2<double> ZVDBlockReference::grip(int) {
    const double w = m_matrix[2][2];
    if (w == 0) return CVec2<double>(m_matrix[2][0], m_matrix[2][1]);
    return CVec2<double>(m_matrix[2][0] / w, m_matrix[2][1] / w);
}

ZVDGripType ZVDBlockReference::gripType(int) { return 2; }

bool ZVDBlockReference::dragGrip(int, const CVec2<double>& offset) {
    if (m_clipBoundary) m_clipBoundary->Move(offset);
    m_matrix = m_matrix * CMatrix3<double>::Translation(offset);
    changed();
    return true;
}

ZVDEntity* ZVDBlockReference::transform(CMatrix3<double>* matrix) {
    if (!matrix) return nullptr;
    std::unique_ptr<ZVDEntity> copy(clone());
    auto* reference = dynamic_cast<ZVDBlockReference*>(copy.get());
    if (!reference) return nullptr;
    if (reference->m_clipBoundary && !reference->m_clipBoundary->Transform(zgp::CMatrix4<double>::FromMatrix3(*matrix)))
        return nullptr;
    reference->m_matrix = reference->m_matrix * *matrix;
    reference->rebuildOutRect();
    return copy.release();
}

// ---- copies and snapshots ----

void ZVDBlockReference::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    auto* o = dynamic_cast<ZVDBlockReference*>(&other);
    if (!o) return;
    m_definition = o->m_definition;
    m_clipBoundary.Reset(o->m_clipBoundary ? o->m_clipBoundary->Clone() : nullptr);
    m_matrix = o->m_matrix;
}

ZVDCoordData* ZVDBlockReference::createCoordData() {
    auto* data = new ZVDBlockReferenceCoordData();
    data->setID(iD());
    data->blockDefinitionID = m_definition ? m_definition->iD() : -1;
    data->clipBoundary.Reset(m_clipBoundary ? m_clipBoundary->Clone() : nullptr);
    data->matrix = m_matrix;
    return data;
}

void ZVDBlockReference::setCoordData(ZVDCoordData& data) {
    auto* d = dynamic_cast<ZVDBlockReferenceCoordData*>(&data);
    if (!d) return;
    m_definition = lookUpDefinition(d->blockDefinitionID);
    m_clipBoundary.Reset(d->clipBoundary ? d->clipBoundary->Clone() : nullptr);
    m_matrix = d->matrix;
    changed();
}

// ---- persistence ----

void ZVDBlockReference::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    element.setAttribute(kBlockDefinitionAttr, m_definition ? m_definition->iD() : -1);
    element.setAttribute(kTransformAttr, vdcommon::matrixToString(&m_matrix));
    if (m_clipBoundary) element.setAttribute(kBoundaryAttr, vdcommon::polygonToString(m_clipBoundary.Get()));
}

void ZVDBlockReference::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    m_definition = lookUpDefinition(element.attribute(kBlockDefinitionAttr).toInt());
    std::unique_ptr<CMatrix3<double>> matrix(vdcommon::stringToMatrix(element.attribute(kTransformAttr)));
    if (matrix) m_matrix = *matrix;
    m_clipBoundary.Reset();
    if (element.hasAttribute(kBoundaryAttr))
        m_clipBoundary.Reset(vdcommon::stringToPolygon(element.attribute(kBoundaryAttr)));
}

void ZVDBlockReference::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    std::iostream& s = *stream;
    writeLE<int32_t>(s, m_definition ? m_definition->iD() : -1);
    vdcommon::saveMatrixToStream(&m_matrix, s);
    writeLE<uint8_t>(s, m_clipBoundary ? 1 : 0);
    if (m_clipBoundary) vdcommon::savePolygonToStream(m_clipBoundary.Get(), s);
}

void ZVDBlockReference::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::doLoadFromStream(stream);
    std::iostream& s = *stream;
    if (s.fail()) return;
    int32_t id = -1;
    if (!readLE(s, id)) return;
    m_definition = lookUpDefinition(id);
    if (!vdcommon::loadMatrixFromStream(&m_matrix, s)) return;
    uint8_t hasBoundary = 0;
    if (!readLE(s, hasBoundary)) return;
    m_clipBoundary.Reset();
    if (hasBoundary == 0) return;
    zgp::CRefPtr<zgp::CPolygon> boundary(new zgp::CPolygon());
    if (!vdcommon::loadPolygonFromStream(boundary.Get(), s)) {
        zvdload::markStreamFailed(s);
        return;
    }
    m_clipBoundary = boundary;
}
