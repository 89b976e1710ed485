// SPDX-License-Identifier: MIT
#pragma once
// The real window over a real folder: the system's directory search and launcher, the stand-in
// backend in the working folder as "mervo.exe", and recorded messages.

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "backend/launch.h"
#include "fake_watch.h"
#include "platform/directory_search.h"
#include "stand_in.h"
#include "window/main_window.h"
#include "window/qt_text.h"

namespace kestrin::testing {

// The real launcher, with a note of the line of every command it started.
class CountingLauncher final : public backend::Launcher {
public:
    Result<backend::LaunchedBackend> launch(const backend::Command& command,
                                            const backend::RunningBackends& running) override {
        Result<backend::LaunchedBackend> started = m_real.launch(command, running);
        if (started) {
            lines.push_back(command.text());
        }
        return started;
    }
    std::vector<std::string> lines;

private:
    backend::SystemLauncher m_real;
};

class RealWindow : public StandInFolder {
public:
    // The window starts by listing the working folder, so files go in place before this.
    void open() {
        m_window = std::make_unique<window::MainWindow>(
            window::Dependencies{*m_search, m_launcher, m_messages, m_watch});
    }
    void close() { m_window.reset(); }
    window::MainWindow& window() const { return *m_window; }

    void type(const char* box, const std::string& value) const {
        m_window->findChild<QLineEdit*>(box)->setText(window::toQString(value));
    }
    void typeGame(const std::string& value) const {
        m_window->findChild<QComboBox*>("Combo1")->setEditText(window::toQString(value));
    }
    std::string text(const char* box) const {
        return window::toUtf8(m_window->findChild<QLineEdit*>(box)->text());
    }
    std::string game() const {
        return window::toUtf8(m_window->findChild<QComboBox*>("Combo1")->currentText());
    }
    void press(const char* button) const {
        QTest::mouseClick(m_window->findChild<QPushButton*>(button), Qt::LeftButton);
    }

    // Lets the event loop run until the watch has collected every backend started; false at the
    // deadline.
    bool waitUntilAllEnded() {
        return eventually([this] {
            QCoreApplication::processEvents();
            return m_watch.watching() == 0;
        });
    }

    // The list's entries as shown, or with role window::kExactNameRole as a pick copies them.
    std::vector<std::string> entries(int role = Qt::DisplayRole) const {
        return listEntries(*m_window, role);
    }

    std::unique_ptr<platform::DirectorySearch> m_search = platform::makeDirectorySearch();
    CountingLauncher m_launcher;
    RecordingMessages m_messages;
    window::SystemProcessWatch m_watch;
    std::unique_ptr<window::MainWindow> m_window;
};

// Presses Decompile for level.qb into output, with "kept" in the Compile box and no message shown
// yet: the Compile box shows whether it went through.
inline void decompileInto(RealWindow& w, const std::string& output) {
    w.type("Text1", "level");
    w.type("Text2", output);
    w.type("Text3", "kept");
    w.m_messages.shown.clear();
    w.press("Command1");
}

}  // namespace kestrin::testing
