// zvd: ZVDFormatVersion's answers, decided once from the version text.
// Every version threshold of both drawing formats is written here and nowhere else.
#include "zvd/persistence/zvdformatversion.h"

#include <cmath>

#include <QString>

const ZVDFormatVersion& ZVDFormatVersion::current() {
    static const ZVDFormatVersion version(L"3.4");
    return version;
}

ZVDFormatVersion::ZVDFormatVersion(const std::wstring& version)
    : m_text(version), m_number(QString::fromStdWString(version).toDouble()) {
    m_oneDotX = version == L"1.0" || version == L"1.1";
    m_hasExtData = version != L"1.0";
    m_ansiStrings = compare(1.9) < 0;
    m_from30 = compare(3.0) >= 0;
    m_from31 = compare(3.1) >= 0;
    m_hasBlockFields = compare(1.45) > 0;
    m_hasRelationID = compare(1.6) >= 0;
    m_hasEnableType = compare(1.7) > 0;
    m_hasCurrentScale = compare(1.9) > 0;
    m_hasChainIds = compare(2.1) >= 0;
    m_arcByRadius = compare(3.3) < 0;
    m_base64Text = compare(1.3) >= 0;
    m_base64FontName = compare(1.4) >= 0;
    m_from21Number = m_number >= 2.1;
    m_dimensionChildRecords = compare(3.4) >= 0;
}

int ZVDFormatVersion::compare(double v) const {
    const double d = m_number - v;
    if (std::fabs(d) <= 0.001) return 0;
    return d > 0 ? 1 : -1;
}
