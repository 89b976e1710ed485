// SPDX-License-Identifier: MIT
#include "platform/file_names.h"

#include <algorithm>
#include <cstddef>

namespace kestrin::platform {
namespace {

char foldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Length in bytes of the code point that starts at text[at] (1 for a stray byte).
std::size_t codePointLength(std::string_view text, std::size_t at) {
    std::size_t end = at + 1;
    while (end < text.size() && isContinuationByte(text[end])) {
        ++end;
    }
    return end - at;
}

bool sameCharacter(char a, char b, bool ignoreCase) {
    return ignoreCase ? foldAscii(a) == foldAscii(b) : a == b;
}

// "*" and plain characters, the shape of every listing's pattern: only the name's ending can
// match, so it is compared once instead of retried at every character. An ending that starts
// with a continuation byte would start inside a character, where "*" never stops; it takes the
// general path.
bool isStarAndPlainEnding(std::string_view pattern) {
    if (!pattern.starts_with('*')) {
        return false;
    }
    const std::string_view ending = pattern.substr(1);
    const bool plain =
        std::none_of(ending.begin(), ending.end(), [](char c) { return c == '*' || c == '?'; });
    return plain && (ending.empty() || !isContinuationByte(ending.front()));
}

// Greedy match with one backtrack point: the last "*" seen and where its run ends.
bool greedyMatch(std::string_view pattern, std::string_view name, bool ignoreCase) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeName = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += codePointLength(name, n);
        } else if (p < pattern.size() && sameCharacter(pattern[p], name[n], ignoreCase)) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            resumeName += codePointLength(name, resumeName);
            n = resumeName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name, bool ignoreCase) {
    if (isStarAndPlainEnding(pattern)) {
        const std::string_view ending = pattern.substr(1);
        return name.size() >= ending.size() &&
               std::equal(ending.begin(), ending.end(), name.end() - ending.size(),
                          [ignoreCase](char a, char b) { return sameCharacter(a, b, ignoreCase); });
    }
    return greedyMatch(pattern, name, ignoreCase);
}

bool caseInsensitiveLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(foldAscii(a[i]));
        const auto y = static_cast<unsigned char>(foldAscii(b[i]));
        if (x != y) {
            return x < y;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

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

}  // namespace kestrin::platform
