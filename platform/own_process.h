// SPDX-License-Identifier: MIT
#pragma once
// What Kestrin's own process needs, whatever started it and whatever it inherited.

#include <cstddef>
#include <optional>

namespace kestrin::platform {

// First thing in main. On POSIX: SIGPIPE ignored (a warning to a stream nobody reads fails
// quietly); SIGCHLD at its default, so that Kestrin learns how each program ended, and the signals
// it relies on unblocked; 0, 1 and 2 open; the descriptor limit raised; and any other signal that
// would end Kestrin first hands running backends' stderr to keepDraining. Nothing on Windows.
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
