// SPDX-License-Identifier: MIT
// The words of a backend's failure report and of the refusal of a second writer, character for
// character, and how two presses are known to name one file.

#include "backend/texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backend/running.h"

namespace {

using kestrin::backend::Action;
using kestrin::backend::BackendFailure;
using kestrin::platform::ExitStatus;

// Lines "line N" for N from first to last, each behind the quote mark as a report shows them.
std::string lines(int first, int last, const std::string& mark = "") {
    std::string text;
    for (int i = first; i <= last; ++i) {
        text += mark + "line " + std::to_string(i) + "\n";
    }
    return text;
}

BackendFailure failed(Action action, std::string file, std::string stderrTail,
                      std::string kept = {}, bool cut = false, std::error_code lost = {}) {
    return {{action, "mervo.exe", std::move(file)},
            ExitStatus{ExitStatus::Kind::Exited, 3},
            {.text = std::move(stderrTail), .cut = cut, .lost = lost},
            std::move(kept)};
}

struct ReportCase {
    const char* why;
    std::vector<BackendFailure> failed;
    std::string expected;
};

TEST(FailureReport, TellsWhatRanHowItEndedAndItsLastLinesAsTheBackendsOwn) {
    const std::string status3 = " failed: the backend \"mervo.exe\" ended with status 3.\n";
    const std::string ellipsis = "\xE2\x80\xA6";
    const std::string longLine = std::string(99, 'y') + "\xC3\xA9" + std::string(150, 'z');
    // Each control byte shows as six characters: the cut comes after.
    const std::string controls(60, '\x01');
    const std::string forged =
        "Compile of \"b.txt\" failed: the backend \"mervo.exe\" ended with "
        "status 1.\nIt wrote nothing.\n\n2. Unpack of \"c\"";
    const std::vector<ReportCase> cases = {
        {"one failure with its kept text",
         {failed(Action::Decompile, "level.txt", "bad header\nat byte 12\n", "level.txt~")},
         "Decompile into \"level.txt\"" + status3 +
             "It wrote:\n> bad header\n> at byte 12\nThe earlier text is kept in "
             "\"level.txt~\"."},
        {"nothing written",
         {failed(Action::Compile, "a.txt", "")},
         "Compile of \"a.txt\"" + status3 + "It wrote nothing."},
        {"line ends of either system, hidden characters, blank lines at the end",
         {failed(Action::Unpack, "pack\x1b", "a\r\n\r\nb\x1b[31m\r\n\r\n\n")},
         "Unpack of \"packU+001B\"" + status3 + "It wrote:\n> a\n>\n> bU+001B[31m"},
        {"a pipe that failed before its end",
         {failed(Action::Compile, "a.txt", "half\n", "", false,
                 std::make_error_code(std::errc::io_error)),
          failed(Action::Compile, "b.txt", "", "", false,
                 std::make_error_code(std::errc::io_error))},
         "2 backends failed.\n\n1. Compile of \"a.txt\"" + status3 +
             "It wrote:\n> half\nKestrin could not read the rest of what it wrote: Input/output "
             "error.\n\n2. Compile of \"b.txt\"" +
             status3 + "Kestrin could not read the rest of what it wrote: Input/output error."},
        {"lines shaped like Kestrin's own still read as the backend's",
         {failed(Action::Decompile, "a.txt", forged)},
         "Decompile into \"a.txt\"" + status3 +
             "It wrote:\n> Compile of \"b.txt\" failed: the backend \"mervo.exe\" ended with "
             "status "
             "1.\n> It wrote nothing.\n>\n> 2. Unpack of \"c\""},
        {"only the last lines",
         {failed(Action::Compile, "a.txt", lines(1, 25))},
         "Compile of \"a.txt\"" + status3 + "It wrote (the last 20 lines):\n" + lines(6, 24, "> ") +
             "> line 25"},
        {"a first line whose start came before what is kept is left out",
         {failed(Action::Compile, "a.txt", "ff\n" + lines(1, 3), "", true)},
         "Compile of \"a.txt\"" + status3 + "It wrote:\n" + lines(1, 2, "> ") + "> line 3"},
        {"unless it is the only one: then its end shows, after a mark",
         {failed(Action::Compile, "a.txt", longLine + "\n", "", true)},
         "Compile of \"a.txt\"" + status3 + "It wrote:\n> " + ellipsis + std::string(100, 'z')},
        {"a long line is cut after a hundred characters, not bytes",
         {failed(Action::Compile, "a.txt", longLine + "\n")},
         "Compile of \"a.txt\"" + status3 + "It wrote:\n> " + std::string(99, 'y') + "\xC3\xA9" +
             ellipsis},
        {"a line cut after its hidden characters are shown",
         {failed(Action::Compile, "a.txt", controls + "\nnext\n")},
         "Compile of \"a.txt\"" + status3 + "It wrote:\n> " +
             [] {
                 std::string shown;
                 for (int i = 0; i < 17; ++i) {
                     shown += "U+0001";
                 }
                 return shown.substr(0, 100);
             }() +
             ellipsis + "\n> next"},
        {"failures known together are numbered and share the lines",
         {failed(Action::Decompile, "a.txt", lines(1, 12)), failed(Action::Unpack, "p", "")},
         "2 backends failed.\n\n1. Decompile into \"a.txt\"" + status3 +
             "It wrote (the last 10 lines):\n" + lines(3, 12, "> ") + "\n2. Unpack of \"p\"" +
             status3 + "It wrote nothing."},
        {"the first few, then how many more",
         {failed(Action::Compile, "1.txt", "one\n"), failed(Action::Compile, "2.txt", "two\n"),
          failed(Action::Compile, "3.txt", "three\n"), failed(Action::Compile, "4.txt", "four\n"),
          failed(Action::Compile, "5.txt", "five\n")},
         "5 backends failed.\n\n1. Compile of \"1.txt\"" + status3 +
             "It wrote:\n> one\n\n2. Compile of \"2.txt\"" + status3 +
             "It wrote:\n> two\n\n3. Compile of \"3.txt\"" + status3 +
             "It wrote:\n> three\n\nAnd 2 more failed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(kestrin::backend::failureReport(c.failed), c.expected);
    }
}

TEST(FailureReport, TellsHowTheBackendEnded) {
    using Kind = ExitStatus::Kind;
    const std::vector<std::pair<ExitStatus, std::string>> cases = {
        {{Kind::Exited, 1}, "ended with status 1"},
#ifndef _WIN32  // only POSIX names its signals
        {{Kind::Signaled, 9}, "was ended by signal 9 (SIGKILL)"},
#endif
        {{Kind::Exception, static_cast<int>(0xC0000005U)}, "ended with status 0xC0000005"},
        {{Kind::Unknown, 0}, "ended, with a status Kestrin could not learn"},
    };
    for (const auto& [status, words] : cases) {
        const BackendFailure one{{Action::Compile, "my\xE2\x80\xAEtool", "a.txt"}, status, {}, ""};
        EXPECT_EQ(kestrin::backend::failureReport({&one, 1}),
                  "Compile of \"a.txt\" failed: the backend \"myU+202Etool\" " + words +
                      ".\nIt wrote nothing.");
    }
}

TEST(FailureReport, NamesWhatStillRuns) {
    EXPECT_EQ(kestrin::backend::stillRunning({Action::Decompile, "mervo.exe", "level.txt"}),
              "The earlier Decompile into \"level.txt\" is still running; try again once it has "
              "ended.\nNothing was started.");
    EXPECT_EQ(kestrin::backend::stillRunning({Action::Unpack, "mervo.exe", "a\xE2\x80\xAE"}),
              "The earlier Unpack of \"aU+202E\" is still running; try again once it has "
              "ended.\nNothing was started.");
}

// One Unpack per archive: what a running Unpack works on, by the words the backend receives, is
// held back from a second start until it ends.
TEST(RunningBackends, HoldsBackWhatARunningUnpackWorksOn) {
    using kestrin::backend::RunningBackends;
    const auto unpack = [](std::string_view archive) {
        return RunningBackends::unpackClaim(*kestrin::backend::unpack("mervo.exe", archive));
    };
    RunningBackends running;
    const auto id = running.started({Action::Unpack, "mervo.exe", "x.kpk"}, unpack("x.kpk"), "");
    const std::string busy = kestrin::backend::stillRunning({Action::Unpack, "mervo.exe", "x.kpk"});
    for (const char* same : {"x.kpk", "x.kpk ", " x.kpk", "./x.kpk", "sub/../x.kpk"}) {
        EXPECT_EQ(running.busy(unpack(same)), busy) << same;
    }
    for (const char* other : {"y.kpk", "x.kpk y", "../x.kpk"}) {
        EXPECT_EQ(running.busy(unpack(other)), std::nullopt) << other;
    }
    EXPECT_EQ(running.busy({}), std::nullopt) << "a Compile shares nothing";
    (void)running.ended(id, ExitStatus{}, {});
    EXPECT_EQ(running.busy(unpack("x.kpk")), std::nullopt) << "free again once it has ended";
}

}  // namespace
