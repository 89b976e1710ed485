// SPDX-License-Identifier: MIT
// The directory search and the listing on every system.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "listing/list_files.h"
#include "platform/directory_search.h"
#include "recorders.h"
#include "search_all.h"
#include "temp_folder.h"

namespace {

using kestrin::testing::FakeFolder;
using kestrin::testing::searchAll;
using kestrin::testing::TempFolder;
using Names = std::vector<std::string>;

// The system's own separator.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

TEST(DirectorySearch, UnreadableFoldersFail) {
    TempFolder folder;
    folder.write("plain.qb");
    const std::string root = folder.path().string();
    EXPECT_EQ(searchAll(root + "/missing", "*.qb"), std::nullopt) << "missing folder";
    EXPECT_EQ(searchAll(root + "/plain.qb", "*.qb"), std::nullopt) << "a file given as folder";
}

// The search puts a separator between folder and pattern only where the folder has none; an
// empty folder is the working folder.
TEST(DirectorySearch, AFolderReadsAlikeWithOrWithoutItsSeparator) {
    const TempFolder folder;
    folder.write("here.qb");
    const kestrin::testing::WorkingFolder inside(folder.path());
    const std::string root = kestrin::testing::toUtf8(folder.path());
    for (const std::string& given : {root, root + kSeparator, std::string(), std::string("."),
                                     std::string(".") + kSeparator}) {
        SCOPED_TRACE("folder \"" + given + "\"");
        EXPECT_EQ(searchAll(given, "*.qb"), Names{"here.qb"});
    }
}

// A Decompile keeps the earlier output as NAME~ and writes the new one under a hidden name until
// the backend has started: neither is a file for the list.
TEST(DirectorySearch, KeptCopiesAndUnfinishedOutputsAreNotListed) {
    const TempFolder folder;
    for (const char* name : {"level.txt", "level.txt~", "level.qb", ".kestrin-12-0.part"}) {
        folder.write(name);
    }
    const std::string root = kestrin::testing::toUtf8(folder.path());
    EXPECT_EQ(searchAll(root, "*.txt"), Names{"level.txt"});
    EXPECT_EQ(searchAll(root, "*.qb"), Names{"level.qb"});
}

TEST(ListFiles, KeepsTheSearchOrderAndCutsEndings) {
    FakeFolder search;
    search.names["*.qb"] = {"z.qb", "a.qb", ".qb", "archive.backup"};
    const auto listed = kestrin::listing::listFiles(search, "/data/games", "*.qb");
    ASSERT_TRUE(listed.ok()) << listed.message();
    EXPECT_EQ(listed.value(), (Names{"z", "a", "", "archive.backup"}));
    // The folder goes to the search as it is: adding a separator is the search's own business.
    using Asked = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(search.asked, (Asked{{"/data/games", "*.qb"}}));
}

TEST(ListFiles, PassesOnAFailedSearch) {
    FakeFolder search;
    search.names["*.qb"] = {"level.qb"};
    search.readable = false;
    const auto listed = kestrin::listing::listFiles(search, ".", "*.qb");
    EXPECT_FALSE(listed.ok());
    EXPECT_EQ(listed.message(), "unreadable");
}

}  // namespace
