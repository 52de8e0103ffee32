// zvd: attribute helpers shared by the items' XML readers and writers (internal header).
// Names come from ZXMLAttrNames; a name the long set lacks is empty and is neither read nor written.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <QDomElement>
#include <QString>
#include <QStringList>

#include "foundation/vdcommon_stream.h"
#include "zvd/persistence/zxmlattrnames.h"

namespace zvdxml {

// Callers may pass no name table; the current (short) set applies then.
inline ZXMLAttrNames* namesOrDefault(ZXMLAttrNames* names) {
    static ZXMLAttrNames shortNames;
    return names ? names : &shortNames;
}

inline QString attribute(const QDomElement& e, const std::wstring& name) {
    return name.empty() ? QString() : e.attribute(QString::fromStdWString(name));
}

inline bool hasAttribute(const QDomElement& e, const std::wstring& name) {
    return !name.empty() && e.hasAttribute(QString::fromStdWString(name));
}

// A missing attribute (or one that is not a number) reads as 0.
inline int intAttribute(const QDomElement& e, const std::wstring& name) { return attribute(e, name).toInt(); }

inline void setAttribute(QDomElement& e, const std::wstring& name, int value) {
    if (!name.empty()) e.setAttribute(QString::fromStdWString(name), value);
}

inline void setAttribute(QDomElement& e, const std::wstring& name, const QString& value) {
    if (!name.empty()) e.setAttribute(QString::fromStdWString(name), value);
}

// Reals joined by commas, each as C "%.20lf" writes it under the C locale ("1.50000000000000000000").
inline QString joinReals(std::initializer_list<double> values) {
    std::string out;
    for (double v : values) {
        if (!out.empty()) out += ',';
        out += vdcommon::detail::cFormat("%.20lf", v);
    }
    return QString::fromStdString(out);
}

// The first n comma-separated reals of text; missing or unreadable fields read as 0.
inline std::vector<double> splitReals(const QString& text, int n) {
    const QStringList parts = text.split(QLatin1Char(','));
    std::vector<double> values(static_cast<size_t>(n), 0.0);
    for (int i = 0; i < n && i < parts.size(); ++i) values[static_cast<size_t>(i)] = parts[i].trimmed().toDouble();
    return values;
}

}  // namespace zvdxml
