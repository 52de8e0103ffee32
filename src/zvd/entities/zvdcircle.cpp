// zvd: ZVDCircle, the full circle item: grips, editing that keeps the 0..2*pi counter-clockwise
// span, snapshots, drawing and persistence (including the older circle layout).
#include "zvd/entities/zvdcircle.h"

#include <cmath>
#include <cstdint>
#include <iostream>

#include <QDomDocument>
#include <QDomElement>

#include "entities/zvditemgeom.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/tolerance.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CArc2d;
using zgp::CCurve2d;
using zgp::CVec2;
using zvdxml::attribute;
using zvdxml::namesOrDefault;

namespace {

zgp::ZRegHelper<int> s_regCircle(ZVDEntity::GetFactory(), vdiCircle, &ZVDCircle::CreateInstance);

const double kTwoPi = 6.283185307179586476925286766559;

// What the older layouts lack reads as absent: no marks, no chain neighbours.
void clearChainAttributes(ZVDCircle& circle) {
    circle.setStartMarkStyle(msNone);
    circle.setEndMarkStyle(msNone);
    circle.setStartMarkSize(0);
    circle.setEndMarkSize(0);
    circle.setPrevItemID(-1);
    circle.setNextItemID(-1);
}

}  // namespace

ZVDICircleCoordData::~ZVDICircleCoordData() = default;

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDCircle::m_autoSetDispLevel(1);

ZVDCircle::ZVDCircle() : m_circle(new CArc2d()) { normalise(); }

zgp::IBase* ZVDCircle::CreateInstance() { return new ZVDCircle(); }

int ZVDCircle::displayLevel() const { return 1; }
EnVDIType ZVDCircle::itemType() const { return vdiCircle; }

// Hit testing, marks and drawing rely on the circle starting at angle 0 and turning
// counter-clockwise; kernel edits that turn or reflect the arc are followed by this.
void ZVDCircle::normalise() {
    const double r = m_circle->Radius();
    m_circle->SetExact(m_circle->CenterPt(), r, zgp::CInterval<double>(0.0, kTwoPi * r), 1);
}

// ---- geometry access ----

CCurve2d* ZVDCircle::line(int) { return m_circle.Get(); }
int ZVDCircle::xLineCount() const { return 1; }
zgp::CRefPtr<CCurve2d> ZVDCircle::xLines(int) { return zgp::CRefPtr<CCurve2d>(m_circle->Clone()); }

void ZVDCircle::setXLines(int, CCurve2d* c) {
    if (c && c->Type() == zgp::GT_ARC) {
        const CArc2d* arc = static_cast<const CArc2d*>(c);
        m_circle->SetExact(arc->CenterPt(), arc->Radius(), m_circle->Range(), 1);
        normalise();
    }
    doDataChanged(true);
}

CVec2<double> ZVDCircle::centerPt() const { return m_circle->CenterPt(); }

void ZVDCircle::setCenterPt(const CVec2<double>& centre) {
    m_circle->SetCenterPt(centre);
    doDataChanged(true);
}

double ZVDCircle::radius() const { return m_circle->Radius(); }

// A negative or non-finite radius is no circle: refused without a change or a report.
void ZVDCircle::setRadius(double radius) {
    if (!(radius >= 0) || !std::isfinite(radius)) return;
    m_circle->SetExact(m_circle->CenterPt(), radius, m_circle->Range(), 1);
    normalise();
    doDataChanged(true);
}

// The common assign copies the other item's cached box; an item that lends no circle keeps this
// circle's geometry, so the box is rebuilt from it.
void ZVDCircle::assign(ZVDEntity& other) {
    ZVDCurve::assign(other);
    if (ZVDCircle* o = dynamic_cast<ZVDCircle*>(&other)) {
        m_circle->SetExact(o->centerPt(), o->radius(), m_circle->Range(), 1);
        normalise();
        doDataChanged(true);
    } else {
        rebuildOutRect();
    }
}

ZVDCoordData* ZVDCircle::createCoordData() {
    ZVDICircleCoordData* data = new ZVDICircleCoordData();
    data->setID(iD());
    data->centerPt = centerPt();
    data->radius = radius();
    return data;
}

// Two setters, so two reports, as every snapshot is written back through the item's setters.
void ZVDCircle::setCoordData(ZVDCoordData& data) {
    if (ZVDICircleCoordData* d = dynamic_cast<ZVDICircleCoordData*>(&data)) {
        setCenterPt(d->centerPt);
        setRadius(d->radius);
    }
}

// ---- editing ----

void ZVDCircle::move(const CVec2<double>& offset) { moveOwnCurve(offset); }

// The kernel turns the start angle along with the centre, so the span is re-established before
// the report.
void ZVDCircle::rotate(const CVec2<double>& centre, double angle) {
    m_circle->Rotate(centre, angle);
    normalise();
    doDataChanged(true);
}

// The kernel's reflection reverses the turning sense; the span is re-established before the
// report.
void ZVDCircle::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    m_circle->Transform(zvditemgeom::reflectionMatrix(p1, p2));
    normalise();
    doDataChanged(true);
}

int ZVDCircle::gripCount() { return showGrip() ? 5 : 0; }

// Negative indexes answer the centre, indexes above 4 the top point.
CVec2<double> ZVDCircle::grip(int index) {
    const CVec2<double> c = m_circle->CenterPt();
    const double r = m_circle->Radius();
    switch (index) {
    case 1:
        return CVec2<double>(c.x - r, c.y);
    case 2:
        return CVec2<double>(c.x, c.y - r);
    case 3:
        return CVec2<double>(c.x + r, c.y);
    default:
        return index <= 0 ? c : CVec2<double>(c.x, c.y + r);
    }
}

ZVDGripType ZVDCircle::gripType(int index) { return index <= 0 ? 2 : 1; }

bool ZVDCircle::dragGrip(int index, const CVec2<double>& offset) {
    if (index <= 0) {
        setCenterPt(m_circle->CenterPt() + offset);
        return true;
    }
    const double r = (grip(index) + offset).DistanceTo(m_circle->CenterPt());
    if (vdcommon::fuzzyEqual(r, 0.0, zgp::g_DistEpsilon)) return false;
    setRadius(r);
    return true;
}

// ---- drawing ----

// Two clockwise half circles, left to right and back.
void ZVDCircle::drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode) {
    const CVec2<double> c = m_circle->CenterPt();
    const double r = m_circle->Radius();
    const CVec2<double> left(c.x - r, c.y), right(c.x + r, c.y);
    ZDrawFunc2d::drawArc(hdc, &trans, left, right, r, CArc2d::CW_SMALL, lineWidth(), 0, style, colour, mode, bsSolid, 0,
                         psSolid, 0xFFFFFF, 1);
    ZDrawFunc2d::drawArc(hdc, &trans, right, left, r, CArc2d::CW_SMALL, lineWidth(), 0, style, colour, mode, bsSolid, 0,
                         psSolid, 0xFFFFFF, 1);
}

void ZVDCircle::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, 0xFFFFFF, lineStyle(), vdcommon::dmXor);
    else
        drawPlain(hdc, trans, 0xFFFFFF, lineStyle(), vdcommon::dmXor);
}

void ZVDCircle::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
    else
        drawPlain(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
}

void ZVDCircle::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, 0xFF0000, selLineStyle(trans), vdcommon::dmNormal);
    else
        drawPlain(hdc, trans, 0xFF0000, selLineStyle(trans), vdcommon::dmNormal);
}

// ---- persistence ----

// The older circle layout (common fields, line width and style only; no marks or chain
// identifiers) is written in a drawing of such a version, so that what is written reads back.
void ZVDCircle::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    if (fileFormat(names).oldCircleLayout()) {
        ZVDEntity::saveToXMLNode(element, names);
        zvdxml::setAttribute(element, names->lineWidth, lineWidth());
        zvdxml::setAttribute(element, names->lineStyle, static_cast<int>(lineStyle()));
    } else {
        ZVDCurve::saveToXMLNode(element, names);
    }
    const CVec2<double> c = m_circle->CenterPt();
    zvdxml::setAttribute(element, names->centerPt, zvdxml::joinReals({c.x, c.y}));
    if (!names->radius.empty()) element.setAttribute(QString::fromStdWString(names->radius), m_circle->Radius());
}

// The older layout goes through the width and style setters (a width below 1 is ignored) and
// leaves the circle without marks or chain identifiers.
void ZVDCircle::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    if (fileFormat(names).oldCircleLayout()) {
        ZVDEntity::doLoadFromXMLNode(element, names);
        setLineWidth(static_cast<short>(zvdxml::intAttribute(element, names->lineWidth)));
        setLineStyle(static_cast<EnPenStyle>(zvdxml::intAttribute(element, names->lineStyle)));
        clearChainAttributes(*this);
    } else {
        ZVDCurve::doLoadFromXMLNode(element, names);
    }
    const std::vector<double> c = zvdxml::splitReals(attribute(element, names->centerPt), 2);
    const double r = attribute(element, names->radius).toDouble();
    m_circle->SetExact(CVec2<double>(c[0], c[1]), std::isfinite(r) && r >= 0 ? r : 0.0, m_circle->Range(), 1);
    normalise();
}

void ZVDCircle::saveToStream(std::iostream* stream) {
    if (!stream) return;
    std::iostream& s = *stream;
    if (fileFormat().oldCircleLayout()) {
        ZVDEntity::saveToStream(stream);
        writeLE<int16_t>(s, lineWidth());
        writeLE<uint8_t>(s, static_cast<uint8_t>(lineStyle()));
    } else {
        ZVDCurve::saveToStream(stream);
    }
    const CVec2<double> c = m_circle->CenterPt();
    writeLE<double>(s, c.x);
    writeLE<double>(s, c.y);
    writeLE<double>(s, m_circle->Radius());
}

void ZVDCircle::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    std::iostream& s = *stream;
    if (fileFormat().oldCircleLayout()) {
        ZVDEntity::doLoadFromStream(stream);
        int16_t width = 0;
        uint8_t style = 0;
        if (s.fail()) return;
        FieldRun pen(s, 2 + 1);
        if (!pen.take(width) || !pen.take(style)) return;
        setLineWidth(width);
        setLineStyle(static_cast<EnPenStyle>(style));
        clearChainAttributes(*this);
    } else {
        ZVDCurve::doLoadFromStream(stream);
        if (s.fail()) return;
    }
    FieldRun geometry(s, 3 * 8);
    double cx = 0, cy = 0, r = 0;
    if (!geometry.take(cx) || !geometry.take(cy) || !geometry.take(r)) return;
    m_circle->SetExact(CVec2<double>(cx, cy), std::isfinite(r) && r >= 0 ? r : 0.0, m_circle->Range(), 1);
    normalise();
}
