// SPDX-License-Identifier: MIT
#include <filesystem>

#include "platform/names.h"

namespace kestrin::platform {

unsigned activeCodePage() {
    return 0;
}

std::vector<char32_t> changedByCodePage(std::string_view /*text*/) {
    return {};
}

std::string fileKey(const std::string& name) {
    const std::u8string text(name.begin(), name.end());
    const std::u8string normal = std::filesystem::path(text).lexically_normal().generic_u8string();
    return {normal.begin(), normal.end()};
}

}  // namespace kestrin::platform
