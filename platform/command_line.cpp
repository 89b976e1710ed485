// SPDX-License-Identifier: MIT
#include "platform/command_line.h"

namespace kestrin::platform {
namespace {

constexpr std::string_view kInterpreter = "cmd /c ";

std::vector<std::string> splitOnBlanks(std::string_view text) {
    std::vector<std::string> tokens;
    std::size_t at = 0;
    while (true) {
        at = text.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) {
            return tokens;
        }
        const std::size_t end = text.find_first_of(" \t", at);
        tokens.emplace_back(text.substr(at, end - at));
        if (end == std::string_view::npos) {
            return tokens;
        }
        at = end;
    }
}

}  // namespace

bool runsInInterpreter(std::string_view commandLine) {
    return commandLine.starts_with(kInterpreter);
}

Result<ParsedCommand> parseCommandLine(std::string_view commandLine) {
    // Arguments reach a program as C strings: a NUL would silently cut one short.
    if (commandLine.find('\0') != std::string_view::npos) {
        return Failure{"The command line holds a NUL character, which no program can receive."};
    }
    const bool interpreted = runsInInterpreter(commandLine);
    if (interpreted) {
        commandLine.remove_prefix(kInterpreter.size());
    }
    ParsedCommand parsed;
    auto tokens = splitOnBlanks(commandLine);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!interpreted || tokens[i] != ">") {
            parsed.arguments.push_back(std::move(tokens[i]));
            continue;
        }
        if (i + 1 == tokens.size()) {
            return Failure{"The command line ends in \">\" without naming a file for the output."};
        }
        // cmd.exe calls "> >" a syntax error; taking the second ">" as a file name would not be.
        if (tokens[i + 1] == ">") {
            return Failure{"The command line has \">\" where a file for the output belongs."};
        }
        if (parsed.outputFile) {
            return Failure{"The command line names more than one file for the output."};
        }
        parsed.outputFile = std::move(tokens[++i]);
    }
    if (parsed.arguments.empty()) {
        return Failure{"The command line names no program to start."};
    }
    return parsed;
}

}  // namespace kestrin::platform
