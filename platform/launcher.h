// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "platform/process.h"
#include "platform/result.h"

namespace kestrin::platform {

// What a launch that went ahead hands back.
struct Started {
    // Where the earlier content of the output file was kept ("level.txt~") when the new output
    // replaced a file that was not empty; empty when nothing was kept.
    std::string keptCopy;
    Process process;  // to learn when and how the backend ended
    WordsFile words;  // what it writes for the user; empty when no file could be made
};

// Starts a command line as a new process and returns at once, never waiting for it. The process
// inherits the working folder; its standard error, and its standard output unless the line sends
// that to a file, go to the words file. A failure's message tells the user why nothing started.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual Result<Started> launch(const std::string& commandLine) = 0;
};

// The system's own launcher.
std::unique_ptr<Launcher> makeLauncher();

}  // namespace kestrin::platform
