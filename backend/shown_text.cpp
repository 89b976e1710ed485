// SPDX-License-Identifier: MIT
#include "backend/shown_text.h"

#include <array>
#include <utility>

#include "backend/characters.h"

namespace kestrin::backend {
namespace {

bool isHidden(char32_t code) {
    const bool control = (code < 0x20 && code != '\t') || (code >= 0x7F && code <= 0x9F);
    return control || code == 0x2028 || code == 0x2029 || isFormatCharacter(code);
}

// The code point that starts text, and its length in bytes; length 0 when text does not start
// with a whole, shortest-form UTF-8 sequence.
std::pair<char32_t, std::size_t> decode(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || length > text.size() || lead > 0xF4) {
        return {0, 0};
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return {0, 0};
        }
        code = (code << 6) | (next & 0x3F);
    }
    constexpr std::array<char32_t, 5> kSmallest = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {0, 0};
    }
    return {code, length};
}

}  // namespace

std::string visible(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        const auto [code, length] = decode(text);
        const std::size_t taken = length == 0 ? 1 : length;
        if (length != 0 && isHidden(code)) {
            shown += codePointName(code);
        } else {
            shown.append(text.substr(0, taken));
        }
        text.remove_prefix(taken);
    }
    return shown;
}

}  // namespace kestrin::backend
