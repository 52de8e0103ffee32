// zvd tests: reading back what the GDI layer painted; colours as COLORREF (0x00BBGGRR), like the calls.
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>

#include "platform/zvdrecordingdc.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << "\n  " << l.join("\n  ").toStdString(); }

namespace gditest {

inline COLORREF at(const QImage& im, int x, int y) {
    const QRgb p = im.pixel(x, y);
    return RGB(BYTE(qRed(p)), BYTE(qGreen(p)), BYTE(qBlue(p)));
}

inline QImage blank(int w, int h, COLORREF c = 0xFFFFFF) {
    QImage im(w, h, QImage::Format_RGB32);
    im.fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
    return im;
}

// A background where every pixel differs from its neighbours, so that a wrong raster operation shows.
inline QImage busy(int w, int h) {
    QImage im(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            im.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (x * 5 + y * 53) & 255, (x * y + 91) & 255));
    return im;
}

struct Box {
    int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1, count = 0;
};

inline Box inked(const QImage& im, COLORREF background = 0xFFFFFF) {
    Box b;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            if (at(im, x, y) != background) {
                ++b.count;
                b.minX = std::min(b.minX, x);
                b.maxX = std::max(b.maxX, x);
                b.minY = std::min(b.minY, y);
                b.maxY = std::max(b.maxY, y);
            }
    return b;
}

inline int differing(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (at(a, x, y) != at(b, x, y)) ++n;
    return n;
}

inline void withObjects(HDC dc, HGDIOBJ pen, HGDIOBJ brush, const std::function<void()>& draw) {
    HGDIOBJ oldPen = pen ? SelectObject(dc, pen) : nullptr;
    HGDIOBJ oldBrush = brush ? SelectObject(dc, brush) : nullptr;
    draw();
    if (oldBrush) SelectObject(dc, oldBrush);
    if (oldPen) SelectObject(dc, oldPen);
    if (brush) DeleteObject(brush);
    if (pen) DeleteObject(pen);
}

inline void line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

inline HPEN geometricPen(DWORD style, DWORD width, COLORREF c, UINT brushStyle = BS_SOLID, ULONG_PTR hatch = 0) {
    LOGBRUSH lb = {brushStyle, c, hatch};
    return ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER | style, width, &lb, 0, nullptr);
}

inline LOGFONTW font(LONG height, const wchar_t* face = L"DejaVu Sans", LONG escapement = 0, LONG weight = FW_NORMAL) {
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfEscapement = escapement;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
    return lf;
}

// A recording device with world (x, y) at device (100 + x, 100 - y), zoom 1.
struct RecordingTest : ::testing::Test {
    HDC dc = createRecordingDC();
    ZCoordTrans ct;
    RecordingTest() { ct.setDPoint(zgp::CVec2<int>(100, 100)); }
    ~RecordingTest() override { destroyDC(dc); }
    QStringList recorded(const QString& pattern) const {
        QStringList out;
        for (const QString& c : recordedCalls(dc).filter(QRegularExpression(pattern))) out << c.section('=', 0, 0);
        return out;
    }
};

}  // namespace gditest
