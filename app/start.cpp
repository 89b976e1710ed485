// SPDX-License-Identifier: MIT
#include "app/start.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

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

void show(const Ending& ending) {
#ifdef Q_OS_WIN
    if (inMessageBox(ending.status == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)) {
        const UINT icon = ending.status == 0 ? MB_ICONINFORMATION : MB_ICONERROR;
        MessageBoxW(nullptr, qUtf16Printable(ending.text.trimmed()), L"Kestrin",
                    MB_OK | MB_TOPMOST | MB_SETFOREGROUND | icon);
        return;
    }
#endif
    std::FILE* stream = ending.status == 0 ? stdout : stderr;
    std::fputs(ending.text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
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
