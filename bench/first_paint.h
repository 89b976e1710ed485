// SPDX-License-Identifier: MIT
#pragma once
// Ends a start-up measurement at the window's first complete paint.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace kestrin::bench {

// Watches the top-level window. Its Paint event opens the pass that paints every child and
// flushes the result, so the quit is queued behind that pass; a zero-time timer would fire
// before the first paint.
class QuitAfterFirstPaint final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_painted = false;
};

}  // namespace kestrin::bench
