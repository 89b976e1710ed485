// SPDX-License-Identifier: MIT
#pragma once
// How the widget tests decide that a caption fits its control: the caption's width in the
// control's font against the room the style leaves for it.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <string>

#include "window/control_table.h"
#include "window/main_window.h"
#include "window/qt_text.h"

namespace kestrin::testing {

// Width the style leaves for a caption, by the style's own rectangles.
inline int roomForCaption(QWidget* widget) {
    QStyle* style = widget->style();
    if (auto* option = qobject_cast<QRadioButton*>(widget)) {
        QStyleOptionButton opt;
        opt.initFrom(option);
        opt.text = option->text();
        return style->subElementRect(QStyle::SE_RadioButtonContents, &opt, option).width();
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = button->text();
        return style->subElementRect(QStyle::SE_PushButtonContents, &opt, button).width();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        QStyleOptionGroupBox opt;
        opt.initFrom(group);
        opt.text = group->title();
        opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label =
            style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
        return group->rect().contains(label) ? label.width() : 0;
    }
    return qobject_cast<QLabel*>(widget)->contentsRect().width();
}

inline QString captionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title();
    }
    return qobject_cast<QLabel*>(widget)->text();
}

// Every control of the table that shows a caption, rather than content, has room for it.
inline void expectEveryCaptionFits(const window::MainWindow& window) {
    for (const auto& control : window::kControls) {
        if (!control.accessibleName.empty()) {
            continue;  // boxes with content, not captions
        }
        SCOPED_TRACE(std::string(control.name));
        auto* widget = window.findChild<QWidget*>(window::toQString(control.name));
        ASSERT_NE(widget, nullptr);
        const QFontMetrics metrics(widget->font());
        EXPECT_LE(metrics.horizontalAdvance(captionOf(widget)), roomForCaption(widget));
        EXPECT_LE(metrics.height(), widget->height());
    }
}

}  // namespace kestrin::testing
