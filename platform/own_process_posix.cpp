// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iterator>

#include "platform/own_process.h"
#include "platform/process.h"

namespace kestrin::platform {
namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGHUP, SIGINT};

int g_requests[2] = {-1, -1};  // the self-pipe: the handler writes, the event loop reads

extern "C" void onTerminationSignal(int /*signal*/) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request: nothing is lost when this write fails.
    [[maybe_unused]] const ssize_t written = write(g_requests[1], &byte, 1);
    errno = saved;
}

// Signals that end Kestrin (a crash, SIGQUIT...) hand backends' stderr to the drain first; not the
// orderly way to end (terminationRequests), those that cannot be caught or end nothing, SIGPIPE.
bool endsTheProcess(int signal) {
    constexpr int kOthers[] = {SIGTERM, SIGHUP,  SIGINT,  SIGKILL, SIGSTOP,  SIGCHLD, SIGCONT,
                               SIGTSTP, SIGTTIN, SIGTTOU, SIGURG,  SIGWINCH, SIGPIPE};
    return std::find(std::begin(kOthers), std::end(kOthers), signal) == std::end(kOthers);
}

struct sigaction g_before[NSIG];

extern "C" void onFatalSignal(int signal) {
    (void)keepDraining();  // nothing more can be done about a failure on the way out
    sigaction(signal, &g_before[signal], nullptr);
    raise(signal);  // delivered once this handler returns
}

void handOverOnFatalSignals() {
    struct sigaction action {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        // An ignored signal ends nothing; one handled already (a sanitizer, a crash reporter)
        // gets its handler back once the drain is made.
        if (endsTheProcess(signal) && sigaction(signal, nullptr, &g_before[signal]) == 0 &&
            g_before[signal].sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

void openStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free descriptor: this one, as every lower one is open by now.
            const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened > STDERR_FILENO) {
                close(opened);
            }
        }
    }
}

void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

// Each step does what the system lets it; without one Kestrin runs as it was started.
void prepareOwnProcess() {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGCHLD, SIG_DFL);
    sigset_t relied;
    sigemptyset(&relied);
    sigaddset(&relied, SIGCHLD);
    for (const int termination : kTerminationSignals) {
        sigaddset(&relied, termination);
    }
    sigprocmask(SIG_UNBLOCK, &relied, nullptr);
    handOverOnFatalSignals();
    openStandardDescriptors();
    raiseDescriptorLimit();
}

int terminationRequests() {
    if (g_requests[0] >= 0) {
        return g_requests[0];
    }
    if (pipe2(g_requests, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int termination : kTerminationSignals) {
        sigaction(termination, &action, nullptr);
    }
    return g_requests[0];
}

std::optional<Descriptors> countDescriptors() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    std::error_code failed;
    std::size_t used = 0;
    for (std::filesystem::directory_iterator open("/proc/self/fd", failed), end;
         !failed && open != end; open.increment(failed)) {
        ++used;
    }
    // One of them was the listing's own.
    return failed ? std::nullopt
                  : std::optional(Descriptors{.limit = static_cast<std::size_t>(limit.rlim_cur),
                                              .open = used > 0 ? used - 1 : 0});
}

}  // namespace kestrin::platform
