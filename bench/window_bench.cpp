// SPDX-License-Identifier: MIT
// The figures taken on Kestrin's window: a Refresh press against a bare directory loop, a
// Decompile press against a bare posix_spawn, and many backends running at once.

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QtWidgets>
#include <random>

#include "backend/texts.h"
#include "bench/harness.h"
#include "tests/recorders.h"
#include "tests/temp_folder.h"
#include "window/main_window.h"

extern char** environ;

namespace kestrin::bench {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

// Kestrin's own window with the real directory search, launcher and process watch, shown
// offscreen; only a recording stands in for the message box, so that no modal box waits.
struct Bench {
    explicit Bench(const fs::path& emptyFolder) {
        {
            const testing::WorkingFolder here(emptyFolder);  // listed while the window is built
            window = std::make_unique<window::MainWindow>(
                window::Dependencies{*search, launcher, messages, watch});
        }
        refresh = find<QAbstractButton>("Command3");
        decompile = find<QAbstractButton>("Command1");
        find<QListView>("List1")->viewport()->installEventFilter(&listPaints);
        window->show();
        check(waitUntil([this] { return listPaints.count > 0; }, seconds(30)), "no first paint");
    }

    template <typename Widget>
    Widget* find(const char* name) const {
        return window->findChild<Widget*>(QString::fromLatin1(name));
    }

    // The view lays the new rows out and paints them from the event loop, as for a user.
    void refreshAndPaint() const {
        const int before = listPaints.count;
        refresh->click();
        check(waitUntil([&] { return listPaints.count > before; }, seconds(30)), "no list painted");
    }

    // Fills in a Decompile of level.qb into output by the stand-in backend.
    void prepareDecompile(const QString& output) const {
        find<QLineEdit>("Text4")->setText(QStringLiteral(KESTRIN_STAND_IN_BACKEND));
        find<QLineEdit>("Text1")->setText(QStringLiteral("level"));
        find<QLineEdit>("Text2")->setText(output);
        find<QComboBox>("Combo1")->setCurrentText(QStringLiteral("THUG1"));
    }

    // Timed from the click to the end of its handler; it must start a backend.
    Cost pressDecompile() {
        const std::size_t before = messages.shown.size();
        const Cost cost = timed([this] { decompile->click(); });
        check(messages.shown.size() == before + 1 &&
                  messages.shown.back() == backend::kDecompilingDone,
              "a Decompile press did not start the stand-in");
        return cost;
    }

    void waitUntilCollected(seconds limit) const {
        const auto collected = [this] { return watch.watching() == 0; };
        check(waitUntil(collected, limit, std::chrono::microseconds(200)), "a backend was left");
    }

    std::unique_ptr<platform::DirectorySearch> search = platform::makeDirectorySearch();
    backend::SystemLauncher launcher;
    testing::RecordingMessages messages;
    window::SystemProcessWatch watch;
    std::unique_ptr<window::MainWindow> window;
    PaintCounter listPaints;
    QAbstractButton* refresh = nullptr;
    QAbstractButton* decompile = nullptr;
};

// The floor: read the working folder once, keep the ordinary ".qb" names, sort them as Kestrin
// does.
std::size_t bareListing() {
    std::vector<std::string> names;
    DIR* dir = opendir(".");
    check(dir != nullptr, "the folder did not open");
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

// The least a launch must do: open the output and posix_spawn the same program and arguments.
// Then it waits, untimed, for the child to end.
Cost spawnBare() {
    const char* argv[] = {KESTRIN_STAND_IN_BACKEND, "-d", "level.qb", "THUG1", nullptr};
    pid_t pid = 0;
    int error = 0;
    const Cost cost = timed([&] {
        const int output = open("floor.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        error = posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(output);
    });
    int status = -1;
    check(error == 0 && waitpid(pid, &status, 0) == pid && status == 0, "no bare spawn");
    return cost;
}

void listing(benchmark::State& state, const Bench& bench, const fs::path& folder, int entries) {
    if (!fs::exists(folder)) {
        makeFolder(folder, entries);  // outside the timing, when first needed
    }
    const testing::WorkingFolder here(folder);
    bench.refreshAndPaint();  // each timed press replaces a list of this folder
    std::size_t found = 0;
    compare(
        state, [&bench] { return timed([&bench] { bench.refreshAndPaint(); }); },
        [&found] { return timed([&found] { found = bareListing(); }); });
    check(found == static_cast<std::size_t>(entries / 2) &&
              bench.find<QListView>("List1")->model()->rowCount() == entries / 2,
          "a list does not hold the folder's .qb files");
}

void launching(benchmark::State& state, Bench& bench, const fs::path& folder) {
    const testing::WorkingFolder here(folder);
    bench.prepareDecompile(QStringLiteral("level"));
    const auto press = [&bench] {
        const Cost cost = bench.pressDecompile();
        bench.waitUntilCollected(seconds(10));  // untimed: no press overlaps the last backend
        return cost;
    };
    compare(state, press, spawnBare);
}

// 1,000 Decompile presses into outputs of their own while every backend sleeps, so that all run
// at once: Kestrin's threads and memory before the first and right after the last. Then every
// backend must be collected, none reported.
void manyBackends(benchmark::State& state, Bench& bench, const fs::path& folder) {
    constexpr int kCount = 1000;
    const testing::WorkingFolder here(folder);
    // A first round, collected before measuring, lets Qt and the allocator settle.
    for (int i = 0; i < 20; ++i) {
        bench.prepareDecompile(QStringLiteral("first%1").arg(i));
        bench.pressDecompile();
    }
    bench.waitUntilCollected(seconds(30));
    const long threads = ownStatus("Threads");
    const long residentKib = ownStatus("VmRSS");
    // What the allocator has handed out: unlike resident memory, not hidden by freed memory
    // that an earlier benchmark left in the heap.
    const auto heap = static_cast<double>(mallinfo2().uordblks);
    const std::size_t shown = bench.messages.shown.size();
    setenv("KESTRIN_STAND_IN_SLEEP_MS", "20000", 1);  // long enough for every press
    for (auto _ : state) {
        double pressing = 0;
        for (int i = 0; i < kCount; ++i) {
            bench.prepareDecompile(QStringLiteral("out%1").arg(i));
            pressing += bench.pressDecompile().wall;
        }
        state.SetIterationTime(pressing);
    }
    unsetenv("KESTRIN_STAND_IN_SLEEP_MS");
    using benchmark::Counter;
    const auto bytes = [](double value) { return Counter(value, {}, Counter::kIs1024); };
    state.counters["running"] = static_cast<double>(bench.watch.watching());
    state.counters["threads_added"] = static_cast<double>(ownStatus("Threads") - threads);
    state.counters["rss_added"] =
        bytes(1024.0 * static_cast<double>(ownStatus("VmRSS") - residentKib));
    state.counters["heap_added"] = bytes(static_cast<double>(mallinfo2().uordblks) - heap);
    state.SetItemsProcessed(kCount);
    bench.waitUntilCollected(seconds(120));
    check(bench.messages.shown.size() == shown + kCount, "a backend was reported");
}

}  // namespace

// Mixed case and length give the sort work. Of every 20 names, 10 are ".qb" files, then other
// endings, ".QB", no ending, a hidden ".qb" file and a folder named ".qb".
void makeFolder(const fs::path& folder, int entries) {
    constexpr std::string_view kEndings[] = {
        ".qb",  ".qb",  ".qb",  ".qb",  ".qb",  ".qb", ".qb", ".qb",     ".qb", ".qb",
        ".txt", ".txt", ".txt", ".txt", ".txt", ".QB", "",    ".qb.bak", ".qb", ".qb/"};
    constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
    fs::create_directories(folder);
    std::mt19937 random(static_cast<unsigned>(entries));
    for (int i = 0; i < entries; ++i) {
        std::string name(i % 20 == 18 ? "." : "");
        for (std::size_t size = 4 + random() % 12; size > 0; --size) {
            name += kLetters[random() % kLetters.size()];
        }
        name.append(std::to_string(i)).append(kEndings[i % 20]);  // the number keeps names apart
        if (name.ends_with('/')) {
            fs::create_directory(folder / name);
        } else {
            const std::ofstream file(folder / name);
        }
    }
}

std::shared_ptr<void> addWindowBenchmarks(const fs::path& scratch) {
    fs::create_directories(scratch / "empty");
    fs::create_directories(scratch / "launching");
    auto held = std::make_shared<Bench>(scratch / "empty");
    for (const int entries : {1'000, 100'000}) {
        add("listing/" + std::to_string(entries), entries < 10'000 ? 20 : 1, 15,
            [&bench = *held, folder = scratch / ("listing" + std::to_string(entries)),
             entries](auto& state) { listing(state, bench, folder, entries); });
    }
    const fs::path outputs = scratch / "launching";
    add("launching", 20, 15,
        [&bench = *held, outputs](auto& state) { launching(state, bench, outputs); });
    add("many_backends", 1, 1,
        [&bench = *held, outputs](auto& state) { manyBackends(state, bench, outputs); });
    return held;
}

}  // namespace kestrin::bench
