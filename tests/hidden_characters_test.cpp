// SPDX-License-Identifier: MIT
// The table of characters that do not show as themselves (common/text.h) against Unicode's own
// data files, as Debian's unicode-data package installs them: for every code point the files know,
// both agree; a code point they do not know yet the table may name (a later version's).

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/text.h"

namespace {

struct UnicodeData {
    std::set<char32_t> assigned;
    std::set<char32_t> hidden;
};

char32_t codePoint(const std::string& hex) {
    return static_cast<char32_t>(std::stoul(hex, nullptr, 16));
}

// Cc but tab, Zs but the space, Cf, Zl and Zp from UnicodeData.txt; Default_Ignorable_Code_Point
// from DerivedCoreProperties.txt; and the braille blank.
UnicodeData read(const std::string& folder) {
    UnicodeData data;
    std::ifstream characters(folder + "/UnicodeData.txt");
    char32_t rangeStart = 0;
    for (std::string line; std::getline(characters, line);) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, ';');) {
            fields.push_back(field);
        }
        const char32_t code = codePoint(fields.at(0));
        const std::string& category = fields.at(2);
        if (fields.at(1).ends_with("First>")) {
            rangeStart = code;
            continue;
        }
        const char32_t first = fields.at(1).ends_with("Last>") ? rangeStart : code;
        for (char32_t c = first; c <= code; ++c) {
            data.assigned.insert(c);
            if ((category == "Cc" && c != '\t') || (category == "Zs" && c != ' ') ||
                category == "Cf" || category == "Zl" || category == "Zp") {
                data.hidden.insert(c);
            }
        }
    }
    std::ifstream properties(folder + "/DerivedCoreProperties.txt");
    for (std::string line; std::getline(properties, line);) {
        if (line.find("; Default_Ignorable_Code_Point") == std::string::npos) {
            continue;
        }
        const std::string range = line.substr(0, line.find(' '));
        const auto dots = range.find("..");
        const char32_t first = codePoint(range.substr(0, dots));
        const char32_t last = dots == std::string::npos ? first : codePoint(range.substr(dots + 2));
        for (char32_t c = first; c <= last; ++c) {
            data.hidden.insert(c);
        }
    }
    data.hidden.insert(0x2800);
    return data;
}

TEST(HiddenCharacters, AgreeWithUnicodesOwnData) {
    const UnicodeData data = read(KESTRIN_UNICODE_DATA);
    // Unicode 15.0: 288,767 assigned code points (private use and surrogates included), of which
    // 65 controls but tab, 170 format characters, 2 separators, and more default-ignorables.
    ASSERT_GE(data.assigned.size(), 288'767u) << "the data files were not read";
    std::vector<std::string> disagreements;
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        const bool known = data.assigned.contains(code) || data.hidden.contains(code);
        if (known && data.hidden.contains(code) != kestrin::isHidden(code)) {
            disagreements.push_back(kestrin::codePointName(code));
        }
    }
    std::string listed;
    for (std::size_t i = 0; i < disagreements.size() && i < 10; ++i) {
        listed += " " + disagreements[i];
    }
    EXPECT_TRUE(disagreements.empty()) << disagreements.size() << " disagree:" << listed;
    std::cout << "[ measured ] " << data.assigned.size() << " assigned code points, "
              << data.hidden.size() << " that do not show as themselves\n";
}

}  // namespace
