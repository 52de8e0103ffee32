// zvd tests: ZVDPolyComposite: shared joint grips, refused and random drags, reversal, copies.
#include <random>

#include "curve_items.h"
#include "zvd/entities/zvdpolycomposite.h"

using namespace itemfix;

namespace {

ZVDLine* line(V a, V b) { return lineItem(a, b); }
ZVDArc* arc(V a, V b, double r, zgp::CArc2d::ArcType type) { return arcItem(a, b, r, type); }
V startOf(ZVDEntity* e) { return static_cast<ZVDCurve*>(e)->xLines(0)->StartPoint(); }
V endOf(ZVDEntity* e) { return static_cast<ZVDCurve*>(e)->xLines(0)->EndPoint(); }

double worstJoint(ZVDComposite& chain) {
    double worst = 0;
    for (int i = 0; i + 1 < chain.count(); ++i)
        worst = std::max(worst, endOf(chain.items(i)).DistanceTo(startOf(chain.items(i + 1))));
    return worst;
}

}  // namespace

// Two lines (0,0)-(10,0)-(10,10); shared grips: (0,0), (10,0) [both], (5,0), (10,10), (10,5).
TEST(PolyComposite, JointsBecomeOneGripThatDragsBothEnds) {
    ZVDPolyComposite chain;
    ZVDLine *a = line({0, 0}, {10, 0}), *b = line({10, 0}, {10, 10});
    chain.add(a);
    chain.add(b);
    ASSERT_EQ(chain.gripCount(), 5);
    expectNear(chain.grip(1), {10, 0});
    expectNear(chain.grip(4), {10, 5});
    EXPECT_EQ(chain.gripType(1), 0);
    EXPECT_EQ(chain.gripType(2), 2);
    EXPECT_EQ(chain.dragEntity(1), (std::vector<ZVDEntity*>{a, b}));
    EXPECT_EQ(chain.dragEntity(3), (std::vector<ZVDEntity*>{b}));

    ASSERT_TRUE(chain.dragGrip(1, {1, 1}));  // the joint: both ends follow
    expectNear(a->startPt(), {0, 0});
    expectNear(a->endPt(), {11, 1});
    expectNear(b->startPt(), {11, 1});
    expectNear(b->endPt(), {10, 10});

    // The first line's middle moves it whole and drags the second line's start with it.
    ASSERT_TRUE(chain.dragGrip(2, {0, 2}));
    expectNear(a->startPt(), {0, 2});
    expectNear(a->endPt(), {11, 3});
    expectNear(b->startPt(), {11, 3});
    expectNear(b->endPt(), {10, 10});

    EXPECT_FALSE(chain.dragGrip(5, {1, 1}));
    expectNear(chain.grip(-1), chain.outRect().Center());
    chain.setShowGrip(false);
    EXPECT_EQ(chain.gripCount(), 0);

    // Ends apart by less than the kernel's tolerance (1e-6) still share one grip; further apart not.
    for (double gap : {6e-7, 1.4e-6}) {
        ZVDPolyComposite near;
        near.add(line({0, 0}, {10 - gap / 2, 0}));
        near.add(line({10 + gap / 2, 0}, {20, 0}));
        EXPECT_EQ(near.gripCount(), gap < 1e-6 ? 5 : 6) << gap;
    }
}

// A joint drag the arc refuses (end onto its other end) leaves the line alone too.
TEST(PolyComposite, ARefusedDragChangesNoChild) {
    ZVectorDrawing drawing;
    docfix::Recorder rec;
    drawing.attachObserver(&rec);
    auto* chain = new ZVDPolyComposite;
    ZVDLine* a = line({-10, 0}, {0, 0});
    ZVDArc* b = arc({0, 0}, {10, 0}, 5, zgp::CArc2d::CCW_SMALL);
    chain->add(a);
    chain->add(b);
    drawing.add(chain);
    const int joint = 1;
    expectNear(chain->grip(joint), {0, 0});
    rec.events.clear();
    EXPECT_FALSE(chain->dragGrip(joint, {10, 0}));
    EXPECT_TRUE(rec.events.empty());
    expectNear(a->endPt(), {0, 0});
    expectNear(b->startPt(), {0, 0});
    drawing.detachObserver(&rec);
}

// Random chains of lines and arcs under random joint drags, line-middle drags, moves, rotations
// and mirrors stay connected end to end. (An arc's middle grip changes its radius, which moves its
// ends radially, so the neighbours dragged by the offset would part: those grips are left out.)
TEST(PolyComposite, RandomEditsKeepTheChainConnected) {
    std::mt19937 rng(77);
    auto uniform = [&rng](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    for (int trial = 0; trial < 20; ++trial) {
        ZVDPolyComposite chain;
        V p(0, 0);
        for (int i = 0; i < 6; ++i) {
            const V q = p + V(uniform(5, 15), uniform(-8, 8));
            if (i % 2)
                chain.add(arc(p, q, p.DistanceTo(q) * uniform(0.6, 2), zgp::CArc2d::CCW_SMALL));
            else
                chain.add(line(p, q));
            p = q;
        }
        ASSERT_LT(worstJoint(chain), 1e-9);
        for (int step = 0; step < 40; ++step) {
            const int op = int(uniform(0, 4));
            if (op == 0) {
                const int g = int(uniform(0, chain.gripCount()));
                if (chain.gripType(g) != 1) chain.dragGrip(g, V(uniform(-3, 3), uniform(-3, 3)));
            } else if (op == 1) {
                chain.move(V(uniform(-5, 5), uniform(-5, 5)));
            } else if (op == 2) {
                chain.rotate(V(uniform(-5, 5), uniform(-5, 5)), uniform(-3, 3));
            } else {
                chain.mirror(V(uniform(-5, 5), uniform(-5, 5)), V(uniform(-5, 5), uniform(-5, 5)));
            }
            ASSERT_LT(worstJoint(chain), 1e-6) << "trial " << trial << " step " << step << " op " << op;
        }
    }
}

TEST(PolyComposite, ReverseTurnsTheChainAround) {
    ZVDPolyComposite chain;
    ZVDLine* a = line({0, 0}, {10, 0});
    ZVDArc* b = arc({10, 0}, {20, 0}, 5, zgp::CArc2d::CCW_SMALL);
    chain.add(a);
    chain.add(b);
    chain.reverse();
    ASSERT_EQ(chain.items(0), b);
    expectNear(b->startPt(), {20, 0});
    expectNear(b->endPt(), {10, 0});
    expectNear(b->centerPt(), {15, 0});
    EXPECT_EQ(static_cast<zgp::CArc2d*>(b->line(0))->Sense(), -1);  // the same half circle, now clockwise
    expectNear(a->startPt(), {10, 0});
    expectNear(a->endPt(), {0, 0});
    EXPECT_LT(worstJoint(chain), 1e-9);
}

TEST(PolyComposite, InsertSnapshotsAndProperties) {
    ZVDPolyComposite chain;
    ZVDLine *a = line({0, 0}, {1, 0}), *b = line({1, 0}, {2, 0}), *c = line({2, 0}, {3, 0});
    chain.add(b);
    chain.add_front(a);
    chain.insert(7, c);  // out of range: appended
    chain.insert(0, a);  // held already: nothing
    ASSERT_EQ(chain.count(), 3);
    EXPECT_EQ(chain.items(0), a);
    EXPECT_EQ(chain.items(2), c);

    std::unique_ptr<ZVDCoordData> snap(chain.createCoordData());
    chain.move({5, 5});
    chain.setCoordData(*snap);
    EXPECT_EQ(chain.items(1), b);  // the same child, given its old geometry
    expectNear(b->startPt(), {1, 0});

    EXPECT_EQ(chain.propTypes(), a->propTypes());
    chain.setPropValue(vdpLineWidth, L"3");
    EXPECT_EQ(c->lineWidth(), 3);
    EXPECT_EQ(chain.propValue(vdpLineWidth), L"3");
    EXPECT_TRUE(ZVDPolyComposite().propTypes().empty());
    EXPECT_EQ(ZVDComposite().propTypes(), (std::set<ZVDEPropType>{vdpExtData, vdpColor}));  // a plain one: the base's

    ZVDPolyComposite copy;
    copy.assign(chain);  // empty: takes clones
    ASSERT_EQ(copy.count(), 3);
    EXPECT_NE(copy.items(0), a);
    chain.items(0)->move({1, 0});
    copy.assign(chain);  // not empty: child k from child k
    EXPECT_EQ(copy.count(), 3);
    expectNear(static_cast<ZVDLine*>(copy.items(0))->startPt(), {1, 0});
}

TEST(PolyComposite, ClearErasesThroughTheDrawing) {
    ZVectorDrawing drawing;
    auto* chain = new ZVDPolyComposite;
    chain->add(line({0, 0}, {1, 0}));
    chain->add(line({1, 0}, {2, 0}));
    drawing.add(chain);
    docfix::Recorder rec;
    drawing.attachObserver(&rec);
    chain->clear();
    EXPECT_EQ(chain->count(), 0);
    int erased = 0;
    for (const docfix::Event& e : rec.events) erased += e.code == vdnItemErasing;
    EXPECT_EQ(erased, 2);
    drawing.detachObserver(&rec);
}
