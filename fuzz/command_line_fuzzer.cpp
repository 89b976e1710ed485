// SPDX-License-Identifier: MIT
// The command-line reader (platform::parseCommandLine) against a plain reference reading and a
// few properties that hold for any line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/command_line.h"

namespace {

using kestrin::fuzz::require;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> found;
    std::string word;
    for (const char c : text) {
        if (!isBlank(c)) {
            word += c;
        } else if (!word.empty()) {
            found.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) {
        found.push_back(word);
    }
    return found;
}

struct Reading {
    bool fails = false;
    std::vector<std::string> arguments;
    std::optional<std::string> output;
};

Reading fails() {
    return {.fails = true, .arguments = {}, .output = std::nullopt};
}

// The reading described in command_line.h, written out the plainest way.
Reading reference(std::string_view line) {
    if (line.find('\0') != std::string_view::npos) {
        return fails();
    }
    const std::string_view prefix = "cmd /c ";
    const bool interpreted = line.substr(0, prefix.size()) == prefix;
    const auto tokens = words(interpreted ? line.substr(prefix.size()) : line);
    Reading reading;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!interpreted || tokens[i] != ">") {
            reading.arguments.push_back(tokens[i]);
        } else if (i + 1 == tokens.size() || tokens[i + 1] == ">" || reading.output) {
            return fails();
        } else {
            reading.output = tokens[++i];
        }
    }
    if (reading.arguments.empty()) {
        return fails();
    }
    return reading;
}

std::string join(const std::vector<std::string>& parts) {
    std::string line;
    for (const auto& part : parts) {
        line += (line.empty() ? "" : " ") + part;
    }
    return line;
}

bool isPlainWord(const std::string& word) {
    return !word.empty() && word.find_first_of(" \t") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto parsed = kestrin::platform::parseCommandLine(line);
    const Reading expected = reference(line);
    const bool interpreted = kestrin::platform::runsInInterpreter(line);

    require(interpreted == line.starts_with("cmd /c "), "the interpreter is named by the prefix");
    require(parsed.ok() != expected.fails, "fails exactly when the reference fails");
    if (!parsed) {
        require(!parsed.message().empty(), "a failure says why");
        return 0;
    }
    require(parsed->arguments == expected.arguments, "the arguments match the reference");
    require(parsed->outputFile == expected.output, "the output file matches the reference");
    for (const auto& argument : parsed->arguments) {
        require(isPlainWord(argument), "no argument is empty or holds a blank");
        require(!interpreted || argument != ">", "a lone > never reaches the program");
    }
    if (parsed->outputFile) {
        require(interpreted, "only the interpreter redirects");
        require(isPlainWord(*parsed->outputFile), "the output file is a plain word");
        require(*parsed->outputFile != ">", "the output file is never >");
    }

    // Written out again with single spaces, the line reads the same. A line outside the
    // interpreter whose words begin "cmd /c" keeps the blank in front that made it so.
    std::string again = (interpreted ? "cmd /c " : "") + join(parsed->arguments);
    if (!interpreted && kestrin::platform::runsInInterpreter(again)) {
        again.insert(0, " ");
    }
    if (parsed->outputFile) {
        again += " > " + *parsed->outputFile;
    }
    require(kestrin::platform::parseCommandLine(again) == parsed, "re-joining reproduces it");
    return 0;
}
