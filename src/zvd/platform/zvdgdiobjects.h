// zvd: GDI objects (pens, brushes, fonts) behind the opaque handles, and the per-device GDI state.
// Internal to the library: the GDI functions, the devices and the recorder share these types.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <QFont>
#include <QPainterPath>

#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

namespace zvdgdi {

enum class ObjType : std::uint8_t { None, Pen, Brush, Font };

// A logical pen as CreatePen/ExtCreatePen describe it, normalised: cosmetic pens carry width 1.
struct PenDesc {
    DWORD style = PS_SOLID;  // type | end cap | join | line style, as ExtCreatePen takes it
    int width = 1;           // pixels
    COLORREF color = 0;
    UINT brushStyle = BS_SOLID;
    ULONG_PTR hatch = 0;
    int dashCount = 0;  // PS_USERSTYLE runs, in pixels
    DWORD dashes[16] = {};

    int lineStyle() const { return int(style & PS_STYLE_MASK); }
    bool geometric() const { return (style & PS_TYPE_MASK) == PS_GEOMETRIC; }
    bool invisible() const { return lineStyle() == PS_NULL || brushStyle == BS_NULL; }
    bool operator==(const PenDesc& o) const {
        return style == o.style && width == o.width && color == o.color && brushStyle == o.brushStyle &&
               hatch == o.hatch && dashCount == o.dashCount &&
               std::memcmp(dashes, o.dashes, sizeof(DWORD) * std::size_t(dashCount)) == 0;
    }
    bool operator!=(const PenDesc& o) const { return !(*this == o); }
};

struct BrushDesc {
    UINT style = BS_SOLID;
    COLORREF color = 0xFFFFFF;
    ULONG_PTR hatch = 0;
    bool operator==(const BrushDesc& o) const {
        return style == o.style && color == o.color && (style != BS_HATCHED || hatch == o.hatch);
    }
    bool operator!=(const BrushDesc& o) const { return !(*this == o); }
};

struct FontDesc {
    LOGFONTW lf;
    FontDesc() { std::memset(&lf, 0, sizeof lf); }
    bool operator==(const FontDesc& o) const { return std::memcmp(&lf, &o.lf, sizeof lf) == 0; }
    bool operator!=(const FontDesc& o) const { return !(*this == o); }
};

// A font ready for Qt, with its GDI cell metrics in pixels.
struct ResolvedFont {
    QFont font;
    int ascent = 0;
    int descent = 0;
    double escapementDegrees = 0.0;  // counter-clockwise
};

// Answers the Qt font for a logical font, or null when text cannot be drawn in this process.
// Results are cached per distinct LOGFONTW, so creating the same font per call costs a lookup.
const ResolvedFont* resolveFont(const FontDesc& desc);

// Process-wide handle table. Handles carry a generation, so a deleted or made-up handle is recognised
// as invalid rather than reaching a dead object.
class ObjectTable {
public:
    struct Slot {
        std::uint32_t gen = 0;
        ObjType type = ObjType::None;
        int stockIndex = -1;  // GetStockObject index, -1 for created objects
        int selections = 0;   // devices this object is selected into
        PenDesc pen;
        BrushDesc brush;
        FontDesc font;
        std::uint32_t nextFree = 0;
    };

    static ObjectTable& instance();

    HGDIOBJ createPen(const PenDesc& desc);
    HGDIOBJ createBrush(const BrushDesc& desc);
    HGDIOBJ createFont(const FontDesc& desc);
    HGDIOBJ stock(int index) const;

    // The live object behind a handle, or null.
    Slot* find(HGDIOBJ h);
    // GDI's DeleteObject: false for invalid handles and objects still selected; stock objects stay.
    bool destroy(HGDIOBJ h);

private:
    ObjectTable();
    HGDIOBJ allocate(ObjType type, Slot*& slot);

    std::vector<Slot> m_slots;
    std::uint32_t m_freeHead = 0;  // index + 1 of the first free slot, 0 when none
    HGDIOBJ m_stock[18] = {};
};

const char* stockName(int index);

// The GDI state of one device context.
struct DcState {
    int rop2 = R2_COPYPEN;
    int bkMode = OPAQUE;
    COLORREF bkColor = 0xFFFFFF;
    COLORREF textColor = 0x000000;
    POINT pos = {0, 0};
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    PenDesc penDesc;
    BrushDesc brushDesc;
    FontDesc fontDesc;
    // BeginPath .. EndPath collects figures here; StrokePath consumes a closed bracket.
    bool pathOpen = false;
    bool pathReady = false;
    QPainterPath path;
    // A bracket that holds just one Polyline keeps its points here instead of in path, so that
    // StrokePath hands them to the device as they are (the drawing pass's common case).
    std::vector<POINT> pathRun;
    // The bracket's figures, with a pending run turned into one first.
    QPainterPath& figures() {
        if (!pathRun.empty()) {
            path.reserve(path.elementCount() + static_cast<int>(pathRun.size()));
            path.moveTo(pathRun[0].x, pathRun[0].y);
            for (size_t i = 1; i < pathRun.size(); ++i) path.lineTo(pathRun[i].x, pathRun[i].y);
            pathRun.clear();
        }
        return path;
    }
    // Recording devices only.
    std::vector<std::string>* log = nullptr;
};

// The GDI functions' way into a device.
class Access {
public:
    static DcState& state(ZVDDeviceContext* dc) { return *dc->m_state; }
    static void paintLine(ZVDDeviceContext* dc, const POINT& a, const POINT& b) { dc->paintLine(a, b); }
    static void paintPolyline(ZVDDeviceContext* dc, const POINT* p, int n) { dc->paintPolyline(p, n); }
    static void paintPolygon(ZVDDeviceContext* dc, const POINT* p, int n) { dc->paintPolygon(p, n); }
    static void paintRectangle(ZVDDeviceContext* dc, const RECT& r) { dc->paintRectangle(r); }
    static void paintEllipse(ZVDDeviceContext* dc, const RECT& r) { dc->paintEllipse(r); }
    static void paintStroke(ZVDDeviceContext* dc, const QPainterPath& p) { dc->paintStroke(p); }
    static void paintFillRect(ZVDDeviceContext* dc, const RECT& r, const BrushDesc& b) { dc->paintFillRect(r, b); }
    static COLORREF paintPixel(ZVDDeviceContext* dc, int x, int y, COLORREF c) { return dc->paintPixel(x, y, c); }
    static bool paintText(ZVDDeviceContext* dc, int x, int y, const QString& t) { return dc->paintText(x, y, t); }
    static bool measureText(ZVDDeviceContext* dc, const QString& t, SIZE* s) { return dc->measureText(t, s); }
    static void resetState(ZVDDeviceContext* dc) { dc->resetState(); }
};

// Live device registry (every HDC the GDI functions accept).
bool isLive(const ZVDDeviceContext* dc);
void registerDevice(ZVDDeviceContext* dc);
void unregisterDevice(ZVDDeviceContext* dc);

// The recorder: per-log handle names and the broadcast of calls that take no HDC.
std::string handleName(ZVDDeviceContext* dc, HGDIOBJ h);
// make builds the line for one recording device (handle names differ per log).
void logToAll(const std::function<std::string(ZVDDeviceContext*)>& make);
bool recordingActive();
bool recordedFailure(ZVDDeviceContext* dc, const char* callName);

// Device factories used by the public ones and by the desktop device.
ZVDDeviceContext* newRasterDevice(QImage* image, bool ownsImage);
ZVDDeviceContext* newRecordingDevice();

}  // namespace zvdgdi
