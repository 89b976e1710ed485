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
    platform::StderrCapture capture;  // what it writes for the user; none when none could be made
    // Where the earlier content of the output was kept ("level.txt~") when the new output
    // replaced a file that was not empty; empty when nothing was kept.
    std::string keptCopy;
    // A step after the start that failed, in words for the user; empty when none did.
    std::string problem;
    // What it works on that no second start may share while it runs (running.h).
    RunningBackends::Claim claim;
};

// Starts commands as new processes and returns at once, never waiting for them: the seam between
// the window and the system, which tests replace with recorders. A command is refused while a
// backend in running still works on what it would (RunningBackends::busy).
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual Result<LaunchedBackend> launch(const Command& command,
                                           const RunningBackends& running) = 0;
};

// The system's own. The program is found the way cmd.exe finds it (program_search.h), and a
// Decompile's output made ready (output.h), before anything starts, so that a failure is told
// to the user instead of vanishing in a console window. POSIX systems have no cmd.exe: the
// program gets command.words() from posix_spawn, and no shell ever sees a file name. Windows
// starts the system's own cmd.exe with command.text() for an interpreted command, else the
// program itself with it. A failure's message tells the user why nothing started.
// Not QProcess: a QProcess ends its child when it is destroyed, where a backend must outlive the
// window, and it opens a file for stdout by its name, where a Decompile's output must be made
// beneath its folder without following a link out and take its name only once the backend has
// started (output.h).
class SystemLauncher final : public Launcher {
public:
    Result<LaunchedBackend> launch(const Command& command, const RunningBackends& running) override;
};

}  // namespace kestrin::backend
