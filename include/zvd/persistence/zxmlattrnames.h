// zvd: the table of XML element and attribute names used by every XML save and load call.
// Two name sets: the long names of format versions 1.0 and 1.1 and the short names of all others.
#pragma once

#include <string>

#include "zvd/foundation/zvdexport.h"
#include "zvd/persistence/zvdformatversion.h"

// File format selector of the drawing's save and load calls.
enum EnVDSaveFormat { vdsfBinary = 0, vdsfXML = 1 };

// Names of the XML elements and attributes of one format version. A name that the long set
// lacks is the empty string there: such an attribute is never found when reading and must not
// be written. The short set uses "FS" for both fillStyle and fontStyle, and the long set
// "BackColor" for both backColor and textBackColor; each is read only by the item kinds that
// own it. The long names of angle and transparent are not valid XML names, so 1.0/1.1 files
// never supply those two values and texts read from them keep their defaults.
class ZVD_EXPORT ZXMLAttrNames {
public:
    // The short set, as the current format version "3.4" uses.
    ZXMLAttrNames();
    // The long set when version is exactly "1.0" or "1.1", the short set for any other string.
    explicit ZXMLAttrNames(const std::wstring& version);

    static bool usesLongNames(const std::wstring& version);
    bool isLongSet() const { return m_format.longXmlNames(); }
    // The format version the names were made for: the version of the document being read or
    // written, whose layout the item readers follow.
    const ZVDFormatVersion& format() const { return m_format; }

    std::wstring drawingWidth;
    std::wstring drawingHeight;
    std::wstring backColor;
    std::wstring remark;
    std::wstring extData;
    std::wstring layers;
    std::wstring layer;
    std::wstring layerID;
    std::wstring layerName;
    std::wstring layerColor;
    std::wstring layerVisible;
    std::wstring drawingItems;
    std::wstring item;
    std::wstring itemType;
    std::wstring id;
    std::wstring relationID;
    std::wstring color;
    std::wstring enableType;
    std::wstring insertPt;
    std::wstring pointSize;
    std::wstring pointStyle;
    std::wstring line;
    std::wstring centerPt;
    std::wstring radius;
    std::wstring clockSign;
    std::wstring lineType;
    std::wstring lineWidth;
    std::wstring lineStyle;
    std::wstring startMarkStyle;
    std::wstring endMarkStyle;
    std::wstring startMarkSize;
    std::wstring endMarkSize;
    std::wstring xPoly;
    std::wstring polyline;
    std::wstring fillStyle;
    std::wstring text;
    std::wstring angle;
    std::wstring fontName;
    std::wstring fontHeight;
    std::wstring fontStyle;
    std::wstring transparent;
    std::wstring textBackColor;
    std::wstring horzAlignment;
    std::wstring vertAlignment;
    std::wstring blockTypeID;
    std::wstring blockID;
    std::wstring hchPattern;
    std::wstring hchStyle;
    std::wstring hchPoly;
    std::wstring commentPoly;
    std::wstring date;
    std::wstring prevItemID;
    std::wstring nextItemID;
    std::wstring majorRadius;
    std::wstring minorRadius;
    std::wstring majorAxis;
    std::wstring ellipseRange;
    std::wstring ellipseClose;
    std::wstring hatchPolyNum;
    std::wstring hatchCurveType;
    std::wstring hatchPolyType;
    std::wstring widthFactor;
    std::wstring horzSpace;
    std::wstring vertSpace;
    std::wstring constraintDataType;
    std::wstring entityID1;
    std::wstring entityID2;
    std::wstring constraintValue;
    std::wstring constraintRefType1;
    std::wstring constraintRefType2;
    std::wstring constraintRefLine;

private:
    void fill();
    ZVDFormatVersion m_format;
};
