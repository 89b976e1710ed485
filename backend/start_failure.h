// SPDX-License-Identifier: MIT
#pragma once
// Why a program file did not start on POSIX, in words that say what to do. The system's reason
// ("No such file or directory" for a script whose interpreter is missing, "Exec format error" for
// a Windows program) misleads, so the start of the file tells the usual cases apart.

#include <string>
#include <system_error>

#include "platform/program_lookup.h"

namespace kestrin::backend {

// The message for a program found at path that did not start with error: a script's missing
// interpreter (or the carriage return that ends its "#!" line), an empty file, a script without
// "#!", a program for another system, a Windows program (run it through Wine); else the
// system's reason.
std::string whyNotStarted(const std::string& program, const std::string& path,
                          const std::error_code& error);

// Why the file of kind found at path is no program (program_search.h): for a Windows program
// without execute permission, the Wine advice; else unusableProgram's words.
std::string whyNotAProgram(const std::string& program, const std::string& path,
                           platform::FileKind kind);

}  // namespace kestrin::backend
