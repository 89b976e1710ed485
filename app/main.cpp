// Kestrin: one window that lists a folder's game script files and starts the backend program on
// them. This file only wires the real operating system into the window.

#include <QApplication>

#include "platform/directory_search.h"
#include "platform/launcher.h"
#include "platform/qt_messages.h"
#include "window/appearance.h"
#include "window/control_table.h"
#include "window/main_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    kestrin::window::applyAppearance(app);

    const auto search = kestrin::platform::makeDirectorySearch();
    const auto launcher = kestrin::platform::makeLauncher();
    const auto& title = kestrin::window::kWindowTitle;
    kestrin::platform::QtMessages messages(QString::fromUtf8(title.data(), title.size()));

    kestrin::window::MainWindow window({*search, *launcher, messages});
    messages.setParent(&window);
    window.show();
    return QApplication::exec();
}
