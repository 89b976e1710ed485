// SPDX-License-Identifier: MIT
#include "window/process_watch.h"

#include <QPointer>
#include <vector>

#include "backend/texts.h"

#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

namespace kestrin::window {
namespace {

#ifdef Q_OS_WIN
using Notifier = QWinEventNotifier;
#else
using Notifier = QSocketNotifier;
#endif

constexpr int kPollMilliseconds = 500;

// A notifier may be let go from its own signal: it is switched off at once and deleted later.
struct RetireNotifier {
    void operator()(Notifier* notifier) const {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
};

}  // namespace

struct SystemProcessWatch::Watched {
    platform::Process process;
    platform::StderrCapture capture;
    QPointer<QObject> context;
    OnEnd onEnd;
    std::unique_ptr<Notifier, RetireNotifier> notifier;
};

SystemProcessWatch::SystemProcessWatch() {
    m_poll.setInterval(kPollMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &SystemProcessWatch::checkUnwaitable);
}

SystemProcessWatch::~SystemProcessWatch() {
    // Those that have ended are collected; the others are left to run. No notifier is signalling
    // now, so each goes at once.
    for (auto& [id, watched] : m_watched) {
        (void)watched.process.ended();
        delete watched.notifier.release();
    }
}

void SystemProcessWatch::watch(platform::Process process, platform::StderrCapture capture,
                               QObject* context, OnEnd onEnd) {
    const std::uint64_t id = m_nextId++;
    Watched& watched = m_watched[id];
    watched.process = std::move(process);
    watched.capture = std::move(capture);
    watched.context = context;
    watched.onEnd = std::move(onEnd);
    const std::intptr_t waitable = watched.process.waitable();
    if (waitable == -1) {
        m_poll.start();
        return;
    }
#ifdef Q_OS_WIN
    watched.notifier.reset(new Notifier(reinterpret_cast<Qt::HANDLE>(waitable)));
    connect(watched.notifier.get(), &QWinEventNotifier::activated, this, [this, id] { check(id); });
#else
    watched.notifier.reset(new Notifier(static_cast<qintptr>(waitable), QSocketNotifier::Read));
    connect(watched.notifier.get(), &QSocketNotifier::activated, this, [this, id] { check(id); });
#endif
}

void SystemProcessWatch::check(std::uint64_t id) {
    const auto found = m_watched.find(id);
    if (found == m_watched.end()) {
        return;
    }
    Watched& watched = found->second;
    const std::optional<platform::ExitStatus> status = watched.process.ended();
    if (!status) {
        return;
    }
    Ended ended{*status, watched.capture.tail(backend::kStderrBytes)};
    const QPointer<QObject> context = watched.context;
    const OnEnd onEnd = std::move(watched.onEnd);
    m_watched.erase(found);
    if (context) {
        onEnd(std::move(ended));
    }
}

void SystemProcessWatch::checkUnwaitable() {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, watched] : m_watched) {
        if (!watched.notifier) {
            ids.push_back(id);
        }
    }
    for (const std::uint64_t id : ids) {
        check(id);
    }
    if (ids.empty()) {
        m_poll.stop();
    }
}

}  // namespace kestrin::window
