// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "backend/texts.h"
#include "platform/process.h"

namespace kestrin::backend {

// The backends one window started, from their start until they end: which files have a writer,
// and what to report of each that failed. One writer per file: while a Decompile into an output,
// or an Unpack of an archive, runs, a second one is held back. Compile is never held back: it
// names only its input.
class Running {
public:
    // Why action on file may not start now, or nothing.
    std::optional<std::string> refusal(Action action, std::string_view file) const;

    // Notes a backend just started for action on file; the id is for ended().
    std::uint64_t started(Action action, std::string file, std::string keptCopy);

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
};

// The name by which two presses are known to name the same file: the name as typed, with "."
// parts, repeated separators and "folder/.." taken out (lexically: links are not followed), and
// on Windows without regard to ASCII case.
std::string sameFileKey(std::string_view file);

}  // namespace kestrin::backend
