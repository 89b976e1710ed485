// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "platform/result.h"

namespace kestrin::platform {

// What a launch that started its program leaves behind.
struct Started {
    // Where the earlier content of the output file was kept ("level.txt~") when the new output
    // replaced a file that was not empty; empty when nothing was kept.
    std::string keptCopy;

    bool operator==(const Started&) const = default;
};

// Starts a command line as a new process and returns at once. It never waits for the process and
// keeps no handle of it; the process inherits the working folder. A failure's message tells the
// user why nothing started.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual Result<Started> launch(const std::string& commandLine) = 0;
};

// The system's own launcher.
std::unique_ptr<Launcher> makeLauncher();

}  // namespace kestrin::platform
