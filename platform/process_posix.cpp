// SPDX-License-Identifier: MIT
// posix_spawn starts the program, a pidfd tells the event loop when it has ended, and waitid
// collects its exit status.

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

// A posix_spawn object, made and destroyed as its init and destroy calls say.
template <typename T, int (*Init)(T*), int (*Destroy)(T*)>
class SpawnObject {
public:
    SpawnObject() : m_error(Init(&m_object)) {}
    ~SpawnObject() {
        if (m_error == 0) {
            Destroy(&m_object);
        }
    }
    SpawnObject(const SpawnObject&) = delete;
    SpawnObject& operator=(const SpawnObject&) = delete;

    int error() const { return m_error; }
    T* get() { return &m_object; }

private:
    T m_object{};
    int m_error;
};
using SpawnActions = SpawnObject<posix_spawn_file_actions_t, posix_spawn_file_actions_init,
                                 posix_spawn_file_actions_destroy>;
using SpawnAttributes =
    SpawnObject<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

// stdin from /dev/null, stdout to output (or the capture when there is none), stderr to the
// capture, and every other descriptor closed.
int setDescriptors(SpawnActions& actions, int output, int capture) {
    int error = actions.error();
    if (error == 0) {
        error =
            posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (error == 0) {
        error = posix_spawn_file_actions_adddup2(actions.get(), capture, STDERR_FILENO);
    }
    if (error == 0) {
        error = posix_spawn_file_actions_adddup2(actions.get(), output >= 0 ? output : capture,
                                                 STDOUT_FILENO);
    }
    return error != 0 ? error
                      : posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
}

// A session of its own, so the program outlives the window and the terminal; no blocked or
// ignored signals carried over from Kestrin.
int setSignals(SpawnAttributes& attributes) {
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    int error = attributes.error();
    if (error == 0) {
        error = posix_spawnattr_setflags(
            attributes.get(), POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    if (error == 0) {
        error = posix_spawnattr_setsigmask(attributes.get(), &none);
    }
    return error != 0 ? error : posix_spawnattr_setsigdefault(attributes.get(), &all);
}

// A descriptor that becomes readable when the child ends, or -1 where the system has none. Nobody
// else collects this child, so its pid cannot be reused before the pidfd exists. (glibc 2.36
// declares pidfd_open without C linkage for C++, hence the system call.)
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
    SpawnActions actions;
    SpawnAttributes attributes;
    int error = setDescriptors(actions, start.output, static_cast<int>(capture.writer()));
    if (error == 0) {
        error = setSignals(attributes);
    }
    std::vector<std::string> arguments = start.arguments;
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (error == 0) {
        error = posix_spawn(&pid, start.file.c_str(), actions.get(), attributes.get(), argv.data(),
                            environ);
    }
    if (error != 0) {
        return errnoError(error);
    }
    return Process(pid, openPidfd(pid));
}

Process::Process(int pid, int pidfd) : m_pid(pid), m_pidfd(pidfd) {}

std::intptr_t Process::waitable() const {
    return m_pidfd.get();
}

std::optional<ExitStatus> Process::ended() {
    if (m_status || !m_pid.valid()) {
        return m_status;
    }
    siginfo_t info{};
    const idtype_t by = m_pidfd.valid() ? P_PIDFD : P_PID;
    const auto which = static_cast<id_t>(m_pidfd.valid() ? m_pidfd.get() : m_pid.get());
    int result = 0;
    while ((result = waitid(by, which, &info, WEXITED | WNOHANG)) == -1 && errno == EINTR) {
    }
    if (result == -1) {
        // Collected by someone else: it has ended, how is not known.
        m_status = ExitStatus{ExitStatus::Kind::Unknown, 0};
        return m_status;
    }
    if (info.si_pid == 0) {
        return std::nullopt;
    }
    const auto kind =
        info.si_code == CLD_EXITED ? ExitStatus::Kind::Exited : ExitStatus::Kind::Signaled;
    m_status = ExitStatus{kind, info.si_status};
    return m_status;
}

}  // namespace kestrin::platform
