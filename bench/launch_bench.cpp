// SPDX-License-Identifier: MIT
// Figure 3: a Decompile press from the button's click to the launcher's return, with the real
// launcher starting the stand-in backend, against a bare posix_spawn of the same command.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
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

std::size_t threadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

// Waits until the child has finished and been reaped, so that no press overlaps the last one's
// child: the stand-in appends its record to the log last, and the launcher's reaper thread ends
// once it has collected the child.
bool waitForChild(const fs::path& log, std::uintmax_t logSizeBefore, std::size_t threadsBefore) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (sizeOf(log) <= logSizeBefore || threadCount() > threadsBefore) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
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
        const std::size_t threadsBefore = threadCount();
        const auto start = std::chrono::steady_clock::now();
        decompile.click();
        state.SetIterationTime(seconds(bench.launcher.returned - start));
        if (bench.messages.shown != std::vector<std::string>{"DeCompiling Done"}) {
            state.SkipWithError("the Decompile press did not start the stand-in");
            break;
        }
        if (!waitForChild(log, logBefore, threadsBefore)) {
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

}  // namespace

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
