// SPDX-License-Identifier: MIT
#include "backend/running.h"

#include <algorithm>
#include <utility>

#include "platform/names.h"

namespace kestrin::backend {

RunningBackends::Claim RunningBackends::unpackClaim(const Command& command) {
    Claim claim = command.words();
    if (!claim.empty()) {
        claim.erase(claim.begin());  // the program: any backend unpacks the same archive
    }
    for (std::string& word : claim) {
        word = platform::fileKey(word);
    }
    return claim;
}

std::optional<std::string> RunningBackends::busy(const Claim& claim) const {
    if (claim.empty()) {
        return std::nullopt;
    }
    const auto found = std::find_if(m_running.begin(), m_running.end(),
                                    [&](const auto& entry) { return entry.second.claim == claim; });
    if (found == m_running.end()) {
        return std::nullopt;
    }
    return stillRunning(found->second.job);
}

std::uint64_t RunningBackends::started(Job job, Claim claim, std::string keptCopy) {
    const std::uint64_t id = m_nextId++;
    m_running[id] =
        Backend{.job = std::move(job), .claim = std::move(claim), .keptCopy = std::move(keptCopy)};
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
