// SPDX-License-Identifier: MIT
// A stand-in for the backend program in the launcher's tests. It writes a known text to standard
// output and appends one record of what it was given to the log named by KESTRIN_STAND_IN_LOG:
//
//   record
//   exe <length>:<path of the running file>
//   cwd <length>:<working folder>
//   name <length>:<argv[0]>
//   arg <length>:<argv[i]>          one line for each argument, in order
//   fds <length>:<open descriptors, ascending, separated by spaces>
//   stdin <length>:<what descriptor 0 leads to>
//   session <length>:own|shared
//   sigpipe <length>:ignored|default|handled
//   stdout <length>:<device>:<inode> of the file standard output leads to
//   end
//
// On Windows the fds, stdin, session, sigpipe and stdout lines are left out; instead it records its
// own STARTUPINFO as GetStartupInfoW gives it (decimal numbers):
//
//   startup_flags <length>:<dwFlags>
//   show_window <length>:<wShowWindow>
//
// Values carry their length, so spaces, tabs, line breaks and empty arguments stay exact. Built
// with KESTRIN_STAND_IN_ANSI, the Windows stand-in reads its arguments through an ANSI main.
// KESTRIN_STAND_IN_GATE names a file to wait for (up to ten seconds) before doing anything, and
// KESTRIN_STAND_IN_SLEEP_MS a pause before writing. KESTRIN_STAND_IN_FAIL makes it fail as a
// backend does: it writes that text to standard error first and ends with status 3 at the end;
// KESTRIN_STAND_IN_SIGNAL makes it end by that signal instead. KESTRIN_STAND_IN_FLOOD=N writes N
// megabytes of lines to stderr before that text, and fails if a write fails.

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFailureStatus = 3;
constexpr int kNoLog = 2;

std::string field(const char* key, const std::string& value) {
    return std::string(key) + " " + std::to_string(value.size()) + ":" + value + "\n";
}

void pauseAsAsked() {
    if (const char* gate = std::getenv("KESTRIN_STAND_IN_GATE")) {
        for (int i = 0; i < 1000 && !std::filesystem::exists(gate); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (const char* pause = std::getenv("KESTRIN_STAND_IN_SLEEP_MS")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(pause)));
    }
}

// Each system gives: the record's fields beside the arguments, taken before the log is opened so
// that they show only what the launcher passed on; a write to stdout (1) or stderr (2); and the
// record appended to the log under a lock, as many stand-ins may finish at once (0, or 1 when a
// write failed, or kNoLog).
#ifdef _WIN32

std::string utf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) {
        return {};
    }
    std::string converted(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), length, nullptr, nullptr);
    converted.pop_back();
    return converted;
}

std::string systemFields() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    return field("exe", utf8(path.c_str())) +
           field("cwd", utf8(std::filesystem::current_path().c_str())) +
           field("startup_flags", std::to_string(startup.dwFlags)) +
           field("show_window", std::to_string(startup.wShowWindow));
}

bool writeAll(HANDLE file, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        if (!WriteFile(file, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                       nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool writeTo(int stream, const std::string& text) {
    return writeAll(GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), text);
}

int appendToLog(const std::string& record) {
    const wchar_t* logPath = _wgetenv(L"KESTRIN_STAND_IN_LOG");
    const HANDLE log =
        logPath == nullptr
            ? INVALID_HANDLE_VALUE
            : CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
        return kNoLog;
    }
    OVERLAPPED whole{};
    const bool locked = LockFileEx(log, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    const bool wrote = writeAll(log, record);
    if (locked) {
        UnlockFileEx(log, 0, MAXDWORD, MAXDWORD, &whole);
    }
    CloseHandle(log);
    return wrote ? 0 : 1;
}

#else

std::string readLink(const char* path) {
    std::error_code failed;
    return std::filesystem::read_symlink(path, failed).string();
}

std::string systemFields() {
    std::vector<int> fds;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        fds.push_back(std::stoi(entry.path().filename()));
    }
    // The listing's own descriptor has gone with it.
    std::erase_if(fds, [](int fd) { return fcntl(fd, F_GETFD) == -1; });
    std::sort(fds.begin(), fds.end());
    std::string listed;
    for (const int fd : fds) {
        listed += (listed.empty() ? "" : " ") + std::to_string(fd);
    }
    struct sigaction pipe {};
    sigaction(SIGPIPE, nullptr, &pipe);
    struct stat out {};
    return field("exe", readLink("/proc/self/exe")) + field("cwd", readLink("/proc/self/cwd")) +
           field("fds", listed) + field("stdin", readLink("/proc/self/fd/0")) +
           field("session", getsid(0) == getpid() ? "own" : "shared") +
           field("sigpipe", pipe.sa_handler == SIG_IGN   ? "ignored"
                            : pipe.sa_handler == SIG_DFL ? "default"
                                                         : "handled") +
           field("stdout", fstat(STDOUT_FILENO, &out) != 0
                               ? "closed"
                               : std::to_string(out.st_dev) + ":" + std::to_string(out.st_ino));
}

bool writeTo(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

int appendToLog(const std::string& record) {
    const char* logPath = std::getenv("KESTRIN_STAND_IN_LOG");
    const int log =
        logPath == nullptr ? -1 : open(logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) {
        return kNoLog;
    }
    flock(log, LOCK_EX);
    const bool wrote = writeTo(log, record);
    flock(log, LOCK_UN);
    close(log);
    return wrote ? 0 : 1;
}

#endif

int logRun(const std::vector<std::string>& arguments) {
    pauseAsAsked();
    std::string record = "record\n" + systemFields();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        record += field(i == 0 ? "name" : "arg", arguments[i]);
    }
    record += "end\n";
    // Its words and output first: once the record is in the log, both are complete.
    const char* failure = std::getenv("KESTRIN_STAND_IN_FAIL");
    bool wrote = true;
    if (const char* flood = std::getenv("KESTRIN_STAND_IN_FLOOD")) {
        const std::string block = std::string(1023, 'f') + "\n";
        for (long i = 0; i < std::atol(flood) * 1024 && wrote; ++i) {
            wrote = writeTo(2, block);
        }
    }
    if (failure != nullptr) {
        writeTo(2, failure);
    }
    wrote = writeTo(1, "stand-in output\n") && wrote;
    const int logged = appendToLog(record);
    if (logged == kNoLog) {
        return kNoLog;
    }
    if (const char* signal = std::getenv("KESTRIN_STAND_IN_SIGNAL")) {
        std::raise(std::atoi(signal));
    }
    return failure != nullptr ? kFailureStatus : wrote && logged == 0 ? 0 : 1;
}

}  // namespace

#if defined(_WIN32) && defined(KESTRIN_STAND_IN_ANSI)
// An ANSI main, as old backends have: the system hands it its command line in the active code
// page, where a character the page lacks becomes a look-alike or "?". The log shows what came.
int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        std::wstring wide(
            static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, argv[i], -1, nullptr, 0)),
            L'\0');
        MultiByteToWideChar(CP_ACP, 0, argv[i], -1, wide.data(), static_cast<int>(wide.size()));
        arguments.push_back(utf8(wide.c_str()));
    }
    return logRun(arguments);
}
#elif defined(_WIN32)
// wmain: the C runtime splits the command line into UTF-16 arguments, whatever the code page.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(utf8(argv[i]));
    }
    return logRun(arguments);
}
#else
int main(int argc, char** argv) {
    return logRun(std::vector<std::string>(argv, argv + argc));
}
#endif
