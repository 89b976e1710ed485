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
struct Ended {
    platform::ExitStatus status;
    std::string stderrTail;
};

// Watches started backends until each has ended: the seam between the window and the system's
// process handles, which tests replace to end backends when they choose.
class ProcessWatch {
public:
    using OnEnd = std::function<void(Ended)>;

    virtual ~ProcessWatch() = default;

    // Calls onEnd once, from the event loop of the calling thread, when process has ended, with
    // the last backend::kStderrBytes of its capture; not once context has been destroyed. Never
    // waits.
    virtual void watch(platform::Process process, platform::StderrCapture capture, QObject* context,
                       OnEnd onEnd) = 0;
};

// The system's watch: one notifier per process on the thread that made the watch (a pidfd on
// Linux, the process handle on Windows) and no thread of its own. A process the system gave no
// handle to wait on is asked for its end every half second. What is still running when the watch
// goes keeps running; its capture goes, and it collects nothing more.
class SystemProcessWatch final : public QObject, public ProcessWatch {
public:
    SystemProcessWatch();
    ~SystemProcessWatch() override;

    void watch(platform::Process process, platform::StderrCapture capture, QObject* context,
               OnEnd onEnd) override;

    // How many processes it watches now.
    std::size_t watching() const { return m_watched.size(); }

private:
    struct Watched;

    void check(std::uint64_t id);
    void checkUnwaitable();

    std::map<std::uint64_t, Watched> m_watched;
    std::uint64_t m_nextId = 0;
    QTimer m_poll;
};

}  // namespace kestrin::window
