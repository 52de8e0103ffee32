// zgp: the text form of every geometry (the AsString overrides) and its reader,
// CGeometry::LoadFromStr. The form is plain ASCII and reads back bit for bit.
//
// Grammar (one blank between tokens when written; any run of blanks accepted when read):
//   LINE(ox oy dx dy t0 t1)                      origin, unit direction, parameter range
//   ARC(cx cy r t0 t1 sense)                     centre, radius, parameter range, +1 / -1
//   ELLIPSE(cx cy ux uy a b t0 t1 sense)         centre, unit axis, radii, range, +1 / -1
//   NURBS(degree n x0 y0 w0 ... k0 k1 ...)       n control points (x y weight), then the
//                                                n + degree + 1 knots
//   LOOP(n curve ...)                            n curves, each one of the four forms above
//   POLYGON(n loop ...)                          n loops, each a LOOP form
// Numbers are written by std::to_chars in their shortest form that reads back to the same
// double (locale independent, "-0" kept). A non-finite value is written as inf / nan so the
// text stays readable, but the reader refuses it: such an object was broken before it was
// saved. Blanks are space, tab, CR and LF. The form never contains '|', ';', '#' or '"'.
//
// The reader takes untrusted text: every count is checked against the characters left before
// anything is allocated, nesting is fixed (a polygon holds loops, a loop holds curves), and any
// malformed input answers null. Running out of memory answers null too; no other exception is
// expected, and one that does occur (a fault in the kernel) reaches the caller.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

#include "zgp/arc2d.h"
#include "zgp/ellipse2d.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zgp/nurbscurve2d.h"

namespace zgp {

namespace {

// The shortest text of any curve form ("ARC(0 0 0 0 0 1)") and of a loop ("LOOP(0)"); used to
// refuse counts that the remaining text cannot possibly hold.
constexpr size_t kMinCurveChars = 16;
constexpr size_t kMinLoopChars = 7;
// A direction read back must be a unit vector to this accuracy (a saved one is within a few ulps).
constexpr double kUnitTolerance = 1e-9;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Builds "KEYWORD(a b c ...)".
class CTextWriter {
public:
    explicit CTextWriter(const char* keyword) : m_text(keyword) { m_text += '('; }

    void Number(double v) {
        char buf[40];
        auto res = std::to_chars(buf, buf + sizeof(buf), v);
        Separate();
        m_text.append(buf, res.ptr);
    }
    void Integer(long long v) {
        char buf[24];
        auto res = std::to_chars(buf, buf + sizeof(buf), v);
        Separate();
        m_text.append(buf, res.ptr);
    }
    void Point(const CVec2<double>& p) {
        Number(p.x);
        Number(p.y);
    }
    void Nested(const std::string& text) {
        Separate();
        m_text += text;
    }
    std::string Finish() {
        m_text += ')';
        return std::move(m_text);
    }

private:
    void Separate() {
        if (m_text.back() != '(') m_text += ' ';
    }
    std::string m_text;
};

// Forward-only reader over [pos, end). Each read skips leading blanks and answers false on
// anything unexpected; the caller then gives up on the whole text.
class CTextReader {
public:
    CTextReader(const char* begin, const char* end) : m_pos(begin), m_end(end) {}

    const char* Pos() const { return m_pos; }
    size_t Remaining() const { return static_cast<size_t>(m_end - m_pos); }

    void SkipBlanks() {
        while (m_pos < m_end && IsBlank(*m_pos)) ++m_pos;
    }

    // True, without consuming anything, when the next token is `word` followed by '('.
    bool PeekKeyword(const char* word) {
        SkipBlanks();
        const char* p = m_pos;
        for (; *word; ++word, ++p)
            if (p >= m_end || *p != *word) return false;
        while (p < m_end && IsBlank(*p)) ++p;
        return p < m_end && *p == '(';
    }
    // Consumes `word` and its '('.
    bool Open(const char* word) {
        if (!PeekKeyword(word)) return false;
        m_pos += std::strlen(word);
        SkipBlanks();
        ++m_pos;  // the '(' PeekKeyword saw
        return true;
    }
    bool Close() {
        SkipBlanks();
        if (m_pos >= m_end || *m_pos != ')') return false;
        ++m_pos;
        return true;
    }
    // A finite double, ending at a blank or ')'.
    bool Number(double& v) {
        SkipBlanks();
        double x = 0.0;
        auto res = std::from_chars(m_pos, m_end, x, std::chars_format::general);
        if (res.ec != std::errc() || !std::isfinite(x) || !EndsToken(res.ptr)) return false;
        m_pos = res.ptr;
        v = x;
        return true;
    }
    bool Point(CVec2<double>& p) { return Number(p.x) && Number(p.y); }
    // An integer in [lo, hi], ending at a blank or ')'.
    bool Integer(long long& v, long long lo, long long hi) {
        SkipBlanks();
        long long x = 0;
        auto res = std::from_chars(m_pos, m_end, x);
        if (res.ec != std::errc() || x < lo || x > hi || !EndsToken(res.ptr)) return false;
        m_pos = res.ptr;
        v = x;
        return true;
    }

private:
    bool EndsToken(const char* p) const { return p < m_end && (IsBlank(*p) || *p == ')'); }

    const char* m_pos;
    const char* m_end;
};

bool IsUnit(const CVec2<double>& v) { return std::fabs(v.Length() - 1.0) <= kUnitTolerance; }
bool IsSense(long long s) { return s == 1 || s == -1; }

CLine2d* ReadLine(CTextReader& in) {
    CVec2<double> origin, dir;
    CInterval<double> range;
    if (!in.Open("LINE") || !in.Point(origin) || !in.Point(dir) || !in.Number(range.low) || !in.Number(range.high) ||
        !in.Close())
        return nullptr;
    if (!IsUnit(dir) || range.IsEmpty()) return nullptr;
    auto* line = new CLine2d();
    line->SetExact(origin, dir, range);
    return line;
}

CArc2d* ReadArc(CTextReader& in) {
    CVec2<double> centre;
    double radius = 0.0;
    CInterval<double> range;
    long long sense = 0;
    if (!in.Open("ARC") || !in.Point(centre) || !in.Number(radius) || !in.Number(range.low) || !in.Number(range.high) ||
        !in.Integer(sense, -1, 1) || !in.Close())
        return nullptr;
    if (radius < 0.0 || range.IsEmpty() || !IsSense(sense)) return nullptr;
    auto* arc = new CArc2d();
    arc->SetExact(centre, radius, range, static_cast<int>(sense));
    return arc;
}

CEllipse2d* ReadEllipse(CTextReader& in) {
    CVec2<double> centre, axis;
    double a = 0.0, b = 0.0;
    CInterval<double> range;
    long long sense = 0;
    if (!in.Open("ELLIPSE") || !in.Point(centre) || !in.Point(axis) || !in.Number(a) || !in.Number(b) ||
        !in.Number(range.low) || !in.Number(range.high) || !in.Integer(sense, -1, 1) || !in.Close())
        return nullptr;
    if (!IsUnit(axis) || a < 0.0 || b < 0.0 || range.IsEmpty() || !IsSense(sense)) return nullptr;
    auto* ellipse = new CEllipse2d();
    ellipse->SetExact(centre, axis, a, b, range, static_cast<int>(sense));
    return ellipse;
}

CNurbsCurve2d* ReadNurbs(CTextReader& in) {
    long long degree = 0, count = 0;
    if (!in.Open("NURBS") || !in.Integer(degree, 1, INT32_MAX - 1) || !in.Integer(count, 2, INT32_MAX)) return nullptr;
    if (count < degree + 1 || count + degree + 1 > INT32_MAX) return nullptr;
    // Every number takes at least one character and one separator: refuse counts the text
    // cannot hold before the curve allocates its arrays.
    const uint64_t numbers = 3 * static_cast<uint64_t>(count) + static_cast<uint64_t>(count + degree + 1);
    if (numbers > in.Remaining() / 2) return nullptr;

    CRefPtr<CNurbsCurve2d> curve(new CNurbsCurve2d(static_cast<int>(degree), static_cast<int>(count)));
    if (curve->Degree() != degree || curve->CtrlPtCount() != count) return nullptr;
    for (int i = 0; i < count; ++i) {
        CVec2<double> p;
        double w = 0.0;
        if (!in.Point(p) || !in.Number(w) || !(w > 0.0) || !curve->SetCtrlPt(i, p, w)) return nullptr;
    }
    const int knots = curve->KnotCount();
    for (int i = 0; i < knots; ++i) {
        double k = 0.0;
        if (!in.Number(k) || !curve->SetKnot(i, k)) return nullptr;
    }
    if (!in.Close()) return nullptr;
    return curve.Release();
}

CCurve2d* ReadCurve(CTextReader& in) {
    if (in.PeekKeyword("LINE")) return ReadLine(in);
    if (in.PeekKeyword("ARC")) return ReadArc(in);
    if (in.PeekKeyword("ELLIPSE")) return ReadEllipse(in);
    if (in.PeekKeyword("NURBS")) return ReadNurbs(in);
    return nullptr;
}

CLoop* ReadLoop(CTextReader& in) {
    long long count = 0;
    if (!in.Open("LOOP") || !in.Integer(count, 0, INT32_MAX)) return nullptr;
    if (static_cast<uint64_t>(count) > in.Remaining() / kMinCurveChars) return nullptr;
    CRefPtr<CLoop> loop(new CLoop());
    for (long long i = 0; i < count; ++i) {
        CCurve2d* curve = ReadCurve(in);
        if (!curve) return nullptr;
        if (!loop->AddCurve(curve, false)) {
            curve->Unref();
            return nullptr;
        }
    }
    if (!in.Close()) return nullptr;
    return loop.Release();
}

CPolygon* ReadPolygon(CTextReader& in) {
    long long count = 0;
    if (!in.Open("POLYGON") || !in.Integer(count, 0, INT32_MAX)) return nullptr;
    if (static_cast<uint64_t>(count) > in.Remaining() / kMinLoopChars) return nullptr;
    CRefPtr<CPolygon> polygon(new CPolygon());
    for (long long i = 0; i < count; ++i) {
        CLoop* loop = ReadLoop(in);
        if (!loop) return nullptr;
        if (!polygon->AddLoop(loop, true)) {
            loop->Unref();
            return nullptr;
        }
    }
    if (!in.Close()) return nullptr;
    return polygon.Release();
}

CGeometry* ReadGeometry(CTextReader& in) {
    if (in.PeekKeyword("LOOP")) return ReadLoop(in);
    if (in.PeekKeyword("POLYGON")) return ReadPolygon(in);
    return ReadCurve(in);
}

}  // namespace

std::string CLine2d::AsString() const {
    CTextWriter out("LINE");
    out.Point(m_origin);
    out.Point(m_dir);
    out.Number(m_range.low);
    out.Number(m_range.high);
    return out.Finish();
}

std::string CArc2d::AsString() const {
    CTextWriter out("ARC");
    out.Point(m_centre);
    out.Number(m_radius);
    out.Number(m_range.low);
    out.Number(m_range.high);
    out.Integer(m_sense < 0 ? -1 : 1);
    return out.Finish();
}

std::string CEllipse2d::AsString() const {
    CTextWriter out("ELLIPSE");
    out.Point(m_centre);
    out.Point(m_axis);
    out.Number(m_a);
    out.Number(m_b);
    out.Number(m_range.low);
    out.Number(m_range.high);
    out.Integer(m_sense < 0 ? -1 : 1);
    return out.Finish();
}

std::string CNurbsCurve2d::AsString() const {
    CTextWriter out("NURBS");
    out.Integer(Degree());
    out.Integer(CtrlPtCount());
    for (int i = 0; i < CtrlPtCount(); ++i) {
        CVec2<double> p;
        double w = 1.0;
        GetCtrlPt(i, p, w);
        out.Point(p);
        out.Number(w);
    }
    for (double k : Knots()) out.Number(k);
    return out.Finish();
}

std::string CLoop::AsString() const {
    CTextWriter out("LOOP");
    out.Integer(CoedgeCount());
    for (int i = 0; i < CoedgeCount(); ++i) out.Nested(GetCurve(i)->AsString());
    return out.Finish();
}

std::string CPolygon::AsString() const {
    CTextWriter out("POLYGON");
    out.Integer(LoopCount());
    for (int i = 0; i < LoopCount(); ++i) out.Nested(GetLoop(i)->AsString());
    return out.Finish();
}

CGeometry* CGeometry::LoadFromStr(const char* text, const char** end) {
    if (end) *end = text;
    if (!text) return nullptr;
    try {
        CTextReader in(text, text + std::strlen(text));
        CGeometry* geometry = ReadGeometry(in);
        if (geometry && end) *end = in.Pos();
        return geometry;
    } catch (const std::bad_alloc&) {
        // The counts were checked against the text before allocating, so this is the system
        // running out of memory; the text is then treated as unreadable.
        return nullptr;
    }
}

}  // namespace zgp
