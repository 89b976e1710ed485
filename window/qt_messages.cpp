// SPDX-License-Identifier: MIT
#include "window/qt_messages.h"

#include <QMessageBox>

#include "window/text_edge.h"

namespace kestrin::window {

void QtMessages::inform(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, m_title, toQString(text), QMessageBox::Ok, m_parent);
    // File names reach these texts; one holding "<b>" must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace kestrin::window
