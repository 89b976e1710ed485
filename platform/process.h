// SPDX-License-Identifier: MIT
#pragma once
// Starting a program and learning how it ended. Nothing here waits for a process; letting a
// Process or its capture go neither ends the program nor stops it writing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "common/result.h"
#include "platform/unique_handle.h"

namespace kestrin::platform {

// How a process ended: its exit status, the signal that ended it (POSIX), an exception it did not
// handle (Windows: code is the NTSTATUS, such as 0xC0000005), or Unknown when collected elsewhere.
struct ExitStatus {
    enum class Kind { Exited, Signaled, Exception, Unknown };
    Kind kind = Kind::Exited;
    int code = 0;

    bool failed() const { return kind != Kind::Exited || code != 0; }
    bool operator==(const ExitStatus&) const = default;
};

// The signal's name without "SIG" ("KILL"), or "" for a number the system does not name.
std::string signalName(int signal);

// The last bytes a program wrote to stderr, whether more came before them, and why no more could
// be read when the pipe failed before its writers had gone.
struct StderrTail {
    std::string text;
    bool cut = false;
    std::error_code lost;

    bool operator==(const StderrTail&) const = default;
};

// What a started program writes to stderr (and stdout when nothing else takes it), caught through
// a pipe as it comes: nothing on disk, no read that waits, only the last bytes held in memory.
class StderrCapture {
public:
    static SystemResult<StderrCapture> create(std::size_t keep);

    // The end the started program writes to: given to it, then closed.
    std::intptr_t writer() const;
    void closeWriter() { m_writer.reset(); }

    // What an event loop waits on: POSIX the pipe's read end, readable when something has come or
    // every writer has gone; Windows the event of the read under way. -1 for none.
    std::intptr_t waitable() const;

    // Takes what has come, without waiting. True once every writer has gone: nothing more comes.
    bool drain();

    // The last bytes taken, at most keep of them, and whether more came before them.
    StderrTail tail() const {
        const std::size_t from = m_tail.text.size() > m_keep ? m_tail.text.size() - m_keep : 0;
        return {m_tail.text.substr(from), m_tail.cut || from > 0, m_tail.lost};
    }

private:
    void keepLast(const char* bytes, std::size_t count) {
        m_tail.text.append(bytes, count);
        if (m_tail.text.size() > 2 * m_keep) {  // trimmed now and then, not on every read
            m_tail.text.erase(0, m_tail.text.size() - m_keep);
            m_tail.cut = true;
        }
    }
    std::size_t m_keep = 0;
    StderrTail m_tail;  // the last bytes, between keep and twice as many
#ifdef _WIN32
    // The overlapped read under way, cancelled and waited for when it goes, before its pipe.
    struct Read;
    struct EndRead {
        void operator()(Read* read) const;
    };
    UniqueHandle m_reader;
    UniqueHandle m_writer;
    std::unique_ptr<Read, EndRead> m_read;
#else
    // The read end is known to keepDraining() for as long as it is open.
    struct ReaderTraits : FdTraits {
        static void close(int fd);
    };
    Unique<ReaderTraits> m_reader;
    UniqueFd m_writer;
#endif
};

// Kestrin is about to go while backends may still write: on POSIX a process of its own (started
// safely from a signal handler) reads and drops what comes through every capture not let go yet,
// so that no backend is ended by SIGPIPE; it keeps no descriptor of Kestrin's and ends on any
// signal. On Windows such a write only fails: nothing to do.
SystemResult<> keepDraining();

// A started process until its end has been collected. Move-only; the empty one stands for none.
class Process {
public:
    Process() = default;
#ifdef _WIN32
    explicit Process(void* handle) : m_handle(handle) {}
#else
    // pidfd is -1 when the system gave none; the process is then asked for by its id.
    Process(int pid, int pidfd) : m_pid(pid), m_pidfd(pidfd) {}
#endif

    // A pidfd or process handle, signalled at the end; -1 for none: ask ended() now and then.
    std::intptr_t waitable() const;

    // The exit status once the process has ended, else nothing; never waits. The first call after
    // the end collects it (no zombie left); later calls give the same status.
    std::optional<ExitStatus> ended();

private:
#ifdef _WIN32
    UniqueHandle m_handle;
#else
    // Not collected, it stays a zombie until Kestrin ends. Moved away, the id goes with it.
    struct PidTraits {
        using Native = int;
        static constexpr Native kNone = -1;
        static bool valid(Native pid) { return pid > 0; }
        static void close(Native /*pid*/) {}
    };
    Unique<PidTraits> m_pid;
    UniqueFd m_pidfd;
#endif
    std::optional<ExitStatus> m_status;
};

// What to start, in the working folder, with stdin from /dev/null (NUL), stdout to output or else
// the capture, stderr to the capture, and nothing else of Kestrin's. POSIX runs file with
// arguments (the program's name first) in a session of its own with default signals; Windows
// runs file with commandLine, minimized in a console of its own, inheriting inheritedLock.
struct ProcessStart {
    std::string file;
    std::vector<std::string> arguments;  // POSIX only
    std::string commandLine;             // Windows only
    int output = -1;                     // POSIX only
    std::intptr_t inheritedLock = -1;    // Windows only: held by the program while it runs
};

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture& capture);

// Why the working folder a program would inherit cannot be used, or no error: on POSIX it may
// have been deleted (ENOENT) or be one this user may not search. Windows never lets one in use go.
std::error_code workingFolderProblem();

#ifdef _WIN32
// The working folder as Windows names it, such as C:\games or \\server\share\x, in UTF-8.
std::string workingFolder();
#endif

}  // namespace kestrin::platform
