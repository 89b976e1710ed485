// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "backend/command.h"
#include "backend/running.h"
#include "common/result.h"
#include "platform/process.h"

namespace kestrin::backend {

// What a launch that went ahead hands back.
struct LaunchedBackend {
    platform::Process process;        // to learn when and how the backend ended
    platform::StderrCapture capture;  // what it writes for the user
    std::string keptCopy;  // where the output's earlier content was kept ("level.txt~"), or ""
    std::string problem;   // a step after the start that failed, in words for the user, or ""
    RunningBackends::Claim claim;  // what no second start may share while it runs (running.h)
};

// Starts commands as new processes and returns at once, never waiting for them; tests replace it
// with recorders. A command is refused while a backend in running works on what it would.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual Result<LaunchedBackend> launch(const Command& command,
                                           const RunningBackends& running) = 0;
};

// The system's own. The program is found (program_search.h) and a Decompile's output made ready
// (output.h) before anything starts, so that a failure is told instead of vanishing in a console
// window. POSIX starts the program with command.words(): no shell sees a file name. Windows
// starts its own cmd.exe with command.text() for an interpreted command, else the program.
// Not QProcess: it ends its child when destroyed, where a backend must outlive the window, and
// opens stdout's file by name, where a Decompile's output must be made beneath its folder without
// following a link out, and take its name only once the backend has started (output.h).
class SystemLauncher final : public Launcher {
public:
    Result<LaunchedBackend> launch(const Command& command, const RunningBackends& running) override;
};

}  // namespace kestrin::backend
