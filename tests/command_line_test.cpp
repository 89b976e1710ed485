// SPDX-License-Identifier: MIT
#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "result_printing.h"

namespace kestrin::platform {

// Failures show the parts, not the object's bytes.
void PrintTo(const ParsedCommand& parsed, std::ostream* out) {
    *out << "{arguments:";
    for (const auto& argument : parsed.arguments) {
        *out << " [" << argument << "]";
    }
    *out << ", output: " << (parsed.outputFile ? "[" + *parsed.outputFile + "]" : "none") << "}";
}

}  // namespace kestrin::platform

namespace {

using kestrin::platform::ParsedCommand;
using Parsed = kestrin::platform::Result<ParsedCommand>;

Parsed run(std::vector<std::string> arguments) {
    return ParsedCommand{.arguments = std::move(arguments), .outputFile = std::nullopt};
}

Parsed runInto(std::vector<std::string> arguments, std::string file) {
    return ParsedCommand{.arguments = std::move(arguments), .outputFile = std::move(file)};
}

Parsed fails(std::string error) {
    return kestrin::platform::Failure{std::move(error)};
}

struct ParseCase {
    const char* why;
    std::string line;
    Parsed expected;
};

TEST(CommandLine, SplitsAndRedirectsLikeTheInterpreter) {
    const std::string noProgram = "The command line names no program to start.";
    const std::vector<ParseCase> cases = {
        {"decompile", "cmd /c mervo.exe -d level.qb THUG1 > level.txt",
         runInto({"mervo.exe", "-d", "level.qb", "THUG1"}, "level.txt")},
        {"blank game entry leaves a run of spaces", "cmd /c mervo.exe -d level.qb   > level.txt",
         runInto({"mervo.exe", "-d", "level.qb"}, "level.txt")},
        {"compile", "cmd /c mervo.exe -c level.txt", run({"mervo.exe", "-c", "level.txt"})},
        {"tabs split too", "cmd /c a\tb \t c", run({"a", "b", "c"})},
        {"blanks around the line", "cmd /c   mervo \t ", run({"mervo"})},
        {"a space in the output name leaves the rest as an argument",
         "cmd /c mervo -d my level.qb  > out .txt",
         runInto({"mervo", "-d", "my", "level.qb", ".txt"}, "out")},
        {"redirection before the program", "cmd /c > out mervo -c x",
         runInto({"mervo", "-c", "x"}, "out")},
        {"an empty backend makes the option the program", "cmd /c  -d level.qb THUG1 > level.txt",
         runInto({"-d", "level.qb", "THUG1"}, "level.txt")},
        {"only a lone > redirects", "cmd /c mervo a>b >c", run({"mervo", "a>b", ">c"})},
        {"shell syntax is plain text", "cmd /c mervo $(touch x) `y` a;b",
         run({"mervo", "$(touch", "x)", "`y`", "a;b"})},
        {"non-ASCII names", "cmd /c m\xC3\xA9rvo > \xEF\xBC\x86.txt",
         runInto({"m\xC3\xA9rvo"}, "\xEF\xBC\x86.txt")},
        {"unpack", "mervo.exe -p x .prx/pre", run({"mervo.exe", "-p", "x", ".prx/pre"})},
        {"unpack of nothing", "mervo.exe -p x ", run({"mervo.exe", "-p", "x"})},
        {"outside the interpreter > is an argument", "mervo.exe -p x > out",
         run({"mervo.exe", "-p", "x", ">", "out"})},

        {"> as the last token", "cmd /c mervo -c x >",
         fails("The command line ends in \">\" without naming a file for the output.")},
        {"> followed by blanks only", "cmd /c mervo > \t ",
         fails("The command line ends in \">\" without naming a file for the output.")},
        {"two output files", "cmd /c mervo > a > b",
         fails("The command line names more than one file for the output.")},
        {"> names > as the output", "cmd /c mervo > > out",
         fails("The command line has \">\" where a file for the output belongs.")},
        {"> names > as the last token", "cmd /c mervo -c x > >",
         fails("The command line has \">\" where a file for the output belongs.")},
        {"a NUL would cut an argument short", std::string("cmd /c mervo -c a\0b.txt", 23),
         fails("The command line holds a NUL character, which no program can receive.")},
        {"a NUL outside the interpreter too", std::string("mervo -p x a\0", 13),
         fails("The command line holds a NUL character, which no program can receive.")},
        {"redirection without a program", "cmd /c > out", fails(noProgram)},
        {"nothing after the interpreter", "cmd /c ", fails(noProgram)},
        {"empty line", "", fails(noProgram)},
        {"blank line", " \t ", fails(noProgram)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(kestrin::platform::parseCommandLine(c.line), c.expected);
    }
}

}  // namespace
