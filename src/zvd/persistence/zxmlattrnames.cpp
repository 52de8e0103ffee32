// zvd: the long and short XML name sets, one row per field in declaration order.
// Both sets are fixed by the files already written; the names must not change.
#include "zvd/persistence/zxmlattrnames.h"

namespace {

struct NameRow {
    std::wstring ZXMLAttrNames::*field;
    const wchar_t* longName;
    const wchar_t* shortName;
};

// Long set (versions 1.0 and 1.1) and short set (every other version).
const NameRow kNames[] = {
    {&ZXMLAttrNames::drawingWidth, L"DrawingWidth", L"DrawingWidth"},
    {&ZXMLAttrNames::drawingHeight, L"DrawingHeight", L"DrawingHeight"},
    {&ZXMLAttrNames::backColor, L"BackColor", L"BackColor"},
    {&ZXMLAttrNames::remark, L"Remark", L"Remark"},
    {&ZXMLAttrNames::extData, L"ExtData", L"ExtData"},
    {&ZXMLAttrNames::layers, L"Layers", L"Layers"},
    {&ZXMLAttrNames::layer, L"Layer", L"Layer"},
    {&ZXMLAttrNames::layerID, L"LayerID", L"LID"},
    {&ZXMLAttrNames::layerName, L"LayerName", L"LayerName"},
    {&ZXMLAttrNames::layerColor, L"LayerColor", L"LayerColor"},
    {&ZXMLAttrNames::layerVisible, L"LayerVisible", L"LayerVisible"},
    {&ZXMLAttrNames::drawingItems, L"DrawingItems", L"DrawingItems"},
    {&ZXMLAttrNames::item, L"Item", L"DI"},
    {&ZXMLAttrNames::itemType, L"ItemType", L"DIT"},
    {&ZXMLAttrNames::id, L"ID", L"ID"},
    {&ZXMLAttrNames::relationID, L"", L"RID"},
    {&ZXMLAttrNames::color, L"Color", L"Cl"},
    {&ZXMLAttrNames::enableType, L"", L"EType"},
    {&ZXMLAttrNames::insertPt, L"InsertPt", L"IP"},
    {&ZXMLAttrNames::pointSize, L"PointSize", L"PS"},
    {&ZXMLAttrNames::pointStyle, L"PointStyle", L"PST"},
    {&ZXMLAttrNames::line, L"Line", L"Ln"},
    {&ZXMLAttrNames::centerPt, L"CenterPt", L"CP"},
    {&ZXMLAttrNames::radius, L"Radius", L"R"},
    {&ZXMLAttrNames::clockSign, L"ClockSign", L"ClockSign"},
    {&ZXMLAttrNames::lineType, L"LineType", L"LT"},
    {&ZXMLAttrNames::lineWidth, L"LineWidth", L"LW"},
    {&ZXMLAttrNames::lineStyle, L"LineStyle", L"LS"},
    {&ZXMLAttrNames::startMarkStyle, L"", L"SMST"},
    {&ZXMLAttrNames::endMarkStyle, L"", L"EMST"},
    {&ZXMLAttrNames::startMarkSize, L"", L"SMS"},
    {&ZXMLAttrNames::endMarkSize, L"", L"EMS"},
    {&ZXMLAttrNames::xPoly, L"XPoly", L"Poly"},
    {&ZXMLAttrNames::polyline, L"Polyline", L"PL"},
    {&ZXMLAttrNames::fillStyle, L"FillStyle", L"FS"},
    {&ZXMLAttrNames::text, L"Text", L"T"},
    {&ZXMLAttrNames::angle, L"m_pXMLAttrNames->angle", L"A"},
    {&ZXMLAttrNames::fontName, L"FontName", L"FN"},
    {&ZXMLAttrNames::fontHeight, L"FontHeight", L"FH"},
    {&ZXMLAttrNames::fontStyle, L"FontStyle", L"FS"},
    {&ZXMLAttrNames::transparent, L"Trm_pXMLAttrNames->ansparent", L"Tp"},
    {&ZXMLAttrNames::textBackColor, L"BackColor", L"BC"},
    {&ZXMLAttrNames::horzAlignment, L"HorzAlignment", L"HA"},
    {&ZXMLAttrNames::vertAlignment, L"VertAlignment", L"VA"},
    {&ZXMLAttrNames::blockTypeID, L"BlockTypeID", L"BlockTypeID"},
    {&ZXMLAttrNames::blockID, L"BlcokID", L"BlcokID"},
    {&ZXMLAttrNames::hchPattern, L"HchPattern", L"HchPattern"},
    {&ZXMLAttrNames::hchStyle, L"HchStyle", L"HchStyle"},
    {&ZXMLAttrNames::hchPoly, L"HchPoly", L"HchPoly"},
    {&ZXMLAttrNames::commentPoly, L"CommentPoly", L"CommentPoly"},
    {&ZXMLAttrNames::date, L"Date", L"Date"},
    {&ZXMLAttrNames::prevItemID, L"", L"PrevItemID"},
    {&ZXMLAttrNames::nextItemID, L"", L"NextItemID"},
    {&ZXMLAttrNames::majorRadius, L"MajorRadius", L"MajorRadius"},
    {&ZXMLAttrNames::minorRadius, L"MinorRadius", L"MinorRadius"},
    {&ZXMLAttrNames::majorAxis, L"MajorAxis", L"MajorAxis"},
    {&ZXMLAttrNames::ellipseRange, L"EllipseRange", L"EllipseRange"},
    {&ZXMLAttrNames::ellipseClose, L"EllipseClose", L"EllipseClose"},
    {&ZXMLAttrNames::hatchPolyNum, L"HatchPolyNum", L"HatchPolyNum"},
    {&ZXMLAttrNames::hatchCurveType, L"HatchCurveType", L"HatchCurveType"},
    {&ZXMLAttrNames::hatchPolyType, L"HatchPolyType", L"HatchPolyType"},
    {&ZXMLAttrNames::widthFactor, L"WidthFactor", L"WidthFactor"},
    {&ZXMLAttrNames::horzSpace, L"HorzSpace", L"HorzSpace"},
    {&ZXMLAttrNames::vertSpace, L"VertSpace", L"VertSpace"},
    {&ZXMLAttrNames::constraintDataType, L"ConstraintDataType", L"ConstraintDataType"},
    {&ZXMLAttrNames::entityID1, L"EntityID1", L"EntityID1"},
    {&ZXMLAttrNames::entityID2, L"EntityID2", L"EntityID2"},
    {&ZXMLAttrNames::constraintValue, L"ConstraintValue", L"ConstraintValue"},
    {&ZXMLAttrNames::constraintRefType1, L"ConstraintRefType1", L"ConstraintRefType1"},
    {&ZXMLAttrNames::constraintRefType2, L"ConstraintRefType2", L"ConstraintRefType2"},
    {&ZXMLAttrNames::constraintRefLine, L"ConstraintRefLine", L"ConstraintRefLine"},
};

}  // namespace

ZXMLAttrNames::ZXMLAttrNames() : m_format(ZVDFormatVersion::current()) { fill(); }

ZXMLAttrNames::ZXMLAttrNames(const std::wstring& version) : m_format(version) { fill(); }

bool ZXMLAttrNames::usesLongNames(const std::wstring& version) { return ZVDFormatVersion(version).longXmlNames(); }

void ZXMLAttrNames::fill() {
    const bool longSet = m_format.longXmlNames();
    for (const NameRow& row : kNames) this->*(row.field) = longSet ? row.longName : row.shortName;
}
