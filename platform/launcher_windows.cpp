// SPDX-License-Identifier: MIT
// Starting a command line on Windows: CreateProcessW receives the line exactly as it was built.
// Lines for the command interpreter run in the system's own cmd.exe, never one found on PATH.
// The backend is looked for first (program_lookup.h), the way cmd.exe will look for it, so that
// a missing backend is told to the user instead of vanishing in a console window that closes at
// once.

#include "platform/windows_api.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/child_handles_windows.h"
#include "platform/command_line.h"
#include "platform/launch_messages.h"
#include "platform/launcher.h"
#include "platform/output_file_windows.h"
#include "platform/program_lookup.h"
#include "platform/wide_text.h"

namespace kestrin::platform {
namespace {

std::wstring environmentVariable(const wchar_t* name) {
    std::wstring value(256, L'\0');
    while (true) {
        const DWORD length =
            GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            return {};
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);
    }
}

bool endsWithIgnoringCase(std::wstring_view text, std::wstring_view ending) {
    if (text.size() < ending.size()) {
        return false;
    }
    const std::wstring tail(text.substr(text.size() - ending.size()));
    return CompareStringOrdinal(tail.c_str(), static_cast<int>(tail.size()), ending.data(),
                                static_cast<int>(ending.size()), TRUE) == CSTR_EQUAL;
}

FileKind examine(const std::wstring& path, bool byEnding) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return FileKind::Missing;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FileKind::Folder;
    }
    // A file without an ending is never run by cmd.exe, which only adds the PATHEXT endings.
    return byEnding ? FileKind::Program : FileKind::NotAProgram;
}

// CreateProcessW starts a batch file through a hidden cmd.exe, which would act on the
// characters of a line that was never checked for them.
bool isBatchFile(std::wstring_view path) {
    return endsWithIgnoringCase(path, L".bat") || endsWithIgnoringCase(path, L".cmd");
}

// The program CreateProcessW is to start for the file found: the system's own cmd.exe for a line
// meant for the interpreter, else the file itself.
Result<std::wstring> applicationFor(const std::string& commandLine, const std::string& program,
                                    const std::wstring& found) {
    if (runsInInterpreter(commandLine)) {
        wchar_t folder[MAX_PATH];
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            return Failure{cannotStart("cmd.exe", systemMessage(GetLastError()))};
        }
        return std::wstring(folder, length) + L"\\cmd.exe";
    }
    if (isBatchFile(found)) {
        return Failure{cannotStart(program, "\"" + toUtf8(found).value_or(program) +
                                                "\" is a batch file, which only the command "
                                                "interpreter runs.")};
    }
    return found;
}

// Starts application with the line, minimized in a console of its own, its words going to the
// words file; hands back its process handle.
Result<Started> start(const std::wstring& application, const std::wstring& wideLine,
                      const std::string& program) {
    // CreateProcessW may write into the command line, so it gets its own buffer.
    std::vector<wchar_t> line(wideLine.begin(), wideLine.end());
    line.push_back(L'\0');

    Started started;
    started.words = WordsFile::create().value_or(WordsFile());
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_SHOWMINIMIZED;
    ChildHandles handles;
    if (!handles.prepare(started.words, startup)) {
        return Failure{cannotStart(program, systemMessage(GetLastError()))};
    }
    PROCESS_INFORMATION process{};
    const DWORD flags = CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT |
                        (handles.inherit() ? EXTENDED_STARTUPINFO_PRESENT : 0);
    const BOOL ok =
        CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, handles.inherit(), flags,
                       nullptr, nullptr, &startup.StartupInfo, &process);
    started.words.closeWriter();
    if (!ok) {
        return Failure{cannotStart(program, systemMessage(GetLastError()))};
    }
    CloseHandle(process.hThread);
    started.process = Process(process.hProcess);
    return started;
}

// The program to start for the line, found the way cmd.exe will find it.
Result<std::wstring> programFor(const std::string& commandLine, const std::string& program) {
    const auto wideProgram = toWide(program);
    if (!wideProgram) {
        return Failure{cannotStart(program, "the command line is not valid UTF-8.")};
    }
    const Result<std::wstring> found =
        findWindowsProgram(program, *wideProgram, environmentVariable(L"PATH"),
                           environmentVariable(L"PATHEXT"), examine, toUtf8);
    if (!found) {
        return found.failure();
    }
    return applicationFor(commandLine, program, *found);
}

class WindowsLauncher final : public Launcher {
public:
    Result<Started> launch(const std::string& commandLine) override {
        // The same reading as on every system, so a line refused here is refused everywhere.
        const Result<ParsedCommand> parsed = parseCommandLine(commandLine);
        if (!parsed) {
            return parsed.failure();
        }
        const std::string& program = parsed->arguments.front();
        const auto wideLine = toWide(commandLine);
        if (!wideLine) {
            return Failure{cannotStart(program, "the command line is not valid UTF-8.")};
        }
        const Result<std::wstring> application = programFor(commandLine, program);
        if (!application) {
            return application.failure();
        }
        std::optional<PendingOutput> output;
        if (parsed->outputFile) {
            Result<PendingOutput> prepared = prepareOutput(*parsed->outputFile);
            if (!prepared) {
                return prepared.failure();
            }
            output.emplace(std::move(prepared).value());
        }
        Result<Started> started = start(*application, *wideLine, program);
        if (!started) {
            return started.failure();
        }
        started->keptCopy = output ? output->commit() : std::string();
        return started;
    }
};

}  // namespace

std::unique_ptr<Launcher> makeLauncher() {
    return std::make_unique<WindowsLauncher>();
}

}  // namespace kestrin::platform
