// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/result.h"
#include "common/text.h"

namespace kestrin::platform {

// The working folder's ordinary files (no folders, devices, dotfiles or hidden and system files; a
// symlink counts as its target) whose names end in ending (on Windows without regard to case), as
// UTF-8 in NTFS order on every system. Names not valid UTF-8 (UTF-16 on Windows) are left out:
// they could not make the round trip through the window's text boxes.
class DirectorySearch {
public:
    virtual ~DirectorySearch() = default;
    virtual SystemResult<std::vector<std::string>> filesEndingIn(std::string_view ending) = 0;
};

std::unique_ptr<DirectorySearch> makeDirectorySearch();

// The order NTFS returns names in: ASCII letters compared as upper case, ties by byte order.
inline bool ntfsOrder(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const auto x = static_cast<unsigned char>(upperAscii(a[i]));
        const auto y = static_cast<unsigned char>(upperAscii(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace kestrin::platform
