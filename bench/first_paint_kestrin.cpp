// SPDX-License-Identifier: MIT
// Kestrin as app/main.cpp starts it, ending after the first complete paint of its window: the
// start-up benchmark runs this in place of the program, which keeps no command-line options.

#include <QApplication>

#include "app/system_window.h"
#include "bench/first_paint.h"
#include "platform/own_process.h"
#include "window/appearance.h"

int main(int argc, char* argv[]) {
    kestrin::platform::prepareOwnProcess();
    QApplication app(argc, argv);
    kestrin::window::applyAppearance(app);
    kestrin::app::SystemWindow kestrin;
    kestrin::bench::QuitAfterFirstPaint quit;
    kestrin.window().installEventFilter(&quit);
    kestrin.window().show();
    return QApplication::exec();
}
