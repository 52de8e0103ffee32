// Builds the bundled example drawing, a mounting bracket with its dimensions, with the library
// itself, solves it and saves it as XML (examples/bracket.xml unless a path is given).
#include <cstdio>
#include <string>
#include <vector>

#include <QString>

#include "zgp/arc2d.h"
#include "zgp/vec2.h"
#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"

#ifndef ZVD_EXAMPLE_OUTPUT
#define ZVD_EXAMPLE_OUTPUT "bracket.xml"
#endif

// The dimension texts are measured, which loads fontconfig's caches; they live until the process
// ends and are never freed, which LeakSanitizer would report. It finds this hook by name.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {

using P = zgp::CVec2<double>;

// Colours are 0x00BBGGRR.
const int kPaper = 0xFFFFFF;
const int kOutlineColour = 0x5A3A1E;  // dark steel blue
const int kFeatureColour = 0x2B39C0;  // red
const int kDimensionColour = 0x008000;  // green

// Pen width of each kind of stroke, in drawing units (tenths of a millimetre).
const short kOutlineWidth = 6;
const short kHoleWidth = 3;
const short kCentreWidth = 1;

struct Sheet {
    ZVectorDrawing drawing;
    ZVDLayer* outline = nullptr;
    ZVDLayer* features = nullptr;
    ZVDLayer* dimensions = nullptr;

    void style(ZVDCurve* curve, ZVDLayer* layer, short width, EnPenStyle pen) {
        curve->setLayer(layer);
        curve->setColor(layer->color());
        curve->setLineWidth(width);
        curve->setLineStyle(pen);
        drawing.add(curve);
    }
    ZVDLine* line(P a, P b, ZVDLayer* layer, short width, EnPenStyle pen) {
        auto* item = new ZVDLine();
        item->set(a, b);
        style(item, layer, width, pen);
        return item;
    }
    // Arcs of the outline and the slot turn through 90 degrees at most, so "small" is unambiguous.
    ZVDArc* arc(P a, P b, double radius, zgp::CArc2d::ArcType type, ZVDLayer* layer, short width) {
        auto* item = new ZVDArc();
        item->set(a, b, type, radius);
        style(item, layer, width, psSolid);
        return item;
    }
    ZVDCircle* circle(P centre, double radius, short width, EnPenStyle pen) {
        auto* item = new ZVDCircle();
        item->setCenterPt(centre);
        item->setRadius(radius);
        style(item, features, width, pen);
        return item;
    }
    // A constraint of the kind between the referenced points of two items (or on one item).
    ZVDConstraint* bind(ZVDConstraint* c, ZVDConstraintDataType kind, ZVDEntity* first, EnDimRefType r1,
                        ZVDEntity* second, EnDimRefType r2, P placed) {
        ZVDConstraintParams p;
        p.entityID1 = first->iD();
        p.refType1 = r1;
        p.entityID2 = second ? second->iD() : -1;
        p.refType2 = r2;
        p.constraintPos[0] = placed;
        c->setLayer(dimensions);
        drawing.add(c);
        c->initialize(p, kind);
        c->modifyData(p, true);
        return c;
    }
    // A dimension placed at `placed`, taking its value from the geometry.
    void dimension(ZVDConstraintDataType kind, ZVDEntity* first, EnDimRefType r1, ZVDEntity* second,
                   EnDimRefType r2, P placed) {
        auto* dim = static_cast<ZVDConstraintDimension*>(bind(new ZVDConstraintDimension, kind, first, r1, second,
                                                              r2, placed));
        dim->updateValue();
        dim->build();
    }
    // A centre-line cross over a hole, reaching `reach` beyond the centre on each side.
    void cross(P c, double reach) {
        line(P(c.x - reach, c.y), P(c.x + reach, c.y), features, kCentreWidth, psDashDot);
        line(P(c.x, c.y - reach), P(c.x, c.y + reach), features, kCentreWidth, psDashDot);
    }
};

ZVDLayer* makeLayer(ZVectorDrawing& drawing, const wchar_t* name, int colour) {
    ZVDLayer* layer = drawing.layers()->add(name);
    layer->setColor(colour);
    layer->setVisible(true);
    return layer;
}

// Items the dimensions and constraints bind.
struct Keys {
    ZVDLine* bottom = nullptr;
    ZVDLine* left = nullptr;
    ZVDLine* right = nullptr;
    ZVDArc* lug = nullptr;
    ZVDCircle* bore = nullptr;
    ZVDCircle* hole = nullptr;
    ZVDLine* slot = nullptr;
};

// The outline, counter-clockwise from the bottom edge: a 120 x 50 mm plate with rounded corners
// and a round lug on top, joined to the plate by two concave fillets.
void drawOutline(Sheet& s, Keys& k) {
    const auto ccw = zgp::CArc2d::CCW_SMALL;
    const auto cw = zgp::CArc2d::CW_SMALL;
    ZVDLayer* o = s.outline;
    const short w = kOutlineWidth;
    k.bottom = s.line(P(80, 0), P(1120, 0), o, w, psSolid);
    s.arc(P(1120, 0), P(1200, 80), 80, ccw, o, w);
    k.right = s.line(P(1200, 80), P(1200, 420), o, w, psSolid);
    s.arc(P(1200, 420), P(1120, 500), 80, ccw, o, w);
    s.line(P(1120, 500), P(880, 500), o, w, psSolid);
    s.arc(P(880, 500), P(800, 580), 80, cw, o, w);
    s.line(P(800, 580), P(800, 650), o, w, psSolid);
    k.lug = s.arc(P(800, 650), P(600, 850), 200, ccw, o, w);
    s.arc(P(600, 850), P(400, 650), 200, ccw, o, w);
    s.line(P(400, 650), P(400, 580), o, w, psSolid);
    s.arc(P(400, 580), P(320, 500), 80, cw, o, w);
    s.line(P(320, 500), P(80, 500), o, w, psSolid);
    s.arc(P(80, 500), P(0, 420), 80, ccw, o, w);
    k.left = s.line(P(0, 420), P(0, 80), o, w, psSolid);
    s.arc(P(0, 80), P(80, 0), 80, ccw, o, w);
}

// Holes, the slot and their centre lines on the second layer.
void drawFeatures(Sheet& s, Keys& k) {
    const auto ccw = zgp::CArc2d::CCW_SMALL;
    ZVDLayer* f = s.features;
    // The lug's bore and, dashed, the counterbore seen from the back.
    k.bore = s.circle(P(600, 650), 110, kHoleWidth, psSolid);
    s.circle(P(600, 650), 140, kCentreWidth, psDash);
    s.line(P(420, 650), P(780, 650), f, kCentreWidth, psDashDot);
    // Four mounting holes.
    const P holes[] = {P(150, 130), P(1050, 130), P(1050, 370), P(150, 370)};
    for (const P& h : holes) {
        ZVDCircle* c = s.circle(h, 35, kHoleWidth, psSolid);
        if (!k.hole) k.hole = c;
        s.cross(h, 60);
    }
    // An adjustment slot, 32 x 8 mm.
    k.slot = s.line(P(480, 210), P(720, 210), f, kHoleWidth, psSolid);
    s.arc(P(720, 210), P(760, 250), 40, ccw, f, kHoleWidth);
    s.arc(P(760, 250), P(720, 290), 40, ccw, f, kHoleWidth);
    s.line(P(720, 290), P(480, 290), f, kHoleWidth, psSolid);
    s.arc(P(480, 290), P(440, 250), 40, ccw, f, kHoleWidth);
    s.arc(P(440, 250), P(480, 210), 40, ccw, f, kHoleWidth);
    s.line(P(400, 250), P(800, 250), f, kCentreWidth, psDashDot);
    // The part's axis of symmetry, through slot and bore.
    s.line(P(600, -50), P(600, 900), f, kCentreWidth, psDashDot);
}

// The plate's edges held level and upright, and the sizes a workshop drawing gives: overall
// width and height of the plate, the slot's length, the bore, a mounting hole and the lug.
void drawDimensions(Sheet& s, const Keys& k) {
    s.bind(new ZVDConstraint, cdtHorizon, k.bottom, edrCurve, nullptr, edrCurve, P(0, 0));
    s.bind(new ZVDConstraint, cdtVertical, k.right, edrCurve, nullptr, edrCurve, P(0, 0));
    s.bind(new ZVDConstraint, cdtVertical, k.left, edrCurve, nullptr, edrCurve, P(0, 0));
    s.dimension(cdtPointDistanceToPoint, k.left, edrEnd, k.right, edrStart, P(600, -160));
    s.dimension(cdtLineLength, k.right, edrCurve, nullptr, edrCurve, P(1340, 250));
    s.dimension(cdtLineLength, k.slot, edrCurve, nullptr, edrCurve, P(600, 130));
    s.dimension(cdtRadius, k.bore, edrCurve, nullptr, edrCurve, P(500, 560));
    s.dimension(cdtRadius, k.hole, edrCurve, nullptr, edrCurve, P(190, 170));
    s.dimension(cdtRadius, k.lug, edrCurve, nullptr, edrCurve, P(800, 850));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : ZVD_EXAMPLE_OUTPUT;
    Sheet sheet;
    ZVectorDrawing& drawing = sheet.drawing;
    drawing.setBackColor(kPaper);
    drawing.setRemark(L"Mounting bracket, 120 x 85 mm; drawing units are tenths of a millimetre.");
    sheet.outline = makeLayer(drawing, L"outline", kOutlineColour);
    sheet.features = makeLayer(drawing, L"holes and centre lines", kFeatureColour);
    sheet.dimensions = makeLayer(drawing, L"dimensions", kDimensionColour);
    Keys keys;
    drawOutline(sheet, keys);
    drawFeatures(sheet, keys);
    drawDimensions(sheet, keys);
    std::wstring message;
    std::vector<ZVDConstraint*> conflicts;
    if (drawing.calculateConstraints(true, message, conflicts) != esrSolved) {
        std::fprintf(stderr, "make_example: the bracket's constraints do not solve: %s\n",
                     QString::fromStdWString(message).toLocal8Bit().constData());
        return 1;
    }
    if (!drawing.saveToFile(QString::fromLocal8Bit(path.c_str()).toStdWString(), vdsfXML, false)) {
        std::fprintf(stderr, "make_example: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("wrote %s (%d items)\n", path.c_str(), drawing.count());
    return 0;
}
