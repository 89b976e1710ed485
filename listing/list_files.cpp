// SPDX-License-Identifier: MIT
#include "listing/list_files.h"

#include "listing/base_name.h"

namespace kestrin::listing {

platform::Result<std::vector<std::string>> listFiles(platform::DirectorySearch& search,
                                                     const std::string& folder,
                                                     std::string_view pattern) {
    auto names = search.find(folder, pattern);
    if (names) {
        for (std::string& name : names.value()) {
            name = baseName(name);
        }
    }
    return names;
}

}  // namespace kestrin::listing
