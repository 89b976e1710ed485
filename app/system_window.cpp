// SPDX-License-Identifier: MIT
#include "app/system_window.h"

#include "window/control_table.h"
#include "window/text_edge.h"

namespace kestrin::app {

SystemWindow::SystemWindow()
    : m_search(platform::makeDirectorySearch()),
      m_messages(window::toQString(window::kWindowTitle)),
      m_window({*m_search, m_launcher, m_messages, m_watch}) {
    m_messages.setParent(&m_window);
}

}  // namespace kestrin::app
