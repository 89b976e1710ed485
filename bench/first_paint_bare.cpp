// SPDX-License-Identifier: MIT
// The floor for Kestrin's start-up: a Qt program that builds the same 21 widgets at the same
// places and nothing else (no style or font of its own, no model, no handlers, no listing), and
// ends after the first complete paint of its window.

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <map>

#include "bench/first_paint.h"
#include "window/control_table.h"
#include "window/text_edge.h"

namespace {

using kestrin::window::ControlKind;
using kestrin::window::ControlSpec;

QWidget* make(const ControlSpec& control, QWidget* parent) {
    const QString caption = kestrin::window::toQString(control.caption);
    switch (control.kind) {
        case ControlKind::GroupBox:
            return new QGroupBox(caption, parent);
        case ControlKind::TextBox:
            return new QLineEdit(caption, parent);
        case ControlKind::MultiLineTextBox:
            return new QPlainTextEdit(caption, parent);
        case ControlKind::PushButton:
            return new QPushButton(caption, parent);
        case ControlKind::Label:
            return new QLabel(caption, parent);
        case ControlKind::OptionButton:
            return new QRadioButton(caption, parent);
        case ControlKind::ComboBox:
            return new QComboBox(parent);
        case ControlKind::ListBox:
            return new QListView(parent);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Kestrin"));
    const qreal pixelsPerTwip = window.logicalDpiX() / 1440.0;
    const auto px = [pixelsPerTwip](int twips) { return qRound(twips * pixelsPerTwip); };
    window.setFixedSize(px(kestrin::window::kClientWidthTwips),
                        px(kestrin::window::kClientHeightTwips));
    std::map<std::string_view, QWidget*> made;
    for (const ControlSpec& control : kestrin::window::kControls) {
        QWidget* parent =
            control.parent == kestrin::window::kWindowName ? &window : made.at(control.parent);
        QWidget* widget = make(control, parent);
        widget->setGeometry(px(control.left), px(control.top), px(control.width),
                            px(control.height));
        made.emplace(control.name, widget);
    }
    kestrin::bench::QuitAfterFirstPaint quit;
    window.installEventFilter(&quit);
    window.show();
    return QApplication::exec();
}
