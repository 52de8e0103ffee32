// zvd: the device contexts behind HDC — a raster image, an SVG or PDF file, or a call recorder.
// The GDI functions of zvdgdi.h keep the GDI state here and hand the drawing to the device.
#pragma once

#include <memory>

#include <QSize>
#include <QString>
#include <QStringList>

#include "zvd/foundation/zvdexport.h"
#include "zvd/platform/zvdgdi.h"

class QImage;
class QPainterPath;

namespace zvdgdi {
class Access;
struct DcState;
struct BrushDesc;
}  // namespace zvdgdi

// One drawing surface with the state GDI keeps per device context: the selected pen, brush and font,
// the raster operation, the background mode and colour, the text colour, the current position and an
// open path. A new device starts as a GDI device context does: BLACK_PEN, WHITE_BRUSH, SYSTEM_FONT,
// R2_COPYPEN, OPAQUE background 0xFFFFFF, text colour 0x000000, position (0,0).
//
// Devices:
//  - raster (createRasterDC): paints into a borrowed QImage through one QPainter that stays active
//    for the device's lifetime. Aliased, GDI pixel conventions (LineTo leaves out the end pixel, a
//    10x10 Rectangle with a one-pixel pen covers 10x10 pixels, flat caps and mitre joins where the pen
//    asks for them, GDI's dash runs, hatches pinned to device pixels). All sixteen ROP2 modes are
//    honoured; R2_COPYPEN, R2_XORPEN, R2_NOTXORPEN, R2_NOT, R2_NOP, R2_BLACK, R2_WHITE and
//    R2_NOTCOPYPEN give GDI's exact pixels, including the gaps of hatches and dashes, and the eight
//    mask/merge modes are applied per pass. Unlike GDI, text also honours the ROP2 mode, so a text
//    drawn twice with R2_XORPEN disappears. The painter writes straight into the image: its pixels
//    are current after every call; take image.copy() for a snapshot while the device exists, and do
//    not resize or reassign the image before destroyDC.
//  - SVG and PDF (createSvgDC, createPdfDC): vector output at 96 dpi, one page of the given pixel
//    size; the file is complete once destroyDC returns. These formats know no raster operations:
//    R2_NOP draws nothing and every other mode draws as R2_COPYPEN with its pen and brush colours.
//  - recording (createRecordingDC): draws nothing and logs every call (see recordedCalls).
//  - the desktop device (GetDC(GetDesktopWindow())): a small raster device kept by the library for
//    measuring text; ReleaseDC puts it back to its initial state and never destroys it.
//
// Text needs a QGuiApplication. Before the first font use, when the process has no application
// object at all, the library creates a QGuiApplication on the "offscreen" platform (argv
// {"zvd", "-platform", "offscreen"}) and never destroys it. A host's own QGuiApplication is used as
// it is. When the host runs a plain QCoreApplication, text cannot be drawn: TextOutW and
// GetTextExtentPoint32W answer FALSE (and a zero size), everything else keeps working.
// The face names "宋体" and "SimSun" map to "Noto Serif CJK SC", "黑体" and "SimHei" to
// "Noto Sans CJK SC".
class ZVD_EXPORT ZVDDeviceContext {
public:
    enum Kind { dkRaster, dkSvg, dkPdf, dkRecording };

    virtual ~ZVDDeviceContext();
    ZVDDeviceContext(const ZVDDeviceContext&) = delete;
    ZVDDeviceContext& operator=(const ZVDDeviceContext&) = delete;

    Kind kind() const { return m_kind; }
    // Device size in pixels; 0x0 for a recording device.
    QSize size() const { return m_size; }

    // The GDI state as the calls left it.
    int rop2() const;
    int bkMode() const;
    COLORREF bkColor() const;
    COLORREF textColor() const;
    POINT currentPosition() const;
    HGDIOBJ selectedPen() const;
    HGDIOBJ selectedBrush() const;
    HGDIOBJ selectedFont() const;
    bool pathOpen() const;

protected:
    ZVDDeviceContext(Kind kind, QSize size);

    const zvdgdi::DcState& state() const { return *m_state; }

private:
    friend class zvdgdi::Access;

    // Device hooks. The GDI functions have validated the arguments and updated the state before
    // they call these; coordinates are device pixels; the pen, brush, font and modes are in state().
    virtual void paintLine(const POINT& from, const POINT& to) = 0;
    virtual void paintPolyline(const POINT* points, int count) = 0;
    virtual void paintPolygon(const POINT* points, int count) = 0;
    virtual void paintRectangle(const RECT& box) = 0;
    virtual void paintEllipse(const RECT& box) = 0;
    // Strokes an open figure (Arc, PolyBezier, StrokePath) with the selected pen.
    virtual void paintStroke(const QPainterPath& path) = 0;
    virtual void paintFillRect(const RECT& box, const zvdgdi::BrushDesc& brush) = 0;
    // Answers the colour set, or CLR_INVALID outside the device.
    virtual COLORREF paintPixel(int x, int y, COLORREF color) = 0;
    virtual bool paintText(int x, int y, const QString& text) = 0;
    virtual bool measureText(const QString& text, SIZE* size) = 0;
    // Puts the device back to its initial GDI state, releasing its selections.
    void resetState();

    Kind m_kind;
    QSize m_size;
    std::unique_ptr<zvdgdi::DcState> m_state;
};

// ---- creating and destroying devices -------------------------------------------------------------
// Each factory answers a new device owned by the caller, or null when the arguments are unusable
// (null or null-sized image, empty size, a file that cannot be opened). Destroy it with destroyDC.

ZVD_EXPORT HDC createRasterDC(QImage* image);
ZVD_EXPORT HDC createSvgDC(const QString& path, QSize size);
ZVD_EXPORT HDC createPdfDC(const QString& path, QSize size);
ZVD_EXPORT HDC createRecordingDC();

// Ends the device (finishing an SVG or PDF file) and releases the objects selected into it. Answers
// false for null, unknown handles and the library's desktop device, which are left alone.
ZVD_EXPORT bool destroyDC(HDC hdc);

// Whether hdc names a live device.
ZVD_EXPORT bool isValidDC(HDC hdc);

// Makes sure text can be drawn (see the class comment); answers false under a plain QCoreApplication.
ZVD_EXPORT bool ensureTextSupport();

// ---- the recording device's log ------------------------------------------------------------------
// One line per call, the arguments in call order, the HDC argument left out (the log belongs to the
// device). Integers are decimal, colours 0x%08x, ExtCreatePen's style word 0x%x. Handles print as h1,
// h2, ... numbered per log in order of first appearance, stock objects by their names (BLACK_PEN,
// NULL_BRUSH, SYSTEM_FONT, ...), a null handle as null and a handle that was never valid as invalid.
// Calls that create an object end in "=" and the new handle ("=null" when they fail). Calls without
// an HDC (object creation, GetStockObject, DeleteObject) are logged by every live recording device.
// The formats:
//   CreatePen(0,1,0x00ff0000)=h1          ExtCreatePen(0x12200,3,{0,0x000000ff,0},0,null)=h2
//   CreateSolidBrush(0x00ffffff)=h3        CreateHatchBrush(2,0x000000ff)=h4
//   CreateBrushIndirect({2,0x000000ff,5})=h5
//   CreateFontIndirectW({-16,0,450,0,700,1,0,0,1,0,0,0,0,"SimSun"})=h6   (LOGFONTW fields in order)
//   GetStockObject(5)=NULL_BRUSH           SelectObject(h1)        DeleteObject(h1)
//   SetROP2(7)   GetROP2()   SetBkColor(0x00000000)   SetBkMode(1)   SetTextColor(0x000000ff)
//   MoveToEx(10,20)   LineTo(30,40)   Polyline({(0,0),(5,5),(9,0)},3)   PolyBezier({...},4)
//   Polygon({...},3)   Arc(0,0,20,20,20,10,0,10)   Ellipse(0,0,10,10)   Rectangle(0,0,10,10)
//   FillRect({0,0,10,10},h3)   SetPixel(3,4,0x00ffffff)   BeginPath()   EndPath()   StrokePath()
//   TextOutW(5,6,"abc",3)   GetTextExtentPoint32W("abc",3)   GetDeviceCaps(90)
// Strings are UTF-8 of the characters passed; a null pointer argument prints as null.
// The recording device measures text in a fixed model so that layouts are predictable: the cell
// height is |lfHeight| of the selected font (16 when 0) and every character is half of it wide.
ZVD_EXPORT QStringList recordedCalls(HDC hdc);
ZVD_EXPORT void clearRecordedCalls(HDC hdc);
