// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/text.h"

#ifdef Q_OS_WIN
#include "platform/windows_api.h"
#endif

namespace kestrin::app {
namespace {

constexpr int kNoDisplay = 1;
constexpr int kUsageError = 2;
constexpr char16_t kFirstEscape = 0xDC80;  // + a byte from 0x80 on
constexpr char16_t kLastEscape = 0xDCFF;

const char* const kDescription =
    "Lists the game script files of FOLDER in a window and starts the backend on them.\n"
    "Kestrin works in FOLDER as if it had been started there: it lists its files, the\n"
    "backend runs there and outputs are written there. Without FOLDER it works in the\n"
    "folder it was started in.\n"
    "\n"
    "The options every Qt program takes (-platform, -style, -reverse, ...) are Qt's, read\n"
    "before Kestrin's. Exit status: 0; 1 when there is no display to show the window on;\n"
    "2 when the arguments or FOLDER cannot be used.";

Ending refuse(QString problem) {
    // Qt's own messages end in a full stop; the hint follows the problem on its line.
    if (problem.endsWith(u'.')) {
        problem.chop(1);
    }
    return {kUsageError, "kestrin: " + toArgument(problem) + " (see kestrin --help)"};
}

// The folder given becomes the working folder; the refusal names it as the system does.
std::optional<Ending> enter(const std::string& folder) {
#ifdef Q_OS_WIN
    const std::filesystem::path path(QString::fromStdString(folder).toStdWString());
#else
    const std::filesystem::path path(folder);
#endif
    std::error_code failed;
    std::filesystem::current_path(path, failed);
    if (failed) {
        return Ending{kUsageError, "kestrin: cannot work in '" + folder + "': " +
                                       QString::fromLocal8Bit(failed.message()).toStdString()};
    }
    return std::nullopt;
}

#ifdef Q_OS_WIN
// A program with a window has no console of its own. As QCommandLineParser does, it writes to
// standard output and error only when there is somewhere to write: a console, or the handles a
// redirection or a script reading them handed it; started from Explorer it has neither, and the
// text goes into a message box. The handles themselves are asked, not the start-up flags, which
// wine's cmd.exe leaves unset for a redirection.
bool inMessageBox(DWORD stream) {
    if (GetConsoleWindow() != nullptr) {
        return false;
    }
    HANDLE handle = GetStdHandle(stream);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE ||
           GetFileType(handle) == FILE_TYPE_UNKNOWN;
}
#endif

}  // namespace

QString fromArgument(const char* argument) {
#ifdef Q_OS_WIN
    return QString::fromUtf8(argument);  // Windows names are UTF-16, never stray bytes
#else
    const std::string_view bytes(argument);
    QString text;
    for (std::size_t at = 0; at < bytes.size();) {
        const Utf8Character character = decodeUtf8(bytes, at);
        if (character.valid) {
            text += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(character.length));
        } else {
            text += QChar(
                static_cast<char16_t>(kFirstEscape - 0x80 + static_cast<unsigned char>(bytes[at])));
        }
        at += character.length;
    }
    return text;
#endif
}

std::string toArgument(const QString& argument) {
    std::string bytes;
    qsizetype from = 0;
    for (qsizetype at = 0; at <= argument.size(); ++at) {
        const char16_t unit = at < argument.size() ? argument[at].unicode() : 0;
        const bool escaped = unit >= kFirstEscape && unit <= kLastEscape &&
                             (at == 0 || !argument[at - 1].isHighSurrogate());
        if (escaped || at == argument.size()) {
            bytes += argument.mid(from, at - from).toStdString();
            from = at + 1;
        }
        if (escaped) {
            bytes += static_cast<char>(unit - kFirstEscape + 0x80);
        }
    }
    return bytes;
}

std::optional<Ending> start(const QStringList& arguments, bool haveDisplay) {
    QCommandLineParser parser;
    // Qt's own options have one dash and a word (-platform), so Kestrin's read the same way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(
        QStringLiteral("FOLDER"),
        QStringLiteral("The folder to work in (-- before a name starting with -)."),
        QStringLiteral("[FOLDER]"));
    if (!parser.parse(arguments)) {
        return refuse(parser.errorText());
    }
    if (parser.isSet(help)) {
        return Ending{0, parser.helpText().toStdString()};
    }
    if (parser.isSet(version)) {
        return Ending{0, "kestrin " KESTRIN_VERSION "\n"};
    }
    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1) {
        return refuse(u'\'' + folders[1] +
                      QStringLiteral("' would be a second folder; give one at most"));
    }
    if (!folders.isEmpty()) {
        if (auto refused = enter(toArgument(folders[0]))) {
            return refused;
        }
    }
    if (!haveDisplay) {
        return Ending{kNoDisplay, "kestrin: there is no display to show the window on"};
    }
    return std::nullopt;
}

bool show(const Ending& ending) {
    // A refusal is one line whatever it quotes; help and version keep their lines. Either way a
    // character that does not show as itself (a line break or an escape sequence in a folder's
    // name) is written as U+XXXX, never sent to the terminal.
    std::string_view text(ending.text);
    if (text.ends_with('\n')) {
        text.remove_suffix(1);
    }
    std::string shown;
    while (ending.status == 0 && text.find('\n') != std::string_view::npos) {
        shown += escapeForDisplay(text.substr(0, text.find('\n'))) + "\n";
        text.remove_prefix(text.find('\n') + 1);
    }
    shown += escapeForDisplay(text) + "\n";
#ifdef Q_OS_WIN
    if (inMessageBox(ending.status == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)) {
        const UINT icon = ending.status == 0 ? MB_ICONINFORMATION : MB_ICONERROR;
        return MessageBoxW(nullptr, qUtf16Printable(QString::fromStdString(shown).trimmed()),
                           L"Kestrin", MB_OK | MB_TOPMOST | MB_SETFOREGROUND | icon) != 0;
    }
    shown = QString::fromStdString(shown).toLocal8Bit().toStdString();
#endif
    std::FILE* stream = ending.status == 0 ? stdout : stderr;
    const bool written = std::fputs(shown.c_str(), stream) >= 0;
    return std::fflush(stream) == 0 && written;
}

}  // namespace kestrin::app
