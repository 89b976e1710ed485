// SPDX-License-Identifier: MIT
#pragma once
// The command lines Kestrin hands to the backend program. Pure string functions: no Qt and no
// system calls here, this folder also builds for Windows. Field values go into a line exactly as
// they stand (nothing trimmed, quoted or escaped), which is why Decompile and Compile refuse the
// characters the Windows command interpreter would act on, characters that show as something
// else, and file names that would not reach the backend as one plain argument.

#include <string>
#include <string_view>

#include "platform/result.h"

namespace kestrin::backend {

inline constexpr std::string_view kNoFileToDecompile = "No file to DeCompile";
inline constexpr std::string_view kNoFileToCompile = "No file to Compile";

// The characters of value that cmd.exe would act on: & | < > ^ % ! " and the control characters
// U+0000 to U+001F except tab, and U+007F. Each one once, in order of first appearance, as the
// raw characters; empty when the value is safe. Spaces and tabs pass here: they only split
// arguments, which the file-name rules below deal with.
std::string unsafeCharacters(std::string_view value);

// "cmd /c BACKEND -d INPUT.qb GAME > OUTPUT.txt". Refused when input or output is empty. Then
// refused by kind, each kind checked over the values in line order (backend, input, game,
// output): unsafe characters; format characters (see characters.h); a blank backend name; a file
// name that is blank, holds a space or a tab, or begins with "-". The game entry keeps its
// blanks. A refusal's message is the words for the information message.
platform::Result<std::string> decompileLine(std::string_view backend, std::string_view input,
                                            std::string_view game, std::string_view output);

// "cmd /c BACKEND -c INPUT.txt". Refused when input is empty, then as decompileLine.
platform::Result<std::string> compileLine(std::string_view backend, std::string_view input);

// "BACKEND -p x ARCHIVE". Refused only for a blank backend name: the line runs without the
// command interpreter, and the archive is the user's own typing.
platform::Result<std::string> unpackLine(std::string_view backend, std::string_view archive);

}  // namespace kestrin::backend
