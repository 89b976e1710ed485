// SPDX-License-Identifier: MIT
#include "platform/own_process.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kestrin::platform {

void prepareOwnProcess() {
#ifndef _WIN32
    signal(SIGPIPE, SIG_IGN);
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free descriptor: this one, as every lower one is open by now.
            const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened > STDERR_FILENO) {
                close(opened);
            }
        }
    }
#endif
}

}  // namespace kestrin::platform
