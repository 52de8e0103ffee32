// zvd fuzzing: writes the seed corpus: valid drawings of every curve kind and of groups in both formats,
// plus streams and documents of older versions laid out as those versions wrote them.
// Usage: make_seeds BINARY_DIR XML_DIR (both folders must exist).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zvd/constraints/zvdconstraint.h"
#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdellipse.h"
#include "zvd/entities/zvdgrid.h"
#include "zvd/entities/zvdhatch.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdpolycomposite.h"
#include "zvd/entities/zvdpolygon.h"
#include "zvd/entities/zvdpoint.h"
#include "zvd/entities/zvdpolyline.h"
#include "zvd/entities/zvdspline.h"
#include "zvd/entities/zvdtext.h"

// The seed texts are measured, which loads fontconfig's caches; they live until the process ends
// and are never freed, so LeakSanitizer (this program is built with the harnesses' sanitizers) is
// told to pass them over. It finds this hook by name.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(f);
}

ZVDLine* line(double x1, double y1, double x2, double y2) {
    auto* l = new ZVDLine;
    l->set({x1, y1}, {x2, y2});
    return l;
}

ZVDArc* arc(double x1, double y1, double x2, double y2, zgp::CArc2d::ArcType type, double r) {
    auto* a = new ZVDArc;
    a->set({x1, y1}, {x2, y2}, type, r);
    return a;
}

ZVDCircle* circle(double x, double y, double r) {
    auto* c = new ZVDCircle;
    c->setCenterPt({x, y});
    c->setRadius(r);
    return c;
}

ZVDEllipse* ellipse(double x, double y, double a, double b, double start, double end, int sense) {
    auto* e = new ZVDEllipse;
    e->set({x, y}, {1, 1}, a, b, start, end, sense);
    return e;
}

// A chain from (x, y): a line, a counter-clockwise half circle of radius 5, a line up.
ZVDPolyline* polyline(double x, double y) {
    zgp::CLoop loop;
    loop.AddCurve(new zgp::CLine2d({x, y}, {x + 10, y}), false);
    loop.AddCurve(new zgp::CArc2d({x + 10, y}, {x + 20, y}, 5, zgp::CArc2d::CCW_SMALL), false);
    loop.AddCurve(new zgp::CLine2d({x + 20, y}, {x + 20, y + 10}), false);
    auto* p = new ZVDPolyline;
    p->setPolyline(loop);
    return p;
}

// A curve of the given degree through (x, y) with weights from w (clamped uniform knots).
ZVDSpline* spline(int degree, const std::vector<zgp::CVec2<double>>& points, const std::vector<double>& w) {
    zgp::CNurbsCurve2d curve(degree, int(points.size()));
    for (size_t i = 0; i < points.size(); ++i) curve.SetCtrlPt(int(i), points[i], w[i]);
    auto* s = new ZVDSpline;
    s->set(&curve);
    return s;
}

// A small plate: outline of lines and corner arcs on layer "outline", holes on layer "holes",
// a block definition with a slot, marks and extension data on some items.
void buildPlate(ZVectorDrawing& d) {
    d.setBackColor(0xffffff);
    d.setDrawingWidth(200);
    d.setDrawingHeight(120);
    d.setRemark(L"seed plate");
    ZVDLayer* outline = d.layers()->add(L"outline");
    outline->setColor(0x000000);
    outline->setVisible(true);
    ZVDLayer* holes = d.layers()->add(L"holes");
    holes->setColor(0x0000ff);
    holes->setVisible(true);
    std::vector<ZVDEntity*> items = {line(10, 0, 90, 0),     arc(90, 0, 100, 10, zgp::CArc2d::CCW_SMALL, 10),
                                     line(100, 10, 100, 50), arc(100, 50, 90, 60, zgp::CArc2d::CCW_SMALL, 10),
                                     line(90, 60, 10, 60),   line(0, 50, 0, 10)};
    for (ZVDEntity* e : items) {
        e->setLayer(outline);
        d.add(e);
    }
    static_cast<ZVDCurve*>(items[0])->setLineWidth(2);
    static_cast<ZVDCurve*>(items[2])->setEndMarkStyle(EnMarkStyle(1));
    static_cast<ZVDCurve*>(items[2])->setEndMarkSize(5);
    items[4]->setExtData(L"edge");
    for (double x : {25.0, 50.0, 75.0}) {
        ZVDCircle* c = circle(x, 30, 6);
        c->setLayer(holes);
        d.add(c);
    }
    // A full elliptical hole and a clockwise elliptical arc with marks.
    ZVDEllipse* hole = ellipse(50, 48, 8, 4, 0, 0, 1);
    hole->setLayer(holes);
    d.add(hole);
    ZVDEllipse* rim = ellipse(50, 12, 12, 5, 0.5, 2.5, -1);
    rim->setLayer(outline);
    d.add(rim);
    rim->setStartMarkStyle(EnMarkStyle(2));
    rim->setStartMarkSize(3);
    // A polyline with a start arrow, a cubic spline and a rational quadratic one on the outline.
    ZVDPolyline* chain = polyline(110, 0);
    chain->setStartMarkStyle(EnMarkStyle(1));
    chain->setStartMarkSize(4);
    ZVDSpline* wave = spline(3, {{0, 70}, {20, 90}, {40, 60}, {60, 80}, {80, 70}}, {1, 1, 1, 1, 1});
    ZVDSpline* quarter = spline(2, {{120, 60}, {120, 80}, {140, 80}}, {1, 0.7071067811865476, 1});
    for (ZVDEntity* e : std::vector<ZVDEntity*>{chain, wave, quarter}) {
        e->setLayer(outline);
        d.add(e);
    }
    // Centre marks: a dot and a cross on the holes layer.
    for (int style : {0, 1}) {
        auto* mark = new ZVDPoint;
        mark->setInsertPt({25.0 + 50 * style, 48});
        mark->setSize(static_cast<short>(4 + 4 * style));
        mark->setPointStyle(static_cast<EnPointStyle>(style));
        mark->setLayer(holes);
        d.add(mark);
    }
    // A filled web with a square hole (two loops), and a pad bounded by an arc, an elliptical arc
    // and a quadratic spline piece.
    auto* web = new zgp::CPolygon;
    for (double r : {20.0, 6.0}) {
        auto* loop = new zgp::CLoop;
        const zgp::CVec2<double> c(160, 40);
        const zgp::CVec2<double> q[4] = {{-r, -r}, {r, -r}, {r, r}, {-r, r}};
        for (int k = 0; k < 4; ++k) {
            const int from = r > 10 ? k : 3 - k, to = r > 10 ? (k + 1) % 4 : (6 - k) % 4;
            loop->AddCurve(new zgp::CLine2d(c + q[from], c + q[to]), false);
        }
        web->AddLoop(loop, true);
    }
    auto* pad = new zgp::CLoop;
    pad->AddCurve(new zgp::CArc2d(zgp::CVec2<double>(200, 0), zgp::CVec2<double>(220, 0), 10, 1), false);
    pad->AddCurve(new zgp::CEllipse2d(zgp::CVec2<double>(220, 10), zgp::CVec2<double>(1, 0), 10, 5,
                                      zgp::CInterval<double>(-15.707963267948966, 0), -1),
                  false);
    auto* piece = new zgp::CNurbsCurve2d(2, 3);
    piece->SetCtrlPt(0, {220, 5});
    piece->SetCtrlPt(1, {210, 20}, 0.5);
    piece->SetCtrlPt(2, {200, 0});
    pad->AddCurve(piece, false);
    auto* padPolygon = new zgp::CPolygon;
    padPolygon->AddLoop(pad, true);
    int fill = 0;
    for (zgp::CPolygon* shape : {web, padPolygon}) {
        auto* item = new ZVDPolygon;
        item->setPolygon(shape);
        item->setFillStyle(static_cast<EnBrushStyle>(fill));
        fill += 6;
        item->setLayer(outline);
        d.add(item);
    }
    ZVDBlockDefinition* slot = d.blockDefinitionTable()->add(L"slot");
    slot->setOrigin({0, 0});
    slot->add(line(0, 0, 20, 0));
    slot->add(arc(20, 0, 20, 8, zgp::CArc2d::CCW_SMALL, 4));
    slot->add(polyline(0, 10));
}

// Groups: a chain of a line, an arc and a line (a poly-composite) inside a composite inside a
// composite, next to a plain composite of two circles.
void buildGroups(ZVectorDrawing& d) {
    auto* chain = new ZVDPolyComposite;
    chain->add(line(0, 0, 10, 0));
    chain->add(arc(10, 0, 20, 0, zgp::CArc2d::CCW_SMALL, 5));
    chain->add(line(20, 0, 30, 10));
    auto* inner = new ZVDComposite;
    inner->add(chain);
    auto* outer = new ZVDComposite;
    outer->add(inner);
    outer->add(line(0, 20, 30, 20));
    d.add(outer);
    auto* pair = new ZVDComposite;
    pair->add(circle(5, 40, 3));
    pair->add(circle(15, 40, 3));
    d.add(pair);
}

// A sketch: curves bound by a constraint of every kind, their marks built, and a few texts.
void buildSketch(ZVectorDrawing& d) {
    ZVDEntity* a = line(0, 0, 10, 1);
    ZVDEntity* b = line(0, 4, 10, 5);
    ZVDEntity* round = arc(20, 0, 25, 5, zgp::CArc2d::CCW_SMALL, 5);
    ZVDEntity* ring = circle(30, 0, 4);
    for (ZVDEntity* item : {a, b, round, ring}) d.add(item);
    for (int kind = 0; kind <= 20; ++kind) {
        ZVDConstraintParams p;
        const bool onArc = kind == cdtArcAngle || kind == cdtRadius || kind == cdtDiameter || kind == cdtConcentric;
        p.entityID1 = (onArc ? round : a)->iD();
        p.entityID2 = kind == cdtPinned ? -1 : (kind == cdtConcentric ? ring : b)->iD();
        p.refType1 = edrEnd;
        p.refType2 = edrStart;
        p.value = 1.5 + kind;
        p.constraintPos[0] = zgp::CVec2<double>(kind, 2.0 * kind);
        p.dimParams[0] = kind % 3;
        auto* c = new ZVDConstraint;
        d.add(c);
        c->initialize(p, static_cast<ZVDConstraintDataType>(kind));
        c->setForceHide(kind % 2 == 1);
        c->build();
    }
    // Dimensions: a length along x, a radius, and a group of distances holding a child dimension.
    auto dimension = [&](ZVDConstraintDataType kind, ZVDEntity* e1, ZVDEntity* e2, double mode, ZVDEntity* parent) {
        ZVDConstraintParams p;
        p.entityID1 = e1->iD();
        p.entityID2 = e2 ? e2->iD() : -1;
        p.dimParams[0] = mode;
        p.constraintPos[0] = zgp::CVec2<double>(5, -20);
        auto* dim = new ZVDConstraintDimension;
        d.add(parent, dim);
        dim->initialize(p, kind);
        dim->modifyData(p, true);
        return dim;
    };
    dimension(cdtLineLength, a, nullptr, 1, nullptr);
    dimension(cdtRadius, round, nullptr, 0, nullptr);
    ZVDConstraintDimension* group = dimension(cdtMultiDistance, a, b, 0, nullptr);
    dimension(cdtLineDistanceToLine, a, b, 0, group);
    group->build();
    // A hatch of two areas, the first with a hole and an arc side.
    auto* framed = new zgp::CPolygon;
    auto* outer = new zgp::CLoop;
    outer->AddCurve(new zgp::CLine2d(zgp::CVec2<double>(0, 100), zgp::CVec2<double>(40, 100)), false);
    outer->AddCurve(new zgp::CArc2d(zgp::CVec2<double>(40, 100), zgp::CVec2<double>(40, 140), 20, 1), false);
    outer->AddCurve(new zgp::CLine2d(zgp::CVec2<double>(40, 140), zgp::CVec2<double>(0, 100)), false);
    framed->AddLoop(outer, true);
    auto* lone = new zgp::CPolygon;
    auto* tri = new zgp::CLoop;
    tri->AddCurve(new zgp::CLine2d(zgp::CVec2<double>(60, 100), zgp::CVec2<double>(80, 100)), false);
    tri->AddCurve(new zgp::CLine2d(zgp::CVec2<double>(80, 100), zgp::CVec2<double>(70, 120)), false);
    tri->AddCurve(new zgp::CLine2d(zgp::CVec2<double>(70, 120), zgp::CVec2<double>(60, 100)), false);
    lone->AddLoop(tri, true);
    std::vector<zgp::CPolygon*> areas = {framed, lone};
    auto* hatch = new ZVDHatch;
    hatch->setXPoly(areas);
    hatch->setFillStyle(bsDiagCross);
    d.add(hatch);
    framed->Free();
    lone->Free();
    auto* grid = new ZVDGrid;
    d.add(grid);
    grid->setSpace(L"100*3,50", L"80*2,0.125");
    // Texts: Latin, CJK and a character outside the BMP, several lines, turned, on a background.
    const wchar_t* texts[] = {L"Plate A-1", L"平面图\r\n第二行", L"mixed 混合 \U0001F600"};
    for (int i = 0; i < 3; ++i) {
        auto* t = new ZVDText;
        t->setText(texts[i]);
        t->setFontName(i == 1 ? L"宋体" : L"DejaVu Sans");
        t->setHeight(static_cast<short>(10 + 4 * i));
        t->setAngle(0.3f * static_cast<float>(i));
        t->setInsertPt(zgp::CVec2<double>(0, 40 + 20 * i));
        t->setHorzAlignment(static_cast<EnHorizAlignment>(i));
        t->setTransparent(i != 2);
        d.add(t);
    }
}

std::string binaryBytes(ZVectorDrawing& d, bool selectedOnly) {
    std::stringstream s(std::ios::in | std::ios::out | std::ios::binary);
    d.saveToStream(&s, vdsfBinary, selectedOnly);
    return s.str();
}

// ---- hand-built older streams ----

struct Out {
    std::string b;
    template <class T>
    Out& put(T v) {
        b.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
    Out& shortStr(const std::string& s) {
        put<uint8_t>(uint8_t(s.size()));
        b += s;
        return *this;
    }
    Out& longStr(const std::string& s) {
        put<int32_t>(int32_t(s.size()));
        b += s;
        return *this;
    }
};

// A version 2.5 stream: no block section; a line, a buildable arc, an arc that builds no arc
// (read as a line), and a circle and an ellipse in the short layouts of streams below 3.0.
std::string version25() {
    Out o;
    o.shortStr("ZelvaroneVectorDrawing").shortStr("2.5");
    o.put<int32_t>(0).put<int32_t>(100).put<int32_t>(100).longStr("old").longStr("");
    o.put<int32_t>(1).put<int32_t>(0).shortStr("0").put<int32_t>(0xffffff).put<uint8_t>(1);
    o.put<int32_t>(5);
    auto common = [&o](int type, int id) {
        o.put<uint8_t>(uint8_t(type)).put<int32_t>(id).put<int32_t>(-1).put<int32_t>(-1);
        o.put<int32_t>(0).put<int32_t>(0).longStr("").put<int32_t>(-1).put<int32_t>(-1).put<double>(1.0);
    };
    auto curve = [&o]() {
        o.put<int16_t>(1).put<uint8_t>(0).put<int16_t>(0).put<int16_t>(0).put<uint8_t>(0).put<uint8_t>(0);
        o.put<int32_t>(-1).put<int32_t>(-1);
    };
    common(2, 0);
    curve();
    o.put(0.0).put(0.0).put(10.0).put(0.0);
    common(3, 1);
    curve();
    o.put(0.0).put(0.0).put(10.0).put(0.0).put(5.0).put<uint8_t>(1);
    common(3, 2);
    curve();
    o.put(0.0).put(0.0).put(10.0).put(0.0).put(1.0).put<uint8_t>(2);
    common(5, 3);
    o.put<int16_t>(1).put<uint8_t>(0);  // circles below 3.0: width and style only
    o.put(5.0).put(5.0).put(2.0);
    common(7, 4);
    o.put<int16_t>(1).put<uint8_t>(0);  // ellipses below 3.0 too
    // Centre, axis, radii (the second larger), parameter range (a quarter), sense.
    o.put(20.0).put(5.0).put(1.0).put(0.0).put(3.0).put(6.0).put(0.0).put(4.71238898038469).put<int32_t>(1);
    return o.b;
}

// A version "1.0" stream: no extension data, no block fields, one mark per curve.
std::string version10() {
    Out o;
    o.shortStr("ZelvaroneVectorDrawing").shortStr("1.0");
    o.put<int32_t>(0).put<int32_t>(0).put<int32_t>(0).longStr("");
    o.put<int32_t>(1).put<int32_t>(0).shortStr("0").put<int32_t>(0xffffff).put<uint8_t>(1);
    o.put<int32_t>(1);
    o.put<uint8_t>(2).put<int32_t>(0).put<int32_t>(0).put<int32_t>(0);
    o.put<int16_t>(1).put<uint8_t>(0).put<uint8_t>(3).put<int16_t>(4).put<uint8_t>(0);
    o.put(0.0).put(0.0).put(3.0).put(4.0);
    return o.b;
}

const char kXml11[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<ZelvaroneVectorDrawing Version=\"1.1\" BackColor=\"0\" DrawingWidth=\"0\" DrawingHeight=\"0\">\n"
    "    <Remark/>\n    <ExtData/>\n"
    "    <Layers>\n        <Layer LayerID=\"0\" LayerName=\"0\" LayerColor=\"16777215\" LayerVisible=\"True\"/>\n"
    "    </Layers>\n"
    "    <DrawingItems>\n"
    "        <Item ItemType=\"2\" ID=\"0\" LayerID=\"0\" Color=\"0\" LineWidth=\"1\" LineStyle=\"0\" MarkPos=\"3\" "
    "MarkSize=\"5\" MarkStyle=\"0\" Line=\"0,0,10,0\"/>\n"
    "        <Item ItemType=\"3\" ID=\"1\" LayerID=\"0\" Color=\"0\" LineWidth=\"1\" LineStyle=\"0\" "
    "Line=\"0,0,10,0\" Radius=\"5\" LineType=\"1\"/>\n"
    "        <Item ItemType=\"5\" ID=\"2\" LayerID=\"0\" Color=\"0\" LineWidth=\"1\" LineStyle=\"0\" "
    "CenterPt=\"5,5\" Radius=\"2\"/>\n"
    "        <Item ItemType=\"7\" ID=\"3\" LayerID=\"0\" Color=\"0\" LineWidth=\"1\" LineStyle=\"0\" "
    "CenterPt=\"20,5\" MajorAxis=\"0,1\" MajorRadius=\"4\" MinorRadius=\"2\" EllipseRange=\"-2,10\" "
    "EllipseClose=\"-1\"/>\n"
    "    </DrawingItems>\n"
    "</ZelvaroneVectorDrawing>\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds BINARY_DIR XML_DIR\n");
        return 2;
    }
    const std::string binDir = argv[1], xmlDir = argv[2];
    ZVectorDrawing empty;
    ZVectorDrawing plate;
    buildPlate(plate);
    plate.selSet()->add(plate.item(1), false);
    plate.selSet()->add(plate.item(6), false);
    plate.selSet()->add(plate.item(9), false);
    plate.selSet()->add(plate.item(11), false);
    ZVectorDrawing groups;
    buildGroups(groups);
    ZVectorDrawing sketch;
    buildSketch(sketch);

    bool ok = writeFile(binDir + "/empty.zvd", binaryBytes(empty, false)) &&
              writeFile(binDir + "/plate.zvd", binaryBytes(plate, false)) &&
              writeFile(binDir + "/plate-selected.zvd", binaryBytes(plate, true)) &&
              writeFile(binDir + "/groups.zvd", binaryBytes(groups, false)) &&
              writeFile(binDir + "/sketch.zvd", binaryBytes(sketch, false)) &&
              writeFile(binDir + "/version-2.5.zvd", version25()) &&
              writeFile(binDir + "/version-1.0.zvd", version10()) && writeFile(xmlDir + "/version-1.1.xml", kXml11);
    ok = ok && empty.saveToFile(wide(xmlDir + "/empty.xml"), vdsfXML, false) &&
         plate.saveToFile(wide(xmlDir + "/plate.xml"), vdsfXML, false) &&
         plate.saveToFile(wide(xmlDir + "/plate-selected.xml"), vdsfXML, true) &&
         groups.saveToFile(wide(xmlDir + "/groups.xml"), vdsfXML, false) &&
         sketch.saveToFile(wide(xmlDir + "/sketch.xml"), vdsfXML, false);
    if (!ok) {
        std::fprintf(stderr, "make_seeds: could not write the seeds\n");
        return 1;
    }
    return 0;
}
