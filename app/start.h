// SPDX-License-Identifier: MIT
#pragma once
// What the program does with its command line before any window exists: help, version and
// mistakes end it there, and the window is made in the folder it is to work in.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "app/arguments.h"

namespace kestrin::app {

// How the program ends before its window, if it does: the exit status, and the text to show then.
struct Ending {
    int status = 0;
    QString text;  // help or version for standard output, a refusal for standard error
};

// Ends with the help or the version (status 0) or a refusal (status 2, also for a folder that
// cannot be entered), or makes the folder given the working folder and ends nothing. Arguments
// that wait for Qt (AskQt) end nothing and name no folder yet.
std::optional<Ending> prepare(const Arguments& arguments);

// Shows the text where the user sees it: on standard output or standard error; on Windows, where
// a program with a window has no console, in a message box unless it was given handles to write
// to, as Qt's own parser does. A refusal is one line, and no character that does not show as
// itself reaches the terminal as it is. False when the text could not be written.
bool show(const Ending& ending);

// The exit status once ending has been shown, or could not be: a help or version that was not
// written (stdout a full disk, a closed pipe) is a failure too.
inline int statusAfter(const Ending& ending, bool shown) {
    return ending.status == 0 && !shown ? 1 : ending.status;
}

// The arguments Qt reads its options from: everything before the first "--", so that a folder
// after it is never taken for one of Qt's.
class QtArguments {
public:
    QtArguments(int argc, char** argv);

    // Without any display to open (no DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM or -platform),
    // Qt would end the program before Kestrin could read what it left; on Qt's minimal platform
    // it only reads its own options. True when that platform was asked for.
    bool readWithoutDisplay();

    // For QApplication, which takes its own options out of them.
    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

    // What Qt left of the command line, followed by "--" and everything after it, taken from
    // given: the same command line, as QCoreApplication::arguments() read it.
    QStringList left(const QStringList& given) const;

private:
    std::vector<char*> m_given;  // the program's own argv
    std::vector<char*> m_argv;   // what Qt reads, then a null pointer
    std::size_t m_beforeDashes;  // how many of m_given come before "--"
    int m_argc;
};

}  // namespace kestrin::app
