// The directory search and the listing on every system.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "listing/list_files.h"
#include "platform/directory_search.h"
#include "search_all.h"
#include "temp_folder.h"

namespace {

using kestrin::testing::searchAll;
using kestrin::testing::TempFolder;

TEST(DirectorySearch, UnreadableFoldersFail) {
    TempFolder folder;
    folder.write("plain.qb");
    const std::string root = folder.path().string();
    EXPECT_EQ(searchAll(root + "/missing/*.qb"), std::nullopt) << "missing folder";
    EXPECT_EQ(searchAll(root + "/plain.qb/*.qb"), std::nullopt) << "a file given as folder";
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
    // The system's own separator: "/" here, "\\" on Windows.
    const std::string sep(1, kestrin::listing::kPathSeparator);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {".", "." + sep + "*.qb"},
        {"." + sep, "." + sep + "*.qb"},
        {"/data/games", "/data/games" + sep + "*.qb"},
        {"", sep + "*.qb"}};
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
