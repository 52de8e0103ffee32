// zvd tests: ZVDPolyline: grips and drags, stretching, reports, copies, layouts, bad records.
#include "curve_items.h"
#include "zvd/entities/zvdpolyline.h"

using namespace itemfix;
using zgp::CLine2d;
using zgp::CLoop;

namespace {

struct Seg {
    V start, end, centre;
    double radius;
};

void expectChain(ZVDPolyline& p, const std::vector<Seg>& want, const char* what) {
    ASSERT_EQ(p.xLineCount(), int(want.size())) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        const zgp::CCurve2d* c = p.line(int(i));
        EXPECT_LT(c->StartPoint().DistanceTo(want[i].start), 1e-9) << what << " start of " << i;
        EXPECT_LT(c->EndPoint().DistanceTo(want[i].end), 1e-9) << what << " end of " << i;
        ASSERT_EQ(c->Type(), want[i].radius > 0 ? zgp::GT_ARC : zgp::GT_LINE) << what << " kind of " << i;
        if (want[i].radius > 0) {
            const auto* a = static_cast<const CArc2d*>(c);
            EXPECT_LT(a->CenterPt().DistanceTo(want[i].centre), 1e-9) << what << " centre of " << i;
            EXPECT_NEAR(a->Radius(), want[i].radius, 1e-9) << what << " radius of " << i;
        }
    }
}

// (0,0)-(10,0) straight, a half circle of radius 5 below the x axis to (20,0), then up to (20,10).
const std::vector<Seg> kShape = {{{0, 0}, {10, 0}, {}, 0}, {{10, 0}, {20, 0}, {15, 0}, 5}, {{20, 0}, {20, 10}, {}, 0}};

CLoop* chainOf(const std::vector<Seg>& segs) {
    auto* loop = new CLoop();
    for (const Seg& s : segs) {
        if (s.radius > 0)
            loop->AddCurve(new CArc2d(s.start, s.end, s.radius, CArc2d::CCW_SMALL), false);
        else
            loop->AddCurve(new CLine2d(s.start, s.end), false);
    }
    return loop;
}

struct PolylineTest : itemfix::ReportingDrawing {
    PolylineTest() {
        drawing.add(poly);
        reset(kShape);
    }
    void reset(const std::vector<Seg>& segs) {
        zgp::CRefPtr<CLoop> loop(chainOf(segs));
        poly->setPolyline(*loop);
        rec.events.clear();
    }
    ZVDPolyline* poly = new ZVDPolyline;
};

}  // namespace

TEST_F(PolylineTest, SevenGripsForThreeSegments) {
    const V expected[] = {{0, 0}, {5, 0}, {10, 0}, {15, -5}, {20, 0}, {20, 5}, {20, 10}};
    ASSERT_EQ(poly->gripCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_LT(poly->grip(i).DistanceTo(expected[i]), 1e-9) << i;
        EXPECT_EQ(poly->gripType(i), 2) << i;
    }
    poly->setShowGrip(false);
    EXPECT_EQ(poly->gripCount(), 0);
    ZVDPolyline empty;
    EXPECT_EQ(empty.gripCount(), 0);
    EXPECT_FALSE(empty.dragGrip(0, {1, 1}));
}

// End-grip drags keep the arc's height 5 over the moved chord of 8 from (a, 0): centre (a + 4, -0.9),
// radius 4.1 (16 + c^2 = (5 + c)^2).
TEST_F(PolylineTest, GripDragsMoveTheRightEnds) {
    const struct {
        int grip;
        V offset;
        std::vector<Seg> after;
    } cases[] = {
        {0, {1, 1}, {{{1, 1}, {10, 0}, {}, 0}, kShape[1], kShape[2]}},
        {1, {0, 3}, {{{0, 3}, {10, 3}, {}, 0}, kShape[1], kShape[2]}},
        {2, {2, 0}, {{{0, 0}, {12, 0}, {}, 0}, {{12, 0}, {20, 0}, {16, -0.9}, 4.1}, kShape[2]}},
        {3, {0, -1}, {kShape[0], {{9, 0}, {21, 0}, {15, 0}, 6}, kShape[2]}},
        {4, {-2, 0}, {kShape[0], {{10, 0}, {18, 0}, {14, -0.9}, 4.1}, {{18, 0}, {20, 10}, {}, 0}}},
        {5, {-1, 2}, {kShape[0], kShape[1], {{19, 2}, {19, 12}, {}, 0}}},
        {6, {0, 5}, {kShape[0], kShape[1], {{20, 0}, {20, 15}, {}, 0}}},
    };
    for (const auto& c : cases) {
        reset(kShape);
        const std::string what = "grip " + std::to_string(c.grip);
        EXPECT_TRUE(poly->dragGrip(c.grip, c.offset)) << what;
        EXPECT_EQ(reports(), 1) << what;
        expectChain(*poly, c.after, what.c_str());
    }
    reset({{{0, 0}, {10, 0}, {}, 0}, {{10, 0}, {10, 10}, {}, 0}});
    EXPECT_TRUE(poly->dragGrip(2, {1, 2}));
    expectChain(*poly, {{{0, 0}, {11, 2}, {}, 0}, {{11, 2}, {10, 10}, {}, 0}}, "joint");
    EXPECT_FALSE(poly->dragGrip(-1, {1, 1}));
    EXPECT_FALSE(poly->dragGrip(5, {1, 1}));
    reset(kShape);
    EXPECT_FALSE(poly->dragGrip(3, {0, 5}));
    EXPECT_EQ(reports(), 0);
    expectChain(*poly, kShape, "refused");
}

TEST_F(PolylineTest, StretchMovesOnlyTheEndsInsideTheBox) {
    poly->stretch(CBox2<double>(9, -1, 11, 1), {2, 0});
    EXPECT_EQ(reports(), 1);
    expectChain(*poly, {{{0, 0}, {12, 0}, {}, 0}, {{12, 0}, {20, 0}, {16, -0.9}, 4.1}, kShape[2]}, "stretch");
    poly->stretch(CBox2<double>(50, 50, 60, 60), {2, 0});
    EXPECT_EQ(reports(), 0);
    poly->stretch(CBox2<double>(-1, -6, 21, 11), {1, 1});  // holds everything: a move
    EXPECT_EQ(reports(), 1);
    EXPECT_LT(poly->grip(6).DistanceTo({21, 11}), 1e-9);
}

TEST_F(PolylineTest, EveryEditReportsOnce) {
    poly->move({1, 2});
    EXPECT_EQ(reports(), 1);
    poly->rotate({1, 2}, 3.14159265358979323846);  // back through the half turn about (1, 2)
    EXPECT_EQ(reports(), 1);
    expectChain(*poly, {{{1, 2}, {-9, 2}, {}, 0}, {{-9, 2}, {-19, 2}, {-14, 2}, 5}, {{-19, 2}, {-19, -8}, {}, 0}},
                "rotate");
    reset(kShape);
    poly->mirror({0, 1}, {1, 1});  // across y = 1: the arc now bulges upwards
    EXPECT_EQ(reports(), 1);
    EXPECT_LT(poly->grip(3).DistanceTo({15, 7}), 1e-9);
    EXPECT_LT(poly->grip(6).DistanceTo({20, -8}), 1e-9);

    reset(kShape);
    std::unique_ptr<ZVDCoordData> snap(poly->createCoordData());
    EXPECT_EQ(snap->iD(), poly->iD());
    poly->move({5, 5});
    rec.events.clear();
    poly->setCoordData(*snap);
    EXPECT_EQ(reports(), 1);
    expectChain(*poly, kShape, "snapshot");

    // setXLines puts the caller's curve itself in the chain, with a reference of its own.
    zgp::CRefPtr<zgp::CCurve2d> replacement(new CLine2d(V(0, 0), V(0, -7)));
    poly->setXLines(2, replacement.Get());
    EXPECT_EQ(reports(), 1);
    EXPECT_EQ(poly->line(2), replacement.Get());
    EXPECT_EQ(replacement->RefCount(), 2);
    poly->setXLines(3, replacement.Get());
    EXPECT_EQ(reports(), 0);
}

TEST_F(PolylineTest, TransformGivesAnIndependentCopy) {
    poly->setColor(0x123456);
    // A quarter turn counter-clockwise, then (5, 0) along: (x, y) -> (5 - y, x).
    zgp::CMatrix3<double> m(0, 1, 0, -1, 0, 0, 5, 0, 1);
    rec.events.clear();
    std::unique_ptr<ZVDEntity> copy(poly->transform(&m));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(reports(), 0);
    ASSERT_EQ(copy->itemType(), vdiPolyline);
    EXPECT_EQ(copy->color(), 0x123456);
    expectChain(*static_cast<ZVDPolyline*>(copy.get()),
                {{{5, 0}, {5, 10}, {}, 0}, {{5, 10}, {5, 20}, {5, 15}, 5}, {{5, 20}, {-5, 20}, {}, 0}}, "transform");
    expectChain(*poly, kShape, "original");
    zgp::CMatrix3<double> flat(1, 0, 0, 0, 0, 0, 0, 0, 1);
    std::unique_ptr<ZVDEntity> none(poly->transform(&flat));
    EXPECT_EQ(static_cast<ZVDPolyline*>(none.get())->xLineCount(), 0);
}

// An arc starting at angle 0 and a line from its end keep every written number exact.
TEST_F(PolylineTest, LayoutsOfBothFormats) {
    reset({{{20, 0}, {10, 0}, {15, 0}, 5}, {{10, 0}, {0, 0}, {}, 0}});
    QDomElement el = docfix::xmlOf(*poly, drawing.xmlAttrNames());
    EXPECT_EQ(el.attribute("PL").toStdString(),
              "20.00000000000000000000,0.00000000000000000000,5.00000000000000000000,1;"
              "10.00000000000000000000,0.00000000000000000000,0.00000000000000000000,0;"
              "0.00000000000000000000,0.00000000000000000000,0.00000000000000000000,0");
    const std::string out = docfix::streamOf(*poly);
    Bytes tail;  // the count, then per vertex the arc flag, the point and, for an arc, its radius
    tail.put<int16_t>(3).put<uint8_t>(1).put(20.0).put(0.0).put(5.0);
    tail.put<uint8_t>(0).put(10.0).put(0.0).put<uint8_t>(0).put(0.0).put(0.0);
    EXPECT_EQ(out.substr(out.size() - tail.str().size()), tail.str());
}

TEST_F(PolylineTest, EmptyPolylineWritesNoRecord) {
    ZVDPolyline empty;
    QDomElement el = docfix::xmlOf(empty, drawing.xmlAttrNames());
    ASSERT_TRUE(el.hasAttribute("PL"));
    EXPECT_EQ(el.attribute("PL"), "");
    poly->loadFromXMLNode(el, drawing.xmlAttrNames());
    EXPECT_EQ(poly->xLineCount(), 0);
    const std::string out = docfix::streamOf(empty);
    EXPECT_EQ(out.substr(out.size() - 2), Bytes().put<int16_t>(0).str());
    // One record alone, or none but empty ones, makes no segment either.
    el.setAttribute("PL", "1,2,0,0;;");
    poly->loadFromXMLNode(el, drawing.xmlAttrNames());
    EXPECT_EQ(poly->xLineCount(), 0);
}

TEST(PolylineStream, CountsBeyondTheDataFailTheWholeLoad) {
    ZVectorDrawing source;
    source.add(new ZVDPolyline);
    std::stringstream saved = docfix::binaryStream();
    ASSERT_TRUE(source.saveToStream(&saved, vdsfBinary, false));
    const std::string head = saved.str().substr(0, saved.str().size() - 2);  // without the count 0
    const std::string vertex = Bytes().put<uint8_t>(0).put(1.0).put(2.0).str();
    const struct {
        std::string geometry;
        bool ok;
        int segments;
    } cases[] = {
        {Bytes().put<int16_t>(2).str() + vertex + vertex, true, 1},
        {Bytes().put<int16_t>(-5).str(), true, 0},
        {Bytes().put<int16_t>(3).str() + vertex + vertex, false, 0},
        {Bytes().put<int16_t>(32767).str() + vertex, false, 0},
        {Bytes().put<int16_t>(2).put<uint8_t>(1).put(0.0).put(0.0).str() + vertex, false, 0},  // radius missing
    };
    for (const auto& c : cases) {
        ZVectorDrawing d;
        std::stringstream in = docfix::binaryStream(head + c.geometry);
        ASSERT_EQ(d.loadFromStream(&in), c.ok) << c.geometry.size();
        ASSERT_EQ(d.count(), c.ok ? 1 : 0);
        if (c.ok) {
            EXPECT_EQ(static_cast<ZVDPolyline*>(d.item(0))->xLineCount(), c.segments);
        }
    }
}
