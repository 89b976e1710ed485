// SPDX-License-Identifier: MIT
#pragma once
// What each system's search file (directory_search_posix.cpp, directory_search_windows.cpp)
// provides; directory_search.cpp puts the names in one order for every system.

#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace kestrin::platform {

// The ordinary files of folder whose names match pattern, in the order the system reads them.
Result<std::vector<std::string>> readMatchingNames(const std::string& folder,
                                                   std::string_view pattern);

}  // namespace kestrin::platform
