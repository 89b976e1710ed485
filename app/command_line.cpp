// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

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

constexpr std::string_view kNoDisplayPlatform = "minimal";

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};
std::vector<HeldMessage> g_held;
QtMessageHandler g_before = nullptr;

#ifndef Q_OS_WIN
void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        g_before(type, context, text);
        return;
    }
    g_held.push_back({type, context.category == nullptr ? "" : context.category, text});
}

// The platform Qt would choose by itself, as QGuiApplication does: Wayland in a Wayland session
// (but GNOME's, where Qt prefers X11), else X11.
std::string platformOfTheSession() {
    const QByteArray desktop =
        (qgetenv("XDG_CURRENT_DESKTOP") + qgetenv("XDG_SESSION_DESKTOP")).toLower();
    if (qgetenv("XDG_SESSION_TYPE") == "wayland" && !desktop.contains("gnome")) {
        return "wayland;xcb";
    }
    return "xcb";
}
#endif

// Qt's own messages end in a full stop; the hint follows the problem on its line.
Ending refuse(const QString& problem) {
    const QString line = problem.endsWith(u'.') ? problem.chopped(1) : problem;
    return {kUsageError, "kestrin: " + toArgument(line) + " (see kestrin --help)"};
}

// The folder given becomes the working folder; the refusal names it as the system does. A style
// sheet's file that Qt reads later, named relative to the folder started in, is anchored there.
std::optional<Ending> enter(const QString& folder) {
    const QString scheme = QStringLiteral("file:///");
    const QString sheet = qApp->styleSheet();
    if (sheet.startsWith(scheme) && QFileInfo(sheet.mid(scheme.size())).isRelative()) {
        qApp->setStyleSheet(scheme + QFileInfo(sheet.mid(scheme.size())).absoluteFilePath());
    }
#ifdef Q_OS_WIN
    const std::filesystem::path path(folder.toStdWString());
#else
    const std::filesystem::path path(toArgument(folder));
#endif
    std::error_code failed;
    std::filesystem::current_path(path, failed);
    if (failed) {
        return Ending{kUsageError, "kestrin: cannot work in '" + toArgument(folder) + "': " +
                                       QString::fromLocal8Bit(failed.message()).toStdString()};
    }
    return std::nullopt;
}

#ifdef Q_OS_WIN
// As QCommandLineParser does, a program with a window writes to stdout and stderr only when it has
// a console or handles (a redirection, a script reading them), else into a message box. The
// handles are asked, not the start-up flags, which wine's cmd.exe leaves unset for a redirection.
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

QtStart::QtStart(int argc, char** argv) : m_argv(argv, argv + argc), m_argc(argc) {
#ifndef Q_OS_WIN
    // The user's choice as Qt reads it: the last -platform, else QT_QPA_PLATFORM.
    std::string chosen = qEnvironmentVariable("QT_QPA_PLATFORM").toStdString();
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            chosen = argv[i + 1];
        }
    }
    m_platforms =
        (chosen.empty() ? platformOfTheSession() : chosen) + ";" + std::string(kNoDisplayPlatform);
    static char platformOption[] = "-platform";
    m_argv.insert(m_argv.end(), {platformOption, m_platforms.data()});
    m_argc += 2;
    g_before = qInstallMessageHandler(hold);
#endif
    m_argv.push_back(nullptr);
}

bool QtStart::haveDisplay() {
    if (m_platforms.empty()) {
        return true;
    }
    qInstallMessageHandler(g_before);
    const bool have = m_platforms.starts_with(kNoDisplayPlatform) ||  // asked for
                      QGuiApplication::platformName() != QLatin1String(kNoDisplayPlatform);
    for (const HeldMessage& message : std::exchange(g_held, {})) {
        // On the way to the display found, Qt's failures with other platforms are no news.
        if (have && !message.category.starts_with("qt.qpa.")) {
            const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
            g_before(message.type, context, message.text);
        }
    }
    return have;
}

QStringList QtStart::arguments() const {
#ifdef Q_OS_WIN
    // As the system holds them, in UTF-16; argv has them in the ANSI code page.
    return QCoreApplication::arguments();
#else
    QStringList arguments;
    for (int i = 0; i < m_argc; ++i) {
        arguments.append(fromArgument(m_argv[static_cast<std::size_t>(i)]));
    }
    return arguments;
#endif
}

QString fromArgument(const char* argument) {
    const std::string_view bytes(argument);
    QString text;
    for (std::size_t at = 0; at < bytes.size();) {
        const Utf8Character character = decodeUtf8(bytes, at);
        const auto escaped = static_cast<char16_t>(kFirstEscape - 0x80 + std::uint8_t(bytes[at]));
        text += character.valid ? QString::fromUtf8(bytes.substr(at, character.length))
                                : QString(QChar(escaped));
        at += character.length;
    }
    return text;
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
    parser.addOptions({help, version});
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
    if (auto refused = folders.isEmpty() ? std::nullopt : enter(folders[0])) {
        return refused;
    }
    if (!haveDisplay) {
        return Ending{kNoDisplay, "kestrin: there is no display to show the window on"};
    }
    return std::nullopt;
}

int show(const Ending& ending) {
    // A refusal is one line whatever it quotes, help and version keep theirs; a character that does
    // not show as itself (a line break, an escape sequence) is written as U+XXXX.
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
    // A help or version that was not written (a full disk, a closed pipe) is a failure too.
    const auto status = [&ending](bool written) {
        return ending.status == 0 && !written ? 1 : ending.status;
    };
#ifdef Q_OS_WIN
    if (inMessageBox(ending.status == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)) {
        const UINT icon = ending.status == 0 ? MB_ICONINFORMATION : MB_ICONERROR;
        return status(MessageBoxW(nullptr, qUtf16Printable(QString::fromStdString(shown).trimmed()),
                                  L"Kestrin", MB_OK | MB_TOPMOST | MB_SETFOREGROUND | icon) != 0);
    }
    shown = QString::fromStdString(shown).toLocal8Bit().toStdString();
#endif
    std::FILE* stream = ending.status == 0 ? stdout : stderr;
    const bool written = std::fputs(shown.c_str(), stream) >= 0;
    return status(std::fflush(stream) == 0 && written);
}

}  // namespace kestrin::app
