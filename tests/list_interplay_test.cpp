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
#include "window/main_window.h"
#include "window/qt_text.h"

namespace {

using kestrin::window::MainWindow;
using kestrin::window::toUtf8;
using Strings = std::vector<std::string>;

// A shown window over a folder of level.qb, intro.qb and level.txt, with helpers that act as
// a user does: by mouse clicks and key presses.
class WindowUser : public kestrin::testing::FakeSystem {
public:
    WindowUser() {
        folder.names["*.qb"] = {"intro.qb", "level.qb"};
        folder.names["*.txt"] = {"level.txt"};
        m_window = std::make_unique<MainWindow>(dependencies());
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    QListView* list() const { return m_window->findChild<QListView*>("List1"); }
    QString text(const char* name) const { return m_window->findChild<QLineEdit*>(name)->text(); }
    Strings entries() const { return kestrin::testing::listEntries(*m_window); }

    void pick(const std::string& entry) {
        const QModelIndexList found = list()->model()->match(
            list()->model()->index(0, 0), Qt::DisplayRole, kestrin::window::toQString(entry));
        ASSERT_FALSE(found.isEmpty()) << entry;
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

    std::unique_ptr<MainWindow> m_window;
};

TEST(ListInterplay, KeyboardSelectionsArePicksToo) {
    WindowUser user;
    user.folder.names["*.qb"] = {"alpha.qb", "beta.qb", "gamma.qb"};
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
        std::string shown;
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
    user.folder.names["*.qb"].clear();
    user.folder.names["*.txt"].clear();
    Strings shown;
    for (const Name& name : names) {
        user.folder.names["*.qb"].push_back(name.exact + ".qb");
        user.folder.names["*.txt"].push_back(name.exact + ".txt");
        shown.push_back(name.shown);
    }
    // Listed again by Refresh, a pick fills the Decompile boxes; by ".txt for Compile", Compile's.
    const std::vector<std::pair<const char*, std::vector<const char*>>> ways = {
        {"Command3", {"Text1", "Text2"}}, {"Option2", {"Text3"}}};
    for (const auto& [click, boxes] : ways) {
        user.click(click);
        EXPECT_EQ(user.entries(), shown);
        for (const Name& name : names) {
            SCOPED_TRACE(name.shown);
            user.pick(name.shown);
            for (const char* box : boxes) {
                EXPECT_EQ(toUtf8(user.text(box)), name.exact) << box;
            }
        }
    }
    EXPECT_TRUE(user.messages.shown.empty());
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
