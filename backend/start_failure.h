// SPDX-License-Identifier: MIT
#pragma once
// Why a program file did not start on POSIX systems, in words that say what to do about it. The
// system's own reason ("No such file or directory" for a script whose interpreter is missing,
// "Exec format error" for a Windows program) names the wrong thing or nothing useful, so the
// start of the file is read to tell the usual cases apart. (Windows says it well enough.)

#include <optional>
#include <string>
#include <system_error>

namespace kestrin::backend {

// The message for a program found at path that did not start with error. A script whose
// interpreter is missing names the interpreter, and says so when its "#!" line ends in a
// carriage return; an empty file, a script without "#!" and a program for another system are
// called files the system cannot run; a Windows program gets the ways to run it through Wine.
// Anything else keeps the system's reason.
std::string whyNotStarted(const std::string& program, const std::string& path,
                          const std::error_code& error);

// The Wine advice for a Windows program found without execute permission; nothing for any other
// file, whose lack of permission is the whole story.
std::optional<std::string> windowsProgramAdvice(const std::string& program,
                                                const std::string& path);

}  // namespace kestrin::backend
