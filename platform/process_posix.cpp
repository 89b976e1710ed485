// SPDX-License-Identifier: MIT
// A started backend on POSIX systems: a pidfd tells the event loop when it has ended, waitid
// collects its status, and its words go to a file of its own outside the working folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/process.h"

namespace kestrin::platform {

std::string describe(const Ending& ending) {
    if (ending.kind == Ending::Kind::Status) {
        return "ended with status " + std::to_string(ending.code);
    }
    if (ending.kind == Ending::Kind::Unknown) {
        return "ended, with a status Kestrin could not learn";
    }
    std::string text = "was ended by signal " + std::to_string(ending.code);
    if (const char* name = sigabbrev_np(ending.code)) {
        text += std::string(" (SIG") + name + ")";
    }
    return text;
}

Process::Process(int pid, int pidfd) : m_pid(pid), m_pidfd(pidfd) {}

Process::~Process() {
    release();
}

Process::Process(Process&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)),
      m_pidfd(std::exchange(other.m_pidfd, -1)),
      m_ending(std::exchange(other.m_ending, std::nullopt)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        release();
        m_pid = std::exchange(other.m_pid, -1);
        m_pidfd = std::exchange(other.m_pidfd, -1);
        m_ending = std::exchange(other.m_ending, std::nullopt);
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

bool Process::exists() const {
    return m_pid > 0;
}

std::intptr_t Process::waitable() const {
    return m_pidfd;
}

std::optional<Ending> Process::ended() {
    if (m_ending || m_pid <= 0) {
        return m_ending;
    }
    siginfo_t info{};
    const idtype_t by = m_pidfd >= 0 ? P_PIDFD : P_PID;
    const auto which = static_cast<id_t>(m_pidfd >= 0 ? m_pidfd : m_pid);
    int result = 0;
    while ((result = waitid(by, which, &info, WEXITED | WNOHANG)) == -1 && errno == EINTR) {
    }
    if (result == -1) {
        // Collected by someone else (SIGCHLD ignored, say): it has ended, how is not known.
        m_ending = Ending{Ending::Kind::Unknown, 0};
        return m_ending;
    }
    if (info.si_pid == 0) {
        return std::nullopt;
    }
    m_ending = info.si_code == CLD_EXITED ? Ending{Ending::Kind::Status, info.si_status}
                                          : Ending{Ending::Kind::Signal, info.si_status};
    return m_ending;
}

namespace {

// The private runtime folder of the user's session where there is one; a folder for temporary
// files otherwise.
std::string wordsFolder() {
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

std::optional<WordsFile> WordsFile::create() {
    std::string name = wordsFolder() + "/kestrin-words-XXXXXX";
    // O_EXCL and mode 0600: a new file that only this user can read.
    int fd = mkostemp(name.data(), O_CLOEXEC | O_APPEND);
    if (fd >= 0 && fd <= STDERR_FILENO) {
        // Kestrin runs with standard descriptors closed: the backend's own 0, 1 and 2 are set up
        // from this one, which must not be one of them.
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(fd);
        fd = moved;
    }
    if (fd < 0) {
        unlink(name.c_str());
        return std::nullopt;
    }
    WordsFile words;
    words.m_path = std::move(name);
    words.m_writer = fd;
    return words;
}

WordsFile::~WordsFile() {
    release();
}

WordsFile::WordsFile(WordsFile&& other) noexcept
    : m_path(std::exchange(other.m_path, {})), m_writer(std::exchange(other.m_writer, -1)) {}

WordsFile& WordsFile::operator=(WordsFile&& other) noexcept {
    if (this != &other) {
        release();
        m_path = std::exchange(other.m_path, {});
        m_writer = std::exchange(other.m_writer, -1);
    }
    return *this;
}

// The name goes at once; a backend still writing keeps the file itself until it ends.
void WordsFile::release() {
    closeWriter();
    if (!m_path.empty()) {
        unlink(m_path.c_str());
        m_path.clear();
    }
}

bool WordsFile::exists() const {
    return !m_path.empty();
}

std::intptr_t WordsFile::writer() const {
    return m_writer;
}

void WordsFile::closeWriter() {
    if (m_writer >= 0) {
        close(m_writer);
        m_writer = -1;
    }
}

std::string WordsFile::tail(std::size_t limit) const {
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
