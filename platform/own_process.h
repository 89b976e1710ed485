// SPDX-License-Identifier: MIT
#pragma once
// What Kestrin's own process needs, whatever started it and whatever it inherited.

#include <cstddef>
#include <optional>

namespace kestrin::platform {

// Call it first thing in main. On POSIX systems: a standard stream whose reader has gone (a
// closed terminal, a pipe into a program that ended) no longer ends Kestrin through SIGPIPE when
// Qt writes a warning there; the write fails quietly instead. SIGCHLD is back at its default, so
// that no started program is collected before Kestrin learns how it ended (a launcher may have
// set it to be ignored), and the signals Kestrin relies on are not blocked. Descriptors 0, 1 and
// 2 are open, on /dev/null where they were closed, so that no file opened later takes their
// place. The limit on open descriptors is raised as far as the system allows. Any other signal
// that would end Kestrin (a crash, SIGQUIT, SIGUSR1...) first hands what running backends still
// write to stderr over to the drain (process.h: keepDraining), then ends it as before. Programs
// started later get every signal's default back (process.h). Nothing to do on Windows.
void prepareOwnProcess();

// A descriptor that becomes readable once SIGTERM, SIGHUP or SIGINT has come (the session
// ending, say), so that the event loop can end the program the usual way; -1 where there is none.
int terminationRequests();

// How many descriptors this process may have open at once, and how many it has now; nothing where
// the system does not say or has no such limit (Windows).
struct Descriptors {
    std::size_t limit = 0;
    std::size_t open = 0;
};
std::optional<Descriptors> countDescriptors();

}  // namespace kestrin::platform
