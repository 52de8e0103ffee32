// zvd: GDI's one-pixel lines on Qt's aliased line drawer, and the runs of them that one drawLines
// call paints as one drawLine call per line would.
#include "platform/zvdcosmeticlines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include <QImage>
#include <QPainter>

namespace zvdgdi {

namespace {

// Directions of Qt's line drawer: the axis along which a line is longer (in 26.6 fixed point,
// ties to the x axis) and which way it runs; kNone for a fresh drawer, kUnknown when it cannot
// be told.
enum { kNone = 0, kTopToBottom = 1, kBottomToTop = 2, kLeftToRight = 4, kRightToLeft = 8, kUnknown = 16 };

// The pixels one drawLine call of Qt's aliased one-pixel drawer paints for line (a flat-capped
// pen, a fresh drawer, no clipping: the coordinates lie well inside the int range): 26.6 fixed
// point, truncated; along the longer axis from the pixel the start rounds to up to, not including,
// the one the end rounds to, whichever way the line runs; across it a 16.16 position stepping
// from the first pixel centre's place on the line.
template <class Pixel>
void cosmeticLinePixels(const QLineF& line, Pixel pixel) {
    int x1 = int(line.x1() * 64.), y1 = int(line.y1() * 64.);
    int x2 = int(line.x2() * 64.), y2 = int(line.y2() * 64.);
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    if (dx < dy) {
        if (y1 > y2) {
            std::swap(y1, y2);
            std::swap(x1, x2);
        }
        const int xinc = int((static_cast<long long>(x2 - x1) * 65536) / (y2 - y1));
        int y = (y1 + 32) >> 6;
        const int ys = (y2 + 32) >> 6;
        if (y == ys) return;
        int x = x1 * 1024 + ((((y * 64) + (xinc > 0 ? 32 : 0) - y1) * xinc) >> 6);
        do {
            pixel(x >> 16, y);
            x += xinc;
        } while (++y < ys);
    } else {
        if (dx == 0) return;
        if (x1 > x2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        const int yinc = int((static_cast<long long>(y2 - y1) * 65536) / (x2 - x1));
        int x = (x1 + 32) >> 6;
        const int xs = (x2 + 32) >> 6;
        if (x == xs) return;
        int y = y1 * 1024 + ((((x * 64) + (yinc > 0 ? 32 : 0) - x1) * yinc) >> 6);
        do {
            pixel(x, y >> 16);
            y += yinc;
        } while (++x < xs);
    }
}

// Probe lines for directPixels: from the middle of a small image to every point around it, and
// long shallow and steep lines across a larger one, each as gdiCosmeticLine makes it.
template <class Probe>
void forEachProbeLine(Probe probe) {
    for (int dy = -9; dy <= 9; ++dy)
        for (int dx = -9; dx <= 9; ++dx)
            if (dx != 0 || dy != 0) probe(gdiCosmeticLine(QPointF(10, 10), QPointF(10 + dx, 10 + dy)));
    for (int k = -37; k <= 37; k += 2) {
        probe(gdiCosmeticLine(QPointF(1, 60), QPointF(118, 60 + k)));
        probe(gdiCosmeticLine(QPointF(118, 60 + k), QPointF(1, 60)));
        probe(gdiCosmeticLine(QPointF(60, 1), QPointF(60 + k, 118)));
        probe(gdiCosmeticLine(QPointF(60 + k, 118), QPointF(60, 1)));
    }
}

// Draws each probe line with Qt, then takes the reproduced pixels off again: every one must be
// painted, and nothing else.
bool probeLinesMatch() {
    QImage image(120, 120, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QBrush(Qt::black), 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    bool same = true;
    forEachProbeLine([&](const QLineF& line) {
        p.drawLine(line);
        cosmeticLinePixels(line, [&](int x, int y) {
            if (!image.rect().contains(x, y) || image.pixel(x, y) != 0xFF000000u) {
                same = false;
                return;
            }
            image.setPixel(x, y, 0xFFFFFFFFu);
        });
        const QRect box =
            QRectF(line.p1(), line.p2()).normalized().toAlignedRect().adjusted(-2, -2, 2, 2) & image.rect();
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                if (image.pixel(x, y) != 0xFFFFFFFFu) {
                    same = false;
                    image.setPixel(x, y, 0xFFFFFFFFu);
                }
    });
    return same;
}

int opposite(int dir) {
    return dir ^ (dir <= kBottomToTop ? kTopToBottom | kBottomToTop : kLeftToRight | kRightToLeft);
}

}  // namespace

QLineF gdiCosmeticLine(QPointF a, QPointF b) {
    const qreal dx = b.x() - a.x(), dy = b.y() - a.y();
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    if (xMajor ? dx < 0 : dy < 0) {
        const qreal n = std::max(std::abs(dx), std::abs(dy));
        const QPointF step = (a - b) / n;
        a += step;
        b += step;
    }
    return QLineF(a, b);
}

void CosmeticLineBatch::collect(const POINT* points, int count, QSize device, bool direct) {
    m_size = 0;
    m_directSize = 0;
    m_last = kNone;
    // Each segment brings at most one separating line with it.
    reserve(2 * static_cast<size_t>(std::max(count, 1)));
    const int width = device.width(), height = device.height();
    for (int i = 1, from = 0; i < count; ++i) {
        const POINT& a = points[from];
        const POINT& b = points[i];
        if (a.x == b.x && a.y == b.y) continue;
        from = i;
        const bool inside =
            a.x >= 1 && b.x >= 1 && a.y >= 1 && b.y >= 1 && a.x < width && b.x < width && a.y < height && b.y < height;
        if (inside && direct)
            m_direct[m_directSize++] = gdiCosmeticLine(QPointF(a.x, a.y), QPointF(b.x, b.y));
        else if (inside)
            addInside(a, b);
        else
            add(gdiCosmeticLine(QPointF(a.x, a.y), QPointF(b.x, b.y)), width, height);
    }
}

void CosmeticLineBatch::draw(QPainter& p) const {
    if (m_size > 0) p.drawLines(m_lines.get(), static_cast<int>(m_size));
}

// The kept lines lie inside the image by a pixel; their pixels are checked against it all the same.
void CosmeticLineBatch::paint(uchar* bits, int bytesPerLine, QSize image, unsigned colour) const {
    const unsigned width = unsigned(image.width()), height = unsigned(image.height());
    for (size_t i = 0; i < m_directSize; ++i)
        cosmeticLinePixels(m_direct[i], [&](int x, int y) {
            if (unsigned(x) < width && unsigned(y) < height)
                reinterpret_cast<quint32*>(bits + static_cast<ptrdiff_t>(y) * bytesPerLine)[x] = colour;
        });
}

void CosmeticLineBatch::reserve(size_t n) {
    if (n <= m_capacity) return;
    m_capacity = std::max(n, 2 * m_capacity);
    m_lines.reset(new QLineF[m_capacity]);
    m_direct.reset(new QLineF[m_capacity]);
}

bool directPixels(const QPainter& p, const QImage& image, const QPen& pen, int mode) {
    static const bool qtMatches = probeLinesMatch();
    const QImage::Format format = image.format();
    // Below 16384 pixels a side the 16.16 positions of cosmeticLinePixels stay inside an int.
    return qtMatches && (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
           image.width() < 16384 && image.height() < 16384 && mode == QPainter::CompositionMode_SourceOver &&
           pen.style() == Qt::SolidLine && pen.brush().style() == Qt::SolidPattern && pen.color().alpha() == 255 &&
           pen.widthF() == 0 && !p.hasClipping() && p.opacity() == 1.0 && !p.testRenderHint(QPainter::Antialiasing) &&
           p.combinedTransform().type() == QTransform::TxNone;
}

// Any line, as gdiCosmeticLine made it.
void CosmeticLineBatch::add(const QLineF& line, int width, int height) {
    const bool inside = std::min(line.x1(), line.x2()) >= 0 && std::max(line.x1(), line.x2()) <= width &&
                        std::min(line.y1(), line.y2()) >= 0 && std::max(line.y1(), line.y2()) <= height;
    // Direction as Qt works it out: 26.6 fixed point, truncated. Far outside the device only the
    // axis matters, worked out in floating point.
    int dir, major = 0;
    if (inside) {
        const int x1 = int(line.x1() * 64.), y1 = int(line.y1() * 64.);
        const int x2 = int(line.x2() * 64.), y2 = int(line.y2() * 64.);
        const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
        dir = dx < dy ? (y1 > y2 ? kBottomToTop : kTopToBottom) : (x1 > x2 ? kRightToLeft : kLeftToRight);
        major = std::max(dx, dy);
    } else {
        dir = std::abs(line.dx()) < std::abs(line.dy()) ? kTopToBottom : kLeftToRight;
    }
    if (!inside || m_last == kUnknown || m_last == opposite(dir)) separate(dir);
    m_lines[m_size++] = line;
    // A line at least a pixel long on its major axis always leaves its direction behind.
    m_last = inside && major >= 64 ? dir : kUnknown;
}

// The line gdiCosmeticLine makes of the segment a -> b (distinct points that lie inside the device
// by a pixel), worked out from the integers: the direction Qt sees is that of b - a (a slide keeps
// the longer axis a whole number of pixels long and changes the shorter one by less than a 64th),
// and the slide is the same division as there, by the longer axis, whose own component is exactly
// one pixel.
void CosmeticLineBatch::addInside(const POINT& a, const POINT& b) {
    const int dx = b.x - a.x, dy = b.y - a.y;
    const int adx = std::abs(dx), ady = std::abs(dy);
    const int dir = adx >= ady ? (dx < 0 ? kRightToLeft : kLeftToRight) : (dy < 0 ? kBottomToTop : kTopToBottom);
    if (m_last == kUnknown || m_last == opposite(dir)) separate(dir);
    if (dir == kRightToLeft) {
        const qreal sy = qreal(-dy) / qreal(adx);
        push(a.x + 1.0, a.y + sy, b.x + 1.0, b.y + sy);
    } else if (dir == kBottomToTop) {
        const qreal sx = qreal(-dx) / qreal(ady);
        push(a.x + sx, a.y + 1.0, b.x + sx, b.y + 1.0);
    } else {
        push(a.x, a.y, b.x, b.y);
    }
    m_last = dir;
}

// Two pixels long across the axis of dir, on the column left of or the row above the device.
void CosmeticLineBatch::separate(int dir) {
    if (dir == kLeftToRight || dir == kRightToLeft) {
        push(-1.0, 0.0, -1.0, 2.0);
        m_last = kTopToBottom;
    } else {
        push(0.0, -1.0, 2.0, -1.0);
        m_last = kLeftToRight;
    }
}

}  // namespace zvdgdi
