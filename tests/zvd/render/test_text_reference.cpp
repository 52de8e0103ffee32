// zvd tests: reference picture of texts: the nine alignments about marked anchors, turned texts,
// several lines, a background, Chinese in the Song face and mixed with Latin, selected and not;
// and a check that every character of those texts has a real glyph in the face it is drawn with.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRawFont>

#include "render/reference_image.h"
#include "zvd/entities/zvdpoint.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/platform/zvddevicecontext.h"

using reftest::V;

namespace {

struct Sample {
    std::wstring text, font;
};

const Sample kSamples[] = {
    {L"Left", L"DejaVu Sans"},          {L"Centre", L"DejaVu Sans"},       {L"Right", L"DejaVu Sans"},
    {L"平面图", L"宋体"},               {L"Plan 平面 A-1", L"宋体"},       {L"Two\nlines", L"DejaVu Serif"},
    {L"Rotated 30°", L"DejaVu Sans"},   {L"旋转九十度", L"宋体"},          {L"On red", L"DejaVu Sans"},
};

// Top part: the nine alignments of one word about anchors marked by points (left, centre, right
// across; top, centre, bottom down). Below: CJK, mixed, two lines, turned texts, a background,
// and the same texts selected on the right. The device is opaque, as a fresh one is, so that the
// text with a background colour shows it.
QImage renderTexts() {
    return reftest::renderDrawing(480, 360, [](ZVectorDrawing& drawing) {
        auto mark = [&](V at) {
            auto* p = new ZVDPoint;
            p->setInsertPt(at);
            p->setSize(4);
            p->setPointStyle(ptFilledDot);
            p->setColor(0x0000FF);
            drawing.add(p);
        };
        auto text = [&](const Sample& s, V at, EnHorizAlignment h, EnVertAlignment v, double angle, bool selected) {
            auto* t = new ZVDText;
            t->setText(s.text);
            t->setFontName(s.font);
            t->setHeight(18);
            t->setHorzAlignment(h);
            t->setVertAlignment(v);
            t->setInsertPt(at);
            t->setAngle(static_cast<float>(angle));
            t->setColor(0x202020);
            drawing.add(t);
            if (selected) drawing.selSet()->add(t, false);
            return t;
        };
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) {
                const V at(80 + 150 * col, 330 - 35 * row);
                mark(at);
                text(kSamples[col], at, static_cast<EnHorizAlignment>(col == 1 ? 2 : col == 2 ? 1 : 0),
                     static_cast<EnVertAlignment>(row == 1 ? 2 : row == 2 ? 1 : 0), 0, false);
            }
        for (int selected = 0; selected < 2; ++selected) {
            const double x = 20 + 240 * selected;
            text(kSamples[3], V(x, 200), haLeft, vaTop, 0, selected);
            text(kSamples[4], V(x, 170), haLeft, vaTop, 0, selected);
            text(kSamples[5], V(x, 140), haLeft, vaTop, 0, selected);
            text(kSamples[6], V(x + 30, 40), haLeft, vaBottom, 0.5235987755982988, selected);
            text(kSamples[7], V(x + 200, 20), haLeft, vaBottom, 1.5707963267948966, selected);
            ZVDText* red = text(kSamples[8], V(x + 110, 60), haCenter, vaCenter, 0, selected);
            red->setTransparent(false);
            red->setBackColor(0x00FFFF);
            red->setTag(selected ? 0 : 5);  // tagged: drawn on red
        }
    }, OPAQUE);
}

}  // namespace

TEST(TextReference, RasterPictureMatchesCommittedImage) {
    reftest::expectMatchesReference(renderTexts(), QStringLiteral("texts.png"));
}

// Each face resolves (through the library's substitutions) to a font that holds a glyph for every
// character of the picture's texts: none falls back to the missing-glyph box.
TEST(TextReference, EveryCharacterHasARealGlyph) {
    ensureTextSupport();
    for (const Sample& s : kSamples) {
        QFont font(QString::fromStdWString(s.font));
        font.setPixelSize(18);
        const QRawFont raw = QRawFont::fromFont(font);
        ASSERT_TRUE(raw.isValid()) << QString::fromStdWString(s.font).toStdString();
        for (uint c : QString::fromStdWString(s.text).toUcs4()) {
            if (c == '\n' || c == ' ') continue;
            EXPECT_TRUE(raw.supportsCharacter(c)) << std::hex << c << " in " << raw.familyName().toStdString();
        }
    }
}
