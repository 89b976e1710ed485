// SPDX-License-Identifier: MIT
#pragma once
// What the program does with its command line before any window exists, so that help, version
// and mistakes need no display and the window is made in the folder it is to work in.

#include <iosfwd>
#include <optional>
#include <vector>

#include "app/arguments.h"

namespace kestrin::app {

// Prints the help or the version, refuses what cannot be used with one line on `err`, or makes
// the folder given the working folder. Returns the exit status when the program ends here
// (0 after help or version, 2 after a refusal), nothing when the window is to open.
std::optional<int> prepare(const Arguments& arguments, std::ostream& out, std::ostream& err);

// The argument vector for QApplication: the program's name, then the Qt options, then a null
// pointer. It points into `arguments`, which must outlive the QApplication.
std::vector<char*> qtArgv(char* program, Arguments& arguments);

}  // namespace kestrin::app
