// SPDX-License-Identifier: MIT
#pragma once
// The command lines for Decompile, Compile and Unpack built from the window's fields, and what
// is refused before one is started (launch.h).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace kestrin::backend {

// One command line: the program and its arguments as the fields hold them (nothing trimmed,
// quoted or escaped), the file that receives stdout, and whether cmd.exe runs it ("cmd /c ").
struct Command {
    std::string program;
    std::vector<std::string> arguments;
    std::optional<std::string> output;
    bool interpreted = false;

    bool operator==(const Command&) const = default;

    // The line as the user would type it, and as cmd.exe receives it.
    std::string text() const;

    // What the backend receives: the program and arguments split at spaces and tabs, as cmd.exe
    // and the C runtime split the line; a blank field gives no word.
    std::vector<std::string> words() const;
};

// "cmd /c BACKEND -d INPUT.qb GAME > OUTPUT.txt". Refused when input or output is empty, then by
// kind, each over the values in line order: characters cmd.exe would act on; characters that do
// not show as themselves; a blank backend; a file name that is blank, holds a blank or begins
// with "-"; a backend or file name with "," ";" "="; on Windows a device's name, and characters
// the ANSI code page would change.
Result<Command> decompile(std::string_view backend, std::string_view input, std::string_view game,
                          std::string_view output);

// "cmd /c BACKEND -c INPUT.txt". Refused when input is empty, then as decompile.
Result<Command> compile(std::string_view backend, std::string_view input);

// "BACKEND -p x ARCHIVE", without cmd.exe. Refused for a blank backend, and on Windows for a
// device's name or characters the code page would change.
Result<Command> unpack(std::string_view backend, std::string_view archive);

// The characters of value that cmd.exe would act on, each once, in order: & | < > ^ % ! " and
// the control characters (U+0000 to U+001F but tab, U+007F).
std::string interpreterCharacters(std::string_view value);

// The longest working folder cmd.exe works in: MAX_PATH less room for an 8.3 name, as Windows'
// own limit for a folder. Under wine, cmd.exe no longer found "mervo.exe" in a folder of 250.
inline constexpr std::size_t kInterpreterFolderLimit = 248;

// Applied on Windows: the refusal of an interpreted line whose program (its first word) cmd.exe
// would not read as Kestrin does (its own command, a "/", a leading "@" or "("), or would not run
// in folder (a network path, or one over the limit); empty when neither.
std::string interpreterRefusal(std::string_view program, std::string_view folder);

}  // namespace kestrin::backend
