// SPDX-License-Identifier: MIT
// The folder listing: the base-name rule, the order, and the system's own search over one folder
// made alike on every system, which must list alike. Hidden and system files are dotfiles on
// POSIX and carry those attributes on Windows.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "listing/base_name.h"
#include "listing/list_files.h"
#include "platform/directory_search.h"
#include "recorders.h"
#include "temp_folder.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using kestrin::testing::fromUtf8;
using kestrin::testing::TempFolder;
using kestrin::testing::WorkingFolder;
using Names = std::vector<std::string>;

struct BaseNameCase {
    const char* why;
    std::string name;
    std::string expected;
};

TEST(BaseName, FollowsTheFiveCharacterWindow) {
    const std::vector<BaseNameCase> cases = {
        {"ordinary qb", "level.qb", "level"},
        {"ordinary txt", "a.txt", "a"},
        {"only the last dot counts", "x.y.qb", "x.y"},
        {"short name", "a.qb", "a"},
        {"nothing but an ending", ".qb", ""},
        {"no dot at all", "archive", "archive"},
        {"ending longer than four", "archive.backup", "archive.backup"},
        {"four-character ending", "a.abcd", "a"},
        {"five-character ending", "a.abcde", "a.abcde"},
        {"dot last, five characters", "abcd.", "abcd."},
        {"dot last, six characters", "abcde.", "abcde."},
        {"dot last, four characters", "abc.", "abc"},
        {"dot last, two characters", "a.", "a"},
        {"lone dot", ".", ""},
        {"dot first of a full window", ".abcd", ""},
        {"dot just outside the window", "x.abcde", "x.abcde"},
        {"empty name", "", ""},
        {"two dots inside the window", "a.b.c", "a.b"},
        {"window counts characters, not bytes", "\xC3\xA9t\xC3\xA9.qb", "\xC3\xA9t\xC3\xA9"},
        {"multibyte ending of four characters", "a.\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "a"},
        {"multibyte ending of five characters", "a.\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x",
         "a.\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(kestrin::listing::baseName(c.name), c.expected);
    }
}

TEST(ListFiles, KeepsTheSearchOrderAndCutsEndings) {
    kestrin::testing::FakeFolder search;
    search.names["*.qb"] = {"z.qb", "a.qb", ".qb", "archive.backup"};
    const auto listed = kestrin::listing::listFiles(search, "*.qb");
    ASSERT_TRUE(listed.ok()) << listed.error().message();
    EXPECT_EQ(listed.value(), (Names{"z", "a", "", "archive.backup"}));
    EXPECT_EQ(search.asked, Names{"*.qb"});
    search.readable = false;
    EXPECT_EQ(kestrin::listing::listFiles(search, "*.txt").error(),
              std::make_error_code(std::errc::permission_denied));
}

enum class Kind { Ordinary, Hidden, System, Folder };

struct Entry {
    std::string name;
    Kind kind;
};

void make(const TempFolder& folder, const Entry& entry) {
    if (entry.kind == Kind::Folder) {
        fs::create_directory(folder.path() / fromUtf8(entry.name));
        return;
    }
#ifdef _WIN32
    folder.write(entry.name);
    if (entry.kind != Kind::Ordinary) {
        const std::wstring path = (folder.path() / fromUtf8(entry.name)).wstring();
        const DWORD attribute =
            entry.kind == Kind::Hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_SYSTEM;
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), attribute)) << entry.name;
    }
#else
    folder.write(entry.kind == Kind::Ordinary ? entry.name : "." + entry.name);
#endif
}

Names listed(std::string_view pattern) {
    auto search = kestrin::platform::makeDirectorySearch();
    const auto names = kestrin::listing::listFiles(*search, pattern);
    EXPECT_TRUE(names.ok()) << pattern << ": " << names.error().message();
    return names.ok() ? names.value() : Names{};
}

TEST(SameListing, NtfsOrderFoldsCaseAndBreaksTiesByBytes) {
    Names names = {"b.qb", "B.qb", "a_b.qb", "A.qb", "ab.qb", "a.qb", "_.qb"};
    std::sort(names.begin(), names.end(), kestrin::platform::ntfsOrder);
    // Upper-case folding puts "_" after the letters, as NTFS does.
    EXPECT_EQ(names, (Names{"A.qb", "a.qb", "ab.qb", "a_b.qb", "B.qb", "b.qb", "_.qb"}));
}

TEST(SameListing, OneFolderListsAlikeOnEverySystem) {
    const TempFolder folder;
    for (const Entry& entry : std::vector<Entry>{
             {"level.qb", Kind::Ordinary},
             {"Beta.qb", Kind::Ordinary},
             {"alpha.qb", Kind::Ordinary},
             {"a_b.qb", Kind::Ordinary},
             {"x.y.qb", Kind::Ordinary},
             {"\xC3\xBC"
              "ber.qb",
              Kind::Ordinary},
             {"level.qbx", Kind::Ordinary},
             {"notes.txt", Kind::Ordinary},
             {"a.txtx", Kind::Ordinary},  // its 8.3 name on NTFS, A~1.TXT, ends in ".txt"
             {"\xE6\x97\xA5\xE6\x9C\xAC.txt", Kind::Ordinary},
             // A Decompile keeps the earlier output as NAME~ and writes the new one under a
             // hidden name until the backend has started: neither is a file for the list.
             {"level.txt~", Kind::Ordinary},
             {".kestrin-12-0.part", Kind::Ordinary},
             {"secret.qb", Kind::Hidden},
             {"diary.txt", Kind::Hidden},
             {"boot.qb", Kind::System},
             {"dir.qb", Kind::Folder},
             {"sub.txt", Kind::Folder},
         }) {
        make(folder, entry);
    }
#ifndef _WIN32
    // What only POSIX has: a fifo, symlinks (to a file, to nothing, to a folder), a name that is
    // not UTF-8, and an ending whose case differs (Windows would list "UPPER").
    ASSERT_EQ(mkfifo((folder.path() / "pipe.qb").c_str(), 0644), 0);
    fs::create_symlink(folder.path() / "level.qb", folder.path() / "link.qb");
    fs::create_symlink(folder.path() / "missing", folder.path() / "broken.qb");
    fs::create_directory_symlink(folder.path() / "dir.qb", folder.path() / "dirlink.qb");
    folder.write("bad\xFF.qb");
    folder.write("UPPER.QB");
    const Names qb = {"alpha", "a_b", "Beta", "level", "link", "x.y", "\u00FCber"};
#else
    // A name with a lone surrogate cannot make the round trip through UTF-8; a read-only file
    // still counts.
    const std::wstring bad = (folder.path() / L"bad\xD800.qb").wstring();
    CloseHandle(CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    folder.write("UPPER.QB");
    SetFileAttributesW((folder.path() / "UPPER.QB").c_str(), FILE_ATTRIBUTE_READONLY);
    const Names qb = {"alpha", "a_b", "Beta", "level", "UPPER", "x.y", "\u00FCber"};
#endif
    const WorkingFolder inside(folder.path());
    EXPECT_EQ(listed("*.qb"), qb);
    EXPECT_EQ(listed("*.txt"), (Names{"notes", "\xE6\x97\xA5\xE6\x9C\xAC"}));
#ifdef _WIN32
    // Windows removes no read-only file, and so no folder that holds one.
    SetFileAttributesW((folder.path() / "UPPER.QB").c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
}

TEST(SameListing, AnEmptyFolderListsNothingAndAGoneOneFails) {
    TempFolder holder;
    const fs::path doomed = holder.path() / "doomed";
    fs::create_directory(doomed);
    const WorkingFolder inside(doomed);
    EXPECT_EQ(listed("*.qb"), Names{});
#ifndef _WIN32
    // A deleted working folder still opens, and reads as empty; Windows lets none go in use.
    fs::remove_all(doomed);
    auto search = kestrin::platform::makeDirectorySearch();
    EXPECT_FALSE(kestrin::listing::listFiles(*search, "*.qb").ok());
#endif
}

}  // namespace
