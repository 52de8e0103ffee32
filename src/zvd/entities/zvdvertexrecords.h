// zvd: the vertex records "x,y,r,t;" of the older outline forms (internal header), read by the
// polyline and, closed back to the first vertex, by the polygon and the hatch.
#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "zgp/arc2d.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zgp/vec2.h"

namespace zvdvertex {

// A vertex and the segment that starts there: type 0 a line to the next vertex, else an arc of
// that radius and kernel arc type.
struct Record {
    zgp::CVec2<double> point;
    double radius = 0.0;
    int type = 0;
};

// The records of text, separated by ";" (blank records skipped); each holds x, y, r (reals) and
// t (an integer), separated by ",". Missing or unreadable fields read as 0.
inline std::vector<Record> splitRecords(const QString& text) {
    std::vector<Record> out;
    for (const QString& record : text.split(QLatin1Char(';'))) {
        if (record.trimmed().isEmpty()) continue;
        const QStringList parts = record.split(QLatin1Char(','));
        Record r;
        r.point.x = parts.size() > 0 ? parts[0].trimmed().toDouble() : 0.0;
        r.point.y = parts.size() > 1 ? parts[1].trimmed().toDouble() : 0.0;
        r.radius = parts.size() > 2 ? parts[2].trimmed().toDouble() : 0.0;
        r.type = parts.size() > 3 ? parts[3].trimmed().toInt() : 0;
        out.push_back(r);
    }
    return out;
}

// The segment from record a's point to point b, as a's type says. The caller owns it.
inline zgp::CCurve2d* segmentFrom(const Record& a, const zgp::CVec2<double>& b) {
    if (a.type == 0) return new zgp::CLine2d(a.point, b);
    return new zgp::CArc2d(a.point, b, a.radius, a.type);
}

// One loop through the records, and with more than two records a closing segment from the last
// point back to the first, built from the last record. The caller owns the loop.
inline zgp::CLoop* closedLoop(const std::vector<Record>& records) {
    auto* loop = new zgp::CLoop();
    const size_t n = records.size();
    if (n < 2) return loop;
    loop->Reserve(static_cast<int>(n));
    for (size_t i = 0; i + 1 < n; ++i) loop->AddCurve(segmentFrom(records[i], records[i + 1].point), false);
    if (n > 2) loop->AddCurve(segmentFrom(records[n - 1], records[0].point), false);
    return loop;
}

}  // namespace zvdvertex
