// SPDX-License-Identifier: MIT
#pragma once
// Characters that do not show as themselves: the control characters, and the format characters
// (Unicode general category Cf: bidirectional embeddings, overrides and isolates, zero-width
// characters, the soft hyphen, the byte order mark, tags...). A name that holds them can look
// like another name, or show reversed; messages and the file list write them as U+XXXX.

#include <string>
#include <string_view>
#include <vector>

namespace kestrin::backend {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// General category Cf of Unicode 17.0, in ascending order (DerivedGeneralCategory.txt): the one
// place that lists them.
inline constexpr CodePointRange kFormatCharacterRanges[] = {
    {0x00AD, 0x00AD},    // soft hyphen
    {0x0600, 0x0605},    // Arabic number signs
    {0x061C, 0x061C},    // Arabic letter mark
    {0x06DD, 0x06DD},    // Arabic end of ayah
    {0x070F, 0x070F},    // Syriac abbreviation mark
    {0x0890, 0x0891},    // Arabic pound and piastre marks above
    {0x08E2, 0x08E2},    // Arabic disputed end of ayah
    {0x180E, 0x180E},    // Mongolian vowel separator
    {0x200B, 0x200F},    // zero-width space, non-joiner, joiner; left-to-right, right-to-left marks
    {0x202A, 0x202E},    // bidirectional embeddings and overrides
    {0x2060, 0x2064},    // word joiner, invisible operators
    {0x2066, 0x206F},    // bidirectional isolates, deprecated format characters
    {0xFEFF, 0xFEFF},    // zero-width no-break space (byte order mark)
    {0xFFF9, 0xFFFB},    // interlinear annotation
    {0x110BD, 0x110BD},  // Kaithi number sign
    {0x110CD, 0x110CD},  // Kaithi number sign above
    {0x13430, 0x1343F},  // Egyptian hieroglyph format controls
    {0x1BCA0, 0x1BCA3},  // shorthand format controls
    {0x1D173, 0x1D17A},  // musical symbol beams, ties, slurs, phrases
    {0xE0001, 0xE0001},  // language tag
    {0xE0020, 0xE007F},  // tag characters
};

bool isFormatCharacter(char32_t codePoint);

// The format characters in text, each once, in order of first appearance. Bytes that are not
// valid UTF-8 hold none.
std::vector<char32_t> formatCharacters(std::string_view text);

// "U+" and the code point in at least four upper-case hexadecimal digits.
std::string codePointName(char32_t codePoint);

// Whether text holds neither a control character (other than tab) nor a format character: then
// visibleForm(text) is text itself, and most names are found so without a copy.
bool showsAsItself(std::string_view text);

// text with each control character (U+0000 to U+001F other than tab, and U+007F) and each format
// character written as its U+XXXX name; everything else, invalid UTF-8 too, as it stands.
std::string visibleForm(std::string_view text);

}  // namespace kestrin::backend
