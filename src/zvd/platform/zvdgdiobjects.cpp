// zvd: the GDI object table, stock objects, and the mapping of logical fonts to Qt fonts.
// Also the one place that decides whether this process can draw text (see ensureTextSupport).
#include "platform/zvdgdiobjects.h"

#include <cmath>
#include <unordered_map>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>

namespace zvdgdi {

namespace {

constexpr unsigned kIndexBits = sizeof(std::uintptr_t) * 4;
constexpr std::uintptr_t kIndexMask = (std::uintptr_t(1) << kIndexBits) - 1;

HGDIOBJ encode(std::uint32_t index, std::uint32_t gen) {
    return reinterpret_cast<HGDIOBJ>((std::uintptr_t(gen) << kIndexBits) | (std::uintptr_t(index) + 1));
}

}  // namespace

ObjectTable& ObjectTable::instance() {
    // Never destroyed: handles may be used from static destructors of the host.
    static ObjectTable* table = new ObjectTable;
    return *table;
}

ObjectTable::ObjectTable() {
    m_slots.reserve(64);
    auto brush = [this](int index, UINT style, COLORREF c) {
        Slot* s = nullptr;
        m_stock[index] = allocate(ObjType::Brush, s);
        s->stockIndex = index;
        s->brush.style = style;
        s->brush.color = c;
    };
    brush(WHITE_BRUSH, BS_SOLID, 0xFFFFFF);
    brush(LTGRAY_BRUSH, BS_SOLID, 0xC0C0C0);
    brush(GRAY_BRUSH, BS_SOLID, 0x808080);
    brush(DKGRAY_BRUSH, BS_SOLID, 0x404040);
    brush(BLACK_BRUSH, BS_SOLID, 0x000000);
    brush(NULL_BRUSH, BS_NULL, 0x000000);
    auto pen = [this](int index, int style, COLORREF c) {
        Slot* s = nullptr;
        m_stock[index] = allocate(ObjType::Pen, s);
        s->stockIndex = index;
        s->pen.style = DWORD(style);
        s->pen.color = c;
    };
    pen(WHITE_PEN, PS_SOLID, 0xFFFFFF);
    pen(BLACK_PEN, PS_SOLID, 0x000000);
    pen(NULL_PEN, PS_NULL, 0x000000);
    for (int index : {SYSTEM_FONT, DEFAULT_GUI_FONT}) {
        Slot* s = nullptr;
        m_stock[index] = allocate(ObjType::Font, s);
        s->stockIndex = index;
        s->font.lf.lfHeight = index == SYSTEM_FONT ? 16 : -11;
        s->font.lf.lfWeight = index == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
        s->font.lf.lfCharSet = DEFAULT_CHARSET;
    }
}

HGDIOBJ ObjectTable::allocate(ObjType type, Slot*& slot) {
    std::uint32_t index;
    if (m_freeHead != 0) {
        index = m_freeHead - 1;
        m_freeHead = m_slots[index].nextFree;
    } else {
        if (m_slots.size() >= kIndexMask - 1) return nullptr;
        index = std::uint32_t(m_slots.size());
        m_slots.emplace_back();
    }
    slot = &m_slots[index];
    slot->gen = (slot->gen + 1) & 0x7FFFFFFF;
    if (slot->gen == 0) slot->gen = 1;
    slot->type = type;
    slot->stockIndex = -1;
    slot->selections = 0;
    return encode(index, slot->gen);
}

HGDIOBJ ObjectTable::createPen(const PenDesc& desc) {
    Slot* s = nullptr;
    HGDIOBJ h = allocate(ObjType::Pen, s);
    if (h) s->pen = desc;
    return h;
}

HGDIOBJ ObjectTable::createBrush(const BrushDesc& desc) {
    Slot* s = nullptr;
    HGDIOBJ h = allocate(ObjType::Brush, s);
    if (h) s->brush = desc;
    return h;
}

HGDIOBJ ObjectTable::createFont(const FontDesc& desc) {
    Slot* s = nullptr;
    HGDIOBJ h = allocate(ObjType::Font, s);
    if (h) s->font = desc;
    return h;
}

HGDIOBJ ObjectTable::stock(int index) const { return index >= 0 && index < 18 ? m_stock[index] : nullptr; }

ObjectTable::Slot* ObjectTable::find(HGDIOBJ h) {
    const std::uintptr_t v = reinterpret_cast<std::uintptr_t>(h);
    const std::uintptr_t index = (v & kIndexMask);
    if (index == 0 || index > m_slots.size()) return nullptr;
    Slot& s = m_slots[index - 1];
    if (s.type == ObjType::None || std::uintptr_t(s.gen) != (v >> kIndexBits)) return nullptr;
    return &s;
}

bool ObjectTable::destroy(HGDIOBJ h) {
    Slot* s = find(h);
    if (!s) return false;
    if (s->stockIndex >= 0) return true;
    if (s->selections > 0) return false;
    s->type = ObjType::None;
    s->font = FontDesc();
    s->nextFree = m_freeHead;
    m_freeHead = std::uint32_t(s - m_slots.data()) + 1;
    return true;
}

const char* stockName(int index) {
    switch (index) {
    case WHITE_BRUSH:
        return "WHITE_BRUSH";
    case LTGRAY_BRUSH:
        return "LTGRAY_BRUSH";
    case GRAY_BRUSH:
        return "GRAY_BRUSH";
    case DKGRAY_BRUSH:
        return "DKGRAY_BRUSH";
    case BLACK_BRUSH:
        return "BLACK_BRUSH";
    case NULL_BRUSH:
        return "NULL_BRUSH";
    case WHITE_PEN:
        return "WHITE_PEN";
    case BLACK_PEN:
        return "BLACK_PEN";
    case NULL_PEN:
        return "NULL_PEN";
    case SYSTEM_FONT:
        return "SYSTEM_FONT";
    case DEFAULT_GUI_FONT:
        return "DEFAULT_GUI_FONT";
    default:
        return "STOCK";
    }
}

// ---- fonts ---------------------------------------------------------------------------------------

namespace {

// GDI weights run 0..1000, Qt 5 weights 0..99 with its own scale; the named steps map onto each other.
int qtWeight(LONG gdi) {
    static const int gdiSteps[] = {100, 200, 300, 400, 500, 600, 700, 800, 900};
    static const int qtSteps[] = {0, 12, 25, 50, 57, 63, 75, 81, 87};
    if (gdi <= 0) return QFont::Normal;
    if (gdi <= gdiSteps[0]) return qtSteps[0];
    for (int i = 1; i < 9; ++i) {
        if (gdi <= gdiSteps[i]) {
            const double t = double(gdi - gdiSteps[i - 1]) / 100.0;
            return int(std::lround(qtSteps[i - 1] + t * (qtSteps[i] - qtSteps[i - 1])));
        }
    }
    return 99;
}

QString faceName(const LOGFONTW& lf) {
    int n = 0;
    while (n < LF_FACESIZE && lf.lfFaceName[n] != 0) ++n;
    return QString::fromWCharArray(lf.lfFaceName, n);
}

struct FontKeyHash {
    std::size_t operator()(const std::string& s) const { return std::hash<std::string>()(s); }
};

ResolvedFont buildFont(const LOGFONTW& lf) {
    ResolvedFont r;
    QFont& f = r.font;
    const QString face = faceName(lf);
    if (!face.isEmpty()) f.setFamily(face);
    f.setWeight(qtWeight(lf.lfWeight));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    f.setKerning(false);
    if (lf.lfQuality == NONANTIALIASED_QUALITY) f.setStyleStrategy(QFont::NoAntialias);

    // A negative height asks for the em height, a positive one for the whole cell (ascent + descent).
    const int kMaxPixels = 32767;
    if (lf.lfHeight < 0) {
        f.setPixelSize(int(std::min<long long>(-static_cast<long long>(lf.lfHeight), kMaxPixels)));
    } else {
        const int cell = lf.lfHeight == 0 ? 16 : int(std::min<LONG>(lf.lfHeight, kMaxPixels));
        f.setPixelSize(200);
        const QFontMetricsF ref(f);
        const double ratio = (ref.ascent() + ref.descent()) / 200.0;
        int em = std::max(1, int(std::lround(cell / (ratio > 0 ? ratio : 1.0))));
        f.setPixelSize(em);
        // Hinting makes the cell grow in steps; settle on the largest em whose cell fits.
        for (int i = 0; i < 4 && em > 1 && QFontMetrics(f).height() > cell; ++i) f.setPixelSize(--em);
        for (int i = 0; i < 4; ++i) {
            QFont bigger = f;
            bigger.setPixelSize(em + 1);
            if (QFontMetrics(bigger).height() > cell) break;
            f = bigger;
            ++em;
        }
    }
    const QFontMetrics fm(f);
    r.ascent = fm.ascent();
    r.descent = fm.descent();
    r.escapementDegrees = lf.lfEscapement / 10.0;
    return r;
}

}  // namespace

const ResolvedFont* resolveFont(const FontDesc& desc) {
    if (!ensureTextSupport()) return nullptr;
    static std::unordered_map<std::string, ResolvedFont, FontKeyHash>* cache =
        new std::unordered_map<std::string, ResolvedFont, FontKeyHash>;
    static FontDesc lastDesc;
    static const ResolvedFont* last = nullptr;
    if (last && lastDesc == desc) return last;
    std::string key(reinterpret_cast<const char*>(&desc.lf), sizeof desc.lf);
    auto it = cache->find(key);
    if (it == cache->end()) it = cache->emplace(std::move(key), buildFont(desc.lf)).first;
    lastDesc = desc;
    last = &it->second;
    return last;
}

}  // namespace zvdgdi

bool ensureTextSupport() {
    static QCoreApplication* checkedApp = nullptr;
    static bool checkedResult = false;
    QCoreApplication* app = QCoreApplication::instance();
    if (app && app == checkedApp) return checkedResult;
    if (!app) {
        // Kept for the life of the process: tearing a QGuiApplication down during static
        // destruction is not safe.
        static int argc = 3;
        static char arg0[] = "zvd";
        static char arg1[] = "-platform";
        static char arg2[] = "offscreen";
        static char* argv[] = {arg0, arg1, arg2, nullptr};
        app = new QGuiApplication(argc, argv);
    }
    checkedApp = app;
    checkedResult = qobject_cast<QGuiApplication*>(app) != nullptr;
    if (checkedResult) {
        static bool substituted = false;
        if (!substituted) {
            substituted = true;
            const QStringList song = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Serif CJK")};
            const QStringList hei = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans CJK")};
            QFont::insertSubstitutions(QString::fromUtf8("宋体"), song);
            QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
            QFont::insertSubstitutions(QString::fromUtf8("黑体"), hei);
            QFont::insertSubstitutions(QStringLiteral("SimHei"), hei);
        }
    }
    return checkedResult;
}
