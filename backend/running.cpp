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
    const auto found = std::find_if(m_running.begin(), m_running.end(),
                                    [&](const auto& entry) { return entry.second.claim == claim; });
    if (claim.empty() || found == m_running.end()) {
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
    auto done = m_running.extract(id);
    if (done.empty() || !status.failed()) {
        return std::nullopt;
    }
    return BackendFailure{.job = std::move(done.mapped().job),
                          .status = status,
                          .tail = std::move(tail),
                          .keptCopy = std::move(done.mapped().keptCopy)};
}

}  // namespace kestrin::backend
