// SPDX-License-Identifier: MIT
#pragma once
// Starting a program and learning how it ended. Nothing here waits for a process; letting a
// Process or its capture go neither ends the program nor stops it writing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// What a started program writes to stderr, and to stdout when nothing else takes it, caught
// through a pipe as it comes: nothing of it is kept on disk, nothing is opened again by name, and
// no read ever waits. Only the last bytes are held, in memory.
class StderrCapture {
public:
    StderrCapture() = default;
    ~StderrCapture();
    StderrCapture(StderrCapture&& other) noexcept;
    StderrCapture& operator=(StderrCapture&& other) noexcept;
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // A new pipe that keeps the last keep bytes of what comes through it.
    static SystemResult<StderrCapture> create(std::size_t keep);

    // The end the started program writes to: given to it, then closed.
    std::intptr_t writer() const;
    void closeWriter();

    // What an event loop waits on: POSIX the pipe's read end, readable when something has come or
    // every writer has gone; Windows the event of the read under way. -1 for none.
    std::intptr_t waitable() const;

    // Takes what has come, without waiting. True once every writer has gone (or there is no
    // pipe): nothing more will come.
    bool drain();

    // The last bytes taken, at most keep of them, and whether more came before them.
    std::string_view tail() const {
        const std::size_t from = m_tail.size() > m_keep ? m_tail.size() - m_keep : 0;
        return std::string_view(m_tail).substr(from);
    }
    bool cut() const { return m_cut || m_tail.size() > m_keep; }

private:
    friend void keepDraining(std::vector<StderrCapture> captures);
    void keepLast(const char* bytes, std::size_t count) {
        m_tail.append(bytes, count);
        if (m_tail.size() > 2 * m_keep) {  // trimmed now and then, not on every read
            m_tail.erase(0, m_tail.size() - m_keep);
            m_cut = true;
        }
    }
    void release();

    std::size_t m_keep = 0;
    std::string m_tail;
    bool m_cut = false;
#ifdef _WIN32
    struct Read;  // the overlapped read under way
    void* m_reader = nullptr;
    void* m_writer = nullptr;
    Read* m_read = nullptr;
#else
    int m_reader = -1;
    int m_writer = -1;
#endif
};

// Kestrin is about to go while these programs may still write: on POSIX a process of its own
// goes on reading and dropping what they write until their writers have gone, so that no write
// fails with a broken pipe (or ends them by SIGPIPE). On Windows a write to a pipe nobody reads
// only fails, so nothing needs doing.
void keepDraining(std::vector<StderrCapture> captures);

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

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture& capture);

// Why the working folder a program would inherit cannot be used, or no error: on POSIX a folder
// that was deleted while Kestrin worked in it still serves as one until a file is to be made
// there (ENOENT), and one this user may not search gives the error of stat. Windows never lets a
// folder in use go.
std::error_code workingFolderProblem();

#ifdef _WIN32
// The working folder as Windows names it, such as C:\games or \\server\share\x, in UTF-8.
std::string workingFolder();
#endif

}  // namespace kestrin::platform
