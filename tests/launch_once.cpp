// SPDX-License-Identifier: MIT
// Starts one command line with the system's launcher and ends at once, as Kestrin does when it is
// closed right after a press: the tests check that the program started lives on by itself, and
// goes on writing its words after their file's name has gone with this program.
// Usage: launch_once [--prepared] LINE; prints the launcher's error and exits 1 when nothing
// started. With --prepared it first does what app/main.cpp does before anything else, then
// writes a warning to standard error as Qt would, so that the tests can start it with its
// standard streams closed or leading nowhere.

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/launcher.h"
#include "platform/own_process.h"

int main(int argc, char** argv) {
    const bool prepared = argc == 3 && std::string_view(argv[1]) == "--prepared";
    if (argc != 2 && !prepared) {
        std::fputs("usage: launch_once [--prepared] LINE\n", stderr);
        return 2;
    }
    if (prepared) {
        kestrin::platform::prepareOwnProcess();
        std::fputs("launch_once: a warning, as Qt writes them\n", stderr);
        std::fflush(stderr);
    }
    const auto result = kestrin::platform::makeLauncher()->launch(argv[argc - 1]);
    if (!result) {
        std::fprintf(stderr, "%s\n", result.message().c_str());
        return 1;
    }
    return 0;
}
