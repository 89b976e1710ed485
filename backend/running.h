// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "backend/command.h"
#include "backend/texts.h"
#include "platform/process.h"

namespace kestrin::backend {

// The backends one window started, until they end: what each Unpack works on, so that no second
// one unpacks the same archive meanwhile, and what to report for each that failed. (One writer
// per Decompile output is the output's own lock, across processes: output.h.)
class RunningBackends {
public:
    // What a start holds while it runs: for an Unpack the words the backend receives, each as the
    // system tells files apart (platform/names.h); empty for a start that holds nothing.
    using Claim = std::vector<std::string>;
    static Claim unpackClaim(const Command& command);

    // The refusal of a start whose claim a backend started here still holds; else nothing.
    std::optional<std::string> busy(const Claim& claim) const;

    // Notes a backend just started for job; the id is for ended().
    std::uint64_t started(Job job, Claim claim, std::string keptCopy);

    // The backend with id has ended: what to report when it failed.
    std::optional<BackendFailure> ended(std::uint64_t id, const platform::ExitStatus& status,
                                        platform::StderrTail tail);

private:
    struct Backend {
        Job job;
        Claim claim;
        std::string keptCopy;
    };

    std::map<std::uint64_t, Backend> m_running;
    std::uint64_t m_nextId = 0;
};

}  // namespace kestrin::backend
