// SPDX-License-Identifier: MIT
#include "window/process_watch.h"

#include <QPointer>
#include <cstdlib>
#include <vector>

#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

namespace kestrin::window {
namespace {

#ifdef Q_OS_WIN
using Notifier = QWinEventNotifier;
Notifier* notifierFor(std::intptr_t waitable) {
    return new Notifier(reinterpret_cast<Qt::HANDLE>(waitable));
}
#else
using Notifier = QSocketNotifier;
Notifier* notifierFor(std::intptr_t waitable) {
    return new Notifier(static_cast<qintptr>(waitable), QSocketNotifier::Read);
}
#endif

constexpr int kPollMilliseconds = 500;

// A notifier may be let go from its own signal: it is switched off at once and deleted later.
struct RetireNotifier {
    void operator()(Notifier* notifier) const {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
};
using NotifierPointer = std::unique_ptr<Notifier, RetireNotifier>;

// The watch of the running program: when it ends without the usual way out (the display gone,
// say), the captures are still handed over.
SystemProcessWatch* g_watch = nullptr;

}  // namespace

struct SystemProcessWatch::Watched {
    platform::Process process;
    platform::StderrCapture capture;
    QPointer<QObject> context;
    OnEnd onEnd;
    bool ended = false;  // told; only the capture is read on, until its writers go
    NotifierPointer processNotifier{};
    NotifierPointer captureNotifier{};  // none once every writer has gone
};

SystemProcessWatch::SystemProcessWatch() {
    m_poll.setInterval(kPollMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &SystemProcessWatch::checkUnwaitable);
    if (g_watch == nullptr) {
        g_watch = this;
        [[maybe_unused]] static const int registered = std::atexit([] {
            if (g_watch != nullptr) {
                g_watch->handOff();
            }
        });
    }
}

SystemProcessWatch::~SystemProcessWatch() {
    handOff();
    if (g_watch == this) {
        g_watch = nullptr;
    }
}

void SystemProcessWatch::handOff() {
    // Those that have ended are collected; the others are left to run, and what they still write
    // is read elsewhere. No notifier is signalling now, so each goes at once.
    for (auto& [id, watched] : m_watched) {
        (void)watched.process.ended();
        delete watched.processNotifier.release();
        delete watched.captureNotifier.release();
    }
    if (const SystemResult<> drained = platform::keepDraining(); !drained) {
        qWarning(
            "kestrin: no process could be left to read what running backends still write "
            "(%s); they may end at their next write to stderr",
            drained.error().message().c_str());
    }
    m_watched.clear();
}

void SystemProcessWatch::watch(platform::Process process, platform::StderrCapture capture,
                               QObject* context, OnEnd onEnd) {
    const std::uint64_t id = m_nextId++;
    Watched& watched = m_watched[id];
    watched = {std::move(process), std::move(capture), context, std::move(onEnd)};
    if (const std::intptr_t waitable = watched.capture.waitable(); waitable != -1) {
        watched.captureNotifier.reset(notifierFor(waitable));
        connect(watched.captureNotifier.get(), &Notifier::activated, this,
                [this, id] { readCapture(id); });
    }
    const std::intptr_t waitable = watched.process.waitable();
    if (waitable == -1) {
        m_poll.start();
        return;
    }
    watched.processNotifier.reset(notifierFor(waitable));
    connect(watched.processNotifier.get(), &Notifier::activated, this, [this, id] { check(id); });
}

void SystemProcessWatch::readCapture(std::uint64_t id) {
    const auto found = m_watched.find(id);
    if (found == m_watched.end()) {
        return;
    }
    Watched& watched = found->second;
    if (!watched.capture.drain()) {
        return;
    }
    watched.captureNotifier.reset();
    if (watched.ended) {
        m_watched.erase(found);
    }
}

void SystemProcessWatch::check(std::uint64_t id) {
    const auto found = m_watched.find(id);
    if (found == m_watched.end() || found->second.ended) {
        return;
    }
    Watched& watched = found->second;
    const std::optional<platform::ExitStatus> status = watched.process.ended();
    if (!status) {
        return;
    }
    // What it wrote before its end is in the pipe by now.
    const bool captureDone = !watched.captureNotifier || watched.capture.drain();
    ProcessExit ended{*status, watched.capture.tail()};
    const QPointer<QObject> context = watched.context;
    const OnEnd onEnd = std::move(watched.onEnd);
    watched.ended = true;
    watched.processNotifier.reset();
    if (captureDone) {
        m_watched.erase(found);
    }
    if (context) {
        onEnd(std::move(ended));
    }
}

void SystemProcessWatch::checkUnwaitable() {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, watched] : m_watched) {
        if (!watched.ended && !watched.processNotifier) {
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
