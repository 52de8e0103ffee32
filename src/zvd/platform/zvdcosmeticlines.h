// zvd: GDI's one-pixel lines on Qt's aliased line drawer, alone or a whole run in one Qt call.
// Internal to the raster and vector devices.
#pragma once

#include <cstddef>
#include <memory>

#include <QLineF>
#include <QSize>

#include "zvd/platform/zvdgdi.h"

class QPainter;

namespace zvdgdi {

// A one-pixel line as GDI's LineTo draws it: the start pixel in, the end pixel out. Qt rasterises
// from the lower end of the major axis and leaves out the upper end; for a line running the other
// way the same line slid one step along itself towards its start gives GDI's pixels.
QLineF gdiCosmeticLine(QPointF a, QPointF b);

// Collects the one-pixel lines of a run for one drawLines call that paints exactly the pixels of
// one drawLine call per line.
//
// Qt's aliased one-pixel line drawer lives for one drawLines call and remembers the direction of
// the last line it drew (none at first); a line running exactly against it along the same axis is
// drawn with half a pixel more at its start, which a line drawn on its own never gets. Before such
// a line a short line across its axis just outside the device goes in between: its pixels are all
// clipped, and what the drawer remembers is then harmless. Lines that reach the device's edge are
// cut there first, which may change the direction Qt sees; after them the direction is unknown and
// the next line gets the separating line whatever its direction.
class CosmeticLineBatch {
public:
    // Replaces the batch with the lines gdiCosmeticLine makes of the run of count points on a
    // device of the given size; a point repeating the one before adds no segment, as a path would
    // not take it.
    void collect(const POINT* points, int count, QSize device);
    // One drawLines call with the painter's pen and mode (none for an empty batch).
    void draw(QPainter& p) const;

private:
    void reserve(size_t n);
    void push(qreal x1, qreal y1, qreal x2, qreal y2) { m_lines[m_size++] = QLineF(x1, y1, x2, y2); }
    void add(const QLineF& line, int width, int height);
    void addInside(const POINT& a, const POINT& b);
    void separate(int dir);

    std::unique_ptr<QLineF[]> m_lines;
    size_t m_size = 0, m_capacity = 0;
    int m_last = 0;  // the direction the drawer remembers (see the .cpp)
};

}  // namespace zvdgdi
