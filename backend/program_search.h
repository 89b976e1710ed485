// SPDX-License-Identifier: MIT
#pragma once
// Finding the file to run for a program name the way cmd.exe finds it, on both systems: a name
// with a folder part as it stands, any other in the working folder and then along PATH; the
// first program found wins, and when there is none the first unusable file found explains why.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "backend/texts.h"
#include "common/result.h"
#include "platform/program_lookup.h"

namespace kestrin::backend {

enum class NameRules { Posix, Windows };

#ifdef _WIN32
inline constexpr NameRules kSystemRules = NameRules::Windows;
#else
inline constexpr NameRules kSystemRules = NameRules::Posix;
#endif

// PATH, and on Windows PATHEXT, as the environment holds them; nothing when unset.
struct SearchPlaces {
    std::optional<std::string> path;
    std::optional<std::string> pathext;
};

using KindOfFile = std::function<platform::FileKind(const std::string& file)>;
// Why the first file found that is no program (its kind not Missing or Executable) is none.
using WhyNoProgram = std::function<std::string(const std::string& program, const std::string& file,
                                               platform::FileKind kind)>;

// POSIX: PATH split at ":", an empty entry the working folder; an executable file is a program.
// A native build of the backend has no ".exe", so a name ending in ".exe" is also tried without
// it, everywhere after the exact name.
// Windows: a name with "\", "/" or ":" has a folder part; PATH split at ";", entries unquoted,
// empty ones skipped. A name without an ending is tried as it is, then with each PATHEXT ending
// (".COM;.EXE;.BAT;.CMD" when it names none); a file is a program by its ending.
Result<std::string> findProgram(const std::string& program, NameRules rules,
                                const SearchPlaces& places, const KindOfFile& kindOf,
                                const WhyNoProgram& whyNot = unusableProgram);

// Whether name ends in ending (given in upper case), in any ASCII case.
bool endsInAnyCase(std::string_view name, std::string_view ending);

}  // namespace kestrin::backend
