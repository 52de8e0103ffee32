// zvd: ZDrawFunc2d, the static primitives that draw world geometry into a device context.
// Each call converts through a ZCoordTrans, sets up its own pen/brush/raster operation and leaves the DC as it found
// it.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "zgp/arc2d.h"
#include "zgp/box2.h"
#include "zgp/curve2d.h"
#include "zgp/loop.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/vec2.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/foundation/zvdexport.h"
#include "zvd/platform/zvdhdc.h"

class ZCoordTrans;

// Pen styles. The value goes to the device unchanged as the Windows pen style, and items persist
// it, so the numbers are fixed.
enum EnPenStyle : int {
    psSolid = 0,
    psDash = 1,
    psDot = 2,
    psDashDot = 3,
    psDashDotDot = 4,
    psClear = 5,  // null pen: nothing is drawn
    psInsideFrame = 6
};

// Brush styles, persisted by hatches and polygons. bsClear fills nothing and turns every stroke
// into a no-op; the hatched styles are the six Windows hatches in their order (value - 2).
enum EnBrushStyle : int {
    bsSolid = 0,
    bsClear = 1,
    bsHorizontal = 2,
    bsVertical = 3,
    bsFDiagonal = 4,
    bsBDiagonal = 5,
    bsCross = 6,
    bsDiagCross = 7
};

namespace vdcommon {

// Raster operation of one primitive call. Values outside 0..4 keep the device's current mode.
enum EnDrawMode : int {
    dmNormal = 0,  // copy pen
    dmXor = 1,     // xor pen: drawing the same thing twice restores the device
    dmNop = 2,     // nothing changes
    dmNot = 3,     // inverts the destination
    dmNotXor = 4   // not-xor pen
};

}  // namespace vdcommon

using vdcommon::EnDrawMode;

// Where a text's anchor sits on the text: the left/top edge, the right/bottom edge or the middle.
enum EnHorizAlignment : int { haLeft = 0, haRight = 1, haCenter = 2 };
enum EnVertAlignment : int { vaTop = 0, vaBottom = 1, vaCenter = 2 };

// Colours are COLORREF values carried as int (0x00BBGGRR); a negative colour means the system
// colour with index 1 (GetSysColor(1)). White (0xFFFFFF) is what callers pass for colours that
// take no part.
//
// Widths: a world width becomes ceil(width * zoom - 0.001) pixels. drawLine, drawArc, drawCircle,
// drawXLine and drawXPolyline also take a negative width as a pixel count (-width). minWidth is
// the smallest pen width in pixels. Pens wider than one pixel are geometric, with flat caps and
// mitred joins.
//
// Outline: the stroke operations taking outlineWidth > 0 (world units) also draw a closed
// outline of that width around the stroked curve in outlinePenStyle/outlineColour. Pass
// 0, psSolid, 0xFFFFFF for none.
//
// A null device context or transform draws nothing. No call reports errors: degenerate input
// (fewer than two points, empty loops, zero-length small arcs) draws nothing or little.
class ZVD_EXPORT ZDrawFunc2d {
public:
    ZDrawFunc2d() = delete;

    // ---- strokes ----

    // The segment p1-p2. offset only moves the outline sideways, never the stroke itself.
    static void drawLine(HDC hdc, const ZCoordTrans* ct, const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2,
                         double width, double offset, EnPenStyle penStyle, int colour, EnDrawMode mode,
                         EnBrushStyle brushStyle, int outlineWidth, EnPenStyle outlinePenStyle, int outlineColour,
                         int minWidth);
    // The arc from start to end of the given radius and kernel arc type (1/3 counter-clockwise,
    // 2/4 clockwise; 3/4 sweep more than half a turn). A radius above 1e8 (or negative) draws the
    // chord; an arc of type 3/4 whose ends fall on the same pixel draws the full circle.
    static void drawArc(HDC hdc, const ZCoordTrans* ct, const zgp::CVec2<double>& start, const zgp::CVec2<double>& end,
                        double radius, zgp::CArc2d::ArcType arcType, double width, double offset, EnPenStyle penStyle,
                        int colour, EnDrawMode mode, EnBrushStyle brushStyle, int outlineWidth,
                        EnPenStyle outlinePenStyle, int outlineColour, int minWidth);
    // A full circle of radius (radius - offset), as two clockwise half arcs. The outline here is
    // a thin circle along each edge of the stroke.
    static void drawCircle(HDC hdc, const ZCoordTrans* ct, const zgp::CVec2<double>& centre, double radius,
                           double width, double offset, EnPenStyle penStyle, int colour, EnDrawMode mode,
                           EnBrushStyle brushStyle, int outlineWidth, EnPenStyle outlinePenStyle, int outlineColour,
                           int minWidth);
    // A line or arc curve through drawLine / drawArc; other kinds draw nothing.
    static void drawXLine(HDC hdc, const ZCoordTrans* ct, zgp::CCurve2d& curve, double width, double offset,
                          EnPenStyle penStyle, int colour, EnDrawMode mode, EnBrushStyle brushStyle, int outlineWidth,
                          EnPenStyle outlinePenStyle, int outlineColour, int minWidth);
    // The chain of curves as one device polyline (arcs, ellipses and NURBS flattened). closed:
    // an open loop is closed first - on the caller's loop - and in normal mode the path runs on
    // past its start so that the mitred joint at the start is drawn. The parameters marked unused
    // are kept for callers written against the full signature.
    static void drawXPolyline(HDC hdc, const ZCoordTrans* ct, zgp::CLoop& loop, double width, double unusedOffset,
                              EnPenStyle penStyle, int colour, EnDrawMode mode, EnBrushStyle brushStyle, int minWidth,
                              bool closed, int unusedOutlineWidth, EnPenStyle unusedOutlinePenStyle,
                              int unusedOutlineColour);
    // drawXPolyline closed, solid pen brush, no outline.
    static void drawXPoly(HDC hdc, const ZCoordTrans* ct, zgp::CLoop& loop, double width, EnPenStyle penStyle,
                          int colour, EnDrawMode mode, int minWidth);
    // World points as one polyline (nothing for fewer than two).
    static void drawPolyline(HDC hdc, const ZCoordTrans* ct, std::vector<zgp::CVec2<double>>& points, double width,
                             int colour, EnPenStyle penStyle, EnDrawMode mode, int minWidth);
    // The four sides of box.
    static void drawRect(HDC hdc, const ZCoordTrans* ct, zgp::CBox2<double>& box, double width, EnPenStyle penStyle,
                         int colour, EnDrawMode mode, int minWidth);
    // A rubber-band rectangle: always XOR, so drawing it again erases it. At least one pixel wide.
    static void drawRectElastic(HDC hdc, const ZCoordTrans* ct, const zgp::CVec2<double>& corner1,
                                const zgp::CVec2<double>& corner2, double width, EnPenStyle penStyle, int colour);
    // An elliptical arc as cubic Bezier pieces of at most a quarter turn. start and end are
    // the kernel's ellipse parameters (eccentric angle times major); direction -1 is clockwise.
    // The pen is max(minWidth, 1) pixels: width, offset and outline do not take part.
    static void drawEllipseArc(HDC hdc, const ZCoordTrans* ct, const zgp::CVec2<double>& centre,
                               const zgp::CVec2<double>& axis, double start, double end, double major, double minor,
                               int direction, double unusedWidth, double unusedOffset, EnPenStyle penStyle, int colour,
                               EnDrawMode mode, EnBrushStyle brushStyle, int unusedOutlineWidth,
                               EnPenStyle unusedOutlinePenStyle, int unusedOutlineColour, int minWidth);
    // A NURBS curve meshed with a distance tolerance proportional to its approximate length.
    static void drawSpline(HDC hdc, const ZCoordTrans* ct, zgp::CNurbsCurve2d* curve, double width, EnPenStyle penStyle,
                           int colour, EnDrawMode mode, int minWidth);
    // One device pixel.
    static void drawPixel(HDC hdc, const ZCoordTrans* ct, const zgp::CVec2<double>& point, int colour, EnDrawMode mode);
    // An X of two diagonals reaching size (world units) from centre, pixelWidth pixels wide.
    static void drawDiagCross(HDC hdc, const ZCoordTrans* ct, const zgp::CVec2<double>& centre, double size,
                              int pixelWidth, EnPenStyle penStyle, int colour, EnDrawMode mode);

    // ---- arrows ----
    // headAngle is the full opening angle of the head (radians); each head line is headLength
    // long and leaves the curve's end backwards at headAngle / 2 from the end tangent.

    // A line or arc curve with a head at its end.
    static void drawArrow(HDC hdc, const ZCoordTrans* ct, zgp::CCurve2d& curve, double width, double headLength,
                          double headAngle, double offset, EnPenStyle penStyle, int colour, EnDrawMode mode);
    // A chain with a head at the end of its last curve.
    static void drawPArrow(HDC hdc, const ZCoordTrans* ct, zgp::CLoop& loop, double width, double headLength,
                           double headAngle, double offset, EnPenStyle penStyle, int colour, EnDrawMode mode);
    // Every curve but the last of a chain (of at least two), shortened to its middle half, with a
    // head at the end of that middle half: direction marks along a path.
    static void drawPMultiArrow(HDC hdc, const ZCoordTrans* ct, zgp::CLoop& loop, double width, double headLength,
                                double headAngle, double unusedOffset, EnPenStyle penStyle, int colour,
                                EnDrawMode mode);

    // ---- fills ----

    // A point symbol: shape (a loop around position) rotated about position by angle, moved by
    // the vector move when position and move differ, then filled with fillXPoly. shape is not
    // changed.
    static void drawPoint(HDC hdc, const ZCoordTrans* ct, zgp::CLoop& shape, const zgp::CVec2<double>& position,
                          const zgp::CVec2<double>& move, double angle, int colour, EnDrawMode mode,
                          EnBrushStyle brushStyle, int borderWidth, EnPenStyle borderPenStyle, int borderColour);
    // Fills box. borderWidth (pixels) 0 means no border.
    static void fillRect(HDC hdc, const ZCoordTrans* ct, const zgp::CBox2<double>& box, int colour, EnDrawMode mode,
                         EnBrushStyle brushStyle, unsigned char borderWidth, EnPenStyle borderPenStyle,
                         int borderColour);
    // Fills a circle. borderWidth (pixels) 0 or less means no border.
    static void fillCircle(HDC hdc, const ZCoordTrans* ct, const zgp::CVec2<double>& centre, double radius, int colour,
                           EnDrawMode mode, EnBrushStyle brushStyle, int borderWidth, EnPenStyle borderPenStyle,
                           int borderColour);
    // Fills the area of loop (closed first - on the caller's loop - when open). Arcs and ellipses
    // are flattened; a NURBS curve contributes only its start point. An arc or ellipse that
    // rounds to no pixel at all abandons the fill.
    static void fillXPoly(HDC hdc, const ZCoordTrans* ct, zgp::CLoop& loop, int colour, EnDrawMode mode,
                          EnBrushStyle brushStyle, unsigned char borderWidth, EnPenStyle borderPenStyle,
                          int borderColour);
    // Fills every loop of every polygon by itself in XOR with (colour ^ backColour): over a
    // background of backColour the areas turn to colour and holes show the background again.
    // mode and brushStyle are not used (the XOR is what makes holes work).
    static void fillXPoly(HDC hdc, const ZCoordTrans* ct, const std::vector<zgp::CPolygon*>& polygons, int colour,
                          int backColour, EnDrawMode unusedMode, EnBrushStyle unusedBrushStyle);
    // Fills a polygon given in device pixels.
    static void fillPolygon_DC(HDC hdc, zgp::CVec2<int>* points, int count, int colour, EnBrushStyle brushStyle,
                               EnDrawMode mode, unsigned char borderWidth, EnPenStyle borderPenStyle, int borderColour);

    // ---- text ----
    // Text at pos (world), rotated by angle (radians, counter-clockwise) about its anchor, which
    // the alignments place on the text's cell. A positive height is world units (one line's
    // cell); zero or negative goes to the font as it is (negative: that many pixels of character
    // height). transparent leaves the background untouched, otherwise the cell is filled with
    // backColour. At most 31 characters of fontName reach the font.
    static void drawScaleText(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, const zgp::CVec2<double>& pos,
                              double angle, double height, EnHorizAlignment horz, EnVertAlignment vert,
                              const std::wstring& fontName, int colour, std::set<EnFontStyle>& styles,
                              int backColour, bool transparent, EnDrawMode mode);
    static void drawScaleTextVII(HDC hdc, const ZCoordTrans* ct, const std::wstring& text,
                                 const zgp::CVec2<double>& pos, double angle, double height, EnHorizAlignment horz,
                                 EnVertAlignment vert, const std::wstring& fontName, int colour,
                                 std::set<EnFontStyle>& styles, int backColour, bool transparent, EnDrawMode mode);
    // Text of a fixed point size on screen, whatever the zoom.
    static void drawFixedText(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, const zgp::CVec2<double>& pos,
                              double angle, EnHorizAlignment horz, EnVertAlignment vert, const std::wstring& fontName,
                              int pointSize, int colour, std::set<EnFontStyle>& styles, int backColour,
                              bool transparent, EnDrawMode mode);
    // Several lines split at line feeds (empty lines take no room), each below the one before in
    // the text's own frame: one line height (abs(height)) apart.
    static void drawScaleWrapText(HDC hdc, const ZCoordTrans* ct, const std::wstring& text,
                                  const zgp::CVec2<double>& pos, double angle, double height, EnHorizAlignment horz,
                                  EnVertAlignment vert, const std::wstring& fontName, int colour,
                                  std::set<EnFontStyle>& styles, int backColour, bool transparent, EnDrawMode mode);
    // As drawScaleWrapText, except that a negative (pixel) height steps by its pixels in world units.
    static void drawScaleWrapTextVII(HDC hdc, const ZCoordTrans* ct, const std::wstring& text,
                                     const zgp::CVec2<double>& pos, double angle, double height, EnHorizAlignment horz,
                                     EnVertAlignment vert, const std::wstring& fontName, int colour,
                                     std::set<EnFontStyle>& styles, int backColour, bool transparent, EnDrawMode mode);
    // Lines of a fixed point size, split at line feeds; the step is the point size in pixels.
    static void drawWrapText(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, const zgp::CVec2<double>& pos,
                             double angle, EnHorizAlignment horz, EnVertAlignment vert, const std::wstring& fontName,
                             int pointSize, int colour, std::set<EnFontStyle>& styles, int backColour,
                             bool transparent, EnDrawMode mode);
    // The same for given lines; every element takes a line, empty ones too (they draw nothing).
    static void drawWrapText(HDC hdc, const ZCoordTrans* ct, std::vector<std::wstring>& lines,
                             const zgp::CVec2<double>& pos, double angle, EnHorizAlignment horz, EnVertAlignment vert,
                             const std::wstring& fontName, int pointSize, int colour, std::set<EnFontStyle>& styles,
                             int backColour, bool transparent, EnDrawMode mode);
    // Text of a fixed point size / of a world height set just above a line or an arc (see
    // calcTextAboveLineParam).
    static void drawFixedTextAboveLine(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, zgp::CCurve2d& curve,
                                       double ratio, EnHorizAlignment horz, EnVertAlignment vert,
                                       std::wstring fontName, int pointSize, int colour, std::set<EnFontStyle>& styles,
                                       int backColour, bool transparent, EnDrawMode mode);
    static void drawScaledTextAboveLine(HDC hdc, const ZCoordTrans* ct, std::wstring text, zgp::CCurve2d& curve,
                                        double ratio, double height, EnHorizAlignment horz, EnVertAlignment vert,
                                        std::wstring fontName, int colour, std::set<EnFontStyle>& styles,
                                        int backColour, bool transparent, EnDrawMode mode);
    // Where such a text goes: on a line at the fraction ratio of its length (from the end when
    // the line runs down-left, so the text reads upright); on an arc at its top when the arc
    // passes there, else at its middle, with angle 0. Then lifted by (2 / zoom)^2 across angle.
    // Other curves leave pos at (0, 0). The alignment is not used.
    static void calcTextAboveLineParam(const ZCoordTrans* ct, zgp::CCurve2d& curve, double ratio,
                                       EnVertAlignment unusedVert, double& angle, zgp::CVec2<double>& pos);
    // Pixels of a point size on the device: MulDiv(pointSize, vertical dpi, 72).
    static int getFontHeight(HDC hdc, int pointSize);
};

// Width in pixels of text in the font of that face, cell height (pixels) and styles, measured on
// the desktop's device context.
ZVD_EXPORT int getDrawTextWidth(std::wstring text, std::wstring fontName, short height, std::set<EnFontStyle>& styles);
