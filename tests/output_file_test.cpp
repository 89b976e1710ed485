// SPDX-License-Identifier: MIT
// A Decompile's output on POSIX systems, with real launches of the stand-in backend: links on
// the output's way are followed only while they stay inside, the earlier output is kept as
// NAME~, and a start that fails changes nothing.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "launcher_fixture.h"
#include "platform/descriptor_posix.h"
#include "platform/folder_beneath_posix.h"
#include "platform/launch_messages.h"
#include "platform/matching_names.h"

namespace {

namespace fs = std::filesystem;
using kestrin::platform::Descriptor;
using kestrin::testing::contentsOf;
using kestrin::testing::LauncherTest;
using kestrin::testing::TempFolder;
using kestrin::testing::WorkingFolder;
using Files = std::map<std::string, std::string>;

struct BeneathCase {
    const char* path;
    int withOpenat2;  // errno, or 0 when it opens
    int byWalk;
    const char* lands;  // the folder it opens, inside the root
};

// Both ways of opening a folder beneath another, on one table: the walk refuses every link to a
// folder, openat2 only those that lead out.
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
    const Descriptor folder(open(root.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    ASSERT_GE(folder.get(), 0);
    const std::vector<BeneathCase> cases = {
        {"", 0, 0, "."},
        {"sub", 0, 0, "sub"},
        {"./sub/./deeper", 0, 0, "sub/deeper"},
        {"sub/deeper/..", 0, 0, "sub"},
        {"..", EXDEV, EXDEV, ""},
        {"sub/../..", EXDEV, EXDEV, ""},
        {"inlink", 0, EXDEV, "sub"},
        {"inlink/deeper", 0, EXDEV, "sub/deeper"},
        {"outlink", EXDEV, EXDEV, ""},
        {"uplink", EXDEV, EXDEV, ""},
        {"abslink", EXDEV, EXDEV, ""},  // by absolute path, even though it stays inside
        {"magic", EXDEV, EXDEV, ""},
        {"sub/file.txt", ENOTDIR, ENOTDIR, ""},
        {"missing", ENOENT, ENOENT, ""},
    };
    using Open = int (*)(int, const std::string&);
    const std::vector<std::pair<const char*, Open>> ways = {
        {"openat2", kestrin::platform::openFolderBeneath},
        {"walk", kestrin::platform::openFolderBeneathByWalk}};
    for (const auto& c : cases) {
        for (const auto& [way, openBeneath] : ways) {
            SCOPED_TRACE(std::string(way) + " \"" + c.path + "\"");
            errno = 0;
            const Descriptor opened(openBeneath(folder.get(), c.path));
            const int expected = std::string(way) == "walk" ? c.byWalk : c.withOpenat2;
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
class OutputTest : public LauncherTest {
protected:
    OutputTest() {
        install(m_pathFolder.path(), "mervo");
        m_outside.write("victim.txt", "victim\n");
        m_far.write("far.txt", "far\n");
    }

    std::string expand(std::string text, const fs::path& work) const {
        const std::vector<std::pair<std::string, std::string>> words = {
            {"@OUT", m_outside.path().string()},
            {"@WORK", work.string()},
            {"@UP", fs::relative(m_outside.path(), work).string()},
            {"@FAR", m_far.path().string()}};
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
    std::string output;                                      // as the line names it
    std::string refusal;  // after "Cannot write the output to "OUTPUT": "; empty when it runs
    std::string written;  // the file that receives the output, when it runs
};

TEST_F(OutputTest, APathTypedOrThroughALinkedFolderIsFollowedAsTheReadmeSays) {
    // The links of a folder's own files, in and out, are the corpus's (end_to_end_test.cpp);
    // here the paths a user types, and the way through a linked folder.
    const std::vector<LinkCase> cases = {
        {"a path through a linked folder",
         {{"out.d", "@OUT"}},
         "out.d/victim.txt",
         "its path goes through a link that leads outside the working folder.",
         ""},
        {"a path through a linked folder inside",
         {{"in.d", "sub"}},
         "in.d/real.txt",
         "",
         "sub/real.txt"},
        {"a path typed with ..", {}, "@UP/typed.txt", "", "@OUT/typed.txt"},
        {"a path typed with .. to a link out of that folder",
         {{"@OUT/escape.txt", "@FAR/far.txt"}},
         "@UP/escape.txt",
         "it is a link that leads outside the folder \"@UP\".",
         ""},
        {"a path typed with .. to a link inside that folder",
         {{"@OUT/inner.txt", "victim.txt"}},
         "@UP/inner.txt",
         "",
         "@OUT/victim.txt"},
        {"an absolute path typed", {}, "@OUT/absolute.txt", "", "@OUT/absolute.txt"},
    };
    std::size_t runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const TempFolder work(m_work.path());
        const WorkingFolder inside(work.path());
        work.write("inside.txt", "inside\n");
        fs::create_directory(work.path() / "sub");
        work.write("sub/real.txt", "real\n");
        for (const auto& [name, target] : c.links) {
            fs::create_symlink(expand(target, work.path()), expand(name, work.path()));
        }
        const std::string output = expand(c.output, work.path());
        const std::string written = expand(c.written, work.path());
        const std::string earlier = written.empty() ? "" : work.read(written);
        const Files workBefore = contentsOf(work.path());
        const Files outsideBefore = contentsOf(m_outside.path());

        const auto started = launch("cmd /c mervo -d level.qb > " + output);
        if (!c.refusal.empty()) {
            EXPECT_EQ(started.message(), "Cannot write the output to \"" + output +
                                             "\": " + expand(c.refusal, work.path()));
            EXPECT_EQ(contentsOf(work.path()), workBefore);
            EXPECT_EQ(contentsOf(m_outside.path()), outsideBefore);
            continue;
        }
        ASSERT_EQ(started.message(), "");
        ASSERT_EQ(waitForRecords(++runs).size(), runs);
        EXPECT_EQ(work.read(written), "stand-in output\n");
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

struct KeepCase {
    const char* why;
    Files before;  // the working folder's files, "<folder>" for a folder
    std::string line;
    std::string message;   // empty when it starts
    std::string keptCopy;  // as the launch reports it
    Files after;           // every entry afterwards, hidden ones too
};

TEST_F(OutputTest, TheEarlierOutputIsKeptAndOnlyAStartReplacesIt) {
    const std::string line = "cmd /c mervo -d level.qb > out.txt";
    const std::string made = "stand-in output\n";
    const std::vector<KeepCase> cases = {
        {"no earlier output", {}, line, "", "", {{"out.txt", made}}},
        {"the earlier text is kept",
         {{"out.txt", "earlier\n"}},
         line,
         "",
         "out.txt~",
         {{"out.txt", made}, {"out.txt~", "earlier\n"}}},
        {"an older copy makes way",
         {{"out.txt", "second\n"}, {"out.txt~", "first\n"}},
         line,
         "",
         "out.txt~",
         {{"out.txt", made}, {"out.txt~", "second\n"}}},
        {"an empty earlier output keeps nothing",
         {{"out.txt", ""}, {"out.txt~", "older\n"}},
         line,
         "",
         "",
         {{"out.txt", made}, {"out.txt~", "older\n"}}},
        {"the backend is missing",
         {{"out.txt", "earlier\n"}},
         "cmd /c nomervo > out.txt",
         kestrin::platform::programNotFound("nomervo"),
         "",
         {{"out.txt", "earlier\n"}}},
        {"the backend cannot run",
         {{"out.txt", "earlier\n"}, {"prog", "echo\n"}},
         "cmd /c prog > out.txt",
         "Cannot start \"prog\": the system cannot run \"./prog\": it is neither a program for "
         "this system nor a script that begins with \"#!\".",
         "",
         {{"out.txt", "earlier\n"}, {"prog", "echo\n"}}},
        {"a folder where the copy goes",
         {{"out.txt", "earlier\n"}, {"out.txt~", "<folder>"}},
         line,
         "Cannot write the output to \"out.txt\": its earlier content cannot be kept as "
         "\"out.txt~\": Is a directory.",
         "",
         {{"out.txt", "earlier\n"}, {"out.txt~", "<folder>"}}},
    };
    std::size_t runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const TempFolder work(m_work.path());
        const WorkingFolder inside(work.path());
        for (const auto& [name, content] : c.before) {
            if (content == "<folder>") {
                fs::create_directory(name);
            } else {
                work.write(name, content);
            }
        }
        if (c.before.contains("prog")) {
            fs::permissions("prog", fs::perms::owner_all);
        }
        if (c.before.contains("out.txt")) {
            fs::permissions("out.txt", fs::perms(0640));
        }
        const auto started = launch(c.line);
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

// Two starts into one output, the first still running: each backend writes a file of its own,
// and the second's becomes the output.
TEST_F(OutputTest, TwoBackendsNeverWriteOneFile) {
    const fs::path gate = m_logs.path() / "gate";
    const kestrin::testing::ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
    m_work.write("out.txt", "earlier\n");
    const std::string line = "cmd /c mervo -d level.qb > out.txt";
    ASSERT_EQ(kestrin::platform::makeLauncher()->launch(line).message(), "");
    ASSERT_EQ(kestrin::platform::makeLauncher()->launch(line).message(), "");
    std::ofstream(gate) << "open";
    const auto found = waitForRecords(2);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_NE(found[0].one("stdout"), found[1].one("stdout"));
    EXPECT_EQ(m_work.read("out.txt"), "stand-in output\n");
    EXPECT_EQ(m_work.read("out.txt~"), "earlier\n");
    EXPECT_EQ(workEntries(), (std::set<std::string>{"out.txt", "out.txt~"}));
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

TEST_F(OutputTest, AnUnreadableWorkingFolderIsCalledUnreadable) {
    const fs::path locked = m_work.path() / "locked";
    fs::create_directory(locked);
    const WorkingFolder inside(locked);
    fs::permissions(locked, fs::perms::none);
    const std::string answer = asOrdinaryUser([] {
        std::string messages;
        for (const char* line : {"cmd /c mervo -d level.qb > level.txt",
                                 "cmd /c mervo -c level.txt", "mervo -p x pack"}) {
            messages += kestrin::platform::makeLauncher()->launch(line).message() + "\n";
        }
        return messages + kestrin::platform::readMatchingNames(".", "*.qb").message();
    });
    fs::permissions(locked, fs::perms::owner_all);
    const std::string unreadable =
        "Cannot start \"mervo\": the working folder is unreadable: Permission denied.\n";
    EXPECT_EQ(answer, unreadable + unreadable + unreadable + "the folder is unreadable");
    EXPECT_TRUE(records().empty());
    EXPECT_TRUE(fs::is_empty(locked));
}

}  // namespace
