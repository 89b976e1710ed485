#include "window/system_window.h"

#include "window/control_table.h"

namespace kestrin::window {

SystemWindow::SystemWindow()
    : m_search(platform::makeDirectorySearch()),
      m_launcher(platform::makeLauncher()),
      m_messages(QString::fromUtf8(kWindowTitle.data(), kWindowTitle.size())),
      m_window({*m_search, *m_launcher, m_messages}) {
    m_messages.setParent(&m_window);
}

}  // namespace kestrin::window
