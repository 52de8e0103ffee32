// zvd: layers and the layer table, with the layer section of both drawing formats.
// Layers are identified by name when loading; items refer to them by the stored identifier.
#include "zvd/document/zvdlayer.h"

#include <cstdint>
#include <iostream>

#include <QDomDocument>
#include <QDomElement>

#include "entities/zvdloadutil.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::readLE;
using vdcommon::detail::writeLE;
using zvdxml::namesOrDefault;

namespace {

const int kLayer0Color = 0xffffff;

QString qs(const std::wstring& s) { return QString::fromStdWString(s); }

}  // namespace

ZVDSymbol::~ZVDSymbol() = default;

// ---- layer ----

void ZVDLayer::changed() {
    if (m_owner) m_owner->entryChanged();
}

void ZVDLayer::setName(const std::wstring& name) {
    if (name == m_name) return;
    m_name = name;
    keysChanged();
    changed();
}

void ZVDLayer::setColor(int color) {
    if (color == m_color) return;
    m_color = color;
    changed();
}

void ZVDLayer::setVisible(bool visible) {
    if (visible == m_visible) return;
    m_visible = visible;
    changed();
}

// ---- table ----

ZVDLayerTable::ZVDLayerTable(ZVectorDrawing* drawing) : m_drawing(drawing) {
    // Filled before the owner is set, so the standard layer makes no report.
    m_curLayer = insertEntry(0, newLayerZero());
}

ZVDLayerTable::~ZVDLayerTable() = default;

std::unique_ptr<ZVDLayer> ZVDLayerTable::newLayerZero() {
    std::unique_ptr<ZVDLayer> zero(new ZVDLayer());
    zero->setID(0);
    zero->setName(L"0");
    zero->setColor(kLayer0Color);
    zero->setVisible(true);
    zero->setOwner(static_cast<ZVDSymbolTable<ZVDLayer>*>(this));
    return zero;
}

void ZVDLayerTable::doDataChanged() {
    if (m_drawing) m_drawing->doDataChanged(nullptr, false);
}

void ZVDLayerTable::setCurLayer(ZVDLayer* layer) {
    if (!layer || indexOf(layer) >= 0) m_curLayer = layer;
}

// Only top-level items count as users; nested items are not examined.
bool ZVDLayerTable::layerUsed(ZVDLayer* layer) const {
    if (!m_drawing || !m_drawing->root()) return false;
    ZVDComposite* root = m_drawing->root();
    for (int i = 0; i < root->count(); ++i)
        if (root->items(i)->layer() == layer) return true;
    return false;
}

void ZVDLayerTable::detachLayer(ZVDEntity* item, ZVDLayer* layer) {
    if (item->m_layer == layer) item->m_layer = nullptr;
    for (int i = 0; i < item->count(); ++i)
        if (ZVDEntity* child = item->items(i)) detachLayer(child, layer);
}

void ZVDLayerTable::erase(int index) {
    ZVDLayer* layer = item(index);
    if (!layer || layerUsed(layer)) return;
    // Nested items and block-definition items may still point at the layer; they lose it
    // rather than keep a dangling pointer.
    if (m_drawing) {
        if (ZVDComposite* root = m_drawing->root()) detachLayer(root, layer);
        if (ZVDBlockDefinitionTable* blocks = m_drawing->blockDefinitionTable())
            for (int b = 0; b < blocks->count(); ++b)
                for (int i = 0; i < blocks->item(b)->count(); ++i) detachLayer(blocks->item(b)->items(i), layer);
    }
    takeEntry(index);  // deleted here
    if (m_curLayer == layer) m_curLayer = item(0);
    doDataChanged();
}

void ZVDLayerTable::validate0Layer() {
    if (count() == 0) {
        ZVDLayer* zero = add(L"0");
        zero->setID(0);  // the standard layer keeps identifier 0, which items refer to
        zero->setColor(kLayer0Color);
        zero->setVisible(true);
        return;
    }
    if (item(0)->iD() == 0) return;
    for (int i = 1; i < count(); ++i) {
        if (item(i)->iD() == 0) {
            insertEntry(0, takeEntry(i));
            return;
        }
    }
    insertEntry(0, newLayerZero());
    doDataChanged();
}

void ZVDLayerTable::applyLoaded(const std::wstring& name, int id, int color, bool visible) {
    ZVDLayer* layer = add(name);
    layer->setID(id);
    layer->setColor(color);
    layer->setVisible(visible);
}

void ZVDLayerTable::finishLoad() {
    validate0Layer();
    m_curLayer = item(0);
}

// ---- XML ----

void ZVDLayerTable::loadFromXMLNode(const QDomElement& layersElement, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    for (QDomElement e = layersElement.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        applyLoaded(e.attribute(qs(names->layerName)).toStdWString(), e.attribute(qs(names->layerID)).toInt(),
                    e.attribute(qs(names->layerColor)).toInt(),
                    e.attribute(qs(names->layerVisible)).compare(QLatin1String("True"), Qt::CaseInsensitive) == 0);
    }
    finishLoad();
}

void ZVDLayerTable::saveToXMLNode(QDomElement& root, ZXMLAttrNames* names) {
    names = namesOrDefault(names);
    QDomDocument doc = root.ownerDocument();
    QDomElement section = doc.createElement(qs(names->layers));
    root.appendChild(section);
    for (int i = 0; i < count(); ++i) {
        const ZVDLayer* layer = item(i);
        QDomElement e = doc.createElement(qs(names->layer));
        e.setAttribute(qs(names->layerID), layer->iD());
        e.setAttribute(qs(names->layerName), qs(layer->name()));
        e.setAttribute(qs(names->layerColor), layer->color());
        e.setAttribute(qs(names->layerVisible), layer->visible() ? QStringLiteral("True") : QStringLiteral("False"));
        section.appendChild(e);
    }
}

// ---- binary stream ----

void ZVDLayerTable::saveToStream(std::iostream* stream) {
    if (!stream) return;
    std::iostream& s = *stream;
    writeLE<int32_t>(s, static_cast<int32_t>(count()));
    for (int i = 0; i < count(); ++i) {
        const ZVDLayer* layer = item(i);
        writeLE<int32_t>(s, layer->iD());
        zvdload::writeAnsiShortString(s, layer->name());
        writeLE<int32_t>(s, layer->color());
        writeLE<uint8_t>(s, layer->visible() ? 1 : 0);
    }
}

bool ZVDLayerTable::loadFromStream(std::iostream* stream) {
    if (!stream) return false;
    bool ok = false;
    try {
        std::iostream& s = *stream;
        int32_t n = 0;
        ok = readLE(s, n) && n >= 0;
        for (int32_t i = 0; ok && i < n; ++i) {
            int32_t id = 0, color = 0;
            uint8_t visible = 0;
            ok = readLE(s, id);
            const std::wstring name = ok ? vdcommon::loadAnsiStringFromStream(s, 1) : std::wstring();
            ok = ok && !s.fail() && readLE(s, color) && readLE(s, visible);
            if (ok) applyLoaded(name, id, color, visible != 0);
        }
    } catch (...) {
        ok = false;  // a stream that throws on failure: the section ends here
    }
    finishLoad();
    if (!ok) zvdload::markStreamFailed(*stream);
    return ok;
}
