// zvd: the Windows GDI/USER drawing calls, implemented by the library on top of Qt.
// Names, types, constants and semantics follow wingdi.h/winuser.h so that drawing code reads as on Windows.
#pragma once

#include <cstdint>

#include "zvd/foundation/zvdexport.h"
#include "zvd/platform/zvdhdc.h"

// ---- basic Windows types -------------------------------------------------------------------------
// wchar_t is 32 bits on Linux: LPCWSTR strings are UTF-32 here (std::wstring::c_str() as is).
typedef std::uint32_t COLORREF;
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef wchar_t WCHAR;
typedef const wchar_t* LPCWSTR;
typedef std::uintptr_t ULONG_PTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct tagPOINT {
    LONG x;
    LONG y;
};
typedef tagPOINT POINT;
typedef tagPOINT* LPPOINT;

struct tagSIZE {
    LONG cx;
    LONG cy;
};
typedef tagSIZE SIZE;
typedef tagSIZE* LPSIZE;

struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef tagRECT RECT;
typedef tagRECT* LPRECT;

struct tagLOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};
typedef tagLOGBRUSH LOGBRUSH;

#define LF_FACESIZE 32
struct tagLOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
typedef tagLOGFONTW LOGFONTW;

// GDI objects are opaque handles owned by the library; a null handle is never valid.
struct ZVDGdiObjectTag;
typedef ZVDGdiObjectTag* HGDIOBJ;
typedef ZVDGdiObjectTag* HPEN;
typedef ZVDGdiObjectTag* HBRUSH;
typedef ZVDGdiObjectTag* HFONT;
struct ZVDWindowTag;
typedef ZVDWindowTag* HWND;

// ---- colours -------------------------------------------------------------------------------------
inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16); }
inline constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xFF); }
inline constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xFF); }
inline constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xFF); }

#define CLR_INVALID 0xFFFFFFFFu

// ---- pen styles ----------------------------------------------------------------------------------
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_USERSTYLE 7
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_ROUND 0x00000000
#define PS_ENDCAP_SQUARE 0x00000100
#define PS_ENDCAP_FLAT 0x00000200
#define PS_ENDCAP_MASK 0x00000F00
#define PS_JOIN_ROUND 0x00000000
#define PS_JOIN_BEVEL 0x00001000
#define PS_JOIN_MITER 0x00002000
#define PS_JOIN_MASK 0x0000F000
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define PS_TYPE_MASK 0x000F0000

// ---- brush styles and hatches --------------------------------------------------------------------
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW 1
#define BS_HATCHED 2

#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

// ---- binary raster operations --------------------------------------------------------------------
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// ---- background modes ----------------------------------------------------------------------------
#define TRANSPARENT 1
#define OPAQUE 2

// ---- stock objects -------------------------------------------------------------------------------
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// ---- device capabilities and system metrics ------------------------------------------------------
#define HORZRES 8
#define BITSPIXEL 12
#define PLANES 14
#define VERTRES 10
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define COLOR_BACKGROUND 1
#define COLOR_DESKTOP 1
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8

// ---- fonts ---------------------------------------------------------------------------------------
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define GB2312_CHARSET 134
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0

// ---- the calls -----------------------------------------------------------------------------------
// Every call accepts a null or foreign HDC/handle and then answers as GDI does on a bad handle
// (FALSE, 0, a null handle or CLR_INVALID); none of them throws.

ZVD_EXPORT HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
ZVD_EXPORT HPEN ExtCreatePen(DWORD iPenStyle, DWORD cWidth, const LOGBRUSH* plbrush, DWORD cStyle, const DWORD* pstyle);
ZVD_EXPORT HBRUSH CreateSolidBrush(COLORREF color);
ZVD_EXPORT HBRUSH CreateHatchBrush(int iHatch, COLORREF color);
ZVD_EXPORT HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush);
ZVD_EXPORT HFONT CreateFontIndirectW(const LOGFONTW* lplf);
ZVD_EXPORT HGDIOBJ GetStockObject(int i);
ZVD_EXPORT HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
ZVD_EXPORT BOOL DeleteObject(HGDIOBJ ho);

ZVD_EXPORT int SetROP2(HDC hdc, int rop2);
ZVD_EXPORT int GetROP2(HDC hdc);
ZVD_EXPORT COLORREF SetBkColor(HDC hdc, COLORREF color);
ZVD_EXPORT int SetBkMode(HDC hdc, int mode);
ZVD_EXPORT COLORREF SetTextColor(HDC hdc, COLORREF color);

ZVD_EXPORT BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
ZVD_EXPORT BOOL LineTo(HDC hdc, int x, int y);
ZVD_EXPORT BOOL Polyline(HDC hdc, const POINT* apt, int cpt);
ZVD_EXPORT BOOL PolyBezier(HDC hdc, const POINT* apt, DWORD cpt);
ZVD_EXPORT BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
ZVD_EXPORT BOOL Polygon(HDC hdc, const POINT* apt, int cpt);
ZVD_EXPORT BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
ZVD_EXPORT BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
ZVD_EXPORT int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
ZVD_EXPORT COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);

ZVD_EXPORT BOOL BeginPath(HDC hdc);
ZVD_EXPORT BOOL EndPath(HDC hdc);
ZVD_EXPORT BOOL StrokePath(HDC hdc);

ZVD_EXPORT BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c);
ZVD_EXPORT BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl);

ZVD_EXPORT int GetDeviceCaps(HDC hdc, int index);
ZVD_EXPORT int GetSystemMetrics(int nIndex);
ZVD_EXPORT DWORD GetSysColor(int nIndex);
ZVD_EXPORT int MulDiv(int nNumber, int nNumerator, int nDenominator);

ZVD_EXPORT HWND GetDesktopWindow();
ZVD_EXPORT HDC GetDC(HWND hWnd);
ZVD_EXPORT int ReleaseDC(HWND hWnd, HDC hDC);
