// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "fake_watch.h"
#include "recorders.h"
#include "window/main_window.h"

namespace {

using Strings = std::vector<std::string>;

struct Fields {
    QString text1, text2, game, text3, text4 = "mervo.exe", text5 = ".prx/pre";
};

struct Press {
    const char* why;
    Fields fields;
    const char* button;
    std::string launchError;  // what the launcher answers; empty: started
    Strings launched;
    Strings messages;
    QString text3After;
};

class Handlers : public ::testing::Test {
protected:
    kestrin::testing::FakeFolder m_folder;
    kestrin::testing::RecordingLauncher m_launcher;
    kestrin::testing::RecordingMessages m_messages;
    kestrin::testing::FakeProcessWatch m_watch;
};

TEST_F(Handlers, BuildLaunchAndConfirmInOrder) {
    const std::string blankBackend =
        "The backend name is blank: the next word of the command line would be started as the "
        "program.\nNothing was started.";
    const std::string blank = "cmd /c mervo.exe -d level.qb   > level.txt";
    const std::vector<Press> presses = {
        {"decompile with the blank game entry",
         {"level", "level", " ", "old"},
         "Command1",
         "",
         {blank},
         {"DeCompiling Done"},
         "level"},
        {"decompile names the game and a new output",
         {"level", "out", "THUG1", "old"},
         "Command1",
         "",
         {"cmd /c mervo.exe -d level.qb THUG1 > out.txt"},
         {"DeCompiling Done"},
         "out"},
        {"decompile without input",
         {"", "level", " ", "old"},
         "Command1",
         "",
         {},
         {"No file to DeCompile"},
         "old"},
        {"decompile without output",
         {"level", "", " ", "old"},
         "Command1",
         "",
         {},
         {"No file to DeCompile"},
         "old"},
        {"decompile that cannot start keeps the compile box",
         {"level", "level", " ", "old"},
         "Command1",
         "no backend",
         {blank},
         {"no backend"},
         "old"},
        {"compile",
         {"", "", " ", "level"},
         "Command2",
         "",
         {"cmd /c mervo.exe -c level.txt"},
         {"Compiling Done"},
         "level"},
        {"compile without input",
         {"a", "b", " ", ""},
         "Command2",
         "",
         {},
         {"No file to Compile"},
         ""},
        {"compile that cannot start",
         {"", "", " ", "level"},
         "Command2",
         "no backend",
         {"cmd /c mervo.exe -c level.txt"},
         {"no backend"},
         "level"},
        {"decompile with an empty backend box starts nothing",
         {"level", "level", " ", "old", ""},
         "Command1",
         "",
         {},
         {blankBackend},
         "old"},
        {"unpack shows nothing",
         {"", "", " ", ""},
         "Command4",
         "",
         {"mervo.exe -p x .prx/pre"},
         {},
         ""},
        {"unpack with an empty archive box still runs",
         {"", "", " ", "", "mervo.exe", ""},
         "Command4",
         "",
         {"mervo.exe -p x "},
         {},
         ""},
        {"unpack with an empty backend box starts nothing",
         {"", "", " ", "", "", ""},
         "Command4",
         "",
         {},
         {blankBackend},
         ""},
        {"unpack that cannot start says why",
         {"", "", " ", ""},
         "Command4",
         "no backend",
         {"mervo.exe -p x .prx/pre"},
         {"no backend"},
         ""},
    };
    for (const Press& press : presses) {
        SCOPED_TRACE(press.why);
        kestrin::testing::RecordingLauncher launcher;
        kestrin::testing::RecordingMessages messages;
        if (!press.launchError.empty()) {
            launcher.result = kestrin::Failure{press.launchError};
        }
        kestrin::window::MainWindow window({m_folder, launcher, messages, m_watch});
        const std::vector<std::pair<const char*, QString>> boxes = {{"Text1", press.fields.text1},
                                                                    {"Text2", press.fields.text2},
                                                                    {"Text3", press.fields.text3},
                                                                    {"Text4", press.fields.text4},
                                                                    {"Text5", press.fields.text5}};
        for (const auto& [name, value] : boxes) {
            window.findChild<QLineEdit*>(name)->setText(value);
        }
        window.findChild<QComboBox*>("Combo1")->setEditText(press.fields.game);
        QTest::mouseClick(window.findChild<QPushButton*>(press.button), Qt::LeftButton);

        EXPECT_EQ(launcher.launched, press.launched);
        EXPECT_EQ(messages.shown, press.messages);
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
TEST_F(Handlers, WhatWentWrongAfterTheStartFollowsTheConfirmation) {
    m_launcher.problem = "The new output could not take the name \"level.txt\".";
    kestrin::window::MainWindow window({m_folder, m_launcher, m_messages, m_watch});
    window.findChild<QLineEdit*>("Text1")->setText("level");
    window.findChild<QLineEdit*>("Text2")->setText("level");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_EQ(m_messages.shown, (Strings{"DeCompiling Done", m_launcher.problem}));
    EXPECT_EQ(window.findChild<QLineEdit*>("Text3")->text(), "level");
}

}  // namespace
