// SPDX-License-Identifier: MIT
#pragma once
// Where UTF-8 text meets Qt. Everything outside window/ and app/ speaks UTF-8 std::string; widgets
// speak QString. Header-only, so that a program that links only Qt may use it too.

#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

namespace kestrin::window {

inline QString toQString(std::string_view text) {
    const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
    if (text.starts_with("\xEF\xBB\xBF")) {
        // fromUtf8 drops a byte order mark at the start, but in a file name it is a character of
        // the name: without it a pick would copy another file's name.
        QStringDecoder keepingIt(
            QStringConverter::Utf8,
            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        return keepingIt.decode(bytes);
    }
    return QString::fromUtf8(bytes);
}

inline std::string toUtf8(const QString& text) {
    return text.toStdString();  // UTF-8 in Qt 6
}

}  // namespace kestrin::window
