// zvd: ZCoordTrans view set-up (fitting boxes, zoom windows, panning, scaling) and its listeners.
// The conversions themselves are inline in the header: they run once per drawn vertex.
#include "zvd/foundation/zcoordtrans.h"

#include <algorithm>
#include <cmath>

#include "zgp/tolerance.h"

using zgp::CBox2;
using zgp::CVec2;

ZCoordTransChanged::~ZCoordTransChanged() = default;

namespace {

// Zero within the kernel's distance tolerance; without a global tolerance, up to rounding.
bool isZeroLength(double v) {
    const double tol = zgp::g_DistEpsilon != 0.0 ? zgp::g_DistEpsilon : std::max(1e-12, std::abs(v * 1e-12));
    return std::abs(v) <= tol;
}

// Sides thinner than 1e-7 are stretched over the device area, so that a line or a single point
// still gets a usable fit. Answers whether the box (as changed) still has a degenerate side.
bool widenDegenerateSides(int width, int height, CBox2<double>& box) {
    if (std::abs(box.min.x - box.max.x) <= 1e-7) {
        box.min.x = 0.0;
        box.max.x = width;
    }
    if (std::abs(box.min.y - box.max.y) <= 1e-7) {
        box.min.y = 0.0;
        box.max.y = height;
    }
    return isZeroLength(box.max.y - box.min.y) || isZeroLength(box.max.x - box.min.x);
}

int saturate(long long v) { return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v)); }

}  // namespace

ZCoordTrans::~ZCoordTrans() {
    for (ZCoordTransChanged* l : m_listeners) delete l;
    m_listeners.clear();
}

void ZCoordTrans::assign(ZCoordTrans* target) const {
    if (!target || target == this) return;
    target->m_zoomFactor = m_zoomFactor;
    target->m_zoomAllFactor = m_zoomAllFactor;
    target->m_xZoomFactor = m_xZoomFactor;
    target->m_xZoomAllFactor = m_xZoomAllFactor;
    target->m_xFactorInUse = m_xFactorInUse;
    target->m_dPoint = m_dPoint;
    target->m_wPoint = m_wPoint;
}

void ZCoordTrans::setCoordTransParam(const CVec2<int>& dPoint, const CVec2<double>& wPoint) {
    m_dPoint = dPoint;
    m_wPoint = wPoint;
    triggerDataChanged();
}

void ZCoordTrans::setCoordTransParam(const CVec2<int>& dPoint, const CVec2<double>& wPoint, double scale) {
    m_dPoint = dPoint;
    m_wPoint = wPoint;
    triggerDataChanged();
    m_zoomFactor = scale;
}

bool ZCoordTrans::setScale(double factor) {
    const double previous = m_zoomFactor;
    m_zoomFactor = previous * factor;
    const double tol = std::max(1e-12, std::abs(previous * 1e-12));
    // A NaN product counts as unchanged: nothing sensible to tell the listeners.
    if (!(std::abs(m_zoomFactor - previous) > tol)) return false;
    triggerDataChanged();
    return true;
}

double ZCoordTrans::calcZoomFactor(int width, int height, CBox2<double> box) const {
    if (widenDegenerateSides(width, height, box)) return 1.0;
    const double fx = width / (box.max.x - box.min.x);
    const double fy = height / (box.max.y - box.min.y);
    return fy < fx ? fy : fx;
}

double ZCoordTrans::calcXZoomFactor(int width, int height, CBox2<double> box) const {
    if (widenDegenerateSides(width, height, box)) return calcZoomFactor(width, height, box);
    return width / (box.max.x - box.min.x);
}

void ZCoordTrans::doZoomWin(int width, int height, const CBox2<double>& box) {
    m_zoomFactor = calcZoomFactor(width, height, box);
    m_xZoomFactor = calcXZoomFactor(width, height, box);
    // The centre of the box as given: the widening of degenerate sides only affects the factors.
    m_wPoint = CVec2<double>((box.min.x + box.max.x) * 0.5, (box.min.y + box.max.y) * 0.5);
    m_dPoint = CVec2<int>(width / 2, height / 2);
}

void ZCoordTrans::zoomAll(int width, int height, const CBox2<double>& box) {
    m_zoomAllFactor = calcZoomFactor(width, height, box);
    m_xZoomAllFactor = calcXZoomFactor(width, height, box);
    doZoomWin(width, height, box);
    triggerDataChanged();
}

void ZCoordTrans::zoomWin(int width, int height, const CBox2<int>& deviceBox) {
    doZoomWin(width, height, DCTOWC(deviceBox));
    triggerDataChanged();
}

void ZCoordTrans::pan(int dx, int dy) {
    m_dPoint.x = saturate(static_cast<long long>(m_dPoint.x) + dx);
    m_dPoint.y = saturate(static_cast<long long>(m_dPoint.y) + dy);
    triggerDataChanged();
}

void ZCoordTrans::adjustZoomAllFactor(int width, int height, const CBox2<double>& box) {
    m_zoomAllFactor = calcZoomFactor(width, height, box);
}

void ZCoordTrans::addChangeListener(ZCoordTransChanged* l) {
    if (!l || std::find(m_listeners.begin(), m_listeners.end(), l) != m_listeners.end()) return;
    m_listeners.push_back(l);
}

void ZCoordTrans::deleteChangedListener(ZCoordTransChanged* l) {
    auto it = std::find(m_listeners.begin(), m_listeners.end(), l);
    if (it == m_listeners.end()) return;
    m_listeners.erase(it);
    delete l;
}

void ZCoordTrans::triggerDataChanged() {
    // A listener may add or delete listeners from inside dataChanged: walk a snapshot and skip
    // any entry that has been deleted meanwhile, so no freed listener is ever called.
    const std::vector<ZCoordTransChanged*> snapshot = m_listeners;
    for (ZCoordTransChanged* l : snapshot) {
        if (std::find(m_listeners.begin(), m_listeners.end(), l) != m_listeners.end()) l->dataChanged();
    }
}
