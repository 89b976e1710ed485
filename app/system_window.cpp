// SPDX-License-Identifier: MIT
#include "app/system_window.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include "platform/own_process.h"

namespace kestrin::app {

SystemWindow::SystemWindow()
    : m_search(platform::makeDirectorySearch()),
      m_window({*m_search, m_launcher, m_messages, m_watch}) {
    m_messages.setParent(&m_window);
    if (const int requests = platform::terminationRequests(); requests >= 0) {
        auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, &m_window);
        QObject::connect(notifier, &QSocketNotifier::activated, &QCoreApplication::quit);
    }
}

}  // namespace kestrin::app
