// SPDX-License-Identifier: MIT
#include "backend/characters.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "platform/file_names.h"

namespace kestrin::backend {
namespace {

// Tab is left out: it shows as a blank, like the space it stands beside in these rules.
bool isControlCharacter(char c) {
    const auto code = static_cast<unsigned char>(c);
    return (code < 0x20 && c != '\t') || code == 0x7F;
}

}  // namespace

bool isFormatCharacter(char32_t codePoint) {
    const auto* const end = std::end(kFormatCharacterRanges);
    const auto* const range =
        std::upper_bound(std::begin(kFormatCharacterRanges), end, codePoint,
                         [](char32_t code, const CodePointRange& r) { return code < r.first; });
    return range != std::begin(kFormatCharacterRanges) && codePoint <= std::prev(range)->last;
}

std::vector<char32_t> formatCharacters(std::string_view text) {
    std::vector<char32_t> found;
    for (std::size_t at = 0; at < text.size();) {
        const auto character = platform::decodeUtf8(text, at);
        if (character.valid && isFormatCharacter(character.codePoint) &&
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

bool showsAsItself(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            if (isControlCharacter(text[at])) {
                return false;
            }
            ++at;
            continue;
        }
        const auto character = platform::decodeUtf8(text, at);
        if (character.valid && isFormatCharacter(character.codePoint)) {
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
        const char c = text[at];
        if (static_cast<unsigned char>(c) < 0x80) {
            // Most names are ASCII: no decoding for them.
            if (isControlCharacter(c)) {
                shown += codePointName(static_cast<unsigned char>(c));
            } else {
                shown += c;
            }
            ++at;
            continue;
        }
        const auto character = platform::decodeUtf8(text, at);
        if (character.valid && isFormatCharacter(character.codePoint)) {
            shown += codePointName(character.codePoint);
        } else {
            shown.append(text.substr(at, character.length));
        }
        at += character.length;
    }
    return shown;
}

}  // namespace kestrin::backend
