// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "backend/texts.h"
#include "common/messages.h"

namespace kestrin::window {

// Every message of the window goes through here, so that a failure's report never opens over
// another message: it waits until that one is dismissed, then those waiting come in one message.
class MessageOrder final : public QObject, public Messages {
public:
    MessageOrder(Messages& shown, QObject* parent) : QObject(parent), m_shown(shown) {}

    void inform(const std::string& text) override;

    void report(backend::BackendFailure failed);

private:
    void showReportsLater();
    void showReports();

    Messages& m_shown;
    int m_open = 0;  // messages open now: inform() returns only once its message is dismissed
    bool m_showing = false;
    std::vector<backend::BackendFailure> m_waiting;
};

}  // namespace kestrin::window
