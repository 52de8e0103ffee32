// zvd: ZVDGrid and ZVDGridLine: the spacing-text grammar, building the lines from the two texts,
// and storing only the texts in both file forms.
#include "zvd/entities/zvdgrid.h"

#include <cmath>
#include <iostream>

#include <QDomDocument>
#include <QDomElement>
#include <QStringList>

#include "entities/zvdloadutil.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"

using zgp::CVec2;

namespace {

const zgp::ZRegHelper<int> s_regGrid(ZVDEntity::GetFactory(), vdiGrid, &ZVDGrid::CreateInstance);
const zgp::ZRegHelper<int> s_regGridLine(ZVDEntity::GetFactory(), vdiGridLine, &ZVDGridLine::CreateInstance);

// Four decimals, halves away from zero, of the value read as a single-precision float.
double roundedSpacing(float v) { return std::round(static_cast<double>(v) * 1e4) / 1e4; }

}  // namespace

// ---- grid line ----

ZVDEntity::SetDispLevelHelper ZVDGrid::m_autoSetDispLevel(2);

zgp::IBase* ZVDGridLine::CreateInstance() { return new ZVDGridLine(); }
EnVDIType ZVDGridLine::itemType() const { return vdiGridLine; }
int ZVDGridLine::displayLevel() const { return 1; }

ZVDIGridCoordData::~ZVDIGridCoordData() = default;

// ---- the grammar ----

void ZVDGrid::splitPart(const QString& part, QString& value, QString& count) {
    value.clear();
    count.clear();
    const int stars = part.count(QLatin1Char('*'));
    if (stars == 0) {
        value = part;
        count = QStringLiteral("1");
    } else if (stars == 1) {
        value = part.section(QLatin1Char('*'), 0, 0);
        count = part.section(QLatin1Char('*'), 1, 1);
    }
}

bool ZVDGrid::checkPart(const QString& part, std::vector<double>& values, QString& error) {
    error.clear();
    QString value, count;
    splitPart(part, value, count);
    if (value.isEmpty() || count.isEmpty()) return false;
    const int n = count.toInt();
    // Beyond the limit the whole part is refused before anything is appended.
    if (n > 0 && static_cast<long long>(values.size()) + n > kMaxSpacings) return false;
    const double v = roundedSpacing(value.toFloat());
    for (int i = 0; i < n; ++i) values.push_back(v);
    return true;
}

bool ZVDGrid::extractToArray(const QString& text, QString& error, std::vector<double>& values) {
    error.clear();
    for (const QString& part : text.split(QLatin1Char(',')))
        if (!checkPart(part, values, error)) return false;
    return true;
}

// ---- construction and children ----

ZVDGrid::ZVDGrid() = default;

ZVDGrid::~ZVDGrid() { m_lines.clear(); }

zgp::IBase* ZVDGrid::CreateInstance() { return new ZVDGrid(); }
int ZVDGrid::displayLevel() const { return 2; }
EnVDIType ZVDGrid::itemType() const { return vdiGrid; }

int ZVDGrid::count() const { return static_cast<int>(m_lines.size()); }

ZVDEntity* ZVDGrid::items(int index) const {
    return index >= 0 && index < count() ? m_lines[static_cast<size_t>(index)].get() : nullptr;
}

int ZVDGrid::indexOf(ZVDEntity* item) const {
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].get() == item) return static_cast<int>(i);
    return -1;
}

void ZVDGrid::erase(int index) {
    if (index < 0 || index >= count()) return;
    std::unique_ptr<ZVDGridLine> line = std::move(m_lines[static_cast<size_t>(index)]);
    m_lines.erase(m_lines.begin() + index);
    if (ZVectorDrawing* d = line->owner()) d->itemDeleting(line.get());
}

void ZVDGrid::remove(ZVDEntity* item) {
    const int i = indexOf(item);
    if (i < 0) return;
    m_lines[static_cast<size_t>(i)].release();
    m_lines.erase(m_lines.begin() + i);
}

void ZVDGrid::clear() {
    ZVectorDrawing* d = owner();
    while (!m_lines.empty()) {
        if (d && !d->destroying() && iD() != -1 && d->find(iD()) == this)
            d->erase(this, 0);
        else
            erase(0);
    }
}

std::vector<ZVDGridLine*> ZVDGrid::gridLines() const {
    std::vector<ZVDGridLine*> out;
    for (const auto& l : m_lines) out.push_back(l.get());
    return out;
}

void ZVDGrid::add(ZVDEntity* item) {
    auto* line = dynamic_cast<ZVDGridLine*>(item);
    if (!line || indexOf(line) >= 0) return;
    line->setParent(this);
    m_lines.emplace_back(line);
}

void ZVDGrid::appendLine(const CVec2<double>& a, const CVec2<double>& b) {
    auto* line = dynamic_cast<ZVDGridLine*>(createItem(vdiGridLine));
    if (!line) return;
    line->setOwner(owner());
    // The lines look like their grid.
    line->setColor(color());
    line->setLayer(layer());
    line->set(a, b);
    // A grid already in its drawing numbers and announces the new line there.
    if (owner() && iD() != -1 && owner()->find(iD()) == this)
        owner()->add(this, line);
    else
        add(line);
}

void ZVDGrid::buildGridLines() {
    clear();
    QString error;
    std::vector<double> xs, ys;
    extractToArray(QString::fromStdWString(m_horzSpace), error, xs);
    extractToArray(QString::fromStdWString(m_vertSpace), error, ys);
    double width = 0, height = 0;
    for (double x : xs) width += x;
    for (double y : ys) height += y;
    appendLine({0, 0}, {width, 0});
    double s = 0;
    for (double y : ys) {
        s += y;
        appendLine({0, s}, {width, s});
    }
    appendLine({0, 0}, {0, height});
    s = 0;
    for (double x : xs) {
        s += x;
        appendLine({s, 0}, {s, height});
    }
}

void ZVDGrid::setSpace(const std::wstring& horz, const std::wstring& vert) {
    m_horzSpace = horz;
    m_vertSpace = vert;
    buildGridLines();
    doDataChanged(true);
}

// ---- item behaviour ----

void ZVDGrid::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    if (auto* o = dynamic_cast<ZVDGrid*>(&other)) {
        m_horzSpace = o->m_horzSpace;
        m_vertSpace = o->m_vertSpace;
    }
}

ZVDCoordData* ZVDGrid::createCoordData() {
    auto* data = new ZVDIGridCoordData();
    data->setID(iD());
    for (const auto& l : m_lines) data->lines.emplace_back(l->clone());
    return data;
}

void ZVDGrid::setCoordData(ZVDCoordData& data) {
    auto* d = dynamic_cast<ZVDIGridCoordData*>(&data);
    if (!d) return;
    clear();
    for (const auto& l : d->lines)
        if (auto* line = dynamic_cast<ZVDGridLine*>(l.get())) appendLine(line->startPt(), line->endPt());
    doDataChanged(true);
}

bool ZVDGrid::hitSelect(const CVec2<double>&, const CVec2<double>&, double) { return false; }
bool ZVDGrid::hitTest(const CVec2<double>&, double) { return false; }

ZVDEntity* ZVDGrid::transform(zgp::CMatrix3<double>*) {
    ZVDEntity* copy = clone();
    if (auto* g = dynamic_cast<ZVDGrid*>(copy)) g->buildGridLines();
    return copy;
}

int ZVDGrid::gripCount() { return showGrip() ? 1 : 0; }

CVec2<double> ZVDGrid::grip(int) {
    const zgp::CBox2<double> b = outRect();
    return isEmptyBox(b) ? CVec2<double>(0, 0) : (b.min + b.max) * 0.5;
}

ZVDGripType ZVDGrid::gripType(int) { return 2; }

bool ZVDGrid::dragGrip(int, const CVec2<double>& offset) {
    move(offset);
    return true;
}

void ZVDGrid::buildOutRect(zgp::CBox2<double>& box) {
    box.SetEmpty();
    for (const auto& l : m_lines) {
        const zgp::CBox2<double> b = l->outRect();
        if (!isEmptyBox(b)) box.Add(b);
    }
}

// The grid draws nothing itself; its lines draw in their own pass.
void ZVDGrid::draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) {
    ZVDEntity::draw(hdc, trans, elastic, level);
    for (const auto& l : m_lines) l->draw(hdc, trans, elastic, level);
}

void ZVDGrid::doDrawElastic(HDC, const ZCoordTrans&) {}
void ZVDGrid::doDrawNormal(HDC, const ZCoordTrans&) {}
void ZVDGrid::doDrawSelected(HDC, const ZCoordTrans&) {}

// ---- persistence: only the texts ----

void ZVDGrid::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    zvdxml::setAttribute(element, names->horzSpace, QString::fromStdWString(m_horzSpace));
    zvdxml::setAttribute(element, names->vertSpace, QString::fromStdWString(m_vertSpace));
}

void ZVDGrid::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    names = zvdxml::namesOrDefault(names);
    m_horzSpace = zvdxml::attribute(element, names->horzSpace).toStdWString();
    m_vertSpace = zvdxml::attribute(element, names->vertSpace).toStdWString();
    buildGridLines();
}

void ZVDGrid::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    vdcommon::saveUtf8StringToStream(zvdload::fittingUtf8(m_horzSpace, 0xFFFF), *stream, 2);
    vdcommon::saveUtf8StringToStream(zvdload::fittingUtf8(m_vertSpace, 0xFFFF), *stream, 2);
}

void ZVDGrid::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::doLoadFromStream(stream);
    if (stream->fail()) return;
    std::wstring horz = vdcommon::loadUtf8StringFromStream(*stream, 2);
    if (stream->fail()) return;
    std::wstring vert = vdcommon::loadUtf8StringFromStream(*stream, 2);
    if (stream->fail()) return;
    m_horzSpace = horz;
    m_vertSpace = vert;
    buildGridLines();
}
