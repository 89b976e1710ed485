// SPDX-License-Identifier: MIT
#include "window/system_window.h"

#include "window/control_table.h"
#include "window/text_edge.h"

namespace kestrin::window {

SystemWindow::SystemWindow()
    : m_search(platform::makeDirectorySearch()),
      m_launcher(platform::makeLauncher()),
      m_messages(toQString(kWindowTitle)),
      m_window({*m_search, *m_launcher, m_messages, m_watch}) {
    m_messages.setParent(&m_window);
}

}  // namespace kestrin::window
