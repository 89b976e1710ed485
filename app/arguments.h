// SPDX-License-Identifier: MIT
#pragma once
// Kestrin's command line, `kestrin [FOLDER]`, read by a plain function so that every case can be
// checked without a window or a display.

#include <optional>
#include <string>
#include <vector>

namespace kestrin::app {

struct Arguments {
    enum class Action { Run, ShowHelp, ShowVersion, Refuse };

    Action action = Action::Run;
    // Run: the folder to work in; none means the folder Kestrin was started in.
    std::optional<std::string> folder;
    // Run: the options every Qt program takes (-platform, -style, ...), with their values, as
    // given. Only these reach QApplication, so a folder is never read as one of them.
    std::vector<std::string> qtOptions;
    // Refuse: what is wrong, in one line for the user.
    std::string problem;

    bool operator==(const Arguments&) const = default;
};

// Reads the arguments that follow the program's name. They are read in order and the first one
// that decides (--help, --version or a mistake) ends the reading; "--" makes the next argument a
// folder even when it starts with "-".
Arguments parseArguments(const std::vector<std::string>& arguments);

}  // namespace kestrin::app
