// zvd: the drawing's XML document: saving through the deterministic writer or into a host's DOM,
// and loading from a stream (item by item) or from a DOM, with the rules of older format versions.
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QString>
#include <QTextStream>

#include "entities/zvdxmlutil.h"
#include "persistence/zvdarctest.h"
#include "persistence/zvdxmlreader.h"
#include "persistence/zvdxmlwriter.h"
#include "zvd/constraints/zvdconstraintdimension.h"
#include "zvd/document/zvdblockdefinition.h"
#include "zvd/document/zvdlayer.h"
#include "zvd/document/zvdselset.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcomposite.h"
#include "zvd/entities/zvdentity.h"

namespace {

const char kRootTag[] = "ZelvaroneVectorDrawing";
const char kVersionAttr[] = "Version";
const char kBlocksTag[] = "BLOCKS";

QString qs(const std::wstring& s) { return QString::fromStdWString(s); }

// ---- saving ----

// Receives the parts of the document in order: the root's attributes, then each section.
// The drawing-items section comes as its start, its item elements one by one, and its end, so
// that a streaming receiver never holds more than one item element.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void root(const QDomElement& root) = 0;
    virtual void section(const QDomElement& section) = 0;
    virtual void beginItems(const QDomElement& items) = 0;
    virtual void item(const QDomElement& item) = 0;
    virtual void endItems() = 0;
};

// Builds every part of the document in doc and hands it to sink. root carries the element that
// receives the root's attributes.
void emitFrame(ZVectorDrawing& d, QDomDocument& doc, QDomElement& root, bool selectedOnly, FrameSink& sink) {
    ZXMLAttrNames* names = d.xmlAttrNames();
    root.setAttribute(QLatin1String(kVersionAttr), qs(d.version()));
    zvdxml::setAttribute(root, names->backColor, d.backColor());
    zvdxml::setAttribute(root, names->drawingWidth, d.drawingWidth());
    zvdxml::setAttribute(root, names->drawingHeight, d.drawingHeight());
    sink.root(root);

    for (const auto& part : {std::make_pair(names->remark, d.remark()), std::make_pair(names->extData, d.extData())}) {
        QDomElement e = doc.createElement(qs(part.first));
        e.appendChild(doc.createTextNode(qs(part.second)));
        sink.section(e);
    }

    // The tables append their section to the element they are given.
    QDomElement holder = doc.createElement(QStringLiteral("holder"));
    d.layers()->saveToXMLNode(holder, names);
    for (QDomElement e = holder.firstChildElement(); !e.isNull(); e = holder.firstChildElement()) {
        holder.removeChild(e);
        sink.section(e);
    }

    QDomElement items = doc.createElement(qs(names->drawingItems));
    sink.beginItems(items);
    const QString itemTag = qs(names->item);
    auto emitItem = [&](ZVDEntity* entity) {
        QDomElement e = doc.createElement(itemTag);
        entity->saveToXMLNode(e, names);
        sink.item(e);
    };
    if (selectedOnly) {
        ZVDSelSet* sel = d.selSet();
        for (int i = 0; i < sel->count(); ++i) emitItem(sel->item(i));
    } else {
        for (int i = 0; i < d.count(); ++i) emitItem(d.item(i));
    }
    sink.endItems();

    d.blockDefinitionTable()->saveToXMLNode(holder, names);
    for (QDomElement e = holder.firstChildElement(); !e.isNull(); e = holder.firstChildElement()) {
        holder.removeChild(e);
        sink.section(e);
    }
}

// Fills the host's root element.
class DomSink : public FrameSink {
public:
    explicit DomSink(QDomElement& root) : m_root(root) {}
    void root(const QDomElement&) override {}
    void section(const QDomElement& section) override { m_root.appendChild(section); }
    void beginItems(const QDomElement& items) override {
        m_items = items;
        m_root.appendChild(m_items);
    }
    void item(const QDomElement& item) override { m_items.appendChild(item); }
    void endItems() override {}

private:
    QDomElement& m_root;
    QDomElement m_items;
};

// Serializes each part as it comes; the part's DOM nodes are dropped right after.
class WriterSink : public FrameSink {
public:
    explicit WriterSink(zvdxml::Writer& writer) : m_writer(writer) {}
    void root(const QDomElement& root) override { m_writer.writeStartElement(root); }
    void section(const QDomElement& section) override { m_writer.writeElement(section); }
    void beginItems(const QDomElement& items) override { m_writer.writeStartElement(items); }
    void item(const QDomElement& item) override { m_writer.writeElement(item); }
    void endItems() override { m_writer.writeEndElement(); }

private:
    zvdxml::Writer& m_writer;
};

// ---- loading ----

// Whether an arc element of an older file fails to give an arc: a line type of 0, or end points,
// radius and arc type from which the kernel builds no arc.
bool arcElementInvalid(const QDomElement& e, const ZXMLAttrNames* names) {
    const int type = zvdxml::intAttribute(e, names->lineType);
    if (type == 0) return true;
    const std::vector<double> p = zvdxml::splitReals(zvdxml::attribute(e, names->line), 4);
    const double radius = zvdxml::attribute(e, names->radius).toDouble();
    const zgp::CVec2<double> start(p[0], p[1]), end(p[2], p[3]);
    return !zvdpersist::buildsArc(start, end, radius, type);
}

// The item of one item element, read with the drawing as its owner (so it finds its layer and the
// file's version), or null when the element is skipped: block references, unknown types and items
// that read identifier -1. Reading reports the item's data change; the item is not yet added.
ZVDEntity* readItemElement(ZVectorDrawing& d, const QDomElement& e, ZXMLAttrNames* names) {
    int type = zvdxml::intAttribute(e, names->itemType);
    if (d.format().arcsMayBeLines() && type == vdiArc && arcElementInvalid(e, names)) type = vdiLine;
    if (type == vdiBlockReference) return nullptr;
    std::unique_ptr<ZVDEntity> item(ZVDEntity::createItem(type));
    if (!item) return nullptr;
    item->setOwner(&d);
    item->loadFromXMLNode(e, names);
    if (item->iD() == -1) return nullptr;
    return item.release();
}

// The data-changed reports that reading item made while the observers were paused, in the order
// reading makes them: nested items first (containers read their children inside their own
// reading), then the item. Items that read identifier -1 make none.
void replayLoadReports(ZVectorDrawing& d, ZVDEntity* item) {
    for (int i = 0; i < item->count(); ++i)
        if (ZVDEntity* child = item->items(i)) replayLoadReports(d, child);
    if (item->iD() != -1) d.doDataChanged(item, false);
}

// The whole stream, from its start. False when it holds nothing or cannot be read; too large a
// stream for one buffer is answered as unreadable too, with tooLarge set.
bool readWholeStream(std::iostream& s, QByteArray& bytes, bool& tooLarge) {
    tooLarge = false;
    s.clear();
    s.seekg(0, std::ios::end);
    const std::streamoff size = s.fail() ? -1 : static_cast<std::streamoff>(s.tellg());
    s.clear();
    s.seekg(0, std::ios::beg);
    const std::streamoff limit = 0x7fffffff - 64;
    if (size > limit) {
        tooLarge = true;
        return false;
    }
    if (size >= 0) {
        bytes.resize(static_cast<int>(size));
        s.read(bytes.data(), size);
        bytes.resize(static_cast<int>(s.gcount()));
    } else {
        // Not seekable: read to the end in pieces, from wherever the stream stands.
        s.clear();
        char chunk[65536];
        while (s.read(chunk, sizeof chunk) || s.gcount() > 0) {
            if (bytes.size() + s.gcount() > limit) {
                tooLarge = true;
                return false;
            }
            bytes.append(chunk, static_cast<int>(s.gcount()));
        }
    }
    return !bytes.isEmpty();
}

// What one streaming pass over the root's children collected. Items are read as they come; the
// sections they do not depend on are kept as small DOM elements and applied after the pass.
struct StreamPass {
    bool remarkSeen = false, extDataSeen = false, layersSeen = false, itemsSeen = false, blocksSeen = false;
    QString remark, extData;
    QDomElement blocks;
    // A layer section that came after the items: the items must be read again once it is loaded.
    QDomElement lateLayers;
    // Items holding block references were read before the block definitions were loaded: they
    // found none, and must be read again once the definitions are in place.
    bool referencesBeforeBlocks = false;
    std::vector<std::unique_ptr<ZVDEntity>> items;
};

// Whether item is or holds a block reference.
bool holdsBlockReference(const ZVDEntity& item) {
    if (item.itemType() == vdiBlockReference) return true;
    for (int i = 0; i < item.count(); ++i)
        if (item.items(i) && holdsBlockReference(*item.items(i))) return true;
    return false;
}

// Walks the root's children (the reader is at the root's start). Only the first element of each
// section name counts. Layers are loaded into the drawing at once, unless layersLoaded says they
// already are; the block section is kept in pass.blocks unless blocksLoaded says it is loaded;
// items are read into pass.items. False on a parse error.
bool readSections(zvdxml::Reader& reader, ZVectorDrawing& d, ZXMLAttrNames* names, bool layersLoaded,
                  bool blocksLoaded, StreamPass& pass) {
    const QString remarkTag = qs(names->remark), extDataTag = qs(names->extData), layersTag = qs(names->layers),
                  itemsTag = qs(names->drawingItems), blocksTag = QLatin1String(kBlocksTag);
    const bool hasBlocks = d.format().hasXmlBlocks();
    pass.layersSeen = layersLoaded;
    pass.blocksSeen = blocksLoaded;
    while (reader.nextChild()) {
        const QStringRef tag = reader.name();
        if (!pass.remarkSeen && tag == remarkTag) {
            pass.remarkSeen = true;
            pass.remark = reader.readText();
        } else if (!pass.extDataSeen && tag == extDataTag) {
            pass.extDataSeen = true;
            pass.extData = reader.readText();
        } else if (!pass.layersSeen && tag == layersTag) {
            pass.layersSeen = true;
            const QDomElement layers = reader.readElement();
            if (layers.isNull()) return false;
            if (pass.itemsSeen)
                pass.lateLayers = layers;
            else
                d.layers()->loadFromXMLNode(layers, names);
        } else if (!pass.itemsSeen && tag == itemsTag) {
            pass.itemsSeen = true;
            while (reader.nextChild()) {
                const QDomElement e = reader.readElement();
                if (e.isNull()) return false;
                std::unique_ptr<ZVDEntity> item(readItemElement(d, e, names));
                if (!item) continue;
                if (!blocksLoaded && holdsBlockReference(*item)) pass.referencesBeforeBlocks = true;
                pass.items.push_back(std::move(item));
            }
        } else if (!pass.blocksSeen && hasBlocks && tag == blocksTag) {
            pass.blocksSeen = true;
            pass.blocks = reader.readElement();
            if (pass.blocks.isNull()) return false;
        } else {
            reader.skipElement();
        }
        if (reader.hasError()) return false;
    }
    return reader.finish();
}

// Restores a drawing's observers when a load ends, however it ends.
class ObserverPause {
public:
    explicit ObserverPause(VDObserverList& list) : m_list(list), m_saved(list) { m_list.clearAllObserver(); }
    ~ObserverPause() { resume(); }
    void resume() {
        if (m_paused) m_list = m_saved;
        m_paused = false;
    }

private:
    VDObserverList& m_list;
    VDObserverList m_saved;
    bool m_paused = true;
};

std::string nativePath(const std::wstring& path) { return QFile::encodeName(qs(path)).toStdString(); }

}  // namespace

// ---- saving ----

bool ZVectorDrawing::saveToXMLFile(const std::wstring& path, bool selectedOnly) {
    QFile file(qs(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
    try {
        zvdxml::Writer writer(&file, m_xmlNames.get());
        writer.writeStartDocument();
        QDomDocument scratch;
        QDomElement root = scratch.createElement(QLatin1String(kRootTag));
        WriterSink sink(writer);
        emitFrame(*this, scratch, root, selectedOnly, sink);
        writer.writeEndDocument();
    } catch (...) {
        // Out of memory while writing: the file is left incomplete, as a full disk would leave it.
    }
    return true;
}

void ZVectorDrawing::saveToXMLNode(QDomElement& root, bool selectedOnly) {
    QDomDocument doc = root.ownerDocument();
    DomSink sink(root);
    emitFrame(*this, doc, root, selectedOnly, sink);
}

// ---- loading ----

bool ZVectorDrawing::loadFromXMLFile(const std::wstring& path) {
    try {
        clearForLoad();
        m_maxID = 0;
        m_changeCount = 0;
        m_updateNesting = 0;
        std::fstream file(nativePath(path), std::ios::in | std::ios::binary);
        if (file.is_open()) loadFromXMLStream(&file);
    } catch (...) {
        // The stream loader catches its own failures; the answer is true whatever happened.
    }
    return true;
}

bool ZVectorDrawing::invalidArcItem(QDomElement* element) {
    return !element || arcElementInvalid(*element, m_xmlNames.get());
}

// A document already parsed into a DOM goes through the same reader as files and streams: the
// element is written out and read back, so that both forms follow one set of rules.
bool ZVectorDrawing::loadFromXMLNode(const QDomElement& root) {
    QByteArray bytes;
    {
        QTextStream out(&bytes);
        out.setCodec("UTF-8");
        root.save(out, 0);
    }
    std::stringstream stream(bytes.toStdString(), std::ios::in | std::ios::out | std::ios::binary);
    return loadFromXMLStream(&stream);
}

// Reads the document element by element: each item element becomes a small DOM element that the
// item reads and that is dropped at once, so memory follows the items, not the document's DOM.
// Nothing reaches the drawing's observers until the whole document proved well-formed: items are
// kept aside and added afterwards, so a malformed document leaves an empty drawing behind.
bool ZVectorDrawing::loadFromXMLStream(std::iostream* stream) {
    if (!stream) return false;
    QByteArray bytes;
    bool tooLarge = false;
    try {
        if (!readWholeStream(*stream, bytes, tooLarge) && !tooLarge) return false;  // empty: untouched
    } catch (...) {
        return false;  // the stream threw before anything was read
    }

    const ZVDFormatVersion previousOriVersion = m_oriFormat;
    bool bracketOpen = false;
    try {
        clear();
        m_maxID = 0;
        m_changeCount = 0;
        m_updateNesting = 0;
        beginUpdate();
        bracketOpen = true;
        clearForLoad();
        m_inputDamaged = false;
        if (tooLarge) throw std::bad_alloc();

        // Elements built by a reader live in its scratch document: keep every reader until the
        // end. There are further passes only when a layer section follows the items that name its
        // layers, or when items hold block references and the block definitions were not loaded
        // as they were read; the items are then read again with the tables in place.
        std::vector<std::unique_ptr<zvdxml::Reader>> readers;
        StreamPass pass;
        QString backColor, drawingWidth, drawingHeight;
        ObserverPause pause(m_observers);
        for (bool layersLoaded = false, blocksLoaded = false;;) {
            readers.emplace_back(new zvdxml::Reader(bytes));
            zvdxml::Reader& reader = *readers.back();
            if (!reader.readRoot() || reader.name() != QLatin1String(kRootTag))
                throw std::runtime_error("not a drawing");
            const QXmlStreamAttributes rootAttrs = reader.attributes();
            const std::wstring version = rootAttrs.value(QLatin1String(kVersionAttr)).toString().toStdWString();
            setVersion(version);
            setOriVersion(version);
            initXMLAttrNameIdentifier(version);
            ZXMLAttrNames* names = m_xmlNames.get();
            backColor = rootAttrs.value(qs(names->backColor)).toString();
            drawingWidth = rootAttrs.value(qs(names->drawingWidth)).toString();
            drawingHeight = rootAttrs.value(qs(names->drawingHeight)).toString();
            pass = StreamPass();
            if (!readSections(reader, *this, names, layersLoaded, blocksLoaded, pass))
                throw std::runtime_error("malformed");
            const bool reloadLayers = !layersLoaded && !pass.lateLayers.isNull();
            const bool reloadBlocks = !blocksLoaded && !pass.blocks.isNull() && pass.referencesBeforeBlocks;
            if (!reloadLayers && !reloadBlocks) break;
            if (reloadLayers) m_layers->loadFromXMLNode(pass.lateLayers, names);
            // Layers read in place during this pass are loaded too: a further pass skips them.
            layersLoaded = layersLoaded || reloadLayers || (pass.layersSeen && pass.lateLayers.isNull());
            // Loading the definitions makes no report, so the observers hear nothing early.
            if (reloadBlocks) m_blockDefinitions->loadFromXMLNode(pass.blocks, names);
            blocksLoaded = blocksLoaded || reloadBlocks;
        }

        if (m_inputDamaged) throw std::runtime_error("undecodable attribute");
        // The document is well-formed: apply the rest in the order of a whole-document read.
        pause.resume();
        ZXMLAttrNames* names = m_xmlNames.get();
        setBackColor(backColor.toInt());
        setDrawingWidth(drawingWidth.toInt());
        setDrawingHeight(drawingHeight.toInt());
        setRemark(pass.remark.toStdWString());
        setExtData(pass.extData.toStdWString());
        if (!pass.blocks.isNull()) m_blockDefinitions->loadFromXMLNode(pass.blocks, names);
        for (std::unique_ptr<ZVDEntity>& held : pass.items) {
            ZVDEntity* item = held.release();
            replayLoadReports(*this, item);
            add(nullptr, item);
        }
        // The XML form keeps where a dimension was placed, not its offsets: derive them anew.
        std::vector<ZVDConstraint*> constraints;
        getAllConstraints(constraints);
        for (ZVDConstraint* c : constraints)
            if (auto* dim = dynamic_cast<ZVDConstraintDimension*>(c)) dim->placeFromPosition();
        if (m_inputDamaged) throw std::runtime_error("undecodable attribute");
        setVersion(ZVDFormatVersion::current().text());
        initXMLAttrNameIdentifier(ZVDFormatVersion::current().text());
        initMaxID();
        m_changeCount = 0;
    } catch (...) {
        // Items read so far went with the pass; the drawing is left as a new one is.
        try {
            clearForLoad();
        } catch (...) {}
        setVersion(ZVDFormatVersion::current().text());
        initXMLAttrNameIdentifier(ZVDFormatVersion::current().text());
        m_oriFormat = previousOriVersion;
        m_changeCount = 0;
        if (bracketOpen) endUpdate();
        return false;
    }
    endUpdate();
    return true;
}
