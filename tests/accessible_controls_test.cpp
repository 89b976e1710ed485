// SPDX-License-Identifier: MIT
// The window as an accessibility client works it: every step goes through the interfaces the
// bus reads, and each must end where the same steps by mouse end (see list_interplay_test.cpp).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <functional>

#include "fake_watch.h"
#include "window/main_window.h"

namespace {

using kestrin::window::MainWindow;

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

void act(QAccessibleInterface* control, const QString& action) {
    ASSERT_TRUE(control->actionInterface()->actionNames().contains(action))
        << control->text(QAccessible::Name).toStdString() << " lacks " << action.toStdString();
    control->actionInterface()->doAction(action);
}

QStringList childNames(QAccessibleInterface* parent) {
    QStringList names;
    for (int i = 0; i < parent->childCount(); ++i) {
        EXPECT_EQ(parent->indexOfChild(parent->child(i)), i);
        names.append(parent->child(i)->text(QAccessible::Name));
    }
    return names;
}

QAccessibleInterface* childNamed(QAccessibleInterface* parent, const QString& name) {
    const qsizetype found = childNames(parent).indexOf(name);
    return found < 0 ? nullptr : parent->child(static_cast<int>(found));
}

// A window over a folder of intro.qb, level.qb and level.txt, worked through its interfaces.
class Client : public kestrin::testing::FakeSystem {
public:
    Client() {
        folder.names["*.qb"] = {"intro.qb", "level.qb"};
        folder.names["*.txt"] = {"level.txt"};
        m_window = std::make_unique<MainWindow>(dependencies());
    }
    QAccessibleInterface* control(const char* name) const {
        return accessible(m_window->findChild<QWidget*>(name));
    }
    QAccessibleInterface* files() const { return control("List1"); }
    void pick(const QString& entry) { act(childNamed(files(), entry), "Toggle"); }
    void type(const char* name, const QString& value) {
        m_window->findChild<QLineEdit*>(name)->setText(value);
    }
    QString text(const char* name) const { return m_window->findChild<QLineEdit*>(name)->text(); }

    std::unique_ptr<MainWindow> m_window;
};

struct Expected {
    QString text1, text2, text3;
    QStringList entries;
    int selectedRows;
};

struct Road {
    const char* why;
    std::function<void(Client&)> steps;
    Expected expected;
};

TEST(AccessibleControls, ActionsEndWhereTheMouseEnds) {
    const QStringList qb = {"intro", "level"};
    const QStringList txt = {"level"};
    const std::vector<Road> roads = {
        {"toggling .txt for Compile relists, so the next pick feeds Compile",
         [](auto& c) {
             act(c.control("Option2"), "Toggle");
             c.pick("level");
         },
         {"", "", "level", txt, 1}},
        {"pressing either option switches the list back and forth",
         [](auto& c) {
             act(c.control("Option2"), "Press");
             act(c.control("Option1"), "Press");
         },
         {"", "", "", qb, 0}},
        {"an action on the option already chosen relists without touching the boxes",
         [](auto& c) {
             c.pick("level");
             c.type("Text2", "out");
             act(c.control("Option1"), "Toggle");
         },
         {"level", "out", "", qb, 0}},
        {"selecting a row through the list's table is a pick",
         [](auto& c) { EXPECT_TRUE(c.files()->tableInterface()->selectRow(0)); },
         {"intro", "intro", "", qb, 1}},
        {"the entry's action on the selected entry repeats the pick",
         [](auto& c) {
             c.pick("level");
             c.type("Text1", "edited");
             c.pick("level");
         },
         {"level", "level", "", qb, 1}},
        {"the one selected row cannot be unselected, as with the mouse",
         [](auto& c) {
             c.pick("intro");
             EXPECT_FALSE(c.files()->tableInterface()->unselectRow(0));
         },
         {"intro", "intro", "", qb, 1}},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.why);
        Client client;
        road.steps(client);
        EXPECT_EQ(client.text("Text1"), road.expected.text1);
        EXPECT_EQ(client.text("Text2"), road.expected.text2);
        EXPECT_EQ(client.text("Text3"), road.expected.text3);
        EXPECT_EQ(childNames(client.files()), road.expected.entries);
        EXPECT_EQ(client.files()->tableInterface()->selectedRowCount(), road.expected.selectedRows);
        EXPECT_TRUE(client.messages.shown.empty());
    }
}

TEST(AccessibleControls, WindowAndGameBoxKeepTheirRolesAndNames) {
    Client client;
    QAccessibleInterface* window = accessible(client.m_window.get());
    EXPECT_EQ(window->role(), QAccessible::Window);  // a frame on the bus
    EXPECT_EQ(window->text(QAccessible::Name), "Kestrin");

    QAccessibleInterface* game = client.control("Combo1");
    ASSERT_EQ(game->role(), QAccessible::ComboBox);
    QAccessibleInterface* dropDown = game->child(0);
    EXPECT_EQ(dropDown->parent(), game) << "the drop-down list hangs under its box";
    EXPECT_EQ(childNames(dropDown), QStringList({"DEBUG", "THUG1", " "}));
    EXPECT_EQ(game->child(1)->object(), client.m_window->findChild<QComboBox*>()->lineEdit());
    for (const QString choice : {"THUG1", "DEBUG"}) {
        act(childNamed(dropDown, choice), "Toggle");
        EXPECT_EQ(game->text(QAccessible::Name), "Game");
        EXPECT_EQ(game->text(QAccessible::Value), choice);
    }
    client.m_window->findChild<QComboBox*>()->setEditText("typed");
    EXPECT_EQ(game->text(QAccessible::Name), "Game");
    EXPECT_EQ(game->text(QAccessible::Value), "typed");
}

TEST(AccessibleControls, OptionsAreNamedByCaptionAndShowTheirChoice) {
    Client client;
    QAccessibleInterface* qb = client.control("Option1");
    QAccessibleInterface* txt = client.control("Option2");
    EXPECT_EQ(qb->text(QAccessible::Name), ".qb for Decompile");
    EXPECT_EQ(txt->text(QAccessible::Name), ".txt for Compile");
    act(txt, "Press");
    EXPECT_FALSE(qb->state().checked);
    EXPECT_TRUE(txt->state().checked && txt->state().checkable);
    client.m_window->findChild<QRadioButton*>("Option2")->setText("&Text && more");
    EXPECT_EQ(txt->text(QAccessible::Name), "Text & more") << "the shortcut mark is not read";
}

}  // namespace
