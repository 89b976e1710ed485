// SPDX-License-Identifier: MIT
#pragma once
// What Kestrin's own process needs before anything else runs, whatever started it.

namespace kestrin::platform {

// On POSIX systems: a standard stream whose reader has gone (a closed terminal, a pipe into a
// program that ended) no longer ends Kestrin through SIGPIPE when Qt writes a warning there;
// the write fails quietly instead. Descriptors 0, 1 and 2 are open, on /dev/null where they were
// closed, so that no file opened later takes their place and receives what is meant for them.
// Programs started later get the default SIGPIPE back (launcher.h). Nothing to do on Windows.
// Call it first thing in main.
void prepareOwnProcess();

}  // namespace kestrin::platform
