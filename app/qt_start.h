// SPDX-License-Identifier: MIT
#pragma once
// What QApplication is given, and what it leaves. Without a display to open Qt ends a program by
// abort(), before it could say why or take its help; so Qt is given the platform it would choose
// anyway (or the one asked for) followed by its minimal platform, which needs none. While
// QApplication is made, what Qt says about its platforms is held back: on the minimal platform
// Kestrin says in one line that there is no display, and otherwise it was only the way there.
// A style sheet named on the command line (-stylesheet FILE) is Qt's to read later, when the
// working folder may have changed: it is taken from the folder Kestrin was started in, as in any
// Qt program.

#include <QStringList>
#include <string>
#include <vector>

namespace kestrin::app {

class QtStart {
public:
    // Before QApplication: the program's own arguments.
    QtStart(int argc, char** argv);
    QtStart(const QtStart&) = delete;
    QtStart& operator=(const QtStart&) = delete;

    // For QApplication, which takes its own options out of them.
    int& argc() { return m_argc; }
    char** argv() { return m_argv.data(); }

    // Once QApplication exists: the command line as Qt left it, the program's name first, and
    // whether Qt found a display (or was asked for a platform without one); what it said while it
    // looked is let through only then.
    struct Left {
        QStringList arguments;
        bool haveDisplay;
    };
    Left left();

private:
    bool haveDisplay();
    QStringList arguments() const;

    std::vector<char*> m_argv;  // the program's arguments, then the platforms, then a null
    int m_argc;
    std::string m_platforms;  // "" on Windows, where Qt's platform needs no display
};

}  // namespace kestrin::app
