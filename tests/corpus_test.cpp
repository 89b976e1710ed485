// SPDX-License-Identifier: MIT
// The adversarial corpus against the line builders, on every system: what it marks refused never
// becomes a line and is refused for the reason it names, what it marks runs always does, with
// the value in it unchanged.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "backend/characters.h"
#include "backend/command_lines.h"
#include "corpus.h"

namespace {

using kestrin::backend::compileLine;
using kestrin::backend::decompileLine;
using kestrin::backend::formatCharacters;
using kestrin::backend::unpackLine;
using kestrin::backend::unsafeCharacters;
using kestrin::testing::CorpusCase;
using kestrin::testing::Refusal;

// Every line the window can build with the case's value in its field.
std::vector<kestrin::platform::Result<std::string>> linesFor(const CorpusCase& c) {
    const auto fields = kestrin::testing::decompileFields(c);
    std::vector<kestrin::platform::Result<std::string>> lines = {
        decompileLine(fields.backend, fields.input, fields.game, fields.output)};
    if (c.field == "name") {
        lines.push_back(compileLine("mervo.exe", c.value));
    } else if (c.field == "backend") {
        lines.push_back(compileLine(c.value, "level"));
    }
    return lines;
}

TEST(AdversarialCorpus, RefusedValuesNeverBecomeALine) {
    const auto cases = kestrin::testing::readCorpus(KESTRIN_CORPUS_FILE);
    std::map<Refusal, std::size_t> counts;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        ++counts[c.refusal];
        EXPECT_EQ(unsafeCharacters(c.value).empty(), c.refusal != Refusal::Unsafe);
        if (c.refusal != Refusal::Unsafe) {
            EXPECT_EQ(formatCharacters(c.value).empty(), c.refusal != Refusal::Format);
        }
        for (const auto& built : linesFor(c)) {
            if (c.refused()) {
                EXPECT_FALSE(built.ok()) << *built;
                EXPECT_NE(built.message().find(kestrin::testing::refusalWords(c.refusal)),
                          std::string::npos)
                    << built.message();
            } else {
                EXPECT_EQ(built.message(), "");
                if (built) {
                    EXPECT_NE(built->find(c.value), std::string::npos) << *built;
                }
            }
        }
        if (c.field == "backend") {
            // Unpack refuses only a blank backend.
            EXPECT_EQ(unpackLine(c.value, "x").ok(), c.refusal != Refusal::Blank);
        }
    }
    // The file itself must still hold every kind; an empty read would pass everything above.
    EXPECT_GE(counts[Refusal::None], 20u);
    EXPECT_GE(counts[Refusal::Unsafe], 20u);
    for (const Refusal kind : {Refusal::Format, Refusal::Blank, Refusal::Spaces, Refusal::Option}) {
        EXPECT_GE(counts[kind], 4u) << kestrin::testing::refusalWords(kind);
    }
}

}  // namespace
