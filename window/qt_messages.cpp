// SPDX-License-Identifier: MIT
#include "window/qt_messages.h"

#include <QMessageBox>

#include "window/control_table.h"
#include "window/qt_text.h"

namespace kestrin::window {
namespace {

// A run of characters without a blank, longer than this, would widen the box past the screen
// (a long file name, a line of a backend's stderr): it is broken into lines of this length.
constexpr qsizetype kLongestRun = 80;

QString withLongRunsBroken(const QString& text) {
    QString broken;
    broken.reserve(text.size());
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kLongestRun && !c.isLowSurrogate()) {
            broken += QLatin1Char('\n');
            run = 1;
        }
        broken += c;
    }
    return broken;
}

}  // namespace

void QtMessages::inform(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, toQString(kWindowTitle),
                    withLongRunsBroken(toQString(text)), QMessageBox::Ok, m_parent);
    // File names reach these texts; one holding "<b>" must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace kestrin::window
