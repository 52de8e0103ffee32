// zvd: ZVDBlockDefinition and ZVDBlockDefinitionTable, the item groups that block references show.
// A definition owns its items; the table owns its definitions. Nothing here reports a change.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "zgp/vec2.h"
#include "zvd/document/zvdsymboltable.h"
#include "zvd/foundation/zvdexport.h"

class QDomElement;
class ZVDEntity;
class ZVectorDrawing;
class ZXMLAttrNames;

class ZVD_EXPORT ZVDBlockDefinition : public ZVDSymbol {
public:
    ZVDBlockDefinition() = default;
    ZVDBlockDefinition(const ZVDBlockDefinition&) = delete;
    ZVDBlockDefinition& operator=(const ZVDBlockDefinition&) = delete;
    ~ZVDBlockDefinition() override;

    const std::wstring& name() const { return m_name; }
    void setName(const std::wstring& name) {
        m_name = name;
        keysChanged();
    }
    // Insertion base point in definition coordinates.
    const zgp::CVec2<double>& origin() const { return m_origin; }
    void setOrigin(const zgp::CVec2<double>& origin) { m_origin = origin; }

    int count() const { return static_cast<int>(m_items.size()); }
    // Null out of range.
    ZVDEntity* items(int index) const;
    // Appends item and takes ownership. Null and an item already held are ignored (holding a
    // pointer twice would delete it twice).
    void add(ZVDEntity* item);
    // Deletes item and takes it out; nothing when absent.
    void remove(ZVDEntity* item);
    // Deletes every item.
    void clear();
    // owner: the ZVDSymbolTable<ZVDBlockDefinition> that holds the definition (not owned).
    void setOwner(void* owner) { m_owner = static_cast<ZVDSymbolTable<ZVDBlockDefinition>*>(owner); }
    // The drawing of the owning table, or null.
    ZVectorDrawing* drawing() const;

    // Fills the definition's own element: "ID", "Name", "Origin" and one item element each.
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names);
    // Reads the definition from its element; item elements of unknown type are skipped.
    void loadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names);
    void saveToStream(std::iostream* stream);
    // Reads the definition's record. An unknown item type ends the item list (the rest of that
    // list cannot be framed); false when the stream failed, the partly read item being dropped.
    bool loadFromStream(std::iostream* stream);

private:
    std::vector<std::unique_ptr<ZVDEntity>>::const_iterator find(const ZVDEntity* item) const;

    std::vector<std::unique_ptr<ZVDEntity>> m_items;  // owned, like every container's children
    zgp::CVec2<double> m_origin;
    std::wstring m_name;
    ZVDSymbolTable<ZVDBlockDefinition>* m_owner = nullptr;
};

class ZVD_EXPORT ZVDBlockDefinitionTable : public ZVDSymbolTable<ZVDBlockDefinition> {
public:
    explicit ZVDBlockDefinitionTable(ZVectorDrawing* drawing);
    ~ZVDBlockDefinitionTable() override;

    ZVectorDrawing* owner() const { return m_drawing; }

    // Appends a new definition for every child element of the "BLOCKS" element.
    void loadFromXMLNode(const QDomElement& blocksElement, ZXMLAttrNames* names);
    // Appends the "BLOCKS" element with one "BLOCK" element per definition to root.
    void saveToXMLNode(QDomElement& root, ZXMLAttrNames* names);
    // Reads the block-definition section. False when the stream failed or the count is
    // negative; definitions read completely before that are kept.
    bool loadFromStream(std::iostream* stream);
    void saveToStream(std::iostream* stream);

private:
    ZVectorDrawing* m_drawing;
};
