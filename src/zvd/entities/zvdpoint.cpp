// zvd: ZVDPoint, the point marker: position, style and size, hit tests, editing, snapshots,
// drawing as a dot or a cross, and both file forms.
#include "zvd/entities/zvdpoint.h"

#include <cmath>
#include <cstdint>
#include <iostream>

#include <QDomDocument>
#include <QDomElement>

#include "entities/zvditemgeom.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"
#include "zvd/render/zdrawfunc2d.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::writeLE;
using zgp::CBox2;
using zgp::CVec2;
using zvdxml::attribute;
using zvdxml::namesOrDefault;

namespace {

const zgp::ZRegHelper<int> s_regPoint(ZVDEntity::GetFactory(), vdiPoint, &ZVDPoint::CreateInstance);

constexpr int kWhite = 0xFFFFFF;
constexpr int kSelectedColour = 0xFF0000;
// The cross's stroke, in pixels.
constexpr int kCrossPixels = 2;

}  // namespace

ZVDIPointCoordData::~ZVDIPointCoordData() = default;

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDPoint::m_autoSetDispLevel(3);

ZVDPoint::ZVDPoint() = default;

zgp::IBase* ZVDPoint::CreateInstance() { return new ZVDPoint(); }

int ZVDPoint::displayLevel() const { return 3; }
EnVDIType ZVDPoint::itemType() const { return vdiPoint; }

// ---- attributes ----

void ZVDPoint::setInsertPt(const CVec2<double>& point) {
    if ((point - m_insertPt).SqrLength() <= zvditemgeom::kZeroDragSqr) return;
    m_insertPt = point;
    doDataChanged(true);
}

void ZVDPoint::setPointStyle(EnPointStyle style) {
    if (style == m_pointStyle) return;
    m_pointStyle = style;
    doDataChanged(false);
}

void ZVDPoint::setSize(short size) {
    if (size == m_size) return;
    m_size = size;
    doDataChanged(true);
}

void ZVDPoint::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    if (ZVDPoint* o = dynamic_cast<ZVDPoint*>(&other)) {
        m_insertPt = o->m_insertPt;
        m_pointStyle = o->m_pointStyle;
        m_size = o->m_size;
    }
}

ZVDCoordData* ZVDPoint::createCoordData() {
    auto* data = new ZVDIPointCoordData();
    data->setID(iD());
    data->insertPt = m_insertPt;
    return data;
}

void ZVDPoint::setCoordData(ZVDCoordData& data) {
    if (auto* d = dynamic_cast<ZVDIPointCoordData*>(&data)) setInsertPt(d->insertPt);
}

std::set<ZVDEPropType> ZVDPoint::propTypes() const {
    std::set<ZVDEPropType> types = ZVDEntity::propTypes();
    types.insert({vdpPointSize, vdpPointStyle});
    return types;
}

std::wstring ZVDPoint::propValue(const ZVDEPropType& type) const {
    if (type == vdpPointSize) return vdcommon::intToStr(m_size);
    if (type == vdpPointStyle) return vdcommon::intToStr(m_pointStyle);
    return ZVDEntity::propValue(type);
}

void ZVDPoint::setPropValue(const ZVDEPropType& type, const std::wstring& value) {
    if (type == vdpPointSize)
        setSize(static_cast<short>(vdcommon::strToInt(value)));
    else if (type == vdpPointStyle)
        setPointStyle(static_cast<EnPointStyle>(vdcommon::strToInt(value)));
    else
        ZVDEntity::setPropValue(type, value);
}

// ---- geometry and hit tests ----

void ZVDPoint::buildOutRect(CBox2<double>& box) {
    const double half = std::ceil(m_size / 2.0);
    box = CBox2<double>(m_insertPt.x - half, m_insertPt.y - half, m_insertPt.x + half, m_insertPt.y + half);
}

bool ZVDPoint::hitTest(const CVec2<double>& pt, double tol) {
    return pt.DistanceTo(m_insertPt) <= m_size / 2.0 + tol;
}

// Window selection (b right of a) needs the whole box inside; crossing needs the boxes to meet.
bool ZVDPoint::hitSelect(const CVec2<double>& a, const CVec2<double>& b, double tol) {
    if ((a - b).SqrLength() <= zvditemgeom::kZeroDragSqr) return hitTest(a, tol);
    const CBox2<double> sel(a, b);
    const CBox2<double> box = outRect();
    if (b.x > a.x) return sel.Contains(box, zvditemgeom::kSelectSlack);
    return sel.Overlaps(box, zvditemgeom::kSelectSlack) && zvditemgeom::isValidBox(box) &&
           zvditemgeom::isValidBox(sel);
}

void ZVDPoint::fillVertexInfoListNoRef(QList<ZVDVertexInfo>& list) { list.append(ZVDVertexInfo{m_insertPt, 0}); }

// ---- editing ----

void ZVDPoint::move(const CVec2<double>& offset) {
    m_insertPt = m_insertPt + offset;
    doDataChanged(true);
}

void ZVDPoint::rotate(const CVec2<double>& centre, double angle) {
    m_insertPt = m_insertPt.RotatedAbout(centre, angle);
    doDataChanged(true);
}

void ZVDPoint::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    m_insertPt = zvditemgeom::reflectAcross(m_insertPt, p1, p2);
    doDataChanged(true);
}

// A matrix that sends the point to infinity (w = 0) or to no number gives no item.
ZVDEntity* ZVDPoint::transform(zgp::CMatrix3<double>* matrix) {
    if (!matrix) return nullptr;
    const double(&m)[3][3] = matrix->m;
    const double x = m_insertPt.x, y = m_insertPt.y;
    const double w = x * m[0][2] + y * m[1][2] + m[2][2];
    const CVec2<double> image((x * m[0][0] + y * m[1][0] + m[2][0]) / w, (x * m[0][1] + y * m[1][1] + m[2][1]) / w);
    if (!std::isfinite(image.x) || !std::isfinite(image.y)) return nullptr;
    auto* copy = dynamic_cast<ZVDPoint*>(clone());
    if (!copy) return nullptr;
    copy->m_insertPt = image;
    copy->rebuildOutRect();
    return copy;
}

int ZVDPoint::gripCount() { return showGrip() ? 1 : 0; }
CVec2<double> ZVDPoint::grip(int) { return m_insertPt; }
ZVDGripType ZVDPoint::gripType(int) { return 2; }

bool ZVDPoint::dragGrip(int, const CVec2<double>& offset) {
    setInsertPt(m_insertPt + offset);
    return true;
}

// ---- drawing ----

void ZVDPoint::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (m_pointStyle == ptFilledDot)
        ZDrawFunc2d::fillCircle(hdc, &trans, m_insertPt, m_size / 2.0, color(), vdcommon::dmNormal, bsSolid, 0, psSolid,
                                color());
    else
        ZDrawFunc2d::drawDiagCross(hdc, &trans, m_insertPt, m_size, kCrossPixels, psSolid, color(), vdcommon::dmNormal);
}

void ZVDPoint::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    if (m_pointStyle == ptFilledDot)
        ZDrawFunc2d::fillCircle(hdc, &trans, m_insertPt, m_size / 2.0, kWhite, vdcommon::dmXor, bsClear, 1, psSolid,
                                kWhite);
    else
        ZDrawFunc2d::drawDiagCross(hdc, &trans, m_insertPt, m_size, kCrossPixels, psSolid, kWhite, vdcommon::dmXor);
}

void ZVDPoint::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (m_pointStyle == ptFilledDot)
        ZDrawFunc2d::fillCircle(hdc, &trans, m_insertPt, m_size / 2.0, kSelectedColour, vdcommon::dmNormal, bsSolid, 1,
                                psDot, kWhite);
    else
        ZDrawFunc2d::drawDiagCross(hdc, &trans, m_insertPt, m_size, kCrossPixels, psDot, kSelectedColour,
                                   vdcommon::dmNormal);
}

// ---- persistence ----

void ZVDPoint::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    names = namesOrDefault(names);
    zvdxml::setAttribute(element, names->insertPt, zvdxml::joinReals({m_insertPt.x, m_insertPt.y}));
    zvdxml::setAttribute(element, names->pointSize, static_cast<int>(m_size));
    zvdxml::setAttribute(element, names->pointStyle, static_cast<int>(m_pointStyle));
}

// Missing attributes read as 0.
void ZVDPoint::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    names = namesOrDefault(names);
    const std::vector<double> p = zvdxml::splitReals(attribute(element, names->insertPt), 2);
    m_insertPt = CVec2<double>(p[0], p[1]);
    m_size = static_cast<short>(zvdxml::intAttribute(element, names->pointSize));
    m_pointStyle = static_cast<EnPointStyle>(zvdxml::intAttribute(element, names->pointStyle));
}

void ZVDPoint::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    std::iostream& s = *stream;
    writeLE<double>(s, m_insertPt.x);
    writeLE<double>(s, m_insertPt.y);
    writeLE<int16_t>(s, m_size);
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_pointStyle));
}

// A record cut short leaves the point as it was.
void ZVDPoint::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::doLoadFromStream(stream);
    std::iostream& s = *stream;
    if (s.fail()) return;
    FieldRun fields(s, 8 + 8 + 2 + 1);
    double x = 0, y = 0;
    int16_t size = 0;
    uint8_t style = 0;
    if (!fields.take(x) || !fields.take(y) || !fields.take(size) || !fields.take(style)) return;
    m_insertPt = CVec2<double>(x, y);
    m_size = size;
    m_pointStyle = static_cast<EnPointStyle>(style);
}
