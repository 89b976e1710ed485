#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>

#include "fake_watch.h"
#include "recorders.h"
#include "window/main_window.h"
#include "window/text_edge.h"

namespace {

using kestrin::window::MainWindow;

// A shown window over a folder of level.qb, intro.qb and level.txt, with helpers that act as
// a user does: by mouse clicks and key presses.
class WindowUser {
public:
    WindowUser() {
        m_folder.names["*.qb"] = {"intro.qb", "level.qb"};
        m_folder.names["*.txt"] = {"level.txt"};
        m_window = std::make_unique<MainWindow>(
            kestrin::window::Seams{m_folder, m_launcher, m_messages, m_watch});
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    QListView* list() const { return m_window->findChild<QListView*>("List1"); }
    QString text(const char* name) const { return m_window->findChild<QLineEdit*>(name)->text(); }

    QStringList entries() const {
        QStringList names;
        for (int row = 0; row < list()->model()->rowCount(); ++row) {
            names.append(list()->model()->index(row, 0).data().toString());
        }
        return names;
    }

    void pick(const QString& entry) {
        const QModelIndexList found =
            list()->model()->match(list()->model()->index(0, 0), Qt::DisplayRole, entry);
        ASSERT_FALSE(found.isEmpty()) << kestrin::window::toUtf8(entry);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualRect(found.first()).center());
    }
    void click(const char* name) {
        auto* button = m_window->findChild<QAbstractButton*>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    void type(const char* name, const QString& value) {
        m_window->findChild<QLineEdit*>(name)->setText(value);
    }

    kestrin::testing::FakeFolder m_folder;
    kestrin::testing::RecordingLauncher m_launcher;
    kestrin::testing::RecordingMessages m_messages;
    kestrin::testing::FakeProcessWatch m_watch;
    std::unique_ptr<MainWindow> m_window;
};

struct Expected {
    QString text1, text2, text3;
    QStringList entries;
    bool option2;
};

struct Road {
    const char* why;
    std::function<void(WindowUser&)> steps;
    Expected expected;
};

TEST(ListInterplay, PicksFillTheBoxesOfTheSelectedOption) {
    const QStringList qb = {"intro", "level"};
    const QStringList txt = {"level"};
    const std::vector<Road> roads = {
        {"a .qb pick fills both decompile boxes",
         [](auto& u) { u.pick("level"); },
         {"level", "level", "", qb, false}},
        {"a .txt pick fills the compile box only",
         [](auto& u) {
             u.click("Option2");
             u.pick("level");
         },
         {"", "", "level", txt, true}},
        {"the options switch the list back and forth",
         [](auto& u) {
             u.click("Option2");
             u.click("Option1");
         },
         {"", "", "", qb, false}},
        {"Refresh lists .qb and keeps .txt for Compile; a pick then feeds Compile",
         [](auto& u) {
             u.click("Option2");
             u.click("Command3");
             u.pick("intro");
         },
         {"", "", "intro", qb, true}},
        {"clicking the selected entry again repeats the pick",
         [](auto& u) {
             u.pick("level");
             u.type("Text1", "edited");
             u.pick("level");
         },
         {"level", "level", "", qb, false}},
        {"a second pick replaces the first",
         [](auto& u) {
             u.pick("level");
             u.pick("intro");
         },
         {"intro", "intro", "", qb, false}},
        {"a click on the option already selected relists without touching the boxes",
         [](auto& u) {
             u.pick("level");
             u.type("Text2", "out");
             u.click("Option1");
         },
         {"level", "out", "", qb, false}},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.why);
        WindowUser user;
        road.steps(user);
        EXPECT_EQ(user.text("Text1"), road.expected.text1);
        EXPECT_EQ(user.text("Text2"), road.expected.text2);
        EXPECT_EQ(user.text("Text3"), road.expected.text3);
        EXPECT_EQ(user.entries(), road.expected.entries);
        EXPECT_EQ(user.m_window->findChild<QRadioButton*>("Option2")->isChecked(),
                  road.expected.option2);
        EXPECT_TRUE(user.m_messages.shown.empty());
    }
}

TEST(ListInterplay, KeyboardSelectionsArePicksToo) {
    WindowUser user;
    user.m_folder.names["*.qb"] = {"alpha.qb", "beta.qb", "gamma.qb"};
    user.click("Command3");
    // Focus puts the cursor on the first entry without picking it, as Qt's lists do.
    user.list()->setFocus();
    EXPECT_EQ(user.text("Text1"), "");
    const std::vector<std::pair<Qt::Key, QString>> presses = {
        {Qt::Key_Down, "beta"},  {Qt::Key_Up, "alpha"}, {Qt::Key_End, "gamma"},
        {Qt::Key_Home, "alpha"}, {Qt::Key_G, "gamma"},  {Qt::Key_Up, "beta"},
    };
    for (const auto& [key, expected] : presses) {
        QTest::keyClick(user.list(), key);
        EXPECT_EQ(user.text("Text1"), expected) << int(key);
        EXPECT_EQ(user.text("Text2"), expected);
    }
}

TEST(ListInterplay, RelistingClearsTheSelectionWithoutAPick) {
    WindowUser user;
    user.pick("level");
    user.type("Text1", "kept");
    user.click("Command3");
    EXPECT_FALSE(user.list()->selectionModel()->hasSelection());
    EXPECT_EQ(user.text("Text1"), "kept");
    // Focus entering the relisted list makes a current entry but is no pick.
    user.list()->setFocus();
    EXPECT_EQ(user.text("Text1"), "kept");
}

}  // namespace
