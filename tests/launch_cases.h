// SPDX-License-Identifier: MIT
#pragma once
// The lines both systems' launcher tests start with the stand-in installed as "mervo.exe" in the
// working folder, and what the stand-in must receive. On Linux the launcher reads the line; on
// Windows the real cmd.exe does, and the C runtime splits the arguments: both must agree. The
// builders refuse a blank in a file name, but the launchers read any line, so the lines with one
// are written out.

#include <optional>
#include <string>
#include <vector>

#include "backend/command_lines.h"

namespace kestrin::testing {

struct SharedLaunchCase {
    const char* why;
    std::string line;
    std::vector<std::string> arguments;     // after the program's own name, "mervo.exe"
    std::optional<std::string> outputFile;  // receives "stand-in output\n"
};

inline std::vector<SharedLaunchCase> sharedLaunchCases() {
    using backend::compileLine;
    using backend::decompileLine;
    using backend::unpackLine;
    return {
        {"decompile",
         decompileLine("mervo.exe", "level", "THUG1", "out").value(),
         {"-d", "level.qb", "THUG1"},
         "out.txt"},
        {"decompile, blank game entry and spaces in the names",
         std::string("cmd /c mervo.exe -d my level.qb   > my out.txt"),
         {"-d", "my", "level.qb", "out.txt"},
         "my"},
        {"decompile, harmless punctuation",
         decompileLine("mervo.exe", "a;b(c)@d", "-x", "~out").value(),
         {"-d", "a;b(c)@d.qb", "-x"},
         "~out.txt"},
        {"compile", compileLine("mervo.exe", "level").value(), {"-c", "level.txt"}, {}},
        {"compile, tabs split",
         std::string("cmd /c mervo.exe -c a\t\tb.txt"),
         {"-c", "a", "b.txt"},
         {}},
        {"compile, non-ASCII names",
         std::string("cmd /c mervo.exe -c \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt"),
         {"-c", "\xC3\xA9t\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC.txt"},
         {}},
        {"unpack", unpackLine("mervo.exe", "pack.pak").value(), {"-p", "x", "pack.pak"}, {}},
        {"unpack, wildcards and spaces stay as they are",
         unpackLine("mervo.exe", "my *.pak ?x").value(),
         {"-p", "x", "my", "*.pak", "?x"},
         {}},
    };
}

}  // namespace kestrin::testing
