// Builds the second bundled example, a small site plan that uses every item kind, with the
// library itself, solves its constraints and saves it as a binary drawing (examples/siteplan.zvd).
#include <cstdio>
#include <string>
#include <vector>

#include <QString>

#include "zgp/arc2d.h"
#include "zgp/line2d.h"
#include "zgp/nurbscurve2d.h"
#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdblockreference.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdellipse.h"
#include "zvd/entities/zvdgrid.h"
#include "zvd/entities/zvdhatch.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdpoint.h"
#include "zvd/entities/zvdpolycomposite.h"
#include "zvd/entities/zvdpolygon.h"
#include "zvd/entities/zvdpolyline.h"
#include "zvd/entities/zvdspline.h"
#include "zvd/entities/zvdtext.h"

#ifndef ZVD_SITE_PLAN_OUTPUT
#define ZVD_SITE_PLAN_OUTPUT "siteplan.zvd"
#endif

// Measuring the texts loads fontconfig's caches, which live until the process ends and are never
// freed; LeakSanitizer finds this hook by name.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {

using P = zgp::CVec2<double>;

ZVDLayer* layer(ZVectorDrawing& d, const wchar_t* name, int colour) {
    ZVDLayer* l = d.layers()->add(name);
    l->setColor(colour);
    l->setVisible(true);
    return l;
}

template <class Item>
Item* put(ZVectorDrawing& d, Item* item, ZVDLayer* on, int colour) {
    item->setLayer(on);
    item->setColor(colour);
    d.add(item);
    return item;
}

ZVDLine* line(P a, P b) {
    auto* l = new ZVDLine;
    l->set(a, b);
    return l;
}

zgp::CLoop* rect(double x0, double y0, double x1, double y1) {
    auto* loop = new zgp::CLoop;
    const P c[] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (int i = 0; i < 4; ++i) loop->AddCurve(new zgp::CLine2d(c[i], c[(i + 1) % 4]), false);
    return loop;
}

ZVDText* text(ZVectorDrawing& d, ZVDLayer* on, const std::wstring& s, P at, short height, const wchar_t* font,
              double angle = 0) {
    auto* t = new ZVDText;
    t->setText(s);
    t->setFontName(font);
    t->setHeight(height);
    t->setInsertPt(at);
    t->setAngle(static_cast<float>(angle));
    t->setHorzAlignment(haCenter);
    t->setVertAlignment(vaCenter);
    return put(d, t, on, 0x202020);
}

ZVDConstraint* bind(ZVectorDrawing& d, ZVDConstraint* c, ZVDConstraintDataType kind, ZVDEntity* e1, EnDimRefType r1,
                    ZVDEntity* e2, EnDimRefType r2, P placed, ZVDLayer* on) {
    ZVDConstraintParams p;
    p.entityID1 = e1->iD();
    p.refType1 = r1;
    p.entityID2 = e2 ? e2->iD() : -1;
    p.refType2 = r2;
    p.constraintPos[0] = placed;
    c->setLayer(on);
    d.add(c);
    c->initialize(p, kind);
    c->modifyData(p, true);
    if (auto* dim = dynamic_cast<ZVDConstraintDimension*>(c)) {
        dim->updateValue();
        dim->build();
    }
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : ZVD_SITE_PLAN_OUTPUT;
    ZVectorDrawing d;
    d.setBackColor(0xFFFFFF);
    d.setRemark(L"Site plan of a small workshop: every item kind of the library; units are centimetres.");
    ZVDLayer* gridLayer = layer(d, L"grid", 0xC8C8C8);
    ZVDLayer* walls = layer(d, L"walls", 0x303030);
    ZVDLayer* site = layer(d, L"site", 0x2E7D32);
    ZVDLayer* notes = layer(d, L"notes 注释", 0x7A3E00);
    ZVDLayer* sizes = layer(d, L"dimensions", 0x008000);

    // The column grid, 3 m bays.
    auto* grid = new ZVDGrid;
    grid->setLayer(gridLayer);
    grid->setColor(0xC8C8C8);
    d.add(grid);
    grid->setSpace(L"300*4", L"300*2");

    // The building: four walls as lines, a poly-composite entrance canopy, hatched wall sections.
    ZVDLine* south = put(d, line({0, 0}, {1200, 0}), walls, 0x303030);
    ZVDLine* east = put(d, line({1200, 0}, {1200, 600}), walls, 0x303030);
    ZVDLine* north = put(d, line({1200, 600}, {0, 600}), walls, 0x303030);
    ZVDLine* west = put(d, line({0, 600}, {0, 0}), walls, 0x303030);
    auto* section = new zgp::CPolygon;
    section->AddLoop(rect(0, 0, 1200, 30), true);
    auto* core = new zgp::CPolygon;
    core->AddLoop(rect(500, 200, 700, 400), true);
    std::vector<zgp::CPolygon*> areas = {section, core};
    auto* hatch = new ZVDHatch;
    hatch->setXPoly(areas);
    hatch->setFillStyle(bsDiagCross);
    put(d, hatch, walls, 0x909090);
    section->Free();
    core->Free();
    auto* canopy = new ZVDPolyComposite;
    canopy->add(line({500, 0}, {500, -100}));
    auto* bow = new ZVDArc;
    bow->set(P(500, -100), P(700, -100), zgp::CArc2d::CW_SMALL, 100);
    canopy->add(bow);
    canopy->add(line({700, -100}, {700, 0}));
    put(d, canopy, walls, 0x303030);

    // The plot: a polygon boundary, a curved path (spline), a hedge (polyline), a pond (ellipse).
    auto* plot = new zgp::CPolygon;
    plot->AddLoop(rect(-300, -400, 1600, 1000), true);
    auto* boundary = new ZVDPolygon;
    boundary->setPolygon(plot);
    boundary->setFillStyle(bsClear);
    put(d, boundary, site, 0x2E7D32);
    auto* curve = new zgp::CNurbsCurve2d(3, 5);
    const P ctrl[] = {{-200, -350}, {100, -200}, {300, -375}, {550, -250}, {600, -100}};
    for (int i = 0; i < 5; ++i) curve->SetCtrlPt(i, ctrl[i], i == 2 ? 2.0 : 1.0);
    auto* walk = new ZVDSpline;
    walk->set(curve);
    walk->setLineStyle(psDash);
    put(d, walk, site, 0x1565C0);
    curve->Free();
    zgp::CLoop hedge;
    hedge.AddCurve(new zgp::CLine2d(P(1300, -300), P(1500, -300)), false);
    hedge.AddCurve(new zgp::CArc2d(P(1500, -300), P(1500, 100), 200, zgp::CArc2d::CCW_SMALL), false);
    hedge.AddCurve(new zgp::CLine2d(P(1500, 100), P(1500, 900)), false);
    auto* hedgeItem = new ZVDPolyline;
    hedgeItem->setPolyline(hedge);
    hedgeItem->setLineWidth(3);
    put(d, hedgeItem, site, 0x2E7D32);
    auto* pond = new ZVDEllipse;
    pond->set(P(-100, 750), P(1, 0.3), 150, 90, 0, 0, 1);
    put(d, pond, site, 0xC0801E);

    // A tree symbol as a block, placed three times.
    ZVDBlockDefinition* tree = d.blockDefinitionTable()->add(L"tree");
    tree->setOrigin({0, 0});
    auto* crown = new ZVDCircle;
    crown->setCenterPt({0, 0});
    crown->setRadius(50);
    crown->setColor(0x2E7D32);
    tree->add(crown);
    tree->add(line({-20, 0}, {20, 0}));
    tree->add(line({0, -20}, {0, 20}));
    const P trees[] = {{-150, 200}, {-175, 450}, {1350, 750}};
    for (int i = 0; i < 3; ++i) {
        auto* ref = new ZVDBlockReference;
        ref->setBlockDefinition(tree);
        const zgp::CMatrix3<double> place(1 + 0.2 * i, 0, 0, 0, 1 + 0.2 * i, 0, trees[i].x, trees[i].y, 1);
        ref->setTransformMatrix(&place);
        put(d, ref, site, 0x2E7D32);
    }

    // Survey points and a circle of a well.
    for (const P& at : {P(-300, -400), P(1600, -400), P(1600, 1000), P(-300, 1000)}) {
        auto* mark = new ZVDPoint;
        mark->setInsertPt(at);
        mark->setSize(30);
        mark->setPointStyle(ptDiagCross);
        put(d, mark, site, 0x0000C0);
    }
    ZVDCircle* well = put(d, new ZVDCircle, site, 0xC0801E);
    well->setCenterPt({1000, 800});
    well->setRadius(40);

    // Texts in Latin and Chinese.
    text(d, notes, L"WORKSHOP 车间", {600, 300}, 80, L"DejaVu Sans");
    text(d, notes, L"平面图 Site plan 1:200", {650, 925}, 60, L"宋体");
    text(d, notes, L"path 小路", {200, -300}, 40, L"DejaVu Sans", 0.4);

    // Constraints keep the walls square; dimensions give the building's size and the well.
    bind(d, new ZVDConstraint, cdtHorizon, south, edrCurve, nullptr, edrCurve, {0, 0}, sizes);
    bind(d, new ZVDConstraint, cdtVertical, east, edrCurve, nullptr, edrCurve, {0, 0}, sizes);
    bind(d, new ZVDConstraint, cdtHorizon, north, edrCurve, nullptr, edrCurve, {0, 0}, sizes);
    bind(d, new ZVDConstraint, cdtVertical, west, edrCurve, nullptr, edrCurve, {0, 0}, sizes);
    bind(d, new ZVDConstraintDimension, cdtLineLength, south, edrCurve, nullptr, edrCurve, {600, -250}, sizes);
    bind(d, new ZVDConstraintDimension, cdtLineLength, east, edrCurve, nullptr, edrCurve, {1350, 300}, sizes);
    bind(d, new ZVDConstraintDimension, cdtRadius, well, edrCurve, nullptr, edrCurve, {1075, 875}, sizes);

    std::wstring message;
    std::vector<ZVDConstraint*> conflicts;
    if (d.calculateConstraints(true, message, conflicts) != esrSolved) {
        std::fprintf(stderr, "make_site_plan: the constraints do not solve: %s\n",
                     QString::fromStdWString(message).toLocal8Bit().constData());
        return 1;
    }
    if (!d.saveToFile(QString::fromLocal8Bit(path.c_str()).toStdWString(), vdsfBinary, false)) {
        std::fprintf(stderr, "make_site_plan: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("wrote %s (%d items)\n", path.c_str(), d.count());
    return 0;
}
