// SPDX-License-Identifier: MIT
// The adversarial corpus (data/adversarial_corpus.txt) through the real window: every value is
// typed into its field and the button pressed, with the system's own directory search and
// launcher and the stand-in playing the backend. A refused value must start nothing and change
// nothing; any other must reach the backend exactly as splitting the line on blanks predicts,
// and the folder must show that no second command ever ran.

#include <gtest/gtest.h>

#include <QChar>
#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corpus.h"
#include "real_window.h"

namespace {

namespace fs = std::filesystem;
using kestrin::testing::RealWindow;

using Row = kestrin::testing::CorpusCase;

// How a refusal quotes a value, and the list shows a name: each control character (other than
// tab) and each format character as U+XXXX, read from Qt's own character data.
std::string visibly(const std::string& value) {
    std::string shown;
    for (const char32_t code : kestrin::window::toQString(value).toUcs4()) {
        const bool control = (code < 0x20 && code != '\t') || code == 0x7F;
        if (control || QChar::category(code) == QChar::Other_Format) {
            shown += QString("U+%1").arg(code, 4, 16, QChar('0')).toUpper().toStdString();
        } else {
            shown += kestrin::window::toUtf8(QString::fromUcs4(&code, 1));
        }
    }
    return shown;
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
    std::string text5 = "";
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
    std::vector<Press> presses = {
        {"Command1", "level", "level", " ", "kept", v, decompile(v, "level", " ", "level"),
         "DeCompiling Done"},
        {"Command2", "", "", " ", "level", v, compile(v, "level"), "Compiling Done"}};
    if (row.refusal == kestrin::testing::Refusal::Blank) {
        // Unpack refuses a blank backend too; any other it starts without a check.
        presses.push_back({"Command4", "", "", " ", "", v, "", "", "level.prx"});
    }
    return presses;
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
        m_window.type("Text5", press.text5);
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
        const Prediction predicted = predict(press.line);
        // A Decompile keeps the earlier content of its output beside it as NAME~.
        const std::string earlier =
            predicted.output.empty() ? "" : m_window.m_work.read(predicted.output);
        const std::size_t recordsBefore = m_window.m_log.records().size();
        const std::size_t launchesBefore = m_window.m_launcher.lines.size();
        m_window.m_messages.shown.clear();

        m_window.press(press.button);

        if (row.refused()) {
            ASSERT_EQ(m_window.m_messages.shown.size(), 1u);
            const std::string& message = m_window.m_messages.shown.front();
            if (row.field != "backend" || row.refusal != kestrin::testing::Refusal::Blank) {
                EXPECT_NE(message.find("\"" + visibly(row.value) + "\""), std::string::npos)
                    << message;
            }
            EXPECT_NE(message.find(kestrin::testing::refusalWords(row.refusal)), std::string::npos)
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
            if (!earlier.empty()) {
                filesAfter.insert(predicted.output + "~");
                EXPECT_EQ(m_window.m_work.read(predicted.output + "~"), earlier);
            }
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
    std::multiset<std::string> shown = {"canary"};
    std::set<std::string> made;
    for (const Row& row : rows) {
        if (row.field == "name" && fitsAFileName(row.value) && made.insert(row.value).second) {
            m_window.m_work.write(row.value + ".qb", row.value);
            if (!row.value.starts_with('.')) {
                listed.insert(row.value);  // dotfiles are hidden
                shown.insert(visibly(row.value));
            }
        }
    }
    m_window.open();
    const auto entries = m_window.entries();
    EXPECT_EQ(std::multiset<std::string>(entries.begin(), entries.end()), shown);
    const auto exact = m_window.entries(kestrin::window::kExactNameRole);
    EXPECT_EQ(std::multiset<std::string>(exact.begin(), exact.end()), listed);

    std::size_t runs = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE("corpus line [" + row.shown + "]");
        for (const Press& press : pressesFor(row)) {
            check(row, press);
            runs += !row.refused() ? 1 : 0;
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

// The words a link line of the corpus uses for places, made real.
std::string placed(std::string text, const fs::path& work, const fs::path& outside) {
    const std::vector<std::pair<std::string, std::string>> words = {
        {"@OUT", outside.string()},
        {"@UP", fs::relative(outside, work).string()},
        {"@WORK", work.string()}};
    for (const auto& [word, value] : words) {
        for (auto at = text.find(word); at != std::string::npos; at = text.find(word)) {
            text.replace(at, word.size(), value);
        }
    }
    return text;
}

// Makes the links of a link line ("NAME=TARGET ; NAME=TARGET") in the working folder.
void makeLinks(const std::string& value, const fs::path& work, const fs::path& outside) {
    std::size_t at = 0;
    while (at < value.size()) {
        const std::size_t end = std::min(value.find(" ; ", at), value.size());
        const std::string link = value.substr(at, end - at);
        const std::size_t equals = link.find('=');
        fs::create_symlink(placed(link.substr(equals + 1), work, outside),
                           work / link.substr(0, equals));
        at = end + 3;
    }
}

// A folder's links and programs from the corpus, each in a working folder of its own, pressed
// through Decompile: a link out is refused and changes nothing anywhere, a link inside is written
// through, and a program that cannot run is explained, with nothing lost.
TEST(EndToEndFiles, LinksAndProgramsFromTheFolderAreRefusedFollowedOrExplained) {
    const std::vector<Row> rows = kestrin::testing::readFileCorpus(KESTRIN_CORPUS);
    ASSERT_GE(rows.size(), 20u);
    for (const Row& row : rows) {
        SCOPED_TRACE("corpus line [" + row.shown + "]");
        RealWindow w;
        const kestrin::testing::TempFolder outside;
        outside.write("victim.txt", "victim\n");
        fs::create_directory(w.m_work.path() / "sub");
        w.m_work.write("sub/inside.txt", "sub inside\n");
        w.m_work.write("inside.txt", "inside\n");
        if (row.field == "link") {
            makeLinks(row.value, w.m_work.path(), outside.path());
        } else {
            w.m_work.write("level.txt", "earlier output\n");
            w.m_work.write("mervo.exe", row.value);
            fs::permissions(w.m_work.path() / "mervo.exe", fs::perms::owner_all);
        }
        const bool runs = !row.refused();
        const fs::path written = runs ? fs::canonical(w.m_work.path() / "level.txt") : fs::path();
        const std::string earlier = runs ? w.m_work.read("level.txt") : "";
        const auto workBefore = kestrin::testing::contentsOf(w.m_work.path());
        const auto outsideBefore = kestrin::testing::contentsOf(outside.path());
        w.open();
        w.type("Text1", "level");
        w.type("Text2", "level");
        w.type("Text3", "kept");
        w.press("Command1");

        ASSERT_EQ(w.m_messages.shown.size(), 1u);
        const std::string& message = w.m_messages.shown.front();
        EXPECT_EQ(kestrin::testing::contentsOf(outside.path()), outsideBefore);
        if (runs) {
            EXPECT_EQ(message, "DeCompiling Done");
            ASSERT_EQ(w.m_log.waitForRecords(1).size(), 1u);
            EXPECT_EQ(w.m_work.read("level.txt"), "stand-in output\n");
            std::ifstream kept(written.string() + "~", std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), earlier);
            EXPECT_TRUE(fs::is_symlink(w.m_work.path() / "level.txt"));
            continue;
        }
        if (row.field == "link") {
            EXPECT_EQ(message,
                      "Cannot write the output to \"level.txt\": it is a link that leads outside "
                      "the working folder.");
        } else {
            // Each kind's exact words are the launcher tests' business; here: the file is named
            // and the system's bare reason, which names the wrong thing, is not the message.
            EXPECT_TRUE(message.starts_with("Cannot start \"mervo.exe\": ")) << message;
            EXPECT_NE(message.find("\"./mervo.exe\""), std::string::npos) << message;
            EXPECT_EQ(message.find("No such file or directory"), std::string::npos) << message;
            EXPECT_EQ(message.find("Exec format error"), std::string::npos) << message;
        }
        EXPECT_EQ(w.text("Text3"), "kept");
        EXPECT_EQ(kestrin::testing::contentsOf(w.m_work.path()), workBefore);
        EXPECT_TRUE(w.m_log.records().empty()) << "the backend started";
    }
}

}  // namespace
