// SPDX-License-Identifier: MIT
#include "common/utf8.h"

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

}  // namespace kestrin
