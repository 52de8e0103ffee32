// zvd: the XML serializer of drawing documents (internal header): fixed attribute order, 4-space
// indentation and escaped text, so the same drawing always gives the same bytes.
#pragma once

#include <vector>

#include <QHash>
#include <QString>
#include <QXmlStreamWriter>

class QDomElement;
class QDomNode;
class QIODevice;
class ZXMLAttrNames;

namespace zvdxml {

// Writes elements (usually built one at a time in a scratch QDomDocument) to a device as one
// UTF-8 document. Qt's own DOM writer takes attributes in hash order, which changes from process
// to process; this writer sorts them: "Version", then the item type and identifier names, "Name"
// and "Origin", then the names of the name table in its declaration order, then any other name
// alphabetically.
//
// Layout: the "xml" processing instruction on the first line, each element on its own line
// indented by 4 spaces per level, a final newline. An element that holds text keeps its content
// on one line with no added whitespace, so the text reads back unchanged. Characters that XML
// cannot carry (control characters other than tab, line feed and carriage return, unpaired
// surrogates, U+FFFE and U+FFFF) are left out; carriage returns are written as character
// references, and text made only of whitespace is written as CDATA so that readers keep it.
class Writer {
public:
    // names: the table whose declaration order ranks the attribute names; null: the short set.
    Writer(QIODevice* device, const ZXMLAttrNames* names);

    void writeStartDocument();
    // Opens an element with the name and attributes of e (its children are not written).
    void writeStartElement(const QDomElement& e);
    void writeStartElement(const QString& name);
    void writeEndElement();
    // Writes e with its whole subtree as the next child of the open element (or as the root).
    void writeElement(const QDomElement& e);
    // Closes every open element and ends the document with a newline.
    void writeEndDocument();
    // True when writing to the device failed.
    bool hasError() const;

    // The text with every character XML 1.0 cannot carry removed (the same string when none).
    static QString xmlSafe(const QString& text);

private:
    struct Open {
        bool inlineContent;  // the element holds text: no indentation inside it
        bool hasChildren;
    };
    void beforeChild(bool isElement);
    void writeAttributes(const QDomElement& e);
    void writeText(const QString& text);
    void writeNode(const QDomNode& node);
    int rank(const QString& name) const;

    QXmlStreamWriter m_xml;
    std::vector<Open> m_open;
    QHash<QString, int> m_rank;
};

}  // namespace zvdxml
