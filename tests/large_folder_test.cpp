// SPDX-License-Identifier: MIT
// A folder of 300,000 files listed through the real window: the listing completes, whole and in
// order, and the window keeps working. How long it takes is the benchmarks' business.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fake_watch.h"
#include "platform/directory_search.h"
#include "temp_folder.h"
#include "window/main_window.h"

namespace {

constexpr int kFiles = 300'000;

// Every tenth file is a .txt, so the pattern has something to leave out.
std::string nameOf(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "level%06d.%s", i, i % 10 == 9 ? "txt" : "qb");
    return name;
}

// Memory-backed when the system has it: 300,000 files on a journaled disk take half a minute to
// make, in memory a few seconds, and the listing is what is under test, not the disk.
std::filesystem::path placeForManyFiles() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path();
}

TEST(LargeFolder, ThreeHundredThousandFilesListThroughTheWindow) {
    const kestrin::testing::TempFolder folder(placeForManyFiles());
    const kestrin::testing::WorkingFolder inside(folder.path());
    const int dir = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dir, 0);

    // openat and close only: no stream objects, no path building per file.
    for (int i = 0; i < kFiles; ++i) {
        const int fd =
            openat(dir, nameOf(i).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << nameOf(i);
        close(fd);
    }
    constexpr int kQbFiles = kFiles - kFiles / 10;

    const auto search = kestrin::platform::makeDirectorySearch();
    kestrin::testing::RecordingLauncher launcher;
    kestrin::testing::RecordingMessages messages;
    kestrin::testing::FakeProcessWatch watch;
    kestrin::window::MainWindow window({*search, launcher, messages, watch});
    window.show();
    // Refresh lists the folder again through FillFileList, and the list is painted.
    QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    QApplication::processEvents();

    auto* list = window.findChild<QListView*>("List1");
    const auto* model = list->model();
    ASSERT_EQ(model->rowCount(), kQbFiles);
    EXPECT_EQ(model->index(0, 0).data().toString(), "level000000");
    EXPECT_EQ(model->index(kQbFiles - 1, 0).data().toString(), "level299998");
    EXPECT_TRUE(messages.shown.empty());

    // Still a working window: a keyboard pick of the last entry fills the Decompile boxes.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(window.findChild<QLineEdit*>("Text1")->text(), "level299998");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_EQ(launcher.launched.size(), 1u);

    for (int i = 0; i < kFiles; ++i) {
        unlinkat(dir, nameOf(i).c_str(), 0);
    }
    close(dir);
}

}  // namespace
