// SPDX-License-Identifier: MIT
// Both systems' program lookup over a made-up set of files, on any system: which files are
// examined in which order, which one runs, and which message explains a failure.

#include "platform/program_lookup.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "result_printing.h"

namespace {

using kestrin::platform::Failure;
using kestrin::platform::FileKind;
using kestrin::platform::Result;

template <typename Char>
struct LookupCase {
    using Text = std::basic_string<Char>;
    const char* why;
    std::string program;
    std::optional<Text> path;  // PATH; none when unset
    Text pathext;              // PATHEXT, for Windows only
    std::map<Text, FileKind> files;
    Result<Text> expected;
    std::vector<Text> examined;  // every candidate, in the order examined
};

TEST(ProgramLookup, PosixLooksHereThenAlongPathAndAlsoWithoutExe) {
    const FileKind program = FileKind::Program;
    const std::vector<LookupCase<char>> cases = {
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
         {{"/a/mervo", FileKind::Folder}, {"/b/mervo", FileKind::NotExecutable}},
         Failure{"Cannot start \"mervo\": \"/a/mervo\" is a folder, not a program."},
         {"./mervo", "/a/mervo", "/b/mervo"}},
        {"a program after an unusable file runs",
         "mervo",
         "/a",
         "",
         {{"./mervo", FileKind::NotExecutable}, {"/a/mervo", program}},
         std::string("/a/mervo"),
         {"./mervo", "/a/mervo"}},
        {"not executable",
         "plain",
         "",
         "",
         {{"./plain", FileKind::NotExecutable}},
         Failure{"Cannot start \"plain\": \"./plain\" may not be run (no execute permission)."},
         {"./plain"}},
        {"not an ordinary file",
         "/dev/null",
         "/a",
         "",
         {{"/dev/null", FileKind::NotAProgram}},
         Failure{"Cannot start \"/dev/null\": \"/dev/null\" is not a program file."},
         {"/dev/null"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<std::string> examined;
        const auto examine = [&](const std::string& file, bool) {
            examined.push_back(file);
            const auto found = c.files.find(file);
            return found == c.files.end() ? FileKind::Missing : found->second;
        };
        const auto found = kestrin::platform::findPosixProgram(
            c.program, c.path ? c.path->c_str() : nullptr, examine);
        EXPECT_EQ(found, c.expected);
        EXPECT_EQ(examined, c.examined);
    }
}

std::wstring widened(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

// ASCII only; anything else stands for a name that cannot be shown.
std::optional<std::string> narrowed(const std::wstring& text) {
    std::string ascii;
    for (const wchar_t c : text) {
        if (c >= 0x80) {
            return std::nullopt;
        }
        ascii += static_cast<char>(c);
    }
    return ascii;
}

TEST(ProgramLookup, WindowsLooksHereThenAlongPathWithEachEnding) {
    // A file runs by its name's ending; the kind given here only tells a file from a folder.
    const FileKind file = FileKind::Program;
    const FileKind folder = FileKind::Folder;
    const std::vector<LookupCase<wchar_t>> cases = {
        {"each place as named, then with each ending",
         "mervo",
         L"C:\\a;;\"C:\\b\\\"",
         L".COM;.EXE",
         {},
         Failure{"Cannot start \"mervo\": no such program in the working folder or on PATH."},
         {L".\\mervo", L".\\mervo.COM", L".\\mervo.EXE", L"C:\\a\\mervo", L"C:\\a\\mervo.COM",
          L"C:\\a\\mervo.EXE", L"C:\\b\\mervo", L"C:\\b\\mervo.COM", L"C:\\b\\mervo.EXE"}},
        {"the usual endings when PATHEXT names none",
         "mervo",
         std::nullopt,
         L";",
         {},
         Failure{"Cannot start \"mervo\": no such program in the working folder or on PATH."},
         {L".\\mervo", L".\\mervo.COM", L".\\mervo.EXE", L".\\mervo.BAT", L".\\mervo.CMD"}},
        {"a name with an ending gets no other",
         "mervo.exe",
         L"C:\\a/",
         L".COM",
         {{L"C:\\a/mervo.exe", file}},
         std::wstring(L"C:\\a/mervo.exe"),
         {L".\\mervo.exe", L"C:\\a/mervo.exe"}},
        {"a dot in a folder is no ending",
         "a.b\\mervo",
         L"C:\\a",
         L".EXE",
         {{L"a.b\\mervo.EXE", file}},
         std::wstring(L"a.b\\mervo.EXE"),
         {L"a.b\\mervo", L"a.b\\mervo.EXE"}},
        {"a drive is a folder part",
         "C:mervo.exe",
         L"C:\\a",
         L".EXE",
         {},
         Failure{"Cannot start \"C:mervo.exe\": no such file."},
         {L"C:mervo.exe"}},
        {"a file without an ending is no program",
         "plain",
         L"",
         L".EXE",
         {{L".\\plain", file}},
         Failure{"Cannot start \"plain\": \".\\plain\" is not a program file."},
         {L".\\plain", L".\\plain.EXE"}},
        {"the first unusable file explains",
         "tool",
         L"C:\\a",
         L".EXE",
         {{L".\\tool.EXE", folder}, {L"C:\\a\\tool", file}},
         Failure{"Cannot start \"tool\": \".\\tool.EXE\" is a folder, not a program."},
         {L".\\tool", L".\\tool.EXE", L"C:\\a\\tool", L"C:\\a\\tool.EXE"}},
        {"a program after a folder runs",
         "mervo.exe",
         L"C:\\a",
         L"",
         {{L".\\mervo.exe", folder}, {L"C:\\a\\mervo.exe", file}},
         std::wstring(L"C:\\a\\mervo.exe"),
         {L".\\mervo.exe", L"C:\\a\\mervo.exe"}},
        {"a file that cannot be shown is named by the program",
         "mervo.exe",
         L"C:\\\xD800",
         L"",
         {{L"C:\\\xD800\\mervo.exe", folder}},
         Failure{"Cannot start \"mervo.exe\": \"mervo.exe\" is a folder, not a program."},
         {L".\\mervo.exe", L"C:\\\xD800\\mervo.exe"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<std::wstring> examined;
        const auto examine = [&](const std::wstring& name, bool byEnding) {
            examined.push_back(name);
            const auto found = c.files.find(name);
            if (found == c.files.end() || found->second == FileKind::Folder) {
                return found == c.files.end() ? FileKind::Missing : FileKind::Folder;
            }
            return byEnding ? FileKind::Program : FileKind::NotAProgram;
        };
        const auto found = kestrin::platform::findWindowsProgram(
            c.program, widened(c.program), c.path.value_or(L""), c.pathext, examine, narrowed);
        EXPECT_EQ(found, c.expected);
        EXPECT_EQ(examined, c.examined);
    }
}

}  // namespace
