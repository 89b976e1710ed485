// SPDX-License-Identifier: MIT
// The stderr capture on Windows: a named pipe of this process's own, read with overlapped reads
// whose event the event loop waits on. When Kestrin goes, a write to that pipe fails and ends
// nothing.

#include "platform/windows_api.h"

#include <atomic>

#include "platform/process.h"
#include "platform/wide_text_windows.h"

namespace kestrin::platform {

// The read under way on the pipe's own end: the event is signalled when it is done.
struct StderrCapture::Read {
    HANDLE pipe = nullptr;  // the capture's reader, open as long as this
    UniqueHandle event;
    OVERLAPPED overlapped{};
    char buffer[16384];
    bool pending = false;
    bool ended = false;
};

void StderrCapture::EndRead::operator()(Read* read) const {
    if (read->pending) {
        // The buffer must outlive the read: cancelled, and waited for.
        CancelIoEx(read->pipe, &read->overlapped);
        DWORD ignored = 0;
        GetOverlappedResult(read->pipe, &read->overlapped, &ignored, TRUE);
    }
    delete read;
}

SystemResult<StderrCapture> StderrCapture::create(std::size_t keep) {
    static std::atomic<unsigned> counter = 0;  // launches may come from several threads
    const std::wstring name = L"\\\\.\\pipe\\kestrin-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(counter++);
    StderrCapture capture;
    capture.m_keep = keep;
    // One instance, for this process alone; reads never wait.
    capture.m_reader.reset(CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 65536,
        0, nullptr));
    if (!capture.m_reader.valid()) {
        return lastWindowsError();
    }
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    capture.m_writer.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!capture.m_writer.valid()) {
        return lastWindowsError();
    }
    capture.m_read.reset(new Read);
    capture.m_read->pipe = capture.m_reader.get();
    capture.m_read->event.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    capture.m_read->overlapped.hEvent = capture.m_read->event.get();
    if (!capture.m_read->event.valid()) {
        return lastWindowsError();
    }
    capture.drain();  // starts the first read
    return capture;
}

std::intptr_t StderrCapture::writer() const {
    return m_writer.valid() ? reinterpret_cast<std::intptr_t>(m_writer.get()) : -1;
}

void StderrCapture::closeWriter() {
    m_writer.reset();
}

std::intptr_t StderrCapture::waitable() const {
    return m_read == nullptr ? -1 : reinterpret_cast<std::intptr_t>(m_read->overlapped.hEvent);
}

bool StderrCapture::drain() {
    if (m_read == nullptr || m_read->ended) {
        return true;
    }
    while (true) {
        DWORD got = 0;
        bool done = false;
        if (m_read->pending) {
            done = GetOverlappedResult(m_reader.get(), &m_read->overlapped, &got, FALSE) != 0;
            if (!done && GetLastError() == ERROR_IO_INCOMPLETE) {
                return false;
            }
            m_read->pending = false;
        } else {
            ResetEvent(m_read->overlapped.hEvent);
            done = ReadFile(m_reader.get(), m_read->buffer, sizeof m_read->buffer, &got,
                            &m_read->overlapped) != 0;
            if (!done && GetLastError() == ERROR_IO_PENDING) {
                m_read->pending = true;
                continue;  // it may be done already
            }
        }
        if (!done) {
            // Every writer has gone, or the pipe failed: that is said.
            if (GetLastError() != ERROR_BROKEN_PIPE) {
                m_lost = lastWindowsError();
            }
            m_read->ended = true;
            return true;
        }
        keepLast(m_read->buffer, got);
    }
}

SystemResult<> keepDraining() {
    return {};
}

}  // namespace kestrin::platform
