// SPDX-License-Identifier: MIT
#include "app/qt_start.h"

#include <QApplication>
#include <QFileInfo>
#include <cstring>
#include <string_view>
#include <utility>

#include "app/command_line.h"

namespace kestrin::app {
namespace {

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

namespace {

// A style sheet's file named relative to the folder Kestrin was started in, anchored there.
void anchorStyleSheet() {
    const QString scheme = QStringLiteral("file:///");
    const QString sheet = qApp->styleSheet();
    if (sheet.startsWith(scheme) && QFileInfo(sheet.mid(scheme.size())).isRelative()) {
        qApp->setStyleSheet(scheme + QFileInfo(sheet.mid(scheme.size())).absoluteFilePath());
    }
}

}  // namespace

bool QtStart::haveDisplay() {
    if (m_platforms.empty()) {
        return true;
    }
    qInstallMessageHandler(g_before);
    const bool asked = m_platforms.starts_with(kNoDisplayPlatform);
    const bool have = asked || QGuiApplication::platformName() != QLatin1String(kNoDisplayPlatform);
    for (const HeldMessage& message : std::exchange(g_held, {})) {
        // On the way to the display found, Qt's failures with other platforms are no news.
        if (have && !message.category.starts_with("qt.qpa.")) {
            const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
            g_before(message.type, context, message.text);
        }
    }
    return have;
}

QtStart::Left QtStart::left() {
    anchorStyleSheet();
    const bool have = haveDisplay();
    return {arguments(), have};
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

}  // namespace kestrin::app
