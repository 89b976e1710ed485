// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <map>
#include <set>

#include "caption_fit.h"
#include "fake_watch.h"
#include "window/control_table.h"
#include "window/main_window.h"
#include "window/qt_messages.h"
#include "window/qt_text.h"
#include "window/twips.h"

namespace {

using kestrin::testing::listEntries;
using kestrin::window::ControlKind;
using kestrin::window::ControlRole;
using kestrin::window::kControls;
using kestrin::window::MainWindow;
using kestrin::window::toQString;
using Strings = std::vector<std::string>;

class WindowTest : public ::testing::Test, protected kestrin::testing::FakeSystem {};

TEST(ControlTable, HoldsItsInvariants) {
    std::set<std::string_view> seen = {kestrin::window::kWindowName};
    std::map<ControlRole, int> roles;
    for (const auto& control : kControls) {
        SCOPED_TRACE(std::string(control.name));
        EXPECT_TRUE(seen.contains(control.parent)) << "parent comes first";
        EXPECT_TRUE(seen.insert(control.name).second) << "names are unique";
        const bool namedByCaption =
            control.kind == ControlKind::GroupBox || control.kind == ControlKind::PushButton ||
            control.kind == ControlKind::Label || control.kind == ControlKind::OptionButton;
        EXPECT_NE(namedByCaption, !control.accessibleName.empty()) << "every control has a name";
        ++roles[control.role];
    }
    // The window binds one member for each role; a role on two rows would leave one unbound.
    roles.erase(ControlRole::None);
    EXPECT_EQ(roles.size(), 13u) << "every role the window's code uses is in the table";
    for (const auto& [role, rows] : roles) {
        EXPECT_EQ(rows, 1) << "role " << static_cast<int>(role) << " on more than one row";
    }
}

TEST(Twips, RoundsEdgesSoNeighboursMeet) {
    for (const qreal dpi : {96.0, 120.0, 144.0, 100.0}) {
        for (int left = 0; left < 600; left += 7) {
            for (int width = 1; width < 200; width += 13) {
                const QRect a = kestrin::window::twipsToPixels(left, 0, width, 10, dpi);
                const QRect b = kestrin::window::twipsToPixels(left + width, 0, 37, 10, dpi);
                ASSERT_EQ(a.x() + a.width(), b.x()) << dpi << " " << left << " " << width;
            }
        }
    }
    EXPECT_EQ(kestrin::window::twipsToPixels(5295, 96.0), 353);
    EXPECT_EQ(kestrin::window::twipsToPixels(255, 144.0), 26);  // 25.5 rounds up
}

TEST_F(WindowTest, StartsWithTheDefaults) {
    folder.names["*.qb"] = {"level.qb", "intro.qb"};
    MainWindow window(dependencies());

    EXPECT_EQ(window.windowTitle(), "Kestrin");
    EXPECT_EQ(window.size(), QSize(353, 382));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
    const std::vector<std::pair<const char*, const char*>> texts = {
        {"Text1", ""}, {"Text2", ""}, {"Text3", ""}, {"Text4", "mervo.exe"}, {"Text5", ".prx/pre"}};
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(window.findChild<QLineEdit*>(name)->text(), text) << name;
    }
    auto* game = window.findChild<QComboBox*>("Combo1");
    ASSERT_EQ(game->count(), 3);
    EXPECT_EQ(game->itemText(0), "DEBUG");
    EXPECT_EQ(game->itemText(1), "THUG1");
    EXPECT_EQ(game->itemText(2), " ");
    EXPECT_EQ(game->currentText(), " ");
    EXPECT_TRUE(game->isEditable());
    EXPECT_TRUE(window.findChild<QRadioButton*>("Option1")->isChecked());
    EXPECT_FALSE(window.findChild<QRadioButton*>("Option2")->isChecked());
    auto* banner = window.findChild<QPlainTextEdit*>("Text6");
    EXPECT_TRUE(banner->isReadOnly());
    EXPECT_EQ(banner->blockCount(), 3) << "two lines and the closing line break";
    EXPECT_EQ(banner->document()->firstBlock().text(), "Launcher");

    EXPECT_EQ(folder.asked, Strings{"*.qb"});
    EXPECT_EQ(listEntries(window), (Strings{"level", "intro"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WindowTest, BuildsEveryControlOfTheTableInsideItsParent) {
    MainWindow window(dependencies());
    for (const auto& control : kControls) {
        SCOPED_TRACE(std::string(control.name));
        auto* widget = window.findChild<QWidget*>(toQString(control.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), toQString(control.parent));
        EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()));
        EXPECT_FALSE(widget->accessibleName().isEmpty() && control.caption.empty());
    }
}

TEST_F(WindowTest, PlacesControlsAtTheirPixelPositions) {
    MainWindow window(dependencies());
    // Worked out by hand: twips / 15 at 96 dpi, inside the parent's client area.
    const std::vector<std::pair<const char*, QRect>> expected = {
        {"Frame3", QRect(8, 200, 337, 177)}, {"List1", QRect(8, 32, 321, 121)},
        {"Text6", QRect(224, 112, 121, 33)}, {"Label3", QRect(152, 8, 113, 17)},
        {"Combo1", QRect(8, 40, 121, 21)},   {"Option2", QRect(240, 8, 89, 17)},
    };
    for (const auto& [name, rect] : expected) {
        EXPECT_EQ(window.findChild<QWidget*>(name)->geometry(), rect) << name;
    }
}

TEST_F(WindowTest, TabFollowsTheTableOrder) {
    MainWindow window(dependencies());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.findChild<QWidget*>("Text1")->setFocus();
    const QStringList expected = {"Command1", "Text2",    "Text3", "Command2", "Combo1",
                                  "List1",    "Command3", "Text4", "Text5",    "Command4",
                                  "Text6",    "Option1",  "Text1"};
    QStringList visited;
    for (int press = 0; press < expected.size(); ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // The editable game box hands its focus to its line edit.
        while (focus != nullptr && focus->objectName().isEmpty()) {
            focus = focus->parentWidget();
        }
        visited.append(focus ? focus->objectName() : QString("(none)"));
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(WindowTest, EveryCaptionFitsItsControl) {
    MainWindow window(dependencies());
    ASSERT_EQ(window.logicalDpiX(), 96);
    // Measured in the font the program asked for, not in a stand-in the system chose for it.
    EXPECT_EQ(QFontInfo(window.font()).family(), window.font().family());
    kestrin::testing::expectEveryCaptionFits(window);
}

// A folder without matches says nothing. An unreadable one says so once, whatever the cause; the
// system's reason goes to stderr, as Qt warns.
TEST_F(WindowTest, AnUnreadableFolderSaysSoOnceAndAnEmptyListNothing) {
    static QStringList warned;
    const QtMessageHandler before = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& text) {
            warned.append(QString(context.category) + ": " + text);
        });
    folder.names["*.txt"] = {"notes.txt"};
    const QString reason =
        QString::fromStdString(std::make_error_code(std::errc::permission_denied).message());
    for (const bool readable : {true, false}) {
        folder.readable = readable;
        messages.shown.clear();
        warned.clear();
        MainWindow window(dependencies());
        EXPECT_TRUE(listEntries(window).empty());
        EXPECT_EQ(messages.shown, readable ? Strings{} : Strings{"Drive not reading"});
        EXPECT_EQ(warned,
                  readable
                      ? QStringList{}
                      : QStringList{"kestrin.listing: cannot list the working folder: " + reason});
    }
    qInstallMessageHandler(before);
}

// The real box: plain text, no icon, one button; a run of characters too long for the screen
// (a file name of control characters shown as U+XXXX, say) is broken into lines, so that the box
// stays on the screen and shows what follows it.
TEST(QtMessages, ShowsAPlainModalBoxWithOneOkButtonOnTheScreen) {
    const std::string longRun(1200, 'x');
    const std::vector<std::pair<std::string, QString>> cases = {
        {"<b>Drive not reading</b>", "<b>Drive not reading</b>"},
        {longRun + "\nthe line after", QString(longRun.c_str()) + "\nthe line after"},
    };
    for (const auto& [given, whole] : cases) {
        SCOPED_TRACE(given.substr(0, 30));
        kestrin::window::QtMessages boxes;
        QString title, text;
        int buttons = -1;
        QMessageBox::Icon icon = QMessageBox::Warning;
        Qt::TextFormat format = Qt::AutoText;
        bool onScreen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            format = box->textFormat();
            buttons = static_cast<int>(box->buttons().size());
            onScreen = box->screen()->availableGeometry().width() >= box->frameGeometry().width();
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        boxes.inform(given);  // returns once OK is pressed
        EXPECT_EQ(title, "Kestrin");
        EXPECT_EQ(QString(text).remove(QLatin1Char('\n')),
                  QString(whole).remove(QLatin1Char('\n')));
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            EXPECT_LE(line.size(), 80);
        }
        EXPECT_TRUE(onScreen);
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(icon, QMessageBox::NoIcon);
        EXPECT_EQ(buttons, 1);
    }
}

}  // namespace
