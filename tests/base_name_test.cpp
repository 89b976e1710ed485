// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/base_name.h"

namespace {

struct BaseNameCase {
    const char* why;
    std::string name;
    std::string expected;
};

TEST(BaseName, FollowsTheFiveCharacterWindow) {
    const std::vector<BaseNameCase> cases = {
        {"ordinary qb", "level.qb", "level"},
        {"ordinary txt", "a.txt", "a"},
        {"only the last dot counts", "x.y.qb", "x.y"},
        {"short name", "a.qb", "a"},
        {"nothing but an ending", ".qb", ""},
        {"no dot at all", "archive", "archive"},
        {"ending longer than four", "archive.backup", "archive.backup"},
        {"four-character ending", "a.abcd", "a"},
        {"five-character ending", "a.abcde", "a.abcde"},
        {"dot last, five characters", "abcd.", "abcd."},
        {"dot last, six characters", "abcde.", "abcde."},
        {"dot last, four characters", "abc.", "abc"},
        {"dot last, two characters", "a.", "a"},
        {"lone dot", ".", ""},
        {"dot first of a full window", ".abcd", ""},
        {"dot just outside the window", "x.abcde", "x.abcde"},
        {"empty name", "", ""},
        {"two dots inside the window", "a.b.c", "a.b"},
        {"window counts characters, not bytes", "\xC3\xA9t\xC3\xA9.qb", "\xC3\xA9t\xC3\xA9"},
        {"multibyte ending of four characters", "a.\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "a"},
        {"multibyte ending of five characters", "a.\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x",
         "a.\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(kestrin::listing::baseName(c.name), c.expected);
    }
}

}  // namespace
