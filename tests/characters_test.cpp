// SPDX-License-Identifier: MIT
// The characters that do not show as themselves, and how messages and the list write them.

#include "backend/characters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kestrin::backend::isFormatCharacter;
using kestrin::backend::kFormatCharacterRanges;
using kestrin::backend::visibleForm;

struct ShownCase {
    const char* why;
    std::string text;
    std::string shown;
};

TEST(Characters, VisibleFormWritesWhatDoesNotShowAsItselfAsUPlusHex) {
    const std::vector<ShownCase> cases = {
        {"empty", "", ""},
        {"plain, with blanks and tabs", "my level\t2", "my level\t2"},
        {"control characters", std::string("a\0b\nc\x1F\x7F", 7), "aU+0000bU+000AcU+001FU+007F"},
        {"right-to-left override", "txt.\xE2\x80\xAEqb", "txt.U+202Eqb"},
        {"zero-width space and joiner", "a\xE2\x80\x8B\xE2\x80\x8D", "aU+200BU+200D"},
        {"soft hyphen, two bytes", "a\xC2\xAD", "aU+00AD"},
        {"byte order mark", "\xEF\xBB\xBFx", "U+FEFFx"},
        {"tag character, five digits", "x\xF3\xA0\x81\x81", "xU+E0041"},
        {"letters and emoji stay", "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80",
         "\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"},
        {"neighbours of the ranges stay", "\xC2\xAC\xE2\x80\x8A\xE2\x80\x90\xE2\x81\xA5",
         "\xC2\xAC\xE2\x80\x8A\xE2\x80\x90\xE2\x81\xA5"},
        {"invalid bytes stay as they are", "a\xFF\xE2\x80", "a\xFF\xE2\x80"},
        {"an overlong zero-width space is no character", "\xF0\x82\x80\x8B", "\xF0\x82\x80\x8B"},
        {"a cut override keeps what follows",
         "\xE2\x80"
         "a\xE2\x80\xAE",
         "\xE2\x80"
         "aU+202E"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(visibleForm(c.text), c.shown);
        EXPECT_EQ(kestrin::backend::showsAsItself(c.text), c.shown == c.text);
    }
}

// Each range's ends are inside and their neighbours outside: the lookup finds every range.
TEST(Characters, TheTableIsOrderedAndEveryRangeIsFoundToItsEnds) {
    std::size_t count = 0;
    char32_t previousLast = 0;
    for (const auto& range : kFormatCharacterRanges) {
        SCOPED_TRACE(kestrin::backend::codePointName(range.first));
        EXPECT_LE(range.first, range.last);
        EXPECT_GT(range.first, previousLast + 1) << "ranges out of order, overlapping or touching";
        previousLast = range.last;
        count += range.last - range.first + 1;
        EXPECT_TRUE(isFormatCharacter(range.first));
        EXPECT_TRUE(isFormatCharacter(range.last));
        EXPECT_FALSE(isFormatCharacter(range.first - 1));
        EXPECT_FALSE(isFormatCharacter(range.last + 1));
    }
    // General category Cf holds 170 characters in Unicode 15.0 to 17.0.
    EXPECT_EQ(count, 170u);
    EXPECT_FALSE(isFormatCharacter(0));
    EXPECT_FALSE(isFormatCharacter(0x10FFFF));
}

}  // namespace
