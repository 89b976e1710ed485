#pragma once
// Helpers for tests that start the stand-in backend (stand_in_backend.cpp) as a real child
// process on POSIX systems: copying it into place and watching this process's children. A target
// that includes this header defines KESTRIN_STAND_IN_BACKEND as the stand-in's path.

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "stand_in_log.h"

namespace kestrin::testing {

// Copies the stand-in into folder under name, executable by everyone.
inline void installStandIn(const std::filesystem::path& folder, const std::string& name) {
    namespace fs = std::filesystem;
    fs::copy_file(KESTRIN_STAND_IN_BACKEND, folder / name, fs::copy_options::overwrite_existing);
    fs::permissions(folder / name, fs::perms::owner_all | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read |
                                       fs::perms::others_exec);
}

struct Child {
    int pid;
    char state;
};

// This process's children as /proc lists them, with their state ('Z' for a zombie).
inline std::vector<Child> childrenOfThisProcess() {
    std::vector<Child> children;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        ADD_FAILURE() << "cannot read /proc";
        return children;
    }
    while (const dirent* entry = readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream statFile("/proc/" + name + "/stat");
        std::string stat((std::istreambuf_iterator<char>(statFile)),
                         std::istreambuf_iterator<char>());
        // "pid (command) state ppid ...": the command may hold spaces and parentheses.
        const auto close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(close + 1));
        char state = 0;
        int parent = 0;
        if (fields >> state >> parent && parent == getpid()) {
            children.push_back({std::stoi(name), state});
        }
    }
    closedir(proc);
    return children;
}

// Waits until this process has no children left; on failure names a few that remain.
inline ::testing::AssertionResult noChildrenRemain() {
    if (eventually([] { return childrenOfThisProcess().empty(); })) {
        return ::testing::AssertionSuccess();
    }
    const auto left = childrenOfThisProcess();
    std::string some;
    for (std::size_t i = 0; i < left.size() && i < 10; ++i) {
        some += " " + std::to_string(left[i].pid) + ":" + left[i].state;
    }
    return ::testing::AssertionFailure()
           << left.size() << " children left, such as (pid:state, Z is a zombie)" << some;
}

}  // namespace kestrin::testing
