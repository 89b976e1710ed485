// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "common/messages.h"

namespace kestrin::window {

// Information messages as modal Qt message boxes: no icon, one OK button, plain text.
class QtMessages final : public Messages {
public:
    explicit QtMessages(QString title) : m_title(std::move(title)) {}

    // The window the boxes belong to, once it exists.
    void setParent(QWidget* parent) { m_parent = parent; }

    void inform(const std::string& text) override;

private:
    QString m_title;
    QPointer<QWidget> m_parent;
};

}  // namespace kestrin::window
