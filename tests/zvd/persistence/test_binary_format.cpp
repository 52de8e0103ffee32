// zvd tests: the binary stream: header, round trips, record order, older versions, hostile input.
#include <gtest/gtest.h>

#include <malloc.h>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <tuple>

#include "persistence/zvdbinstream.h"
#include "support/docitems.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdellipse.h"
#include "zvd/entities/zvdhatch.h"
#include "zvd/entities/zvdtext.h"
#include "zvd/entities/zvdline.h"

using docfix::Bytes;
using docfix::TestConstraint;
using docfix::TestLine;

namespace {

size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.arena + m.hblkhd;
}

// Samples the heap at every report the loader makes, so a block reserved for a read count shows.
class HeapWatch : public VDObserver {
public:
    explicit HeapWatch(ZVectorDrawing& d) : m_drawing(d), m_base(heapInUse()) { d.attachObserver(this); }
    ~HeapWatch() override { m_drawing.detachObserver(this); }
    void onNotify(int, std::vector<ZVDEntity*>&, void*) override { sample(); }
    void onNotify(int, ZVDEntity*, void*) override { sample(); }
    bool reported() const { return m_reports > 0; }
    size_t growth() const { return m_peak > m_base ? m_peak - m_base : 0; }

private:
    void sample() {
        ++m_reports;
        m_peak = std::max(m_peak, heapInUse());
    }
    ZVectorDrawing& m_drawing;
    size_t m_base;
    size_t m_peak = 0;
    int m_reports = 0;
};

class TestDimension : public TestLine {
public:
    EnVDIType itemType() const override { return vdiConstraintDimension; }
};

std::string save(ZVectorDrawing& d, bool selectedOnly = false) {
    std::stringstream s = docfix::binaryStream();
    EXPECT_TRUE(d.saveToStream(&s, vdsfBinary, selectedOnly));
    return s.str();
}

bool load(ZVectorDrawing& d, const std::string& bytes) {
    std::stringstream s = docfix::binaryStream(bytes);
    EnVDSaveFormat found = vdsfXML;
    const bool ok = d.loadFromStream(&s, &found);
    EXPECT_EQ(found, vdsfBinary);
    return ok;
}

void expectUpdatesOpen(ZVectorDrawing& d, const std::string& context) {
    std::string log;
    docfix::LogListener update("U", &log);
    d.setOnUpdateDrawing(&update);
    d.notify();
    d.setOnUpdateDrawing(nullptr);
    EXPECT_EQ(log, "U") << context;
}

std::string regression(const char* name) {
    std::ifstream in(std::string(ZVD_REGRESSION_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.is_open()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void expectEmpty(ZVectorDrawing& d, const std::string& context) {
    EXPECT_EQ(d.count(), 0) << context;
    EXPECT_EQ(d.blockDefinitionTable()->count(), 0) << context;
    ASSERT_EQ(d.layers()->count(), 1) << context;
    EXPECT_EQ(d.layers()->item(0)->iD(), 0) << context;
    EXPECT_EQ(d.layers()->item(0)->name(), L"0") << context;
    EXPECT_EQ(d.layers()->curLayer(), d.layers()->item(0)) << context;
    EXPECT_EQ(d.version(), L"3.4") << context;
    EXPECT_EQ(d.changeCount(), 0) << context;
    expectUpdatesOpen(d, context);
}

std::string shortStr(const std::string& bytes) { return std::string(1, char(bytes.size())) + bytes; }
std::string longStr(const std::string& bytes) { return Bytes().put<int32_t>(int32_t(bytes.size())).raw(bytes).str(); }

struct Version {
    const char* text;
    bool extData;       // extension-data strings present (all but "1.0")
    bool ansi;          // strings in the ANSI code page (below 1.9)
    bool blockIds;      // items carry blockTypeID and blockID (above 1.45)
    bool relation;      // items carry relationID (1.6 on)
    bool enable;        // items carry enableType (above 1.7)
    bool scale;         // items carry currentScale (above 1.9)
    bool curveIds;      // curves carry next/previous identifiers (2.1 on)
    bool blockSection;  // block definitions follow the layers (3.1 on)
};

const Version kVersions[] = {
    {"1.0", false, true, false, false, false, false, false, false},
    {"1.1", true, true, false, false, false, false, false, false},
    {"1.5", true, true, true, false, false, false, false, false},
    {"1.8", true, true, true, true, true, false, false, false},
    {"2.0", true, false, true, true, true, true, false, false},
    {"2.5", true, false, true, true, true, true, true, false},
    {"3.0", true, false, true, true, true, true, true, false},
    {"3.1", true, false, true, true, true, true, true, true},
    {"3.3", true, false, true, true, true, true, true, true},
};

const Version& version(const std::string& text) {
    for (const Version& v : kVersions)
        if (text == v.text) return v;
    throw std::logic_error("no such version in the table");
}

// "中文" in the two character sets old and new streams use (the ANSI code page is GB18030).
const std::string kZhAnsi = "\xD6\xD0\xCE\xC4";
const std::string kZhUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

// Common fields; block fields, relation, enabling and scale are 11, 12, 13, 14, 2.5 where present.
std::string commonFields(const Version& v, int type, int id, int layerId, int color, const std::string& ext) {
    Bytes b;
    b.put<uint8_t>(uint8_t(type)).put<int32_t>(id);
    if (v.blockIds) b.put<int32_t>(11).put<int32_t>(12);
    b.put<int32_t>(layerId).put<int32_t>(color);
    if (v.extData) b.raw(longStr(ext));
    if (v.relation) b.put<int32_t>(13);
    if (v.enable) b.put<int32_t>(14);
    if (v.scale) b.put<double>(2.5);
    return b.str();
}

// Curve fields: width 3, style 2, an end mark of size 6 and style 1, identifiers 21 and 22.
std::string curveFields(const Version& v) {
    Bytes b;
    b.put<int16_t>(3).put<uint8_t>(2);
    if (v.text == std::string("1.0") || v.text == std::string("1.1")) {
        b.put<uint8_t>(2).put<int16_t>(6).put<uint8_t>(0);  // position 2 = end; style 0 = arrow
        return b.str();
    }
    b.put<int16_t>(0).put<int16_t>(6).put<uint8_t>(0).put<uint8_t>(1);
    if (v.curveIds) b.put<int32_t>(21).put<int32_t>(22);
    return b.str();
}

std::string arcRecord(const Version& v, int id, zgp::CVec2<double> a, zgp::CVec2<double> b, double r, int type) {
    return commonFields(v, vdiArc, id, 0, 0x0000ff, "") + curveFields(v) +
           Bytes().put(a.x).put(a.y).put(b.x).put(b.y).put(r).put<uint8_t>(uint8_t(type)).str();
}

// Header to the item count: remark, extension data, layers "0" (0) and "中" (5), a definition from 3.1.
std::string header(const Version& v) {
    const std::string zh = v.ansi ? kZhAnsi : kZhUtf8;
    Bytes b;
    b.raw(shortStr("ZelvaroneVectorDrawing")).raw(shortStr(v.text));
    b.put<int32_t>(0x102030).put<int32_t>(640).put<int32_t>(480).raw(longStr(zh));
    if (v.extData) b.raw(longStr("X"));
    b.put<int32_t>(2);
    b.put<int32_t>(0).raw(shortStr("0")).put<int32_t>(0xffffff).put<uint8_t>(1);
    b.put<int32_t>(5).raw(shortStr(kZhAnsi.substr(0, 2))).put<int32_t>(0x00ff00).put<uint8_t>(0);
    if (v.blockSection) {
        b.put<int32_t>(1).put<int32_t>(4).raw(shortStr("blk")).put<double>(1.5).put<double>(-2.0);
        b.put<int32_t>(1).raw(commonFields(v, docfix::kTestLineType, 30, 0, 7, ""));
    }
    return b.str();
}

struct Sample {
    Sample() {
        d.setBackColor(0x0a0b0c);
        d.setDrawingWidth(1000);
        d.setDrawingHeight(-1);
        d.setRemark(L"备注 remark");
        d.setExtData(L"ext");
        ZVDLayer* a = d.layers()->add(L"A");
        a->setColor(0x112233);
        a->setVisible(true);
        d.layers()->add(L"图层");
        ZVDBlockDefinition* def = d.blockDefinitionTable()->add(L"bolt");
        def->setOrigin({3, 4});
        def->add(new TestLine);
        def->add(new TestLine);
        for (int i = 0; i < 3; ++i) {
            auto* t = new TestLine({double(i), 0}, {double(i), 1});
            t->setLayer(d.layers()->item(i));
            d.add(t);
            t->setColor(0x100 * i);
            t->setExtData(i == 2 ? L"ünïcode" : L"");
            t->setBlockTypeID(i);
            t->setBlockID(i + 10);
            t->setRelationID(i + 20);
            t->setEnableType(i + 30);
        }
    }
    ZVectorDrawing d;
};

}  // namespace

TEST(BinaryFormat, NewDrawingWritesTheDocumentedHeader) {
    ZVectorDrawing d;
    d.setBackColor(0x332211);
    d.setDrawingWidth(800);
    d.setDrawingHeight(600);
    d.setRemark(L"中文");
    Bytes b;  // signature, version, colour, size, remark, extension data; layer "0", no definitions, no items
    b.raw(shortStr("ZelvaroneVectorDrawing") + shortStr("3.4")).put<int32_t>(0x332211).put<int32_t>(800);
    b.put<int32_t>(600).raw(longStr(kZhUtf8) + longStr("")).put<int32_t>(1).put<int32_t>(0).raw(shortStr("0"));
    b.put<int32_t>(0xffffff).put<uint8_t>(1).put<int32_t>(0).put<int32_t>(0);
    EXPECT_EQ(save(d), b.str());  // reading it back: the round trip and the older versions below
}

TEST(BinaryFormat, RoundTripIsByteIdenticalAndKeepsEverything) {
    Sample s;
    s.d.erase(1);  // leaves identifiers 0 and 2: a gap that loading must keep
    s.d.add(new TestLine);
    const std::string first = save(s.d);

    ZVectorDrawing back;
    docfix::Recorder rec;
    back.attachObserver(&rec);
    ASSERT_TRUE(load(back, first));
    EXPECT_EQ(save(back), first);

    // Byte equality covers every stored field; these are what the bytes do not show.
    ASSERT_EQ(back.count(), 3);
    EXPECT_EQ(back.item(1)->iD(), 2);
    EXPECT_EQ(back.maxID(), 4);
    EXPECT_EQ(back.find(2), back.item(1));
    ASSERT_EQ(back.blockDefinitionTable()->count(), 1);
    EXPECT_EQ(back.blockDefinitionTable()->item(0)->items(0)->owner(), &back);
    EXPECT_EQ(back.changeCount(), 0);

    // The three items are announced once, as one list (a single item would show as 0).
    std::vector<size_t> added;
    for (const docfix::Event& e : rec.events)
        if (e.code == vdnItemAdded) added.push_back(e.item ? 0 : e.listSize);
    EXPECT_EQ(added, std::vector<size_t>{3});
    back.detachObserver(&rec);
}

TEST(BinaryFormat, ConstraintsAreWrittenAfterEveryOtherItem) {
    ZVectorDrawing d;
    auto* line = new TestLine;
    auto* constraint = new TestConstraint;
    auto* dimension = new TestDimension;
    auto* circle = new TestLine;
    for (ZVDEntity* e : std::vector<ZVDEntity*>{line, dimension, constraint, circle}) d.add(e);
    const std::string all = save(d);
    const size_t itemsAt = all.size() - 4 * (1 + 5 * 4 + 4 + 4 + 4 + 8) - 4;
    EXPECT_EQ(Bytes().put<int32_t>(4).str(), all.substr(itemsAt, 4));
    // Record order: the line and the circle, then the dimension and the constraint as drawn.
    std::stringstream s = docfix::binaryStream(all.substr(itemsAt + 4));
    std::vector<int> ids;
    for (int i = 0; i < 4; ++i) {
        TestLine probe;
        ASSERT_TRUE(probe.loadFromStream(&s));
        ids.push_back(probe.iD());
    }
    EXPECT_EQ(ids, (std::vector<int>{0, 3, 1, 2}));
}

TEST(BinaryFormat, OlderVersionsAreReadByTheirRules) {
    for (const Version& v : kVersions) {
        SCOPED_TRACE(v.text);
        const std::string ext = v.ansi ? "\xCE\xC4" : "\xE6\x96\x87";  // "文"
        const std::string bytes = header(v) + Bytes().put<int32_t>(2).str() +
                                  commonFields(v, docfix::kTestLineType, 7, 5, 0x111111, ext) +
                                  commonFields(v, docfix::kTestLineType, 3, 0, 0x222222, "");
        ZVectorDrawing d;
        ASSERT_TRUE(load(d, bytes));
        EXPECT_EQ(std::make_tuple(d.version(), d.backColor(), d.drawingHeight(), d.remark(), d.extData()),
                  std::make_tuple(L"3.4", 0x102030, 480, L"中文", v.extData ? L"X" : L""));
        ASSERT_EQ(d.layers()->count(), 2);
        EXPECT_EQ(d.layers()->item(1)->name(), L"中");
        EXPECT_EQ(d.blockDefinitionTable()->count(), v.blockSection ? 1 : 0);
        if (v.blockSection) {
            ZVDBlockDefinition* def = d.blockDefinitionTable()->item(0);
            EXPECT_EQ(def->origin(), zgp::CVec2<double>(1.5, -2.0));
            ASSERT_EQ(def->count(), 1);
            EXPECT_EQ(def->items(0)->color(), 7);
        }
        ASSERT_EQ(d.count(), 2);
        ZVDEntity* first = d.item(0);
        EXPECT_EQ(first->layer(), d.layers()->item(1));
        EXPECT_EQ(first->extData(), v.extData ? L"文" : L"");
        EXPECT_EQ(std::make_tuple(first->iD(), first->blockTypeID(), first->blockID(), first->relationID(),
                                  first->enableType(), first->currentScale()),
                  std::make_tuple(7, v.blockIds ? 11 : -1, v.blockIds ? 12 : -1, v.relation ? 13 : -1,
                                  v.enable ? 14 : -1, v.scale ? 2.5 : 1.0));
        EXPECT_EQ(d.item(1)->iD(), 3);
        EXPECT_EQ(d.item(1)->color(), 0x222222);  // the second record was framed correctly
        EXPECT_EQ(d.maxID(), 8);
    }
}

// Before 3.0 only line width (int16, 0 ignored) and style follow the common fields. The ellipse has
// b > a (a = 2 along x, b = 5, eccentric 0 to pi/2): from (2, 0) to (0, 5), read normalised.
TEST(BinaryFormat, CirclesAndEllipsesOfEveryVersion) {
    for (const Version& v : kVersions) {
        SCOPED_TRACE(v.text);
        const bool oldLayout = std::stod(v.text) < 3.0;
        const int oldWidth = v.text == std::string("1.0") ? 0 : 4;
        Bytes circle, ellipse;
        circle.raw(commonFields(v, vdiCircle, 4, 0, 0x00ff00, ""));
        circle.raw(oldLayout ? Bytes().put<int16_t>(oldWidth).put<uint8_t>(1).str() : curveFields(v));
        circle.put(-1.0).put(2.0).put(0.5);
        ellipse.raw(commonFields(v, vdiEllipse, 5, 0, 0xff, ""));
        ellipse.raw(oldLayout ? Bytes().put<int16_t>(4).put<uint8_t>(1).str() : curveFields(v));
        ellipse.put(0.0).put(0.0).put(1.0).put(0.0).put(2.0).put(5.0).put(0.0).put(M_PI).put<int32_t>(1);
        const std::string bytes = header(v) + Bytes().put<int32_t>(3).str() + circle.str() + ellipse.str() +
                                  commonFields(v, docfix::kTestLineType, 3, 0, 0xabcdef, "");
        ZVectorDrawing d;
        ASSERT_TRUE(load(d, bytes));
        ASSERT_EQ(d.count(), 3);
        auto* c = dynamic_cast<ZVDCircle*>(d.item(0));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->centerPt(), zgp::CVec2<double>(-1, 2));
        EXPECT_EQ(c->radius(), 0.5);
        EXPECT_EQ(std::make_tuple(c->lineWidth(), c->lineStyle(), c->endMarkSize(), c->prevItemID()),
                  oldLayout ? std::make_tuple(oldWidth ? 4 : 1, 1, 0, -1) : std::make_tuple(3, 2, 6, 22));
        auto* e = dynamic_cast<ZVDEllipse*>(d.item(1));
        ASSERT_NE(e, nullptr);
        const zgp::CEllipse2d& k = *e->getEllipse2d();
        EXPECT_LT(k.Axis().DistanceTo({0, 1}) + k.StartPoint().DistanceTo({2, 0}) + k.EndPoint().DistanceTo({0, 5}),
                  1e-9);
        EXPECT_NEAR(k.MajorRadius(), 5, 1e-12);
        EXPECT_EQ(e->lineWidth(), oldLayout ? 4 : 3);
        EXPECT_EQ(e->prevItemID(), oldLayout ? -1 : 22);
        EXPECT_EQ(d.item(2)->color(), 0xabcdef);  // the records were framed correctly
    }
}

TEST(BinaryFormat, ArcsBelowThreeAreTestedAndUnbuildableOnesReadAsLines) {
    for (const Version& v : kVersions) {
        const double number = std::stod(v.text);
        if (number > 3.2) continue;  // from 3.3 on arcs store their centre instead of a radius
        SCOPED_TRACE(v.text);
        const bool tested = number < 3.0;
        const std::string bytes = header(v) + Bytes().put<int32_t>(3).str() +
                                  arcRecord(v, 1, {0, 0}, {10, 0}, 5, 1) +  // a half circle
                                  arcRecord(v, 2, {0, 0}, {10, 0}, 1, 2) +  // radius below half the chord
                                  commonFields(v, docfix::kTestLineType, 3, 0, 0xabcdef, "");
        ZVectorDrawing d;
        ASSERT_TRUE(load(d, bytes));
        ASSERT_EQ(d.count(), 3);
        auto* good = dynamic_cast<ZVDArc*>(d.item(0));
        ASSERT_NE(good, nullptr);
        EXPECT_NEAR(good->centerPt().x, 5, 1e-9);
        EXPECT_TRUE(good->lineWidth() == 3 && good->endMarkSize() == 6);
        EXPECT_EQ(d.item(1)->itemType(), tested ? vdiLine : vdiArc);
        if (tested) {
            auto* line = static_cast<ZVDLine*>(d.item(1));
            EXPECT_TRUE(line->startPt() == zgp::CVec2<double>(0, 0) && line->endPt() == zgp::CVec2<double>(10, 0));
            EXPECT_EQ(std::make_pair(line->iD(), int(line->lineWidth())), std::make_pair(2, 3));
        }
        EXPECT_EQ(d.item(2)->color(), 0xabcdef);  // the 9 arc-only bytes were stepped over
    }
}

TEST(BinaryFormat, WrongSignaturesFailAtOnce) {
    ZVectorDrawing fresh;
    const std::string good = save(fresh);
    std::string shortLength = good;
    shortLength[0] = 21;
    std::string wrongText = good;
    wrongText[22] = 'G';
    for (const std::string& bytes : {shortLength, wrongText, std::string(), std::string("\x16Zelvarone")}) {
        Sample s;
        s.d.setChangeCount(5);
        EXPECT_FALSE(load(s.d, bytes));
        expectEmpty(s.d, "signature");
    }
}

TEST(BinaryFormat, TruncatedOrFlippedStreamsFailCleanlyWithoutLeaks) {
    const int alive = TestLine::s_alive;
    std::string bytes;
    {
        Sample s;
        bytes = save(s.d);
    }
    // Every prefix fails (the last record is always incomplete), even over a drawing with content.
    for (size_t n = 0; n < bytes.size(); ++n) {
        ZVectorDrawing d;
        d.add(new TestLine);
        d.blockDefinitionTable()->add(L"old");
        EXPECT_FALSE(load(d, bytes.substr(0, n))) << "prefix " << n;
        expectEmpty(d, "prefix " + std::to_string(n));
        EXPECT_EQ(TestLine::s_alive, alive) << "prefix " << n;
    }
    // Damaged bytes may load or not, but never crash, leak or leave a half-loaded drawing.
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (unsigned char mask : {0x01, 0x80, 0xff}) {
            std::string damaged = bytes;
            damaged[i] = char(damaged[i] ^ mask);
            {
                ZVectorDrawing d;
                if (!load(d, damaged)) expectEmpty(d, "byte " + std::to_string(i));
            }
            EXPECT_EQ(TestLine::s_alive, alive) << "byte " << i;
        }
    }
}

TEST(BinaryFormat, UnknownItemTypeFailsTheWholeLoad) {
    const int alive = TestLine::s_alive;
    const Version& v = version("3.3");
    const std::string bytes = header(v) + Bytes().put<int32_t>(3).str() +
                              commonFields(v, docfix::kTestLineType, 1, 0, 0, "") + commonFields(v, 200, 2, 0, 0, "") +
                              commonFields(v, docfix::kTestLineType, 3, 0, 0, "");
    ZVectorDrawing d;
    EXPECT_FALSE(load(d, bytes));
    expectEmpty(d, "unknown type");
    EXPECT_EQ(TestLine::s_alive, alive);  // the item read before it is gone too
}

TEST(BinaryFormat, HostileCountsAndLengthsCostNoMemory) {
    const Version& v = version("3.3");
    const std::string sig = shortStr("ZelvaroneVectorDrawing") + shortStr("3.3");
    const std::string size = Bytes().put<int32_t>(0).put<int32_t>(0).put<int32_t>(0).str();
    const std::string noStrings = longStr("") + longStr("");
    const std::string layer = Bytes().put<int32_t>(3).raw(shortStr("L")).put<int32_t>(0).put<uint8_t>(1).str();
    const std::string oneLayer = Bytes().put<int32_t>(1).str() + layer;
    const std::string noBlocks = Bytes().put<int32_t>(0).str();
    const std::string item = commonFields(v, docfix::kTestLineType, 1, 0, 0, "");
    const std::string maxInt = Bytes().put<int32_t>(0x7fffffff).str();
    const std::string definition = Bytes().put<int32_t>(1).raw(shortStr("b")).put(0.0).put(0.0).str();
    // Each count claims 2^31 - 1 entries before one good entry: it is read (reported) without the memory.
    const std::string counts[] = {
        sig + size + noStrings + oneLayer + noBlocks + maxInt + item,  // items
        sig + size + noStrings + maxInt + layer,                       // layers
        sig + size + noStrings + oneLayer + maxInt + definition + Bytes().put<int32_t>(1).str() + item,
        sig + size + noStrings + oneLayer + Bytes().put<int32_t>(1).str() + definition + maxInt + item,
    };
    for (size_t i = 0; i < std::size(counts); ++i) {
        ZVectorDrawing d;
        bool ok = true;
        {
            HeapWatch watch(d);
            ok = load(d, counts[i]);
            EXPECT_TRUE(watch.reported()) << "count " << i << " was not read entry by entry";
            EXPECT_LT(watch.growth(), size_t(64) << 20) << "count " << i;
        }
        EXPECT_FALSE(ok) << "count " << i;
        expectEmpty(d, "count " + std::to_string(i));
    }
    const std::string lengths[] = {
        sig + size + maxInt + std::string(64, 'r'),  // remark of 2 GiB
        sig + size + noStrings + oneLayer + noBlocks + Bytes().put<int32_t>(1).str() + item.substr(0, 21) +
            maxInt,                                                                     // item extData
        sig + size + noStrings + oneLayer + noBlocks + Bytes().put<int32_t>(-1).str(),  // negative count
    };
    for (size_t i = 0; i < std::size(lengths); ++i) {
        ZVectorDrawing d;
        EXPECT_FALSE(load(d, lengths[i])) << "length " << i;
        expectEmpty(d, "length " + std::to_string(i));
    }
    // A negative string count is an empty string in older files: the load goes on.
    ZVectorDrawing d;
    EXPECT_TRUE(load(d, sig + size + Bytes().put<int32_t>(-1).put<int32_t>(-7).str() + oneLayer + noBlocks +
                            Bytes().put<int32_t>(1).str() + item));
    EXPECT_EQ(d.remark(), L"");
    EXPECT_EQ(d.count(), 1);
}

// Found by fuzzing. 1: a block-definition name of 255 bytes ending in a 4-byte character was cut
// inside that character when saved, so every save changed the name again. 2: layer names read
// as 255 bytes that each decode to a 4-byte character; cut on saving, two of them became equal.

TEST(BinaryFormat, LongNamesAreCutAtWholeCharactersAndSettle) {
    ZVectorDrawing d;
    d.layers()->add(std::wstring(200, L'中'));                       // 400 bytes in the ANSI code page
    d.blockDefinitionTable()->add(L"x" + std::wstring(127, L'中'));  // 255 bytes: fits as it is
    const std::string first = save(d);
    ZVectorDrawing back;
    ASSERT_TRUE(load(back, first));
    EXPECT_EQ(back.layers()->item(1)->name(), std::wstring(127, L'中'));
    EXPECT_EQ(back.blockDefinitionTable()->item(0)->name(), L"x" + std::wstring(127, L'中'));
    EXPECT_EQ(save(back), first);

    // Names the format cannot hold are cut on the first save (and may then merge); from the
    // second save on the bytes no longer change. A name of 255 bytes is kept whole at once.
    const struct {
        std::string bytes;
        bool settlesAtOnce;
    } findings[] = {{regression("split-name.zvd"), true},
                    {regression("merged-names.zvd"), false}};
    for (const auto& finding : findings) {
        ZVectorDrawing fuzzed, once, twice;
        ASSERT_TRUE(load(fuzzed, finding.bytes));
        const std::string saved = save(fuzzed);
        ASSERT_TRUE(load(once, saved));
        const std::string settled = save(once);
        if (finding.settlesAtOnce) {
            EXPECT_EQ(settled, saved);
        }
        ASSERT_TRUE(load(twice, settled));
        EXPECT_EQ(save(twice), settled);
    }
}

// Found by fuzzing: a layer stored with identifier 2,147,483,647 made the identifier of the next
// new layer ("one above the largest") overflow.

TEST(BinaryFormat, LayerIdentifierAtTheTopDoesNotOverflow) {
    ZVectorDrawing fuzzed;  // sanitizer builds stop here on the overflow
    load(fuzzed, regression("top-layer-id.zvd"));
    ZVectorDrawing d;
    d.layers()->add(L"top")->setID(std::numeric_limits<int>::max());
    EXPECT_EQ(d.layers()->add(L"next")->iD(), 1);  // the lowest free identifier
}

// Found by fuzzing: an old arc with infinite values is kept as read but rebuilt differently by the
// current layout's reader, so its bytes change once; loading and reloading must still succeed.

TEST(BinaryFormat, ArcsWithInfiniteValuesSaveAndReload) {
    ZVectorDrawing fuzzed, again;
    ASSERT_TRUE(load(fuzzed, regression("infinite-arc.zvd")));
    ASSERT_TRUE(load(again, save(fuzzed)));
    EXPECT_EQ(again.count(), fuzzed.count());
    EXPECT_EQ(again.blockDefinitionTable()->count(), fuzzed.blockDefinitionTable()->count());
}

// Found by fuzzing: an item stored with identifier 2,147,483,647 pushed the drawing's identifier
// counter past INT_MAX. The counter now saturates; the load must simply work.

TEST(BinaryFormat, ItemIdentifierAtTheTopDoesNotOverflowTheCounter) {
    ZVectorDrawing fuzzed;
    load(fuzzed, regression("top-item-id.zvd"));  // either answer is fine
    EXPECT_LE(fuzzed.maxID(), std::numeric_limits<int>::max());
    ZVectorDrawing again;
    load(again, save(fuzzed));
}

TEST(BinaryFormat, LoadingReplacesContentAndClosesTheUpdateBracket) {
    Sample source;
    const std::string bytes = save(source.d);

    Sample target;
    std::string log;
    docfix::LogListener update("U", &log), selection("S", &log);
    target.d.setOnUpdateDrawing(&update);
    target.d.setSelSetChangedListener(&selection);
    target.d.layers()->add(L"stale");
    target.d.selSet()->add(target.d.item(0), true);
    target.d.beginUpdate();
    target.d.beginUpdate();
    log.clear();
    ASSERT_TRUE(load(target.d, bytes));
    EXPECT_EQ(log, "US");  // one repaint, then the selection change that clearing made
    expectUpdatesOpen(target.d, "after the load");
    EXPECT_EQ(target.d.layers()->itemByName(L"stale"), nullptr);
    EXPECT_EQ(target.d.blockDefinitionTable()->count(), 1);
    EXPECT_EQ(save(target.d), bytes);
}

// A text record: below 1.9 its strings are ANSI, from 2.1 it ends with the width factor.
TEST(BinaryFormat, TextRecordsOfOlderVersions) {
    for (const char* text : {"1.8", "2.0", "2.5"}) {
        SCOPED_TRACE(text);
        const Version& v = version(text);
        const std::string body = v.ansi ? kZhAnsi : kZhUtf8;
        const std::string font = v.ansi ? "\xCB\xCE\xCC\xE5" : "\xE5\xAE\x8B\xE4\xBD\x93";  // "宋体"
        const bool widthFactor = std::string(text) == "2.5";
        Bytes record;
        record.put<uint16_t>(uint16_t(body.size())).raw(body).put<int16_t>(12).put<float>(0.5f);
        record.put<double>(1.0).put<double>(2.0).put<uint8_t>(0).put<uint8_t>(1).raw(shortStr(font));
        record.put<uint8_t>(2).put<uint8_t>(1).put<int32_t>(0x123);
        if (widthFactor) record.put<float>(0.25f);
        const std::string bytes =
            header(v) + Bytes().put<int32_t>(1).str() + commonFields(v, vdiText, 7, 0, 0x111, "") + record.str();
        ZVectorDrawing d;
        ASSERT_TRUE(load(d, bytes));
        auto* t = dynamic_cast<ZVDText*>(d.item(0));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->text(), L"中文");
        EXPECT_EQ(t->fontName(), L"宋体");
        EXPECT_EQ(std::make_tuple(t->height(), t->angle(), t->insertPt().x, t->insertPt().y, int(t->vertAlignment())),
                  std::make_tuple(short(12), 0.5f, 1.0, 2.0, 1));
        EXPECT_EQ(t->fontStyle(), std::set<EnFontStyle>{fsItalic});
        EXPECT_TRUE(t->transparent());
        EXPECT_EQ(t->backColor(), 0x123);
        EXPECT_EQ(t->getWidthFactor(), widthFactor ? 0.25f : 1.0f);
    }
}

// A hatch record before 2.1: the fill style, an int16 vertex count and per vertex a flag (the arc
// type of the segment that starts there) and the point, the radius first after an arc vertex.
TEST(BinaryFormat, HatchOutlineOfOlderVersions) {
    const Version& v = version("2.0");
    Bytes record;
    record.put<uint8_t>(4).put<int16_t>(3);
    record.put<uint8_t>(0).put<double>(0).put<double>(0);   // line to the next vertex
    record.put<uint8_t>(1).put<double>(10).put<double>(0);  // counter-clockwise arc to the next
    record.put<double>(5).put<uint8_t>(0).put<double>(10).put<double>(10);
    const std::string bytes =
        header(v) + Bytes().put<int32_t>(1).str() + commonFields(v, vdiHatch, 9, 0, 0x123456, "") + record.str();
    ZVectorDrawing d;
    ASSERT_TRUE(load(d, bytes));
    auto* h = dynamic_cast<ZVDHatch*>(d.item(0));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->fillStyle(), bsFDiagonal);
    ASSERT_NE(h->xPoly(), nullptr);
    ASSERT_EQ(h->xPoly()->CoedgeCount(), 3);
    const zgp::CCurve2d* bow = h->xPoly()->GetCurve(1);
    ASSERT_EQ(bow->Type(), zgp::GT_ARC);
    EXPECT_NEAR(static_cast<const zgp::CArc2d*>(bow)->Radius(), 5, 1e-12);  // half a circle, (10,0)-(10,10)
    EXPECT_NEAR(h->outRect().max.x, 15, 1e-9);
}
