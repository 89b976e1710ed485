// SPDX-License-Identifier: MIT
// The command line as Kestrin reads it: each row is what a user, a desktop or Explorer might pass,
// and what the program is to do with it before Qt has read its own options or after.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/arguments.h"
#include "app/start.h"

namespace {

using kestrin::app::Arguments;
using kestrin::app::readArguments;
using kestrin::app::Stage;
using Action = Arguments::Action;

struct Row {
    Stage stage;
    QStringList given;  // after the program's name
    Action action;
    std::optional<QString> folder;
    QString text;  // a refusal's line, a pattern for help and version
};

TEST(Arguments, EachCommandLineMeansWhatTheHelpSays) {
    const auto before = Stage::BeforeQt;
    const auto after = Stage::AfterQt;
    const QString second =
        "kestrin: 'b' would be a second folder; give one at most (see kestrin --help)";
    const QString help = R"(^Usage: \S+ \[options\] \[FOLDER\]\n(.|\n)*-h, --help)";
    const QString version = R"(^kestrin \d+\.\d+\.\d+\n$)";
    const std::vector<Row> rows = {
        {before, {}, Action::Run, std::nullopt, {}},
        {before, {"games/scripts"}, Action::Run, "games/scripts", {}},
        {before, {""}, Action::Run, "", {}},  // left for the folder change to refuse
        {before, {"-"}, Action::Run, "-", {}},
        {before, {"--help"}, Action::ShowHelp, std::nullopt, help},
        {before, {"-h"}, Action::ShowHelp, std::nullopt, help},
        {before, {"--version"}, Action::ShowVersion, std::nullopt, version},
        {before, {"-v"}, Action::ShowVersion, std::nullopt, version},
        {before, {"a", "b"}, Action::Refuse, std::nullopt, second},
        {before, {"a", "--", "b"}, Action::Refuse, std::nullopt, second},
        // After "--" nothing is an option.
        {before, {"--", "-scripts"}, Action::Run, "-scripts", {}},
        {before, {"--", "--help"}, Action::Run, "--help", {}},
        // An option Kestrin does not know may be Qt's, and with it the argument after it.
        {before, {"-platform", "offscreen", "dir"}, Action::AskQt, std::nullopt, {}},
        {before, {"--help", "--bogus"}, Action::AskQt, std::nullopt, {}},
        {before, {"-qwindowtitle", "--help"}, Action::AskQt, std::nullopt, {}},
        // What Qt leaves is Kestrin's.
        {after, {"dir"}, Action::Run, "dir", {}},
        {after,
         {"--bogus"},
         Action::Refuse,
         std::nullopt,
         "kestrin: Unknown option 'bogus' (see kestrin --help)"},
        {after,
         {"dir", "-bogus"},
         Action::Refuse,
         std::nullopt,
         "kestrin: Unknown option 'bogus' (see kestrin --help)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(("kestrin " + row.given.join(' ')).toStdString() +
                     (row.stage == before ? " (before Qt)" : " (after Qt)"));
        const Arguments got = readArguments(QStringList{"kestrin"} + row.given, row.stage);
        EXPECT_EQ(got.action, row.action);
        EXPECT_EQ(got.folder.value_or("(none)").toStdString(),
                  row.folder.value_or("(none)").toStdString());
        if (row.action == Action::ShowHelp || row.action == Action::ShowVersion) {
            EXPECT_TRUE(QRegularExpression(row.text).match(got.text).hasMatch())
                << got.text.toStdString();
        } else {
            EXPECT_EQ(got.text.toStdString(), row.text.toStdString());
        }
    }
}

struct QtCase {
    const char* why;
    std::vector<std::string> argv;
    int seenByQt;           // how many arguments Qt is given, the program's name included
    QStringList takenByQt;  // the options Qt reads, and their values
    QStringList left;       // what Kestrin then reads
};

TEST(QtArguments, QtReadsOnlyWhatComesBeforeTheDashesAndKestrinTheRest) {
    const std::vector<QtCase> cases = {
        {"Qt's options with a value",
         {"kestrin", "-platform", "offscreen", "dir"},
         4,
         {"-platform", "offscreen"},
         {"kestrin", "dir"}},
        {"a folder named like Qt's option, after the dashes",
         {"kestrin", "-reverse", "--", "-style", "x"},
         2,
         {"-reverse"},
         {"kestrin", "--", "-style", "x"}},
        {"nothing for Qt", {"kestrin", "dir"}, 2, {}, {"kestrin", "dir"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<std::string> storage = c.argv;
        std::vector<char*> argv;
        QStringList given;
        for (std::string& argument : storage) {
            argv.push_back(argument.data());
            given.append(QString::fromStdString(argument));
        }
        kestrin::app::QtArguments qt(static_cast<int>(argv.size()), argv.data());
        ASSERT_EQ(qt.argc(), c.seenByQt);
        // As QApplication does: what it reads goes, the rest keeps its order.
        char** const end = std::remove_if(qt.argv(), qt.argv() + qt.argc(), [&](char* argument) {
            return c.takenByQt.contains(QString::fromUtf8(argument));
        });
        qt.argc() = static_cast<int>(end - qt.argv());
        EXPECT_EQ(qt.left(given), c.left);
    }
}

}  // namespace
