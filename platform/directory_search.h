// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <compare>
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
    const auto order = std::lexicographical_compare_three_way(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(upperAscii(x)) <=>
                   static_cast<unsigned char>(upperAscii(y));
        });
    return order != 0 ? order < 0 : a < b;
}

}  // namespace kestrin::platform
