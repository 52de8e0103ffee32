// zvd: ZVDLayer and ZVDLayerTable, the layers that a drawing's items point to.
// The table always starts with layer "0" and refuses to erase a layer a top-level item uses.
#pragma once

#include <iosfwd>
#include <string>

#include "zvd/document/zvdsymboltable.h"
#include "zvd/foundation/zvdexport.h"

class QDomElement;
class ZVDEntity;
class ZVectorDrawing;
class ZXMLAttrNames;

// A layer: name, colour and visibility. Changed values are reported through the owning table.
class ZVD_EXPORT ZVDLayer : public ZVDSymbol {
public:
    ZVDLayer() = default;
    const std::wstring& name() const { return m_name; }
    void setName(const std::wstring& name);
    int color() const { return m_color; }
    void setColor(int color);
    bool visible() const { return m_visible; }
    void setVisible(bool visible);
    // owner: the ZVDSymbolTable<ZVDLayer> that holds the layer (not owned), or null.
    void setOwner(void* owner) { m_owner = static_cast<ZVDSymbolTable<ZVDLayer>*>(owner); }

private:
    void changed();

    std::wstring m_name;
    int m_color = 0;
    bool m_visible = false;
    ZVDSymbolTable<ZVDLayer>* m_owner = nullptr;
};

class ZVD_EXPORT ZVDLayerTable : public ZVDSymbolTable<ZVDLayer> {
    friend class ZVectorDrawing;

public:
    // Creates layer "0": identifier 0, white (0xffffff), visible, current. drawing: not owned.
    explicit ZVDLayerTable(ZVectorDrawing* drawing);
    ~ZVDLayerTable() override;

    // Refused (nothing happens) while a top-level item of the drawing uses the layer. An erased
    // current layer passes "current" to the first remaining layer (or none). Nested items that
    // pointed at the erased layer are left without a layer.
    void erase(int index) override;

    ZVDLayer* curLayer() const { return m_curLayer; }
    // Makes layer current when the table holds it (null clears it); otherwise nothing.
    void setCurLayer(ZVDLayer* layer);
    ZVectorDrawing* drawing() const { return m_drawing; }

    // Reads the layers from the layer-section element (every child element, whatever its tag).
    void loadFromXMLNode(const QDomElement& layersElement, ZXMLAttrNames* names);
    // Appends the layer-section element, with one element per layer, to root.
    void saveToXMLNode(QDomElement& root, ZXMLAttrNames* names);
    // Reads the layer section. False when the stream failed or the count is negative; the
    // layers read before the failure are kept and layer "0" is still ensured.
    bool loadFromStream(std::iostream* stream);
    // Layer names are written in the ANSI code page with a 1-byte length; longer names are cut
    // to 255 bytes.
    void saveToStream(std::iostream* stream);

protected:
    // Change counter, observers (code 6, null item) and repaint request of the drawing.
    void doDataChanged() override;

private:
    bool layerUsed(ZVDLayer* layer) const;
    // The standard layer "0": identifier 0, white, visible, owned by this table.
    std::unique_ptr<ZVDLayer> newLayerZero();
    // Ensures layer "0" with identifier 0 at the front (creating it when the table is empty or
    // has no identifier 0).
    void validate0Layer();
    // Stored layer record: found or created by name, then identifier, colour and visibility.
    void applyLoaded(const std::wstring& name, int id, int color, bool visible);
    void finishLoad();
    static void detachLayer(ZVDEntity* item, ZVDLayer* layer);

    ZVDLayer* m_curLayer = nullptr;
    ZVectorDrawing* m_drawing;
};
