// zvd: the device-context base (GDI state, selections), the registry of live devices and the factories.
// Every HDC the GDI functions accept is registered here; anything else is answered as a bad handle.
#include "platform/zvdgdiobjects.h"

#include <unordered_set>

#include <QImage>

namespace zvdgdi {

namespace {

struct Registry {
    std::unordered_set<const ZVDDeviceContext*> live;
    const ZVDDeviceContext* last = nullptr;  // the device of the previous call, checked first
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

void adjustSelection(HGDIOBJ h, int delta) {
    if (ObjectTable::Slot* s = ObjectTable::instance().find(h)) s->selections += delta;
}

}  // namespace

bool isLive(const ZVDDeviceContext* dc) {
    if (!dc) return false;
    Registry& r = registry();
    if (dc == r.last) return true;
    if (r.live.count(dc) == 0) return false;
    r.last = dc;
    return true;
}

void registerDevice(ZVDDeviceContext* dc) { registry().live.insert(dc); }

void unregisterDevice(ZVDDeviceContext* dc) {
    Registry& r = registry();
    r.live.erase(dc);
    if (r.last == dc) r.last = nullptr;
}

}  // namespace zvdgdi

using namespace zvdgdi;

ZVDDeviceContext::ZVDDeviceContext(Kind kind, QSize size) : m_kind(kind), m_size(size), m_state(new DcState) {
    resetState();
}

ZVDDeviceContext::~ZVDDeviceContext() {
    adjustSelection(m_state->pen, -1);
    adjustSelection(m_state->brush, -1);
    adjustSelection(m_state->font, -1);
}

void ZVDDeviceContext::resetState() {
    DcState& s = *m_state;
    adjustSelection(s.pen, -1);
    adjustSelection(s.brush, -1);
    adjustSelection(s.font, -1);
    std::vector<std::string>* log = s.log;
    s = DcState();
    s.log = log;
    ObjectTable& table = ObjectTable::instance();
    s.pen = table.stock(BLACK_PEN);
    s.brush = table.stock(WHITE_BRUSH);
    s.font = table.stock(SYSTEM_FONT);
    s.penDesc = table.find(s.pen)->pen;
    s.brushDesc = table.find(s.brush)->brush;
    s.fontDesc = table.find(s.font)->font;
    adjustSelection(s.pen, 1);
    adjustSelection(s.brush, 1);
    adjustSelection(s.font, 1);
}

int ZVDDeviceContext::rop2() const { return m_state->rop2; }
int ZVDDeviceContext::bkMode() const { return m_state->bkMode; }
COLORREF ZVDDeviceContext::bkColor() const { return m_state->bkColor; }
COLORREF ZVDDeviceContext::textColor() const { return m_state->textColor; }
POINT ZVDDeviceContext::currentPosition() const { return m_state->pos; }
HGDIOBJ ZVDDeviceContext::selectedPen() const { return m_state->pen; }
HGDIOBJ ZVDDeviceContext::selectedBrush() const { return m_state->brush; }
HGDIOBJ ZVDDeviceContext::selectedFont() const { return m_state->font; }
bool ZVDDeviceContext::pathOpen() const { return m_state->pathOpen; }

// ---- factories -----------------------------------------------------------------------------------

HDC createRasterDC(QImage* image) {
    if (!image || image->isNull()) return nullptr;
    ZVDDeviceContext* dc = newRasterDevice(image, false);
    if (dc) registerDevice(dc);
    return dc;
}

HDC createRecordingDC() {
    ZVDDeviceContext* dc = newRecordingDevice();
    registerDevice(dc);
    return dc;
}

bool isValidDC(HDC hdc) { return isLive(hdc); }

namespace {

ZVDDeviceContext*& desktopDevice() {
    static ZVDDeviceContext* dc = nullptr;
    return dc;
}

ZVDWindowTag* desktopWindow() {
    static char tag;
    return reinterpret_cast<ZVDWindowTag*>(&tag);
}

}  // namespace

bool destroyDC(HDC hdc) {
    if (!isLive(hdc) || hdc == desktopDevice()) return false;
    unregisterDevice(hdc);
    delete hdc;
    return true;
}

HWND GetDesktopWindow() { return desktopWindow(); }

HDC GetDC(HWND hWnd) {
    // Only the desktop (or the whole screen, null) has a device context here.
    if (hWnd != nullptr && hWnd != desktopWindow()) return nullptr;
    ZVDDeviceContext*& dc = desktopDevice();
    if (!dc) {
        dc = newRasterDevice(new QImage(64, 64, QImage::Format_RGB32), true);
        registerDevice(dc);
    }
    return dc;
}

int ReleaseDC(HWND hWnd, HDC hDC) {
    if (hDC == nullptr || hDC != desktopDevice() || (hWnd != nullptr && hWnd != desktopWindow())) return 0;
    // A common device context starts afresh for its next user.
    Access::resetState(hDC);
    return 1;
}
