// zvd tests: block references: copies through the matrix, nesting, cycles and singular matrices,
// editing and grips, both file forms; and their reference picture.
#include <gtest/gtest.h>

#include <sstream>

#include "persistence/test_xml_support.h"
#include "render/reference_image.h"
#include "zgp/builders.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/entities/zvdblockreference.h"

using reftest::V;
using M = zgp::CMatrix3<double>;

namespace {

ZVDBlockReference* refTo(ZVDBlockDefinition* def, const M& m) {
    auto* r = new ZVDBlockReference;
    r->setBlockDefinition(def);
    r->setTransformMatrix(&m);
    return r;
}

zgp::CPolygon* square(double x, double y, double side) {
    auto* p = new zgp::CPolygon;
    p->AddLoop(zgp::ZLoopBuilder::CreateRect(zgp::CBox2<double>(x, y, x + side, y + side)));
    return p;
}

// Definition D: a line from (0, 0) to (10, 0). E: a reference to D moved by (0, 20), and a line.
struct BlockRefs : ::testing::Test {
    BlockRefs() {
        d->add(reftest::line(V(0, 0), V(10, 0)));
        e->add(refTo(d, M::Translation(V(0, 20))));
        e->add(reftest::line(V(0, 0), V(0, 5)));
    }
    ZVectorDrawing drawing;
    ZVDBlockDefinition* d = drawing.blockDefinitionTable()->add(L"D");
    ZVDBlockDefinition* e = drawing.blockDefinitionTable()->add(L"E");
};

}  // namespace

// Boxes and hits of copies, worked out by hand: D turned a quarter left and moved by (100, 0)
// runs from (100, 0) to (100, 10); E moved by (50, 50) holds D at y 70 and its own line.
TEST_F(BlockRefs, CopiesAreBoundedAndHitThroughTheMatrix) {
    auto* turned = refTo(d, M::Rotation(M_PI / 2) * M::Translation(V(100, 0)));
    auto* nested = refTo(e, M::Translation(V(50, 50)));
    drawing.add(turned);
    drawing.add(nested);
    const zgp::CBox2<double> box = turned->outRect();
    EXPECT_NEAR(box.min.x, 100, 1e-9);
    EXPECT_NEAR(box.max.y, 10, 1e-9);
    EXPECT_EQ(nested->outRect(), zgp::CBox2<double>(50, 50, 60, 70));
    std::set<EnVDIType> all;
    EXPECT_EQ(drawing.hitTest(V(100, 5), 0.1, all), turned);
    EXPECT_EQ(drawing.hitTest(V(5, 0), 0.1, all), nullptr);  // the definition itself is not drawn
    EXPECT_EQ(drawing.hitTest(V(55, 70), 0.1, all), nested);
    EXPECT_EQ(drawing.hitTest(V(50, 53), 0.1, all), nested);
    EXPECT_TRUE(turned->hitSelect(V(99, -1), V(101, 11), 0));
    EXPECT_FALSE(turned->hitSelect(V(99, -1), V(101, 9), 0));  // window: the copy is not inside
}

// Bad input: no definition, a definition that shows itself (directly or through another), a
// matrix that places nothing. Nothing hangs or crashes; each shows what it can place, or nothing.
TEST_F(BlockRefs, MissingCyclicAndSingularReferencesShowNothingMore) {
    auto* none = refTo(nullptr, M());
    EXPECT_TRUE(ZVDEntity::isEmptyBox(none->outRect()));
    EXPECT_FALSE(none->hitTest(V(0, 0), 100));
    d->add(refTo(d, M::Translation(V(0, 1))));  // D shows itself...
    d->add(refTo(e, M()));                       // ...and E, which shows D again
    auto* cyclic = refTo(d, M());
    EXPECT_EQ(cyclic->outRect(), zgp::CBox2<double>(0, 0, 10, 5));  // D's line and E's line, once
    EXPECT_FALSE(cyclic->hitTest(V(5, 1), 0.1));
    EXPECT_TRUE(cyclic->hitTest(V(0, 4), 0.1));
    // Forty definitions, each showing the one before four times: the copies stop at a budget.
    ZVDBlockDefinition* level = d;
    for (int k = 0; k < 40; ++k) {
        ZVDBlockDefinition* next = drawing.blockDefinitionTable()->add(std::to_wstring(k));
        for (int j = 0; j < 4; ++j) next->add(refTo(level, M::Translation(V(j, 0))));
        level = next;
    }
    std::unique_ptr<ZVDEntity> huge(refTo(level, M()));
    EXPECT_FALSE(huge->hitTest(V(-50, -50), 0.1));
    auto* flat = refTo(d, M::Scaling(0, 1));
    EXPECT_TRUE(ZVDEntity::isEmptyBox(flat->outRect()));
    EXPECT_FALSE(flat->hitTest(V(0, 0), 1));
    const M noWeight(1, 0, 0, 0, 1, 0, 3, 4, 0);
    flat->setTransformMatrix(&noWeight);
    EXPECT_EQ(flat->grip(0), V(3, 4));
    HDC hdc = createRecordingDC();
    for (ZVDEntity* r : {static_cast<ZVDEntity*>(none), static_cast<ZVDEntity*>(cyclic), static_cast<ZVDEntity*>(flat)}) {
        r->draw(hdc, ZCoordTrans(), false, -1);
        delete r;
    }
    destroyDC(hdc);
}

TEST_F(BlockRefs, EditingMovesTheMatrixAndTheGripCarriesTheBoundary) {
    auto* r = refTo(d, M());
    r->setClipBoundary(square(0, 0, 4));
    drawing.add(r);
    r->move(V(5, 3));
    EXPECT_EQ(r->grip(0), V(5, 3));
    EXPECT_EQ(r->clipBoundary()->Box(), zgp::CBox2<double>(0, 0, 4, 4));
    r->dragGrip(0, V(1, 1));
    EXPECT_EQ(r->grip(0), V(6, 4));
    EXPECT_EQ(r->clipBoundary()->Box(), zgp::CBox2<double>(1, 1, 5, 5));
    r->mirror(V(0, 0), V(0, 1));  // across the y axis: the line now runs from (-6, 4) to (-16, 4)
    EXPECT_EQ(r->outRect(), zgp::CBox2<double>(-16, 4, -6, 4));
    M scale = M::Scaling(2, 2);
    std::unique_ptr<ZVDEntity> big(r->transform(&scale));
    EXPECT_EQ(static_cast<ZVDBlockReference*>(big.get())->clipBoundary()->Box(), zgp::CBox2<double>(2, 2, 10, 10));
    EXPECT_EQ(big->outRect(), zgp::CBox2<double>(-32, 8, -12, 8));
}

// A stream record with a boundary saves back byte for byte; a drawing keeps a top-level reference
// through the binary stream and a nested one through XML (whose loader skips top-level ones).
TEST_F(BlockRefs, BothFileFormsReadBack) {
    auto* r = refTo(e, M::Rotation(0.5) * M::Translation(V(7, 8)));
    r->setClipBoundary(square(1, 2, 3));
    drawing.add(r);
    auto* group = new ZVDComposite;
    group->add(refTo(d, M::Translation(V(0, 40))));
    drawing.add(group);
    const std::string record = docfix::streamOf(*r);
    std::stringstream in = docfix::binaryStream(record);
    ZVDBlockReference back;
    back.setOwner(&drawing);
    ASSERT_TRUE(back.loadFromStream(&in));
    EXPECT_EQ(back.blockDefinition(), e);
    EXPECT_EQ(docfix::streamOf(back), record);
    for (EnVDSaveFormat format : {vdsfBinary, vdsfXML}) {
        ZVectorDrawing loaded;
        std::stringstream bytes = docfix::binaryStream(xmlfix::saveIn(drawing, format));
        ASSERT_TRUE(loaded.loadFromStream(&bytes));
        ASSERT_EQ(loaded.count(), format == vdsfXML ? 1 : 2);
        auto* nested = dynamic_cast<ZVDBlockReference*>(loaded.item(loaded.count() - 1)->items(0));
        ASSERT_TRUE(nested);
        EXPECT_EQ(nested->blockDefinition(), loaded.blockDefinitionTable()->item(0));
        EXPECT_EQ(nested->outRect(), zgp::CBox2<double>(0, 40, 10, 40));
    }
    // A "Transform" that is not nine numbers keeps the matrix; a missing definition reads as none.
    QDomElement element = docfix::xmlOf(*r, drawing.xmlAttrNames());
    element.setAttribute("Transform", "1,2,3");
    element.setAttribute("BDID", 99);
    back.loadFromXMLNode(element, drawing.xmlAttrNames());
    EXPECT_EQ(back.transformMatrix(), r->transformMatrix());
    EXPECT_EQ(back.blockDefinition(), nullptr);
}

// A house and a tree in one definition, placed four times: as defined, turned and shrunk,
// mirrored, and selected.
TEST(BlockReferenceReference, RasterPictureMatchesCommittedImage) {
    const QImage image = reftest::renderDrawing(400, 300, [](ZVectorDrawing& drawing) {
        ZVDBlockDefinition* def = drawing.blockDefinitionTable()->add(L"house");
        for (auto [s, e] : {std::pair{V(0, 0), V(60, 0)}, {V(60, 0), V(60, 40)}, {V(60, 40), V(0, 40)},
                            {V(0, 40), V(0, 0)}, {V(0, 40), V(30, 70)}, {V(30, 70), V(60, 40)}})
            def->add(reftest::styled(reftest::line(s, e), 0x000000, 2));
        def->add(reftest::styled(reftest::circle(V(85, 45), 15), 0x008000, 2));
        reftest::add(drawing, refTo(def, M::Translation(V(20, 170))));
        reftest::add(drawing, refTo(def, M::Scaling(0.6, 0.6) * M::Rotation(0.4) * M::Translation(V(230, 170))));
        reftest::add(drawing, refTo(def, M::Mirror(V(0, 0), V(0, 1)) * M::Translation(V(140, 30))));
        reftest::add(drawing, refTo(def, M::Translation(V(260, 30))), true);
    });
    reftest::expectMatchesReference(image, QStringLiteral("blockrefs.png"));
}
