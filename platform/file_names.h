// SPDX-License-Identifier: MIT
#pragma once
// Name rules that every system's directory search shares, so that both list alike, and the
// UTF-8 character step that the base-name rule counts by.

#include <cstddef>
#include <string_view>

namespace kestrin::platform {

// Matches a wildcard pattern where "*" stands for any run of characters and "?" for one
// character (a UTF-8 code point). ignoreCase folds ASCII letters only.
bool wildcardMatch(std::string_view pattern, std::string_view name, bool ignoreCase);

// The order NTFS returns names in: ASCII letters compared as upper case, ties by byte order.
bool caseInsensitiveLess(std::string_view a, std::string_view b);

bool isValidUtf8(std::string_view text);

// One UTF-8 character: its code point and its length in bytes. A byte that starts no valid
// character (stray, cut short, overlong, a surrogate or beyond U+10FFFF) has length 1 and is not
// valid.
struct Utf8Character {
    char32_t codePoint = 0;
    std::size_t length = 1;
    bool valid = false;
};

// The character that starts at text[at]; at must lie inside text.
Utf8Character decodeUtf8(std::string_view text, std::size_t at);

// The second and later bytes of a UTF-8 character: what a walk by characters steps over.
constexpr bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace kestrin::platform
