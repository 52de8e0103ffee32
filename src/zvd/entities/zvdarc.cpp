// zvd: ZVDArc, the circular arc item: grips, stretching, snapshots, drawing and persistence
// (including the older radius-and-type layout).
#include "zvd/entities/zvdarc.h"

#include <cstdint>
#include <iostream>

#include <QDomDocument>
#include <QDomElement>

#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/builders.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CArc2d;
using zgp::CBox2;
using zgp::CCurve2d;
using zgp::CVec2;
using zvdxml::attribute;
using zvdxml::namesOrDefault;

namespace {

zgp::ZRegHelper<int> s_regArc(ZVDEntity::GetFactory(), vdiArc, &ZVDArc::CreateInstance);

}  // namespace

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDArc::m_autoSetDispLevel(1);

ZVDArc::ZVDArc() : m_arc(new CArc2d()) {}

zgp::IBase* ZVDArc::CreateInstance() { return new ZVDArc(); }

int ZVDArc::displayLevel() const { return 1; }
EnVDIType ZVDArc::itemType() const { return vdiArc; }

// ---- geometry access ----

CCurve2d* ZVDArc::line(int) { return m_arc.Get(); }
int ZVDArc::xLineCount() const { return 1; }
zgp::CRefPtr<CCurve2d> ZVDArc::xLines(int) { return zgp::CRefPtr<CCurve2d>(m_arc->Clone()); }

void ZVDArc::setXLines(int, CCurve2d* c) {
    if (c && c->Type() == zgp::GT_ARC) set(static_cast<CArc2d*>(c));
}

CVec2<double> ZVDArc::centerPt() const { return m_arc->CenterPt(); }

// The kernel keeps its arc unchanged when the request is impossible (a radius shorter than half
// the chord, coincident ends); the report is made either way, as for every geometry setter.
void ZVDArc::set(const CVec2<double>& start, const CVec2<double>& end, CArc2d::ArcType type, double radius) {
    m_arc->Set(start, end, radius, static_cast<int>(type));
    doDataChanged(true);
}

void ZVDArc::set(CArc2d* arc) {
    if (!arc) return;
    replaceArc(*arc);
}

// Field by field, so that the owned kernel arc (handed out by line()) stays the same object.
void ZVDArc::replaceArc(const CArc2d& arc) {
    m_arc->SetExact(arc.CenterPt(), arc.Radius(), arc.Range(), arc.Sense());
    doDataChanged(true);
}

// The common assign copies the other item's cached box; an item that lends no arc keeps this
// arc's geometry, so the box is rebuilt from it.
void ZVDArc::assign(ZVDEntity& other) {
    ZVDCurve::assign(other);
    if (ZVDArc* o = dynamic_cast<ZVDArc*>(&other)) {
        if (o != this) replaceArc(*o->m_arc);
    } else {
        rebuildOutRect();
    }
}

ZVDCoordData* ZVDArc::createCoordData() {
    ZVDIArcCoordData* data = new ZVDIArcCoordData();
    data->setID(iD());
    data->setArc(m_arc->Clone());
    return data;
}

void ZVDArc::setCoordData(ZVDCoordData& data) {
    ZVDIArcCoordData* d = dynamic_cast<ZVDIArcCoordData*>(&data);
    if (d && d->arc()) set(d->arc());
}

// ---- editing ----

void ZVDArc::move(const CVec2<double>& offset) { moveOwnCurve(offset); }
void ZVDArc::rotate(const CVec2<double>& centre, double angle) { rotateOwnCurve(centre, angle); }
void ZVDArc::mirror(const CVec2<double>& p1, const CVec2<double>& p2) { mirrorOwnCurve(p1, p2); }

int ZVDArc::gripCount() { return showGrip() ? 3 : 0; }

// Negative indexes answer the start grip, indexes above 2 the middle one.
CVec2<double> ZVDArc::grip(int index) {
    if (index <= 0) return m_arc->StartPoint();
    if (index == 1) return m_arc->EndPoint();
    return m_arc->GetPoint(m_arc->StartT() + m_arc->Length() / 2);
}

ZVDGripType ZVDArc::gripType(int index) { return index <= 1 ? 0 : 1; }

bool ZVDArc::dragGrip(int index, const CVec2<double>& offset) {
    zgp::CRefPtr<CCurve2d> result;
    if (index <= 1) {
        result.Reset(vdcommon::stretchArc(m_arc.Get(), grip(index), offset));
    } else {
        // The middle grip changes the radius only: the arc is offset (same centre, same angles)
        // by the signed distance from the target to the arc, positive on its left.
        const CVec2<double> middle = grip(2);
        const CVec2<double> target = middle + offset;
        if (target.DistanceTo(m_arc->CenterPt()) <= zgp::g_DistEpsilon) return false;
        const double t = m_arc->GetNearestT(target, zgp::g_DistEpsilon);
        double h = target.DistanceTo(m_arc->GetPoint(t));
        zgp::CPositionJudge judge;
        if (judge.GetPointCurveSide(target, m_arc.Get(), false) == -1) h = -h;
        result.Reset(zgp::ZCurve2dBuilder::CreateCurve(m_arc->StartPoint(), middle, m_arc->EndPoint(),
                                                       zgp::g_DistEpsilon, zgp::g_AngleEpsilon));
        if (result && !result->Offset(h)) result.Reset();
    }
    if (!result || result->Type() != zgp::GT_ARC) return false;
    replaceArc(*static_cast<CArc2d*>(result.Get()));
    return true;
}

void ZVDArc::doStretch(const CBox2<double>& box, const CVec2<double>& offset) {
    CBox2<double> wide = box;
    wide.Inflate(zgp::g_DistEpsilon);
    const CVec2<double> start = m_arc->StartPoint();
    const CVec2<double> end = m_arc->EndPoint();
    const bool startIn = wide.Contains(start);
    const bool endIn = wide.Contains(end);
    if (startIn && endIn) {
        move(offset);
        return;
    }
    if (!startIn && !endIn) return;
    zgp::CRefPtr<CCurve2d> result(vdcommon::stretchArc(m_arc.Get(), startIn ? start : end, offset));
    if (result && result->Type() == zgp::GT_ARC) set(static_cast<CArc2d*>(result.Get()));
}

// ---- drawing ----

void ZVDArc::drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode) {
    ZDrawFunc2d::drawArc(hdc, &trans, m_arc->StartPoint(), m_arc->EndPoint(), m_arc->Radius(),
                         vdcommon::getArcType(m_arc->GetBulge()), lineWidth(), 0, style, colour, mode, bsSolid, 0,
                         psSolid, 0xFFFFFF, 1);
}

void ZVDArc::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, 0xFFFFFF, lineStyle(), vdcommon::dmXor);
    else
        drawPlain(hdc, trans, 0xFFFFFF, lineStyle(), vdcommon::dmXor);
}

void ZVDArc::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
    else
        drawPlain(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
}

void ZVDArc::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, 0xFF0000, selLineStyle(trans), vdcommon::dmNormal);
    else
        drawPlain(hdc, trans, 0xFF0000, selLineStyle(trans), vdcommon::dmNormal);
}

// ---- persistence ----

void ZVDArc::rememberReadEnds(const CVec2<double>& start, const CVec2<double>& end) {
    m_hasReadEnds = true;
    m_readStart = start;
    m_readEnd = end;
    m_readCentre = m_arc->CenterPt();
    m_readRadius = m_arc->Radius();
    m_readRange = m_arc->Range();
    m_readSense = m_arc->Sense();
}

// Bitwise comparison on purpose: any edit of the arc, however small, makes its own end points
// the ones to write.
void ZVDArc::persistedEnds(CVec2<double>& start, CVec2<double>& end) const {
    const bool unchanged = m_hasReadEnds && m_arc->CenterPt().x == m_readCentre.x &&
                           m_arc->CenterPt().y == m_readCentre.y && m_arc->Radius() == m_readRadius &&
                           m_arc->StartT() == m_readRange.low && m_arc->EndT() == m_readRange.high &&
                           m_arc->Sense() == m_readSense;
    start = unchanged ? m_readStart : m_arc->StartPoint();
    end = unchanged ? m_readEnd : m_arc->EndPoint();
}

void ZVDArc::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDCurve::saveToXMLNode(element, names);
    names = namesOrDefault(names);
    CVec2<double> s, e;
    persistedEnds(s, e);
    zvdxml::setAttribute(element, names->line, zvdxml::joinReals({s.x, s.y, e.x, e.y}));
    if (fileFormat(names).arcByRadius()) {
        if (!names->radius.empty()) element.setAttribute(QString::fromStdWString(names->radius), m_arc->Radius());
        zvdxml::setAttribute(element, names->lineType, static_cast<int>(vdcommon::getArcType(m_arc->GetBulge())));
    } else {
        const CVec2<double> c = m_arc->CenterPt();
        zvdxml::setAttribute(element, names->centerPt, zvdxml::joinReals({c.x, c.y}));
        zvdxml::setAttribute(element, names->clockSign, m_arc->Sense());
    }
}

// Reads straight into the kernel arc: the loading wrapper makes the one report. Values the
// kernel cannot build an arc from leave the arc as it was.
void ZVDArc::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDCurve::doLoadFromXMLNode(element, names);
    names = namesOrDefault(names);
    const std::vector<double> p = zvdxml::splitReals(attribute(element, names->line), 4);
    const CVec2<double> start(p[0], p[1]), end(p[2], p[3]);
    if (fileFormat(names).arcByRadius()) {
        const double radius = attribute(element, names->radius).toDouble();
        m_arc->Set(start, end, radius, zvdxml::intAttribute(element, names->lineType));
    } else {
        const std::vector<double> c = zvdxml::splitReals(attribute(element, names->centerPt), 2);
        const int sense = zvdxml::intAttribute(element, names->clockSign) < 0 ? -1 : 1;
        m_arc->Set(CVec2<double>(c[0], c[1]), start, end, sense);
    }
    rememberReadEnds(start, end);
}

void ZVDArc::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDCurve::saveToStream(stream);
    std::iostream& s = *stream;
    CVec2<double> a, b;
    persistedEnds(a, b);
    writeLE<double>(s, a.x);
    writeLE<double>(s, a.y);
    writeLE<double>(s, b.x);
    writeLE<double>(s, b.y);
    if (fileFormat().arcByRadius()) {
        writeLE<double>(s, m_arc->Radius());
        writeLE<uint8_t>(s, static_cast<uint8_t>(vdcommon::getArcType(m_arc->GetBulge())));
    } else {
        const CVec2<double> c = m_arc->CenterPt();
        writeLE<double>(s, c.x);
        writeLE<double>(s, c.y);
        writeLE<int8_t>(s, static_cast<int8_t>(m_arc->Sense()));
    }
}

void ZVDArc::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    ZVDCurve::doLoadFromStream(stream);
    std::iostream& s = *stream;
    if (s.fail()) return;
    const bool byRadius = fileFormat().arcByRadius();
    // The ends, then radius and type or centre and sense, in one request.
    FieldRun fields(s, 4 * 8 + (byRadius ? 8 + 1 : 8 + 8 + 1));
    double sx = 0, sy = 0, ex = 0, ey = 0;
    if (!fields.take(sx) || !fields.take(sy) || !fields.take(ex) || !fields.take(ey)) return;
    const CVec2<double> start(sx, sy), end(ex, ey);
    if (byRadius) {
        double radius = 0;
        uint8_t type = 0;
        if (!fields.take(radius) || !fields.take(type)) return;
        m_arc->Set(start, end, radius, type);
    } else {
        double cx = 0, cy = 0;
        int8_t sense = 0;
        if (!fields.take(cx) || !fields.take(cy) || !fields.take(sense)) return;
        m_arc->Set(CVec2<double>(cx, cy), start, end, sense < 0 ? -1 : 1);
    }
    rememberReadEnds(start, end);
}
