// SPDX-License-Identifier: MIT
// The adversarial corpus against the line builders, on every system: what it marks refused never
// becomes a line and is refused for the reason it names, what it marks runs always does, with
// the value in it unchanged.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "backend/command.h"
#include "common/text.h"
#include "corpus.h"

namespace {

using kestrin::backend::Command;
using kestrin::testing::CorpusCase;
using kestrin::testing::Refusal;

// Every command the window can build with the case's value in its field.
std::vector<kestrin::Result<Command>> commandsFor(const CorpusCase& c) {
    const auto fields = kestrin::testing::decompileFields(c);
    std::vector<kestrin::Result<Command>> built = {
        kestrin::backend::decompile(fields.backend, fields.input, fields.game, fields.output)};
    if (c.field == "name") {
        built.push_back(kestrin::backend::compile("mervo.exe", c.value));
    } else if (c.field == "backend") {
        built.push_back(kestrin::backend::compile(c.value, "level"));
    }
    return built;
}

TEST(AdversarialCorpus, RefusedValuesNeverBecomeALine) {
    const auto cases = kestrin::testing::readCorpus(KESTRIN_CORPUS_FILE);
    std::map<Refusal, std::size_t> counts;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        ++counts[c.refusal];
        EXPECT_EQ(kestrin::backend::interpreterCharacters(c.value).empty(),
                  c.refusal != Refusal::Unsafe);
        if (c.refusal != Refusal::Unsafe) {
            EXPECT_EQ(kestrin::hiddenCharacters(c.value).empty(), c.refusal != Refusal::Format);
        }
        for (const auto& built : commandsFor(c)) {
            if (c.refused()) {
                EXPECT_FALSE(built.ok()) << built->text();
                EXPECT_NE(built.message().find(kestrin::testing::refusalWords(c.refusal)),
                          std::string::npos)
                    << built.message();
            } else {
                EXPECT_EQ(built.message(), "");
                if (built) {
                    EXPECT_NE(built->text().find(c.value), std::string::npos) << built->text();
                }
            }
        }
        if (c.field == "backend") {
            // Unpack refuses only a blank backend, and on Windows what the code page changes.
            EXPECT_EQ(kestrin::backend::unpack(c.value, "x").ok(),
                      c.refusal != Refusal::Blank && kestrin::testing::survivesCodePage(c.value));
        }
    }
    // The file itself must still hold every kind; an empty read would pass everything above.
    EXPECT_GE(counts[Refusal::None], 20u);
    EXPECT_GE(counts[Refusal::Unsafe], 20u);
    for (const Refusal kind :
         {Refusal::Format, Refusal::Blank, Refusal::Spaces, Refusal::Option, Refusal::WordBreak}) {
        EXPECT_GE(counts[kind], 4u) << kestrin::testing::refusalWords(kind);
    }
}

}  // namespace
