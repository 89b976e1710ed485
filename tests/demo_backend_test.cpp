// SPDX-License-Identifier: MIT
// The demo backend: its two formats through the library, and the program itself as Kestrin
// starts it, in a temporary working folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "tools/demo_backend/demo_archive.h"
#include "tools/demo_backend/demo_script.h"
#include "tools/demo_backend/format_error.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using kestrin::demo::Entry;
using kestrin::demo::FormatError;
using kestrin::demo::Member;
using kestrin::demo::Script;
using kestrin::testing::TempFolder;

std::string allBytes() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) {
        bytes += static_cast<char>(c);
    }
    return bytes;
}

// Appends the checksum, so that a damaged body reaches the checks behind it.
std::string sealed(std::string body) {
    const std::uint32_t sum = kestrin::demo::checksum(body);
    for (int i = 0; i < 4; ++i) {
        body += static_cast<char>((sum >> (8 * i)) & 0xFF);
    }
    return body;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string withoutChecksum(const std::string& bytes) {
    return bytes.substr(0, bytes.size() - 4);
}

std::string failure(auto read) {
    try {
        read();
    } catch (const FormatError& error) {
        return error.what();
    }
    return "(accepted)";
}

const std::vector<Script> kScripts = {
    {},
    {{{"lives", 3}, {"title", std::string("Hello \"there\"\\\n")}, {"music", true}}},
    {{{"low", INT32_MIN}, {"high", INT32_MAX}, {"zero", 0}, {"off", false}}},
    {{{"every_byte", allBytes()},
      {"empty", std::string()},
      {"A_23456789012345678901234567890_", 1}}},
    {{{"same", 1}, {"same", 2}}},
};

TEST(DemoScript, CompiledAndTextFormsRoundTrip) {
    for (std::size_t i = 0; i < kScripts.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string bytes = kestrin::demo::writeScript(kScripts[i]);
        EXPECT_EQ(kestrin::demo::readScript(bytes), kScripts[i]);
        for (const std::string game : {"", "DEBUG", "THUG1"}) {
            SCOPED_TRACE(game);
            const std::string text = kestrin::demo::renderText(kScripts[i], game);
            EXPECT_EQ(text.find_first_of(std::string("\r\0", 2)), std::string::npos);
            EXPECT_EQ(kestrin::demo::writeScript(kestrin::demo::parseText(text)), bytes);
        }
    }
}

TEST(DemoScript, DebugOffsetsPointAtTheirEntries) {
    const Script& script = kScripts[3];
    const std::string bytes = kestrin::demo::writeScript(script);
    const std::string text = kestrin::demo::renderText(script, "DEBUG");
    std::size_t entry = 0;
    for (std::size_t at = text.find("# byte "); at != std::string::npos;
         at = text.find("# byte ", at + 1), ++entry) {
        ASSERT_LT(entry, script.entries.size());
        const std::size_t offset = std::stoul(text.substr(at + 7));
        const std::string& name = script.entries[entry].name;
        ASSERT_LT(offset + 2 + name.size(), bytes.size());
        EXPECT_EQ(static_cast<std::size_t>(bytes[offset + 1]), name.size()) << name;
        EXPECT_EQ(bytes.substr(offset + 2, name.size()), name);
    }
    EXPECT_EQ(entry, script.entries.size());
}

TEST(DemoScript, RefusesDamagedCompiledFiles) {
    const std::string good = kestrin::demo::writeScript(kScripts[1]);
    const std::string body = withoutChecksum(good);
    auto changed = [&](std::size_t at, char to) {
        std::string copy = body;
        copy[at] = to;
        return sealed(copy);
    };
    struct Case {
        const char* why;
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"empty", "", "not a demo script"},
        {"other magic", "KDPK" + good.substr(4), "not a demo script"},
        {"version 2", changed(4, 2), "version 2 is not known"},
        {"header only", "KDQB\x01", "ends early"},
        {"one byte changed", good.substr(0, 20) + 'x' + good.substr(21), "checksum does not match"},
        {"cut short", sealed(body.substr(0, body.size() - 3)), "ends early"},
        {"count too high", changed(5, 4), "ends early"},
        {"bytes left over", changed(5, 2), "bytes left over after entry 2"},
        {"unknown kind", changed(7, 9), "byte 7: unknown entry kind 9"},
        {"name starts with a digit", changed(9, '1'), "byte 7: bad name"},
        {"switch neither 0 nor 1", changed(body.size() - 1, 2), "a switch is 0 or 1, not 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_NE(failure([&] { kestrin::demo::readScript(c.bytes); }).find(c.message),
                  std::string::npos)
            << failure([&] { kestrin::demo::readScript(c.bytes); });
    }
}

TEST(DemoScript, RefusesBadTextLinesByNumber) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"nubmer lives = 3", "line 2: unknown kind \"nubmer\""},
        {"number lives 3", "line 2: no \"=\""},
        {"number 9lives = 3", "line 2: bad name \"9lives\""},
        {"number a-b = 3", "line 2: bad name"},
        {"number lives = 2147483648", "line 2: the number does not fit in 32 bits"},
        {"number lives = 3x", "line 2: a number is written in decimal digits"},
        {"number lives =", "line 2: a number is written in decimal digits"},
        {"switch music = yes", "line 2: a switch is on or off"},
        {"text title = Hello", "line 2: a text value is written in double quotes"},
        {"text title = \"Hello", "line 2: the text has no closing double quote"},
        {"text title = \"a\\q\"", "line 2: unknown escape \\q"},
        {"text title = \"a\\x4\"", "line 2: \\x is followed by two hexadecimal digits"},
        {"text title = \"a\x01\"", "line 2: a control character"},
        {"text title = \"a\" b", "line 2: nothing may follow the closing double quote"},
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        const std::string text = "# heading\r\n" + line + "\n  \n";
        const std::string got = failure([&] { kestrin::demo::parseText(text); });
        EXPECT_NE(got.find(message), std::string::npos) << got;
    }
}

TEST(DemoArchive, MemberNamesStayInsideTheFolder) {
    const std::vector<std::pair<std::string, bool>> names = {
        {"a.qb", true},
        {"levels/a.qb", true},
        {"..a", true},
        {"a..b.qb", true},
        {"", false},
        {"/etc/passwd", false},
        {"..", false},
        {"../a.qb", false},
        {"a/../../b", false},
        {"a/..", false},
        {"C:a.qb", false},
        {"a\\..\\b", false},
        {"a//b", false},
        {"./a", false},
        {"a/", false},
        {"a\nb", false},
        {std::string(256, 'a'), false},
    };
    for (const auto& [name, safe] : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(kestrin::demo::memberNameProblem(name).empty(), safe);
    }
}

TEST(DemoArchive, RoundTripsAndRefusesUnsafeOrDamagedArchives) {
    const std::vector<Member> members = {{"a.qb", allBytes()}, {"sub/b.txt", ""}};
    const std::string good = kestrin::demo::writeArchive(members);
    EXPECT_EQ(kestrin::demo::readArchive(good), members);

    // Written by hand: writeArchive itself refuses such names.
    auto withName = [](const std::string& name) {
        return sealed(std::string("KDPK\x01\x01\x00", 7) + static_cast<char>(name.size()) + '\0' +
                      name + std::string(4, '\0'));
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {withName("../evil.qb"), "member \"../evil.qb\" is refused"},
        {withName("/tmp/evil.qb"), "is refused: it has an absolute path"},
        {sealed(withoutChecksum(withName("ok.qb")).substr(0, 12)), "ends early"},
        {good.substr(0, good.size() - 1) + 'x', "checksum does not match"},
        {"KDQB" + good.substr(4), "not a demo archive"},
        {kestrin::demo::writeArchive({{"x", "1"}, {"x", "2"}}), "member \"x\" is there twice"},
    };
    for (const auto& [bytes, message] : cases) {
        SCOPED_TRACE(message);
        // clang 14 cannot capture a structured binding in a lambda.
        const std::string& archive = bytes;
        const std::string got = failure([&archive] { kestrin::demo::readArchive(archive); });
        EXPECT_NE(got.find(message), std::string::npos) << got;
    }
}

TEST(DemoArchive, UnpackNeverWritesThroughLinksOrOverFolders) {
    TempFolder work;
    TempFolder outside;
    fs::create_directory_symlink(outside.path(), work.path() / "out");
    fs::create_symlink(outside.path() / "target.qb", work.path() / "link.qb");
    fs::create_directory(work.path() / "folder.qb");
    const std::vector<std::vector<Member>> refused = {
        {{"first.qb", "1"}, {"out/evil.qb", "x"}},
        {{"first.qb", "1"}, {"link.qb", "x"}},
        {{"first.qb", "1"}, {"folder.qb", "x"}},
        {{"first.qb", "1"}, {"first.qb/inner.qb", "x"}},
    };
    for (const auto& members : refused) {
        SCOPED_TRACE(members.back().name);
        EXPECT_NE(failure([&] { kestrin::demo::unpack(members, work.path()); }), "(accepted)");
        EXPECT_FALSE(fs::exists(work.path() / "first.qb")) << "a refused archive writes nothing";
        EXPECT_TRUE(fs::is_empty(outside.path()));
    }

    kestrin::demo::unpack({{"first.qb", "old"}, {"deep/er/b.qb", "b"}}, work.path());
    kestrin::demo::unpack({{"first.qb", "new"}}, work.path());
    EXPECT_EQ(work.read("first.qb"), "new");
    EXPECT_EQ(work.read("deep/er/b.qb"), "b");
}

// --- The program, started as Kestrin starts it ---

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome runDemoBackend(const fs::path& folder, const std::vector<std::string>& args) {
    const TempFolder streams;
    const std::string out = (streams.path() / "out").string();
    const std::string err = (streams.path() / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<std::string> argv = {"mervo.exe"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (auto& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    pid_t pid = 0;
    Outcome run;
    if (posix_spawn(&pid, KESTRIN_DEMO_BACKEND, &actions, nullptr, pointers.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = streams.read("out");
    run.err = streams.read("err");
    return run;
}

TEST(DemoBackend, DecompileThenCompileGivesBackTheSampleFiles) {
    std::vector<fs::path> samples;
    for (const auto& entry : fs::directory_iterator(KESTRIN_DEMO_FOLDER)) {
        if (entry.path().extension() == ".qb") {
            samples.push_back(entry.path());
        }
    }
    ASSERT_GE(samples.size(), 3u);
    for (const fs::path& sample : samples) {
        for (const auto& game : std::vector<std::vector<std::string>>{{}, {"DEBUG"}}) {
            SCOPED_TRACE(sample.filename().string() + (game.empty() ? "" : " DEBUG"));
            TempFolder work;
            std::vector<std::string> args = {"-d", sample.string()};
            args.insert(args.end(), game.begin(), game.end());
            const Outcome decompiled = runDemoBackend(work.path(), args);
            ASSERT_EQ(decompiled.status, 0) << decompiled.err;
            EXPECT_EQ(decompiled.err, "");
            work.write("copy.txt", decompiled.out);
            const Outcome compiled = runDemoBackend(work.path(), {"-c", "copy.txt"});
            ASSERT_EQ(compiled.status, 0) << compiled.err;
            EXPECT_EQ(compiled.out + compiled.err, "");
            EXPECT_EQ(work.read("copy.qb"), readFile(sample));
        }
    }
}

TEST(DemoBackend, UnpacksTheSampleArchiveIntoTheWorkingFolder) {
    TempFolder work;
    const Outcome run = runDemoBackend(work.path(), {"-p", "x", KESTRIN_DEMO_FOLDER "/extras.kpk"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NO_THROW(kestrin::demo::readScript(work.read("bonus.qb")));
    EXPECT_TRUE(fs::is_regular_file(work.path() / "notes" / "about.txt"));
}

TEST(DemoBackend, BadInputGetsOneLineOnStandardErrorAndAFailingStatus) {
    const std::string evilArchive = sealed(std::string("KDPK\x01\x01\x00\x0a\x00", 9) +
                                           "../evil.qb" + std::string("\x01\x00\x00\x00x", 5));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, 2, "no option given (see --help)"},
        {{"-x"}, 2, "unknown option \"-x\" (see --help)"},
        {{"-d"}, 2, "-d takes a file and at most one game (see --help)"},
        {{"-d", "good.qb", "THUG", "2"}, 2, "-d takes a file and at most one game"},
        {{"-c", "good.txt", "more"}, 2, "-c takes exactly one file"},
        {{"-p", "a", "evil.kpk"}, 2, "unpacking is -p x ARCHIVE"},
        {{"-d", "missing.qb"}, 1, "missing.qb: no such file"},
        {{"-d", "line\nbreak.qb"}, 1, "line?break.qb: no such file"},
        {{"-d", "sub"}, 1, "sub: not an ordinary file"},
        {{"-d", "good.txt"}, 1, "good.txt: not a demo script"},
        {{"-d", "good.qb", "TWO WORDS"}, 1, "a game name is printable ASCII without spaces"},
        {{"-c", "bad.txt"}, 1, "bad.txt: line 1: unknown kind \"oops\""},
        {{"-c", "missing.txt"}, 1, "missing.txt: no such file"},
        {{"-p", "x", "good.qb"}, 1, "good.qb: not a demo archive"},
        {{"-p", "x", "evil.kpk"}, 1, "evil.kpk: member \"../evil.qb\" is refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TempFolder top;
        const fs::path work = top.path() / "work";
        fs::create_directories(work / "sub");
        const Script script = {{{"kept", 1}}};
        std::ofstream(work / "good.qb", std::ios::binary) << kestrin::demo::writeScript(script);
        std::ofstream(work / "good.txt") << kestrin::demo::renderText(script, "");
        std::ofstream(work / "bad.txt") << "oops = 1\n";
        std::ofstream(work / "bad.qb") << "left alone";
        std::ofstream(work / "evil.kpk", std::ios::binary) << evilArchive;

        const Outcome run = runDemoBackend(work, c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("demo backend: ")) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(run.err.ends_with("\n"));
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line";
        EXPECT_EQ(readFile(work / "bad.qb"), "left alone");
        EXPECT_FALSE(fs::exists(top.path() / "evil.qb"));
    }
}

TEST(DemoBackend, SaysItIsADemonstration) {
    const TempFolder work;
    const Outcome run = runDemoBackend(work.path(), {"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("a demonstration, not a converter for any real game"),
              std::string::npos);
}

}  // namespace
