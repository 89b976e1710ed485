// The adversarial corpus against the line builders, on every system: what it marks refused never
// becomes a line, what it marks runs always does, with the value in it unchanged.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backend/command_lines.h"
#include "corpus.h"

namespace {

using kestrin::backend::compileLine;
using kestrin::backend::decompileLine;
using kestrin::backend::unsafeCharacters;
using kestrin::testing::CorpusCase;

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
    std::size_t refused = 0;
    std::size_t runs = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        (c.refused ? refused : runs) += 1;
        EXPECT_EQ(unsafeCharacters(c.value).empty(), !c.refused);
        for (const auto& built : linesFor(c)) {
            if (c.refused) {
                EXPECT_FALSE(built.ok()) << *built;
                EXPECT_NE(built.message().find("holds characters that the command interpreter "
                                               "would act on"),
                          std::string::npos)
                    << built.message();
            } else {
                EXPECT_EQ(built.message(), "");
                if (built) {
                    EXPECT_NE(built->find(c.value), std::string::npos) << *built;
                }
            }
        }
    }
    // The file itself must still hold both kinds; an empty read would pass everything above.
    EXPECT_GE(refused, 20u);
    EXPECT_GE(runs, 20u);
}

}  // namespace
