// SPDX-License-Identifier: MIT
#include <algorithm>

#include "common/text.h"
#include "platform/directory_search.h"

namespace kestrin::platform {

bool ntfsOrder(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(upperAscii(a[i]));
        const auto y = static_cast<unsigned char>(upperAscii(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

}  // namespace kestrin::platform
