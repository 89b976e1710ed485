// SPDX-License-Identifier: MIT
#include "backend/running.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "common/text.h"

namespace kestrin::backend {

std::optional<std::string> Running::refusal(Action action, std::string_view file) const {
    if (action == Action::Compile) {
        return std::nullopt;
    }
    const std::string key = sameFileKey(file);
    const bool busy = std::any_of(m_running.begin(), m_running.end(), [&](const auto& entry) {
        return entry.second.action == action && entry.second.key == key;
    });
    return busy ? std::optional(stillRunning(action, file)) : std::nullopt;
}

std::uint64_t Running::started(Action action, std::string file, std::string keptCopy) {
    const std::uint64_t id = m_nextId++;
    std::string key = sameFileKey(file);
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

std::string sameFileKey(std::string_view file) {
    const std::u8string name(file.begin(), file.end());
    const std::u8string normal = std::filesystem::path(name).lexically_normal().generic_u8string();
    std::string key(normal.begin(), normal.end());
#ifdef _WIN32
    std::transform(key.begin(), key.end(), key.begin(), upperAscii);
#endif
    return key;
}

}  // namespace kestrin::backend
