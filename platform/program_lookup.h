// SPDX-License-Identifier: MIT
#pragma once
// What the search for a program asks of the system: what a file is, the environment's lists of
// places and endings, the command interpreter, and the start of a file that would not run.

#include <cstddef>
#include <optional>
#include <string>

namespace kestrin::platform {

// What is at a path, links followed; Missing also where the system cannot look, as its own search
// passes such a path over. Executable: an ordinary file this process may execute (on Windows
// every ordinary file is File: its ending decides).
enum class FileKind { Missing, Folder, NotOrdinary, File, Executable };
FileKind kindOfFile(const std::string& path);

// An environment variable as UTF-8; nothing when it is unset.
std::optional<std::string> environmentVariable(const char* name);

#ifndef _WIN32
// The first bytes of the ordinary file at path, at most limit of them; nothing when it cannot be
// read. (Windows says itself why a file does not run.)
std::optional<std::string> readHead(const std::string& path, std::size_t limit);
#endif

// Whether lines run in Windows' own cmd.exe; elsewhere Kestrin starts the program itself.
#ifdef _WIN32
inline constexpr bool kHasCommandInterpreter = true;
#else
inline constexpr bool kHasCommandInterpreter = false;
#endif

// The system's own cmd.exe (never one found on PATH); "" where there is none.
std::string commandInterpreter();

}  // namespace kestrin::platform
