// SPDX-License-Identifier: MIT
// The window's controls, made from the control table: one widget a row, placed in twips, and
// kept by role. Qt's tab order is the order widgets are made in, so it is the table's.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <map>

#include "window/control_table.h"
#include "window/main_window.h"
#include "window/qt_text.h"
#include "window/twips.h"

namespace kestrin::window {
namespace {

QWidget* makeBanner(std::string_view content, QWidget* parent) {
    auto* banner = new QPlainTextEdit(parent);
    // Qt keeps lines apart with "\n"; a "\r" would show as a second, empty line.
    banner->setPlainText(toQString(content).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    banner->setReadOnly(true);
    banner->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    banner->setFocusPolicy(Qt::StrongFocus);
    banner->setTabChangesFocus(true);
    // Two short lines fill the fixed box; a scroll bar would only hide them.
    banner->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    banner->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    banner->document()->setDocumentMargin(2);
    QPalette palette = banner->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Dark));  // the button-shadow colour
    banner->setPalette(palette);
    return banner;
}

QWidget* makeGameBox(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);  // a typed game entry stays typed
    for (const std::string_view entry : kGameEntries) {
        combo->addItem(toQString(entry));
    }
    combo->setCurrentIndex(static_cast<int>(kGameEntries.size()) - 1);
    return combo;
}

}  // namespace

void MainWindow::buildControls() {
    const qreal dpi = logicalDpiX();
    // Parents by name, for the rows that follow them; only this loop looks controls up by name.
    std::map<std::string_view, QWidget*> made = {{kWindowName, this}};
    for (const ControlSpec& control : kControls) {
        QWidget* widget = createControl(control, made.at(control.parent));
        widget->setObjectName(toQString(control.name));
        widget->setGeometry(
            twipsToPixels(control.left, control.top, control.width, control.height, dpi));
        if (!control.accessibleName.empty()) {
            widget->setAccessibleName(toQString(control.accessibleName));
        }
        made.emplace(control.name, widget);
        if (control.role != ControlRole::None) {
            m_controls.emplace(control.role, widget);
        }
    }
}

QWidget* MainWindow::createControl(const ControlSpec& control, QWidget* parent) {
    const QString caption = toQString(control.caption);
    switch (control.kind) {
        case ControlKind::GroupBox:
            return new QGroupBox(caption, parent);
        case ControlKind::TextBox:
            return new QLineEdit(caption, parent);
        case ControlKind::MultiLineTextBox:
            return makeBanner(control.caption, parent);
        case ControlKind::PushButton:
            return new QPushButton(caption, parent);
        case ControlKind::Label:
            return new QLabel(caption, parent);
        case ControlKind::OptionButton: {
            auto* option = new QRadioButton(caption, parent);
            option->setChecked(control.role == QbOption);  // ".qb for Decompile" at first
            return option;
        }
        case ControlKind::ComboBox:
            return makeGameBox(parent);
        case ControlKind::ListBox: {
            auto* list = new QListView(parent);
            list->setModel(&m_files);
            list->setUniformItemSizes(true);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            return list;
        }
    }
    Q_UNREACHABLE();
}

}  // namespace kestrin::window
