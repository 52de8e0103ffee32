// zvd: the text operations of ZDrawFunc2d: one that does the device work (font, colours,
// anchor from the alignments, rotation) and the forms that split lines or place a text.
#include <cmath>

#include "render/zdrawdevice.h"
#include "zgp/mindist.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvdgdi.h"
#include "zvd/render/zdrawfunc2d.h"

using zgp::CVec2;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The font of a text: cell height in pixels (or as given), escapement in tenths of a degree.
LOGFONTW textFont(int height, double angle, const std::wstring& fontName, const std::set<EnFontStyle>& styles) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = 0;
    lf.lfEscapement = vdcommon::round(angle / (2.0 * kPi) * 3600.0);
    lf.lfOrientation = 0;
    lf.lfWeight = styles.count(fsBold) ? 700 : 400;
    lf.lfItalic = styles.count(fsItalic) ? 1 : 0;
    lf.lfUnderline = styles.count(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = styles.count(fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = 1;
    // The face-name field holds 31 characters and the terminator.
    const size_t n = std::min<size_t>(fontName.size(), LF_FACESIZE - 1);
    for (size_t i = 0; i < n; ++i) lf.lfFaceName[i] = fontName[i];
    lf.lfFaceName[n] = 0;
    return lf;
}

// Pixel height of a point size on the device, negative: a character height for the font.
double fixedHeight(HDC hdc, const ZCoordTrans* ct, int pointSize) {
    return -MulDiv(pointSize, GetDeviceCaps(hdc, LOGPIXELSY), 72) / ct->zoomFactor();
}

// The lines of text split at line feeds; a carriage return stays in its line.
std::vector<std::wstring> splitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (;;) {
        const size_t lf = text.find(L'\n', start);
        lines.push_back(text.substr(start, lf == std::wstring::npos ? std::wstring::npos : lf - start));
        if (lf == std::wstring::npos) break;
        start = lf + 1;
    }
    return lines;
}

// pos moved step world units down the text's own frame (against angle + pi/2).
CVec2<double> lineBelow(const CVec2<double>& pos, double angle, double step) {
    return pos - CVec2<double>(std::cos(angle + kPi / 2), std::sin(angle + kPi / 2)) * step;
}

}  // namespace

void ZDrawFunc2d::drawScaleText(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, const CVec2<double>& pos,
                                double angle, double height, EnHorizAlignment horz, EnVertAlignment vert,
                                const std::wstring& fontName, int colour, std::set<EnFontStyle>& styles,
                                int backColour, bool transparent, EnDrawMode mode) {
    if (!hdc || !ct) return;
    const int pixels = height > 0 ? zvddraw::saturatedInt(std::ceil(height * ct->zoomFactor() - 0.001)) : zvddraw::saturatedInt(height);
    const LOGFONTW lf = textFont(pixels, angle, fontName, styles);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ oldFont = SelectObject(hdc, font);
    SetTextColor(hdc, zvddraw::toColorRef(colour));
    int oldBkMode = 0;
    COLORREF oldBk = 0;
    if (transparent)
        oldBkMode = SetBkMode(hdc, TRANSPARENT);
    else
        oldBk = SetBkColor(hdc, zvddraw::toColorRef(backColour));
    const int rop = zvddraw::rasterOpOf(mode);
    const int oldRop = rop ? SetROP2(hdc, rop) : 0;

    SIZE size{0, 0};
    const int length = static_cast<int>(text.size());
    // Left/top text needs no extent; measuring costs about as much as drawing.
    if (horz == haRight || horz == haCenter || vert == vaBottom || vert == vaCenter)
        GetTextExtentPoint32W(hdc, text.c_str(), length, &size);
    const CVec2<int> anchor = ct->WCTODC(pos);
    const double dx = horz == haRight ? size.cx : horz == haCenter ? size.cx / 2 : 0;
    const double dy = vert == vaBottom ? size.cy : vert == vaCenter ? size.cy / 2 : 0;
    // The offset turns with the text; device y runs down, so the turn is by -angle.
    const double s = std::sin(-angle), c = std::cos(-angle);
    const double ox = -dx, oy = -dy;
    const int x = vdcommon::round(ox * c - oy * s + anchor.x);
    const int y = vdcommon::round(oy * c + ox * s + anchor.y);
    TextOutW(hdc, x, y, text.c_str(), length);

    SelectObject(hdc, oldFont);
    DeleteObject(font);
    if (transparent)
        SetBkMode(hdc, oldBkMode);
    else
        SetBkColor(hdc, oldBk);
    if (rop) SetROP2(hdc, oldRop);
}

void ZDrawFunc2d::drawScaleTextVII(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, const CVec2<double>& pos,
                                   double angle, double height, EnHorizAlignment horz, EnVertAlignment vert,
                                   const std::wstring& fontName, int colour, std::set<EnFontStyle>& styles,
                                   int backColour, bool transparent, EnDrawMode mode) {
    drawScaleText(hdc, ct, text, pos, angle, height, horz, vert, fontName, colour, styles, backColour, transparent,
                  mode);
}

void ZDrawFunc2d::drawFixedText(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, const CVec2<double>& pos,
                                double angle, EnHorizAlignment horz, EnVertAlignment vert, const std::wstring& fontName,
                                int pointSize, int colour, std::set<EnFontStyle>& styles, int backColour,
                                bool transparent, EnDrawMode mode) {
    if (!hdc || !ct) return;
    drawScaleText(hdc, ct, text, pos, angle, fixedHeight(hdc, ct, pointSize), horz, vert, fontName, colour, styles,
                  backColour, transparent, mode);
}

void ZDrawFunc2d::drawScaleWrapText(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, const CVec2<double>& pos,
                                    double angle, double height, EnHorizAlignment horz, EnVertAlignment vert,
                                    const std::wstring& fontName, int colour, std::set<EnFontStyle>& styles,
                                    int backColour, bool transparent, EnDrawMode mode) {
    int k = 0;
    for (const std::wstring& line : splitLines(text)) {
        if (line.empty()) continue;
        drawScaleText(hdc, ct, line, lineBelow(pos, angle, k * std::fabs(height)), angle, height, horz, vert, fontName,
                      colour, styles, backColour, transparent, mode);
        ++k;
    }
}

void ZDrawFunc2d::drawScaleWrapTextVII(HDC hdc, const ZCoordTrans* ct, const std::wstring& text,
                                       const CVec2<double>& pos, double angle, double height, EnHorizAlignment horz,
                                       EnVertAlignment vert, const std::wstring& fontName, int colour,
                                       std::set<EnFontStyle>& styles, int backColour, bool transparent,
                                       EnDrawMode mode) {
    if (!ct) return;
    // A pixel height steps by its pixels, converted to world units.
    const double lineStep = height > 0 ? height : -vdcommon::round(height) / ct->zoomFactor();
    int k = 0;
    for (const std::wstring& line : splitLines(text)) {
        if (line.empty()) continue;
        drawScaleText(hdc, ct, line, lineBelow(pos, angle, k * lineStep), angle, height, horz, vert, fontName, colour,
                      styles, backColour, transparent, mode);
        ++k;
    }
}

void ZDrawFunc2d::drawWrapText(HDC hdc, const ZCoordTrans* ct, const std::wstring& text, const CVec2<double>& pos,
                               double angle, EnHorizAlignment horz, EnVertAlignment vert, const std::wstring& fontName,
                               int pointSize, int colour, std::set<EnFontStyle>& styles, int backColour,
                               bool transparent, EnDrawMode mode) {
    if (!hdc || !ct) return;
    const double height = fixedHeight(hdc, ct, pointSize);
    const double lineStep = std::abs(pointSize) / ct->zoomFactor();
    int k = 0;
    for (const std::wstring& line : splitLines(text)) {
        if (line.empty()) continue;
        drawScaleText(hdc, ct, line, lineBelow(pos, angle, k * lineStep), angle, height, horz, vert, fontName, colour,
                      styles, backColour, transparent, mode);
        ++k;
    }
}

void ZDrawFunc2d::drawWrapText(HDC hdc, const ZCoordTrans* ct, std::vector<std::wstring>& lines,
                               const CVec2<double>& pos, double angle, EnHorizAlignment horz, EnVertAlignment vert,
                               const std::wstring& fontName, int pointSize, int colour, std::set<EnFontStyle>& styles,
                               int backColour, bool transparent, EnDrawMode mode) {
    if (!hdc || !ct) return;
    const double height = fixedHeight(hdc, ct, pointSize);
    double step = 0;
    for (const std::wstring& line : lines) {
        if (!line.empty())
            drawScaleText(hdc, ct, line, lineBelow(pos, angle, step), angle, height, horz, vert, fontName, colour,
                          styles, backColour, transparent, mode);
        step += std::abs(pointSize) / ct->zoomFactor();
    }
}

void ZDrawFunc2d::calcTextAboveLineParam(const ZCoordTrans* ct, zgp::CCurve2d& curve, double ratio, EnVertAlignment,
                                         double& angle, CVec2<double>& pos) {
    pos = CVec2<double>(0, 0);
    if (curve.Type() == zgp::GT_LINE) {
        const CVec2<double> t = curve.EndVt();
        double a = std::atan2(t.y, t.x);
        if (a < 0) a += 2 * kPi;
        // A line running down-left would put the text upside down: measure from its end.
        const bool flip = a > kPi + 0.01 && a <= 3 * kPi / 2;
        const double along = curve.Length() * (flip ? 1.0 - ratio : ratio);
        pos = curve.GetPoint(curve.StartT() + along);
    } else if (curve.Type() == zgp::GT_ARC) {
        const auto& arc = static_cast<const zgp::CArc2d&>(curve);
        const CVec2<double> top(arc.CenterPt().x, arc.CenterPt().y + arc.Radius());
        zgp::CCurve2dMindist nearest(&curve);
        nearest.SetQueryPoint(top);
        pos = nearest.GetDistance() < 0.01 ? top : curve.GetPoint(curve.StartT() + curve.Length() * 0.5);
        angle = 0;
    }
    const double d = ct ? 2.0 / ct->zoomFactor() : 0.0;
    pos += CVec2<double>(std::cos(angle + kPi / 2), std::sin(angle + kPi / 2)) * (d * d);
}

void ZDrawFunc2d::drawFixedTextAboveLine(HDC hdc, const ZCoordTrans* ct, const std::wstring& text,
                                         zgp::CCurve2d& curve, double ratio, EnHorizAlignment horz,
                                         EnVertAlignment vert, std::wstring fontName, int pointSize, int colour,
                                         std::set<EnFontStyle>& styles, int backColour, bool transparent,
                                         EnDrawMode mode) {
    if (!hdc || !ct) return;
    double angle = 0;
    CVec2<double> pos(0, 0);
    calcTextAboveLineParam(ct, curve, ratio, vert, angle, pos);
    drawScaleText(hdc, ct, text, pos, angle, fixedHeight(hdc, ct, pointSize), horz, vert, fontName, colour, styles,
                  backColour, transparent, mode);
}

void ZDrawFunc2d::drawScaledTextAboveLine(HDC hdc, const ZCoordTrans* ct, std::wstring text, zgp::CCurve2d& curve,
                                          double ratio, double height, EnHorizAlignment horz, EnVertAlignment vert,
                                          std::wstring fontName, int colour, std::set<EnFontStyle>& styles,
                                          int backColour, bool transparent, EnDrawMode mode) {
    double angle = 0;
    CVec2<double> pos(0, 0);
    calcTextAboveLineParam(ct, curve, ratio, vert, angle, pos);
    drawScaleText(hdc, ct, text, pos, angle, height, horz, vert, fontName, colour, styles, backColour, transparent,
                  mode);
}

int ZDrawFunc2d::getFontHeight(HDC hdc, int pointSize) { return MulDiv(pointSize, GetDeviceCaps(hdc, LOGPIXELSY), 72); }

int getDrawTextWidth(std::wstring text, std::wstring fontName, short height, std::set<EnFontStyle>& styles) {
    const LOGFONTW lf = textFont(height, 0.0, fontName, styles);
    HWND desktop = GetDesktopWindow();
    HDC hdc = GetDC(desktop);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(hdc, font);
    SIZE size{0, 0};
    GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(hdc, old);
    DeleteObject(font);
    ReleaseDC(desktop, hdc);
    return size.cx;
}
