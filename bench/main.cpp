// SPDX-License-Identifier: MIT
// Kestrin's benchmarks (`make bench`, docs/performance.md): each figure is Kestrin against the
// machine's own floor for the same work. The exit status says whether every benchmark ran, not
// whether a goal was met.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QApplication>

#include "bench/harness.h"
#include "platform/own_process.h"
#include "tests/temp_folder.h"
#include "window/appearance.h"

extern char** environ;

namespace kestrin::bench {
namespace {

// A goal: the most a counter of one benchmark may be on its median.
struct Goal {
    std::string_view benchmark;
    std::string_view counter;
    double most;
    std::string_view words;
};

constexpr Goal kGoals[] = {
    {"listing/1000", "extra_ms", 2.0, "extra_ms <= 2"},
    {"listing/100000", "ratio", 2.0, "ratio <= 2"},
    {"start-up", "ratio", 1.2, "ratio <= 1.2"},
    {"start-up", "peak_ratio", 1.1, "peak_ratio <= 1.1"},
    {"launching", "ratio", 2.0, "ratio <= 2"},
    {"many_backends", "threads_added", 0, "no thread added"},
    {"many_backends", "rss_added", 5 << 20, "rss_added <= 5 MiB"},
};

// Google Benchmark's own table, the names without what every benchmark here has, and the goals
// judged on each median row (on the only row of a benchmark run once).
class GoalReporter final : public benchmark::ConsoleReporter {
public:
    GoalReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> judged = runs;
        name_field_width_ = 22;
        for (Run& run : judged) {
            allRan = allRan && !run.error_occurred;
            run.run_name.iterations = run.run_name.repetitions = run.run_name.time_type = "";
            for (const Goal& goal : kGoals) {
                if (run.run_name.function_name == goal.benchmark && !run.error_occurred &&
                    (run.aggregate_name == "median" || run.repetitions == 1)) {
                    const bool met = run.counters[std::string(goal.counter)].value <= goal.most;
                    run.report_label.append("  ")
                        .append(goal.words)
                        .append(met ? ": met" : ": MISSED");
                }
            }
        }
        ConsoleReporter::ReportRuns(judged);
    }

    bool allRan = true;
};

// Runs the start-up program in one mode to its exit. Its peak memory is what it says of itself:
// Linux counts the memory of the process a child was spawned from into the child's ru_maxrss.
Cost startUp(const char* mode, const std::string& report) {
    char* argv[] = {const_cast<char*>(KESTRIN_FIRST_PAINT), const_cast<char*>(mode),
                    const_cast<char*>(report.c_str()), nullptr};
    int status = -1;
    rusage usage{};
    Cost cost = timed([&] {
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) == 0) {
            wait4(pid, &status, 0, &usage);
        }
    });
    double peakKib = 0;
    check(status == 0 && std::ifstream(report) >> peakKib, "no first paint");
    const auto seconds = [](timeval time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    cost.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);  // the child's, not ours
    cost.peak = peakKib * 1024;
    return cost;
}

}  // namespace

// The console shows the statistics; --benchmark_out=FILE keeps every repetition too.
void add(const std::string& name, int iterations, int repetitions,
         std::function<void(benchmark::State&)> body) {
    const auto run = [body = std::move(body)](benchmark::State& state) {
        try {
            body(state);
        } catch (const std::exception& failure) {
            state.SkipWithError(failure.what());
        }
    };
    benchmark::RegisterBenchmark(name.c_str(), run)
        ->Iterations(iterations)
        ->Repetitions(repetitions)
        ->UseManualTime()
        ->Unit(repetitions > 1 ? benchmark::kMillisecond : benchmark::kSecond)
        ->DisplayAggregatesOnly();
}

}  // namespace kestrin::bench

int main(int argc, char** argv) {
    using namespace kestrin;
    platform::prepareOwnProcess();  // as Kestrin does: the descriptor limit, signals
    const testing::TempFolder scratch;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt warns in every program here without a runtime folder, and with one anyone may read.
    std::filesystem::permissions(scratch.path(), std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", scratch.path().c_str(), 0);
    setenv("KESTRIN_STAND_IN_LOG", (scratch.path() / "stand-in.log").c_str(), 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    QApplication app(argc, argv);
    window::applyAppearance(app);
    // Started in a working folder of a few dozen scripts, as Kestrin usually is.
    const std::filesystem::path scripts = scratch.path() / "start-up";
    bench::makeFolder(scripts, 80);
    bench::add("start-up", 1, 25, [&scripts, peak = scratch.path() / "peak"](auto& state) {
        const testing::WorkingFolder here(scripts);
        const auto kestrin = [&peak] { return bench::startUp("kestrin", peak); };
        bench::compare(state, kestrin, [&peak] { return bench::startUp("floor", peak); });
    });
    const auto window = bench::addWindowBenchmarks(scratch.path());
    bench::GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.allRan ? 0 : 1;
}
