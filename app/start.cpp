// SPDX-License-Identifier: MIT
#include "app/start.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/text.h"

#ifdef Q_OS_WIN
#include "platform/windows_api.h"
#endif

namespace kestrin::app {

namespace {

constexpr int kUsageError = 2;

std::filesystem::path pathOf(const QString& folder) {
#ifdef Q_OS_WIN
    return {folder.toStdWString()};
#else
    return {QFile::encodeName(folder).toStdString()};
#endif
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

std::optional<Ending> prepare(const Arguments& arguments) {
    switch (arguments.action) {
        case Arguments::Action::ShowHelp:
        case Arguments::Action::ShowVersion:
            return Ending{0, arguments.text};
        case Arguments::Action::Refuse:
            return Ending{kUsageError, arguments.text + u'\n'};
        case Arguments::Action::AskQt:
        case Arguments::Action::Run:
            break;
    }
    if (arguments.folder) {
        std::error_code failed;
        std::filesystem::current_path(pathOf(*arguments.folder), failed);
        if (failed) {
            return Ending{kUsageError, QStringLiteral("kestrin: cannot work in '") +
                                           *arguments.folder + QStringLiteral("': ") +
                                           QString::fromLocal8Bit(failed.message()) + u'\n'};
        }
    }
    return std::nullopt;
}

QString shownAsIs(const Ending& ending) {
    // A refusal is one line whatever it quotes; help and version keep their lines. Either way a
    // character that does not show as itself (a line break or an escape sequence in a folder's
    // name) is written as U+XXXX, never sent to the terminal.
    const QString text = ending.text.chopped(ending.text.endsWith(u'\n') ? 1 : 0);
    const QStringList lines = ending.status == 0 ? text.split(u'\n') : QStringList{text};
    QStringList shown;
    for (const QString& line : lines) {
        shown.append(QString::fromStdString(kestrin::visibleForm(line.toStdString())));
    }
    return shown.join(u'\n') + u'\n';
}

bool show(const Ending& ending) {
    const QString text = shownAsIs(ending);
#ifdef Q_OS_WIN
    if (inMessageBox(ending.status == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)) {
        const UINT icon = ending.status == 0 ? MB_ICONINFORMATION : MB_ICONERROR;
        return MessageBoxW(nullptr, qUtf16Printable(text.trimmed()), L"Kestrin",
                           MB_OK | MB_TOPMOST | MB_SETFOREGROUND | icon) != 0;
    }
#endif
    std::FILE* stream = ending.status == 0 ? stdout : stderr;
    const bool written = std::fputs(text.toLocal8Bit().constData(), stream) >= 0;
    return std::fflush(stream) == 0 && written;
}

QtArguments::QtArguments(int argc, char** argv) : m_given(argv, argv + argc) {
    const auto dashes =
        std::find_if(m_given.begin() + std::min(argc, 1), m_given.end(),
                     [](const char* argument) { return std::strcmp(argument, "--") == 0; });
    m_argv.assign(m_given.begin(), dashes);
    m_beforeDashes = m_argv.size();
    m_argc = static_cast<int>(m_argv.size());
    m_argv.push_back(nullptr);
}

bool QtArguments::readWithoutDisplay() {
#ifdef Q_OS_WIN
    return false;
#else
    const bool platformGiven =
        std::any_of(m_argv.begin(), m_argv.end() - 1, [](const char* argument) {
            return std::strcmp(argument, "-platform") == 0 ||
                   std::strcmp(argument, "--platform") == 0;
        });
    if (platformGiven || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return false;
    }
    static char platform[] = "-platform";
    static char minimal[] = "minimal";
    m_argv.insert(m_argv.end() - 1, {platform, minimal});
    m_argc += 2;
    return true;
#endif
}

QStringList QtArguments::left(const QStringList& given) const {
    const bool aligned = std::cmp_equal(given.size(), m_given.size());
    const auto text = [&](std::size_t index) {
        return aligned ? given[static_cast<qsizetype>(index)]
                       : QString::fromLocal8Bit(m_given[index]);
    };
    // Qt keeps the arguments it does not read in their order, as the same pointers.
    QStringList left;
    std::size_t next = 0;
    for (int i = 0; i < m_argc; ++i) {
        while (next < m_beforeDashes && m_given[next] != m_argv[static_cast<std::size_t>(i)]) {
            ++next;
        }
        if (next < m_beforeDashes) {
            left.append(text(next++));
        }
    }
    for (std::size_t index = m_beforeDashes; index < m_given.size(); ++index) {
        left.append(text(index));
    }
    return left;
}

}  // namespace kestrin::app
