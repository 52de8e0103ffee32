// zvd tests: the drawing's hit tests, snapping and click/drag selection, by hand on small drawings
// and against a plain walk over the top-level items on random drawings edited at random.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/docitems.h"
#include "zgp/arc2d.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdselset.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdblockreference.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/entities/zvdline.h"
#include "zvd/entities/zvdpoint.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/foundation/zcoordtrans.h"
#include "zvd/platform/zvddevicecontext.h"

using V = zgp::CVec2<double>;
using Types = std::set<EnVDIType>;

namespace {

ZVDLine* line(V a, V b) {
    auto* l = new ZVDLine;
    l->set(a, b);
    return l;
}
ZVDCircle* circle(V c, double r) {
    auto* k = new ZVDCircle;
    k->setCenterPt(c);
    k->setRadius(r);
    return k;
}

// The walks over the root written out plainly, last to first or first to last: the oracle of the
// random comparison.
ZVDEntity* walkPoint(ZVectorDrawing& d, V p, double tol, const Types& t, bool lastFirst) {
    for (int k = 0; k < d.count(); ++k) {
        ZVDEntity* e = d.item(lastFirst ? d.count() - 1 - k : k);
        if ((t.empty() || t.count(e->itemType())) && e->hitTest(p, tol)) return e;
    }
    return nullptr;
}
QVector<ZVDEntity*> walkArea(ZVectorDrawing& d, V a, V b, double tol, const Types& t) {
    QVector<ZVDEntity*> out;
    for (int k = 0; k < d.count(); ++k)
        if ((t.empty() || t.count(d.item(k)->itemType())) && d.item(k)->hitSelect(a, b, tol)) out.append(d.item(k));
    return out;
}

// Records the order in which the drawing pass has items paint.
std::vector<const ZVDEntity*> g_painted;
struct LogItem : docfix::TestLine {
    using TestLine::TestLine;
    void doDrawNormal(HDC, const ZCoordTrans&) override { g_painted.push_back(this); }
    void doDrawSelected(HDC, const ZCoordTrans&) override { g_painted.push_back(this); }
};

// Two crossing lines A and B, a circle C and a composite G holding one line.
struct SmallDrawing : ::testing::Test {
    SmallDrawing() {
        g->add(inner);
        for (ZVDEntity* e : std::vector<ZVDEntity*>{a, b, c, g}) drawing.add(e);
    }
    ZVectorDrawing drawing;
    ZVDLine* a = line({0, 0}, {10, 0});
    ZVDLine* b = line({5, -5}, {5, 5});
    ZVDCircle* c = circle({30, 0}, 5);
    ZVDComposite* g = new ZVDComposite;
    ZVDLine* inner = line({50, 0}, {60, 0});
};

}  // namespace

TEST_F(SmallDrawing, PointTestAnswersTheLastItemHitAndSnappingTheFirst) {
    struct Case {
        V p;
        double tol;
        Types types;
        ZVDEntity *hit, *snap;
    } cases[] = {
        {{5, 0}, 0.1, {}, b, a},         {{2, 0}, 0.1, {}, a, a},           {{5, 0.5}, 0.4, {}, b, b},
        {{10.3, 0}, 0.5, {}, a, a},      {{35, 0}, 0.1, {vdiLine}, nullptr, nullptr},
        {{35, 0}, 0.1, {vdiCircle}, c, c}, {{55, 0}, 0.1, {}, g, g},       {{55, 0}, 0.1, {vdiLine}, nullptr, nullptr},
        {{20, 20}, 0.1, {}, nullptr, nullptr},
    };
    for (Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.p.x << "," << k.p.y);
        EXPECT_EQ(drawing.hitTest(k.p, k.tol, k.types), k.hit);
        EXPECT_EQ(drawing.snapDrawingItem(k.p, k.tol, k.types), k.snap);
    }
}

TEST_F(SmallDrawing, AreaTestAnswersInDrawingOrder) {
    Types all;
    EXPECT_EQ(drawing.hitTest(V(-1, -6), V(11, 6), 0, all), (QVector<ZVDEntity*>{a, b}));   // window
    EXPECT_EQ(drawing.hitTest(V(6, 1), V(4, -1), 0, all), (QVector<ZVDEntity*>{a, b}));     // crossing
    EXPECT_EQ(drawing.hitTest(V(24, -6), V(70, 6), 0, all), (QVector<ZVDEntity*>{c, g}));
    EXPECT_EQ(drawing.hitTest(V(5, 0), V(5, 0), 0.1, all), (QVector<ZVDEntity*>{b}));      // one point
    EXPECT_TRUE(drawing.hitTest(V(100, 100), V(200, 200), 0, all).isEmpty());
}

TEST_F(SmallDrawing, ClicksAndDragsToggleWithOneListenerCallEach) {
    std::string log;
    docfix::LogListener listener("L", &log);
    drawing.setSelSetChangedListener(&listener);
    Types all;
    const Qt::KeyboardModifiers none;
    EXPECT_TRUE(drawing.hitSelect(none, V(35, 0), V(35, 0), 0.1, all));
    EXPECT_TRUE(c->selected());
    EXPECT_TRUE(drawing.hitSelect(none, V(35, 0), V(35, 0), 0.1, all));
    EXPECT_FALSE(c->selected());
    EXPECT_FALSE(drawing.hitSelect(none, V(20, 20), V(20, 20), 0.1, all));
    EXPECT_EQ(log, "LL");
    drawing.selSet()->add(b, false);
    EXPECT_TRUE(drawing.hitSelect(none, V(-1, -6), V(36, 6), 0, all));
    EXPECT_EQ(log, "LLL");
    EXPECT_TRUE(a->selected() && !b->selected() && c->selected());
    EXPECT_EQ(drawing.selSet()->count(), 2);
}

// Moves, grip drags, nested edits, erasing and adding again reach the index before the next test.
TEST_F(SmallDrawing, EditsAreFoundWhereTheyLeaveTheItems) {
    Types all;
    a->move(V(0, 100));
    EXPECT_EQ(drawing.hitTest(V(2, 100), 0.1, all), a);
    EXPECT_EQ(drawing.hitTest(V(2, 0), 0.1, all), nullptr);
    inner->move(V(0, 50));  // reported by the nested line: its group's box grows
    EXPECT_EQ(drawing.hitTest(V(55, 50), 0.1, all), g);
    c->dragGrip(0, V(100, 0));
    EXPECT_EQ(drawing.hitTest(V(135, 0), 0.1, all), c);
    ZVDEntity* copy = b->clone();
    drawing.remove(b);
    EXPECT_EQ(drawing.hitTest(V(5, 0), 0.1, all), nullptr);
    drawing.add(copy);
    EXPECT_EQ(drawing.hitTest(V(5, 0), 0.1, all), copy);
    // A point of negative size has no box, yet its own test still answers.
    auto* p = new ZVDPoint;
    p->setInsertPt(V(80, 0));
    p->setSize(-10);
    drawing.add(p);
    EXPECT_EQ(drawing.hitTest(V(83, 0), 10, all), p);
}

// Random drawings of every kind, edited at random: every question answers as the plain walk does,
// and the drawing pass offers the same items in the same order.
TEST(HitTestRandom, AnswersAsThePlainWalkDoes) {
    std::mt19937 rng(20240611);
    auto real = [&rng](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto at = [&] { return V(real(0, 400), real(0, 400)); };
    ZVectorDrawing d;
    ZVDBlockDefinition* def = d.blockDefinitionTable()->add(L"B");
    def->add(line({0, 0}, {6, 3}));
    def->add(circle({2, 2}, 2));
    auto make = [&]() -> ZVDEntity* {
        const V p = at();
        switch (pick(7)) {
        case 0: return line(p, p + V(real(-20, 20), real(-20, 20)));
        case 1: return circle(p, real(0.5, 10));
        case 2: {
            auto* arc = new ZVDArc;
            arc->set(p, p + V(real(1, 15), real(-5, 5)), zgp::CArc2d::CCW_SMALL, 12);
            return arc;
        }
        case 3: {
            auto* t = new ZVDText;
            t->setText(L"hit");
            t->setInsertPt(p);
            return t;
        }
        case 4: {
            auto* pt = new ZVDPoint;
            pt->setInsertPt(p);
            return pt;
        }
        case 5: {
            auto* group = new ZVDComposite;
            group->add(line(p, p + V(5, 0)));
            group->add(circle(p + V(0, 8), 3));
            return group;
        }
        default: {
            auto* ref = new ZVDBlockReference;
            ref->setBlockDefinition(def);
            zgp::CMatrix3<double> m = zgp::CMatrix3<double>::Rotation(real(0, 6)) * zgp::CMatrix3<double>::Translation(p);
            ref->setTransformMatrix(&m);
            return ref;
        }
        }
    };
    for (int i = 0; i < 400; ++i) d.add(make());
    for (int i = 0; i < 60; ++i) {
        const V p = at();
        d.add(new LogItem(p, p + V(real(0, 20), real(0, 20))));
    }
    const Types filters[] = {{}, {vdiLine}, {vdiCircle, vdiText}, {vdiBlockReference, vdiComposite}};
    HDC hdc = createRecordingDC();
    for (int round = 0; round < 25; ++round) {
        for (int edit = 0; edit < 20; ++edit) {
            ZVDEntity* e = d.item(pick(d.count()));
            switch (pick(5)) {
            case 0: e->move(V(real(-30, 30), real(-30, 30))); break;
            case 1: if (e->gripCount() > 0) e->dragGrip(pick(e->gripCount()), V(real(-9, 9), real(-9, 9))); break;
            case 2: d.remove(e); break;
            case 3: d.add(e->clone()); break;
            default: e->rotate(at(), real(0, 6)); break;
            }
        }
        d.selSet()->clear(false);
        for (int s = 0; s < 5; ++s) d.selSet()->add(d.item(pick(d.count())), false);
        for (int q = 0; q < 40; ++q) {
            const ZVDEntity* near = d.item(pick(d.count()));
            const V p = q % 2 ? at() : const_cast<ZVDEntity*>(near)->outRect().Center();
            const double tol = std::vector<double>{0, 0.5, 4}[pick(3)];
            Types types = filters[pick(4)];
            ASSERT_EQ(d.hitTest(p, tol, types), walkPoint(d, p, tol, types, true));
            ASSERT_EQ(d.snapDrawingItem(p, tol, types), walkPoint(d, p, tol, types, false));
            const V a = at(), b = a + V(real(-60, 60), real(-60, 60));
            ASSERT_EQ(d.hitTest(a, b, tol, types), walkArea(d, a, b, tol, types));
        }
        // The pass: unselected items in root order, then the selection, each when its box meets
        // the view (the device rectangle grown by a pixel; the identity maps world y to -y).
        ZCoordTrans trans;
        const int x0 = pick(300), y0 = pick(300);
        const zgp::CBox2<int> rect(x0, -y0 - 100, x0 + 100, -y0);
        const zgp::CBox2<double> view(x0 - 1, y0 - 1, x0 + 101, y0 + 101);
        std::vector<const ZVDEntity*> expected;
        auto offer = [&](ZVDEntity* e) {
            if (dynamic_cast<LogItem*>(e) && e->outRect().Overlaps(view)) expected.push_back(e);
        };
        for (int k = 0; k < d.count(); ++k)
            if (!d.item(k)->selected()) offer(d.item(k));
        for (int k = 0; k < d.selSet()->count(); ++k) offer(d.selSet()->item(k));
        g_painted.clear();
        d.draw(hdc, trans, rect);
        ASSERT_EQ(g_painted, expected);
    }
    destroyDC(hdc);
}
