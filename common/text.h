// SPDX-License-Identifier: MIT
#pragma once
// UTF-8 text below the window: characters one at a time, ASCII case, and the one way every
// message and the file list write the characters that do not show as themselves (a name holding
// one can pass for another or show reversed; a line of stderr can break its message).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

// One UTF-8 character. A byte that starts no valid character (stray, cut short, overlong, a
// surrogate or beyond U+10FFFF) has length 1 and is not valid.
struct Utf8Character {
    char32_t codePoint = 0;
    std::size_t length = 1;
    bool valid = false;
};

// The character that starts at text[at]; at must lie inside text.
Utf8Character decodeUtf8(std::string_view text, std::size_t at);

bool isValidUtf8(std::string_view text);

constexpr bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// ASCII letters in upper case: the case rule of Windows file names that Kestrin compares.
constexpr char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// Every code point that does not show as itself, ascending: Cc but tab; Cf (bidirectional
// controls, zero-width characters, the soft hyphen, the byte order mark, tags...); Zs but the
// plain space (each looks like it or like nothing); Zl, Zp; every default-ignorable code point
// (the unassigned ones too, which a later Unicode may make invisible); and the braille blank.
// Unicode 15.0's properties, with 17.0's format characters.
inline constexpr CodePointRange kHiddenRanges[] = {
    {0x0000, 0x0008},    // C0 controls before tab
    {0x000A, 0x001F},    // C0 controls after tab
    {0x007F, 0x00A0},    // delete, C1 controls, no-break space
    {0x00AD, 0x00AD},    // soft hyphen
    {0x034F, 0x034F},    // combining grapheme joiner
    {0x0600, 0x0605},    // Arabic number signs
    {0x061C, 0x061C},    // Arabic letter mark
    {0x06DD, 0x06DD},    // Arabic end of ayah
    {0x070F, 0x070F},    // Syriac abbreviation mark
    {0x0890, 0x0891},    // Arabic pound and piastre marks above
    {0x08E2, 0x08E2},    // Arabic disputed end of ayah
    {0x115F, 0x1160},    // Hangul choseong and jungseong fillers
    {0x1680, 0x1680},    // Ogham space mark
    {0x17B4, 0x17B5},    // Khmer inherent vowels
    {0x180B, 0x180F},    // Mongolian free variation selectors, vowel separator
    {0x2000, 0x200F},    // en quad to hair space; zero-width space, joiners; left-to-right marks
    {0x2028, 0x202F},    // line, paragraph separators; bidi embeddings, overrides; narrow nbsp
    {0x205F, 0x206F},    // medium mathematical space, word joiner, invisible operators, isolates
    {0x2800, 0x2800},    // braille pattern blank
    {0x3000, 0x3000},    // ideographic space
    {0x3164, 0x3164},    // Hangul filler
    {0xFE00, 0xFE0F},    // variation selectors
    {0xFEFF, 0xFEFF},    // zero-width no-break space (byte order mark)
    {0xFFA0, 0xFFA0},    // halfwidth Hangul filler
    {0xFFF0, 0xFFFB},    // not assigned yet; interlinear annotation
    {0x110BD, 0x110BD},  // Kaithi number sign
    {0x110CD, 0x110CD},  // Kaithi number sign above
    {0x13430, 0x1343F},  // Egyptian hieroglyph format controls
    {0x1BCA0, 0x1BCA3},  // shorthand format controls
    {0x1D173, 0x1D17A},  // musical symbol beams, ties, slurs, phrases
    {0xE0000, 0xE0FFF},  // tags, variation selectors supplement, and what is not assigned yet
};

bool isHidden(char32_t codePoint);

// Whether escapeForDisplay(text) is text itself, found without a copy.
bool displaysAsIs(std::string_view text);

// text with each hidden character as its U+XXXX name and each byte that starts no valid character
// as \xHH. A "U" of the text before "+" and a hex digit is written U+0055, so that every U+XXXX
// shown is such a name, never a file's own text.
std::string escapeForDisplay(std::string_view text);

// The hidden characters of text, each once, in order of first appearance.
std::vector<char32_t> hiddenCharacters(std::string_view text);

// "U+" and the code point in at least four upper-case hexadecimal digits.
std::string codePointName(char32_t codePoint);

}  // namespace kestrin
