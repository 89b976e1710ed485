// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QWidget>

#include "common/messages.h"

namespace kestrin::window {

// Modal Qt message boxes: the window's title, no icon, one OK button, plain text.
class QtMessages final : public Messages {
public:
    // The window the boxes belong to, once it exists.
    void setParent(QWidget* parent) { m_parent = parent; }

    void inform(const std::string& text) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace kestrin::window
