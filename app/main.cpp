// Kestrin: one window that lists a folder's game script files and starts the backend program on
// them. This file only starts the window on the real operating system.

#include <QApplication>

#include "window/appearance.h"
#include "window/system_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    kestrin::window::applyAppearance(app);
    kestrin::window::SystemWindow kestrin;
    kestrin.window().show();
    return QApplication::exec();
}
