// SPDX-License-Identifier: MIT
// Figure 2: the whole process from exec to the first complete paint of the window and its exit,
// Kestrin against a Qt program that builds the same widgets and nothing else.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>

#include "bench/harness.h"
#include "tests/temp_folder.h"

extern char** environ;

namespace kestrin::bench {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    double seconds;
    double cpuSeconds;
    long peakKib;
};

// Runs program through KESTRIN_RUN_ONCE, which times it and reads its peak memory.
std::optional<Outcome> runOnce(const char* program) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    char* argv[] = {const_cast<char*>(KESTRIN_RUN_ONCE), const_cast<char*>(program), nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, KESTRIN_RUN_ONCE, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string report;
    char buffer[128];
    while (error == 0) {
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got > 0) {
            report.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeFds[0]);
    if (error != 0) {
        return std::nullopt;
    }
    int helperStatus = 0;
    while (waitpid(pid, &helperStatus, 0) == -1 && errno == EINTR) {
    }
    long long nanoseconds = 0;
    long peakKib = 0;
    int status = 0;
    long long cpuNanoseconds = 0;
    if (std::sscanf(report.c_str(), "%lld %ld %d %lld", &nanoseconds, &peakKib, &status,
                    &cpuNanoseconds) != 4 ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return Outcome{.seconds = static_cast<double>(nanoseconds) / 1e9,
                   .cpuSeconds = static_cast<double>(cpuNanoseconds) / 1e9,
                   .peakKib = peakKib};
}

void startUp(benchmark::State& state, const fs::path& folder, const char* program) {
    testing::WorkingFolder here(folder);
    long peakKib = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const std::optional<Outcome> outcome = runOnce(program);
        if (!outcome) {
            state.SkipWithError("the program did not run to its first paint");
            break;
        }
        state.SetIterationTime(outcome->seconds);
        peakKib = std::max(peakKib, outcome->peakKib);
        cpuSeconds += outcome->cpuSeconds;
    }
    state.counters["peak_kib"] = static_cast<double>(peakKib);
    state.counters["cpu_s"] = cpuSeconds / static_cast<double>(state.iterations());
}

}  // namespace

std::vector<Figure> registerStartUp(const fs::path& scratch) {
    // A working folder of a few dozen scripts, as Kestrin usually starts in.
    static const fs::path folder = scratch / "start-up";
    fs::create_directories(folder);
    for (int i = 0; i < 40; ++i) {
        for (const char* ending : {".qb", ".txt"}) {
            const std::ofstream empty(folder / ("level" + std::to_string(i) + ending));
        }
    }
    for (const auto& [name, program] : {std::pair{"start-up/kestrin", KESTRIN_FIRST_PAINT},
                                        std::pair{"start-up/bare", BARE_FIRST_PAINT}}) {
        benchmark::RegisterBenchmark(
            name, [program = program](benchmark::State& state) { startUp(state, folder, program); })
            ->Iterations(1)
            ->Repetitions(25)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return {
        {.title = "start-up to first paint",
         .kestrin = "start-up/kestrin",
         .bare = "start-up/bare",
         .measure = Figure::Measure::Time,
         .goal = Figure::Goal::Ratio,
         .limit = 1.2},
        {.title = "start-up peak RSS",
         .kestrin = "start-up/kestrin",
         .bare = "start-up/bare",
         .measure = Figure::Measure::PeakMemory,
         .goal = Figure::Goal::Ratio,
         .limit = 1.1},
    };
}

}  // namespace kestrin::bench
