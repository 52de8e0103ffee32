// zvd: ZVDPolygon, the area item: the flat curve list, curve selection, hit tests by fill style,
// the grips that keep every loop connected while they drag, editing, snapshots and both file forms.
#include "zvd/entities/zvdpolygon.h"

#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include <QDomElement>

#include "entities/zvditemgeom.h"
#include "entities/zvdloadutil.h"
#include "entities/zvdvertexrecords.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/vdcommon_curves.h"
#include "zvd/entities/vdcommon_ellipse.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zgp::CArc2d;
using zgp::CBox2;
using zgp::CCurve2d;
using zgp::CEllipse2d;
using zgp::CLine2d;
using zgp::CLoop;
using zgp::CNurbsCurve2d;
using zgp::CPolygon;
using zgp::CPositionJudge;
using zgp::CRefPtr;
using zgp::CVec2;

namespace {

const zgp::ZRegHelper<int> s_regPolygon(ZVDEntity::GetFactory(), vdiPolygon, &ZVDPolygon::CreateInstance);

// The attribute that tells the polygon text form from the older vertex records. The hatch
// writes the same name, so it is not part of the attribute-name table.
const wchar_t* const kHatchVersion = L"HatchVersion";

// An arc end that lands this close to the other end of the old curve shows a reversed result.
constexpr double kReversedEnd = 0.0001;
// Accuracy of the points found at a fraction of a curve's length.
constexpr double kLengthTol = 0.0001;

bool isEllipse(const CCurve2d* c) { return c && c->Type() == zgp::GT_ELLIPSE; }
bool isArc(const CCurve2d* c) { return c && c->Type() == zgp::GT_ARC; }

// The closed arcs and ellipses carry four quarter points; a closed NURBS curve carries none.
int extraGripCount(const CCurve2d& c) {
    if (!c.IsClosed()) return 1;
    return c.Type() == zgp::GT_ARC || c.Type() == zgp::GT_ELLIPSE ? 4 : 0;
}

// The arc that stretchArc makes when the end of `arc` at pt moves by offset; null when it
// cannot (an arc that would close on itself or vanish) or when no arc results.
CRefPtr<CArc2d> stretchedArc(const CCurve2d* arc, const CVec2<double>& pt, const CVec2<double>& offset) {
    CRefPtr<CCurve2d> r(vdcommon::stretchArc(arc, pt, offset));
    if (!r || r->Type() != zgp::GT_ARC) return CRefPtr<CArc2d>();
    return CRefPtr<CArc2d>(static_cast<CArc2d*>(r.Release()));
}

// Gives arc the geometry of r, which the caller built from it with one end moved; a result that
// runs the other way (its end back at `oldStart`, the arc's unmoved start) is turned round first.
void takeArc(CCurve2d* arc, CArc2d& r, const CVec2<double>& oldStart) {
    if (r.EndPoint().DistanceTo(oldStart) <= kReversedEnd) r.Reverse();
    static_cast<CArc2d*>(arc)->Set(r.CenterPt(), r.StartPoint(), r.EndPoint(), r.Sense());
}

void moveNurbsPoint(CCurve2d* c, int index, const CVec2<double>& offset) {
    auto* nurbs = static_cast<CNurbsCurve2d*>(c);
    CVec2<double> p;
    double w = 1.0;
    if (nurbs->GetCtrlPt(index, p, w)) nurbs->SetCtrlPt(index, p + offset, w);
}

}  // namespace

// ---- construction ----

ZVDEntity::SetDispLevelHelper ZVDPolygon::m_autoSetDispLevel(0);

ZVDPolygon::ZVDPolygon() = default;
ZVDPolygon::~ZVDPolygon() = default;

zgp::IBase* ZVDPolygon::CreateInstance() { return new ZVDPolygon(); }

int ZVDPolygon::displayLevel() const { return 0; }
EnVDIType ZVDPolygon::itemType() const { return vdiPolygon; }

void ZVDPolygon::setPolygon(CPolygon* polygon) {
    if (polygon != m_polygon.Get()) m_polygon.Reset(polygon);
    forgetReadText();
    rebuildOutRect();
}

void ZVDPolygon::setFillStyle(const EnBrushStyle& style) {
    m_fillStyle = style;
    doDataChanged(true);
}

// The common assign copies the other item's cached box; it is rebuilt from the copied loops.
void ZVDPolygon::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    if (auto* o = dynamic_cast<ZVDPolygon*>(&other)) {
        if (o != this) {
            m_polygon.Reset(o->m_polygon ? o->m_polygon->Clone() : nullptr);
            forgetReadText();
        }
        m_fillStyle = o->m_fillStyle;
    }
    doDataChanged(true);
}

ZVDCoordData* ZVDPolygon::createCoordData() {
    if (!m_polygon) return nullptr;
    auto* data = new ZVDIPolygonCoordData();
    data->setID(iD());
    data->setPolygon(m_polygon->Clone());
    return data;
}

void ZVDPolygon::setCoordData(ZVDCoordData& data) {
    auto* own = dynamic_cast<ZVDIPolygonCoordData*>(&data);
    if (!own || !own->polygon()) return;
    m_polygon.Reset(own->polygon()->Clone());
    forgetReadText();
    doDataChanged(true);
}

// ---- properties and selection ----

std::set<ZVDEPropType> ZVDPolygon::propTypes() const {
    std::set<ZVDEPropType> types = ZVDEntity::propTypes();
    types.insert(vdpPolygonFillStyle);
    return types;
}

std::wstring ZVDPolygon::propValue(const ZVDEPropType& type) const {
    if (type == vdpPolygonFillStyle) return vdcommon::intToStr(m_fillStyle);
    return ZVDEntity::propValue(type);
}

void ZVDPolygon::setPropValue(const ZVDEPropType& type, const std::wstring& value) {
    if (type == vdpPolygonFillStyle)
        setFillStyle(static_cast<EnBrushStyle>(vdcommon::strToInt(value)));
    else if (type == vdpExtData || type == vdpColor)
        ZVDEntity::setPropValue(type, value);
}

void ZVDPolygon::setSelected(bool selected) {
    ZVDEntity::setSelected(selected);
    if (!selected) clearCurveSelectedState();
}

void ZVDPolygon::requestRepaint() {
    if (ZVectorDrawing* drawing = owner()) drawing->notify();
}

void ZVDPolygon::setCurveSelectedState(int index, bool selected) {
    if (selected)
        m_selectedCurves.insert(index);
    else
        m_selectedCurves.erase(index);
    requestRepaint();
}

void ZVDPolygon::getCurveSelectedState(int index, bool& selected) const {
    selected = m_selectedCurves.count(index) != 0;
}

void ZVDPolygon::clearCurveSelectedState() {
    m_selectedCurves.clear();
    requestRepaint();
}

void ZVDPolygon::getSelectedCurveList(std::set<int>& out) const { out = m_selectedCurves; }

// ---- the flat curve list ----

std::vector<CCurve2d*> ZVDPolygon::getCurveListFromPolygon() const {
    std::vector<CCurve2d*> out;
    if (!m_polygon) return out;
    for (int l = 0; l < m_polygon->LoopCount(); ++l) {
        const CLoop* loop = m_polygon->GetLoop(l);
        for (int i = 0; i < loop->CoedgeCount(); ++i) out.push_back(loop->GetCurve(i));
    }
    return out;
}

bool ZVDPolygon::locate(int flat, int& loop, int& index) const {
    if (!m_polygon || flat < 0) return false;
    for (int l = 0; l < m_polygon->LoopCount(); ++l) {
        const int n = m_polygon->GetLoop(l)->CoedgeCount();
        if (flat < n) {
            loop = l;
            index = flat;
            return true;
        }
        flat -= n;
    }
    return false;
}

CCurve2d* ZVDPolygon::line(int i) {
    int loop = 0, index = 0;
    return locate(i, loop, index) ? m_polygon->GetLoop(loop)->GetCurve(index) : nullptr;
}

int ZVDPolygon::xLineCount() const {
    int n = 0;
    if (m_polygon)
        for (int l = 0; l < m_polygon->LoopCount(); ++l) n += m_polygon->GetLoop(l)->CoedgeCount();
    return n;
}

CRefPtr<CCurve2d> ZVDPolygon::xLines(int i) {
    const CCurve2d* c = line(i);
    return CRefPtr<CCurve2d>(c ? c->Clone() : nullptr);
}

void ZVDPolygon::setXLines(int i, CCurve2d* c) {
    CCurve2d* own = line(i);
    if (!own || !c || own->Type() != c->Type()) return;
    switch (own->Type()) {
    case zgp::GT_LINE:
        static_cast<CLine2d*>(own)->Set(c->StartPoint(), c->EndPoint());
        break;
    case zgp::GT_ARC: {
        auto* arc = static_cast<CArc2d*>(own);
        const auto* src = static_cast<const CArc2d*>(c);
        if (arc->IsClosed()) {
            arc->SetCenterPt(src->CenterPt());
            arc->SetRadius(src->Radius());
        } else {
            arc->Set(src->CenterPt(), src->Radius(), src->Range(), src->Sense());
        }
        break;
    }
    case zgp::GT_ELLIPSE:
        if (!own->IsClosed() || !c->IsClosed()) return;
        vdcommon::setEllipse(static_cast<const CEllipse2d*>(c), static_cast<CEllipse2d*>(own));
        break;
    default:
        return;
    }
    m_polygon->ResetAllStates();
    doDataChanged(true);
}

int ZVDPolygon::getIndexByCurve(CCurve2d* curve) const {
    int loop = 0, index = 0;
    if (!curve || !getCurveIndexFromPolygon(curve, loop, index)) return -1;
    int flat = index;
    for (int l = 0; l < loop; ++l) flat += m_polygon->GetLoop(l)->CoedgeCount();
    return flat;
}

bool ZVDPolygon::getCurveIndexFromPolygon(CCurve2d* curve, int& loop, int& index) const {
    if (!m_polygon || !curve) return false;
    for (int l = 0; l < m_polygon->LoopCount(); ++l) {
        const CLoop* lp = m_polygon->GetLoop(l);
        for (int i = 0; i < lp->CoedgeCount(); ++i)
            if (lp->GetCurve(i) == curve) {
                loop = l;
                index = i;
                return true;
            }
    }
    return false;
}

int ZVDPolygon::getIndex(const std::pair<int, int>& loopAndCurve) const {
    int flat = loopAndCurve.second;
    if (m_polygon)
        for (int l = 0; l < loopAndCurve.first && l < m_polygon->LoopCount(); ++l)
            flat += m_polygon->GetLoop(l)->CoedgeCount() - 1;
    return flat;
}

// ---- geometry and hit tests ----

void ZVDPolygon::buildOutRect(CBox2<double>& box) {
    if (m_polygon)
        box = m_polygon->Box();
    else
        box.SetEmpty();
}

bool ZVDPolygon::hitTest(const CVec2<double>& pt, double tol) {
    if (!m_polygon) return false;
    CBox2<double> box = outRect();
    box.Inflate(tol);
    if (!box.Contains(pt)) return false;
    CPositionJudge judge;
    judge.SetDistEpsilon(tol);
    const int position = judge.GetPointPolygonPosition(pt, m_polygon.Get(), tol);
    if (m_fillStyle == bsClear) return position == CPositionJudge::PT_ON;
    return position != CPositionJudge::PT_OUTSIDE;
}

bool ZVDPolygon::hitSelect(const CVec2<double>& a, const CVec2<double>& b, double tol) {
    if ((a - b).SqrLength() <= zvditemgeom::kZeroDragSqr) return hitTest(a, tol);
    if (!m_polygon) return false;
    const CBox2<double> sel(a, b);
    const CBox2<double> box = outRect();
    if (b.x > a.x) return sel.Contains(box, zvditemgeom::kSelectSlack);
    if (!sel.Overlaps(box, zvditemgeom::kSelectSlack) || !zvditemgeom::isValidBox(box)) return false;
    CPositionJudge judge;
    const double eps = zgp::g_DistEpsilon;
    if (!vdcommon::fuzzyEqual(a.x, b.x, eps) && !vdcommon::fuzzyEqual(a.y, b.y, eps)) {
        CRefPtr<CPolygon> rect(new CPolygon());
        rect->AddLoop(vdcommon::getLoopByBox(sel), true);
        return judge.GetPolygonPosition(rect.Get(), m_polygon.Get()) != CPositionJudge::RG_APART;
    }
    const CRefPtr<CLine2d> segment(new CLine2d(a, b));
    return judge.GetCurvePolygonPosition(segment.Get(), m_polygon.Get()) != CPositionJudge::RG_APART;
}

// ---- editing ----

void ZVDPolygon::move(const CVec2<double>& offset) {
    if (!m_polygon) return;
    m_polygon->Move(offset);
    doDataChanged(true);
}

void ZVDPolygon::rotate(const CVec2<double>& centre, double angle) {
    if (!m_polygon) return;
    m_polygon->Rotate(centre, angle);
    doDataChanged(true);
}

void ZVDPolygon::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    if (!m_polygon) return;
    m_polygon->Transform(zvditemgeom::reflectionMatrix(p1, p2));
    m_polygon->ResetAllStates();
    doDataChanged(true);
}

ZVDEntity* ZVDPolygon::transform(zgp::CMatrix3<double>* matrix) {
    if (!matrix || !m_polygon) return nullptr;
    std::unique_ptr<ZVDEntity> copy(clone());
    auto* polygon = dynamic_cast<ZVDPolygon*>(copy.get());
    if (!polygon || !polygon->m_polygon) return nullptr;
    if (!polygon->m_polygon->Transform(zgp::CMatrix4<double>::FromMatrix3(*matrix))) return nullptr;
    polygon->m_polygon->ResetAllStates();
    polygon->rebuildOutRect();
    return copy.release();
}

void ZVDPolygon::doStretch(const CBox2<double>&, const CVec2<double>&) {}
void ZVDPolygon::doDrawElastic(HDC, const ZCoordTrans&) {}
void ZVDPolygon::doDrawNormal(HDC, const ZCoordTrans&) {}
void ZVDPolygon::doDrawSelected(HDC, const ZCoordTrans&) {}

// ---- grips ----

ZVDPolyonGripInfo ZVDPolygon::innerGetGripInfo(int grip) const {
    ZVDPolyonGripInfo info;
    if (grip < 0) return info;
    const std::vector<CCurve2d*> curves = getCurveListFromPolygon();
    const int m = static_cast<int>(curves.size());
    if (grip < m) {
        info.curve = grip;
        info.kind = curves[static_cast<size_t>(grip)]->IsClosed() ? pgtCentre : pgtConnection;
        return info;
    }
    int first = m;  // the index of the first extra grip of curve i
    for (int i = 0; i < m; ++i) {
        const CCurve2d& c = *curves[static_cast<size_t>(i)];
        const int n = extraGripCount(c);
        if (grip < first + n) {
            info.curve = i;
            info.kind = c.IsClosed() ? pgtCloseMid : pgtMidPoint;
            info.quarter = c.IsClosed() ? grip - first : 0;
            return info;
        }
        first += n;
    }
    return info;
}

int ZVDPolygon::getGripIndexInCurve(int grip) const { return innerGetGripInfo(grip).quarter; }
ZVDPolygonGripType ZVDPolygon::getGripType(int grip) const { return innerGetGripInfo(grip).kind; }

CCurve2d* ZVDPolygon::getCurveFromIndex(int grip) const {
    CCurve2d* curve = nullptr;
    int flat = -1;
    return getCurveAndIndexFromGripIndex(grip, &curve, flat) ? curve : nullptr;
}

bool ZVDPolygon::getCurveAndIndexFromGripIndex(int grip, CCurve2d** curve, int& flat) const {
    const ZVDPolyonGripInfo info = innerGetGripInfo(grip);
    int loop = 0, index = 0;
    if (info.kind == pgtNone || !locate(info.curve, loop, index)) return false;
    if (curve) *curve = m_polygon->GetLoop(loop)->GetCurve(index);
    flat = info.curve;
    return true;
}

bool ZVDPolygon::getRelationCurveListByGripIndex(int grip, CCurve2d** prev, CCurve2d** next) const {
    int loop = 0, index = 0;
    if (!locate(innerGetGripInfo(grip).curve, loop, index)) return false;
    const CLoop* lp = m_polygon->GetLoop(loop);
    const int n = lp->CoedgeCount();
    if (prev) *prev = lp->GetCurve((index + n - 1) % n);
    if (next) *next = lp->GetCurve((index + 1) % n);
    return true;
}

int ZVDPolygon::gripCount() {
    if (!showGrip() || !m_polygon) return 0;
    int total = 0;
    for (const CCurve2d* c : getCurveListFromPolygon()) total += 1 + extraGripCount(*c);
    return total;
}

CVec2<double> ZVDPolygon::pointAtFraction(const CCurve2d& c, double f) {
    double t = c.StartT();
    if (!c.PointAtLength(c.StartT(), c.Length() * f, t, kLengthTol)) t = c.StartT() + (c.EndT() - c.StartT()) * f;
    return c.GetPoint(t);
}

CVec2<double> ZVDPolygon::grip(int index) {
    const ZVDPolyonGripInfo info = innerGetGripInfo(index);
    const CCurve2d* c = info.kind == pgtNone ? nullptr : line(info.curve);
    if (!c) return outRect().Center();
    switch (info.kind) {
    case pgtConnection:
        return c->StartPoint();
    case pgtMidPoint:
        return pointAtFraction(*c, 0.5);
    case pgtCloseMid:
        return pointAtFraction(*c, info.quarter / 4.0);
    default:
        return c->Box().Center();
    }
}

ZVDGripType ZVDPolygon::gripType(int) { return 1; }

void ZVDPolygon::getCurveIndexByGripPt(const CVec2<double>& pt, std::set<int>& out) {
    out.clear();
    const std::vector<CCurve2d*> curves = getCurveListFromPolygon();
    int total = 0;
    for (const CCurve2d* c : curves) total += 1 + extraGripCount(*c);
    for (int g = 0; g < total; ++g) {
        if ((grip(g) - pt).SqrLength() > zvditemgeom::kZeroDragSqr) continue;
        const ZVDPolyonGripInfo info = innerGetGripInfo(g);
        out.insert(info.curve);
        if (info.kind == pgtConnection || info.kind == pgtMidPoint) {
            CCurve2d *prev = nullptr, *next = nullptr;
            getRelationCurveListByGripIndex(g, &prev, &next);
            out.insert(getIndexByCurve(prev));
            if (info.kind == pgtMidPoint) out.insert(getIndexByCurve(next));
        }
        return;
    }
}

bool ZVDPolygon::getRelationCurve2dByConnectionPoint(int grip, CCurve2d** prev, CCurve2d** cur) {
    if (!prev || !cur || getGripType(grip) != pgtConnection) return false;
    *cur = getCurveFromIndex(grip);
    getRelationCurveListByGripIndex(grip, prev, nullptr);
    return *prev && *cur && !isEllipse(*prev) && !isEllipse(*cur);
}

bool ZVDPolygon::tryDrag(CCurve2d* prev, CCurve2d* next, const CVec2<double>& offset) {
    if (isArc(prev) && !stretchedArc(prev, prev->EndPoint(), offset)) return false;
    if (isArc(next) && !stretchedArc(next, next->StartPoint(), offset)) return false;
    return true;
}

void ZVDPolygon::dragRelationCurve(CCurve2d* prev, CCurve2d* next, const CVec2<double>& offset) {
    switch (prev->Type()) {
    case zgp::GT_LINE:
        static_cast<CLine2d*>(prev)->Set(prev->StartPoint(), prev->EndPoint() + offset);
        break;
    case zgp::GT_NURBS:
        moveNurbsPoint(prev, static_cast<CNurbsCurve2d*>(prev)->CtrlPtCount() - 1, offset);
        break;
    case zgp::GT_ARC:
        if (CRefPtr<CArc2d> r = stretchedArc(prev, prev->EndPoint(), offset)) takeArc(prev, *r, prev->StartPoint());
        break;
    default:
        break;
    }
    switch (next->Type()) {
    case zgp::GT_LINE:
        static_cast<CLine2d*>(next)->Set(next->StartPoint() + offset, next->EndPoint());
        break;
    case zgp::GT_NURBS:
        moveNurbsPoint(next, 0, offset);
        break;
    case zgp::GT_ARC:
        if (CRefPtr<CArc2d> r = stretchedArc(next, next->StartPoint(), offset)) takeArc(next, *r, next->StartPoint());
        break;
    default:
        break;
    }
}

// A refused drag leaves the loops as they were.
void ZVDPolygon::gripConnectionPoint(int grip, const CVec2<double>& offset) {
    CCurve2d *prev = nullptr, *cur = nullptr;
    if (getRelationCurve2dByConnectionPoint(grip, &prev, &cur) && tryDrag(prev, cur, offset))
        dragRelationCurve(prev, cur, offset);
}

// Neighbours that refuse the stretch stay as they are while the curve itself still moves.
void ZVDPolygon::gripMidPoint(int grip, const CVec2<double>& offset) {
    CCurve2d* cur = getCurveFromIndex(grip);
    CCurve2d *prev = nullptr, *next = nullptr;
    if (!cur || !getRelationCurveListByGripIndex(grip, &prev, &next)) return;
    if (isEllipse(prev) || isEllipse(next)) return;
    if (prev != next) {
        if (tryDrag(prev, next, offset)) dragRelationCurve(prev, next, offset);
    } else if (prev != cur) {
        prev->Move(offset);  // a loop of two curves moves as a whole
    }
    cur->Move(offset);
}

bool ZVDPolygon::getEllipseMarState(int grip) const {
    const ZVDPolyonGripInfo info = innerGetGripInfo(grip);
    const CCurve2d* c = const_cast<ZVDPolygon*>(this)->line(info.curve);
    if (!c) return false;
    CVec2<double> q[4];
    for (int k = 0; k < 4; ++k) q[k] = pointAtFraction(*c, k / 4.0);
    const int k = info.quarter;
    return q[k].DistanceTo(q[(k + 2) % 4]) > q[(k + 1) % 4].DistanceTo(q[(k + 3) % 4]);
}

void ZVDPolygon::gripCloseMidPoint(int grip, const CVec2<double>& offset) {
    CCurve2d* c = getCurveFromIndex(grip);
    if (!c) return;
    const CVec2<double> at = this->grip(grip);
    if (c->Type() == zgp::GT_ARC) {
        const double r = c->Box().Center().DistanceTo(at + offset);
        if (r > 0.0) static_cast<CArc2d*>(c)->SetRadius(r);
    } else if (c->Type() == zgp::GT_ELLIPSE) {
        vdcommon::dragCloseEllipse(static_cast<CEllipse2d*>(c), getEllipseMarState(grip), offset, at);
    }
}

// Every drag, also one refused by an ellipse neighbour or an arc that cannot stretch, ends with
// the loops turned the kernel's way (unless the item is a temporary one being dragged), the
// cached states dropped and one report, so that a host sees the same sequence for every drag.
bool ZVDPolygon::dragGrip(int index, const CVec2<double>& offset) {
    if (!m_polygon) return true;
    switch (getGripType(index)) {
    case pgtConnection:
        gripConnectionPoint(index, offset);
        break;
    case pgtMidPoint:
        gripMidPoint(index, offset);
        break;
    case pgtCloseMid:
        gripCloseMidPoint(index, offset);
        break;
    case pgtCentre:
        if (CCurve2d* c = getCurveFromIndex(index)) c->Move(offset);
        break;
    default:
        break;
    }
    if (!temp() && !m_polygon->IsLoopDirCorrect()) m_polygon->Reverse();
    m_polygon->ResetAllStates();
    doDataChanged(true);
    return true;
}

// ---- persistence ----

bool ZVDPolygon::keepsReadText() const {
    return m_polygon && !m_readText.isEmpty() && std::hash<std::string>()(m_polygon->AsString()) == m_builtHash;
}

void ZVDPolygon::forgetReadText() {
    m_readText.clear();
    m_builtHash = 0;
}

void ZVDPolygon::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    zvdxml::setAttribute(element, kHatchVersion, 1);
    const QString form = keepsReadText() ? m_readText : vdcommon::polygonToString(m_polygon.Get());
    zvdxml::setAttribute(element, names->xPoly, form + QLatin1Char('#'));
}

void ZVDPolygon::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    forgetReadText();
    const QString text = zvdxml::attribute(element, names->xPoly);
    if (zvdxml::intAttribute(element, kHatchVersion) != 0) {
        // The text ends with "#" (the hatch's separator between polygons); one polygon is read.
        const QString form = text.section(QLatin1Char('#'), 0, 0);
        if (form.isEmpty()) return;
        m_polygon.Reset(vdcommon::stringToPolygon(form));
        m_readText = form;
        m_builtHash = std::hash<std::string>()(m_polygon->AsString());
        return;
    }
    auto* polygon = new CPolygon();
    polygon->AddLoop(zvdvertex::closedLoop(zvdvertex::splitRecords(text)), true);
    m_polygon.Reset(polygon);
}

void ZVDPolygon::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    const std::string form = m_polygon ? m_polygon->AsString() : std::string();
    writeLE<int32_t>(*stream, static_cast<int32_t>(form.size()));
    stream->write(form.data(), static_cast<std::streamsize>(form.size()));
    writeLE<int32_t>(*stream, static_cast<int32_t>(m_fillStyle));
}

void ZVDPolygon::doLoadFromStream(std::iostream* stream) {
    m_polygon.Reset();
    forgetReadText();
    ZVDEntity::doLoadFromStream(stream);
    if (!stream || stream->fail()) return;
    std::iostream& s = *stream;
    std::string form;
    if (vdcommon::detail::readCountedBytes(s, 4, form)) {
        CRefPtr<zgp::CGeometry> read(zgp::CGeometry::LoadFromStr(form));
        if (!read || read->Type() != zgp::GT_POLYGON) {
            zvdload::markStreamFailed(s);
            return;
        }
        m_polygon.Reset(static_cast<CPolygon*>(read.Release()));
    }
    if (s.fail()) return;
    int32_t style = 0;
    if (readLE(s, style)) m_fillStyle = static_cast<EnBrushStyle>(style);
}
