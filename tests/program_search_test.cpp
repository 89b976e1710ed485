// SPDX-License-Identifier: MIT
// Both systems' program search over a made-up set of files, on any system: which files are
// examined in which order, which one runs, and which message explains a failure.

#include "backend/program_search.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "backend/command.h"

namespace {

using kestrin::backend::NameRules;
using kestrin::platform::FileKind;
using Files = std::map<std::string, FileKind>;

constexpr FileKind kProgram = FileKind::Executable;
constexpr FileKind kFile = FileKind::File;
constexpr FileKind kFolder = FileKind::Folder;
const std::string kNoProgram = "no such program in the working folder or on PATH.";
const std::string kNoFile = "no such file.";

// The files that exist, each name followed by its kind.
template <typename... More>
Files files(const std::string& name, FileKind kind, const More&... more) {
    Files found = {{name, kind}};
    if constexpr (sizeof...(more) > 0) {
        found.merge(files(more...));
    }
    return found;
}

struct SearchCase {
    const char* why;
    std::string program;
    std::optional<std::string> path;  // PATH; none when unset
    std::string pathext;              // PATHEXT, for Windows only
    Files files;
    std::string expected;  // the file found, or the failure's words after "Cannot start \"NAME\": "
    std::string examined;  // every candidate, in the order examined, after a blank each
};

void check(NameRules rules, const std::vector<SearchCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::string examined;
        const auto kindOf = [&](const std::string& file) {
            examined += " " + file;
            const auto found = c.files.find(file);
            return found == c.files.end() ? FileKind::Missing : found->second;
        };
        const auto found =
            kestrin::backend::findProgram(c.program, rules, {c.path, c.pathext}, kindOf);
        EXPECT_EQ(found ? *found : found.message(),
                  found ? c.expected : "Cannot start \"" + c.program + "\": " + c.expected);
        EXPECT_EQ(examined, c.examined);
    }
}

TEST(ProgramSearch, PosixLooksHereThenAlongPathAndAlsoWithoutExe) {
    check(
        NameRules::Posix,
        {
            {"the working folder first", "mervo", "/a", "",
             files("./mervo", kProgram, "/a/mervo", kProgram), "./mervo", " ./mervo"},
            {"each PATH entry in order, an empty one is the working folder", "mervo", "/a::/b/", "",
             Files(), kNoProgram, " ./mervo /a/mervo ./mervo /b//mervo"},
            {"a trailing colon is the working folder too", "mervo", "/a:", "", Files(), kNoProgram,
             " ./mervo /a/mervo ./mervo"},
            {"no PATH", "mervo", std::nullopt, "", Files(), kNoProgram, " ./mervo"},
            {"empty PATH", "mervo", "", "", Files(), kNoProgram, " ./mervo"},
            {"a name with a / as it stands", "sub/mervo", "/a", "", Files(), kNoFile, " sub/mervo"},
            {"the exact name in every place before the name without .exe", "mervo.EXE", "/a", "",
             files("./mervo", kProgram, "/a/mervo.EXE", kProgram), "/a/mervo.EXE",
             " ./mervo.EXE /a/mervo.EXE"},
            {"without .exe after that", "mervo.exe", "/a", "", files("/a/mervo", kProgram),
             "/a/mervo", " ./mervo.exe /a/mervo.exe ./mervo /a/mervo"},
            {"nothing is left of .exe alone", ".exe", "/a", "", Files(), kNoProgram,
             " ./.exe /a/.exe"},
            {"nor of a folder's .exe", "sub/.exe", "/a", "", Files(), kNoFile, " sub/.exe"},
            {"the first unusable file explains", "mervo", "/a:/b", "",
             files("/a/mervo", kFolder, "/b/mervo", kFile),
             "\"/a/mervo\" is a folder, not a program.", " ./mervo /a/mervo /b/mervo"},
            {"a program after an unusable file runs", "mervo", "/a", "",
             files("./mervo", kFile, "/a/mervo", kProgram), "/a/mervo", " ./mervo /a/mervo"},
            {"not executable", "plain", "", "", files("./plain", kFile),
             "\"./plain\" may not be run (no execute permission).", " ./plain"},
            {"not an ordinary file", "/dev/null", "/a", "",
             files("/dev/null", FileKind::NotOrdinary), "\"/dev/null\" is not a program file.",
             " /dev/null"},
        });
}

TEST(ProgramSearch, WindowsLooksHereThenAlongPathWithEachEnding) {
    // A file runs by its name's ending.
    check(NameRules::Windows,
          {
              {"each place as named, then with each ending", "mervo", "C:\\a;;\"C:\\b\\\"",
               ".COM;.EXE", Files(), kNoProgram,
               " .\\mervo .\\mervo.COM .\\mervo.EXE C:\\a\\mervo C:\\a\\mervo.COM "
               "C:\\a\\mervo.EXE C:\\b\\mervo C:\\b\\mervo.COM C:\\b\\mervo.EXE"},
              {"the usual endings when PATHEXT names none", "mervo", std::nullopt, ";", Files(),
               kNoProgram, " .\\mervo .\\mervo.COM .\\mervo.EXE .\\mervo.BAT .\\mervo.CMD"},
              {"a name with an ending gets no other", "mervo.exe", "C:\\a/", ".COM",
               files("C:\\a/mervo.exe", kFile), "C:\\a/mervo.exe", " .\\mervo.exe C:\\a/mervo.exe"},
              {"a dot in a folder is no ending", "a.b\\mervo", "C:\\a", ".EXE",
               files("a.b\\mervo.EXE", kFile), "a.b\\mervo.EXE", " a.b\\mervo a.b\\mervo.EXE"},
              {"a drive is a folder part", "C:mervo.exe", "C:\\a", ".EXE", Files(), kNoFile,
               " C:mervo.exe"},
              {"a file without an ending is no program", "plain", "", ".EXE",
               files(".\\plain", kFile), "\".\\plain\" is not a program file.",
               " .\\plain .\\plain.EXE"},
              {"the first unusable file explains", "tool", "C:\\a", ".EXE",
               files(".\\tool.EXE", kFolder, "C:\\a\\tool", kFile),
               "\".\\tool.EXE\" is a folder, not a program.",
               " .\\tool .\\tool.EXE C:\\a\\tool C:\\a\\tool.EXE"},
              {"a program after a folder runs", "mervo.exe", "C:\\a", "",
               files(".\\mervo.exe", kFolder, "C:\\a\\mervo.exe", kFile), "C:\\a\\mervo.exe",
               " .\\mervo.exe C:\\a\\mervo.exe"},
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
