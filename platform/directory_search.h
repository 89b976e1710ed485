// SPDX-License-Identifier: MIT
#pragma once
// The OS layer: thin wrappers over the system's calls, one header per concern and one file per
// system behind it (_posix.cpp, _windows.cpp). No rules of Kestrin's and no words for the user
// live here: failures are the system's error codes. Plain C++, no Qt.

#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/result.h"

namespace kestrin::platform {

// The working folder's ordinary files whose names end in ending, as UTF-8, in the order NTFS
// keeps them (ntfsOrder), on every system. Ordinary means no folders, pipes or devices and no
// hidden or system files (dotfiles on POSIX, those attributes on Windows); a symlink counts as the
// file it leads to. POSIX compares the ending as it stands, Windows without regard to case, as its
// file systems do. Names that are not valid UTF-8 (UTF-16 on Windows) are left out: they could not
// make the round trip through the window's text boxes.
class DirectorySearch {
public:
    virtual ~DirectorySearch() = default;
    virtual SystemResult<std::vector<std::string>> filesEndingIn(std::string_view ending) = 0;
};

std::unique_ptr<DirectorySearch> makeDirectorySearch();

// The order NTFS returns names in: ASCII letters compared as upper case, ties by byte order.
bool ntfsOrder(std::string_view a, std::string_view b);

}  // namespace kestrin::platform
