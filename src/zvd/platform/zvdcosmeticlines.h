// zvd: GDI's one-pixel lines on Qt's aliased line drawer, alone or a whole run in one Qt call.
// Internal to the raster and vector devices.
#pragma once

#include <cstddef>
#include <memory>

#include <QLineF>
#include <QSize>
#include <QtGlobal>

#include "zvd/platform/zvdgdi.h"

class QImage;
class QPainter;
class QPen;

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
//
// Where the device can take them (see directPixels), the lines that lie inside it are kept apart
// and their pixels, the ones Qt's drawer would pick, written straight into the image, at a fraction
// of the cost of Qt's way; only the rest go to Qt. As every line of the layer sets its pixels to
// the one colour, which lines go first does not change the picture.
class CosmeticLineBatch {
public:
    // Replaces the batch with the lines gdiCosmeticLine makes of the run of count points on a
    // device of the given size; a point repeating the one before adds no segment, as a path would
    // not take it. direct: the lines inside the device are kept for paint's target.
    void collect(const POINT* points, int count, QSize device, bool direct);
    // One drawLines call with the painter's pen and mode (none when no line is left for Qt).
    void draw(QPainter& p) const;
    // The lines kept apart, in colour (an opaque 0xAARRGGBB) into the image.
    void paint(uchar* bits, int bytesPerLine, QSize image, unsigned colour) const;

private:
    void reserve(size_t n);
    void push(qreal x1, qreal y1, qreal x2, qreal y2) { m_lines[m_size++] = QLineF(x1, y1, x2, y2); }
    void add(const QLineF& line, int width, int height);
    void addInside(const POINT& a, const POINT& b);
    void separate(int dir);

    std::unique_ptr<QLineF[]> m_lines;
    size_t m_size = 0, m_capacity = 0;
    std::unique_ptr<QLineF[]> m_direct;  // collected for paint, room for m_capacity too
    size_t m_directSize = 0;
    int m_last = 0;  // the direction the drawer remembers (see the .cpp)
};

// Whether the lines of a CosmeticLineBatch may be written straight into the image the painter p
// paints on, for a layer of pen in mode: an image of 32-bit 0xAARRGGBB pixels that stores an
// opaque colour as it is, a solid opaque one-pixel pen in the plain source-over mode, and a
// painter without clip, transform, opacity or antialiasing. Also false when the process's Qt
// picks other pixels for one-pixel lines than this library reproduces (checked once, on lines of
// every direction and slope).
bool directPixels(const QPainter& p, const QImage& image, const QPen& pen, int mode);

}  // namespace zvdgdi
