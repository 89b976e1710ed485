// SPDX-License-Identifier: MIT
#pragma once
// Finding the file to run for a program name the way cmd.exe finds it, on both systems: a name
// with a folder part as it stands, any other one in the working folder first and then in each
// PATH entry; the first program found wins, and when there is none the first unusable file found
// explains the failure best. Plain C++: each launcher brings what only its system can tell, what
// a file is and the values of PATH and PATHEXT. POSIX names are UTF-8, Windows names UTF-16.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kestrin::platform {

// What a candidate file turned out to be.
enum class FileKind { Missing, Folder, NotAProgram, NotExecutable, Program };

// Examines one candidate. byEnding tells whether its name ends in one of the endings that make a
// file a program; only Windows asks, as a POSIX program is known by its execute permission.
template <typename Char>
using Examine = std::function<FileKind(const std::basic_string<Char>& file, bool byEnding)>;

// POSIX: a name with a "/" as it stands; PATH (nullptr when unset) split at ":", an empty entry
// meaning the working folder. A native build of the backend has no ".exe", so a name ending in
// ".exe" (in any case) is also tried without it, in every place after the exact name. Returns the
// file to run, or why there is none.
Result<std::string> findPosixProgram(const std::string& program, const char* path,
                                     const Examine<char>& examine);

// Windows: a name with "\", "/" or ":" as it stands; PATH split at ";", entries without their
// quotes, empty ones skipped. A name without an ending is tried in each place first as it is,
// then with each PATHEXT ending (".COM;.EXE;.BAT;.CMD" when PATHEXT names none). toUtf8 shows a
// file in a message; the program's own name stands in for a file it cannot show.
Result<std::wstring> findWindowsProgram(
    const std::string& program, const std::wstring& wideProgram, std::wstring_view path,
    std::wstring_view pathext, const Examine<wchar_t>& examine,
    const std::function<std::optional<std::string>(const std::wstring&)>& toUtf8);

}  // namespace kestrin::platform
