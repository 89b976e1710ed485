// SPDX-License-Identifier: MIT
// The command line as Kestrin reads it once Qt has taken its own options out: each row is what a
// user, a desktop or Explorer might pass, and what the program is to do with it. `kestrin FOLDER`
// through the program's own start-up: the window the program then makes lists that folder.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/system_window.h"
#include "fake_watch.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using kestrin::testing::TempFolder;
using kestrin::testing::WorkingFolder;

struct Row {
    QStringList given;  // after the program's name
    bool haveDisplay;
    std::optional<int> status;  // none: the window opens
    std::string text;           // a refusal's line, a pattern for help and version
    std::string folder;         // where it then works, under the temporary folder
};

TEST(CommandLine, EachCommandLineMeansWhatTheHelpSays) {
    TempFolder home;
    for (const char* folder : {"games", "-scripts", "--help", "my scripts"}) {
        fs::create_directory(home.path() / folder);
    }
    home.write("a file");
    const WorkingFolder startedIn(home.path());
    const std::string second =
        "kestrin: 'b' would be a second folder; give one at most (see kestrin --help)";
    const std::string help = R"(^Usage: \S+ \[options\] \[FOLDER\]\n(.|\n)*-h, --help)";
    const std::string version = R"(^kestrin \d+\.\d+\.\d+\n$)";
    const std::string noDisplay = "kestrin: there is no display to show the window on";
    const std::string notFound = "kestrin: cannot work in 'missing': No such file or directory";
    std::vector<Row> rows = {
        {{}, true, std::nullopt, "", ""},
        {{"games"}, true, std::nullopt, "", "games"},
        {{"my scripts"}, true, std::nullopt, "", "my scripts"},
        {{"--help"}, true, 0, help, ""},
        {{"-h"}, false, 0, help, ""},
        {{"--version"}, true, 0, version, ""},
        {{"-v"}, false, 0, version, ""},
        {{"a", "b"}, true, 2, second, ""},
        {{"a", "--", "b"}, true, 2, second, ""},
        // After "--" nothing is an option.
        {{"--", "-scripts"}, true, std::nullopt, "", "-scripts"},
        {{"--", "--help"}, true, std::nullopt, "", "--help"},
        {{"--bogus"}, false, 2, "kestrin: Unknown option 'bogus' (see kestrin --help)", ""},
        {{"games", "-bogus"}, true, 2, "kestrin: Unknown option 'bogus' (see kestrin --help)", ""},
        {{"missing"}, true, 2, notFound, ""},
        {{"missing"}, false, 2, notFound, ""},
        {{}, false, 1, noDisplay, ""},
        {{"games"}, false, 1, noDisplay, "games"},
    };
#ifndef _WIN32  // Windows gives another reason
    rows.push_back({{"a file"}, true, 2, "kestrin: cannot work in 'a file': Not a directory", ""});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE("kestrin " + row.given.join(' ').toStdString() +
                     (row.haveDisplay ? "" : " (no display)"));
        const WorkingFolder each(home.path());
        const auto ending =
            kestrin::app::start(QStringList{"kestrin"} + row.given, row.haveDisplay);
        ASSERT_EQ(ending.has_value(), row.status.has_value()) << (ending ? ending->text : "");
        const fs::path worksIn = row.folder.empty() ? home.path() : home.path() / row.folder;
        EXPECT_TRUE(fs::equivalent(fs::current_path(), worksIn)) << fs::current_path();
        if (!ending) {
            continue;
        }
        EXPECT_EQ(ending->status, *row.status);
        if (ending->status == 0) {
            EXPECT_TRUE(QRegularExpression(QString::fromStdString(row.text))
                            .match(QString::fromStdString(ending->text))
                            .hasMatch())
                << ending->text;
        } else {
            EXPECT_EQ(ending->text, row.text);
        }
    }
}

// Whatever bytes a folder's name holds on POSIX come back as they were (Windows names are
// UTF-16: only UTF-8 reaches this).
TEST(CommandLine, AnArgumentComesBackByteForByte) {
    std::vector<std::string> names = {"plain", "caf\xC3\xA9 \xF0\x9F\x98\x80"};
#ifndef _WIN32
    names.insert(names.end(), {"latin1 caf\xE9", "\xFF\xFE", "\xED\xB0\x80", "cut \xE2\x80"});
#endif
    for (const std::string& bytes : names) {
        EXPECT_EQ(kestrin::app::toArgument(kestrin::app::fromArgument(bytes.c_str())), bytes);
    }
}

TEST(StartFolder, TheWindowListsTheFolderGiven) {
    // Started in a folder of its own, as from a desktop menu, with a file that must not show.
    TempFolder home;
    home.write("home.qb");
    const fs::path scripts = home.path() / "my scripts";
    fs::create_directory(scripts);
    for (const char* name : {"level.qb", "intro.qb", "notes.txt"}) {
        home.write("my scripts/" + std::string(name), "x");
    }
    for (const std::string& argument : {scripts.string(), std::string("my scripts")}) {
        SCOPED_TRACE(argument);
        WorkingFolder startedIn(home.path());
        const auto ending =
            kestrin::app::start({"kestrin", kestrin::app::fromArgument(argument.c_str())}, true);
        ASSERT_FALSE(ending.has_value()) << ending->text;
        EXPECT_TRUE(fs::equivalent(fs::current_path(), scripts));
        kestrin::app::SystemWindow program;
        EXPECT_EQ(kestrin::testing::listEntries(program.window()),
                  (std::vector<std::string>{"intro", "level"}));
    }
}

}  // namespace
