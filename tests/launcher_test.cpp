// SPDX-License-Identifier: MIT
// The POSIX launcher with real child processes: a copy of the stand-in backend plays the backend
// in a temporary working folder, and its log shows what each child was given.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "backend/command_lines.h"
#include "backend/reports.h"
#include "launch_cases.h"
#include "launcher_fixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using kestrin::backend::compileLine;
using kestrin::backend::decompileLine;
using kestrin::backend::unpackLine;
using kestrin::platform::Ending;
using kestrin::platform::Started;
using kestrin::testing::kDeadline;
using kestrin::testing::LauncherTest;
using kestrin::testing::noChildrenRemain;
using kestrin::testing::Record;
using kestrin::testing::ScopedEnvironment;
using kestrin::testing::StandInLog;
using kestrin::testing::TempFolder;
using kestrin::testing::WorkingFolder;

TEST_F(LauncherTest, RunsTheBackendWithItsOutputInTheFile) {
    install(m_work.path(), "mervo");
    m_work.write("out.txt", std::string(5000, 'o') + "\n");
    const auto line = decompileLine("mervo", "level", "THUG1", "out");
    ASSERT_EQ(line.message(), "");

    EXPECT_EQ(launch(*line).message(), "");
    const auto found = waitForRecords(1);
    ASSERT_EQ(found.size(), 1u) << "the stand-in left no record";
    const Record& run = found.front();
    EXPECT_EQ(run.one("exe"), inWork("mervo"));
    EXPECT_EQ(run.one("cwd"), fs::canonical(m_work.path()).string());
    EXPECT_EQ(run.one("name"), "mervo");
    EXPECT_EQ(run.arguments(), (std::vector<std::string>{"-d", "level.qb", "THUG1"}));
    EXPECT_EQ(run.one("fds"), "0 1 2");
    EXPECT_EQ(run.one("stdin"), "/dev/null");
    EXPECT_EQ(run.one("session"), "own");
    EXPECT_EQ(m_work.read("out.txt"), "stand-in output\n");
}

TEST_F(LauncherTest, TheSharedLinesGiveTheSameArgumentsAsOnWindows) {
    install(m_work.path(), "mervo.exe");
    const auto cases = kestrin::testing::sharedLaunchCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.why);
        if (c.outputFile) {
            // Longer than what the stand-in writes: ">" must truncate.
            m_work.write(*c.outputFile, std::string(5000, 'o') + "\n");
        }
        ASSERT_EQ(launch(c.line).message(), "");
        const auto found = waitForRecords(i + 1);
        ASSERT_EQ(found.size(), i + 1) << "the stand-in left no record";
        EXPECT_EQ(found[i].one("name"), "mervo.exe");
        EXPECT_EQ(found[i].arguments(), c.arguments);
        EXPECT_EQ(found[i].one("exe"), inWork("mervo.exe"));
        if (c.outputFile) {
            EXPECT_EQ(m_work.read(*c.outputFile), "stand-in output\n");
        }
    }
}

struct ArgumentCase {
    const char* why;
    std::string line;
    std::vector<std::string> expected;
};

TEST_F(LauncherTest, ArgumentsArriveAsTheLineSplitsThemWithNoShell) {
    install(m_work.path(), "mervo");
    m_work.write("a.qb");
    const std::vector<ArgumentCase> cases = {
        {"spaces split names",
         std::string("cmd /c mervo -d my level.qb THUG 2 > out.txt"),
         {"-d", "my", "level.qb", "THUG", "2"}},
        {"tabs split names", std::string("cmd /c mervo -c a\t\tb.txt"), {"-c", "a", "b.txt"}},
        {"shell syntax is plain text",
         std::string("cmd /c mervo -d a;b $(touch x) `touch y`.qb  > out.txt"),
         {"-d", "a;b", "$(touch", "x)", "`touch", "y`.qb"}},
        {"no variables, wildcards or home folder",
         unpackLine("mervo", "$HOME *.qb ~").value(),
         {"-p", "x", "$HOME", "*.qb", "~"}},
        {"non-ASCII names",
         compileLine("mervo", "\xC3\xA9t\xC3\xA9").value(),
         {"-c", "\xC3\xA9t\xC3\xA9.txt"}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].why);
        ASSERT_EQ(launch(cases[i].line).message(), "");
        const auto found = waitForRecords(i + 1);
        ASSERT_EQ(found.size(), i + 1) << "the stand-in left no record";
        EXPECT_EQ(found[i].arguments(), cases[i].expected);
    }
    // The second Decompile kept the first one's output.
    EXPECT_EQ(workEntries(), (std::set<std::string>{"a.qb", "mervo", "out.txt", "out.txt~"}))
        << "something ran a command from a file name";
}

TEST_F(LauncherTest, ManyLaunchesLeaveNoZombieAndNoStrayDescriptor) {
    install(m_work.path(), "mervo");
    const std::string line = decompileLine("mervo", "level", "THUG1", "out").value();
    constexpr std::size_t kLaunches = 200;

    // Without close-on-exec, as a careless library might leave one.
    const int leaky = open("/dev/null", O_RDONLY);
    ASSERT_GT(leaky, 2);
    std::size_t started = 0;
    for (std::size_t i = 0; i < kLaunches; ++i) {
        started += launch(line).ok() ? 1 : 0;
    }
    close(leaky);
    ASSERT_EQ(started, kLaunches);

    const auto found = waitForRecords(kLaunches);
    ASSERT_EQ(found.size(), kLaunches) << "stand-ins that reported before the deadline";
    for (std::size_t i = 0; i < found.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(found[i].one("fds"), "0 1 2");
        EXPECT_EQ(found[i].one("stdin"), "/dev/null");
    }

    EXPECT_TRUE(everyStartEndedWell());
    EXPECT_TRUE(noChildrenRemain());
}

struct StreamsCase {
    const char* why;
    std::vector<int> closed;  // Kestrin's standard descriptors closed at its start
    bool brokenError;         // standard error a pipe whose reader has gone
    bool prepared;            // launch_once --prepared: app/main.cpp's start, then a warning
};

// Started from a desktop entry or by a parent that closed them, Kestrin may have no standard
// descriptors: its output file would then open as 0, 1 or 2, which the child's own set-up
// overwrites, and the child would start with them closed. A standard error whose reader went
// away must not end Kestrin when it writes a warning, and the child gets SIGPIPE back.
TEST_F(LauncherTest, KestrinsOwnStandardStreamsDoNotReachTheBackend) {
    install(m_work.path(), "mervo");
    const std::vector<StreamsCase> cases = {
        {"all three closed", {0, 1, 2}, false, false},
        {"all three closed, prepared as Kestrin starts", {0, 1, 2}, false, true},
        {"standard error closed", {2}, false, false},
        {"standard error leads nowhere, prepared", {0, 1}, true, true},
    };
    std::string program = KESTRIN_LAUNCH_ONCE;
    std::string prepared = "--prepared";
    std::string line = decompileLine("mervo", "level", "THUG1", "out").value();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.why);
        m_work.write("out.txt", std::string(5000, 'o') + "\n");
        std::vector<char*> argv = {program.data()};
        if (c.prepared) {
            argv.push_back(prepared.data());
        }
        argv.push_back(line.data());
        argv.push_back(nullptr);
        int pipeEnds[2];
        ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
        close(pipeEnds[0]);
        posix_spawn_file_actions_t actions;
        ASSERT_EQ(posix_spawn_file_actions_init(&actions), 0);
        if (c.brokenError) {
            ASSERT_EQ(posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO), 0);
        }
        for (const int fd : c.closed) {
            ASSERT_EQ(posix_spawn_file_actions_addclose(&actions, fd), 0);
        }
        pid_t pid = 0;
        const int error =
            posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        ASSERT_EQ(error, 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "launch_once ended with status " << status << " (signal " << WTERMSIG(status) << ")";

        const auto found = waitForRecords(i + 1);
        ASSERT_EQ(found.size(), i + 1) << "the stand-in left no record";
        EXPECT_EQ(found[i].arguments(), (std::vector<std::string>{"-d", "level.qb", "THUG1"}));
        EXPECT_EQ(found[i].one("fds"), "0 1 2");
        EXPECT_EQ(found[i].one("stdin"), "/dev/null");
        EXPECT_EQ(found[i].one("sigpipe"), "default");
        EXPECT_EQ(m_work.read("out.txt"), "stand-in output\n");
        EXPECT_EQ(m_work.read("out.txt~"), std::string(5000, 'o') + "\n");
    }
}

TEST_F(LauncherTest, ReturnsWhileTheProgramStillRuns) {
    install(m_work.path(), "mervo");
    const fs::path gate = m_logs.path() / "gate";
    const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());

    ASSERT_EQ(launch("cmd /c mervo -c level.txt > out.txt").message(), "");
    // The stand-in waits for the gate before it logs anything.
    EXPECT_EQ(records().size(), 0u);
    std::ofstream(gate) << "open";
    EXPECT_EQ(waitForRecords(1).size(), 1u);
}

// A line and the launch's failure message; empty when the program must start.
struct LineCase {
    const char* why;
    std::string line;
    std::string expected;
};

TEST_F(LauncherTest, OutputThatIsNotAnOrdinaryFileIsRefused) {
    install(m_work.path(), "mervo");
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
    const std::vector<LineCase> cases = {
        {"fifo without a reader", decompileLine("mervo", "level", "", "lonely").value(),
         "Cannot write the output to \"lonely.txt\": it is not an ordinary file."},
        {"fifo with a reader", decompileLine("mervo", "level", "", "heard").value(),
         "Cannot write the output to \"heard.txt\": it is not an ordinary file."},
        {"folder", decompileLine("mervo", "level", "", "folder").value(),
         "Cannot write the output to \"folder.txt\": it is not an ordinary file."},
        {"device", "cmd /c mervo > /dev/null",
         "Cannot write the output to \"/dev/null\": it is not an ordinary file."},
        {"missing folder", decompileLine("mervo", "level", "", "missing/out").value(),
         "Cannot write the output to \"missing/out.txt\": No such file or directory."},
        {"link to a missing file", decompileLine("mervo", "level", "", "dangling").value(),
         "Cannot write the output to \"dangling.txt\": it is a link to a file that does not "
         "exist."},
        {"link into a missing folder", decompileLine("mervo", "level", "", "nowhere").value(),
         "Cannot write the output to \"nowhere.txt\": it is a link to a file that does not "
         "exist."},
        {"link to a folder", decompileLine("mervo", "level", "", "linkedfolder").value(),
         "Cannot write the output to \"linkedfolder.txt\": it is not an ordinary file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const auto result = launchOrGiveUp(c.line);
        ASSERT_TRUE(result.has_value()) << "the launch hung";
        EXPECT_EQ(result->message(), c.expected);
    }
    close(reader);
    EXPECT_TRUE(fs::is_empty("elsewhere")) << "a link was followed to create a file";

    // One good launch afterwards: its record must be the only one.
    ASSERT_EQ(launch("cmd /c mervo > out.txt").message(), "");
    EXPECT_EQ(waitForRecords(1).size(), 1u);
    EXPECT_EQ(records().size(), 1u) << "a refused line started the program";
}

TEST_F(LauncherTest, AnUnusableBackendStopsTheLaunchBeforeAnything) {
    m_work.write("out.txt", "earlier output\n");
    fs::create_directory("folder.exe");
    m_work.write("plain", "#!/bin/sh\n");
    fs::permissions("plain", fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(m_pathFolder.path() / "onpath") << "#!/bin/sh\n";
    const std::string onPath = (m_pathFolder.path() / "onpath").string();
    const std::vector<LineCase> cases = {
        {"missing", "cmd /c mervo.exe -c level.txt > out.txt",
         "Cannot start \"mervo.exe\": no such program in the working folder or on PATH."},
        {"missing, new output file", decompileLine("mervo.exe", "level", "", "new").value(),
         "Cannot start \"mervo.exe\": no such program in the working folder or on PATH."},
        // The builders refuse it; the launcher still says what it would start.
        {"empty backend name", "cmd /c  -d level.qb THUG1 > out.txt",
         "Cannot start \"-d\": no such program in the working folder or on PATH."},
        {"folder", "cmd /c folder.exe > out.txt",
         "Cannot start \"folder.exe\": \"./folder.exe\" is a folder, not a program."},
        {"not executable", "cmd /c plain > out.txt",
         "Cannot start \"plain\": \"./plain\" may not be run (no execute permission)."},
        {"not executable, on PATH", "cmd /c onpath > out.txt",
         "Cannot start \"onpath\": \"" + onPath + "\" may not be run (no execute permission)."},
        {"missing path", "cmd /c ./sub/mervo > out.txt",
         "Cannot start \"./sub/mervo\": no such file."},
        {"device", "cmd /c /dev/null > out.txt",
         "Cannot start \"/dev/null\": \"/dev/null\" is not a program file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(launch(c.line).message(), c.expected);
        EXPECT_EQ(m_work.read("out.txt"), "earlier output\n");
        EXPECT_FALSE(fs::exists("new.txt"));
    }
}

struct UnrunnableCase {
    const char* why;
    std::string content;  // of the program file "prog"
    bool executable;
    std::string reason;  // after "Cannot start \"prog\": "
};

// Found, but the system cannot run it: the message says what kind of file it is and what to do,
// and neither an earlier output nor the folder changes.
TEST_F(LauncherTest, AProgramThatCannotRunIsExplainedAndNothingChanges) {
    m_work.write("out.txt", "earlier output\n");
    m_work.write("data", "#!/bin/sh\n");  // exists, but no one may run it
    const std::string mz = std::string("MZ\x90\0\x03\0\0\0", 8) + std::string(56, '\0');
    const std::string wine =
        "\"./prog\" is a Windows program, which this system cannot run by itself. Run it through "
        "Wine: with a small wrapper script (see \"Using your own backend\" in the README), or by "
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
        const std::set<std::string> before = workEntries();
        for (const char* line : {"cmd /c prog -c level.txt", "cmd /c prog > out.txt",
                                 "cmd /c prog > new.txt", "prog -p x pack"}) {
            EXPECT_EQ(launch(line).message(), "Cannot start \"prog\": " + c.reason) << line;
        }
        EXPECT_EQ(m_work.read("out.txt"), "earlier output\n");
        EXPECT_EQ(workEntries(), before) << "a file was left behind or kept for nothing";
    }
    EXPECT_TRUE(records().empty());
}

TEST_F(LauncherTest, OutputThroughALinkToAFileReachesThatFile) {
    install(m_work.path(), "mervo");
    m_work.write("real.txt", "older and longer output\n");
    fs::create_symlink("real.txt", "linked.txt");
    ASSERT_EQ(launch(decompileLine("mervo", "level", "", "linked").value()).message(), "");
    ASSERT_EQ(waitForRecords(1).size(), 1u);
    EXPECT_EQ(m_work.read("real.txt"), "stand-in output\n");
    EXPECT_TRUE(fs::is_symlink("linked.txt"));
}

TEST_F(LauncherTest, ADeletedWorkingFolderStartsNothing) {
    install(m_pathFolder.path(), "mervo");
    fs::create_directory("doomed");
    {
        const WorkingFolder inside(m_work.path() / "doomed");
        fs::remove(m_work.path() / "doomed");
        const std::string gone = "Cannot start \"mervo\": the working folder no longer exists.";
        EXPECT_EQ(launch("cmd /c mervo -d level.qb > out.txt").message(), gone);
        EXPECT_EQ(launch("cmd /c mervo -c level.txt").message(), gone);
        EXPECT_EQ(launch("mervo -p x pack").message(), gone);
    }
    // Found on PATH, the program would have started had the launch gone ahead.
    ASSERT_EQ(launch("cmd /c mervo -c level.txt").message(), "");
    const auto found = waitForRecords(1);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(records().size(), 1u);
}

TEST_F(LauncherTest, TheWorkingFolderComesBeforePath) {
    install(m_work.path(), "mervo");
    install(m_pathFolder.path(), "mervo");
    const std::string fromPath = fs::canonical(m_pathFolder.path() / "mervo").string();
    const std::string line = "cmd /c mervo > out.txt";

    ASSERT_EQ(launch(line).message(), "");
    ASSERT_EQ(waitForRecords(1).size(), 1u);
    fs::remove("mervo");
    ASSERT_EQ(launch(line).message(), "");
    ASSERT_EQ(waitForRecords(2).size(), 2u);
    fs::create_directory("mervo");
    ASSERT_EQ(launch(line).message(), "");
    const auto found = waitForRecords(3);
    ASSERT_EQ(found.size(), 3u);

    EXPECT_EQ(found[0].one("exe"), fs::canonical(m_work.path()).string() + "/mervo");
    EXPECT_EQ(found[1].one("exe"), fromPath) << "after the working folder's copy was removed";
    EXPECT_EQ(found[2].one("exe"), fromPath) << "a folder of that name is passed over";
}

struct PathCase {
    const char* why;
    std::optional<std::string> path;
    std::string expected;  // the error; empty when the program must start
};

TEST_F(LauncherTest, PathIsSearchedEntryByEntry) {
    const TempFolder empty;
    install(m_pathFolder.path(), "mervo");
    const std::string notFound =
        "Cannot start \"mervo\": no such program in the working folder or on PATH.";
    const std::string folder = m_pathFolder.path().string();
    const std::vector<PathCase> cases = {
        {"second entry", empty.path().string() + ":" + folder, ""},
        {"empty entries do not end the search", "::" + folder + "/", ""},
        {"not on PATH", empty.path().string() + "::", notFound},
        {"empty PATH", "", notFound},
        {"no PATH", std::nullopt, notFound},
    };
    std::size_t expectedRecords = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const ScopedEnvironment path("PATH", c.path);
        EXPECT_EQ(launch("cmd /c mervo > out.txt").message(), c.expected);
        if (c.expected.empty()) {
            ++expectedRecords;
            EXPECT_EQ(waitForRecords(expectedRecords).size(), expectedRecords);
        }
    }
}

TEST_F(LauncherTest, AnExeNameAlsoFindsTheNativeBuild) {
    install(m_work.path(), "mervo");
    ASSERT_EQ(launch("cmd /c mervo.exe > out.txt").message(), "");
    ASSERT_EQ(waitForRecords(1).size(), 1u);
    install(m_work.path(), "mervo.exe");
    ASSERT_EQ(launch("cmd /c mervo.exe > out.txt").message(), "");
    ASSERT_EQ(waitForRecords(2).size(), 2u);
    install(m_work.path(), "LOUD");
    ASSERT_EQ(launch("LOUD.EXE -p x pack").message(), "");
    const auto found = waitForRecords(3);
    ASSERT_EQ(found.size(), 3u);

    EXPECT_EQ(found[0].one("exe"), inWork("mervo"));
    EXPECT_EQ(found[0].one("name"), "mervo.exe") << "the program keeps the name it was called by";
    EXPECT_EQ(found[1].one("exe"), inWork("mervo.exe")) << "the exact name comes first";
    EXPECT_EQ(found[2].one("exe"), inWork("LOUD"));
}

}  // namespace

namespace {

struct EndCase {
    const char* why;
    std::string line;
    std::optional<std::string> failure;  // what the stand-in writes to standard error, then fails
    std::optional<std::string> signal;   // the signal it ends by
    Ending ending;
    std::string words;
};

TEST_F(LauncherTest, EachStartTellsItsEndAndKeepsItsWordsOutsideTheWorkingFolder) {
    install(m_work.path(), "mervo");
    const TempFolder runtime;
    const ScopedEnvironment runtimeVariable("XDG_RUNTIME_DIR", runtime.path().string());
    const std::vector<EndCase> cases = {
        {"decompile: standard output to its file", decompileLine("mervo", "a", "", "out").value(),
         std::nullopt, std::nullopt, Ending{}, ""},
        {"a failing decompile", decompileLine("mervo", "a", "", "out").value(), "bad header\n",
         std::nullopt, Ending{Ending::Kind::Status, 3}, "bad header\n"},
        {"compile: standard output to the words as well", compileLine("mervo", "a").value(),
         std::nullopt, std::nullopt, Ending{}, "stand-in output\n"},
        {"a failing unpack", unpackLine("mervo", "pack").value(), "no such archive\n", std::nullopt,
         Ending{Ending::Kind::Status, 3}, "no such archive\nstand-in output\n"},
        {"ended by a signal", compileLine("mervo", "a").value(), std::nullopt, "9",
         Ending{Ending::Kind::Signal, 9}, "stand-in output\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const ScopedEnvironment failure("KESTRIN_STAND_IN_FAIL", c.failure);
        const ScopedEnvironment signal("KESTRIN_STAND_IN_SIGNAL", c.signal);
        Result<Started> started = kestrin::platform::makeLauncher()->launch(c.line);
        ASSERT_TRUE(started.ok()) << started.message();
        ASSERT_TRUE(started->words.exists());
        const fs::path words = started->words.path();
        EXPECT_EQ(words.parent_path(), runtime.path());
        ASSERT_TRUE(kestrin::testing::eventually([&] { return started->process.ended(); }));
        EXPECT_EQ(*started->process.ended(), c.ending);
        EXPECT_EQ(started->words.tail(kestrin::backend::kWordsBytes), c.words);
        EXPECT_EQ(started->words.tail(4),
                  c.words.substr(c.words.size() - std::min<std::size_t>(4, c.words.size())));
        started = kestrin::platform::Failure{"let go"};
        EXPECT_FALSE(fs::exists(words)) << "the words file outlived its start";
    }
    EXPECT_TRUE(fs::is_empty(runtime.path()));
    // The second Decompile replaced the first one's output, which is kept.
    EXPECT_EQ(workEntries(), (std::set<std::string>{"mervo", "out.txt", "out.txt~"}));
    EXPECT_TRUE(noChildrenRemain());
}

TEST(Ending, IsDescribedInWords) {
    struct Case {
        Ending ending;
        std::string words;
        bool failed;
    };
    const std::vector<Case> cases = {
        {Ending{}, "ended with status 0", false},
        {Ending{Ending::Kind::Status, 3}, "ended with status 3", true},
        {Ending{Ending::Kind::Signal, 9}, "was ended by signal 9 (SIGKILL)", true},
        {Ending{Ending::Kind::Signal, 11}, "was ended by signal 11 (SIGSEGV)", true},
        {Ending{Ending::Kind::Unknown, 0}, "ended, with a status Kestrin could not learn", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kestrin::platform::describe(c.ending), c.words);
        EXPECT_EQ(c.ending.failed(), c.failed) << c.words;
    }
}

}  // namespace
