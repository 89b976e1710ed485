// SPDX-License-Identifier: MIT
// The command line as Kestrin reads it: each row is what a user or a desktop might type, and what
// the program is to do with it.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/arguments.h"
#include "app/start.h"

namespace {

using kestrin::app::Arguments;
using kestrin::app::parseArguments;

Arguments run(std::optional<std::string> folder, std::vector<std::string> qtOptions = {}) {
    return {Arguments::Action::Run, std::move(folder), std::move(qtOptions), ""};
}
Arguments action(Arguments::Action what) {
    return {what, std::nullopt, {}, ""};
}
Arguments refused(std::string problem) {
    return {Arguments::Action::Refuse, std::nullopt, {}, std::move(problem)};
}

struct Row {
    std::vector<std::string> given;
    Arguments expected;
};

TEST(Arguments, EachCommandLineMeansWhatTheHelpSays) {
    const auto help = action(Arguments::Action::ShowHelp);
    const auto version = action(Arguments::Action::ShowVersion);
    const std::vector<Row> rows = {
        {{}, run(std::nullopt)},
        {{"games/scripts"}, run("games/scripts")},
        {{""}, run("")},  // left for the folder change to refuse
        {{"--help"}, help},
        {{"--version"}, version},
        // The first argument that decides ends the reading.
        {{"--help", "--bogus"}, help},
        {{"--bogus", "--help"}, refused("unknown option '--bogus'")},
        {{"-h"}, refused("unknown option '-h'")},
        {{"-"}, refused("unknown option '-'")},
        {{"a", "b"}, refused("'b' would be a second folder; give one at most")},
        {{"a", "--", "b"}, refused("'b' would be a second folder; give one at most")},
        // After "--" nothing is an option.
        {{"--", "-scripts"}, run("-scripts")},
        {{"--", "--help"}, run("--help")},
        // Qt's own options go to Qt with their values, with one dash or two.
        {{"-platform", "offscreen", "dir"}, run("dir", {"-platform", "offscreen"})},
        {{"dir", "--platform", "offscreen"}, run("dir", {"--platform", "offscreen"})},
        {{"-style", "dir"}, run(std::nullopt, {"-style", "dir"})},
        {{"-style=fusion", "dir"}, run("dir", {"-style=fusion"})},
        {{"-reverse", "dir"}, run("dir", {"-reverse"})},
        {{"-qwindowtitle", "--help"}, run(std::nullopt, {"-qwindowtitle", "--help"})},
        {{"-platform=offscreen"}, refused("unknown option '-platform=offscreen'")},
        {{"-platformx", "a"}, refused("unknown option '-platformx'")},
        {{"dir", "-platform"}, refused("option '-platform' needs a value")},
    };
    for (const Row& row : rows) {
        std::string shown;
        for (const std::string& argument : row.given) {
            shown += "[" + argument + "] ";
        }
        SCOPED_TRACE("kestrin " + shown);
        const Arguments got = parseArguments(row.given);
        EXPECT_EQ(got.action, row.expected.action);
        EXPECT_EQ(got.folder.value_or("(none)"), row.expected.folder.value_or("(none)"));
        EXPECT_EQ(got.qtOptions, row.expected.qtOptions);
        EXPECT_EQ(got.problem, row.expected.problem);
    }
}

TEST(Arguments, QtSeesTheProgramAndItsOptionsOnly) {
    Arguments arguments = parseArguments({"-platform", "offscreen", "folder", "-reverse"});
    char program[] = "kestrin";
    const std::vector<char*> argv = kestrin::app::qtArgv(program, arguments);
    ASSERT_EQ(argv.size(), 5U);
    EXPECT_EQ(argv[0], program);
    EXPECT_STREQ(argv[1], "-platform");
    EXPECT_STREQ(argv[2], "offscreen");
    EXPECT_STREQ(argv[3], "-reverse");
    EXPECT_EQ(argv[4], nullptr);
}

}  // namespace
