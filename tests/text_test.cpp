// SPDX-License-Identifier: MIT
// UTF-8 one character at a time, and how every message and the list write the characters that do
// not show as themselves.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/text.h"

namespace {

using kestrin::escapeForDisplay;
using kestrin::isHidden;
using kestrin::kHiddenRanges;

struct DecodeCase {
    std::string text;
    std::size_t at;
    kestrin::Utf8Character expected;
};

TEST(Utf8, DecodesOneCharacterAtATimeAndTellsValidText) {
    const std::vector<DecodeCase> cases = {
        {"a", 0, {0x61, 1, true}},
        {std::string(1, '\0'), 0, {0, 1, true}},
        {"x\xC2\xAD", 1, {0xAD, 2, true}},
        {"\xE2\x80\xAEz", 0, {0x202E, 3, true}},
        {"\xF3\xA0\x81\x81", 0, {0xE0041, 4, true}},
        {"\xF4\x8F\xBF\xBF", 0, {0x10FFFF, 4, true}},
        {"\xE2\x80\xAE", 1, {0, 1, false}},  // a continuation byte starts nothing
        {"\xE2\x80", 0, {0, 1, false}},      // cut short
        {"\xE2\x80z", 0, {0, 1, false}},     // followed by no continuation byte
        {"\xE0\x80\xAE", 0, {0, 1, false}},  // overlong
        {"\xC0\xAF", 0, {0, 1, false}},      // overlong "/"
        {"\xED\xB0\x80", 0, {0, 1, false}},  // surrogate
        {"\xF4\x90\x80\x80", 0, {0, 1, false}},
        {"\xFF", 0, {0, 1, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " at " + std::to_string(c.at));
        const auto decoded = kestrin::decodeUtf8(c.text, c.at);
        EXPECT_EQ(decoded.valid, c.expected.valid);
        EXPECT_EQ(decoded.length, c.expected.length);
        if (c.expected.valid) {
            EXPECT_EQ(decoded.codePoint, c.expected.codePoint);
        }
        // A text of one character from the start is valid exactly when that character is.
        if (c.at == 0 && c.expected.length == c.text.size()) {
            EXPECT_EQ(kestrin::isValidUtf8(c.text), c.expected.valid);
        }
    }
    EXPECT_TRUE(kestrin::isValidUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(kestrin::isValidUtf8("caf\xC3"));
}

struct ShownCase {
    const char* why;
    std::string text;
    std::string shown;
};

TEST(VisibleText, WritesWhatDoesNotShowAsItselfAsUPlusHex) {
    const std::vector<ShownCase> cases = {
        {"empty", "", ""},
        {"plain, with blanks and tabs", "my level\t2", "my level\t2"},
        {"control characters", std::string("a\0b\nc\x1F\x7F", 7), "aU+0000bU+000AcU+001FU+007F"},
        {"C1 controls", "a\xC2\x85\xC2\x9B", "aU+0085U+009B"},
        {"line and paragraph separators", "a\xE2\x80\xA8\xE2\x80\xA9", "aU+2028U+2029"},
        {"a variation selector and the combining grapheme joiner", "a\xEF\xB8\x8F\xCD\x8F",
         "aU+FE0FU+034F"},
        {"what looks blank: braille blank, Hangul fillers",
         "\xE2\xA0\x80\xE3\x85\xA4\xE1\x85\x9F\xE1\x85\xA0\xEF\xBE\xA0",
         "U+2800U+3164U+115FU+1160U+FFA0"},
        {"right-to-left override", "txt.\xE2\x80\xAEqb", "txt.U+202Eqb"},
        {"zero-width space and joiner", "a\xE2\x80\x8B\xE2\x80\x8D", "aU+200BU+200D"},
        {"soft hyphen, two bytes", "a\xC2\xAD", "aU+00AD"},
        {"byte order mark", "\xEF\xBB\xBFx", "U+FEFFx"},
        {"tag character, five digits", "x\xF3\xA0\x81\x81", "xU+E0041"},
        {"letters and emoji stay", "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80",
         "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"},
        {"neighbours of the ranges stay", "\xC2\xAC\xE1\xBF\xBE\xE2\x80\x90\xE2\x81\xB0",
         "\xC2\xAC\xE1\xBF\xBE\xE2\x80\x90\xE2\x81\xB0"},
        {"every space but the plain one", "a b\xC2\xA0\xE2\x80\x89\xE2\x80\xAF\xE3\x80\x80",
         "a bU+00A0U+2009U+202FU+3000"},
        {"a name's own U+ and digits cannot pass for a hidden character", "levU+200Bel",
         "levU+0055+200Bel"},
        {"other U and + stay", "U+x u+200B U2 +1 U+", "U+x u+200B U2 +1 U+"},
        {"bytes that are not UTF-8 as \\xHH", "a\xFF\xE2\x80", "a\\xFF\\xE2\\x80"},
        {"an overlong zero-width space is no character", "\xF0\x82\x80\x8B",
         "\\xF0\\x82\\x80\\x8B"},
        {"a cut override keeps what follows",
         "\xE2\x80"
         "a\xE2\x80\xAE",
         "\\xE2\\x80aU+202E"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(escapeForDisplay(c.text), c.shown);
        EXPECT_EQ(kestrin::displaysAsIs(c.text), c.shown == c.text);
    }
    EXPECT_EQ(kestrin::hiddenCharacters("\xE2\x80\x8B"
                                        "a\x01\xE2\x80\x8B\xE2\x80\xAE"),
              (std::vector<char32_t>{0x200B, 0x01, 0x202E}));
}

// Each range's ends are inside and their neighbours outside: the lookup finds every range.
TEST(VisibleText, TheTableIsOrderedAndEveryRangeIsFoundToItsEnds) {
    char32_t previousLast = 0;
    bool first = true;
    for (const auto& range : kHiddenRanges) {
        SCOPED_TRACE(kestrin::codePointName(range.first));
        EXPECT_LE(range.first, range.last);
        if (!first) {
            EXPECT_GT(range.first, previousLast + 1) << "out of order, overlapping or touching";
        }
        first = false;
        previousLast = range.last;
        EXPECT_TRUE(isHidden(range.first));
        EXPECT_TRUE(isHidden(range.last));
        EXPECT_FALSE(range.first > 0 && isHidden(range.first - 1));
        EXPECT_FALSE(isHidden(range.last + 1));
    }
    EXPECT_FALSE(isHidden(0x10FFFF));
}

}  // namespace
