// SPDX-License-Identifier: MIT
// The directory search on POSIX systems: entries that only exist there, such as fifos,
// symlinks, names that are not UTF-8 and a working folder deleted while in use.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "search_all.h"
#include "temp_folder.h"

namespace {

using kestrin::testing::searchAll;
using kestrin::testing::TempFolder;
namespace fs = std::filesystem;

// A folder with every awkward kind of entry next to the ordinary ones.
class AwkwardFolder : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"level.qb", "Beta.qb", "alpha.qb", "a_b.qb", "notes.txt",
                                 "UPPER.QB", "mixed.Qb", "level.qbx", "x.y.qb", ".hidden.qb"}) {
            m_folder.write(name);
        }
        fs::create_directory(m_folder.path() / "dir.qb");
        ASSERT_EQ(mkfifo((m_folder.path() / "pipe.qb").c_str(), 0644), 0);
        fs::create_symlink(m_folder.path() / "level.qb", m_folder.path() / "link.qb");
        fs::create_symlink(m_folder.path() / "missing", m_folder.path() / "broken.qb");
        fs::create_directory_symlink(m_folder.path() / "dir.qb", m_folder.path() / "dirlink.qb");
        m_folder.write("bad\xFF.qb");
    }
    std::string root() const { return m_folder.path().string(); }
    TempFolder m_folder;
};

TEST_F(AwkwardFolder, ListsOrdinaryMatchingFilesInCaseInsensitiveOrder) {
    const std::vector<std::string> expected = {"alpha.qb", "a_b.qb",  "Beta.qb",
                                               "level.qb", "link.qb", "x.y.qb"};
    EXPECT_EQ(searchAll(root(), "*.qb"), expected);
    EXPECT_EQ(searchAll(root(), "*.txt"), std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(searchAll(root(), "*.QB"), std::vector<std::string>{"UPPER.QB"});
}

TEST_F(AwkwardFolder, NoMatchIsAnEmptyListNotAFailure) {
    EXPECT_EQ(searchAll(root(), "*.none"), std::vector<std::string>{});
}

TEST(DirectorySearch, DeletedWorkingFolderFails) {
    TempFolder holder;
    const fs::path doomed = holder.path() / "doomed";
    fs::create_directory(doomed);
    std::ofstream(doomed / "level.qb") << "x";
    const kestrin::testing::WorkingFolder inside(doomed);
    fs::remove_all(doomed);
    EXPECT_EQ(searchAll(".", "*.qb"), std::nullopt);
}

}  // namespace
