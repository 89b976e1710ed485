// SPDX-License-Identifier: MIT
// posix_spawn starts the program, a pidfd tells the event loop when it has ended, and waitid
// collects its exit status.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/process.h"

extern char** environ;

namespace kestrin::platform {
namespace {

// Whether the child inherits fd as it stands: it is open and not closed on exec. Kestrin's own
// descriptors take 0, 1 or 2 when those were closed, always close-on-exec.
bool passedOn(int fd) {
    const int flags = fcntl(fd, F_GETFD);
    return flags != -1 && (flags & FD_CLOEXEC) == 0;
}

class SpawnActions {
public:
    SpawnActions() { m_error = posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() {
        if (m_error == 0) {
            posix_spawn_file_actions_destroy(&m_actions);
        }
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    // stdin from /dev/null, stdout to output when there is one, else to the capture; stderr to
    // the capture, every other descriptor closed. A standard descriptor that goes nowhere and
    // that Kestrin itself lacks is opened on /dev/null, so that the program's first file never
    // takes its place.
    int prepare(int output, int capture) {
        if (m_error != 0) {
            return m_error;
        }
        int error =
            posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (error == 0 && capture >= 0) {
            error = posix_spawn_file_actions_adddup2(&m_actions, capture, STDERR_FILENO);
        }
        const int out = output >= 0 ? output : capture;
        if (error == 0 && out >= 0) {
            error = posix_spawn_file_actions_adddup2(&m_actions, out, STDOUT_FILENO);
        }
        for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
            const bool redirected = fd == STDOUT_FILENO ? out >= 0 : capture >= 0;
            if (error == 0 && !redirected && !passedOn(fd)) {
                error = posix_spawn_file_actions_addopen(&m_actions, fd, "/dev/null", O_WRONLY, 0);
            }
        }
        if (error == 0) {
            error = posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
        }
        return error;
    }
    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
    int m_error = 0;
};

class SpawnAttributes {
public:
    SpawnAttributes() { m_error = posix_spawnattr_init(&m_attributes); }
    ~SpawnAttributes() {
        if (m_error == 0) {
            posix_spawnattr_destroy(&m_attributes);
        }
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    // A session of its own, so the program outlives the window and the terminal; no blocked or
    // ignored signals carried over from Kestrin.
    int prepare() {
        if (m_error != 0) {
            return m_error;
        }
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        int error = posix_spawnattr_setflags(
            &m_attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (error == 0) {
            error = posix_spawnattr_setsigmask(&m_attributes, &none);
        }
        if (error == 0) {
            error = posix_spawnattr_setsigdefault(&m_attributes, &all);
        }
        return error;
    }
    const posix_spawnattr_t* get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes{};
    int m_error = 0;
};

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

// Kestrin may run with its standard descriptors closed: a pipe end must not take their place,
// where the child's own redirections would overwrite it.
int offStandardDescriptors(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) {
        return fd;
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    return moved;
}

// The read ends of every capture not let go yet, for the drain to take over when Kestrin goes,
// however it goes: kept where a signal handler may read them, without taking memory.
constexpr std::size_t kMostCaptures = 4096;
std::atomic<int> g_readers[kMostCaptures];
pollfd g_pipes[kMostCaptures];

void remember(int reader) {
    for (std::atomic<int>& slot : g_readers) {
        int none = 0;
        if (slot.compare_exchange_strong(none, reader + 1)) {
            return;
        }
    }
}

void forget(int reader) {
    for (std::atomic<int>& slot : g_readers) {
        int held = reader + 1;
        if (slot.compare_exchange_strong(held, 0)) {
            return;
        }
    }
}

// What the process that goes on draining does, with only calls that are safe in a signal handler
// and between fork and exit: the pipes' read ends become 3, 4, ... and every other descriptor of
// Kestrin's goes (its display connection, and its standard streams, so that a pipe or terminal
// reading Kestrin's output sees its end); its signals are the defaults again, so that it ends
// like any process; then it reads and drops until every writer has gone. highBase lies above
// 3 + the number of pipes.
[[noreturn]] void drainUntilClosed(pollfd* pipes, int count, int highBase) {
    setsid();  // as the backends it serves: the end of Kestrin's session is not its end
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal = 1; signal < NSIG; ++signal) {
        ::signal(signal, SIG_DFL);
    }
    for (int i = 0; i < count; ++i) {
        pipes[i].fd = fcntl(pipes[i].fd, F_DUPFD, highBase);
    }
    const int null = open("/dev/null", O_RDWR);
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        dup2(null, fd);
    }
    for (int i = 0; i < count; ++i) {
        dup2(pipes[i].fd, STDERR_FILENO + 1 + i);
        pipes[i].fd = STDERR_FILENO + 1 + i;
    }
    syscall(SYS_close_range, STDERR_FILENO + 1 + count, ~0U, 0);
    char buffer[4096];
    for (int open = count; open > 0;) {
        if (poll(pipes, static_cast<nfds_t>(open), -1) < 0 && errno != EINTR) {
            _exit(1);
        }
        for (int i = open; i-- > 0;) {
            if (pipes[i].revents == 0) {
                continue;
            }
            const ssize_t got = read(pipes[i].fd, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
                pipes[i] = pipes[--open];
            }
        }
    }
    _exit(0);
}

}  // namespace

void FdTraits::close(int fd) {
    ::close(fd);  // a descriptor of a pipe or a folder: there is nothing left to flush
}

std::error_code workingFolderProblem() {
    struct stat info {};
    if (stat(".", &info) != 0) {
        return std::error_code(errno == ESTALE ? ENOENT : errno, std::generic_category());
    }
    return info.st_nlink == 0 ? std::error_code(ENOENT, std::generic_category())
                              : std::error_code();
}

std::string signalName(int signal) {
    const char* name = sigabbrev_np(signal);
    return name == nullptr ? std::string() : std::string(name);
}

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture& capture) {
    SpawnActions actions;
    SpawnAttributes attributes;
    int error = actions.prepare(start.output, static_cast<int>(capture.writer()));
    if (error == 0) {
        error = attributes.prepare();
    }
    std::vector<std::string> arguments = start.arguments;
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
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
        return std::error_code(error, std::generic_category());
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
    m_status = info.si_code == CLD_EXITED ? ExitStatus{ExitStatus::Kind::Exited, info.si_status}
                                          : ExitStatus{ExitStatus::Kind::Signaled, info.si_status};
    return m_status;
}

SystemResult<StderrCapture> StderrCapture::create(std::size_t keep) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return std::error_code(errno, std::generic_category());
    }
    StderrCapture capture;
    capture.m_keep = keep;
    capture.m_reader.reset(offStandardDescriptors(ends[0]));
    capture.m_writer.reset(offStandardDescriptors(ends[1]));
    if (!capture.m_reader.valid() || !capture.m_writer.valid() ||
        fcntl(capture.m_reader.get(), F_SETFL, O_NONBLOCK) != 0) {
        return std::error_code(errno, std::generic_category());
    }
    remember(capture.m_reader.get());
    return capture;
}

void StderrCapture::ReaderTraits::close(int fd) {
    forget(fd);  // before the number can be taken again
    FdTraits::close(fd);
}

std::intptr_t StderrCapture::writer() const {
    return m_writer.get();
}

void StderrCapture::closeWriter() {
    m_writer.reset();
}

std::intptr_t StderrCapture::waitable() const {
    return m_reader.get();
}

bool StderrCapture::drain() {
    char buffer[16384];
    while (m_reader.valid()) {
        const ssize_t got = read(m_reader.get(), buffer, sizeof buffer);
        if (got > 0) {
            keepLast(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got < 0 && errno == EAGAIN) {
            return false;
        } else {
            if (got < 0) {
                m_lost = std::error_code(errno, std::generic_category());
            }
            return true;  // at the end, or a pipe that broke
        }
    }
    return true;
}

SystemResult<> keepDraining() {
    int count = 0;
    for (std::atomic<int>& slot : g_readers) {
        if (const int held = slot.load(); held != 0) {
            g_pipes[count++] = {held - 1, POLLIN, 0};
        }
    }
    if (count == 0) {
        return {};
    }
    // Twice, so that the one that drains belongs to no one here and leaves no zombie. _Fork, as
    // fork may not be called from a signal handler.
    const pid_t middle = _Fork();
    if (middle < 0) {
        return std::error_code(errno, std::generic_category());
    }
    if (middle == 0) {
        const pid_t drain = _Fork();
        if (drain == 0) {
            drainUntilClosed(g_pipes, count, STDERR_FILENO + 1 + count);
        }
        _exit(drain < 0 ? errno : 0);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        return std::error_code(WEXITSTATUS(status), std::generic_category());
    }
    return {};
}

}  // namespace kestrin::platform
