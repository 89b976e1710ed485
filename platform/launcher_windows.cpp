// Starting a command line on Windows: CreateProcessW receives the line exactly as it was built.
// Lines for the command interpreter run in the system's own cmd.exe, never one found on PATH.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/launcher.h"

namespace kestrin::platform {
namespace {

// Returns false when text is not valid UTF-8 (or too long for the conversion).
bool toWide(const std::string& text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) {
        return true;
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(),
                               length) == length;
}

std::string toUtf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

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
    std::string message = toUtf8(text);
    LocalFree(buffer);
    return message;
}

std::string cannotStart(const std::string& program, const std::string& why) {
    return "Cannot start \"" + program + "\": " + why;
}

class WindowsLauncher final : public Launcher {
public:
    LaunchResult launch(const std::string& commandLine) override {
        // The same reading as on every system, so a line refused here is refused everywhere.
        const ParsedCommand parsed = parseCommandLine(commandLine);
        if (!parsed.error.empty()) {
            return {parsed.error};
        }
        const bool interpreted = runsInInterpreter(commandLine);
        const std::string program = interpreted ? "cmd.exe" : parsed.arguments.front();

        std::wstring wideLine;
        if (!toWide(commandLine, wideLine)) {
            return {cannotStart(program, "the command line is not valid UTF-8.")};
        }
        std::wstring application;
        if (interpreted) {
            wchar_t folder[MAX_PATH];
            const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
            if (length == 0 || length >= MAX_PATH) {
                return {cannotStart(program, systemMessage(GetLastError()))};
            }
            application.assign(folder, length);
            application += L"\\cmd.exe";
        }
        // CreateProcessW may write into the command line, so it gets its own buffer.
        std::vector<wchar_t> line(wideLine.begin(), wideLine.end());
        line.push_back(L'\0');

        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMINIMIZED;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(
            interpreted ? application.c_str() : nullptr, line.data(), nullptr, nullptr, FALSE,
            CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup, &process);
        if (!started) {
            return {cannotStart(program, systemMessage(GetLastError()))};
        }
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
