// SPDX-License-Identifier: MIT
// Figure 1: a Refresh press end to end (directory search, base names, list filled and painted)
// against a bare opendir/readdir loop with the same suffix test and the same sort.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string_view>

#include "bench/harness.h"
#include "platform/directory_search.h"
#include "tests/temp_folder.h"

namespace kestrin::bench {
namespace {

namespace fs = std::filesystem;

struct ListingFolder {
    fs::path path;
    int matching = 0;  // ordinary files ending in ".qb"
};

// A folder of `entries` names in a fixed pseudo-random order: mixed-case stems of varying length,
// so that the sort has real work. Half are ".qb" files; the rest are other endings, ".QB", files
// without an ending, hidden files and folders (some of them named like scripts).
ListingFolder makeFolder(const fs::path& path, int entries) {
    fs::create_directories(path);
    const int dir = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        throw std::runtime_error("cannot open " + path.string());
    }
    constexpr std::string_view kCharacters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";
    std::uint64_t state = 0x9E3779B97F4A7C15u ^ static_cast<std::uint64_t>(entries);
    const auto random = [&state](std::size_t below) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>(state >> 33) % below;
    };
    const auto create = [dir](const std::string& name) {
        const int fd = openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            throw std::runtime_error("cannot create " + name);
        }
        close(fd);
    };
    ListingFolder folder{.path = path, .matching = 0};
    for (int i = 0; i < entries; ++i) {
        std::string stem;
        for (std::size_t length = 4 + random(12); stem.size() < length;) {
            stem += kCharacters[random(kCharacters.size())];
        }
        stem += '_';
        stem += std::to_string(i);  // keeps every name unique
        const int kind = i % 100;
        if (kind < 50) {
            create(stem + ".qb");
            ++folder.matching;
        } else if (kind < 80) {
            create(stem + ".txt");
        } else if (kind < 85) {
            create(stem + ".QB");
        } else if (kind < 90) {
            create(stem + ".qb.bak");
        } else if (kind < 94) {
            create(stem);
        } else if (kind < 97) {
            create("." + stem + ".qb");
        } else if (mkdirat(dir, (stem + (kind < 99 ? ".qb" : "")).c_str(), 0755) != 0) {
            throw std::runtime_error("cannot create folder " + stem);
        }
    }
    close(dir);
    return folder;
}

// The physical floor: read the working folder once, keep the ordinary ".qb" names, sort them.
std::size_t bareListing() {
    std::vector<std::string> names;
    DIR* dir = opendir(".");
    if (dir == nullptr) {
        return 0;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (entry->d_type == DT_REG && !name.starts_with('.') && name.ends_with(".qb")) {
            names.emplace_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end(), platform::ntfsOrder);
    benchmark::DoNotOptimize(names.data());
    return names.size();
}

// Folders are made when a benchmark first needs them, outside its timing.
class Folders {
public:
    explicit Folders(fs::path scratch) : m_scratch(std::move(scratch)) {}
    const ListingFolder& get(int entries) {
        auto found = m_folders.find(entries);
        if (found == m_folders.end()) {
            const fs::path path = m_scratch / ("listing-" + std::to_string(entries));
            found = m_folders.emplace(entries, makeFolder(path, entries)).first;
        }
        return found->second;
    }

private:
    fs::path m_scratch;
    std::map<int, ListingFolder> m_folders;
};

struct Size {
    int entries;
    const char* title;
    int iterations;
    int repetitions;
    Figure::Goal goal;
    double limit;
};

}  // namespace

std::vector<Figure> registerListing(const fs::path& scratch, BenchWindow& window) {
    static Folders folders(scratch);
    static fs::path listedFolder;  // whose names the list holds
    constexpr Size kSizes[] = {
        {1'000, "listing 1,000 files", 20, 15, Figure::Goal::Margin, 0.002},
        {10'000, "listing 10,000 files", 4, 15, Figure::Goal::None, 0},
        {100'000, "listing 100,000 files", 1, 15, Figure::Goal::Ratio, 2.0},
        {300'000, "listing 300,000 files", 1, 11, Figure::Goal::Ratio, 2.0},
    };
    std::vector<Figure> figures;
    for (const Size& size : kSizes) {
        const std::string kestrin = "listing/kestrin/" + std::to_string(size.entries);
        const std::string bare = "listing/bare/" + std::to_string(size.entries);
        const int entries = size.entries;
        benchmark::RegisterBenchmark(
            kestrin.c_str(),
            [entries, &window](benchmark::State& state) {
                const ListingFolder& folder = folders.get(entries);
                testing::WorkingFolder here(folder.path);
                // Each timed press replaces a list of this folder, not of the last one listed.
                if (listedFolder != folder.path) {
                    listedFolder = folder.path;
                    if (!window.refreshAndPaint()) {
                        state.SkipWithError("the list was never painted");
                        return;
                    }
                }
                const double cpuBefore = threadCpuSeconds();
                for (auto _ : state) {
                    if (!window.refreshAndPaint()) {
                        state.SkipWithError("the list was never painted");
                        break;
                    }
                }
                state.counters["cpu_s"] =
                    (threadCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
                if (window.rows() != folder.matching) {
                    state.SkipWithError("the list does not show the folder's .qb files");
                }
            })
            ->Iterations(size.iterations)
            ->Repetitions(size.repetitions)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(bare.c_str(),
                                     [entries](benchmark::State& state) {
                                         const ListingFolder& folder = folders.get(entries);
                                         testing::WorkingFolder here(folder.path);
                                         std::size_t found = 0;
                                         const double cpuBefore = threadCpuSeconds();
                                         for (auto _ : state) {
                                             found = bareListing();
                                         }
                                         state.counters["cpu_s"] =
                                             (threadCpuSeconds() - cpuBefore) /
                                             static_cast<double>(state.iterations());
                                         if (found != static_cast<std::size_t>(folder.matching)) {
                                             state.SkipWithError("the bare loop miscounted");
                                         }
                                     })
            ->Iterations(size.iterations)
            ->Repetitions(size.repetitions)
            ->Unit(benchmark::kMillisecond);
        figures.push_back({.title = size.title,
                           .kestrin = kestrin,
                           .bare = bare,
                           .measure = Figure::Measure::Time,
                           .goal = size.goal,
                           .limit = size.limit});
    }
    return figures;
}

}  // namespace kestrin::bench
