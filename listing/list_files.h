// SPDX-License-Identifier: MIT
#pragma once
// The folder listing and the base-name rule. Plain C++ without Qt: the window only hands it a
// search and shows what it returns.

#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "platform/directory_search.h"

namespace kestrin::listing {

inline constexpr std::string_view kQbPattern = "*.qb";
inline constexpr std::string_view kTxtPattern = "*.txt";
inline constexpr std::string_view kDriveNotReading = "Drive not reading";

// The base names of the working folder's files that match pattern ("*.qb" or "*.txt": a "*"
// and the ending), in the order the search returns them; the system's reason when the folder
// cannot be read, which the user is told as "Drive not reading".
SystemResult<std::vector<std::string>> listFiles(platform::DirectorySearch& search,
                                                 std::string_view pattern);

}  // namespace kestrin::listing
