// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "fake_watch.h"
#include "window/main_window.h"

namespace {

using Strings = std::vector<std::string>;

// One press with the boxes as given: what the launcher answers ("": it starts), the line it was
// handed and the message shown ("" for none), and the Compile box afterwards.
struct Press {
    const char* why;
    const char* button;
    QString text1, text2, game, text3;
    std::string launchError, launched, message;
    QString text3After;
    QString text4 = "mervo.exe", text5 = ".prx/pre";
};

TEST(Handlers, BuildLaunchAndConfirmInOrder) {
    const std::string blankBackend =
        "The backend name is blank: the next word of the command line would be started as the "
        "program.\nNothing was started.";
    const std::string blank = "cmd /c mervo.exe -d level.qb   > level.txt";
    const std::vector<Press> presses = {
        {"decompile with the blank game entry", "Command1", "level", "level", " ", "old", "", blank,
         "DeCompiling Done", "level"},
        {"decompile names the game and a new output", "Command1", "level", "out", "THUG1", "old",
         "", "cmd /c mervo.exe -d level.qb THUG1 > out.txt", "DeCompiling Done", "out"},
        {"decompile without input", "Command1", "", "level", " ", "old", "", "",
         "No file to DeCompile", "old"},
        {"decompile without output", "Command1", "level", "", " ", "old", "", "",
         "No file to DeCompile", "old"},
        {"decompile that cannot start keeps the compile box", "Command1", "level", "level", " ",
         "old", "no backend", blank, "no backend", "old"},
        {"compile", "Command2", "", "", " ", "level", "", "cmd /c mervo.exe -c level.txt",
         "Compiling Done", "level"},
        {"compile without input", "Command2", "a", "b", " ", "", "", "", "No file to Compile", ""},
        {"compile that cannot start", "Command2", "", "", " ", "level", "no backend",
         "cmd /c mervo.exe -c level.txt", "no backend", "level"},
        {"decompile with an empty backend box starts nothing", "Command1", "level", "level", " ",
         "old", "", "", blankBackend, "old", ""},
        {"unpack shows nothing", "Command4", "", "", " ", "", "", "mervo.exe -p x .prx/pre", "",
         ""},
        {"unpack with an empty archive box still runs", "Command4", "", "", " ", "", "",
         "mervo.exe -p x ", "", "", "mervo.exe", ""},
        {"unpack with an empty backend box starts nothing", "Command4", "", "", " ", "", "", "",
         blankBackend, "", "", ""},
        {"unpack that cannot start says why", "Command4", "", "", " ", "", "no backend",
         "mervo.exe -p x .prx/pre", "no backend", ""},
    };
    const auto some = [](const std::string& one) { return one.empty() ? Strings{} : Strings{one}; };
    for (const Press& press : presses) {
        SCOPED_TRACE(press.why);
        kestrin::testing::FakeSystem system;
        if (!press.launchError.empty()) {
            system.launcher.result = kestrin::Failure{press.launchError};
        }
        kestrin::window::MainWindow window(system.dependencies());
        const std::vector<std::pair<const char*, QString>> boxes = {{"Text1", press.text1},
                                                                    {"Text2", press.text2},
                                                                    {"Text3", press.text3},
                                                                    {"Text4", press.text4},
                                                                    {"Text5", press.text5}};
        for (const auto& [name, value] : boxes) {
            window.findChild<QLineEdit*>(name)->setText(value);
        }
        window.findChild<QComboBox*>("Combo1")->setEditText(press.game);
        QTest::mouseClick(window.findChild<QPushButton*>(press.button), Qt::LeftButton);

        EXPECT_EQ(system.launcher.launched, some(press.launched));
        EXPECT_EQ(system.messages.shown, some(press.message));
        EXPECT_EQ(window.findChild<QLineEdit*>("Text3")->text(), press.text3After);
        for (const auto& [name, value] : boxes) {
            if (QString(name) != "Text3") {
                EXPECT_EQ(window.findChild<QLineEdit*>(name)->text(), value) << name;
            }
        }
    }
}

// A step after the start that failed (the output could not take its name, say) is told once
// the start has been confirmed.
TEST(Handlers, WhatWentWrongAfterTheStartFollowsTheConfirmation) {
    kestrin::testing::FakeSystem system;
    system.launcher.problem = "The new output could not take the name \"level.txt\".";
    kestrin::window::MainWindow window(system.dependencies());
    window.findChild<QLineEdit*>("Text1")->setText("level");
    window.findChild<QLineEdit*>("Text2")->setText("level");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_EQ(system.messages.shown, (Strings{"DeCompiling Done", system.launcher.problem}));
    EXPECT_EQ(window.findChild<QLineEdit*>("Text3")->text(), "level");
}

}  // namespace
