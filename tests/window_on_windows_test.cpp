// SPDX-License-Identifier: MIT
// The real window on Windows, beyond the everyday road of typical_road_test.cpp: Decompile over
// an earlier output through the real cmd.exe keeps it, Unpack starts the backend itself,
// minimized, and the watch learns each end from the process handle (QWinEventNotifier).

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "real_window.h"

namespace {

using kestrin::testing::RealWindow;
using kestrin::testing::ScopedEnvironment;
using Strings = std::vector<std::string>;

struct PressCase {
    const char* why;
    const char* button;
    std::map<std::string, std::string> before;  // files in the working folder
    Strings arguments;                          // what the stand-in was given
    std::map<std::string, std::string> after;
    Strings messages;
    bool startedByKestrin;  // no interpreter between: the backend is the process started minimized
};

TEST(WindowOnWindows, EachPressRunsItsLineAndKeepsWhatItReplaces) {
    const std::string made = "stand-in output\n";
    const std::vector<PressCase> cases = {
        {"decompile over an earlier output, through cmd.exe",
         "Command1",
         {{"level.txt", "earlier\n"}},
         {"-d", "level.qb"},
         {{"level.txt", made}, {"level.txt~", "earlier\n"}},
         {"DeCompiling Done"},
         false},
        {"unpack, the backend started by itself",
         "Command4",
         {},
         {"-p", "x", "pack.prx"},
         {},
         {},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        RealWindow w;
        for (const auto& [name, content] : c.before) {
            w.m_work.write(name, content);
        }
        w.open();
        w.type("Text1", "level");
        w.type("Text2", "level");
        w.type("Text5", "pack.prx");
        w.press(c.button);
        const auto runs = w.m_log.waitForRecords(1);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].arguments(), c.arguments);
        ASSERT_TRUE(w.waitUntilAllEnded());
        for (const auto& [name, content] : c.after) {
            EXPECT_EQ(w.m_work.read(name), content) << name;
        }
        EXPECT_EQ(w.m_messages.shown, c.messages);
        if (c.startedByKestrin) {
            EXPECT_EQ(runs[0].one("show_window"), std::to_string(SW_SHOWMINIMIZED));
        }
    }
}

// The stand-in started by hand, held at its gate, then let go to fail with status 3.
TEST(WindowOnWindows, TheWatchWaitsOnTheProcessHandleAndTellsOnlyALiveWindow) {
    for (const bool contextKept : {true, false}) {
        SCOPED_TRACE(contextKept ? "the window stays" : "the window is gone before the end");
        kestrin::testing::StandInFolder folder;
        const auto gate = folder.m_logs.path() / "gate";
        const ScopedEnvironment gateVariable("KESTRIN_STAND_IN_GATE", gate.string());
        const ScopedEnvironment failure("KESTRIN_STAND_IN_FAIL", std::string("failed\n"));
        std::wstring line = L"mervo.exe";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        const std::wstring program = (folder.m_work.path() / "mervo.exe").wstring();
        ASSERT_TRUE(CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                                   CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started));
        CloseHandle(started.hThread);

        kestrin::window::SystemProcessWatch watch;
        auto context = std::make_unique<QObject>();
        std::optional<kestrin::platform::ExitStatus> told;
        watch.watch(kestrin::platform::Process(started.hProcess), {}, context.get(),
                    [&](const kestrin::window::ProcessExit& ended) { told = ended.status; });
        if (!contextKept) {
            context.reset();
        }
        std::ofstream(gate) << "open";
        ASSERT_TRUE(kestrin::testing::eventually([&] {
            QCoreApplication::processEvents();
            return watch.watching() == 0;
        }));
        if (contextKept) {
            ASSERT_TRUE(told.has_value());
            EXPECT_EQ(*told, (kestrin::platform::ExitStatus{
                                 kestrin::platform::ExitStatus::Kind::Exited, 3}));
        } else {
            EXPECT_FALSE(told.has_value());
        }
    }
}

}  // namespace
