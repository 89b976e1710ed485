// SPDX-License-Identifier: MIT
#pragma once
// What Kestrin tells the user about the backends it started once it learns how they ended, and
// when it holds a second start back. Plain C++: the window decides when, these say what.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "platform/process.h"

namespace kestrin::backend {

enum class Action { Decompile, Compile, Unpack };

// How much of a backend's words a report shows: read from the end of what it wrote.
inline constexpr std::size_t kWordsBytes = 4096;
inline constexpr std::size_t kWordsLines = 20;
// Failures known together share one message; it tells this many, then how many more.
inline constexpr std::size_t kFailuresShown = 3;

// A backend that failed: the file its action names (Decompile: the output, "NAME.txt"; Compile:
// the input; Unpack: the archive), how it ended, the end of what it wrote, and the earlier text a
// Decompile kept as "NAME.txt~" (empty when none).
struct Failed {
    Action action;
    std::string file;
    platform::Ending ending;
    std::string words;
    std::string keptCopy;
};

// One message for the failures known together, in the order given; failed is not empty. Each
// tells the action, its file, how it ended and the last lines of its words (at most kWordsLines
// in all), with hidden characters shown as U+XXXX.
std::string failureReport(std::span<const Failed> failed);

// The refusal of a second Decompile into the same output, or Unpack of the same archive, while
// the first still runs.
std::string stillRunning(Action action, std::string_view file);

// The name by which two presses are known to name the same file: the name as typed, with "."
// parts, repeated separators and "folder/.." taken out (lexically: links are not followed), and
// on Windows without regard to ASCII case.
std::string sameFileKey(std::string_view file);

}  // namespace kestrin::backend
