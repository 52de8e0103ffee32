// zvd: block definitions and their table, with the block section of both drawing formats.
// Definition items belong to the definition; they are loaded through the class registry.
#include "zvd/document/zvdblockdefinition.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <memory>

#include <QDomDocument>
#include <QDomElement>
#include <QStringList>

#include "entities/zvdloadutil.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zvdxml::namesOrDefault;

// ---- definition ----

ZVDBlockDefinition::~ZVDBlockDefinition() = default;

ZVDEntity* ZVDBlockDefinition::items(int index) const {
    return index >= 0 && index < count() ? m_items[static_cast<size_t>(index)].get() : nullptr;
}

std::vector<std::unique_ptr<ZVDEntity>>::const_iterator ZVDBlockDefinition::find(const ZVDEntity* item) const {
    return std::find_if(m_items.begin(), m_items.end(),
                        [item](const std::unique_ptr<ZVDEntity>& held) { return held.get() == item; });
}

void ZVDBlockDefinition::add(ZVDEntity* item) {
    if (!item || find(item) != m_items.end()) return;
    m_items.emplace_back(item);
}

void ZVDBlockDefinition::remove(ZVDEntity* item) {
    const auto it = find(item);
    if (it != m_items.end()) m_items.erase(it);
}

void ZVDBlockDefinition::clear() { m_items.clear(); }

ZVectorDrawing* ZVDBlockDefinition::drawing() const {
    auto* table = dynamic_cast<ZVDBlockDefinitionTable*>(m_owner);
    return table ? table->owner() : nullptr;
}

void ZVDBlockDefinition::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    element.setAttribute(QStringLiteral("ID"), iD());
    element.setAttribute(QStringLiteral("Name"), QString::fromStdWString(m_name));
    element.setAttribute(QStringLiteral("Origin"), QStringLiteral("%1,%2").arg(m_origin.x).arg(m_origin.y));
    QDomDocument doc = element.ownerDocument();
    const QString tag = QString::fromStdWString(names->item);
    for (const auto& item : m_items) {
        QDomElement e = doc.createElement(tag);
        element.appendChild(e);
        item->saveToXMLNode(e, names);
    }
}

void ZVDBlockDefinition::loadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    setID(element.attribute(QStringLiteral("ID")).toInt());
    setName(element.attribute(QStringLiteral("Name")).toStdWString());
    const QStringList origin = element.attribute(QStringLiteral("Origin")).split(QLatin1Char(','));
    m_origin = zgp::CVec2<double>(origin.value(0).toDouble(), origin.value(1).toDouble());
    const QString typeName = QString::fromStdWString(names->itemType);
    for (QDomElement e = element.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        std::unique_ptr<ZVDEntity> item(ZVDEntity::createItem(e.attribute(typeName).toInt()));
        if (!item) continue;
        item->setOwner(drawing());
        item->loadFromXMLNode(e, names);
        m_items.push_back(std::move(item));
    }
}

void ZVDBlockDefinition::saveToStream(std::iostream* stream) {
    if (!stream) return;
    std::iostream& s = *stream;
    writeLE<int32_t>(s, iD());
    zvdload::writeAnsiShortString(s, m_name);
    writeLE<double>(s, m_origin.x);
    writeLE<double>(s, m_origin.y);
    writeLE<int32_t>(s, static_cast<int32_t>(m_items.size()));
    for (const auto& item : m_items) item->saveToStream(stream);
}

bool ZVDBlockDefinition::loadFromStream(std::iostream* stream) {
    if (!stream) return false;
    std::iostream& s = *stream;
    int32_t id = 0, n = 0;
    double x = 0, y = 0;
    if (!readLE(s, id)) return false;
    const std::wstring name = vdcommon::loadAnsiStringFromStream(s, 1);
    if (s.fail() || !readLE(s, x) || !readLE(s, y) || !readLE(s, n)) return false;
    setID(id);
    setName(name);
    m_origin = zgp::CVec2<double>(x, y);
    // The count is not trusted: items are read one by one while the stream holds them.
    for (int32_t i = 0; i < n; ++i) {
        const int type = s.peek();
        if (type == std::char_traits<char>::eof()) {
            zvdload::markStreamFailed(s);
            return false;
        }
        std::unique_ptr<ZVDEntity> item(ZVDEntity::createItem(type));
        if (!item) break;  // unknown record: the definition's item list ends here
        item->setOwner(drawing());
        if (!item->loadFromStream(stream)) return false;
        m_items.push_back(std::move(item));
    }
    return !s.fail();
}

// ---- table ----

ZVDBlockDefinitionTable::ZVDBlockDefinitionTable(ZVectorDrawing* drawing) : m_drawing(drawing) {}
ZVDBlockDefinitionTable::~ZVDBlockDefinitionTable() = default;

void ZVDBlockDefinitionTable::loadFromXMLNode(const QDomElement& blocksElement, ZXMLAttrNames* names) {
    for (QDomElement e = blocksElement.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        ZVDBlockDefinition* definition = insertEntry(count(), std::unique_ptr<ZVDBlockDefinition>(new ZVDBlockDefinition()));
        definition->setOwner(static_cast<ZVDSymbolTable<ZVDBlockDefinition>*>(this));
        definition->loadFromXMLNode(e, names);
    }
}

void ZVDBlockDefinitionTable::saveToXMLNode(QDomElement& root, ZXMLAttrNames* names) {
    QDomDocument doc = root.ownerDocument();
    QDomElement section = doc.createElement(QStringLiteral("BLOCKS"));
    root.appendChild(section);
    for (int i = 0; i < count(); ++i) {
        ZVDBlockDefinition* definition = item(i);
        QDomElement e = doc.createElement(QStringLiteral("BLOCK"));
        section.appendChild(e);
        definition->saveToXMLNode(e, names);
    }
}

void ZVDBlockDefinitionTable::saveToStream(std::iostream* stream) {
    if (!stream) return;
    writeLE<int32_t>(*stream, static_cast<int32_t>(count()));
    for (int i = 0; i < count(); ++i) item(i)->saveToStream(stream);
}

bool ZVDBlockDefinitionTable::loadFromStream(std::iostream* stream) {
    if (!stream) return false;
    bool ok = false;
    try {
        int32_t n = 0;
        ok = readLE(*stream, n) && n >= 0;
        for (int32_t i = 0; ok && i < n; ++i) {
            std::unique_ptr<ZVDBlockDefinition> definition(new ZVDBlockDefinition());
            definition->setOwner(static_cast<ZVDSymbolTable<ZVDBlockDefinition>*>(this));
            ok = definition->loadFromStream(stream);
            if (ok) insertEntry(count(), std::move(definition));
        }
    } catch (...) {
        ok = false;  // a stream that throws on failure: the section ends here
    }
    if (!ok) zvdload::markStreamFailed(*stream);
    return ok;
}
