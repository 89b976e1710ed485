// SPDX-License-Identifier: MIT
#pragma once
// A process watch for the window that ends its backends when the test says so.

#include <QObject>
#include <QPointer>
#include <string>
#include <utility>
#include <vector>

#include "window/process_watch.h"

namespace kestrin::testing {

// Watches nothing by itself: a test ends the backends, in the order they were started, when it
// chooses.
class FakeProcessWatch final : public window::ProcessWatch {
public:
    void watch(platform::Process /*process*/, platform::StderrCapture /*capture*/, QObject* context,
               OnEnd onEnd) override {
        m_watched.push_back({context, std::move(onEnd), false});
    }

    std::size_t started() const { return m_watched.size(); }
    bool running(std::size_t index) const { return !m_watched.at(index).ended; }

    // Ends the index-th backend started, once; as the system's watch does, nothing is told once
    // the window that started it is gone.
    void end(std::size_t index, platform::ExitStatus status, std::string stderrTail = {}) {
        Watched& watched = m_watched.at(index);
        if (watched.ended) {
            return;
        }
        watched.ended = true;
        if (watched.context) {
            platform::StderrTail tail;
            tail.text = std::move(stderrTail);
            watched.onEnd({status, std::move(tail)});
        }
    }

private:
    struct Watched {
        QPointer<QObject> context;
        OnEnd onEnd;
        bool ended;
    };
    std::vector<Watched> m_watched;
};

}  // namespace kestrin::testing
