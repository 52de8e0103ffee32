// zvd: GDI's one-pixel lines on Qt's aliased line drawer, and the runs of them that one drawLines
// call paints as one drawLine call per line would.
#include "platform/zvdcosmeticlines.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

namespace zvdgdi {

namespace {

// Directions of Qt's line drawer: the axis along which a line is longer (in 26.6 fixed point,
// ties to the x axis) and which way it runs; kNone for a fresh drawer, kUnknown when it cannot
// be told.
enum { kNone = 0, kTopToBottom = 1, kBottomToTop = 2, kLeftToRight = 4, kRightToLeft = 8, kUnknown = 16 };

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

void CosmeticLineBatch::collect(const POINT* points, int count, QSize device) {
    m_size = 0;
    m_last = kNone;
    // Each segment brings at most one separating line with it.
    reserve(2 * static_cast<size_t>(std::max(count, 1)));
    const int width = device.width(), height = device.height();
    for (int i = 1, from = 0; i < count; ++i) {
        const POINT& a = points[from];
        const POINT& b = points[i];
        if (a.x == b.x && a.y == b.y) continue;
        from = i;
        if (a.x >= 1 && b.x >= 1 && a.y >= 1 && b.y >= 1 && a.x < width && b.x < width && a.y < height && b.y < height)
            addInside(a, b);
        else
            add(gdiCosmeticLine(QPointF(a.x, a.y), QPointF(b.x, b.y)), width, height);
    }
}

void CosmeticLineBatch::draw(QPainter& p) const {
    if (m_size > 0) p.drawLines(m_lines.get(), static_cast<int>(m_size));
}

void CosmeticLineBatch::reserve(size_t n) {
    if (n <= m_capacity) return;
    m_capacity = std::max(n, 2 * m_capacity);
    m_lines.reset(new QLineF[m_capacity]);
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
