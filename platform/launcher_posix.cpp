// SPDX-License-Identifier: MIT
// Starting a command line on POSIX systems. There is no cmd.exe here, so the line is read by
// parseCommandLine and the program started with posix_spawn: no shell ever sees a file name.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/command_line.h"
#include "platform/launch_messages.h"
#include "platform/launcher.h"
#include "platform/output_file_posix.h"
#include "platform/program_lookup.h"
#include "platform/spawn_failure_posix.h"

extern char** environ;

namespace kestrin::platform {
namespace {

constexpr std::string_view kFolderGone = "the working folder no longer exists.";

// What is at path. A program is an ordinary file this process may execute.
FileKind examine(const std::string& path, bool /*byEnding*/) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return FileKind::Missing;
    }
    if (S_ISDIR(info.st_mode)) {
        return FileKind::Folder;
    }
    if (!S_ISREG(info.st_mode)) {
        return FileKind::NotAProgram;
    }
    return access(path.c_str(), X_OK) == 0 ? FileKind::Program : FileKind::NotExecutable;
}

// A deleted working folder still serves as one until something is to be created in it; its link
// count gives it away. Nothing started there could find its input or leave its output, and the
// same holds for a folder this user may not search. Returns the refusal, or nothing.
std::optional<std::string> workingFolderProblem(const std::string& program) {
    struct stat info {};
    if (stat(".", &info) == 0) {
        return info.st_nlink == 0 ? std::optional(cannotStart(program, kFolderGone)) : std::nullopt;
    }
    if (errno == ENOENT || errno == ESTALE) {
        return cannotStart(program, kFolderGone);
    }
    return workingFolderIsUnreadable(program, reasonFor(errno));
}

// Looks the program up, noting the first unusable file on the way: a Windows program there
// deserves the advice on running it rather than a word on permissions.
Result<std::string> findProgram(const std::string& program) {
    std::string unusable;
    FileKind unusableKind = FileKind::Missing;
    const auto noting = [&](const std::string& path, bool byEnding) {
        const FileKind kind = examine(path, byEnding);
        if (unusable.empty() && kind != FileKind::Missing && kind != FileKind::Program) {
            unusable = path;
            unusableKind = kind;
        }
        return kind;
    };
    Result<std::string> found = findPosixProgram(program, std::getenv("PATH"), noting);
    if (!found && unusableKind == FileKind::NotExecutable) {
        if (auto advice = windowsProgramAdvice(program, unusable)) {
            return Failure{std::move(*advice)};
        }
    }
    return found;
}

// Whether the child inherits fd as it stands: it is open and not closed on exec. Kestrin's own
// folder and file descriptors take 0, 1 or 2 when those were closed, always close-on-exec.
bool passedOn(int fd) {
    const int flags = fcntl(fd, F_GETFD);
    return flags != -1 && (flags & FD_CLOEXEC) == 0;
}

class SpawnActions {
public:
    SpawnActions() { m_error = posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() {
        if (m_ready) {
            posix_spawn_file_actions_destroy(&m_actions);
        }
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    // Standard input from /dev/null, standard output to output when there is one, else to words;
    // standard error to words, every other descriptor closed. A standard descriptor that is not
    // redirected and that Kestrin itself lacks goes to /dev/null, so that the program's first
    // file never takes its place.
    int prepare(int output, int words) {
        m_ready = m_error == 0;
        if (!m_ready) {
            return m_error;
        }
        int error =
            posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (error == 0 && words >= 0) {
            error = posix_spawn_file_actions_adddup2(&m_actions, words, STDERR_FILENO);
        }
        const int out = output >= 0 ? output : words;
        if (error == 0 && out >= 0) {
            error = posix_spawn_file_actions_adddup2(&m_actions, out, STDOUT_FILENO);
        }
        for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
            const bool redirected = fd == STDOUT_FILENO ? out >= 0 : words >= 0;
            if (error == 0 && !redirected && !passedOn(fd)) {
                error = posix_spawn_file_actions_addopen(&m_actions, fd, "/dev/null", O_WRONLY, 0);
            }
        }
        if (error == 0) {
            error = posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
        }
        return error;
    }
    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions{};
    int m_error = 0;
    bool m_ready = false;
};

class SpawnAttributes {
public:
    SpawnAttributes() { m_error = posix_spawnattr_init(&m_attributes); }
    ~SpawnAttributes() {
        if (m_ready) {
            posix_spawnattr_destroy(&m_attributes);
        }
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    // A session of its own, so the program outlives the window and the terminal; no blocked or
    // ignored signals carried over from the window's threads.
    int prepare() {
        m_ready = m_error == 0;
        if (!m_ready) {
            return m_error;
        }
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        int error = posix_spawnattr_setflags(
            &m_attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (error == 0) {
            error = posix_spawnattr_setsigmask(&m_attributes, &none);
        }
        if (error == 0) {
            error = posix_spawnattr_setsigdefault(&m_attributes, &all);
        }
        return error;
    }
    const posix_spawnattr_t* get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes{};
    int m_error = 0;
    bool m_ready = false;
};

// A descriptor that becomes readable when the child ends, or -1 where the system has none. Nobody
// else collects this child, so its pid cannot be reused before the pidfd exists. (glibc 2.36
// declares pidfd_open without C linkage for C++, hence the system call.)
int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    return -1;
#endif
}

// Starts the program at path with the arguments (the program's own name first), its standard
// output going to output and its words to words, either unless it is -1. Returns 0 and the
// started process, or the error that kept it from starting.
int spawn(const std::string& path, std::vector<std::string>& arguments, int output, int words,
          Process& started) {
    SpawnActions actions;
    SpawnAttributes attributes;
    if (const int error = actions.prepare(output, words); error != 0) {
        return error;
    }
    if (const int error = attributes.prepare(); error != 0) {
        return error;
    }
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int error =
        posix_spawn(&pid, path.c_str(), actions.get(), attributes.get(), argv.data(), environ);
    if (error == 0) {
        started = Process(pid, openPidfd(pid));
    }
    return error;
}

class PosixLauncher final : public Launcher {
public:
    Result<Started> launch(const std::string& commandLine) override {
        Result<ParsedCommand> parsed = parseCommandLine(commandLine);
        if (!parsed) {
            return parsed.failure();
        }
        ParsedCommand& command = *parsed;
        const std::string& program = command.arguments.front();
        if (auto problem = workingFolderProblem(program)) {
            return Failure{std::move(*problem)};
        }
        const Result<std::string> path = findProgram(program);
        if (!path) {
            return path.failure();
        }
        std::optional<OutputFile> output;
        if (command.outputFile) {
            Result<OutputFile> opened = openOutput(*command.outputFile);
            if (!opened) {
                return opened.failure();
            }
            output.emplace(std::move(opened).value());
        }
        Started started;
        started.words = WordsFile::create().value_or(WordsFile());
        const int error = spawn(*path, command.arguments, output ? output->descriptor() : -1,
                                static_cast<int>(started.words.writer()), started.process);
        started.words.closeWriter();
        if (error != 0) {
            // Nothing started: the output's new file goes, the earlier one was never touched.
            return Failure{whyNotStarted(program, *path, error)};
        }
        started.keptCopy = output ? output->commit() : std::string();
        return started;
    }
};

}  // namespace

std::unique_ptr<Launcher> makeLauncher() {
    return std::make_unique<PosixLauncher>();
}

}  // namespace kestrin::platform
