// SPDX-License-Identifier: MIT
#pragma once
// Kestrin's command line, `kestrin [OPTION...] [FOLDER]`, read in one pass by QCommandLineParser
// once QApplication has taken out the options every Qt program takes (-platform, -style, ...).
// Help, version and mistakes end the program before its window, and the window is made in the
// folder it is to work in.

#include <QStringList>
#include <optional>
#include <string>

namespace kestrin::app {

// How the program ends before its window, if it does: the exit status, and the text to show.
struct Ending {
    int status = 0;
    std::string text;  // help or version for standard output, a refusal for standard error
};

// A command-line argument as the system holds it, in a QString and back. On POSIX a byte that is
// not UTF-8 travels as a lone surrogate (U+DC80 to U+DCFF), so that any folder the file system
// holds comes back byte for byte.
QString fromArgument(const char* argument);
std::string toArgument(const QString& argument);

// Reads the arguments Qt left, the program's name first. Ends with the help or the version
// (status 0) or a refusal (status 2: an unknown option, a second folder, a folder that cannot be
// entered); with no display to show the window on, ends with status 1; otherwise makes the
// folder given the working folder and ends nothing.
std::optional<Ending> start(const QStringList& arguments, bool haveDisplay);

// Shows the text where the user sees it: on standard output or standard error; on Windows, where
// a program with a window has no console, in a message box unless it was given handles to write
// to, as Qt's own parser does. A refusal is one line, and no character that does not show as
// itself reaches the terminal as it is (bytes that are not UTF-8 show as \xHH). False when the
// text could not be written.
bool show(const Ending& ending);

// The exit status once ending has been shown, or could not be: a help or version that was not
// written (stdout a full disk, a closed pipe) is a failure too.
inline int statusAfter(const Ending& ending, bool shown) {
    return ending.status == 0 && !shown ? 1 : ending.status;
}

}  // namespace kestrin::app
