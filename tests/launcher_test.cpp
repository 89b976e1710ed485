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
#include <future>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "backend/command_lines.h"
#include "backend/reports.h"
#include "launch_cases.h"
#include "platform/launcher.h"
#include "stand_in.h"
#include "temp_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using kestrin::backend::compileLine;
using kestrin::backend::decompileLine;
using kestrin::backend::unpackLine;
using kestrin::platform::Ending;
using kestrin::platform::Result;
using kestrin::platform::Started;
using kestrin::testing::kDeadline;
using kestrin::testing::noChildrenRemain;
using kestrin::testing::Record;
using kestrin::testing::ScopedEnvironment;
using kestrin::testing::StandInLog;
using kestrin::testing::TempFolder;
using kestrin::testing::WorkingFolder;

class LauncherTest : public ::testing::Test {
protected:
    LauncherTest()
        : m_inside(m_work.path()),
          m_log(m_logs.path() / "log"),
          m_pathVariable("PATH", m_pathFolder.path().string()) {}

    static void install(const fs::path& folder, const std::string& name) {
        kestrin::testing::installStandIn(folder, name);
    }

    // Keeps what a launch that went ahead hands back, so that its process can be collected.
    Result<> launch(const std::string& line) {
        Result<Started> started = kestrin::platform::makeLauncher()->launch(line);
        if (!started) {
            return started.failure();
        }
        m_started.push_back(std::move(*started));
        return {};
    }

    // A process left uncollected would stay a zombie and be counted by a later test.
    void TearDown() override {
        kestrin::testing::eventually([this] {
            return std::all_of(m_started.begin(), m_started.end(), [](Started& started) {
                return started.process.ended().has_value();
            });
        });
    }

    // Collects every process started so far; true once each has ended with status 0.
    ::testing::AssertionResult everyStartEndedWell() {
        const auto allEnded = [this] {
            return std::all_of(m_started.begin(), m_started.end(), [](Started& started) {
                return started.process.ended().has_value();
            });
        };
        if (!kestrin::testing::eventually(allEnded)) {
            return ::testing::AssertionFailure() << "a started process never ended";
        }
        for (Started& started : m_started) {
            if (*started.process.ended() != Ending{}) {
                return ::testing::AssertionFailure()
                       << "a process " << kestrin::platform::describe(*started.process.ended());
            }
        }
        return ::testing::AssertionSuccess();
    }

    // Launches on a thread of its own, so that a launch that hangs fails the test instead. For
    // lines that must not start.
    static std::optional<Result<>> launchOrGiveUp(const std::string& line) {
        auto promise = std::make_shared<std::promise<Result<>>>();
        auto result = promise->get_future();
        std::thread([promise, line] {
            const Result<Started> started = kestrin::platform::makeLauncher()->launch(line);
            promise->set_value(started ? Result<>() : Result<>(started.failure()));
        }).detach();
        if (result.wait_for(kDeadline) != std::future_status::ready) {
            return std::nullopt;
        }
        return result.get();
    }

    std::vector<Record> records() const { return m_log.records(); }
    std::vector<Record> waitForRecords(std::size_t count) const {
        return m_log.waitForRecords(count);
    }

    std::string inWork(const std::string& name) const {
        return fs::canonical(m_work.path() / name).string();
    }

    std::set<std::string> workEntries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_work.path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempFolder m_work;
    WorkingFolder m_inside;
    TempFolder m_logs;
    TempFolder m_pathFolder;
    StandInLog m_log;
    ScopedEnvironment m_pathVariable;
    std::vector<Started> m_started;
};

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
         decompileLine("mervo", "my level", "THUG 2", "out").value(),
         {"-d", "my", "level.qb", "THUG", "2"}},
        {"tabs split names", compileLine("mervo", "a\t\tb").value(), {"-c", "a", "b.txt"}},
        {"shell syntax is plain text",
         decompileLine("mervo", "a;b $(touch x) `touch y`", "", "out").value(),
         {"-d", "a;b", "$(touch", "x)", "`touch", "y`.qb"}},
        {"no variables, wildcards or home folder",
         unpackLine("mervo", "$HOME *.qb ~"),
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
    EXPECT_EQ(workEntries(), (std::set<std::string>{"a.qb", "mervo", "out.txt"}))
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

// Started from a desktop entry or by a parent that closed them, Kestrin may have no standard
// descriptors: its output file then opens as 0, 1 or 2, which the child's own set-up overwrites.
TEST_F(LauncherTest, OutputReachesItsFileWhenKestrinHasNoStandardDescriptors) {
    install(m_work.path(), "mervo");
    m_work.write("out.txt", std::string(5000, 'o') + "\n");
    std::string program = KESTRIN_LAUNCH_ONCE;
    std::string line = decompileLine("mervo", "level", "THUG1", "out").value();
    char* argv[] = {program.data(), line.data(), nullptr};
    posix_spawn_file_actions_t closed;
    ASSERT_EQ(posix_spawn_file_actions_init(&closed), 0);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        ASSERT_EQ(posix_spawn_file_actions_addclose(&closed, fd), 0);
    }
    pid_t pid = 0;
    const int error = posix_spawn(&pid, program.c_str(), &closed, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&closed);
    ASSERT_EQ(error, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "launch_once started nothing";

    const auto found = waitForRecords(1);
    ASSERT_EQ(found.size(), 1u) << "the stand-in left no record";
    EXPECT_EQ(found[0].arguments(), (std::vector<std::string>{"-d", "level.qb", "THUG1"}));
    EXPECT_EQ(found[0].one("stdin"), "/dev/null");
    EXPECT_EQ(m_work.read("out.txt"), "stand-in output\n");
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
        {"empty backend name", decompileLine("", "level", "THUG1", "out").value(),
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

TEST_F(LauncherTest, ExecFailuresComeBackAsErrors) {
    // Executable, but neither a program nor a script with "#!": no shell is tried instead.
    m_work.write("words", "echo started\n");
    fs::permissions("words", fs::perms::owner_all);
    EXPECT_EQ(launch("cmd /c words -c level.txt").message(),
              "Cannot start \"words\": Exec format error.");
    // The output file was made for the program alone; with nothing started it goes again.
    EXPECT_EQ(launch("cmd /c words -c level.txt > new.txt").message(),
              "Cannot start \"words\": Exec format error.");
    EXPECT_FALSE(fs::exists("new.txt"));
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
        {"a failing unpack", unpackLine("mervo", "pack"), "no such archive\n", std::nullopt,
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
    EXPECT_EQ(workEntries(), (std::set<std::string>{"mervo", "out.txt"}));
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
