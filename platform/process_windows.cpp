// SPDX-License-Identifier: MIT
// CreateProcessW starts the program and its handle tells its end (cmd /c ends with the backend's
// status). Its stderr comes through a named pipe of Kestrin's own, read with overlapped reads; once
// Kestrin has gone, a write to it only fails.

#include "platform/windows_api.h"

#include <atomic>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/process.h"
#include "platform/wide_text_windows.h"

namespace kestrin::platform {
namespace {

// A list that lets a program inherit only these handles (PROC_THREAD_ATTRIBUTE_HANDLE_LIST),
// which must stay where they are until it has started.
struct EndList {
    void operator()(LPPROC_THREAD_ATTRIBUTE_LIST list) const {
        DeleteProcThreadAttributeList(list);
        delete[] reinterpret_cast<char*>(list);
    }
};
using HandleList = std::unique_ptr<std::remove_pointer_t<LPPROC_THREAD_ATTRIBUTE_LIST>, EndList>;

HandleList handleList(std::vector<HANDLE>& handles) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);  // only asks for the size
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(new char[size]);
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) {
        delete[] reinterpret_cast<char*>(list);
        return nullptr;
    }
    HandleList owned(list);
    return UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                     handles.size() * sizeof(HANDLE), nullptr, nullptr)
               ? std::move(owned)
               : nullptr;
}

}  // namespace

std::error_code workingFolderProblem() {
    return {};
}

std::string workingFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return toUtf8(folder).value_or("");
}

std::string signalName(int /*signal*/) {
    return {};
}

SystemResult<Process> startProcess(const ProcessStart& start, const StderrCapture& capture) {
    const auto file = toWide(start.file);
    const auto commandLine = toWide(start.commandLine);
    if (!file || !commandLine) {
        return windowsError(ERROR_NO_UNICODE_TRANSLATION);
    }
    // CreateProcessW may write into the command line, so it gets its own buffer.
    std::vector<wchar_t> line(commandLine->begin(), commandLine->end());
    line.push_back(L'\0');
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const UniqueHandle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inheritable, OPEN_EXISTING, 0, nullptr));
    const auto writer = reinterpret_cast<HANDLE>(capture.writer());
    std::vector<HANDLE> inherited = {input.get(), writer};
    if (start.inheritedLock != -1) {
        inherited.push_back(reinterpret_cast<HANDLE>(start.inheritedLock));
    }
    const HandleList list = input.valid() ? handleList(inherited) : nullptr;
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = SW_SHOWMINIMIZED;
    startup.StartupInfo.hStdInput = input.get();
    startup.StartupInfo.hStdOutput = writer;
    startup.StartupInfo.hStdError = writer;
    startup.lpAttributeList = list.get();
    PROCESS_INFORMATION process{};
    const DWORD flags =
        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT;
    if (!list || !CreateProcessW(file->c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                 nullptr, &startup.StartupInfo, &process)) {
        return lastWindowsError();
    }
    CloseHandle(process.hThread);
    return Process(process.hProcess);
}

std::intptr_t Process::waitable() const {
    return m_handle.valid() ? reinterpret_cast<std::intptr_t>(m_handle.get()) : -1;
}

std::optional<ExitStatus> Process::ended() {
    if (m_status || !m_handle.valid() || WaitForSingleObject(m_handle.get(), 0) != WAIT_OBJECT_0) {
        return m_status;
    }
    DWORD code = 0;
    const bool known = GetExitCodeProcess(m_handle.get(), &code) != 0;
    // 0xC0000000 and above: an NTSTATUS error, such as an access violation.
    const auto kind = !known                 ? ExitStatus::Kind::Unknown
                      : code >= 0xC0000000UL ? ExitStatus::Kind::Exception
                                             : ExitStatus::Kind::Exited;
    m_status = ExitStatus{kind, known ? static_cast<int>(code) : 0};
    return m_status;
}

void HandleTraits::close(Native handle) {
    CloseHandle(handle);  // fails only for a handle that is not one: nothing left to do
}

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
                m_tail.lost = lastWindowsError();
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
