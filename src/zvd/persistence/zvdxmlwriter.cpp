// zvd: the XML serializer of drawing documents: elements in, deterministic UTF-8 text out.
// Attribute order, indentation and escaping are fixed here, never left to Qt's DOM writer.
#include "persistence/zvdxmlwriter.h"

#include <algorithm>
#include <utility>

#include <QDomElement>
#include <QDomNamedNodeMap>
#include <QIODevice>

#include "entities/zvdxmlutil.h"
#include "persistence/zvdxmlreader.h"
#include "zvd/persistence/zxmlattrnames.h"

namespace zvdxml {

namespace {

// The name table's fields in declaration order; the writer ranks attributes by this order.
std::wstring ZXMLAttrNames::*const kFieldOrder[] = {
    &ZXMLAttrNames::drawingWidth,
    &ZXMLAttrNames::drawingHeight,
    &ZXMLAttrNames::backColor,
    &ZXMLAttrNames::remark,
    &ZXMLAttrNames::extData,
    &ZXMLAttrNames::layers,
    &ZXMLAttrNames::layer,
    &ZXMLAttrNames::layerID,
    &ZXMLAttrNames::layerName,
    &ZXMLAttrNames::layerColor,
    &ZXMLAttrNames::layerVisible,
    &ZXMLAttrNames::drawingItems,
    &ZXMLAttrNames::item,
    &ZXMLAttrNames::itemType,
    &ZXMLAttrNames::id,
    &ZXMLAttrNames::relationID,
    &ZXMLAttrNames::color,
    &ZXMLAttrNames::enableType,
    &ZXMLAttrNames::insertPt,
    &ZXMLAttrNames::pointSize,
    &ZXMLAttrNames::pointStyle,
    &ZXMLAttrNames::line,
    &ZXMLAttrNames::centerPt,
    &ZXMLAttrNames::radius,
    &ZXMLAttrNames::clockSign,
    &ZXMLAttrNames::lineType,
    &ZXMLAttrNames::lineWidth,
    &ZXMLAttrNames::lineStyle,
    &ZXMLAttrNames::startMarkStyle,
    &ZXMLAttrNames::endMarkStyle,
    &ZXMLAttrNames::startMarkSize,
    &ZXMLAttrNames::endMarkSize,
    &ZXMLAttrNames::xPoly,
    &ZXMLAttrNames::polyline,
    &ZXMLAttrNames::fillStyle,
    &ZXMLAttrNames::text,
    &ZXMLAttrNames::angle,
    &ZXMLAttrNames::fontName,
    &ZXMLAttrNames::fontHeight,
    &ZXMLAttrNames::fontStyle,
    &ZXMLAttrNames::transparent,
    &ZXMLAttrNames::textBackColor,
    &ZXMLAttrNames::horzAlignment,
    &ZXMLAttrNames::vertAlignment,
    &ZXMLAttrNames::blockTypeID,
    &ZXMLAttrNames::blockID,
    &ZXMLAttrNames::hchPattern,
    &ZXMLAttrNames::hchStyle,
    &ZXMLAttrNames::hchPoly,
    &ZXMLAttrNames::commentPoly,
    &ZXMLAttrNames::date,
    &ZXMLAttrNames::prevItemID,
    &ZXMLAttrNames::nextItemID,
    &ZXMLAttrNames::majorRadius,
    &ZXMLAttrNames::minorRadius,
    &ZXMLAttrNames::majorAxis,
    &ZXMLAttrNames::ellipseRange,
    &ZXMLAttrNames::ellipseClose,
    &ZXMLAttrNames::hatchPolyNum,
    &ZXMLAttrNames::hatchCurveType,
    &ZXMLAttrNames::hatchPolyType,
    &ZXMLAttrNames::widthFactor,
    &ZXMLAttrNames::horzSpace,
    &ZXMLAttrNames::vertSpace,
    &ZXMLAttrNames::constraintDataType,
    &ZXMLAttrNames::entityID1,
    &ZXMLAttrNames::entityID2,
    &ZXMLAttrNames::constraintValue,
    &ZXMLAttrNames::constraintRefType1,
    &ZXMLAttrNames::constraintRefType2,
    &ZXMLAttrNames::constraintRefLine,
};

const int kUnranked = 1 << 20;

bool isXmlChar(uint c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool holdsText(const QDomElement& e) {
    for (QDomNode n = e.firstChild(); !n.isNull(); n = n.nextSibling())
        if (n.isText() || n.isCDATASection()) return true;  // CDATA sections are text nodes too
    return false;
}

}  // namespace

Writer::Writer(QIODevice* device, const ZXMLAttrNames* names) : m_xml(device) {
    m_xml.setCodec("UTF-8");
    const ZXMLAttrNames* table = names ? names : namesOrDefault(nullptr);
    int next = 0;
    auto add = [this, &next](const QString& name) {
        if (!name.isEmpty() && !m_rank.contains(name)) m_rank.insert(name, next++);
    };
    add(QStringLiteral("Version"));
    add(QString::fromStdWString(table->itemType));
    add(QString::fromStdWString(table->id));
    add(QStringLiteral("ID"));
    add(QStringLiteral("Name"));
    add(QStringLiteral("Origin"));
    for (auto field : kFieldOrder) add(QString::fromStdWString(table->*field));
}

QString Writer::xmlSafe(const QString& text) {
    const int n = text.size();
    int i = 0;
    auto validAt = [&text, n](int k, int& width) {
        const QChar c = text.at(k);
        width = 1;
        if (c.isHighSurrogate()) {
            if (k + 1 < n && text.at(k + 1).isLowSurrogate()) {
                width = 2;
                return true;
            }
            return false;
        }
        return !c.isLowSurrogate() && isXmlChar(c.unicode());
    };
    int width = 1;
    while (i < n && validAt(i, width)) i += width;
    if (i == n) return text;  // the common case: nothing to remove, no copy
    QString out = text.left(i);
    out.reserve(n);
    while (i < n) {
        if (validAt(i, width)) out.append(text.midRef(i, width));
        i += width;
    }
    return out;
}

int Writer::rank(const QString& name) const { return m_rank.value(name, kUnranked); }

void Writer::writeStartDocument() { m_xml.writeStartDocument(); }

void Writer::beforeChild(bool isElement) {
    if (m_open.empty()) {
        m_xml.writeCharacters(QStringLiteral("\n"));  // the root starts on the line after the declaration
        return;
    }
    Open& parent = m_open.back();
    parent.hasChildren = true;
    if (isElement && !parent.inlineContent)
        m_xml.writeCharacters(QLatin1Char('\n') + QString(static_cast<int>(m_open.size()) * 4, QLatin1Char(' ')));
}

void Writer::writeAttributes(const QDomElement& e) {
    const QDomNamedNodeMap attrs = e.attributes();
    const int n = attrs.count();
    std::vector<std::pair<int, QDomAttr>> sorted;
    sorted.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const QDomAttr a = attrs.item(i).toAttr();
        sorted.emplace_back(rank(a.name()), a);
    }
    std::sort(sorted.begin(), sorted.end(), [](const std::pair<int, QDomAttr>& x, const std::pair<int, QDomAttr>& y) {
        return x.first != y.first ? x.first < y.first : x.second.name() < y.second.name();
    });
    for (const auto& a : sorted) m_xml.writeAttribute(a.second.name(), xmlSafe(a.second.value()));
}

void Writer::writeStartElement(const QDomElement& e) {
    beforeChild(true);
    m_xml.writeStartElement(e.tagName());
    writeAttributes(e);
    m_open.push_back({holdsText(e), false});
}

void Writer::writeStartElement(const QString& name) {
    beforeChild(true);
    m_xml.writeStartElement(name);
    m_open.push_back({false, false});
}

void Writer::writeEndElement() {
    if (m_open.empty()) return;
    const Open closing = m_open.back();
    m_open.pop_back();
    if (closing.hasChildren && !closing.inlineContent)
        m_xml.writeCharacters(QLatin1Char('\n') + QString(static_cast<int>(m_open.size()) * 4, QLatin1Char(' ')));
    m_xml.writeEndElement();
}

void Writer::writeText(const QString& raw) {
    const QString text = xmlSafe(raw);
    if (text.isEmpty()) return;
    if (isBlankText(text)) {
        // Readers drop whitespace-only text nodes, but keep CDATA sections.
        m_xml.writeCDATA(text);
        return;
    }
    // A literal carriage return would be read back as a line feed.
    int from = 0;
    for (int cr = text.indexOf(QLatin1Char('\r')); cr >= 0; cr = text.indexOf(QLatin1Char('\r'), from)) {
        if (cr > from) m_xml.writeCharacters(text.mid(from, cr - from));
        m_xml.writeEntityReference(QStringLiteral("#13"));
        from = cr + 1;
    }
    if (from < text.size()) m_xml.writeCharacters(from == 0 ? text : text.mid(from));
}

void Writer::writeNode(const QDomNode& node) {
    if (node.isElement()) {
        writeElement(node.toElement());
    } else if (node.isCDATASection()) {
        beforeChild(false);
        m_xml.writeCDATA(xmlSafe(node.toCDATASection().data()));
    } else if (node.isText()) {
        beforeChild(false);
        writeText(node.toText().data());
    } else if (node.isComment()) {
        beforeChild(true);
        m_xml.writeComment(xmlSafe(node.toComment().data()));
    }
}

void Writer::writeElement(const QDomElement& e) {
    writeStartElement(e);
    for (QDomNode n = e.firstChild(); !n.isNull(); n = n.nextSibling()) writeNode(n);
    writeEndElement();
}

void Writer::writeEndDocument() {
    while (!m_open.empty()) writeEndElement();
    m_xml.writeEndDocument();  // also ends the last line
}

bool Writer::hasError() const { return m_xml.hasError(); }

}  // namespace zvdxml
