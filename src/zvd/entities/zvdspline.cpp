// zvd: ZVDSpline, the NURBS curve item: control-point grips and stretching, snapshots, drawing
// and persistence (XML numbers in Qt's short 'g' form, exact doubles in the binary stream).
#include "zvd/entities/zvdspline.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <vector>

#include <QDomElement>
#include <QStringList>

#include "entities/zvdloadutil.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/tolerance.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CBox2;
using zgp::CCurve2d;
using zgp::CNurbsCurve2d;
using zgp::CRefPtr;
using zgp::CVec2;

namespace {

const zgp::ZRegHelper<int> s_regSpline(ZVDEntity::GetFactory(), vdiSpline, &ZVDSpline::CreateInstance);

constexpr int kWhite = 0xFFFFFF;
constexpr int kSelectedColour = 0xFF0000;

// The XML attribute names are fixed: the name tables have no entry for them.
const QString kDegreeName = QStringLiteral("D");
const QString kCtrlPtsName = QStringLiteral("CPS");
const QString kKnotsName = QStringLiteral("KS");

// A curve of exactly this degree and control-point count, or null when the two make no curve
// (the kernel would raise or cap them).
CNurbsCurve2d* emptyCurve(int64_t degree, int64_t count) {
    if (degree < 1 || count < degree + 1 || count > INT32_MAX) return nullptr;
    CRefPtr<CNurbsCurve2d> c(new CNurbsCurve2d(static_cast<int>(degree), static_cast<int>(count)));
    if (c->Degree() != degree || c->CtrlPtCount() != count) return nullptr;
    return c.Release();
}

// Room reserved before reading a control-point or knot list (longer lists grow as they arrive).
constexpr int32_t kListReserve = 16;
// Knots fetched from the stream per request.
constexpr int32_t kKnotRun = 8;

struct CtrlPt {
    double x = 0, y = 0, w = 1;
};

}  // namespace

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDSpline::m_autoSetDispLevel(1);

ZVDSpline::ZVDSpline() : m_curve(new CNurbsCurve2d(3, 3)) {}

zgp::IBase* ZVDSpline::CreateInstance() { return new ZVDSpline(); }

int ZVDSpline::displayLevel() const { return 1; }
EnVDIType ZVDSpline::itemType() const { return vdiSpline; }

// ---- geometry access ----

CCurve2d* ZVDSpline::line(int) { return m_curve.Get(); }
int ZVDSpline::xLineCount() const { return 1; }
CRefPtr<CCurve2d> ZVDSpline::xLines(int) { return CRefPtr<CCurve2d>(m_curve->Clone()); }

void ZVDSpline::setXLines(int, CCurve2d* c) {
    if (c && c->Type() == zgp::GT_NURBS) set(static_cast<CNurbsCurve2d*>(c));
}

// By value, so that the owned curve (handed out by line()) stays the same object.
void ZVDSpline::set(CNurbsCurve2d* curve) {
    if (!curve) return;
    if (curve != m_curve.Get()) *m_curve = *curve;
    doDataChanged(true);
}

// The common assign copies the other item's cached box; an item that lends no curve keeps this
// spline's geometry, so the box is rebuilt from it.
void ZVDSpline::assign(ZVDEntity& other) {
    auto* o = other.itemType() == vdiSpline ? dynamic_cast<ZVDSpline*>(&other) : nullptr;
    if (o) set(o->m_curve.Get());
    ZVDCurve::assign(other);
    if (!o) rebuildOutRect();
}

ZVDCoordData* ZVDSpline::createCoordData() {
    auto* data = new ZVDSplineCoordData();
    data->setID(iD());
    data->setCurve(m_curve->Clone());
    return data;
}

void ZVDSpline::setCoordData(ZVDCoordData& data) {
    auto* own = dynamic_cast<ZVDSplineCoordData*>(&data);
    if (own && own->curve()) set(own->curve());
}

// ---- editing ----

void ZVDSpline::move(const CVec2<double>& offset) { moveOwnCurve(offset); }
void ZVDSpline::rotate(const CVec2<double>& centre, double angle) { rotateOwnCurve(centre, angle); }
void ZVDSpline::mirror(const CVec2<double>& p1, const CVec2<double>& p2) { mirrorOwnCurve(p1, p2); }

int ZVDSpline::gripCount() { return showGrip() ? m_curve->CtrlPtCount() : 0; }

CVec2<double> ZVDSpline::grip(int index) {
    const int n = m_curve->CtrlPtCount();
    return m_curve->CtrlPt(index < 0 ? 0 : index >= n ? n - 1 : index);
}

ZVDGripType ZVDSpline::gripType(int) { return 0; }

bool ZVDSpline::dragGrip(int index, const CVec2<double>& offset) {
    CVec2<double> p;
    double w = 1;
    if (!m_curve->GetCtrlPt(index, p, w) || !m_curve->SetCtrlPt(index, p + offset, w)) return false;
    doDataChanged(true);
    return true;
}

void ZVDSpline::doStretch(const CBox2<double>& box, const CVec2<double>& offset) {
    CBox2<double> wide = box;
    wide.Inflate(zgp::g_DistEpsilon);
    bool changed = false;
    for (int i = 0; i < m_curve->CtrlPtCount(); ++i) {
        CVec2<double> p;
        double w = 1;
        if (m_curve->GetCtrlPt(i, p, w) && wide.Contains(p)) changed |= m_curve->SetCtrlPt(i, p + offset, w);
    }
    if (changed) doDataChanged(true);
}

// ---- drawing ----

void ZVDSpline::drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode) {
    ZDrawFunc2d::drawSpline(hdc, &trans, m_curve.Get(), lineWidth(), style, colour, mode, 1);
}

void ZVDSpline::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawElastic(hdc, trans);
    else
        drawPlain(hdc, trans, kWhite, lineStyle(), vdcommon::dmXor);
}

void ZVDSpline::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawNormal(hdc, trans);
    else
        drawPlain(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
}

void ZVDSpline::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawSelected(hdc, trans);
    else
        drawPlain(hdc, trans, kSelectedColour, selLineStyle(trans), vdcommon::dmNormal);
}

// ---- persistence ----

// Numbers in QString::arg's default form ('g', six significant digits): the XML keeps the curve
// only to that precision.
void ZVDSpline::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDCurve::saveToXMLNode(element, names);
    QString points, knots;
    for (int i = 0; i < m_curve->CtrlPtCount(); ++i) {
        const CVec2<double> p = m_curve->CtrlPt(i);
        points += QStringLiteral("%1,%2,%3;").arg(p.x).arg(p.y).arg(m_curve->Weight(i));
    }
    for (double k : m_curve->Knots()) knots += QStringLiteral("%1,").arg(k);
    points.chop(1);
    knots.chop(1);
    element.setAttribute(kDegreeName, m_curve->Degree());
    element.setAttribute(kCtrlPtsName, points);
    element.setAttribute(kKnotsName, knots);
}

// A control point whose text is not three numbers, or that the kernel refuses (a weight that is
// not positive), keeps the kernel's initial value; so do knots the list does not reach.
void ZVDSpline::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDCurve::doLoadFromXMLNode(element, names);
    const QStringList points = element.attribute(kCtrlPtsName).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    CRefPtr<CNurbsCurve2d> curve(emptyCurve(element.attribute(kDegreeName).toInt(), points.size()));
    if (!curve) return;
    for (int i = 0; i < points.size(); ++i) {
        const QStringList xyw = points[i].split(QLatin1Char(','));
        if (xyw.size() != 3) continue;
        bool okX = false, okY = false, okW = false;
        const CVec2<double> p(xyw[0].toDouble(&okX), xyw[1].toDouble(&okY));
        const double w = xyw[2].toDouble(&okW);
        if (okX && okY && okW) curve->SetCtrlPt(i, p, w);
    }
    const QStringList knots = element.attribute(kKnotsName).split(QLatin1Char(','));
    for (int i = 0; i < knots.size() && i < curve->KnotCount(); ++i) {
        bool ok = false;
        const double k = knots[i].toDouble(&ok);
        if (ok) curve->SetKnot(i, k);
    }
    *m_curve = *curve;
}

void ZVDSpline::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDCurve::saveToStream(stream);
    std::iostream& s = *stream;
    const int n = m_curve->CtrlPtCount();
    writeLE<int32_t>(s, m_curve->Degree());
    writeLE<int32_t>(s, n);
    for (int i = 0; i < n; ++i) {
        const CVec2<double> p = m_curve->CtrlPt(i);
        writeLE<double>(s, p.x);
        writeLE<double>(s, p.y);
        writeLE<double>(s, m_curve->Weight(i));
    }
    writeLE<int32_t>(s, m_curve->KnotCount());
    for (double k : m_curve->Knots()) writeLE<double>(s, k);
}

// Counts are checked against each other before anything is built, and the control points and
// knots are read one at a time: a count the data does not back ends in a failed stream, never
// in an allocation larger than the record.
void ZVDSpline::doLoadFromStream(std::iostream* stream) {
    ZVDCurve::doLoadFromStream(stream);
    if (!stream || stream->fail()) return;
    std::iostream& s = *stream;
    int32_t degree = 0, count = 0, knotCount = 0;
    {
        FieldRun head(s, 4 + 4);
        if (!head.take(degree) || !head.take(count)) return;
    }
    if (degree < 1 || count < int64_t(degree) + 1) {
        zvdload::markStreamFailed(s);
        return;
    }
    // The counts are not trusted for memory: both lists grow as their values actually arrive.
    std::vector<CtrlPt> points;
    points.reserve(static_cast<size_t>(std::min(count, kListReserve)));
    for (int32_t i = 0; i < count; ++i) {
        CtrlPt p;
        FieldRun point(s, 3 * 8);
        if (!point.take(p.x) || !point.take(p.y) || !point.take(p.w)) return;
        points.push_back(p);
    }
    if (!readLE(s, knotCount)) return;
    if (knotCount != int64_t(count) + degree + 1) {
        zvdload::markStreamFailed(s);
        return;
    }
    std::vector<double> knots;
    knots.reserve(static_cast<size_t>(std::min(knotCount, kListReserve)));
    for (int32_t i = 0; i < knotCount;) {
        const int32_t run = std::min(knotCount - i, kKnotRun);  // fetched in runs
        FieldRun values(s, static_cast<size_t>(run) * 8);
        for (int32_t end = i + run; i < end; ++i) {
            double k = 0;
            if (!values.take(k)) return;
            knots.push_back(k);
        }
    }
    // Built aside and then swapped in: the owned curve stays the same object, and a record
    // whose degree and count make no curve leaves it untouched.
    CNurbsCurve2d curve(degree, count);
    if (curve.Degree() != degree || curve.CtrlPtCount() != count) {
        zvdload::markStreamFailed(s);
        return;
    }
    for (int32_t i = 0; i < count; ++i) curve.SetCtrlPt(i, CVec2<double>(points[i].x, points[i].y), points[i].w);
    for (int32_t i = 0; i < knotCount; ++i) curve.SetKnot(i, knots[i]);
    m_curve->Swap(curve);
}
