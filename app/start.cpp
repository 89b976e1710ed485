// SPDX-License-Identifier: MIT
#include "app/start.h"

#include <filesystem>
#include <ostream>
#include <system_error>

namespace kestrin::app {

namespace {

constexpr int kUsageError = 2;

constexpr const char* kHelp =
    "Usage: kestrin [OPTION...] [FOLDER]\n"
    "Lists the game script files of FOLDER in a window and starts the backend on them.\n"
    "Kestrin works in FOLDER as if it had been started there: it lists its files, the\n"
    "backend runs there and outputs are written there. Without FOLDER it works in the\n"
    "folder it was started in.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "  --         take the next argument as FOLDER even if it starts with '-'\n"
    "\n"
    "The options every Qt program takes (-platform, -style, -reverse, ...) are passed on\n"
    "to Qt. Exit status: 0, or 2 when the arguments or FOLDER cannot be used.\n";

void refuse(std::ostream& err, const std::string& problem) {
    err << "kestrin: " << problem << " (see kestrin --help)\n";
}

}  // namespace

std::optional<int> prepare(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    switch (arguments.action) {
        case Arguments::Action::ShowHelp:
            out << kHelp;
            return 0;
        case Arguments::Action::ShowVersion:
            out << "kestrin " << KESTRIN_VERSION << '\n';
            return 0;
        case Arguments::Action::Refuse:
            refuse(err, arguments.problem);
            return kUsageError;
        case Arguments::Action::Run:
            break;
    }
    if (arguments.folder) {
        std::error_code failed;
        std::filesystem::current_path(std::filesystem::path(*arguments.folder), failed);
        if (failed) {
            err << "kestrin: cannot work in '" << *arguments.folder << "': " << failed.message()
                << '\n';
            return kUsageError;
        }
    }
    return std::nullopt;
}

std::vector<char*> qtArgv(char* program, Arguments& arguments) {
    std::vector<char*> argv{program};
    for (std::string& option : arguments.qtOptions) {
        argv.push_back(option.data());
    }
    argv.push_back(nullptr);
    return argv;
}

}  // namespace kestrin::app
