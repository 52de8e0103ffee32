// zvd: vdcommon text and stream forms of matrices and polygons (loops of lines, arcs, ellipses, NURBS).
// Readers take untrusted input: counts are believed only as far as the data behind them exists.
#include <locale.h>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <istream>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include <QStringList>

#include "vdcommon_stream.h"
#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/nurbscurve2d.h"
#include "zvd/foundation/vdcommon.h"

namespace vdcommon {

namespace detail {

// ---- C printf under the "C" numeric locale ----

// The "%.20lf" fields must carry a "." whatever locale the host process runs in, so formatting
// switches this thread to the C locale for the duration of the call.
class CLocaleScope {
public:
    CLocaleScope() {
        static locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
        if (cLocale) m_previous = uselocale(cLocale);
    }
    ~CLocaleScope() {
        if (m_previous) uselocale(m_previous);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_previous = locale_t(0);
};

// vsnprintf into a buffer that grows to whatever the values need (%.20lf of 1e300 is long).
std::string cFormat(const char* fmt, ...) {
    CLocaleScope scope;
    char small[256];
    va_list ap;
    va_start(ap, fmt);
    va_list again;
    va_copy(again, ap);
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    std::string r;
    if (n >= 0 && size_t(n) < sizeof small) {
        r.assign(small, size_t(n));
    } else if (n >= 0) {
        r.resize(size_t(n) + 1);
        std::vsnprintf(&r[0], r.size(), fmt, again);
        r.resize(size_t(n));
    }
    va_end(again);
    return r;
}

}  // namespace detail

namespace {

using detail::cFormat;

using zgp::CArc2d;
using zgp::CCurve2d;
using zgp::CEllipse2d;
using zgp::CInterval;
using zgp::CLine2d;
using zgp::CLoop;
using zgp::CNurbsCurve2d;
using zgp::CPolygon;
using zgp::CVec2;

// ---- text form ----

QString nurbsRecord(const CNurbsCurve2d& n) {
    QString r = QString("%1, %2,%3").arg(3).arg(n.Degree()).arg(n.CtrlPtCount());
    for (int i = 0; i < n.CtrlPtCount(); ++i) {
        CVec2<double> p;
        double w = 1.0;
        n.GetCtrlPt(i, p, w);
        r += QString(",%1,%2,%3").arg(p.x).arg(p.y).arg(w);
    }
    r += QString(",%1").arg(n.KnotCount());
    for (int i = 0; i < n.KnotCount(); ++i) r += QString(",%1").arg(n.GetKnot(i));
    return r;
}

QString curveRecord(const CCurve2d& c) {
    switch (c.Type()) {
    case zgp::GT_LINE: {
        CVec2<double> s = c.StartPoint(), e = c.EndPoint();
        return QString::fromStdString(cFormat("%d,%.20lf,%.20lf,%.20lf,%.20lf", 1, s.x, s.y, e.x, e.y));
    }
    case zgp::GT_ARC:
        if (auto a = dynamic_cast<const CArc2d*>(&c))
            return QString::fromStdString(cFormat("%d, %.20lf, %.20lf,%.20lf,%.20lf,%.20lf,%d", 2, a->Radius(),
                                                  a->StartT(), a->EndT(), a->CenterPt().x, a->CenterPt().y,
                                                  int(a->GetArcType())));
        break;
    case zgp::GT_ELLIPSE:
        if (auto e = dynamic_cast<const CEllipse2d*>(&c))
            return QString::fromStdString(cFormat("%d, %.20lf,%.20lf,%.20lf,%.20lf,%.20lf,%.20lf,%.20lf,%.20lf,%d", 4,
                                                  e->CenterPt().x, e->CenterPt().y, e->Axis().x, e->Axis().y,
                                                  e->MajorRadius(), e->MinorRadius(), e->StartT(), e->EndT(),
                                                  e->Sense() == 1 ? 1 : 2));
        break;
    case zgp::GT_NURBS:
        if (auto n = dynamic_cast<const CNurbsCurve2d*>(&c)) return nurbsRecord(*n);
        break;
    default:
        break;
    }
    // Any other kind goes out as its NURBS form.
    zgp::CRefPtr<CNurbsCurve2d> n(c.NurbsCurve());
    return n ? nurbsRecord(*n) : QString();
}

// Fields of one record; missing, unreadable or non-finite numbers read as 0.
class RecordFields {
public:
    explicit RecordFields(const QString& record) : m_parts(record.split(QLatin1Char(','))) {}
    int size() const { return m_parts.size(); }
    int integer(int i) const { return i >= 0 && i < m_parts.size() ? m_parts[i].toInt() : 0; }
    double real(int i) const {
        double v = i >= 0 && i < m_parts.size() ? m_parts[i].toDouble() : 0.0;
        return std::isfinite(v) ? v : 0.0;
    }
    CVec2<double> point(int i) const { return CVec2<double>(real(i), real(i + 1)); }

private:
    QStringList m_parts;
};

CCurve2d* nurbsFromFields(const RecordFields& f) {
    int degree = f.integer(1), count = f.integer(2);
    // Everything the record claims must be present: count control points, the knot count and
    // that many knots. This bounds the curve by the size of the text.
    if (degree < 1 || count <= degree) return nullptr;
    qint64 knotField = 3 + 3 * qint64(count);
    if (knotField >= f.size()) return nullptr;
    int knotCount = f.integer(int(knotField));
    if (knotCount < 0 || knotField + 1 + knotCount > f.size()) return nullptr;
    auto* n = new CNurbsCurve2d(degree, count);
    for (int i = 0; i < count; ++i) {
        double w = f.real(5 + 3 * i);
        n->SetCtrlPt(i, f.point(3 + 3 * i), w > 0.0 ? w : 1.0);  // an unusable weight counts as 1
    }
    for (int i = 0; i < knotCount && i < n->KnotCount(); ++i) n->SetKnot(i, f.real(int(knotField) + 1 + i));
    return n;
}

CCurve2d* curveFromRecord(const QString& record) {
    RecordFields f(record);
    switch (f.integer(0)) {
    case zgp::GT_LINE:
        return new CLine2d(f.point(1), f.point(3));
    case zgp::GT_ARC:
        return new CArc2d(f.point(4), f.real(1), CInterval<double>(f.real(2), f.real(3)), f.integer(6));
    case zgp::GT_ELLIPSE:
        return new CEllipse2d(f.point(1), f.point(3), f.real(5), f.real(6), CInterval<double>(f.real(7), f.real(8)),
                              f.integer(9));
    case zgp::GT_NURBS:
        return nurbsFromFields(f);
    default:
        return nullptr;
    }
}

// ---- stream form ----

void writeNurbs(std::ostream& out, const CNurbsCurve2d& n) {
    detail::writeLE<int32_t>(out, n.Degree());
    detail::writeLE<int32_t>(out, n.CtrlPtCount());
    for (int i = 0; i < n.CtrlPtCount(); ++i) {
        CVec2<double> p;
        double w = 1.0;
        n.GetCtrlPt(i, p, w);
        detail::writeLE(out, p.x);
        detail::writeLE(out, p.y);
        detail::writeLE(out, w);
    }
    detail::writeLE<int32_t>(out, n.KnotCount());
    for (int i = 0; i < n.KnotCount(); ++i) detail::writeLE(out, n.GetKnot(i));
}

void writeCurve(std::ostream& out, const CCurve2d& c) {
    int kind = c.Type();
    detail::writeLE<int32_t>(out, kind);
    if (kind == zgp::GT_LINE) {
        CVec2<double> s = c.StartPoint(), e = c.EndPoint();
        for (double v : {s.x, s.y, e.x, e.y}) detail::writeLE(out, v);
        return;
    }
    if (auto a = kind == zgp::GT_ARC ? dynamic_cast<const CArc2d*>(&c) : nullptr) {
        for (double v : {a->Radius(), a->StartT(), a->EndT(), a->CenterPt().x, a->CenterPt().y})
            detail::writeLE(out, v);
        detail::writeLE<int32_t>(out, a->GetArcType());
        return;
    }
    if (auto e = kind == zgp::GT_ELLIPSE ? dynamic_cast<const CEllipse2d*>(&c) : nullptr) {
        for (double v : {e->CenterPt().x, e->CenterPt().y, e->Axis().x, e->Axis().y, e->MajorRadius(), e->MinorRadius(),
                         e->StartT(), e->EndT()})
            detail::writeLE(out, v);
        detail::writeLE<int32_t>(out, e->Sense() == 1 ? 1 : 2);
        return;
    }
    if (auto n = kind == zgp::GT_NURBS ? dynamic_cast<const CNurbsCurve2d*>(&c) : nullptr) {
        writeNurbs(out, *n);
        return;
    }
    // Another kind: its own number (written above), then the data of its NURBS form.
    zgp::CRefPtr<CNurbsCurve2d> n(c.NurbsCurve());
    if (n) writeNurbs(out, *n);
}

// Reads n finite doubles; false on end of data or a NaN / infinity.
bool readReals(std::istream& in, double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!detail::readLE(in, v[i]) || !std::isfinite(v[i])) return false;
    return true;
}

bool readCount(std::istream& in, int32_t& n) { return detail::readLE(in, n) && n >= 0; }

// Reads one NURBS body. Control points and knots are collected before the curve is built, so a
// hostile count stops at the end of the data instead of reserving memory up front.
bool readNurbs(std::istream& in, zgp::CRefPtr<CCurve2d>& curve) {
    int32_t degree = 0, count = 0, knotCount = 0;
    if (!readCount(in, degree) || !readCount(in, count)) return false;
    if (degree < 1 || count <= degree) return false;
    std::vector<double> ctrl;
    for (int32_t i = 0; i < count; ++i) {
        double v[3];
        if (!readReals(in, v, 3) || v[2] <= 0.0) return false;
        ctrl.insert(ctrl.end(), v, v + 3);
    }
    if (!readCount(in, knotCount) || int64_t(knotCount) != int64_t(count) + degree + 1) return false;
    std::vector<double> knots;
    for (int32_t i = 0; i < knotCount; ++i) {
        double k = 0.0;
        if (!readReals(in, &k, 1)) return false;
        knots.push_back(k);
    }
    auto* n = new CNurbsCurve2d(degree, count);
    curve.Reset(n);
    for (int32_t i = 0; i < count; ++i)
        if (!n->SetCtrlPt(i, CVec2<double>(ctrl[3 * i], ctrl[3 * i + 1]), ctrl[3 * i + 2])) return false;
    for (int32_t i = 0; i < knotCount; ++i)
        if (!n->SetKnot(i, knots[size_t(i)])) return false;
    return true;
}

// Reads one curve of the given kind into `curve` (left null for a kind we do not know, which
// carries no data). False on malformed or missing data.
bool readCurve(std::istream& in, int32_t kind, zgp::CRefPtr<CCurve2d>& curve) {
    switch (kind) {
    case zgp::GT_LINE: {
        double v[4];
        if (!readReals(in, v, 4)) return false;
        curve.Reset(new CLine2d(CVec2<double>(v[0], v[1]), CVec2<double>(v[2], v[3])));
        return true;
    }
    case zgp::GT_ARC: {
        double v[5];  // radius, start, end, centre x, centre y
        int32_t type = 0;
        if (!readReals(in, v, 5) || !detail::readLE(in, type)) return false;
        if (v[0] < 0.0 || v[2] < v[1]) return false;
        curve.Reset(new CArc2d(CVec2<double>(v[3], v[4]), v[0], CInterval<double>(v[1], v[2]), type));
        return true;
    }
    case zgp::GT_ELLIPSE: {
        double v[8];  // centre x, y, axis x, y, radius a, radius b, start, end
        int32_t dir = 0;
        if (!readReals(in, v, 8) || !detail::readLE(in, dir)) return false;
        if ((v[2] == 0.0 && v[3] == 0.0) || v[4] < 0.0 || v[5] < 0.0 || v[7] < v[6]) return false;
        curve.Reset(new CEllipse2d(CVec2<double>(v[0], v[1]), CVec2<double>(v[2], v[3]), v[4], v[5],
                                   CInterval<double>(v[6], v[7]), dir));
        return true;
    }
    case zgp::GT_NURBS:
        return readNurbs(in, curve);
    default:
        return true;
    }
}

bool readPolygon(CPolygon& polygon, std::istream& in) {
    int32_t loops = 0;
    if (!readCount(in, loops)) return false;
    for (int32_t i = 0; i < loops; ++i) {
        int32_t curves = 0;
        if (!readCount(in, curves)) return false;
        polygon.AddLoop(new CLoop, true);
        int loopIndex = polygon.LoopCount() - 1;
        for (int32_t j = 0; j < curves; ++j) {
            int32_t kind = 0;
            zgp::CRefPtr<CCurve2d> curve;
            if (!detail::readLE(in, kind) || !readCurve(in, kind, curve)) return false;
            if (curve) polygon.AddCurve(curve.Release(), loopIndex, false);
        }
    }
    return true;
}

}  // namespace

// ---- matrices ----

QString matrixToString(const zgp::CMatrix3<double>* matrix) {
    if (!matrix) return QString();
    QString r;
    for (int i = 0; i < 9; ++i) r += QString("%1,").arg(matrix->Get(i));
    r.chop(1);
    return r;
}

zgp::CMatrix3<double>* stringToMatrix(const QString& text) {
    QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 9) return nullptr;
    auto* m = new zgp::CMatrix3<double>();
    for (int i = 0; i < 9; ++i) m->Set(i, parts[i].toDouble());
    return m;
}

void saveMatrixToStream(const zgp::CMatrix3<double>* matrix, std::ostream& stream) {
    zgp::CMatrix3<double> m = matrix ? *matrix : zgp::CMatrix3<double>();
    for (int i = 0; i < 9; ++i) detail::writeLE(stream, m.Get(i));
}

bool loadMatrixFromStream(zgp::CMatrix3<double>* matrix, std::istream& stream) {
    try {
        double v[9];
        for (double& x : v)
            if (!detail::readLE(stream, x)) return false;
        if (matrix)
            for (int i = 0; i < 9; ++i) matrix->Set(i, v[i]);
        return matrix != nullptr;
    } catch (...) {
        return false;
    }
}

// ---- polygons ----

QString polygonToString(const zgp::CPolygon* polygon) {
    QString r;
    if (!polygon) return r;
    for (int i = 0; i < polygon->LoopCount(); ++i) {
        const CLoop* loop = polygon->GetLoop(i);
        // A loop without curves writes nothing: its lone "|" would read back as the end of the
        // list and drop every loop after it.
        if (!loop || loop->CoedgeCount() == 0) continue;
        for (int j = 0; j < loop->CoedgeCount(); ++j) {
            if (const CCurve2d* c = loop->GetCurve(j)) r += curveRecord(*c) + QLatin1Char(';');
        }
        r += QLatin1Char('|');
    }
    return r;
}

zgp::CPolygon* stringToPolygon(const QString& text) {
    auto* polygon = new CPolygon;
    try {
        for (const QString& loopText : text.split(QLatin1Char('|'))) {
            if (loopText.isEmpty()) break;
            auto* loop = new CLoop;
            for (const QString& record : loopText.split(QLatin1Char(';'))) {
                if (record.isEmpty()) break;
                if (CCurve2d* c = curveFromRecord(record)) loop->AddCurve(c, false);
            }
            polygon->AddLoop(loop, true);
        }
    } catch (const std::bad_alloc&) {
        polygon->Clear();
    }
    return polygon;
}

void savePolygonToStream(const zgp::CPolygon* polygon, std::ostream& stream) {
    int32_t loops = polygon ? polygon->LoopCount() : 0;
    detail::writeLE(stream, loops);
    for (int32_t i = 0; i < loops; ++i) {
        const CLoop* loop = polygon->GetLoop(i);
        int32_t curves = loop ? loop->CoedgeCount() : 0;
        detail::writeLE(stream, curves);
        for (int32_t j = 0; j < curves; ++j) writeCurve(stream, *loop->GetCurve(j));
    }
}

bool loadPolygonFromStream(zgp::CPolygon* polygon, std::istream& stream) {
    CPolygon scratch;
    CPolygon& target = polygon ? *polygon : scratch;
    bool ok = false;
    try {
        ok = readPolygon(target, stream);
    } catch (...) {
        ok = false;  // a stream with exceptions enabled, or memory exhausted
    }
    if (!ok) target.Clear();
    return ok && polygon != nullptr;
}

}  // namespace vdcommon
