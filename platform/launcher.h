#pragma once

#include <memory>
#include <string>

namespace kestrin::platform {

// What a launch came to: started, or the reason it did not, in words for the user.
struct LaunchResult {
    std::string error;  // empty when the process started

    bool started() const { return error.empty(); }
    bool operator==(const LaunchResult&) const = default;
};

// Starts a command line as a new process and returns at once. It never waits for the process and
// keeps no handle of it; the process inherits the working folder.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual LaunchResult launch(const std::string& commandLine) = 0;
};

// The system's own launcher.
std::unique_ptr<Launcher> makeLauncher();

}  // namespace kestrin::platform
