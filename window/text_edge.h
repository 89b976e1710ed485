#pragma once
// Where UTF-8 text meets Qt. Everything outside window/ and app/ speaks UTF-8 std::string; widgets
// speak QString. Header-only, so that a program that links only Qt may use it too.

#include <QString>
#include <string>
#include <string_view>

namespace kestrin::window {

inline QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace kestrin::window
