#pragma once
// QString and the engine's UTF-16 strings are the same units: pass them
// across without converting.

#include <QString>
#include <string_view>

namespace lettrica::app {

// The view lives as long as the string.
inline std::u16string_view viewU16(const QString& s) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}
inline QString fromU16(std::u16string_view s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

}  // namespace lettrica::app
