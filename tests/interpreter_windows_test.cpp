// SPDX-License-Identifier: MIT
// The adversarial corpus under the real cmd.exe. Values marked refused-unsafe must be the ones
// that can make cmd.exe run a second command; values marked runs, built into a Decompile
// command, must start the backend once with the arguments its words() predict.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

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

std::wstring wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    std::wstring converted(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, converted.data(),
                        static_cast<int>(converted.size()));
    return converted;
}

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

bool separatesWithAmpersandOrBar(const std::string& value) {
    return value.find_first_of("&|") != std::string::npos;
}

std::string shown(const std::string& text) {
    std::string visible;
    for (const char c : text) {
        visible += c == '\n'   ? std::string("\\n")
                   : c == '\r' ? std::string("\\r")
                               : std::string(1, c);
    }
    return visible;
}

class InterpreterTest : public ::testing::Test {
protected:
    InterpreterTest() : m_log(m_logs.path() / "log") {}

    // A new working folder with the stand-in as mervo.exe, one for each line.
    fs::path freshFolder() {
        const fs::path folder = m_root.path() / ("case" + std::to_string(m_folders++));
        fs::create_directory(folder);
        fs::copy_file(fromUtf8(KESTRIN_STAND_IN_BACKEND), folder / "mervo.exe");
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
        std::wstring commandLine = wide(line);
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
        for (const auto& name : entries(folder)) {
            if (name.starts_with("canary")) {
                return true;
            }
        }
        return false;
    }

    std::vector<Record> records() const { return m_log.records(); }

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
        SCOPED_TRACE(shown(c.field + " " + *canary));
        CorpusCase armed = c;
        armed.value = *canary;
        const DecompileFields fields = kestrin::testing::decompileFields(armed);
        const fs::path folder = freshFolder();

        ASSERT_TRUE(runInterpreter(uncheckedDecompile(fields).text(), folder));
        const bool ranSecond = holdsCanary(folder);
        if (separatesWithAmpersandOrBar(c.value)) {
            // The premise: without the check, cmd.exe runs the value's second command.
            EXPECT_TRUE(ranSecond) << "cmd.exe ran no second command from the unchecked line";
        } else {
            std::cout << "[ measured ] " << shown(c.field + " " + *canary) << ": cmd.exe "
                      << (ranSecond ? "ran" : "ran no") << " second command\n";
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
            std::cout << "[ measured ] " << shown(c.shown) << ": cmd.exe started nothing\n";
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

}  // namespace
