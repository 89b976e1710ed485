// SPDX-License-Identifier: MIT
#pragma once
// UTF-8, the one text encoding below the window: characters one at a time, and ASCII case.

#include <cstddef>
#include <string_view>

namespace kestrin {

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

bool isValidUtf8(std::string_view text);

// The second and later bytes of a UTF-8 character: what a walk by characters steps over.
constexpr bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// ASCII letters in upper case, every other byte as it is: the case rule of Windows file names
// for the names Kestrin compares.
constexpr char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace kestrin
