// SPDX-License-Identifier: MIT
#include <algorithm>
#include <compare>

#include "common/text.h"
#include "platform/directory_search.h"

namespace kestrin::platform {

bool ntfsOrder(std::string_view a, std::string_view b) {
    const auto order = std::lexicographical_compare_three_way(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(upperAscii(x)) <=>
                   static_cast<unsigned char>(upperAscii(y));
        });
    return order != 0 ? order < 0 : a < b;
}

}  // namespace kestrin::platform
