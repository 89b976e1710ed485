// SPDX-License-Identifier: MIT
// The system's launcher on Windows with real child processes under the real cmd.exe: the stand-in
// plays the backend in a temporary working folder, and its log shows what it was given.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "backend/command.h"
#include "backend/launch.h"
#include "backend/texts.h"
#include "launch_cases.h"
#include "platform/output_file.h"
#include "platform/wide_text_windows.h"
#include "stand_in.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using kestrin::Result;
using kestrin::backend::Command;
using kestrin::backend::LaunchedBackend;
using kestrin::platform::ExitStatus;
using kestrin::testing::eventually;
using kestrin::testing::fromUtf8;
using kestrin::testing::installStandIn;
using kestrin::testing::Record;
using kestrin::testing::ScopedEnvironment;
using kestrin::testing::StandInLog;
using kestrin::testing::TempFolder;
using kestrin::testing::toUtf8;
using kestrin::testing::WorkingFolder;

class WindowsLauncherTest : public ::testing::Test, public kestrin::testing::StandInFolder {
protected:
    // Whether the record was written by the program file at path.
    static bool ranFrom(const Record& record, const fs::path& path) {
        std::error_code failed;
        return fs::equivalent(fromUtf8(record.one("exe")), path, failed);
    }
};

Command decompileInto(const std::string& output, const std::string& backend = "mervo.exe") {
    return *kestrin::backend::decompile(backend, "level", "", output);
}

// A command the builders would refuse or never build, written out.
Command written(const std::string& program, std::vector<std::string> arguments,
                std::optional<std::string> output = std::nullopt, bool interpreted = true) {
    return {program, std::move(arguments), std::move(output), interpreted};
}

TEST_F(WindowsLauncherTest, TheSharedLinesGiveTheSameArgumentsAsOnLinux) {
    const auto cases = kestrin::testing::sharedLaunchCases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.why);
        if (c.outputFile) {
            // Longer than what the stand-in writes: ">" must truncate.
            m_work.write(*c.outputFile, std::string(5000, 'o') + "\n");
        }
        // The lock of the case before goes with the last process that held it, which under wine
        // may be a moment after cmd.exe has ended.
        std::string refused;
        ASSERT_TRUE(eventually([&] { return (refused = launch(c.command).message()).empty(); }))
            << refused;
        const auto found = waitForRecords(i + 1);
        ASSERT_EQ(found.size(), i + 1) << "the stand-in left no record";
        EXPECT_EQ(found[i].one("name"), "mervo.exe");
        EXPECT_EQ(found[i].arguments(), c.arguments);
        EXPECT_TRUE(ranFrom(found[i], m_work.path() / "mervo.exe")) << found[i].one("exe");
        EXPECT_TRUE(fs::equivalent(fromUtf8(found[i].one("cwd")), m_work.path()))
            << found[i].one("cwd");
        if (c.outputFile) {
            // cmd.exe may still be closing the file; the content is complete once it matches.
            eventually([&] { return m_work.read(*c.outputFile) == "stand-in output\n"; });
            EXPECT_EQ(m_work.read(*c.outputFile), "stand-in output\n");
        }
    }
}

TEST_F(WindowsLauncherTest, TheProgramStartsMinimizedWithTheShowFlag) {
    // Without the interpreter the stand-in is the process the launcher starts.
    ASSERT_EQ(launch(*kestrin::backend::unpack("mervo.exe", "pack")).message(), "");
    const auto found = waitForRecords(1);
    ASSERT_EQ(found.size(), 1u);
    const unsigned long flags = std::stoul(found[0].one("startup_flags"));
    EXPECT_EQ(flags & STARTF_USESHOWWINDOW, static_cast<unsigned long>(STARTF_USESHOWWINDOW))
        << "dwFlags " << flags;
    EXPECT_EQ(flags & STARTF_USESTDHANDLES, static_cast<unsigned long>(STARTF_USESTDHANDLES))
        << "its stderr goes to the capture, not to the console";
    EXPECT_EQ(found[0].one("show_window"), std::to_string(SW_SHOWMINIMIZED));
}

struct EndCase {
    const char* why;
    Command command;
    std::optional<std::string> failure;  // what the stand-in writes to stderr, then fails
    ExitStatus status;
    std::string stderrTail;
};

TEST_F(WindowsLauncherTest, EachStartTellsItsEndAndItsStderrComesThroughAPipe) {
    const ExitStatus failed{ExitStatus::Kind::Exited, 3};
    const std::vector<EndCase> cases = {
        {"decompile: cmd.exe ends with the backend's exit status", decompileInto("out"),
         "bad header\r\n", failed, "bad header\r\n"},
        {"decompile that succeeds", decompileInto("out"), std::nullopt, ExitStatus{}, ""},
        {"compile: stdout to the capture as well", *kestrin::backend::compile("mervo.exe", "a"),
         std::nullopt, ExitStatus{}, "stand-in output\n"},
        {"a failing unpack, without the interpreter",
         *kestrin::backend::unpack("mervo.exe", "pack"), "no such archive\n", failed,
         "no such archive\nstand-in output\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const ScopedEnvironment failure("KESTRIN_STAND_IN_FAIL", c.failure);
        Result<LaunchedBackend> started =
            kestrin::backend::SystemLauncher().launch(c.command, m_running);
        ASSERT_TRUE(started.ok()) << started.message();
        // As the window's event loop does: read whenever the pipe's event is signalled.
        const auto event = reinterpret_cast<HANDLE>(started->capture.waitable());
        bool allRead = false;
        ASSERT_TRUE(eventually([&] {
            while (!allRead && WaitForSingleObject(event, 10) == WAIT_OBJECT_0) {
                allRead = started->capture.drain();
            }
            return allRead && started->process.ended();
        }));
        EXPECT_EQ(*started->process.ended(), c.status);
        EXPECT_EQ(started->capture.tail().text, c.stderrTail);
    }
    EXPECT_EQ(m_work.read("out.txt"), "stand-in output\n");
}

// One writer per file, by what the names lead to: Windows file names ignore case, so "LEVEL" is
// "Level" while the backend still writes it. The lock is held by cmd.exe and the backend, so it
// holds for any other launcher too, and goes with them.
TEST_F(WindowsLauncherTest, OneFileHasOneWriterWhateverItsCase) {
    const fs::path gate = m_logs.path() / "gate";
    const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", toUtf8(gate));
    Result<LaunchedBackend> first =
        kestrin::backend::SystemLauncher().launch(decompileInto("Level"), m_running);
    ASSERT_TRUE(first.ok()) << first.message();
    for (const std::string& same :
         {std::string("LEVEL"), std::string(".\\level"), toUtf8(m_work.path() / "level")}) {
        EXPECT_EQ(
            kestrin::backend::SystemLauncher().launch(decompileInto(same), m_running).message(),
            kestrin::backend::stillRunning(
                {kestrin::backend::Action::Decompile, "", same + ".txt"}));
    }
    std::ofstream(gate) << "open";
    ASSERT_TRUE(eventually([&] { return first->process.ended(); }));
    ASSERT_TRUE(eventually([&] {
        return kestrin::backend::SystemLauncher().launch(decompileInto("LEVEL"), {}).ok();
    }));
}

struct BackendCase {
    const char* why;
    Command command;
    std::string expected;
};

TEST_F(WindowsLauncherTest, AnUnusableBackendStopsTheLaunchBeforeAnything) {
    m_work.write("out.txt", "earlier output\n");
    fs::create_directory("folder.exe");
    m_work.write("plain", "not a program");
    m_work.write("tool.bat", "@echo off\n");
    m_work.write("bad.exe", "not a program");
    const std::string missing =
        "Cannot start \"mervo.exe\": no such program in the working folder or on PATH.";
    const std::vector<BackendCase> cases = {
        {"missing", written("mervo.exe", {"-c", "level.txt"}, "out.txt"), missing},
        {"missing, new output file", decompileInto("new"), missing},
        {"missing, unpack", *kestrin::backend::unpack("mervo.exe", "pack"), missing},
        // The builders refuse it; the launcher still says what it would start.
        {"empty backend name", written("", {"-d", "level.qb", "THUG1"}, "out.txt"),
         "Cannot start \"-d\": no such program in the working folder or on PATH."},
        {"folder", written("folder.exe", {}, "out.txt"),
         "Cannot start \"folder.exe\": \".\\folder.exe\" is a folder, not a program."},
        {"a file without an ending is not run", written("plain", {}, "out.txt"),
         "Cannot start \"plain\": \".\\plain\" is not a program file."},
        {"missing path", written(".\\sub\\mervo.exe", {}, "out.txt"),
         "Cannot start \".\\sub\\mervo.exe\": no such file."},
        // Wine's words for ERROR_BAD_EXE_FORMAT are "Bad EXE format for %1.".
        {"a file that is no program", *kestrin::backend::unpack("bad.exe", "pack"),
         "Cannot start \"bad.exe\": it is not a program Windows can run (not a Windows program, "
         "or a damaged one)."},
        {"a batch file only runs through the interpreter",
         *kestrin::backend::unpack("tool.bat", "a&b"),
         "Cannot start \"tool.bat\": \".\\tool.bat\" is a batch file, which only the command "
         "interpreter runs."},
    };
    fs::remove("mervo.exe");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(launch(c.command).message(), c.expected);
        EXPECT_EQ(m_work.read("out.txt"), "earlier output\n");
        EXPECT_FALSE(fs::exists("new.txt"));
    }
}

TEST_F(WindowsLauncherTest, TheWorkingFolderComesBeforePathAndEndingsAreAdded) {
    installStandIn(m_pathFolder.path(), "mervo.exe");
    const fs::path inWork = m_work.path() / "mervo.exe";
    const fs::path onPath = m_pathFolder.path() / "mervo.exe";
    const std::vector<Command> lines = {*kestrin::backend::compile("mervo", "level"),
                                        *kestrin::backend::unpack("mervo", "pack")};

    for (const auto& line : lines) {
        ASSERT_EQ(launch(line).message(), "") << line.text();
    }
    ASSERT_EQ(waitForRecords(2).size(), 2u);
    // A program file cannot be removed while it runs, and the stand-ins may not have ended yet.
    ASSERT_TRUE(eventually([&] {
        std::error_code running;
        return fs::remove(inWork, running);
    }));
    for (const auto& line : lines) {
        ASSERT_EQ(launch(line).message(), "") << line.text();
    }
    ASSERT_EQ(waitForRecords(4).size(), 4u);
    // Only on a line without the interpreter: wine's cmd.exe stops at a folder of the program's
    // name instead of passing it over, and so would run nothing here.
    fs::create_directory(inWork);
    ASSERT_EQ(launch(*kestrin::backend::unpack("mervo.exe", "pack")).message(), "");
    const auto found = waitForRecords(5);
    ASSERT_EQ(found.size(), 5u);

    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(lines[i % 2].text());
        EXPECT_TRUE(ranFrom(found[i], i < 2 ? inWork : onPath)) << found[i].one("exe");
        // The program keeps the name it was called by, without the ending that found it.
        EXPECT_EQ(found[i].one("name"), "mervo");
    }
    EXPECT_TRUE(ranFrom(found[4], onPath)) << "a folder of that name is passed over";
}

struct SearchCase {
    const char* why;
    const char* variable;  // PATH or PATHEXT
    std::optional<std::string> value;
    std::string expected;    // the error; empty when the program must start
    bool alsoInInterpreter;  // wine's cmd.exe finds the program there too
};

// PATH entry by entry, and the endings PATHEXT names, with "mervo.com" on PATH alone.
TEST_F(WindowsLauncherTest, PathIsSearchedEntryByEntryWithTheEndingsOfPathext) {
    const TempFolder empty;
    fs::remove("mervo.exe");
    installStandIn(m_pathFolder.path(), "mervo.com");
    const std::string notFound =
        "Cannot start \"mervo\": no such program in the working folder or on PATH.";
    const std::string folder = toUtf8(m_pathFolder.path());
    const std::string nowhere = toUtf8(empty.path());
    // Wine's cmd.exe gives up at an empty entry and keeps a quoted entry's quotes, so those
    // entries are tried on a line that runs without it.
    const std::vector<SearchCase> cases = {
        {"second entry", "PATH", nowhere + ";" + folder, "", true},
        {"a closing backslash", "PATH", folder + "\\", "", true},
        {"empty entries", "PATH", ";;" + folder + ";", "", false},
        {"a quoted entry", "PATH", nowhere + ";\"" + folder + "\"", "", false},
        {"not on PATH", "PATH", nowhere + ";;", notFound, true},
        {"empty PATH", "PATH", "", notFound, true},
        {"no PATH", "PATH", std::nullopt, notFound, true},
        {"the .COM ending is in PATHEXT", "PATHEXT", ".EXE;.COM", "", false},
        {"and only then", "PATHEXT", ".EXE;.BAT", notFound, false},
    };
    std::size_t expectedRecords = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const ScopedEnvironment variable(c.variable, c.value);
        std::vector<Command> lines = {*kestrin::backend::unpack("mervo", "pack")};
        if (c.alsoInInterpreter) {
            lines.push_back(*kestrin::backend::compile("mervo", "level"));
        }
        for (const auto& line : lines) {
            EXPECT_EQ(launch(line).message(), c.expected) << line.text();
            if (c.expected.empty()) {
                ++expectedRecords;
                EXPECT_EQ(waitForRecords(expectedRecords).size(), expectedRecords) << line.text();
            }
        }
    }
}

// cmd.exe empties the output itself when it runs the line, so the earlier content is copied
// aside before the start; a start that fails leaves no copy. A file with other names is moved
// aside instead, so that cmd.exe makes a new one and writes through none of them.
TEST_F(WindowsLauncherTest, TheEarlierOutputIsKeptAsACopy) {
    installStandIn(m_pathFolder.path(), "mervo.exe");
    const std::string made = "stand-in output\n";
    const auto cases = kestrin::testing::sharedKeepCases();
    std::size_t runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const TempFolder work(m_work.path());
        const WorkingFolder inside(work.path());
        work.lay(c.before);
        const auto started = launch(decompileInto("out", c.backend));
        EXPECT_EQ(started.message(), c.message);
        if (started) {
            EXPECT_EQ(*started, c.keptCopy);
            ASSERT_EQ(waitForRecords(++runs).size(), runs);
            eventually([&] { return work.read("out.txt") == made; });
        }
        EXPECT_EQ(kestrin::testing::contentsOf(work.path()), c.after);
    }
    const TempFolder outside;
    outside.write("victim.txt", "a file elsewhere\n");
    ASSERT_TRUE(CreateHardLinkW((m_work.path() / "linked.txt").wstring().c_str(),
                                (outside.path() / "victim.txt").wstring().c_str(), nullptr));
    ASSERT_EQ(launch(decompileInto("linked")).message(), "");
    ASSERT_EQ(waitForRecords(++runs).size(), runs);
    eventually([&] { return m_work.read("linked.txt") == made; });
    EXPECT_EQ(m_work.read("linked.txt"), made);
    EXPECT_EQ(m_work.read("linked.txt~"), "a file elsewhere\n");
    EXPECT_EQ(outside.read("victim.txt"), "a file elsewhere\n") << "written through a hard link";
}

// Under wine, CreateSymbolicLinkW reports success and makes nothing; wine starts Unix programs,
// so ln makes the link (to an existing file or folder: that is how it shows). On Windows itself the
// call needs developer mode or the privilege.
bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string unixPath(const fs::path& path) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    const FARPROC found =
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(found));
    char* name = toUnix == nullptr ? nullptr : toUnix(path.wstring().c_str());
    const std::string converted = name == nullptr ? "" : name;
    if (name != nullptr) {
        HeapFree(GetProcessHeap(), 0, name);
    }
    return converted;
}

// Runs a Unix program under wine, with its arguments; true once done says it is done. Wine's
// handle of a Unix process cannot be waited for.
template <typename Done>
bool runUnix(const wchar_t* program, const std::wstring& arguments, Done done) {
    std::wstring line = L"unix " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return eventually(done);
}

// A symbolic link at path to target (an absolute path, or relative with "/"), removed again
// when this goes. Wine's own removal would delete the file a link leads to instead of the link,
// so there rm removes it.
class Link {
public:
    Link(const std::string& target, fs::path path, bool folder) : m_path(std::move(path)) {
        const auto exists = [this] {
            return GetFileAttributesW(m_path.wstring().c_str()) != INVALID_FILE_ATTRIBUTES;
        };
        if (!underWine()) {
            const DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                                SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
            made = CreateSymbolicLinkW(m_path.wstring().c_str(), fromUtf8(target).wstring().c_str(),
                                       flags) != 0;
            return;
        }
        made =
            runUnix(L"Z:\\bin\\ln",
                    L"-s \"" + fromUtf8(target).wstring() + L"\" \"" + unixName() + L"\"", exists);
    }
    ~Link() {
        if (!made) {
            return;
        }
        if (!underWine()) {
            std::error_code ignored;
            fs::remove(m_path, ignored);
            return;
        }
        runUnix(L"Z:\\bin\\rm", L"-f \"" + unixName() + L"\"", [this] {
            return GetFileAttributesW(m_path.wstring().c_str()) == INVALID_FILE_ATTRIBUTES;
        });
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    bool made = false;

private:
    std::wstring unixName() const { return fromUtf8(unixPath(fs::absolute(m_path))).wstring(); }
    fs::path m_path;
};

struct LinkCase {
    const char* why;
    std::string link;    // made in the working folder
    std::string target;  // @OUT: the outside folder (absolute), @UP: the same seen from inside
    bool folder;
    std::string output;
    std::string refusal;  // after "Cannot write the output to "OUTPUT": "; empty when it runs
    std::string written;  // relative to the working folder, when it runs
};

// The same rule as on Linux, checked before cmd.exe opens the file: a link is followed only to a
// file inside the working folder.
TEST_F(WindowsLauncherTest, ALinkIsFollowedOnlyToAFileInsideTheFolder) {
    installStandIn(m_pathFolder.path(), "mervo.exe");
    const TempFolder outside;
    outside.write("victim.txt", "victim\n");
    const std::string outsideFolder =
        underWine() ? unixPath(outside.path()) : toUtf8(outside.path());
    const std::string leads = "it is a link that leads outside the working folder.";
    const std::vector<LinkCase> cases = {
        {"an absolute link outside", "level.txt", "@OUT/victim.txt", false, "level.txt", leads, ""},
        {"a relative link outside", "level.txt", "@UP/victim.txt", false, "level.txt", leads, ""},
        {"a path through a linked folder", "out.d", "@OUT", true, "out.d\\victim.txt",
         "its path goes through a link that leads outside the working folder.", ""},
        {"a relative link inside", "level.txt", "inside.txt", false, "level.txt", "", "inside.txt"},
        {"a linked folder inside", "in.d", "sub", true, "in.d\\real.txt", "", "sub\\real.txt"},
    };
    std::size_t runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const TempFolder work(m_work.path());
        const WorkingFolder inside(work.path());
        work.write("inside.txt", "inside\n");
        fs::create_directory(work.path() / "sub");
        work.write("sub\\real.txt", "real\n");
        std::string target = c.target;
        if (target.starts_with("@OUT")) {
            target.replace(0, 4, outsideFolder);
        } else if (target.starts_with("@UP")) {
            target.replace(0, 3, fs::relative(outside.path(), work.path()).generic_string());
        }
        const Link link(target, work.path() / fromUtf8(c.link), c.folder);
        if (!link.made) {
            GTEST_SKIP() << "no symbolic link can be made here";
        }
        const auto started = launch(written("mervo.exe", {"-d", "level.qb"}, c.output));
        if (!c.refusal.empty()) {
            EXPECT_EQ(started.message(),
                      "Cannot write the output to \"" + c.output + "\": " + c.refusal);
            continue;
        }
        ASSERT_EQ(started.message(), "");
        ASSERT_EQ(waitForRecords(++runs).size(), runs);
        eventually([&] { return work.read(c.written) == "stand-in output\n"; });
        EXPECT_EQ(work.read(c.written), "stand-in output\n");
    }
    EXPECT_EQ(outside.read("victim.txt"), "victim\n");
    EXPECT_EQ(records().size(), runs) << "a refused output still started the backend";
}

// Only a name that is not there is a new output: any other failure to look at it is told.
TEST_F(WindowsLauncherTest, AnOutputThatCannotBeLookedAtIsNoNewFile) {
    using kestrin::platform::OutputPathError;
    EXPECT_FALSE(kestrin::platform::findOutput("new.txt")->exists);
    const auto wildcard = kestrin::platform::findOutput("out?.txt");
    ASSERT_FALSE(wildcard.ok());
    EXPECT_EQ(wildcard.error().kind, OutputPathError::Kind::System);
    EXPECT_EQ(wildcard.error().code, kestrin::platform::windowsError(ERROR_INVALID_NAME));
}

// No system error reaches the user with an insert the system leaves unfilled ("%1").
TEST(WindowsMessages, NoSystemErrorShowsARawInsert) {
    std::size_t withInserts = 0;
    for (unsigned long code = 1; code < 16000; ++code) {
        wchar_t raw[512] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       raw, 512, nullptr);
        withInserts += std::wstring_view(raw).find(L"%1") != std::wstring_view::npos ? 1 : 0;
        const std::string reason =
            kestrin::backend::reasonFor(kestrin::platform::windowsError(code));
        for (std::size_t at = reason.find('%'); at != std::string::npos;
             at = reason.find('%', at + 1)) {
            EXPECT_FALSE(at + 1 < reason.size() &&
                         std::isdigit(static_cast<unsigned char>(reason[at + 1])))
                << code << ": " << reason;
        }
    }
    EXPECT_GT(withInserts, 10u) << "the system's messages hold no inserts to leave out";
}

// One Unpack per archive, as Windows tells files apart: an existing archive by its final path,
// a missing one by its full path without regard to case, trailing dots and blanks.
TEST_F(WindowsLauncherTest, OneUnpackPerArchiveWhateverItsSpelling) {
    m_work.write("pack.kpk");
    fs::create_directory("sub");
    const fs::path gate = m_logs.path() / "gate";
    const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", toUtf8(gate));
    for (const std::string archive : {"pack.kpk", "gone.kpk"}) {
        Result<LaunchedBackend> first = kestrin::backend::SystemLauncher().launch(
            *kestrin::backend::unpack("mervo.exe", archive), m_running);
        ASSERT_TRUE(first.ok()) << first.message();
        m_running.started({kestrin::backend::Action::Unpack, "mervo.exe", archive}, first->claim,
                          "");
    }
    const std::vector<std::pair<std::string, std::string>> same = {
        {"PACK.KPK", "pack.kpk"},          {"pack.kpk.", "pack.kpk"},
        {"sub\\..\\pack.kpk", "pack.kpk"}, {toUtf8(m_work.path() / "Pack.kpk"), "pack.kpk"},
        {"Gone.KPK. ", "gone.kpk"},        {".\\gone.kpk..", "gone.kpk"},
    };
    for (const auto& [archive, running] : same) {
        EXPECT_EQ(launch(*kestrin::backend::unpack("mervo.exe", archive)).message(),
                  kestrin::backend::stillRunning(
                      {kestrin::backend::Action::Unpack, "mervo.exe", running}))
            << archive;
    }
    EXPECT_EQ(launch(*kestrin::backend::unpack("mervo.exe", "sub\\pack.kpk")).message(), "");
    std::ofstream(gate) << "open";
    EXPECT_EQ(waitForRecords(3).size(), 3u);
}

// The demo backend reads its arguments in UTF-16: a name the code page holds, as Kestrin passes
// it, and one it does not, in a line written out (Kestrin refuses it for an ANSI backend's sake).
TEST_F(WindowsLauncherTest, TheDemoBackendTakesNamesBeyondTheCodePage) {
    fs::copy_file(fromUtf8(KESTRIN_DEMO_BACKEND), "mervo.exe",
                  fs::copy_options::overwrite_existing);
    const std::string cafe = "caf\xC3\xA9";
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC";
    for (const auto& name : {cafe, japanese}) {
        fs::copy_file(fromUtf8(std::string(KESTRIN_DEMO_FOLDER) + "/intro.qb"),
                      fromUtf8(name + ".qb"));
    }
    ASSERT_EQ(launch(*kestrin::backend::decompile("mervo.exe", cafe, "", cafe)).message(), "");
    ASSERT_EQ(launch(written("mervo.exe", {"-d", japanese + ".qb"}, japanese + ".txt")).message(),
              "");
    ASSERT_TRUE(everyStartEndedWell());
    for (const auto& name : {cafe, japanese}) {
        EXPECT_TRUE(m_work.read(name + ".txt").starts_with("# Kestrin demo script")) << name;
    }
}

}  // namespace
