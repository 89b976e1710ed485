// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "platform/directory_search.h"
#include "platform/launcher.h"
#include "window/main_window.h"
#include "window/process_watch.h"
#include "window/qt_messages.h"

namespace kestrin::window {

// The window wired to the real operating system, as the program runs it. The QApplication must
// exist, with applyAppearance() done, before one is made.
class SystemWindow {
public:
    SystemWindow();

    MainWindow& window() { return m_window; }

private:
    std::unique_ptr<platform::DirectorySearch> m_search;
    std::unique_ptr<platform::Launcher> m_launcher;
    QtMessages m_messages;
    // Outlives the window: what still runs when the window goes is left to run, unreported.
    SystemProcessWatch m_watch;
    MainWindow m_window;
};

}  // namespace kestrin::window
