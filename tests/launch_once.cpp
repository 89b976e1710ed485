// SPDX-License-Identifier: MIT
// Starts one Decompile with the system's launcher and ends at once, as Kestrin does when it is
// closed right after a press, its capture handed on as the window's watch does: the tests check
// that the program started lives on by itself, and goes on writing to stderr after this program
// has gone.
// Usage: launch_once [--prepared] [--end-by SIGNAL] BACKEND OUTPUT: decompiles "level" for THUG1
// into OUTPUT.txt; prints the launcher's error and exits 1 when nothing started. With --prepared
// it first does what app/main.cpp does before anything else, then writes a warning to stderr as
// Qt would, so that the tests can start it with its standard streams closed or leading nowhere.
// With --end-by it does that too, and then ends by the signal numbered SIGNAL, as a crash or a
// signal from outside would end Kestrin, instead of handing its capture on itself.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "backend/launch.h"
#include "backend/running.h"
#include "platform/own_process.h"

int main(int argc, char** argv) {
    int next = 1;
    const bool prepared = argc > next && std::string_view(argv[next]) == "--prepared";
    next += prepared ? 1 : 0;
    const bool ended = argc > next + 1 && std::string_view(argv[next]) == "--end-by";
    const int signal = ended ? std::atoi(argv[next + 1]) : 0;
    next += ended ? 2 : 0;
    if (argc != next + 2) {
        std::fputs("usage: launch_once [--prepared] [--end-by SIGNAL] BACKEND OUTPUT\n", stderr);
        return 2;
    }
    if (prepared || ended) {
        kestrin::platform::prepareOwnProcess();
        std::fputs("launch_once: a warning, as Qt writes them\n", stderr);
        std::fflush(stderr);
    }
    const auto command = kestrin::backend::decompile(argv[next], "level", "THUG1", argv[next + 1]);
    if (!command) {
        std::fprintf(stderr, "%s\n", command.message().c_str());
        return 1;
    }
    auto result =
        kestrin::backend::SystemLauncher().launch(*command, kestrin::backend::RunningBackends());
    if (!result) {
        std::fprintf(stderr, "%s\n", result.message().c_str());
        return 1;
    }
    if (ended) {
        std::raise(signal);
    }
    // What the window's watch does when Kestrin goes while a backend runs.
    return kestrin::platform::keepDraining() ? 0 : 1;
}
