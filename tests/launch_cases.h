// SPDX-License-Identifier: MIT
#pragma once
// The commands both systems' launcher tests start with the stand-in as "mervo.exe" in the working
// folder, and what the stand-in must receive. On POSIX the launcher spawns command.words(); on
// Windows the real cmd.exe reads command.text() and the C runtime splits the arguments: both
// must agree. The builders refuse a blank in a file name, but the launchers start any command,
// so those with one are written out.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "backend/command.h"
#include "backend/texts.h"

namespace kestrin::testing {

struct SharedLaunchCase {
    const char* why;
    backend::Command command;
    std::vector<std::string> arguments;     // after the program's own name, "mervo.exe"
    std::optional<std::string> outputFile;  // receives "stand-in output\n"
};

inline std::vector<SharedLaunchCase> sharedLaunchCases() {
    using backend::Command;
    return {
        {"decompile",
         *backend::decompile("mervo.exe", "level", "THUG1", "out"),
         {"-d", "level.qb", "THUG1"},
         "out.txt"},
        {"decompile, blank game entry and spaces in the input",
         Command{"mervo.exe", {"-d", "my level.qb", " "}, "out.txt", true},
         {"-d", "my", "level.qb"},
         "out.txt"},
        {"decompile, harmless punctuation",
         *backend::decompile("mervo.exe", "a(b)c@d", "-x", "~out"),
         {"-d", "a(b)c@d.qb", "-x"},
         "~out.txt"},
        {"compile", *backend::compile("mervo.exe", "level"), {"-c", "level.txt"}, {}},
        {"compile, tabs split",
         Command{"mervo.exe", {"-c", "a\t\tb.txt"}, {}, true},
         {"-c", "a", "b.txt"},
         {}},
        {"compile, non-ASCII names",
         Command{"mervo.exe", {"-c", "\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt"}, {}, true},
         {"-c", "\xC3\xA9t\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC.txt"},
         {}},
        {"shell syntax is plain text",
         Command{"mervo.exe", {"-d", "a;b $(touch x) `touch y`.qb", ""}, "out.txt", true},
         {"-d", "a;b", "$(touch", "x)", "`touch", "y`.qb"},
         "out.txt"},
        {"unpack", *backend::unpack("mervo.exe", "pack.pak"), {"-p", "x", "pack.pak"}, {}},
        {"unpack, wildcards, variables and spaces stay as they are",
         *backend::unpack("mervo.exe", "my *.pak ?x $HOME ~"),
         {"-p", "x", "my", "*.pak", "?x", "$HOME", "~"},
         {}},
    };
}

// How a Decompile into "out" keeps the earlier output on both systems, and that only a start
// replaces it. "<folder>" stands for a folder.
struct KeepCase {
    const char* why;
    std::map<std::string, std::string> before;  // the working folder's files
    std::string backend;
    std::string message;                       // empty when it starts
    std::string keptCopy;                      // as the launch reports it
    std::map<std::string, std::string> after;  // every entry once the backend has ended
};

inline std::vector<KeepCase> sharedKeepCases() {
    const std::string made = "stand-in output\n";
    return {
        {"no earlier output", {}, "mervo.exe", "", "", {{"out.txt", made}}},
        {"the earlier text is kept as NAME~",
         {{"out.txt", "earlier\n"}},
         "mervo.exe",
         "",
         "out.txt~",
         {{"out.txt", made}, {"out.txt~", "earlier\n"}}},
        {"an older copy stays: the next takes the first free number",
         {{"out.txt", "earlier\n"}, {"out.txt~", "older\n"}, {"out.txt.~1~", "old\n"}},
         "mervo.exe",
         "",
         "out.txt.~2~",
         {{"out.txt", made},
          {"out.txt~", "older\n"},
          {"out.txt.~1~", "old\n"},
          {"out.txt.~2~", "earlier\n"}}},
        {"what the last copy holds already is not copied again (a second Decompile after a "
         "restart)",
         {{"out.txt", made}, {"out.txt~", "mine\n"}, {"out.txt.~1~", made}},
         "mervo.exe",
         "",
         "out.txt.~1~",
         {{"out.txt", made}, {"out.txt~", "mine\n"}, {"out.txt.~1~", made}}},
        {"an empty earlier output keeps nothing",
         {{"out.txt", ""}, {"out.txt~", "older\n"}},
         "mervo.exe",
         "",
         "",
         {{"out.txt", made}, {"out.txt~", "older\n"}}},
        {"the backend is missing: nothing is copied or made",
         {{"out.txt", "earlier\n"}},
         "nomervo.exe",
         "Cannot start \"nomervo.exe\": no such program in the working folder or on PATH.",
         "",
         {{"out.txt", "earlier\n"}}},
        {"a folder under a copy's name is passed over",
         {{"out.txt", "earlier\n"}, {"out.txt~", "<folder>"}},
         "mervo.exe",
         "",
         "out.txt.~1~",
         {{"out.txt", made}, {"out.txt~", "<folder>"}, {"out.txt.~1~", "earlier\n"}}},
    };
}

}  // namespace kestrin::testing
