// SPDX-License-Identifier: MIT
#pragma once
// What the benchmark program's parts share: the figures they report and the window they press.

#include <QObject>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "backend/launch.h"
#include "platform/directory_search.h"
#include "tests/recorders.h"
#include "window/process_watch.h"

class QAbstractButton;
class QListView;

namespace kestrin::window {
class MainWindow;
}

namespace kestrin::bench {

// One line of the report: Kestrin's benchmark against the bare one, and the goal between them.
struct Figure {
    enum class Measure { Time, PeakMemory };
    enum class Goal { None, Ratio, Margin };

    std::string title;
    std::string kestrin;  // benchmark names
    std::string bare;
    Measure measure = Measure::Time;
    Goal goal = Goal::None;
    double limit = 0;  // the highest ratio, or the most seconds above the bare figure
};

// Counts Paint events of one widget.
class PaintCounter final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
    int count = 0;
};

// Kestrin's own window with the real directory search and launcher, shown offscreen. Only a
// recording stands in for the message box, so that no modal box waits for a user.
class BenchWindow {
public:
    // The window lists emptyFolder while it is built.
    explicit BenchWindow(const std::filesystem::path& emptyFolder);
    ~BenchWindow();

    window::MainWindow& window() { return *m_window; }
    QAbstractButton& button(const char* name);

    // Presses Refresh and lets the event loop run until the list has been painted anew; false
    // when no paint came.
    bool refreshAndPaint();
    int rows() const;

    testing::RecordingMessages messages;
    window::SystemProcessWatch watch;

private:
    backend::SystemLauncher m_launcher;
    std::unique_ptr<platform::DirectorySearch> m_search;
    PaintCounter m_listPaints;
    std::unique_ptr<window::MainWindow> m_window;
    QListView* m_list = nullptr;
    QAbstractButton* m_refresh = nullptr;
};

// Each registers its benchmarks and returns the figures made of them. scratch is a folder that
// outlives every benchmark.
std::vector<Figure> registerListing(const std::filesystem::path& scratch, BenchWindow& window);
std::vector<Figure> registerStartUp(const std::filesystem::path& scratch);
std::vector<Figure> registerLaunching(const std::filesystem::path& scratch, BenchWindow& window);

// Presses Decompile into count outputs of their own while every backend started sleeps, and
// prints how Kestrin's threads and resident memory changed; false when the presses failed.
bool reportManyRunning(const std::filesystem::path& scratch, BenchWindow& window, int count);

double seconds(std::chrono::steady_clock::duration duration);

// CPU time of the calling thread, user and system: unlike wall time, hardly touched by the other
// processes that share the machine.
double threadCpuSeconds();

}  // namespace kestrin::bench
