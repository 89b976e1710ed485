#pragma once

#include <memory>
#include <string>

#include "platform/result.h"

namespace kestrin::platform {

// Starts a command line as a new process and returns at once. It never waits for the process and
// keeps no handle of it; the process inherits the working folder. A failure's message tells the
// user why nothing started.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual Result<> launch(const std::string& commandLine) = 0;
};

// The system's own launcher.
std::unique_ptr<Launcher> makeLauncher();

}  // namespace kestrin::platform
