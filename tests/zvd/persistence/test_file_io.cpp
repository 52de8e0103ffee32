// zvd tests: the drawing's file and stream entry points, throwing host streams and assign.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/docitems.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"

using docfix::TestLine;

namespace {

struct FileIoTest : ::testing::Test {
    FileIoTest() {
        drawing.setRemark(L"part 7");
        drawing.layers()->add(L"cut");
        auto* line = new ZVDLine;
        line->set({0, 0}, {30, 40});
        drawing.add(line);
        auto* circle = new ZVDCircle;
        circle->setCenterPt({5, 5});
        circle->setRadius(2);
        circle->setLayer(drawing.layers()->itemByName(L"cut"));
        drawing.add(circle);
    }
    std::wstring path(const QString& name) const { return dir.filePath(name).toStdWString(); }
    std::string streamBytes(ZVectorDrawing& d) {
        std::stringstream s = docfix::binaryStream();
        EXPECT_TRUE(d.saveToStream(&s, vdsfBinary, false));
        return s.str();
    }
    static std::string fileBytes(const std::wstring& path) {
        QFile f(QString::fromStdWString(path));
        if (!f.open(QIODevice::ReadOnly)) return std::string();
        return f.readAll().toStdString();
    }

    QTemporaryDir dir;
    ZVectorDrawing drawing;
};

}  // namespace

TEST_F(FileIoTest, BinaryFilesRoundTripUnderAnyName) {
    ASSERT_TRUE(dir.isValid());
    const std::wstring file = path(QStringLiteral("零件 图.zvd"));
    ASSERT_TRUE(drawing.saveToFile(file, vdsfBinary, false));
    EXPECT_EQ(fileBytes(file), streamBytes(drawing));

    ZVectorDrawing back;
    EnVDSaveFormat found = vdsfXML;
    ASSERT_TRUE(back.loadFromFile(file, &found));
    EXPECT_EQ(found, vdsfBinary);
    EXPECT_EQ(streamBytes(back), streamBytes(drawing));
    ASSERT_TRUE(back.saveToFile(file, vdsfBinary, false));
    EXPECT_EQ(fileBytes(file), streamBytes(drawing));
}

TEST_F(FileIoTest, MissingFilesAndDirectoriesLeaveTheDrawingAlone) {
    EnVDSaveFormat found = vdsfXML;
    EXPECT_FALSE(drawing.loadFromFile(path(QStringLiteral("absent.zvd")), &found) ||
                 drawing.loadFromFile(dir.path().toStdWString()) || drawing.loadFromFile(L""));
    EXPECT_TRUE(drawing.count() == 2 && drawing.remark() == L"part 7");
}

TEST_F(FileIoTest, UnwritableTargetsAnswerFalse) {
    const std::wstring nowhere = path(QStringLiteral("no/such/folder/x.zvd"));
    EXPECT_FALSE(drawing.saveToFile(nowhere, vdsfBinary, false) || drawing.saveToFile(nowhere, vdsfXML, false) ||
                 drawing.saveToFile(dir.path().toStdWString(), vdsfBinary, false));
    EXPECT_FALSE(QFile::exists(QString::fromStdWString(nowhere)));
}

TEST_F(FileIoTest, StreamsSaveBinaryAndLoadEitherFormatFromTheStart) {
    std::stringstream s = docfix::binaryStream();
    EXPECT_FALSE(drawing.saveToStream(&s, vdsfXML, false) || drawing.saveToStream(nullptr, vdsfBinary, false) ||
                 drawing.loadFromStream(nullptr));
    EXPECT_TRUE(s.str().empty());
    ASSERT_TRUE(drawing.saveToStream(&s, static_cast<EnVDSaveFormat>(7), false));
    EXPECT_EQ(s.str(), streamBytes(drawing));

    s.seekg(0, std::ios::end);
    s.setstate(std::ios::eofbit);
    ZVectorDrawing back;
    EnVDSaveFormat found = vdsfXML;
    ASSERT_TRUE(back.loadFromStream(&s, &found));
    EXPECT_EQ(found, vdsfBinary);
    EXPECT_EQ(back.count(), 2);

    // Five bytes decide: "<?xml" is XML even when what follows is not.
    for (const char* text : {"<?xml", "<?xml garbage", "<?xm", "<root/>", ""}) {
        const bool xml = std::string(text).rfind("<?xml", 0) == 0;
        std::stringstream t = docfix::binaryStream(text);
        found = xml ? vdsfBinary : vdsfXML;
        EXPECT_FALSE(back.loadFromStream(&t, &found)) << text;
        EXPECT_EQ(found, xml ? vdsfXML : vdsfBinary) << text;
        EXPECT_EQ(back.count(), 0) << text;
    }
}

TEST_F(FileIoTest, HostStreamsThatThrowGetTheirMaskBack) {
    const std::string bytes = streamBytes(drawing);
    const std::ios::iostate mask = std::ios::failbit | std::ios::badbit | std::ios::eofbit;
    for (size_t cut : {size_t(3), bytes.size() / 2, bytes.size()}) {
        std::stringstream s = docfix::binaryStream(bytes.substr(0, cut));
        s.exceptions(mask);
        ZVectorDrawing back;
        bool ok = false;
        EXPECT_NO_THROW(ok = back.loadFromStream(&s)) << cut;
        EXPECT_EQ(ok, cut == bytes.size()) << cut;
        EXPECT_EQ(back.count(), ok ? 2 : 0) << cut;
        EXPECT_EQ(s.exceptions(), mask);
    }
    std::stringstream out = docfix::binaryStream();
    out.exceptions(mask);
    EXPECT_NO_THROW(EXPECT_TRUE(drawing.saveToStream(&out, vdsfBinary, false)));
    EXPECT_EQ(out.exceptions(), mask);
}

TEST_F(FileIoTest, AssignCopiesThroughTheStream) {
    auto* def = drawing.blockDefinitionTable()->add(L"washer");
    def->add(new TestLine);
    drawing.item(1)->setExtData(L"tagged");
    const std::string original = streamBytes(drawing);

    ZVectorDrawing copy;
    copy.add(new TestLine);
    copy.layers()->add(L"gone");
    copy.assign(&drawing);
    EXPECT_EQ(streamBytes(copy), original);
    EXPECT_EQ(streamBytes(drawing), original);  // the source is untouched
    EXPECT_EQ(copy.changeCount(), 0);
    EXPECT_NE(copy.item(0), drawing.item(0));

    copy.assign(&copy);
    copy.assign(nullptr);
    EXPECT_EQ(streamBytes(copy), original);
}
