// SPDX-License-Identifier: MIT
// The whole everyday road through the real window, as a user walks it: a folder with one script,
// a pick from the list, a game chosen, Decompile, the text form listed, Compile. The stand-in
// plays the backend and tells what it was given.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListView>
#include <QRadioButton>

#include "real_window.h"

namespace {

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

}  // namespace
