// SPDX-License-Identifier: MIT
#include "common/visible_text.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "common/utf8.h"

namespace kestrin {
namespace {

// Most names are printable ASCII: they need no decoding at all.
bool isPlainAscii(char c) {
    const auto code = static_cast<unsigned char>(c);
    return (code >= 0x20 && code < 0x7F) || c == '\t';
}

}  // namespace

bool isHidden(char32_t codePoint) {
    const auto* const end = std::end(kHiddenRanges);
    const auto* const range =
        std::upper_bound(std::begin(kHiddenRanges), end, codePoint,
                         [](char32_t code, const CodePointRange& r) { return code < r.first; });
    return range != std::begin(kHiddenRanges) && codePoint <= std::prev(range)->last;
}

bool showsAsItself(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (isPlainAscii(text[at])) {
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

std::string visibleForm(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
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
