// zvd tool tests: the `zvd` program run as a user runs it, every error path included.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "run_tool.h"
#include "zgp/arc2d.h"
#include "zvd/constraints/zvdconstraint.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"

using tooltest::RunResult;
using P = zgp::CVec2<double>;

namespace {

const std::string kTool = ZVD_TOOL_PATH;

RunResult zvd(std::vector<std::string> args) {
    args.insert(args.begin(), kTool);
    return tooltest::run(args);
}

std::string bytesOf(const std::string& path) { return tooltest::slurp(path); }
void writeBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string binaryOf(ZVectorDrawing& drawing) {
    std::stringstream stream(std::ios::in | std::ios::out | std::ios::binary);
    EXPECT_TRUE(drawing.saveToStream(&stream, vdsfBinary, false));
    return stream.str();
}

template <class Item>
Item* add(ZVectorDrawing& d, Item* item, int colour, ZVDLayer* layer) {
    item->setColor(colour);
    item->setLayer(layer);
    d.add(item);
    return item;
}
ZVDLine* line(P a, P b) {
    auto* l = new ZVDLine();
    l->set(a, b);
    return l;
}
ZVDArc* arc(P a, P b, zgp::CArc2d::ArcType type, double r) {
    auto* x = new ZVDArc();
    x->set(a, b, type, r);
    return x;
}

class ZvdCli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }

    // Three lines, two arcs and a circle on two layers: "walls" (red) and "axes" (hidden).
    std::string makeSample(const char* name = "sample.xml") {
        walls = sample.layers()->add(L"walls");
        walls->setColor(0x0000FF);
        walls->setVisible(true);
        axes = sample.layers()->add(L"axes");
        axes->setColor(0x00FF00);
        sample.setBackColor(0x203040);
        sample.setDrawingWidth(500);
        add(sample, line(P(0, 0), P(100, 0)), 0x0000FF, walls);
        add(sample, line(P(100, 0), P(100, 60)), 0x0000FF, walls);
        add(sample, arc(P(100, 60), P(60, 100), zgp::CArc2d::CCW_SMALL, 40), 0, walls);
        add(sample, line(P(-20, 50), P(150, 50)), 0x00FF00, axes);
        ZVDCircle* circle = add(sample, new ZVDCircle(), 0, axes);
        circle->setCenterPt(P(30, 30));
        circle->setRadius(12.5);
        add(sample, arc(P(0, 0), P(-30, 30), zgp::CArc2d::CW_LARGE, 30), 0, nullptr);  // on the current layer "0"
        const std::string file = path(name);
        EXPECT_TRUE(sample.saveToFile(QString::fromStdString(file).toStdWString(), vdsfXML, false));
        return file;
    }

    QTemporaryDir dir;
    ZVectorDrawing sample;
    ZVDLayer* walls = nullptr;
    ZVDLayer* axes = nullptr;
};

// The value printed after a label in `zvd info`'s text ("format             xml" -> "xml").
std::string field(const std::string& text, const std::string& label) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(label + ' ', 0) == 0) return line.substr(line.find_first_not_of(' ', label.size()));
    return "<no " + label + ">";
}

std::string lineWith(const std::string& text, const std::string& needle) {
    std::istringstream lines(text);
    std::string line, word, folded;
    while (std::getline(lines, line) && line.find(needle) == std::string::npos) {}
    for (std::istringstream in(line); in >> word;) folded += (folded.empty() ? "" : " ") + word;
    return folded;
}

QJsonObject infoJson(const std::string& file) {
    const RunResult r = zvd({"info", file, "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out;
    return doc.object();
}

}  // namespace

TEST_F(ZvdCli, InfoDescribesTheDrawing) {
    const std::string file = makeSample();
    const RunResult r = zvd({"info", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The background 0x00BBGGRR is shown as #RRGGBB.
    const std::pair<const char*, const char*> fields[] = {
        {"format", "xml"},         {"version", "3.4"}, {"drawing size", "500 x unbounded"},
        {"background", "#403020"}, {"layers", "3"},    {"items", "6"},
        {"  line", "3"},           {"  arc", "2"},     {"  circle", "1"},
        {"block definitions", "0"}};
    for (const auto& [label, value] : fields) EXPECT_EQ(field(r.out, label), value) << label;
    EXPECT_EQ(lineWith(r.out, "\"walls\""), "1 \"walls\" #FF0000 visible, 3 items");
    EXPECT_EQ(lineWith(r.out, "\"axes\""), "2 \"axes\" #00FF00 hidden, 2 items");
    EXPECT_EQ(lineWith(r.out, "\"0\""), "0 \"0\" #FFFFFF visible, current, 1 item");

    const QJsonObject info = infoJson(file);
    EXPECT_EQ(std::make_tuple(info["format"].toString(), info["drawingHeight"].toInt(), info["backColor"].toInt()),
              std::make_tuple(QString("xml"), 0, 0x203040));
    const QJsonObject walls = info["layers"].toArray()[1].toObject();
    EXPECT_EQ(std::make_tuple(walls["name"].toString(), walls["color"].toInt(), walls["items"].toInt()),
              std::make_tuple(QString("walls"), 0x0000FF, 3));
    EXPECT_FALSE(info["layers"].toArray()[2].toObject()["visible"].toBool());
    EXPECT_EQ(info["items"].toObject()["byType"].toObject(), (QJsonObject{{"line", 3}, {"arc", 2}, {"circle", 1}}));

    const zgp::CBox2<double> range = sample.fullRange();
    EXPECT_EQ(info["fullRange"].toObject()["minX"].toDouble(), range.min.x);
    EXPECT_EQ(info["fullRange"].toObject()["maxY"].toDouble(), range.max.y);
}

TEST_F(ZvdCli, InfoShowsTheVersionStoredInTheFile) {
    // Loading raises a drawing to the current version; info must show what the file holds.
    const std::string old = path("old.xml");
    writeBytes(old,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<ZelvaroneVectorDrawing Version=\"2.5\" BackColor=\"255\" DrawingWidth=\"300\" DrawingHeight=\"200\">\n"
               "    <Remark/>\n    <ExtData/>\n    <Layers/>\n    <DrawingItems/>\n"
               "</ZelvaroneVectorDrawing>\n");
    RunResult r = zvd({"info", old});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(field(r.out, "version"), "2.5");
    EXPECT_EQ(field(r.out, "drawing size"), "300 x 200");
    EXPECT_EQ(field(r.out, "background"), "#FF0000");
    EXPECT_EQ(field(r.out, "full range"), "(none)");

    ZVectorDrawing empty;
    empty.setBackColor(0x00FF00);
    std::string stream = binaryOf(empty);
    ASSERT_EQ(stream.substr(23, 4), std::string("\x03"
                                                "3.4"));
    stream[26] = '3';  // a version 3.3 stream has the same layout
    writeBytes(path("old.bin"), stream);
    const QJsonObject info = infoJson(path("old.bin"));
    EXPECT_EQ(info["format"].toString(), "binary");
    EXPECT_EQ(info["version"].toString(), "3.3");
    EXPECT_EQ(info["background"].toString(), "#00FF00");
    EXPECT_TRUE(info["fullRange"].isNull());
}

TEST_F(ZvdCli, ConvertRoundTripsByteForByte) {
    const std::string xml = makeSample();
    const RunResult toBinary = zvd({"convert", xml, path("sample.zvd")});
    ASSERT_EQ(toBinary.status, 0) << toBinary.err;
    const std::string binary = bytesOf(path("sample.zvd"));
    ZVectorDrawing loaded;
    ASSERT_TRUE(loaded.loadFromFile(QString::fromStdString(xml).toStdWString()));
    EXPECT_EQ(binary, binaryOf(loaded));

    const RunResult back = zvd({"convert", path("sample.zvd"), path("back.xml")});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(bytesOf(path("back.xml")), bytesOf(xml));

    ASSERT_EQ(zvd({"convert", xml, path("x.dat"), "--to", "xml"}).status, 0);
    EXPECT_EQ(bytesOf(path("x.dat")), bytesOf(xml));
    ASSERT_EQ(zvd({"convert", xml, path("y.xml"), "--to=binary"}).status, 0);
    EXPECT_EQ(bytesOf(path("y.xml")), binary);
}

TEST_F(ZvdCli, ConvertSelectedSavesThePickedItemsAndAllLayers) {
    const std::string xml = makeSample();
    auto idsIn = [](const std::string& file) {
        ZVectorDrawing d;
        EXPECT_TRUE(d.loadFromFile(QString::fromStdString(file).toStdWString()));
        std::set<int> ids;
        for (int i = 0; i < d.count(); ++i) ids.insert(d.item(i)->iD());
        EXPECT_EQ(d.layers()->count(), 3);
        return ids;
    };
    ASSERT_EQ(zvd({"convert", xml, path("walls.xml"), "--selected", "--layer", "walls"}).status, 0);
    EXPECT_EQ(idsIn(path("walls.xml")), (std::set<int>{0, 1, 2}));
    ASSERT_EQ(zvd({"convert", xml, path("round.bin"), "--selected", "--type", "arc", "--type", "circle"}).status, 0);
    EXPECT_EQ(idsIn(path("round.bin")), (std::set<int>{2, 4, 5}));
    ASSERT_EQ(zvd({"convert", xml, path("ids.bin"), "--selected", "--ids", "0,3-4"}).status, 0);
    EXPECT_EQ(idsIn(path("ids.bin")), (std::set<int>{0, 3, 4}));
    ASSERT_EQ(zvd({"convert", xml, path("both.bin"), "--selected", "--layer", "axes", "--type", "line"}).status, 0);
    EXPECT_EQ(idsIn(path("both.bin")), (std::set<int>{3}));

    const RunResult missing = zvd({"convert", xml, path("none.bin"), "--selected", "--layer", "roof"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no layer named \"roof\""), std::string::npos) << missing.err;
}

TEST_F(ZvdCli, RenderFitsTheDrawingIntoAPictureOfTheRequestedSize) {
    ZVectorDrawing d;
    d.setBackColor(0xFFFFFF);
    add(d, line(P(0, 0), P(100, 0)), 0x0000FF, nullptr);
    const std::string in = path("line.xml");
    ASSERT_TRUE(d.saveToFile(QString::fromStdString(in).toStdWString(), vdsfXML, false));

    ASSERT_EQ(zvd({"render", in, "-o", path("line.png"), "--size", "200x100"}).status, 0);
    QImage image(QString::fromStdString(path("line.png")));
    ASSERT_EQ(image.size(), QSize(200, 100));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    int first = -1, last = -1;
    for (int x = 0; x < 200; ++x) {
        if (image.pixelColor(x, 50) != QColor(255, 0, 0) && image.pixelColor(x, 49) != QColor(255, 0, 0)) continue;
        if (first < 0) first = x;
        last = x;
    }
    EXPECT_TRUE(first >= 1 && first <= 15) << first;
    EXPECT_TRUE(last >= 185 && last <= 198) << last;

    ASSERT_EQ(zvd({"render", in, "--output", path("dark.png"), "--size", "64x48", "--background", "#102030"}).status,
              0);
    image = QImage(QString::fromStdString(path("dark.png")));
    EXPECT_EQ(image.size(), QSize(64, 48));
    EXPECT_EQ(image.pixelColor(63, 47), QColor(0x10, 0x20, 0x30));
}

TEST_F(ZvdCli, RenderWritesSvgAndPdf) {
    const std::string in = makeSample();
    ASSERT_EQ(zvd({"render", in, "-o", path("s.svg"), "--size", "320x240"}).status, 0);
    const std::string svg = bytesOf(path("s.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("viewBox=\"0 0 320 240\""), std::string::npos) << svg.substr(0, 400);
    ASSERT_EQ(zvd({"render", in, "-o", path("s.PDF")}).status, 0);
    EXPECT_EQ(bytesOf(path("s.PDF")).substr(0, 5), "%PDF-");
}

TEST_F(ZvdCli, UnreadableInputNamesTheFileAndExitsWithOne) {
    const std::string xml = makeSample();
    const std::string xmlBytes = bytesOf(xml);
    ZVectorDrawing empty;
    const std::string stream = binaryOf(empty);
    std::string hugeCount = stream;
    hugeCount.replace(hugeCount.size() - 4, 4, std::string("\xff\xff\xff\x7f", 4));  // 2,147,483,647 items

    writeBytes(path("text.txt"), "hello, world\n");
    writeBytes(path("svg.xml"), "<?xml version=\"1.0\"?>\n<svg width=\"10\"/>\n");
    writeBytes(path("cut.xml"), xmlBytes.substr(0, xmlBytes.size() / 2));
    writeBytes(path("count.bin"), hugeCount);

    const std::pair<std::string, std::string> cases[] = {
        {path("missing.xml"), "cannot open (No such file or directory)"},
        {dir.path().toStdString(), "cannot open (it is a directory)"},
        {path("text.txt"), "not a drawing"},
        {path("svg.xml"), "not a drawing (an XML document with root <svg>)"},
        {path("cut.xml"), "damaged stream (line "},
        {path("count.bin"), "damaged stream"},
    };
    for (const auto& [file, what] : cases) {
        for (const char* command : {"info", "convert", "render"}) {
            std::vector<std::string> args = {command, file};
            if (std::string(command) == "convert") args.push_back(path("out.bin"));
            if (std::string(command) == "render") args.insert(args.end(), {"-o", path("out.png")});
            const RunResult r = zvd(args);
            SCOPED_TRACE(std::string(command) + " " + file);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.signal, 0);
            EXPECT_EQ(r.out, "");
            const std::string prefix = "zvd: " + file + ": " + what;
            EXPECT_EQ(r.err.compare(0, prefix.size(), prefix), 0) << r.err;
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        }
    }
}

TEST_F(ZvdCli, UnwritableOutputExitsWithOne) {
    const std::string in = makeSample();
    const std::string nowhere = path("no/such/dir/out");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"convert", in, nowhere + ".bin"},
                                                 {"render", in, "-o", nowhere + ".png"},
                                                 {"render", in, "-o", nowhere + ".pdf"}}) {
        const RunResult r = zvd(args);
        SCOPED_TRACE(args.back());
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("zvd: " + args.back() + ": cannot write", 0), 0u) << r.err;
    }
}

TEST_F(ZvdCli, WrongCommandLinesExitWithTwoAndShowTheUsage) {
    const std::string in = makeSample();
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"draw", in},
        {"info", in, "--verbose"},
        {"convert", in},
        {"convert", in, path("o.xml"), "--to", "svg"},
        {"convert", in, path("o.xml"), "--layer", "walls"},
        {"convert", in, path("o.xml"), "--selected", "--ids", "3-1"},
        {"render", in, "-o", path("o.bmp")},
        {"render", in, "-o", path("o.png"), "--size", "0x10"},
    };
    for (const auto& args : wrong) {
        const RunResult r = zvd(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        SCOPED_TRACE(line);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("zvd: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("usage: zvd info FILE"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("o.xml"))));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("o.png"))));
}

// A line made horizontal and 50 long solves; a second, contradicting length does not.
TEST_F(ZvdCli, SolveMovesTheGeometryOrNamesTheConflict) {
    ZVectorDrawing d;
    ZVDLine* l = line(P(0, 0), P(40, 3));
    d.add(l);
    auto bind = [&](ZVDConstraintDataType kind, double value) {
        ZVDConstraintParams p;
        p.entityID1 = l->iD();
        p.value = value;
        auto* c = new ZVDConstraint;
        d.add(c);
        c->initialize(p, kind);
        return c->iD();
    };
    bind(cdtHorizon, 0);
    bind(cdtLineLength, 50);
    const std::string in = path("sketch.xml"), out = path("solved.xml");
    ASSERT_TRUE(d.saveToFile(QString::fromStdString(in).toStdWString(), vdsfXML, false));
    RunResult r = zvd({"solve", in, "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "solved: 2 constraints\n");
    ZVectorDrawing solved;
    ASSERT_TRUE(solved.loadFromFile(QString::fromStdString(out).toStdWString()));
    auto* moved = dynamic_cast<ZVDLine*>(solved.item(0));
    ASSERT_NE(moved, nullptr);
    const P s = moved->line(0)->StartPoint(), e = moved->line(0)->EndPoint();
    EXPECT_NEAR(e.y - s.y, 0.0, 1e-9);
    EXPECT_NEAR(std::fabs(e.x - s.x), 50.0, 1e-9);

    const int second = bind(cdtLineLength, 60);
    ASSERT_TRUE(d.saveToFile(QString::fromStdString(in).toStdWString(), vdsfXML, false));
    const std::string untouched = path("untouched.xml");
    r = zvd({"solve", in, "-o", untouched});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out.rfind("not solved (result 1): ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("constraint " + std::to_string(second) + " (line length)"), std::string::npos) << r.out;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(untouched)));
    EXPECT_EQ(zvd({"solve"}).status, 2);
}

TEST_F(ZvdCli, HelpAndVersion) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"help"}, {"render", "--help"}}) {
        const RunResult r = zvd(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("zvd convert IN OUT"), std::string::npos);
        EXPECT_NE(r.out.find("Exit status"), std::string::npos);
        EXPECT_EQ(r.err, "");
    }
    const RunResult v = zvd({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, "zvd 0.1 (drawing format 3.4)\n");
}

// The site plan: regenerated byte for byte, every item kind in it, and rendered by the tool
// exactly as the committed picture shows it.
TEST_F(ZvdCli, SitePlanExampleIsCurrentAndRendersAsCommitted) {
    const RunResult made = tooltest::run({ZVD_MAKE_SITE_PLAN_PATH, path("siteplan.zvd")});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(bytesOf(path("siteplan.zvd")), bytesOf(ZVD_SITE_PLAN))
        << "examples/siteplan.zvd is stale: rebuild and run zvd_make_site_plan";
    const QJsonObject byType = infoJson(ZVD_SITE_PLAN)["items"].toObject()["byType"].toObject();
    for (const char* type : {"point", "text", "line", "hatch", "circle", "polyline", "ellipse", "polygon", "spline",
                             "block-reference", "poly-composite", "grid", "constraint", "constraint-dimension"})
        EXPECT_GT(byType[type].toInt(), 0) << type;
    const RunResult drawn = zvd({"render", ZVD_SITE_PLAN, "-o", path("siteplan.png"), "--size", "900x700"});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    const QImage got(QString::fromStdString(path("siteplan.png")));
    const QImage want(QString::fromStdString(std::string(ZVD_REFERENCE_PICTURES) + "/siteplan.png"));
    ASSERT_FALSE(want.isNull()) << "no reference picture";
    EXPECT_TRUE(got.convertToFormat(QImage::Format_RGB32) == want.convertToFormat(QImage::Format_RGB32))
        << "the rendered site plan differs from tests/zvd/reference/siteplan.png (new one in " << path("siteplan.png")
        << ")";
}

TEST_F(ZvdCli, BundledExampleIsCurrent) {
    const RunResult made = tooltest::run({ZVD_MAKE_EXAMPLE_PATH, path("bracket.xml")});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(bytesOf(path("bracket.xml")), bytesOf(ZVD_EXAMPLE_XML))
        << "examples/bracket.xml is stale: rebuild and run zvd_make_example";

    const QJsonObject info = infoJson(ZVD_EXAMPLE_XML);
    const QJsonArray layers = info["layers"].toArray();
    ASSERT_EQ(layers.size(), 4);
    EXPECT_NE(layers[1].toObject()["color"].toInt(), layers[2].toObject()["color"].toInt());
    for (const char* type : {"line", "arc", "circle", "constraint", "constraint-dimension"})
        EXPECT_GT(info["items"].toObject()["byType"].toObject()[type].toInt(), 0);
}
