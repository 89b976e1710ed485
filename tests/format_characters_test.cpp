// SPDX-License-Identifier: MIT
// The table of format characters (backend/characters.h) against Qt's own Unicode data: for every
// code point that Qt's Unicode version assigns, both agree on general category Cf.

#include <gtest/gtest.h>

#include <QChar>
#include <QString>
#include <iostream>
#include <string>
#include <vector>

#include "backend/characters.h"

namespace {

TEST(FormatCharacters, AgreeWithQtsUnicodeData) {
    std::vector<std::string> disagreements;
    std::size_t compared = 0;
    std::size_t formatCharacters = 0;
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (QChar::unicodeVersion(code) == QChar::Unicode_Unassigned) {
            continue;  // newer than Qt's data: only the table knows it
        }
        ++compared;
        const bool qtSaysFormat = QChar::category(code) == QChar::Other_Format;
        formatCharacters += qtSaysFormat ? 1 : 0;
        if (qtSaysFormat != kestrin::backend::isFormatCharacter(code)) {
            disagreements.push_back(kestrin::backend::codePointName(code));
        }
    }
    std::string listed;
    for (std::size_t i = 0; i < disagreements.size() && i < 10; ++i) {
        listed += " " + disagreements[i];
    }
    EXPECT_TRUE(disagreements.empty()) << disagreements.size() << " disagree:" << listed;
    // Qt 6.4 knows Unicode 14.0: 284,344 assigned code points (private use and surrogates
    // included), 163 of them format characters; later versions only add to both.
    EXPECT_GE(compared, 284'344u);
    EXPECT_GE(formatCharacters, 163u);
    std::cout << "[ measured ] Qt's Unicode data: " << compared << " assigned code points, "
              << formatCharacters << " format characters\n";
}

}  // namespace
