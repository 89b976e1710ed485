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

// The backends one window started, from their start until they end: the arguments of each
// Unpack, so that a second one does not unpack the same archive while the first still runs, and
// what to report for each that failed. (One writer per Decompile output is the output's own lock,
// which holds across windows and processes: output.h.)
class RunningBackends {
public:
    // What a start holds while it runs, that a second may not share: for an Unpack the words the
    // backend receives, each as the system tells files apart ("./x.kpk" is "x.kpk", on Windows
    // "X.KPK." too; platform/names.h). Empty for a start that holds nothing.
    using Claim = std::vector<std::string>;
    static Claim unpackClaim(const Command& command);

    // The refusal of a start whose claim a backend started here that still runs holds; nothing
    // for an empty claim, or when none does.
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
