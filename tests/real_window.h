#pragma once
// The real window over a real folder: the system's directory search and launcher, the stand-in
// backend copied in as "mervo.exe", and recorded messages. The folder is the working folder and
// PATH leads to an empty folder of its own, so nothing but the stand-in can ever start.

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/directory_search.h"
#include "platform/launcher.h"
#include "recorders.h"
#include "stand_in.h"
#include "temp_folder.h"
#include "window/main_window.h"

namespace kestrin::testing {

// The real launcher, with a note of every line it was asked to start.
class CountingLauncher final : public platform::Launcher {
public:
    platform::Result<> launch(const std::string& commandLine) override {
        lines.push_back(commandLine);
        return m_real->launch(commandLine);
    }
    std::vector<std::string> lines;

private:
    std::unique_ptr<platform::Launcher> m_real = platform::makeLauncher();
};

inline QString toQ(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class RealWindow {
public:
    RealWindow()
        : m_inside(m_work.path()),
          m_log(m_logs.path() / "log"),
          m_path("PATH", m_pathFolder.path().string()) {
        installStandIn(m_work.path(), "mervo.exe");
    }

    // The window starts by listing the working folder, so files go in place before this.
    void open() {
        m_window =
            std::make_unique<window::MainWindow>(window::Seams{*m_search, m_launcher, m_messages});
    }
    void close() { m_window.reset(); }
    window::MainWindow& window() const { return *m_window; }

    void type(const char* box, const std::string& value) const {
        m_window->findChild<QLineEdit*>(box)->setText(toQ(value));
    }
    void typeGame(const std::string& value) const {
        m_window->findChild<QComboBox*>("Combo1")->setEditText(toQ(value));
    }
    std::string text(const char* box) const {
        return m_window->findChild<QLineEdit*>(box)->text().toStdString();
    }
    std::string game() const {
        return m_window->findChild<QComboBox*>("Combo1")->currentText().toStdString();
    }
    void press(const char* button) const {
        QTest::mouseClick(m_window->findChild<QPushButton*>(button), Qt::LeftButton);
    }

    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        const auto* model = m_window->findChild<QListView*>("List1")->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            names.push_back(model->index(row, 0).data().toString().toStdString());
        }
        return names;
    }

    // Every entry of the working folder, hidden ones too.
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_work.path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempFolder m_work;
    WorkingFolder m_inside;
    TempFolder m_logs;
    TempFolder m_pathFolder;
    StandInLog m_log;
    ScopedEnvironment m_path;
    std::unique_ptr<platform::DirectorySearch> m_search = platform::makeDirectorySearch();
    CountingLauncher m_launcher;
    RecordingMessages m_messages;
    std::unique_ptr<window::MainWindow> m_window;
};

}  // namespace kestrin::testing
