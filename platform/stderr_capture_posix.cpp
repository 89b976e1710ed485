// SPDX-License-Identifier: MIT
// The stderr capture on POSIX, and the process that takes over its reading when Kestrin goes.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/process.h"

namespace kestrin::platform {
namespace {

// The read ends of every capture not let go yet, for the drain to take over when Kestrin goes,
// however it goes: kept where a signal handler may read them, without taking memory.
constexpr std::size_t kMostCaptures = 4096;
std::atomic<int> g_readers[kMostCaptures];
pollfd g_pipes[kMostCaptures];

// Puts to in the first slot that holds from: 0 is a free slot, else a read end + 1.
void exchangeSlot(int from, int to) {
    for (std::atomic<int>& slot : g_readers) {
        if (int held = from; slot.compare_exchange_strong(held, to)) {
            return;
        }
    }
}

// The drain, with calls safe in a signal handler and after fork: the pipes become 3, 4, ... and
// every other descriptor goes (standard streams too, so that what reads Kestrin's output sees its
// end); default signals; then it reads and drops until every writer has gone. highBase lies above
// 3 + count. Nobody is left to hear of a failed step: each does what it can.
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

SystemResult<StderrCapture> StderrCapture::create(std::size_t keep) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return errnoError();
    }
    StderrCapture capture;
    capture.m_keep = keep;
    capture.m_reader.reset(offStandardDescriptors(ends[0]));
    capture.m_writer.reset(offStandardDescriptors(ends[1]));
    if (!capture.m_reader.valid() || !capture.m_writer.valid() ||
        fcntl(capture.m_reader.get(), F_SETFL, O_NONBLOCK) != 0) {
        return errnoError();
    }
    exchangeSlot(0, capture.m_reader.get() + 1);
    return capture;
}

void StderrCapture::ReaderTraits::close(int fd) {
    exchangeSlot(fd + 1, 0);  // before the number can be taken again
    FdTraits::close(fd);
}

std::intptr_t StderrCapture::writer() const {
    return m_writer.get();
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
        } else if (got < 0 && errno == EAGAIN) {
            return false;
        } else if (got == 0 || errno != EINTR) {
            m_tail.lost = got < 0 ? errnoError() : m_tail.lost;
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
        return errnoError();
    }
    if (middle == 0) {
        const pid_t drain = _Fork();
        if (drain == 0) {
            drainUntilClosed(g_pipes, count, STDERR_FILENO + 1 + count);
        }
        _exit(drain < 0 ? errno : 0);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) {
            return errnoError();
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        return errnoError(WEXITSTATUS(status));
    }
    return {};
}

}  // namespace kestrin::platform
