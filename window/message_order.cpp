// SPDX-License-Identifier: MIT
#include "window/message_order.h"

#include <utility>

namespace kestrin::window {

void MessageOrder::inform(const std::string& text) {
    ++m_open;
    m_shown.inform(text);  // a modal box: the event loop runs, and backends may end, meanwhile
    --m_open;
    if (m_open == 0 && !m_waiting.empty()) {
        showReportsLater();
    }
}

void MessageOrder::report(backend::BackendFailure failed) {
    m_waiting.push_back(std::move(failed));
    showReportsLater();
}

// Later, from the event loop: the handler that closed a message finishes first, and failures
// learnt in the same turn of the loop join this one.
void MessageOrder::showReportsLater() {
    if (!m_showing) {
        m_showing = true;
        QMetaObject::invokeMethod(this, &MessageOrder::showReports, Qt::QueuedConnection);
    }
}

void MessageOrder::showReports() {
    m_showing = false;
    if (m_open > 0 || m_waiting.empty()) {
        return;  // the open message's end brings them back
    }
    const std::vector<backend::BackendFailure> failed = std::exchange(m_waiting, {});
    inform(backend::failureReport(failed));
}

}  // namespace kestrin::window
