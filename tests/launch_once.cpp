// SPDX-License-Identifier: MIT
// Starts one Decompile with the system's launcher and ends at once, as Kestrin does when it is
// closed right after a press, its capture handed on as the window's watch does: the tests check
// that the program started lives on by itself, and goes on writing to stderr after this program
// has gone.
// Usage: launch_once [--prepared] BACKEND OUTPUT: decompiles "level" for THUG1 into OUTPUT.txt;
// prints the launcher's error and exits 1 when nothing started. With --prepared it first does
// what app/main.cpp does before anything else, then writes a warning to stderr as Qt would, so
// that the tests can start it with its standard streams closed or leading nowhere.

#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "backend/launch.h"
#include "backend/running.h"
#include "platform/own_process.h"

int main(int argc, char** argv) {
    const bool prepared = argc == 4 && std::string_view(argv[1]) == "--prepared";
    if (argc != 3 && !prepared) {
        std::fputs("usage: launch_once [--prepared] BACKEND OUTPUT\n", stderr);
        return 2;
    }
    if (prepared) {
        kestrin::platform::prepareOwnProcess();
        std::fputs("launch_once: a warning, as Qt writes them\n", stderr);
        std::fflush(stderr);
    }
    const auto command =
        kestrin::backend::decompile(argv[argc - 2], "level", "THUG1", argv[argc - 1]);
    if (!command) {
        std::fprintf(stderr, "%s\n", command.message().c_str());
        return 1;
    }
    auto result = kestrin::backend::SystemLauncher().launch(*command, kestrin::backend::Running());
    if (!result) {
        std::fprintf(stderr, "%s\n", result.message().c_str());
        return 1;
    }
    // What the window's watch does when Kestrin goes while a backend runs.
    std::vector<kestrin::platform::StderrCapture> captures;
    captures.push_back(std::move(result->capture));
    kestrin::platform::keepDraining(std::move(captures));
    return 0;
}
