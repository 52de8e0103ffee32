// zvd tests: ZVDComposite — ownership of children, container operations, editing and grips over
// the children, copies and snapshots, drawing, and persistence of the children.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include <QDomDocument>
#include <QDomElement>

#include "support/docitems.h"
#include "zvd/entities/zvdcomposite.h"

using docfix::Bytes;
using docfix::TestLine;
using zgp::CBox2;
using zgp::CVec2;

namespace {

// Builds a composite of two lines; every test checks that no line leaked or died twice.
struct CompositeTest : ::testing::Test {
    void SetUp() override {
        alive = TestLine::s_alive;
        c.reset(new ZVDComposite);
        a = new TestLine({0, 0}, {10, 0});
        b = new TestLine({0, 5}, {4, 20});
        c->add(a);
        c->add(b);
    }
    void TearDown() override {
        c.reset();
        EXPECT_EQ(TestLine::s_alive, alive);
    }
    TestLine* at(ZVDEntity* container, int i) { return static_cast<TestLine*>(container->items(i)); }
    int alive = 0;
    std::unique_ptr<ZVDComposite> c;
    TestLine *a = nullptr, *b = nullptr;
};

}  // namespace

TEST_F(CompositeTest, MembershipAddRemoveAndDelete) {
    c->add(a);  // held already, or itself: nothing
    c->add(c.get());
    EXPECT_EQ(c->count(), 2);

    ZVDComposite other;
    other.add(a);  // moves it
    EXPECT_EQ(c->indexOf(a), -1);
    EXPECT_EQ(a->parent(), &other);
    c->add(a);
    EXPECT_EQ(other.count(), 0);

    c->remove(a);  // handed back alive, parent pointer left as it was
    EXPECT_EQ(a->parent(), c.get());
    EXPECT_EQ(c->count(), 1);
    c->add(a);  // the stale parent pointer must not pass for membership
    EXPECT_EQ(c->count(), 2);

    const int before = TestLine::s_alive;
    c->erase(5);
    c->del(a);
    EXPECT_EQ(TestLine::s_alive, before - 1);
    EXPECT_EQ(c->items(0), b);
    EXPECT_EQ(c->items(1), nullptr);
    auto* nested = new ZVDComposite;
    nested->add(new TestLine);
    c->add(nested);
    c->clear();
    EXPECT_EQ(c->count(), 0);
    EXPECT_EQ(TestLine::s_alive, before - 2);
}

TEST_F(CompositeTest, EditingHitsAndGripsCoverAllChildren) {
    EXPECT_TRUE(c->hitTest({2, 10}, 0));
    EXPECT_FALSE(c->hitTest({8, 10}, 0));
    EXPECT_TRUE(c->hitSelect({-1, -1}, {11, 1}, 0));  // holds the first child only: enough
    EXPECT_FALSE(c->hitSelect({20, 20}, {30, 30}, 0));

    c->move({1, 1});
    EXPECT_EQ(c->outRect(), (CBox2<double>(1, 1, 11, 21)));
    ASSERT_EQ(c->gripCount(), 1);
    EXPECT_EQ(c->grip(0), (CVec2<double>(6, 11)));
    EXPECT_TRUE(c->dragGrip(0, {0, -1}));
    EXPECT_EQ(b->p2, (CVec2<double>(5, 20)));
    EXPECT_TRUE(ZVDEntity::isEmptyBox(ZVDComposite().outRect()));
}

TEST_F(CompositeTest, CopiesTransformsAndSnapshots) {
    ZVDComposite target;
    target.add(new TestLine);
    target.assign(*c);  // existing children stay; copies are appended
    ASSERT_EQ(target.count(), 3);
    EXPECT_NE(target.items(2), b);
    EXPECT_EQ(at(&target, 2)->p2, b->p2);

    zgp::CMatrix3<double> shift = zgp::CMatrix3<double>::Translation({100, 0});
    std::unique_ptr<ZVDEntity> moved(c->transform(&shift));
    ASSERT_EQ(moved->count(), 2);
    EXPECT_EQ(at(moved.get(), 0)->p2, (CVec2<double>(110, 0)));
    EXPECT_EQ(a->p2, (CVec2<double>(10, 0)));

    std::unique_ptr<ZVDCoordData> snapshot(c->createCoordData());
    c->move({5, 5});
    c->erase(1);
    c->setCoordData(*snapshot);
    ASSERT_EQ(c->count(), 2);
    EXPECT_EQ(at(c.get(), 1)->p1, (CVec2<double>(0, 5)));
}

TEST_F(CompositeTest, DrawOffersEveryPassToTheChildren) {
    alignas(16) static char storage[64];  // the test item's hooks never read the transform
    const ZCoordTrans& trans = *reinterpret_cast<const ZCoordTrans*>(storage);
    for (int level = 0; level <= 3; ++level) c->draw(nullptr, trans, false, level);
    c->setSelected(true);
    c->draw(nullptr, trans, false, 1);
    c->draw(nullptr, trans, true, -1);
    EXPECT_EQ(b->hooks, "NSE");
}

TEST_F(CompositeTest, XmlKeepsChildrenAndSkipsUnknownTypes) {
    ZVectorDrawing drawing;
    c->setExtData(L"group");
    a->setExtData(L"first");
    b->setColor(42);
    QDomDocument doc;
    QDomElement e = doc.createElement("DI");
    doc.appendChild(e);
    c->saveToXMLNode(e, drawing.xmlAttrNames());
    ASSERT_EQ(e.elementsByTagName("DI").count(), 2);
    QDomElement alien = doc.createElement("Other");
    alien.setAttribute("DIT", 250);
    e.insertBefore(alien, e.firstChildElement());

    auto* loaded = new ZVDComposite;
    loaded->setOwner(&drawing);
    loaded->loadFromXMLNode(e, drawing.xmlAttrNames());
    ASSERT_EQ(loaded->count(), 2);
    EXPECT_EQ(loaded->extData(), L"group");  // not mixed with the children's text
    EXPECT_EQ(loaded->items(0)->extData(), L"first");
    EXPECT_EQ(loaded->items(1)->color(), 42);
    EXPECT_EQ(loaded->items(1)->owner(), &drawing);
    drawing.add(loaded);
    EXPECT_EQ(drawing.find(loaded->items(1)->iD()), loaded->items(1));
}

TEST_F(CompositeTest, StreamKeepsNestingAndRejectsBadInput) {
    auto* nested = new ZVDComposite;
    nested->add(new TestLine);
    nested->items(0)->setExtData(L"deep");
    c->add(nested);
    std::stringstream s = docfix::binaryStream();
    c->saveToStream(&s);
    const std::string bytes = s.str();
    {
        std::stringstream in = docfix::binaryStream(bytes);
        ZVDComposite loaded;
        ASSERT_TRUE(loaded.loadFromStream(&in));
        ASSERT_EQ(loaded.count(), 3);
        EXPECT_EQ(loaded.items(2)->items(0)->extData(), L"deep");
        EXPECT_EQ(in.peek(), std::char_traits<char>::eof());
    }
    // Truncation; an unknown child type; a count beyond the data; nesting deeper than any loader
    // accepts. `head` is a composite's common fields (type 11, identifier 1), before its child count.
    Bytes common;
    common.put<uint8_t>(11).put<int32_t>(1).put<int32_t>(-1).put<int32_t>(-1).put<int32_t>(0).put<int32_t>(0);
    const std::string head = common.put<int32_t>(0).put<int32_t>(-1).put<int32_t>(-1).put(1.0).str();
    std::string deep;
    for (int i = 0; i < 400; ++i) deep += head + Bytes().put<int32_t>(1).str();
    for (const std::string& bad :
         {bytes.substr(0, bytes.size() - 1), head + Bytes().put<int32_t>(1).put<uint8_t>(250).str(),
          head + Bytes().put<int32_t>(0x7fffffff).str(), deep}) {
        std::stringstream in = docfix::binaryStream(bad);
        ZVDComposite loaded;
        EXPECT_FALSE(loaded.loadFromStream(&in));
    }
}
