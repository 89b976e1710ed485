// SPDX-License-Identifier: MIT
// posix_spawn starts the program, a pidfd tells its end, and waitid collects its exit status.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/process.h"

extern char** environ;

namespace kestrin::platform {
namespace {

// stdin from /dev/null, stdout to output (or the capture when there is none), stderr to the
// capture, and every other descriptor closed.
int setDescriptors(posix_spawn_file_actions_t* actions, int output, int capture) {
    int error = posix_spawn_file_actions_addopen(actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (error == 0) {
        error = posix_spawn_file_actions_adddup2(actions, capture, STDERR_FILENO);
    }
    if (error == 0) {
        error = posix_spawn_file_actions_adddup2(actions, output >= 0 ? output : capture,
                                                 STDOUT_FILENO);
    }
    return error != 0 ? error
                      : posix_spawn_file_actions_addclosefrom_np(actions, STDERR_FILENO + 1);
}

// A session of its own, so the program outlives the window and the terminal; no blocked or
// ignored signals carried over from Kestrin.
int setSignals(posix_spawnattr_t* attributes) {
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    int error = posix_spawnattr_setflags(
        attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (error == 0) {
        error = posix_spawnattr_setsigmask(attributes, &none);
    }
    return error != 0 ? error : posix_spawnattr_setsigdefault(attributes, &all);
}

// Readable when the child ends, or -1 where the system has none; its pid cannot be reused before
// (no one else collects it). glibc 2.36 declares pidfd_open without C linkage, hence syscall.
int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    return -1;
#endif
}

}  // namespace

void FdTraits::close(int fd) {
    ::close(fd);  // a descriptor of a pipe or a folder: there is nothing left to flush
}

int offStandardDescriptors(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) {
        return fd;
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

std::error_code workingFolderProblem() {
    struct stat info {};
    if (stat(".", &info) != 0) {
        return errnoError(errno == ESTALE ? ENOENT : errno);
    }
    return info.st_nlink == 0 ? errnoError(ENOENT) : std::error_code();
}

std::string signalName(int signal) {
    const char* name = sigabbrev_np(signal);
    return name == nullptr ? std::string() : std::string(name);
}

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture& capture) {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    if (const int error = posix_spawn_file_actions_init(&actions); error != 0) {
        return errnoError(error);
    }
    int error = posix_spawnattr_init(&attributes);
    if (error != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return errnoError(error);
    }
    std::vector<std::string> arguments = start.arguments;
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    error = setDescriptors(&actions, start.output, static_cast<int>(capture.writer()));
    error = error != 0 ? error : setSignals(&attributes);
    pid_t pid = 0;
    if (error == 0) {
        error = posix_spawn(&pid, start.file.c_str(), &actions, &attributes, argv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        return errnoError(error);
    }
    return Process(pid, openPidfd(pid));
}

std::intptr_t Process::waitable() const {
    return m_pidfd.get();
}

std::optional<ExitStatus> Process::ended() {
    if (m_status || !m_pid.valid()) {
        return m_status;
    }
    siginfo_t info{};
    // By the pidfd where there is one: once collected elsewhere, the pid may be a later child's.
    const idtype_t by = m_pidfd.valid() ? P_PIDFD : P_PID;
    const auto which = static_cast<id_t>(m_pidfd.valid() ? m_pidfd.get() : m_pid.get());
    int result = 0;
    while ((result = waitid(by, which, &info, WEXITED | WNOHANG)) == -1 && errno == EINTR) {
    }
    if (result == 0 && info.si_pid == 0) {
        return std::nullopt;
    }
    // Collected by someone else (-1), it has ended, how is not known.
    const auto kind = result == -1                 ? ExitStatus::Kind::Unknown
                      : info.si_code == CLD_EXITED ? ExitStatus::Kind::Exited
                                                   : ExitStatus::Kind::Signaled;
    m_status = ExitStatus{kind, result == -1 ? 0 : info.si_status};
    return m_status;
}

}  // namespace kestrin::platform
