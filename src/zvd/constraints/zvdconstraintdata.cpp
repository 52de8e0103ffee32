// zvd: the base of the constraint kinds: the kind factory, reference resolution through the
// drawing's identifier map, the solver-object set, and the text placement of dimensions.
#include "zvd/constraints/zvdconstraintdata.h"

#include <climits>
#include <cmath>

#include "constraints/zvdconstraintgeom.h"
#include "zcs/solver2d.h"
#include "zgp/arc2d.h"
#include "zgp/tolerance.h"
#include "zvd/constraints/zvdconstraint.h"
#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/constraints/zvdconstraintkinds.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcurve.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdpolygon.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CVec2;
using namespace zvdconstraint;

namespace {

constexpr double kTwoPi = 6.283185307179586476925;

// Item kinds whose segments a constraint may bind.
bool hasConstraintGeometry(EnVDIType type) {
    switch (type) {
    case vdiLine:
    case vdiArc:
    case vdiCircle:
    case vdiPolyline:
    case vdiEllipse:
    case vdiPolygon:
        return true;
    default:
        return false;
    }
}

// atan2 of v taken into [0, 2*pi).
double fullAngle(const CVec2<double>& v) {
    double a = std::atan2(v.y, v.x);
    if (a < 0) a += kTwoPi;
    return a;
}


}  // namespace

namespace vdcommon {

bool countsAsZero(double v) {
    const double tol = zgp::g_DistEpsilon > 0 ? zgp::g_DistEpsilon : std::max(1e-12, std::fabs(v) * 1e-12);
    return std::fabs(v) <= tol;
}

// Values beyond the int range (as a damaged file may hold) saturate; NaN gives 0.
int roundDimMode(double v) {
    double r;
    if (v > 0.4)
        r = std::floor(v + 0.5);
    else if (v < -0.4)
        r = -std::floor(0.5 - v);
    else
        return 0;
    if (r >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (r <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(r);
}

}  // namespace vdcommon

// ---- construction and the factory ----

ZVDConstraintData::ZVDConstraintData(ZVectorDrawing* drawing, ZVDConstraint* constraint,
                                     const ZVDConstraintParams& params, ZVDConstraintDataType type)
    : m_drawing(drawing), m_constraint(constraint), m_params(params), m_dataType(type) {}

ZVDConstraintData::~ZVDConstraintData() = default;

ZVDConstraintData* ZVDConstraintData::create(ZVDConstraintDataType type, ZVDConstraint* item,
                                             const ZVDConstraintParams& params) {
    ZVectorDrawing* drawing = item ? item->owner() : nullptr;
    switch (type) {
    case cdtPointOnLine: return new ZVDConstrainPointOnLineData(drawing, item, params, type);
    case cdtCoincident: return new ZVDConstrainCoincidentData(drawing, item, params, type);
    case cdtSameLine: return new ZVDConstrainSameLineData(drawing, item, params, type);
    case cdtParallel: return new ZVDConstraintParallelData(drawing, item, params, type);
    case cdtPerpendicular: return new ZVDConstraintPerpendicularData(drawing, item, params, type);
    case cdtTangent: return new ZVDConstraintTangentData(drawing, item, params, type);
    case cdtConcentric: return new ZVDConstraintConcentricData(drawing, item, params, type);
    case cdtHorizon: return new ZVDConstraintHorizonData(drawing, item, params, type);
    case cdtVertical: return new ZVDConstraintVerticalData(drawing, item, params, type);
    case cdtEqual: return new ZVDConstraintEqualData(drawing, item, params, type);
    case cdtPinned: return new ZVDConstraintPinnedData(drawing, item, params, type);
    case cdtLineLength: return new ZVDConstraintLineLengthData(drawing, item, params, type);
    case cdtPointDistanceToPoint: return new ZVDConstraintPointDistanceToPointData(drawing, item, params, type);
    case cdtPointDistanceToLine: return new ZVDConstraintPointDistanceToLineData(drawing, item, params, type);
    case cdtLineDistanceToLine: return new ZVDConstraintLineDistanceToLineData(drawing, item, params, type);
    case cdtArcAngle: return new ZVDConstraintArcAngleData(drawing, item, params, type);
    case cdtLineAngle: return new ZVDConstraintLineAngleData(drawing, item, params, type);
    case cdtRadius: return new ZVDConstraintRadiusData(drawing, item, params, type);
    case cdtDiameter: return new ZVDConstraintDiameterData(drawing, item, params, type);
    case cdtEllipseRadius: return new ZVDConstraintEllipseRadiusData(drawing, item, params, type);
    case cdtMultiDistance:
        if (item) item->setCanEdit(false);
        return new ZVDConstraintMultiDistanceData(drawing, item, params, type);
    default: return nullptr;
    }
}

// ---- base behaviour ----

void ZVDConstraintData::modifyData(const ZVDConstraintParams& params) { m_params = params; }

void ZVDConstraintData::draw(HDC, const ZCoordTrans&, bool) {}

bool ZVDConstraintData::setValue(double v) {
    m_params.value = v;
    return true;
}

bool ZVDConstraintData::holdsObject(const zcs::IConstraint* object) const {
    for (const auto& o : m_objects)
        if (o.get() == object) return true;
    return false;
}

void ZVDConstraintData::releaseObjects() { m_objects.clear(); }

void ZVDConstraintData::drawTextMark(HDC hdc, const ZCoordTrans& trans) const {
    if (m_text.empty()) return;
    std::set<EnFontStyle> none;
    ZDrawFunc2d::drawScaleText(hdc, &trans, m_text, m_textPos, 0.0, 5.0, haCenter, vaCenter, L"\u5b8b\u4f53", 0xFFFFFF,
                               none, 0, true, vdcommon::dmNormal);
}

bool ZVDConstraintData::enabled() const { return !m_constraint || m_constraint->enable(); }

void ZVDConstraintData::setAnchor(const CVec2<double>& textPos, const CVec2<double>& from, const CVec2<double>& to) {
    m_textPos = textPos;
    m_xLine.Reset(new zgp::CLine2d(from, to));
}

ZVDConstraintObj* ZVDConstraintData::addObject(zcs::ISolver2d* solver, EnConstraintType type,
                                               std::initializer_list<std::pair<zgp::CGeometry*, EnDimRefType>> refs) {
    auto obj = std::make_unique<ZVDConstraintObj>();
    obj->SetType(type);
    for (const auto& r : refs) obj->AddReferenceGeometrys(new ZlDimRefGeometry(r.first, r.second));
    ZVDConstraintObj* raw = obj.get();
    m_objects.push_back(std::move(obj));
    if (solver) solver->AddConstraint(raw);
    return raw;
}

ZVDConstraintObj* ZVDConstraintData::addObject(zcs::ISolver2d* solver, EnConstraintType type, double value,
                                               std::initializer_list<std::pair<zgp::CGeometry*, EnDimRefType>> refs) {
    auto obj = std::make_unique<ZVDConstraintObj>();
    obj->SetType(type);
    obj->SetValue(value);
    for (const auto& r : refs) obj->AddReferenceGeometrys(new ZlDimRefGeometry(r.first, r.second));
    ZVDConstraintObj* raw = obj.get();
    m_objects.push_back(std::move(obj));
    if (solver) solver->AddConstraint(raw);
    return raw;
}

// ---- references ----

ZVDEntity* ZVDConstraintData::entity(int which) const {
    const int id = which == 1 ? m_params.entityID1 : m_params.entityID2;
    // Data made before its item joined a drawing resolves through the item's owner.
    ZVectorDrawing* drawing = m_drawing ? m_drawing : (m_constraint ? m_constraint->owner() : nullptr);
    if (!drawing || id == -1) return nullptr;
    return drawing->find(id);
}

int ZVDConstraintData::entityIndex(int which) const {
    return which == 1 ? m_params.entityIndexID1 : m_params.entityIndexID2;
}

zgp::CCurve2d* ZVDConstraintData::geometry(int which) const {
    ZVDEntity* item = entity(which);
    if (!item || !hasConstraintGeometry(item->itemType())) return nullptr;
    auto* curve = static_cast<ZVDCurve*>(item);
    const int index = entityIndex(which);
    if (index < 0 || index >= curve->xLineCount()) return nullptr;
    return curve->line(index);
}

bool ZVDConstraintData::refPoint(int which, EnDimRefType type, CVec2<double>& out) const {
    const zgp::CCurve2d* g = geometry(which);
    if (!g) return false;
    out = CVec2<double>(0, 0);
    switch (type) {
    case edrStart: out = g->StartPoint(); break;
    case edrEnd: out = g->EndPoint(); break;
    case edrCenter: {
        const EnVDIType kind = entity(which)->itemType();
        const bool arcItem = kind == vdiArc || kind == vdiCircle;
        if ((arcItem || kind == vdiPolygon) && g->Type() == zgp::GT_ARC)
            out = static_cast<const zgp::CArc2d*>(g)->CenterPt();
        break;
    }
    default: break;
    }
    return true;
}

// ---- dimension kinds ----

ZVDConstraintDimensionData::~ZVDConstraintDimensionData() = default;

bool ZVDConstraintDimensionData::updateValue() { return true; }
bool ZVDConstraintDimensionData::isValidValue() { return true; }

int ZVDConstraintDimensionData::directionMode() const { return vdcommon::roundDimMode(params().dimParams[0]); }

namespace {

// The text item follows a placement: position, angle and alignments, each refreshing it only
// when it changes.
void placeTextItem(ZVDText* t, const CVec2<double>& at, double angle, int vert) {
    if (!t) return;
    if ((t->insertPt() - at).SqrLength() > 4.930380657631324e-32) t->setInsertPt(at);
    t->setAngle(static_cast<float>(angle));
    t->setHorzAlignment(haCenter);
    t->setVertAlignment(static_cast<EnVertAlignment>(vert));
}

}  // namespace

void ZVDConstraintDimensionData::placeText(const CVec2<double>& p, CVec2<double>& dir, double offset) {
    setTextPos(p + unit(dir) * offset);
    const double a = fullAngle(dir);
    const double eps = zgp::g_AngleEpsilon;
    // Text reads upright: a direction pointing into the lower half turns the other way.
    if (eps < a && a < kPi + eps) {
        dir = CVec2<double>(dir.y, -dir.x);
        m_textVert = 1;
    } else {
        dir = CVec2<double>(-dir.y, dir.x);
        m_textVert = 0;
    }
    m_textAngle = fullAngle(dir);
    m_textHorz = 2;
    if (ZVDConstraintDimension* d = dimension()) placeTextItem(d->dimText(), textPos(), m_textAngle, m_textVert);
}

void ZVDConstraintDimensionData::placeTextBeside(const CVec2<double>& p, CVec2<double>& dir, double offset) {
    const double a = fullAngle(dir);
    const double eps = zgp::g_AngleEpsilon;
    if (kPi / 2 - eps < a && a < 3 * kPi / 2 - eps)
        dir = CVec2<double>(dir.y, -dir.x);
    else
        dir = CVec2<double>(-dir.y, dir.x);
    setTextPos(p + unit(dir) * offset);
    dir = CVec2<double>(dir.y, -dir.x);
    m_textAngle = fullAngle(dir);
    m_textHorz = 2;
    m_textVert = 1;
    if (ZVDConstraintDimension* d = dimension()) placeTextItem(d->dimText(), textPos(), m_textAngle, m_textVert);
}

ZVDConstraintDimension* ZVDConstraintDimensionData::dimension() const {
    return dynamic_cast<ZVDConstraintDimension*>(constraint());
}

void ZVDConstraintDimensionData::showDimensionLine(zgp::CCurve2d& curve) {
    if (ZVDConstraintDimension* d = dimension())
        if (ZVDCurve* line = d->dimLine()) line->setXLines(0, &curve);
}

void ZVDConstraintDimensionData::showText() {
    if (ZVDConstraintDimension* d = dimension())
        if (ZVDText* t = d->dimText()) t->setText(text());
}

void ZVDConstraintDimensionData::showExtensionLines(const CVec2<double>& a1, const CVec2<double>& a2,
                                                    const CVec2<double>& b1, const CVec2<double>& b2) {
    ZVDConstraintDimension* d = dimension();
    if (!d) return;
    if (ZVDLine* e = d->extLine1()) e->set(a1, a2);
    if (ZVDLine* e = d->extLine2()) e->set(b1, b2);
}

void ZVDConstraintDimensionData::showExtensionLinesAcross(const CVec2<double>& a, const CVec2<double>& b,
                                                          const CVec2<double>& n) {
    const CVec2<double> u = unit(n) * 36.0;
    showExtensionLines(a - u, a + u, b - u, b + u);
}
