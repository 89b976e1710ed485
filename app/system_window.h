// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QSocketNotifier>
#include <memory>

#include "backend/launch.h"
#include "platform/directory_search.h"
#include "platform/own_process.h"
#include "window/main_window.h"
#include "window/process_watch.h"
#include "window/qt_messages.h"

namespace kestrin::app {

// The window wired to the real operating system, as the program runs it. The QApplication must
// exist, with applyAppearance() done, before one is made. SIGTERM, SIGHUP and SIGINT end the
// event loop the usual way, so that what is still running is handed over as on closing.
class SystemWindow {
public:
    SystemWindow() {
        m_messages.setParent(&m_window);
        if (const int requests = platform::terminationRequests(); requests >= 0) {
            auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, &m_window);
            QObject::connect(notifier, &QSocketNotifier::activated, &QCoreApplication::quit);
        }
    }

    window::MainWindow& window() { return m_window; }

private:
    std::unique_ptr<platform::DirectorySearch> m_search = platform::makeDirectorySearch();
    backend::SystemLauncher m_launcher;
    window::QtMessages m_messages;
    // Outlives the window: what still runs when the window goes is left to run, unreported.
    window::SystemProcessWatch m_watch;
    window::MainWindow m_window{{*m_search, m_launcher, m_messages, m_watch}};
};

}  // namespace kestrin::app
