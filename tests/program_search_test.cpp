// SPDX-License-Identifier: MIT
// Both systems' program search over a made-up set of files, on any system: which files are
// examined in which order, which one runs, and which message explains a failure.

#include "backend/program_search.h"

#include <gtest/gtest.h>

#include "backend/command.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "result_printing.h"

namespace {

using kestrin::Failure;
using kestrin::Result;
using kestrin::backend::NameRules;
using kestrin::platform::FileKind;

struct SearchCase {
    const char* why;
    std::string program;
    std::optional<std::string> path;  // PATH; none when unset
    std::string pathext;              // PATHEXT, for Windows only
    std::map<std::string, FileKind> files;
    Result<std::string> expected;
    std::vector<std::string> examined;  // every candidate, in the order examined
};

void check(NameRules rules, const std::vector<SearchCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<std::string> examined;
        const auto kindOf = [&](const std::string& file) {
            examined.push_back(file);
            const auto found = c.files.find(file);
            return found == c.files.end() ? FileKind::Missing : found->second;
        };
        const auto found =
            kestrin::backend::findProgram(c.program, rules, {c.path, c.pathext}, kindOf);
        EXPECT_EQ(found, c.expected);
        EXPECT_EQ(examined, c.examined);
    }
}

TEST(ProgramSearch, PosixLooksHereThenAlongPathAndAlsoWithoutExe) {
    const FileKind program = FileKind::Executable;
    check(
        NameRules::Posix,
        {
            {"the working folder first",
             "mervo",
             "/a",
             "",
             {{"./mervo", program}, {"/a/mervo", program}},
             std::string("./mervo"),
             {"./mervo"}},
            {"each PATH entry in order, an empty one is the working folder",
             "mervo",
             "/a::/b/",
             "",
             {},
             Failure{"Cannot start \"mervo\": no such program in the working folder or on PATH."},
             {"./mervo", "/a/mervo", "./mervo", "/b//mervo"}},
            {"a trailing colon is the working folder too",
             "mervo",
             "/a:",
             "",
             {},
             Failure{"Cannot start \"mervo\": no such program in the working folder or on PATH."},
             {"./mervo", "/a/mervo", "./mervo"}},
            {"no PATH",
             "mervo",
             std::nullopt,
             "",
             {},
             Failure{"Cannot start \"mervo\": no such program in the working folder or on PATH."},
             {"./mervo"}},
            {"empty PATH",
             "mervo",
             "",
             "",
             {},
             Failure{"Cannot start \"mervo\": no such program in the working folder or on PATH."},
             {"./mervo"}},
            {"a name with a / as it stands",
             "sub/mervo",
             "/a",
             "",
             {},
             Failure{"Cannot start \"sub/mervo\": no such file."},
             {"sub/mervo"}},
            {"the exact name in every place before the name without .exe",
             "mervo.EXE",
             "/a",
             "",
             {{"./mervo", program}, {"/a/mervo.EXE", program}},
             std::string("/a/mervo.EXE"),
             {"./mervo.EXE", "/a/mervo.EXE"}},
            {"without .exe after that",
             "mervo.exe",
             "/a",
             "",
             {{"/a/mervo", program}},
             std::string("/a/mervo"),
             {"./mervo.exe", "/a/mervo.exe", "./mervo", "/a/mervo"}},
            {"nothing is left of .exe alone",
             ".exe",
             "/a",
             "",
             {},
             Failure{"Cannot start \".exe\": no such program in the working folder or on PATH."},
             {"./.exe", "/a/.exe"}},
            {"nor of a folder's .exe",
             "sub/.exe",
             "/a",
             "",
             {},
             Failure{"Cannot start \"sub/.exe\": no such file."},
             {"sub/.exe"}},
            {"the first unusable file explains",
             "mervo",
             "/a:/b",
             "",
             {{"/a/mervo", FileKind::Folder}, {"/b/mervo", FileKind::File}},
             Failure{"Cannot start \"mervo\": \"/a/mervo\" is a folder, not a program."},
             {"./mervo", "/a/mervo", "/b/mervo"}},
            {"a program after an unusable file runs",
             "mervo",
             "/a",
             "",
             {{"./mervo", FileKind::File}, {"/a/mervo", program}},
             std::string("/a/mervo"),
             {"./mervo", "/a/mervo"}},
            {"not executable",
             "plain",
             "",
             "",
             {{"./plain", FileKind::File}},
             Failure{"Cannot start \"plain\": \"./plain\" may not be run (no execute permission)."},
             {"./plain"}},
            {"not an ordinary file",
             "/dev/null",
             "/a",
             "",
             {{"/dev/null", FileKind::NotOrdinary}},
             Failure{"Cannot start \"/dev/null\": \"/dev/null\" is not a program file."},
             {"/dev/null"}},
        });
}

TEST(ProgramSearch, WindowsLooksHereThenAlongPathWithEachEnding) {
    // A file runs by its name's ending.
    const FileKind file = FileKind::File;
    const FileKind folder = FileKind::Folder;
    check(NameRules::Windows,
          {
              {"each place as named, then with each ending",
               "mervo",
               "C:\\a;;\"C:\\b\\\"",
               ".COM;.EXE",
               {},
               Failure{"Cannot start \"mervo\": no such program in the working folder or on PATH."},
               {".\\mervo", ".\\mervo.COM", ".\\mervo.EXE", "C:\\a\\mervo", "C:\\a\\mervo.COM",
                "C:\\a\\mervo.EXE", "C:\\b\\mervo", "C:\\b\\mervo.COM", "C:\\b\\mervo.EXE"}},
              {"the usual endings when PATHEXT names none",
               "mervo",
               std::nullopt,
               ";",
               {},
               Failure{"Cannot start \"mervo\": no such program in the working folder or on PATH."},
               {".\\mervo", ".\\mervo.COM", ".\\mervo.EXE", ".\\mervo.BAT", ".\\mervo.CMD"}},
              {"a name with an ending gets no other",
               "mervo.exe",
               "C:\\a/",
               ".COM",
               {{"C:\\a/mervo.exe", file}},
               std::string("C:\\a/mervo.exe"),
               {".\\mervo.exe", "C:\\a/mervo.exe"}},
              {"a dot in a folder is no ending",
               "a.b\\mervo",
               "C:\\a",
               ".EXE",
               {{"a.b\\mervo.EXE", file}},
               std::string("a.b\\mervo.EXE"),
               {"a.b\\mervo", "a.b\\mervo.EXE"}},
              {"a drive is a folder part",
               "C:mervo.exe",
               "C:\\a",
               ".EXE",
               {},
               Failure{"Cannot start \"C:mervo.exe\": no such file."},
               {"C:mervo.exe"}},
              {"a file without an ending is no program",
               "plain",
               "",
               ".EXE",
               {{".\\plain", file}},
               Failure{"Cannot start \"plain\": \".\\plain\" is not a program file."},
               {".\\plain", ".\\plain.EXE"}},
              {"the first unusable file explains",
               "tool",
               "C:\\a",
               ".EXE",
               {{".\\tool.EXE", folder}, {"C:\\a\\tool", file}},
               Failure{"Cannot start \"tool\": \".\\tool.EXE\" is a folder, not a program."},
               {".\\tool", ".\\tool.EXE", "C:\\a\\tool", "C:\\a\\tool.EXE"}},
              {"a program after a folder runs",
               "mervo.exe",
               "C:\\a",
               "",
               {{".\\mervo.exe", folder}, {"C:\\a\\mervo.exe", file}},
               std::string("C:\\a\\mervo.exe"),
               {".\\mervo.exe", "C:\\a\\mervo.exe"}},
          });
}

// The working folders cmd.exe cannot work in, where it runs in the Windows folder instead. Wine
// gives no process a network folder (\\server\share) to work in, so that rule is only checked
// here; the length also under wine, with the real cmd.exe.
TEST(Interpreter, FoldersCmdExeCannotWorkIn) {
    const std::string atLimit =
        "C:\\" + std::string(kestrin::backend::kInterpreterFolderLimit - 3, 'a');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\games\\scripts", ""},
        {"Z:\\scripts", ""},
        {atLimit, ""},
        {atLimit + "b", "is 249 characters long"},
        {atLimit.substr(1) + "\xF0\x9F\x98\x80", "is 249 characters long"},  // two in UTF-16
        {"\\\\server\\share\\x", "network path (\"\\\\server\\share\\x\")"},
    };
    for (const auto& [folder, expected] : cases) {
        const std::string refusal = kestrin::backend::interpreterRefusal("m.exe", folder);
        EXPECT_EQ(refusal.empty(), expected.empty()) << folder;
        EXPECT_NE(refusal.find(expected), std::string::npos) << refusal;
    }
}

}  // namespace
