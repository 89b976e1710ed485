// SPDX-License-Identifier: MIT
#include "platform/directory_search.h"

#include <algorithm>

#include "platform/file_names.h"
#include "platform/matching_names.h"

namespace kestrin::platform {
namespace {

// Every system reads a folder in an order of its own; the list shows one order everywhere.
class SystemSearch final : public DirectorySearch {
public:
    Result<std::vector<std::string>> find(const std::string& folder,
                                          std::string_view pattern) override {
        auto names = readMatchingNames(folder, pattern);
        if (names) {
            std::sort(names.value().begin(), names.value().end(), caseInsensitiveLess);
        }
        return names;
    }
};

}  // namespace

std::unique_ptr<DirectorySearch> makeDirectorySearch() {
    return std::make_unique<SystemSearch>();
}

}  // namespace kestrin::platform
