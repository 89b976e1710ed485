// SPDX-License-Identifier: MIT
#include "common/text.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace kestrin {

Utf8Character decodeUtf8(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        return {.codePoint = lead, .length = 1, .valid = true};
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return {};
    }
    if (at + length > text.size()) {
        return {};
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (!isContinuationByte(text[at + k])) {
            return {};
        }
        value = (value << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool overlong = value < kSmallest[length];
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (overlong || surrogate || value > 0x10FFFF) {
        return {};
    }
    return {.codePoint = value, .length = length, .valid = true};
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;  // most names are ASCII: no decoding for them
            continue;
        }
        const Utf8Character character = decodeUtf8(text, i);
        if (!character.valid) {
            return false;
        }
        i += character.length;
    }
    return true;
}

namespace {

// Most names are printable ASCII: they need no decoding at all.
bool isPlainAscii(char c) {
    const auto code = static_cast<unsigned char>(c);
    return (code >= 0x20 && code < 0x7F) || c == '\t';
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A "U" of the text that would read as the start of a U+XXXX name.
bool looksLikeAName(std::string_view text, std::size_t at) {
    return text[at] == 'U' && at + 2 < text.size() && text[at + 1] == '+' &&
           isHexDigit(text[at + 2]);
}

}  // namespace

bool isHidden(char32_t codePoint) {
    const auto* const end = std::end(kHiddenRanges);
    const auto* const range =
        std::upper_bound(std::begin(kHiddenRanges), end, codePoint,
                         [](char32_t code, const CodePointRange& r) { return code < r.first; });
    return range != std::begin(kHiddenRanges) && codePoint <= std::prev(range)->last;
}

bool displaysAsIs(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (isPlainAscii(text[at])) {
            if (looksLikeAName(text, at)) {
                return false;
            }
            ++at;
            continue;
        }
        const Utf8Character character = decodeUtf8(text, at);
        if (!character.valid || isHidden(character.codePoint)) {
            return false;
        }
        at += character.length;
    }
    return true;
}

std::string escapeForDisplay(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (looksLikeAName(text, at)) {
            shown += codePointName(U'U');
            ++at;
            continue;
        }
        if (isPlainAscii(text[at])) {
            shown += text[at++];
            continue;
        }
        const Utf8Character character = decodeUtf8(text, at);
        if (!character.valid) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "\\x%02X", static_cast<unsigned char>(text[at]));
            shown += byte;
        } else if (isHidden(character.codePoint)) {
            shown += codePointName(character.codePoint);
        } else {
            shown.append(text.substr(at, character.length));
        }
        at += character.length;
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
