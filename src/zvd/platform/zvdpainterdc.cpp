// zvd: the QPainter devices — raster (QImage, with GDI's raster operations), SVG and PDF.
// Translates GDI pens, brushes, fonts and ROP2 modes into QPainter state, with GDI's pixel conventions.
#include "platform/zvdcosmeticlines.h"
#include "platform/zvdgdiobjects.h"

#include <cmath>

#include <QFontMetrics>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

using namespace zvdgdi;

namespace {

QColor qcolor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

enum class RopClass { Copy, Xor, Other, Nop };

RopClass ropClass(int rop) {
    switch (rop) {
    case R2_NOP:
        return RopClass::Nop;
    case R2_COPYPEN:
    case R2_BLACK:
    case R2_WHITE:
    case R2_NOTCOPYPEN:
        return RopClass::Copy;
    case R2_XORPEN:
    case R2_NOTXORPEN:
    case R2_NOT:
        return RopClass::Xor;
    default:
        return RopClass::Other;
    }
}

// The colour that takes part in the operation for a source colour c: what is copied for the copy
// modes, what is XOR-ed for the XOR modes (R2_NOT is XOR with white, R2_NOTXORPEN XOR with ~c).
COLORREF operand(int rop, COLORREF c) {
    switch (rop) {
    case R2_BLACK:
        return 0x000000;
    case R2_WHITE:
    case R2_NOT:
        return 0xFFFFFF;
    case R2_NOTCOPYPEN:
    case R2_NOTXORPEN:
        return ~c & 0xFFFFFF;
    default:
        return c & 0xFFFFFF;
    }
}

QPainter::CompositionMode qtMode(int rop) {
    switch (rop) {
    case R2_XORPEN:
    case R2_NOTXORPEN:
    case R2_NOT:
        return QPainter::RasterOp_SourceXorDestination;
    case R2_MASKPEN:
        return QPainter::RasterOp_SourceAndDestination;
    case R2_MERGEPEN:
        return QPainter::RasterOp_SourceOrDestination;
    case R2_NOTMASKPEN:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_NOTMERGEPEN:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_MASKNOTPEN:
        return QPainter::RasterOp_NotSourceAndDestination;
    case R2_MASKPENNOT:
        return QPainter::RasterOp_SourceAndNotDestination;
    case R2_MERGENOTPEN:
        return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MERGEPENNOT:
        return QPainter::RasterOp_SourceOrNotDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// One layer of a stroke or fill: the background layer (gaps of dashes and hatches in OPAQUE mode)
// or the foreground layer.
struct Layer {
    bool on = false;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    COLORREF color = 0;
};

// Works out the layers of a source colour fg over background bk. With XOR modes the foreground
// layer XORs the difference, so a pixel covered by both layers ends as dest ^ operand(fg).
void planLayers(int rop, bool rasterOps, bool twoLayers, COLORREF fg, COLORREF bk, Layer& bgLayer, Layer& fgLayer) {
    bgLayer = Layer();
    fgLayer = Layer();
    const RopClass cls = ropClass(rop);
    if (cls == RopClass::Nop) return;
    if (!rasterOps) {
        fgLayer = {true, QPainter::CompositionMode_SourceOver, fg};
        if (twoLayers) bgLayer = {true, QPainter::CompositionMode_SourceOver, bk};
        return;
    }
    fgLayer = {true, qtMode(rop), cls == RopClass::Other ? fg : operand(rop, fg)};
    if (!twoLayers) {
        if (cls == RopClass::Xor && fgLayer.color == 0) fgLayer.on = false;
        return;
    }
    bgLayer = {true, qtMode(rop), cls == RopClass::Other ? bk : operand(rop, bk)};
    if (cls == RopClass::Xor) {
        fgLayer.color ^= bgLayer.color;
        fgLayer.on = fgLayer.color != 0;
        bgLayer.on = bgLayer.color != 0;
    }
}

Qt::BrushStyle hatchStyle(ULONG_PTR hatch) {
    switch (hatch) {
    case HS_HORIZONTAL:
        return Qt::HorPattern;
    case HS_VERTICAL:
        return Qt::VerPattern;
    case HS_FDIAGONAL:
        return Qt::FDiagPattern;
    case HS_BDIAGONAL:
        return Qt::BDiagPattern;
    case HS_CROSS:
        return Qt::CrossPattern;
    default:
        return Qt::DiagCrossPattern;
    }
}

struct StrokePlan {
    bool visible = false;
    bool cosmetic = true;
    bool dashed = false;
    int width = 1;
    bool insideFrame = false;
    QPen bgPen, fgPen;
    Layer bg, fg;
};

struct FillPlan {
    bool visible = false;
    QBrush bgBrush, fgBrush;
    Layer bg, fg;
};

StrokePlan planStroke(const PenDesc& pen, int rop, int bkMode, COLORREF bk, bool rasterOps) {
    StrokePlan p;
    if (pen.invisible()) return p;
    p.cosmetic = !pen.geometric();
    p.width = p.cosmetic ? 1 : std::max(1, pen.width);
    p.insideFrame = pen.lineStyle() == PS_INSIDEFRAME && !p.cosmetic;
    QVector<qreal> dashes;
    const int style = pen.lineStyle();
    if (p.cosmetic) {
        switch (style) {
        case PS_DASH:
            dashes = {18, 6};
            break;
        case PS_DOT:
            dashes = {3, 3};
            break;
        case PS_DASHDOT:
            dashes = {9, 6, 3, 6};
            break;
        case PS_DASHDOTDOT:
            dashes = {9, 3, 3, 3, 3, 3};
            break;
        case PS_ALTERNATE:
            dashes = {1, 1};
            break;
        default:
            break;
        }
    } else {
        switch (style) {
        case PS_DASH:
            dashes = {3, 1};
            break;
        case PS_DOT:
            dashes = {1, 1};
            break;
        case PS_DASHDOT:
            dashes = {3, 1, 1, 1};
            break;
        case PS_DASHDOTDOT:
            dashes = {3, 1, 1, 1, 1, 1};
            break;
        default:
            break;
        }
    }
    if (style == PS_USERSTYLE && pen.dashCount > 0) {
        for (int i = 0; i < pen.dashCount; ++i) dashes.push_back(std::max<qreal>(qreal(pen.dashes[i]) / p.width, 0.01));
        if (dashes.size() % 2) dashes.push_back(dashes.back());
    }
    p.dashed = !dashes.isEmpty();
    const bool hatched = pen.brushStyle == BS_HATCHED;
    const bool twoLayers = bkMode == OPAQUE && (p.dashed || hatched);
    planLayers(rop, rasterOps, twoLayers, pen.color, bk, p.bg, p.fg);
    p.visible = p.bg.on || p.fg.on;

    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::MiterJoin;
    if (!p.cosmetic) {
        const DWORD capBits = pen.style & PS_ENDCAP_MASK;
        cap = capBits == PS_ENDCAP_FLAT ? Qt::FlatCap : capBits == PS_ENDCAP_SQUARE ? Qt::SquareCap : Qt::RoundCap;
        const DWORD joinBits = pen.style & PS_JOIN_MASK;
        // SvgMiterJoin bevels beyond the limit as GDI does; Qt measures the limit as half of GDI's 10.
        join = joinBits == PS_JOIN_MITER ? Qt::SvgMiterJoin : joinBits == PS_JOIN_BEVEL ? Qt::BevelJoin : Qt::RoundJoin;
    }
    const qreal qtWidth = p.cosmetic ? 0 : p.width;
    p.bgPen = QPen(QBrush(qcolor(p.bg.color)), qtWidth, Qt::SolidLine, cap, join);
    p.bgPen.setMiterLimit(5);
    const QBrush fgBrush = hatched ? QBrush(qcolor(p.fg.color), hatchStyle(pen.hatch)) : QBrush(qcolor(p.fg.color));
    p.fgPen = QPen(fgBrush, qtWidth, Qt::SolidLine, cap, join);
    p.fgPen.setMiterLimit(5);
    if (p.dashed) p.fgPen.setDashPattern(dashes);
    return p;
}

FillPlan planFill(const BrushDesc& brush, int rop, int bkMode, COLORREF bk, bool rasterOps) {
    FillPlan f;
    if (brush.style != BS_SOLID && brush.style != BS_HATCHED) return f;
    const bool hatched = brush.style == BS_HATCHED;
    planLayers(rop, rasterOps, hatched && bkMode == OPAQUE, brush.color, bk, f.bg, f.fg);
    f.visible = f.bg.on || f.fg.on;
    f.bgBrush = QBrush(qcolor(f.bg.color));
    f.fgBrush = hatched ? QBrush(qcolor(f.fg.color), hatchStyle(brush.hatch)) : QBrush(qcolor(f.fg.color));
    return f;
}

void cosmeticLine(QPainter& p, QPointF a, QPointF b) { p.drawLine(gdiCosmeticLine(a, b)); }

// Strokes segment by segment, so that every pixel of a connected figure is touched once (which XOR
// drawing needs), as a run of LineTo calls does. Each line goes to Qt in a call of its own: lines
// handed over together in one drawLines call can come out differently (see CosmeticLineBatch), and
// one drawPolyline per figure differs more.
void strokeSegments(QPainter& p, const QPolygonF& poly) {
    for (int i = 1; i < poly.size(); ++i) p.drawLine(gdiCosmeticLine(poly[i - 1], poly[i]));
}

// A path of straight figures only (what Polyline, LineTo and Polygon make) goes to lines without
// the intermediate polygons; false when the path holds curves, which need flattening first.
bool strokeStraightSegments(QPainter& p, const QPainterPath& path) {
    const int n = path.elementCount();
    for (int i = 0; i < n; ++i) {
        const QPainterPath::ElementType type = path.elementAt(i).type;
        if (type == QPainterPath::CurveToElement || type == QPainterPath::CurveToDataElement) return false;
    }
    QPointF last;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        const QPointF at(e.x, e.y);
        if (e.isLineTo()) p.drawLine(gdiCosmeticLine(last, at));
        last = at;
    }
    return true;
}

void strokePathWith(QPainter& p, const QPainterPath& path, const QPen& pen, bool segments) {
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (!segments) {
        p.drawPath(path);
    } else if (!strokeStraightSegments(p, path)) {
        for (const QPolygonF& poly : path.toSubpathPolygons()) strokeSegments(p, poly);
    }
}

void strokeLayers(QPainter& p, const QPainterPath& path, const StrokePlan& sp) {
    if (sp.bg.on) {
        p.setCompositionMode(sp.bg.mode);
        strokePathWith(p, path, sp.bgPen, sp.cosmetic);
    }
    if (sp.fg.on) {
        p.setCompositionMode(sp.fg.mode);
        strokePathWith(p, path, sp.fgPen, sp.cosmetic && !sp.dashed);
    }
}

void fillLayers(QPainter& p, const QPainterPath& area, const FillPlan& fp) {
    p.setPen(Qt::NoPen);
    if (fp.bg.on) {
        p.setCompositionMode(fp.bg.mode);
        p.fillPath(area, fp.bgBrush);
    }
    if (fp.fg.on) {
        p.setCompositionMode(fp.fg.mode);
        p.fillPath(area, fp.fgBrush);
    }
}

QRectF outlineRect(const RECT& b) {
    return QRectF(b.left + 0.5, b.top + 0.5, b.right - b.left - 1, b.bottom - b.top - 1);
}

class PainterDevice final : public ZVDDeviceContext {
public:
    PainterDevice(Kind kind, QSize size, QPaintDevice* target, bool rasterOps)
        : ZVDDeviceContext(kind, size), m_rasterOps(rasterOps) {
        if (target && m_painter.begin(target)) m_painter.setRenderHint(QPainter::Antialiasing, false);
    }
    ~PainterDevice() override {
        if (m_painter.isActive()) m_painter.end();
    }
    bool ok() const { return m_painter.isActive(); }

    // The image the raster device paints on, as the painter found it: thin lines may be written
    // straight into its pixels while it keeps them (directPixels).
    void drawsOn(QImage* image) {
        m_image = image;
        m_imageBits = image->constBits();
    }

    std::unique_ptr<QImage> ownedImage;
    std::unique_ptr<QPaintDevice> ownedTarget;

private:
    const StrokePlan& strokePlan() {
        const DcState& s = state();
        if (!m_strokeValid || s.penDesc != m_strokeKey || s.rop2 != m_strokeRop || s.bkMode != m_strokeBkMode ||
            s.bkColor != m_strokeBk) {
            m_stroke = planStroke(s.penDesc, s.rop2, s.bkMode, s.bkColor, m_rasterOps);
            m_strokeKey = s.penDesc;
            m_strokeRop = s.rop2;
            m_strokeBkMode = s.bkMode;
            m_strokeBk = s.bkColor;
            m_strokeValid = true;
            ++m_strokeSerial;
        }
        return m_stroke;
    }

    FillPlan fillPlan(const BrushDesc& brush, int rop) const {
        return planFill(brush, rop, state().bkMode, state().bkColor, m_rasterOps);
    }

    bool xorClass() const { return m_rasterOps && ropClass(state().rop2) == RopClass::Xor; }

    // Applies pen and mode for the hot line path, touching the painter only when they changed.
    void useLineLayer(const StrokePlan& sp, bool background) {
        const long long id = m_strokeSerial * 2 + (background ? 1 : 0);
        if (id != m_appliedPen) {
            m_painter.setPen(background ? sp.bgPen : sp.fgPen);
            m_appliedPen = id;
        }
        const QPainter::CompositionMode mode = background ? sp.bg.mode : sp.fg.mode;
        if (int(mode) != m_appliedMode) {
            m_painter.setCompositionMode(mode);
            m_appliedMode = int(mode);
        }
    }

    // Painter state was changed outside the hot path.
    void forgetApplied() {
        m_appliedPen = -1;
        m_appliedMode = -1;
    }

    // For XOR modes where layers overlap (a fill under its outline, dashes over their gaps along a
    // bent figure): paints the layers in copy mode, with their XOR operands as colours, onto a
    // transparent scratch image and XORs that onto the device once, so each pixel changes once.
    template <class Draw>
    void paintViaScratch(QRectF bounds, const Draw& draw) {
        QRect area = bounds.toAlignedRect().adjusted(-2, -2, 2, 2) & QRect(QPoint(0, 0), size());
        if (area.isEmpty()) return;
        // Hatches stay pinned to device pixels when the scratch origin sits on the 8-pixel grid.
        area.setLeft(area.left() & ~7);
        area.setTop(area.top() & ~7);
        QImage scratch(area.size(), QImage::Format_ARGB32_Premultiplied);
        scratch.fill(0);
        {
            QPainter sp(&scratch);
            sp.translate(-area.topLeft());
            const int rop = state().rop2;
            DcState copyState = state();
            copyState.penDesc.color = operand(rop, copyState.penDesc.color);
            copyState.brushDesc.color = operand(rop, copyState.brushDesc.color);
            copyState.bkColor = operand(rop, copyState.bkColor);
            const StrokePlan stroke =
                planStroke(copyState.penDesc, R2_COPYPEN, copyState.bkMode, copyState.bkColor, true);
            const FillPlan fill = planFill(copyState.brushDesc, R2_COPYPEN, copyState.bkMode, copyState.bkColor, true);
            draw(sp, stroke, fill);
        }
        m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        m_painter.drawImage(area.topLeft(), scratch);
        forgetApplied();
    }

    // Fill then outline, the order GDI uses for closed shapes.
    void paintShape(const QPainterPath& fillArea, const QPainterPath& outline) {
        const StrokePlan& sp = strokePlan();
        const FillPlan fp = fillPlan(state().brushDesc, state().rop2);
        const bool overlap = sp.visible && fp.visible;
        if (xorClass() && (overlap || (sp.cosmetic && sp.dashed))) {
            paintViaScratch(outline.boundingRect().united(fillArea.boundingRect()),
                            [&](QPainter& p, const StrokePlan& s, const FillPlan& f) {
                                if (f.visible) fillLayers(p, fillArea, f);
                                if (sp.visible) strokeLayers(p, outline, s);
                            });
            return;
        }
        if (fp.visible) fillLayers(m_painter, fillArea, fp);
        if (sp.visible) strokeLayers(m_painter, outline, sp);
        forgetApplied();
    }

    void paintLine(const POINT& from, const POINT& to) override {
        const StrokePlan& sp = strokePlan();
        if (!sp.visible || !m_painter.isActive()) return;
        // Qt already leaves out the end pixel of a one-pixel line that runs towards +x or +y.
        const int dx = to.x - from.x, dy = to.y - from.y;
        const bool forward = std::abs(dx) >= std::abs(dy) ? dx >= 0 : dy >= 0;
        for (bool background : {true, false}) {
            if (!(background ? sp.bg.on : sp.fg.on)) continue;
            useLineLayer(sp, background);
            if (forward || !sp.cosmetic)
                m_painter.drawLine(from.x, from.y, to.x, to.y);
            else
                cosmeticLine(m_painter, QPointF(from.x, from.y), QPointF(to.x, to.y));
        }
    }

    // A thin solid pen draws the run straight from the points, layer by layer and line by line
    // as paintStroke would draw the path of moveTo / lineTo, without building it first (the bulk
    // of a drawing pass). The raster device hands each layer's lines to Qt in one call, or sets
    // their pixels itself where it may (CosmeticLineBatch); the vector devices keep one call per
    // line, so that their files keep one element per segment.
    void paintPolyline(const POINT* points, int count) override {
        const StrokePlan& sp = strokePlan();
        if (sp.visible && m_painter.isActive() && sp.cosmetic && !sp.dashed) {
            // Device pixels only (an image with a pixel ratio scales the painter's coordinates),
            // on an image well within the size Qt's rasteriser takes as it is.
            const bool batched = m_rasterOps && m_painter.combinedTransform().type() == QTransform::TxNone &&
                                 size().width() < 16384 && size().height() < 16384;
            // Only into the pixels the painter was begun on and still paints on: a copy of the
            // image that shares them sees both; once the image has pixels of its own elsewhere,
            // the lines go to Qt as before.
            bool direct = batched && m_image && m_image->constBits() == m_imageBits;
            for (bool background : {true, false})
                if (direct && (background ? sp.bg.on : sp.fg.on))
                    direct = directPixels(m_painter, *m_image, background ? sp.bgPen : sp.fgPen,
                                          background ? sp.bg.mode : sp.fg.mode);
            if (batched) m_batch.collect(points, count, size(), direct);
            for (bool background : {true, false}) {
                if (!(background ? sp.bg.on : sp.fg.on)) continue;
                if (batched) {
                    useLineLayer(sp, background);
                    if (direct)
                        m_batch.paint(const_cast<uchar*>(m_imageBits), m_image->bytesPerLine(), m_image->size(),
                                      (background ? sp.bgPen : sp.fgPen).color().rgba());
                    m_batch.draw(m_painter);
                    continue;
                }
                m_painter.setCompositionMode(background ? sp.bg.mode : sp.fg.mode);
                m_painter.setPen(background ? sp.bgPen : sp.fgPen);
                m_painter.setBrush(Qt::NoBrush);
                // A point repeating the one before adds no segment, as a path would not take it.
                for (int i = 1, from = 0; i < count; ++i) {
                    if (points[i].x == points[from].x && points[i].y == points[from].y) continue;
                    m_painter.drawLine(
                        gdiCosmeticLine(QPointF(points[from].x, points[from].y), QPointF(points[i].x, points[i].y)));
                    from = i;
                }
            }
            if (!batched) forgetApplied();
            return;
        }
        QPainterPath path;
        path.moveTo(points[0].x, points[0].y);
        for (int i = 1; i < count; ++i) path.lineTo(points[i].x, points[i].y);
        paintStroke(path);
    }

    void paintStroke(const QPainterPath& path) override {
        const StrokePlan& sp = strokePlan();
        if (!sp.visible || !m_painter.isActive()) return;
        if (xorClass() && sp.cosmetic && sp.dashed) {
            paintViaScratch(path.boundingRect(),
                            [&](QPainter& p, const StrokePlan& s, const FillPlan&) { strokeLayers(p, path, s); });
            return;
        }
        strokeLayers(m_painter, path, sp);
        forgetApplied();
    }

    void paintPolygon(const POINT* points, int count) override {
        QPolygonF poly;
        poly.reserve(count + 1);
        for (int i = 0; i < count; ++i) poly << QPointF(points[i].x, points[i].y);
        QPainterPath area;
        area.setFillRule(Qt::OddEvenFill);
        area.addPolygon(poly);
        area.closeSubpath();
        paintShape(area, area);
    }

    void paintRectangle(const RECT& b) override {
        const StrokePlan& sp = strokePlan();
        const int w = b.right - b.left, h = b.bottom - b.top;
        QPainterPath outline, area;
        // One-pixel outlines run through the pixel coordinates themselves (as LineTo does), wide
        // strokes are centred on the half-pixel frame the way Qt fills shapes.
        QRectF frame = sp.cosmetic ? QRectF(b.left, b.top, w - 1, h - 1) : outlineRect(b);
        if (sp.insideFrame) frame = QRectF(b.left + sp.width / 2.0, b.top + sp.width / 2.0, w - sp.width, h - sp.width);
        outline.addRect(frame);
        // GDI leaves the right and bottom edge to the pen: with no pen the fill is a pixel smaller.
        if (!sp.visible)
            area.addRect(QRectF(b.left, b.top, w - 1, h - 1));
        else if (sp.cosmetic)
            area.addRect(QRectF(b.left + 1, b.top + 1, w - 2, h - 2));
        else
            area.addRect(frame);
        paintShape(area, outline);
    }

    void paintEllipse(const RECT& b) override {
        const StrokePlan& sp = strokePlan();
        QRectF frame = outlineRect(b);
        if (sp.insideFrame)
            frame.adjust((sp.width - 1) / 2.0, (sp.width - 1) / 2.0, -(sp.width - 1) / 2.0, -(sp.width - 1) / 2.0);
        QPainterPath path;
        path.addEllipse(frame);
        paintShape(path, path);
    }

    void paintFillRect(const RECT& b, const BrushDesc& brush) override {
        // FillRect copies the brush whatever the ROP2 mode.
        const FillPlan fp = fillPlan(brush, R2_COPYPEN);
        if (!fp.visible || !m_painter.isActive()) return;
        QPainterPath area;
        area.addRect(QRectF(b.left, b.top, b.right - b.left, b.bottom - b.top));
        fillLayers(m_painter, area, fp);
        forgetApplied();
    }

    COLORREF paintPixel(int x, int y, COLORREF color) override {
        if (x < 0 || y < 0 || x >= size().width() || y >= size().height() || !m_painter.isActive()) return CLR_INVALID;
        Layer bg, fg;
        planLayers(state().rop2, m_rasterOps, false, color, 0, bg, fg);
        if (fg.on) {
            m_painter.setCompositionMode(fg.mode);
            m_painter.setPen(QPen(qcolor(fg.color), 0));
            m_painter.drawPoint(x, y);
            forgetApplied();
        }
        return color & 0xFFFFFF;
    }

    bool paintText(int x, int y, const QString& text) override {
        const ResolvedFont* rf = resolveFont(state().fontDesc);
        if (!rf || !m_painter.isActive()) return false;
        const DcState& s = state();
        Layer bg, fg;
        planLayers(s.rop2, m_rasterOps, s.bkMode == OPAQUE, s.textColor, s.bkColor, bg, fg);
        m_painter.save();
        m_painter.translate(x, y);
        if (rf->escapementDegrees != 0.0) m_painter.rotate(-rf->escapementDegrees);
        const bool smooth = ropClass(s.rop2) == RopClass::Copy && s.fontDesc.lf.lfQuality != NONANTIALIASED_QUALITY;
        m_painter.setRenderHint(QPainter::TextAntialiasing, smooth);
        if (bg.on) {
            // Measured only when the cell is filled: measuring costs as much as drawing the text.
            const QRect cell(0, 0, QFontMetrics(rf->font).horizontalAdvance(text), rf->ascent + rf->descent);
            m_painter.setCompositionMode(bg.mode);
            m_painter.fillRect(cell, qcolor(bg.color));
        }
        if (fg.on) {
            m_painter.setCompositionMode(fg.mode);
            m_painter.setFont(rf->font);
            m_painter.setPen(qcolor(fg.color));
            m_painter.drawText(QPointF(0, rf->ascent), text);
        }
        m_painter.restore();
        forgetApplied();
        return true;
    }

    bool measureText(const QString& text, SIZE* size) override {
        const ResolvedFont* rf = resolveFont(state().fontDesc);
        if (!rf) return false;
        const QFontMetrics fm(rf->font);
        size->cx = fm.horizontalAdvance(text);
        size->cy = rf->ascent + rf->descent;
        return true;
    }

    QPainter m_painter;
    bool m_rasterOps;
    StrokePlan m_stroke;
    PenDesc m_strokeKey;
    int m_strokeRop = 0;
    int m_strokeBkMode = 0;
    COLORREF m_strokeBk = 0;
    bool m_strokeValid = false;
    long long m_strokeSerial = 0;
    long long m_appliedPen = -1;
    int m_appliedMode = -1;  // the painter's composition mode, -1 when unknown
    CosmeticLineBatch m_batch;
    QImage* m_image = nullptr;  // the raster device's image
    const uchar* m_imageBits = nullptr;
};

}  // namespace

ZVDDeviceContext* zvdgdi::newRasterDevice(QImage* image, bool ownsImage) {
    auto* dc = new PainterDevice(ZVDDeviceContext::dkRaster, image->size(), image, true);
    dc->drawsOn(image);
    if (ownsImage) dc->ownedImage.reset(image);
    if (!dc->ok()) {
        delete dc;
        return nullptr;
    }
    return dc;
}

namespace {

HDC finishVectorDevice(PainterDevice* dc) {
    if (!dc->ok()) {
        delete dc;
        return nullptr;
    }
    registerDevice(dc);
    return dc;
}

}  // namespace

HDC createSvgDC(const QString& path, QSize size) {
    if (path.isEmpty() || size.isEmpty()) return nullptr;
    // The vector engines turn hatch brushes into bitmaps and lay out fonts, both of which need
    // a GUI application object; make sure one exists (offscreen when the host has none).
    if (!ensureTextSupport()) return nullptr;
    auto* svg = new QSvgGenerator;
    svg->setFileName(path);
    svg->setSize(size);
    svg->setViewBox(QRect(QPoint(0, 0), size));
    svg->setResolution(96);
    auto* dc = new PainterDevice(ZVDDeviceContext::dkSvg, size, svg, false);
    dc->ownedTarget.reset(svg);
    return finishVectorDevice(dc);
}

HDC createPdfDC(const QString& path, QSize size) {
    if (path.isEmpty() || size.isEmpty()) return nullptr;
    // The vector engines turn hatch brushes into bitmaps and lay out fonts, both of which need
    // a GUI application object; make sure one exists (offscreen when the host has none).
    if (!ensureTextSupport()) return nullptr;
    auto* pdf = new QPdfWriter(path);
    pdf->setResolution(96);
    pdf->setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point, QString(), QPageSize::ExactMatch));
    pdf->setPageMargins(QMarginsF(0, 0, 0, 0));
    auto* dc = new PainterDevice(ZVDDeviceContext::dkPdf, size, pdf, false);
    dc->ownedTarget.reset(pdf);
    return finishVectorDevice(dc);
}
