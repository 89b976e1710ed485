// SPDX-License-Identifier: MIT
#include "common/text.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <iterator>

namespace kestrin {

Utf8Character decodeUtf8(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        return {.codePoint = lead, .length = 1, .valid = true};
    }
    // The lead's high one bits count the bytes: 2 to 4, a continuation byte has one.
    const auto length = static_cast<std::size_t>(std::countl_one(lead));
    if (length < 2 || length > 4 || at + length > text.size()) {
        return {};
    }
    char32_t value = lead & (0x7FU >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (!isContinuationByte(text[at + k])) {
            return {};
        }
        value = (value << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3FU);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < kSmallest[length] || surrogate || value > 0x10FFFF) {
        return {};
    }
    return {.codePoint = value, .length = length, .valid = true};
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Character character = decodeUtf8(text, at);
        if (!character.valid) {
            return false;
        }
        at += character.length;
    }
    return true;
}

namespace {

// A "U" of the text that would read as the start of a U+XXXX name.
bool looksLikeAName(std::string_view text, std::size_t at) {
    return text[at] == 'U' && at + 2 < text.size() && text[at + 1] == '+' &&
           std::isxdigit(static_cast<unsigned char>(text[at + 2])) != 0;
}

// How the character at text[at] is written when it does not show as itself, else empty; length
// is set to its bytes. Most names are printable ASCII, which needs no decoding.
std::string escaped(std::string_view text, std::size_t at, std::size_t& length) {
    length = 1;
    const auto code = static_cast<unsigned char>(text[at]);
    if (looksLikeAName(text, at)) {
        return codePointName(U'U');
    }
    if ((code >= 0x20 && code < 0x7F) || code == '\t') {
        return {};
    }
    const Utf8Character character = decodeUtf8(text, at);
    length = character.length;
    if (!character.valid) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "\\x%02X", static_cast<unsigned>(code));
        return byte;
    }
    return isHidden(character.codePoint) ? codePointName(character.codePoint) : std::string();
}

}  // namespace

bool isHidden(char32_t codePoint) {
    const auto* const range =
        std::upper_bound(std::begin(kHiddenRanges), std::end(kHiddenRanges), codePoint,
                         [](char32_t code, const CodePointRange& r) { return code < r.first; });
    return range != std::begin(kHiddenRanges) && codePoint <= std::prev(range)->last;
}

bool displaysAsIs(std::string_view text) {
    std::size_t length = 1;
    for (std::size_t at = 0; at < text.size(); at += length) {
        if (!escaped(text, at, length).empty()) {
            return false;
        }
    }
    return true;
}

std::string escapeForDisplay(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    std::size_t length = 1;
    for (std::size_t at = 0; at < text.size(); at += length) {
        const std::string written = escaped(text, at, length);
        shown += written.empty() ? text.substr(at, length) : std::string_view(written);
    }
    return shown;
}

std::vector<char32_t> hiddenCharacters(std::string_view text) {
    std::vector<char32_t> found;
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Character character = decodeUtf8(text, at);
        if (character.valid && isHidden(character.codePoint) &&
            std::find(found.begin(), found.end(), character.codePoint) == found.end()) {
            found.push_back(character.codePoint);
        }
        at += character.length;
    }
    return found;
}

std::string codePointName(char32_t codePoint) {
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
    return buffer;
}

}  // namespace kestrin
