// SPDX-License-Identifier: MIT
#pragma once
// The search behind the folder listing: one call, a folder and a pattern in, the names out.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace kestrin::platform {

// Finds the ordinary files of one folder whose names match a wildcard pattern ("*.qb"). Names are
// UTF-8 and come back in caseInsensitiveLess order; ordinary means no directories, no hidden or
// system files. An empty folder is the working folder.
class DirectorySearch {
public:
    virtual ~DirectorySearch() = default;

    // A folder without a match gives an empty list; one that cannot be read, a failure.
    virtual Result<std::vector<std::string>> find(const std::string& folder,
                                                  std::string_view pattern) = 0;
};

// The system's own search: opendir/readdir on POSIX, FindFirstFileW on Windows.
std::unique_ptr<DirectorySearch> makeDirectorySearch();

}  // namespace kestrin::platform
