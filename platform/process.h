// SPDX-License-Identifier: MIT
#pragma once
// A started backend as the launcher hands it back: a handle that tells when it has ended and how,
// and the file that keeps what it wrote for the user. Nothing here waits for a process; letting
// either go neither ends the backend nor stops it writing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kestrin::platform {

// How a process ended: its exit status, or (POSIX only) the signal that ended it; Unknown when
// its status was collected elsewhere.
struct Ending {
    enum class Kind { Status, Signal, Unknown };
    Kind kind = Kind::Status;
    int code = 0;

    bool failed() const { return kind == Kind::Signal || (kind == Kind::Status && code != 0); }
    bool operator==(const Ending&) const = default;
};

// The ending in words that follow "the backend": "ended with status 3", "was ended by signal 9
// (SIGKILL)". On Windows a status that reads as an NTSTATUS code is shown in hexadecimal.
std::string describe(const Ending& ending);

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

    bool exists() const;

    // What an event loop can wait on: a pidfd that becomes readable, or a process handle that is
    // signalled, once the process has ended. -1 when there is none: then ask ended() now and then.
    std::intptr_t waitable() const;

    // The ending once the process has ended, else nothing; never waits. The first call after the
    // end collects it (no zombie is left on POSIX); later calls give the same ending.
    std::optional<Ending> ended();

private:
    void release();

#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_pid = -1;
    int m_pidfd = -1;
#endif
    std::optional<Ending> m_ending;
};

// The file a backend's own words go to: its standard error, and its standard output where the
// line sends that nowhere else. It lies outside the working folder (POSIX: $XDG_RUNTIME_DIR,
// else $TMPDIR, else /tmp; Windows: the user's temporary folder) and is removed when this is let
// go; a backend still running goes on writing to it until it ends, and then nothing is left.
class WordsFile {
public:
    WordsFile() = default;
    ~WordsFile();
    WordsFile(WordsFile&& other) noexcept;
    WordsFile& operator=(WordsFile&& other) noexcept;
    WordsFile(const WordsFile&) = delete;
    WordsFile& operator=(const WordsFile&) = delete;

    // A new empty file, or nothing when none can be made (the backend's words are then lost).
    static std::optional<WordsFile> create();

    bool exists() const;
    const std::string& path() const { return m_path; }

    // Where the launcher points the backend's descriptors or handles; given to the started process
    // and closed by closeWriter() once it has started.
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

}  // namespace kestrin::platform
