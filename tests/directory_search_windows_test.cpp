// SPDX-License-Identifier: MIT
// The directory search on Windows: attributes, case and the separators that only exist there.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "search_all.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using kestrin::testing::searchAll;
using kestrin::testing::TempFolder;
using kestrin::testing::toUtf8;
using Names = std::vector<std::string>;

void addAttributes(const fs::path& path, DWORD attributes) {
    const DWORD now = GetFileAttributesW(path.c_str());
    ASSERT_NE(now, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), now | attributes));
}

struct SearchCase {
    const char* why;
    std::string folder;
    std::string pattern;
    std::optional<Names> expected;
};

TEST(WindowsDirectorySearch, FiltersByAttributeAndMatchesWithoutCase) {
    const TempFolder folder;
    for (const char* name : {"level.qb", "Beta.QB", "locked.qb", "both.qb", "plain.txt"}) {
        folder.write(name);
    }
    addAttributes(folder.path() / "locked.qb", FILE_ATTRIBUTE_READONLY);
    addAttributes(folder.path() / "both.qb", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    fs::create_directory(folder.path() / "hidden dir.qb");
    addAttributes(folder.path() / "hidden dir.qb", FILE_ATTRIBUTE_HIDDEN);
    const std::string root = toUtf8(folder.path());
    const Names qb = {"Beta.QB", "level.qb", "locked.qb"};
    const std::vector<SearchCase> cases = {
        {"read-only counts, hidden and system do not", root, "*.qb", qb},
        {"the pattern's case does not matter", root, "*.Qb", qb},
        {"forward slash", root + "/", "*.qb", qb},
        {"separators doubled", root + "\\\\", "*.qb", qb},
        {"one character", root, "?????.qb", Names{"level.qb"}},
        {"every ordinary file", root, "*", Names{"Beta.QB", "level.qb", "locked.qb", "plain.txt"}},
        {"no match", root, "*.none", Names{}},
        {"missing folder", root + "\\missing", "*.qb", std::nullopt},
        {"a file as the folder", root + "\\plain.txt", "*.qb", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(searchAll(c.folder, c.pattern), c.expected);
    }
    // Windows removes no read-only file, and so no folder that holds one.
    SetFileAttributesW((folder.path() / "locked.qb").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsDirectorySearch, NamesThatAreNotUtf16AreLeftOut) {
    const TempFolder folder;
    folder.write("good.qb");
    // A lone surrogate cannot be turned into UTF-8 and back into the same name.
    const std::wstring bad = (folder.path() / L"bad\xD800.qb").wstring();
    const HANDLE file = CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        GTEST_SKIP() << "this file system takes no name with a lone surrogate (error "
                     << GetLastError() << ")";
    }
    CloseHandle(file);
    EXPECT_EQ(searchAll(toUtf8(folder.path()), "*.qb"), Names{"good.qb"});
}

TEST(WindowsDirectorySearch, AnEmptyFolderIsAnEmptyList) {
    const TempFolder folder;
    EXPECT_EQ(searchAll(toUtf8(folder.path()), "*.qb"), Names{});
}

}  // namespace
