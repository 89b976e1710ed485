// SPDX-License-Identifier: MIT
#pragma once
// Kestrin's command line, `kestrin [OPTION...] [FOLDER]`: QApplication takes out the options every
// Qt program takes (-platform, -style, ...), then QCommandLineParser reads the rest in one pass.

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace kestrin::app {

// What QApplication is given, and what it leaves. Without a display Qt would abort() before Kestrin
// could say why or show its help, so it is given the platform it would choose (or the one asked
// for), then its minimal one, which needs none. What Qt says meanwhile is held back: on the minimal
// platform Kestrin says that there is no display; otherwise it was only the way there.
class QtStart {
public:
    QtStart(int argc, char** argv);  // before QApplication
    QtStart(const QtStart&) = delete;
    QtStart& operator=(const QtStart&) = delete;

    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

    // Once QApplication exists: whether Qt found a display (or was asked for a platform without
    // one), letting through only then what it said; and the arguments it left, the name first.
    bool haveDisplay();
    QStringList arguments() const;

private:
    std::vector<char*> m_argv;  // the program's arguments, then the platforms, then a null
    int m_argc;
    std::string m_platforms;  // "" on Windows, where Qt's platform needs no display
};

// How the program ends before its window: the exit status, and the help or version for standard
// output, or a refusal for standard error.
struct Ending {
    int status = 0;
    std::string text;
};

// An argument as the system holds it, in a QString and back. On POSIX a byte that is not UTF-8
// travels as a lone surrogate (U+DC80 to U+DCFF), so that any folder comes back byte for byte.
QString fromArgument(const char* argument);
std::string toArgument(const QString& argument);

// Reads the arguments Qt left: the help or version (status 0), a refusal (2: an unknown option, a
// second folder, one that cannot be entered), no display (1); or nothing, in the folder given,
// where a style sheet Qt is to read (-stylesheet FILE) is still the one named where it started.
std::optional<Ending> start(const QStringList& arguments, bool haveDisplay);

// Shows the text on standard output or error (on Windows in a message box unless the program was
// given somewhere to write, as Qt's parser does) and gives the exit status. A refusal is one line;
// nothing that does not show as itself reaches the terminal (bytes not UTF-8 show as \xHH).
int show(const Ending& ending);

}  // namespace kestrin::app
