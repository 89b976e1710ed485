// SPDX-License-Identifier: MIT
#include "listing/list_files.h"

#include "listing/base_name.h"

namespace kestrin::listing {

SystemResult<std::vector<std::string>> listFiles(platform::DirectorySearch& search,
                                                 std::string_view pattern) {
    // Every pattern is "*" and an ending.
    SystemResult<std::vector<std::string>> found = search.filesEndingIn(pattern.substr(1));
    if (!found) {
        return found.error();
    }
    std::vector<std::string> names = std::move(found).value();
    for (std::string& name : names) {
        name = baseName(name);
    }
    return names;
}

}  // namespace kestrin::listing
