// SPDX-License-Identifier: MIT
// What Kestrin learns after a start, through the real window, launcher and process watch with the
// stand-in as the backend: a failure is reported once, in the backend's own words, after the
// confirmation has been dismissed; a success adds nothing; one output has one writer at a time.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "real_window.h"

#ifndef _WIN32
#include <spawn.h>
#include <sys/syscall.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

namespace fs = std::filesystem;
using kestrin::testing::RealWindow;
using kestrin::testing::ScopedEnvironment;
using Strings = std::vector<std::string>;

// Lets the event loop run a few more turns, as a report would need to show.
void settle() {
    for (int turn = 0; turn < 5; ++turn) {
        QCoreApplication::processEvents();
    }
}

struct ReportCase {
    const char* why;
    const char* button;
    std::optional<std::string> failure;  // what the stand-in writes to standard error, then fails
    Strings messages;
};

TEST(WatchEndToEnd, AFailureIsReportedOnceInItsOwnWordsAfterTheConfirmation) {
    const std::string failed = " failed: the backend ended with status 3.\nThe backend wrote:\n";
    const std::vector<ReportCase> cases = {
        {"a decompile that succeeds", "Command1", std::nullopt, {"DeCompiling Done"}},
        {"a decompile that fails",
         "Command1",
         "bad header at byte 12\n",
         {"DeCompiling Done", "Decompile into \"level.txt\"" + failed + "bad header at byte 12"}},
        {"a compile that fails: its standard output is its words too",
         "Command2",
         "unknown entry\n",
         {"Compiling Done",
          "Compile of \"level.txt\"" + failed + "unknown entry\nstand-in output"}},
        {"an unpack that fails",
         "Command4",
         "no such archive\x1b[0m\n",
         {"Unpack of \"pack.prx\"" + failed + "no such archive" + "U+001B[0m\nstand-in output"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        RealWindow w;
        w.open();
        const ScopedEnvironment failure("KESTRIN_STAND_IN_FAIL", c.failure);
        w.type("Text1", "level");
        w.type("Text2", "level");
        w.type("Text3", "level");
        w.type("Text5", "pack.prx");
        // The user reads the confirmation while the backend ends.
        bool endedWhileOpen = false;
        w.m_messages.whileOpen = [&](const std::string&) {
            endedWhileOpen = w.waitUntilAllEnded();
        };
        w.press(c.button);
        if (c.messages.front().ends_with("Done")) {
            EXPECT_TRUE(endedWhileOpen);
            EXPECT_EQ(w.m_messages.shown.size(), 1u) << "a report opened over the confirmation";
        }
        ASSERT_TRUE(w.waitUntilAllEnded());
        kestrin::testing::eventually([&] {
            QCoreApplication::processEvents();
            return w.m_messages.shown.size() >= c.messages.size();
        });
        settle();
        EXPECT_EQ(w.m_messages.shown, c.messages);
        EXPECT_EQ(w.m_messages.deepest, 1) << "one message opened over another";
    }
}

TEST(WatchEndToEnd, OneOutputHasOneWriterWhileDifferentOutputsRunSideBySide) {
    RealWindow w;
    const fs::path gate = w.m_logs.path() / "gate";
    const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
    w.open();
    const auto decompileInto = [&](const std::string& output) {
        w.type("Text1", "level");
        w.type("Text2", output);
        w.press("Command1");
    };
    const auto stillWriting = [](const std::string& file) {
        return "The earlier Decompile into \"" + file +
               "\" is still running; try again once it has ended.\nNothing was started.";
    };
    decompileInto("slow");
    decompileInto("slow");
    decompileInto("./slow");
    decompileInto("other");
    w.type("Text5", "pack.prx");
    w.press("Command4");
    w.press("Command4");
    const std::string stillUnpacking =
        "The earlier Unpack of \"pack.prx\" is still running; try again once it has ended.\n"
        "Nothing was started.";
    EXPECT_EQ(w.m_messages.shown,
              (Strings{"DeCompiling Done", stillWriting("slow.txt"), stillWriting("./slow.txt"),
                       "DeCompiling Done", stillUnpacking}));
    EXPECT_EQ(w.m_launcher.lines.size(), 3u);

    std::ofstream(gate) << "open";
    ASSERT_TRUE(w.waitUntilAllEnded());
    w.m_messages.shown.clear();
    decompileInto("slow");
    EXPECT_EQ(w.m_messages.shown, Strings{"DeCompiling Done"}) << "refused after the end";
    EXPECT_EQ(w.m_log.waitForRecords(4).size(), 4u);
    ASSERT_TRUE(w.waitUntilAllEnded());
    EXPECT_EQ(w.m_work.read("slow.txt"), "stand-in output\n");
}

#ifndef _WIN32
// The watch on Windows waits on process handles instead: window_on_windows_test.cpp.
struct WatchCase {
    const char* why;
    bool pidfd;        // without one, the watch asks now and then
    bool contextKept;  // else the window is gone before the end
};

// A shell that ends with status 4 once the gate file exists, watched as the window watches.
TEST(WatchEndToEnd, TheSystemWatchCollectsEveryEndAndTellsOnlyALiveWindow) {
    const std::vector<WatchCase> cases = {
        {"by its pidfd", true, true},
        {"without a pidfd", false, true},
        {"by its pidfd, the window gone", true, false},
        {"without a pidfd, the window gone", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const kestrin::testing::TempFolder folder;
        const fs::path gate = folder.path() / "gate";
        std::string shell = "/bin/sh";
        std::string dashC = "-c";
        std::string script = "while [ ! -e '" + gate.string() + "' ]; do sleep 0.01; done; exit 4";
        char* argv[] = {shell.data(), dashC.data(), script.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, shell.c_str(), nullptr, nullptr, argv, environ), 0);
        const int pidfd = c.pidfd ? static_cast<int>(syscall(SYS_pidfd_open, pid, 0)) : -1;

        kestrin::window::SystemProcessWatch watch;
        auto context = std::make_unique<QObject>();
        std::optional<kestrin::platform::Ending> told;
        watch.watch(kestrin::platform::Process(pid, pidfd), {}, context.get(),
                    [&](const kestrin::window::Ended& ended) { told = ended.ending; });
        if (!c.contextKept) {
            context.reset();
        }
        std::ofstream(gate) << "open";
        ASSERT_TRUE(kestrin::testing::eventually([&] {
            QCoreApplication::processEvents();
            return watch.watching() == 0;
        }));
        if (c.contextKept) {
            ASSERT_TRUE(told.has_value());
            EXPECT_EQ(*told,
                      (kestrin::platform::Ending{kestrin::platform::Ending::Kind::Status, 4}));
        } else {
            EXPECT_FALSE(told.has_value());
        }
        EXPECT_TRUE(kestrin::testing::childrenOfThisProcess().empty()) << "left a zombie";
    }
}

#endif

}  // namespace
