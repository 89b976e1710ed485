#include "window/qt_messages.h"

#include <QMessageBox>

namespace kestrin::window {

void QtMessages::inform(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, m_title, QString::fromStdString(text), QMessageBox::Ok,
                    m_parent);
    // File names reach these texts; one holding "<b>" must not be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace kestrin::window
