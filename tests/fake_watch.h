// SPDX-License-Identifier: MIT
#pragma once
// A process watch for the window that ends its backends when the test says so, the window's
// stand-ins together, and the file list as a test reads it.

#include <QListView>
#include <QObject>
#include <QPointer>
#include <string>
#include <utility>
#include <vector>

#include "recorders.h"
#include "window/main_window.h"
#include "window/process_watch.h"
#include "window/qt_text.h"

namespace kestrin::testing {

// Watches nothing by itself: a test ends the backends, in the order they were started, when it
// chooses.
class FakeProcessWatch final : public window::ProcessWatch {
public:
    void watch(platform::Process /*process*/, platform::StderrCapture /*capture*/, QObject* context,
               OnEnd onEnd) override {
        m_watched.push_back({context, std::move(onEnd), false});
    }

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

// What the window sees of the system in most tests: a folder in memory, recorded launches and
// messages, and backends that end when the test says.
struct FakeSystem {
    FakeFolder folder;
    RecordingLauncher launcher;
    RecordingMessages messages;
    FakeProcessWatch watch;

    window::Dependencies dependencies() { return {folder, launcher, messages, watch}; }
};

// The file list's entries as shown, or with role window::kExactNameRole as a pick copies them.
inline std::vector<std::string> listEntries(const QWidget& window, int role = Qt::DisplayRole) {
    std::vector<std::string> names;
    const auto* model = window.findChild<QListView*>("List1")->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        names.push_back(window::toUtf8(model->index(row, 0).data(role).toString()));
    }
    return names;
}

}  // namespace kestrin::testing
