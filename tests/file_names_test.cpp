// SPDX-License-Identifier: MIT
// The name rules every system's directory search shares: matching, order, UTF-8 validity and
// decoding.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_names.h"

namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool ignoreCase;
    bool expected;
};

TEST(FileNames, WildcardMatch) {
    const std::vector<MatchCase> cases = {
        {"*.qb", "level.qb", false, true},   {"*.qb", "level.QB", false, false},
        {"*.qb", "level.QB", true, true},    {"*.qb", ".qb", false, true},
        {"*.qb", "level.qbx", false, false}, {"*.txt", "a.txt.qb", false, false},
        {"*.qb", "a.qb.qb", false, true},    {"?.qb", "\xC3\xA9.qb", false, true},
        {"?.qb", "ab.qb", false, false},     {"*", "", false, true},
        {"a*b*c", "aXbYbZc", false, true},   {"a*b*c", "aXbYbZ", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.name);
        EXPECT_EQ(kestrin::platform::wildcardMatch(c.pattern, c.name, c.ignoreCase), c.expected);
    }
}

// "*" and an ending: decided by the name's ending alone. "*" never stops inside a character, so
// an ending that starts with a continuation byte matches nothing.
TEST(FileNames, StarAndEndingMatchTheWholeEnding) {
    const std::vector<MatchCase> cases = {
        {"*.qb", "", false, false},           {"*.qb", "qb", false, false},
        {"*", "any.name", false, true},       {"*.Qb", "LEVEL.qB", true, true},
        {"*.qb", "LEVEL.qB", false, false},   {"**.qb", "a.qb", false, true},
        {"*?-", "\xC3\xA9-", false, true},    {"*\xC3\xA9", "x\xC3\xA9", false, true},
        {"*\xA9", "x\xC3\xA9", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.name);
        EXPECT_EQ(kestrin::platform::wildcardMatch(c.pattern, c.name, c.ignoreCase), c.expected);
    }
}

TEST(FileNames, Utf8Validity) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"plain", true},
        {"caf\xC3\xA9", true},
        {"\xEF\xBC\x86", true},      // fullwidth ampersand
        {"\xF0\x9F\x98\x80", true},  // outside the BMP
        {"bad\xFF", false},
        {"cut\xC3", false},
        {"\xC0\xAF", false},          // overlong "/"
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
    };
    for (const auto& [text, valid] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(kestrin::platform::isValidUtf8(text), valid);
    }
}

struct DecodeCase {
    std::string text;
    std::size_t at;
    kestrin::platform::Utf8Character expected;
};

TEST(FileNames, DecodesOneCharacterAtATime) {
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
        {"\xED\xB0\x80", 0, {0, 1, false}},  // surrogate
        {"\xF4\x90\x80\x80", 0, {0, 1, false}},
        {"\xFF", 0, {0, 1, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " at " + std::to_string(c.at));
        const auto decoded = kestrin::platform::decodeUtf8(c.text, c.at);
        EXPECT_EQ(decoded.valid, c.expected.valid);
        EXPECT_EQ(decoded.length, c.expected.length);
        if (c.expected.valid) {
            EXPECT_EQ(decoded.codePoint, c.expected.codePoint);
        }
    }
}

TEST(FileNames, OrderFoldsCaseAndBreaksTiesByBytes) {
    std::vector<std::string> names = {"b.qb", "B.qb", "a_b.qb", "A.qb", "ab.qb", "a.qb", "_.qb"};
    std::sort(names.begin(), names.end(), kestrin::platform::caseInsensitiveLess);
    // Upper-case folding puts "_" after the letters, as NTFS does.
    const std::vector<std::string> expected = {"A.qb", "a.qb", "ab.qb", "a_b.qb",
                                               "B.qb", "b.qb", "_.qb"};
    EXPECT_EQ(names, expected);
}

}  // namespace
