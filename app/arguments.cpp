// SPDX-License-Identifier: MIT
#include "app/arguments.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace kestrin::app {
namespace {

const char* const kDescription =
    "Lists the game script files of FOLDER in a window and starts the backend on them.\n"
    "Kestrin works in FOLDER as if it had been started there: it lists its files, the\n"
    "backend runs there and outputs are written there. Without FOLDER it works in the\n"
    "folder it was started in.\n"
    "\n"
    "The options every Qt program takes (-platform, -style, -reverse, ...) are passed on\n"
    "to Qt. Exit status: 0, or 2 when the arguments or FOLDER cannot be used.";

Arguments refuse(QString problem) {
    // Qt's own messages end in a full stop; the hint follows the problem on its line.
    if (problem.endsWith(u'.')) {
        problem.chop(1);
    }
    return {Arguments::Action::Refuse, std::nullopt,
            QStringLiteral("kestrin: ") + problem + QStringLiteral(" (see kestrin --help)")};
}

}  // namespace

Arguments readArguments(const QStringList& arguments, Stage stage) {
    QCommandLineParser parser;
    // Qt's own options have one dash and a word (-platform), so Kestrin's read the same way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(
        QStringLiteral("FOLDER"),
        QStringLiteral("The folder to work in (-- before a name starting with -)."),
        QStringLiteral("[FOLDER]"));

    if (!parser.parse(arguments)) {
        if (stage == Stage::BeforeQt && !parser.unknownOptionNames().isEmpty()) {
            return {Arguments::Action::AskQt, std::nullopt, {}};
        }
        return refuse(parser.errorText());
    }
    if (parser.isSet(help)) {
        return {Arguments::Action::ShowHelp, std::nullopt, parser.helpText()};
    }
    if (parser.isSet(version)) {
        return {Arguments::Action::ShowVersion, std::nullopt,
                QStringLiteral("kestrin " KESTRIN_VERSION "\n")};
    }
    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1) {
        return refuse(u'\'' + folders[1] +
                      QStringLiteral("' would be a second folder; give one at most"));
    }
    return {
        Arguments::Action::Run, folders.isEmpty() ? std::nullopt : std::optional(folders[0]), {}};
}

}  // namespace kestrin::app
