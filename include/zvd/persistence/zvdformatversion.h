// zvd: ZVDFormatVersion, the one place that says what a drawing format version holds.
// Both file formats and every item reader ask it by name; nothing else compares version numbers.
#pragma once

#include <string>

#include "zvd/foundation/zvdexport.h"

// A drawing format version ("3.4", "1.1", ...) and the answers to every layout question the
// readers and writers of both formats ask about it. Built once from the version string (when a
// load reads it, or when a drawing is made) and then only asked; a cheap value to copy.
//
// Numbers compare with a tolerance of 0.001 ("3.40" is 3.4); the version texts "1.0" and "1.1"
// are recognised exactly, as the oldest files spell them. Unreadable text counts as version 0.
class ZVD_EXPORT ZVDFormatVersion {
public:
    // The version this library writes: "3.4".
    static const ZVDFormatVersion& current();

    explicit ZVDFormatVersion(const std::wstring& version);

    const std::wstring& text() const { return m_text; }
    double number() const { return m_number; }
    // 0 when the version is within 0.001 of v, 1 when above, -1 when below.
    int compare(double v) const;

    // ---- the drawing frame ----
    // "1.0" and "1.1": the XML documents use the long element and attribute names.
    bool longXmlNames() const { return m_oneDotX; }
    // Every version but "1.0" stores extension data (the drawing's and every item's).
    bool hasExtData() const { return m_hasExtData; }
    // Below 1.9 the binary stream's remark and extension data are in the ANSI code page.
    bool ansiStrings() const { return m_ansiStrings; }
    // From 3.0 the XML document holds block definitions (its "BLOCKS" section).
    bool hasXmlBlocks() const { return m_from30; }
    // From 3.1 the binary stream holds the block-definition section.
    bool hasStreamBlocks() const { return m_from31; }
    // Below 3.0 an arc record may hold values no arc can be built from; it is read as a line.
    bool arcsMayBeLines() const { return !m_from30; }

    // ---- every item record (binary stream) ----
    // Above 1.45: the block type and block identifier.
    bool hasBlockFields() const { return m_hasBlockFields; }
    // From 1.6: the relation identifier (older records read it as -1).
    bool hasRelationID() const { return m_hasRelationID; }
    // Above 1.7: the enabling mode.
    bool hasEnableType() const { return m_hasEnableType; }
    // Above 1.9: the current scale.
    bool hasCurrentScale() const { return m_hasCurrentScale; }

    // ---- curves ----
    // "1.0" and "1.1": one mark description (position, size, style) for both ends.
    bool singleCurveMark() const { return m_oneDotX; }
    // From 2.1: the previous and next item identifiers of a chain.
    bool hasCurveChainIds() const { return m_hasChainIds; }
    // Below 3.3: an arc is stored as chord ends, radius and arc type instead of centre and sense.
    bool arcByRadius() const { return m_arcByRadius; }
    // Below 3.0: a circle stores the common fields, line width and line style only.
    bool oldCircleLayout() const { return !m_from30; }
    // Below 3.0: an ellipse stores the common fields, line width and line style only.
    bool oldEllipseLayout() const { return !m_from30; }

    // ---- texts ----
    // From 1.3 the XML text attribute is Base64 of its ANSI bytes; from 1.4 the font name too.
    bool base64Text() const { return m_base64Text; }
    bool base64FontName() const { return m_base64FontName; }
    // From 2.1 (the version read as a plain number) a text record ends with its width factor.
    bool textWidthFactor() const { return m_from21Number; }

    // ---- hatches ----
    // From 2.1 (the version read as a plain number) a hatch record holds kernel polygons; before,
    // one outline of vertex records.
    bool hatchPolygonRecords() const { return m_from21Number; }

    // ---- constraints ----
    // From 3.4 a constraint dimension's record ends with its child constraints' records.
    bool dimensionChildRecords() const { return m_dimensionChildRecords; }

private:
    std::wstring m_text;
    double m_number = 0.0;
    bool m_oneDotX = false;
    bool m_hasExtData = true;
    bool m_ansiStrings = false;
    bool m_from30 = true;
    bool m_from31 = true;
    bool m_hasBlockFields = true;
    bool m_hasRelationID = true;
    bool m_hasEnableType = true;
    bool m_hasCurrentScale = true;
    bool m_hasChainIds = true;
    bool m_arcByRadius = false;
    bool m_base64Text = true;
    bool m_base64FontName = true;
    bool m_from21Number = true;
    bool m_dimensionChildRecords = true;
};
