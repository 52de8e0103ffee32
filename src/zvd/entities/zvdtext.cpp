// zvd: ZVDText, the text item: setters that keep the bound polygon true, hit tests on it,
// editing, drawing through the text primitives, and both file forms.
#include "zvd/entities/zvdtext.h"

#include <cmath>
#include <cstdint>
#include <iostream>

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>

#include "entities/zvditemgeom.h"
#include "entities/zvdloadutil.h"
#include "entities/zvdxmlutil.h"
#include "foundation/vdcommon_stream.h"
#include "zgp/builders.h"
#include "zgp/line2d.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/foundation/vdcommon.h"
#include "zvd/persistence/zxmlattrnames.h"

using vdcommon::detail::FieldRun;
using vdcommon::detail::writeLE;
using zgp::CBox2;
using zgp::CVec2;
using zvdxml::attribute;
using zvdxml::namesOrDefault;

namespace {

const zgp::ZRegHelper<int> s_regText(ZVDEntity::GetFactory(), vdiText, &ZVDText::CreateInstance);

constexpr double kPi = 3.14159265358979323846;
constexpr int kSelectedColour = 0xFF0000;
constexpr int kTaggedBackground = 0xFF;
// Stream strings carry 2-byte (text) and 1-byte (font name) lengths.
constexpr size_t kMaxTextBytes = 0xFFFF;
constexpr size_t kMaxFontNameBytes = 0xFF;

// Base64 of the ANSI bytes, as the XML attributes of texts hold them.
QString toBase64Ansi(const std::wstring& s) {
    const std::string ansi = vdcommon::ws2s(s);
    return QString::fromLatin1(QByteArray(ansi.data(), static_cast<int>(ansi.size())).toBase64());
}

// The inverse; false when the attribute is not Base64. Zero bytes are dropped.
bool fromBase64Ansi(const QString& text, std::wstring& out) {
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return false;
    QByteArray bytes = *decoded;
    bytes.replace('\0', QByteArray());
    out = vdcommon::stringToWstring(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
    return true;
}

int countCrLf(const std::wstring& s) {
    int n = 0;
    for (size_t i = 0; (i = s.find(L"\r\n", i)) != std::wstring::npos; i += 2) ++n;
    return n;
}

}  // namespace

ZVDITextCoordData::~ZVDITextCoordData() = default;

ZVDEntity::SetDispLevelHelper ZVDText::m_autoSetDispLevel(2);

ZVDText::ZVDText() = default;
ZVDText::~ZVDText() = default;

zgp::IBase* ZVDText::CreateInstance() { return new ZVDText(); }

int ZVDText::displayLevel() const { return 2; }
EnVDIType ZVDText::itemType() const { return vdiText; }

// ---- the bound polygon ----

zgp::CLoop* ZVDText::textBoundPoly(const std::wstring& text, short height, float angle, const CVec2<double>& p,
                                   const std::wstring& fontName, const std::set<EnFontStyle>& fontStyle,
                                   EnHorizAlignment horz, EnVertAlignment vert) {
    double h = std::abs(static_cast<int>(height));
    const int lines = countCrLf(text) + 1;
    std::set<EnFontStyle> styles = fontStyle;
    // The font is measured at a cell height of h pixels, so its pixel width is a world length.
    double w = 0;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L"\r\n", start);
        const std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        w = std::max(w, static_cast<double>(getDrawTextWidth(line, fontName, static_cast<short>(std::min(h, 32767.0)),
                                                            styles)));
        if (end == std::wstring::npos) break;
        start = end + 2;
    }
    if (w == 0) w = 24;
    if (h == 0) h = 12;
    double x0, x1, y0, y1;
    switch (horz) {
    case haLeft: x0 = p.x, x1 = p.x + w; break;
    case haRight: x0 = p.x - w, x1 = p.x; break;
    case haCenter: x0 = p.x - w / 2, x1 = p.x + w / 2; break;
    default: return nullptr;
    }
    switch (vert) {
    case vaTop: y0 = p.y - lines * h, y1 = p.y; break;
    case vaBottom: y0 = p.y - (lines - 1) * h, y1 = p.y + h; break;
    case vaCenter: y0 = p.y - h / 2 - (lines - 1) * h, y1 = p.y + h / 2; break;
    default: return nullptr;
    }
    zgp::CLoop* loop = zgp::ZLoopBuilder::CreateRect(CBox2<double>(x0, y0, x1, y1));
    if (loop) loop->Rotate(p, angle);
    return loop;
}

void ZVDText::buildBoundPoly() {
    m_boundPoly.Reset(textBoundPoly(m_text, m_height, m_angle, m_insertPt, m_fontName, m_fontStyle, m_horzAlignment,
                                    m_vertAlignment));
}

void ZVDText::refreshData() {
    buildBoundPoly();
    doDataChanged(true);
}

void ZVDText::buildOutRect(CBox2<double>& box) {
    if (m_boundPoly) box = m_boundPoly->Box();
    else box.SetEmpty();
}

// ---- setters ----

void ZVDText::setText(const std::wstring& text) {
    if (text == m_text) return;
    m_text = text;
    refreshData();
}

void ZVDText::setParamCode(const std::wstring& code) { m_paramCode = code; }

void ZVDText::setFontName(const std::wstring& name) {
    if (name == m_fontName) return;
    m_fontName = name;
    refreshData();
}

void ZVDText::setFontStyle(const std::set<EnFontStyle>& styles) {
    if (styles == m_fontStyle) return;
    m_fontStyle = styles;
    refreshData();
}

void ZVDText::setHeight(short height) {
    if (height == m_height) return;
    m_height = height;
    refreshData();
}

void ZVDText::setHorzAlignment(EnHorizAlignment alignment) {
    if (alignment == m_horzAlignment) return;
    m_horzAlignment = alignment;
    refreshData();
}

void ZVDText::setVertAlignment(EnVertAlignment alignment) {
    if (alignment == m_vertAlignment) return;
    m_vertAlignment = alignment;
    refreshData();
}

void ZVDText::setInsertPt(const CVec2<double>& point) {
    if ((point - m_insertPt).SqrLength() <= zvditemgeom::kZeroDragSqr) return;
    m_insertPt = point;
    refreshData();
}

void ZVDText::setAngle(float angle) {
    const double tol = zgp::g_DistEpsilon > 0 ? zgp::g_DistEpsilon : std::max(1e-12, std::fabs(m_angle * 1e-12));
    if (std::fabs(static_cast<double>(angle) - m_angle) <= tol) return;
    m_angle = angle;
    refreshData();
}

void ZVDText::setBackColor(int colour) {
    if (colour == m_backColor) return;
    m_backColor = colour;
    doDataChanged(false);
}

void ZVDText::setTransparent(bool transparent) {
    if (transparent == m_transparent) return;
    m_transparent = transparent;
    doDataChanged(false);
}

void ZVDText::setBoxWidth(float width) {
    m_boxWidth = width;
    refreshData();
}

// ---- copies and snapshots ----

void ZVDText::assign(ZVDEntity& other) {
    ZVDEntity::assign(other);
    if (auto* o = dynamic_cast<ZVDText*>(&other)) {
        m_angle = o->m_angle;
        m_backColor = o->m_backColor;
        m_boundPoly.Reset(o->m_boundPoly ? static_cast<zgp::CLoop*>(o->m_boundPoly->Clone()) : nullptr);
        m_fontName = o->m_fontName;
        m_fontStyle = o->m_fontStyle;
        m_height = o->m_height;
        m_horzAlignment = o->m_horzAlignment;
        m_vertAlignment = o->m_vertAlignment;
        m_insertPt = o->m_insertPt;
        m_text = o->m_text;
        m_transparent = o->m_transparent;
        m_widthFactor = o->m_widthFactor;
        m_boxWidth = o->m_boxWidth;
    }
    doDataChanged(true);
}

ZVDCoordData* ZVDText::createCoordData() {
    auto* data = new ZVDITextCoordData();
    data->setID(iD());
    data->angle = m_angle;
    data->insertPt = m_insertPt;
    return data;
}

void ZVDText::setCoordData(ZVDCoordData& data) {
    auto* d = dynamic_cast<ZVDITextCoordData*>(&data);
    if (!d) return;
    setInsertPt(d->insertPt);
    setAngle(static_cast<float>(d->angle));
}

// ---- hit tests ----

bool ZVDText::hitTest(const CVec2<double>& pt, double tol) {
    CBox2<double> box = outRect();
    if (isEmptyBox(box) || !m_boundPoly) return false;
    box.min -= CVec2<double>(tol, tol);
    box.max += CVec2<double>(tol, tol);
    if (!box.Contains(pt)) return false;
    return zgp::CPositionJudge().GetPointCoedgeListPosition(pt, m_boundPoly.Get(), tol) != zgp::CPositionJudge::PT_OUTSIDE;
}

bool ZVDText::hitSelect(const CVec2<double>& a, const CVec2<double>& b, double tol) {
    if ((b - a).SqrLength() <= zvditemgeom::kZeroDragSqr) return hitTest(a, tol);
    CBox2<double> sel;
    sel.SetEmpty();
    sel.Add(a);
    sel.Add(b);
    const CBox2<double> box = outRect();
    if (b.x > a.x) return sel.Contains(box, zvditemgeom::kSelectSlack);
    if (!sel.Overlaps(box, zvditemgeom::kSelectSlack) || !zvditemgeom::isValidBox(box) || !zvditemgeom::isValidBox(sel))
        return false;
    if (!m_boundPoly) return false;
    const zgp::CPositionJudge judge;
    if (zgp::IsEqual(a.x, b.x, zgp::g_DistEpsilon) || zgp::IsEqual(a.y, b.y, zgp::g_DistEpsilon)) {
        const zgp::CLine2d axis(a, b);
        return judge.GetLoopAxisPosition(m_boundPoly.Get(), &axis) == -1;
    }
    zgp::CRefPtr<zgp::CLoop> rect(zgp::ZLoopBuilder::CreateRect(sel));
    return judge.GetLoopLoopPosition(m_boundPoly.Get(), rect.Get(), true) != 1;
}

// ---- editing ----

void ZVDText::move(const CVec2<double>& offset) {
    m_insertPt += offset;
    refreshData();
}

void ZVDText::rotate(const CVec2<double>& centre, double angle) {
    const CVec2<double> r = m_insertPt - centre;
    const double c = std::cos(angle), s = std::sin(angle);
    m_insertPt = centre + CVec2<double>(r.x * c - r.y * s, r.x * s + r.y * c);
    m_angle = static_cast<float>(m_angle + angle);
    refreshData();
}

void ZVDText::mirror(const CVec2<double>& p1, const CVec2<double>& p2) {
    m_insertPt = zvditemgeom::reflectAcross(m_insertPt, p1, p2);
    double phi = std::atan2(p2.y - p1.y, p2.x - p1.x);
    if (phi < 0) phi += 2 * kPi;
    double angle = 2 * phi - m_angle;
    const double eps = zgp::g_AngleEpsilon;
    const bool vertical = (phi > kPi / 4 + eps && phi < 3 * kPi / 4 - eps) ||
                          (phi > 5 * kPi / 4 + eps && phi < 7 * kPi / 4 - eps);
    if (vertical) {
        if (m_horzAlignment == haLeft) m_horzAlignment = haRight;
        else if (m_horzAlignment == haRight) m_horzAlignment = haLeft;
        angle += kPi;
    } else {
        if (m_vertAlignment == vaTop) m_vertAlignment = vaBottom;
        else if (m_vertAlignment == vaBottom) m_vertAlignment = vaTop;
    }
    m_angle = static_cast<float>(angle);
    refreshData();
}

ZVDEntity* ZVDText::transform(zgp::CMatrix3<double>* m) {
    auto* copy = dynamic_cast<ZVDText*>(clone());
    if (!copy) return nullptr;
    if (m) {
        const zgp::CMatrix3<double>& a = *m;
        const double x = m_insertPt.x, y = m_insertPt.y;
        const double w = x * a[0][2] + y * a[1][2] + a[2][2];
        copy->m_insertPt = CVec2<double>((x * a[0][0] + y * a[1][0] + a[2][0]) / w, (x * a[0][1] + y * a[1][1] + a[2][1]) / w);
    }
    copy->setOwner(owner());
    return copy;
}

// ---- grips ----

int ZVDText::gripCount() { return showGrip() ? 1 : 0; }
CVec2<double> ZVDText::grip(int) { return m_insertPt; }
ZVDGripType ZVDText::gripType(int) { return 2; }

bool ZVDText::dragGrip(int, const CVec2<double>& offset) {
    if (offset.Length() < zvditemgeom::kSelectSlack) return true;
    m_insertPt += offset;
    refreshData();
    return true;
}

// ---- properties ----

std::set<ZVDEPropType> ZVDText::propTypes() const {
    return {vdpExtData,   vdpColor,         vdpText,          vdpTextHeight,   vdpFontStyle,
            vdpTransparent, vdpTextBackColor, vdpHorzAlignment, vdpVertAlignment};
}

std::wstring ZVDText::propValue(const ZVDEPropType& type) const {
    switch (type) {
    case vdpText: return m_text;
    case vdpTextHeight: return vdcommon::intToStr(m_height);
    case vdpFontStyle: return vdcommon::intToStr(vdcommon::fontStyleToInt(m_fontStyle));
    case vdpTransparent: return m_transparent ? L"1" : L"0";
    case vdpTextBackColor: return vdcommon::intToStr(m_backColor);
    case vdpHorzAlignment: return vdcommon::intToStr(m_horzAlignment);
    case vdpVertAlignment: return vdcommon::intToStr(m_vertAlignment);
    default: return ZVDEntity::propValue(type);
    }
}

void ZVDText::setPropValue(const ZVDEPropType& type, const std::wstring& value) {
    const int n = vdcommon::strToInt(value);
    switch (type) {
    case vdpText: setText(value); break;
    case vdpTextHeight: setHeight(static_cast<short>(n)); break;
    case vdpFontStyle: setFontStyle(vdcommon::intToFontStyle(n)); break;
    case vdpTransparent: setTransparent(n == 1); break;
    case vdpTextBackColor: setBackColor(n); break;
    case vdpHorzAlignment: setHorzAlignment(static_cast<EnHorizAlignment>(n)); break;
    case vdpVertAlignment: setVertAlignment(static_cast<EnVertAlignment>(n)); break;
    default: ZVDEntity::setPropValue(type, value); break;
    }
}

// ---- drawing ----

void ZVDText::drawOutline(HDC hdc, const ZCoordTrans& trans, int colour) {
    if (!m_boundPoly) return;
    ZDrawFunc2d::drawXPolyline(hdc, &trans, *m_boundPoly, 0, 0, psSolid, colour, vdcommon::dmXor, bsSolid, 1, true, 0,
                               psSolid, 0xFFFFFF);
}

// A tagged text stands out on a red, opaque background.
void ZVDText::doDrawNormal(HDC hdc, const ZCoordTrans& trans) {
    if (m_text.empty()) {
        drawOutline(hdc, trans, color());
        return;
    }
    const bool tagged = tag() != 0;
    ZDrawFunc2d::drawScaleWrapTextVII(hdc, &trans, m_text, m_insertPt, m_angle, m_height, m_horzAlignment,
                                      m_vertAlignment, m_fontName, color(), m_fontStyle,
                                      tagged ? kTaggedBackground : m_backColor, tagged ? false : m_transparent,
                                      vdcommon::dmNormal);
}

void ZVDText::doDrawSelected(HDC hdc, const ZCoordTrans& trans) {
    if (m_text.empty()) return;
    ZDrawFunc2d::drawScaleWrapTextVII(hdc, &trans, m_text, m_insertPt, m_angle, m_height, m_horzAlignment,
                                      m_vertAlignment, m_fontName, kSelectedColour, m_fontStyle, m_backColor,
                                      m_transparent, vdcommon::dmNormal);
}

void ZVDText::doDrawElastic(HDC hdc, const ZCoordTrans& trans) { drawOutline(hdc, trans, 0xFFFFFF); }

// ---- XML ----

void ZVDText::saveToXMLNode(QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::saveToXMLNode(element, names);
    names = namesOrDefault(names);
    const ZVDFormatVersion& format = fileFormat(names);
    zvdxml::setAttribute(element, names->text,
                         format.base64Text() ? toBase64Ansi(m_text) : QString::fromStdWString(m_text));
    if (!names->angle.empty()) element.setAttribute(QString::fromStdWString(names->angle), m_angle);
    zvdxml::setAttribute(element, names->fontHeight, static_cast<int>(m_height));
    zvdxml::setAttribute(element, names->fontName,
                         format.base64FontName() ? toBase64Ansi(m_fontName) : QString::fromStdWString(m_fontName));
    zvdxml::setAttribute(element, names->fontStyle, vdcommon::fontStyleToInt(m_fontStyle));
    zvdxml::setAttribute(element, names->backColor, m_backColor);
    zvdxml::setAttribute(element, names->transparent, QString(m_transparent ? "True" : "False"));
    zvdxml::setAttribute(element, names->horzAlignment, static_cast<int>(m_horzAlignment));
    zvdxml::setAttribute(element, names->vertAlignment, static_cast<int>(m_vertAlignment));
    zvdxml::setAttribute(element, names->insertPt, zvdxml::joinReals({m_insertPt.x, m_insertPt.y}));
    if (!names->widthFactor.empty()) element.setAttribute(QString::fromStdWString(names->widthFactor), m_widthFactor);
}

// Text and font name that are not Base64 where the version says they are mark the input damaged.
void ZVDText::doLoadFromXMLNode(const QDomElement& element, ZXMLAttrNames* names) {
    ZVDEntity::doLoadFromXMLNode(element, names);
    names = namesOrDefault(names);
    const ZVDFormatVersion& format = fileFormat(names);
    bool damaged = false;
    const QString text = attribute(element, names->text);
    if (format.base64Text())
        damaged |= !fromBase64Ansi(text, m_text);
    else
        m_text = text.toStdWString();
    m_angle = static_cast<float>(attribute(element, names->angle).toDouble());
    m_height = static_cast<short>(std::llabs(static_cast<long long>(zvdxml::intAttribute(element, names->fontHeight))));
    const QString font = attribute(element, names->fontName);
    if (format.base64FontName())
        damaged |= !fromBase64Ansi(font, m_fontName);
    else
        m_fontName = font.toStdWString();
    m_fontStyle = vdcommon::intToFontStyle(zvdxml::intAttribute(element, names->fontStyle));
    m_backColor = zvdxml::intAttribute(element, names->backColor);
    m_transparent = attribute(element, names->transparent) == QLatin1String("True");
    m_horzAlignment = static_cast<EnHorizAlignment>(zvdxml::intAttribute(element, names->horzAlignment));
    m_vertAlignment = static_cast<EnVertAlignment>(zvdxml::intAttribute(element, names->vertAlignment));
    const std::vector<double> p = zvdxml::splitReals(attribute(element, names->insertPt), 2);
    m_insertPt = CVec2<double>(p[0], p[1]);
    m_widthFactor = zvdxml::hasAttribute(element, names->widthFactor)
                        ? attribute(element, names->widthFactor).toFloat()
                        : 1.0f;
    if (damaged && owner()) owner()->markInputDamaged();
    buildBoundPoly();
}

// ---- binary stream ----

void ZVDText::saveToStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::saveToStream(stream);
    std::iostream& s = *stream;
    vdcommon::saveUtf8StringToStream(zvdload::fittingUtf8(m_text, kMaxTextBytes), s, 2);
    writeLE<int16_t>(s, m_height);
    writeLE<float>(s, m_angle);
    writeLE<double>(s, m_insertPt.x);
    writeLE<double>(s, m_insertPt.y);
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_horzAlignment));
    writeLE<uint8_t>(s, static_cast<uint8_t>(m_vertAlignment));
    vdcommon::saveUtf8StringToStream(zvdload::fittingUtf8(m_fontName, kMaxFontNameBytes), s, 1);
    writeLE<uint8_t>(s, static_cast<uint8_t>(vdcommon::fontStyleToInt(m_fontStyle)));
    writeLE<uint8_t>(s, m_transparent ? 1 : 0);
    writeLE<int32_t>(s, m_backColor);
    writeLE<float>(s, m_widthFactor);
}

// Strings older than 1.9 are in the ANSI code page; the width factor came with 2.1. A record cut
// short leaves the stream failed.
void ZVDText::doLoadFromStream(std::iostream* stream) {
    if (!stream) return;
    ZVDEntity::doLoadFromStream(stream);
    std::iostream& s = *stream;
    if (s.fail()) return;
    const ZVDFormatVersion& format = fileFormat();
    auto readString = [&](unsigned char width) {
        return format.ansiStrings() ? vdcommon::loadAnsiStringFromStream(s, width)
                                    : vdcommon::loadUtf8StringFromStream(s, width);
    };
    std::wstring text = readString(2);
    if (s.fail()) return;
    int16_t height = 0;
    float angle = 0;
    double x = 0, y = 0;
    uint8_t horz = 0, vert = 0;
    {
        FieldRun fields(s, 2 + 4 + 8 + 8 + 1 + 1);
        if (!fields.take(height) || !fields.take(angle) || !fields.take(x) || !fields.take(y) || !fields.take(horz) ||
            !fields.take(vert)) {
            s.setstate(std::ios::failbit);
            return;
        }
    }
    std::wstring font = readString(1);
    if (s.fail()) return;
    uint8_t style = 0, transparent = 0;
    int32_t back = 0;
    float widthFactor = 1.0f;
    {
        FieldRun fields(s, 1 + 1 + 4 + (format.textWidthFactor() ? 4 : 0));
        if (!fields.take(style) || !fields.take(transparent) || !fields.take(back) ||
            (format.textWidthFactor() && !fields.take(widthFactor))) {
            s.setstate(std::ios::failbit);
            return;
        }
    }
    m_text = text;
    m_height = height;
    m_angle = angle;
    m_insertPt = CVec2<double>(x, y);
    m_horzAlignment = static_cast<EnHorizAlignment>(horz);
    m_vertAlignment = static_cast<EnVertAlignment>(vert);
    m_fontName = font;
    m_fontStyle = vdcommon::intToFontStyle(style);
    m_transparent = transparent != 0;
    m_backColor = back;
    m_widthFactor = widthFactor;
    buildBoundPoly();
}
