// zvd: the GDI/USER functions — argument checks, GDI state, paths and the recording of each call.
// Devices only paint; everything GDI remembers between calls is kept here in the device's DcState.
#include "platform/zvdgdiobjects.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

using namespace zvdgdi;

namespace {

ObjectTable& table() { return ObjectTable::instance(); }

DcState* live(HDC hdc) { return isLive(hdc) ? &Access::state(hdc) : nullptr; }

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < int(sizeof buf)) return std::string(buf, std::size_t(std::max(n, 0)));
    std::string big(std::size_t(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(&big[0], big.size(), fmt, ap);
    va_end(ap);
    big.resize(std::size_t(n));
    return big;
}

std::string colour(COLORREF c) { return format("0x%08x", unsigned(c)); }

std::string pointList(const POINT* p, int n) {
    if (!p) return "null";
    std::string s = "{";
    for (int i = 0; i < n; ++i) {
        if (i) s += ',';
        s += format("(%d,%d)", int(p[i].x), int(p[i].y));
    }
    return s + "}";
}

std::string quoted(LPCWSTR text, int count) {
    if (!text) return "null";
    return '"' + QString::fromWCharArray(text, std::max(count, 0)).toStdString() + '"';
}

// Builds the log line only when the device records: formatting every call would cost more than
// painting it.
template <class MakeLine>
void note(DcState* s, MakeLine makeLine) {
    if (s->log) s->log->push_back(makeLine());
}

// GDI leaves a reversed rectangle's corners to be swapped.
RECT normalised(int left, int top, int right, int bottom) {
    RECT r = {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    return r;
}

// In a path bracket a new figure starts where the pen is, unless a figure already ends there.
void pathFrom(DcState* s, QPointF start) {
    QPainterPath& path = s->figures();
    if (path.elementCount() == 0 || path.currentPosition() != start) path.moveTo(start);
}

}  // namespace

// ---- objects -------------------------------------------------------------------------------------

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    HGDIOBJ h = nullptr;
    if (iStyle >= PS_SOLID && iStyle <= PS_INSIDEFRAME) {
        PenDesc d;
        d.color = color & 0xFFFFFF;
        if (cWidth <= 1) {
            d.style = DWORD(iStyle);
            d.width = 1;
        } else {
            // Wide pens are geometric with round ends and joins; only solid, null and inside-frame
            // styles survive a width above one.
            const int style = (iStyle == PS_NULL || iStyle == PS_INSIDEFRAME) ? iStyle : PS_SOLID;
            d.style = PS_GEOMETRIC | PS_ENDCAP_ROUND | PS_JOIN_ROUND | DWORD(style);
            d.width = cWidth;
        }
        h = table().createPen(d);
    }
    if (recordingActive())
        logToAll([&](ZVDDeviceContext* dc) {
            return format("CreatePen(%d,%d,%s)=%s", iStyle, cWidth, colour(color).c_str(), handleName(dc, h).c_str());
        });
    return h;
}

HPEN ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush, DWORD cStyle, const DWORD* pstyle) {
    HGDIOBJ h = nullptr;
    const DWORD line = iPenStyle & PS_STYLE_MASK;
    const DWORD type = iPenStyle & PS_TYPE_MASK;
    const DWORD cap = iPenStyle & PS_ENDCAP_MASK;
    const DWORD join = iPenStyle & PS_JOIN_MASK;
    bool ok = plbrush && line <= PS_ALTERNATE &&
              (iPenStyle & ~(PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK | PS_TYPE_MASK)) == 0 &&
              (type == PS_COSMETIC || type == PS_GEOMETRIC) && cap <= PS_ENDCAP_FLAT && join <= PS_JOIN_MITER;
    if (ok) ok = line == PS_USERSTYLE ? (cStyle >= 1 && cStyle <= 16 && pstyle) : (cStyle == 0 && !pstyle);
    if (ok && type == PS_COSMETIC) ok = cWidth == 1 && plbrush->lbStyle == BS_SOLID;
    if (ok && type == PS_GEOMETRIC)
        ok = line != PS_ALTERNATE && cWidth <= 0x7FFFFFFF &&
             (plbrush->lbStyle == BS_SOLID || plbrush->lbStyle == BS_NULL ||
              (plbrush->lbStyle == BS_HATCHED && plbrush->lbHatch <= HS_DIAGCROSS));
    if (ok) {
        PenDesc d;
        d.style = iPenStyle;
        d.width = type == PS_COSMETIC ? 1 : std::max<int>(1, int(cWidth));
        d.color = plbrush->lbColor & 0xFFFFFF;
        d.brushStyle = plbrush->lbStyle;
        d.hatch = plbrush->lbStyle == BS_HATCHED ? plbrush->lbHatch : 0;
        if (line == PS_USERSTYLE) {
            d.dashCount = int(cStyle);
            for (DWORD i = 0; i < cStyle; ++i) d.dashes[i] = pstyle[i];
        }
        h = table().createPen(d);
    }
    if (recordingActive()) {
        std::string brush = plbrush ? format("{%u,%s,%lu}", plbrush->lbStyle, colour(plbrush->lbColor).c_str(),
                                             static_cast<unsigned long>(plbrush->lbHatch))
                                    : std::string("null");
        std::string styles = "null";
        if (pstyle) {
            styles = "{";
            for (DWORD i = 0; i < std::min<DWORD>(cStyle, 16); ++i)
                styles += (i ? "," : "") + std::to_string(pstyle[i]);
            styles += "}";
        }
        logToAll([&](ZVDDeviceContext* dc) {
            return format("ExtCreatePen(0x%x,%u,%s,%u,%s)=%s", unsigned(iPenStyle), unsigned(cWidth), brush.c_str(),
                          unsigned(cStyle), styles.c_str(), handleName(dc, h).c_str());
        });
    }
    return h;
}

namespace {

HGDIOBJ makeBrush(UINT style, COLORREF color, ULONG_PTR hatch) {
    if (style == BS_HATCHED && hatch > HS_DIAGCROSS) return nullptr;
    if (style != BS_SOLID && style != BS_NULL && style != BS_HATCHED) return nullptr;
    BrushDesc d;
    d.style = style;
    d.color = color & 0xFFFFFF;
    d.hatch = style == BS_HATCHED ? hatch : 0;
    return table().createBrush(d);
}

}  // namespace

HBRUSH CreateSolidBrush(COLORREF color) {
    HGDIOBJ h = makeBrush(BS_SOLID, color, 0);
    if (recordingActive())
        logToAll([&](ZVDDeviceContext* dc) {
            return format("CreateSolidBrush(%s)=%s", colour(color).c_str(), handleName(dc, h).c_str());
        });
    return h;
}

HBRUSH CreateHatchBrush(int iHatch, COLORREF color) {
    HGDIOBJ h = iHatch >= 0 ? makeBrush(BS_HATCHED, color, ULONG_PTR(iHatch)) : nullptr;
    if (recordingActive())
        logToAll([&](ZVDDeviceContext* dc) {
            return format("CreateHatchBrush(%d,%s)=%s", iHatch, colour(color).c_str(), handleName(dc, h).c_str());
        });
    return h;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush) {
    HGDIOBJ h = plbrush ? makeBrush(plbrush->lbStyle, plbrush->lbColor, plbrush->lbHatch) : nullptr;
    if (recordingActive()) {
        std::string arg = plbrush ? format("{%u,%s,%lu}", plbrush->lbStyle, colour(plbrush->lbColor).c_str(),
                                           static_cast<unsigned long>(plbrush->lbHatch))
                                  : std::string("null");
        logToAll([&](ZVDDeviceContext* dc) {
            return format("CreateBrushIndirect(%s)=%s", arg.c_str(), handleName(dc, h).c_str());
        });
    }
    return h;
}

HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
    HGDIOBJ h = nullptr;
    if (lplf) {
        FontDesc d;
        d.lf = *lplf;
        d.lf.lfFaceName[LF_FACESIZE - 1] = 0;
        // Bytes after the terminator take no part in the font; clear them so equal fonts compare equal.
        bool ended = false;
        for (int i = 0; i < LF_FACESIZE; ++i) {
            ended = ended || d.lf.lfFaceName[i] == 0;
            if (ended) d.lf.lfFaceName[i] = 0;
        }
        h = table().createFont(d);
    }
    if (recordingActive()) {
        std::string arg = "null";
        if (lplf) {
            int n = 0;
            while (n < LF_FACESIZE && lplf->lfFaceName[n]) ++n;
            const LOGFONTW& f = *lplf;
            arg = format("{%d,%d,%d,%d,%d,%u,%u,%u,%u,%u,%u,%u,%u,%s}", int(f.lfHeight), int(f.lfWidth),
                         int(f.lfEscapement), int(f.lfOrientation), int(f.lfWeight), f.lfItalic, f.lfUnderline,
                         f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision, f.lfQuality,
                         f.lfPitchAndFamily, quoted(f.lfFaceName, std::min(n, LF_FACESIZE - 1)).c_str());
        }
        logToAll([&](ZVDDeviceContext* dc) {
            return format("CreateFontIndirectW(%s)=%s", arg.c_str(), handleName(dc, h).c_str());
        });
    }
    return h;
}

HGDIOBJ GetStockObject(int i) {
    HGDIOBJ h = table().stock(i);
    if (recordingActive())
        logToAll([&](ZVDDeviceContext* dc) { return format("GetStockObject(%d)=%s", i, handleName(dc, h).c_str()); });
    return h;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DcState* s = live(hdc);
    if (!s) return nullptr;
    note(s, [&] { return std::string("SelectObject(" + handleName(hdc, h) + ")"); });
    ObjectTable::Slot* slot = table().find(h);
    if (!slot) return nullptr;
    HGDIOBJ* current = nullptr;
    switch (slot->type) {
    case ObjType::Pen:
        current = &s->pen;
        s->penDesc = slot->pen;
        break;
    case ObjType::Brush:
        current = &s->brush;
        s->brushDesc = slot->brush;
        break;
    case ObjType::Font:
        current = &s->font;
        s->fontDesc = slot->font;
        break;
    default:
        return nullptr;
    }
    HGDIOBJ previous = *current;
    if (previous != h) {
        ++slot->selections;
        if (ObjectTable::Slot* old = table().find(previous)) --old->selections;
        *current = h;
    }
    return previous;
}

BOOL DeleteObject(HGDIOBJ ho) {
    if (recordingActive()) logToAll([&](ZVDDeviceContext* dc) { return "DeleteObject(" + handleName(dc, ho) + ")"; });
    return table().destroy(ho) ? TRUE : FALSE;
}

// ---- modes ---------------------------------------------------------------------------------------

int SetROP2(HDC hdc, int rop2) {
    DcState* s = live(hdc);
    if (!s) return 0;
    note(s, [&] { return std::string(format("SetROP2(%d)", rop2)); });
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
    const int previous = s->rop2;
    s->rop2 = rop2;
    return previous;
}

int GetROP2(HDC hdc) {
    DcState* s = live(hdc);
    if (!s) return 0;
    note(s, [&] { return std::string("GetROP2()"); });
    return s->rop2;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DcState* s = live(hdc);
    if (!s) return CLR_INVALID;
    note(s, [&] { return std::string("SetBkColor(" + colour(color) + ")"); });
    const COLORREF previous = s->bkColor;
    s->bkColor = color & 0xFFFFFF;
    return previous;
}

int SetBkMode(HDC hdc, int mode) {
    DcState* s = live(hdc);
    if (!s) return 0;
    note(s, [&] { return std::string(format("SetBkMode(%d)", mode)); });
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    const int previous = s->bkMode;
    s->bkMode = mode;
    return previous;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DcState* s = live(hdc);
    if (!s) return CLR_INVALID;
    note(s, [&] { return std::string("SetTextColor(" + colour(color) + ")"); });
    const COLORREF previous = s->textColor;
    s->textColor = color & 0xFFFFFF;
    return previous;
}

// ---- lines and curves ----------------------------------------------------------------------------

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string(format("MoveToEx(%d,%d)", x, y)); });
    if (lppt) *lppt = s->pos;
    s->pos = {x, y};
    if (s->pathOpen) s->figures().moveTo(x, y);
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string(format("LineTo(%d,%d)", x, y)); });
    const POINT to = {x, y};
    if (s->pathOpen) {
        pathFrom(s, QPointF(s->pos.x, s->pos.y));
        s->figures().lineTo(x, y);
    } else {
        Access::paintLine(hdc, s->pos, to);
    }
    s->pos = to;
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* apt, int cpt) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string("Polyline(" + pointList(apt, cpt) + format(",%d)", cpt)); });
    if (!apt || cpt < 2) return FALSE;
    if (s->pathOpen && s->path.elementCount() == 0 && s->pathRun.empty()) {
        s->pathRun.assign(apt, apt + cpt);
    } else if (s->pathOpen) {
        QPainterPath& path = s->figures();
        path.reserve(path.elementCount() + cpt);
        path.moveTo(apt[0].x, apt[0].y);
        for (int i = 1; i < cpt; ++i) path.lineTo(apt[i].x, apt[i].y);
    } else {
        Access::paintPolyline(hdc, apt, cpt);
    }
    return TRUE;
}

BOOL PolyBezier(HDC hdc, const POINT* apt, DWORD cpt) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string("PolyBezier(" + pointList(apt, int(std::min<DWORD>(cpt, 1u << 20))) + format(",%u)", unsigned(cpt))); });
    if (!apt || cpt < 4 || (cpt - 1) % 3 != 0) return FALSE;
    QPainterPath curve;
    curve.moveTo(apt[0].x, apt[0].y);
    for (DWORD i = 1; i + 2 < cpt; i += 3)
        curve.cubicTo(apt[i].x, apt[i].y, apt[i + 1].x, apt[i + 1].y, apt[i + 2].x, apt[i + 2].y);
    if (s->pathOpen)
        s->figures().addPath(curve);
    else
        Access::paintStroke(hdc, curve);
    return TRUE;
}

BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string(format("Arc(%d,%d,%d,%d,%d,%d,%d,%d)", x1, y1, x2, y2, x3, y3, x4, y4)); });
    if (s->log && recordedFailure(hdc, "Arc")) return FALSE;
    const RECT b = normalised(x1, y1, x2, y2);
    if (b.right - b.left < 1 || b.bottom - b.top < 1) return TRUE;
    // The arc runs counter-clockwise (as seen on the device) from the ray towards (x3, y3) to the ray
    // towards (x4, y4); rays that coincide give the whole ellipse.
    const QRectF frame(b.left + 0.5, b.top + 0.5, b.right - b.left - 1, b.bottom - b.top - 1);
    const QPointF c = frame.center();
    const double rx = std::max(frame.width() / 2, 1e-9), ry = std::max(frame.height() / 2, 1e-9);
    const double kDeg = 180.0 / M_PI;
    const double a3 = std::atan2((c.y() - y3) / ry, (x3 - c.x()) / rx) * kDeg;
    const double a4 = std::atan2((c.y() - y4) / ry, (x4 - c.x()) / rx) * kDeg;
    double sweep = std::fmod(a4 - a3, 360.0);
    if (sweep < 0) sweep += 360.0;
    if (sweep < 1e-9) sweep = 360.0;
    QPainterPath arc;
    arc.arcMoveTo(frame, a3);
    arc.arcTo(frame, a3, sweep);
    if (s->pathOpen)
        s->figures().addPath(arc);
    else
        Access::paintStroke(hdc, arc);
    return TRUE;
}

// ---- closed shapes -------------------------------------------------------------------------------

BOOL Polygon(HDC hdc, const POINT* apt, int cpt) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string("Polygon(" + pointList(apt, cpt) + format(",%d)", cpt)); });
    if (!apt || cpt < 2) return FALSE;
    if (s->pathOpen) {
        QPainterPath& path = s->figures();
        path.reserve(path.elementCount() + cpt);
        path.moveTo(apt[0].x, apt[0].y);
        for (int i = 1; i < cpt; ++i) path.lineTo(apt[i].x, apt[i].y);
        path.closeSubpath();
    } else {
        Access::paintPolygon(hdc, apt, cpt);
    }
    return TRUE;
}

namespace {

// The shared body of Ellipse and Rectangle: boxes under two pixels draw nothing (as in GDI); inside
// a path bracket the shape is added half a pixel in from the box, otherwise it is painted.
template <class AddToPath, class Paint>
BOOL boxShape(HDC hdc, const char* name, int left, int top, int right, int bottom, AddToPath addToPath, Paint paint) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string(format("%s(%d,%d,%d,%d)", name, left, top, right, bottom)); });
    const RECT b = normalised(left, top, right, bottom);
    if (b.right - b.left < 2 || b.bottom - b.top < 2) return TRUE;
    if (s->pathOpen)
        addToPath(s->figures(), QRectF(b.left + 0.5, b.top + 0.5, b.right - b.left - 1, b.bottom - b.top - 1));
    else
        paint(b);
    return TRUE;
}

}  // namespace

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    return boxShape(
        hdc, "Ellipse", left, top, right, bottom, [](QPainterPath& path, const QRectF& r) { path.addEllipse(r); },
        [hdc](const RECT& b) { Access::paintEllipse(hdc, b); });
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    return boxShape(
        hdc, "Rectangle", left, top, right, bottom, [](QPainterPath& path, const QRectF& r) { path.addRect(r); },
        [hdc](const RECT& b) { Access::paintRectangle(hdc, b); });
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    DcState* s = live(hDC);
    if (!s) return 0;
    if (s->log) {
        const std::string box =
            lprc ? format("{%d,%d,%d,%d}", int(lprc->left), int(lprc->top), int(lprc->right), int(lprc->bottom))
                 : std::string("null");
        note(s, [&] { return std::string("FillRect(" + box + "," + handleName(hDC, hbr) + ")"); });
    }
    ObjectTable::Slot* slot = table().find(hbr);
    if (!lprc || !slot || slot->type != ObjType::Brush) return 0;
    if (lprc->right > lprc->left && lprc->bottom > lprc->top) Access::paintFillRect(hDC, *lprc, slot->brush);
    return 1;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DcState* s = live(hdc);
    if (!s) return CLR_INVALID;
    note(s, [&] { return std::string(format("SetPixel(%d,%d,%s)", x, y, colour(color).c_str())); });
    return Access::paintPixel(hdc, x, y, color & 0xFFFFFF);
}

// ---- paths ---------------------------------------------------------------------------------------

BOOL BeginPath(HDC hdc) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string("BeginPath()"); });
    s->path = QPainterPath();
    s->pathRun.clear();
    s->pathOpen = true;
    s->pathReady = false;
    return TRUE;
}

BOOL EndPath(HDC hdc) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string("EndPath()"); });
    if (!s->pathOpen) return FALSE;
    s->pathOpen = false;
    s->pathReady = true;
    return TRUE;
}

BOOL StrokePath(HDC hdc) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string("StrokePath()"); });
    if (!s->pathReady) return FALSE;
    s->pathReady = false;
    if (s->path.elementCount() == 0 && !s->pathRun.empty()) {  // one Polyline: its points as they are
        Access::paintPolyline(hdc, s->pathRun.data(), static_cast<int>(s->pathRun.size()));
        s->pathRun.clear();
        return TRUE;
    }
    const QPainterPath path = s->figures();
    s->path = QPainterPath();
    if (!path.isEmpty()) Access::paintStroke(hdc, path);
    return TRUE;
}

// ---- text ----------------------------------------------------------------------------------------

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string(format("TextOutW(%d,%d,%s,%d)", x, y, quoted(lpString, c).c_str(), c)); });
    if (c < 0 || (c > 0 && !lpString)) return FALSE;
    if (c == 0) return TRUE;
    return Access::paintText(hdc, x, y, QString::fromWCharArray(lpString, c)) ? TRUE : FALSE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
    DcState* s = live(hdc);
    if (!s) return FALSE;
    note(s, [&] { return std::string(format("GetTextExtentPoint32W(%s,%d)", quoted(lpString, c).c_str(), c)); });
    if (!psizl || c < 0 || (c > 0 && !lpString)) return FALSE;
    psizl->cx = 0;
    psizl->cy = 0;
    const QString text = c > 0 ? QString::fromWCharArray(lpString, c) : QString();
    if (!Access::measureText(hdc, text, psizl)) {
        psizl->cx = 0;
        psizl->cy = 0;
        return FALSE;
    }
    return TRUE;
}

// ---- device and system information ---------------------------------------------------------------

int GetDeviceCaps(HDC hdc, int index) {
    DcState* s = live(hdc);
    if (!s) return 0;
    note(s, [&] { return std::string(format("GetDeviceCaps(%d)", index)); });
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case HORZRES:
        return hdc->size().width();
    case VERTRES:
        return hdc->size().height();
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    default:
        return 0;
    }
}

int GetSystemMetrics(int nIndex) {
    // The fixed screen the library flattens arcs for.
    switch (nIndex) {
    case SM_CXSCREEN:
        return 1920;
    case SM_CYSCREEN:
        return 1080;
    default:
        return 0;
    }
}

DWORD GetSysColor(int nIndex) {
    // A black desktop on a white-window scheme.
    switch (nIndex) {
    case COLOR_WINDOW:
        return 0xFFFFFF;
    default:
        return 0x000000;
    }
}

int MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    const long long product = static_cast<long long>(nNumber) * nNumerator;
    long long q = product / nDenominator;
    const long long r = product % nDenominator;
    // Round half away from zero, as GDI does.
    if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(nDenominator)))
        q += ((product < 0) != (nDenominator < 0)) ? -1 : 1;
    if (q > 0x7FFFFFFFLL || q < -0x7FFFFFFFLL - 1) return -1;
    return int(q);
}
