// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "backend/command.h"
#include "backend/texts.h"
#include "platform/process.h"

namespace kestrin::backend {

// The backends one window started, from their start until they end: what each works on, so that
// a second start does not take what the first still uses, and a report for each that failed.
// And the outputs its Decompiles wrote, so that such an output, unchanged, is never kept as
// NAME~ in place of the user's own earlier text.
class Running {
public:
    // What two starts must not share while the first runs: the file a Decompile writes, by its
    // identity (what the names lead to, not how they are spelt: platform/output_file.h), or the
    // arguments an Unpack gives the backend (its words, each as the system tells files apart:
    // "./x.kpk" is "x.kpk", on Windows "X.KPK." too; platform/names.h). A Compile shares
    // nothing: it names only its input.
    static std::string outputKey(const std::string& identity);
    static std::string argumentsKey(const Command& command);

    // The refusal of a start that would share key with a backend started here that still runs;
    // nothing for an empty key, or when none does.
    std::optional<std::string> busy(const std::string& key) const;

    // Whether the file with this identity, last changed at modified (ns since 1970), is what a
    // Decompile started here wrote, unchanged since that backend ended.
    bool ownOutput(const std::string& identity, std::int64_t modified) const;

    // Notes a backend just started for action on file; the id is for ended().
    std::uint64_t started(Action action, std::string file, std::string key, std::string keptCopy);

    // The backend with id has ended: what to report when it failed.
    std::optional<Failed> ended(std::uint64_t id, const platform::ExitStatus& status,
                                std::string stderrTail, bool stderrCut);

private:
    struct Backend {
        Action action;
        std::string file;
        std::string key;
        std::string keptCopy;
    };

    std::map<std::uint64_t, Backend> m_running;
    std::uint64_t m_nextId = 0;
    std::map<std::string, std::int64_t> m_ownOutputs;  // identity -> when its backend ended
};

}  // namespace kestrin::backend
