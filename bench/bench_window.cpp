// SPDX-License-Identifier: MIT
#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QListView>
#include <QTest>
#include <ctime>

#include "bench/harness.h"
#include "tests/temp_folder.h"
#include "window/main_window.h"
#include "window/text_edge.h"

namespace kestrin::bench {

bool PaintCounter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        ++count;
    }
    return QObject::eventFilter(watched, event);
}

BenchWindow::BenchWindow(const std::filesystem::path& emptyFolder)
    : m_search(platform::makeDirectorySearch()) {
    {
        testing::WorkingFolder here(emptyFolder);
        m_window = std::make_unique<window::MainWindow>(
            window::Seams{*m_search, m_launcher, messages, watch});
    }
    m_list = m_window->findChild<QListView*>(QStringLiteral("List1"));
    m_refresh = &button("Command3");
    m_list->viewport()->installEventFilter(&m_listPaints);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    if (!QTest::qWaitForWindowExposed(m_window.get())) {
        throw std::runtime_error("the window was never shown");
    }
}

BenchWindow::~BenchWindow() = default;

QAbstractButton& BenchWindow::button(const char* name) {
    return *m_window->findChild<QAbstractButton*>(window::toQString(name));
}

bool BenchWindow::refreshAndPaint() {
    const int paintsBefore = m_listPaints.count;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    m_refresh->click();
    // The view lays the new rows out and paints them from the event loop, as it does for a user.
    while (m_listPaints.count == paintsBefore) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents();
    }
    return true;
}

int BenchWindow::rows() const {
    return m_list->model()->rowCount();
}

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace kestrin::bench
