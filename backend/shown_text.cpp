#include "backend/shown_text.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace kestrin::backend {
namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// General category Cf, Unicode 15.
constexpr std::array<Range, 21> kFormatCharacters = {{
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
}};

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

bool isFormatCharacter(char32_t code) {
    return std::any_of(
        kFormatCharacters.begin(), kFormatCharacters.end(),
        [code](const Range& range) { return code >= range.first && code <= range.last; });
}

std::string visible(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        const auto [code, length] = decode(text);
        const std::size_t taken = length == 0 ? 1 : length;
        if (length != 0 && isHidden(code)) {
            char buffer[12];
            std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(code));
            shown += buffer;
        } else {
            shown.append(text.substr(0, taken));
        }
        text.remove_prefix(taken);
    }
    return shown;
}

}  // namespace kestrin::backend
