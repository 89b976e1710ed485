// Starting a command line on POSIX systems. There is no cmd.exe here, so the line is read by
// parseCommandLine and the program started with posix_spawn: no shell ever sees a file name.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/launch_messages.h"
#include "platform/launcher.h"

extern char** environ;

namespace kestrin::platform {
namespace {

std::string reason(int error) {
    return std::generic_category().message(error);
}

enum class Candidate { Missing, Folder, NotRegular, NotExecutable, Program };

Candidate examine(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return Candidate::Missing;
    }
    if (S_ISDIR(info.st_mode)) {
        return Candidate::Folder;
    }
    if (!S_ISREG(info.st_mode)) {
        return Candidate::NotRegular;
    }
    return access(path.c_str(), X_OK) == 0 ? Candidate::Program : Candidate::NotExecutable;
}

// Where cmd.exe would look for name: a name with a "/" is a path, any other one is looked up in
// the working folder first and then along PATH, where an empty entry means the working folder.
std::vector<std::string> placesFor(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return {name};
    }
    std::vector<std::string> places = {"./" + name};
    const char* path = std::getenv("PATH");
    if (path == nullptr || *path == '\0') {
        return places;
    }
    std::string_view rest(path);
    while (true) {
        const auto colon = rest.find(':');
        const auto entry = rest.substr(0, colon);
        places.push_back(entry.empty() ? "./" + name : std::string(entry) + "/" + name);
        if (colon == std::string_view::npos) {
            return places;
        }
        rest.remove_prefix(colon + 1);
    }
}

bool endsWithExe(std::string_view name) {
    if (name.size() < 4) {
        return false;
    }
    std::string ending(name.substr(name.size() - 4));
    for (char& c : ending) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return ending == ".exe";
}

struct Resolved {
    std::string path;
    std::string error;
};

// The file to run for program. A native build of the backend has no ".exe", so the default name
// "mervo.exe" also finds "mervo". The first unusable file found explains a failure best.
Resolved resolve(const std::string& program) {
    std::vector<std::string> names = {program};
    if (endsWithExe(program)) {
        std::string bare = program.substr(0, program.size() - 4);
        if (!bare.empty() && bare.back() != '/') {
            names.push_back(std::move(bare));
        }
    }
    std::string unusable;
    Candidate unusableBecause = Candidate::Missing;
    for (const auto& name : names) {
        for (auto& place : placesFor(name)) {
            const Candidate found = examine(place);
            if (found == Candidate::Program) {
                return {.path = std::move(place), .error = {}};
            }
            if (found != Candidate::Missing && unusable.empty()) {
                unusable = place;
                unusableBecause = found;
            }
        }
    }
    switch (unusableBecause) {
        case Candidate::Folder:
            return {.path = {}, .error = programIsAFolder(program, unusable)};
        case Candidate::NotRegular:
            return {.path = {}, .error = notAProgramFile(program, unusable)};
        case Candidate::NotExecutable:
            return {.path = {}, .error = notExecutable(program, unusable)};
        case Candidate::Missing:
        case Candidate::Program:
            break;
    }
    const bool isPath = program.find('/') != std::string::npos;
    return {.path = {}, .error = isPath ? fileNotFound(program) : programNotFound(program)};
}

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// Opens the file that receives the program's output as ">" would, with differences that keep a
// name from a downloaded folder from doing harm: only an ordinary file is written (a fifo without
// a reader would hang the window, a device is no place for a conversion), nothing else is
// truncated, and a link that leads nowhere is refused instead of creating a file at its target,
// somewhere other than the name the user typed. A link to an existing file is written through,
// as the listing counts it as that file. created tells whether the file is new.
std::string openOutput(const std::string& file, Descriptor& out, bool& created) {
    const auto notOrdinary = [&file] { return cannotWrite(file, "it is not an ordinary file."); };
    // O_NONBLOCK makes a fifo without a reader fail at once instead of hanging the window.
    constexpr int kFlags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // O_EXCL never follows a link, so a file is only created where nothing is yet.
    out.reset(open(file.c_str(), kFlags | O_CREAT | O_EXCL, 0666));
    created = out.get() >= 0;
    if (!created) {
        if (errno != EEXIST) {
            return cannotWrite(file, reason(errno) + ".");
        }
        out.reset(open(file.c_str(), kFlags));
        if (out.get() < 0) {
            const int error = errno;
            struct stat info {};
            if (error == ENOENT && lstat(file.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
                return cannotWrite(file, "it is a link to a file that does not exist.");
            }
            if (stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
                return notOrdinary();
            }
            return cannotWrite(file, reason(error) + ".");
        }
    }
    struct stat info {};
    if (fstat(out.get(), &info) != 0) {
        return cannotWrite(file, reason(errno) + ".");
    }
    if (!S_ISREG(info.st_mode)) {
        out.reset();
        return notOrdinary();
    }
    if (!created && ftruncate(out.get(), 0) != 0) {
        return cannotWrite(file, reason(errno) + ".");
    }
    const int flags = fcntl(out.get(), F_GETFL);
    if (flags == -1 || fcntl(out.get(), F_SETFL, flags & ~O_NONBLOCK) == -1) {
        return cannotWrite(file, reason(errno) + ".");
    }
    // Kestrin may run with standard descriptors closed; the output must not land on 0, 1 or 2,
    // where the child's own redirections would overwrite it.
    if (out.get() <= STDERR_FILENO) {
        const int moved = fcntl(out.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        if (moved == -1) {
            return cannotWrite(file, reason(errno) + ".");
        }
        out.reset(moved);
    }
    return {};
}

// A deleted working folder still serves as one until something is to be created in it; its link
// count gives it away. Nothing started there could find its input or leave its output.
bool workingFolderIsGone() {
    struct stat info {};
    return stat(".", &info) != 0 || info.st_nlink == 0;
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

    // Standard input from /dev/null, standard output to output when there is one, standard error
    // inherited, every other descriptor closed.
    int prepare(int output) {
        m_ready = m_error == 0;
        if (!m_ready) {
            return m_error;
        }
        int error =
            posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (error == 0 && output >= 0) {
            error = posix_spawn_file_actions_adddup2(&m_actions, output, STDOUT_FILENO);
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

// Collects the exit status of this one child so that it leaves no zombie; other children of the
// process are none of its business.
void reapWhenDone(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // Without a thread the child stays a zombie until Kestrin ends; it did start, though.
    }
}

class PosixLauncher final : public Launcher {
public:
    Result<> launch(const std::string& commandLine) override {
        Result<ParsedCommand> parsed = parseCommandLine(commandLine);
        if (!parsed) {
            return parsed.failure();
        }
        ParsedCommand& command = *parsed;
        const std::string& program = command.arguments.front();
        if (workingFolderIsGone()) {
            return Failure{cannotStart(program, "the working folder no longer exists.")};
        }
        const Resolved resolved = resolve(program);
        if (!resolved.error.empty()) {
            return Failure{resolved.error};
        }
        Descriptor output;
        bool created = false;
        if (command.outputFile) {
            if (auto error = openOutput(*command.outputFile, output, created); !error.empty()) {
                return Failure{std::move(error)};
            }
        }
        // Nothing started: a file made only for its output is not left behind.
        const auto notStarted = [&](int error) {
            output.reset();
            if (created) {
                unlink(command.outputFile->c_str());
            }
            return Result<>(Failure{cannotStart(program, reason(error) + ".")});
        };

        SpawnActions actions;
        SpawnAttributes attributes;
        if (const int error = actions.prepare(output.get()); error != 0) {
            return notStarted(error);
        }
        if (const int error = attributes.prepare(); error != 0) {
            return notStarted(error);
        }
        std::vector<char*> argv;
        for (auto& argument : command.arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);

        pid_t pid = 0;
        const int error = posix_spawn(&pid, resolved.path.c_str(), actions.get(), attributes.get(),
                                      argv.data(), environ);
        if (error != 0) {
            return notStarted(error);
        }
        output.reset();
        reapWhenDone(pid);
        return {};
    }
};

}  // namespace

std::unique_ptr<Launcher> makeLauncher() {
    return std::make_unique<PosixLauncher>();
}

}  // namespace kestrin::platform
