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

// The private runtime folder of the user's session where there is one; a folder for temporary
// files otherwise.
std::string captureFolder() {
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* folder = std::getenv(variable);
        struct stat info {};
        if (folder != nullptr && folder[0] == '/' && stat(folder, &info) == 0 &&
            S_ISDIR(info.st_mode) && access(folder, W_OK | X_OK) == 0) {
            return folder;
        }
    }
    return "/tmp";
}

}  // namespace

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

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture* capture) {
    SpawnActions actions;
    SpawnAttributes attributes;
    int error = actions.prepare(start.output, capture ? static_cast<int>(capture->writer()) : -1);
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

Process::~Process() {
    release();
}

Process::Process(Process&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)),
      m_pidfd(std::exchange(other.m_pidfd, -1)),
      m_status(std::exchange(other.m_status, std::nullopt)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        release();
        m_pid = std::exchange(other.m_pid, -1);
        m_pidfd = std::exchange(other.m_pidfd, -1);
        m_status = std::exchange(other.m_status, std::nullopt);
    }
    return *this;
}

// A process not collected yet stays a zombie until Kestrin itself ends; then the system
// collects it.
void Process::release() {
    if (m_pidfd >= 0) {
        close(m_pidfd);
    }
    m_pidfd = -1;
    m_pid = -1;
}

std::intptr_t Process::waitable() const {
    return m_pidfd;
}

std::optional<ExitStatus> Process::ended() {
    if (m_status || m_pid <= 0) {
        return m_status;
    }
    siginfo_t info{};
    const idtype_t by = m_pidfd >= 0 ? P_PIDFD : P_PID;
    const auto which = static_cast<id_t>(m_pidfd >= 0 ? m_pidfd : m_pid);
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

std::optional<StderrCapture> StderrCapture::create() {
    std::string name = captureFolder() + "/kestrin-stderr-XXXXXX";
    // O_EXCL and mode 0600: a new file that only this user can read.
    int fd = mkostemp(name.data(), O_CLOEXEC | O_APPEND);
    if (fd >= 0 && fd <= STDERR_FILENO) {
        // Kestrin runs with standard descriptors closed: the program's own 0, 1 and 2 are set up
        // from this one, which must not be one of them.
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(fd);
        fd = moved;
    }
    if (fd < 0) {
        unlink(name.c_str());
        return std::nullopt;
    }
    StderrCapture capture;
    capture.m_path = std::move(name);
    capture.m_writer = fd;
    return capture;
}

StderrCapture::~StderrCapture() {
    release();
}

StderrCapture::StderrCapture(StderrCapture&& other) noexcept
    : m_path(std::exchange(other.m_path, {})), m_writer(std::exchange(other.m_writer, -1)) {}

StderrCapture& StderrCapture::operator=(StderrCapture&& other) noexcept {
    if (this != &other) {
        release();
        m_path = std::exchange(other.m_path, {});
        m_writer = std::exchange(other.m_writer, -1);
    }
    return *this;
}

// The name goes at once; a program still writing keeps the file itself until it ends.
void StderrCapture::release() {
    closeWriter();
    if (!m_path.empty()) {
        unlink(m_path.c_str());
        m_path.clear();
    }
}

std::intptr_t StderrCapture::writer() const {
    return m_writer;
}

void StderrCapture::closeWriter() {
    if (m_writer >= 0) {
        close(m_writer);
        m_writer = -1;
    }
}

std::string StderrCapture::tail(std::size_t limit) const {
    if (m_path.empty()) {
        return {};
    }
    const int fd = open(m_path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string text;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto size = static_cast<std::size_t>(info.st_size);
        const std::size_t start = size > limit ? size - limit : 0;
        text.resize(size - start);
        const ssize_t got = pread(fd, text.data(), text.size(), static_cast<off_t>(start));
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    close(fd);
    return text;
}

}  // namespace kestrin::platform
