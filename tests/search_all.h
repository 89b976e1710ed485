#pragma once
// Every name one directory search returns, or std::nullopt when its first call failed.

#include <optional>
#include <string>
#include <vector>

#include "platform/directory_search.h"

namespace kestrin::testing {

inline std::optional<std::vector<std::string>> searchAll(const std::string& pathAndPattern) {
    auto search = platform::makeDirectorySearch();
    auto name = search->first(pathAndPattern);
    if (!name) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (; !name->empty(); name = search->next()) {
        names.push_back(*name);
    }
    return names;
}

}  // namespace kestrin::testing
