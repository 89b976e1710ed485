// SPDX-License-Identifier: MIT
#include "window/backends.h"

#include <algorithm>
#include <utility>

namespace kestrin::window {

Backends::Backends(ProcessWatch& watch, MessageOrder& messages, QObject* parent)
    : QObject(parent), m_watch(watch), m_messages(messages) {}

bool Backends::running(backend::Action action, std::string_view file) const {
    if (action == backend::Action::Compile) {
        return false;
    }
    const std::string key = backend::sameFileKey(file);
    return std::any_of(m_running.begin(), m_running.end(), [&](const auto& entry) {
        return entry.second.action == action && entry.second.key == key;
    });
}

void Backends::started(backend::Action action, const std::string& file, platform::Started started) {
    const std::uint64_t id = m_nextId++;
    m_running[id] = Running{.action = action,
                            .file = file,
                            .key = backend::sameFileKey(file),
                            .keptCopy = std::move(started.keptCopy)};
    m_watch.watch(std::move(started.process), std::move(started.words), this,
                  [this, id](Ended ended) { this->ended(id, std::move(ended)); });
}

void Backends::ended(std::uint64_t id, Ended ended) {
    const auto found = m_running.find(id);
    if (found == m_running.end()) {
        return;
    }
    Running done = std::move(found->second);
    m_running.erase(found);
    if (ended.ending.failed()) {
        m_messages.report({.action = done.action,
                           .file = std::move(done.file),
                           .ending = ended.ending,
                           .words = std::move(ended.words),
                           .keptCopy = std::move(done.keptCopy)});
    }
}

}  // namespace kestrin::window
