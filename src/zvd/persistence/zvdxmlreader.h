// zvd: the streaming XML reader of drawing documents (internal header). It walks the document
// with QXmlStreamReader and builds DOM elements only for the parts asked for, one at a time.
#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>
#include <QXmlStreamReader>

namespace zvdxml {

// A namespace-aware pass over one document held in memory. Elements asked for are built in a
// scratch document owned by the reader, with what a namespace-aware QDomDocument parse would
// give the code that reads them: local names for elements and attributes, text nodes of
// adjacent character data joined, whitespace-only text nodes dropped, CDATA sections kept,
// comments and processing instructions left out. The reader must outlive the elements it built.
//
// Typical walk: readRoot(), then nextChild() for each child of the root, and for each child
// either readElement(), readText() or skipElement() (or nextChild() again to go one level
// deeper); finish() at the end tells whether the whole document was well-formed.
class Reader {
public:
    // data must stay unchanged while the reader is in use.
    explicit Reader(const QByteArray& data);
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Moves to the start of the document element. False when there is none or the document is
    // malformed before it.
    bool readRoot();
    // Local name and attributes of the element whose start the reader is at.
    QStringRef name() const { return m_xml.name(); }
    QXmlStreamAttributes attributes() const { return m_xml.attributes(); }
    // Moves to the start of the next child element of the element the reader is in; false at the
    // element's end or on a parse error.
    bool nextChild();
    // Builds the element the reader is at, with its subtree, and leaves the reader at its end.
    // A null element on a parse error inside it. Descendants more than 1024 levels below it are
    // parsed but not built (no item reads that deep).
    QDomElement readElement();
    // The text of the element the reader is at and of its descendants, as QDomElement::text()
    // answers it after a DOM parse; leaves the reader at the element's end.
    QString readText();
    // Leaves the reader at the end of the element it is at.
    void skipElement();
    // Reads the rest of the document; true when it all was well-formed.
    bool finish();
    bool hasError() const { return m_xml.hasError(); }

private:
    // A new element named after the current start tag, carrying its attributes.
    QDomElement startElement();
    // Interned copy of a name: the same few tag and attribute names repeat throughout.
    QString intern(const QStringRef& name);

    QXmlStreamReader m_xml;
    QDomDocument m_doc;
    static const int kNameSlots = 256;
    QString m_names[kNameSlots];
};

// Whether text would be dropped as a whitespace-only text node by a DOM parse.
bool isBlankText(const QString& text);

}  // namespace zvdxml
