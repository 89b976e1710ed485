// The adversarial corpus (data/adversarial_corpus.txt) through the real window: every value is
// typed into its field and the button pressed, with the system's own directory search and
// launcher and the stand-in playing the backend. A refused value must start nothing and change
// nothing; any other must reach the backend exactly as splitting the line on blanks predicts,
// and the folder must show that no second command ever ran.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "corpus.h"
#include "real_window.h"

namespace {

namespace fs = std::filesystem;
using kestrin::testing::RealWindow;

using Row = kestrin::testing::CorpusCase;

// How a refusal quotes the corpus's refused values that hold control characters: each of those
// as U+XXXX, so that the message box shows it. Any other value is quoted as typed; a new value
// with a control character needs its line here.
std::string quotedInRefusal(const std::string& value) {
    const std::map<std::string, std::string> withControlCharacters = {
        {"a\nb", "aU+000Ab"},     {"a\rb", "aU+000Db"},   {"\001ctl", "U+0001ctl"},
        {"del\177", "delU+007F"}, {"a\033b", "aU+001Bb"}, {"mervo.exe\n", "mervo.exeU+000A"},
    };
    const auto found = withControlCharacters.find(value);
    return found == withControlCharacters.end() ? value : found->second;
}

// What the backend must receive for a line: the line split on runs of spaces and tabs, "cmd /c"
// dropped, and a lone ">" taking the next word as the output file.
struct Prediction {
    std::vector<std::string> argv;
    std::string output;
};

Prediction predict(const std::string& line) {
    std::vector<std::string> words(1);
    for (const char c : line) {
        if (c != ' ' && c != '\t') {
            words.back() += c;
        } else if (!words.back().empty()) {
            words.emplace_back();
        }
    }
    if (words.back().empty()) {
        words.pop_back();
    }
    Prediction prediction;
    for (std::size_t i = 2; i < words.size(); ++i) {
        if (words[i] == ">" && i + 1 < words.size()) {
            prediction.output = words[++i];
        } else {
            prediction.argv.push_back(words[i]);
        }
    }
    return prediction;
}

// One button press with every field set beforehand, and the line the README promises for it.
struct Press {
    const char* button;
    std::string text1, text2, game, text3, text4;
    std::string line;
    const char* done;
};

std::vector<Press> pressesFor(const Row& row) {
    const std::string& v = row.value;
    const auto decompile = [](const std::string& backend, const std::string& input,
                              const std::string& game, const std::string& output) {
        return "cmd /c " + backend + " -d " + input + ".qb " + game + " > " + output + ".txt";
    };
    const auto compile = [](const std::string& backend, const std::string& input) {
        return "cmd /c " + backend + " -c " + input + ".txt";
    };
    if (row.field == "name") {
        return {
            {"Command1", v, v, " ", "kept", "mervo.exe", decompile("mervo.exe", v, " ", v),
             "DeCompiling Done"},
            {"Command2", "", "", " ", v, "mervo.exe", compile("mervo.exe", v), "Compiling Done"}};
    }
    if (row.field == "game") {
        return {{"Command1", "level", "level", v, "kept", "mervo.exe",
                 decompile("mervo.exe", "level", v, "level"), "DeCompiling Done"}};
    }
    return {{"Command1", "level", "level", " ", "kept", v, decompile(v, "level", " ", "level"),
             "DeCompiling Done"},
            {"Command2", "", "", " ", "level", v, compile(v, "level"), "Compiling Done"}};
}

class EndToEnd : public ::testing::Test {
protected:
    // A name the folder can hold as "<value>.qb", so that the listing shows it too.
    static bool fitsAFileName(const std::string& value) {
        const std::string file = value + ".qb";
        return file.size() <= 255 && file.find('/') == std::string::npos &&
               file.find('\0') == std::string::npos;
    }

    void set(const Press& press) {
        m_window.type("Text1", press.text1);
        m_window.type("Text2", press.text2);
        m_window.typeGame(press.game);
        m_window.type("Text3", press.text3);
        m_window.type("Text4", press.text4);
    }

    void expectFields(const Press& press, const std::string& text3) {
        EXPECT_EQ(m_window.text("Text1"), press.text1);
        EXPECT_EQ(m_window.text("Text2"), press.text2);
        EXPECT_EQ(m_window.game(), press.game);
        EXPECT_EQ(m_window.text("Text3"), text3);
        EXPECT_EQ(m_window.text("Text4"), press.text4);
    }

    void check(const Row& row, const Press& press) {
        SCOPED_TRACE(press.button);
        set(press);
        const std::set<std::string> filesBefore = m_window.files();
        const std::size_t recordsBefore = m_window.m_log.records().size();
        const std::size_t launchesBefore = m_window.m_launcher.lines.size();
        m_window.m_messages.shown.clear();

        m_window.press(press.button);

        if (row.refused) {
            ASSERT_EQ(m_window.m_messages.shown.size(), 1u);
            const std::string& message = m_window.m_messages.shown.front();
            EXPECT_NE(message.find("\"" + quotedInRefusal(row.value) + "\""), std::string::npos)
                << message;
            EXPECT_NE(message.find("Nothing was started."), std::string::npos) << message;
            EXPECT_EQ(m_window.m_launcher.lines.size(), launchesBefore) << "a launch was tried";
            EXPECT_EQ(m_window.m_log.records().size(), recordsBefore) << "the backend started";
            expectFields(press, press.text3);
            EXPECT_EQ(m_window.files(), filesBefore);
            return;
        }

        ASSERT_EQ(m_window.m_launcher.lines.size(), launchesBefore + 1);
        EXPECT_EQ(m_window.m_launcher.lines.back(), press.line);
        EXPECT_EQ(m_window.m_messages.shown, std::vector<std::string>{press.done});
        const auto records = m_window.m_log.waitForRecords(recordsBefore + 1);
        ASSERT_EQ(records.size(), recordsBefore + 1) << "the backend did not run exactly once";
        // The next press may name the same output: that waits until this backend has ended.
        ASSERT_TRUE(m_window.waitUntilAllEnded());
        EXPECT_EQ(m_window.m_messages.shown, std::vector<std::string>{press.done})
            << "the backend's end was reported";
        const Prediction predicted = predict(press.line);
        ASSERT_FALSE(predicted.argv.empty());
        EXPECT_EQ(records.back().one("exe"),
                  fs::canonical(m_window.m_work.path() / "mervo.exe").string());
        EXPECT_EQ(records.back().one("name"), predicted.argv.front());
        EXPECT_EQ(records.back().arguments(),
                  std::vector<std::string>(predicted.argv.begin() + 1, predicted.argv.end()));

        std::set<std::string> filesAfter = filesBefore;
        if (std::string(press.button) == "Command1") {
            ASSERT_FALSE(predicted.output.empty());
            filesAfter.insert(predicted.output);
            EXPECT_EQ(m_window.m_work.read(predicted.output), "stand-in output\n");
            expectFields(press, press.text2);  // Decompile hands its output on to Compile
        } else {
            expectFields(press, press.text3);
        }
        EXPECT_EQ(m_window.files(), filesAfter) << "a file appeared that the line does not name";
    }

    RealWindow m_window;
};

TEST_F(EndToEnd, AdversarialValuesAreRefusedOrReachTheBackendAsSplit) {
    const std::vector<Row> rows = kestrin::testing::readCorpus(KESTRIN_CORPUS);
    ASSERT_GE(rows.size(), 40u);

    // The corpus's names lie in the folder as .qb files, with canaries beside them.
    const std::string canary = "a canary: it must never change\n";
    for (const char* name : {"canary.qb", "canary.txt", "canary"}) {
        m_window.m_work.write(name, canary);
    }
    std::multiset<std::string> listed = {"canary"};
    std::set<std::string> made;
    for (const Row& row : rows) {
        if (row.field == "name" && fitsAFileName(row.value) && made.insert(row.value).second) {
            m_window.m_work.write(row.value + ".qb", row.value);
            if (!row.value.starts_with('.')) {
                listed.insert(row.value);  // dotfiles are hidden
            }
        }
    }
    m_window.open();
    const auto entries = m_window.entries();
    EXPECT_EQ(std::multiset<std::string>(entries.begin(), entries.end()), listed);

    std::size_t runs = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE("corpus line [" + row.shown + "]");
        for (const Press& press : pressesFor(row)) {
            check(row, press);
            runs += !row.refused ? 1 : 0;
        }
    }

    EXPECT_EQ(m_window.m_log.records().size(), runs);
    for (const char* name : {"canary.qb", "canary.txt", "canary"}) {
        EXPECT_EQ(m_window.m_work.read(name), canary) << name;
    }
    for (const std::string& name : made) {
        EXPECT_EQ(m_window.m_work.read(name + ".qb"), name) << "an input file changed";
    }
    EXPECT_FALSE(fs::exists(m_window.m_work.path() / "pwned"));
    EXPECT_TRUE(kestrin::testing::noChildrenRemain([] { QCoreApplication::processEvents(); }));
}

}  // namespace
