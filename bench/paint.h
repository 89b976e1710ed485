// SPDX-License-Identifier: MIT
#pragma once
// What the benchmark and the start-up program share: counting paints, waiting on the event loop
// and this process's own figures from /proc.

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace kestrin::bench {

// Counts the Paint events of the widgets it is installed on. A widget's Paint event comes inside
// the pass that paints its window and flushes it; that pass is over when processEvents returns.
class PaintCounter final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
    int count = 0;
};

// Runs the event loop until done() holds, resting between turns; false if it does not in time.
template <typename Done>
bool waitUntil(Done done, std::chrono::seconds limit, std::chrono::microseconds rest = {}) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(rest);
    }
    return done();
}

// A number of /proc/self/status ("VmHWM" and "VmRSS" in KiB, "Threads"), or -1.
inline long ownStatus(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field + ":")) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

}  // namespace kestrin::bench
