// SPDX-License-Identifier: MIT
// Starts one program, waits for it and prints
// "<nanoseconds> <peak RSS in KiB> <wait status> <CPU nanoseconds, user and system>".
// The start-up benchmark goes through this small process because Linux counts the memory of the
// process a child was spawned from into the child's peak RSS, and the benchmark itself is large.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <cerrno>
#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        return 1;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) == -1) {
        if (errno != EINTR) {
            return 1;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    const long long nanoseconds =
        (end.tv_sec - start.tv_sec) * 1'000'000'000LL + (end.tv_nsec - start.tv_nsec);
    const long long cpuMicroseconds =
        (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1'000'000LL + usage.ru_utime.tv_usec +
        usage.ru_stime.tv_usec;
    std::printf("%lld %ld %d %lld\n", nanoseconds, usage.ru_maxrss, status, cpuMicroseconds * 1000);
    return 0;
}
