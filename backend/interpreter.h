// SPDX-License-Identifier: MIT
#pragma once
// Where Windows' cmd.exe would read a Decompile's or Compile's line otherwise than Kestrin: a
// program name it takes for one of its own commands or splits differently, and a working folder
// it cannot work in, where it runs in the Windows folder instead. Plain rules, checked on both
// systems' tests; only Windows applies them.

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrin::backend {

// The longest working folder cmd.exe works in: MAX_PATH less room for a name of 8.3 characters,
// as Windows' own limit for a folder. Under wine, cmd.exe no longer found "mervo.exe" in a
// folder of 250.
inline constexpr std::size_t kInterpreterFolderLimit = 248;

// The refusal of a line whose program (its first word) cmd.exe would not read as the name
// Kestrin looks for, or that would run in folder (as Windows names it); empty when neither.
std::string interpreterRefusal(std::string_view program, std::string_view folder);

}  // namespace kestrin::backend
