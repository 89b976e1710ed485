// SPDX-License-Identifier: MIT
#pragma once
// Kestrin's command line, `kestrin [OPTION...] [FOLDER]`, read by QCommandLineParser. The options
// every Qt program takes (-platform, -style, ...) are Qt's to read: QApplication takes them out of
// the arguments it is given, and Kestrin reads what is left. Until then an option Kestrin does not
// know may be one of Qt's, so only such a command line waits for Qt; every other one is decided
// before any display is needed.

#include <QString>
#include <QStringList>
#include <optional>

namespace kestrin::app {

struct Arguments {
    enum class Action { Run, ShowHelp, ShowVersion, Refuse, AskQt };

    Action action = Action::Run;
    // Run: the folder to work in; none means the folder Kestrin was started in.
    std::optional<QString> folder;
    // ShowHelp and ShowVersion: the text to show; Refuse: what is wrong, in one line.
    QString text;

    bool operator==(const Arguments&) const = default;
};

// Whether Qt has taken its own options out of the arguments yet.
enum class Stage { BeforeQt, AfterQt };

// Reads the command line, the program's name first. Before Qt, an option Kestrin does not know
// gives AskQt; after Qt, it is refused. "--" makes every later argument a folder, even one that
// starts with "-". The help names the program as QCoreApplication::arguments() does, so one must
// exist.
Arguments readArguments(const QStringList& arguments, Stage stage);

}  // namespace kestrin::app
