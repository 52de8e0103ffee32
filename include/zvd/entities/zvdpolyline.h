// zvd: ZVDPolyline, the open chain of line and arc segments (item type 6), and its coordinate
// snapshot. Segments are edited through temporary line and arc items.
#pragma once

#include <memory>
#include <vector>

#include "zgp/loop.h"
#include "zvd/entities/zvdcurve.h"

// Snapshot of a polyline: the item's identifier and a copy of its chain, owned here.
class ZVD_EXPORT ZVDIPolylineCoordData : public ZVDCoordData {
public:
    ZVDIPolylineCoordData() = default;
    ZVDIPolylineCoordData(const ZVDIPolylineCoordData&) = delete;
    ZVDIPolylineCoordData& operator=(const ZVDIPolylineCoordData&) = delete;

    // Null until set; the snapshot releases it.
    zgp::CLoop* polyline() const { return m_loop.Get(); }
    // Takes over the caller's reference to loop (the previous one is released).
    void setPolyline(zgp::CLoop* loop) { m_loop.Reset(loop); }

private:
    zgp::CRefPtr<zgp::CLoop> m_loop;
};

// Grips, all of type 2: 2k the start of segment k, 2k + 1 the middle of segment k (at its middle
// parameter), 2n the end of the last segment. An empty polyline has no grips.
class ZVD_EXPORT ZVDPolyline : public ZVDCurve {
public:
    ZVDPolyline();
    static zgp::IBase* CreateInstance();

    // The curve attributes; when other is a polyline, copies of its segments.
    void assign(ZVDEntity& other) override;
    ZVDCoordData* createCoordData() override;
    // data must be a ZVDIPolylineCoordData holding a chain; anything else is ignored.
    void setCoordData(ZVDCoordData& data) override;
    void move(const zgp::CVec2<double>& offset) override;
    void rotate(const zgp::CVec2<double>& centre, double angle) override;
    // Reflects every segment across the line p1-p2; arcs reverse their turning sense.
    void mirror(const zgp::CVec2<double>& p1, const zgp::CVec2<double>& p2) override;
    // A copy (no owner) whose segments are the kernel's transformed copies; segments the kernel
    // cannot transform are dropped.
    ZVDEntity* transform(zgp::CMatrix3<double>* matrix) override;
    int gripCount() override;
    zgp::CVec2<double> grip(int index) override;
    ZVDGripType gripType(int index) override;
    // A joint drags the end of the segment before it and the start of the one after it; a middle
    // grip drags its segment's middle (a line moves, an arc changes its radius). False, with no
    // change and no report, when the index names no grip or no segment could take the drag.
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    int displayLevel() const override;
    EnVDIType itemType() const override;
    void saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) override;
    void saveToStream(std::iostream* stream) override;

    // Segment i itself, or null out of range.
    zgp::CCurve2d* line(int i) override;
    int xLineCount() const override;
    // A copy of segment i, or null out of range.
    zgp::CRefPtr<zgp::CCurve2d> xLines(int i) override;
    // Puts c itself in place of segment i; the chain takes a reference of its own, so the caller
    // still releases its one. Out of range or null: ignored.
    void setXLines(int i, zgp::CCurve2d* c) override;

    // The owned chain (never null).
    zgp::CLoop* polyline() const { return m_loop.Get(); }
    // Replaces the segments by copies of loop's (the caller keeps loop) and reports the change.
    void setPolyline(zgp::CLoop& loop);

protected:
    // Each segment with an end inside box is stretched as a line or arc item would be.
    void doStretch(const zgp::CBox2<double>& box, const zgp::CVec2<double>& offset) override;
    void doDrawElastic(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawNormal(HDC hdc, const ZCoordTrans& trans) override;
    void doDrawSelected(HDC hdc, const ZCoordTrans& trans) override;
    void doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) override;
    void doLoadFromStream(std::iostream* stream) override;
    // The start of the first segment, then the end of every segment.
    void fillVertexInfoListNoRef(QList<ZVDVertexInfo>& list) override;

private:
    // One stored vertex: the point and the segment that starts there (type 0: a line; else an
    // arc of that radius and kernel arc type).
    struct Vertex {
        zgp::CVec2<double> point;
        double radius = 0.0;
        int type = 0;
    };

    // A new line or arc item (no owner, silent) holding a copy of segment i; null for other
    // kinds or out of range.
    std::unique_ptr<ZVDCurve> createEdge(int i);
    // Puts the edge item's curve in place of segment i.
    void putBack(int i, ZVDCurve& edge);
    void drawPlain(HDC hdc, const ZCoordTrans& trans, int colour, EnPenStyle style, EnDrawMode mode);

    // The vertices to persist: those last read while the chain still holds exactly what was
    // built from them (so that saving again writes the same numbers, although the kernel
    // recomputes arc and line ends from angles and directions), else the chain's own.
    std::vector<Vertex> vertices() const;
    // Rebuilds the chain from stored vertices and remembers them.
    void buildFrom(std::vector<Vertex> vertices);

    // What tells a built segment from a changed one: its kind, parameter range and defining
    // fields (origin and direction of a line; centre, radius and sense of an arc).
    struct SegmentPrint {
        int type = 0;
        double startT = 0.0;
        double endT = 0.0;
        zgp::CVec2<double> point;
        zgp::CVec2<double> direction;
        double radius = 0.0;
        int sense = 0;
    };
    static SegmentPrint printOf(const zgp::CCurve2d& c);
    static bool matches(const zgp::CCurve2d* c, const SegmentPrint& print);

    zgp::CRefPtr<zgp::CLoop> m_loop;  // always set
    std::vector<Vertex> m_readVertices;
    std::vector<SegmentPrint> m_builtPrints;  // the segments m_readVertices built; empty when none

    static SetDispLevelHelper m_autoSetDispLevel;
};
