// zvd: ZVDHatch, the filled area: polygons painted through the fill primitive, hit tests
// against the kernel's position tests, editing, and the XML and stream forms of every version.
#include "zvd/entities/zvdhatch.h"

#include <cstdint>
#include <functional>
#include <string>
#include <iostream>

#include <QDomDocument>
#include <QDomElement>

#include "entities/zvditemgeom.h"
#include "entities/zvdloadutil.h"
#include "entities/zvdvertexrecords.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/line2d.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CBox2;
using zgp::CPolygon;
using zgp::CRefPtr;
using zgp::CVec2;

namespace {

const zgp::ZRegHelper<int> s_regHatch(ZVDEntity::GetFactory(), vdiHatch, &ZVDHatch::CreateInstance);

const std::wstring kHatchVersion = L"HatchVersion";
constexpr int kSelectedColour = 0xFF0000;
constexpr int kWhite = 0xFFFFFF;

CRefPtr<CPolygon> copyOf(const CPolygon* p) { return CRefPtr<CPolygon>(p ? new CPolygon(*p) : nullptr); }

// Hash of the polygons' kernel text: tells whether they changed since they were read.
size_t formHash(const std::vector<CRefPtr<CPolygon>>& polygons) {
    std::string all;
    for (const auto& p : polygons) all += p->AsString();
    return std::hash<std::string>()(all);
}

}  // namespace

ZVDIHatchCoordData::~ZVDIHatchCoordData() = default;

ZVDEntity::SetDispLevelHelper ZVDHatch::m_autoSetDispLevel(0);

ZVDHatch::ZVDHatch() = default;
ZVDHatch::~ZVDHatch() = default;

zgp::IBase* ZVDHatch::CreateInstance() { return new ZVDHatch(); }
int ZVDHatch::displayLevel() const { return 0; }
EnVDIType ZVDHatch::itemType() const { return vdiHatch; }

// ---- polygons ----

void ZVDHatch::saveReleasePolygon() {
    m_polygons.clear();
    m_readTexts.clear();
    m_readRecords.clear();
}

void ZVDHatch::polygonsChanged() { doDataChanged(true); }

void ZVDHatch::setFillStyle(const EnBrushStyle& style) {
    m_fillStyle = style;
    doDataChanged(true);
}

void ZVDHatch::setXPoly(zgp::CLoop& loop) {
    saveReleasePolygon();
    auto* p = new CPolygon();
    p->AddLoop(new zgp::CLoop(loop), true);
    m_polygons.emplace_back(p);
    polygonsChanged();
}

void ZVDHatch::setXPoly(std::vector<CPolygon*>& polygons) {
    saveReleasePolygon();
    for (const CPolygon* p : polygons)
        if (p) m_polygons.push_back(copyOf(p));
    polygonsChanged();
}

zgp::CLoop* ZVDHatch::xPoly() const {
    if (m_polygons.empty() || m_polygons[0]->LoopCount() == 0) return nullptr;
    return m_polygons[0]->GetLoop(0);
}

void ZVDHatch::getPolygon(std::vector<CPolygon*>& out) const {
    for (const auto& p : m_polygons) out.push_back(p.Get());
}

void ZVDHatch::buildOutRect(CBox2<double>& box) {
    box.SetEmpty();
    for (const auto& p : m_polygons) {
        const CBox2<double> b = p->Box();
        if (!isEmptyBox(b)) box.Add(b);
    }
}

// ---- copies and snapshots ----

void ZVDHatch::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    auto* o = dynamic_cast<ZVDHatch*>(&other);
    if (!o) return;
    m_fillStyle = o->m_fillStyle;
    saveReleasePolygon();
    for (const auto& p : o->m_polygons) m_polygons.push_back(copyOf(p.Get()));
    m_readTexts = o->m_readTexts;
    m_readHash = o->m_readHash;
    m_readRecords = o->m_readRecords;
    m_recordsHash = o->m_recordsHash;
    doDataChanged(true);
}

ZVDCoordData* ZVDHatch::createCoordData() {
    auto* data = new ZVDIHatchCoordData();
    data->setID(iD());
    for (const auto& p : m_polygons) data->polygons.push_back(copyOf(p.Get()));
    return data;
}

void ZVDHatch::setCoordData(ZVDCoordData& data) {
    auto* d = dynamic_cast<ZVDIHatchCoordData*>(&data);
    if (!d) return;
    saveReleasePolygon();
    for (const auto& p : d->polygons)
        if (p) m_polygons.push_back(copyOf(p.Get()));
    polygonsChanged();
}

// ---- hit tests ----

bool ZVDHatch::hitTest(const CVec2<double>& pt, double tol) {
    CBox2<double> box = outRect();
    if (isEmptyBox(box)) return false;
    box.min -= CVec2<double>(tol, tol);
    box.max += CVec2<double>(tol, tol);
    if (!box.Contains(pt)) return false;
    const zgp::CPositionJudge judge;
    for (const auto& p : m_polygons)
        if (judge.GetPointPolygonPosition(pt, p.Get(), tol) != zgp::CPositionJudge::PT_OUTSIDE) return true;
    return false;
}

bool ZVDHatch::hitSelect(const CVec2<double>& a, const CVec2<double>& b, double tol) {
    if ((a - b).SqrLength() <= zvditemgeom::kZeroDragSqr) return hitTest(a, tol);
    CBox2<double> sel;
    sel.SetEmpty();
    sel.Add(a);
    sel.Add(b);
    const CBox2<double> box = outRect();
    if (b.x > a.x) return sel.Contains(box, zvditemgeom::kSelectSlack);
    if (!sel.Overlaps(box, zvditemgeom::kSelectSlack) || !zvditemgeom::isValidBox(box) || !zvditemgeom::isValidBox(sel))
        return false;
    const zgp::CPositionJudge judge;
    const double eps = zgp::g_DistEpsilon;
    if (zgp::IsEqual(a.x, b.x, eps) || zgp::IsEqual(a.y, b.y, eps)) {
        const CRefPtr<zgp::CLine2d> segment(new zgp::CLine2d(a, b));
        for (const auto& p : m_polygons)
            if (judge.GetCurvePolygonPosition(segment.Get(), p.Get()) != zgp::CPositionJudge::RG_APART) return true;
        return false;
    }
    CRefPtr<CPolygon> rect(new CPolygon());
    rect->AddLoop(vdcommon::getLoopByBox(sel), true);
    for (const auto& p : m_polygons)
        if (judge.GetPolygonPosition(rect.Get(), p.Get()) != zgp::CPositionJudge::RG_APART) return true;
    return false;
}

// ---- editing ----

void ZVDHatch::move(const CVec2<double>& offset) {
    for (const auto& p : m_polygons) p->Move(offset);
    polygonsChanged();
}

void ZVDHatch::rotate(const CVec2<double>& centre, double angle) {
    for (const auto& p : m_polygons) p->Rotate(centre, angle);
    polygonsChanged();
}

void ZVDHatch::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    const zgp::CMatrix4<double> m = zvditemgeom::reflectionMatrix(p1, p2);
    for (const auto& p : m_polygons) {
        p->Transform(m);
        p->ResetAllStates();
    }
    polygonsChanged();
}

ZVDEntity* ZVDHatch::transform(zgp::CMatrix3<double>* matrix) {
    if (!matrix) return nullptr;
    std::unique_ptr<ZVDEntity> copy(clone());
    auto* hatch = dynamic_cast<ZVDHatch*>(copy.get());
    if (!hatch) return nullptr;
    const zgp::CMatrix4<double> m = zgp::CMatrix4<double>::FromMatrix3(*matrix);
    for (const auto& p : hatch->m_polygons) {
        if (!p->Transform(m)) return nullptr;
        p->ResetAllStates();
    }
    hatch->m_readTexts.clear();
    hatch->m_readRecords.clear();
    hatch->rebuildOutRect();
    return copy.release();
}

// ---- grips and properties ----

int ZVDHatch::gripCount() { return showGrip() ? 1 : 0; }

CVec2<double> ZVDHatch::grip(int) {
    const CBox2<double> b = outRect();
    return isEmptyBox(b) ? CVec2<double>(0, 0) : (b.min + b.max) * 0.5;
}

ZVDGripType ZVDHatch::gripType(int) { return 2; }

bool ZVDHatch::dragGrip(int, const CVec2<double>& offset) {
    move(offset);
    return true;
}

std::set<ZVDEPropType> ZVDHatch::propTypes() const { return {vdpExtData, vdpColor, vdpHatchFillStyle}; }

std::wstring ZVDHatch::propValue(const ZVDEPropType& type) const {
    if (type == vdpHatchFillStyle) return vdcommon::intToStr(m_fillStyle);
    return ZVDEntity::propValue(type);
}

void ZVDHatch::setPropValue(const ZVDEPropType& type, const std::wstring& value) {
    if (type == vdpHatchFillStyle)
        setFillStyle(static_cast<EnBrushStyle>(vdcommon::strToInt(value)));
    else
        ZVDEntity::setPropValue(type, value);
}

// ---- drawing ----

void ZVDHatch::fill(HDC hdc, const ZCoordTrans& trans, int colour, EnDrawMode mode, EnBrushStyle brush,
                    unsigned char border, EnPenStyle borderPen) {
    for (const auto& p : m_polygons)
        if (p->LoopCount() > 0)
            ZDrawFunc2d::fillXPoly(hdc, &trans, *p->GetLoop(0), colour, mode, brush, border, borderPen, kWhite);
}

void ZVDHatch::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    fill(hdc, trans, color(), vdcommon::dmNormal, bsSolid, 0, psSolid);
}

void ZVDHatch::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    fill(hdc, trans, kSelectedColour, vdcommon::dmNormal, m_fillStyle, 1, psDot);
}

void ZVDHatch::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    fill(hdc, trans, kWhite, vdcommon::dmXor, m_fillStyle, 1, psSolid);
}

// ---- XML ----

void ZVDHatch::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    zvdxml::setAttribute(element, kHatchVersion, 1);
    zvdxml::setAttribute(element, names->fillStyle, static_cast<int>(m_fillStyle));
    const bool keep = m_readTexts.size() == m_polygons.size() && formHash(m_polygons) == m_readHash;
    QString text;
    for (size_t i = 0; i < m_polygons.size(); ++i)
        text += (keep ? m_readTexts[i] : vdcommon::polygonToString(m_polygons[i].Get())) + QLatin1Char('#');
    zvdxml::setAttribute(element, names->xPoly, text);
}

// With "HatchVersion" the polygons in their text form, each ending in "#"; without it (older
// files) one outline of vertex records.
void ZVDHatch::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    saveReleasePolygon();
    m_fillStyle = static_cast<EnBrushStyle>(zvdxml::intAttribute(element, names->fillStyle));
    const QString text = zvdxml::attribute(element, names->xPoly);
    if (zvdxml::intAttribute(element, kHatchVersion) != 0) {
        for (const QString& form : text.split(QLatin1Char('#'))) {
            if (form.isEmpty()) continue;
            CRefPtr<CPolygon> p(vdcommon::stringToPolygon(form));
            if (!p || p->LoopCount() == 0) continue;
            m_polygons.push_back(p);
            m_readTexts.push_back(form);
        }
        m_readHash = formHash(m_polygons);
        return;
    }
    auto* p = new CPolygon();
    p->AddLoop(zvdvertex::closedLoop(zvdvertex::splitRecords(text)), true);
    m_polygons.emplace_back(p);
}

// ---- binary stream ----

void ZVDHatch::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    std::iostream& s = *stream;
    writeLE<int32_t>(s, 1);
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_fillStyle));
    writeLE<int32_t>(s, static_cast<int32_t>(m_polygons.size()));
    if (!m_readRecords.empty() && formHash(m_polygons) == m_recordsHash) {
        s.write(m_readRecords.data(), static_cast<std::streamsize>(m_readRecords.size()));
        return;
    }
    for (const auto& p : m_polygons) vdcommon::savePolygonToStream(p.Get(), s);
}

// Counts are not trusted: polygons are read one by one until the count is met or the stream
// fails. Older streams hold one outline: per vertex a flag byte (the arc type of the segment that
// starts there, 0 for a line) and the point, the radius first after an arc vertex.
void ZVDHatch::doLoadFromStream(std::iostream* stream) {
    saveReleasePolygon();
    ZVDEntity::doLoadFromStream(stream);
    if (!stream || stream->fail()) return;
    std::iostream& s = *stream;
    if (fileFormat().hatchPolygonRecords()) {
        int32_t version = 0, count = 0;
        uint8_t style = 0;
        if (!readLE(s, version) || !readLE(s, style) || !readLE(s, count)) return;
        m_fillStyle = static_cast<EnBrushStyle>(style);
        const std::streampos before = s.tellg();
        for (int32_t i = 0; i < count; ++i) {
            CRefPtr<CPolygon> p(new CPolygon());
            if (!vdcommon::loadPolygonFromStream(p.Get(), s)) {
                zvdload::markStreamFailed(s);
                return;
            }
            m_polygons.push_back(p);
        }
        // Keep the records as read (a stream that cannot tell positions keeps none).
        const std::streampos after = s.tellg();
        if (before != std::streampos(-1) && after != std::streampos(-1) && after > before) {
            std::string records(static_cast<size_t>(after - before), '\0');
            s.seekg(before);
            if (s.read(&records[0], static_cast<std::streamsize>(records.size()))) {
                m_readRecords.swap(records);
                m_recordsHash = formHash(m_polygons);
            } else {
                zvdload::markStreamFailed(s);
            }
        }
        return;
    }
    uint8_t style = 0;
    int16_t n = 0;
    if (!readLE(s, style) || !readLE(s, n)) return;
    m_fillStyle = static_cast<EnBrushStyle>(style);
    std::vector<zvdvertex::Record> records;
    double radius = 0;
    bool afterArc = false;
    for (int i = 0; i < n; ++i) {
        if (afterArc && !readLE(s, radius)) return;
        uint8_t flag = 0;
        zvdvertex::Record r;
        if (!readLE(s, flag) || !readLE(s, r.point.x) || !readLE(s, r.point.y)) return;
        if (!records.empty() && afterArc) records.back().radius = radius;
        r.type = flag;
        afterArc = flag != 0;
        records.push_back(r);
    }
    auto* p = new CPolygon();
    p->AddLoop(zvdvertex::closedLoop(records), true);
    m_polygons.emplace_back(p);
}
