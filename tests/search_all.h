// SPDX-License-Identifier: MIT
#pragma once
// Every name the system's directory search finds, or std::nullopt when the search failed.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_search.h"

namespace kestrin::testing {

inline std::optional<std::vector<std::string>> searchAll(const std::string& folder,
                                                         std::string_view pattern) {
    auto names = platform::makeDirectorySearch()->find(folder, pattern);
    if (!names) {
        return std::nullopt;
    }
    return std::move(names).value();
}

}  // namespace kestrin::testing
