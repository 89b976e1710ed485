// SPDX-License-Identifier: MIT
// Figure 3: a Decompile press from the button's click to the end of its handler, with the real
// launcher starting the stand-in backend and the window's watch taking it on, against a bare
// posix_spawn of the same command. And the cost of many backends running at once.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <cstdio>
#include <fstream>
#include <thread>

#include "bench/harness.h"
#include "tests/temp_folder.h"
#include "window/main_window.h"
#include "window/text_edge.h"

extern char** environ;

namespace kestrin::bench {
namespace {

namespace fs = std::filesystem;

constexpr auto kDeadline = std::chrono::seconds(10);

std::uintmax_t sizeOf(const fs::path& file) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    return error ? 0 : size;
}

// Waits until the child has finished and the window's watch has collected it, so that no press
// overlaps the last one's child: the stand-in appends its record to the log last.
bool waitForChild(BenchWindow& bench, const fs::path& log, std::uintmax_t logSizeBefore) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (sizeOf(log) <= logSizeBefore || bench.watch.watching() > 0) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

void setText(window::MainWindow& window, const char* name, const QString& text) {
    window.findChild<QLineEdit*>(window::toQString(name))->setText(text);
}

void pressDecompile(benchmark::State& state, BenchWindow& bench, const fs::path& folder,
                    const fs::path& log) {
    testing::WorkingFolder here(folder);
    window::MainWindow& window = bench.window();
    setText(window, "Text4", window::toQString(KESTRIN_STAND_IN_BACKEND));
    setText(window, "Text1", QStringLiteral("level"));
    setText(window, "Text2", QStringLiteral("level"));
    window.findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentText(QStringLiteral("THUG1"));
    QAbstractButton& decompile = bench.button("Command1");
    for (auto _ : state) {
        bench.messages.shown.clear();
        const std::uintmax_t logBefore = sizeOf(log);
        const auto start = std::chrono::steady_clock::now();
        decompile.click();
        state.SetIterationTime(seconds(std::chrono::steady_clock::now() - start));
        if (bench.messages.shown != std::vector<std::string>{"DeCompiling Done"}) {
            state.SkipWithError("the Decompile press did not start the stand-in");
            break;
        }
        if (!waitForChild(bench, log, logBefore)) {
            state.SkipWithError("the stand-in never finished");
            break;
        }
    }
}

// What the launcher has to do at the least: the output file and one posix_spawn.
void spawnBare(benchmark::State& state, const fs::path& folder) {
    testing::WorkingFolder here(folder);
    std::string program = KESTRIN_STAND_IN_BACKEND;
    std::string mode = "-d";
    std::string input = "level.qb";
    std::string game = "THUG1";
    char* argv[] = {program.data(), mode.data(), input.data(), game.data(), nullptr};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int output = open("level.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        pid_t pid = 0;
        const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(output);
        state.SetIterationTime(seconds(std::chrono::steady_clock::now() - start));
        int status = 0;
        if (error != 0 || output < 0 || waitpid(pid, &status, 0) != pid || status != 0) {
            state.SkipWithError("the bare spawn did not run the stand-in");
            break;
        }
    }
}

std::size_t threadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// Bytes the allocator has handed out and not got back: unlike resident memory, not hidden by
// freed memory that an earlier benchmark left in the heap.
double heapInUseMiB() {
    return static_cast<double>(mallinfo2().uordblks) / (1024 * 1024);
}

// Presses Decompile into out0.txt, out1.txt, ...; the number of presses that started a backend.
int pressInto(BenchWindow& bench, int first, int count) {
    window::MainWindow& window = bench.window();
    int started = 0;
    for (int i = first; i < first + count; ++i) {
        bench.messages.shown.clear();
        setText(window, "Text2", QStringLiteral("out%1").arg(i));
        bench.button("Command1").click();
        started += bench.messages.shown == std::vector<std::string>{"DeCompiling Done"} ? 1 : 0;
    }
    return started;
}

bool waitUntilCollected(BenchWindow& bench, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (bench.watch.watching() > 0) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

bool reportManyRunning(const fs::path& scratch, BenchWindow& bench, int count) {
    const fs::path folder = scratch / "many";
    fs::create_directories(folder);
    testing::WorkingFolder here(folder);
    setText(bench.window(), "Text4", window::toQString(KESTRIN_STAND_IN_BACKEND));
    setText(bench.window(), "Text1", QStringLiteral("level"));
    // A first round, collected before measuring, lets Qt and the allocator settle.
    constexpr int kWarmUp = 20;
    const bool warmed = pressInto(bench, count, kWarmUp) == kWarmUp &&
                        waitUntilCollected(bench, std::chrono::seconds(30));
    const std::size_t threadsBefore = threadCount();
    const long residentBefore = residentKiB();
    const double heapBefore = heapInUseMiB();
    // Each backend sleeps long enough for every press to be made while all still run.
    setenv("KESTRIN_STAND_IN_SLEEP_MS", "20000", 1);
    const auto start = std::chrono::steady_clock::now();
    const int started = pressInto(bench, 0, count);
    const double pressing = seconds(std::chrono::steady_clock::now() - start);
    unsetenv("KESTRIN_STAND_IN_SLEEP_MS");
    QCoreApplication::processEvents();
    const std::size_t running = bench.watch.watching();
    const std::size_t threadsAfter = threadCount();
    const long residentAfter = residentKiB();
    const double heapGrowth = heapInUseMiB() - heapBefore;
    const bool collected = waitUntilCollected(bench, std::chrono::seconds(120));
    const double growthMiB = static_cast<double>(residentAfter - residentBefore) / 1024;
    std::printf(
        "%d backends running at once: %zu watched after %.1f s of presses; threads %zu -> %zu "
        "(goal unchanged: %s); resident memory %+.2f MiB (goal <= 5 MiB: %s), heap in use "
        "%+.2f MiB; %s, %zu reports\n",
        count, running, pressing, threadsBefore, threadsAfter,
        threadsAfter == threadsBefore ? "met" : "MISSED", growthMiB,
        growthMiB <= 5 ? "met" : "MISSED", heapGrowth,
        collected ? "every one collected afterwards" : "NOT all collected in 120 s",
        bench.messages.shown.size() - (bench.messages.shown.empty() ? 0 : 1));
    return warmed && started == count && collected;
}

std::vector<Figure> registerLaunching(const fs::path& scratch, BenchWindow& window) {
    static const fs::path folder = scratch / "launching";
    static const fs::path log = folder / "stand-in.log";
    fs::create_directories(folder);
    setenv("KESTRIN_STAND_IN_LOG", log.c_str(), 1);
    benchmark::RegisterBenchmark(
        "launching/kestrin",
        [&window](benchmark::State& state) { pressDecompile(state, window, folder, log); })
        ->Iterations(20)
        ->Repetitions(15)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("launching/bare",
                                 [](benchmark::State& state) { spawnBare(state, folder); })
        ->Iterations(20)
        ->Repetitions(15)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    return {{.title = "Decompile press to launch",
             .kestrin = "launching/kestrin",
             .bare = "launching/bare",
             .measure = Figure::Measure::Time,
             .goal = Figure::Goal::Ratio,
             .limit = 2.0}};
}

}  // namespace kestrin::bench
