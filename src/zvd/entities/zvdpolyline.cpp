// zvd: ZVDPolyline, the chain of line and arc segments: grips and stretching through temporary
// edge items, transformed copies, snapshots, drawing and the vertex-record persistence.
#include "zvd/entities/zvdpolyline.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <utility>

#include <QDomElement>

#include "entities/zvditemgeom.h"
#include "entities/zvdloadutil.h"
#include "entities/zvdvertexrecords.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/builders.h"
#include "zgp/tolerance.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdline.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CArc2d;
using zgp::CBox2;
using zgp::CCurve2d;
using zgp::CLine2d;
using zgp::CLoop;
using zgp::CRefPtr;
using zgp::CVec2;

namespace {

const zgp::ZRegHelper<int> s_regPolyline(ZVDEntity::GetFactory(), vdiPolyline, &ZVDPolyline::CreateInstance);

// Room reserved before reading a vertex list: the stored count is not trusted for memory, so
// lists longer than this grow as their vertices actually arrive.
constexpr int kVertexReserve = 16;

constexpr int kWhite = 0xFFFFFF;
constexpr int kSelectedColour = 0xFF0000;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool sameBits(const CVec2<double>& a, const CVec2<double>& b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y); }

}  // namespace

// The defining fields of a line or arc segment as built from stored vertices.
ZVDPolyline::SegmentPrint ZVDPolyline::printOf(const CCurve2d& c) {
    SegmentPrint p;
    p.type = c.Type();
    p.startT = c.StartT();
    p.endT = c.EndT();
    if (p.type == zgp::GT_LINE) {
        const auto& line = static_cast<const CLine2d&>(c);
        p.point = line.Origin();
        p.direction = line.Direction();
    } else if (p.type == zgp::GT_ARC) {
        const auto& arc = static_cast<const CArc2d&>(c);
        p.point = arc.CenterPt();
        p.radius = arc.Radius();
        p.sense = arc.Sense();
    }
    return p;
}

// Whether segment c holds bit for bit the defining fields of the print (lines and arcs only).
bool ZVDPolyline::matches(const CCurve2d* c, const SegmentPrint& p) {
    if (!c || c->Type() != p.type) return false;
    if (!sameBits(c->StartT(), p.startT) || !sameBits(c->EndT(), p.endT)) return false;
    if (p.type == zgp::GT_LINE) {
        const auto* line = static_cast<const CLine2d*>(c);
        return sameBits(line->Origin(), p.point) && sameBits(line->Direction(), p.direction);
    }
    if (p.type == zgp::GT_ARC) {
        const auto* arc = static_cast<const CArc2d*>(c);
        return sameBits(arc->CenterPt(), p.point) && sameBits(arc->Radius(), p.radius) && arc->Sense() == p.sense;
    }
    return false;
}

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDPolyline::m_autoSetDispLevel(1);

ZVDPolyline::ZVDPolyline() : m_loop(new CLoop()) {}

zgp::IBase* ZVDPolyline::CreateInstance() { return new ZVDPolyline(); }

int ZVDPolyline::displayLevel() const { return 1; }
EnVDIType ZVDPolyline::itemType() const { return vdiPolyline; }

// ---- the chain ----

CCurve2d* ZVDPolyline::line(int i) { return m_loop->GetCurve(i); }
int ZVDPolyline::xLineCount() const { return m_loop->CoedgeCount(); }

CRefPtr<CCurve2d> ZVDPolyline::xLines(int i) {
    const CCurve2d* c = m_loop->GetCurve(i);
    return CRefPtr<CCurve2d>(c ? c->Clone() : nullptr);
}

void ZVDPolyline::setXLines(int i, CCurve2d* c) {
    if (!c || i < 0 || i >= m_loop->CoedgeCount()) return;
    m_loop->DeleteCoedge(i);
    m_loop->InsertCurve(i, c, true);
    doDataChanged(true);
}

void ZVDPolyline::setPolyline(CLoop& loop) {
    // Copies first: loop may be this item's own chain.
    std::vector<CCurve2d*> copies;
    for (int i = 0; i < loop.CoedgeCount(); ++i)
        if (const CCurve2d* c = loop.GetCurve(i)) copies.push_back(c->Clone());
    m_loop->Clear();
    for (CCurve2d* c : copies) m_loop->AddCurve(c, false);
    doDataChanged(true);
}

// The common assign copies the other item's cached box; an item that lends no chain keeps this
// one, so the box is rebuilt from it.
void ZVDPolyline::assign(ZVDEntity& other) {
    ZVDCurve::assign(other);
    if (auto* o = dynamic_cast<ZVDPolyline*>(&other))
        setPolyline(*o->m_loop);
    else
        rebuildOutRect();
}

ZVDCoordData* ZVDPolyline::createCoordData() {
    auto* data = new ZVDIPolylineCoordData();
    data->setID(iD());
    data->setPolyline(m_loop->Clone());
    return data;
}

void ZVDPolyline::setCoordData(ZVDCoordData& data) {
    auto* own = dynamic_cast<ZVDIPolylineCoordData*>(&data);
    if (own && own->polyline()) setPolyline(*own->polyline());
}

void ZVDPolyline::fillVertexInfoListNoRef(QList<ZVDVertexInfo>& list) {
    const int n = m_loop->CoedgeCount();
    if (n < 1) return;
    list.append(ZVDVertexInfo{m_loop->GetCurve(0)->StartPoint(), 0});
    for (int i = 0; i < n; ++i) list.append(ZVDVertexInfo{m_loop->GetCurve(i)->EndPoint(), 0});
}

// ---- editing ----

void ZVDPolyline::move(const CVec2<double>& offset) {
    m_loop->Move(offset);
    doDataChanged(true);
}

void ZVDPolyline::rotate(const CVec2<double>& centre, double angle) {
    m_loop->Rotate(centre, angle);
    doDataChanged(true);
}

void ZVDPolyline::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    m_loop->Transform(zvditemgeom::reflectionMatrix(p1, p2));
    doDataChanged(true);
}

ZVDEntity* ZVDPolyline::transform(zgp::CMatrix3<double>* matrix) {
    if (!matrix) return nullptr;
    auto* copy = dynamic_cast<ZVDPolyline*>(clone());
    if (!copy) return nullptr;
    const zgp::CMatrix4<double> m = zgp::CMatrix4<double>::FromMatrix3(*matrix);
    copy->m_loop->Clear();
    for (int i = 0; i < m_loop->CoedgeCount(); ++i)
        if (CCurve2d* image = zgp::ZCurve2dBuilder::TransformCurve(m_loop->GetCurve(i), m, zgp::g_DistEpsilon))
            copy->m_loop->AddCurve(image, false);
    copy->rebuildOutRect();
    return copy;
}

std::unique_ptr<ZVDCurve> ZVDPolyline::createEdge(int i) {
    CCurve2d* c = m_loop->GetCurve(i);
    if (!c || (c->Type() != zgp::GT_LINE && c->Type() != zgp::GT_ARC)) return nullptr;
    std::unique_ptr<ZVDEntity> item(createItem(c->Type() == zgp::GT_LINE ? vdiLine : vdiArc));
    if (auto* l = dynamic_cast<ZVDLine*>(item.get())) {
        l->set(c->StartPoint(), c->EndPoint());
    } else if (auto* a = dynamic_cast<ZVDArc*>(item.get())) {
        a->set(static_cast<CArc2d*>(c));  // copies the arc's fields
    } else {
        return nullptr;
    }
    return std::unique_ptr<ZVDCurve>(static_cast<ZVDCurve*>(item.release()));
}

void ZVDPolyline::putBack(int i, ZVDCurve& edge) {
    CRefPtr<CCurve2d> curve = edge.xLines(0);
    if (!curve) return;
    m_loop->DeleteCoedge(i);
    m_loop->InsertCurve(i, curve.Release(), false);
}

int ZVDPolyline::gripCount() {
    const int n = m_loop->CoedgeCount();
    return showGrip() && n > 0 ? 2 * n + 1 : 0;
}

// Indexes below 0 answer the first grip, those above 2n the last one.
CVec2<double> ZVDPolyline::grip(int index) {
    const int n = m_loop->CoedgeCount();
    if (n == 0) return CVec2<double>();
    if (index < 0) index = 0;
    if (index >= 2 * n) return m_loop->GetCurve(n - 1)->EndPoint();
    const CCurve2d* c = m_loop->GetCurve(index / 2);
    return index % 2 == 0 ? c->StartPoint() : c->GetPoint((c->StartT() + c->EndT()) / 2);
}

ZVDGripType ZVDPolyline::gripType(int) { return 2; }

bool ZVDPolyline::dragGrip(int index, const CVec2<double>& offset) {
    const int n = m_loop->CoedgeCount();
    if (index < 0 || index > 2 * n) return false;
    const int k = index / 2;
    bool changed = false;
    auto drag = [&](int segment, int edgeGrip) {
        std::unique_ptr<ZVDCurve> edge = createEdge(segment);
        if (edge && edge->dragGrip(edgeGrip, offset)) {
            putBack(segment, *edge);
            changed = true;
        }
    };
    if (index % 2 == 0) {
        if (k > 0) drag(k - 1, 1);
        if (k < n) drag(k, 0);
    } else {
        drag(k, 2);
    }
    if (!changed) return false;
    doDataChanged(true);
    return true;
}

// A segment with neither end inside the box would not change, so it is left alone.
void ZVDPolyline::doStretch(const CBox2<double>& box, const CVec2<double>& offset) {
    CBox2<double> wide = box;
    wide.Inflate(zgp::g_DistEpsilon);
    bool changed = false;
    for (int i = 0; i < m_loop->CoedgeCount(); ++i) {
        const CCurve2d* c = m_loop->GetCurve(i);
        if (!wide.Contains(c->StartPoint()) && !wide.Contains(c->EndPoint())) continue;
        if (std::unique_ptr<ZVDCurve> edge = createEdge(i)) {
            edge->stretch(box, offset);
            putBack(i, *edge);
            changed = true;
        }
    }
    if (changed) doDataChanged(true);
}

// ---- drawing ----

void ZVDPolyline::drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode) {
    ZDrawFunc2d::drawXPolyline(hdc, &trans, *m_loop, lineWidth(), 0, style, colour, mode, bsSolid, 1, false, 0, psSolid,
                               kWhite);
}

void ZVDPolyline::doDrawElastic(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawElastic(hdc, trans);
    else
        drawPlain(hdc, trans, kWhite, lineStyle(), vdcommon::dmXor);
}

void ZVDPolyline::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawNormal(hdc, trans);
    else
        drawPlain(hdc, trans, color(), lineStyle(), vdcommon::dmNormal);
}

void ZVDPolyline::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (showMark())
        ZVDCurve::doDrawSelected(hdc, trans);
    else
        drawPlain(hdc, trans, kSelectedColour, selLineStyle(trans), vdcommon::dmNormal);
}

// ---- persistence ----

// One vertex per segment start (straight segments in the line form, others with the arc's radius
// and type; curved segments that are no arcs are kept by their chord), then the last end point.
std::vector<ZVDPolyline::Vertex> ZVDPolyline::vertices() const {
    const int n = m_loop->CoedgeCount();
    if (n == 0) return {};
    bool unchanged = m_builtPrints.size() == static_cast<size_t>(n);
    for (int i = 0; unchanged && i < n; ++i)
        unchanged = matches(m_loop->GetCurve(i), m_builtPrints[static_cast<size_t>(i)]);
    if (unchanged) return m_readVertices;

    std::vector<Vertex> out;
    for (int i = 0; i < n; ++i) {
        const CCurve2d* c = m_loop->GetCurve(i);
        Vertex v;
        v.point = c->StartPoint();
        if (c->Monotonicity() != 2 && c->Type() == zgp::GT_ARC) {
            const auto* arc = static_cast<const CArc2d*>(c);
            v.radius = arc->Radius();
            v.type = static_cast<int>(vdcommon::getArcType(arc->GetBulge()));
        }
        out.push_back(v);
    }
    Vertex last;
    last.point = m_loop->GetCurve(n - 1)->EndPoint();
    out.push_back(last);
    return out;
}

// Fewer than two vertices give no segment. An arc the kernel cannot build from its record stays
// in the chain as the kernel made it (the empty arc), so that the segment count follows the
// records.
void ZVDPolyline::buildFrom(std::vector<Vertex> vertices) {
    m_loop->Clear();
    m_readVertices.clear();
    m_builtPrints.clear();
    if (vertices.size() < 2) return;
    m_loop->Reserve(static_cast<int>(vertices.size() - 1));
    m_builtPrints.reserve(vertices.size() - 1);
    for (size_t i = 0; i + 1 < vertices.size(); ++i) {
        const Vertex& a = vertices[i];
        const CVec2<double>& b = vertices[i + 1].point;
        CCurve2d* segment =
            a.type == 0 ? static_cast<CCurve2d*>(new CLine2d(a.point, b)) : new CArc2d(a.point, b, a.radius, a.type);
        m_loop->AddCurve(segment, false);
        m_builtPrints.push_back(printOf(*segment));
    }
    m_readVertices = std::move(vertices);
}

void ZVDPolyline::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDCurve::saveToXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    std::string text;
    for (const Vertex& v : vertices()) {
        if (!text.empty()) text += ';';
        text += vdcommon::detail::cFormat("%.20lf,%.20lf,%.20lf,%d", v.point.x, v.point.y, v.radius, v.type);
    }
    zvdxml::setAttribute(element, names->polyline, QString::fromStdString(text));
}

void ZVDPolyline::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDCurve::doLoadFromXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    std::vector<Vertex> read;
    for (const zvdvertex::Record& r : zvdvertex::splitRecords(zvdxml::attribute(element, names->polyline))) {
        Vertex vertex;
        vertex.point = r.point;
        vertex.radius = r.radius;
        vertex.type = r.type;
        read.push_back(vertex);
    }
    buildFrom(std::move(read));
}

void ZVDPolyline::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDCurve::saveToStream(stream);
    std::iostream& s = *stream;
    std::vector<Vertex> all = vertices();
    // The count is 16 bits wide: a longer chain keeps its first 32766 segments.
    if (all.size() > INT16_MAX) all.resize(INT16_MAX);
    writeLE<int16_t>(s, static_cast<int16_t>(all.size()));
    for (size_t i = 0; i < all.size(); ++i) {
        const Vertex& v = all[i];
        const auto kind = static_cast<uint8_t>(i + 1 < all.size() ? v.type : 0);
        writeLE<uint8_t>(s, kind);
        writeLE<double>(s, v.point.x);
        writeLE<double>(s, v.point.y);
        if (kind != 0) writeLE<double>(s, v.radius);
    }
}

// Vertices are read one at a time, so a count larger than the record holds ends in a failed
// stream without any allocation beyond the data actually present (and a small first reserve).
void ZVDPolyline::doLoadFromStream(std::iostream* stream) {
    ZVDCurve::doLoadFromStream(stream);
    if (!stream || stream->fail()) return;
    std::iostream& s = *stream;
    int16_t count = 0;
    if (!readLE(s, count)) return;
    std::vector<Vertex> read;
    if (count > 0) read.reserve(static_cast<size_t>(std::min<int>(count, kVertexReserve)));  // none when negative
    for (int i = 0; i < count; ++i) {
        uint8_t kind = 0;
        Vertex v;
        FieldRun vertex(s, 1 + 8 + 8);  // the radius follows only for arc segments
        if (!vertex.take(kind) || !vertex.take(v.point.x) || !vertex.take(v.point.y)) return;
        if (kind != 0 && !readLE(s, v.radius)) return;
        v.type = kind;
        read.push_back(v);
    }
    buildFrom(std::move(read));
}
