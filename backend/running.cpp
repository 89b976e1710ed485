// SPDX-License-Identifier: MIT
#include "backend/running.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/names.h"

namespace kestrin::backend {
namespace {

constexpr std::string_view kOutput = "output ";
// Enough to remember every output of a session; the oldest go first beyond it.
constexpr std::size_t kOwnOutputsRemembered = 4096;

std::int64_t nowSince1970() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::string Running::outputKey(const std::string& identity) {
    return identity.empty() ? std::string() : std::string(kOutput) + identity;
}

std::string Running::argumentsKey(const Command& command) {
    const std::vector<std::string> words = command.words();
    std::string key = "arguments";
    for (std::size_t i = 1; i < words.size(); ++i) {
        key += '\n' + platform::fileKey(words[i]);
    }
    return key;
}

std::optional<std::string> Running::busy(const std::string& key) const {
    if (key.empty()) {
        return std::nullopt;
    }
    const auto found = std::find_if(m_running.begin(), m_running.end(),
                                    [&](const auto& entry) { return entry.second.key == key; });
    if (found == m_running.end()) {
        return std::nullopt;
    }
    return stillRunning(found->second.action, found->second.file);
}

bool Running::ownOutput(const std::string& identity, std::int64_t modified) const {
    const auto found = m_ownOutputs.find(identity);
    return found != m_ownOutputs.end() && modified <= found->second;
}

std::uint64_t Running::started(Action action, std::string file, std::string key,
                               std::string keptCopy) {
    const std::uint64_t id = m_nextId++;
    m_running[id] = Backend{.action = action,
                            .file = std::move(file),
                            .key = std::move(key),
                            .keptCopy = std::move(keptCopy)};
    return id;
}

std::optional<Failed> Running::ended(std::uint64_t id, const platform::ExitStatus& status,
                                     std::string stderrTail, bool stderrCut) {
    const auto found = m_running.find(id);
    if (found == m_running.end()) {
        return std::nullopt;
    }
    Backend done = std::move(found->second);
    m_running.erase(found);
    if (done.key.starts_with(kOutput)) {
        if (m_ownOutputs.size() >= kOwnOutputsRemembered) {
            m_ownOutputs.erase(
                std::min_element(m_ownOutputs.begin(), m_ownOutputs.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; }));
        }
        m_ownOutputs[done.key.substr(kOutput.size())] = nowSince1970();
    }
    if (!status.failed()) {
        return std::nullopt;
    }
    return Failed{.action = done.action,
                  .file = std::move(done.file),
                  .status = status,
                  .stderrTail = std::move(stderrTail),
                  .stderrCut = stderrCut,
                  .keptCopy = std::move(done.keptCopy)};
}

}  // namespace kestrin::backend
