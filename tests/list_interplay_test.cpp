#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

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
