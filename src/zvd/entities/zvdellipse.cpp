// zvd: ZVDEllipse, the ellipse and elliptical arc item: grips, normalised setting, snapshots,
// drawing and persistence (including the older layout without marks).
#include "zvd/entities/zvdellipse.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>

#include <QDomDocument>
#include <QDomElement>

#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/vdcommon_ellipse.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CCurve2d;
using zgp::CEllipse2d;
using zgp::CVec2;
using zvdxml::attribute;
using zvdxml::namesOrDefault;

namespace {

zgp::ZRegHelper<int> s_regEllipse(ZVDEntity::GetFactory(), vdiEllipse, &ZVDEllipse::CreateInstance);

const double kPi = 3.14159265358979323846;

// What the older layout lacks reads as absent: no marks, no chain neighbours.
void clearChainAttributes(ZVDEllipse& ellipse) {
    ellipse.setStartMarkStyle(msNone);
    ellipse.setEndMarkStyle(msNone);
    ellipse.setStartMarkSize(0);
    ellipse.setEndMarkSize(0);
    ellipse.setPrevItemID(-1);
    ellipse.setNextItemID(-1);
}

}  // namespace

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDEllipse::m_autoSetDispLevel(1);

ZVDEllipse::ZVDEllipse() : m_ellipse(new CEllipse2d()) {}

zgp::IBase* ZVDEllipse::CreateInstance() { return new ZVDEllipse(); }

int ZVDEllipse::displayLevel() const { return 1; }
EnVDIType ZVDEllipse::itemType() const { return vdiEllipse; }

// ---- geometry access ----

CCurve2d* ZVDEllipse::line(int) { return m_ellipse.Get(); }
int ZVDEllipse::xLineCount() const { return 1; }
zgp::CRefPtr<CCurve2d> ZVDEllipse::xLines(int) { return zgp::CRefPtr<CCurve2d>(m_ellipse->Clone()); }

void ZVDEllipse::setXLines(int, CCurve2d* c) {
    if (c && c->Type() == zgp::GT_ELLIPSE) set(static_cast<CEllipse2d*>(c));
}

// The owned kernel ellipse stays the same object (line() hands it out); only its fields change.
void ZVDEllipse::set(CEllipse2d* e) {
    if (vdcommon::setEllipse(e, m_ellipse.Get())) doDataChanged(true);
}

void ZVDEllipse::set(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b, double start,
                     double end, int sense) {
    if (vdcommon::setEllipse(centre, axis, a, b, start, end, sense, m_ellipse.Get())) doDataChanged(true);
}

// The common assign copies the other item's cached box; an item that lends no ellipse keeps
// this ellipse's geometry, so the box is rebuilt from it.
void ZVDEllipse::assign(ZVDEntity& other) {
    ZVDCurve::assign(other);
    ZVDEllipse* o = dynamic_cast<ZVDEllipse*>(&other);
    if (o && o != this)
        set(o->m_ellipse.Get());
    else
        rebuildOutRect();
}

ZVDCoordData* ZVDEllipse::createCoordData() {
    ZVDIEllipseCoordData* data = new ZVDIEllipseCoordData();
    data->setID(iD());
    data->setEllipse(m_ellipse->Clone());
    return data;
}

void ZVDEllipse::setCoordData(ZVDCoordData& data) {
    ZVDIEllipseCoordData* d = dynamic_cast<ZVDIEllipseCoordData*>(&data);
    if (d && d->ellipse()) set(d->ellipse());
}

// ---- editing ----

void ZVDEllipse::move(const CVec2<double>& offset) { moveOwnCurve(offset); }
void ZVDEllipse::rotate(const CVec2<double>& centre, double angle) { rotateOwnCurve(centre, angle); }
void ZVDEllipse::mirror(const CVec2<double>& p1, const CVec2<double>& p2) { mirrorOwnCurve(p1, p2); }

int ZVDEllipse::gripCount() { return showGrip() ? 5 : 0; }

// Points of the full ellipse whatever its range: the parameter of eccentric angle k * pi/2 is
// sense * a * k * pi/2. Negative indexes answer the centre, indexes above 4 grip 4.
CVec2<double> ZVDEllipse::grip(int index) {
    if (index <= 0) return m_ellipse->CenterPt();
    const double quarter = m_ellipse->Sense() * m_ellipse->MajorRadius() * kPi / 2;
    return m_ellipse->GetPoint(quarter * (std::min(index, 4) - 1));
}

ZVDGripType ZVDEllipse::gripType(int index) { return index <= 0 ? 2 : 1; }

bool ZVDEllipse::dragGrip(int index, const CVec2<double>& offset) {
    if (index <= 0) {
        move(offset);
        return true;
    }
    vdcommon::dragCloseEllipse(m_ellipse.Get(), index == 1 || index == 3, offset, grip(index));
    doDataChanged(true);
    return true;
}

// ---- drawing ----

void ZVDEllipse::drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode) {
    const CEllipse2d& e = *m_ellipse;
    ZDrawFunc2d::drawEllipseArc(hdc, &trans, e.CenterPt(), e.Axis(), e.StartT(), e.EndT(), e.MajorRadius(),
                                e.MinorRadius(), e.Sense(), lineWidth(), 0, style, colour, mode, bsSolid, 0, psSolid, 0,
                                1);
}

void ZVDEllipse::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, 0xFFFFFF, lineStyle(), vdcommon::dmXor);
    else
        drawPlain(hdc, trans, 0xFFFFFF, lineStyle(), vdcommon::dmXor);
}

void ZVDEllipse::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
    else
        drawPlain(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
}

void ZVDEllipse::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        doDrawLine(hdc, trans, 0xFF0000, selLineStyle(trans), vdcommon::dmNormal);
    else
        drawPlain(hdc, trans, 0xFF0000, selLineStyle(trans), vdcommon::dmNormal);
}

// ---- persistence ----

// The stored range is in kernel parameters; the ends are turned into central angles on a
// temporary ellipse of the stored values and set from those, so both readers normalise alike.
// A stored range the kernel refuses (longer than a turn, say) leaves the temporary empty, and
// the ellipse is then read as full from its axis.
void ZVDEllipse::setFromStored(const CVec2<double>& centre, const CVec2<double>& axis, double a, double b,
                               double startT, double endT, int sense) {
    const CEllipse2d stored(centre, axis, a, b, zgp::CInterval<double>(startT, endT), sense);
    const double start = vdcommon::toCentralAngle(stored.GetAngle(stored.StartT()), a, b);
    const double end = vdcommon::toCentralAngle(stored.GetAngle(stored.EndT()), a, b);
    vdcommon::setEllipse(centre, axis, a, b, start, end, sense, m_ellipse.Get());
    // The trip through central angles moves the values a little: by rounding (an axis a hair off
    // unit length is normalised again), and near an axis by up to a / b times the 1e-12 within
    // which toCentralAngle passes an eccentric angle on as a central one. Values that agree with
    // the stored ones that closely are kept as stored, so that saving again writes them back
    // unchanged instead of drifting on every load.
    const CEllipse2d& e = *m_ellipse;
    auto close = [](double x, double y) { return std::abs(x - y) <= 1e-12 * std::max(1.0, std::abs(y)); };
    const double rangeScale = std::max({1.0, a, std::abs(startT), std::abs(endT)});
    const double rangeTol = b > 0.0 ? 2e-12 * (a / b + 1.0) * rangeScale : 0.0;
    auto closeT = [rangeTol](double x, double y) { return std::abs(x - y) <= rangeTol; };
    if (close(e.CenterPt().x, centre.x) && close(e.CenterPt().y, centre.y) && close(e.Axis().x, axis.x) &&
        close(e.Axis().y, axis.y) && close(e.MajorRadius(), a) && close(e.MinorRadius(), b) &&
        closeT(e.StartT(), startT) && closeT(e.EndT(), endT) && e.Sense() == sense && endT > startT)
        m_ellipse->SetExact(centre, axis, a, b, zgp::CInterval<double>(startT, endT), sense);
}

// The older layout (common fields, line width and style only; no marks or chain identifiers) is
// written in a drawing of such a version, so that what is written reads back.
void ZVDEllipse::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    if (fileFormat(names).oldEllipseLayout()) {
        ZVDEntity::saveToXMLNode(element, names);
        zvdxml::setAttribute(element, names->lineWidth, lineWidth());
        zvdxml::setAttribute(element, names->lineStyle, static_cast<int>(lineStyle()));
    } else {
        ZVDCurve::saveToXMLNode(element, names);
    }
    const CEllipse2d& e = *m_ellipse;
    zvdxml::setAttribute(element, names->centerPt, zvdxml::joinReals({e.CenterPt().x, e.CenterPt().y}));
    zvdxml::setAttribute(element, names->majorAxis, zvdxml::joinReals({e.Axis().x, e.Axis().y}));
    if (!names->majorRadius.empty()) element.setAttribute(QString::fromStdWString(names->majorRadius), e.MajorRadius());
    if (!names->minorRadius.empty()) element.setAttribute(QString::fromStdWString(names->minorRadius), e.MinorRadius());
    zvdxml::setAttribute(element, names->ellipseRange, zvdxml::joinReals({e.StartT(), e.EndT()}));
    zvdxml::setAttribute(element, names->ellipseClose, e.Sense());
}

// The older layout goes through the width and style setters (a width below 1 is ignored) and
// leaves the ellipse without marks or chain identifiers.
void ZVDEllipse::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    if (fileFormat(names).oldEllipseLayout()) {
        ZVDEntity::doLoadFromXMLNode(element, names);
        setLineWidth(static_cast<short>(zvdxml::intAttribute(element, names->lineWidth)));
        setLineStyle(static_cast<EnPenStyle>(zvdxml::intAttribute(element, names->lineStyle)));
        clearChainAttributes(*this);
    } else {
        ZVDCurve::doLoadFromXMLNode(element, names);
    }
    const std::vector<double> c = zvdxml::splitReals(attribute(element, names->centerPt), 2);
    const std::vector<double> axis = zvdxml::splitReals(attribute(element, names->majorAxis), 2);
    const std::vector<double> range = zvdxml::splitReals(attribute(element, names->ellipseRange), 2);
    setFromStored(CVec2<double>(c[0], c[1]), CVec2<double>(axis[0], axis[1]),
                  attribute(element, names->majorRadius).toDouble(), attribute(element, names->minorRadius).toDouble(),
                  range[0], range[1], zvdxml::intAttribute(element, names->ellipseClose));
}

void ZVDEllipse::saveToStream(std::iostream* stream) {
    if (!stream) return;
    std::iostream& s = *stream;
    if (fileFormat().oldEllipseLayout()) {
        ZVDEntity::saveToStream(stream);
        writeLE<int16_t>(s, lineWidth());
        writeLE<uint8_t>(s, static_cast<uint8_t>(lineStyle()));
    } else {
        ZVDCurve::saveToStream(stream);
    }
    const CEllipse2d& e = *m_ellipse;
    for (double v : {e.CenterPt().x, e.CenterPt().y, e.Axis().x, e.Axis().y, e.MajorRadius(), e.MinorRadius(),
                     e.StartT(), e.EndT()})
        writeLE<double>(s, v);
    writeLE<int32_t>(s, e.Sense());
}

// A record cut short leaves the ellipse as it was.
void ZVDEllipse::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    std::iostream& s = *stream;
    if (fileFormat().oldEllipseLayout()) {
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
    FieldRun geometry(s, 8 * 8 + 4);
    double v[8] = {};
    int32_t sense = 1;
    for (double& x : v)
        if (!geometry.take(x)) return;
    if (!geometry.take(sense)) return;
    setFromStored(CVec2<double>(v[0], v[1]), CVec2<double>(v[2], v[3]), v[4], v[5], v[6], v[7], sense);
}
