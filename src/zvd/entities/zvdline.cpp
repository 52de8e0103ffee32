// zvd: ZVDLine, the straight segment item: grips, editing, snapshot, drawing and persistence.
// Every edit goes through the two end points, which are kept exactly as given.
#include "zvd/entities/zvdline.h"

#include <cmath>
#include <iostream>

#include <QDomElement>
#include <QStringList>

#include "entities/zvditemgeom.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/tolerance.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CBox2;
using zgp::CCurve2d;
using zgp::CLine2d;
using zgp::CRefPtr;
using zgp::CVec2;

namespace {

const zgp::ZRegHelper<int> s_regLine(ZVDEntity::GetFactory(), vdiLine, &ZVDLine::CreateInstance);

constexpr int kWhite = 0xFFFFFF;
constexpr int kSelectedColour = 0xFF0000;

CVec2<double> rotated(const CVec2<double>& p, const CVec2<double>& c, double cosA, double sinA) {
    const double x = p.x - c.x, y = p.y - c.y;
    return CVec2<double>(c.x + x * cosA - y * sinA, c.y + x * sinA + y * cosA);
}

}  // namespace

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDLine::m_autoSetDispLevel(1);

ZVDLine::ZVDLine() { initXLine(); }

zgp::IBase* ZVDLine::CreateInstance() { return new ZVDLine(); }

void ZVDLine::initXLine() {
    if (!m_line) m_line.Reset(new CLine2d(CVec2<double>(0, 0), CVec2<double>(0, 0)));
}

void ZVDLine::initXLine(const CVec2<double>&, const CVec2<double>&) {}

int ZVDLine::displayLevel() const { return 1; }
EnVDIType ZVDLine::itemType() const { return vdiLine; }

// ---- geometry ----

void ZVDLine::set(const CVec2<double>& start, const CVec2<double>& end) {
    setEnds(start, end);
    doDataChanged(true);
}

void ZVDLine::setEnds(const CVec2<double>& start, const CVec2<double>& end) {
    m_line->Set(start, end);
    // The kernel ignores ends that are not finite; the remembered ones stay with the segment.
    if (std::isfinite(start.x) && std::isfinite(start.y) && std::isfinite(end.x) && std::isfinite(end.y)) {
        m_start = start;
        m_end = end;
        m_madeOrigin = m_line->Origin();
        m_madeDir = m_line->Direction();
        m_madeRange = m_line->Range();
    }
    initXLine(start, end);
}

bool ZVDLine::endsCurrent() const {
    return m_line->Origin() == m_madeOrigin && m_line->Direction() == m_madeDir && m_line->Range() == m_madeRange;
}

CVec2<double> ZVDLine::startPt() { return endsCurrent() ? m_start : m_line->StartPoint(); }
CVec2<double> ZVDLine::endPt() { return endsCurrent() ? m_end : m_line->EndPoint(); }

CCurve2d* ZVDLine::line(int) { return m_line.Get(); }
int ZVDLine::xLineCount() const { return 1; }

CRefPtr<CCurve2d> ZVDLine::xLines(int) { return CRefPtr<CCurve2d>(new CLine2d(startPt(), endPt())); }

void ZVDLine::setXLines(int, CCurve2d* c) {
    if (c) set(c->StartPoint(), c->EndPoint());
}

void ZVDLine::assign(ZVDEntity& other) {
    ZVDCurve::assign(other);
    if (auto* o = dynamic_cast<ZVDLine*>(&other)) set(o->startPt(), o->endPt());
}

ZVDCoordData* ZVDLine::createCoordData() {
    auto* data = new ZVDILineCoordData();
    data->setID(iD());
    data->setLine(m_line->Clone());
    return data;
}

void ZVDLine::setCoordData(ZVDCoordData& data) {
    auto* own = dynamic_cast<ZVDILineCoordData*>(&data);
    if (own && own->line()) set(own->line()->StartPoint(), own->line()->EndPoint());
}

// ---- editing ----

void ZVDLine::move(const CVec2<double>& offset) { set(startPt() + offset, endPt() + offset); }

void ZVDLine::rotate(const CVec2<double>& centre, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    set(rotated(startPt(), centre, c, s), rotated(endPt(), centre, c, s));
}

void ZVDLine::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    set(zvditemgeom::reflectAcross(startPt(), p1, p2), zvditemgeom::reflectAcross(endPt(), p1, p2));
}

int ZVDLine::gripCount() { return showGrip() ? 3 : 0; }

CVec2<double> ZVDLine::grip(int index) {
    const CVec2<double> s = startPt(), e = endPt();
    if (index == 0) return s;
    if (index == 1) return e;
    return (s + e) / 2.0;
}

ZVDGripType ZVDLine::gripType(int index) { return index == 0 || index == 1 ? 0 : 2; }

bool ZVDLine::dragGrip(int index, const CVec2<double>& offset) {
    const CVec2<double> s = startPt(), e = endPt();
    if (index == 0)
        set(s + offset, e);
    else if (index == 1)
        set(s, e + offset);
    else
        set(s + offset, e + offset);
    return true;
}

void ZVDLine::doStretch(const CBox2<double>& box, const CVec2<double>& offset) {
    CBox2<double> wide = box;
    wide.Inflate(zgp::g_DistEpsilon);
    const CVec2<double> s = startPt(), e = endPt();
    if (wide.Contains(s))
        set(s + offset, e);
    else if (wide.Contains(e))
        set(s, e + offset);
}

// ---- drawing: through the curve base when a mark shows, else one plain stroke ----

void ZVDLine::drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode) {
    ZDrawFunc2d::drawLine(hdc, &trans, startPt(), endPt(), lineWidth(), 0, style, colour, mode, bsSolid, 0, psSolid,
                          kWhite, 1);
}

void ZVDLine::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawElastic(hdc, trans);
    else
        drawPlain(hdc, trans, kWhite, lineStyle(), vdcommon::dmXor);
}

void ZVDLine::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawNormal(hdc, trans);
    else
        drawPlain(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
}

void ZVDLine::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawSelected(hdc, trans);
    else
        drawPlain(hdc, trans, kSelectedColour, selLineStyle(trans), vdcommon::dmNormal);
}

// ---- persistence ----

bool ZVDLine::strToLine2d(const QString& text, CCurve2d& curve) {
    if (curve.Type() != zgp::GT_LINE) return false;
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toDouble(&ok);
        if (!ok) return false;
    }
    static_cast<CLine2d&>(curve).Set(CVec2<double>(v[0], v[1]), CVec2<double>(v[2], v[3]));
    return true;
}

void ZVDLine::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDCurve::saveToXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    const CVec2<double> s = startPt(), e = endPt();
    zvdxml::setAttribute(element, names->line, zvdxml::joinReals({s.x, s.y, e.x, e.y}));
}

void ZVDLine::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDCurve::doLoadFromXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    const std::vector<double> v = zvdxml::splitReals(zvdxml::attribute(element, names->line), 4);
    setEnds(CVec2<double>(v[0], v[1]), CVec2<double>(v[2], v[3]));
}

void ZVDLine::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDCurve::saveToStream(stream);
    const CVec2<double> s = startPt(), e = endPt();
    for (double v : {s.x, s.y, e.x, e.y}) writeLE<double>(*stream, v);
}

void ZVDLine::doLoadFromStream(std::iostream* stream) {
    ZVDCurve::doLoadFromStream(stream);
    if (!stream || stream->fail()) return;
    FieldRun ends(*stream, 4 * 8);
    double v[4];
    for (double& x : v)
        if (!ends.take(x)) return;
    setEnds(CVec2<double>(v[0], v[1]), CVec2<double>(v[2], v[3]));
}
