// zvd: ZVDGrid (item type 13), an axis grid built from two spacing texts, and ZVDGridLine (item
// type 14), the lines it holds; only the texts are stored, the lines are rebuilt from them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "zvd/entities/zvdline.h"

class ZVD_EXPORT ZVDGridLine : public ZVDLine {
public:
    ZVDGridLine() = default;
    static zgp::IBase* CreateInstance();
    EnVDIType itemType() const override;
    int displayLevel() const override;
};

// Snapshot of a grid: copies of its lines (owned by the snapshot).
class ZVD_EXPORT ZVDIGridCoordData : public ZVDCoordData {
public:
    ZVDIGridCoordData() = default;
    ~ZVDIGridCoordData() override;
    std::vector<std::unique_ptr<ZVDEntity>> lines;
};

// A spacing text is parts separated by ",", each a value or value*count: "1000*3,500" spaces
// three times 1000 and once 500. Values are rounded to four decimals. The grid draws nothing and
// is never hit; its lines are drawn as items of their own (level 1).
class ZVD_EXPORT ZVDGrid : public ZVDEntity {
public:
    // At most this many spacings per text: a text asking for more is refused as a whole, so a
    // few bytes of input never make millions of lines.
    static constexpr int kMaxSpacings = 10000;

    ZVDGrid();
    ~ZVDGrid() override;
    static zgp::IBase* CreateInstance();

    // The base attributes and both texts; the lines are rebuilt by the next setSpace or load.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    void setCoordData(ZVDCoordData& data) override;
    bool hitSelect(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double tol) override;
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    // An unchanged clone.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) override;

    int count() const override;
    ZVDEntity* items(int index) const override;
    // Takes a grid line as the last line; anything else is refused.
    void add(ZVDEntity* item) override;
    // Deletes line index without a report.
    void erase(int index) override;
    void remove(ZVDEntity* item) override;
    int indexOf(ZVDEntity* item) const override;
    // Erases every line through the owning drawing (with its reports), or deletes them directly
    // without one.
    void clear() override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    // Stores both texts, rebuilds the lines and reports.
    void setSpace(const std::wstring& horz, const std::wstring& vert);
    std::wstring horzSpace() const { return m_horzSpace; }
    std::wstring vertSpace() const { return m_vertSpace; }
    std::vector<ZVDGridLine*> gridLines() const;

protected:
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;

    void buildGridLines();
    // The values of text in order; false at the first part that is malformed (or when the text
    // asks for more than kMaxSpacings spacings); values keeps what came before.
    static bool extractToArray(const QString& text, QString& error, std::vector<double>& values);
    static bool checkPart(const QString& part, std::vector<double>& values, QString& error);
    // value and count of "value*count"; a part without "*" counts once; more than one "*"
    // leaves both empty.
    static void splitPart(const QString& part, QString& value, QString& count);

private:
    void appendLine(const zgp::CVec2<double>& a, const zgp::CVec2<double>& b);

    std::vector<std::unique_ptr<ZVDGridLine>> m_lines;
    std::wstring m_horzSpace;
    std::wstring m_vertSpace;

    static SetDispLevelHelper m_autoSetDispLevel;
};
