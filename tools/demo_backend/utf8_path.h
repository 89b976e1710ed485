// SPDX-License-Identifier: MIT
#pragma once
// Names are UTF-8 in the demo formats and on the command line, whatever the system's own
// encoding of paths.

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrin::demo {

inline std::filesystem::path fromUtf8(std::string_view name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

// path in UTF-8 with "/" between folders, for a message.
inline std::string shown(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace kestrin::demo
