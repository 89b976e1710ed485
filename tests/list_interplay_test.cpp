// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "fake_watch.h"
#include "recorders.h"
#include "window/main_window.h"
#include "window/qt_text.h"

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
            kestrin::window::Dependencies{m_folder, m_launcher, m_messages, m_watch});
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

// A name with characters that do not show is listed with each written as U+XXXX, so that it
// cannot pass for the name it imitates; a pick still copies the exact name, byte for byte.
TEST(ListInterplay, NamesThatShowAsSomethingElseAreListedVisiblyAndPickedExactly) {
    struct Name {
        std::string exact;
        QString shown;
    };
    const std::vector<Name> names = {
        {"evil\xE2\x80\xAEtxt.exe", "evilU+202Etxt.exe"},  // shows as "evilexe.txt"
        {"lev\xE2\x80\x8B"
         "el",
         "levU+200Bel"},  // shows as "level"
        {"level", "level"},
        {"\xEF\xBB\xBFlevel", "U+FEFFlevel"},  // a byte order mark first, which Qt would drop
        {"\xE2\x81\xA6x\xE2\x81\xA9\xC2\xAD", "U+2066xU+2069U+00AD"},
        {"tag\xF3\xA0\x81\x81", "tagU+E0041"},
        {"a\nb", "aU+000Ab"},
        {"\xC3\xA9t\xC3\xA9\tx", "\u00E9t\u00E9\tx"},  // letters and tab show as themselves
    };
    WindowUser user;
    user.m_folder.names["*.qb"].clear();
    user.m_folder.names["*.txt"].clear();
    QStringList shown;
    for (const Name& name : names) {
        user.m_folder.names["*.qb"].push_back(name.exact + ".qb");
        user.m_folder.names["*.txt"].push_back(name.exact + ".txt");
        shown.append(name.shown);
    }
    user.click("Command3");
    EXPECT_EQ(user.entries(), shown);
    for (const Name& name : names) {
        SCOPED_TRACE(kestrin::window::toUtf8(name.shown));
        user.pick(name.shown);
        EXPECT_EQ(kestrin::window::toUtf8(user.text("Text1")), name.exact);
        EXPECT_EQ(kestrin::window::toUtf8(user.text("Text2")), name.exact);
    }
    user.click("Option2");
    EXPECT_EQ(user.entries(), shown);
    for (const Name& name : names) {
        SCOPED_TRACE(kestrin::window::toUtf8(name.shown));
        user.pick(name.shown);
        EXPECT_EQ(kestrin::window::toUtf8(user.text("Text3")), name.exact);
    }
    EXPECT_TRUE(user.m_messages.shown.empty());
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
