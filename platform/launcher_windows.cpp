// Starting a command line on Windows: CreateProcessW receives the line exactly as it was built.
// Lines for the command interpreter run in the system's own cmd.exe, never one found on PATH.
// The backend is looked for first, the way cmd.exe will look for it, so that a missing backend
// is told to the user instead of vanishing in a console window that closes at once.

#include "platform/windows_api.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/launch_messages.h"
#include "platform/launcher.h"
#include "platform/wide_text.h"

namespace kestrin::platform {
namespace {

// The system's own words for an error code, without the line break it ends in.
std::string systemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) {
        return "Windows error " + std::to_string(code) + ".";
    }
    std::wstring_view text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.remove_suffix(1);
    }
    const auto message = toUtf8(text);
    LocalFree(buffer);
    return message ? *message : "Windows error " + std::to_string(code) + ".";
}

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

std::vector<std::wstring> splitList(std::wstring_view list) {
    std::vector<std::wstring> entries;
    while (!list.empty()) {
        const auto semicolon = list.find(L';');
        std::wstring_view entry = list.substr(0, semicolon);
        // cmd.exe takes quoted PATH entries, such as "C:\Program Files\x", without their quotes.
        if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') {
            entry = entry.substr(1, entry.size() - 2);
        }
        if (!entry.empty()) {
            entries.emplace_back(entry);
        }
        if (semicolon == std::wstring_view::npos) {
            break;
        }
        list.remove_prefix(semicolon + 1);
    }
    return entries;
}

bool isPath(std::wstring_view name) {
    return name.find_first_of(L"\\/:") != std::wstring_view::npos;
}

bool hasEnding(std::wstring_view name) {
    const auto folderEnd = name.find_last_of(L"\\/:");
    const auto dot = name.rfind(L'.');
    return dot != std::wstring_view::npos &&
           (folderEnd == std::wstring_view::npos || dot > folderEnd);
}

bool endsWithIgnoringCase(std::wstring_view text, std::wstring_view ending) {
    if (text.size() < ending.size()) {
        return false;
    }
    const std::wstring tail(text.substr(text.size() - ending.size()));
    return CompareStringOrdinal(tail.c_str(), static_cast<int>(tail.size()), ending.data(),
                                static_cast<int>(ending.size()), TRUE) == CSTR_EQUAL;
}

enum class Candidate { Missing, Folder, NotProgram, Program };

Candidate examine(const std::wstring& path, bool byEnding) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return Candidate::Missing;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Candidate::Folder;
    }
    // A file without an ending is never run by cmd.exe, which only adds the PATHEXT endings.
    return byEnding ? Candidate::Program : Candidate::NotProgram;
}

struct Resolved {
    std::wstring path;
    std::string error;
};

// The file cmd.exe would run for program: a name with a folder part as it stands, any other one
// in the working folder and then in each PATH entry. A name without an ending is tried with each
// PATHEXT ending. The first unusable file found explains a failure best.
Resolved resolve(const std::string& program, const std::wstring& wideProgram) {
    std::vector<std::wstring> places;
    if (isPath(wideProgram)) {
        places.push_back(wideProgram);
    } else {
        places.push_back(L".\\" + wideProgram);
        for (auto& entry : splitList(environmentVariable(L"PATH"))) {
            if (entry.back() != L'\\' && entry.back() != L'/') {
                entry += L'\\';
            }
            places.push_back(entry + wideProgram);
        }
    }
    const bool named = hasEnding(wideProgram);
    std::vector<std::wstring> endings;
    if (!named) {
        endings = splitList(environmentVariable(L"PATHEXT"));
        if (endings.empty()) {
            endings = {L".COM", L".EXE", L".BAT", L".CMD"};
        }
    }

    std::wstring unusable;
    Candidate unusableBecause = Candidate::Missing;
    const auto consider = [&](std::wstring path, bool byEnding) {
        const Candidate found = examine(path, byEnding);
        if (found != Candidate::Missing && found != Candidate::Program && unusable.empty()) {
            unusable = path;
            unusableBecause = found;
        }
        return found == Candidate::Program;
    };
    for (const auto& place : places) {
        if (consider(place, named)) {
            return {.path = place, .error = {}};
        }
        for (const auto& ending : endings) {
            if (consider(place + ending, true)) {
                return {.path = place + ending, .error = {}};
            }
        }
    }
    const std::string shown = toUtf8(unusable).value_or(program);
    switch (unusableBecause) {
        case Candidate::Folder:
            return {.path = {}, .error = programIsAFolder(program, shown)};
        case Candidate::NotProgram:
            return {.path = {}, .error = notAProgramFile(program, shown)};
        case Candidate::Missing:
        case Candidate::Program:
            break;
    }
    return {.path = {},
            .error = isPath(wideProgram) ? fileNotFound(program) : programNotFound(program)};
}

// CreateProcessW starts a batch file through a hidden cmd.exe, which would act on the
// characters of a line that was never checked for them.
bool isBatchFile(std::wstring_view path) {
    return endsWithIgnoringCase(path, L".bat") || endsWithIgnoringCase(path, L".cmd");
}

class WindowsLauncher final : public Launcher {
public:
    Result<> launch(const std::string& commandLine) override {
        // The same reading as on every system, so a line refused here is refused everywhere.
        const Result<ParsedCommand> parsed = parseCommandLine(commandLine);
        if (!parsed) {
            return parsed.failure();
        }
        const std::string& program = parsed->arguments.front();
        const auto wideLine = toWide(commandLine);
        const auto wideProgram = toWide(program);
        if (!wideLine || !wideProgram) {
            return Failure{cannotStart(program, "the command line is not valid UTF-8.")};
        }
        const Resolved resolved = resolve(program, *wideProgram);
        if (!resolved.error.empty()) {
            return Failure{resolved.error};
        }

        std::wstring application = resolved.path;
        if (runsInInterpreter(commandLine)) {
            wchar_t folder[MAX_PATH];
            const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
            if (length == 0 || length >= MAX_PATH) {
                return Failure{cannotStart("cmd.exe", systemMessage(GetLastError()))};
            }
            application.assign(folder, length);
            application += L"\\cmd.exe";
        } else if (isBatchFile(application)) {
            return Failure{cannotStart(program, "\"" + toUtf8(application).value_or(program) +
                                                    "\" is a batch file, which only the command "
                                                    "interpreter runs.")};
        }
        // CreateProcessW may write into the command line, so it gets its own buffer.
        std::vector<wchar_t> line(wideLine->begin(), wideLine->end());
        line.push_back(L'\0');

        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMINIMIZED;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(application.c_str(), line.data(), nullptr, nullptr,
                                            FALSE, CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT,
                                            nullptr, nullptr, &startup, &process);
        if (!started) {
            return Failure{cannotStart(program, systemMessage(GetLastError()))};
        }
        // Nothing waits for the program, so nothing keeps a handle of it.
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return {};
    }
};

}  // namespace

std::unique_ptr<Launcher> makeLauncher() {
    return std::make_unique<WindowsLauncher>();
}

}  // namespace kestrin::platform
