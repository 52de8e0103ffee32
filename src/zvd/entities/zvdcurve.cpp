// zvd: ZVDCurve's attributes, hit testing, rectangle selection, bounding box, copy under a
// matrix, snap vertices and persistence. Marks and drawing live in zvdcurve_marks.cpp.
#include "zvd/entities/zvdcurve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>

#include <QDomElement>

#include "entities/zvdcurve_hit.h"
#include "entities/zvditemgeom.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/builders.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::writeLE;
using zgp::CBox2;
using zgp::CCurve2d;
using zgp::CGeometry;
using zgp::CLoop;
using zgp::CRefPtr;
using zgp::CVec2;
using zvdxml::intAttribute;
using zvdxml::namesOrDefault;
using zvdxml::setAttribute;

namespace {

using zvditemgeom::isValidBox;
using zvditemgeom::kZeroDragSqr;
constexpr double kDblEpsilon = zvditemgeom::kSelectSlack;

bool addsMarkGeometry(short size, EnMarkStyle style) { return size != 0 && style >= msArrow && style <= msTick; }

bool isCurve(const CGeometry& g) { return g.Type() >= zgp::GT_LINE && g.Type() <= zgp::GT_ELLIPSE; }

// The geometries the hit tests and the box work on. Without marks these are the item's own
// curves, borrowed (no copies are made); with marks, the list of createXLinesWithMark.
bool hasMarkGeometry(const ZVDCurve& curve) {
    return addsMarkGeometry(curve.startMarkSize(), curve.startMarkStyle()) ||
           addsMarkGeometry(curve.endMarkSize(), curve.endMarkStyle());
}

class Entries {
public:
    explicit Entries(ZVDCurve& curve) {
        if (hasMarkGeometry(curve)) {
            m_owned = curve.xLinesWithMark();
            for (const CRefPtr<CGeometry>& g : m_owned) m_items.push_back(g.Get());
        } else {
            for (int i = 0; i < curve.xLineCount(); ++i)
                if (CCurve2d* c = curve.line(i)) m_items.push_back(c);
        }
    }
    const std::vector<CGeometry*>& items() const { return m_items; }

private:
    ZVDCurve::GeometryList m_owned;  // the mark list, when there are marks
    std::vector<CGeometry*> m_items;  // what the callers walk: m_owned's or the curve's own
};

}  // namespace

ZVDCurve::ZVDCurve() = default;
ZVDCurve::~ZVDCurve() = default;

// ---- attributes ----

void ZVDCurve::setLineWidth(short width) {
    if (width < 1 || width == m_lineWidth) return;
    m_lineWidth = width;
    doDataChanged(true);
}

void ZVDCurve::setLineStyle(EnPenStyle style) {
    if (style == m_lineStyle) return;
    m_lineStyle = style;
    doDataChanged(true);
}

void ZVDCurve::setStartMarkSize(short size) {
    if (size == m_startMarkSize) return;
    m_startMarkSize = size;
    doDataChanged(true);
}

void ZVDCurve::setEndMarkSize(short size) {
    if (size == m_endMarkSize) return;
    m_endMarkSize = size;
    doDataChanged(true);
}

void ZVDCurve::setStartMarkStyle(EnMarkStyle style) {
    if (style == m_startMarkStyle) return;
    m_startMarkStyle = style;
    doDataChanged(true);
}

void ZVDCurve::setEndMarkStyle(EnMarkStyle style) {
    if (style == m_endMarkStyle) return;
    m_endMarkStyle = style;
    doDataChanged(true);
}

bool ZVDCurve::showMark() const {
    return (m_startMarkStyle != msNone && m_startMarkSize != 0) || (m_endMarkStyle != msNone && m_endMarkSize != 0);
}

void ZVDCurve::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    auto* c = dynamic_cast<ZVDCurve*>(&other);
    if (!c) return;
    setLineStyle(c->m_lineStyle);
    setLineWidth(c->m_lineWidth);
    setStartMarkSize(c->m_startMarkSize);
    setEndMarkSize(c->m_endMarkSize);
    setStartMarkStyle(c->m_startMarkStyle);
    setEndMarkStyle(c->m_endMarkStyle);
}

std::set<ZVDEPropType> ZVDCurve::propTypes() const {
    std::set<ZVDEPropType> types = ZVDEntity::propTypes();
    types.insert({vdpLineWidth, vdpLineStyle, vdpStartMarkStyle, vdpEndMarkStyle, vdpStartMarkSize, vdpEndMarkSize});
    return types;
}

std::wstring ZVDCurve::propValue(const ZVDEPropType& type) const {
    switch (type) {
    case vdpLineWidth:
        return vdcommon::intToStr(m_lineWidth);
    case vdpLineStyle:
        return vdcommon::intToStr(m_lineStyle);
    case vdpStartMarkStyle:
        return vdcommon::intToStr(m_startMarkStyle);
    case vdpEndMarkStyle:
        return vdcommon::intToStr(m_endMarkStyle);
    case vdpStartMarkSize:
        return vdcommon::intToStr(m_startMarkSize);
    case vdpEndMarkSize:
        return vdcommon::intToStr(m_endMarkSize);
    default:
        return ZVDEntity::propValue(type);
    }
}

void ZVDCurve::setPropValue(const ZVDEPropType& type, const std::wstring& value) {
    const int v = vdcommon::strToInt(value);
    switch (type) {
    case vdpLineWidth:
        setLineWidth(static_cast<short>(v));
        break;
    case vdpLineStyle:
        setLineStyle(static_cast<EnPenStyle>(v));
        break;
    case vdpStartMarkStyle:
        setStartMarkStyle(static_cast<EnMarkStyle>(v));
        break;
    case vdpEndMarkStyle:
        setEndMarkStyle(static_cast<EnMarkStyle>(v));
        break;
    case vdpStartMarkSize:
        setStartMarkSize(static_cast<short>(v));
        break;
    case vdpEndMarkSize:
        setEndMarkSize(static_cast<short>(v));
        break;
    default:
        ZVDEntity::setPropValue(type, value);
        break;
    }
}

// ---- the chain ----

CVec2<double> ZVDCurve::startPt() {
    if (xLineCount() < 1) return CVec2<double>();
    CRefPtr<CCurve2d> c = startXLine();
    return c ? c->StartPoint() : CVec2<double>();
}

CVec2<double> ZVDCurve::endPt() {
    if (xLineCount() < 1) return CVec2<double>();
    CRefPtr<CCurve2d> c = endXLine();
    return c ? c->EndPoint() : CVec2<double>();
}

void ZVDCurve::fillVertexInfoListNoRef(QList<ZVDVertexInfo>& list) {
    if (xLineCount() < 1) return;
    CRefPtr<CCurve2d> c = xLines(0);
    if (!c || c->IsClosed()) return;
    list.append(ZVDVertexInfo{c->StartPoint(), 0});
    list.append(ZVDVertexInfo{c->EndPoint(), 0});
}

// ---- editing shared by the items owning one kernel curve ----

void ZVDCurve::moveOwnCurve(const CVec2<double>& offset) {
    if (CCurve2d* c = line(0)) c->Move(offset);
    doDataChanged(true);
}

void ZVDCurve::rotateOwnCurve(const CVec2<double>& centre, double angle) {
    if (CCurve2d* c = line(0)) c->Rotate(centre, angle);
    doDataChanged(true);
}

// The reflection in the plane through (p1, 0) with normal (-(p2 - p1).y, (p2 - p1).x, 0):
// x' = x - 2 ((x - p1) . n) n for the unit normal n. Coincident points give no normal and
// leave the curve as it is.
void ZVDCurve::mirrorOwnCurve(const CVec2<double>& p1, const CVec2<double>& p2) {
    if (CCurve2d* c = line(0)) c->Transform(zvditemgeom::reflectionMatrix(p1, p2));
    doDataChanged(true);
}

ZVDEntity* ZVDCurve::transform(zgp::CMatrix3<double>* matrix) {
    if (!matrix || xLineCount() < 1) return nullptr;
    CRefPtr<CCurve2d> source = startXLine();
    if (!source) return nullptr;
    CRefPtr<CCurve2d> image(zgp::ZCurve2dBuilder::TransformCurve(
        source.Get(), zgp::CMatrix4<double>::FromMatrix3(*matrix), zgp::g_DistEpsilon));
    if (!image) return nullptr;
    int type;
    switch (image->Type()) {
    case zgp::GT_LINE:
        type = vdiLine;
        break;
    case zgp::GT_ARC:
        type = image->IsClosed() ? vdiCircle : vdiArc;
        break;
    case zgp::GT_NURBS:
        type = vdiSpline;
        break;
    case zgp::GT_ELLIPSE:
        type = vdiEllipse;
        break;
    default:
        image.Reset(image->NurbsCurve());
        if (!image) return nullptr;
        type = vdiSpline;
        break;
    }
    ZVDEntity* item = createItem(type);
    auto* curve = dynamic_cast<ZVDCurve*>(item);
    if (!curve) {
        delete item;
        return nullptr;
    }
    curve->assign(*this);
    curve->setXLines(0, image.Get());  // each curve item takes the geometry of its own kind
    curve->setOwner(owner());
    return curve;
}

// ---- box, hit test, selection ----

// A curve without marks needs no list: its own curves give the same boxes.
void ZVDCurve::buildOutRect(CBox2<double>& box) {
    CBox2<double> all;
    bool any = false;
    if (!hasMarkGeometry(*this)) {
        for (int i = 0, n = xLineCount(); i < n; ++i) {
            if (const CCurve2d* c = line(i)) {
                all.Add(c->Box());
                any = true;
            }
        }
    } else {
        Entries entries(*this);
        for (CGeometry* g : entries.items()) all.Add(g->Box());
        any = !entries.items().empty();
    }
    box = any ? all : CBox2<double>(0, 0, 0, 0);
}

CBox2<double> ZVDCurve::xLineOutRect(CCurve2d& curve) {
    if (m_lineWidth > 0 && curve.Length() >= zgp::g_DistEpsilon) {
        CRefPtr<CLoop> outline(vdcommon::getLoopByCurveWithWidth(&curve, m_lineWidth));
        if (outline) return outline->Box();
    }
    return curve.Box();
}

bool ZVDCurve::hitTest(const CVec2<double>& pt, double tol) {
    const CBox2<double> box = outRect();
    if (!box.Contains(pt, tol)) return false;
    if (!hasMarkGeometry(*this)) {
        // The common case, kept free of allocations: the item's own curves, no list.
        const double half = tol + std::max<int>(m_lineWidth, 0) / 2.0;
        for (int i = 0, n = xLineCount(); i < n; ++i) {
            const CCurve2d* c = line(i);
            if (c && zvdcurvehit::bandHit(*c, pt, tol, half)) return true;
        }
        return false;
    }
    Entries entries(*this);
    for (CGeometry* g : entries.items())
        if (xLineHitTest(pt, tol, *g, box)) return true;
    return false;
}

// The stroke is the band of half the line width; tol widens it on every side.
bool ZVDCurve::xLineHitTest(const CVec2<double>& pt, double tol, CGeometry& entry, const CBox2<double>& outRect) {
    if (!outRect.Contains(pt, tol)) return false;
    const int w = std::max<int>(m_lineWidth, 0);
    if (entry.Type() == zgp::GT_LOOP) {
        const CBox2<double> b = entry.Box();
        return pt.DistanceTo(b.Center()) <= b.Width() / 2 + (w / 2) + tol;
    }
    if (!isCurve(entry)) return false;
    return zvdcurvehit::bandHit(static_cast<CCurve2d&>(entry), pt, tol, tol + w / 2.0);
}

bool ZVDCurve::hitSelect(const CVec2<double>& a, const CVec2<double>& b, double tol) {
    if ((a - b).SqrLength() <= kZeroDragSqr) return hitTest(a, tol);
    CBox2<double> box = outRect();
    Entries entries(*this);
    for (CGeometry* g : entries.items())
        if (xLineHitSelect(a, b, tol, *g, box)) return true;
    return false;
}

// Window (b right of a): the whole item inside. Crossing: the entry's outline at half the line
// width (at least one unit wide) meets or lies in the rectangle, or touches the flat drag line.
bool ZVDCurve::xLineHitSelect(const CVec2<double>& a, const CVec2<double>& b, double, CGeometry& entry,
                              CBox2<double>& outRect) {
    const CBox2<double> sel(a, b);
    if (b.x > a.x) return sel.Contains(outRect, kDblEpsilon);
    if (!sel.Overlaps(outRect, kDblEpsilon) || !isValidBox(outRect) || !isValidBox(sel)) return false;

    const double w = std::max<int>(m_lineWidth, 1);
    CRefPtr<CLoop> outline;
    if (entry.Type() == zgp::GT_LOOP) {
        outline.Reset(static_cast<CLoop&>(entry).Clone());
    } else if (isCurve(entry)) {
        outline.Reset(vdcommon::getLoopByCurveWithWidth(static_cast<CCurve2d*>(&entry), w));
        if (!outline) return entry.Box().Overlaps(sel, kDblEpsilon);
    } else {
        return false;
    }
    zgp::CPositionJudge judge;
    const double eps = zgp::g_DistEpsilon;
    if (!vdcommon::fuzzyEqual(a.x, b.x, eps) && !vdcommon::fuzzyEqual(a.y, b.y, eps)) {
        CRefPtr<CLoop> rect(vdcommon::getLoopByBox(sel));
        if (!rect) return true;  // the boxes overlap and the rectangle is too thin to outline
        return judge.GetLoopLoopPosition(outline.Get(), rect.Get(), true) != zgp::CPositionJudge::RG_APART;
    }
    zgp::CLine2d axis(a, b);
    return judge.GetLoopAxisPosition(outline.Get(), &axis) == -1;
}

// ---- persistence ----

void ZVDCurve::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    names = namesOrDefault(names);
    setAttribute(element, names->lineWidth, m_lineWidth);
    setAttribute(element, names->lineStyle, static_cast<int>(m_lineStyle));
    setAttribute(element, names->startMarkStyle, static_cast<int>(m_startMarkStyle));
    setAttribute(element, names->endMarkStyle, static_cast<int>(m_endMarkStyle));
    setAttribute(element, names->startMarkSize, m_startMarkSize);
    setAttribute(element, names->endMarkSize, m_endMarkSize);
    setAttribute(element, names->prevItemID, m_prevItemID);
    setAttribute(element, names->nextItemID, m_nextItemID);
}

namespace {

// Old drawings describe both marks at once: a position (0 none, 1 start, 2 end, 3 both), one
// size and one style numbered from 0 for the arrow.
void applyLegacyMarks(int position, short size, int style, short& startSize, short& endSize, EnMarkStyle& startStyle,
                      EnMarkStyle& endStyle) {
    startSize = endSize = size;
    const auto k = static_cast<EnMarkStyle>(style + 1);
    switch (position) {
    case 0:
        startStyle = endStyle = msNone;
        break;
    case 1:
        startStyle = k, endStyle = msNone;
        break;
    case 2:
        startStyle = msNone, endStyle = k;
        break;
    case 3:
        startStyle = endStyle = k;
        break;
    default:
        break;
    }
}

}  // namespace

void ZVDCurve::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    names = namesOrDefault(names);
    m_lineWidth = static_cast<short>(std::max(intAttribute(element, names->lineWidth), 1));
    m_lineStyle = static_cast<EnPenStyle>(intAttribute(element, names->lineStyle));
    if (fileFormat(names).singleCurveMark()) {
        const auto size = static_cast<short>(element.attribute("MarkSize").toInt());
        applyLegacyMarks(element.attribute("MarkPos").toInt(), size, element.attribute("MarkStyle").toInt(),
                         m_startMarkSize, m_endMarkSize, m_startMarkStyle, m_endMarkStyle);
    } else {
        m_startMarkStyle = static_cast<EnMarkStyle>(intAttribute(element, names->startMarkStyle));
        m_endMarkStyle = static_cast<EnMarkStyle>(intAttribute(element, names->endMarkStyle));
        m_startMarkSize = static_cast<short>(intAttribute(element, names->startMarkSize));
        m_endMarkSize = static_cast<short>(intAttribute(element, names->endMarkSize));
    }
    if (!fileFormat(names).hasCurveChainIds()) {
        m_prevItemID = m_nextItemID = -1;
    } else {
        m_prevItemID = intAttribute(element, names->prevItemID);
        m_nextItemID = intAttribute(element, names->nextItemID);
    }
}

void ZVDCurve::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    std::iostream& s = *stream;
    writeLE<int16_t>(s, m_lineWidth);
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_lineStyle));
    writeLE<int16_t>(s, m_startMarkSize);
    writeLE<int16_t>(s, m_endMarkSize);
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_startMarkStyle));
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_endMarkStyle));
    writeLE<int32_t>(s, m_nextItemID);
    writeLE<int32_t>(s, m_prevItemID);
}

// A width below 1 is kept as stored (the XML reader raises it, this one does not).
void ZVDCurve::doLoadFromStream(std::iostream* stream) {
    ZVDEntity::doLoadFromStream(stream);
    if (!stream || stream->fail()) return;
    const ZVDFormatVersion& format = fileFormat();
    // Width, style and the marks (and the chain identifiers) in one request.
    FieldRun fields(
        *stream,
        2 + 1 + (format.singleCurveMark() ? 1 + 2 + 1 : 2 + 2 + 1 + 1 + (format.hasCurveChainIds() ? 4 + 4 : 0)));
    int16_t width = 0;
    uint8_t style = 0;
    if (!fields.take(width) || !fields.take(style)) return;
    m_lineWidth = width;
    m_lineStyle = static_cast<EnPenStyle>(style);
    if (format.singleCurveMark()) {
        uint8_t position = 0, markStyle = 0;
        int16_t size = 0;
        if (!fields.take(position) || !fields.take(size) || !fields.take(markStyle)) return;
        applyLegacyMarks(position, size, markStyle, m_startMarkSize, m_endMarkSize, m_startMarkStyle, m_endMarkStyle);
        m_prevItemID = m_nextItemID = -1;
        return;
    }
    int16_t startSize = 0, endSize = 0;
    uint8_t startStyle = 0, endStyle = 0;
    if (!fields.take(startSize) || !fields.take(endSize) || !fields.take(startStyle) || !fields.take(endStyle)) return;
    m_startMarkSize = startSize;
    m_endMarkSize = endSize;
    m_startMarkStyle = static_cast<EnMarkStyle>(startStyle);
    m_endMarkStyle = static_cast<EnMarkStyle>(endStyle);
    if (!format.hasCurveChainIds()) {
        m_prevItemID = m_nextItemID = -1;
        return;
    }
    int32_t next = 0, prev = 0;
    if (!fields.take(next) || !fields.take(prev)) return;
    m_nextItemID = next;
    m_prevItemID = prev;
}
