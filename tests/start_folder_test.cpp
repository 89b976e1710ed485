// SPDX-License-Identifier: MIT
// `kestrin FOLDER` through the program's own start-up: the folder becomes the working folder
// before the window is made, so the window the program makes lists that folder.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QListView>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/start.h"
#include "app/system_window.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using kestrin::testing::TempFolder;
using kestrin::testing::WorkingFolder;

std::vector<std::string> listed(const kestrin::window::MainWindow& window) {
    std::vector<std::string> names;
    const auto* model = window.findChild<QListView*>("List1")->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        names.push_back(model->index(row, 0).data().toString().toStdString());
    }
    return names;
}

TEST(StartFolder, TheWindowListsTheFolderGiven) {
    // Started in a folder of its own, as from a desktop menu, with a file that must not show.
    TempFolder home;
    home.write("home.qb");
    const fs::path scripts = home.path() / "my scripts";
    fs::create_directory(scripts);
    for (const char* name : {"level.qb", "intro.qb", "notes.txt"}) {
        std::ofstream(scripts / name) << "x";
    }
    struct Row {
        const char* how;
        std::string argument;
    };
    for (const Row& row : {Row{"absolute", scripts.string()}, Row{"relative", "my scripts"}}) {
        SCOPED_TRACE(row.how);
        WorkingFolder startedIn(home.path());
        const auto arguments = kestrin::app::readArguments(
            {"kestrin", QString::fromStdString(row.argument)}, kestrin::app::Stage::AfterQt);
        const auto ending = kestrin::app::prepare(arguments);
        ASSERT_FALSE(ending.has_value()) << ending->text.toStdString();
        EXPECT_TRUE(fs::equivalent(fs::current_path(), scripts));

        kestrin::app::SystemWindow program;
        EXPECT_EQ(listed(program.window()), (std::vector<std::string>{"intro", "level"}));
    }
}

}  // namespace
