// zvd: ZCoordTrans, the world/device coordinate transform every drawing call converts through.
// World: drawing units, y up, doubles. Device: pixels, y down, ints (or doubles before rounding).
#pragma once

#include <climits>
#include <cmath>
#include <vector>

#include "zgp/box2.h"
#include "zgp/vec2.h"
#include "zvd/foundation/zvdexport.h"

// Told whenever the view of a transform changes (zoom, pan, new centre). The transform owns its
// listeners: they are heap objects deleted by deleteChangedListener or the transform's destructor.
class ZVD_EXPORT ZCoordTransChanged {
public:
    virtual void dataChanged() = 0;
    virtual ~ZCoordTransChanged();
};

// Maps world point wPoint to device pixel dPoint with zoomFactor pixels per world unit (and, when
// the x factor is in use, xZoomFactor along x). Nothing is checked: a zero factor makes the
// device-to-world conversions divide by zero. Not persisted; the host owns it.
//
// Rounding: a world coordinate goes to the pixel ceil(v - 0.001), i.e. rounded up except that a
// value at most 0.001 above an integer stays on that integer. The double ("D") forms answer the
// same quantity before rounding, the 0.001 already taken off, so WCTODC_X(x) == ceil(DWCTODC_X(x)).
// The device-to-world forms take nothing off. Because y flips, a box with min <= max maps to a
// box with min <= max in either direction.
class ZVD_EXPORT ZCoordTrans {
public:
    ZCoordTrans() = default;
    // Listeners are owned, so a transform is copied with assign(), never by value.
    ZCoordTrans(const ZCoordTrans&) = delete;
    ZCoordTrans& operator=(const ZCoordTrans&) = delete;
    // Deletes every listener.
    ~ZCoordTrans();

    // ---- world to device ----
    int WCTODC_X(double x) const { return shifted(m_dPoint.x, sx() * (x - m_wPoint.x)); }
    int WCTODC_Y(double y) const { return shifted(m_dPoint.y, m_zoomFactor * (m_wPoint.y - y)); }
    // A length: no offset, and always the uniform factor, never the x factor.
    int WCTODC(double len) const { return roundDevice(m_zoomFactor * len); }
    zgp::CVec2<int> WCTODC(const zgp::CVec2<double>& p) const { return zgp::CVec2<int>(WCTODC_X(p.x), WCTODC_Y(p.y)); }
    // World max.y becomes the device min.y (y flips).
    zgp::CBox2<int> WCTODC(const zgp::CBox2<double>& b) const {
        return zgp::CBox2<int>(WCTODC_X(b.min.x), WCTODC_Y(b.max.y), WCTODC_X(b.max.x), WCTODC_Y(b.min.y));
    }

    // ---- world to device, for a coordinate known to within err ----
    // The pixel WCTODC_X (WCTODC_Y) gives every world x (y) within err of the given one, when that
    // is one pixel: true with it in dx (dy). False when a value in reach could round to another
    // pixel (the given one lies that close to a rounding edge) or the pixel is beyond the int range.
    bool WCTODCWithin_X(double x, double err, int& dx) const {
        return shiftedWithin(m_dPoint.x, sx(), x - m_wPoint.x, err, dx);
    }
    bool WCTODCWithin_Y(double y, double err, int& dy) const {
        return shiftedWithin(m_dPoint.y, m_zoomFactor, m_wPoint.y - y, err, dy);
    }

    // ---- world to device, unrounded ----
    double DWCTODC(double len) const { return m_zoomFactor * len - 0.001; }
    zgp::CVec2<double> DWCTODC(const zgp::CVec2<double>& p) const {
        return zgp::CVec2<double>(DWCTODC_X(p.x), DWCTODC_Y(p.y));
    }
    double DWCTODC_X(double x) const { return sx() * (x - m_wPoint.x) - 0.001 + m_dPoint.x; }
    double DWCTODC_Y(double y) const { return m_zoomFactor * (m_wPoint.y - y) - 0.001 + m_dPoint.y; }

    // ---- device to world ----
    double DCTOWC_X(double X) const { return (X - m_dPoint.x) / sx() + m_wPoint.x; }
    double DCTOWC_Y(double Y) const { return m_wPoint.y - (Y - m_dPoint.y) / m_zoomFactor; }
    double DCTOWC(double len) const { return len / m_zoomFactor; }
    zgp::CVec2<double> DCTOWC(const zgp::CVec2<int>& P) const {
        return zgp::CVec2<double>(DCTOWC_X(P.x), DCTOWC_Y(P.y));
    }
    // Device max.y becomes the world min.y (y flips).
    zgp::CBox2<double> DCTOWC(const zgp::CBox2<int>& B) const {
        return zgp::CBox2<double>(DCTOWC_X(B.min.x), DCTOWC_Y(B.max.y), DCTOWC_X(B.max.x), DCTOWC_Y(B.min.y));
    }

    // ---- view set-up (the listeners are told where noted) ----
    // Copies factors, flag and both points of this transform INTO target (listeners stay put).
    // Target's listeners are not told. A null target is ignored.
    void assign(ZCoordTrans* target) const;
    // Sets both points; notifies.
    void setCoordTransParam(const zgp::CVec2<int>& dPoint, const zgp::CVec2<double>& wPoint);
    // Sets both points, notifies, and only then stores scale as the zoom factor: a listener
    // reading the factor during this notification still sees the previous one.
    void setCoordTransParam(const zgp::CVec2<int>& dPoint, const zgp::CVec2<double>& wPoint, double scale);
    // Multiplies the zoom factor by factor and stores the product. True (and notifies) when the
    // product differs from the previous factor by more than max(1e-12, |previous| * 1e-12).
    bool setScale(double factor);
    // The uniform factor fitting box into width x height pixels; changes nothing. A side of the
    // box thinner than 1e-7 is taken as [0, width] / [0, height]; a side that is still zero
    // within the kernel's distance tolerance gives 1.0. Zero width or height gives 0.
    double calcZoomFactor(int width, int height, zgp::CBox2<double> box) const;
    // Fits box into the width x height area: zoom-all factors from box, then both zoom factors,
    // world point = centre of box, device point = (width / 2, height / 2); notifies.
    void zoomAll(int width, int height, const zgp::CBox2<double>& box);
    // Shows the world area under deviceBox (converted with the current view) in the whole
    // width x height area, like zoomAll without touching the zoom-all factors; notifies.
    void zoomWin(int width, int height, const zgp::CBox2<int>& deviceBox);
    // Moves the device point by (dx, dy); notifies.
    void pan(int dx, int dy);
    // Zoom-all factor = calcZoomFactor(width, height, box); nothing else, no notification.
    void adjustZoomAllFactor(int width, int height, const zgp::CBox2<double>& box);

    // ---- listeners ----
    // Takes ownership of l and appends it; a pointer already registered (or null) is ignored.
    void addChangeListener(ZCoordTransChanged* l);
    // Deletes l and drops it from the list when registered; otherwise nothing.
    void deleteChangedListener(ZCoordTransChanged* l);

    // ---- plain state (no notification) ----
    double zoomFactor() const { return m_zoomFactor; }
    void setZoomFactor(double f) { m_zoomFactor = f; }
    double zoomAllFactor() const { return m_zoomAllFactor; }
    double xZoomFactor() const { return m_xZoomFactor; }
    void setXZoomFactor(double f) { m_xZoomFactor = f; }
    double xZoomAllFactor() const { return m_xZoomAllFactor; }
    bool xFactorInUse() const { return m_xFactorInUse; }
    void setXFactorInUse(bool inUse) { m_xFactorInUse = inUse; }
    zgp::CVec2<int> dPoint() const { return m_dPoint; }
    void setDPoint(const zgp::CVec2<int>& p) { m_dPoint = p; }
    zgp::CVec2<double> wPoint() const { return m_wPoint; }
    void setWPoint(const zgp::CVec2<double>& p) { m_wPoint = p; }

    // ceil(v - 0.001) as a 32-bit int. Values beyond the int range saturate and NaN gives 0, so
    // that wild coordinates cannot make the conversion undefined.
    static int roundDevice(double v) { return toInt(std::ceil(v - 0.001)); }

private:
    static int toInt(double c) {
        if (c >= 2147483647.0) return INT_MAX;
        if (c <= -2147483648.0) return INT_MIN;
        if (c != c) return 0;
        return static_cast<int>(c);
    }
    // d + roundDevice(v), saturated as a whole (the sum is exact in a double for int d).
    static int shifted(int d, double v) { return toInt(std::ceil(v - 0.001) + d); }
    // shifted(d, factor * u') for every u' within err of u, when that is one value. Between u and
    // u' the value rounded, factor * u - 0.001, moves by factor * err and by the rounding of the
    // subtraction that made u, the product and the difference, some units in the last place of
    // the magnitudes involved; 1e-14 of them is ample.
    static bool shiftedWithin(int d, double factor, double u, double err, int& out) {
        const double w = factor * u - 0.001;
        const double c = std::ceil(w);
        const double reach = 2.0 * std::fabs(factor) * err + 1e-14 * (std::fabs(factor) * (std::fabs(u) + err) + 1.0);
        if (!(c - w > reach && w - (c - 1.0) > reach)) return false;
        const double v = c + d;
        if (!(v > -2147483648.0 && v < 2147483647.0)) return false;
        out = static_cast<int>(v);
        return true;
    }
    double sx() const { return m_xFactorInUse ? m_xZoomFactor : m_zoomFactor; }
    // The x-only fit: width / dx of the box, or 1.0 when a side of it is degenerate.
    double calcXZoomFactor(int width, int height, zgp::CBox2<double> box) const;
    // Zoom factors from box, world point at its centre, device point at the area's centre.
    void doZoomWin(int width, int height, const zgp::CBox2<double>& box);
    // dataChanged on every listener, in registration order.
    void triggerDataChanged();

    double m_zoomFactor = 1.0;
    double m_zoomAllFactor = 1.0;
    double m_xZoomFactor = 1.0;
    double m_xZoomAllFactor = 1.0;
    zgp::CVec2<double> m_wPoint;
    zgp::CVec2<int> m_dPoint;
    std::vector<ZCoordTransChanged*> m_listeners;
    bool m_xFactorInUse = false;
};
