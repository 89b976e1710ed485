#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "listing/list_files.h"
#include "platform/directory_search.h"
#include "temp_folder.h"

namespace {

using kestrin::testing::TempFolder;
namespace fs = std::filesystem;

std::optional<std::vector<std::string>> searchAll(const std::string& pathAndPattern) {
    auto search = kestrin::platform::makeDirectorySearch();
    auto name = search->first(pathAndPattern);
    if (!name) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (; !name->empty(); name = search->next()) {
        names.push_back(*name);
    }
    return names;
}

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
    std::string in(const std::string& pattern) const {
        return m_folder.path().string() + "/" + pattern;
    }
    TempFolder m_folder;
};

TEST_F(AwkwardFolder, ListsOrdinaryMatchingFilesInCaseInsensitiveOrder) {
    const std::vector<std::string> expected = {"alpha.qb", "a_b.qb",  "Beta.qb",
                                               "level.qb", "link.qb", "x.y.qb"};
    EXPECT_EQ(searchAll(in("*.qb")), expected);
    EXPECT_EQ(searchAll(in("*.txt")), std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(searchAll(in("*.QB")), std::vector<std::string>{"UPPER.QB"});
}

TEST_F(AwkwardFolder, NoMatchIsAnEmptyListNotAFailure) {
    EXPECT_EQ(searchAll(in("*.none")), std::vector<std::string>{});
}

TEST(DirectorySearch, UnreadableFoldersFail) {
    TempFolder folder;
    folder.write("plain.qb");
    const std::string root = folder.path().string();
    EXPECT_EQ(searchAll(root + "/missing/*.qb"), std::nullopt) << "missing folder";
    EXPECT_EQ(searchAll(root + "/plain.qb/*.qb"), std::nullopt) << "a file given as folder";
}

TEST(DirectorySearch, DeletedWorkingFolderFails) {
    TempFolder holder;
    const fs::path doomed = holder.path() / "doomed";
    fs::create_directory(doomed);
    std::ofstream(doomed / "level.qb") << "x";
    const kestrin::testing::WorkingFolder inside(doomed);
    fs::remove_all(doomed);
    EXPECT_EQ(searchAll("./*.qb"), std::nullopt);
}

// Records what listFiles asks for and answers with a fixed run of names.
class ScriptedSearch final : public kestrin::platform::DirectorySearch {
public:
    explicit ScriptedSearch(std::optional<std::vector<std::string>> names)
        : m_names(std::move(names)) {}
    std::optional<std::string> first(const std::string& pathAndPattern) override {
        asked.push_back(pathAndPattern);
        if (!m_names) {
            return std::nullopt;
        }
        m_at = 0;
        return next();
    }
    std::string next() override { return m_at < m_names->size() ? (*m_names)[m_at++] : ""; }
    std::vector<std::string> asked;

private:
    std::optional<std::vector<std::string>> m_names;
    std::size_t m_at = 0;
};

TEST(ListFiles, AddsTheSeparatorOnlyWhenMissing) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {".", "./*.qb"}, {"./", "./*.qb"}, {"/data/games", "/data/games/*.qb"}, {"", "/*.qb"}};
    for (const auto& [folder, expected] : cases) {
        ScriptedSearch search(std::vector<std::string>{});
        kestrin::listing::listFiles(search, folder, "*.qb");
        EXPECT_EQ(search.asked, std::vector<std::string>{expected}) << folder;
    }
}

TEST(ListFiles, KeepsTheSearchOrderAndCutsEndings) {
    ScriptedSearch search(std::vector<std::string>{"z.qb", "a.qb", ".qb", "archive.backup"});
    const auto listing = kestrin::listing::listFiles(search, ".", "*.qb");
    EXPECT_TRUE(listing.readable);
    EXPECT_EQ(listing.baseNames, (std::vector<std::string>{"z", "a", "", "archive.backup"}));
}

TEST(ListFiles, ReportsAFailedFirstCall) {
    ScriptedSearch search(std::nullopt);
    EXPECT_EQ(kestrin::listing::listFiles(search, ".", "*.qb"),
              (kestrin::listing::Listing{.readable = false, .baseNames = {}}));
}

}  // namespace
