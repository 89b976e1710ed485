// SPDX-License-Identifier: MIT
#pragma once
// Starting a program and learning how it ended. Nothing here waits for a process; letting a
// Process or its capture go neither ends the program nor stops it writing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "common/result.h"

namespace kestrin::platform {

// How a process ended: its exit status; on POSIX the signal that ended it; on Windows an
// exception it did not handle (code is then the NTSTATUS, such as 0xC0000005); Unknown when its
// status was collected elsewhere.
struct ExitStatus {
    enum class Kind { Exited, Signaled, Exception, Unknown };
    Kind kind = Kind::Exited;
    int code = 0;

    bool failed() const { return kind != Kind::Exited || code != 0; }
    bool operator==(const ExitStatus&) const = default;
};

// The signal's name without "SIG" ("KILL"), or "" for a number the system does not name.
std::string signalName(int signal);

// The file a started program's stderr goes to, and its stdout when nothing else takes it. It
// lies outside the working folder (POSIX: $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp; Windows:
// the user's temporary folder) and goes when this is let go; a program still running goes on
// writing to it until it ends, and then nothing is left.
class StderrCapture {
public:
    StderrCapture() = default;
    ~StderrCapture();
    StderrCapture(StderrCapture&& other) noexcept;
    StderrCapture& operator=(StderrCapture&& other) noexcept;
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // A new empty file, or nothing when none can be made (the program's stderr is then lost).
    static std::optional<StderrCapture> create();

    // Where the started program's descriptors or handles point: given to it, then closed.
    std::intptr_t writer() const;
    void closeWriter();

    // The last bytes written to it, at most limit of them.
    std::string tail(std::size_t limit) const;

private:
    void release();

    std::string m_path;  // UTF-8
#ifdef _WIN32
    void* m_file = nullptr;  // kept open: the file goes when its last handle closes
    void* m_writer = nullptr;
#else
    int m_writer = -1;
#endif
};

// A started process until its end has been collected. Move-only; the empty one stands for none.
class Process {
public:
    Process() = default;
#ifdef _WIN32
    explicit Process(void* handle);
#else
    // pidfd is -1 when the system gave none; the process is then asked for by its id.
    Process(int pid, int pidfd);
#endif
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // What an event loop can wait on: a pidfd that becomes readable, or a process handle that is
    // signalled, once the process has ended. -1 when there is none: then ask ended() now and then.
    std::intptr_t waitable() const;

    // The exit status once the process has ended, else nothing; never waits. The first call
    // after the end collects it (no zombie is left on POSIX); later calls give the same status.
    std::optional<ExitStatus> ended();

private:
    void release();

#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_pid = -1;
    int m_pidfd = -1;
#endif
    std::optional<ExitStatus> m_status;
};

// What to start. POSIX runs file with arguments (the program's name first), stdin from
// /dev/null, stdout to output (or the capture when output is -1), stderr to the capture, in a
// session of its own with default signals and no other descriptor of Kestrin's. Windows runs
// file with commandLine, minimized in a console of its own, its standard handles on NUL and the
// capture and no other handle of Kestrin's. Either way it inherits the working folder.
struct ProcessStart {
    std::string file;
    std::vector<std::string> arguments;  // POSIX only
    std::string commandLine;             // Windows only
    int output = -1;                     // POSIX only
};

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture* capture);

// Why the working folder a program would inherit cannot be used, or no error: on POSIX a folder
// that was deleted while Kestrin worked in it still serves as one until a file is to be made
// there (ENOENT), and one this user may not search gives the error of stat. Windows never lets a
// folder in use go.
std::error_code workingFolderProblem();

}  // namespace kestrin::platform
