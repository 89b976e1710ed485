// SPDX-License-Identifier: MIT
// Kestrin: one window that lists a folder's game script files and starts the backend on them.

#include <QApplication>

#include "app/command_line.h"
#include "app/system_window.h"
#include "platform/own_process.h"
#include "window/appearance.h"

int main(int argc, char* argv[]) {
    kestrin::platform::prepareOwnProcess();
    kestrin::app::QtStart qt(argc, argv);
    QApplication app(qt.argc(), qt.argv());
    if (const auto ending = kestrin::app::start(qt.arguments(), qt.haveDisplay())) {
        return kestrin::app::show(*ending);
    }
    kestrin::window::applyAppearance(app);
    kestrin::app::SystemWindow kestrin;
    kestrin.window().show();
    return QApplication::exec();
}
