// zvd tests: a thin solid Polyline (alone or as the one figure of a path bracket) paints exactly the
// pixels of the same segments drawn one LineTo at a time, whatever the directions, lengths, modes
// and image formats.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include <QPainter>

#include "platform/gdi_test_util.h"
#include "platform/zvdcosmeticlines.h"

using namespace gditest;

namespace {

constexpr int kWidth = 90;
constexpr int kHeight = 70;

// Random runs that make the drawer's life hard: every direction and reversal, axis-parallel and
// exactly diagonal steps, one-pixel steps, repeated points, long jumps and points off the image.
std::vector<std::vector<POINT>> runs(unsigned seed, int count) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> kind(0, 9), small(-3, 3), step(-25, 25), wild(-40, 130), length(2, 40);
    std::vector<std::vector<POINT>> out;
    for (int r = 0; r < count; ++r) {
        std::vector<POINT> run;
        POINT p = {std::uniform_int_distribution<int>(0, kWidth - 1)(rng),
                   std::uniform_int_distribution<int>(0, kHeight - 1)(rng)};
        run.push_back(p);
        const int n = length(rng);
        for (int i = 1; i < n; ++i) {
            switch (kind(rng)) {
            case 0:  // back along the last step
                if (run.size() >= 2) p = run[run.size() - 2];
                break;
            case 1:  // the same point again
                break;
            case 2: {  // exact diagonal
                const int d = small(rng);
                p.x += d;
                p.y += small(rng) < 0 ? -d : d;
                break;
            }
            case 3:  // horizontal or vertical
                (small(rng) < 0 ? p.x : p.y) += step(rng);
                break;
            case 4:  // anywhere, also off the image
                p = {wild(rng), wild(rng)};
                break;
            case 5:
            case 6:
                p.x += small(rng);
                p.y += small(rng);
                break;
            default:
                p.x += step(rng);
                p.y += step(rng);
                break;
            }
            run.push_back(p);
        }
        out.push_back(run);
    }
    return out;
}

// The same run as separate segments: a repeated point adds no segment (a LineTo to the current
// position would still set its pixel, which a polyline never does).
void drawAsLines(HDC dc, const std::vector<POINT>& run) {
    MoveToEx(dc, run[0].x, run[0].y, nullptr);
    POINT at = run[0];
    for (size_t i = 1; i < run.size(); ++i) {
        if (run[i].x == at.x && run[i].y == at.y) continue;
        LineTo(dc, run[i].x, run[i].y);
        at = run[i];
    }
}

enum class Form { Polyline, PathBracket };

void drawAsPolyline(HDC dc, const std::vector<POINT>& run, Form form) {
    if (form == Form::Polyline) {
        Polyline(dc, run.data(), int(run.size()));
        return;
    }
    BeginPath(dc);
    Polyline(dc, run.data(), int(run.size()));
    EndPath(dc);
    StrokePath(dc);
}

// Draws all runs onto a busy picture of the given format, both ways, and answers the number of
// differing pixels.
int differencesFor(unsigned seed, int rop, COLORREF colour, Form form, QImage::Format format = QImage::Format_RGB32,
                   qreal pixelRatio = 1) {
    const auto all = runs(seed, 60);
    QImage byLines = busy(kWidth, kHeight).convertToFormat(format);
    byLines.setDevicePixelRatio(pixelRatio);
    QImage byRuns = byLines.copy();
    for (QImage* image : {&byLines, &byRuns}) {
        HDC dc = createRasterDC(image);
        SetROP2(dc, rop);
        withObjects(dc, CreatePen(PS_SOLID, 1, colour), nullptr, [&] {
            for (const auto& run : all) {
                if (image == &byLines)
                    drawAsLines(dc, run);
                else
                    drawAsPolyline(dc, run, form);
            }
        });
        destroyDC(dc);
    }
    return differing(byLines, byRuns);
}

}  // namespace

TEST(GdiPolylineRuns, CopyModesOnPlain32BitImagesGoStraightIntoThePixels) {
    // So that the comparisons here also cover the lines written without Qt: this fails when the Qt
    // in use picks other pixels for one-pixel lines than the library reproduces.
    QImage image = blank(20, 20);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPen pen(QBrush(QColor(10, 20, 30)), 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    const int over = QPainter::CompositionMode_SourceOver;
    EXPECT_TRUE(zvdgdi::directPixels(p, image, pen, over));
    EXPECT_FALSE(zvdgdi::directPixels(p, image, pen, QPainter::RasterOp_SourceXorDestination));
    EXPECT_FALSE(zvdgdi::directPixels(p, image.convertToFormat(QImage::Format_RGB888), pen, over));
    EXPECT_FALSE(zvdgdi::directPixels(p, image, QPen(QBrush(QColor(10, 20, 30, 128)), 0), over));
    EXPECT_FALSE(zvdgdi::directPixels(p, image, QPen(QBrush(Qt::red, Qt::CrossPattern), 0), over));
    p.setClipRect(2, 2, 5, 5);
    EXPECT_FALSE(zvdgdi::directPixels(p, image, pen, over));
    p.setClipping(false);
    p.translate(1, 0);
    EXPECT_FALSE(zvdgdi::directPixels(p, image, pen, over));
}

TEST(GdiPolylineRuns, PaintTheSamePixelsAsOneLineToPerSegment) {
    const struct {
        int rop;
        COLORREF colour;
    } modes[] = {{R2_COPYPEN, 0x2040C0}, {R2_XORPEN, 0x00FF7F},      {R2_NOTXORPEN, 0x123456}, {R2_NOT, 0},
                 {R2_MASKPEN, 0x80F0A0}, {R2_MERGENOTPEN, 0x3377AA}, {R2_BLACK, 0xFFFFFF}};
    for (Form form : {Form::Polyline, Form::PathBracket})
        for (const auto& m : modes)
            for (unsigned seed = 1; seed <= 6; ++seed)
                EXPECT_EQ(differencesFor(seed, m.rop, m.colour, form), 0)
                    << "rop " << m.rop << " seed " << seed << (form == Form::Polyline ? " polyline" : " path");
}

TEST(GdiPolylineRuns, PaintTheSamePixelsAsOneLineToPerSegmentInEveryImageFormat) {
    // Copy modes on 32-bit images may go straight into the pixels; other formats never do.
    const QImage::Format formats[] = {QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32, QImage::Format_RGB888,
                                      QImage::Format_RGB16};
    for (QImage::Format format : formats)
        for (int rop : {R2_COPYPEN, R2_XORPEN, R2_WHITE})
            for (unsigned seed = 7; seed <= 9; ++seed)
                EXPECT_EQ(differencesFor(seed, rop, 0x406080, Form::Polyline, format), 0)
                    << "format " << format << " rop " << rop << " seed " << seed;
}

TEST(GdiPolylineRuns, PaintTheSamePixelsAsOneLineToPerSegmentOnImagesWithAPixelRatio) {
    // The painter scales coordinates by the ratio: the runs must leave all of it to Qt.
    for (int rop : {R2_COPYPEN, R2_XORPEN})
        for (unsigned seed = 10; seed <= 11; ++seed)
            EXPECT_EQ(differencesFor(seed, rop, 0x406080, Form::Polyline, QImage::Format_RGB32, 2), 0)
                << "rop " << rop << " seed " << seed;
}

TEST(GdiPolylineRuns, LongSegmentsAcrossALargeImageMatchTheirLineTos) {
    // Segments hundreds of pixels long at every slope, where fixed-point steps add up the most.
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> x(-50, 1350), y(-50, 950);
    std::vector<POINT> run;
    for (int i = 0; i < 400; ++i) run.push_back({x(rng), y(rng)});
    for (int rop : {R2_COPYPEN, R2_XORPEN}) {
        QImage byLines = blank(1300, 900), byRun = blank(1300, 900);
        for (QImage* image : {&byLines, &byRun}) {
            HDC dc = createRasterDC(image);
            SetROP2(dc, rop);
            withObjects(dc, CreatePen(PS_SOLID, 1, 0x0000FF), nullptr, [&] {
                if (image == &byLines)
                    drawAsLines(dc, run);
                else
                    Polyline(dc, run.data(), int(run.size()));
            });
            destroyDC(dc);
        }
        EXPECT_EQ(differing(byLines, byRun), 0) << "rop " << rop;
        EXPECT_GT(inked(byRun).count, 100000);
    }
}

TEST(GdiPolylineRuns, BackAndForthRunsMatchTheirSegments) {
    // Right-left-right zigzags on one row and up-down ones on one column, in XOR: every second
    // segment runs back over the one before, so a segment that took a pixel more or less than its
    // LineTo would show.
    std::vector<POINT> row, column;
    for (int i = 0; i < 12; ++i) {
        row.push_back({10 + (i % 2 ? 30 - i : i), 20});
        column.push_back({60, 5 + (i % 2 ? 50 - i : i)});
    }
    QImage byRuns = busy(kWidth, kHeight), byLines = busy(kWidth, kHeight);
    const QImage original = byRuns.copy();
    for (QImage* image : {&byRuns, &byLines}) {
        HDC dc = createRasterDC(image);
        SetROP2(dc, R2_XORPEN);
        withObjects(dc, CreatePen(PS_SOLID, 1, 0xFFFFFF), nullptr, [&] {
            for (const auto* run : {&row, &column}) {
                if (image == &byRuns)
                    Polyline(dc, run->data(), int(run->size()));
                else
                    drawAsLines(dc, *run);
            }
        });
        destroyDC(dc);
    }
    EXPECT_EQ(differing(byRuns, byLines), 0);
    // The segments overlap pairwise except for their ends, so few pixels are left changed.
    EXPECT_GT(differing(byRuns, original), 0);
}
