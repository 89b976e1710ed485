// SPDX-License-Identifier: MIT
// One folder, made alike on every system, must list alike: the same names in the same order.
// Hidden and system files are dotfiles on Linux and carry those attributes on Windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "listing/list_files.h"
#include "platform/directory_search.h"
#include "temp_folder.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#endif

namespace {

namespace fs = std::filesystem;
using kestrin::testing::fromUtf8;
using kestrin::testing::TempFolder;

enum class Kind { Ordinary, Hidden, System, Folder };

struct Entry {
    std::string name;
    Kind kind;
};

struct ListingCase {
    std::string pattern;
    std::vector<std::string> expected;  // base names
};

// Every ending is lower case, so that both systems' matching rules agree on them.
const std::vector<Entry> kLowerCaseFolder = {
    {"level.qb", Kind::Ordinary},
    {"Beta.qb", Kind::Ordinary},
    {"alpha.qb", Kind::Ordinary},
    {"a_b.qb", Kind::Ordinary},
    {"x.y.qb", Kind::Ordinary},
    {"Zed.qb", Kind::Ordinary},
    {"\xC3\xBC"
     "ber.qb",
     Kind::Ordinary},
    {"level.qbx", Kind::Ordinary},
    {"notes.txt", Kind::Ordinary},
    {"a.txtx", Kind::Ordinary},  // its 8.3 name on NTFS, A~1.TXT, matches "*.txt"
    {"\xE6\x97\xA5\xE6\x9C\xAC.txt", Kind::Ordinary},
    {"archive.backup", Kind::Ordinary},
    {"secret.qb", Kind::Hidden},
    {"diary.txt", Kind::Hidden},
    {"boot.qb", Kind::System},
    {"dir.qb", Kind::Folder},
    {"sub.txt", Kind::Folder},
};

const std::vector<ListingCase> kLowerCaseListings = {
    {"*.qb", {"alpha", "a_b", "Beta", "level", "x.y", "Zed", "\u00FCber"}},
    {"*.txt", {"notes", "\xE6\x97\xA5\xE6\x9C\xAC"}},
    {"*.qbx", {"level"}},
    {"*.backup", {"archive.backup"}},
    {"*.none", {}},
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
        ASSERT_EQ(GetFileAttributesW(path.c_str()) & attribute, attribute)
            << entry.name << ": the attribute did not stick";
    }
#else
    folder.write(entry.kind == Kind::Ordinary ? entry.name : "." + entry.name);
#endif
}

std::vector<std::string> list(const TempFolder& folder, const std::string& pattern) {
    auto search = kestrin::platform::makeDirectorySearch();
    const auto listed =
        kestrin::listing::listFiles(*search, kestrin::testing::toUtf8(folder.path()), pattern);
    EXPECT_TRUE(listed.ok()) << pattern << ": " << listed.message();
    return listed.ok() ? listed.value() : std::vector<std::string>{};
}

TEST(SameListing, LowerCaseEndingsListAlikeOnEverySystem) {
    const TempFolder folder;
    for (const auto& entry : kLowerCaseFolder) {
        make(folder, entry);
    }
    for (const auto& c : kLowerCaseListings) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(list(folder, c.pattern), c.expected);
    }
}

TEST(SameListing, UpperCaseEndingsAreListedOnWindowsOnly) {
    const TempFolder folder;
    for (const auto& entry : kLowerCaseFolder) {
        make(folder, entry);
    }
    for (const char* name : {"UPPER.QB", "mixed.Qb", "LOUD.TXT"}) {
        folder.write(name);
    }
#ifdef _WIN32
    // Windows file systems ignore case, so "UPPER" still finds UPPER.QB as "UPPER.qb".
    const std::vector<ListingCase> cases = {
        {"*.qb",
         {"alpha", "a_b", "Beta", "level", "mixed", "UPPER", "x.y", "Zed",
          "\xC3\xBC"
          "ber"}},
        {"*.txt", {"LOUD", "notes", "\xE6\x97\xA5\xE6\x9C\xAC"}},
    };
#else
    const std::vector<ListingCase> cases(kLowerCaseListings.begin(),
                                         kLowerCaseListings.begin() + 2);
#endif
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(list(folder, c.pattern), c.expected);
    }
}

}  // namespace
