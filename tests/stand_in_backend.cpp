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
// KESTRIN_STAND_IN_SIGNAL (POSIX) makes it end by that signal instead. KESTRIN_STAND_IN_FLOOD=N
// (POSIX) writes N megabytes of lines to stderr before that text, and fails if a write fails.

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

std::string field(const char* key, const std::string& value) {
    return std::string(key) + " " + std::to_string(value.size()) + ":" + value + "\n";
}

void waitForGate(const char* gate) {
    for (int i = 0; i < 1000 && !std::filesystem::exists(gate); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void pauseAsAsked() {
    if (const char* gate = std::getenv("KESTRIN_STAND_IN_GATE")) {
        waitForGate(gate);
    }
    if (const char* pause = std::getenv("KESTRIN_STAND_IN_SLEEP_MS")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(pause)));
    }
}

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

std::string modulePath() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return utf8(path.c_str());
}

bool writeAll(HANDLE file, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
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

#else

std::string readLink(const char* path) {
    std::error_code failed;
    return std::filesystem::read_symlink(path, failed).string();
}

std::vector<int> openDescriptors() {
    std::vector<int> fds;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        fds.push_back(std::stoi(entry.path().filename()));
    }
    // The listing's own descriptor has gone with it.
    std::erase_if(fds, [](int fd) { return fcntl(fd, F_GETFD) == -1; });
    std::sort(fds.begin(), fds.end());
    return fds;
}

std::string pipeSignal() {
    struct sigaction action {};
    sigaction(SIGPIPE, nullptr, &action);
    if (action.sa_handler == SIG_IGN) {
        return "ignored";
    }
    return action.sa_handler == SIG_DFL ? "default" : "handled";
}

std::string fileOf(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return "closed";
    }
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

#endif

}  // namespace

#ifdef _WIN32

int logRun(const std::vector<std::string>& arguments) {
    pauseAsAsked();
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);

    std::string record = "record\n";
    record += field("exe", modulePath());
    record += field("cwd", utf8(std::filesystem::current_path().c_str()));
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        record += field(i == 0 ? "name" : "arg", arguments[i]);
    }
    record += field("startup_flags", std::to_string(startup.dwFlags));
    record += field("show_window", std::to_string(startup.wShowWindow));
    record += "end\n";

    // Its words and output first: once the record is in the log, both are complete.
    const char* failure = std::getenv("KESTRIN_STAND_IN_FAIL");
    if (failure != nullptr) {
        writeAll(GetStdHandle(STD_ERROR_HANDLE), failure);
    }
    const bool wroteOutput = writeAll(GetStdHandle(STD_OUTPUT_HANDLE), "stand-in output\n");

    const wchar_t* logPath = _wgetenv(L"KESTRIN_STAND_IN_LOG");
    if (logPath == nullptr) {
        return 2;
    }
    const HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
        return 2;
    }
    // Many stand-ins may finish at once; the lock keeps their records whole.
    OVERLAPPED whole{};
    const bool locked = LockFileEx(log, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    const bool wroteLog = writeAll(log, record);
    if (locked) {
        UnlockFileEx(log, 0, MAXDWORD, MAXDWORD, &whole);
    }
    CloseHandle(log);
    if (failure != nullptr) {
        return kFailureStatus;
    }
    return wroteOutput && wroteLog ? 0 : 1;
}

#ifdef KESTRIN_STAND_IN_ANSI
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
#else
// wmain: the C runtime splits the command line into UTF-16 arguments, whatever the code page.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(utf8(argv[i]));
    }
    return logRun(arguments);
}
#endif

#else

int main(int argc, char** argv) {
    pauseAsAsked();
    // Taken before the log is opened, so that it shows only what the launcher passed on.
    const std::vector<int> fds = openDescriptors();

    std::string record = "record\n";
    record += field("exe", readLink("/proc/self/exe"));
    record += field("cwd", readLink("/proc/self/cwd"));
    for (int i = 0; i < argc; ++i) {
        record += field(i == 0 ? "name" : "arg", argv[i]);
    }
    std::string listed;
    for (const int fd : fds) {
        listed += (listed.empty() ? "" : " ") + std::to_string(fd);
    }
    record += field("fds", listed);
    record += field("stdin", readLink("/proc/self/fd/0"));
    record += field("session", getsid(0) == getpid() ? "own" : "shared");
    record += field("sigpipe", pipeSignal());
    record += field("stdout", fileOf(STDOUT_FILENO));
    record += "end\n";

    // Its words and output first: once the record is in the log, both are complete.
    const char* failure = std::getenv("KESTRIN_STAND_IN_FAIL");
    bool flooded = true;
    if (const char* flood = std::getenv("KESTRIN_STAND_IN_FLOOD")) {
        const std::string block = std::string(1023, 'f') + "\n";
        for (long i = 0; i < std::atol(flood) * 1024 && flooded; ++i) {
            flooded = writeAll(STDERR_FILENO, block);
        }
    }
    if (failure != nullptr) {
        writeAll(STDERR_FILENO, failure);
    }
    const bool wroteOutput = writeAll(STDOUT_FILENO, "stand-in output\n") && flooded;

    const char* logPath = std::getenv("KESTRIN_STAND_IN_LOG");
    if (logPath == nullptr) {
        return 2;
    }
    const int log = open(logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) {
        return 2;
    }
    // Many stand-ins may finish at once; the lock keeps their records whole.
    flock(log, LOCK_EX);
    const bool wroteLog = writeAll(log, record);
    flock(log, LOCK_UN);
    close(log);
    if (const char* signal = std::getenv("KESTRIN_STAND_IN_SIGNAL")) {
        raise(std::atoi(signal));
    }
    if (failure != nullptr) {
        return kFailureStatus;
    }
    return wroteOutput && wroteLog ? 0 : 1;
}

#endif
