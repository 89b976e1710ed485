// SPDX-License-Identifier: MIT
// Kestrin: one window that lists a folder's game script files and starts the backend program on
// them. This file only starts the window on the real operating system, in the folder given.

#include <QApplication>

#include "app/command_line.h"
#include "app/qt_start.h"
#include "app/system_window.h"
#include "platform/own_process.h"
#include "window/appearance.h"

int main(int argc, char* argv[]) {
    kestrin::platform::prepareOwnProcess();
    kestrin::app::QtStart qt(argc, argv);
    QApplication app(qt.argc(), qt.argv());
    // Only now the working folder changes: what Qt's own options name (-stylesheet FILE) is read
    // from the folder Kestrin was started in, as in any Qt program.
    const auto [arguments, haveDisplay] = qt.left();
    if (const auto ending = kestrin::app::start(arguments, haveDisplay)) {
        return kestrin::app::statusAfter(*ending, kestrin::app::show(*ending));
    }
    kestrin::window::applyAppearance(app);
    kestrin::app::SystemWindow kestrin;
    kestrin.window().show();
    return QApplication::exec();
}
