// SPDX-License-Identifier: MIT
#pragma once
// Launching the backend: the command lines for Decompile, Compile and Unpack built from the
// window's fields, what is refused, how an output is kept and replaced, why a start failed, and
// what a failure report says. Plain C++ over the OS layer (platform/), no Qt.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace kestrin::backend {

// One command line as a value: the program and its arguments as the fields hold them (nothing
// trimmed, quoted or escaped), the file that receives stdout, and whether it runs through the
// command interpreter ("cmd /c ").
struct Command {
    std::string program;
    std::vector<std::string> arguments;
    std::optional<std::string> output;
    bool interpreted = false;

    bool operator==(const Command&) const = default;

    // The line as the user would type it, and as cmd.exe receives it: "cmd /c " when interpreted,
    // the program, each argument after one blank, then " > " and the output.
    std::string text() const;

    // What the backend receives: the program and every argument split at blanks (spaces and
    // tabs), as cmd.exe and the program's C runtime split the line, the program's own word
    // first. A blank field gives no word at all.
    std::vector<std::string> words() const;
};

// "cmd /c BACKEND -d INPUT.qb GAME > OUTPUT.txt". Refused when input or output is empty. Then
// refused by kind, each kind checked over the values in line order (backend, input, game,
// output): the characters cmd.exe would act on; characters that do not show as themselves; a
// blank backend; a file name that is blank, holds a space or a tab, or begins with "-"; a
// backend or file name with a character cmd.exe ends a word at ("," ";" "="); on Windows a
// backend or file name that names a device (CON, NUL...), and any value with characters the
// ANSI code page would change (platform/names.h). The game entry keeps its blanks. A refusal's
// message is the words for the information message.
Result<Command> decompile(std::string_view backend, std::string_view input, std::string_view game,
                          std::string_view output);

// "cmd /c BACKEND -c INPUT.txt". Refused when input is empty, then as decompile.
Result<Command> compile(std::string_view backend, std::string_view input);

// "BACKEND -p x ARCHIVE", without the command interpreter. Refused for a blank backend, and on
// Windows for a device's name or characters the code page would change; the archive is
// otherwise the user's own typing.
Result<Command> unpack(std::string_view backend, std::string_view archive);

// The characters of value that cmd.exe would act on: & | < > ^ % ! " and the control characters
// U+0000 to U+001F except tab, and U+007F. Each one once, in order of first appearance; empty
// when the value is safe. Blanks pass here: they only split arguments.
std::string interpreterCharacters(std::string_view value);

}  // namespace kestrin::backend
