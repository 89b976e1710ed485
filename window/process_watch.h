// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/process.h"

namespace kestrin::window {

// How a watched backend ended, and the end of its stderr.
struct ProcessExit {
    platform::ExitStatus status;
    platform::StderrTail tail;
};

// Watches started backends until each has ended; tests put one in that ends them when they choose.
class ProcessWatch {
public:
    using OnEnd = std::function<void(ProcessExit)>;

    virtual ~ProcessWatch() = default;

    // Calls onEnd once, from the event loop of the calling thread, when process has ended, with
    // the end of its capture; not once context has been destroyed. Never waits.
    virtual void watch(platform::Process process, platform::StderrCapture capture, QObject* context,
                       OnEnd onEnd) = 0;
};

// The system's watch, without a thread: a notifier per process (a pidfd, or on Windows its handle;
// without one, a poll every half second) and per capture, read as its bytes come and after its
// process has ended until every writer has gone. What still runs when the watch goes, or the
// program exits without destroying it, keeps running; platform::keepDraining reads its captures.
class SystemProcessWatch final : public QObject, public ProcessWatch {
public:
    SystemProcessWatch();
    ~SystemProcessWatch() override;

    void watch(platform::Process process, platform::StderrCapture capture, QObject* context,
               OnEnd onEnd) override;

    // How many processes, or captures after their process, it watches now.
    std::size_t watching() const { return m_watched.size(); }

private:
    struct Watched;

    void check(std::uint64_t id);
    void readCapture(std::uint64_t id);
    void checkUnwaitable();
    void handOff();

    std::map<std::uint64_t, Watched> m_watched;
    std::uint64_t m_nextId = 0;
    QTimer m_poll;
};

}  // namespace kestrin::window
