// SPDX-License-Identifier: MIT
#pragma once
// Starting a program and learning how it ended. Nothing here waits for a process; letting a
// Process or its capture go neither ends the program nor stops it writing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/result.h"
#include "platform/unique_handle.h"

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

// The last bytes a program wrote to stderr, whether more came before them, and why no more could
// be read, when the pipe failed before its writers had gone.
struct StderrTail {
    std::string text;
    bool cut = false;
    std::error_code lost;

    bool operator==(const StderrTail&) const = default;
};

// What a started program writes to stderr, and to stdout when nothing else takes it, caught
// through a pipe as it comes: nothing of it is kept on disk, nothing is opened again by name, and
// no read ever waits. Only the last bytes are held, in memory.
class StderrCapture {
public:
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
    StderrTail tail() const {
        const std::size_t from = m_tail.size() > m_keep ? m_tail.size() - m_keep : 0;
        return {m_tail.substr(from), m_cut || from > 0, m_lost};
    }

private:
    void keepLast(const char* bytes, std::size_t count) {
        m_tail.append(bytes, count);
        if (m_tail.size() > 2 * m_keep) {  // trimmed now and then, not on every read
            m_tail.erase(0, m_tail.size() - m_keep);
            m_cut = true;
        }
    }
    std::size_t m_keep = 0;
    std::string m_tail;
    bool m_cut = false;
    std::error_code m_lost;
#ifdef _WIN32
    // The overlapped read under way, cancelled and waited for when it goes: it goes first, while
    // its pipe is still open.
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

// Kestrin is about to go while programs it started may still write: on POSIX a process of its
// own goes on reading and dropping what comes through every capture not let go yet, until their
// writers have gone, so that no write fails with a broken pipe (or ends them by SIGPIPE). It
// keeps none of Kestrin's descriptors, standard streams included, and ends on any signal as a
// process does by default. Safe to call from a signal handler. On Windows a write to a pipe
// nobody reads only fails, so nothing needs doing. Fails when no such process could be made.
SystemResult<> keepDraining();

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

    // What an event loop can wait on: a pidfd that becomes readable, or a process handle that is
    // signalled, once the process has ended. -1 when there is none: then ask ended() now and then.
    std::intptr_t waitable() const;

    // The exit status once the process has ended, else nothing; never waits. The first call
    // after the end collects it (no zombie is left on POSIX); later calls give the same status.
    std::optional<ExitStatus> ended();

private:
#ifdef _WIN32
    UniqueHandle m_handle;
#else
    // A process not collected yet stays a zombie until Kestrin itself ends; then the system
    // collects it. Moved away, the id goes with it.
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

// What to start. POSIX runs file with arguments (the program's name first), stdin from
// /dev/null, stdout to output (or the capture when output is -1), stderr to the capture, in a
// session of its own with default signals and no other descriptor of Kestrin's. Windows runs
// file with commandLine, minimized in a console of its own, its standard handles on NUL and the
// capture, and no other handle of Kestrin's but inheritedLock. Either way it inherits the
// working folder.
struct ProcessStart {
    std::string file;
    std::vector<std::string> arguments;  // POSIX only
    std::string commandLine;             // Windows only
    int output = -1;                     // POSIX only
    std::intptr_t inheritedLock = -1;    // Windows only: held by the program while it runs
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
