// zvd tests: helpers of the XML suites: saving to bytes, loading from bytes, the empty drawing.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <QDomDocument>
#include <QTemporaryDir>

#include "support/docitems.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"

namespace xmlfix {

inline std::string saveXml(ZVectorDrawing& d, bool selectedOnly = false) {
    QTemporaryDir dir;
    const QString path = dir.filePath("drawing.xml");
    EXPECT_TRUE(d.saveToXMLFile(path.toStdWString(), selectedOnly));
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The drawing in either format, as bytes.
inline std::string saveIn(ZVectorDrawing& d, EnVDSaveFormat format) {
    if (format == vdsfXML) return saveXml(d);
    std::stringstream s = docfix::binaryStream();
    EXPECT_TRUE(d.saveToStream(&s, vdsfBinary, false));
    return s.str();
}

// Saves d in format, loads those bytes into back, and expects back to save to the same bytes.
inline void expectSameBytesAfterReload(ZVectorDrawing& d, EnVDSaveFormat format, ZVectorDrawing& back) {
    const std::string first = saveIn(d, format);
    std::stringstream in = docfix::binaryStream(first);
    ASSERT_TRUE(back.loadFromStream(&in));
    EXPECT_EQ(saveIn(back, format), first);
}

inline bool loadXml(ZVectorDrawing& d, const std::string& text) {
    std::stringstream s = docfix::binaryStream(text);
    EnVDSaveFormat found = vdsfBinary;
    const bool ok = d.loadFromStream(&s, &found);
    EXPECT_EQ(found, vdsfXML);
    return ok;
}

inline void expectEmptyLikeNew(const ZVectorDrawing& d) {
    EXPECT_EQ(d.count(), 0);
    EXPECT_EQ(d.blockDefinitionTable()->count(), 0);
    ASSERT_EQ(d.layers()->count(), 1);
    const ZVDLayer* zero = d.layers()->item(0);
    EXPECT_TRUE(zero->name() == L"0" && zero->iD() == 0 && zero->color() == 0xffffff && zero->visible());
    EXPECT_EQ(d.layers()->curLayer(), zero);
    EXPECT_EQ(d.version(), L"3.4");
}

}  // namespace xmlfix
