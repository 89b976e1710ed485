// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "backend/reports.h"
#include "platform/launcher.h"
#include "window/message_order.h"
#include "window/process_watch.h"

namespace kestrin::window {

// The backends this window started, from their start until they end: which files have one
// running, and a report for each that failed. Nothing is reported once the window is gone.
class Backends final : public QObject {
public:
    Backends(ProcessWatch& watch, MessageOrder& messages, QObject* parent);

    // Whether a Decompile into file, or an Unpack of file, started here still runs (names compared
    // by backend::sameFileKey). Compile is never held back: it names only its input.
    bool running(backend::Action action, std::string_view file) const;

    // Watches a backend just started for action on file until it ends.
    void started(backend::Action action, const std::string& file, platform::Started started);

private:
    struct Running {
        backend::Action action;
        std::string file;
        std::string key;
        std::string keptCopy;
    };

    void ended(std::uint64_t id, Ended ended);

    ProcessWatch& m_watch;
    MessageOrder& m_messages;
    std::map<std::uint64_t, Running> m_running;
    std::uint64_t m_nextId = 0;
};

}  // namespace kestrin::window
