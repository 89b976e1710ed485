// Starts one command line with the system's launcher and ends at once, as Kestrin does when it is
// closed right after a press: the tests check that the program started lives on by itself, and
// goes on writing its words after their file's name has gone with this program.
// Usage: launch_once LINE; prints the launcher's error and exits 1 when nothing started.

#include <cstdio>
#include <string>

#include "platform/launcher.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: launch_once LINE\n", stderr);
        return 2;
    }
    const auto result = kestrin::platform::makeLauncher()->launch(argv[1]);
    if (!result) {
        std::fprintf(stderr, "%s\n", result.message().c_str());
        return 1;
    }
    return 0;
}
