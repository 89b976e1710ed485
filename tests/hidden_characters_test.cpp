// SPDX-License-Identifier: MIT
// The table of characters that do not show as themselves (common/visible_text.h) against Qt's
// own Unicode data: for every code point that Qt's Unicode version assigns, both agree.

#include <gtest/gtest.h>

#include <QChar>
#include <iostream>
#include <string>
#include <vector>

#include "common/text.h"

namespace {

bool qtSaysHidden(char32_t code) {
    switch (QChar::category(code)) {
        case QChar::Other_Control:
            return code != '\t';
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return true;
        default:
            return false;
    }
}

TEST(HiddenCharacters, AgreeWithQtsUnicodeData) {
    std::vector<std::string> disagreements;
    std::size_t compared = 0;
    std::size_t hidden = 0;
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (QChar::unicodeVersion(code) == QChar::Unicode_Unassigned) {
            continue;  // newer than Qt's data: only the table knows it
        }
        ++compared;
        hidden += qtSaysHidden(code) ? 1 : 0;
        if (qtSaysHidden(code) != kestrin::isHidden(code)) {
            disagreements.push_back(kestrin::codePointName(code));
        }
    }
    std::string listed;
    for (std::size_t i = 0; i < disagreements.size() && i < 10; ++i) {
        listed += " " + disagreements[i];
    }
    EXPECT_TRUE(disagreements.empty()) << disagreements.size() << " disagree:" << listed;
    // Qt 6.4 knows Unicode 14.0: 284,344 assigned code points (private use and surrogates
    // included); 64 controls but tab, 163 format characters and 2 separators are hidden.
    EXPECT_GE(compared, 284'344u);
    EXPECT_GE(hidden, 228u);
    std::cout << "[ measured ] Qt's Unicode data: " << compared << " assigned code points, "
              << hidden << " hidden\n";
}

}  // namespace
