// SPDX-License-Identifier: MIT
#pragma once
// How a figure sets Kestrin against the machine's floor for the same work.

#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/paint.h"

namespace kestrin::bench {

inline void check(bool holds, const char* failure) {
    if (!holds) {
        throw std::runtime_error(failure);
    }
}

// What one run of one side took: wall and CPU seconds; for a program, its peak memory in bytes.
struct Cost {
    double wall = 0;
    double cpu = 0;
    double peak = 0;
};

// The cost of work() to this process. CPU time is hardly touched by the other processes that
// share the machine; wall time is.
template <typename Work>
Cost timed(Work work) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu = std::clock();
    work();
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    return {.wall = wall.count(), .cpu = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC};
}

// One figure. Each iteration runs Kestrin's side, then the floor's, each returning its Cost or
// throwing std::runtime_error, so that a burst of load from elsewhere falls on both alike. The
// benchmark's time is Kestrin's; the counters set it against the floor, per repetition.
template <typename Kestrin, typename Floor>
void compare(benchmark::State& state, Kestrin kestrin, Floor floor) {
    Cost k;
    Cost f;
    for (auto _ : state) {
        const Cost one = kestrin();
        const Cost two = floor();
        state.SetIterationTime(one.wall);
        k = {k.wall + one.wall, k.cpu + one.cpu, std::max(k.peak, one.peak)};
        f = {f.wall + two.wall, f.cpu + two.cpu, std::max(f.peak, two.peak)};
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["floor_ms"] = f.wall / n * 1e3;
    state.counters["extra_ms"] = (k.wall - f.wall) / n * 1e3;
    state.counters["ratio"] = k.wall / f.wall;
    state.counters["cpu_ratio"] = k.cpu / f.cpu;
    if (k.peak > 0) {
        using benchmark::Counter;
        state.counters["peak"] = Counter(k.peak, Counter::kDefaults, Counter::kIs1024);
        state.counters["floor_peak"] = Counter(f.peak, Counter::kDefaults, Counter::kIs1024);
        state.counters["peak_ratio"] = k.peak / f.peak;
    }
}

// Registers a benchmark of fixed iterations and repetitions whose body throws
// std::runtime_error when its work fails.
void add(const std::string& name, int iterations, int repetitions,
         std::function<void(benchmark::State&)> body);

// Makes a folder of entries names of mixed case and length, half of them ".qb" files.
void makeFolder(const std::filesystem::path& folder, int entries);

// Registers the benchmarks on Kestrin's window; the window lives as long as what this returns.
// The QApplication must exist; scratch is a folder that outlives the run.
std::shared_ptr<void> addWindowBenchmarks(const std::filesystem::path& scratch);

}  // namespace kestrin::bench
