// zvd: the streaming XML reader: QXmlStreamReader tokens in, small DOM elements out.
// Only the parts of a document that a caller asks for are ever held as DOM nodes.
#include "persistence/zvdxmlreader.h"

#include <vector>

#include <QDomCDATASection>
#include <QDomText>

namespace zvdxml {

bool isBlankText(const QString& text) {
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            return false;
    return true;
}

namespace {

// Elements nested deeper than this below the element being built are left out.
const size_t kMaxDepth = 1024;

// Character data between two pieces of markup, delivered as one text node or dropped when blank.
class TextRun {
public:
    void add(const QStringRef& text) { m_text.append(text); }
    // Appends the run to parent as a text node unless it is blank; starts a new run.
    void flush(QDomDocument& doc, QDomElement& parent) {
        if (m_text.isEmpty()) return;
        if (!isBlankText(m_text)) parent.appendChild(doc.createTextNode(m_text));
        m_text.clear();
    }
    // The same for a plain string result.
    void flush(QString& out) {
        if (m_text.isEmpty()) return;
        if (!isBlankText(m_text)) out.append(m_text);
        m_text.clear();
    }

private:
    QString m_text;
};

}  // namespace

Reader::Reader(const QByteArray& data) : m_xml(data) { m_xml.setNamespaceProcessing(true); }

bool Reader::readRoot() { return m_xml.readNextStartElement(); }

bool Reader::nextChild() { return m_xml.readNextStartElement(); }

void Reader::skipElement() { m_xml.skipCurrentElement(); }

bool Reader::finish() {
    while (!m_xml.atEnd()) m_xml.readNext();
    return !m_xml.hasError();
}

QString Reader::intern(const QStringRef& name) {
    QString& slot = m_names[qHash(name) % kNameSlots];
    if (slot != name) slot = name.toString();
    return slot;
}

QDomElement Reader::startElement() {
    QDomElement e = m_doc.createElement(intern(m_xml.name()));
    const QXmlStreamAttributes attrs = m_xml.attributes();
    for (const QXmlStreamAttribute& a : attrs) e.setAttribute(intern(a.name()), a.value().toString());
    return e;
}

QDomElement Reader::readElement() {
    QDomElement top = startElement();
    std::vector<QDomElement> open{top};
    TextRun run;
    while (!open.empty()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            run.flush(m_doc, open.back());
            if (open.size() >= kMaxDepth) {
                // Item readers stop far above this depth; hostile nesting costs no nodes.
                m_xml.skipCurrentElement();
                break;
            }
            QDomElement child = startElement();
            open.back().appendChild(child);
            open.push_back(child);
            break;
        }
        case QXmlStreamReader::EndElement:
            run.flush(m_doc, open.back());
            open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (m_xml.isCDATA()) {
                run.flush(m_doc, open.back());
                open.back().appendChild(m_doc.createCDATASection(m_xml.text().toString()));
            } else {
                run.add(m_xml.text());
            }
            break;
        case QXmlStreamReader::Invalid:
            return QDomElement();
        default:  // comments, processing instructions, entity references: they end a text node
            run.flush(m_doc, open.back());
            break;
        }
    }
    return top;
}

QString Reader::readText() {
    QString out;
    TextRun run;
    int depth = 1;
    while (depth > 0) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            run.flush(out);
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            run.flush(out);
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (m_xml.isCDATA()) {
                run.flush(out);
                out.append(m_xml.text());
            } else {
                run.add(m_xml.text());
            }
            break;
        case QXmlStreamReader::Invalid:
            return QString();
        default:
            run.flush(out);
            break;
        }
    }
    return out;
}

}  // namespace zvdxml
