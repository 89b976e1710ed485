// SPDX-License-Identifier: MIT
// What is said of a backend's job: the report when it failed, the refusal while it still runs.
#include "backend/texts.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/text.h"

namespace kestrin::backend {
namespace {

std::string describe(const platform::ExitStatus& status) {
    using Kind = platform::ExitStatus::Kind;
    if (status.kind == Kind::Signaled) {
        const std::string name = platform::signalName(status.code);
        return "was ended by signal " + std::to_string(status.code) +
               (name.empty() ? "" : " (SIG" + name + ")");
    }
    if (status.kind == Kind::Exception) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status.code));
        return std::string("ended with status ") + hex;
    }
    return status.kind == Kind::Exited ? "ended with status " + std::to_string(status.code)
                                       : "ended, with a status Kestrin could not learn";
}

std::string whatRan(const Job& job) {
    return (job.action == Action::Decompile ? "Decompile into "
            : job.action == Action::Compile ? "Compile of "
                                            : "Unpack of ") +
           quoted(job.file);
}

// The line as shown, cut after kStderrLineCharacters characters with a mark so that it cannot
// outgrow the message; a line whose start was lost is shown by its end, after the mark.
std::string shownLine(std::string_view line, bool startLost) {
    const std::string shown = escapeForDisplay(line);
    std::vector<std::size_t> starts;  // of each character
    for (std::size_t at = 0; at < shown.size(); at += decodeUtf8(shown, at).length) {
        starts.push_back(at);
    }
    const std::string mark = "\xE2\x80\xA6";  // U+2026, the ellipsis
    if (starts.size() <= kStderrLineCharacters) {
        return startLost ? mark + shown : shown;
    }
    return startLost ? mark + shown.substr(starts[starts.size() - kStderrLineCharacters])
                     : shown.substr(0, starts[kStderrLineCharacters]) + mark;
}

// The lines of a stderr tail without their line ends, empty ones at the end left out.
std::vector<std::string_view> linesOf(std::string_view tail) {
    std::vector<std::string_view> lines;
    while (!tail.empty()) {
        const std::size_t end = std::min(tail.find('\n'), tail.size());
        const std::string_view line = tail.substr(0, end);
        lines.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
        tail.remove_prefix(std::min(end + 1, tail.size()));
    }
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

// The backend's own lines, each behind the quote mark: whatever they say, none starts a line of
// the message, so none can pass for Kestrin's words.
std::string stderrPart(const platform::StderrTail& tail, std::size_t maxLines) {
    std::vector<std::string_view> lines = linesOf(tail.text);
    // When more came before the tail, its first line is only an end: left out, unless it is all.
    const bool startLost = tail.cut && lines.size() == 1;
    if (tail.cut && lines.size() > 1) {
        lines.erase(lines.begin());
    }
    const std::size_t first = lines.size() > maxLines ? lines.size() - maxLines : 0;
    std::string text = lines.empty() ? (tail.lost ? "" : "It wrote nothing.\n")
                       : first == 0
                           ? "It wrote:\n"
                           : "It wrote (the last " + std::to_string(maxLines) + " lines):\n";
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::string shown = shownLine(lines[i], startLost);
        text += shown.empty() ? ">\n" : "> " + shown + "\n";
    }
    if (tail.lost) {
        text += "Kestrin could not read the rest of what it wrote: " + reasonFor(tail.lost) + "\n";
    }
    return text;
}

std::string oneFailure(const BackendFailure& failed, std::size_t maxLines) {
    std::string text = whatRan(failed.job) + " failed: the backend " + quoted(failed.job.program) +
                       " " + describe(failed.status) + ".\n" + stderrPart(failed.tail, maxLines);
    if (!failed.keptCopy.empty()) {
        text += "The earlier text is kept in " + quoted(failed.keptCopy) + ".\n";
    }
    return text;
}

}  // namespace

std::string failureReport(std::span<const BackendFailure> failed) {
    const std::size_t shown = std::min(failed.size(), kFailuresShown);
    std::string text = failed.size() == 1 ? oneFailure(failed.front(), kStderrLines)
                                          : std::to_string(failed.size()) + " backends failed.\n";
    for (std::size_t i = 0; failed.size() > 1 && i < shown; ++i) {
        text += "\n" + std::to_string(i + 1) + ". " + oneFailure(failed[i], kStderrLines / shown);
    }
    if (failed.size() > shown) {
        text += "\nAnd " + std::to_string(failed.size() - shown) + " more failed.\n";
    }
    text.pop_back();
    return text;
}

std::string stillRunning(const Job& job) {
    return "The earlier " + whatRan(job) + " is still running; try again once it has ended." +
           std::string(kNothingStarted);
}

}  // namespace kestrin::backend
