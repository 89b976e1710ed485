// SPDX-License-Identifier: MIT
// Kestrin: one window that lists a folder's game script files and starts the backend program on
// them. This file only starts the window on the real operating system, in the folder given.

#include <QApplication>
#include <iostream>

#include "app/start.h"
#include "app/system_window.h"
#include "platform/own_process.h"
#include "window/appearance.h"

int main(int argc, char* argv[]) {
    kestrin::platform::prepareOwnProcess();
    // Before QApplication, which needs a display: --help, --version and mistakes need none.
    kestrin::app::Arguments arguments = kestrin::app::parseArguments({argv + 1, argv + argc});
    if (const auto status = kestrin::app::prepare(arguments, std::cout, std::cerr)) {
        return *status;
    }
    std::vector<char*> qtArgv = kestrin::app::qtArgv(argv[0], arguments);
    int qtArgc = static_cast<int>(qtArgv.size()) - 1;
    QApplication app(qtArgc, qtArgv.data());
    kestrin::window::applyAppearance(app);
    kestrin::app::SystemWindow kestrin;
    kestrin.window().show();
    return QApplication::exec();
}
