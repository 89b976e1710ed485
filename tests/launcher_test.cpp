// SPDX-License-Identifier: MIT
// The system's launcher on POSIX with real child processes: the stand-in plays the backend in a
// temporary working folder, and its log shows what each child was given. Every message of a
// start that failed is checked here, word for word.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "backend/output.h"
#include "backend/texts.h"
#include "launch_cases.h"
#include "platform/directory_search.h"
#include "platform/output_file.h"
#include "platform/own_process.h"
#include "stand_in.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using kestrin::Failure;
using kestrin::Result;
using kestrin::backend::Action;
using kestrin::backend::Command;
using kestrin::platform::ExitStatus;
using kestrin::platform::UniqueFd;
using kestrin::testing::contentsOf;
using kestrin::testing::installStandIn;
using kestrin::testing::noChildrenRemain;
using kestrin::testing::Record;
using kestrin::testing::ScopedEnvironment;
using kestrin::testing::TempFolder;
using kestrin::testing::toUtf8;
using kestrin::testing::WorkingFolder;
using Files = std::map<std::string, std::string>;
using Names = std::set<std::string>;

class Launcher : public ::testing::Test, public kestrin::testing::StandInFolder {};

const std::string kMade = "stand-in output\n";

Command decompileInto(const std::string& output, const std::string& backend = "mervo.exe") {
    return *kestrin::backend::decompile(backend, "level", "THUG1", output);
}

Command compileWith(const std::string& backend) {
    return *kestrin::backend::compile(backend, "level");
}

TEST_F(Launcher, RunsTheBackendWithItsOutputInTheFile) {
    m_work.write("out.txt", std::string(5000, 'o') + "\n");
    EXPECT_EQ(launch(decompileInto("out")), Result<std::string>("out.txt~"));
    const auto found = waitForRecords(1);
    ASSERT_EQ(found.size(), 1u) << "the stand-in left no record";
    const Record& run = found.front();
    EXPECT_EQ(run.one("exe"), inWork("mervo.exe"));
    EXPECT_EQ(run.one("cwd"), fs::canonical(m_work.path()).string());
    EXPECT_EQ(run.one("name"), "mervo.exe");
    EXPECT_EQ(run.arguments(), (std::vector<std::string>{"-d", "level.qb", "THUG1"}));
    EXPECT_EQ(run.one("fds"), "0 1 2");
    EXPECT_EQ(run.one("stdin"), "/dev/null");
    EXPECT_EQ(run.one("session"), "own");
    EXPECT_EQ(m_work.read("out.txt"), kMade);
    EXPECT_EQ(m_work.read("out.txt~"), std::string(5000, 'o') + "\n");
}

// No shell ever sees a word: each arrives as the command's words() split it.
TEST_F(Launcher, TheSharedCommandsGiveTheSameArgumentsAsOnWindows) {
    const auto cases = kestrin::testing::sharedLaunchCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.why);
        ASSERT_EQ(launch(c.command).message(), "");
        const auto found = waitForRecords(i + 1);
        ASSERT_EQ(found.size(), i + 1) << "the stand-in left no record";
        EXPECT_EQ(found[i].one("name"), "mervo.exe");
        EXPECT_EQ(found[i].arguments(), c.arguments);
        if (c.outputFile) {
            EXPECT_EQ(m_work.read(*c.outputFile), kMade);
        }
        ASSERT_TRUE(everyStartEndedWell());  // the next may write the same output
    }
    EXPECT_EQ(files(), (Names{"mervo.exe", "out.txt", "out.txt~", "~out.txt"}))
        << "something ran a command from a file name";
}

// Runs launch_once with args, its descriptors set up by redirect, and waits for it; its wait
// status, or -1 when it could not start.
int runLaunchOnce(std::vector<std::string> args,
                  const std::function<void(posix_spawn_file_actions_t*)>& redirect) {
    args.insert(args.begin(), KESTRIN_LAUNCH_ONCE);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    redirect(&actions);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    return status;
}

struct StreamsCase {
    const char* why;
    std::vector<int> closed;  // Kestrin's standard descriptors closed at its start
    bool brokenError;         // stderr a pipe whose reader has gone
    bool prepared;            // launch_once --prepared: app/main.cpp's start, then a warning
};

// Started from a desktop entry or by a parent that closed them, Kestrin may have no standard
// descriptors: its output file would then open as 0, 1 or 2, which the child's own set-up
// overwrites, and the child would start with them closed. A stderr whose reader went away must
// not end Kestrin when it writes a warning, and the child gets SIGPIPE back.
TEST_F(Launcher, KestrinsOwnStandardStreamsDoNotReachTheBackend) {
    const std::vector<StreamsCase> cases = {
        {"all three closed", {0, 1, 2}, false, false},
        {"all three closed, prepared as Kestrin starts", {0, 1, 2}, false, true},
        {"stderr closed", {2}, false, false},
        {"stderr leads nowhere, prepared", {0, 1}, true, true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.why);
        const std::string output = "out" + std::to_string(i);
        m_work.write(output + ".txt", std::string(5000, 'o') + "\n");
        std::vector<std::string> args = {"mervo.exe", output};
        if (c.prepared) {
            args.insert(args.begin(), "--prepared");
        }
        int pipeEnds[2];
        ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
        close(pipeEnds[0]);
        const int status = runLaunchOnce(args, [&](posix_spawn_file_actions_t* actions) {
            if (c.brokenError) {
                posix_spawn_file_actions_adddup2(actions, pipeEnds[1], STDERR_FILENO);
            }
            for (const int fd : c.closed) {
                posix_spawn_file_actions_addclose(actions, fd);
            }
        });
        close(pipeEnds[1]);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "launch_once ended with status " << status << " (signal " << WTERMSIG(status) << ")";
        const auto found = waitForRecords(i + 1);
        ASSERT_EQ(found.size(), i + 1) << "the stand-in left no record";
        EXPECT_EQ(found[i].arguments(), (std::vector<std::string>{"-d", "level.qb", "THUG1"}));
        EXPECT_EQ(found[i].one("fds"), "0 1 2");
        EXPECT_EQ(found[i].one("stdin"), "/dev/null");
        EXPECT_EQ(found[i].one("sigpipe"), "default");
        EXPECT_EQ(m_work.read(output + ".txt"), kMade);
        EXPECT_EQ(m_work.read(output + ".txt~"), std::string(5000, 'o') + "\n");
    }
}

TEST_F(Launcher, ReturnsWhileTheProgramStillRuns) {
    const fs::path gate = m_logs.path() / "gate";
    const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
    ASSERT_EQ(launch(compileWith("mervo.exe")).message(), "");
    // The stand-in waits for the gate before it logs anything.
    EXPECT_EQ(records().size(), 0u);
    std::ofstream(gate) << "open";
    EXPECT_EQ(waitForRecords(1).size(), 1u);
}

struct RefusedCase {
    const char* why;
    Command command;
    std::string expected;
};

void expectRefused(const std::vector<RefusedCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const auto result = kestrin::testing::StandInFolder::launchOrGiveUp(c.command);
        ASSERT_TRUE(result.has_value()) << "the launch hung";
        EXPECT_EQ(result->message(), c.expected);
    }
}

TEST_F(Launcher, AnOutputThatIsNoOrdinaryFileIsRefused) {
    ASSERT_EQ(mkfifo("lonely.txt", 0644), 0);
    ASSERT_EQ(mkfifo("heard.txt", 0644), 0);
    const int reader = open("heard.txt", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    fs::create_directory("folder.txt");
    // Followed, these links would write into "elsewhere", outside the name typed.
    fs::create_directory("elsewhere");
    fs::create_symlink("elsewhere/target.txt", "dangling.txt");
    fs::create_symlink("elsewhere/missing/target.txt", "nowhere.txt");
    fs::create_symlink("elsewhere", "linkedfolder.txt");
    // With ".txt" as long as a name may be: there is no room for "~".
    const std::string longName(255 - 4, 'n');
    m_work.write(longName + ".txt", "earlier\n");
    const std::string cannot = "Cannot write the output to ";
    expectRefused({
        {"fifo without a reader", decompileInto("lonely"),
         cannot + "\"lonely.txt\": it is not an ordinary file."},
        {"fifo with a reader", decompileInto("heard"),
         cannot + "\"heard.txt\": it is not an ordinary file."},
        {"folder", decompileInto("folder"), cannot + "\"folder.txt\": it is not an ordinary file."},
        {"device", Command{"mervo.exe", {}, "/dev/null", true},
         cannot + "\"/dev/null\": it is not an ordinary file."},
        {"missing folder", decompileInto("missing/out"),
         cannot + "\"missing/out.txt\": No such file or directory."},
        {"link to a missing file", decompileInto("dangling"),
         cannot + "\"dangling.txt\": it is a link to a file that does not exist."},
        {"link into a missing folder", decompileInto("nowhere"),
         cannot + "\"nowhere.txt\": it is a link to a file that does not exist."},
        {"link to a folder", decompileInto("linkedfolder"),
         cannot + "\"linkedfolder.txt\": it is not an ordinary file."},
        {"a name too long for the new file beside it", decompileInto(longName),
         cannot + "\"" + longName +
             ".txt\": no new file can be made in its folder: File name too "
             "long."},
        {"a name too long for the folder", decompileInto(longName + "b"),
         cannot + "\"" + longName + "b.txt\": File name too long."},
    });
    // Permission bits bind everyone but root, who may write a read-only file as with ">" in a
    // shell; CI runs as root.
    m_work.write("locked.txt", "keep me\n");
    fs::permissions("locked.txt", fs::perms::owner_read);
    EXPECT_EQ(launch(decompileInto("locked")).message(),
              geteuid() == 0 ? "" : cannot + "\"locked.txt\": Permission denied.");
    close(reader);
    EXPECT_TRUE(fs::is_empty("elsewhere")) << "a link was followed to create a file";
    const std::size_t started = geteuid() == 0 ? 1 : 0;  // the read-only file, as root
    EXPECT_EQ(waitForRecords(started).size(), started) << "a refused command started";
}

TEST_F(Launcher, AnUnusableBackendStopsTheLaunchBeforeAnything) {
    m_work.write("out.txt", "earlier output\n");
    fs::create_directory("folder.exe");
    m_work.write("plain", "#!/bin/sh\n");
    fs::permissions("plain", fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(m_pathFolder.path() / "onpath") << "#!/bin/sh\n";
    const std::string onPath = (m_pathFolder.path() / "onpath").string();
    const std::string notFound = "no such program in the working folder or on PATH.";
    expectRefused({
        {"missing", decompileInto("out", "nomervo"), "Cannot start \"nomervo\": " + notFound},
        {"missing, new output file", decompileInto("new", "nomervo"),
         "Cannot start \"nomervo\": " + notFound},
        // The builders refuse it; the launcher still says what it would start.
        {"empty backend name", Command{"", {"-d", "level.qb"}, "out.txt", true},
         "Cannot start \"-d\": " + notFound},
        {"folder", decompileInto("out", "folder.exe"),
         "Cannot start \"folder.exe\": \"./folder.exe\" is a folder, not a program."},
        {"not executable", decompileInto("out", "plain"),
         "Cannot start \"plain\": \"./plain\" may not be run (no execute permission)."},
        {"not executable, on PATH", decompileInto("out", "onpath"),
         "Cannot start \"onpath\": \"" + onPath + "\" may not be run (no execute permission)."},
        {"missing path", decompileInto("out", "./sub/mervo"),
         "Cannot start \"./sub/mervo\": no such file."},
        {"device", decompileInto("out", "/dev/null"),
         "Cannot start \"/dev/null\": \"/dev/null\" is not a program file."},
    });
    EXPECT_EQ(m_work.read("out.txt"), "earlier output\n");
    EXPECT_FALSE(fs::exists("new.txt"));
}

struct UnrunnableCase {
    const char* why;
    std::string content;  // of the program file "prog"
    bool executable;
    std::string reason;  // after "Cannot start \"prog\": "
};

// Found, but the system cannot run it: the message says what kind of file it is and what to do,
// and neither an earlier output nor the folder changes.
TEST_F(Launcher, AProgramThatCannotRunIsExplainedAndNothingChanges) {
    m_work.write("out.txt", "earlier output\n");
    m_work.write("data", "#!/bin/sh\n");  // exists, but no one may run it
    const std::string mz = std::string("MZ\x90\0\x03\0\0\0", 8) + std::string(56, '\0');
    const std::string wine =
        "\"./prog\" is a Windows program, which this system cannot run by itself. Run it through "
        "Wine: with a small wrapper script (see EXAMPLES in \"man kestrin\"), or by "
        "installing Debian's wine-binfmt package and making the file executable (chmod +x).";
    const std::vector<UnrunnableCase> cases = {
        {"the interpreter is missing", "#!/no/such/interpreter -x\necho\n", true,
         "the first line of \"./prog\" names the interpreter \"/no/such/interpreter\", which "
         "does not exist."},
        {"Windows line endings", "#!/bin/sh\r\necho started\r\n", true,
         "the first line of \"./prog\" ends in a carriage return (the file has Windows line "
         "endings), so the system looks for an interpreter called \"/bin/sh\" followed by that "
         "character. Save the file with Unix line endings."},
        {"an interpreter that cannot be run", "#! ./data\n", true,
         "the first line of \"./prog\" names the interpreter \"./data\", which cannot be run: "
         "Permission denied."},
        {"no interpreter named", "#!\necho\n", true,
         "the first line of \"./prog\" starts with \"#!\" but names no interpreter."},
        {"an interpreter name that would change the message", "#!/usr/\x1b[2J\xE2\x80\xAEnib/sh\n",
         true,
         "the first line of \"./prog\" names the interpreter \"/usr/U+001B[2JU+202Enib/sh\", "
         "which does not exist."},
        {"a script without \"#!\"", "echo started\n", true,
         "the system cannot run \"./prog\": it is neither a program for this system nor a "
         "script that begins with \"#!\"."},
        {"an empty file", "", true, "the system cannot run \"./prog\": it is empty."},
        {"a program for another system",
         std::string("\x7F"
                     "ELF\x01\x02\x03",
                     7) +
             "junk",
         true,
         "the system cannot run \"./prog\": it is a program for another kind of system, or a "
         "damaged one."},
        {"a Windows program", mz, true, wine},
        {"a Windows program without execute permission", mz, false, wine},
        {"a script without execute permission", "#!/bin/sh\n", false,
         "\"./prog\" may not be run (no execute permission)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        m_work.write("prog", c.content);
        fs::permissions("prog", c.executable ? fs::perms::owner_all
                                             : fs::perms::owner_read | fs::perms::owner_write);
        const Names before = files();
        for (const Command& command :
             {compileWith("prog"), decompileInto("out", "prog"), decompileInto("new", "prog"),
              *kestrin::backend::unpack("prog", "pack")}) {
            EXPECT_EQ(launch(command).message(), "Cannot start \"prog\": " + c.reason)
                << command.text();
        }
        EXPECT_EQ(m_work.read("out.txt"), "earlier output\n");
        EXPECT_EQ(files(), before) << "a file was left behind or kept for nothing";
    }
    EXPECT_TRUE(records().empty());
}

// The working folder comes before PATH, a folder of the backend's name is passed over, and a
// name ending in ".exe" also finds the native build without it, after the exact name.
TEST_F(Launcher, FindsTheBackendWhereTheSearchSays) {
    installStandIn(m_pathFolder.path(), "mervo.exe");
    const std::string onPath = toUtf8(fs::canonical(m_pathFolder.path() / "mervo.exe"));
    // Each step changes the folder, then a Compile of "mervo.exe" runs the file named.
    const auto run = [this](const char* why, const std::string& expected) {
        SCOPED_TRACE(why);
        ASSERT_EQ(launch(compileWith("mervo.exe")).message(), "");
        const auto found = waitForRecords(records().size() + 1);
        EXPECT_EQ(found.back().one("exe"), expected);
        EXPECT_EQ(found.back().one("name"), "mervo.exe") << "it keeps the name it was called by";
    };
    run("the working folder's own", inWork("mervo.exe"));
    fs::remove("mervo.exe");
    run("on PATH once that is gone", onPath);
    fs::create_directory("mervo.exe");
    run("a folder of that name is passed over", onPath);
    installStandIn(m_work.path(), "mervo");
    const ScopedEnvironment noPath("PATH", std::nullopt);
    run("the native build without .exe", inWork("mervo"));
    installStandIn(m_work.path(), "LOUD");
    ASSERT_EQ(launch(*kestrin::backend::unpack("LOUD.EXE", "pack")).message(), "");
    EXPECT_EQ(waitForRecords(5).back().one("exe"), inWork("LOUD"));
}

TEST_F(Launcher, ADeletedWorkingFolderStartsNothing) {
    installStandIn(m_pathFolder.path(), "mervo.exe");
    fs::create_directory("doomed");
    {
        const WorkingFolder inside(m_work.path() / "doomed");
        fs::remove(m_work.path() / "doomed");
        const std::string gone = "Cannot start \"mervo.exe\": the working folder no longer exists.";
        expectRefused({{"decompile", decompileInto("out"), gone},
                       {"compile", compileWith("mervo.exe"), gone},
                       {"unpack", *kestrin::backend::unpack("mervo.exe", "pack"), gone}});
    }
    // Found on PATH, the program would have started had the launch gone ahead.
    ASSERT_EQ(launch(compileWith("mervo.exe")).message(), "");
    EXPECT_EQ(waitForRecords(1).size(), 1u);
}

struct EndCase {
    const char* why;
    Command command;
    std::optional<std::string> failure;  // what the stand-in writes to stderr, then fails
    std::optional<std::string> signal;   // the signal it ends by
    std::optional<std::string> flood;    // megabytes it writes to stderr first
    ExitStatus status;
    std::string stderrEnd;  // how the capture's tail ends
    bool cut;
};

// What a backend writes comes through a pipe: bounded in memory whatever it writes, never on
// disk, never failing the backend, and nothing of it in the runtime folder, however that is set.
TEST_F(Launcher, EachStartTellsItsEndAndItsStderrComesThroughAPipe) {
    const TempFolder runtime;
    fs::permissions(runtime.path(), fs::perms::all);  // a runtime folder anyone may write to
    const ScopedEnvironment runtimeVariable("XDG_RUNTIME_DIR", runtime.path().string());
    const ScopedEnvironment temporary("TMPDIR", runtime.path().string());
    using Kind = ExitStatus::Kind;
    const std::vector<EndCase> cases = {
        {"decompile: stdout to its file", decompileInto("out"), std::nullopt, std::nullopt,
         std::nullopt, ExitStatus{}, "", false},
        {"a failing decompile", decompileInto("out"), "bad header\n", std::nullopt, std::nullopt,
         ExitStatus{Kind::Exited, 3}, "bad header\n", false},
        {"compile: stdout to the capture as well", compileWith("mervo.exe"), std::nullopt,
         std::nullopt, std::nullopt, ExitStatus{}, kMade, false},
        {"a failing unpack", *kestrin::backend::unpack("mervo.exe", "pack"), "no such archive\n",
         std::nullopt, std::nullopt, ExitStatus{Kind::Exited, 3}, "no such archive\n" + kMade,
         false},
        {"ended by a signal", compileWith("mervo.exe"), std::nullopt, "9", std::nullopt,
         ExitStatus{Kind::Signaled, 9}, kMade, false},
        {"200 MB on stderr", decompileInto("out"), "the last line\n", std::nullopt, "200",
         ExitStatus{Kind::Exited, 3}, "f\nthe last line\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const ScopedEnvironment failure("KESTRIN_STAND_IN_FAIL", c.failure);
        const ScopedEnvironment signal("KESTRIN_STAND_IN_SIGNAL", c.signal);
        const ScopedEnvironment flood("KESTRIN_STAND_IN_FLOOD", c.flood);
        Result<kestrin::backend::LaunchedBackend> started =
            kestrin::backend::SystemLauncher().launch(c.command, m_running);
        ASSERT_TRUE(started.ok()) << started.message();
        // As the window's event loop does: read whenever the pipe says something has come.
        pollfd pipe{static_cast<int>(started->capture.waitable()), POLLIN, 0};
        bool allRead = false;
        ASSERT_TRUE(kestrin::testing::eventually([&] {
            while (!allRead && poll(&pipe, 1, 10) > 0) {
                allRead = started->capture.drain();
            }
            return allRead && started->process.ended();
        }));
        const kestrin::platform::StderrTail tail = started->capture.tail();
        EXPECT_EQ(*started->process.ended(), c.status);
        EXPECT_TRUE(tail.text.ends_with(c.stderrEnd)) << tail.text;
        EXPECT_EQ(tail.cut, c.cut);
        EXPECT_EQ(tail.text.size(), c.cut ? kestrin::backend::kStderrBytes : c.stderrEnd.size());
    }
    EXPECT_TRUE(fs::is_empty(runtime.path()));
    EXPECT_TRUE(noChildrenRemain());
}

// A folder's author may swap the output between a file and a link to a file elsewhere while
// Decompile is pressed: whatever the timing, the start either goes ahead or is refused, and
// nothing outside is ever written.
TEST_F(Launcher, SwappingTheOutputForALinkNeverWritesOutside) {
    const TempFolder outside;
    const std::string victim = "a file elsewhere: it must never change\n";
    outside.write("victim.txt", victim);
    const fs::path work = m_work.path();
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        const fs::path next = work / ".next";
        std::error_code ignored;
        for (unsigned i = 0; !stop; ++i) {
            fs::remove(next, ignored);
            if (i % 2 == 0) {
                fs::create_symlink(outside.path() / "victim.txt", next, ignored);
            } else {
                std::ofstream(next) << "a file of the folder\n";
            }
            fs::rename(next, work / "level.txt", ignored);
        }
    });
    // Mostly as a link that leads outside; now and then a step finds the name changed under it,
    // or the backend started before still writes the file.
    const std::string refusal = "Cannot write the output to \"level.txt\": ";
    const std::string busy = kestrin::backend::stillRunning({Action::Decompile, "", "level.txt"});
    constexpr std::size_t kStarts = 300;
    std::size_t started = 0;
    std::size_t refused = 0;
    for (std::size_t i = 0; i < kStarts; ++i) {
        const Result<std::string> result = launch(decompileInto("level"));
        started += result.ok() ? 1 : 0;
        refused += result.message().starts_with(refusal) || result.message() == busy ? 1 : 0;
    }
    stop = true;
    swapper.join();
    std::cout << started << " started, " << refused << " were refused\n";
    EXPECT_EQ(started + refused, kStarts) << "a start ended in another message";
    EXPECT_EQ(waitForRecords(started).size(), started);
    EXPECT_TRUE(everyStartEndedWell());
    EXPECT_EQ(outside.read("victim.txt"), victim);
    EXPECT_EQ(contentsOf(outside.path()).size(), 1u) << "a file appeared there";
}

// The processes left to drain the stderr of backends that a launch_once started in folder.
std::vector<pid_t> drainsIn(const fs::path& folder) {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        std::error_code gone;
        std::string name;
        std::getline(std::ifstream(entry.path() / "comm"), name);
        if (name == "launch_once" && fs::read_symlink(entry.path() / "cwd", gone) == folder &&
            pid.find_first_not_of("0123456789") == std::string::npos) {
            found.push_back(std::stoi(pid));
        }
    }
    return found;
}

#if defined(__SANITIZE_ADDRESS__)
#define KESTRIN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRIN_SANITIZED 1
#endif
#endif
#ifdef KESTRIN_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct GoneCase {
    const char* why;
    int signal;     // what ends launch_once; 0 for its own exit
    bool endDrain;  // SIGTERM ends the drain before the backend has written
};

// Kestrin is gone before the backend has written anything, closed or ended by any signal it can
// catch: the backend's stderr is handed to a process that drains it, and the backend still
// finishes. The drain keeps none of Kestrin's streams, so a pipe reading Kestrin's output ends
// with Kestrin, and it ends on SIGTERM as any process does. While the backend runs, a second
// Kestrin (this process) is refused its output; once it has ended, the lock of the program that
// has long gone holds nothing back.
TEST_F(Launcher, ABackendOutlivesTheProgramThatStartedItHoweverThatEnds) {
    const ScopedEnvironment failure("KESTRIN_STAND_IN_FAIL", "written after the start\n");
    const TempFolder runtime;
    const ScopedEnvironment runtimeVariable("XDG_RUNTIME_DIR", runtime.path().string());
    rlimit noCores{0, 0};
    ASSERT_EQ(setrlimit(RLIMIT_CORE, &noCores), 0);
    const std::vector<GoneCase> cases = {
        {"closed", 0, false},        {"SIGQUIT", SIGQUIT, false}, {"SIGUSR1", SIGUSR1, false},
        {"a crash", SIGSEGV, false}, {"abort", SIGABRT, false},   {"drain ended", 0, true},
    };
    std::size_t written = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.why);
        const fs::path gate = m_logs.path() / ("gate" + std::to_string(i));
        const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
        const std::string output = "slow" + std::to_string(i);
        std::vector<std::string> args = {"mervo.exe", output};
        if (c.signal != 0) {
            args.insert(args.begin(), {"--end-by", std::to_string(c.signal)});
        }
        int streams[2];
        ASSERT_EQ(pipe2(streams, O_CLOEXEC), 0);
        const int status = runLaunchOnce(args, [&](posix_spawn_file_actions_t* actions) {
            posix_spawn_file_actions_adddup2(actions, streams[1], STDOUT_FILENO);
            posix_spawn_file_actions_adddup2(actions, streams[1], STDERR_FILENO);
        });
        close(streams[1]);
        // Under a sanitizer its own handler ends a crash, with a report and a status of its own.
        const bool sanitized = kSanitized && (c.signal == SIGSEGV || c.signal == SIGABRT);
        EXPECT_TRUE(c.signal == 0 ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                    : sanitized   ? WIFEXITED(status) || WIFSIGNALED(status)
                                  : WIFSIGNALED(status) && WTERMSIG(status) == c.signal)
            << "launch_once ended with status " << status;
        pollfd reader{streams[0], POLLIN, 0};
        char buffer[256];
        ASSERT_TRUE(kestrin::testing::eventually([&] {
            return poll(&reader, 1, 0) > 0 && read(streams[0], buffer, sizeof buffer) == 0;
        })) << "what read Kestrin's output is still waiting";
        close(streams[0]);
        const std::vector<pid_t> drains = drainsIn(m_work.path());
        ASSERT_EQ(drains.size(), 1u);
        if (i == 0) {
            EXPECT_EQ(launch(decompileInto(output)).message(),
                      kestrin::backend::stillRunning({Action::Decompile, "", output + ".txt"}));
        }
        if (c.endDrain) {
            kill(drains.front(), SIGTERM);
        }
        ASSERT_TRUE(kestrin::testing::eventually([&] {
            return c.endDrain ? drainsIn(m_work.path()).empty() : true;
        })) << "the drain outlived SIGTERM";
        std::ofstream(gate) << "open";
        if (!c.endDrain) {
            ASSERT_EQ(waitForRecords(++written).size(), written);
            EXPECT_EQ(m_work.read(output + ".txt"), kMade);
        }
        ASSERT_TRUE(kestrin::testing::eventually([&] { return drainsIn(m_work.path()).empty(); }))
            << "the drain outlived its backend";
    }
    EXPECT_TRUE(fs::is_empty(runtime.path())) << "something was left in the runtime folder";
    ASSERT_TRUE(kestrin::testing::eventually(
        [&] { return launch(decompileInto("slow0")).message().empty(); }));
}

// Started by a launcher that ignores SIGCHLD, with a low limit on open files: at its start
// Kestrin takes SIGCHLD back, so that it learns how each backend ended, and raises the limit; near
// the limit that is left it refuses a launch in words that name the limit, keeping a reserve for
// its window that shrinks with a low limit, so that backends still start.
TEST_F(Launcher, WhatKestrinInheritsCannotHideAnEndOrExhaustItsDescriptors) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(128, saved.rlim_max);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    signal(SIGCHLD, SIG_IGN);
    kestrin::platform::prepareOwnProcess();
    struct sigaction child {};
    sigaction(SIGCHLD, nullptr, &child);
    EXPECT_EQ(child.sa_handler, SIG_DFL);
    rlimit raised{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &raised), 0);
    EXPECT_EQ(raised.rlim_cur, saved.rlim_max);

    {
        const ScopedEnvironment failure("KESTRIN_STAND_IN_FAIL", "failed\n");
        ASSERT_EQ(launch(compileWith("mervo.exe")).message(), "");
        ASSERT_TRUE(
            kestrin::testing::eventually([this] { return m_started.back().process.ended(); }));
        EXPECT_EQ(*m_started.back().process.ended(), (ExitStatus{ExitStatus::Kind::Exited, 3}))
            << "collected elsewhere, its exit status lost";
        m_started.clear();
    }

    // Backends that wait at a gate hold their descriptors here until it opens.
    std::size_t records = 1;
    for (const rlim_t limit : {rlim_t{128}, rlim_t{64}}) {
        SCOPED_TRACE(limit);
        const fs::path gate = m_logs.path() / ("gate" + std::to_string(limit));
        const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
        low.rlim_cur = std::min(limit, saved.rlim_max);
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
        std::string last;
        std::size_t started = 0;
        while (started < 100 && (last = launch(compileWith("mervo.exe")).message()).empty()) {
            ++started;
        }
        EXPECT_EQ(last, kestrin::backend::nearTheDescriptorLimit("mervo.exe", low.rlim_cur));
        EXPECT_GT(started, 0u);
        const auto count = kestrin::platform::countDescriptors();
        ASSERT_TRUE(count.has_value());
        EXPECT_GE(count->limit - count->open, low.rlim_cur / 4) << "the window's reserve";
        std::ofstream(gate) << "open";
        records += started;
        EXPECT_EQ(waitForRecords(records).size(), records);
        ASSERT_TRUE(everyStartEndedWell());
        m_started.clear();  // and with them their descriptors
    }
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
}

struct BeneathCase {
    std::string path;
    int withOpenat2;  // errno, or 0 when it opens
    int byWalk;
    int inside;         // what the way to an output uses
    const char* lands;  // the folder it opens, inside the root
};

// The ways of opening a folder beneath another, on one table: the walk refuses every link to a
// folder, openat2 every link that leads out even for a moment, and the way to an output only
// those whose folder lies outside in the end.
TEST(FolderBeneath, FollowsLinksAndDotsOnlyWhileTheyStayInside) {
    const TempFolder root;
    const TempFolder outside;
    fs::create_directories(root.path() / "sub" / "deeper");
    root.write("sub/file.txt");
    fs::create_directory_symlink("sub", root.path() / "inlink");
    fs::create_directory_symlink(outside.path(), root.path() / "outlink");
    fs::create_directory_symlink(fs::path("..") / outside.path().filename(),
                                 root.path() / "uplink");
    fs::create_directory_symlink(root.path() / "sub", root.path() / "abslink");
    fs::create_directory_symlink("/proc/self/cwd", root.path() / "magic");
    const UniqueFd folder(open(root.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    ASSERT_GE(folder.get(), 0);
    const std::string rootName = root.path().filename().string();
    fs::create_directory_symlink(root.path().parent_path() / "." / rootName / "sub",
                                 root.path() / "roundabout");
    const std::vector<BeneathCase> cases = {
        {"", 0, 0, 0, "."},
        {"sub", 0, 0, 0, "sub"},
        {"./sub/./deeper", 0, 0, 0, "sub/deeper"},
        {"sub/deeper/..", 0, 0, 0, "sub"},
        {"..", EXDEV, EXDEV, EXDEV, ""},
        {"sub/../..", EXDEV, EXDEV, EXDEV, ""},
        {"inlink", 0, EXDEV, 0, "sub"},
        {"inlink/deeper", 0, EXDEV, 0, "sub/deeper"},
        {"outlink", EXDEV, EXDEV, EXDEV, ""},
        {"uplink", EXDEV, EXDEV, EXDEV, ""},
        {"abslink", EXDEV, EXDEV, 0, "sub"},     // by absolute path, inside
        {"roundabout", EXDEV, EXDEV, 0, "sub"},  // by a path that leaves and comes back
        {"../" + rootName + "/sub", EXDEV, EXDEV, 0, "sub"},
        {"magic", EXDEV, EXDEV, EXDEV, ""},
        {"sub/file.txt", ENOTDIR, ENOTDIR, ENOTDIR, ""},
        {"missing", ENOENT, ENOENT, ENOENT, ""},
    };
    using Open = int (*)(int, const std::string&);
    const std::vector<std::pair<std::string, Open>> ways = {
        {"openat2", kestrin::platform::openFolderBeneath},
        {"walk", kestrin::platform::openFolderBeneathByWalk},
        {"inside", kestrin::platform::openFolderInside}};
    for (const auto& c : cases) {
        for (const auto& [way, openBeneath] : ways) {
            SCOPED_TRACE(way + " \"" + c.path + "\"");
            errno = 0;
            const UniqueFd opened(openBeneath(folder.get(), c.path));
            const int expected = way == "walk"     ? c.byWalk
                                 : way == "inside" ? c.inside
                                                   : c.withOpenat2;
            EXPECT_EQ(opened.get() >= 0 ? 0 : errno, expected);
            struct stat got {};
            struct stat wanted {};
            if (opened.get() >= 0 && fstat(opened.get(), &got) == 0 &&
                stat((root.path() / c.lands).c_str(), &wanted) == 0) {
                EXPECT_EQ(got.st_ino, wanted.st_ino) << "opened another folder";
            }
        }
    }
}

// The per-case folders, and the words that stand for them in the tables: @OUT and @WORK for the
// outside and working folders' absolute paths, @UP for the outside folder seen from the working
// one, @FAR for a second folder outside.
class Output : public Launcher {
protected:
    Output() {
        installStandIn(m_pathFolder.path(), "mervo.exe");
        m_outside.write("victim.txt", "victim\n");
        m_far.write("far.txt", "far\n");
    }

    std::string expand(std::string text, const fs::path& work) const {
        const std::vector<std::pair<std::string, std::string>> words = {
            {"@OUT", m_outside.path().string()},
            {"@WORK", work.string()},
            {"@UP", fs::relative(m_outside.path(), work).string()},
            {"@FAR", m_far.path().string()},
            {"@NAME", work.filename().string()}};
        for (const auto& [word, value] : words) {
            for (auto at = text.find(word); at != std::string::npos; at = text.find(word)) {
                text.replace(at, word.size(), value);
            }
        }
        return text;
    }

    TempFolder m_outside;
    TempFolder m_far;
};

struct LinkCase {
    const char* why;
    std::vector<std::pair<std::string, std::string>> links;  // made in order: name -> target
    std::string output;                                      // as typed, without ".txt"
    std::string refusal;  // after "Cannot write the output to "OUTPUT": "; empty when it runs
    std::string written;  // the file that receives the output, when it runs
};

TEST_F(Output, APathTypedOrThroughALinkedFolderIsFollowedAsTheReadmeSays) {
    // The links of a folder's own files, in and out, are the corpus's (end_to_end_test.cpp);
    // here the paths a user types, and the way through a linked folder.
    const std::vector<LinkCase> cases = {
        {"a path through a linked folder",
         {{"out.d", "@OUT"}},
         "out.d/victim",
         "its path goes through a link that leads outside the working folder.",
         ""},
        {"a path through a linked folder inside",
         {{"in.d", "sub"}},
         "in.d/real",
         "",
         "sub/real.txt"},
        {"a path typed with ..", {}, "@UP/typed", "", "@OUT/typed.txt"},
        {"a path typed with .. to a link out of that folder",
         {{"@OUT/escape.txt", "@FAR/far.txt"}},
         "@UP/escape",
         "it is a link that leads outside the folder \"@UP\".",
         ""},
        {"a path typed with .. to a link inside that folder",
         {{"@OUT/inner.txt", "victim.txt"}},
         "@UP/inner",
         "",
         "@OUT/victim.txt"},
        {"an absolute path typed", {}, "@OUT/absolute", "", "@OUT/absolute.txt"},
        {"a link out and back in through ..",
         {{"updown.txt", "../@NAME/real.txt"}},
         "updown",
         "",
         "real.txt"},
        {"an absolute link through a linked folder",
         {{"@OUT/alias", "@WORK"}, {"through.txt", "@OUT/alias/real.txt"}},
         "through",
         "",
         "real.txt"},
        {"a linked folder by absolute path inside",
         {{"abs.d", "@WORK/sub"}},
         "abs.d/real",
         "",
         "sub/real.txt"},
    };
    std::size_t runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const TempFolder work(m_work.path());
        const WorkingFolder inside(work.path());
        fs::create_directory(work.path() / "sub");
        work.write("sub/real.txt", "real\n");
        work.write("real.txt", "real, at the top\n");
        for (const auto& [name, target] : c.links) {
            fs::create_symlink(expand(target, work.path()), expand(name, work.path()));
        }
        const std::string output = expand(c.output, work.path());
        const std::string written = expand(c.written, work.path());
        const std::string earlier = written.empty() ? "" : work.read(written);
        const Files workBefore = contentsOf(work.path());
        const Files outsideBefore = contentsOf(m_outside.path());

        const auto started = launch(decompileInto(output));
        if (!c.refusal.empty()) {
            EXPECT_EQ(started.message(), "Cannot write the output to \"" + output +
                                             ".txt\": " + expand(c.refusal, work.path()));
            EXPECT_EQ(contentsOf(work.path()), workBefore);
            EXPECT_EQ(contentsOf(m_outside.path()), outsideBefore);
            continue;
        }
        ASSERT_EQ(started.message(), "");
        ASSERT_EQ(waitForRecords(++runs).size(), runs);
        EXPECT_EQ(work.read(written), kMade);
        EXPECT_EQ(started->empty(), earlier.empty());
        if (!earlier.empty()) {
            EXPECT_EQ(work.read(written + "~"), earlier);
        }
        for (const auto& link : c.links) {
            EXPECT_TRUE(fs::is_symlink(expand(link.first, work.path()))) << link.first;
        }
    }
    EXPECT_EQ(m_outside.read("victim.txt~"), "victim\n") << "kept beside the link's target";
    EXPECT_EQ(m_far.read("far.txt"), "far\n");
    EXPECT_EQ(records().size(), runs) << "a refused output still started the backend";
}

TEST_F(Output, TheEarlierOutputIsKeptAndOnlyAStartReplacesIt) {
    // A backend that cannot run leaves the earlier output too: the unrunnable programs above.
    const auto cases = kestrin::testing::sharedKeepCases();
    std::size_t runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const TempFolder work(m_work.path());
        const WorkingFolder inside(work.path());
        work.lay(c.before);
        if (c.before.contains("out.txt")) {
            fs::permissions("out.txt", fs::perms(0640));
        }
        const auto started = launch(decompileInto("out", c.backend));
        EXPECT_EQ(started.message(), c.message);
        if (started) {
            EXPECT_EQ(*started, c.keptCopy);
            ASSERT_EQ(waitForRecords(++runs).size(), runs);
            // The new file has the earlier one's permission bits, or those of any new file.
            const mode_t mask = umask(0);
            umask(mask);
            const auto wanted =
                c.before.contains("out.txt") ? fs::perms(0640) : fs::perms(0666 & ~mask);
            EXPECT_EQ(fs::status("out.txt").permissions(), wanted);
        }
        EXPECT_EQ(contentsOf(work.path()), c.after);
    }
    EXPECT_EQ(records().size(), runs);
}

// Runs check in a child process that, when this one runs as root, has first become an ordinary
// user: root may search any folder. Returns what check returned, "(child failed)" if it could not.
std::string asOrdinaryUser(const std::function<std::string()>& check) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return "(no pipe)";
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const bool dropped = geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 &&
                                                setuid(65534) == 0);
        const std::string answer = dropped ? check() : "(child failed)";
        const ssize_t written = write(ends[1], answer.data(), answer.size());
        _exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 1);
    }
    close(ends[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;) {
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    close(ends[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return answer;
}

// Sets or clears an inode flag (immutable, append-only); false where the file system or the user
// cannot.
bool setFlag(const fs::path& path, int flag, bool on) {
    const UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    int flags = 0;
    return ioctl(file.get(), FS_IOC_GETFLAGS, &flags) == 0 &&
           ioctl(file.get(), FS_IOC_SETFLAGS, &(on ? flags |= flag : flags &= ~flag)) == 0;
}

// A copy is never replaced: an immutable NAME~, or as an ordinary user another user's NAME~ in a
// folder with the sticky bit (root may remove it, so that case needs root to set up and drops to
// an ordinary user), is passed over. What would make the new file's rename fail after the start
// is refused before it: a folder that is append-only, which takes new names but lets none go.
TEST_F(Output, OldCopiesAreNeverTouchedAndARenameThatWouldFailIsRefusedFirst) {
    m_work.write("out.txt", "earlier\n");
    m_work.write("out.txt~", "older\n");
    if (setFlag("out.txt~", FS_IMMUTABLE_FL, true)) {
        EXPECT_EQ(launch(decompileInto("out")).message(), "");
        EXPECT_EQ(waitForRecords(1).size(), 1u);
        setFlag("out.txt~", FS_IMMUTABLE_FL, false);
        EXPECT_EQ(m_work.read("out.txt.~1~"), "earlier\n");
        EXPECT_EQ(m_work.read("out.txt~"), "older\n");
    }
    if (setFlag(m_work.path(), FS_APPEND_FL, true)) {
        const Files before = contentsOf(m_work.path());
        EXPECT_EQ(launch(decompileInto("out")).message(),
                  "Cannot write the output to \"out.txt\": it may not be replaced: Operation not "
                  "permitted.");
        setFlag(m_work.path(), FS_APPEND_FL, false);
        EXPECT_EQ(contentsOf(m_work.path()), before);
    } else {
        std::cout << "[ skipped ] this file system, or user, makes no file immutable\n";
    }
    if (geteuid() != 0) {
        GTEST_SKIP() << "a second user's file needs root to set up";
    }
    fs::permissions(m_work.path(), fs::perms::owner_all | fs::perms::others_exec);
    fs::create_directory("shared");
    fs::permissions("shared", fs::perms::all | fs::perms::sticky_bit);
    m_work.write("shared/out.txt", "earlier\n");
    m_work.write("shared/out.txt~", "someone else's\n");
    ASSERT_EQ(chown("shared/out.txt", 65534, 65534), 0);
    ASSERT_EQ(chown("shared/out.txt~", 1234, 1234), 0);
    const std::string answer = asOrdinaryUser([] {
        auto started = kestrin::backend::SystemLauncher().launch(decompileInto("shared/out"), {});
        return started ? started->keptCopy : started.message();
    });
    EXPECT_EQ(answer, "shared/out.txt.~1~");
    EXPECT_EQ(m_work.read("shared/out.txt~"), "someone else's\n");
    EXPECT_EQ(m_work.read("shared/out.txt.~1~"), "earlier\n");
}

// A rename after the start that fails says where the new output is, and hides nothing: here a
// folder takes the output's name between the checks and the start.
TEST_F(Output, ARenameThatFailsAfterTheStartIsToldAndHidesNothing) {
    m_work.write("out.txt", "earlier\n");
    auto prepared = kestrin::backend::prepareOutput("out.txt");
    ASSERT_TRUE(prepared.ok()) << prepared.message();
    ASSERT_EQ(write(prepared->file.descriptor(), "new\n", 4), 4);
    fs::remove("out.txt");
    fs::create_directory("out.txt");
    m_work.write("out.txt/inside", "x");
    EXPECT_EQ(kestrin::backend::commitOutput(*prepared).message(),
              "The new output could not take the name \"out.txt\": Is a directory. It is in "
              "\"out.txt.new\", and \"out.txt\" is as it was.");
    Files now = contentsOf(m_work.path());
    now.erase("mervo.exe");
    EXPECT_EQ(now, (Files{{"out.txt", "<folder>"},
                          {"out.txt/inside", "x"},
                          {"out.txt.new", "new\n"},
                          {"out.txt~", "earlier\n"}}));
}

// One writer per file, within one Kestrin: a second Decompile into an output whose backend still
// runs is refused, by whatever name; once it has ended, the next one runs.
TEST_F(Output, TwoBackendsNeverWriteOneFile) {
    const fs::path gate = m_logs.path() / "gate";
    const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
    m_work.write("out.txt", "earlier\n");
    fs::create_symlink("out.txt", "alias.txt");
    ASSERT_EQ(launch(decompileInto("out")).message(), "");
    for (const char* same : {"out", "./out", "alias"}) {
        const std::string name = std::string(same) + ".txt";
        EXPECT_EQ(launch(decompileInto(same)).message(),
                  kestrin::backend::stillRunning({Action::Decompile, "", name}));
    }
    std::ofstream(gate) << "open";
    ASSERT_TRUE(everyStartEndedWell());
    EXPECT_EQ(launch(decompileInto("out")).message(), "");
    ASSERT_EQ(waitForRecords(2).size(), 2u);
    EXPECT_EQ(m_work.read("out.txt"), kMade);
    EXPECT_EQ(m_work.read("out.txt~"), "earlier\n");
    EXPECT_EQ(m_work.read("out.txt.~1~"), kMade);
    EXPECT_EQ(files(), (Names{"alias.txt", "mervo.exe", "out.txt", "out.txt~", "out.txt.~1~"}));
}

TEST_F(Output, AnUnreadableWorkingFolderIsCalledUnreadable) {
    const fs::path locked = m_work.path() / "locked";
    fs::create_directory(locked);
    const WorkingFolder inside(locked);
    fs::permissions(locked, fs::perms::none);
    const std::string answer = asOrdinaryUser([] {
        std::string messages;
        for (const Command& command : {decompileInto("level"), compileWith("mervo.exe"),
                                       *kestrin::backend::unpack("mervo.exe", "pack")}) {
            messages += kestrin::backend::SystemLauncher().launch(command, {}).message() + "\n";
        }
        return messages +
               kestrin::platform::makeDirectorySearch()->filesEndingIn(".qb").error().message();
    });
    fs::permissions(locked, fs::perms::owner_all);
    const std::string unreadable =
        "Cannot start \"mervo.exe\": the working folder is unreadable: Permission denied.\n";
    EXPECT_EQ(answer, unreadable + unreadable + unreadable + "Permission denied");
    EXPECT_TRUE(records().empty());
    EXPECT_TRUE(fs::is_empty(locked));
}

}  // namespace
