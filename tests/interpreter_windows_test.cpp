// SPDX-License-Identifier: MIT
// The adversarial corpus under the real cmd.exe. Values marked refused-unsafe must be the ones
// that can make cmd.exe run a second command; values marked runs, built into a Decompile
// command, must start the backend once with the arguments its words() predict. And the names
// Windows reads otherwise than Kestrin (cmd.exe, or an ANSI backend through the code page): each
// is refused, and its unchecked line shows why under wine where wine reads it as Windows does.
//
// Under wine the active code page is what wine makes of the locale: scripts/lib/wine.sh sets
// LC_ALL=C.UTF-8, for which GetACP() gives 1252, as on an English or Western European Windows.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "backend/command.h"
#include "backend/launch.h"
#include "common/text.h"
#include "corpus.h"
#include "stand_in.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using kestrin::backend::Command;
using kestrin::testing::CorpusCase;
using kestrin::testing::DecompileFields;
using kestrin::testing::fromUtf8;
using kestrin::testing::Record;
using kestrin::testing::TempFolder;
using kestrin::testing::toUtf8;

// The Decompile command as decompile() builds it, without its check.
Command uncheckedDecompile(const DecompileFields& f) {
    return {f.backend, {"-d", f.input + ".qb", f.game}, f.output + ".txt", true};
}

kestrin::Result<Command> decompile(const DecompileFields& f) {
    return kestrin::backend::decompile(f.backend, f.input, f.game, f.output);
}

// Each command that value would start after one of cmd.exe's separators, replaced by
// "md canary": a folder that only a second command can make. ("echo x>canary" would not do: if
// the separator did nothing, the redirection would still make the file, for the first command.)
std::optional<std::string> canaryForm(const std::string& value) {
    std::string changed;
    bool any = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        changed += value[i];
        if (std::string_view("&|\n\r").find(value[i]) == std::string_view::npos) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < value.size() && std::isalpha(static_cast<unsigned char>(value[end]))) {
            ++end;
        }
        if (end > i + 1) {
            changed += "md canary";
            any = true;
            i = end - 1;
        }
    }
    return any ? std::optional<std::string>(changed) : std::nullopt;
}

using kestrin::escapeForDisplay;

class InterpreterTest : public ::testing::Test {
protected:
    InterpreterTest() : m_log(m_logs.path() / "log") {}

    // A new working folder with the stand-in as mervo.exe, one for each line, and as the backend
    // names it (with ".exe" when it has no ending); ansi: the stand-in with an ANSI main.
    fs::path freshFolder(const std::string& backend = "mervo.exe", bool ansi = false) {
        const fs::path folder = m_root.path() / ("case" + std::to_string(m_folders++));
        fs::create_directory(folder);
        const fs::path standIn =
            fromUtf8(ansi ? KESTRIN_STAND_IN_ANSI_BACKEND : KESTRIN_STAND_IN_BACKEND);
        for (const std::string& name : {std::string("mervo.exe"), backend}) {
            const fs::path place =
                folder / fromUtf8(name + (name.find('.') == std::string::npos ? ".exe" : ""));
            fs::create_directories(place.parent_path());
            fs::copy_file(standIn, place, fs::copy_options::skip_existing);
        }
        return folder;
    }

    // Runs line in the system's cmd.exe in folder and waits until it has finished; false when
    // it could not start or did not finish in time.
    static bool runInterpreter(const std::string& line, const fs::path& folder) {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            return false;
        }
        const std::wstring application = std::wstring(system, length) + L"\\cmd.exe";
        std::wstring commandLine = kestrin::testing::wideOf(CP_UTF8, line);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                            CREATE_NEW_CONSOLE, nullptr, folder.c_str(), &startup, &process)) {
            return false;
        }
        const auto deadline =
            std::chrono::duration_cast<std::chrono::milliseconds>(kestrin::testing::kDeadline);
        const bool finished =
            WaitForSingleObject(process.hProcess, static_cast<DWORD>(deadline.count())) ==
            WAIT_OBJECT_0;
        if (!finished) {
            TerminateProcess(process.hProcess, 1);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return finished;
    }

    static std::set<std::string> entries(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(toUtf8(entry.path().filename()));
        }
        return names;
    }

    static bool holdsCanary(const fs::path& folder) {
        const std::set<std::string> names = entries(folder);
        return std::any_of(names.begin(), names.end(),
                           [](const std::string& name) { return name.starts_with("canary"); });
    }

    std::vector<Record> records() const { return m_log.records(); }

    // Whether the line of fields ran in folder as Kestrin reads it: the backend as named, once
    // after runs others, with the arguments words() predicts, and the output beside files.
    bool ranAsTyped(const DecompileFields& fields, const fs::path& folder,
                    std::set<std::string> files, std::size_t runs) const {
        const Command command = uncheckedDecompile(fields);
        const std::vector<std::string> words = command.words();
        const auto found = records();
        files.insert(*command.output);
        return found.size() == runs + 1 && found.back().one("name") == words.front() &&
               found.back().arguments() ==
                   std::vector<std::string>(words.begin() + 1, words.end()) &&
               entries(folder) == files;
    }

    TempFolder m_root;
    TempFolder m_logs;
    kestrin::testing::StandInLog m_log;
    int m_folders = 0;
};

TEST_F(InterpreterTest, TheUncheckedCommandIsTheBuiltOne) {
    const DecompileFields fields = {
        .backend = "my mervo.exe", .input = "level", .game = " THUG 2 ", .output = "out"};
    EXPECT_EQ(uncheckedDecompile(fields), decompile(fields).value());
}

TEST_F(InterpreterTest, RefusedValuesThatStartASecondCommandAreStopped) {
    std::size_t secondCommands = 0;
    for (const auto& c : kestrin::testing::readCorpus(KESTRIN_CORPUS_FILE)) {
        if (c.refusal != kestrin::testing::Refusal::Unsafe) {
            continue;
        }
        const auto canary = canaryForm(c.value);
        if (!canary) {
            continue;
        }
        SCOPED_TRACE(escapeForDisplay(c.field + " " + *canary));
        CorpusCase armed = c;
        armed.value = *canary;
        const DecompileFields fields = kestrin::testing::decompileFields(armed);
        const fs::path folder = freshFolder();

        ASSERT_TRUE(runInterpreter(uncheckedDecompile(fields).text(), folder));
        const bool ranSecond = holdsCanary(folder);
        if (c.value.find_first_of("&|") != std::string::npos) {
            // The premise: without the check, cmd.exe runs the value's second command.
            EXPECT_TRUE(ranSecond) << "cmd.exe ran no second command from the unchecked line";
        } else {
            std::cout << "[ measured ] " << escapeForDisplay(c.field + " " + *canary)
                      << ": cmd.exe " << (ranSecond ? "ran" : "ran no") << " second command\n";
        }
        secondCommands += ranSecond ? 1 : 0;
        EXPECT_NE(decompile(fields).message().find("would act on"), std::string::npos);
    }
    // The corpus holds separators for "&", "&&", "|" and "|" twice, in names, game and backend.
    EXPECT_GE(secondCommands, 8u);
}

// A file name refused for its shape (blank, with a space or a tab, beginning with "-"): under the
// real cmd.exe its unchecked line hands the backend something other than the name as one file
// argument, or the name as an option; the check refuses it with its reason.
TEST_F(InterpreterTest, NamesRefusedForTheirShapeWouldNotReachTheBackendAsOneFileName) {
    using kestrin::testing::Refusal;
    std::size_t checked = 0;
    for (const auto& c : kestrin::testing::readCorpus(KESTRIN_CORPUS_FILE)) {
        if (c.field != "name" || (c.refusal != Refusal::Blank && c.refusal != Refusal::Spaces &&
                                  c.refusal != Refusal::Option)) {
            continue;
        }
        SCOPED_TRACE(c.shown);
        const DecompileFields fields = kestrin::testing::decompileFields(c);
        EXPECT_NE(decompile(fields).message().find(kestrin::testing::refusalWords(c.refusal)),
                  std::string::npos);
        const std::size_t before = records().size();
        const fs::path folder = freshFolder();
        ASSERT_TRUE(runInterpreter(uncheckedDecompile(fields).text(), folder));
        const auto found = records();
        if (found.size() == before) {
            std::cout << "[ measured ] " << escapeForDisplay(c.shown)
                      << ": cmd.exe started nothing\n";
            continue;
        }
        const std::vector<std::string> arguments = found.back().arguments();
        const std::vector<std::string> oneFileName = {"-d", c.value + ".qb", fields.game};
        if (c.refusal == Refusal::Option) {
            // cmd.exe hands it on unchanged: the backend reads an option where a file belongs.
            EXPECT_EQ(arguments, oneFileName);
        } else {
            EXPECT_NE(arguments, oneFileName);
        }
        ++checked;
    }
    EXPECT_GE(checked, 12u);
}

// Whether Windows takes name for a file in the working folder: no wildcard, no folder part.
// ("<>|" and '"' never reach cmd.exe: the check refuses them.)
bool windowsTakesTheName(const std::string& name) {
    return name.find_first_of("*?\\/:") == std::string::npos;
}

TEST_F(InterpreterTest, ValuesThatRunStartTheBackendOnceWithThePredictedArguments) {
    std::size_t checked = 0;
    for (const auto& c : kestrin::testing::readCorpus(KESTRIN_CORPUS_FILE)) {
        if (c.refused()) {
            continue;
        }
        SCOPED_TRACE(c.shown);
        const DecompileFields fields = kestrin::testing::decompileFields(c);
        const auto built = decompile(fields);
        ASSERT_EQ(built.message(), "");
        const std::vector<std::string> words = built->words();
        const std::vector<std::string> arguments(words.begin() + 1, words.end());
        const std::string output = *built->output;
        const std::size_t before = records().size();
        const fs::path folder = freshFolder();

        ASSERT_TRUE(runInterpreter(built->text(), folder));
        const auto found = records();
        const std::set<std::string> left = entries(folder);
        EXPECT_FALSE(holdsCanary(folder));
        if (!windowsTakesTheName(output)) {
            // cmd.exe cannot make the output file, so it starts nothing at all.
            EXPECT_EQ(found.size(), before);
            EXPECT_EQ(left, std::set<std::string>{"mervo.exe"});
            continue;
        }
        ASSERT_EQ(found.size(), before + 1) << "the backend did not run exactly once";
        const Record& run = found.back();
        EXPECT_EQ(run.one("name"), "mervo.exe");
        EXPECT_EQ(run.arguments(), arguments);
        EXPECT_EQ(left, (std::set<std::string>{"mervo.exe", output}));
        ++checked;
    }
    EXPECT_GE(checked, 20u);
}

// A Decompile that Windows reads otherwise than Kestrin; the words of its refusal (empty: it
// starts, and the backend gets every field as it stands); and whether wine shows the harm of its
// unchecked line with the real cmd.exe and a backend with an ANSI main: another program or none
// runs, the backend gets other arguments, or the output goes to another file.
struct ReadingCase {
    const char* why;
    DecompileFields fields;
    std::string refusal;
    bool shownUnderWine;
};

ReadingCase reading(const char* why, const char* backend, const char* input, const char* game,
                    const char* output, const char* refusal, bool shownUnderWine) {
    return {why, {backend, input, game, output}, refusal, shownUnderWine};
}

TEST_F(InterpreterTest, WhatWindowsReadsOtherwiseIsRefusedBeforeTheStart) {
    const char* breaks = "break between words";
    const std::vector<ReadingCase> cases = {
        // Code page 1252 has none of these: the ANSI backend gets a look-alike or "?". (Wine's C
        // runtime splits the line before it converts it; Windows' after, where a fullwidth
        // quotation mark or ideographic space then also joins or splits arguments.)
        reading("a fullwidth reverse solidus: the folder above", "mervo.exe",
                "..\xEF\xBC\xBCvictim", "THUG1", "out", "U+FF3C", true),
        reading("a fullwidth colon: a stream", "mervo.exe", "a\xEF\xBC\x9Ax", "", "out", "U+FF1A",
                true),
        reading("a fullwidth hyphen-minus: an option", "mervo.exe", "\xEF\xBC\x8Drf", "", "out",
                "U+FF0D", true),
        reading("an ideographic space", "mervo.exe", "a\xE3\x80\x80z", "", "out", "U+3000", true),
        reading("fullwidth quotation marks in the game entry", "mervo.exe", "level",
                "\xEF\xBC\x82THUG 1\xEF\xBC\x82", "out", "U+FF02", true),
        reading("characters without a look-alike become ?", "mervo.exe", "\xE6\x97\xA5\xE6\x9C\xAC",
                "", "out", "U+65E5 U+672C", true),
        reading("the backend's name", "\xEF\xBD\x8Dz.exe", "level", "", "out", "U+FF4D", true),
        // cmd.exe opens the output itself, in UTF-16; one rule holds for every field all the same.
        reading("the output", "mervo.exe", "level", "", "\xEF\xBD\x8F", "U+FF4F", false),
        reading("what code page 1252 holds passes", "mervo.exe", "caf\xC3\xA9", "", "caf\xC3\xA9",
                "", false),
        // cmd.exe ends the output's name at , ; = and starts a program named up to one; a batch
        // file splits its arguments there too, a program gets them whole.
        reading("= in the output", "mervo.exe", "level", "", "out=x", breaks, true),
        reading(", in the output", "mervo.exe", "level", "", "out,x", breaks, true),
        reading("; in the output", "mervo.exe", "level", "", "out;x", breaks, true),
        reading("; in the input", "mervo.exe", "a;b", "", "out", breaks, false),
        reading("= in the backend", "a=b.exe", "level", "", "out", breaks, true),
        // Devices: the output goes to no file. The stand-in never opens its input, so what a
        // backend would read from a device is not shown.
        reading("NUL as the output", "mervo.exe", "level", "", "NUL", "device \"NUL\"", true),
        reading("con as the output", "mervo.exe", "level", "", "con", "device \"CON\"", true),
        reading("a device with an ending", "mervo.exe", "Aux.x", "", "out", "device \"AUX\"",
                false),
        reading("a device in a folder", "mervo.exe", "sub\\com9", "", "out", "device \"COM9\"",
                false),
        reading("COM with a superscript digit", "mervo.exe", "com\xC2\xB9", "", "out",
                "device \"COM\xC2\xB9\"", false),
        // cmd.exe's own commands, by the start of the name, in any case.
        reading("a name with an ending", "echo.exe", "level", "", "out", "command \"ECHO\"", true),
        reading("a name in capitals", "DIR", "level", "", "out", "command \"DIR\"", true),
        reading("a leading @, which cmd.exe drops", "@mervo.exe", "level", "", "out",
                "character \"@\"", true),
        reading("a leading (, which opens a block", "(mervo.exe", "level", "", "out",
                "character \"(\"", true),
        // Wine's cmd.exe runs sub/mervo.exe; Windows' splits the name at the "/".
        reading("a forward slash", "sub/mervo.exe", "level", "", "out", "\"/\" as the start",
                false),
    };
    kestrin::backend::RunningBackends running;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const std::size_t runs = records().size();
        const fs::path folder = freshFolder(c.fields.backend, true);
        const std::set<std::string> files = entries(folder);
        std::string message = decompile(c.fields).message();
        if (message.empty()) {
            const kestrin::testing::WorkingFolder inside(folder);
            message =
                kestrin::backend::SystemLauncher().launch(*decompile(c.fields), running).message();
        }
        if (c.refusal.empty()) {
            ASSERT_EQ(message, "");
            ASSERT_TRUE(kestrin::testing::eventually([&] { return records().size() > runs; }));
            EXPECT_TRUE(ranAsTyped(c.fields, folder, files, runs));
            continue;
        }
        EXPECT_NE(message.find(c.refusal), std::string::npos) << message;
        EXPECT_EQ(records().size(), runs);
        EXPECT_EQ(entries(folder), files);
        const fs::path unchecked = freshFolder(c.fields.backend, true);
        const std::set<std::string> before = entries(unchecked);
        ASSERT_TRUE(runInterpreter(uncheckedDecompile(c.fields).text(), unchecked));
        const bool asTyped = ranAsTyped(c.fields, unchecked, before, runs);
        if (c.shownUnderWine) {
            EXPECT_FALSE(asTyped) << "without the check the line ran as Kestrin reads it";
        } else {
            std::cout << "[ measured ] " << c.why << ": unchecked, the line ran "
                      << (asTyped ? "as Kestrin reads it" : "otherwise") << "\n";
        }
    }
    // Unpack starts its backend without cmd.exe; the code page and devices hold for it too.
    using kestrin::backend::unpack;
    EXPECT_NE(unpack("mervo.exe", "x\\CON.kpk").message().find("device \"CON\""),
              std::string::npos);
    EXPECT_NE(unpack("Nul.exe", "pack").message().find("device \"NUL\""), std::string::npos);
    EXPECT_NE(unpack("mervo.exe", "\xEF\xBD\x90").message().find("U+FF50"), std::string::npos);
}

// cmd.exe works in a folder of at most 248 characters (backend/command.h). Under wine, in a
// longer one, it lost mervo.exe from 250 on (status 9009: the folder, "\" and the name passed
// 259), and from 260 on the folder itself: wine started it in the Windows folder, where ">" made
// the output. That unchecked start is not repeated here: in a folder that long, wine's
// CreateProcessW at times ends the caller ("malloc(): corrupted top size").
TEST_F(InterpreterTest, AWorkingFolderTooLongForCmdExeIsRefused) {
    const std::size_t limit = kestrin::backend::kInterpreterFolderLimit;
    const Command line = *decompile({"mervo.exe", "level", "", "out"});
    kestrin::backend::RunningBackends running;
    for (const std::size_t length : {limit, limit + 1, std::size_t{261}}) {
        SCOPED_TRACE(length);
        std::wstring path = m_root.path().wstring();
        for (std::size_t left = length - path.size(); left > 0;) {
            const std::size_t part = left > 120 ? 60 : left - 1;
            path += L"\\" + std::wstring(part, L'x');
            left -= part + 1;
        }
        fs::create_directories(path);
        fs::copy_file(fromUtf8(KESTRIN_STAND_IN_BACKEND), fs::path(path) / "mervo.exe");
        const kestrin::testing::WorkingFolder inside(path);
        const std::size_t runs = records().size();
        const std::string message =
            kestrin::backend::SystemLauncher().launch(line, running).message();
        if (length <= limit) {
            EXPECT_EQ(message, "");
            EXPECT_TRUE(kestrin::testing::eventually([&] { return records().size() > runs; }));
            continue;
        }
        EXPECT_NE(message.find("is " + std::to_string(length) + " characters long"),
                  std::string::npos)
            << message;
        EXPECT_EQ(records().size(), runs);
    }
}

}  // namespace
