// SPDX-License-Identifier: MIT
#pragma once
// How Kestrin reads its own command lines, the same on every system: the small part of cmd.exe
// that the lines use, without any shell. Plain C++, no system calls.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace kestrin::platform {

// A line taken apart: the program and its arguments, and the file that receives standard output.
struct ParsedCommand {
    std::vector<std::string> arguments;     // the program first, never empty
    std::optional<std::string> outputFile;  // relative to the working folder

    bool operator==(const ParsedCommand&) const = default;
};

// Whether the line is meant for the command interpreter: it starts with "cmd /c ".
bool runsInInterpreter(std::string_view commandLine);

// A line starting with "cmd /c " has the rest split on runs of spaces and tabs; a token that is
// exactly ">" names the next token as the output file. Any other line is split the same way and
// every token is an argument, ">" included. A ">" with no token or another ">" after it, a second
// redirection, no program token, or a NUL character anywhere is an error, whose message says
// why nothing may be started.
Result<ParsedCommand> parseCommandLine(std::string_view commandLine);

}  // namespace kestrin::platform
