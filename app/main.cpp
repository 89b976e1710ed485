// SPDX-License-Identifier: MIT
// Kestrin: one window that lists a folder's game script files and starts the backend program on
// them. This file only starts the window on the real operating system, in the folder given.

#include <QApplication>
#include <QCoreApplication>

#include "app/start.h"
#include "app/system_window.h"
#include "platform/own_process.h"
#include "window/appearance.h"

int main(int argc, char* argv[]) {
    using kestrin::app::Arguments;
    kestrin::platform::prepareOwnProcess();
    // Help, version and mistakes need no display: a QCoreApplication reads the command line (on
    // Windows as the system holds it, in UTF-16) and goes before the QApplication is made.
    QStringList given;
    Arguments arguments;
    {
        const QCoreApplication reader(argc, argv);
        given = QCoreApplication::arguments();
        arguments = kestrin::app::readArguments(given, kestrin::app::Stage::BeforeQt);
        if (arguments.action != Arguments::Action::AskQt) {
            if (const auto ending = kestrin::app::prepare(arguments)) {
                return kestrin::app::statusAfter(*ending, kestrin::app::show(*ending));
            }
        }
    }
    kestrin::app::QtArguments qt(argc, argv);
    const bool noDisplay = arguments.action == Arguments::Action::AskQt && qt.readWithoutDisplay();
    QApplication app(qt.argc(), qt.argv());
    if (arguments.action == Arguments::Action::AskQt) {
        // Qt has taken out its own options: what is left is Kestrin's, or a mistake.
        arguments = kestrin::app::readArguments(qt.left(given), kestrin::app::Stage::AfterQt);
        if (const auto ending = kestrin::app::prepare(arguments)) {
            return kestrin::app::statusAfter(*ending, kestrin::app::show(*ending));
        }
        if (noDisplay) {
            const kestrin::app::Ending ending{
                1, QStringLiteral("kestrin: there is no display to show the window on\n")};
            (void)kestrin::app::show(ending);
            return ending.status;
        }
    }
    kestrin::window::applyAppearance(app);
    kestrin::app::SystemWindow kestrin;
    kestrin.window().show();
    return QApplication::exec();
}
