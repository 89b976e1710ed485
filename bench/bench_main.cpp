// SPDX-License-Identifier: MIT
// Kestrin's benchmarks: each figure is Kestrin against the machine's own floor for the same work,
// both measured in one run with their repetitions shuffled together, so that the ratio holds on a
// shared, noisy machine where absolute times do not. Prints one line per figure; the exit status
// says only whether every benchmark ran, never whether a goal was met.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <thread>

#include "bench/harness.h"
#include "tests/temp_folder.h"
#include "window/appearance.h"

namespace kestrin::bench {
namespace {

struct Samples {
    std::vector<double> seconds;  // one per repetition, per iteration
    std::vector<double> peakKib;
    std::vector<double> cpuSeconds;  // per iteration, where the benchmark measures it
    std::string error;
};

struct Summary {
    double median = 0;
    double low = 0;
    double high = 0;
};

Summary summarize(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {.median = median, .low = values.front(), .high = values.back()};
}

// Collects every repetition instead of printing it; the figures are made at the end.
class FigureReporter final : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) {
                continue;
            }
            Samples& samples = m_samples[run.run_name.function_name];
            if (run.error_occurred) {
                samples.error = run.error_message;
                continue;
            }
            samples.seconds.push_back(run.real_accumulated_time /
                                      static_cast<double>(run.iterations));
            if (const auto peak = run.counters.find("peak_kib"); peak != run.counters.end()) {
                samples.peakKib.push_back(peak->second.value);
            }
            if (const auto cpu = run.counters.find("cpu_s"); cpu != run.counters.end()) {
                samples.cpuSeconds.push_back(cpu->second.value);
            }
            std::cerr << '.' << std::flush;
        }
    }

    const Samples* find(const std::string& name) const {
        const auto found = m_samples.find(name);
        return found == m_samples.end() ? nullptr : &found->second;
    }

private:
    std::map<std::string, Samples> m_samples;
};

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::string formatted(double value, Figure::Measure measure) {
    char text[64];
    if (measure == Figure::Measure::PeakMemory) {
        std::snprintf(text, sizeof text, "%.1f MiB", value / 1024);
    } else if (value < 0.01) {
        std::snprintf(text, sizeof text, "%.3f ms", value * 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.1f ms", value * 1e3);
    }
    return text;
}

std::string range(const Summary& summary, Figure::Measure measure) {
    return formatted(summary.low, measure) + " to " + formatted(summary.high, measure);
}

// One line: both medians, their ratio, the goal and whether it is met, then the spread and, where
// it was measured, the ratio of CPU times, which shows how much of a ratio is the machine's load.
bool printFigure(const Figure& figure, const FigureReporter& reporter) {
    const Samples* kestrin = reporter.find(figure.kestrin);
    const Samples* bare = reporter.find(figure.bare);
    if (kestrin == nullptr || bare == nullptr) {
        return true;  // filtered out
    }
    if (!kestrin->error.empty() || !bare->error.empty()) {
        std::printf("%-26s not measured: %s\n", figure.title.c_str(),
                    (kestrin->error.empty() ? bare->error : kestrin->error).c_str());
        return false;
    }
    const bool memory = figure.measure == Figure::Measure::PeakMemory;
    const Summary k = summarize(memory ? kestrin->peakKib : kestrin->seconds);
    const Summary b = summarize(memory ? bare->peakKib : bare->seconds);
    const double ratio = k.median / b.median;
    char goal[96] = "no goal";
    if (figure.goal == Figure::Goal::Ratio) {
        std::snprintf(goal, sizeof goal, "goal <= %.1fx: %s", figure.limit,
                      ratio <= figure.limit ? "met" : "MISSED");
    } else if (figure.goal == Figure::Goal::Margin) {
        std::snprintf(goal, sizeof goal, "%+.2f ms, goal <= +%.0f ms: %s",
                      (k.median - b.median) * 1e3, figure.limit * 1e3,
                      k.median - b.median <= figure.limit ? "met" : "MISSED");
    }
    std::string cpu;
    if (!memory && !kestrin->cpuSeconds.empty() && !bare->cpuSeconds.empty()) {
        const double kCpu = summarize(kestrin->cpuSeconds).median;
        const double bCpu = summarize(bare->cpuSeconds).median;
        char text[96];
        std::snprintf(text, sizeof text, "; CPU time %s / %s = %.2f",
                      formatted(kCpu, figure.measure).c_str(),
                      formatted(bCpu, figure.measure).c_str(), kCpu / bCpu);
        cpu = text;
    }
    std::printf("%-26s kestrin %10s  bare %10s  ratio %5.2f  %s  (n=%zu; kestrin %s, bare %s%s)\n",
                figure.title.c_str(), formatted(k.median, figure.measure).c_str(),
                formatted(b.median, figure.measure).c_str(), ratio, goal,
                memory ? kestrin->peakKib.size() : kestrin->seconds.size(),
                range(k, figure.measure).c_str(), range(b, figure.measure).c_str(), cpu.c_str());
    return true;
}

// Shuffled repetitions are the default; arguments given later still override it.
std::vector<char*> withDefaults(int argc, char** argv) {
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> args = {argv[0], interleave};
    args.insert(args.end(), argv + 1, argv + argc);
    args.push_back(nullptr);
    return args;
}

}  // namespace
}  // namespace kestrin::bench

int main(int argc, char** argv) {
    using namespace kestrin::bench;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const kestrin::testing::TempFolder scratch;
    // Qt wants one, and warns in every program started here when there is none; the backends'
    // words files go there. A desktop session has it in memory (tmpfs), so the stand-in for it is
    // made in memory too where the machine has /dev/shm.
    std::optional<kestrin::testing::TempFolder> runtime;
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        std::error_code error;
        const bool shm = std::filesystem::is_directory("/dev/shm", error);
        runtime.emplace(shm ? std::filesystem::path("/dev/shm") : scratch.path());
        std::filesystem::permissions(runtime->path(), std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime->path().c_str(), 1);
    }
    std::vector<char*> args = withDefaults(argc, argv);
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 2;
    }
    QApplication app(count, args.data());
    kestrin::window::applyAppearance(app);

    const std::filesystem::path empty = scratch.path() / "empty";
    std::filesystem::create_directories(empty);
    BenchWindow window(empty);
    std::vector<Figure> figures = registerListing(scratch.path(), window);
    for (auto more : {registerStartUp(scratch.path()), registerLaunching(scratch.path(), window)}) {
        figures.insert(figures.end(), more.begin(), more.end());
    }

    const std::time_t now = std::time(nullptr);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", std::localtime(&now));
    std::printf("Kestrin benchmarks, %s, %u CPUs, load average %s\n", date,
                std::thread::hardware_concurrency(), loadAverage().c_str());
    std::fflush(stdout);
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::cerr << '\n';
    std::printf(
        "medians of n repetitions, each repetition the mean of its iterations; "
        "load average after: %s\n",
        loadAverage().c_str());
    bool allRan = true;
    for (const Figure& figure : figures) {
        allRan = printFigure(figure, reporter) && allRan;
    }
    constexpr int kManyBackends = 1000;
    allRan = reportManyRunning(scratch.path(), window, kManyBackends) && allRan;
    return allRan ? 0 : 1;
}
