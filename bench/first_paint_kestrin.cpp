// Kestrin as app/main.cpp wires it, ending after the first complete paint of its window: the
// start-up benchmark runs this in place of the program, which keeps no command-line options.

#include <QApplication>

#include "bench/first_paint.h"
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
    kestrin::bench::QuitAfterFirstPaint quit;
    window.installEventFilter(&quit);
    window.show();
    return QApplication::exec();
}
