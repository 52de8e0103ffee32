// zvd: ZVDBlockReference, the item (type 10, display level 2) that places a block definition's
// items through a transform matrix and may carry a clip boundary; and its coordinate snapshot.
#pragma once

#include "zgp/loop.h"
#include "zgp/matrix.h"
#include "zvd/entities/zvdentity.h"

class ZVDBlockDefinition;

// Snapshot of a block reference: identifier, definition identifier (-1: none), a copy of the
// clip boundary (null when there is none) and of the matrix.
class ZVD_EXPORT ZVDBlockReferenceCoordData : public ZVDCoordData {
public:
    ZVDBlockReferenceCoordData() = default;
    ~ZVDBlockReferenceCoordData() override;

    int blockDefinitionID = -1;
    zgp::CRefPtr<zgp::CPolygon> clipBoundary;
    zgp::CMatrix3<double> matrix;
};

// The definition's items are drawn, hit-tested and bounded as transformed copies made afresh for
// each request (each item's transform(matrix)) and deleted at once; the definition stays shared
// and unchanged and is not owned. The matrix acts on row vectors, translation in its third row.
//
// A reference shows nothing — draws nothing, hits nothing, has the empty box — without a
// definition, with an empty one, with a matrix that cannot place anything (a value not finite,
// m8 zero or a linear part of determinant zero), and inside its own expansion: a definition that
// shows itself, directly or through others, is expanded once, references nested deeper than 32
// definitions show nothing, and one request makes at most 100,000 copies in all, so that a
// cycle or a hostile file whose definitions multiply one another never runs without end.
//
// The clip boundary (world coordinates) travels with the reference as its operations say; it
// does not clip the copies and is not part of the box.
class ZVD_EXPORT ZVDBlockReference : public ZVDEntity {
public:
    ZVDBlockReference();
    ~ZVDBlockReference() override;
    static zgp::IBase* CreateInstance();

    // Base attributes; when other is a block reference, its definition, a copy of its boundary
    // (or none) and its matrix values.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // A ZVDBlockReferenceCoordData: the definition looked up by identifier in the owner's table
    // (null when absent or without owner), a copy of its boundary, its matrix; then the report.
    void setCoordData(ZVDCoordData& data) override;
    // Own dispatch (empty hooks), then every copy, with the reference's selected flag.
    void draw(HDC hdc, const ZCoordTrans& trans, bool elastic, int level) override;
    bool hitSelect(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2, double tol) override;
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override;
    // move, rotate and mirror multiply the matrix on the right by the translation, rotation or
    // reflection; the clip boundary stays where it is.
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    // A clone whose boundary is transformed by matrix and whose matrix is multiplied by it; null
    // when the kernel cannot transform the boundary.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    // One grip (none while showGrip is off), type 2, at the image of the definition's origin
    // point (0, 0): (m6 / m8, m7 / m8), or (m6, m7) when m8 is 0. Dragging it moves the
    // boundary and the matrix.
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    // "BDID" (-1 without a definition), "Transform" and, with a boundary, "Boundary".
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    ZVDBlockDefinition* blockDefinition() const { return m_definition; }
    // No report.
    void setBlockDefinition(ZVDBlockDefinition* definition) { m_definition = definition; }
    zgp::CPolygon* clipBoundary() const { return m_clipBoundary.Get(); }
    // Takes over the caller's reference and releases the previous boundary; null removes it.
    // No report.
    void setClipBoundary(zgp::CPolygon* boundary) { m_clipBoundary.Reset(boundary); }
    const zgp::CMatrix3<double>& transformMatrix() const { return m_matrix; }
    // Copies the nine values (null is ignored). No report.
    void setTransformMatrix(const zgp::CMatrix3<double>* matrix);

protected:
    // The union of the copies' freshly built boxes.
    void buildOutRect(zgp::CBox2<double>& box) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    // A record cut short, or a boundary that does not read, leaves the stream failed.
    void doLoadFromStream(std::iostream* stream) override;

private:
    // Calls visit with each transformed copy in definition order until it answers true; answers
    // whether one did. Nothing is visited when the reference shows nothing (see the class).
    template <class Visit>
    bool forEachCopy(Visit visit);
    // The matrix places something: finite values, m8 not 0, an invertible linear part.
    bool placeable() const;
    // The definition with this identifier in the owner's table, or null.
    ZVDBlockDefinition* lookUpDefinition(int id) const;
    void changed();

    ZVDBlockDefinition* m_definition = nullptr;
    zgp::CRefPtr<zgp::CPolygon> m_clipBoundary;
    zgp::CMatrix3<double> m_matrix;

    static SetDispLevelHelper m_autoSetDispLevel;
};
