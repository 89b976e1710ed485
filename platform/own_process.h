// SPDX-License-Identifier: MIT
#pragma once
// What Kestrin's own process needs, whatever started it and whatever it inherited.

#include <cstddef>
#include <optional>

namespace kestrin::platform {

// Call it first thing in main. On POSIX: SIGPIPE is ignored, so a warning to a stream nobody reads
// fails quietly; SIGCHLD is back at its default (a launcher may have ignored it), so that Kestrin
// learns how each program ended; the signals it relies on are unblocked; 0, 1 and 2 are open (on
// /dev/null where closed); the descriptor limit is raised as far as allowed; and any other signal
// that would end Kestrin first hands running backends' stderr to keepDraining. Nothing on Windows.
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
