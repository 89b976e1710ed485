// SPDX-License-Identifier: MIT
// The real window with the system's own directory search, launcher and process watch, the
// stand-in playing the backend, on every system: the everyday road, what Kestrin learns after a
// start, one writer per file, and closing the window while a backend runs.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QListView>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "backend/texts.h"
#include "real_window.h"

namespace {

namespace fs = std::filesystem;
using kestrin::testing::decompileInto;
using kestrin::testing::RealWindow;
using kestrin::testing::ScopedEnvironment;
using Strings = std::vector<std::string>;

TEST(TypicalRoad, FromAScriptToItsTextAndBack) {
    kestrin::testing::RealWindow user;
    user.m_work.write("level.qb", "compiled");
    user.open();
    auto& window = user.window();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(user.entries(), Strings{"level"});

    auto* list = window.findChild<QListView*>("List1");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    EXPECT_EQ(user.text("Text1"), "level");
    EXPECT_EQ(user.text("Text2"), "level");

    window.findChild<QComboBox*>("Combo1")->setCurrentIndex(1);
    EXPECT_EQ(user.game(), "THUG1");
    user.press("Command1");
    EXPECT_EQ(user.m_messages.shown, Strings{"DeCompiling Done"});
    EXPECT_EQ(user.text("Text3"), "level");
    auto runs = user.m_log.waitForRecords(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].arguments(), (Strings{"-d", "level.qb", "THUG1"}));
    ASSERT_TRUE(kestrin::testing::eventually([&] {
        return user.m_work.read("level.txt") == "stand-in output\n";
    })) << "level.txt holds: "
        << user.m_work.read("level.txt");

    QTest::mouseClick(window.findChild<QRadioButton*>("Option2"), Qt::LeftButton);
    EXPECT_EQ(user.entries(), Strings{"level"});
    user.press("Command2");
    EXPECT_EQ(user.m_messages.shown, (Strings{"DeCompiling Done", "Compiling Done"}));
    runs = user.m_log.waitForRecords(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].arguments(), (Strings{"-c", "level.txt"}));
    EXPECT_EQ(user.m_launcher.lines, (Strings{"cmd /c mervo.exe -d level.qb THUG1 > level.txt",
                                              "cmd /c mervo.exe -c level.txt"}));
}

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

TEST(AfterTheStart, AFailureIsReportedOnceInItsOwnWordsAfterTheConfirmation) {
    const std::string failed =
        " failed: the backend \"mervo.exe\" ended with status 3.\nIt wrote:\n> ";
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
          "Compile of \"level.txt\"" + failed + "unknown entry\n> stand-in output"}},
        {"an unpack that fails",
         "Command4",
         "no such archive\x1b[0m\n",
         {"Unpack of \"pack.prx\"" + failed + "no such archive" + "U+001B[0m\n> stand-in output"}},
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

// One writer per file, by what the names lead to: while a Decompile writes alias.txt, no other
// starts into it by another spelling, a link (on Windows: its name in other letters) or its full
// path, neither from this window nor from a second one on the same folder; different outputs run
// side by side, and one Unpack per archive, by what the backend receives. Once it has ended, a
// Decompile into the same file runs, and after a restart the user's text kept as alias.txt~ is
// never replaced by Kestrin's own earlier output.
TEST(AfterTheStart, OneFileHasOneWriterWhateverItIsCalledAndWhicheverWindowAsks) {
    RealWindow w;
    const fs::path gate = w.m_logs.path() / "gate";
    const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
    w.m_work.write("alias.txt", "the user's text\n");
#ifdef _WIN32
    const std::string other = "ALIAS";  // Windows file names ignore case
#else
    fs::create_symlink("alias.txt", w.m_work.path() / "other.txt");
    const std::string other = "other";  // a link to alias.txt
#endif
    w.open();
    const auto decompileInto = [&](const std::string& output) {
        w.type("Text1", "level");
        w.type("Text2", output);
        w.press("Command1");
    };
    using kestrin::backend::Action;
    const auto stillWriting = [](const std::string& output) {
        return kestrin::backend::stillRunning({Action::Decompile, "", output + ".txt"});
    };
    const std::string full = (fs::canonical(w.m_work.path()) / "alias").string();
    decompileInto("alias");
    for (const std::string& same : {std::string("alias"), std::string("./alias"), other, full}) {
        decompileInto(same);
    }
    decompileInto("different");
    for (const char* archive : {"pack.prx", "pack.prx ", "./pack.prx"}) {
        w.type("Text5", archive);
        w.press("Command4");
    }
    const std::string stillUnpacking =
        kestrin::backend::stillRunning({Action::Unpack, "mervo.exe", "pack.prx"});
    EXPECT_EQ(w.m_messages.shown,
              (Strings{"DeCompiling Done", stillWriting("alias"), stillWriting("./alias"),
                       stillWriting(other), stillWriting(full), "DeCompiling Done", stillUnpacking,
                       stillUnpacking}));
    EXPECT_EQ(w.m_launcher.lines.size(), 3u);
    {
        kestrin::backend::SystemLauncher launcher;
        kestrin::testing::RecordingMessages messages;
        kestrin::window::SystemProcessWatch watch;
        kestrin::window::MainWindow second({*w.m_search, launcher, messages, watch});
        second.findChild<QLineEdit*>("Text1")->setText("level");
        second.findChild<QLineEdit*>("Text2")->setText(QString::fromStdString(other));
        QTest::mouseClick(second.findChild<QPushButton*>("Command1"), Qt::LeftButton);
        EXPECT_EQ(messages.shown, Strings{stillWriting(other)}) << "a second window";
    }

    std::ofstream(gate) << "open";
    ASSERT_TRUE(w.waitUntilAllEnded());
    w.close();
    w.open();  // as a restart: nothing of the first run is known
    w.m_messages.shown.clear();
    decompileInto(other);
    EXPECT_EQ(w.m_messages.shown, Strings{"DeCompiling Done"}) << "refused after the end";
    EXPECT_EQ(w.m_log.waitForRecords(4).size(), 4u);
    ASSERT_TRUE(w.waitUntilAllEnded());
    EXPECT_EQ(w.m_work.read("alias.txt"), "stand-in output\n");
    EXPECT_EQ(w.m_work.read("alias.txt~"), "the user's text\n");
    EXPECT_EQ(w.m_work.read("alias.txt.~1~"), "stand-in output\n");
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(w.m_work.path() / "other.txt"));
#endif
}

TEST(Faults, ClosingTheWindowLeavesARunningBackendToFinishUnreported) {
    RealWindow w;
    const fs::path gate = w.m_logs.path() / "gate";
    const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
    const ScopedEnvironment failure("KESTRIN_STAND_IN_FAIL", "failed after the window closed\n");
    w.open();
    decompileInto(w, "slow");
    EXPECT_EQ(w.m_messages.shown, Strings{"DeCompiling Done"});
    w.close();

    // The stand-in waits for the gate before it writes anything.
    EXPECT_TRUE(w.m_log.records().empty());
    std::ofstream(gate) << "open";
    const auto records = w.m_log.waitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
#ifndef _WIN32
    EXPECT_EQ(records.front().one("session"), "own");  // a session of its own: POSIX
#endif
    EXPECT_EQ(w.m_work.read("slow.txt"), "stand-in output\n");
    // Its failure has nobody to be told to.
    EXPECT_TRUE(w.waitUntilAllEnded());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.m_messages.shown, Strings{"DeCompiling Done"});
}

}  // namespace
