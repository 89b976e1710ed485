// SPDX-License-Identifier: MIT
#include "backend/running.h"

#include <algorithm>
#include <utility>

#include "platform/names.h"

namespace kestrin::backend {

std::string RunningBackends::argumentsKey(const Command& command) {
    const std::vector<std::string> words = command.words();
    std::string key = "arguments";
    for (std::size_t i = 1; i < words.size(); ++i) {
        key += '\n' + platform::fileKey(words[i]);
    }
    return key;
}

std::optional<std::string> RunningBackends::busy(const std::string& key) const {
    if (key.empty()) {
        return std::nullopt;
    }
    const auto found = std::find_if(m_running.begin(), m_running.end(),
                                    [&](const auto& entry) { return entry.second.key == key; });
    if (found == m_running.end()) {
        return std::nullopt;
    }
    return stillRunning(found->second.job);
}

std::uint64_t RunningBackends::started(Job job, std::string key, std::string keptCopy) {
    const std::uint64_t id = m_nextId++;
    m_running[id] =
        Backend{.job = std::move(job), .key = std::move(key), .keptCopy = std::move(keptCopy)};
    return id;
}

std::optional<BackendFailure> RunningBackends::ended(std::uint64_t id,
                                                     const platform::ExitStatus& status,
                                                     platform::StderrTail tail) {
    const auto found = m_running.find(id);
    if (found == m_running.end()) {
        return std::nullopt;
    }
    Backend done = std::move(found->second);
    m_running.erase(found);
    if (!status.failed()) {
        return std::nullopt;
    }
    return BackendFailure{.job = std::move(done.job),
                          .status = status,
                          .tail = std::move(tail),
                          .keptCopy = std::move(done.keptCopy)};
}

}  // namespace kestrin::backend
