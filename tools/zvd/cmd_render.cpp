// zvd tool: `zvd render IN -o OUT.png|OUT.svg|OUT.pdf [--size WxH] [--background COLOR]` —
// load a drawing, fit its full range into the picture and paint it with the drawing pass.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>

#include "cli.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"
#include "zvd/platform/zvdgdi.h"

namespace zvdcli {

namespace {

const int kDefaultWidth = 1024;
const int kDefaultHeight = 768;
// Large enough for print, small enough that a raster picture stays within a few hundred MB.
const int kMaxSide = 8192;
// Free border around the drawing, as a share of its larger side, so that strokes on the outer
// edge are not cut in half.
const double kMargin = 0.04;

enum class Output { png, svg, pdf };

int parseSide(const std::string& text) {
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), digit)) return -1;
    return std::stoi(text);
}

QSize parseSize(const std::string& text) {
    const size_t x = text.find_first_of("xX");
    const int width = x == std::string::npos ? -1 : parseSide(text.substr(0, x));
    const int height = x == std::string::npos ? -1 : parseSide(text.substr(x + 1));
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        throw UsageError{"--size takes WIDTHxHEIGHT in pixels, each 1 to " + std::to_string(kMaxSide) + ", not \"" +
                         text + "\""};
    return QSize(width, height);
}

// The world box to fit: the full range grown by the margin on every side. A drawing without
// extent keeps its single point, which zoomAll centres at scale 1.
zgp::CBox2<double> fittedRange(ZVectorDrawing& drawing) {
    zgp::CBox2<double> range = drawing.fullRange();
    if (range.IsEmpty()) return zgp::CBox2<double>(0, 0, 0, 0);
    const double grow = kMargin * std::max(range.Width(), range.Height());
    range.Inflate(grow);
    return range;
}

void paint(HDC dc, ZVectorDrawing& drawing, QSize size) {
    // The pass fills only the part of the picture that lies inside a bounded drawing; the rest
    // of the page gets the same colour.
    int colour = drawing.backColor();
    if (colour < 0) colour = static_cast<int>(GetSysColor(1));
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
    const RECT page{0, 0, size.width(), size.height()};
    FillRect(dc, &page, brush);
    DeleteObject(brush);
    // Dash and hatch gaps show what lies below, as in a host's window.
    SetBkMode(dc, TRANSPARENT);

    ZCoordTrans trans;
    trans.zoomAll(size.width(), size.height(), fittedRange(drawing));
    drawing.draw(dc, trans, zgp::CBox2<int>(0, 0, size.width(), size.height()));
}

bool nonEmptyFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

}  // namespace

int runRender(const std::vector<std::string>& args) {
    ArgTable table;
    table.valued = {"-o", "--output", "--size", "--background"};
    const ParsedArgs parsed = parseArgs(args, table);
    if (parsed.positional.size() != 1) throw UsageError{"render needs exactly one IN file"};
    const std::string& in = parsed.positional[0];
    const std::string out = parsed.value("-o", parsed.value("--output"));
    if (out.empty()) throw UsageError{"render needs -o OUT.png, OUT.svg or OUT.pdf"};

    Output kind;
    const std::string ext = extensionOf(out);
    if (ext == "png")
        kind = Output::png;
    else if (ext == "svg")
        kind = Output::svg;
    else if (ext == "pdf")
        kind = Output::pdf;
    else
        throw UsageError{"-o: cannot tell the picture type of \"" + out + "\" (use .png, .svg or .pdf)"};

    const QSize size = parsed.has("--size") ? parseSize(parsed.value("--size")) : QSize(kDefaultWidth, kDefaultHeight);
    int background = 0;
    const bool hasBackground = parsed.has("--background");
    if (hasBackground && !parseColor(parsed.value("--background"), background))
        throw UsageError{"--background: \"" + parsed.value("--background") + "\" is not a colour"};

    ZVectorDrawing drawing;
    FileProbe probe;
    if (int status = loadDrawing(in, drawing, probe)) return status;
    // Only this in-memory copy changes; the file is not written.
    if (hasBackground) drawing.setBackColor(background);

    // Texts need the offscreen GUI platform; without it the rest still draws.
    ensureTextSupport();

    if (int status = checkWritable(out)) return status;
    const QString outPath = QFile::decodeName(out.c_str());
    if (kind == Output::png) {
        QImage image(size, QImage::Format_RGB32);
        HDC dc = image.isNull() ? nullptr : createRasterDC(&image);
        if (!dc) return fileError(out, "cannot render: no memory for a picture of that size");
        paint(dc, drawing, size);
        destroyDC(dc);
        if (!image.save(outPath, "PNG")) return fileError(out, "cannot write");
        return exitOk;
    }
    HDC dc = kind == Output::svg ? createSvgDC(outPath, size) : createPdfDC(outPath, size);
    if (!dc) return fileError(out, "cannot write");
    paint(dc, drawing, size);
    destroyDC(dc);
    if (!nonEmptyFile(out)) return fileError(out, "cannot write");
    return exitOk;
}

}  // namespace zvdcli
